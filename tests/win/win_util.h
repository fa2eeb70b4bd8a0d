#pragma once
// Plain helpers for the programs that drive Vornix from outside: the test
// harness and the benchmark driver (no test framework here).
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace win_util {

using Env = std::vector<std::pair<std::string, std::string>>;

std::string exe_dir();  // the folder of the running program
std::string join(const std::string& dir, const std::string& name);
std::string read_file(const std::string& path);  // empty when it cannot be read
// `env` in front of this process's own variables, so the given ones win.
std::string environment_block(const Env& env);
std::vector<HWND> top_level_windows(DWORD pid);  // in Z order
int child_count(HWND window, int limit = 1 << 30);  // counting no further than `limit`
HWND find_window_with_control(DWORD pid, int id);   // visible and holding control `id`; or null
HWND file_name_box(HWND file_dialog);  // of an open or save-as dialog, whichever style; or null

}  // namespace win_util
