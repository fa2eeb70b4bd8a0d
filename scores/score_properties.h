#pragma once
// Text of the Score properties dialog that needs no window: the upload time
// line, number conversions that cannot overflow, and reading the game's short
// name from the head of a recording.
#include <cstddef>
#include <ctime>

// "Uploaded on: " and the time in the asctime layout, but with the day of the
// month always written as two digits ("Sun Mar 05 14:03:09 2023\n"). English
// names whatever the locale. A time that could not be converted (null) is
// shown as "unknown".
void format_upload_line(char* out, std::size_t size, const std::tm* local_time);

// Truncates toward zero; values beyond int's range are clamped and NaN is 0,
// where a plain cast would be undefined.
int truncate_to_int(double value);

// The game's short name from the first bytes of an INP: what they hold up to
// the first NUL, at most 8 characters. `head` holds `count` bytes. Returns
// false when the head is shorter than 8 bytes or names nothing.
bool inp_game_name(const unsigned char* head, std::size_t count, char (&name)[9]);

// The question asked before a recording made with MAME `recorded_version`,
// which versions.ini does not list, is played back with the version shown as
// `display_name` instead.
bool format_version_question(char* out, std::size_t size, const char* recorded_version, const char* display_name);
