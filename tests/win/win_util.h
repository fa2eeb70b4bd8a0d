#pragma once
// Plain helpers for programs that drive Vornix from outside: the test
// harness and the benchmark driver. No test framework here, so both can use
// them; the harness adds its waits and failure reports on top.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace win_util {

using Env = std::vector<std::pair<std::string, std::string>>;

std::string exe_dir();  // the folder of the running program
std::string join(const std::string& dir, const std::string& name);
std::string read_file(const std::string& path);  // empty when it cannot be read

// An environment block: `env` in front of this process's own variables, so
// that the given ones win.
std::string environment_block(const Env& env);

// The top-level windows of process `pid`, in Z order.
std::vector<HWND> top_level_windows(DWORD pid);
// How many child windows `window` holds, counting no further than `limit`.
int child_count(HWND window, int limit = 1 << 30);

// A visible top-level window of process `pid` that holds control `id` (for
// dialogs without a caption); null when there is none.
HWND find_window_with_control(DWORD pid, int id);

// The file-name box of an open or save-as dialog, whichever style Windows
// (or Wine) gave it; null when it has none.
HWND file_name_box(HWND file_dialog);

}  // namespace win_util
