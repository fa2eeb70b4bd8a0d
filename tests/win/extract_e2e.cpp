// extract_recording on Windows itself: the exclusive create through the
// Windows runtime and the message for a file that is not a zip. (Which
// members are chosen and refused is covered by the native tests.)
#include <gtest/gtest.h>

#include <zlib.h>

#include <thread>

#include "download/extract.h"
#include "win/harness.h"

using namespace harness;

namespace {

// A zip of one stored member: local header, data, central header, end record.
std::string stored_zip(const std::string& name, const std::string& data) {
    const auto le = [](unsigned long v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    const std::string common = le(20, 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(0x21, 2) + le(crc, 4) +
                               le(data.size(), 4) + le(data.size(), 4) + le(name.size(), 2) + le(0, 2);
    const std::string local = le(0x04034b50, 4) + common + name + data;
    const std::string central = le(0x02014b50, 4) + le(20, 2) + common +
                                le(0, 6) /* comment, disk, attributes */ + le(0, 4) + le(0, 4) /* offset */ + name;
    return local + central + le(0x06054b50, 4) + le(0, 4) + le(1, 2) + le(1, 2) + le(central.size(), 4) +
           le(local.size(), 4) + le(0, 2);
}

// Runs extract_recording on `zip_bytes` with `dir` as the working directory.
std::string extract_in(const std::string& dir, const std::string& zip_bytes) {
    const std::string zip = join(exe_dir(), "e2e\\rec.zip");
    write_file(zip, zip_bytes);
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    SetCurrentDirectoryA(dir.c_str());
    const char* name = extract_recording(zip.c_str());
    SetCurrentDirectoryA(old);
    return name ? name : "(none)";
}

TEST(ExtractOnWindows, WritesTheMemberHereButNeverOverAFileAlreadyThere) {
    const std::string dir = fresh_dir("extract");
    const std::string inp("pacman\0\0 inputs", 15);
    EXPECT_EQ(extract_in(dir, stored_zip("inp\\..\\game.inp", inp)), "game.inp");
    EXPECT_TRUE(read_file(join(dir, "game.inp")) == inp);
    EXPECT_EQ(extract_in(dir, stored_zip("game.inp", "another recording")), "(none)") << "the name is taken";
    EXPECT_TRUE(read_file(join(dir, "game.inp")) == inp) << "the file already there is kept";
    EXPECT_EQ(list_dir(dir), std::vector<std::string>{"game.inp"});
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
