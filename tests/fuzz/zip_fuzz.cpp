// Feeds any bytes, as a downloaded zip, to the extraction of its INP (minizip is built in with the same
// coverage and sanitizers). A name inside member_name comes back exactly when the result is `extracted`;
// the working directory then holds that one file, of the size and CRC the zip records for the member,
// and after any other result nothing. A zip that yields a file, or would but for the working directory,
// is one a download may put in place of the user's.
#include <minizip/unzip.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "download/extract.h"

namespace fs = std::filesystem;
static fs::path scratch;  // holds the zip, and below it the working directory

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (scratch.empty()) {
        char pattern[] = "/tmp/vornix-zip-fuzz-XXXXXX";
        fs::create_directory((scratch = mkdtemp(pattern)) / "work");
        fs::current_path(scratch / "work");
        std::atexit([] { fs::remove_all(scratch); });
    }
    const std::string zip_path = (scratch / "in.zip").string();
    std::ofstream(zip_path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const char* name = reinterpret_cast<const char*>(1);
    const ExtractResult result = extract_inp_member(zip_path.c_str(), &name);
    const auto files = std::distance(fs::directory_iterator("."), fs::directory_iterator());
    const bool found = result != ExtractResult::zip_unreadable && result != ExtractResult::no_inp_member &&
                       result != ExtractResult::too_large;
    if (zip_holds_recording(zip_path.c_str()) != found) __builtin_trap();
    if (result != ExtractResult::extracted) {
        if (name || files != 0) __builtin_trap();
        return 0;
    }
    if (!name || name < member_name || name >= member_name + sizeof member_name || files != 1) __builtin_trap();
    std::ifstream in(name, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    unzFile zip = unzOpen(zip_path.c_str());
    unz_file_info info;
    if (!zip || unzLocateFile(zip, member_name, 1) != UNZ_OK ||
        unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        written.size() != info.uncompressed_size ||
        crc32(0, reinterpret_cast<const Bytef*>(written.data()), static_cast<uInt>(written.size())) != info.crc)
        __builtin_trap();
    unzClose(zip);
    fs::remove(name);
    return 0;
}
