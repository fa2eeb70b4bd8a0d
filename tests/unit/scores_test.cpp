// The high-score query and the score details: request path, limits and exact
// texts. The parse of each answer line is judged against sscanf by the
// score-answer fuzzer.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "scores/score_properties.h"
#include "scores/score_query.h"

namespace {

TEST(ScoreQuery, RequestPath) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"pacman", "", "/index.cgi?mode=fe_scores&short=pacman"},
        {"pacman", "2", "/index.cgi?mode=fe_scores&short=pacman-2"},
        {"pacman", "abcdefghijklmnopqrst", "/index.cgi?mode=fe_scores&short=pacman-abcdefghijklmno"},  // 15 kept
        {"a b", "c&d", "/index.cgi?mode=fe_scores&short=a b-c&d"},  // nothing escaped
    };
    for (const auto& [name, split, path] : cases) {
        char out[128];
        EXPECT_TRUE(build_score_path(out, sizeof out, name, split)) << name << "-" << split;
        EXPECT_STREQ(out, path);
    }
    char small[40];
    EXPECT_FALSE(build_score_path(small, sizeof small, "pacman", "2"));
}

TEST(ScoreQuery, AnAnswerCutShortIsTold) {
    struct Case { const char* name; std::size_t received; bool length_known; std::uint32_t length; bool cut; } cases[] = {
        {"the whole announced answer", 300, true, 300, false},
        {"a connection closed early", 300, true, 301, true},
        {"a full read of a longer answer", SCORE_RESPONSE_SIZE, true, SCORE_RESPONSE_SIZE + 1, false},
        {"no Content-Length (chunked)", 300, false, 3000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(score_answer_cut_short(c.received, c.length_known, c.length), c.cut) << c.name;
}

TEST(ScoreQuery, OneHundredRowsAtMostAndTheirText) {
    const std::string line = "('52310','1','f3','0.106','1100000000','rec','f7','Ann',\"Ms. Pac-Man\",'3','12.5','d')<P>\n";
    std::string answer = "ZEPH scores\n";
    for (int i = 0; i < 150; ++i) answer += line;
    static ScoreRecord table[SCORE_TABLE_SIZE];  // exactly the table: the sanitizer sees a write past it
    std::string last_row;
    EXPECT_EQ(parse_score_response(answer.data(), answer.size(), table, SCORE_TABLE_SIZE,
                                   [](int, const char* row, void* last) { *static_cast<std::string*>(last) = row; },
                                   &last_row),
              SCORE_TABLE_SIZE);
    EXPECT_EQ(last_row, "     52310 - Ann");
}

std::tm make_tm(int year, int mon, int mday, int hour, int min, int sec, int wday) {
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = mon, t.tm_mday = mday, t.tm_hour = hour, t.tm_min = min, t.tm_sec = sec;
    t.tm_wday = wday;
    return t;
}

TEST(ScoreDetails, UploadLineInTheAsctimeLayoutWithATwoDigitDay) {
    const std::tm times[] = {make_tm(2023, 2, 5, 14, 3, 9, 0), make_tm(1999, 11, 31, 23, 59, 59, 6),
                             make_tm(2000, 12, 1, 0, 0, 0, 1), make_tm(2000, 0, 1, 0, 0, 0, 7)};
    const std::pair<const std::tm*, const char*> cases[] = {
        {&times[0], "Uploaded on: Sun Mar 05 14:03:09 2023\n"}, {&times[1], "Uploaded on: Sat Dec 31 23:59:59 1999\n"},
        {nullptr, "Uploaded on: unknown"},  // a time localtime could not convert
        {&times[2], "Uploaded on: unknown"}, {&times[3], "Uploaded on: unknown"}};  // no month or day of that number
    for (const auto& [t, line] : cases) {
        char out[64];
        format_upload_line(out, sizeof out, t);
        EXPECT_STREQ(out, line);
    }
}

TEST(ScoreDetails, NumbersAndTheGameOfARecording) {
    const std::pair<double, int> numbers[] = {{12.9, 12},       {-7.9, -7},         {1e300, INT_MAX},
                                              {-1e300, INT_MIN}, {std::nan(""), 0}, {HUGE_VAL, INT_MAX}};
    for (const auto& [value, truncated] : numbers) EXPECT_EQ(truncate_to_int(value), truncated) << value;
    const std::pair<std::string, const char*> heads[] = {
        {std::string("pacman\0\0rest", 12), "pacman"}, {"mspacmabXYZ", "mspacmab"},  // at most 8 characters
        {"pacm", nullptr} /* shorter than 8 bytes */, {std::string(8, '\0'), nullptr}};
    for (const auto& [head, game] : heads) {
        char name[9];
        const bool ok = inp_game_name(reinterpret_cast<const unsigned char*>(head.data()), head.size(), name);
        EXPECT_EQ(ok ? name : "(none)", std::string(game ? game : "(none)")) << head;
    }
}

}  // namespace
