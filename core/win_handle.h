#pragma once
// Owners for the Windows handles the program opens.
#include <windows.h>
#include <wininet.h>

#include "core/unique_handle.h"

inline BOOL close_kernel_handle(HANDLE h) { return CloseHandle(h); }
inline BOOL delete_gdi_object(HGDIOBJ h) { return DeleteObject(h); }
inline BOOL close_internet_handle(HINTERNET h) { return InternetCloseHandle(h); }

using UniqueKernelHandle = UniqueHandle<HANDLE, close_kernel_handle>;
using UniqueFont = UniqueHandle<HFONT, delete_gdi_object>;
using UniqueBrush = UniqueHandle<HBRUSH, delete_gdi_object>;
using UniqueInternet = UniqueHandle<HINTERNET, close_internet_handle>;
