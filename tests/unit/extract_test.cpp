// Taking the INP out of downloaded zips, on zips made here with minizip's
// writer: which member is chosen, where it is written, and which members are
// refused because their names would escape the working directory, name a
// device or smuggle a word onto MAME's command line.
#include <gtest/gtest.h>

#include <zlib.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "download/extract.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;

struct Member {
    std::string name;
    std::string data;
};

const char* result_name(ExtractResult r) {
    static const char* const names[] = {"extracted",   "zip_unreadable", "no_inp_member",
                                        "name_taken",  "output_failed",  "member_damaged"};
    return names[static_cast<int>(r)];
}

void make_zip(const std::string& path, const std::vector<Member>& members, bool stored = false) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const Member& m : members) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION),
                  ZIP_OK)
            << m.name;
        ASSERT_EQ(zipWriteInFileInZip(zip, m.data.data(), static_cast<unsigned>(m.data.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// Replaces every occurrence of `from` in the file by `to` (same length): the
// name, CRC and size fields stand in both the local and the central header.
void patch(const std::string& path, const std::string& from, const std::string& to) {
    ASSERT_EQ(from.size(), to.size());
    std::string bytes = ScratchDir::read(path);
    std::size_t count = 0;
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size())) {
        bytes.replace(at, from.size(), to);
        ++count;
    }
    ASSERT_EQ(count, 2u) << "the field should stand in the local and the central header";
    ScratchDir::write(path, bytes);
}

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// Every file under `root`, as paths relative to it, except the zip.
std::set<std::string> files_under(const fs::path& root) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().filename() != "rec.zip") out.insert(fs::relative(e.path(), root).string());
    return out;
}

// A scratch folder whose working directory lies two levels down, so that a
// name climbing out of it would still land where the test can see it.
class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override { empty_scratch(); }
    void empty_scratch() {
        fs::current_path(scratch_.path());
        for (const auto& e : fs::directory_iterator(scratch_.path())) fs::remove_all(e.path());
        fs::create_directories(scratch_.path() / "work" / "deep");
        fs::current_path(scratch_.path() / "work" / "deep");
        zip_ = (scratch_.path() / "rec.zip").string();
    }
    ExtractResult extract(const char** name) { return extract_inp_member(zip_.c_str(), name); }

    ScratchDir scratch_;
    std::string zip_;
};

const std::string kInp("mygame\0\0 recorded input", 23);
const std::string k511 = [] {
    std::string s;
    while (s.size() < 504) s += "a/";
    return s + "rec.inp";
}();

struct Case {
    const char* behaviour;
    std::vector<Member> members;
    const char* expected;  // the name extracted, or nullptr for none
};

const std::vector<Case> kCases = {
    {"a later lower-case INP after a text file", {{"readme.txt", "hi"}, {"game.inp", kInp}}, "game.inp"},
    {"the first member matches in any case", {{"GAME.INP", kInp}}, "GAME.INP"},
    {"a later member must end in lower-case .inp", {{"readme.txt", "hi"}, {"GAME.INP", kInp}}, nullptr},
    {"folders are dropped from the name", {{"inp/game.inp", kInp}}, "game.inp"},
    {"any folder is dropped", {{"a/game.inp", kInp}}, "game.inp"},
    {"the first of two INP members", {{"first.inp", kInp}, {"second.inp", "other"}}, "first.inp"},
    {".inp.txt is no INP", {{"game.inp.txt", kInp}}, nullptr},
    {"an empty zip", {}, nullptr},
    {"climbing with slashes stays here", {{"../../e.inp", kInp}}, "e.inp"},
    {"climbing with backslashes stays here", {{"..\\..\\e.inp", kInp}}, "e.inp"},
    {"a drive-relative name", {{"C:e.inp", kInp}}, nullptr},
    {"an alternate data stream", {{"game.exe:x.inp", kInp}}, nullptr},
    {"a device name", {{"CON.inp", kInp}}, nullptr},
    {"a device name in lower case", {{"lpt9.inp", kInp}}, nullptr},
    {"a device name with two extensions", {{"nul.txt.inp", kInp}}, nullptr},
    {"a trailing dot", {{"x.inp.", kInp}}, nullptr},
    {"white space", {{"a b.inp", kInp}}, nullptr},
    {"a tab", {{"a\tb.inp", kInp}}, nullptr},
    {"a double quote", {{"a\"b.inp", kInp}}, nullptr},
    {"a control character", {{"a\x01" "b.inp", kInp}}, nullptr},
    {"a leading dash would be a MAME switch", {{"-cfg_directory.inp", kInp}}, nullptr},
    {"nothing before the extension", {{"inp/.inp", kInp}}, nullptr},
    {"a 600-character name", {{std::string(596, 'n') + ".inp", kInp}}, nullptr},
    {"a 511-character name fits", {{k511, kInp}}, "rec.inp"},
    {"a 512-character name does not", {{"x" + k511, kInp}}, nullptr},
    {"a refused member does not stop the search", {{"C:e.inp", "bad"}, {"game.inp", kInp}}, "game.inp"},
};

TEST_F(ExtractTest, ChoosesTheMemberAndWritesItHereUnderItsBaseName) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.behaviour);
        empty_scratch();
        make_zip(zip_, c.members);

        const char* name = nullptr;
        const ExtractResult result = extract(&name);
        const ExtractResult want = c.expected ? ExtractResult::extracted : ExtractResult::no_inp_member;
        EXPECT_EQ(result_name(result), std::string(result_name(want)));
        EXPECT_EQ(name ? std::string(name) : "(none)", c.expected ? std::string(c.expected) : "(none)");
        if (name) {
            EXPECT_TRUE(name >= member_name && name < member_name + sizeof member_name) << "not in member_name";
        }

        std::set<std::string> want_files;
        if (c.expected) want_files.insert(std::string("work/deep/") + c.expected);
        EXPECT_EQ(files_under(scratch_.path()), want_files);
        if (c.expected) {
            EXPECT_EQ(ScratchDir::read(c.expected), kInp);
        }
    }
}

TEST_F(ExtractTest, ANameHidingANulByteIsRefused) {
    make_zip(zip_, {{"x.inp?.txt", kInp}});
    patch(zip_, "x.inp?.txt", std::string("x.inp\0.txt", 10));
    const char* name = nullptr;
    EXPECT_STREQ(result_name(extract(&name)), "no_inp_member");
    EXPECT_EQ(files_under(scratch_.path()), std::set<std::string>{});
}

TEST_F(ExtractTest, ALargeMemberIsCopiedWhole) {
    std::string big;
    for (int i = 0; i < 5000; ++i) big += static_cast<char>(i * 7 + i / 13);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1024}, std::size_t{2048}, big.size()}) {
        SCOPED_TRACE(size);
        fs::remove("game.inp");
        make_zip(zip_, {{"game.inp", big.substr(0, size)}});
        const char* name = nullptr;
        EXPECT_STREQ(result_name(extract(&name)), "extracted");
        EXPECT_EQ(ScratchDir::read("game.inp"), big.substr(0, size));
    }
}

TEST_F(ExtractTest, DamagedMembersLeaveNothingBehind) {
    const std::string data(3000, 'a');
    struct Damage {
        const char* behaviour;
        bool stored;
        std::string from, to;  // patched in both headers; empty: the deflate stream itself is broken
    };
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), 3000));
    const std::vector<Damage> damages = {
        {"the CRC does not match", true, le32(crc), le32(crc ^ 1)},
        {"the stream ends before the recorded size", false, le32(3000), le32(4000)},
        {"the stream cannot be inflated", false, "", ""},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.behaviour);
        make_zip(zip_, {{"game.inp", data}}, d.stored);
        if (!d.from.empty()) {
            patch(zip_, d.from, d.to);
        } else {
            std::string bytes = ScratchDir::read(zip_);
            const std::size_t at = 30 + static_cast<unsigned char>(bytes[26]) + static_cast<unsigned char>(bytes[28]);
            bytes[at] = '\xFF';  // block type 3 does not exist
            ScratchDir::write(zip_, bytes);
        }
        const char* name = nullptr;
        EXPECT_STREQ(result_name(extract(&name)), "member_damaged");
        EXPECT_EQ(name, nullptr);
        EXPECT_EQ(files_under(scratch_.path()), std::set<std::string>{});
    }
}

TEST_F(ExtractTest, ZipsThatDoNotOpen) {
    make_zip(zip_, {{"game.inp", std::string(4000, 'x')}});
    const std::string whole = ScratchDir::read(zip_);
    const std::vector<std::pair<const char*, std::string>> files = {
        {"a saved HTML page", "<html><body>404</body></html>"},
        {"an empty file", ""},
        {"an archive cut in half", whole.substr(0, whole.size() / 2)},
    };
    for (const auto& [behaviour, bytes] : files) {
        SCOPED_TRACE(behaviour);
        ScratchDir::write(zip_, bytes);
        const char* name = nullptr;
        EXPECT_STREQ(result_name(extract(&name)), "zip_unreadable");
        EXPECT_EQ(files_under(scratch_.path()), std::set<std::string>{});
    }
    const char* name = nullptr;
    EXPECT_STREQ(result_name(extract_inp_member("no-such.zip", &name)), "zip_unreadable");
}

TEST_F(ExtractTest, AFileAlreadyHereIsNeverOverwritten) {
    ScratchDir::write("game.inp", "the user's own recording");
    make_zip(zip_, {{"game.inp", kInp}});
    const char* name = nullptr;
    EXPECT_STREQ(result_name(extract(&name)), "name_taken");
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(ScratchDir::read("game.inp"), "the user's own recording");
}

}  // namespace
