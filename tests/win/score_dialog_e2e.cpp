// Watching a recorded score from end to end, as a user does it: select a
// game, get its high scores, open one, download its recording and play it
// back with the MAME version that made it. The real program runs against the
// stand-in MAME and a local score server.
#include <gtest/gtest.h>

#include <map>

#include "doubles/zeph_server.h"
#include "ui/resources/resource.h"
#include "win/fake_mame_log.h"
#include "win/harness.h"
#include "win/zip_writer.h"

using namespace harness;

namespace {

const char* const kGames = "Name:     Description:\r\npacman    \"Pac-Man (Midway)\"\r\ngalaga    \"Galaga\"\r\n";
constexpr int kPacman = 0;

// score, confirmed, version, uploaded, recording, player, position, points, description
std::string score_line(const char* score, int confirmed, const char* version, long uploaded, const char* recording,
                       const char* player, int position, const char* points, const char* description) {
    char line[512];
    std::snprintf(line, sizeof line, "('%s','%d','tg','%s','%ld','%s','fast','%s',\"Pac-Man (Midway)\",'%d','%s','%s')<P>\n",
                  score, confirmed, version, uploaded, recording, player, position, points, description);
    return line;
}

std::string inp(const std::string& game) { return game + std::string(8 - game.size(), '\0') + "recorded inputs"; }

class ScoreDialog : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir_ = fresh_dir("score_" + name);
        root_ = join(dir_, "server");
        CreateDirectoryA(root_.c_str(), nullptr);
        CreateDirectoryA(join(root_, "scores").c_str(), nullptr);
        CreateDirectoryA(join(root_, "inp").c_str(), nullptr);
        work_ = join(dir_, "work");
        CreateDirectoryA(work_.c_str(), nullptr);
        CreateDirectoryA(join(work_, "saved").c_str(), nullptr);
        // Two installed versions, told apart in the log by their program's name.
        CopyFileA(build_file("fake_mame.exe").c_str(), join(work_, "mame036.exe").c_str(), FALSE);
        CopyFileA(build_file("fake_mame.exe").c_str(), join(work_, "mame078.exe").c_str(), FALSE);
        write_file(join(work_, "versions.ini"), "MAME 0.36b\n" + join(work_, "mame036.exe") + "\n0.36b\nWin32\nMAME 0.78\n" +
                                                    join(work_, "mame078.exe") + "\n0.78\nWin32\n");
        write_file(join(dir_, "games.txt"), kGames);
        ASSERT_TRUE(server_.start(root_));
    }

    void serve_scores(const std::string& lines) {
        write_file(join(join(root_, "scores"), "pacman.txt"), "ZEPH scores<P>\n" + lines);
    }
    void serve_zip(const std::string& name, const std::vector<std::pair<std::string, std::string>>& members) {
        write_file(join(join(root_, "inp"), name + ".zip"), zip_writer::stored_zip(members));
    }

    // Starts the program, lists pacman's scores and opens score `row`.
    HWND open_score(int row) {
        if (!app_.start(work_, {{"FAKE_MAME_LIST", join(dir_, "games.txt")},
                                {"FAKE_MAME_LOG", join(dir_, "mame.log")},
                                {"VORNIX_SCORE_SERVER", server_.host()}}))
            return nullptr;
        main_ = app_.wait_window("Vornix");
        if (!main_) return nullptr;
        select_list_item(main_, IDC_GAME_LIST, kPacman);
        click(main_, IDC_GET_SCORES);
        if (!wait_until([&] { return list_items(main_, IDC_SCORE_LIST).size() > static_cast<std::size_t>(row); }, 10000)) {
            ADD_FAILURE() << "no score rows; the list holds " << list_items(main_, IDC_SCORE_LIST).size();
            return nullptr;
        }
        double_click_list_item(main_, IDC_SCORE_LIST, row);
        return app_.wait_window("Score Properties");
    }

    // Presses "Download and playback", saves the zip as saved\NAME and presses
    // Done when the download completes.
    void download(HWND props, const std::string& name) {
        click(props, IDC_DOWNLOAD_PLAY);
        HWND save = app_.wait_window("Save downloaded recording as...");
        ASSERT_TRUE(save);
        type_file_name(save, join(join(work_, "saved"), name));
        PostMessageW(save, WM_COMMAND, IDOK, 0);
        HWND progress = nullptr;
        ASSERT_TRUE(wait_until([&] { return (progress = app_.find_window_with_control(IDC_DOWNLOAD_DONE)) != nullptr; }, 10000))
            << "the download dialog did not open";
        ASSERT_TRUE(wait_until([&] { return item_text(progress, IDC_DOWNLOAD_STATUS) == "Download complete."; }, 10000))
            << "the download did not complete: " << item_text(progress, IDC_DOWNLOAD_STATUS);
        click(progress, IDC_DOWNLOAD_DONE);
    }

    void close_all(HWND props) {
        click(props, IDOK);
        app_.wait_visible(props, false, 5000);
        PostMessageW(main_, WM_CLOSE, 0, 0);
        DWORD code = 999;
        EXPECT_TRUE(app_.wait_exit(10000, &code));
        EXPECT_EQ(code, 0u);
    }

    std::vector<FakeMameRun> runs() const { return read_fake_mame_log(join(dir_, "mame.log")); }

    std::string dir_, root_, work_;
    zeph::Server server_;
    Program app_;
    HWND main_ = nullptr;
};

TEST_F(ScoreDialog, PropertiesShowTheScoreAsTheServerGaveIt) {
    struct Case { const char* name; std::string line; std::map<int, std::string> expected; } cases[] = {
        {"confirmed score", score_line("3333360", 1, "0.78", 1678017600, "rec", "Ann", 1, "100", "Perfect."),
         {{IDC_SCORE_VALUE, "3333360"}, {IDC_SCORE_GAME, "Pac-Man (Midway)"}, {IDC_SCORE_PLAYER, "Recorded by Ann"},
          {IDC_SCORE_DESCRIPTION, "Perfect."}, {IDC_SCORE_VERSION, "MAME version used: 0.78"},
          {IDC_SCORE_POSITION, "Position: 1"}, {IDC_SCORE_POINTS, "Leaderboard points: 100"},
          {IDC_SCORE_CONFIRMED, "Score is confirmed."}}},
        {"unconfirmed, fractional points", score_line("5", 0, "0.36b", 1678017600, "rec", "Bob", -1, "12.9", "x"),
         {{IDC_SCORE_POSITION, "Position: -1"}, {IDC_SCORE_POINTS, "Leaderboard points: 12"}, {IDC_SCORE_CONFIRMED, ""}}},
        {"confirmed only when exactly 1", score_line("5", 2, "0.36b", 1678017600, "rec", "Cy", 2, "0", "x"),
         {{IDC_SCORE_CONFIRMED, ""}, {IDC_SCORE_POINTS, "Leaderboard points: 0"}}},
    };
    std::string lines;
    for (const auto& c : cases) lines += c.line;
    serve_scores(lines);
    HWND props = nullptr;
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        if (row == 0) {
            props = open_score(0);
        } else {
            double_click_list_item(main_, IDC_SCORE_LIST, static_cast<int>(row));
            props = app_.wait_window("Score Properties");
        }
        ASSERT_TRUE(props) << cases[row].name;
        for (const auto& [id, text] : cases[row].expected)
            EXPECT_EQ(item_text(props, id), text) << cases[row].name << ", control " << id;
        // 12:00 UTC on Sunday the 5th stays on the 5th in any time zone within 11 hours.
        EXPECT_EQ(item_text(props, IDC_SCORE_UPLOADED).substr(0, 24), "Uploaded on: Sun Mar 05 ") << cases[row].name;
        if (row + 1 < std::size(cases)) {
            click(props, IDOK);
            ASSERT_TRUE(app_.wait_visible(props, false, 5000));
        }
    }
    PostMessageW(props, WM_COMMAND, IDCANCEL, 0);  // Escape leaves the dialog open
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(props)) << "Escape closed the score properties";
    close_all(props);
}

TEST_F(ScoreDialog, RecordingPlaysBackWithTheVersionThatMadeIt) {
    serve_scores(score_line("3333360", 1, "0.78", 1678017600, "rec1", "Ann", 1, "100", "Perfect."));
    serve_zip("rec1", {{"readme.txt", "hello"}, {"rec1.inp", inp("pacman")}});
    HWND props = open_score(0);
    ASSERT_TRUE(props);
    ASSERT_EQ(combo_selection(main_, IDC_VERSION_LIST), 0) << "the other version must be the selected one";
    download(props, "rec1.zip");

    const std::string preview = app_.wait_message_box("Commandline view");
    const std::string tail = " -nvram_directory NULL -cfg_directory NULL -input_directory . -playback rec1";
    EXPECT_EQ(preview.find(join(work_, "mame078.exe") + " pacman "), 0u) << preview;
    EXPECT_NE(preview.find(tail + " [Length: "), std::string::npos) << preview;
    EXPECT_TRUE(app_.wait_visible(main_, true, 10000));
    EXPECT_TRUE(app_.wait_visible(props, true, 10000));

    const auto log = runs();
    ASSERT_EQ(log.size(), 2u) << "one game-list run, one playback";
    EXPECT_EQ(log[1].fact("playback_found"), "1") << "MAME read the extracted recording";
    EXPECT_EQ(log[1].command_line.substr(log[1].command_line.size() - tail.size()), tail);
    EXPECT_TRUE(wait_until([&] { return !file_exists(join(work_, "rec1.inp")); }, 5000)) << "the extracted INP is deleted";
    EXPECT_TRUE(file_exists(join(join(work_, "saved"), "rec1.zip"))) << "the zip stays where it was saved";
    close_all(props);
}

TEST_F(ScoreDialog, RecordingOfAVersionNotInstalledPlaysWithTheSelectedOne) {
    serve_scores(score_line("10", 1, "0.99", 1678017600, "rec2", "Ann", 1, "1", "x"));
    serve_zip("rec2", {{"REC2.INP", inp("pacman")}});
    HWND props = open_score(0);
    ASSERT_TRUE(props);
    select_combo_item(main_, IDC_VERSION_LIST, 1);
    download(props, "rec2.zip");
    const std::string preview = app_.wait_message_box("Commandline view");
    EXPECT_EQ(preview.find(join(work_, "mame078.exe") + " pacman "), 0u) << preview;
    EXPECT_NE(preview.find(" -input_directory . -playback REC2 [Length: "), std::string::npos) << preview;
    EXPECT_TRUE(app_.wait_visible(props, true, 10000));
    EXPECT_TRUE(wait_until([&] { return !file_exists(join(work_, "REC2.INP")); }, 5000));
    close_all(props);
}

TEST_F(ScoreDialog, RecordingsThatCannotBePlayedAreExplained) {
    struct Case { const char* name; std::vector<std::pair<std::string, std::string>> members; const char* message; } cases[] = {
        {"game not in the list", {{"rec3.inp", inp("dkong")}},
         "The game 'dkong' of this recording is not in the game list"},
        {"no INP in the zip", {{"readme.txt", "no recording here"}}, "Could not extract INP from downloaded zipfile"},
    };
    std::string lines;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string rec = "bad" + std::to_string(i);
        lines += score_line("10", 1, "0.78", 1678017600, rec.c_str(), "Ann", 1, "1", "x");
        serve_zip(rec, cases[i].members);
    }
    serve_scores(lines);
    HWND props = nullptr;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (i == 0) props = open_score(0);
        else {
            double_click_list_item(main_, IDC_SCORE_LIST, static_cast<int>(i));
            props = app_.wait_window("Score Properties");
        }
        ASSERT_TRUE(props) << cases[i].name;
        download(props, "bad" + std::to_string(i) + ".zip");
        EXPECT_EQ(app_.wait_message_box("Can't playback"), cases[i].message) << cases[i].name;
        EXPECT_EQ(runs().size(), 1u) << cases[i].name << ": MAME must not be started";
        EXPECT_FALSE(file_exists(join(work_, "rec3.inp"))) << cases[i].name << ": nothing extracted is left";
        EXPECT_TRUE(IsWindowVisible(props)) << cases[i].name << ": the dialog stays open for another try";
        if (i + 1 < std::size(cases)) {
            click(props, IDOK);
            ASSERT_TRUE(app_.wait_visible(props, false, 5000));
        }
    }
    close_all(props);
}

}  // namespace
