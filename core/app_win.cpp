#include "core/app_win.h"

#include <iterator>

HINSTANCE app_instance = nullptr;
std::atomic<std::uint32_t> download_cancel{0};
OPENFILENAMEA inp_file_dialog;

namespace {
// Wide, so a folder whose name the user's code page cannot spell is still
// restored. Room for the longest path Windows can make current.
wchar_t working_folder[32768];
}  // namespace

void remember_working_folder() {
    const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(working_folder)), working_folder);
    if (n == 0 || n >= std::size(working_folder)) working_folder[0] = L'\0';
}

void restore_working_folder() {
    if (working_folder[0] != L'\0') SetCurrentDirectoryW(working_folder);
}
