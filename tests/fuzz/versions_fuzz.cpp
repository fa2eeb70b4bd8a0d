// Feeds any bytes to the versions.ini reader: it must take at most 100
// entries, keep every field terminated, and stay inside its buffers.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/versions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::memset(mame_versions, 0x5A, sizeof mame_versions), mame_version_count = 0;
    std::FILE* in = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::tmpfile();
    read_versions(in, nullptr, nullptr);
    std::fclose(in);
    if (mame_version_count > MAX_MAME_VERSIONS) __builtin_trap();
    for (const MameVersion* v = mame_versions; v != mame_versions + mame_version_count; ++v)
        if (!std::memchr(v->display_name, 0, sizeof v->display_name) || !std::memchr(v->executable, 0, sizeof v->executable) ||
            !std::memchr(v->version_name, 0, sizeof v->version_name))
            __builtin_trap();
    return 0;
}
