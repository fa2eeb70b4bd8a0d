// Feeds any bytes, as a downloaded zip, to the extraction of its INP (minizip
// is built into this harness with the same coverage and sanitizers). Besides
// staying inside its buffers: a name comes back exactly when the result is
// `extracted`, inside member_name, safe, ending in ".inp"; the working
// directory then holds that one file, of the size and CRC the zip records for
// the member, and after any other result nothing.
#include <minizip/unzip.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "download/extract.h"

namespace fs = std::filesystem;

namespace {
fs::path scratch;
void remove_scratch() { fs::remove_all(scratch); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (scratch.empty()) {  // a working directory of its own, the zip beside it, both gone at the end
        char pattern[] = "/tmp/vornix-zip-fuzz-XXXXXX";
        scratch = mkdtemp(pattern);
        fs::create_directory(scratch / "work");
        fs::current_path(scratch / "work");
        std::atexit(remove_scratch);
    }
    const std::string zip_path = (scratch / "in.zip").string();
    std::ofstream(zip_path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const char* name = reinterpret_cast<const char*>(1);
    const ExtractResult result = extract_inp_member(zip_path.c_str(), &name);
    const auto files = std::distance(fs::directory_iterator("."), fs::directory_iterator());
    if (result != ExtractResult::extracted) {
        if (name || files != 0) __builtin_trap();
        return 0;
    }
    if (!name || name < member_name || name >= member_name + sizeof member_name || !is_safe_base_name(name) ||
        !has_inp_extension(name, true) || std::strchr(name, '/') || files != 1)
        __builtin_trap();

    std::ifstream in(name, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    unzFile zip = unzOpen(zip_path.c_str());
    unz_file_info info;
    if (!zip || unzLocateFile(zip, member_name, 1) != UNZ_OK ||
        unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK || written.size() != info.uncompressed_size ||
        crc32(0, reinterpret_cast<const Bytef*>(written.data()), static_cast<uInt>(written.size())) != info.crc)
        __builtin_trap();
    unzClose(zip);
    fs::remove(name);
    return 0;
}
