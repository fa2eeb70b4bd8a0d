#pragma once
// Drives the real program under Wine as a user would: starts vornix.exe in a
// fresh working folder, finds its windows by caption and control ID, reads
// and acts on their controls across processes, answers message boxes, and
// reads the exit code and the files left behind. Every wait has a limit; a
// wait that runs out is reported as a test failure naming what was expected
// and what was seen.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace harness {

// --- files and folders -----------------------------------------------------
std::string exe_dir();  // the build folder: vornix.exe and the doubles live here
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
    ~Program();  // ends a program still running, so a failed test leaves nothing behind

    // Starts `exe` (vornix.exe by default) with `work_dir` as its working
    // directory and `env` added to this process's environment.
    bool start(const std::string& work_dir, const Env& env = {}, const std::string& exe = "vornix.exe");

    // The top-level window of this program with exactly this caption, once
    // it is visible.
    HWND wait_window(const std::string& caption, int timeout_ms = 15000);
    // The same, visible or not, without waiting; null when there is none.
    HWND find_window(const std::string& caption, bool visible_only = true) const;
    // Waits until `window` is shown or hidden.
    bool wait_visible(HWND window, bool visible, int timeout_ms = 15000);

    // A visible top-level window of this program that holds control `id`
    // (for dialogs without a caption); null when there is none.
    HWND find_window_with_control(int id) const;

    // Waits for a message box with this caption, returns its text and, when
    // `dismiss` is set, presses its OK button and waits for it to go.
    std::string wait_message_box(const std::string& caption, int timeout_ms = 15000, bool dismiss = true);
    // Any message box open now: caption and text, or empty strings.
    std::pair<std::string, std::string> open_message_box() const;

    // Watches this test's own process instead, for tests that call the
    // program's functions in-process and answer their windows from a thread.
    void watch_self() { pid_ = GetCurrentProcessId(); }

    // Waits for the program to end; returns false when it is still running.
    bool wait_exit(int timeout_ms, DWORD* exit_code);
    void kill();
    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_; }
    bool running() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// --- controls (all across processes, with the wide-character messages) -----
std::string window_text(HWND window);
std::string item_text(HWND dialog, int id);
std::vector<std::string> list_items(HWND dialog, int id);
std::vector<std::string> combo_items(HWND dialog, int id);
int list_selection(HWND dialog, int id);
int combo_selection(HWND dialog, int id);
bool is_checked(HWND dialog, int id);
bool is_enabled(HWND dialog, int id);

// Presses a button (BM_CLICK, posted so a modal loop it opens does not block
// the test).
void click(HWND dialog, int id);
// Selects an item as a click would: the selection, then the notification.
void select_list_item(HWND dialog, int id, int index);
void double_click_list_item(HWND dialog, int id, int index);
void select_combo_item(HWND dialog, int id, int index);
void set_text(HWND dialog, int id, const std::string& text);
// Types `name` into the file-name box of an open or save-as dialog, whichever
// style Windows (or Wine) gave it.
void type_file_name(HWND file_dialog, const std::string& name);
// Sends WM_COMMAND for `id` as if a key or accelerator produced it.
void post_command(HWND dialog, int id, int code = 0);

// --- what a process holds ---------------------------------------------------
// The GDI objects `process` holds. Wine 8 answers GetGuiResources with 0, so
// there they are counted in the GDI handle table it shares with the process;
// -1 when neither can count.
long gdi_object_count(HANDLE process, DWORD pid);

// Kernel handles, GDI objects and USER objects of a running process. Wine 8
// answers GetProcessHandleCount and GetGuiResources with 0, so where they give
// nothing the counts come from what Wine does keep: the system handle list
// (NtQuerySystemInformation) for kernel handles, the process's shared GDI
// handle table (named in its PEB) for GDI objects, and its windows for USER
// objects. `source` says which was used for each, or -1 marks a count that
// could not be taken.
struct ResourceCounts {
    long handles = -1, gdi = -1, user = -1;
    std::map<int, long> gdi_by_type;      // from the shared table only
    std::map<int, long> handles_by_type;  // from the system handle list only
    std::string source;
};
ResourceCounts resource_counts(HANDLE process, DWORD pid);
std::string describe(const ResourceCounts& counts);
// The kinds of GDI object whose number went up ("+200 bitmaps"), or empty.
std::string gdi_growth(const ResourceCounts& before, const ResourceCounts& after);
// The same for kernel handles, by the system's object type number.
std::string handle_growth(const ResourceCounts& before, const ResourceCounts& after);
// The system's object type number of `handle`, one of this process's own
// handles, as the system handle list gives it; -1 when there is no list.
int handle_type(HANDLE handle);

}  // namespace harness
