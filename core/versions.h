#pragma once
// The installed MAME versions, read from "versions.ini": four lines per
// entry (display name, executable, the score service's name for the
// version, and a fourth line that only keeps the rhythm). Read at start and
// again after the "MAME versions" dialog has written the file.
#include <cstddef>

#include "core/encoding.h"

struct MameVersion {
    char display_name[204];
    char version_name[20];
    char executable[512];
};

inline constexpr int MAX_MAME_VERSIONS = 100;
inline constexpr const char* VERSIONS_FILE = "versions.ini";

// Said when versions.ini lists no version: nothing can be listed or run.
inline constexpr const char* NO_VERSION_CAPTION = "No MAME version";
inline constexpr const char* NO_VERSION_TEXT = "No MAME version is listed: add one with \"Versions...\".";
// Asked after each message whose remedy is the "MAME versions" dialog.
inline constexpr const char* SET_UP_QUESTION = "\n\nSet up the MAME versions now?";

extern MameVersion mame_versions[MAX_MAME_VERSIONS];
extern int mame_version_count;

// One entry's four lines as versions.ini gives them, in the file's own
// characters: the ANSI code page's for a file in it, UTF-8 for a file in
// UTF-8 or UTF-16. Kept so that the file can be shown and written back as it
// is. Each line has room for its table field three times over, the most
// that a character of an ANSI code page takes in UTF-8.
struct VersionLines {
    char name[203 * 3 + 1];
    char program[511 * 3 + 1];
    char version[19 * 3 + 1];
    char fourth[11 * 3 + 1];
};
inline constexpr int VERSION_LINE_COUNT = 4;
// Line 0 to 3 of an entry, and its room.
char* version_line(VersionLines& entry, int line, std::size_t* size = nullptr);
const char* version_line(const VersionLines& entry, int line);

// What the reader keeps beside each record of mame_versions.
struct VersionSource {
    VersionLines lines;
    int line_numbers[VERSION_LINE_COUNT];  // in the file, from 1; 0 for a line the file ended before
    unsigned char unusable;  // bit n: line n holds what its field cannot (see LineFit)
};
extern VersionSource version_sources[MAX_MAME_VERSIONS];

// What the last read found besides the entries.
struct VersionsFileInfo {
    TextEncoding encoding;  // kept when the file is written again
    bool more;  // it holds more than was read: entries past the 100th, or past what could be read at all
};
extern VersionsFileInfo versions_file;

// How one line went into its table field.
enum class LineFit { whole, cut, cannot_hold };
// Puts `length` bytes of line `line` (0 to 3) of an entry into `field`, a
// table field of `size` bytes, as the program will use it; leaves `field`
// terminated whatever happens. `cannot_hold`: a character the field cannot
// take (the ANSI code page lacks it); the field is then empty.
using StoreLine = LineFit (*)(int line, const char* text, std::size_t length, char* field, std::size_t size);
// For a file in the ANSI code page: its bytes, cut to fit.
LineFit store_line_as_is(int line, const char* text, std::size_t length, char* field, std::size_t size);

// Called once per entry as it is taken, so the caller can list it at once.
using VersionTaken = void (*)(int index, void* context);

// Reads the entries of `text` (versions.ini without its byte order mark, in
// the file's own characters) into mame_versions and version_sources from
// mame_version_count on, each line through `store`. Returns the number of
// entries taken.
int read_versions(const char* text, std::size_t size, StoreLine store, VersionTaken on_taken, void* context);

// Empties the table, then reads versions.ini from the working folder into
// it: a file in UTF-8 or UTF-16 through `store_utf8` (after turning UTF-16
// into UTF-8), one in the ANSI code page as it is. Sets versions_file; a
// missing or empty file counts as one in UTF-8 with a mark, the form the
// reader can never mistake. Returns 0, or -1 when there is no file to read.
int read_versions_file(StoreLine store_utf8, VersionTaken on_taken, void* context);

// Index of the first version whose version_name equals `name` byte for byte,
// or -1.
int find_version(const char* name);

// Why version `index` cannot be run: none is listed, or its program line is
// missing or unusable. False when it has a program.
bool format_no_program(char* out, std::size_t size, int index, unsigned code_page);
// The lines of versions.ini that could not be used, each named by its
// number. False when there is none.
bool format_unusable_lines(char* out, std::size_t size, unsigned code_page);

// versions.ini's bytes for `entries` (in the file's own characters, see
// VersionLines): four lines each, CRLF after every line, in `encoding`. An
// empty fourth line is written as "Win32", so that no line goes missing.
// False when `size` is too small (a full table takes less than
// VERSIONS_FILE_MAX).
inline constexpr std::size_t VERSIONS_FILE_MAX = 512 * 1024;
bool write_versions(const VersionLines* entries, int count, TextEncoding encoding, unsigned char* out,
                    std::size_t size, std::size_t* written);

// An entry taken in the dialog, as the reader will see it again.
enum class EntryProblem { none, empty, leading_blank, control_character, too_long, not_in_code_page, not_in_file };
struct EntryCheck {
    int line;  // 0 to 2
    EntryProblem problem;
};
// The first of name, program and version that the reader could not give
// back as it is: empty or blank, beginning with a blank (skipped), holding a
// control character (a line break would split it), too long for its field,
// or holding what `store` cannot put there.
EntryCheck check_version_entry(const VersionLines& entry, StoreLine store);
// Why an entry was refused, naming its field (and its place in the list,
// from 1, when `position` is not 0).
bool format_entry_problem(char* out, std::size_t size, const EntryCheck& check, int position, unsigned code_page);

// Where the program is in a program line: between the quotes when the line
// begins with one (options may follow), else the whole line.
void program_of_line(const char* line, std::size_t* start, std::size_t* length);
