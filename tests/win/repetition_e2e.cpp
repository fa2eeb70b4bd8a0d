// Repeated use within one run of the real program: a dialog opened and closed
// hundreds of times must leave the process holding no more kernel handles, GDI
// objects or windows than before, and the program must still answer. Each
// case runs once to warm up (first uses load fonts, bitmaps and Wine's own
// threads), is counted, runs its repetitions and is counted again. The counts
// are printed, since they are the figures of the reliability notes.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

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

class Repetition : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fresh_dir(std::string("repeat_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::string root = join(dir_, "zeph");
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(join(root, "scores").c_str(), nullptr);
        write_file(join(root, "scores\\pacman.txt"), kPacmanTable);
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

    // Runs `cycle` once, then `times` times between two counts; each cycle
    // returns false (after reporting why) when the program stopped answering.
    void expect_no_growth(const char* name, int times, const std::function<bool(int)>& cycle) {
        ASSERT_TRUE(cycle(0)) << name << ": the warm-up round";
        const ResourceCounts before = resource_counts(app_.process(), app_.pid());
        for (int i = 1; i <= times; ++i) ASSERT_TRUE(cycle(i)) << name << ": round " << i;
        const ResourceCounts after = resource_counts(app_.process(), app_.pid());
        std::printf("[ counts   ] %s x%d: before %s; after %s\n", name, times, describe(before).c_str(),
                    describe(after).c_str());
        ASSERT_GE(before.handles, 0) << name << ": no way to count kernel handles";
        ASSERT_GE(before.gdi, 0) << name << ": no way to count GDI objects";
        EXPECT_LE(after.handles, before.handles) << name << ": kernel handles grew";
        EXPECT_LE(after.gdi, before.gdi) << name << ": GDI objects grew (" << gdi_growth(before, after) << ")";
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
    select_list_item(main_, IDC_GAME_LIST, 0);
    click(main_, IDC_GET_SCORES);
    ASSERT_TRUE(wait_until([&] { return list_items(main_, IDC_SCORE_LIST).size() == 1; }, 5000))
        << "the score row did not come";
    expect_no_growth("score properties", 200, [&](int round) {
        const bool ok = open_and_close([&] { double_click_list_item(main_, IDC_SCORE_LIST, 0); }, "Score Properties",
                                       round);
        return ok;
    });
}

}  // namespace
