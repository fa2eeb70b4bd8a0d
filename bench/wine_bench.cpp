// The front end's own cost under Wine, measured from outside the program as
// a user would see it, each figure side by side with what the front end waits
// for anyway:
//   wine_bench list [--runs N]   game-list load (1000, 4999, 5000 games) and
//                                start-up, against the bare MAME list run
//   wine_bench back [--runs N]   MAME's exit to the main window shown again
//   wine_bench download --server HOST:PORT   one download of each of the two
//                                recordings the server lists for pacman
//   wine_bench profile [--runs N]  the parse and the list fill of a game-list
//                                load taken apart, in this process
// It prints Markdown tables of medians; bench/run collects them.
//
// The program's own marks (VORNIX_TIMING_LOG, see core/timing_win.h) and this
// driver read the same performance counter, so both sides of a figure are on
// one clock.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/sample_data.h"
#include "core/file.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/win_handle.h"
#include "mame/command_line.h"
#include "mame/game_list.h"
#include "win/win_util.h"

namespace {

// --- clock and statistics ----------------------------------------------------

double now_ms() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double maximum(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "wine_bench: %s\n", what.c_str());
    std::exit(1);
}

// --- files -------------------------------------------------------------------

using win_util::exe_dir;
using win_util::join;
using win_util::read_file;

void write_file(const std::string& path, const std::string& bytes) {
    UniqueFile f = open_file(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || f.close() != 0)
        fail("cannot write " + path);
}

// A working folder for the program: the stand-in MAME as mame.exe, listed as
// the only version, and its game list of `games` games.
std::string prepare_dir(const std::string& name, int games) {
    const std::string root = join(exe_dir(), "bench_work");
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string dir = join(root, name);
    CreateDirectoryA(dir.c_str(), nullptr);
    if (!CopyFileA(join(exe_dir(), "fake_mame.exe").c_str(), join(dir, "mame.exe").c_str(), FALSE))
        fail("cannot copy fake_mame.exe into " + dir);
    write_file(join(dir, "versions.ini"), "Bench MAME\r\nmame.exe\r\n0.78\r\nWin32\r\n");
    write_file(join(dir, "games.txt"), bench::game_list_text(games));
    DeleteFileA(join(dir, "vornix.cfg").c_str());
    return dir;
}

// --- processes ---------------------------------------------------------------

using win_util::Env;
using win_util::environment_block;

struct Child {
    UniqueWinHandle process;
    DWORD pid = 0;
};

// Starts `command` in `dir` with `env` in front of this process's own
// environment, the way the front end starts MAME for its list (no console,
// output to `output`) when `for_list` is set, or as a user starts a program
// otherwise.
Child start(const std::string& command, const std::string& dir, const Env& env, bool for_list,
            HANDLE output = nullptr) {
    std::string block = environment_block(env);
    std::string line = command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (for_list) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
    }
    if (output) {
        si.dwFlags |= STARTF_USESTDHANDLES;
        si.hStdOutput = output;
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, for_list, for_list ? DETACHED_PROCESS : 0,
                        block.data(), dir.c_str(), &si, &pi))
        fail("cannot start " + command + ": error " + std::to_string(GetLastError()));
    UniqueWinHandle thread(pi.hThread);
    return {UniqueWinHandle(pi.hProcess), pi.dwProcessId};
}

// Closes the program's main window and waits for it to end; ends it by force
// if it will not.
void end(Child& child, HWND main) {
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(child.process.get(), 10000) != WAIT_OBJECT_0) {
        TerminateProcess(child.process.get(), 1);
        WaitForSingleObject(child.process.get(), 5000);
    }
    child.process.close();
}

// --- windows of another process ----------------------------------------------

struct Find {
    DWORD pid;
    const wchar_t* caption;
    HWND found;
};

// The program's windows differ by caption: the main dialog is "Vornix", each
// message box has its own.
BOOL CALLBACK find_proc(HWND window, LPARAM lparam) {
    auto* f = reinterpret_cast<Find*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != f->pid || !IsWindowVisible(window)) return TRUE;
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    if (wcscmp(text, f->caption) != 0) return TRUE;
    f->found = window;
    return FALSE;
}

HWND find_window(DWORD pid, const wchar_t* caption) {
    Find f{pid, caption, nullptr};
    EnumWindows(find_proc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

std::string control_text(HWND dialog, int id) {
    wchar_t text[256] = {};
    // Across processes the wide message: the narrow one comes back as UTF-16.
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
    char narrow[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// Polls `done` every millisecond until it holds; false after `limit_ms`.
template <typename Done> bool poll(Done done, double limit_ms) {
    const double stop = now_ms() + limit_ms;
    while (!done()) {
        if (now_ms() > stop) return false;
        Sleep(1);
    }
    return true;
}

DWORD child_process_of(DWORD parent, const char* exe_name) {
    DWORD found = 0;
    const HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (h == INVALID_HANDLE_VALUE) return 0;
    UniqueWinHandle snap(h);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry))
        if (entry.th32ParentProcessID == parent && _stricmp(entry.szExeFile, exe_name) == 0) found = entry.th32ProcessID;
    return found;
}

// --- the program's own marks --------------------------------------------------

using Marks = std::map<std::string, std::pair<long, double>>;

Marks read_marks(const std::string& path) {
    Marks marks;
    const std::string text = read_file(path);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t eol = text.find('\n', at);
        if (eol == std::string::npos) eol = text.size();
        char label[64];
        long value = 0;
        double time = 0;
        if (std::sscanf(text.substr(at, eol - at).c_str(), "%63s %ld %lf", label, &value, &time) == 3)
            marks[label] = {value, time};
        at = eol + 1;
    }
    return marks;
}

double mark(const Marks& marks, const char* label) {
    const auto it = marks.find(label);
    if (it == marks.end()) fail(std::string("the program left no mark ") + label);
    return it->second.second;
}

// --- 1 and 2: game-list load and start-up --------------------------------------

// The program finds the bare "mame.exe" of versions.ini in its working
// folder, where CreateProcess looks after the program's own folder; for this
// driver that is the child's folder, where CreateProcess never looks.
std::string game_list_command(const std::string& dir) {
    set_default_settings();
    char command[COMMAND_LINE_SIZE];
    if (!build_game_list_command(command, sizeof command, join(dir, "mame.exe").c_str()))
        fail("game list command too long");
    return command;
}

// The MAME list run that load_game_list makes, on its own: started the same
// way, its output into the same file.
double bare_run(const std::string& dir, const Env& env) {
    const double t0 = now_ms();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    UniqueWinHandle output(CreateFileA(join(dir, GAME_LIST_FILE).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (output.get() == INVALID_HANDLE_VALUE) fail("cannot create the game list file");
    Child c = start(game_list_command(dir), dir, env, true, output.get());
    output.close();
    WaitForSingleObject(c.process.get(), INFINITE);
    const double t1 = now_ms();
    c.process.close();
    DeleteFileA(join(dir, GAME_LIST_FILE).c_str());
    return t1 - t0;
}

struct StartupRun {
    double startup;      // CreateProcess to the main window visible
    double load;         // load_game_list, start to return
    double wait;         // of it: starting MAME and waiting for it
    double parse_fill;   // of it: reading the file and filling the list
    double limit_box;    // the limit message's time on screen, left out of the others
    double to_winmain;   // CreateProcess to the program's first line
    double to_init;      // from there to the main dialog's initialisation
    double to_load;      // from there to load_game_list
    double to_visible;   // load_game_list's return to the window visible
    std::string status;  // the status line, to check the run
};

StartupRun program_run(const std::string& dir, const Env& env) {
    const std::string log = join(dir, "timing.log");
    DeleteFileA(log.c_str());
    const double t0 = now_ms();
    Child c = start("\"" + join(exe_dir(), "vornix.exe") + "\"", dir, env, false);
    HWND main = nullptr;
    const bool shown = poll(
        [&] {
            if (HWND box = find_window(c.pid, L"Error")) PostMessageW(box, WM_COMMAND, IDOK, 0);
            return (main = find_window(c.pid, L"Vornix")) != nullptr;
        },
        60000);
    const double t1 = now_ms();
    if (!shown) fail("the main window did not show in " + dir);
    StartupRun run{};
    run.status = control_text(main, 1022);
    end(c, main);

    const Marks marks = read_marks(log);
    const double start = mark(marks, "game_list.start"), ended = mark(marks, "game_list.mame_ended"),
                 listed = mark(marks, "game_list.listed"), back = mark(marks, "game_list.return");
    run.limit_box = marks.at("game_list.listed").first < 0 ? back - listed : 0;
    run.load = back - start - run.limit_box;
    run.wait = ended - start;
    run.parse_fill = listed - ended;
    run.startup = t1 - t0 - run.limit_box;
    const double begin = mark(marks, "startup.begin"), init = mark(marks, "main_dialog.init");
    run.to_winmain = begin - t0;
    run.to_init = init - begin;
    run.to_load = start - init;
    run.to_visible = t1 - back;
    return run;
}

void bench_list(int runs) {
    const int sizes[] = {1000, 4999, 5000};
    struct Series {
        std::vector<double> bare, startup, load, wait, parse_fill, to_winmain, to_init, to_load, to_visible;
    };
    std::map<int, Series> series;
    std::map<int, std::string> dirs;
    std::map<int, Env> envs;
    for (int games : sizes) {
        dirs[games] = prepare_dir("list_" + std::to_string(games), games);
        envs[games] = {{"FAKE_MAME_LIST", join(dirs[games], "games.txt")},
                       {"VORNIX_TIMING_LOG", join(dirs[games], "timing.log")}};
    }
    // One warm-up of each, not counted: the first start of anything under
    // Wine loads its libraries from disk.
    for (int games : sizes) {
        bare_run(dirs[games], envs[games]);
        program_run(dirs[games], envs[games]);
    }
    // Interleaved, so a burst of load on the machine falls on both sides.
    for (int r = 0; r < runs; ++r) {
        for (int games : sizes) {
            Series& s = series[games];
            s.bare.push_back(bare_run(dirs[games], envs[games]));
            const StartupRun p = program_run(dirs[games], envs[games]);
            // A fast run that lists the wrong games is no result.
            const std::string expected =
                "Total number of MAME drivers: " + std::to_string(games < GAME_TABLE_SIZE ? games : GAME_LIST_FULL);
            if (p.status != expected) fail("status line \"" + p.status + "\", expected \"" + expected + "\"");
            s.startup.push_back(p.startup);
            s.load.push_back(p.load);
            s.wait.push_back(p.wait);
            s.parse_fill.push_back(p.parse_fill);
            s.to_winmain.push_back(p.to_winmain);
            s.to_init.push_back(p.to_init);
            s.to_load.push_back(p.to_load);
            s.to_visible.push_back(p.to_visible);
            std::fprintf(stderr, "  list %d run %d: bare %.1f ms, load %.1f ms (parse and fill %.1f), start-up %.1f ms\n",
                         games, r + 1, s.bare.back(), p.load, p.parse_fill, p.startup);
        }
    }

    std::printf("### 1. Game-list load (median of %d runs, ms)\n\n", runs);
    std::printf("| games | bare MAME list run | load_game_list | of it: MAME and the wait | "
                "of it: parse and fill | load / bare | parse and fill / bare |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int games : sizes) {
        const Series& s = series[games];
        const double bare = median(s.bare);
        std::printf("| %d | %.1f | %.1f | %.1f | %.1f | %.2f | %.3f |\n", games, bare, median(s.load), median(s.wait),
                    median(s.parse_fill), median(s.load) / bare, median(s.parse_fill) / bare);
    }
    std::printf("\nEvery run's status line gave the number of games (-10 for 5000, with the limit message, whose "
                "time on screen is left out of every figure).\n\n### 2. Start-up (median of %d runs, ms)\n\n", runs);
    std::printf("| games | bare MAME list run | start-up to the main window visible | start-up / bare |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (int games : sizes) {
        const Series& s = series[games];
        std::printf("| %d | %.1f | %.1f | %.2f |\n", games, median(s.bare), median(s.startup),
                    median(s.startup) / median(s.bare));
    }
    std::printf("\nWhere start-up goes (median ms): from CreateProcess to the program's first line, to the main "
                "dialog's initialisation, to load_game_list, load_game_list itself, and from its return to the "
                "window visible.\n\n");
    std::printf("| games | process start | to the dialog | to the load | load_game_list | to visible |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    for (int games : sizes) {
        const Series& s = series[games];
        std::printf("| %d | %.1f | %.1f | %.1f | %.1f | %.1f |\n", games, median(s.to_winmain), median(s.to_init),
                    median(s.to_load), median(s.load), median(s.to_visible));
    }
    std::printf("\n");
}

// --- 5: MAME's exit to the window back ---------------------------------------

void bench_back(int runs) {
    const std::string dir = prepare_dir("back", 20);
    std::vector<double> back, to_over, to_shown;
    for (int r = 0; r < runs; ++r) {
        // MAME's run length moves over 250 ms from run to run, so its exit
        // falls at every point of any periodic work in the program.
        const int delay = 300 + r * 250 / runs;
        const Env env = {{"FAKE_MAME_LIST", join(dir, "games.txt")},
                         {"FAKE_MAME_DELAY_MS", std::to_string(delay)},
                         {"VORNIX_TIMING_LOG", join(dir, "timing.log")}};
        Child c = start("\"" + join(exe_dir(), "vornix.exe") + "\"", dir, env, false);
        HWND main = nullptr;
        if (!poll([&] { return (main = find_window(c.pid, L"Vornix")) != nullptr; }, 60000))
            fail("the main window did not show");
        SendMessageW(GetDlgItem(main, 1000), LB_SETCURSEL, 0, 0);
        const std::string log = join(dir, "timing.log");
        DeleteFileA(log.c_str());
        PostMessageW(GetDlgItem(main, 1003), BM_CLICK, 0, 0);
        HWND box = nullptr;
        if (!poll([&] { return (box = find_window(c.pid, L"Commandline view")) != nullptr; }, 10000))
            fail("no command-line preview");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        DWORD mame = 0;
        if (!poll([&] { return (mame = child_process_of(c.pid, "mame.exe")) != 0; }, 10000)) fail("MAME did not start");
        UniqueWinHandle watched(OpenProcess(SYNCHRONIZE, FALSE, mame));
        if (!watched) fail("cannot watch MAME");
        WaitForSingleObject(watched.get(), INFINITE);
        const double exited = now_ms();
        if (IsWindowVisible(main)) fail("the main window was visible while MAME ran");
        if (!poll([&] { return IsWindowVisible(main) != FALSE; }, 10000)) fail("the main window did not come back");
        back.push_back(now_ms() - exited);
        end(c, main);
        const Marks marks = read_marks(log);
        const double over = mark(marks, "child.wait_over"), shown = mark(marks, "main_dialog.back");
        to_over.push_back(over - exited);
        to_shown.push_back(shown - over);
        std::fprintf(stderr, "  back run %d (MAME runs %d ms): %.1f ms (wait over %.1f, shown %.1f)\n", r + 1, delay,
                     back.back(), to_over.back(), to_shown.back());
    }
    std::printf("### 5. MAME's exit to the main window back (%d runs, ms)\n\n", runs);
    std::printf("| median | max | target (median) |\n|---:|---:|---:|\n");
    std::printf("| %.1f | %.1f | 50 |\n\n", median(back), maximum(back));
    std::printf("Where it goes (ms): MAME's end to the end of the program's wait on it, and the wait's end to the "
                "window shown (handles closed, buttons enabled, ShowWindow).\n\n");
    std::printf("| | to the wait's end | to the window shown |\n|---|---:|---:|\n");
    std::printf("| median | %.1f | %.1f |\n", median(to_over), median(to_shown));
    std::printf("| max | %.1f | %.1f |\n\n", maximum(to_over), maximum(to_shown));
}


// --- where the time of parse and fill goes --------------------------------------

// The parse and the list fill of load_game_list taken apart, in this process:
// a hidden window holds a list box of the main dialog's style and font, as the
// main dialog is hidden while its list fills.
void add_line(const GameEntry& game, void* list) {
    SendMessageA(static_cast<HWND>(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(game.description));
}

void bench_profile(int runs) {
    const std::string dir = prepare_dir("profile", GAME_TABLE_SIZE - 1);
    const std::string list_file = join(dir, GAME_LIST_FILE);
    write_file(list_file, "name      description\r\n" + bench::game_list_text(GAME_TABLE_SIZE - 1));
    HWND owner = CreateWindowExA(0, "#32770", "Profile", WS_POPUP | WS_CAPTION, 0, 0, 640, 480, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND list = CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | WS_VSCROLL | WS_BORDER |
                                LBS_NOINTEGRALHEIGHT | WS_TABSTOP, 8, 8, 278, 284, owner, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    UniqueFont font(CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif"));
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);

    static GameEntry table[GAME_TABLE_SIZE];
    auto parse = [&](GameStored on_stored, void* context) {
        UniqueFile f = open_file(list_file.c_str(), "r");
        if (!f) fail("cannot open " + list_file);
        return read_game_list(f.get(), table, on_stored, context);
    };
    struct Step {
        const char* what;
        std::vector<double> ms;
    };
    std::vector<Step> steps = {{"parse alone (read_game_list, no list box)", {}},
                               {"fill alone (LB_ADDSTRING of every description)", {}},
                               {"parse and fill, as load_game_list does", {}},
                               {"parse and fill, storage reserved (LB_INITSTORAGE)", {}},
                               {"parse and fill, redraw off (WM_SETREDRAW)", {}},
                               {"parse and fill, redraw off and storage reserved", {}}};
    for (int r = 0; r <= runs; ++r) {
        double t0 = now_ms();
        parse(nullptr, nullptr);
        const double parse_ms = now_ms() - t0;

        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        t0 = now_ms();
        for (int i = 0; i < GAME_TABLE_SIZE - 1; ++i)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(table[i].description));
        const double fill_ms = now_ms() - t0;

        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        t0 = now_ms();
        parse(add_line, list);
        const double both_ms = now_ms() - t0;

        // Each of the two measures alone, then both.
        double tuned_ms[3];
        for (int variant = 0; variant < 3; ++variant) {
            const bool reserve = variant != 1, redraw_off = variant != 0;
            SendMessageA(list, LB_RESETCONTENT, 0, 0);
            t0 = now_ms();
            if (redraw_off) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
            if (reserve) SendMessageA(list, LB_INITSTORAGE, GAME_TABLE_SIZE, GAME_TABLE_SIZE * 64);
            parse(add_line, list);
            if (redraw_off) SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            tuned_ms[variant] = now_ms() - t0;
        }
        if (r == 0) continue;  // warm-up
        steps[0].ms.push_back(parse_ms);
        steps[1].ms.push_back(fill_ms);
        steps[2].ms.push_back(both_ms);
        for (int variant = 0; variant < 3; ++variant) steps[3 + variant].ms.push_back(tuned_ms[variant]);
    }
    DestroyWindow(owner);
    std::printf("### Where parse and fill go, %d games in one process (median of %d runs, ms)\n\n",
                GAME_TABLE_SIZE - 1, runs);
    std::printf("| step | ms |\n|---|---:|\n");
    for (const Step& step : steps) std::printf("| %s | %.1f |\n", step.what, median(step.ms));
    std::printf("\n");
}

// --- 4: the recording download ---------------------------------------------------

using win_util::find_window_with_control;

void type_file_name(HWND file_dialog, const std::string& path) {
    HWND edit = win_util::file_name_box(file_dialog);
    if (!edit) fail("the save-as dialog has no file-name box");
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide));
}

long long file_size(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Watches the recordings of the score server's pacman table, one by one, as a
// user does: open the score, "Download and playback", save, Done, and the
// playback's command line. The download's time is the worker's, from its
// start to the whole zip in place. Prints one line per download:
//   RAW download <recording> <bytes> <ms>
// bench/run sets these beside curl's fetches of the same URLs.
void bench_download(const std::string& server, int rows) {
    const std::string dir = prepare_dir("download", 0);
    write_file(join(dir, "games.txt"), "pacman    \"Pac-Man (Midway)\"\r\n");
    const std::string saved = join(dir, "saved");
    CreateDirectoryA(saved.c_str(), nullptr);
    const std::string log = join(dir, "timing.log");
    const Env env = {{"FAKE_MAME_LIST", join(dir, "games.txt")},
                     {"VORNIX_SCORE_SERVER", server},
                     {"VORNIX_TIMING_LOG", log}};
    Child c = start("\"" + join(exe_dir(), "vornix.exe") + "\"", dir, env, false);
    HWND main = nullptr;
    if (!poll([&] { return (main = find_window(c.pid, L"Vornix")) != nullptr; }, 60000))
        fail("the main window did not show");
    SendMessageW(GetDlgItem(main, 1000), LB_SETCURSEL, 0, 0);
    PostMessageW(GetDlgItem(main, 1024), BM_CLICK, 0, 0);
    HWND scores = GetDlgItem(main, 1023);
    if (!poll([&] { return SendMessageW(scores, LB_GETCOUNT, 0, 0) >= rows; }, 20000)) fail("no high scores listed");

    for (int row = 0; row < rows; ++row) {
        SendMessageW(scores, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(1023, LBN_DBLCLK), reinterpret_cast<LPARAM>(scores));
        HWND props = nullptr;
        if (!poll([&] { return (props = find_window(c.pid, L"Score Properties")) != nullptr; }, 10000))
            fail("the score did not open");
        DeleteFileA(log.c_str());
        PostMessageW(GetDlgItem(props, 1039), BM_CLICK, 0, 0);
        HWND save = nullptr;
        if (!poll([&] { return (save = find_window(c.pid, L"Save downloaded recording as...")) != nullptr; }, 10000))
            fail("no save-as dialog");
        // Saved anew each round: a file left by the last round would make the
        // save-as box ask before replacing it.
        const std::string path = join(saved, "row" + std::to_string(row) + ".zip");
        DeleteFileA(path.c_str());
        type_file_name(save, path);
        PostMessageW(save, WM_COMMAND, IDOK, 0);
        HWND progress = nullptr;
        if (!poll([&] { return (progress = find_window_with_control(c.pid, 1041)) != nullptr; }, 10000))
            fail("the download dialog did not open");
        if (!poll([&] { return control_text(progress, 1040) == "Download complete."; }, 120000))
            fail("the download did not complete: " + control_text(progress, 1040));
        PostMessageW(GetDlgItem(progress, 1041), BM_CLICK, 0, 0);
        HWND box = nullptr;
        if (!poll([&] { return (box = find_window(c.pid, L"Commandline view")) != nullptr; }, 20000))
            fail("no playback after the download");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        if (!poll([&] { return IsWindowVisible(props) != FALSE; }, 20000)) fail("the score did not come back");
        PostMessageW(GetDlgItem(props, IDOK), BM_CLICK, 0, 0);
        if (!poll([&] { return !IsWindow(props) || !IsWindowVisible(props); }, 10000)) fail("the score did not close");

        const Marks marks = read_marks(log);
        const double ms = mark(marks, "download.complete") - mark(marks, "download.start");
        std::printf("RAW download row%d %lld %.3f\n", row, file_size(path), ms);
        std::fflush(stdout);
    }
    end(c, main);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) fail("usage: wine_bench list|back [--runs N]");
    const std::string what = argv[1];
    int runs = what == "back" ? 20 : 7;
    std::string server;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--server") == 0) server = argv[i + 1];
    }
    if (what == "list") bench_list(runs);
    else if (what == "back") bench_back(runs);
    else if (what == "profile") bench_profile(runs);
    else if (what == "download" && !server.empty()) bench_download(server, 2);
    else fail("unknown measurement " + what);
    std::fflush(stdout);
    return 0;
}
