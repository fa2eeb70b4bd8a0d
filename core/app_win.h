#pragma once
// What the whole program shares below its dialogs: the module instance, the
// download's cancel flag and the one file request record.
#include <windows.h>
#include <commdlg.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

// The module instance every dialog of the program is created with.
extern HINSTANCE app_instance;

// Set by the download dialog's Cancel, read and cleared by the download
// worker once per chunk. One aligned 32-bit word shared without a lock.
extern std::atomic<std::uint32_t> download_cancel;
static_assert(sizeof(std::atomic<std::uint32_t>) == 4);

// The one open/save file request, shared by the main dialog's "Playback INP"
// and the download dialog's save-as; each user zeroes and refills it. It is
// always used in its pre-2000 form (76 bytes on 32-bit Windows).
extern OPENFILENAMEA inp_file_dialog;
inline constexpr DWORD INP_FILE_DIALOG_SIZE =
    static_cast<DWORD>(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR));
#if !defined(_WIN64)
static_assert(INP_FILE_DIALOG_SIZE == 76, "the pre-2000 OPENFILENAME is 76 bytes");
#endif

// The folder the program was started in, where vornix.cfg, versions.ini,
// gamelist.tmp and the extracted recordings live. Windows documents
// OFN_NOCHANGEDIR as having no effect on the open-file dialog, so choosing a
// file elsewhere may move the current directory there; it is put back after
// every file dialog, or the settings would be saved in the INP's folder.
void remember_working_folder();
void restore_working_folder();

// Whether the working folder takes a new file, tried once, at the first call,
// with a file that is gone again as soon as it is closed. A folder under
// C:\Program Files does not for a user without administrator rights (the
// manifest's asInvoker means that Windows does not redirect the writes), nor
// does a read-only share or medium: the settings and downloads cannot be
// saved there, and the game list goes to the user's temporary folder.
bool working_folder_takes_files();

// A message box without owner whose `text` holds one %ls, which names the
// working folder as the user started Vornix in it (wide, so any name shows).
void show_working_folder_message(const wchar_t* text, const wchar_t* caption);
