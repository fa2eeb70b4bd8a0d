// Repeated use within one run of the real program: a dialog opened and closed
// hundreds of times must leave the process holding no more kernel handles, GDI
// objects or windows than before, and the program must still answer. Each
// case runs once to warm up (first uses load fonts, bitmaps and Wine's own
// threads), is counted, runs its repetitions and is counted again. The counts
// are printed, since they are the figures of the reliability notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "doubles/zeph_server.h"
#include "ui/resources/resource.h"
#include "win/harness.h"

using namespace harness;

namespace {

const char* const kGames = "pacman    \"Pac-Man (Midway)\"\r\n";
const char* const kPacmanTable =
    "ZEPH high scores for Pac-Man<P>\n"
    "('3333360','1','N','0.106','1098345600','pacman-3333360','x','Chris Ayra',\"Pac-Man (Midway)\",'1','100.0',"
    "'Perfect game, all 256 levels')<P>\n";

// What the platform itself keeps while a case runs, and why: kernel handles
// of one type each round, and GDI objects created once, at a moment of the
// platform's choosing (so within one half of the rounds, never in both).
struct Excused {
    int type = -1;
    long per_round = 0;
    std::string why;
    long gdi_once = 0;
    std::string gdi_why;
};

// Wine's save-as dialog keeps a registry key open each time it is confirmed,
// in whatever program shows it. Measured here in the test's own process, with
// none of the program's code, so that the program is held to what is its
// own: returns the registry key handles this process gained over `rounds`
// confirmed dialogs, and sets `key_type` to their object type.
long platform_save_as_key_leak(int rounds, const std::string& dir, int* key_type) {
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key);
    *key_type = handle_type(key);
    RegCloseKey(key);
    const auto keys = [&] {
        const ResourceCounts c = resource_counts(GetCurrentProcess(), GetCurrentProcessId());
        const auto it = c.handles_by_type.find(*key_type);
        return it == c.handles_by_type.end() ? 0L : it->second;
    };
    long before = 0;
    // Round 0 warms up: the dialog's first showing opens keys it keeps for good.
    for (int i = 0; i <= rounds; ++i) {
        if (i == 1) before = keys();
        char path[MAX_PATH] = "control.zip";
        std::thread user([&] {
            Program self;
            self.watch_self();
            HWND save = self.wait_window("Control save-as", 5000);
            if (!save) return;
            type_file_name(save, join(dir, "control.zip"));
            PostMessageW(save, WM_COMMAND, IDOK, 0);
        });
        OPENFILENAMEA request{};
        request.lStructSize = sizeof request;
        request.lpstrFile = path;
        request.nMaxFile = sizeof path;
        request.lpstrTitle = "Control save-as";
        request.Flags = OFN_NOCHANGEDIR;
        GetSaveFileNameA(&request);
        user.join();
    }
    return keys() - before;
}

class Repetition : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fresh_dir(std::string("repeat_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::string root = join(dir_, "zeph");
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(join(root, "scores").c_str(), nullptr);
        CreateDirectoryA(join(root, "inp").c_str(), nullptr);
        write_file(join(root, "scores\\pacman.txt"), kPacmanTable);
        write_file(join(root, "inp\\pacman-3333360.zip"), std::string(200 * 1024, 'Z'));
        write_file(join(dir_, "versions.ini"), "Fake MAME\n" + build_file("fake_mame.exe") + "\n0.106\nWin32\n");
        write_file(join(dir_, "games.txt"), kGames);
        ASSERT_TRUE(server_.start(root));
        ASSERT_TRUE(app_.start(dir_, {{"VORNIX_SCORE_SERVER", server_.host()},
                                      {"VORNIX_NET_TIMEOUT_MS", "2000"},
                                      {"FAKE_MAME_LIST", join(dir_, "games.txt")}}));
        main_ = app_.wait_window("Vornix");
        ASSERT_TRUE(main_);
        ASSERT_TRUE(wait_until([&] { return list_items(main_, IDC_GAME_LIST).size() == 1; }, 10000));
    }

    void TearDown() override {
        if (!main_ || !app_.running()) return;
        click(main_, IDOK);
        DWORD code = 999;
        EXPECT_TRUE(app_.wait_exit(10000, &code)) << "the program did not end after the repetitions";
        EXPECT_EQ(code, 0u);
    }

    // Runs `cycle` to warm up for two seconds and until the counts have held
    // for three rounds (first uses load fonts and bitmaps), then `times`
    // times between two counts. Each cycle returns false (after reporting
    // why) when the program stopped answering. What `excused` names (see
    // above) is the platform's and is let through; nothing else may grow.
    void expect_no_growth(const char* name, int times, const std::function<bool(int)>& cycle,
                          const Excused& excused = Excused()) {
        const auto of_type = [&](const ResourceCounts& c) {
            const auto it = c.handles_by_type.find(excused.type);
            return it == c.handles_by_type.end() ? 0L : it->second;
        };
        const auto held = [&](const ResourceCounts& a, const ResourceCounts& b) {
            return a.handles - of_type(a) == b.handles - of_type(b) && a.gdi == b.gdi && a.user == b.user;
        };
        std::vector<ResourceCounts> warm;
        const ULONGLONG warm_until = GetTickCount64() + 2000;
        for (int round = 0; round > -60; --round) {
            ASSERT_TRUE(cycle(round)) << name << ": warm-up round " << -round;
            warm.push_back(resource_counts(app_.process(), app_.pid()));
            const std::size_t n = warm.size();
            if (GetTickCount64() >= warm_until && n >= 3 && held(warm[n - 3], warm[n - 2]) &&
                held(warm[n - 2], warm[n - 1]))
                break;
        }
        const ResourceCounts before = resource_counts(app_.process(), app_.pid());
        ResourceCounts middle;
        for (int i = 1; i <= times; ++i) {
            ASSERT_TRUE(cycle(i)) << name << ": round " << i;
            if (i == times / 2) middle = resource_counts(app_.process(), app_.pid());
        }
        const ResourceCounts after = resource_counts(app_.process(), app_.pid());
        long excused_handles = 0;
        if (excused.type >= 0)
            excused_handles = std::max(0L, std::min(of_type(after) - of_type(before), excused.per_round * times));
        // GDI objects that appeared in one half of the rounds only, no more of
        // them than the platform creates once: not a leak, which grows in both.
        const long gdi_grown = after.gdi - before.gdi;
        const bool gdi_once = gdi_grown > 0 && gdi_grown <= excused.gdi_once &&
                              (middle.gdi - before.gdi <= 0 || after.gdi - middle.gdi <= 0);
        std::printf("[ counts   ] %s x%d: before %s; after %d rounds %ld handles, %ld GDI objects; after %s", name, times,
                    describe(before).c_str(), times / 2, middle.handles, middle.gdi, describe(after).c_str());
        if (excused_handles) std::printf("; %ld of the new handles %s", excused_handles, excused.why.c_str());
        if (gdi_once) std::printf("; the %ld new GDI objects %s", gdi_grown, excused.gdi_why.c_str());
        std::printf("\n");
        ASSERT_GE(before.handles, 0) << name << ": no way to count kernel handles";
        ASSERT_GE(before.gdi, 0) << name << ": no way to count GDI objects";
        EXPECT_LE(after.handles - excused_handles, before.handles)
            << name << ": kernel handles grew (" << handle_growth(before, after) << ")";
        EXPECT_TRUE(after.gdi <= before.gdi || gdi_once)
            << name << ": GDI objects grew from " << before.gdi << " to " << middle.gdi << " after " << times / 2
            << " rounds and " << after.gdi << " at the end (" << gdi_growth(before, after) << ")";
        EXPECT_LE(after.user, before.user) << name << ": windows grew";
    }

    // Opens a modal box from the main window by `open`, waits for it under
    // `caption`, closes it with its OK button and waits until it is gone.
    bool open_and_close(const std::function<void()>& open, const char* caption, int round) {
        open();
        HWND box = app_.wait_window(caption, 5000);
        if (!box) return false;
        click(box, IDOK);
        if (wait_until([&] { return !IsWindow(box); }, 5000)) return true;
        ADD_FAILURE() << caption << " did not close in round " << round;
        return false;
    }

    // Lists pacman's scores and opens the first.
    HWND open_score() {
        select_list_item(main_, IDC_GAME_LIST, 0);
        click(main_, IDC_GET_SCORES);
        if (!wait_until([&] { return list_items(main_, IDC_SCORE_LIST).size() == 1; }, 5000)) {
            ADD_FAILURE() << "the score row did not come";
            return nullptr;
        }
        double_click_list_item(main_, IDC_SCORE_LIST, 0);
        return app_.wait_window("Score Properties", 5000);
    }

    std::string dir_;
    zeph::Server server_;
    Program app_;
    HWND main_ = nullptr;
};

TEST_F(Repetition, AboutBoxOpenedAndClosed200Times) {
    expect_no_growth("about box", 200, [&](int round) {
        return open_and_close([&] { click(main_, IDC_ABOUT); }, "About Vornix...", round);
    });
}

TEST_F(Repetition, ScorePropertiesOpenedAndClosed200Times) {
    HWND props = open_score();
    ASSERT_TRUE(props);
    click(props, IDOK);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(props); }, 5000));
    expect_no_growth("score properties", 200, [&](int round) {
        const bool ok = open_and_close([&] { double_click_list_item(main_, IDC_SCORE_LIST, 0); }, "Score Properties",
                                       round);
        return ok;
    });
}

// A download the user starts and cancels while the recording still trickles
// in: each round chooses the same file, which holds the user's old zip, and
// cancels once the first kilobytes have come.
TEST_F(Repetition, SlowDownloadStartedAndCancelled50Times) {
    const std::string saved = join(dir_, "saved");
    CreateDirectoryA(saved.c_str(), nullptr);
    const std::string chosen = join(saved, "rec.zip");
    write_file(chosen, "the zip the user already had");
    constexpr int kControlRounds = 5;
    int key_type = -1;
    const long control = platform_save_as_key_leak(kControlRounds, saved, &key_type);
    std::printf("[ control  ] the platform's save-as dialog, confirmed %d times in the test's process: %ld more "
                "registry key handles\n", kControlRounds, control);
    Excused excused{key_type, control / kControlRounds, "are registry keys that the platform's save-as dialog keeps", 2,
                    "are the two bitmaps Wine's file dialog creates once for itself"};

    HWND props = open_score();
    ASSERT_TRUE(props);
    server_.set_fault(zeph::Fault::drip, 50);
    expect_no_growth("download started and cancelled", 50, [&](int round) {
        click(props, IDC_DOWNLOAD_PLAY);
        HWND save = app_.wait_window("Save downloaded recording as...", 5000);
        if (!save) return false;
        type_file_name(save, chosen);
        PostMessageW(save, WM_COMMAND, IDOK, 0);
        HWND dialog = nullptr;
        if (!wait_until([&] { return (dialog = app_.find_window_with_control(IDC_DOWNLOAD_DONE)) != nullptr; }, 5000) ||
            !wait_until([&] { return item_text(dialog, IDC_DOWNLOAD_PROGRESS).rfind("Recieved: 2 kB", 0) == 0; }, 5000)) {
            ADD_FAILURE() << "round " << round << ": the download did not get going";
            return false;
        }
        click(dialog, IDCANCEL);
        if (!wait_until([&] { return !IsWindow(dialog); }, 2000)) {
            ADD_FAILURE() << "round " << round << ": Cancel did not end the download within 2 s";
            return false;
        }
        const std::vector<std::string> left = list_dir(saved);
        if (left != std::vector<std::string>{"rec.zip"} || read_file(chosen) != "the zip the user already had") {
            ADD_FAILURE() << "round " << round << ": the folder holds " << left.size()
                          << " files, or the user's zip was changed";
            return false;
        }
        return true;
    }, excused);
    server_.set_fault(zeph::Fault::none);
    click(props, IDOK);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(props); }, 5000));
}

}  // namespace
