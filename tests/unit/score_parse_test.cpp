#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "scores/score_query.h"

namespace {

// One parsed slot and its row, in a form that compares and prints whole.
struct Slot {
    std::string row;
    double score = 0;
    int confirmed = 0;
    std::string field3, mame_version;
    int uploaded = 0;
    std::string recording_name, field7, player, game_name;
    int position = 0;
    float points = 0;
    std::string description;

    bool operator==(const Slot& o) const {
        return row == o.row && score == o.score && confirmed == o.confirmed && field3 == o.field3 &&
               mame_version == o.mame_version && uploaded == o.uploaded && recording_name == o.recording_name &&
               field7 == o.field7 && player == o.player && game_name == o.game_name && position == o.position &&
               points == o.points && description == o.description;
    }
};

std::ostream& operator<<(std::ostream& os, const Slot& s) {
    return os << "{row '" << s.row << "', score " << s.score << ", confirmed " << s.confirmed << ", '" << s.field3
              << "', '" << s.mame_version << "', uploaded " << s.uploaded << ", '" << s.recording_name << "', '"
              << s.field7 << "', player '" << s.player << "', game '" << s.game_name << "', position " << s.position
              << ", points " << s.points << ", '" << s.description << "'}";
}

const char* kHeading = "ZEPH scores for the game\n";

// A record line from its twelve field texts, in the server's layout.
std::string record(const std::vector<std::string>& f, const std::string& tail = "<P>\n") {
    return "('" + f[0] + "','" + f[1] + "','" + f[2] + "','" + f[3] + "','" + f[4] + "','" + f[5] + "','" + f[6] +
           "','" + f[7] + "',\"" + f[8] + "\",'" + f[9] + "','" + f[10] + "','" + f[11] + "')" + tail;
}

const std::vector<std::string> kFields = {"52310", "1", "f3", "0.106", "1100000000", "mspacman-52310",
                                          "f7", "Ann", "Ms. Pac-Man's Revenge", "3", "12.5", "A clean run"};

std::vector<std::string> with(std::size_t index, const std::string& text) {
    std::vector<std::string> f = kFields;
    f[index] = text;
    return f;
}

// A slot where the conversion stopped after the first two fields (or before any).
Slot stopped(const std::string& row, double score = 0, int confirmed = 0) {
    Slot s;
    s.row = row;
    s.score = score;
    s.confirmed = confirmed;
    return s;
}

Slot full(const std::string& row, double score) {
    Slot s{row, score, 1, "f3", "0.106", 1100000000, "mspacman-52310", "f7", "Ann", "Ms. Pac-Man's Revenge", 3,
           12.5f, "A clean run"};
    return s;
}

// What the parse leaves in the first slots and the rows it reports. The table
// is filled with 0x5A first, so slots it does not write stay recognisable.
struct Result {
    std::vector<Slot> slots;
    int count = 0;
    int untouched_from = 0;  // first slot still holding the fill
};

Result parse(const char* text, std::size_t length) {
    static ScoreRecord table[SCORE_TABLE_SIZE + 1];
    std::memset(table, 0x5A, sizeof table);
    struct Seen { std::vector<std::string> rows; const ScoreRecord* table; } seen{{}, table};
    Result r;
    r.count = parse_score_response(
        text, length, table, SCORE_TABLE_SIZE,
        [](int slot, const char* row, void* out) {
            auto* seen = static_cast<Seen*>(out);
            EXPECT_EQ(slot, static_cast<int>(seen->rows.size())) << "rows must come in slot order";
            const std::string player = seen->table[slot].player;
            EXPECT_EQ(std::string(row).substr(std::strlen(row) - player.size()), player)
                << "the slot must be complete when its row is reported";
            seen->rows.push_back(row);
        },
        &seen);
    const std::vector<std::string>& rows = seen.rows;
    EXPECT_EQ(static_cast<int>(rows.size()), r.count) << "one row per slot written";
    for (std::size_t i = 0; i < rows.size() && i < 3; ++i) {
        const ScoreRecord& t = table[i];
        r.slots.push_back(Slot{rows[i], t.score, t.confirmed, t.field3, t.mame_version, t.uploaded, t.recording_name,
                               t.field7, t.player, t.game_name, t.position, t.points, t.description});
    }
    ScoreRecord fill;
    std::memset(&fill, 0x5A, sizeof fill);
    r.untouched_from = 0;
    while (r.untouched_from <= SCORE_TABLE_SIZE && std::memcmp(&table[r.untouched_from], &fill, sizeof fill) != 0)
        ++r.untouched_from;
    return r;
}

Result parse(const std::string& text) { return parse(text.data(), text.size()); }

TEST(ScoreParse, RecordLinesAreConvertedFieldByField) {
    const Slot empty_third = stopped("     52310 - ", 52310, 1);
    Slot points_cut = full("     52310 - Ann", 52310);
    points_cut.points = 123.4f;
    points_cut.description = "";
    Slot long_score = full("   1234567 - Ann", 1234567);
    long_score.recording_name = "mspacman-52310";
    Slot comma_score = full("    12,345 - Ann", 12);
    Slot wide_position = full("     52310 - Ann", 52310);
    wide_position.position = 4464;
    const Slot html = stopped("           - ");
    Slot numbers = full("     52310 - Ann", 52310);
    numbers.confirmed = 8;
    numbers.uploaded = 1;
    Slot hex = full("     52310 - Ann", 52310);
    hex.confirmed = 31;
    hex.position = -2;
    Slot cut_fields = full("     52310 - Ann", 52310);
    cut_fields.field3 = "ABCDEFGHI";
    cut_fields.player = std::string(63, 'p');
    cut_fields.row = "     52310 - " + std::string(63, 'p');
    Slot spaced = full("       -50 - Ann", -50);
    spaced.points = 1000;
    spaced.confirmed = -7;
    Slot split_player = full("     52310 - Ann\nBob", 52310);
    split_player.player = "Ann\nBob";

    struct Case { const char* name; std::string lines; std::vector<Slot> expected; } cases[] = {
        {"every field of a well-formed line", record(kFields), {full("     52310 - Ann", 52310)}},
        {"an empty third field stops the conversion there", record(with(2, "")), {empty_third}},
        {"points are read from five characters, the rest stops the conversion", record(with(10, "123.45")),
         {points_cut}},
        {"a score wider than ten places is not cut", record(with(0, "1234567")), {long_score}},
        {"a score with a comma keeps its text; the number ends at the comma", record(with(0, "12,345")),
         {comma_score}},
        {"a position keeps its low 16 bits", record(with(9, "70000")), {wide_position}},
        {"a line without <P> still gives all twelve fields", record(kFields, "\n"), {full("     52310 - Ann", 52310)}},
        {"a carriage return before the line feed does no harm", record(kFields, "<P>\r\n"),
         {full("     52310 - Ann", 52310)}},
        {"a line of HTML gives an empty slot and ten spaces", "<p>No scores today</p>\n", {html}},
        {"octal integers, and a time beyond 32 bits keeps its low bits",
         record([] { auto f = with(1, "010"); f[4] = "4294967297"; return f; }()), {numbers}},
        {"hexadecimal integers and negative positions",
         record([] { auto f = with(1, "0x1F"); f[9] = "-2"; return f; }()), {hex}},
        {"white space before numbers is skipped, an exponent is read",
         record([] { auto f = with(0, " -50"); f[1] = " -7"; f[10] = " 1e3"; return f; }()), {spaced}},
        {"texts longer than their room are cut and the line goes on",
         record([] { auto f = with(2, "ABCDEFGHIJKL"); f[7] = std::string(80, 'p'); return f; }()), {cut_fields}},
        {"a text whose closing quote is on a later line takes that line in, which is read again on its own",
         "('52310','1','f3','0.106','1100000000','mspacman-52310','f7','Ann\nBob',\"Ms. Pac-Man's Revenge\",'3',"
         "'12.5','A clean run')<P>\n",
         {split_player, stopped("           - ")}},
        {"a bare empty line hides the line after it, as the search starts at a line's second character",
         "\n" + record(with(0, "1")) + record(with(0, "2")),
         {stopped("           - "), full("         2 - Ann", 2)}},
    };
    for (const auto& c : cases) {
        const Result r = parse(kHeading + c.lines);
        EXPECT_EQ(r.slots, c.expected) << c.name;
    }
}

TEST(ScoreParse, HeadingAndEndsOfTheAnswer) {
    const std::string a = record(with(0, "1")), b = record(with(0, "2"));
    struct Case { const char* name; std::string text; int rows; } cases[] = {
        {"an empty answer", "", 0},
        {"a single character", "x", 0},
        {"a heading without a line feed", "ZEPH scores", 0},
        {"a heading line only", kHeading, 0},
        {"a leading line feed does not end the heading: the first two lines are skipped", "\n" + std::string(kHeading) + a,
         1},
        {"a line feed as the second character ends the heading", "H\n" + a + b, 2},
        {"the last line needs no line feed", kHeading + a + b.substr(0, b.size() - 1), 2},
        {"a NUL byte ends the text", kHeading + a + std::string(1, '\0') + b, 1},
    };
    for (const auto& c : cases) {
        const Result r = parse(c.text);
        EXPECT_EQ(r.count, c.rows) << c.name;
        EXPECT_EQ(r.untouched_from, c.rows) << c.name << ": slots past the last line must be left as they were";
    }
}

TEST(ScoreParse, AtMostOneHundredLinesAreRead) {
    std::string text = kHeading;
    for (int i = 0; i < 150; ++i) text += record(with(0, std::to_string(i)));
    const Result r = parse(text);
    EXPECT_EQ(r.count, 100);
    EXPECT_EQ(r.untouched_from, 100) << "nothing may be written past the table";
}

TEST(ScoreParse, AnAnswerCutAtTheReadSizeIsReadUpToTheCut) {
    // Full lines, then one cut inside its recording name at byte 10240; a
    // heading of the right length makes the sizes meet. The buffer holds
    // exactly the bytes read, with no NUL after them, as a full read leaves
    // it: the sanitizer catches any look beyond.
    const std::string line = record(kFields);
    const std::string cut_line = "('52310','1','f3','0.106','1100000000','mspac";
    const std::size_t lines = (SCORE_RESPONSE_SIZE - cut_line.size() - 40) / line.size();
    std::string text(SCORE_RESPONSE_SIZE - cut_line.size() - lines * line.size() - 1, 'H');
    text += "\n";
    for (std::size_t i = 0; i < lines; ++i) text += line;
    text += cut_line;
    ASSERT_EQ(text.size(), SCORE_RESPONSE_SIZE);
    const std::vector<char> buffer(text.begin(), text.end());

    static ScoreRecord table[SCORE_TABLE_SIZE];
    std::vector<std::string> rows;
    const int count = parse_score_response(
        buffer.data(), buffer.size(), table, SCORE_TABLE_SIZE,
        [](int, const char* row, void* out) { static_cast<std::vector<std::string>*>(out)->push_back(row); }, &rows);
    ASSERT_EQ(count, static_cast<int>(lines) + 1) << "the cut line takes a slot too";
    const ScoreRecord& last = table[count - 1];
    EXPECT_EQ(last.uploaded, 1100000000);
    EXPECT_EQ(std::string(last.recording_name), "mspac") << "the field at the cut holds the text up to the cut";
    EXPECT_EQ(last.field7[0], '\0');
    EXPECT_EQ(rows.back(), "     52310 - ");
}

TEST(ScoreQuery, AnAnswerCutShortIsTold) {
    struct Case { const char* name; std::size_t received; bool length_known; std::uint32_t length; bool cut; } cases[] = {
        {"the whole announced answer", 300, true, 300, false},
        {"a connection closed 3000 bytes early", 300, true, 3300, true},
        {"a full read of a longer answer", SCORE_RESPONSE_SIZE, true, 10u << 20, false},
        {"a full read of an answer cut later", SCORE_RESPONSE_SIZE, true, SCORE_RESPONSE_SIZE + 1, false},
        {"no Content-Length (chunked)", 300, false, 0, false},
        {"an empty answer announced empty", 0, true, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(score_answer_cut_short(c.received, c.length_known, c.length), c.cut) << c.name;
}

TEST(ScoreQuery, RequestPath) {
    struct Case { const char* name; const char* short_name; const char* split; std::string expected; } cases[] = {
        {"no split", "pacman", "", "/index.cgi?mode=fe_scores&short=pacman"},
        {"a split of 2", "pacman", "2", "/index.cgi?mode=fe_scores&short=pacman-2"},
        {"a long split is cut to 15 characters", "pacman", "abcdefghijklmnopqrst",
         "/index.cgi?mode=fe_scores&short=pacman-abcdefghijklmno"},
        {"nothing is escaped", "a b", "c&d", "/index.cgi?mode=fe_scores&short=a b-c&d"},
    };
    for (const auto& c : cases) {
        char path[128];
        EXPECT_TRUE(build_score_path(path, sizeof path, c.short_name, c.split)) << c.name;
        EXPECT_EQ(std::string(path), c.expected) << c.name;
    }
    char small[40];
    EXPECT_FALSE(build_score_path(small, sizeof small, "pacman", "2"));
    EXPECT_EQ(std::strlen(small), sizeof small - 1) << "a cut path still ends inside its buffer";
}

}  // namespace
