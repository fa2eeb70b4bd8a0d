#include "win/win_util.h"

#include <cstdio>
#include <cstring>

namespace win_util {

std::string exe_dir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/"));
}

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '\\' || dir.back() == '/') return dir + name;
    return dir + "\\" + name;
}

std::string read_file(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

std::string environment_block(const Env& env) {
    std::string block;
    for (const auto& [name, value] : env) block += name + "=" + value + '\0';
    if (char* own = GetEnvironmentStringsA()) {
        for (const char* p = own; *p; p += std::strlen(p) + 1) block += std::string(p) + '\0';
        FreeEnvironmentStringsA(own);
    }
    block += '\0';
    return block;
}

std::vector<HWND> top_level_windows(DWORD pid) {
    struct Args { DWORD pid; std::vector<HWND> found; } args{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM lparam) -> BOOL {
            auto* a = reinterpret_cast<Args*>(lparam);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == a->pid) a->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.found;
}

int child_count(HWND window, int limit) {
    struct Args { int count, limit; } args{0, limit};
    EnumChildWindows(
        window,
        [](HWND, LPARAM lparam) -> BOOL {
            auto* a = reinterpret_cast<Args*>(lparam);
            return ++a->count < a->limit;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.count;
}

HWND find_window_with_control(DWORD pid, int id) {
    for (HWND window : top_level_windows(pid))
        if (IsWindowVisible(window) && GetDlgItem(window, id)) return window;
    return nullptr;
}

HWND file_name_box(HWND file_dialog) {
    // Without OFN_EXPLORER Windows shows the old-style dialog, whose name box
    // is the edit edt1; Wine shows its Explorer-style dialog, where the edit
    // sits inside the combo box cmb13.
    HWND edit = nullptr;
    EnumChildWindows(
        file_dialog,
        [](HWND w, LPARAM out) -> BOOL {
            constexpr int kOldStyleNameEdit = 0x480, kExplorerNameCombo = 0x47C;
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            const int id = GetDlgCtrlID(w);
            if (_wcsicmp(cls, L"Edit") != 0 || (id != kOldStyleNameEdit && id != kExplorerNameCombo)) return TRUE;
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&edit));
    return edit;
}

}  // namespace win_util
