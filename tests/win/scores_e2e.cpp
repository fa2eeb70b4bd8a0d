// High scores in the real program, against the local score server: the
// fetch with every way its answer can fail, then the score properties and
// the whole way from a score to its playback, including the recordings that
// cannot be played.
#include "win/score_flow.h"

#include <map>

using namespace score_flow;

namespace {

constexpr int NET_TIMEOUT_MS = 2000;
constexpr int FETCH_TIMEOUT_MS = 3500;
const char* const kHeading = "<HTML><BODY>ZEPH high scores<P>\n";
const std::vector<std::string> kPacman = {"   3333360 - Ann", "    12,345 - Someone with a long name"};
const std::vector<std::string> kGalaga = {"         5 - Bo"};
const std::vector<std::string> kAccess = {"Cannot access data at this time."};
const std::vector<std::string> kConnect = {"Cannot connect to ZEPH."};
const std::string kNoInp = "Can't playback: Could not extract INP from downloaded zipfile";

std::string rows_text(const std::vector<std::string>& rows) {
    std::string out;
    for (const auto& r : rows) out += "'" + r + "' ";
    return "{ " + out + "}";
}

TEST_F(Flow, HighScoresAreListedAndEveryFailureIsARow) {
    serve("scores\\pacman.txt", kHeading + score_line("3333360", 1, "0.78", "r1", "Ann", 1, "100") +
                                    score_line("12,345", 1, "0.78", "r2", "Someone with a long name", 2, "1"));
    serve("scores\\galaga.txt", "Galaga\r\n" + score_line("5", 1, "0.78", "r3", "Bo", 1, "1"));
    serve("scores\\pacman-abcdefghijklmno.txt", kHeading + score_line("5", 1, "0.78", "r3", "Bo", 1, "1"));
    start(NET_TIMEOUT_MS, FETCH_TIMEOUT_MS);
    zeph::Server other;  // a host that a redirect names
    ASSERT_TRUE(other.start(root_));
    const std::string q = "/index.cgi?mode=fe_scores&short=";
    struct Case {
        const char* name;
        int game;  // -1: none selected
        const char* split;
        zeph::Fault fault;
        std::vector<std::string> rows, requests;
        const char* label;
        bool stopped;  // nothing listens
    } cases[] = {
        {"a table", 0, "", zeph::Fault::none, kPacman, {q + "pacman"}, "pacman", false},
        {"a redirect to another host is a status other than 200", 0, "", zeph::Fault::redirect, kAccess,
         {q + "pacman"}, "pacman", false},
        {"another table replaces the row; its cookie is not kept", 1, "", zeph::Fault::cookie, kGalaga,
         {q + "galaga"}, "galaga", false},
        {"a connection reset mid-body", 0, "", zeph::Fault::drop_mid_body, kAccess, {q + "pacman"}, "pacman", false},
        {"a 20-character split sends 15", 0, "abcdefghijklmnopqrst", zeph::Fault::none, kGalaga,
         {q + "pacman-abcdefghijklmno"}, "pacman", false},
        {"a body shorter than announced", 0, "", zeph::Fault::short_body, kAccess, {q + "pacman"}, "pacman", false},
        {"no game selected asks nothing", -1, "", zeph::Fault::none, kAccess, {}, "pacman", false},
        {"a server that never answers", 1, "", zeph::Fault::never_answer, kConnect, {q + "galaga"}, "galaga", false},
        {"a byte now and then: given up in time", 0, "", zeph::Fault::trickle, kAccess, {q + "pacman"}, "pacman",
         false},
        {"the next fetch works", 0, "", zeph::Fault::none, kPacman, {q + "pacman"}, "pacman", false},
        {"nothing listening", 1, "", zeph::Fault::none, kConnect, {}, "galaga", true},
    };
    const unsigned short port = server_.port();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A silent server is given up within the program's network limit, a slow one within the fetch's time.
        const int limit = c.fault == zeph::Fault::never_answer ? NET_TIMEOUT_MS
                          : c.fault == zeph::Fault::trickle    ? FETCH_TIMEOUT_MS
                                                               : 0;
        const int min_ms = limit ? limit - 500 : 0, max_ms = limit ? limit + 2000 : 5000;
        set_text(main_, IDC_SPLIT_EDIT, c.split);
        server_.clear_requests();
        // short_body: 3000 bytes fewer than announced; trickle: a byte every 200 ms
        server_.set_fault(c.fault, c.fault == zeph::Fault::redirect ? other.port()
                                   : c.fault == zeph::Fault::trickle ? 200
                                                                     : 3000);
        if (c.stopped) server_.stop();
        select_list_item(main_, IDC_GAME_LIST, c.game);
        const ULONGLONG pressed = GetTickCount64();
        click(main_, IDC_GET_SCORES);
        // Each row's rows differ from the row's before, so they show only once this fetch wrote them.
        std::vector<std::string> seen;
        const bool shown = wait_until([&] { return (seen = list_items(main_, IDC_SCORE_LIST)) == c.rows; }, max_ms);
        const ULONGLONG took = GetTickCount64() - pressed;
        EXPECT_TRUE(shown) << "expected " << rows_text(c.rows) << "; saw " << rows_text(seen);
        if (c.game < 0) Sleep(500);  // time for a request that should not come
        EXPECT_GE(took, static_cast<ULONGLONG>(min_ms));
        EXPECT_EQ(server_.requests(), c.requests);
        EXPECT_EQ(other.requests(), std::vector<std::string>{}) << "a redirect was followed";
        EXPECT_EQ(item_text(main_, IDC_SCORE_LABEL), "ZEPH High scores for '" + std::string(c.label) + "':");
        server_.set_fault(zeph::Fault::none);
        if (c.stopped) {
            ASSERT_TRUE(server_.start(root_, port));
        }
    }

    // A second press while the first fetch waits for its answer starts no
    // second fetch; the first one's rows follow.
    server_.clear_requests();
    server_.set_fault(zeph::Fault::slow, 1500);
    select_list_item(main_, IDC_GAME_LIST, 0);
    click(main_, IDC_GET_SCORES);
    ASSERT_TRUE(wait_until([&] { return server_.requests().size() == 1; }, 5000));
    click(main_, IDC_GET_SCORES);
    const std::vector<std::string> patience = {"Patience, d00d..."};
    EXPECT_TRUE(wait_until([&] { return list_items(main_, IDC_SCORE_LIST) == patience; }, 1000));
    EXPECT_TRUE(wait_until([&] { return list_items(main_, IDC_SCORE_LIST) == kPacman; }, 5000));
    EXPECT_EQ(server_.requests().size(), 1u);
}

// Each row is one score of the table, opened, downloaded into what the
// save-as dialog offers (in the inp folder), and played back when it can be.
// The main window's selections sit at different indexes, game 0 (pacman)
// and version 1 (0.78), so a playback that takes one for the other shows.
TEST_F(Flow, AScoreIsShownDownloadedAndPlayedBack) {
    enum End { done, escape, cancel };  // Escape after "Download complete."; Cancel while the answer is awaited
    struct Score {
        const char *score;
        int confirmed;
        const char *version, *player;
        int position;
        const char* points;
    };
    struct Case {
        const char* name;
        std::string recording;  // as the table names it; the server serves what follows its last backslash
        Score score;
        std::string body, offered;
        std::map<int, std::string> texts;  // controls of the score properties
        End end;                           // how the download dialog is left
        std::vector<std::string> messages; // "caption: text", in order
        WORD answer;                       // the key that answers the question about an unlisted version; 0: none asked
        const char* mame;                  // the version's program that plays it back, or none
        const char* playback;              // the recording named on MAME's command line
    } cases[] = {
        {"a score of an installed version", "rec1", {"3333360", 1, "0.36b", "Ann", 1, "100"},
         stored_zip({{"readme.txt", "hi"}, {"rec1.inp", inp("pacman")}}), "rec1.zip",
         {{IDC_SCORE_VALUE, "3333360"}, {IDC_SCORE_GAME, "Pac-Man (Midway)"}, {IDC_SCORE_PLAYER, "Recorded by Ann"},
          {IDC_SCORE_DESCRIPTION, "Perfect."}, {IDC_SCORE_VERSION, "MAME version used: 0.36b"},
          {IDC_SCORE_POSITION, "Position: 1"}, {IDC_SCORE_POINTS, "Leaderboard points: 100"},
          {IDC_SCORE_CONFIRMED, "Score is confirmed."}},
         done, {}, 0, "mame036.exe", "rec1"},
        {"a version not listed plays with the selected one once Enter says yes", "rec2",
         {"5", 2, "0.99", "Bo", -1, "12.9"}, stored_zip({{"REC2.INP", inp("pacman")}}), "rec2.zip",
         {{IDC_SCORE_CONFIRMED, ""}, {IDC_SCORE_POSITION, "Position: -1"},
          {IDC_SCORE_POINTS, "Leaderboard points: 12"}},
         escape, {}, VK_RETURN, "mame078.exe", "REC2"},
        {"a version not listed plays nothing once Escape says no", "rec9", {"5", 1, "0.37b16", "Ida", 9, "1"},
         stored_zip({{"rec9.inp", inp("pacman")}}), "rec9.zip", {}, done, {}, VK_ESCAPE, nullptr, nullptr},
        {"a game not in the list", "rec3", {"5", 1, "0.78", "Cy", 3, "1"},
         stored_zip({{"rec3.inp", inp("dkong")}}), "rec3.zip", {}, done,
         {"Can't playback: The game 'dkong' of this recording is not in the game list"}, 0, nullptr, nullptr},
        {"a zip without an INP", "rec4", {"5", 1, "0.78", "Di", 4, "1"},
         stored_zip({{"readme.txt", "no recording"}}), "rec4.zip", {}, done,
         {kNoInp}, 0, nullptr, nullptr},
        {"a body that is not a zip", "rec5", {"5", 1, "0.78", "Ed", 5, "1"},
         "gone", "rec5.zip", {}, done,
         {"Zip error: Cannot open downloaded Zip file", kNoInp},
         0, nullptr, nullptr},
        {"an INP of that name already here is kept", "rec6", {"5", 1, "0.78", "Fay", 6, "1"},
         stored_zip({{"mine.inp", inp("pacman")}}), "rec6.zip", {}, done,
         {kNoInp}, 0, nullptr, nullptr},
        // Neither the zip nor the INP in it may be a device: the bytes would go nowhere.
        {"a recording named after a device", "nul", {"5", 1, "0.78", "Hal", 8, "1"},
         stored_zip({{"nul.inp", inp("pacman")}}), "_nul.zip", {}, done, {kNoInp}, 0, nullptr, nullptr},
        // Only the file name is offered, in the inp folder. (Wine asks the
        // server for "/" instead of this path, so the download is cancelled.)
        {"a recording name that climbs out of the folder", "..\\..\\evil", {"5", 1, "0.78", "Gus", 7, "1"},
         stored_zip({{"evil.inp", inp("pacman")}}), "evil.zip", {}, cancel, {}, 0, nullptr, nullptr},
    };
    std::string table = kHeading;
    for (const Case& c : cases) {
        const Score& s = c.score;
        table += score_line(s.score, s.confirmed, s.version, c.recording, s.player, s.position, s.points);
        serve("inp\\" + c.recording.substr(c.recording.find_last_of('\\') + 1) + ".zip", c.body);
    }
    serve("scores\\pacman.txt", table);
    write_file(join(work_, "mine.inp"), "the user's own recording");
    const std::vector<std::string> work_files = {"inp", "mame036.exe", "mame078.exe", "mine.inp", "versions.ini"};
    start(NET_TIMEOUT_MS);
    list_scores(std::size(cases));
    select_combo_item(main_, IDC_VERSION_LIST, 1);
    ASSERT_EQ(combo_selection(main_, IDC_VERSION_LIST), 1);

    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.name);
        HWND props = open_score(row);
        ASSERT_TRUE(props);
        for (const auto& [id, text] : c.texts) EXPECT_EQ(item_text(props, id), text) << "control " << id;
        if (row == 0) {
            EXPECT_EQ(item_text(props, IDC_SCORE_UPLOADED).substr(0, 24), "Uploaded on: Sun Mar 05 ");
            post_command(props, IDCANCEL);
            Sleep(300);
            EXPECT_TRUE(IsWindowVisible(props)) << "Escape closed the score properties";
        }
        const std::size_t runs_before = runs().size();
        std::string offered;
        server_.set_fault(zeph::Fault::slow, 300);  // time to read the status line
        ASSERT_TRUE(save_as(props, "", &offered));
        EXPECT_EQ(offered, c.offered);
        HWND dialog = download_dialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(item_text(dialog, IDC_DOWNLOAD_STATUS), "Downloading " + c.recording + ".zip...");
        if (c.end == cancel) {
            click(dialog, IDCANCEL);
            EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 2000));
        }
        server_.set_fault(zeph::Fault::none);
        if (c.end != cancel) {
            const auto complete = [&] { return item_text(dialog, IDC_DOWNLOAD_STATUS) == "Download complete."; };
            ASSERT_TRUE(wait_until(complete, 10000))
                << item_text(dialog, IDC_DOWNLOAD_STATUS) << "; " << app_.open_message_box().second;
        }
        if (c.end == escape) post_command(dialog, IDCANCEL);
        if (c.end == done) click(dialog, IDC_DOWNLOAD_DONE);
        for (const std::string& m : c.messages) {
            const std::string caption = m.substr(0, m.find(':'));
            EXPECT_EQ(caption + ": " + app_.wait_message_box(caption, 5000), m);
        }
        if (c.answer) {
            HWND question = app_.wait_window("MAME version not listed", 10000);
            ASSERT_TRUE(question);
            EXPECT_EQ(item_text(question, 0xFFFF), "This recording was made with MAME " + std::string(c.score.version) +
                      ", which versions.ini does not list. Play it back with \"MAME 0.78\" anyway? It may not play "
                      "back as it was recorded.");
            EXPECT_TRUE(IsWindowVisible(props) && IsWindowVisible(main_)) << "asked before anything is hidden";
            press_keys(question, {{c.answer}});
        }
        if (c.mame) {
            EXPECT_FALSE(app_.wait_message_box("Commandline view", 10000).empty());
            EXPECT_TRUE(wait_until([&] { return runs().size() == runs_before + 1; }, 10000)) << "MAME did not run";
        }
        EXPECT_TRUE(app_.wait_visible(props, true, 10000)) << "both dialogs come back";
        EXPECT_TRUE(IsWindowVisible(main_));
        const auto log = runs();
        ASSERT_EQ(log.size(), runs_before + (c.mame ? 1 : 0));
        if (c.mame) {
            const std::string tail = std::string(" -input_directory . -playback ") + c.playback;
            EXPECT_EQ(log.back().command_line.find("\"" + join(work_, c.mame) + "\" pacman "), 0u)
                << log.back().command_line;
            EXPECT_EQ(log.back().command_line.substr(log.back().command_line.size() - tail.size()), tail);
            EXPECT_EQ(log.back().fact("playback_found"), "1") << "MAME found the extracted recording";
            EXPECT_EQ(log.back().fact("playback_bytes"), std::to_string(inp("pacman").size())) << "extracted unchanged";
        }
        // The extracted INP is gone, the user's is untouched, the zip stays where it was saved.
        EXPECT_TRUE(wait_until([&] { return list_dir(work_) == work_files; }, 5000)) << list_dir(work_).size();
        EXPECT_EQ(read_file(join(work_, "mine.inp")), "the user's own recording");
        EXPECT_TRUE(c.end == cancel ? !file_exists(join(join(work_, "inp"), c.offered))
                                    : read_file(join(join(work_, "inp"), c.offered)) == c.body) << "the saved zip";
        click(props, IDOK);
        ASSERT_TRUE(app_.wait_visible(props, false, 5000));
    }
    EXPECT_EQ(list_dir(dir_), (std::vector<std::string>{"games.txt", "mame.log", "server", kWork}))
        << "nothing is written above the working folder";
}

}  // namespace
