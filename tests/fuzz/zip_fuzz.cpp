// Feeds any bytes, as a downloaded zip file, to the walk over its members and
// the extraction of its INP. minizip (unzip.c, ioapi.c) is built from source
// into this harness with the same coverage and sanitizers, so the fuzzer also
// steers through the zip reader itself. Besides staying inside its buffers:
// - a name is given back exactly when the result is `extracted`; it is a safe
//   base name ending in ".inp", and points into member_name;
// - then the working directory holds that one file, whose size and CRC are
//   those the zip records for the member;
// - on every other result the working directory is left empty.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <minizip/unzip.h>
#include <zlib.h>

#include "download/extract.h"

namespace {

std::string scratch, zip_path;

[[noreturn]] void fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "finding: %s%s\n", what, detail);
    __builtin_trap();
}

void remove_all_here();

void leave_scratch_directory() {
    remove_all_here();
    std::remove(zip_path.c_str());
    if (chdir(scratch.c_str()) == 0) rmdir("work");
    rmdir(scratch.c_str());
}

// Runs in a working directory of its own, with the zip kept beside it; both
// go when the run ends.
void enter_scratch_directory() {
    static bool done = false;
    if (done) return;
    done = true;
    char pattern[] = "/tmp/vornix-zip-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) std::abort();
    scratch = dir;
    zip_path = scratch + "/in.zip";
    const std::string work = scratch + "/work";
    if (mkdir(work.c_str(), 0700) != 0 || chdir(work.c_str()) != 0) std::abort();
    std::atexit(leave_scratch_directory);
}

std::vector<std::string> files_here() {
    std::vector<std::string> names;
    DIR* d = opendir(".");
    if (!d) std::abort();
    while (const dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(d);
    return names;
}

void remove_all_here() {
    for (const std::string& name : files_here()) std::remove(name.c_str());
}

// The size and CRC of what was written under `name`.
bool file_crc(const char* name, std::uint64_t* size, std::uint32_t* crc) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    unsigned char buffer[4096];
    uLong c = crc32(0, nullptr, 0);
    *size = 0;
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        c = crc32(c, buffer, static_cast<uInt>(n));
        *size += n;
    }
    std::fclose(f);
    *crc = static_cast<std::uint32_t>(c);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    enter_scratch_directory();
    std::FILE* f = std::fopen(zip_path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();

    const char* name = reinterpret_cast<const char*>(1);
    const ExtractResult result = extract_inp_member(zip_path.c_str(), &name);
    const std::vector<std::string> left = files_here();

    if (result != ExtractResult::extracted) {
        if (name) fail("a name given back without an extraction");
        if (!left.empty()) fail("a file left after a failed extraction: ", left[0].c_str());
        return 0;
    }
    if (!name || name < member_name || name >= member_name + sizeof member_name) fail("no name, or not in member_name");
    if (!std::memchr(member_name, 0, sizeof member_name)) fail("member_name is not terminated");
    if (!is_safe_base_name(name) || !has_inp_extension(name, true) || std::strchr(name, '/'))
        fail("an unsafe name extracted: ", name);
    if (left.size() != 1 || left[0] != name) fail("the working directory does not hold just the member: ", name);

    // The member as the zip's directory records it: the first of that name.
    std::uint64_t written = 0;
    std::uint32_t written_crc = 0;
    if (!file_crc(name, &written, &written_crc)) fail("the extracted file cannot be read: ", name);
    unzFile zip = unzOpen(zip_path.c_str());
    if (!zip) fail("the zip extracted from does not open again");
    unz_file_info info;
    if (unzLocateFile(zip, member_name, 1) != UNZ_OK ||
        unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        fail("the member extracted is not in the zip: ", member_name);
    unzClose(zip);
    if (written != info.uncompressed_size || written_crc != info.crc)
        fail("the extracted file differs in size or CRC from its member: ", name);
    remove_all_here();
    return 0;
}
