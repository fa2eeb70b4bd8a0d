#pragma once
// Owners for the Win32 handles the program opens: kernel handles (processes,
// threads), GDI objects (fonts, brushes, bitmaps) and WinINet handles.
#include <windows.h>
#include <wininet.h>

#include "core/unique_handle.h"

inline BOOL close_win_handle(HANDLE h) { return CloseHandle(h); }
using UniqueWinHandle = UniqueHandle<HANDLE, close_win_handle>;
using UniqueKernelHandle = UniqueWinHandle;

inline BOOL delete_gdi_object(HGDIOBJ object) { return DeleteObject(object); }
using UniqueFont = UniqueHandle<HFONT, delete_gdi_object>;
using UniqueBrush = UniqueHandle<HBRUSH, delete_gdi_object>;
using UniqueBitmap = UniqueHandle<HBITMAP, delete_gdi_object>;

inline BOOL close_internet_handle(HINTERNET h) { return InternetCloseHandle(h); }
using UniqueInternet = UniqueHandle<HINTERNET, close_internet_handle>;
