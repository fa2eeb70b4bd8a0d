// Feeds any bytes to the parse of the score server's answer, as the one read
// of the fetch leaves them: exactly `size` bytes, with no NUL after them, so
// the sanitizer sees any look past the answer. The parse must write only the
// slots of the lines it finds, keep every text terminated inside its field,
// report one row per slot in order, and fill each slot as the C library's
// formatted input fills it with the server's line format, read from the start
// of the line to the end of the answer.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scores/score_query.h"

namespace {

constexpr int TABLE = SCORE_TABLE_SIZE;
ScoreRecord table[TABLE + 1];  // one slot more, which must stay untouched

struct Seen {
    std::vector<std::string> rows;
    bool bad = false;
};

void on_row(int slot, const char* row, void* context) {
    auto* seen = static_cast<Seen*>(context);
    if (slot != static_cast<int>(seen->rows.size()) || strnlen(row, 256) == 256) seen->bad = true;
    seen->rows.push_back(row);
    // The slot is complete before its row is reported: the row ends with its player.
    const std::size_t player = std::strlen(table[slot].player), length = std::strlen(row);
    if (length < player || std::strcmp(row + length - player, table[slot].player) != 0) seen->bad = true;
}

bool terminated(const char* field, std::size_t size) { return std::memchr(field, 0, size) != nullptr; }

// The text `src` as the parse keeps it in a field of `size` bytes.
bool same_text(const char* field, std::size_t size, const std::vector<char>& src) {
    const std::size_t n = strnlen(src.data(), src.size());
    const std::size_t kept = n < size - 1 ? n : size - 1;
    return std::memcmp(field, src.data(), kept) == 0 && field[kept] == '\0';
}

// An integer field that glibc and the parse are both sure to read alike:
// within 64 bits (glibc saturates beyond, the parse keeps the low bits), and
// not a "0x" without a hexadecimal digit after it (glibc takes the x too).
bool plain_integer(const char* at) {
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
    if (*at == '+' || *at == '-') ++at;
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X') && !std::isxdigit(static_cast<unsigned char>(at[2])))
        return false;
    std::size_t digits = 0;
    while (std::isxdigit(static_cast<unsigned char>(at[digits])) || at[digits] == 'x' || at[digits] == 'X') ++digits;
    return digits < 16;
}

// A points field glibc reads as the parse does: a decimal number whose
// exponent, if any, has a digit inside the five characters. glibc also takes
// "inf", "nan" and hexadecimal numbers, which the score server never writes,
// and reads "12.e" as 12 where the C standard (and the parse) see no number.
bool plain_number(const char* at) {
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
    for (int i = 0; i < 5 && at[i]; ++i) {
        if (at[i] == 'e' || at[i] == 'E') {
            const int digit = i + 1 < 5 && (at[i + 1] == '+' || at[i + 1] == '-') ? i + 2 : i + 1;
            return digit < 5 && at[digit] >= '0' && at[digit] <= '9';
        }
        if (std::isalpha(static_cast<unsigned char>(at[i]))) return false;
    }
    return true;
}

// The leading decimal integer of a score text, as atoi reads it but without
// its overflow: the digits are read by strtod, correctly rounded.
double leading_integer(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    std::string number;
    if (*text == '+' || *text == '-') number += *text++;
    while (*text >= '0' && *text <= '9') number += *text++;
    return std::strtod(number.c_str(), nullptr);
}

// Checks slot `r` against glibc's sscanf of the line at `line` (the answer
// from there to its end, as a NUL-terminated text).
void check_line(const ScoreRecord& r, const char* line, std::size_t rest, const std::string& row) {
    std::vector<char> score(rest + 1), field3(rest + 1), version(rest + 1), recording(rest + 1), field7(rest + 1),
        player(rest + 1), game(rest + 1), description(rest + 1);
    int confirmed = 0, position = 0;
    long uploaded = 0;
    float points = 0;
    int at_confirmed = -1, at_uploaded = -1, at_position = -1, at_points = -1;
    const int n = std::sscanf(line,
                              "('%[^']','%n%i','%[^']','%[^']','%n%li','%[^']','%[^']','%[^']',\"%[^\"]\",'%n%i',"
                              "'%n%5f','%[^']')<P>\n",
                              score.data(), &at_confirmed, &confirmed, field3.data(), version.data(), &at_uploaded,
                              &uploaded, recording.data(), field7.data(), player.data(), game.data(), &at_position,
                              &position, &at_points, &points, description.data());
    const int converted = n < 0 ? 0 : n;
    // Integers and points that the two readers may take differently (wherever
    // the conversion reached them) end the comparison there; every field
    // before them must agree. Otherwise the whole slot must agree, a field
    // past where the conversion stopped being empty or zero.
    int upto = 12;
    if (at_points >= 0 && !plain_number(line + at_points)) upto = 10;
    if (at_position >= 0 && !plain_integer(line + at_position)) upto = 9;
    if (at_uploaded >= 0 && !plain_integer(line + at_uploaded)) upto = 4;
    if (at_confirmed >= 0 && !plain_integer(line + at_confirmed)) upto = 1;
    auto compared = [&](int k) { return k <= upto; };
    const std::vector<char> empty(1, '\0');
    auto text = [&](int k, const std::vector<char>& v) -> const std::vector<char>& { return converted >= k ? v : empty; };
    bool ok = r.score == 0 || converted >= 1;
    const char* first_wrong = nullptr;
    auto expect = [&](bool same, const char* field) { if (!same && !first_wrong) first_wrong = field; ok &= same; };
    if (converted >= 1) {
        // The parse reads the number from the score text as it keeps it: 31 characters.
        const double expected = leading_integer(std::string(score.data()).substr(0, 31).c_str());
        expect(std::fabs(expected) < 9007199254740992.0 ? r.score == expected
                                                       : std::fabs(r.score - expected) <= std::fabs(expected) * 1e-12,
               "score");
    }
    if (compared(2)) expect(r.confirmed == (converted >= 2 ? confirmed : 0), "field 2");
    if (compared(3)) expect(same_text(r.field3, sizeof r.field3, text(3, field3)), "field 3");
    if (compared(4)) expect(same_text(r.mame_version, sizeof r.mame_version, text(4, version)), "field 4");
    if (compared(5)) expect(r.uploaded == static_cast<std::int32_t>(converted >= 5 ? uploaded : 0), "field 5");
    if (compared(6)) expect(same_text(r.recording_name, sizeof r.recording_name, text(6, recording)), "field 6");
    if (compared(7)) expect(same_text(r.field7, sizeof r.field7, text(7, field7)), "field 7");
    if (compared(8)) expect(same_text(r.player, sizeof r.player, text(8, player)), "field 8");
    if (compared(9)) expect(same_text(r.game_name, sizeof r.game_name, text(9, game)), "field 9");
    if (compared(10)) expect(r.position == static_cast<std::int16_t>(converted >= 10 ? position : 0), "field 10");
    if (compared(11)) expect(r.points == (converted >= 11 ? points : 0.0f), "field 11");
    if (compared(12)) expect(same_text(r.description, sizeof r.description, text(12, description)), "field 12");

    // The row: the score text right-aligned in ten places, " - ", the player.
    if (compared(8)) {
        char score_text[32], player_text[64], expected_row[256];
        std::snprintf(score_text, sizeof score_text, "%s", text(1, score).data());
        std::snprintf(player_text, sizeof player_text, "%s", text(8, player).data());
        std::snprintf(expected_row, sizeof expected_row, "%10s - %s", score_text, player_text);
        expect(row == expected_row, "row");
    }
    if (!ok) {
        std::fprintf(stderr, "finding: a slot differs from sscanf (%d conversions) in %s; points %.9g / %.9g; line: ", converted,
                     first_wrong ? first_wrong : "score", static_cast<double>(r.points), static_cast<double>(points));
        for (const char* c = line; *c && *c != '\n'; ++c)
            std::fprintf(stderr, *c >= 32 && *c < 127 ? "%c" : "\\x%02X", static_cast<unsigned char>(*c));
        std::fprintf(stderr, "\n");
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > SCORE_RESPONSE_SIZE) return 0;  // one read never brings more
    std::memset(table, 0x5A, sizeof table);
    Seen seen;
    const char* text = reinterpret_cast<const char*>(data);
    const int count = parse_score_response(text, size, table, TABLE, on_row, &seen);
    if (count < 0 || count > TABLE || static_cast<int>(seen.rows.size()) != count || seen.bad) __builtin_trap();

    ScoreRecord fill;
    std::memset(&fill, 0x5A, sizeof fill);
    for (int i = count; i <= TABLE; ++i)
        if (std::memcmp(&table[i], &fill, sizeof fill) != 0) __builtin_trap();

    // The same answer as a NUL-terminated text, for sscanf, and its lines: the
    // heading is skipped, and each search for a line feed starts at the
    // second character of the line before.
    const std::string answer(text, strnlen(text, size));
    std::size_t line = 0;
    for (int slot = 0; slot < count; ++slot) {
        const ScoreRecord& r = table[slot];
        for (const auto& [field, room] : {std::pair{r.field3, sizeof r.field3}, {r.mame_version, sizeof r.mame_version},
                                         {r.recording_name, sizeof r.recording_name}, {r.description, sizeof r.description},
                                         {r.field7, sizeof r.field7}, {r.player, sizeof r.player},
                                         {r.game_name, sizeof r.game_name}})
            if (!terminated(field, room)) __builtin_trap();
        const std::size_t lf = answer.find('\n', line + 1);
        if (lf == std::string::npos || lf + 1 >= answer.size()) __builtin_trap();
        line = lf + 1;
        check_line(r, answer.c_str() + line, answer.size() - line, seen.rows[static_cast<std::size_t>(slot)]);
    }
    // After the last slot there is no further line, unless the table is full.
    if (count < TABLE) {
        const std::size_t lf = answer.find('\n', count == 0 ? 1 : line + 1);
        if (lf != std::string::npos && lf + 1 < answer.size()) __builtin_trap();
    }
    return 0;
}
