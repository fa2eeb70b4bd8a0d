#pragma once
// Drives the real program under Wine as a user would: starts vornix.exe in a
// fresh working folder, finds its windows by caption and control ID, acts on
// their controls across processes, answers message boxes, reads the exit code
// and the files left behind. Every wait has a limit; one that runs out is a
// test failure naming what was expected and what was seen.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

// --- files and folders -----------------------------------------------------
std::string exe_dir();  // the build folder: the tests and the doubles live here
std::string build_file(const std::string& name);  // exe_dir() + "\\" + name
std::string fresh_dir(const std::string& name);   // an emptied folder under exe_dir()\e2e
std::string join(const std::string& dir, const std::string& name);
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> list_dir(const std::string& dir);  // names, sorted

// Polls `done` every 20 ms until it holds or `timeout_ms` runs out.
bool wait_until(const std::function<bool()>& done, int timeout_ms);

// --- the program ------------------------------------------------------------
using Env = std::vector<std::pair<std::string, std::string>>;

class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() { kill(); }  // a failed test leaves nothing running

    // Starts `exe` in `work_dir` with `env` in front of this process's own
    // environment. "vornix.exe" is the program under test: the 64-bit or the
    // 32-bit build, as VORNIX_PROGRAM names it; another bare name is taken
    // from exe_dir().
    bool start(const std::string& work_dir, const Env& env = {}, const std::string& exe = "vornix.exe");

    // The visible top-level window of this program with exactly this caption.
    HWND wait_window(const std::string& caption, int timeout_ms = 15000);
    HWND find_window(const std::string& caption, bool visible_only = true) const;  // null when none
    bool wait_visible(HWND window, bool visible, int timeout_ms = 15000);
    // A visible top-level window holding control `id` (a dialog without a caption).
    HWND find_window_with_control(int id) const;

    // Waits for a message box with this caption ("" for any) and returns its
    // text; with `dismiss` presses OK and waits for it to go.
    std::string wait_message_box(const std::string& caption, int timeout_ms = 15000, bool dismiss = true);
    std::pair<std::string, std::string> open_message_box() const;  // caption and text, or empty

    // Watches this test's own process, for tests that run the program's
    // functions in-process and answer their windows from a thread.
    void watch_self() { pid_ = GetCurrentProcessId(); }

    bool wait_exit(int timeout_ms, DWORD* exit_code);  // false while it still runs
    void kill();
    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_; }
    bool running() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// --- controls, across processes (with the wide-character messages) ----------
std::string window_text(HWND window);
std::string item_text(HWND dialog, int id);
std::vector<std::string> list_items(HWND dialog, int id);
std::vector<std::string> combo_items(HWND dialog, int id);
int list_selection(HWND dialog, int id);
int combo_selection(HWND dialog, int id);
bool is_checked(HWND dialog, int id);
bool is_enabled(HWND dialog, int id);

// Presses a button; posted, so a modal loop it opens does not block the test.
void click(HWND dialog, int id);
// Selects an item as a click would: the selection, then the notification.
void select_list_item(HWND dialog, int id, int index);
void double_click_list_item(HWND dialog, int id, int index);
void select_combo_item(HWND dialog, int id, int index);
void set_text(HWND dialog, int id, const std::string& text);
// The file-name box of an open or save-as dialog, whichever style it has.
void type_file_name(HWND file_dialog, const std::string& name);
void post_command(HWND dialog, int id, int code = 0);  // WM_COMMAND as a key would send it

// GDI objects `process` holds. Wine 8 answers GetGuiResources with 0, so
// there they are counted in the GDI handle table it shares with the process;
// -1 when neither can count.
long gdi_object_count(HANDLE process, DWORD pid);

}  // namespace harness
