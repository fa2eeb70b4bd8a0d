// Feeds any bytes to the versions.ini reader: it must take at most 100
// entries, keep every field terminated, and never read or write out of bounds.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/versions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::memset(mame_versions, 0, sizeof mame_versions);
    mame_version_count = 0;
    std::FILE* in = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::tmpfile();
    if (!in) return 0;
    read_versions(in, nullptr, nullptr);
    std::fclose(in);
    if (mame_version_count < 0 || mame_version_count > MAX_MAME_VERSIONS) __builtin_trap();
    for (int i = 0; i < mame_version_count; ++i) {
        const MameVersion& v = mame_versions[i];
        if (!std::memchr(v.display_name, 0, sizeof v.display_name) || !std::memchr(v.executable, 0, sizeof v.executable) ||
            !std::memchr(v.version_name, 0, sizeof v.version_name))
            __builtin_trap();
        find_version(v.version_name);
    }
    return 0;
}
