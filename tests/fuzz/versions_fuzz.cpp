// Feeds any bytes to the versions.ini reader: it must take at most 100
// entries, keep every field terminated, and stay inside its buffers. The
// entries the dialog would accept are written back and must read back the
// same, line for line; UTF-16 read from the bytes must come out as UTF-8.
#include <cstdint>
#include <cstring>

#include "core/versions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::memset(mame_versions, 0x5A, sizeof mame_versions), mame_version_count = 0;
    read_versions(reinterpret_cast<const char*>(data), size, store_line_as_is, nullptr, nullptr);
    if (mame_version_count > MAX_MAME_VERSIONS) __builtin_trap();
    for (const MameVersion* v = mame_versions; v != mame_versions + mame_version_count; ++v)
        if (!std::memchr(v->display_name, 0, sizeof v->display_name) || !std::memchr(v->executable, 0, sizeof v->executable) ||
            !std::memchr(v->version_name, 0, sizeof v->version_name))
            __builtin_trap();

    static VersionLines taken[MAX_MAME_VERSIONS];
    int count = 0;
    for (int i = 0; i < mame_version_count; ++i)
        if (check_version_entry(version_sources[i].lines, store_line_as_is).problem == EntryProblem::none)
            taken[count++] = version_sources[i].lines;
    static unsigned char bytes[VERSIONS_FILE_MAX];
    std::size_t written = 0;
    const auto encoding = size > 0 && (data[0] & 1) ? TextEncoding::utf8 : TextEncoding::ansi;
    if (!write_versions(taken, count, encoding, bytes, sizeof bytes, &written)) __builtin_trap();
    mame_version_count = 0;
    read_versions(reinterpret_cast<const char*>(bytes), written, store_line_as_is, nullptr, nullptr);
    if (mame_version_count != count) __builtin_trap();
    for (int i = 0; i < count; ++i)
        for (int line = 0; line < VERSION_LINE_COUNT; ++line) {
            const char* given = version_line(taken[i], line);
            if (std::strcmp(version_line(version_sources[i].lines, line), line == 3 && !*given ? "Win32" : given) != 0)
                __builtin_trap();
        }

    static char utf8[VERSIONS_FILE_MAX * 2];
    const std::size_t n = utf16_to_utf8(data, size, size > 0 && (data[0] & 2), utf8, sizeof utf8);
    if (!is_utf8(reinterpret_cast<const unsigned char*>(utf8), n)) __builtin_trap();
    return 0;
}
