// "Get high scores" in the real program, against the local score server:
// the request it makes, the rows it lists, and how it copes with a server
// that is slow, absent, failing or silent. The game list comes from the
// stand-in MAME.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

#include "doubles/zeph_server.h"
#include "win/harness.h"

using namespace harness;

namespace {

constexpr int GAME_LIST = 1000, SCORE_LIST = 1023, GET_SCORES = 1024, SCORE_LABEL = 1025, SPLIT = 1028;
constexpr int PACMAN = 0, GALAGA = 1, DKONG = 2;

// The tests wait at most this long for a silent server (instead of 30 s).
constexpr int NET_TIMEOUT_MS = 2000;

const char* const kGames =
    "pacman    \"Pac-Man (Midway)\"\r\n"
    "galaga    \"Galaga (Namco rev. B)\"\r\n"
    "dkong     \"Donkey Kong (US set 1)\"\r\n";

const char* const kPacmanTable =
    "<HTML><BODY>ZEPH high scores for Pac-Man<P>\n"
    "('3333360','1','N','0.106','1098345600','pacman-3333360','x','Chris Ayra',\"Pac-Man (Midway)\",'1','100.0',"
    "'Perfect game, all 256 levels')<P>\n"
    "('921360','0','N','0.78','1110000000','pacman-921360','x','Bo',\"Pac-Man (Midway)\",'2','87.5','')<P>\n"
    "('12,345','1','N','0.36','1000000000','pacman-12345','x','Someone with a long name',\"Pac-Man (Midway)\",'3',"
    "'12','Early try')<P>\n";
const std::vector<std::string> kPacmanRows = {"   3333360 - Chris Ayra", "    921360 - Bo",
                                              "    12,345 - Someone with a long name"};

const char* const kGalagaTable =
    "ZEPH high scores for Galaga<P>\r\n"
    "('2187260','1','N','0.106','1098345600','galaga-2187260','x','Ann',\"Galaga (Namco rev. B)\",'1','100','')<P>\r\n";
const std::vector<std::string> kGalagaRows = {"   2187260 - Ann"};

std::string join_rows(const std::vector<std::string>& rows) {
    std::string out = "{";
    for (const auto& r : rows) out += (out.size() > 1 ? ", '" : "'") + r + "'";
    return out + "}";
}

class HighScores : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fresh_dir(std::string("scores_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        root_ = join(dir_, "zeph");
        CreateDirectoryA(root_.c_str(), nullptr);
        CreateDirectoryA(join(root_, "scores").c_str(), nullptr);
        write_file(join(dir_, "versions.ini"), "Fake MAME\n" + build_file("fake_mame.exe") + "\n0.106\nWin32\n");
        write_file(join(dir_, "games.txt"), kGames);
        write_table("pacman", kPacmanTable);
        write_table("galaga", kGalagaTable);
        ASSERT_TRUE(server_.start(root_)) << "the local score server cannot listen";
    }

    void write_table(const std::string& name, const std::string& body) {
        write_file(join(root_, "scores\\" + name + ".txt"), body);
    }

    // Starts the program with the score server at `host` and waits for its
    // game list. An empty `net_timeout` leaves the program its own limit.
    void start(const std::string& host, const std::string& net_timeout = std::to_string(NET_TIMEOUT_MS)) {
        ASSERT_TRUE(app_.start(dir_, {{"VORNIX_SCORE_SERVER", host},
                                      {"VORNIX_NET_TIMEOUT_MS", net_timeout},
                                      {"FAKE_MAME_LIST", join(dir_, "games.txt")}}));
        main_ = app_.wait_window("Vornix");
        ASSERT_TRUE(main_);
        ASSERT_TRUE(wait_until([&] { return list_items(main_, GAME_LIST).size() == 3; }, 10000))
            << "expected the three games of the stand-in MAME; saw " << join_rows(list_items(main_, GAME_LIST));
    }
    void start() { start(server_.host()); }

    // Presses the button while the server is `fault`y; returns how long the
    // failure row `row` took to show.
    ULONGLONG time_failure(zeph::Fault fault, int game, const std::string& row, int timeout_ms) {
        server_.set_fault(fault);
        const ULONGLONG pressed = GetTickCount64();
        press_for(game);
        const bool shown = wait_rows({row}, timeout_ms);
        const ULONGLONG waited = GetTickCount64() - pressed;
        server_.set_fault(zeph::Fault::none);
        return shown ? waited : ~0ull;
    }

    std::vector<std::string> rows() const { return list_items(main_, SCORE_LIST); }

    // Waits until the high-score list shows exactly `expected`.
    bool wait_rows(const std::vector<std::string>& expected, int timeout_ms = 5000) {
        if (wait_until([&] { return rows() == expected; }, timeout_ms)) return true;
        ADD_FAILURE() << "expected the rows " << join_rows(expected) << " within " << timeout_ms << " ms; saw "
                      << join_rows(rows());
        return false;
    }

    void press_for(int game) {
        select_list_item(main_, GAME_LIST, game);
        click(main_, GET_SCORES);
    }

    std::string dir_, root_;
    zeph::Server server_;
    Program app_;
    HWND main_ = nullptr;
};

TEST_F(HighScores, TheTableOfTheSelectedGameIsListed) {
    start();
    EXPECT_EQ(item_text(main_, SCORE_LABEL), "ZEPH high scores:");
    press_for(PACMAN);
    wait_rows(kPacmanRows);
    EXPECT_EQ(item_text(main_, SCORE_LABEL), "ZEPH High scores for 'pacman':");

    // Another game's table replaces the rows, fewer of them this time.
    press_for(GALAGA);
    wait_rows(kGalagaRows);
    EXPECT_EQ(item_text(main_, SCORE_LABEL), "ZEPH High scores for 'galaga':");

    // A table of a heading only empties the list.
    write_table("galaga", "ZEPH high scores for Galaga<P>\n");
    press_for(GALAGA);
    wait_rows({});
}

TEST_F(HighScores, TheRequestNamesTheGameAndTheSplit) {
    write_table("pacman-2", kGalagaTable);
    start();
    struct Case { const char* name; const char* split; std::string target; std::vector<std::string> rows; } cases[] = {
        {"no split", "", "/index.cgi?mode=fe_scores&short=pacman", kPacmanRows},
        {"a split of 2", "2", "/index.cgi?mode=fe_scores&short=pacman-2", kGalagaRows},
        {"a split of 20 characters sends its first 15", "abcdefghijklmnopqrst",
         "/index.cgi?mode=fe_scores&short=pacman-abcdefghijklmno", {"Cannot access data at this time."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server_.clear_requests();
        set_text(main_, SPLIT, c.split);
        press_for(PACMAN);
        wait_rows(c.rows);
        EXPECT_EQ(server_.requests(), std::vector<std::string>{c.target});
    }
}

TEST_F(HighScores, ASecondPressDuringASlowAnswerOnlyAsksForPatience) {
    server_.set_fault(zeph::Fault::slow, 1500);
    start();
    press_for(PACMAN);
    ASSERT_TRUE(wait_until([&] { return server_.requests().size() == 1; }, 5000)) << "no request reached the server";
    click(main_, GET_SCORES);
    wait_rows({"Patience, d00d..."});
    // Until the first fetch writes its rows, the list shows that row alone;
    // then it is emptied and filled row by row, so only prefixes of the
    // table may be seen on the way.
    const auto on_the_way = [](const std::vector<std::string>& seen) {
        if (seen == std::vector<std::string>{"Patience, d00d..."}) return true;
        return seen.size() < kPacmanRows.size() && std::equal(seen.begin(), seen.end(), kPacmanRows.begin());
    };
    std::vector<std::string> seen;
    wait_until([&] { seen = rows(); return !on_the_way(seen); }, 5000);
    EXPECT_EQ(seen, kPacmanRows);
    EXPECT_EQ(server_.requests().size(), 1u) << "the second press must not start a second fetch";

    // Once that fetch has ended, a press fetches again.
    server_.set_fault(zeph::Fault::none);
    press_for(GALAGA);
    wait_rows(kGalagaRows);
}

TEST_F(HighScores, NothingListeningCannotConnect) {
    // A port where nothing listens: the server's own, once it has stopped.
    const std::string host = server_.host();
    server_.stop();
    start(host);
    press_for(PACMAN);
    wait_rows({"Cannot connect to ZEPH."});
    EXPECT_EQ(item_text(main_, SCORE_LABEL), "ZEPH High scores for 'pacman':");
}

TEST_F(HighScores, AFailedAnswerIsNotTakenForScores) {
    start();
    struct Case { const char* name; zeph::Fault fault; int game; } cases[] = {
        {"a server error page", zeph::Fault::error_status, PACMAN},
        {"a table the server does not have (404)", zeph::Fault::none, DKONG},
        {"a connection dropped in the middle of the body", zeph::Fault::drop_mid_body, PACMAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        press_for(GALAGA);
        wait_rows(kGalagaRows);
        EXPECT_NE(time_failure(c.fault, c.game, "Cannot access data at this time.", 5000), ~0ull);
    }
}

TEST_F(HighScores, NoGameSelectedAsksNothingAndChangesNothing) {
    start();
    press_for(PACMAN);
    wait_rows(kPacmanRows);
    server_.clear_requests();
    select_list_item(main_, GAME_LIST, -1);
    ASSERT_EQ(list_selection(main_, GAME_LIST), -1);
    click(main_, GET_SCORES);
    EXPECT_FALSE(wait_until([&] { return !server_.requests().empty(); }, 1000)) << "a request was made";
    EXPECT_EQ(rows(), kPacmanRows);
    EXPECT_EQ(item_text(main_, SCORE_LABEL), "ZEPH High scores for 'pacman':");
    // The fetch that was started for no game has ended at once.
    press_for(GALAGA);
    wait_rows(kGalagaRows);
}

TEST_F(HighScores, ASilentServerIsGivenUpWithinTheLimit) {
    start();
    struct Case { const char* name; zeph::Fault fault; const char* row; } cases[] = {
        {"accepts and never answers", zeph::Fault::never_answer, "Cannot connect to ZEPH."},
        {"sends the headers, then nothing", zeph::Fault::headers_then_stall, "Cannot access data at this time."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ULONGLONG waited = time_failure(c.fault, PACMAN, c.row, NET_TIMEOUT_MS + 5000);
        EXPECT_GE(waited, NET_TIMEOUT_MS - 500u) << "gave up before the limit";
        EXPECT_LE(waited, NET_TIMEOUT_MS + 2000u) << "gave up long after the limit";
        // The fetch has ended: the next press fetches instead of asking for patience.
        press_for(GALAGA);
        wait_rows(kGalagaRows);
    }
}

// The program's own limit, without the tests' shorter one: about 30 s, so
// it runs only when asked for (--gtest_also_run_disabled_tests).
TEST_F(HighScores, DISABLED_ASilentServerIsGivenUpWithinThirtySeconds) {
    start(server_.host(), "");
    const ULONGLONG waited = time_failure(zeph::Fault::never_answer, PACMAN, "Cannot connect to ZEPH.", 40000);
    std::printf("a silent server was given up after %llu ms\n", waited);
    EXPECT_GE(waited, 29000u);
    EXPECT_LE(waited, 32000u);
}

}  // namespace
