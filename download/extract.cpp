#include "download/extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <minizip/unzip.h>

#include "core/file.h"
#include "core/text.h"
#include "core/unique_handle.h"

char member_name[512];

namespace {

using UniqueZip = UniqueHandle<unzFile, unzClose>;

constexpr std::size_t COPY_CHUNK = 1024;

// Windows opens these devices whatever the extension: "NUL.inp" is NUL. The
// superscript digits are Windows-1252's, which Windows reads as 1, 2 and 3.
constexpr const char* DEVICE_NAMES[] = {"CON",  "PRN",  "AUX",  "NUL",     "COM1",    "COM2",    "COM3",    "COM4",
                                        "COM5", "COM6", "COM7", "COM8",    "COM9",    "COM\xB9", "COM\xB2", "COM\xB3",
                                        "LPT1", "LPT2", "LPT3", "LPT4",    "LPT5",    "LPT6",    "LPT7",    "LPT8",
                                        "LPT9", "LPT\xB9", "LPT\xB2", "LPT\xB3", "CONIN$", "CONOUT$"};

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_any_case(const char* a, std::size_t a_length, const char* b) {
    if (std::strlen(b) != a_length) return false;
    for (std::size_t i = 0; i < a_length; ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
    return true;
}

// Creates `path` for writing only if no file of that name exists: a file the
// user already had is never emptied, and the deletion after playback can only
// ever remove what the extraction wrote.
UniqueFile create_new_file(const char* path) {
#if defined(_WIN32)
    const int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return UniqueFile();
    UniqueFile f(_fdopen(fd, "wb"));
    if (!f) _close(fd);
#else
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return UniqueFile();
    UniqueFile f(fdopen(fd, "wb"));
    if (!f) close(fd);
#endif
    return f;
}

// Reads the current member's name into `name` and the size it declares
// into *size. minizip leaves a name that fills the buffer unterminated, so it
// gets one byte less and the terminator is ours. A name that does not fit, or
// that holds a NUL byte (which would hide its real ending), is refused. The
// size is read as 64 bits: the 32-bit call cuts a zip64 size of 4 GiB and
// more to its low bits, where a bomb would pass for a small recording.
bool read_member_name(unzFile zip, char (&name)[sizeof member_name], std::uint64_t* size) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
        name[0] = '\0';
        return false;
    }
    const std::size_t length = info.size_filename < sizeof name - 1 ? info.size_filename : sizeof name - 1;
    name[length] = '\0';
    *size = info.uncompressed_size;
    return info.size_filename < sizeof name && std::strlen(name) == info.size_filename;
}

// Goes to the member that the extraction takes, from the first member on:
// the first whose base name is safe and ends in ".inp" (in any case for the
// first member, only in lower case for a later one). Its name is left in
// `name`; false when no member passes.
bool find_inp_member(unzFile zip, char (&name)[sizeof member_name], std::uint64_t* size) {
    if (unzGoToFirstFile(zip) != UNZ_OK) return false;
    for (bool first = true;; first = false) {
        if (read_member_name(zip, name, size)) {
            const char* base = member_base_name(name);
            if (is_safe_base_name(base) && has_inp_extension(base, first)) return true;
        }
        if (unzGoToNextFile(zip) != UNZ_OK) return false;
    }
}

// Copies the open current member into `out` in chunks. A member is whole only
// when minizip has delivered all its bytes and their CRC matches.
ExtractResult copy_member(unzFile zip, std::FILE* out) {
    unsigned char buffer[COPY_CHUNK];
    // minizip stops at the size the member declares, which was checked before
    // the output was made; counted all the same, in case a zip finds a way
    // past that check.
    std::uint64_t copied = 0;
    for (;;) {
        const int n = unzReadCurrentFile(zip, buffer, sizeof buffer);
        if (n < 0) return ExtractResult::member_damaged;
        if ((copied += static_cast<unsigned>(n)) > MAX_RECORDING_BYTES) return ExtractResult::too_large;
        if (n > 0 && std::fwrite(buffer, 1, static_cast<std::size_t>(n), out) != static_cast<std::size_t>(n))
            return ExtractResult::output_failed;
        if (static_cast<std::size_t>(n) != sizeof buffer) break;
    }
    // A stream that ends before the member's recorded size is a short read,
    // and minizip checks the CRC only when the whole size has been read.
    if (unzeof(zip) != 1) return ExtractResult::member_damaged;
    if (unzCloseCurrentFile(zip) != UNZ_OK) return ExtractResult::member_damaged;
    return ExtractResult::extracted;
}

// A zip without members is its end record alone, at offset 0, where
// minizip's search for that record never looks: unzOpen refuses it. It is
// still a zip, only one without an INP.
bool is_empty_zip(const char* path) {
    UniqueFile f = open_file(path, "rb");
    unsigned char end[22];
    if (!f || std::fread(end, 1, sizeof end, f.get()) != sizeof end) return false;
    const bool no_entries = end[8] == 0 && end[9] == 0 && end[10] == 0 && end[11] == 0;
    return std::memcmp(end, "PK\x05\x06", 4) == 0 && no_entries;
}

ExtractResult extract_current(unzFile zip, const char* base) {
    char out_path[2 + sizeof member_name];
    if (!format_text(out_path, sizeof out_path, "./%s", base)) return ExtractResult::output_failed;
    if (unzOpenCurrentFile(zip) != UNZ_OK) return ExtractResult::member_damaged;
    UniqueFile out = create_new_file(out_path);
    if (!out) return errno == EEXIST ? ExtractResult::name_taken : ExtractResult::output_failed;
    ExtractResult result = copy_member(zip, out.get());
    if (out.close() != 0 && result == ExtractResult::extracted) result = ExtractResult::output_failed;
    if (result != ExtractResult::extracted) std::remove(out_path);
    return result;
}

}  // namespace

bool is_device_name(const char* name) {
    const char* dot = std::strchr(name, '.');
    std::size_t stem = dot ? static_cast<std::size_t>(dot - name) : std::strlen(name);
    // Windows drops the blanks before the extension: "con .zip" is CON too.
    while (stem > 0 && name[stem - 1] == ' ') --stem;
    for (const char* device : DEVICE_NAMES)
        if (equal_any_case(name, stem, device)) return true;
    return false;
}

const char* member_base_name(const char* name) {
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    return base;
}

bool is_safe_base_name(const char* name) {
    const std::size_t length = std::strlen(name);
    if (length == 0 || name[0] == '-') return false;
    if (name[length - 1] == '.' || name[length - 1] == ' ') return false;
    for (const char* p = name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c <= 0x20 || c == 0x7F) return false;  // control characters and the space
        if (std::strchr(":\"<>|?*/\\", c)) return false;
    }
    return !is_device_name(name);
}

bool has_inp_extension(const char* name, bool any_case) {
    const std::size_t length = std::strlen(name);
    // ".inp" alone would leave MAME an empty name to play back.
    if (length <= 4) return false;
    const char* ext = name + length - 4;
    return any_case ? equal_any_case(ext, 4, ".inp") : std::strcmp(ext, ".inp") == 0;
}

ExtractResult extract_inp_member(const char* zip_path, const char** name) {
    *name = nullptr;
    UniqueZip zip(unzOpen(zip_path));
    if (!zip) return is_empty_zip(zip_path) ? ExtractResult::no_inp_member : ExtractResult::zip_unreadable;
    std::uint64_t size = 0;
    if (!find_inp_member(zip.get(), member_name, &size)) return ExtractResult::no_inp_member;
    // Refused before any output exists: a zip of 1 MB may inflate to gigabytes.
    if (size > MAX_RECORDING_BYTES) return ExtractResult::too_large;
    const char* base = member_base_name(member_name);
    const ExtractResult result = extract_current(zip.get(), base);
    if (result == ExtractResult::extracted) *name = base;
    return result;
}

bool zip_holds_recording(const char* zip_path) {
    UniqueZip zip(unzOpen(zip_path));
    // Its own name buffer: the download's worker asks this, and member_name
    // belongs to the dialogs' thread.
    char name[sizeof member_name];
    std::uint64_t size = 0;
    return zip && find_inp_member(zip.get(), name, &size) && size <= MAX_RECORDING_BYTES;
}
