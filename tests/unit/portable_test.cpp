// The portable code's limits, exact texts and file images, one section per
// subsystem: what the fuzz harnesses of tests/fuzz cannot judge.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/net.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/versions.h"
#include "download/download.h"
#include "download/extract.h"
#include "mame/command_line.h"
#include "mame/game_list.h"
#include "mame/recording_names.h"
#include "scores/score_properties.h"
#include "scores/score_query.h"

namespace {

namespace fs = std::filesystem;

struct ScratchDir {  // a scratch working directory for code that works on bare file names
    std::string pattern = "/tmp/vornix-test-XXXXXX";
    fs::path old = fs::current_path(), path = mkdtemp(pattern.data());
    ScratchDir() { fs::current_path(path); }
    ~ScratchDir() { fs::current_path(old), fs::remove_all(path); }
};
void write_file(const std::string& name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; }
std::string read_file(const std::string& name) {  // "" for a file that is not there
    std::ostringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
}
std::FILE* text_stream(const std::string& text) {  // fmemopen refuses an empty buffer
    return text.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
}

TEST(SettingsFile, TheImageByteForByte) {
    std::string bytes(100, '\0');  // each byte tells where it came from
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA0 + i);
    // sound 1, sample rate 1, hardware stretching 1, automatic frameskip 1; all else 0.
    const std::string defaults = std::string("\1\0\0\0\1\0\0\0\1\0\0\0\0\0\0\0\1\0\0\0", 20) + std::string(24, '\0');
    struct Case { const char* name; std::string file, saved; } cases[] = {
        {"no file: the defaults", "", defaults},
        {"every byte, gaps and reserved field too, is kept", bytes.substr(0, 44), bytes.substr(0, 44)},
        {"a short file replaces only its leading bytes", bytes.substr(0, 10), bytes.substr(0, 10) + defaults.substr(10)},
        {"a long file gives only its first 44 bytes", bytes, bytes.substr(0, 44)}};
    for (const auto& c : cases) {
        ScratchDir dir;
        std::memset(&settings, 0x5A, sizeof settings);  // no stale value may pass for a default
        set_default_settings();
        std::memset(settings.gap_6, 0, 2), std::memset(settings.gap_22, 0, 2);
        if (!c.file.empty()) write_file(SETTINGS_FILE, c.file);
        load_settings();
        save_settings();
        EXPECT_EQ(read_file(SETTINGS_FILE), c.saved) << c.name;
    }
    for (std::uint32_t flag : {2u, 0xFFFFFFFFu}) EXPECT_EQ((toggle_flag(flag), flag), 1u) << "a flag not 1 toggles to 1";
}

// `bytes` as versions.ini, read into the table: its encoding, then "display,executable,version;" per entry as it is
// listed. Natively a file in UTF-8 keeps its bytes in the table, as one in the ANSI code page does.
const char* const kEncodings[] = {"ansi", "utf8", "utf8_mark", "utf16le", "utf16be"};
std::string read_versions_text(const std::string& bytes) {
    ScratchDir dir;
    write_file(VERSIONS_FILE, bytes);
    std::string listed;
    read_versions_file(store_line_as_is, [](int i, void* out) {
        const MameVersion& v = mame_versions[i];
        *static_cast<std::string*>(out) += std::string(v.display_name) + "," + v.executable + "," + v.version_name + ";";
    }, &listed);
    return kEncodings[static_cast<int>(versions_file.encoding)] + ("|" + listed);
}
std::string utf16(const std::u16string& text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) bytes += big_endian ? std::string{char(unit >> 8), char(unit)} : std::string{char(unit), char(unit >> 8)};
    return bytes;
}

TEST(VersionsFile, EntriesOfFourLinesInEachEncoding) {
    std::string many, hundred;
    for (int i = 0; i < 150; ++i) {
        const std::string n = std::to_string(i);
        many += "V" + n + "\nexe\n" + n + "\nx\n";
        if (i < MAX_MAME_VERSIONS) hundred += "V" + n + ",exe," + n + ";";
    }
    struct Case { const char* name; std::string text, entries; } cases[] = {
        {"blank lines and leading blanks are skipped, but not on the first line",
         "  First \n\n\t exe1\n   0.1\nx\n\n\n  Second\n exe2\n0.2\nx", "utf8|  First ,exe1,0.1;Second,exe2,0.2;"},
        {"an empty line moves the lines after it up", "A\n\nexeA\n0.1\nB\nexeB\n0.2\nx\n", "utf8|A,exeA,0.1;exeB,0.2,x;"},
        {"an entry cut short by the end is still taken", "A\nexeA\n0.1\nx\nB\nexeB", "utf8|A,exeA,0.1;B,exeB,;"},
        {"only a carriage return before the line feed is dropped", "A\rB\r\nexe\r\n0.1\r\nx\r\n", "utf8|A\rB,exe,0.1;"},
        {"an empty first line is skipped", "\n\nA\nexe\n0.1\nx\n", "utf8|A,exe,0.1;"},
        {"Notepad's UTF-8 mark is no part of the first name, whose blanks stay", "\xEF\xBB\xBF A\nexe\n0.1\nx\n",
         "utf8_mark| A,exe,0.1;"},
        {"UTF-8 without a mark", "J\xC3\xA9\nexe\n0.1\nx\n", "utf8|J\xC3\xA9,exe,0.1;"},
        {"a byte that is no UTF-8: the ANSI code page", "J\xE9\nexe\n0.1\nx\n", "ansi|J\xE9,exe,0.1;"},
        {"UTF-16 little-endian, read as UTF-8", utf16(u"J\u00e9\r\nexe\r\n0.1\r\nx\r\n", false), "utf16le|J\xC3\xA9,exe,0.1;"},
        {"UTF-16 big-endian beyond the first plane, and a lone surrogate",
         utf16(u"J\U0001F600\r\nexe\xD800\r\n0.1\r\nx\r\n", true), "utf16be|J\xF0\x9F\x98\x80,exe\xEF\xBF\xBD,0.1;"},
        {"an empty file", "", "utf8_mark|"},
        {"white space only", "\n \n\t\n", "utf8|"},
        {"long lines are cut to their fields without spilling",
         std::string(10000, 'n') + "\n" + std::string(600, 'e') + "\n" + std::string(40, 'v') + "\nx\nNext\nexe\n0.2\nx\n",
         "utf8|" + std::string(203, 'n') + "," + std::string(511, 'e') + "," + std::string(19, 'v') + ";Next,exe,0.2;"},
        {"at most 100 entries", many, "utf8|" + hundred}};
    for (const auto& c : cases) EXPECT_EQ(read_versions_text(c.text), c.entries) << c.name;
    EXPECT_TRUE(versions_file.more) << "more than 100 entries";
    // Well-formed UTF-8 only: no overlong form, surrogate, code point past U+10FFFF or sequence cut short.
    for (const char* bytes : {"\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "J\xC3"})
        EXPECT_EQ(detect_encoding(reinterpret_cast<const unsigned char*>(bytes), std::strlen(bytes)), TextEncoding::ansi)
            << bytes;
    read_versions_text("A\na\n0.78\nx\nB\nb\n0.78\nx\nC\nc\n0.36b\nx\n");
    for (const auto& [name, index] : {std::pair{"0.78", 0}, {"0.36b", 2}, {"0.36B", -1}, {"0.7", -1}, {"", -1}})
        EXPECT_EQ(find_version(name), index) << "find_version('" << name << "')";
}

VersionLines entry(const std::string& name, const std::string& program, const std::string& version,
                   const std::string& fourth = "Win32") {
    VersionLines e{};
    copy_text(e.name, name.c_str()), copy_text(e.program, program.c_str()), copy_text(e.version, version.c_str());
    copy_text(e.fourth, fourth.c_str());
    return e;
}

// What the dialog takes is written and read back: the same lines, in the same encoding, or it is refused first.
TEST(VersionsFile, WrittenAsTheDialogTookItAndReadBack) {
    std::vector<VersionLines> hundred;
    for (int i = 0; i < MAX_MAME_VERSIONS; ++i)
        hundred.push_back(entry("V" + std::to_string(i), "C:\\M\\m" + std::to_string(i) + ".exe", std::to_string(i)));
    const auto accents = [](const char* name) { return std::vector{entry(name, "C:\\Jeux \xC3\x89mul\xC3\xA9s\\m.exe", "0.78")}; };
    struct Case { const char* name; std::vector<VersionLines> entries; TextEncoding encoding; const char* refused = ""; } cases[] = {
        {"the longest fields, trailing blanks, an empty fourth line written as Win32",
         {entry(std::string(201, 'n') + "  ", std::string(511, 'e'), std::string(19, 'v'), ""), entry("B", "b", "1", "x")},
         TextEncoding::utf8_mark},
        {"100 entries", hundred, TextEncoding::utf8},
        {"UTF-8 without a mark", accents("J\xC3\xA9"), TextEncoding::utf8},
        {"UTF-16 little-endian", accents("J\xC3\xA9 \xF0\x9F\x98\x80"), TextEncoding::utf16le},
        {"UTF-16 big-endian", accents("J\xC3\xA9"), TextEncoding::utf16be},
        {"the ANSI code page", {entry("J\xE9", "C:\\Jeux \xC9mul\xE9s\\m.exe", "0.78")}, TextEncoding::ansi},
        {"blanks at the start of a name", {entry(" MAME", "m", "1")}, TextEncoding::utf8, "Name: begins with a blank"},
        {"a name that looks like a blank line", {entry(" \t ", "m", "1")}, TextEncoding::utf8, "Name: is empty."},
        {"one character more than a program holds", {entry("M", std::string(512, 'e'), "1")}, TextEncoding::utf8,
         "Program: is too long. Vornix keeps at most 511 characters here."},
        {"a line break inside", {entry("M", "m", "0.7\n8")}, TextEncoding::utf8, "Score service version: holds a tab"},
        {"an empty program", {entry("M", "", "1")}, TextEncoding::utf8, "Program: is empty."}};
    static unsigned char bytes[VERSIONS_FILE_MAX];
    for (const auto& c : cases) {
        std::string refused;
        for (const VersionLines& e : c.entries) {
            char text[512] = "";
            if (format_entry_problem(text, sizeof text, check_version_entry(e, store_line_as_is), 0, 1252)) refused += text;
        }
        EXPECT_EQ(refused.substr(0, std::strlen(c.refused)), c.refused) << c.name;
        if (!refused.empty()) continue;
        std::size_t size = 0;
        ASSERT_TRUE(write_versions(c.entries.data(), static_cast<int>(c.entries.size()), c.encoding, bytes, sizeof bytes, &size));
        ScratchDir dir;
        write_file(VERSIONS_FILE, std::string(reinterpret_cast<char*>(bytes), size));
        read_versions_file(store_line_as_is, nullptr, nullptr);
        EXPECT_EQ(versions_file.encoding, c.encoding) << c.name;
        ASSERT_EQ(mame_version_count, static_cast<int>(c.entries.size())) << c.name;
        for (int i = 0; i < mame_version_count; ++i)
            for (int line = 0; line < VERSION_LINE_COUNT; ++line) {
                const char* given = version_line(c.entries[i], line);
                EXPECT_STREQ(version_line(version_sources[i].lines, line), line == 3 && !*given ? "Win32" : given)
                    << c.name << ", entry " << i << ", line " << line;
            }
    }
    // The program of a program line, for the file request and the short path.
    for (const auto& [line, program] : {std::pair{"\"C:\\a b\\m.exe\" -rompath x", "C:\\a b\\m.exe"},
                                        {"C:\\a b\\m.exe", "C:\\a b\\m.exe"}, {"\"C:\\m", "C:\\m"}}) {
        std::size_t start, length;
        program_of_line(line, &start, &length);
        EXPECT_EQ(std::string(line + start, length), program) << line;
    }
}

TEST(NetSettings, ServerAddressAndTimeout) {
    const std::pair<std::string, std::string> servers[] = {
        {"zeph.example.org", "zeph.example.org:80"}, {"127.0.0.1:8080", "127.0.0.1:8080"}, {"h:65535", "h:65535"},
        {"h:65536", "refused"}, {"h:0", "refused"}, {":80", "refused"}, {"h:8o", "refused"},
        {std::string(64, 'h'), "refused"},  // a host that does not fit its 64 bytes
        {" HTTP://h:8080/ ", "h:8080"}, {"http://h", "h:80"}, {"h/zeph/", "refused"}, {"https://h", "refused"},
        {"[::1]:8080", "[::1]:8080"}, {"http://[::1]/", "[::1]:80"}, {"[::1]8080", "refused"}, {"[::1", "refused"}};
    for (const auto& [server, expected] : servers) {
        char host[64] = "";
        unsigned short port = 0;
        const bool ok = split_host_port(server.c_str(), host, sizeof host, &port);
        EXPECT_EQ(ok ? std::string(host) + ":" + std::to_string(port) : "refused", expected) << "'" << server << "'";
    }
    // The network limit: 30 s unless the environment names a sensible other one; a fetch takes a minute in all.
    for (const auto& [text, ms] : {std::pair{(const char*)nullptr, 30000u}, {"1500", 1500u}, {"0", 30000u},
                                   {"15x", 30000u}, {"86400001", 30000u}})
        EXPECT_EQ(parse_net_timeout_ms(text), ms) << (text ? text : "unset");
    EXPECT_EQ(parse_fetch_deadline_ms(nullptr), 60000u) << "a fetch's time in all";
}

const std::string kSwitches = " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy";
Settings defaults() { return set_default_settings(), settings; }

TEST(MameCommandLine, SwitchesFollowTheSettingsInTheirFixedOrder) {
    // Each row names the part of the default switches that changes, and what it becomes.
    struct Case { const char* name; void (*change)(Settings&); std::string from, to; } cases[] = {
        {"every option turned", [](Settings& s) { s.frameskip = 11;
             s.hw_stretch = s.sound = s.auto_frameskip = s.sample_rate = 0, s.windowed = s.use_mouse = s.use_joystick = 1; },
         kSwitches, " -nohws -window -nosound -sr 11025 -frameskip 11 -noafs -mouse -joy"},
        {"sample rate 2", [](Settings& s) { s.sample_rate = 2; }, " -sr 22050", " -sr 44100"},
        {"sample rate 3: no -sr", [](Settings& s) { s.sample_rate = 3; }, " -sr 22050", ""},
        {"sample rate -1: no -sr", [](Settings& s) { s.sample_rate = -1; }, " -sr 22050", ""},
        {"a stored frameskip of 65535 is -1", [](Settings& s) { s.frameskip = -1; }, " -frameskip 0", " -frameskip -1"},
        {"flags holding 2 are off", [](Settings& s) { s.hw_stretch = s.sound = s.auto_frameskip = 2; }, kSwitches,
         " -nohws -nowindow -nosound -sr 22050 -frameskip 0 -noafs -nomouse -nojoy"},
        {"and stay off", [](Settings& s) { s.windowed = s.use_mouse = s.use_joystick = 2; }, "", ""}};
    for (const auto& c : cases) {
        Settings s = defaults();
        c.change(s);
        char line[COMMAND_LINE_SIZE];
        EXPECT_TRUE(build_play_command(line, sizeof line, "mame", "pacman", s));
        EXPECT_EQ(line, "mame pacman" + std::string(kSwitches).replace(kSwitches.find(c.from), c.from.size(), c.to)) << c.name;
    }
}

TEST(MameCommandLine, PlayRecordAndPlaybackLinesQuoteWhiteSpace) {
    // Each row makes the play line `exe_out pacman kSwitches`, and the INP line continues it with `tail`.
    const std::string clean = " -nvram_directory NULL -cfg_directory NULL";
    struct Case { const char *name, *exe, *dir, *inp; int mode; const char *exe_out, *tail; } cases[] = {
        {"record: a quoted executable, the line ends with the short name", "C:\\My MAME\\mame.exe", "C:\\rec dir",
         "run one", INP_RECORD, "\"C:\\My MAME\\mame.exe\"", " -record pacman"},
        {"any mode but 1 plays back, from MAME's own directory", "mame", nullptr, nullptr, 7, "mame", " -playback pacman"},
        {"a directory and an INP name with spaces", "mame", "C:\\rec dir", "run one", 0, "mame",
         " -input_directory \"C:\\rec dir\" -playback \"run one\""},
        {"a tab is white space too", "mame\t2", "a\tb", "c\td", 0, "\"mame\t2\"",
         " -input_directory \"a\tb\" -playback \"c\td\""},
        {"a value holding a double quote goes in as it is", "\"C:\\My MAME\\mame.exe\"", "\"C:\\a b\\\"", "x \"y", 0,
         "\"C:\\My MAME\\mame.exe\"", " -input_directory \"C:\\a b\\\" -playback x \"y"},
        {"trailing backslashes of a quoted value are dropped", "mame", "C:\\Jane Doe\\Rec\\\\", nullptr, 0, "mame",
         " -input_directory \"C:\\Jane Doe\\Rec\" -playback pacman"},
        {"C:\\ holds no space and stays as it is", "mame", "C:\\", nullptr, 0, "mame",
         " -input_directory C:\\ -playback pacman"}};
    for (const auto& c : cases) {
        char line[COMMAND_LINE_SIZE];
        EXPECT_TRUE(build_play_command(line, sizeof line, c.exe, "pacman", defaults()));
        EXPECT_EQ(line, c.exe_out + (" pacman" + kSwitches)) << c.name;
        EXPECT_TRUE(build_inp_command(line, sizeof line, c.exe, "pacman", c.mode, c.dir, c.inp, defaults()));
        EXPECT_EQ(line, c.exe_out + (" pacman" + kSwitches) + clean + c.tail) << c.name;
    }
    // A chosen recording: its folder (a drive's root keeps its separator) and its name without extension.
    const std::string long_name = "C:\\r\\" + std::string(128, 'n') + ".inp";
    for (const auto& [path, dir_name] : {std::pair<std::string, std::string>{"C:\\rec dir\\run one.inp", "C:\\rec dir|run one"},
                                          {"C:\\run.inp", "C:\\|run"}, {"C:\\run", "no extension"},
                                          {"C:\\run.", "no extension"}, {long_name, "too long"}}) {
        char dir[512], name[128];
        copy_text(dir, path.c_str());
        const std::size_t file = path.rfind('\\') + 1, dot = path.rfind('.');
        const InpChoice got = split_chosen_inp(dir, file, dot == std::string::npos || dot < file ? path.size() : dot + 1,
                                               name, sizeof name);
        EXPECT_EQ(got == InpChoice::ok ? std::string(dir) + "|" + name
                  : got == InpChoice::no_extension ? "no extension" : "too long", dir_name) << path;
    }
}

TEST(MameCommandLine, GameListLineRefusedLinesAndPreview) {
    // MAME is started on the line itself, so a program line lists the games exactly as it runs them.
    struct Case { const char* name; std::string exe; std::uint32_t by_driver; const char* line; } cases[] = {
        {"a sort flag of 2 sorts by name", "mame", 2, "mame -listfull -sortname"},
        {"by driver, a program in Program Files (x86) goes in quotes", "C:\\Program Files (x86)\\MAME\\mame.exe", 1,
         "\"C:\\Program Files (x86)\\MAME\\mame.exe\" -listfull -sortdriver"},
        {"a line with its own quotes and options is kept as written", "\"C:\\R&D\\mame.exe\" -rompath \"D:\\My ROMs\"", 0,
         "\"C:\\R&D\\mame.exe\" -rompath \"D:\\My ROMs\" -listfull -sortname"},
        {"one character more than fits is refused", std::string(COMMAND_LINE_SIZE - 22, 'e'), 1, nullptr}};
    for (const auto& c : cases) {
        Settings s = defaults();
        s.sort_by_driver = c.by_driver;
        char line[COMMAND_LINE_SIZE];
        EXPECT_EQ(build_game_list_command(line, sizeof line, c.exe.c_str(), s), c.line != nullptr) << c.name;
        if (c.line) { EXPECT_STREQ(line, c.line) << c.name; }
    }
    // A program that cannot be started is named with the code's meaning, or a path too long for Windows as such.
    const std::string deep = "C:\\" + std::string(251, 'd') + "\\m.exe", deep_options = "\"" + deep + "\" -rompath r";
    for (const auto& [code, exe, text] : {std::tuple<int, std::string, std::string>{2, "C:\\m.exe",
             "Cannot call MAME - [2]\n\nThis MAME program was not found:\nC:\\m.exe\n\nCheck line 2 of this version's "
             "entry in versions.ini."},
         {5, "C:\\m.exe", "Cannot call MAME - [5]\n\nThis MAME program could not be started:\nC:\\m.exe"},
         {2, "\"C:\\m.exe\" -rompath " + std::string(300, 'r'), "Cannot call MAME - [2]\n\nThis MAME program was not found"},
         {2, deep_options, "Cannot call MAME - [2]\n\nThe path of this MAME program is longer than Windows can start a "
                           "program from (259 characters):\n" + deep_options}}) {
        char message[1024];
        format_cannot_call_message(message, sizeof message, code, exe.c_str());
        EXPECT_EQ(std::string(message).substr(0, text.size()), text);
    }
    char line[COMMAND_LINE_SIZE];
    const std::string exe(511, 'e'), dir(300, 'd'), name(127, 'n');  // the longest executable versions.ini holds
    EXPECT_FALSE(build_inp_command(line, sizeof line, exe.c_str(), "pacman", 0, dir.c_str(), name.c_str(), defaults()));
    EXPECT_EQ(std::strlen(line), sizeof line - 1) << "a cut line stays terminated";
    for (const auto& [length, fits] : {std::pair{60, true}, {1008, true}, {1009, false}}) {
        const std::string command(static_cast<std::size_t>(length), 'x');
        EXPECT_EQ(format_preview(line, sizeof line, command.c_str()), fits) << length;
        EXPECT_EQ(line, (command + " [Length: " + std::to_string(length) + "]").substr(0, sizeof line - 1)) << length;
    }
}

TEST(RecordingNames, AnEarlierRecordingIsKeptUnderTheFirstFreeNumberUpToTheLast) {
    for (const auto& [taken, kept] : {std::pair<int, std::string>{0, "inp\\pacman-1.inp"},
                                      {MAX_KEPT_RECORDINGS - 1, "inp\\pacman-999.inp"}, {MAX_KEPT_RECORDINGS, "none"}}) {
        std::pair<int, int> taken_asked = {taken, 0};  // numbers 1 to `taken` are taken
        char out[40];
        const bool found = find_kept_recording_name(out, sizeof out, "pacman", [](const char*, void* p) {
            auto& [limit, asked] = *static_cast<std::pair<int, int>*>(p);
            return ++asked <= limit;
        }, &taken_asked);
        EXPECT_EQ(found ? out : "none", kept) << taken << " taken";
    }
}

// "<result> <games told to the list> <last game stored>"
std::string load(const std::string& text) {
    int told = 0;
    std::FILE* in = text_stream(text);
    const int result = read_game_list(in, game_table, [](const GameEntry&, void* n) { ++*static_cast<int*>(n); }, &told);
    std::fclose(in);
    const GameEntry& last = game_table[std::max(told, 1) - 1];
    return std::to_string(result) + " " + std::to_string(told) + " " + last.short_name + " " + last.description;
}

TEST(GameList, LimitsOfTheTableAndTheEmptyListMessage) {
    auto games = [](int from, int to) {  // a heading, then the games g<from> .. g<to - 1>
        std::string text = "Name:     Description:\n";
        for (int i = from; i < to; ++i) text += "g" + std::to_string(i) + "   \"Game " + std::to_string(i) + "\"\n";
        return text;
    };
    struct Case { const char *name; std::string text, loaded; } cases[] = {
        {"a nine-character name is taken, a ten-character one skipped", "abcdefghij \"Ten\"\nabcdefghi \"Nine\"\n",
         "1 1 abcdefghi Nine"},
        {"descriptions are cut to 249", "big \"" + std::string(1000, 'd') + "\"\n", "1 1 big " + std::string(249, 'd')},
        {"4999 games", games(0, 4999), "4999 4999 g4998 Game 4998"},
        {"the 5000th game fills the table", games(0, 5000), std::to_string(GAME_LIST_FULL) + " 5000 g4999 Game 4999"}};
    for (const auto& c : cases) EXPECT_EQ(load(c.text), c.loaded) << c.name;
    // find_game searches slots 0 to 4998, also those a shorter load left as they were.
    std::memset(game_table, 0, sizeof game_table);
    load(games(0, 3000)), load(games(5000, 7000));
    std::memcpy(game_table[4998].short_name, "lastbut1", 9), std::memcpy(game_table[4999].short_name, "last", 5);
    for (const auto& [name, index] : {std::pair{"g5000", 0}, {"g2500", 2500}, {"G5000", -1}, {"g500", -1}, {"", 3000},
                                      {"lastbut1", 4998}, {"last", -1}})
        EXPECT_EQ(find_game(name), index) << "find_game('" << name << "')";
    // A list MAME did not give names the executable and its exit code; the switches only for a code of MAME's own.
    for (const auto& [code, text] : {std::pair<std::uint32_t, const char*>{0xFFFFFFFF,
             "MAME listed no games: C:\\My MAME\\mame.exe ended with code -1.\n\nCheck this version's program line in "
             "versions.ini: it must name a MAME build that accepts -listfull and -sortdriver (see README)."},
         {0xC0000135, "MAME listed no games: C:\\My MAME\\mame.exe ended with Windows' status 0xC0000135 (a DLL that MAME "
                      "needs was not found).\n\nMAME did not run properly"}}) {
        char message[1024];
        format_empty_list_message(message, sizeof message, "C:\\My MAME\\mame.exe", code, "-sortdriver");
        EXPECT_EQ(std::string(message).substr(0, std::strlen(text)), text);
    }
    // After a run: MAME's own code as the signed number it is; a Windows status in hex too, what it means if known.
    const std::string own = "MAME returned an error [code ", status = "]\n\nThis is Windows' status ";
    for (const auto& [code, text] : {std::pair<std::uint32_t, std::string>{3, own + "3]"},
             {0xBFFFFFFF, own + "-1073741825]"}, {0xE0000000, own + "-536870912]"},
             {0xC0000000, own + "-1073741824" + status + "0xC0000000: MAME did not run properly."},
             {0xC000007B, own + "-1073741701" + status + "0xC000007B (MAME or one of its DLLs is built for another kind "
                                "of Windows: 32-bit and 64-bit mixed): MAME did not run properly."}}) {
        char message[1024];
        format_run_error_message(message, sizeof message, code);
        EXPECT_EQ(message, text);
    }
}

TEST(Scores, QueryPathCutShortAnswerRowsAndDetails) {
    for (const auto& [name, split, path] : {std::tuple{"pacman", "", "pacman"}, {"pacman", "2", "pacman-2"},
                                            {"pacman", "abcdefghijklmnopqrst", "pacman-abcdefghijklmno"},
                                            {"a b", "c&d", "a b-c&d"}}) {  // nothing escaped
        char out[128];
        EXPECT_TRUE(build_score_path(out, sizeof out, name, split));
        EXPECT_EQ(out, "/index.cgi?mode=fe_scores&short=" + std::string(path));
    }
    // An answer cut short: fewer bytes than announced and than one read takes; unknown without a Content-Length.
    for (const auto& [received, known, length, cut] : {std::tuple{300u, true, 300u, false}, {300u, true, 301u, true},
                                                       {10240u, true, 10241u, false}, {300u, false, 3000u, false}})
        EXPECT_EQ(score_answer_cut_short(received, known, length), cut) << received << " of " << length;
    // At most 100 rows, into a table of exactly 100 slots, so the sanitizer sees a write past it.
    std::string answer = "ZEPH scores\n", last_row;
    for (int i = 0; i < 150; ++i) answer += "('52310','1','f3','0.1','1','rec','f7','Ann',\"Pac\",'3','12.5','d')<P>\n";
    static ScoreRecord table[SCORE_TABLE_SIZE];
    const auto keep_row = [](int, const char* row, void* last) { *static_cast<std::string*>(last) = row; };
    EXPECT_EQ(parse_score_response(answer.data(), answer.size(), table, SCORE_TABLE_SIZE, keep_row, &last_row), 100);
    EXPECT_EQ(last_row, "     52310 - Ann");
    // The score details: the upload line, numbers that cannot overflow, the game of a recording.
    std::tm t[3] = {};  // Sun Mar 5 14:03:09 2023; a month 12 and a weekday 7, which have no names
    t[0].tm_year = 123, t[0].tm_mon = 2, t[0].tm_mday = 5, t[0].tm_hour = 14, t[0].tm_min = 3, t[0].tm_sec = 9;
    t[1].tm_mon = 12, t[2].tm_wday = 7;
    for (const auto& [time, line] : {std::pair<const std::tm*, const char*>{&t[0], "Uploaded on: Sun Mar 05 14:03:09 2023\n"},
                                     {nullptr, "Uploaded on: unknown"}, {&t[1], "Uploaded on: unknown"},
                                     {&t[2], "Uploaded on: unknown"}}) {
        char out[64];
        format_upload_line(out, sizeof out, time);
        EXPECT_STREQ(out, line);
    }
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [value, truncated] : {std::pair{12.9, 12}, {-7.9, -7}, {1e300, std::numeric_limits<int>::max()}, {nan, 0}})
        EXPECT_EQ(truncate_to_int(value), truncated) << value;
    for (const auto& [head, game] : {std::pair<std::string, std::string>{std::string("pacman\0\0rest", 12), "pacman"},
                                     {"mspacmabXYZ", "mspacmab"}, {"pacm", "(none)"}, {std::string(8, '\0'), "(none)"}}) {
        char name[9];
        const bool ok = inp_game_name(reinterpret_cast<const unsigned char*>(head.data()), head.size(), name);
        EXPECT_EQ(ok ? name : "(none)", game) << head;
    }
}

TEST(Download, ProgressCutShortBodiesErrorPagesAndTheOfferedName) {
    struct Case { const char* name; std::uint32_t length; bool known; int chunks; const char* line; } cases[] = {
        {"an empty body is one empty chunk", 0, true, 1, "Recieved: 1 kB / 1 kB"},
        {"2048 bytes arrive in three chunks, the last one empty", 2048, true, 2, "Recieved: 2 kB / 3 kB"},
        {"no Content-Length: the total is the count so far", 1500, false, 2, "Recieved: 2 kB / 2 kB"}};
    for (const auto& c : cases) {
        DownloadProgress p;
        p.length_known = c.known, p.content_length = c.known ? c.length : 0;
        for (int i = 0; i < c.chunks; ++i) count_chunk(p, std::min<std::size_t>(c.length - i * DOWNLOAD_CHUNK, DOWNLOAD_CHUNK));
        char line[64];
        format_progress(line, sizeof line, p);
        EXPECT_STREQ(line, c.line) << c.name;
        EXPECT_EQ(body_cut_short(p), false) << c.name;
        p.content_length += 1;
        EXPECT_EQ(body_cut_short(p), c.known) << c.name << ", one byte short";
    }
    EXPECT_TRUE(is_last_chunk(0) && is_last_chunk(DOWNLOAD_CHUNK - 1) && !is_last_chunk(DOWNLOAD_CHUNK)) << "a short chunk";
    // A body beyond 256 MiB, arrived or announced, fails as a cut one.
    for (const auto& [received, length, over] : {std::tuple{256ull << 20, 0ull, false}, {(256ull << 20) + 1, 0ull, true},
                                                 {0ull, 256ull << 20, false}, {0ull, (256ull << 20) + 1, true}}) {
        DownloadProgress p;
        p.received = received, p.content_length = length, p.length_known = length != 0;
        EXPECT_EQ(download_over_limit(p), over) << received << " received, " << length << " announced";
    }
    // Any chunk beginning "<HTML>" is a page; the first one also when it opens like one, in any case.
    for (const auto& [bytes, first, html] : {std::tuple<std::string, bool, bool>{"<HTML>", false, true},
                                             {"<html>", false, false}, {"<HTML", false, false}, {" <HTML>", false, false},
                                             {"\xEF\xBB\xBF \r\n<!DOCTYPE html>", true, true}, {"<?xml ", true, true},
                                             {"\t<body>", true, true}, {"<", true, false}, {"< html", true, false},
                                             {std::string("\0<html>", 7), true, false}, {"PK\3\4<html>", true, false}})
        EXPECT_EQ(is_html_chunk(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), first), html)
            << "'" << bytes << "'" << (first ? " first" : "");
    // The mark of the Web names where the zip came from.
    for (const auto& [server, mark] : {std::pair{"zeph.example.org", "http://zeph.example.org/inp/a.zip"},
                                       {" HTTP://127.0.0.1:8080/", "http://127.0.0.1:8080/inp/a.zip"}, {"h/x", ""}}) {
        char out[128];
        format_zone_identifier(out, sizeof out, server, "/inp/a.zip");
        EXPECT_EQ(out, "[ZoneTransfer]\r\nZoneId=3\r\n" + (*mark ? "HostUrl=" + std::string(mark) + "\r\n" : "")) << server;
    }
    // The save request offers a plain file name.
    for (const auto& [name, offered] : {std::pair<std::string, const char*>{"pacman-52310", "pacman-52310.zip"},
                                        {"..\\..\\evil", "evil.zip"}, {"a/b:c", "c.zip"}, {"", "recording.zip"},
                                        {"dir\\", "recording.zip"}, {"x?y", "x_y.zip"},
                                        {"a<b>c\"d|e?f*g", "a_b_c_d_e_f_g.zip"}, {"a\x01" "b\tc\x1f", "a_b_c_.zip"},
                                        {"x\\nul", "_nul.zip"}, {"nul_", "nul_.zip"}}) {
        char out[64];
        format_offered_zip_name(out, sizeof out, name.c_str());
        EXPECT_STREQ(out, offered) << "'" << name << "'";
    }
}

TEST(FileNames, DeviceNamesAsWindowsOpensThem) {
    for (const char* device : {"nul", "NUL.zip", "con .zip", "Aux", "com1.inp", "LPT9.a.b", "COM\xB9.zip", "conout$",
                               "nul  ", "prn."})
        EXPECT_TRUE(is_device_name(device)) << device;
    for (const char* plain : {"nul_", "console.zip", "com10", "lpt", "xnul", " nul", "", "COM\xB4"})
        EXPECT_FALSE(is_device_name(plain)) << plain;
}

// The working directory lies two levels below the scratch folder and the zip: a name climbing out lands in sight.
struct ExtractDir : ScratchDir {
    ExtractDir() { fs::create_directories("work/deep"), fs::current_path("work/deep"); }
    const std::string zip = (path / "rec.zip").string();
    void make_zip(const std::vector<std::string>& names, const std::string& data, bool stored) const {
        zipFile z = zipOpen(zip.c_str(), APPEND_STATUS_CREATE);
        for (const std::string& name : names) {
            zip_fileinfo info{};
            zipOpenNewFileInZip(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, stored ? 0 : Z_DEFLATED, 6);
            zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
            zipCloseFileInZip(z);
        }
        zipClose(z, nullptr);
    }
    std::string files_left() const {  // every file but the zip
        std::string out;
        for (const auto& e : fs::recursive_directory_iterator(path))
            if (e.is_regular_file() && e.path() != zip) out += e.path().lexically_relative(path).string();
        return out;
    }
};

TEST(Extract, ChoosesTheInpMemberRefusesUnsafeNamesAndLeavesNothingElse) {
    const std::string data(3000, 'a');
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), 3000));
    auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const std::string k511 = [] { std::string s; while (s.size() < 504) s += "a/"; return s + "rec.inp"; }();
    // Each member holds `data`; `from` is then replaced by `to` in both headers, or the whole file is `to`.
    struct Case {
        const char* name; std::vector<std::string> members; const char* extracted;
        ExtractResult result = ExtractResult::no_inp_member; std::string from = "", to = ""; bool stored = false;
    } cases[] = {
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
        {"a NUL byte hides the name's real end", {"x.inp?.txt"}, nullptr, ExtractResult::no_inp_member, "x.inp?",
         std::string("x.inp\0", 6)},
        {"the CRC does not match", {"game.inp"}, nullptr, ExtractResult::member_damaged, le32(crc), le32(crc ^ 1), true},
        // A bomb is refused before any output exists; up to the limit the member is read (and here found short).
        {"a size of 256 MiB is read", {"game.inp"}, nullptr, ExtractResult::member_damaged, le32(3000), le32(256 << 20)},
        {"a size over 256 MiB is refused", {"game.inp"}, nullptr, ExtractResult::too_large, le32(3000), le32((256 << 20) + 1)},
        {"a server's HTML page", {}, nullptr, ExtractResult::zip_unreadable, "", "<html><body>404</body></html>"},
        {"a file of the member's name is here already", {"game.inp"}, nullptr, ExtractResult::name_taken}};
    for (const auto& c : cases) {
        ExtractDir dir;
        dir.make_zip(c.members, data, c.stored);
        std::string bytes = c.from.empty() && !c.to.empty() ? c.to : read_file(dir.zip);
        for (std::size_t at = 0; !c.from.empty() && (at = bytes.find(c.from, at)) != std::string::npos;)
            bytes.replace(at, c.from.size(), c.to);
        write_file(dir.zip, bytes);
        const bool taken = c.result == ExtractResult::name_taken;
        if (taken) write_file("game.inp", "mine");
        const char* name = nullptr;
        EXPECT_EQ(extract_inp_member(dir.zip.c_str(), &name), c.extracted ? ExtractResult::extracted : c.result) << c.name;
        EXPECT_EQ(name ? name : "(none)", std::string(c.extracted ? c.extracted : "(none)")) << c.name;
        EXPECT_TRUE(!name || (name >= member_name && name < member_name + sizeof member_name)) << c.name;
        const bool recording = c.extracted || taken || c.result == ExtractResult::member_damaged;
        EXPECT_EQ(zip_holds_recording(dir.zip.c_str()), recording) << c.name << ": may replace the user's zip";
        const std::string left = c.extracted ? "work/deep/" + (c.extracted + data) : taken ? "work/deep/game.inpmine" : "";
        EXPECT_EQ(dir.files_left() + read_file(c.extracted ? c.extracted : "game.inp"), left) << c.name;
    }
    const char* name = nullptr;
    EXPECT_EQ(extract_inp_member("no-such.zip", &name), ExtractResult::zip_unreadable);
}

}  // namespace
