#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/versions.h"

namespace {

struct Entry {
    std::string display, executable, version;
    bool operator==(const Entry& o) const {
        return display == o.display && executable == o.executable && version == o.version;
    }
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << "{'" << e.display << "', '" << e.executable << "', '" << e.version << "'}";
}

// Reads `text` as versions.ini into an empty table; returns the entries and
// the display names reported to the list, in order.
std::vector<Entry> read_all(const std::string& text, std::vector<std::string>* listed = nullptr) {
    std::memset(mame_versions, 0, sizeof mame_versions);
    mame_version_count = 0;
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (text.empty()) f = std::tmpfile();
    std::vector<std::string> names;
    read_versions(
        f, [](const MameVersion& v, void* out) { static_cast<std::vector<std::string>*>(out)->push_back(v.display_name); },
        &names);
    std::fclose(f);
    if (listed) *listed = names;
    std::vector<Entry> out;
    for (int i = 0; i < mame_version_count; ++i)
        out.push_back({mame_versions[i].display_name, mame_versions[i].executable, mame_versions[i].version_name});
    return out;
}

TEST(VersionsFile, LinesAreTakenByTheFourLineRhythm) {
    struct Case { const char* name; std::string text; std::vector<Entry> expected; } cases[] = {
        {"two entries ending in a line break", "MAME 0.36\nmame036\n0.36\nWin32\nMAME 0.78\nmame078\n0.78\nWin32\n",
         {{"MAME 0.36", "mame036", "0.36"}, {"MAME 0.78", "mame078", "0.78"}}},
        {"blank lines and leading blanks skipped, but not on the first line",
         "  First \n\n\t exe1\n   0.1\nx\n\n\n  Second\n exe2\n0.2\nx",
         {{"  First ", "exe1", "0.1"}, {"Second", "exe2", "0.2"}}},
        {"an empty second line moves the lines up", "A\n\nexeA\n0.1\nB\nexeB\n0.2\nx\n",
         {{"A", "exeA", "0.1"}, {"exeB", "0.2", "x"}}},
        {"an entry cut short is still taken", "A\nexeA\n0.1\nx\nB\nexeB", {{"A", "exeA", "0.1"}, {"B", "exeB", ""}}},
        {"a carriage return before the line feed is dropped", "A\r\nexe\r\n0.1\r\nx\r\n", {{"A", "exe", "0.1"}}},
        {"an empty file gives nothing", "", {}},
        {"an empty first line is skipped like any blank line", "\n\nA\nexe\n0.1\nx\n", {{"A", "exe", "0.1"}}},
        {"only white space gives nothing", "\n \n\t\n", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(read_all(c.text), c.expected) << c.name;
}

TEST(VersionsFile, EachEntryIsListedAsItIsTaken) {
    std::vector<std::string> listed;
    read_all("A\na\n1\nx\nB\nb\n2\nx\n", &listed);
    EXPECT_EQ(listed, (std::vector<std::string>{"A", "B"}));
}

TEST(VersionsFile, LongLinesAreCutToTheirFieldsWithoutSpilling) {
    const std::string long_name(10000, 'n'), long_exe(600, 'e'), long_version(40, 'v');
    const auto entries = read_all(long_name + "\n" + long_exe + "\n" + long_version + "\n" + std::string(50, 'w') +
                                  "\nNext\nexe\n0.2\nx\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].display, std::string(203, 'n'));
    EXPECT_EQ(entries[0].executable, std::string(511, 'e'));
    EXPECT_EQ(entries[0].version, std::string(19, 'v'));
    EXPECT_EQ(entries[1], (Entry{"Next", "exe", "0.2"}));
}

TEST(VersionsFile, TakesAtMostOneHundredEntries) {
    std::string text;
    for (int i = 0; i < 150; ++i) text += "V" + std::to_string(i) + "\nexe\n" + std::to_string(i) + "\nx\n";
    const auto entries = read_all(text);
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_EQ(entries[99].display, "V99");
}

TEST(VersionsFile, BinaryBytesAndNoLineBreaksDoNotHang) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 37) % 256);
    EXPECT_LE(read_all(junk).size(), 100u);
    EXPECT_EQ(read_all(std::string(3000, 'z')).size(), 1u);
}

TEST(FindVersion, MatchesExactlyAndPrefersTheFirst) {
    read_all("A\na\n0.78\nx\nB\nb\n0.78\nx\nC\nc\n0.36b\nx\n");
    EXPECT_EQ(find_version("0.78"), 0);
    EXPECT_EQ(find_version("0.36b"), 2);
    EXPECT_EQ(find_version("0.36B"), -1);
    EXPECT_EQ(find_version("0.7"), -1);
    read_all("");
    EXPECT_EQ(find_version(""), -1);
}

}  // namespace
