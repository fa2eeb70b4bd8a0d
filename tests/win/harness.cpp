#include "win/harness.h"
#include "win/win_util.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdio>

namespace harness {

namespace {

std::string narrow(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

void remove_tree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(join(dir, "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = join(dir, name);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            remove_tree(path);
            RemoveDirectoryA(path.c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

HWND find_top_level(DWORD pid, const std::string& caption, bool visible_only, bool message_box_only) {
    const std::wstring wanted = widen(caption);
    for (HWND window : win_util::top_level_windows(pid)) {
        if (visible_only && !IsWindowVisible(window)) continue;
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        if (message_box_only) {
            wchar_t cls[16] = {};
            GetClassNameW(window, cls, 16);
            if (wcscmp(cls, L"#32770") != 0 || !GetDlgItem(window, 0xFFFF)) continue;
            // A dialog's unnamed statics have ID 0xFFFF too; a message box is
            // told apart by holding only its text, an icon and a few buttons.
            if (win_util::child_count(window, 8) >= 8) continue;
            if (!wanted.empty() && wanted != text) continue;
        } else if (wanted != text) {
            continue;
        }
        return window;
    }
    return nullptr;
}

std::vector<std::string> items(HWND control, UINT count_msg, UINT len_msg, UINT text_msg) {
    std::vector<std::string> out;
    const LRESULT n = SendMessageW(control, count_msg, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        const LRESULT len = SendMessageW(control, len_msg, i, 0);
        if (len < 0) break;
        // Across processes Wine may write twice the length: leave room.
        std::wstring buf(static_cast<std::size_t>(len) * 2 + 2, L'\0');
        SendMessageW(control, text_msg, i, reinterpret_cast<LPARAM>(buf.data()));
        buf.resize(wcsnlen(buf.c_str(), buf.size()));
        out.push_back(narrow(buf));
    }
    return out;
}

}  // namespace

// --- files and folders -----------------------------------------------------

std::string exe_dir() { return win_util::exe_dir(); }

std::string build_file(const std::string& name) { return join(exe_dir(), name); }

std::string join(const std::string& dir, const std::string& name) { return win_util::join(dir, name); }

std::string fresh_dir(const std::string& name) {
    const std::string root = join(exe_dir(), "e2e");
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string dir = join(root, name);
    remove_tree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << "cannot create " << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string read_file(const std::string& path) { return win_util::read_file(path); }

bool file_exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> list_dir(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(join(dir, "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = fd.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

// --- the program ------------------------------------------------------------

Program::~Program() { kill(); }

bool Program::start(const std::string& work_dir, const Env& env, const std::string& exe) {
    std::string block = win_util::environment_block(env);

    const std::string path = exe.find('\\') == std::string::npos ? build_file(exe) : exe;
    std::string command = "\"" + path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, block.data(), work_dir.c_str(),
                        &si, &pi)) {
        ADD_FAILURE() << "cannot start " << path << " in " << work_dir << ": error " << GetLastError();
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return true;
}

HWND Program::find_window(const std::string& caption, bool visible_only) const {
    return find_top_level(pid_, caption, visible_only, false);
}

HWND Program::wait_window(const std::string& caption, int timeout_ms) {
    HWND found = nullptr;
    wait_until([&] { return (found = find_window(caption)) != nullptr; }, timeout_ms);
    if (!found) {
        const auto [box_caption, box_text] = open_message_box();
        ADD_FAILURE() << "expected a window '" << caption << "' within " << timeout_ms << " ms; saw none"
                      << (box_caption.empty() ? "" : ", but a message box '" + box_caption + "': " + box_text);
    }
    return found;
}

bool Program::wait_visible(HWND window, bool visible, int timeout_ms) {
    const bool ok = wait_until([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeout_ms);
    if (!ok)
        ADD_FAILURE() << "expected window '" << window_text(window) << "' to be " << (visible ? "shown" : "hidden")
                      << " within " << timeout_ms << " ms";
    return ok;
}

HWND Program::find_window_with_control(int id) const { return win_util::find_window_with_control(pid_, id); }

std::pair<std::string, std::string> Program::open_message_box() const {
    HWND box = find_top_level(pid_, "", true, true);
    if (!box) return {};
    return {window_text(box), item_text(box, 0xFFFF)};
}

std::string Program::wait_message_box(const std::string& caption, int timeout_ms, bool dismiss) {
    HWND box = nullptr;
    wait_until([&] { return (box = find_top_level(pid_, caption, true, true)) != nullptr; }, timeout_ms);
    if (!box) {
        const auto [other_caption, other_text] = open_message_box();
        ADD_FAILURE() << "expected a message box '" << caption << "' within " << timeout_ms << " ms; saw "
                      << (other_caption.empty() ? "none" : "'" + other_caption + "': " + other_text);
        return {};
    }
    const std::string text = item_text(box, 0xFFFF);
    if (dismiss) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        if (!wait_until([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000))
            ADD_FAILURE() << "message box '" << caption << "' did not close";
    }
    return text;
}

bool Program::wait_exit(int timeout_ms, DWORD* exit_code) {
    if (!process_) return false;
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return false;
    if (exit_code) GetExitCodeProcess(process_, exit_code);
    return true;
}

bool Program::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void Program::kill() {
    if (!process_) return;
    if (running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

// --- controls ---------------------------------------------------------------

std::string window_text(HWND window) {
    const LRESULT len = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring buf(static_cast<std::size_t>(len > 0 ? len : 0) * 2 + 2, L'\0');
    SendMessageW(window, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(wcsnlen(buf.c_str(), buf.size()));
    return narrow(buf);
}

std::string item_text(HWND dialog, int id) { return window_text(GetDlgItem(dialog, id)); }

std::vector<std::string> list_items(HWND dialog, int id) {
    return items(GetDlgItem(dialog, id), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> combo_items(HWND dialog, int id) {
    return items(GetDlgItem(dialog, id), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int list_selection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, LB_GETCURSEL, 0, 0));
}

int combo_selection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

bool is_checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool is_enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void select_list_item(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void double_click_list_item(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

void select_combo_item(HWND dialog, int id, int index) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void set_text(HWND dialog, int id, const std::string& text) {
    const std::wstring w = widen(text);
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void type_file_name(HWND file_dialog, const std::string& name) {
    HWND edit = win_util::file_name_box(file_dialog);
    if (!edit) {
        ADD_FAILURE() << "the file dialog '" << window_text(file_dialog) << "' has no file-name box";
        return;
    }
    const std::wstring w = widen(name);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void post_command(HWND dialog, int id, int code) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// --- what a process holds ---------------------------------------------------

namespace {

// SystemHandleInformation: one entry per open kernel handle in the system.
struct SystemHandle {
    USHORT pid;
    USHORT back_trace;
    UCHAR type;
    UCHAR attributes;
    USHORT value;
    PVOID object;
    ULONG access;
};
struct SystemHandles {
    ULONG count;
    SystemHandle handles[1];
};
constexpr ULONG SYSTEM_HANDLE_INFORMATION = 16;
constexpr LONG STATUS_INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004);

// The system handle list, or an empty buffer when the system gives none.
std::vector<char> system_handles() {
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return {};
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(SYSTEM_HANDLE_INFORMATION, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == STATUS_INFO_LENGTH_MISMATCH && buffer.size() < (64u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) return {};
        return buffer;
    }
}

long system_handle_count(DWORD pid, std::map<int, long>* by_type) {
    const std::vector<char> buffer = system_handles();
    if (buffer.empty()) return -1;
    const auto* list = reinterpret_cast<const SystemHandles*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        if (list->handles[i].pid != static_cast<USHORT>(pid)) continue;
        ++count;
        ++(*by_type)[list->handles[i].type];
    }
    return count;
}

// The GDI handle table that Windows and Wine share with each process: 65536
// entries of 24 bytes, an entry in use when its type is not 0. Its address is
// in the process's PEB (offset 0xF8 on 64-bit Windows).
#pragma pack(push, 4)
struct GdiEntry {
    ULONGLONG object;
    USHORT owner_pid;
    USHORT owner_count;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONGLONG user_pointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiEntry) == 24, "the GDI handle table's entry layout");
constexpr std::size_t GDI_TABLE_ENTRIES = 0x10000;
constexpr std::size_t PEB_GDI_TABLE = sizeof(void*) == 8 ? 0xF8 : 0x94;

long gdi_table_count(HANDLE process, std::map<int, long>* by_type) {
    using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) != 0) return -1;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + PEB_GDI_TABLE, &table,
                           sizeof table, &read) ||
        !table)
        return -1;
    std::vector<GdiEntry> entries(GDI_TABLE_ENTRIES);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry), &read)) return -1;
    long count = 0;
    for (const GdiEntry& e : entries) {
        if (e.type == 0) continue;
        ++count;
        ++(*by_type)[e.type];
    }
    return count;
}

}  // namespace

long gdi_object_count(HANDLE process, DWORD) {
    if (const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<long>(gdi);
    std::map<int, long> by_type;
    return gdi_table_count(process, &by_type);
}

ResourceCounts resource_counts(HANDLE process, DWORD pid) {
    ResourceCounts c;
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles > 0) {
        c.handles = static_cast<long>(handles);
        c.source = "handles: GetProcessHandleCount";
    } else {
        c.handles = system_handle_count(pid, &c.handles_by_type);
        c.source = "handles: system handle list";
    }
    if (const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) {
        c.gdi = static_cast<long>(gdi);
        c.source += ", GDI: GetGuiResources";
    } else {
        c.gdi = gdi_table_count(process, &c.gdi_by_type);
        c.source += ", GDI: shared handle table";
    }
    if (const DWORD user = GetGuiResources(process, GR_USEROBJECTS)) {
        c.user = static_cast<long>(user);
        c.source += ", USER: GetGuiResources";
    } else {
        long windows = 0;
        for (HWND window : win_util::top_level_windows(pid)) windows += 1 + win_util::child_count(window);
        c.user = windows;
        c.source += ", USER: windows";
    }
    return c;
}

std::string describe(const ResourceCounts& c) {
    return std::to_string(c.handles) + " handles, " + std::to_string(c.gdi) + " GDI objects, " +
           std::to_string(c.user) + " USER objects (" + c.source + ")";
}

std::string gdi_growth(const ResourceCounts& before, const ResourceCounts& after) {
    // The object types of the shared table's entries, as Wine numbers them.
    static const std::map<int, const char*> names = {{0x01, "DCs"},   {0x04, "regions"}, {0x08, "palettes"},
                                                     {0x09, "bitmaps"}, {0x0a, "fonts"},  {0x10, "brushes"},
                                                     {0x30, "pens"},  {0x50, "extended pens"}};
    std::string out;
    for (const auto& [type, n] : after.gdi_by_type) {
        const auto was = before.gdi_by_type.find(type);
        const long grown = n - (was == before.gdi_by_type.end() ? 0 : was->second);
        if (grown <= 0) continue;
        const auto name = names.find(type);
        out += (out.empty() ? "+" : ", +") + std::to_string(grown) + " " +
               (name != names.end() ? name->second : "objects of type " + std::to_string(type));
    }
    return out;
}

std::string handle_growth(const ResourceCounts& before, const ResourceCounts& after) {
    std::string out;
    for (const auto& [type, n] : after.handles_by_type) {
        const auto was = before.handles_by_type.find(type);
        const long grown = n - (was == before.handles_by_type.end() ? 0 : was->second);
        if (grown > 0) out += (out.empty() ? "+" : ", +") + std::to_string(grown) + " of type " + std::to_string(type);
    }
    return out;
}

int handle_type(HANDLE handle) {
    const std::vector<char> buffer = system_handles();
    if (buffer.empty()) return -1;
    const auto* list = reinterpret_cast<const SystemHandles*>(buffer.data());
    const auto pid = static_cast<USHORT>(GetCurrentProcessId());
    for (ULONG i = 0; i < list->count; ++i)
        if (list->handles[i].pid == pid && list->handles[i].value == static_cast<USHORT>(reinterpret_cast<ULONG_PTR>(handle)))
            return list->handles[i].type;
    return -1;
}

}  // namespace harness
