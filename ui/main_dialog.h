#pragma once
#include <windows.h>
#include <commdlg.h>

#include <cstddef>

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The one open/save file request, shared by the main dialog's "Playback INP"
// and the download dialog's save-as; each user zeroes and refills it. It is
// always used in its pre-2000 form (76 bytes on 32-bit Windows).
extern OPENFILENAMEA inp_file_dialog;
inline constexpr DWORD INP_FILE_DIALOG_SIZE =
    static_cast<DWORD>(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR));
#if !defined(_WIN64)
static_assert(INP_FILE_DIALOG_SIZE == 76, "the pre-2000 OPENFILENAME is 76 bytes");
#endif
