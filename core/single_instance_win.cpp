#include "core/single_instance_win.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

#include "core/unique_handle.h"
#include "core/win_handle.h"

namespace {

// A named shared memory block per working folder: whoever creates it owns
// the folder, and it holds the owner's main window (0 until there is one).
// Window handles have 32 significant bits, so the 32-bit and the 64-bit
// program share the block through one LONG.
inline BOOL unmap_view(void* view) { return UnmapViewOfFile(view); }
using UniqueView = UniqueHandle<void*, unmap_view>;

UniqueWinHandle claim;
UniqueView claim_view;

volatile LONG* window_slot(void* view) { return static_cast<volatile LONG*>(view); }

// "Local\Vornix-" and a hash of the working folder as the file system sees
// it: its long form (C:\PROGRA~2 and C:\Program Files (x86) are one folder)
// in upper case, since folder names do not differ by case.
bool folder_object_name(wchar_t (&name)[64]) {
    static wchar_t folder[32768], long_form[32768];
    constexpr DWORD room = static_cast<DWORD>(std::size(folder));
    DWORD n = GetCurrentDirectoryW(room, folder);
    if (n == 0 || n >= room) return false;
    const DWORD m = GetLongPathNameW(folder, long_form, room);
    wchar_t* path = m > 0 && m < room ? long_form : folder;
    n = static_cast<DWORD>(std::wcslen(path));
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

void bring_to_front(HWND window) {
    // Hidden, the first one is loading its list or waiting for MAME, which
    // is what the user sees instead.
    if (!IsWindowVisible(window)) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace

bool claim_working_folder() {
    wchar_t name[64];
    if (!folder_object_name(name)) return true;  // cannot tell: run as ever
    // The first start may not have made its window yet, or may be closing
    // after saving its settings: wait a little for either to settle.
    const ULONGLONG deadline = GetTickCount64() + 5000;
    for (;;) {
        UniqueWinHandle block(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name));
        if (!block) return true;
        const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
        UniqueView view(MapViewOfFile(block.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
        if (!view) return true;
        if (first) {
            claim = std::move(block);
            claim_view = std::move(view);
            return true;
        }
        const LONG value = InterlockedCompareExchange(window_slot(view.get()), 0, 0);
        const HWND other = reinterpret_cast<HWND>(static_cast<LONG_PTR>(value));
        if (other && IsWindow(other)) {
            bring_to_front(other);
            return false;
        }
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
}

void publish_main_window(HWND window) {
    if (claim_view)
        InterlockedExchange(window_slot(claim_view.get()), static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
}

void release_working_folder() {
    if (claim_view) InterlockedExchange(window_slot(claim_view.get()), 0);
    claim_view.close();
    claim.close();
}
