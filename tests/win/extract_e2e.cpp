// extract_recording on Windows itself: the exclusive create through the
// Windows runtime, names Windows treats specially, and the message for a
// file that is not a zip. The zips are written here, stored, by hand.
#include <gtest/gtest.h>

#include <zlib.h>

#include <thread>

#include "download/extract.h"
#include "win/harness.h"

using namespace harness;

namespace {

void put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, unsigned long v) {
    put16(s, v & 0xFFFF);
    put16(s, (v >> 16) & 0xFFFF);
}

// A zip of stored members, as name and data.
std::string stored_zip(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string zip, central;
    for (const auto& [name, data] : members) {
        const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
        const unsigned long offset = zip.size();
        auto header = [&](std::string& s, bool in_central) {
            put32(s, in_central ? 0x02014b50 : 0x04034b50);
            if (in_central) put16(s, 20);
            put16(s, 20);
            put16(s, 0);     // flags
            put16(s, 0);     // stored
            put16(s, 0);     // time
            put16(s, 0x21);  // 1980-01-01
            put32(s, crc);
            put32(s, data.size());
            put32(s, data.size());
            put16(s, static_cast<unsigned>(name.size()));
            put16(s, 0);  // extra
            if (in_central) {
                put16(s, 0);  // comment
                put16(s, 0);  // disk
                put16(s, 0);  // internal attributes
                put32(s, 0);  // external attributes
                put32(s, offset);
            }
            s += name;
        };
        header(zip, false);
        zip += data;
        header(central, true);
    }
    const unsigned long central_offset = zip.size();
    zip += central;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, static_cast<unsigned>(members.size()));
    put16(zip, static_cast<unsigned>(members.size()));
    put32(zip, central.size());
    put32(zip, central_offset);
    put16(zip, 0);
    return zip;
}

// Runs extract_recording in `dir` as the working directory.
std::string extract_in(const std::string& dir, const std::string& zip_bytes) {
    write_file(join(dir, "rec.zip"), zip_bytes);
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    SetCurrentDirectoryA(dir.c_str());
    const char* name = extract_recording("rec.zip");
    const std::string result = name ? name : "(none)";
    SetCurrentDirectoryA(old);
    DeleteFileA(join(dir, "rec.zip").c_str());
    return result;
}

TEST(ExtractOnWindows, MembersAreWrittenHereUnderSafeNamesOnly) {
    const std::string inp("pacman\0\0 inputs", 15);
    struct Case {
        const char* behaviour;
        std::vector<std::pair<std::string, std::string>> members;
        const char* expected;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {"a plain INP", {{"readme.txt", "hi"}, {"game.inp", inp}}, "game.inp", {"game.inp"}},
        {"backslash folders are dropped", {{"..\\..\\e.inp", inp}}, "e.inp", {"e.inp"}},
        {"device names are refused", {{"CON.inp", inp}, {"nul.txt.inp", inp}, {"COM1.inp", inp}}, "(none)", {}},
        {"a stream name is refused", {{"game.exe:x.inp", inp}}, "(none)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const std::string dir = fresh_dir("extract_names");
        EXPECT_EQ(extract_in(dir, stored_zip(c.members)), c.expected);
        EXPECT_EQ(list_dir(dir), c.files);
        for (const std::string& f : c.files) EXPECT_TRUE(read_file(join(dir, f)) == inp) << f;
    }
}

TEST(ExtractOnWindows, AFileAlreadyThereIsKept) {
    const std::string dir = fresh_dir("extract_taken");
    write_file(join(dir, "game.inp"), "the user's own");
    EXPECT_EQ(extract_in(dir, stored_zip({{"game.inp", "downloaded"}})), "(none)");
    EXPECT_EQ(read_file(join(dir, "game.inp")), "the user's own");
}

TEST(ExtractOnWindows, AFileThatIsNotAZipIsReported) {
    const std::string dir = fresh_dir("extract_not_zip");
    std::string message;
    std::thread user([&] {
        Program self;
        self.watch_self();
        message = self.wait_message_box("Zip error", 5000);
    });
    EXPECT_EQ(extract_in(dir, "<html>Not Found</html>"), "(none)");
    user.join();
    EXPECT_EQ(message, "Cannot open downloaded Zip file");
    EXPECT_TRUE(list_dir(dir).empty());
}

}  // namespace
