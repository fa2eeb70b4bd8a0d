#include "core/single_instance_win.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

#include "core/app_win.h"
#include "core/unique_handle.h"
#include "core/win_handle.h"

namespace {

// A named shared memory block per working folder: whoever creates it owns
// the folder, and it holds the owner's GUI thread, whose windows a second
// start brings forward; 0 once the owner has begun to leave. Thread IDs are
// 32-bit in both programs, so the 32-bit and the 64-bit one share the block.
inline BOOL unmap_view(void* view) { return UnmapViewOfFile(view); }
using UniqueView = UniqueHandle<void*, unmap_view>;

UniqueWinHandle claim;
UniqueView claim_view;

volatile LONG* owner_slot(void* view) { return static_cast<volatile LONG*>(view); }

// How long a second start waits for the first one to show a window: a double
// click twice finds the first one still loading its list, which takes a
// second or two with a real MAME.
constexpr ULONGLONG FIRST_START_WAIT_MS = 5000;

const wchar_t ALREADY_RUNNING_TEXT[] =
    L"Vornix is already running in this folder:\n\n%ls\n\nIts window is hidden while MAME runs or while it loads "
    L"the game list, and comes back when that ends. If it does not come back, end vornix.exe in the Task Manager.";

// The folder as the file system knows it, whatever name it was reached by:
// a subst or mapped drive, \\server\share, a junction, C:\PROGRA~2. Where the
// system cannot tell (some network file systems), the long form of the name
// the folder was started in.
wchar_t* final_folder_path(wchar_t (&path)[32768]) {
    const DWORD room = static_cast<DWORD>(std::size(path));
    static wchar_t folder[32768];
    const DWORD n = GetCurrentDirectoryW(room, folder);
    if (n == 0 || n >= room) return nullptr;
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const UniqueWinHandle handle =
        owned_file(CreateFileW(folder, 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DWORD m = handle ? GetFinalPathNameByHandleW(handle.get(), path, room, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) : 0;
    if (m > 0 && m < room) {
        // "\\?\C:\..." and "\\?\UNC\server\share\...", as the names the
        // fallback gives, so both ways lead to one name.
        if (std::wcsncmp(path, L"\\\\?\\UNC\\", 8) == 0) return path[6] = L'\\', path + 6;
        if (std::wcsncmp(path, L"\\\\?\\", 4) == 0) return path + 4;
        return path;
    }
    m = GetLongPathNameW(folder, path, room);
    return m > 0 && m < room ? path : folder;
}

// "Local\Vornix-" and a hash of the folder's final path in upper case, since
// folder names do not differ by case.
bool folder_object_name(wchar_t (&name)[64]) {
    static wchar_t buffer[32768];
    wchar_t* path = final_folder_path(buffer);
    if (!path) return false;
    DWORD n = static_cast<DWORD>(std::wcslen(path));
    // A trailing separator names the same folder, but a drive's root keeps it.
    if (n > 3 && path[n - 1] == L'\\') path[--n] = L'\0';
    CharUpperBuffW(path, n);
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the UTF-16 units
    for (DWORD i = 0; i < n; ++i) hash = (hash ^ static_cast<unsigned short>(path[i])) * 1099511628211ull;
    const wchar_t prefix[] = L"Local\\Vornix-";
    std::wmemcpy(name, prefix, std::size(prefix) - 1);
    wchar_t* digit = name + std::size(prefix) - 1;
    for (int shift = 60; shift >= 0; shift -= 4) *digit++ = L"0123456789abcdef"[(hash >> shift) & 0xF];
    *digit = L'\0';
    return true;
}

BOOL CALLBACK take_active_window(HWND window, LPARAM found) {
    // With a modal box open the main window is disabled: the box is the one
    // the user can act on. Hidden windows (the main one while MAME runs) are
    // passed over.
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Brings the owner's active window to the front: its main window, or the
// message box, file request or dialog open over it. False while it shows none.
bool bring_to_front(DWORD owner_thread) {
    HWND active = nullptr;
    EnumThreadWindows(owner_thread, take_active_window, reinterpret_cast<LPARAM>(&active));
    if (!active) return false;
    if (IsIconic(active)) ShowWindow(active, SW_RESTORE);
    SetForegroundWindow(active);
    return true;
}

}  // namespace

bool claim_working_folder() {
    wchar_t name[64];
    if (!folder_object_name(name)) return true;  // cannot tell: run as ever
    // The first start may still be loading its list with its window hidden,
    // or be leaving: wait a little for it to show a window or to end.
    const ULONGLONG deadline = GetTickCount64() + FIRST_START_WAIT_MS;
    for (;;) {
        UniqueWinHandle block(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name));
        if (!block) return true;
        const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
        UniqueView view(MapViewOfFile(block.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
        if (!view) return true;
        if (first) {
            InterlockedExchange(owner_slot(view.get()), static_cast<LONG>(GetCurrentThreadId()));
            claim = std::move(block);
            claim_view = std::move(view);
            return true;
        }
        const auto owner = static_cast<DWORD>(InterlockedCompareExchange(owner_slot(view.get()), 0, 0));
        if (owner != 0 && bring_to_front(owner)) return false;
        if (GetTickCount64() >= deadline) {
            show_working_folder_message(ALREADY_RUNNING_TEXT, L"Vornix");
            return false;
        }
        Sleep(50);
    }
}

void release_working_folder() {
    // The block itself goes with the process, so a start that comes while the
    // settings are saved waits for them rather than reading the old ones.
    if (claim_view) InterlockedExchange(owner_slot(claim_view.get()), 0);
}
