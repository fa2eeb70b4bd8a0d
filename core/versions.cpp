#include "core/versions.h"

#include <cctype>
#include <cstring>

MameVersion mame_versions[MAX_MAME_VERSIONS];
int mame_version_count = 0;

namespace {

void skip_white_space(std::FILE* in) {
    int c;
    while ((c = std::getc(in)) != EOF && std::isspace(c)) {}
    if (c != EOF) std::ungetc(c, in);
}

// Takes one line into `field`. A line longer than the field is cut to fit and
// the rest of it is dropped, so it can never spill into the next field. A
// carriage return before the line feed is not part of the text. Returns false
// when there was no character to take (the end of the file).
bool take_line(std::FILE* in, char* field, std::size_t size) {
    std::size_t stored = 0;
    bool took = false;
    bool pending_cr = false;
    int c;
    while ((c = std::getc(in)) != EOF && c != '\n') {
        took = true;
        if (pending_cr && stored + 1 < size) field[stored++] = '\r';
        pending_cr = (c == '\r');
        if (!pending_cr && stored + 1 < size) field[stored++] = static_cast<char>(c);
    }
    if (pending_cr && c == EOF && stored + 1 < size) field[stored++] = '\r';
    field[stored] = '\0';
    return took;
}

}  // namespace

int read_versions(std::FILE* in, VersionTaken on_taken, void* context) {
    // Notepad saves "UTF-8" with a byte order mark first: it is no part of
    // the first display name.
    const long start = std::ftell(in);
    unsigned char mark[3] = {};
    if (std::fread(mark, 1, 3, in) != 3 || std::memcmp(mark, "\xEF\xBB\xBF", 3) != 0) std::fseek(in, start, SEEK_SET);
    int c = std::getc(in);
    if (c == EOF) return 0;
    std::ungetc(c, in);
    // Blanks at the start of the file's first line belong to the first display
    // name, but an empty first line cannot be a name: it is skipped like any
    // other blank line.
    if (c == '\n' || c == '\r') {
        skip_white_space(in);
        if ((c = std::getc(in)) == EOF) return 0;
        std::ungetc(c, in);
    }

    int taken = 0;
    bool first_line = true;
    // Entries beyond the table's 100 are not read.
    while (mame_version_count < MAX_MAME_VERSIONS) {
        MameVersion& v = mame_versions[mame_version_count];
        std::memset(&v, 0, sizeof v);
        char fourth[12];
        struct { char* text; std::size_t size; } lines[4] = {
            {v.display_name, sizeof v.display_name},
            {v.executable, sizeof v.executable},
            {v.version_name, sizeof v.version_name},
            {fourth, sizeof fourth},
        };
        for (auto& line : lines) {
            // Before every line but the file's first, blank lines and leading
            // blanks are skipped, so an empty line moves the following ones up.
            if (!first_line) skip_white_space(in);
            first_line = false;
            // An entry cut short by the end of the file is still taken.
            if (!take_line(in, line.text, line.size)) break;
        }
        if (on_taken) on_taken(v, context);
        ++mame_version_count;
        ++taken;
        // A line break after the last entry yields no extra entry.
        skip_white_space(in);
        c = std::getc(in);
        if (c == EOF) break;
        std::ungetc(c, in);
    }
    return taken;
}

int find_version(const char* name) {
    for (int i = 0; i < mame_version_count; ++i)
        if (std::strcmp(mame_versions[i].version_name, name) == 0) return i;
    return -1;
}
