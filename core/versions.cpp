#include "core/versions.h"

#include <cctype>
#include <cstring>

#include "core/file.h"
#include "core/text.h"

MameVersion mame_versions[MAX_MAME_VERSIONS];
int mame_version_count = 0;
VersionSource version_sources[MAX_MAME_VERSIONS];
VersionsFileInfo versions_file = {TextEncoding::utf8_mark, false};

namespace {

const char* const kFieldNames[] = {"Name", "Program", "Score service version", "fourth line"};
const char* const kLineRoles[] = {"name", "program", "score service version", "fourth line"};

std::size_t field_size(int line) {
    static const std::size_t sizes[] = {sizeof MameVersion::display_name, sizeof MameVersion::executable,
                                        sizeof MameVersion::version_name, 12};
    return sizes[line];
}

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The text being read and where the reader stands in it.
struct Cursor {
    const char* text;
    std::size_t size;
    std::size_t at = 0;
    int line = 1;  // the line `at` is on, from 1

    bool at_end() const { return at >= size; }
    void skip_white_space() {
        for (; at < size && is_space(text[at]); ++at)
            if (text[at] == '\n') ++line;
    }
    // One line from here up to its line feed. Only a carriage return right
    // before the line feed is no part of it. False at the end of the text.
    bool take_line(std::size_t* start, std::size_t* length) {
        if (at_end()) return false;
        *start = at;
        const void* feed = std::memchr(text + at, '\n', size - at);
        const std::size_t end = feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text) : size;
        *length = end - at - (feed && end > at && text[end - 1] == '\r' ? 1 : 0);
        at = feed ? end + 1 : size;
        if (feed) ++line;
        return true;
    }
};

}  // namespace

char* version_line(VersionLines& entry, int line, std::size_t* size) {
    struct Line { char* text; std::size_t size; } lines[] = {
        {entry.name, sizeof entry.name}, {entry.program, sizeof entry.program},
        {entry.version, sizeof entry.version}, {entry.fourth, sizeof entry.fourth}};
    if (size) *size = lines[line].size;
    return lines[line].text;
}

const char* version_line(const VersionLines& entry, int line) {
    return version_line(const_cast<VersionLines&>(entry), line);
}

LineFit store_line_as_is(int, const char* text, std::size_t length, char* field, std::size_t size) {
    const std::size_t n = length < size ? length : size - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
    return n < length ? LineFit::cut : LineFit::whole;
}

int read_versions(const char* text, std::size_t size, StoreLine store, VersionTaken on_taken, void* context) {
    Cursor in{text, size};
    // Blanks at the start of the file's first line belong to the first display
    // name, but an empty first line cannot be a name: it is skipped like any
    // other blank line.
    if (!in.at_end() && (text[0] == '\n' || text[0] == '\r')) in.skip_white_space();
    if (in.at_end()) return 0;

    int taken = 0;
    bool first_line = true;
    // Entries beyond the table's 100 are not read.
    while (mame_version_count < MAX_MAME_VERSIONS) {
        const int index = mame_version_count;
        MameVersion& v = mame_versions[index];
        VersionSource& source = version_sources[index];
        std::memset(&v, 0, sizeof v);
        std::memset(&source, 0, sizeof source);
        char fourth[12];
        char* fields[] = {v.display_name, v.executable, v.version_name, fourth};
        for (int line = 0; line < VERSION_LINE_COUNT; ++line) {
            // Before every line but the file's first, blank lines and leading
            // blanks are skipped, so an empty line moves the following ones up.
            if (!first_line) in.skip_white_space();
            first_line = false;
            std::size_t start, length;
            source.line_numbers[line] = in.line;
            // An entry cut short by the end of the file is still taken.
            if (!in.take_line(&start, &length)) {
                source.line_numbers[line] = 0;
                break;
            }
            std::size_t room;
            char* kept = version_line(source.lines, line, &room);
            // A line too long for its room is far too long for its field:
            // the dialog refuses it as it is. It is cut on a character of UTF-8.
            const std::size_t n = length < room ? length : utf8_boundary(text + start, room - 1);
            std::memcpy(kept, text + start, n);
            kept[n] = '\0';
            if (store(line, text + start, length, fields[line], field_size(line)) == LineFit::cannot_hold)
                source.unusable |= static_cast<unsigned char>(1u << line);
        }
        ++mame_version_count;
        ++taken;
        if (on_taken) on_taken(index, context);
        // A line break after the last entry yields no extra entry.
        in.skip_white_space();
        if (in.at_end()) return taken;
    }
    versions_file.more = true;
    return taken;
}

int read_versions_file(StoreLine store_utf8, VersionTaken on_taken, void* context) {
    // Room for a full table of the longest lines, in UTF-16 too; a file
    // longer than that is read as far as it fits.
    static unsigned char bytes[1 << 20];
    static char decoded[sizeof bytes / 2 * 3];
    std::memset(mame_versions, 0, sizeof mame_versions);
    std::memset(version_sources, 0, sizeof version_sources);
    mame_version_count = 0;
    versions_file = {TextEncoding::utf8_mark, false};

    UniqueFile f = open_file(VERSIONS_FILE, "rb");
    if (!f) return -1;
    std::size_t size = std::fread(bytes, 1, sizeof bytes, f.get());
    if (size == sizeof bytes && std::fgetc(f.get()) != EOF) {
        versions_file.more = true;
        size = utf8_boundary(reinterpret_cast<const char*>(bytes), size);
    }
    if (size == 0) return 0;
    const TextEncoding encoding = detect_encoding(bytes, size);
    versions_file.encoding = encoding;
    std::size_t mark;
    byte_order_mark(encoding, &mark);
    const char* text = reinterpret_cast<const char*>(bytes) + mark;
    std::size_t length = size - mark;
    if (encoding == TextEncoding::utf16le || encoding == TextEncoding::utf16be) {
        length = utf16_to_utf8(bytes + mark, size - mark, encoding == TextEncoding::utf16be, decoded, sizeof decoded);
        text = decoded;
    }
    read_versions(text, length, encoding == TextEncoding::ansi ? store_line_as_is : store_utf8, on_taken, context);
    return 0;
}

int find_version(const char* name) {
    for (int i = 0; i < mame_version_count; ++i)
        if (std::strcmp(mame_versions[i].version_name, name) == 0) return i;
    return -1;
}

bool format_no_program(char* out, std::size_t size, int index, unsigned code_page) {
    if (index < 0 || index >= mame_version_count) return copy_text(out, size, NO_VERSION_TEXT), true;
    if (mame_versions[index].executable[0] != '\0') return false;
    const VersionSource& source = version_sources[index];
    if (source.unusable & 2u) {
        format_text(out, size,
                    "Vornix cannot use line %d of versions.ini, this MAME version's program: it holds a character "
                    "that this Windows' code page (%u) does not have, and the program has no short (8.3) name to "
                    "use instead. Choose the program again with \"Versions...\".",
                    source.line_numbers[1], code_page);
    } else {
        copy_text(out, size,
                  "This MAME version's entry in versions.ini names no program. Give it one with \"Versions...\".");
    }
    return true;
}

bool format_unusable_lines(char* out, std::size_t size, unsigned code_page) {
    format_text(out, size,
                "Some lines of versions.ini hold characters that this Windows' code page (%u) does not have, "
                "so Vornix cannot use them:\n",
                code_page);
    bool any = false;
    for (int i = 0; i < mame_version_count; ++i)
        for (int line = 0; line < VERSION_LINE_COUNT; ++line) {
            if (!(version_sources[i].unusable & (1u << line))) continue;
            char item[128];
            format_text(item, sizeof item, "\nLine %d: the %s of MAME version %d%s", version_sources[i].line_numbers[line],
                        kLineRoles[line], i + 1, line == 1 ? " (it has no short 8.3 name either)" : "");
            append_text(out, size, item);
            any = true;
        }
    return any;
}

bool write_versions(const VersionLines* entries, int count, TextEncoding encoding, unsigned char* out,
                    std::size_t size, std::size_t* written) {
    std::size_t& used = *written;
    const char* mark = byte_order_mark(encoding, &used);
    if (size < used) return false;
    std::memcpy(out, mark, used);
    const bool wide = encoding == TextEncoding::utf16le || encoding == TextEncoding::utf16be;
    const auto put = [&](const char* text) {
        const std::size_t length = std::strlen(text);
        // UTF-16 takes at most two bytes for each byte of UTF-8.
        if (size - used < (wide ? 2 * length : length)) return false;
        if (wide) used += utf8_to_utf16(text, length, encoding == TextEncoding::utf16be, out + used, size - used);
        else std::memcpy(out + used, text, length), used += length;
        return true;
    };
    for (int i = 0; i < count; ++i)
        for (int line = 0; line < VERSION_LINE_COUNT; ++line) {
            const char* text = version_line(entries[i], line);
            if (!put(line == 3 && *text == '\0' ? "Win32" : text) || !put("\r\n")) return false;
        }
    return true;
}

EntryCheck check_version_entry(const VersionLines& entry, StoreLine store) {
    for (int line = 0; line < 3; ++line) {
        const char* text = version_line(entry, line);
        const std::size_t length = std::strlen(text);
        const char* p = text;
        while (*p && is_space(*p)) ++p;
        if (*p == '\0') return {line, EntryProblem::empty};
        if (text[0] == ' ') return {line, EntryProblem::leading_blank};
        for (p = text; *p; ++p)
            if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) return {line, EntryProblem::control_character};
        char field[sizeof MameVersion::executable];
        switch (store(line, text, length, field, field_size(line))) {
        case LineFit::whole: break;
        case LineFit::cut: return {line, EntryProblem::too_long};
        case LineFit::cannot_hold: return {line, EntryProblem::not_in_code_page};
        }
    }
    return {0, EntryProblem::none};
}

bool format_entry_problem(char* out, std::size_t size, const EntryCheck& check, int position, unsigned code_page) {
    char field[64];
    if (position > 0) format_text(field, sizeof field, "MAME version %d, %s", position, kFieldNames[check.line]);
    else copy_text(field, sizeof field, kFieldNames[check.line]);
    switch (check.problem) {
    case EntryProblem::none:
        return false;
    case EntryProblem::empty:
        return format_text(out, size, "%s: is empty. Every MAME version needs a name, a program and a score "
                           "service version.", field);
    case EntryProblem::leading_blank:
        return format_text(out, size, "%s: begins with a blank, which versions.ini does not keep (blanks at the "
                           "start of a line are skipped). Remove it.", field);
    case EntryProblem::control_character:
        return format_text(out, size, "%s: holds a tab or another control character, which versions.ini cannot "
                           "keep.", field);
    case EntryProblem::too_long:
        return format_text(out, size, "%s: is too long. Vornix keeps at most %d characters here.", field,
                           static_cast<int>(field_size(check.line)) - 1);
    case EntryProblem::not_in_code_page:
        return format_text(out, size, "%s: holds a character that this Windows' code page (%u) does not have%s.",
                           field, code_page,
                           check.line == 1 ? ", and the program has no short (8.3) name to use instead" : "");
    case EntryProblem::not_in_file:
        return format_text(out, size, "%s: holds a character that versions.ini cannot keep, since the file is "
                           "written in this Windows' code page (%u).", field, code_page);
    }
    return false;
}

void program_of_line(const char* line, std::size_t* start, std::size_t* length) {
    if (line[0] != '"') {
        *start = 0, *length = std::strlen(line);
        return;
    }
    const char* end = std::strchr(line + 1, '"');
    *start = 1;
    *length = end ? static_cast<std::size_t>(end - line - 1) : std::strlen(line + 1);
}
