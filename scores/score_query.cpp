#include "scores/score_query.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace {

constexpr const char* SCORE_QUERY = "/index.cgi?mode=fe_scores&short=";

// The white space that scanf skips before a number, in the "C" locale the
// program runs in; spelled out so no locale can change it.
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Reads a record line the way the server's line format is defined: as the
// scanf conversion
//   ('%[^']','%i','%[^']','%[^']','%li','%[^']','%[^']','%[^']',"%[^"]",'%i','%5f','%[^']')<P>
// applied from the start of the line to the end of the whole answer. Each
// step returns false at the first mismatch, which ends the conversion and
// leaves every later field as it was (zero). Unlike scanf it never reads past
// `end_` and never writes past a field's room.
class LineScanner {
public:
    LineScanner(const char* at, const char* end) : p_(at), end_(end) {}

    bool literal(char c) {
        if (p_ == end_ || *p_ != c) return false;
        ++p_;
        return true;
    }

    // %[^stop]: at least one character. It runs over line ends, as scanf's
    // scan set does, so a missing closing quote takes in the lines after it.
    // A text longer than its room is cut to it; the conversion goes on after
    // the whole text.
    bool text(char stop, char* dst, std::size_t room) {
        const char* start = p_;
        while (p_ != end_ && *p_ != stop) ++p_;
        if (p_ == start) return false;
        copy_text_n(dst, room, start, static_cast<std::size_t>(p_ - start));
        return true;
    }

    // %i and %li: optional sign, then hexadecimal after 0x, octal after a
    // leading 0, decimal otherwise. A value beyond 32 bits keeps its low 32
    // bits (scanf leaves that undefined).
    bool integer(std::int32_t* out) {
        skip_space();
        bool negative = false;
        if (p_ != end_ && (*p_ == '+' || *p_ == '-')) negative = *p_++ == '-';
        if (p_ == end_ || !is_digit(*p_)) return false;
        unsigned base = 10;
        if (*p_ == '0') {
            base = 8;
            // "0x" counts as a prefix only when a hexadecimal digit follows;
            // otherwise the 0 stands alone and the x ends the number.
            if (end_ - p_ > 2 && (p_[1] == 'x' || p_[1] == 'X') && digit_value(p_[2]) < 16) {
                base = 16;
                p_ += 2;
            }
        }
        std::uint32_t value = 0;
        while (p_ != end_ && static_cast<unsigned>(digit_value(*p_)) < base)
            value = value * base + static_cast<std::uint32_t>(digit_value(*p_++));
        if (negative) value = 0u - value;
        *out = static_cast<std::int32_t>(value);
        return true;
    }

    // %5f: a decimal number of at most five characters (sign, digits, point
    // and exponent all count; the white space skipped before it does not).
    // Of a longer number the rest stays in the line and ends the conversion.
    bool number5(float* out) {
        skip_space();
        const char* start = p_;
        const char* limit = end_ - p_ > 5 ? p_ + 5 : end_;
        bool mantissa_digits = false, point = false, exponent = false, exponent_digits = false;
        if (p_ != limit && (*p_ == '+' || *p_ == '-')) ++p_;
        while (p_ != limit) {
            const char c = *p_;
            if (is_digit(c)) {
                (exponent ? exponent_digits : mantissa_digits) = true;
            } else if (c == '.' && !point && !exponent) {
                point = true;
            } else if ((c == 'e' || c == 'E') && mantissa_digits && !exponent) {
                exponent = true;
                if (limit - p_ > 1 && (p_[1] == '+' || p_[1] == '-')) ++p_;
            } else {
                break;
            }
            ++p_;
        }
        // What was taken must be a whole number: "1e" or "-." are not.
        if (!mantissa_digits || (exponent && !exponent_digits)) return false;
        char digits[8];
        copy_text_n(digits, sizeof digits, start, static_cast<std::size_t>(p_ - start));
        *out = std::strtof(digits, nullptr);
        return true;
    }

private:
    void skip_space() {
        while (p_ != end_ && is_space(*p_)) ++p_;
    }

    const char* p_;
    const char* end_;
};

// Fills what the conversion reaches of one line; stops where it stops.
void convert_line(LineScanner& in, ScoreRecord& r, char (&score_text)[32], char (&player)[64]) {
    std::int32_t position = 0;
    // clang-format off
    if (!(in.literal('(') && in.literal('\'') && in.text('\'', score_text, sizeof score_text)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.integer(&r.confirmed)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.text('\'', r.field3, sizeof r.field3)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.text('\'', r.mame_version, sizeof r.mame_version)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.integer(&r.uploaded)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.text('\'', r.recording_name, sizeof r.recording_name)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.text('\'', r.field7, sizeof r.field7)
          && in.literal('\'') && in.literal(',') && in.literal('\'') && in.text('\'', player, sizeof player)
          && in.literal('\'') && in.literal(',') && in.literal('"') && in.text('"', r.game_name, sizeof r.game_name)
          && in.literal('"') && in.literal(',') && in.literal('\'') && in.integer(&position)))
        return;
    // clang-format on
    // The position is a 16-bit number in the table; a larger one keeps its low bits.
    r.position = static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(position)));
    if (in.literal('\'') && in.literal(',') && in.literal('\'') && in.number5(&r.points) && in.literal('\'') &&
        in.literal(',') && in.literal('\''))
        in.text('\'', r.description, sizeof r.description);
}

// The leading decimal integer of the score text, as atoi reads it (white
// space, a sign, digits; 0 when there are none), but into a double so that a
// score beyond int's range is kept instead of being undefined.
double leading_integer(const char* text) {
    while (is_space(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '+' || *text == '-') ++text;
    double value = 0;
    while (is_digit(*text)) value = value * 10 + (*text++ - '0');
    return negative ? -value : value;
}

// The line after the one at `line`: the search for its line feed starts at
// the line's second character. Null when there is none or it would begin at
// the end of the text.
const char* next_line(const char* line, const char* end) {
    if (end - line < 2) return nullptr;
    const void* lf = std::memchr(line + 1, '\n', static_cast<std::size_t>(end - line - 1));
    if (!lf) return nullptr;
    const char* next = static_cast<const char*>(lf) + 1;
    return next == end ? nullptr : next;
}

}  // namespace

bool build_score_path(char* out, std::size_t size, const char* short_name, const char* split) {
    bool fits = copy_text(out, size, SCORE_QUERY) && append_text(out, size, short_name);
    char split_text[SPLIT_TEXT_MAX + 1];
    copy_text_n(split_text, sizeof split_text, split, SPLIT_TEXT_MAX);
    if (split_text[0] != '\0') fits = append_text(out, size, "-") && append_text(out, size, split_text) && fits;
    return fits;
}

bool score_answer_cut_short(std::size_t received, bool length_known, std::uint64_t content_length) {
    return length_known && received < SCORE_RESPONSE_SIZE && received < content_length;
}

void format_score_row(char* out, std::size_t size, const char* score_text, const char* player) {
    format_text(out, size, "%10s - %s", score_text, player);
}

int parse_score_response(const char* text, std::size_t length, ScoreRecord* table, int table_size, ScoreRowSink sink,
                         void* context) {
    const char* end = text + strnlen(text, length);
    // The heading is skipped from its second character on, so a line feed at
    // the very start does not end it.
    const char* line = next_line(text, end);
    int count = 0;
    while (line && count < table_size) {
        ScoreRecord& r = table[count];
        std::memset(&r, 0, sizeof r);
        char score_text[32] = "";
        char player[64] = "";
        LineScanner in(line, end);
        convert_line(in, r, score_text, player);
        copy_text(r.player, player);
        r.score = leading_integer(score_text);

        char row[256];
        format_score_row(row, sizeof row, score_text, player);
        if (sink) sink(count, row, context);
        ++count;
        line = next_line(line, end);
    }
    return count;
}
