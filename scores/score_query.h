#pragma once
// The high-score query without a window: the request path, the parse of the
// score server's answer into score table slots, and the row text of a score.
#include <cstddef>
#include <cstdint>

#include "scores/score_table.h"

// One fetch reads at most this much of the answer; the rest is never looked at.
inline constexpr std::size_t SCORE_RESPONSE_SIZE = 10240;

// The split text counts with at most this many characters (the edit is read
// into a 16-byte buffer).
inline constexpr std::size_t SPLIT_TEXT_MAX = 15;

// "/index.cgi?mode=fe_scores&short=" and `short_name`, then "-" and the first
// 15 characters of `split` when it has any. Nothing is escaped: the server
// gets the names exactly as typed. Returns false when `out` was too small (the
// text is then cut).
bool build_score_path(char* out, std::size_t size, const char* short_name, const char* split);

// Whether the one read of an answer ended before the answer did: it brought
// fewer bytes than the buffer holds and fewer than the Content-Length the
// server announced. Such an answer was cut off by a closed connection (which
// the read does not report as a failure), and its last line may hold half a
// score. Without a Content-Length nothing can be told.
bool score_answer_cut_short(std::size_t received, bool length_known, std::uint64_t content_length);

// A list row: the score text right-aligned in ten places (longer ones are not
// cut), " - ", the player.
void format_score_row(char* out, std::size_t size, const char* score_text, const char* player);

// Told of each row as soon as its slot is complete, so a row the user can
// open always refers to a whole record.
using ScoreRowSink = void (*)(int slot, const char* row, void* context);

// Parses an answer of `length` bytes (not NUL-terminated; a NUL byte ends the
// text early) into table[0], table[1], ... one slot and one row per line after
// the heading, at most `table_size` lines. Slots beyond the last line are left
// as they were. Returns the number of slots written.
int parse_score_response(const char* text, std::size_t length, ScoreRecord* table, int table_size, ScoreRowSink sink,
                         void* context);
