#include "win/harness.h"
#include "win/win_util.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace harness {

namespace {

std::string narrow(const std::wstring& w) {
    std::string s(w.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), s.data(),
                                      static_cast<int>(s.size()), nullptr, nullptr);
    return s.substr(0, static_cast<std::size_t>(n));
}

std::wstring widen(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    return w.substr(0, static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), w.data(), static_cast<int>(w.size()))));
}

// Sent across processes, Wine may write twice the length it reported: leave room.
std::string text_of(HWND control, UINT text_msg, WPARAM index, LRESULT length) {
    if (length < 0) return {};
    std::wstring buf(static_cast<std::size_t>(length) * 2 + 2, L'\0');
    SendMessageW(control, text_msg, index, reinterpret_cast<LPARAM>(buf.data()));
    return narrow(buf.c_str());
}

std::vector<std::string> items(HWND control, UINT count_msg, UINT len_msg, UINT text_msg) {
    std::vector<std::string> out;
    const LRESULT n = SendMessageW(control, count_msg, 0, 0);
    for (LRESULT i = 0; i < n; ++i)
        out.push_back(text_of(control, text_msg, static_cast<WPARAM>(i), SendMessageW(control, len_msg, i, 0)));
    return out;
}

void notify(HWND dialog, int id, WORD code) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void remove_tree(const std::string& dir) {
    for (const std::string& name : list_dir(dir)) {
        remove_tree(join(dir, name));
        RemoveDirectoryA(join(dir, name).c_str()) || DeleteFileA(join(dir, name).c_str());
    }
}

// A message box is a #32770 dialog with its text in static 0xFFFF; a
// dialog's unnamed statics have that ID too, but it holds more controls than
// a text, an icon and a few buttons.
bool is_message_box(HWND window) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    return wcscmp(cls, L"#32770") == 0 && GetDlgItem(window, 0xFFFF) && win_util::child_count(window, 8) < 8;
}

HWND find_top_level(DWORD pid, const std::string& caption, bool visible_only, bool message_box) {
    for (HWND window : win_util::top_level_windows(pid)) {
        if ((visible_only && !IsWindowVisible(window)) || (message_box && !is_message_box(window))) continue;
        if ((message_box && caption.empty()) || window_text(window) == caption) return window;
    }
    return nullptr;
}

}  // namespace

std::string exe_dir() { return win_util::exe_dir(); }
std::string build_file(const std::string& name) { return join(exe_dir(), name); }
std::string join(const std::string& dir, const std::string& name) { return win_util::join(dir, name); }
std::string read_file(const std::string& path) { return win_util::read_file(path); }
bool file_exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string fresh_dir(const std::string& name) {
    const std::string dir = join(build_file("e2e"), name);
    CreateDirectoryA(build_file("e2e").c_str(), nullptr);
    remove_tree(dir);
    // What Wine cannot remove: a link, or a folder left refusing files by a
    // run that was killed.
    if (!list_dir(dir).empty()) linux_shell("chattr -R -i \"$1\" 2>/dev/null; chmod -R u+w \"$1\"; rm -rf \"$1\"", {dir});
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool linux_shell(const std::string& script, const std::vector<std::string>& paths) {
    using ToLinux = char*(CDECL*)(const wchar_t*);
    const auto to_linux = reinterpret_cast<ToLinux>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    const auto linux_path = [&](const std::string& path) {
        char* named = to_linux ? to_linux(widen(path).c_str()) : nullptr;
        const std::string found = named ? named : "";
        if (named) HeapFree(GetProcessHeap(), 0, named);
        return found;
    };
    // The paths go in a file, as bytes: through a command line they would be
    // converted from the code page and split at blanks.
    const std::string file = build_file("shell.sh"), done = build_file("shell.done");
    std::string text = "set --";
    for (const std::string& path : paths) {
        text += " '";
        for (char c : linux_path(path)) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        text += "'";
    }
    DeleteFileA(done.c_str());
    write_file(file, text + "\n" + script + "\necho $? > '" + linux_path(done) + "'\n");
    std::string command = "/bin/sh \"" + linux_path(file) + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!to_linux || !CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return wait_until([&] { return !read_file(done).empty(); }, 10000) && read_file(done) == "0\n";
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << "cannot create " << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<std::string> list_dir(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(join(dir, "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
        if (std::strcmp(fd.cFileName, ".") != 0 && std::strcmp(fd.cFileName, "..") != 0) names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Most waits end within milliseconds (a box opening, a click taken): the
// pause between looks doubles from 1 ms to 20 ms, so a short wait ends soon
// and a long one costs no more than before.
bool wait_until(const std::function<bool()>& done, int timeout_ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (DWORD pause = 1; !done(); pause = std::min<DWORD>(pause * 2, 20)) {
        if (GetTickCount64() >= end) return false;
        Sleep(pause);
    }
    return true;
}

bool Program::start(const std::string& work_dir, const Env& env, const std::string& exe) {
    const char* chosen = std::getenv("VORNIX_PROGRAM");
    const std::string path = exe == "vornix.exe" && chosen                  ? chosen
                             : exe.find('\\') != std::string::npos ? exe
                                                                    : build_file(exe);
    std::string command = "\"" + path + "\"", block = win_util::environment_block(env);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto create = [&] {
        return CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, block.data(), work_dir.c_str(),
                              &si, &pi) != FALSE;
    };
    bool started = create();
    // Wine answers ERROR_INTERNAL_ERROR when the new process ended during its
    // start-up without any status: a failure to load the program, or of the
    // program while it loads, gives CreateProcess a status of its own, so this
    // one says nothing about the program. Seen on a busy machine; a second
    // start is made, once, and said.
    if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
        std::printf("[ retried  ] starting %s failed with error 1359 (ERROR_INTERNAL_ERROR); started again\n",
                    path.c_str());
        std::fflush(stdout);
        started = create();
    }
    if (!started) {
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
    if (!wait_until([&] { return (found = find_window(caption)) != nullptr; }, timeout_ms))
        ADD_FAILURE() << "no window '" << caption << "' within " << timeout_ms << " ms; message box: '"
                      << open_message_box().first << "' " << open_message_box().second;
    return found;
}

bool Program::wait_visible(HWND window, bool visible, int timeout_ms) {
    const bool ok = wait_until([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeout_ms);
    if (!ok) ADD_FAILURE() << "window '" << window_text(window) << "' not " << (visible ? "shown" : "hidden");
    return ok;
}

HWND Program::find_window_with_control(int id) const { return win_util::find_window_with_control(pid_, id); }

HWND Program::message_box() const { return find_top_level(pid_, "", true, true); }

std::pair<std::string, std::string> Program::open_message_box() const {
    HWND box = message_box();
    if (!box) return {};
    return {window_text(box), item_text(box, 0xFFFF)};
}

std::string Program::wait_message_box(const std::string& caption, int timeout_ms, bool dismiss) {
    HWND box = nullptr;
    if (!wait_until([&] { return (box = find_top_level(pid_, caption, true, true)) != nullptr; }, timeout_ms))
        return ADD_FAILURE() << "no message box '" << caption << "' within " << timeout_ms << " ms", std::string();
    const std::string text = item_text(box, 0xFFFF);
    if (dismiss) PostMessageW(box, WM_COMMAND, IDOK, 0);
    if (dismiss && !wait_until([&] { return !IsWindowVisible(box); }, 5000))
        ADD_FAILURE() << "message box '" << caption << "' stays open";
    return text;
}

bool Program::wait_exit(int timeout_ms, DWORD* exit_code) {
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return false;
    if (exit_code) GetExitCodeProcess(process_, exit_code);
    return true;
}

bool Program::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void Program::kill() {
    if (running() && TerminateProcess(process_, 1)) WaitForSingleObject(process_, 5000);
    if (process_) CloseHandle(process_);
    process_ = nullptr;
}

std::string window_text(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    return text_of(window, WM_GETTEXT, static_cast<WPARAM>(length) * 2 + 2, length);
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
    SendDlgItemMessageW(dialog, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    notify(dialog, id, LBN_SELCHANGE);
}
void double_click_list_item(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    post_command(dialog, id, LBN_DBLCLK);  // posted: it may open a modal dialog
}
void select_combo_item(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    notify(dialog, id, CBN_SELCHANGE);
}

void set_text(HWND dialog, int id, const std::string& text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
}

void type_file_name(HWND file_dialog, const std::string& name) {
    HWND edit = win_util::file_name_box(file_dialog);
    EXPECT_TRUE(edit) << "the file dialog '" << window_text(file_dialog) << "' has no file-name box";
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(name).c_str()));
}

void post_command(HWND dialog, int id, int code) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<Key> typed(const std::string& text) {
    std::vector<Key> keys;
    for (char c : text) keys.push_back({LOBYTE(VkKeyScanA(c)), (VkKeyScanA(c) & 0x100) != 0});
    return keys;
}

void press_keys(HWND window, const std::vector<Key>& keys) {
    SetForegroundWindow(window);
    EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == window; }, 3000)) << "the window is not in front";
    for (const Key& k : keys) {
        std::vector<INPUT> in;
        const auto add = [&](WORD vk, DWORD flags) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = vk;
            i.ki.dwFlags = flags;
            in.push_back(i);
        };
        if (k.shift) add(VK_SHIFT, 0);
        add(k.vk, 0), add(k.vk, KEYEVENTF_KEYUP);
        if (k.shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
        Sleep(50);
    }
}

HWND focused_control(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// The GDI handle table that Windows and Wine share with each process: 65536
// entries of 24 bytes, one in use when its type is not 0. Wine 8 writes its
// address at offset 0xF8 of the PEB that ProcessBasicInformation names, for
// a 32-bit program too: that PEB is laid out as a 64-bit one, and the answer
// to ProcessWow64Information is 1 there, not the address of a 32-bit PEB.
long gdi_object_count(HANDLE process, DWORD) {
    if (const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<long>(gdi);
#pragma pack(push, 4)
    struct Entry { ULONGLONG object; USHORT owner, count, unique; UCHAR type, flags; ULONGLONG user; };
#pragma pack(pop)
    static_assert(sizeof(Entry) == 24, "the GDI handle table's entry layout");
    using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    ULONGLONG table = 0;
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    std::vector<Entry> entries(0x10000);
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + 0xF8, &table, sizeof table,
                           nullptr) ||
        !table ||
        !ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(Entry), nullptr))
        return -1;
    return static_cast<long>(std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.type != 0; }));
}

}  // namespace harness
