// The download's texts, and the extraction of the INP from zips made here
// with minizip's writer. The zip fuzzer checks on any bytes that what is
// extracted is the member, whole; these rows hold which member is chosen,
// which names are refused, and what becomes of files already there.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "download/download.h"
#include "download/extract.h"
#include "unit.h"

namespace {

TEST(Download, ProgressLinePerChunk) {
    struct Case { const char* name; std::uint32_t length; bool known; std::string lines; } cases[] = {
        {"an empty body is one empty chunk", 0, true, "Recieved: 1 kB / 1 kB;"},
        {"2048 bytes end with an empty chunk", 2048, true, "Recieved: 1 kB / 3 kB;Recieved: 2 kB / 3 kB;Recieved: 3 kB / 3 kB;"},
        {"no Content-Length: the total is the count so far", 1500, false, "Recieved: 1 kB / 1 kB;Recieved: 2 kB / 2 kB;"},
    };
    for (const auto& c : cases) {
        DownloadProgress progress;
        progress.length_known = c.known;
        progress.content_length = c.known ? c.length : 0;
        std::string lines;
        for (std::uint32_t left = c.length, n = 0; lines.empty() || !is_last_chunk(n); left -= n) {
            n = std::min<std::uint32_t>(left, DOWNLOAD_CHUNK);  // full chunks, then one short (maybe empty)
            count_chunk(progress, n);
            char line[64];
            format_progress(line, sizeof line, progress);
            lines += std::string(line) + ";";
        }
        EXPECT_EQ(lines, c.lines) << c.name;
        EXPECT_FALSE(body_cut_short(progress)) << c.name;
        progress.content_length += 1;
        EXPECT_EQ(body_cut_short(progress), c.known) << c.name << ", one byte short";
    }
    for (const auto& [bytes, html] : {std::pair<std::string, bool>{"<HTML>", true}, {"<html>", false}, {"<HTML", false},
                                      {" <HTML>", false}})  // a server's error page instead of a zip
        EXPECT_EQ(is_html_chunk(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), html) << bytes;
}

TEST(Download, TheSaveRequestOffersAPlainFileName) {
    const std::pair<std::string, const char*> cases[] = {
        {"pacman-52310", "pacman-52310.zip"}, {"..\\..\\evil", "evil.zip"}, {"a/b:c", "c.zip"}, {"", "recording.zip"},
        {"dir\\", "recording.zip"}, {"x?y", "x_y.zip"}, {"a<b>c\"d|e?f*g", "a_b_c_d_e_f_g.zip"}, {"a\x01" "b\tc\x1f", "a_b_c_.zip"}};
    for (const auto& [name, offered] : cases) {
        char out[64];
        format_offered_zip_name(out, sizeof out, name.c_str());
        EXPECT_STREQ(out, offered) << "'" << name << "'";
    }
}

const std::string kInp("mygame\0\0 recorded input", 23);

void make_zip(const std::string& path, const std::vector<std::string>& names, const std::string& data, bool stored = false) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    for (const std::string& name : names) {
        zip_fileinfo info{};
        zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, stored ? 0 : Z_DEFLATED, 6);
        zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

// The working directory is two levels below the scratch folder, so that a
// name climbing out of it still lands in sight.
struct ExtractDir : ScratchDir {
    ExtractDir() { std::filesystem::create_directories("work/deep"), std::filesystem::current_path("work/deep"); }
    const std::string zip = (path / "rec.zip").string();
    std::string files_left() const {  // every file but the zip
        std::string out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(path))
            if (e.is_regular_file() && e.path() != zip) out += e.path().lexically_relative(path).string();
        return out;
    }
};

const std::string k511 = [] {  // a member name that just fills member_name
    std::string s;
    while (s.size() < 504) s += "a/";
    return s + "rec.inp";
}();

TEST(Extract, ChoosesTheInpMemberAndRefusesUnsafeNames) {
    struct Case { const char* name; std::vector<std::string> members; const char* extracted; } cases[] = {
        {"a lower-case INP after another member", {"readme.txt", "game.inp"}, "game.inp"},
        {"the first member matches in any case", {"GAME.INP"}, "GAME.INP"},
        {"a later one only in lower case", {"readme.txt", "GAME.INP"}, nullptr},
        {".inp.txt is no INP", {"game.inp.txt"}, nullptr},
        {"nothing before the extension", {"inp/.inp"}, nullptr},
        {"an empty zip", {}, nullptr},
        {"climbing with slashes stays here", {"../../e.inp"}, "e.inp"},
        {"climbing with backslashes stays here", {"..\\..\\e.inp"}, "e.inp"},
        {"a drive or stream name is passed over for the next", {"C:e.inp", "game.inp"}, "game.inp"},
        {"device names, in any case, with any extension", {"CON.inp", "lpt9.inp", "nul.txt.inp", "COM1.inp"}, nullptr},
        {"white space, control characters, quotes", {"a b.inp", "a\tb.inp", "a\x01" "b.inp", "a\"b.inp"}, nullptr},
        {"reserved characters", {"a<b.inp", "a>b.inp", "a|b.inp", "a?b.inp", "a*b.inp"}, nullptr},
        {"a leading dash would be a MAME switch", {"-cfg_directory.inp"}, nullptr},
        {"a 511-character name fits member_name", {k511}, "rec.inp"},
        {"a 512-character name does not", {"x" + k511}, nullptr},
    };
    for (const auto& c : cases) {
        ExtractDir dir;
        make_zip(dir.zip, c.members, kInp);
        const char* name = nullptr;
        const ExtractResult result = extract_inp_member(dir.zip.c_str(), &name);
        EXPECT_EQ(result, c.extracted ? ExtractResult::extracted : ExtractResult::no_inp_member) << c.name;
        EXPECT_EQ(name ? name : "(none)", std::string(c.extracted ? c.extracted : "(none)")) << c.name;
        EXPECT_TRUE(!name || (name >= member_name && name < member_name + sizeof member_name)) << c.name;
        EXPECT_EQ(dir.files_left(), c.extracted ? "work/deep/" + std::string(c.extracted) : "") << c.name;
        EXPECT_EQ(c.extracted ? read_file(c.extracted) : kInp, kInp) << c.name;
    }
}

TEST(Extract, BrokenZipsLeaveNothingAndAFileAlreadyHereIsNeverOverwritten) {
    const std::string data(3000, 'a');
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), 3000));
    auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    // `from` is replaced by `to` in both headers; the whole file is `to` when `from` is empty.
    struct Case { const char* name; const char* member; bool stored; std::string from, to; ExtractResult result; } cases[] = {
        {"the CRC does not match", "game.inp", true, le32(crc), le32(crc ^ 1), ExtractResult::member_damaged},
        {"the stream ends before the recorded size", "game.inp", false, le32(3000), le32(4000), ExtractResult::member_damaged},
        {"a NUL byte hides the name's real end", "x.inp?.txt", false, "x.inp?", std::string("x.inp\0", 6),
         ExtractResult::no_inp_member},
        {"a server's HTML page", "game.inp", false, "", "<html><body>404</body></html>", ExtractResult::zip_unreadable},
        {"a file of the member's name is here already", "game.inp", false, "", "", ExtractResult::name_taken},
    };
    for (const auto& c : cases) {
        ExtractDir dir;
        make_zip(dir.zip, {c.member}, data, c.stored);
        std::string bytes = c.from.empty() && !c.to.empty() ? c.to : read_file(dir.zip);
        for (std::size_t at = 0; !c.from.empty() && (at = bytes.find(c.from, at)) != std::string::npos;)
            bytes.replace(at, c.from.size(), c.to);
        write_file(dir.zip, bytes);
        if (c.result == ExtractResult::name_taken) write_file("game.inp", "the user's own");
        const char* name = nullptr;
        EXPECT_EQ(extract_inp_member(dir.zip.c_str(), &name), c.result) << c.name;
        EXPECT_EQ(name, nullptr) << c.name;
        EXPECT_EQ(dir.files_left(), c.result == ExtractResult::name_taken ? "work/deep/game.inp" : "") << c.name;
        EXPECT_EQ(read_file("game.inp"), c.result == ExtractResult::name_taken ? "the user's own" : "") << c.name;
    }
    const char* name = nullptr;
    EXPECT_EQ(extract_inp_member("no-such.zip", &name), ExtractResult::zip_unreadable);
}

}  // namespace
