#include "core/app_win.h"

#include <cwchar>
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

bool working_folder_takes_files() {
    static const bool takes = [] {
        // A name of this process's own, so no other program's file is touched.
        wchar_t name[64];
        std::swprintf(name, std::size(name), L"vornix-%lu.tmp", GetCurrentProcessId());
        const HANDLE probe = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                         nullptr);
        if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
        CloseHandle(probe);
        return true;
    }();
    return takes;
}

void show_working_folder_message(const wchar_t* text, const wchar_t* caption) {
    // Room for the longest folder name and the text around it.
    static wchar_t message[std::size(working_folder) + 1024];
    std::swprintf(message, std::size(message), text, working_folder[0] != L'\0' ? working_folder : L".");
    MessageBoxW(nullptr, message, caption, MB_OK);
}
