#include "win/win_util.h"

#include <cstdio>
#include <cstring>

namespace win_util {

std::string exe_dir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string s = path;
    return s.substr(0, s.find_last_of("\\/"));
}

std::string join(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '\\' || dir.back() == '/' ? dir + name : dir + "\\" + name;
}

std::string read_file(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

std::string environment_block(const Env& env) {
    std::string block;
    for (const auto& [name, value] : env) block += name + "=" + value + '\0';
    if (char* own = GetEnvironmentStringsA()) {
        for (const char* p = own; *p; p += std::strlen(p) + 1) block += std::string(p) + '\0';
        FreeEnvironmentStringsA(own);
    }
    return block + '\0';
}

std::vector<HWND> top_level_windows(DWORD pid) {
    std::pair<DWORD, std::vector<HWND>> found{pid, {}};
    EnumWindows([](HWND window, LPARAM out) -> BOOL {
        auto* f = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(out);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == f->first) f->second.push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

int child_count(HWND window, int limit) {
    std::pair<int, int> count{0, limit};
    EnumChildWindows(window, [](HWND, LPARAM c) -> BOOL {
        auto* n = reinterpret_cast<std::pair<int, int>*>(c);
        return ++n->first < n->second;
    }, reinterpret_cast<LPARAM>(&count));
    return count.first;
}

HWND find_window_with_control(DWORD pid, int id) {
    for (HWND window : top_level_windows(pid))
        if (IsWindowVisible(window) && GetDlgItem(window, id)) return window;
    return nullptr;
}

HWND file_name_box(HWND file_dialog) {
    // The old-style dialog's name box is the edit edt1 (0x480); Wine's
    // Explorer-style one is an edit inside the combo box cmb13 (0x47C).
    HWND edit = nullptr;
    EnumChildWindows(file_dialog, [](HWND w, LPARAM out) -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (_wcsicmp(cls, L"Edit") != 0 || (GetDlgCtrlID(w) != 0x480 && GetDlgCtrlID(w) != 0x47C)) return TRUE;
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

}  // namespace win_util
