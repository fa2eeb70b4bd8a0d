// Feeds any bytes to the parse of the score server's answer as the fetch's one
// read leaves them: `size` bytes, no NUL after them, so the sanitizer sees any
// look past the answer. The parse must write only the slots of the lines it
// finds, report each row once its slot is complete, and fill each slot as
// sscanf fills it with the line format, cut to its fields and terminated.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scores/score_query.h"

namespace {

ScoreRecord table[SCORE_TABLE_SIZE + 1];  // one slot more, never written
std::vector<std::string> rows;

void on_row(int slot, const char* row, void*) {
    const std::string text = row, tail = std::string(" - ") + table[slot].player;  // a row ends with " - " and the player
    if (slot != static_cast<int>(rows.size()) || text.size() < tail.size() ||
        text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
        __builtin_trap();
    rows.push_back(text);
}

const char* skip_space(const char* at) {
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
    return at;
}

// Where the two may read a number apart the comparison ends: an integer beyond 64 bits (sscanf saturates, the
// parse keeps the low bits) or "0x" without a hexadecimal digit (sscanf takes the x too); points in letters ("inf",
// "nan", hexadecimal), or whose exponent has no digit within five characters ("12.e": 12 to sscanf, no number to C).
bool plain_integer(const char* at) {
    at = skip_space(at);
    at += *at == '+' || *at == '-';
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X') && !std::isxdigit(static_cast<unsigned char>(at[2]))) return false;
    return std::strspn(at, "0123456789abcdefABCDEFxX") < 16;
}
bool plain_number(const char* at) {
    const std::string w = std::string(skip_space(at)).substr(0, 5);
    const std::size_t e = w.find_first_of("eE"), digit = e + 1 + (e + 1 < w.size() && (w[e + 1] == '+' || w[e + 1] == '-'));
    return std::none_of(w.begin(), e == std::string::npos ? w.end() : w.begin() + static_cast<long>(e),
                        [](char c) { return std::isalpha(c & 0xFF); }) &&
           (e == std::string::npos || (digit < w.size() && std::isdigit(w[digit] & 0xFF)));
}

// Slot `r` against sscanf of the line at `line` (the rest of the answer, NUL-terminated).
bool same_as_sscanf(const ScoreRecord& r, const char* line, std::size_t rest, const std::string& row) {
    std::vector<std::vector<char>> t(8, std::vector<char>(rest + 1, '\0'));  // the eight texts, in line order
    int confirmed = 0, position = 0, at[4] = {-1, -1, -1, -1};
    long uploaded = 0;
    float points = 0;
    std::sscanf(line, "('%[^']','%n%i','%[^']','%[^']','%n%li','%[^']','%[^']','%[^']',\"%[^\"]\",'%n%i','%n%5f','%[^']')",
                t[0].data(), &at[0], &confirmed, t[1].data(), t[2].data(), &at[1], &uploaded, t[3].data(), t[4].data(),
                t[5].data(), t[6].data(), &at[2], &position, &at[3], &points, t[7].data());
    // Fields before the first number the two may read apart must agree; those
    // the conversion did not reach are empty or zero.
    const int upto = at[0] >= 0 && !plain_integer(line + at[0])   ? 1
                     : at[1] >= 0 && !plain_integer(line + at[1]) ? 4
                     : at[2] >= 0 && !plain_integer(line + at[2]) ? 9
                     : at[3] >= 0 && !plain_number(line + at[3])  ? 10
                                                                  : 12;
    auto text = [&](int field, const char* kept, std::size_t size, int index) {
        const std::size_t n = std::min(std::strlen(t[index].data()), size - 1);
        return std::memchr(kept, 0, size) && (upto < field || (std::strncmp(kept, t[index].data(), n) == 0 && kept[n] == '\0'));
    };
    // The score: the leading decimal integer of its text as kept (31 characters), as atoi reads it but
    // without overflow; compared while strtoll takes at most 15 characters, where a double holds it exactly.
    const std::string kept(t[0].data(), strnlen(t[0].data(), 31));
    char* end;
    const long long score = std::strtoll(kept.c_str(), &end, 10);
    char expected_row[256];
    std::snprintf(expected_row, sizeof expected_row, "%10.31s - %.63s", t[0].data(), t[5].data());
    return (end - kept.c_str() > 15 || r.score == static_cast<double>(score)) && (upto < 2 || r.confirmed == confirmed) &&
           text(3, r.field3, sizeof r.field3, 1) && text(4, r.mame_version, sizeof r.mame_version, 2) &&
           (upto < 5 || r.uploaded == static_cast<std::int32_t>(uploaded)) &&
           text(6, r.recording_name, sizeof r.recording_name, 3) && text(7, r.field7, sizeof r.field7, 4) &&
           text(8, r.player, sizeof r.player, 5) && (upto < 8 || row == expected_row) &&
           text(9, r.game_name, sizeof r.game_name, 6) && (upto < 10 || r.position == static_cast<std::int16_t>(position)) &&
           (upto < 11 || r.points == points) && text(12, r.description, sizeof r.description, 7);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > SCORE_RESPONSE_SIZE) return 0;  // one read never brings more
    std::memset(table, 0x5A, sizeof table);
    rows.clear();
    const char* text = reinterpret_cast<const char*>(data);
    const int count = parse_score_response(text, size, table, SCORE_TABLE_SIZE, on_row, nullptr);
    if (count < 0 || count > SCORE_TABLE_SIZE || static_cast<int>(rows.size()) != count ||
        std::memcmp(&table[count], &table[SCORE_TABLE_SIZE], sizeof *table) != 0)  // the slot after the last as it was
        __builtin_trap();
    const std::string answer(text, strnlen(text, size));
    for (std::size_t slot = 0, line = 0;; ++slot) {
        const std::size_t lf = answer.find('\n', line + 1);
        const bool more = lf != std::string::npos && lf + 1 < answer.size();
        if (slot == rows.size()) {
            if (more && count < SCORE_TABLE_SIZE) __builtin_trap();  // a line left unread
            return 0;
        }
        line = lf + 1;
        if (!more || !same_as_sscanf(table[slot], answer.c_str() + line, answer.size() - line, rows[slot])) __builtin_trap();
    }
}
