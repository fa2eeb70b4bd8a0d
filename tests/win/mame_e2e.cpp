// The MAME invocation layer in this process, against the stand-in MAME: the
// game list through the command interpreter, and play, record and playback
// runs with their previews, exit codes and failures. A watcher thread reads
// and answers the message boxes the code under test shows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "core/settings.h"
#include "core/versions.h"
#include "mame/game_list.h"
#include "mame/game_list_win.h"
#include "mame/runner_win.h"
#include "win/fake_mame_log.h"
#include "win/harness.h"

using namespace harness;

namespace {

struct Box {
    std::string caption, text;
    ULONGLONG shown_at;
};

// Presses OK on every message box of this process and keeps what it showed.
class MessageBoxWatcher {
public:
    MessageBoxWatcher() : thread_([this] { run(); }) {}
    ~MessageBoxWatcher() {
        stop_ = true;
        thread_.join();
    }
    std::vector<Box> boxes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }
    std::vector<std::string> texts() {
        std::vector<std::string> out;
        for (const auto& b : boxes()) out.push_back(b.caption + ": " + b.text);
        return out;
    }

private:
    static BOOL CALLBACK each(HWND window, LPARAM self) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) &&
            GetDlgItem(window, 0xFFFF))
            reinterpret_cast<MessageBoxWatcher*>(self)->answer(window);
        return TRUE;
    }
    void answer(HWND box) {
        if (answered_.count(box)) return;
        answered_.insert(box);
        const Box seen{window_text(box), item_text(box, 0xFFFF), GetTickCount64()};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            boxes_.push_back(seen);
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    void run() {
        while (!stop_) {
            EnumWindows(each, reinterpret_cast<LPARAM>(this));
            for (auto it = answered_.begin(); it != answered_.end();) it = IsWindow(*it) ? std::next(it) : answered_.erase(it);
            Sleep(5);
        }
    }
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::set<HWND> answered_;
    std::thread thread_;
};

class Mame : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fresh_dir(std::string("mame_") + info->name());
        SetCurrentDirectoryA(dir_.c_str());
        SetEnvironmentVariableA("FAKE_MAME_LOG", log().c_str());
        SetEnvironmentVariableA("FAKE_MAME_LIST", join(dir_, "list.txt").c_str());
        SetEnvironmentVariableA("FAKE_MAME_EXIT", nullptr);
        SetEnvironmentVariableA("FAKE_MAME_DELAY_MS", nullptr);
        std::memset(mame_versions, 0, sizeof mame_versions);
        std::strcpy(mame_versions[0].executable, fake().c_str());
        mame_version_count = 1;
        std::memset(game_table, 0, sizeof game_table);
        set_default_settings();
        list_ = CreateWindowA("LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(list_);
        SetCurrentDirectoryA(exe_dir().c_str());
    }
    std::string log() const { return join(dir_, "mame.log"); }
    static std::string fake() { return build_file("fake_mame.exe"); }
    std::vector<std::string> listed() const {
        std::vector<std::string> out;
        const LRESULT n = SendMessageA(list_, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[256] = {};
            SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    }

    std::string dir_;
    HWND list_ = nullptr;
};

const char* const kThreeGames =
    "pacman    \"Pac-Man (Midway)\"\r\n"
    "galaga    \"  Galaga\"\r\n"
    "empty     \"\"\r\n"
    "dkong     \"Donkey Kong\"\r\n";

TEST_F(Mame, GameListLoadsThroughTheCommandInterpreter) {
    char comspec[MAX_PATH] = {};
    GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH);
    ASSERT_NE(comspec[0], '\0') << "Wine sets COMSPEC";
    struct Case { const char* name; const char* comspec; std::uint32_t by_driver; const char* sort; } cases[] = {
        {"COMSPEC names the interpreter", comspec, 0, "-sortname"},
        {"without COMSPEC cmd.exe is run", nullptr, 0, "-sortname"},
        {"sorted by driver", comspec, 1, "-sortdriver"},
    };
    write_file(join(dir_, "list.txt"), kThreeGames);
    for (const auto& c : cases) {
        DeleteFileA(log().c_str());
        SendMessageA(list_, LB_RESETCONTENT, 0, 0);
        SetEnvironmentVariableA("COMSPEC", c.comspec);
        settings.sort_by_driver = c.by_driver;
        MessageBoxWatcher boxes;
        const int result = load_game_list(list_, 0);
        SetEnvironmentVariableA("COMSPEC", comspec);

        EXPECT_EQ(result, 3) << c.name;
        EXPECT_EQ(listed(), (std::vector<std::string>{"Pac-Man (Midway)", "  Galaga", "Donkey Kong"})) << c.name;
        EXPECT_STREQ(game_table[2].short_name, "dkong") << c.name;
        EXPECT_EQ(find_game("galaga"), 1) << c.name;
        EXPECT_FALSE(file_exists(join(dir_, "gamelist.tmp"))) << c.name;
        EXPECT_TRUE(boxes.texts().empty()) << c.name << ": " << ::testing::PrintToString(boxes.texts());
        const auto runs = read_fake_mame_log(log());
        ASSERT_EQ(runs.size(), 1u) << c.name;
        EXPECT_EQ(runs[0].words, (std::vector<std::string>{"-listfull", c.sort})) << c.name;
        EXPECT_EQ(runs[0].argv0, fake()) << c.name;
    }
}

TEST_F(Mame, GameListFailuresAreReportedWithTheirCodes) {
    std::string thousands;
    for (int i = 0; i < 5100; ++i) thousands += "g" + std::to_string(i) + " \"Game " + std::to_string(i) + "\"\r\n";
    struct Case {
        const char* name;
        std::string list;
        const char* comspec;       // null: leave as it is
        bool block_list_file;      // a folder where the list file should go
        int result;
        std::vector<std::string> boxes;
        std::size_t lines;
    } cases[] = {
        {"the interpreter cannot start", kThreeGames, "C:\\nowhere\\cmd.exe", false, -1,
         {"Fatal error: Cannot call MAME"}, 0},
        {"the list file cannot be opened", kThreeGames, nullptr, true, -2, {"Fatal Error: Cannot open MAME game list"}, 0},
        {"5000 games fill the table", thousands, nullptr, false, -10, {"Error: Game list limit exceeded :/"}, 5000},
        {"MAME writes nothing", "", nullptr, false, 0, {}, 0},
    };
    char comspec[MAX_PATH] = {};
    GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH);
    for (const auto& c : cases) {
        SendMessageA(list_, LB_RESETCONTENT, 0, 0);
        write_file(join(dir_, "list.txt"), c.list);
        const std::string blocker = join(dir_, "gamelist.tmp");
        if (c.block_list_file) CreateDirectoryA(blocker.c_str(), nullptr);
        if (c.comspec) SetEnvironmentVariableA("COMSPEC", c.comspec);
        MessageBoxWatcher boxes;
        const int result = load_game_list(list_, 0);
        SetEnvironmentVariableA("COMSPEC", comspec);
        RemoveDirectoryA(blocker.c_str());

        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(boxes.texts(), c.boxes) << c.name;
        EXPECT_EQ(listed().size(), c.lines) << c.name;
        EXPECT_FALSE(file_exists(blocker)) << c.name << ": the list file is removed";
    }
}

// Runs `run` with the watcher and returns the boxes it showed.
template <typename Run> std::vector<Box> with_boxes(Run run, int* result, ULONGLONG* returned_at) {
    MessageBoxWatcher boxes;
    *result = run();
    *returned_at = GetTickCount64();
    return boxes.boxes();
}

TEST_F(Mame, RunsPassTheExactCommandLineAndShowIt) {
    std::strcpy(game_table[7].short_name, "pacman");
    const std::string exe = fake();
    const std::string switches = " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy";
    const std::string inp = " -nvram_directory NULL -cfg_directory NULL";
    write_file(join(dir_, "1234.inp"), std::string("pacman\0\0rest", 12));
    struct Case {
        const char* name;
        int (*run)();
        std::string line;
        const char* fact;
        std::string value;
    } cases[] = {
        {"play", [] { return run_game(7, 0); }, exe + " pacman" + switches, "exit", "0"},
        {"record", [] { return run_inp(7, 0, 1, "C:\\elsewhere", "other"); }, exe + " pacman" + switches + inp + " -record pacman",
         "recorded", "inp\\pacman.inp"},
        {"playback of the recording", [] { return run_inp(7, 0, 0, nullptr, nullptr); },
         exe + " pacman" + switches + inp + " -playback pacman", "playback_header", "pacman\\0\\0"},
        {"playback of an extracted file", [] { return run_inp(7, 0, 0, ".", "1234"); },
         exe + " pacman" + switches + inp + " -input_directory . -playback 1234", "playback_header", "pacman\\0\\0"},
    };
    for (const auto& c : cases) {
        DeleteFileA(log().c_str());
        int result = 99;
        ULONGLONG returned_at = 0;
        const auto boxes = with_boxes(c.run, &result, &returned_at);
        EXPECT_EQ(result, 0) << c.name;
        ASSERT_EQ(boxes.size(), 1u) << c.name;
        EXPECT_EQ(boxes[0].caption, "Commandline view") << c.name;
        EXPECT_EQ(boxes[0].text, c.line + " [Length: " + std::to_string(c.line.size()) + "]") << c.name;
        const auto runs = read_fake_mame_log(log());
        ASSERT_EQ(runs.size(), 1u) << c.name;
        EXPECT_EQ(runs[0].command_line, c.line) << c.name;
        EXPECT_EQ(runs[0].cwd, dir_) << c.name << ": MAME runs in the front end's working directory";
        EXPECT_EQ(runs[0].fact(c.fact), c.value) << c.name;
    }
}

TEST_F(Mame, ExitCodesAndFailuresAreJudged) {
    std::strcpy(game_table[0].short_name, "pacman");
    struct Case {
        const char* name;
        const char* executable;  // null: the stand-in
        const char* exit_code;
        int result;
        std::vector<std::string> after_preview;
        bool waits;
    } cases[] = {
        {"exit 0", nullptr, "0", 0, {}, true},
        {"exit 3", nullptr, "3", 0, {"Problem calling MAME: MAME returned an error [code 3]"}, true},
        {"exit 4294967295 reads as -1", nullptr, "4294967295", 0, {"Problem calling MAME: MAME returned an error [code -1]"},
         true},
        {"a missing program", "Z:\\nowhere\\mame.exe", "0", -1, {"Fatal error: Cannot call MAME - [2]"}, false},
    };
    for (const auto& c : cases) {
        std::strcpy(mame_versions[0].executable, c.executable ? c.executable : fake().c_str());
        SetEnvironmentVariableA("FAKE_MAME_EXIT", c.exit_code);
        int result = 99;
        ULONGLONG returned_at = 0;
        const auto boxes = with_boxes([] { return run_game(0, 0); }, &result, &returned_at);
        EXPECT_EQ(result, c.result) << c.name;
        ASSERT_FALSE(boxes.empty()) << c.name;
        EXPECT_EQ(boxes[0].caption, "Commandline view") << c.name;
        std::vector<std::string> after;
        for (std::size_t i = 1; i < boxes.size(); ++i) after.push_back(boxes[i].caption + ": " + boxes[i].text);
        EXPECT_EQ(after, c.after_preview) << c.name;
        // The poll sleeps 250 ms before its first judgement; a failed start
        // reports at once.
        const ULONGLONG judged_at = boxes.size() > 1 ? boxes[1].shown_at : returned_at;
        if (c.waits)
            EXPECT_GE(judged_at - boxes[0].shown_at, 250u) << c.name;
        else
            EXPECT_LT(judged_at - boxes[0].shown_at, 250u) << c.name;
    }
}

TEST_F(Mame, TheWaitLastsAsLongAsMame) {
    std::strcpy(game_table[0].short_name, "pacman");
    SetEnvironmentVariableA("FAKE_MAME_DELAY_MS", "1000");
    int result = 99;
    ULONGLONG returned_at = 0;
    const auto boxes = with_boxes([] { return run_game(0, 0); }, &result, &returned_at);
    ASSERT_EQ(boxes.size(), 1u);
    const ULONGLONG took = returned_at - boxes[0].shown_at;
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, 2500u) << "the end is noticed within two polls";
}

TEST_F(Mame, ALineTooLongIsRefusedAndNothingStarts) {
    std::strcpy(game_table[0].short_name, "pacman");
    std::memset(mame_versions[0].executable, 'e', 511);
    const std::string long_dir(400, 'd');
    int result = 99;
    ULONGLONG returned_at = 0;
    const auto boxes = with_boxes([&] { return run_inp(0, 0, 0, long_dir.c_str(), "pacman"); }, &result, &returned_at);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text, "Fatal error: MAME command line too long - MAME not started");
}

}  // namespace
