#pragma once
// Drives the real program under Wine as a user would, from outside: its
// windows, controls, message boxes, exit code and files. Every wait has a
// limit; one that runs out is a test failure naming what was seen.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

std::string exe_dir();  // the build folder of the tests and the doubles
std::string build_file(const std::string& name);  // a file in exe_dir()
std::string fresh_dir(const std::string& name);   // an emptied folder under exe_dir()\e2e
std::string join(const std::string& dir, const std::string& name);
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> list_dir(const std::string& dir);  // names, sorted
bool wait_until(const std::function<bool()>& done, int timeout_ms);

// The machine's own shell, for what Windows cannot do under Wine (a folder
// that refuses files, another name for a folder). `script` runs in /bin/sh
// with `paths` as $1, $2... (Windows paths, given as Linux ones). Wine starts
// a Linux program but cannot wait for it: the script's end is seen by a file
// it writes last. False when it did not end within 10 s or failed.
bool linux_shell(const std::string& script, const std::vector<std::string>& paths);

using Env = std::vector<std::pair<std::string, std::string>>;

class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() { kill(); }  // a failed test leaves nothing running

    // Starts `exe` in `work_dir` with `env` added. "vornix.exe" is the program
    // under test, the 64-bit or 32-bit build that VORNIX_PROGRAM names.
    bool start(const std::string& work_dir, const Env& env = {}, const std::string& exe = "vornix.exe");

    // A visible top-level window with exactly this caption, or holding control `id`.
    HWND wait_window(const std::string& caption, int timeout_ms = 15000);
    HWND find_window(const std::string& caption, bool visible_only = true) const;  // null when none
    bool wait_visible(HWND window, bool visible, int timeout_ms = 15000);
    HWND find_window_with_control(int id) const;
    // A message box's text; with `dismiss` OK is pressed and its closing awaited.
    std::string wait_message_box(const std::string& caption, int timeout_ms = 15000, bool dismiss = true);
    std::pair<std::string, std::string> open_message_box() const;  // caption and text, or empty
    HWND message_box() const;  // the open one, or null

    void watch_self() { pid_ = GetCurrentProcessId(); }  // for tests that run the program in-process

    bool wait_exit(int timeout_ms, DWORD* exit_code);  // false while it still runs
    void kill();
    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_; }
    bool running() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Controls across processes, by the wide-character messages.
std::string window_text(HWND window);
std::string item_text(HWND dialog, int id);
std::vector<std::string> list_items(HWND dialog, int id);
std::vector<std::string> combo_items(HWND dialog, int id);
int list_selection(HWND dialog, int id);
int combo_selection(HWND dialog, int id);
bool is_checked(HWND dialog, int id);
bool is_enabled(HWND dialog, int id);

void click(HWND dialog, int id);  // posted: a modal loop it opens must not block the test
// As a click would: the selection, then the notification.
void select_list_item(HWND dialog, int id, int index);
void double_click_list_item(HWND dialog, int id, int index);
void select_combo_item(HWND dialog, int id, int index);
void set_text(HWND dialog, int id, const std::string& text);
void type_file_name(HWND file_dialog, const std::string& name);
void post_command(HWND dialog, int id, int code = 0);  // as a key would send it

// Keys pressed as on a keyboard: through the input queue to the control
// that has the focus in `window`, which is brought to the front first.
struct Key {
    WORD vk;
    bool shift = false;
};
std::vector<Key> typed(const std::string& text);
void press_keys(HWND window, const std::vector<Key>& keys);
// The control that has the keyboard focus in `window`'s thread, or null.
HWND focused_control(HWND window);

// GDI objects `process` holds. Wine 8 answers GetGuiResources with 0, so
// there they are counted in the GDI handle table it shares with the process;
// -1 when neither can count.
long gdi_object_count(HANDLE process, DWORD pid);

}  // namespace harness
