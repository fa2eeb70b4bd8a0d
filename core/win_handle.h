#pragma once
// Owners for the Win32 handles the program opens: kernel handles (processes,
// threads), GDI objects (fonts, brushes, bitmaps) and WinINet handles.
#include <windows.h>
#include <wininet.h>

#include "core/unique_handle.h"

inline BOOL close_win_handle(HANDLE h) { return CloseHandle(h); }
using UniqueWinHandle = UniqueHandle<HANDLE, close_win_handle>;
using UniqueKernelHandle = UniqueWinHandle;

// Owns what CreateFile returns, whose "no file" is INVALID_HANDLE_VALUE where
// every other call's is null: an owner that tests as false then.
inline UniqueWinHandle owned_file(HANDLE h) { return UniqueWinHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

inline BOOL delete_gdi_object(HGDIOBJ object) { return DeleteObject(object); }
using UniqueFont = UniqueHandle<HFONT, delete_gdi_object>;
using UniqueBrush = UniqueHandle<HBRUSH, delete_gdi_object>;
using UniqueBitmap = UniqueHandle<HBITMAP, delete_gdi_object>;

inline BOOL close_internet_handle(HINTERNET h) { return InternetCloseHandle(h); }
using UniqueInternet = UniqueHandle<HINTERNET, close_internet_handle>;
