// Feeds any bytes to the parse of the score server's answer as the fetch's one
// read leaves them: exactly `size` bytes, no NUL after them, so the sanitizer
// sees any look past the answer. The parse must write only the slots of the
// lines it finds (the heading skipped, each search for a line feed starting at
// the second character of the line before), keep every text terminated in its
// field, report each slot's row once it is complete, and fill the slot as
// sscanf fills it with the server's line format, read from the start of the
// line to the end of the answer.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scores/score_query.h"

namespace {

ScoreRecord table[SCORE_TABLE_SIZE + 1];  // one slot more, which must stay untouched
std::vector<std::string> rows;

void on_row(int slot, const char* row, void*) {
    const std::string text = row, player = table[slot].player;  // the row ends with the slot's player
    if (slot != static_cast<int>(rows.size()) || text.size() < player.size() ||
        text.compare(text.size() - player.size(), player.size(), player) != 0)
        __builtin_trap();
    rows.push_back(text);
}

const char* skip_space(const char* at) {
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
    return at;
}

// Numbers sscanf and the parse may read apart, which end the comparison: an
// integer beyond 64 bits (sscanf saturates, the parse keeps the low bits) or
// "0x" without a hexadecimal digit (sscanf takes the x too); points as
// "inf", "nan", hexadecimal, or with an exponent lacking a digit within five
// characters (sscanf reads "12.e" as 12, the C standard sees no number).
bool plain_integer(const char* at) {
    at = skip_space(at);
    at += *at == '+' || *at == '-';
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X') && !std::isxdigit(static_cast<unsigned char>(at[2]))) return false;
    return std::strspn(at, "0123456789abcdefABCDEFxX") < 16;
}
bool plain_number(const char* at) {
    at = skip_space(at);
    for (int i = 0; i < 5 && at[i]; ++i) {
        if (at[i] == 'e' || at[i] == 'E') {
            const int digit = i + 1 + (i + 1 < 5 && (at[i + 1] == '+' || at[i + 1] == '-'));
            return digit < 5 && std::isdigit(static_cast<unsigned char>(at[digit]));
        }
        if (std::isalpha(static_cast<unsigned char>(at[i]))) return false;
    }
    return true;
}

// The text `src` as a field of `size` bytes keeps it.
bool same(const char* field, std::size_t size, const char* src) {
    const std::size_t kept = std::min(std::strlen(src), size - 1);
    return std::strncmp(field, src, kept) == 0 && field[kept] == '\0';
}

// Slot `r` against sscanf of the line at `line` (the rest of the answer, NUL-terminated).
void check_line(const ScoreRecord& r, const char* line, std::size_t rest, const std::string& row) {
    std::vector<std::vector<char>> t(8, std::vector<char>(rest + 1, '\0'));  // the eight texts, in line order
    int confirmed = 0, position = 0, at[4] = {-1, -1, -1, -1};
    long uploaded = 0;
    float points = 0;
    std::sscanf(line, "('%[^']','%n%i','%[^']','%[^']','%n%li','%[^']','%[^']','%[^']',\"%[^\"]\",'%n%i','%n%5f','%[^']')",
                t[0].data(), &at[0], &confirmed, t[1].data(), t[2].data(), &at[1], &uploaded, t[3].data(), t[4].data(),
                t[5].data(), t[6].data(), &at[2], &position, &at[3], &points, t[7].data());
    // Fields up to the first number the two may read apart must agree; those
    // the conversion did not reach are empty or zero.
    int upto = 12;
    if (at[3] >= 0 && !plain_number(line + at[3])) upto = 10;
    if (at[2] >= 0 && !plain_integer(line + at[2])) upto = 9;
    if (at[1] >= 0 && !plain_integer(line + at[1])) upto = 4;
    if (at[0] >= 0 && !plain_integer(line + at[0])) upto = 1;
    // The score: the leading decimal integer of its text as kept (31 characters), read without overflow.
    const std::string kept(t[0].data(), strnlen(t[0].data(), 31));
    const char* s = skip_space(kept.c_str());
    const std::size_t sign = *s == '+' || *s == '-';
    const double score = std::strtod(std::string(s, sign + std::strspn(s + sign, "0123456789")).c_str(), nullptr);
    char expected_row[256];
    std::snprintf(expected_row, sizeof expected_row, "%10.31s - %.63s", t[0].data(), t[5].data());
    const bool ok =
        (std::fabs(score) < 9007199254740992.0 ? r.score == score : std::fabs(r.score - score) <= std::fabs(score) * 1e-12) &&
        (upto < 2 || r.confirmed == confirmed) && (upto < 3 || same(r.field3, sizeof r.field3, t[1].data())) &&
        (upto < 4 || same(r.mame_version, sizeof r.mame_version, t[2].data())) &&
        (upto < 5 || r.uploaded == static_cast<std::int32_t>(uploaded)) &&
        (upto < 6 || same(r.recording_name, sizeof r.recording_name, t[3].data())) &&
        (upto < 7 || same(r.field7, sizeof r.field7, t[4].data())) &&
        (upto < 8 || (same(r.player, sizeof r.player, t[5].data()) && row == expected_row)) &&
        (upto < 9 || same(r.game_name, sizeof r.game_name, t[6].data())) &&
        (upto < 10 || r.position == static_cast<std::int16_t>(position)) && (upto < 11 || r.points == points) &&
        (upto < 12 || same(r.description, sizeof r.description, t[7].data()));
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > SCORE_RESPONSE_SIZE) return 0;  // one read never brings more
    static ScoreRecord fill;
    std::memset(&fill, 0x5A, sizeof fill);
    std::fill(std::begin(table), std::end(table), fill);
    rows.clear();
    const char* text = reinterpret_cast<const char*>(data);
    const int count = parse_score_response(text, size, table, SCORE_TABLE_SIZE, on_row, nullptr);
    if (count < 0 || count > SCORE_TABLE_SIZE || static_cast<int>(rows.size()) != count ||
        std::memcmp(&table[count], &fill, sizeof fill) != 0)
        __builtin_trap();
    const std::string answer(text, strnlen(text, size));
    std::size_t line = 0;
    for (int slot = 0; slot <= count; ++slot) {
        const std::size_t lf = answer.find('\n', line + 1);
        const bool more = lf != std::string::npos && lf + 1 < answer.size();
        if (slot == count) {
            if (more && count < SCORE_TABLE_SIZE) __builtin_trap();  // a line left unread
            break;
        }
        if (!more) __builtin_trap();
        line = lf + 1;
        const ScoreRecord& r = table[slot];
        if (!std::memchr(r.field3, 0, sizeof r.field3) || !std::memchr(r.mame_version, 0, sizeof r.mame_version) ||
            !std::memchr(r.recording_name, 0, sizeof r.recording_name) || !std::memchr(r.field7, 0, sizeof r.field7) ||
            !std::memchr(r.description, 0, sizeof r.description) || !std::memchr(r.player, 0, sizeof r.player) ||
            !std::memchr(r.game_name, 0, sizeof r.game_name))
            __builtin_trap();
        check_line(r, answer.c_str() + line, answer.size() - line, rows[static_cast<std::size_t>(slot)]);
    }
    return 0;
}
