// What the front end gives MAME (switches and command lines) and the limits
// of the game table; the game-list fuzzer judges the reader against fscanf.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mame/command_line.h"
#include "mame/game_list.h"
#include "unit.h"

namespace {

const std::string kSwitches = " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy";
const std::string kClean = " -nvram_directory NULL -cfg_directory NULL";

Settings defaults() { return set_default_settings(), settings; }

TEST(MameCommandLine, SwitchesFollowTheSettingsInTheirFixedOrder) {
    struct Case { const char* name; void (*change)(Settings&); const char* switches; } cases[] = {
        {"every option turned", [](Settings& s) {
             s.hw_stretch = 0, s.windowed = 1, s.sound = 0, s.sample_rate = 0, s.frameskip = 11, s.auto_frameskip = 0;
             s.use_mouse = 1, s.use_joystick = 1; }, " -nohws -window -nosound -sr 11025 -frameskip 11 -noafs -mouse -joy"},
        {"sample rate 2", [](Settings& s) { s.sample_rate = 2; }, " -hws -nowindow -sound -sr 44100 -frameskip 0 -afs -nomouse -nojoy"},
        {"sample rate 3: no -sr", [](Settings& s) { s.sample_rate = 3; }, " -hws -nowindow -sound -frameskip 0 -afs -nomouse -nojoy"},
        {"sample rate -1: no -sr", [](Settings& s) { s.sample_rate = -1; }, " -hws -nowindow -sound -frameskip 0 -afs -nomouse -nojoy"},
        {"a stored frameskip of 65535 is -1", [](Settings& s) { s.frameskip = -1; },
         " -hws -nowindow -sound -sr 22050 -frameskip -1 -afs -nomouse -nojoy"},
        {"flags holding 2 count as off", [](Settings& s) {
             s.hw_stretch = 2, s.windowed = 2, s.sound = 2, s.auto_frameskip = 2, s.use_mouse = 2, s.use_joystick = 2; },
         " -nohws -nowindow -nosound -sr 22050 -frameskip 0 -noafs -nomouse -nojoy"},
    };
    for (const auto& c : cases) {
        Settings s = defaults();
        c.change(s);
        char line[COMMAND_LINE_SIZE];
        EXPECT_TRUE(build_play_command(line, sizeof line, "mame", "pacman", s));
        EXPECT_EQ(line, "mame pacman" + std::string(c.switches)) << c.name;
    }
}

TEST(MameCommandLine, PlayRecordAndPlaybackLinesQuoteWhiteSpace) {
    // Each row makes the play line `exe_out pacman kSwitches` and the INP line `... kClean tail`.
    struct Case { const char* name; const char *exe, *dir, *inp; int mode; const char *exe_out, *tail; } cases[] = {
        {"record: a quoted executable, the line ends with the short name", "C:\\My MAME\\mame.exe", "C:\\rec dir",
         "run one", INP_RECORD, "\"C:\\My MAME\\mame.exe\"", " -record pacman"},
        {"playback from MAME's own input directory", "mame", nullptr, nullptr, 0, "mame", " -playback pacman"},
        {"any mode but 1 plays back", "mame", ".", "1234", 7, "mame", " -input_directory . -playback 1234"},
        {"a directory and an INP name with spaces", "mame", "C:\\rec dir", "run one", 0, "mame",
         " -input_directory \"C:\\rec dir\" -playback \"run one\""},
        {"a tab is white space too", "mame\t2", "a\tb", "c\td", 0, "\"mame\t2\"", " -input_directory \"a\tb\" -playback \"c\td\""},
        {"a value holding a double quote goes in as it is", "\"C:\\My MAME\\mame.exe\"", "\"C:\\a b\\\"", "x \"y", 0,
         "\"C:\\My MAME\\mame.exe\"", " -input_directory \"C:\\a b\\\" -playback x \"y"},
        {"trailing backslashes of a quoted value are dropped", "mame", "C:\\Jane Doe\\Rec\\\\", nullptr, 0, "mame",
         " -input_directory \"C:\\Jane Doe\\Rec\" -playback pacman"},
        {"C:\\ holds no space and stays as it is", "mame", "C:\\", nullptr, 0, "mame", " -input_directory C:\\ -playback pacman"},
    };
    const Settings s = defaults();
    for (const auto& c : cases) {
        char line[COMMAND_LINE_SIZE];
        EXPECT_TRUE(build_play_command(line, sizeof line, c.exe, "pacman", s));
        EXPECT_EQ(line, c.exe_out + (" pacman" + kSwitches)) << c.name;
        EXPECT_TRUE(build_inp_command(line, sizeof line, c.exe, "pacman", c.mode, c.dir, c.inp, s));
        EXPECT_EQ(line, c.exe_out + (" pacman" + kSwitches) + kClean + c.tail) << c.name;
    }
}

TEST(MameCommandLine, GameListThroughTheInterpreter) {
    // "cmd.exe /c " and " -listfull -sortname > gamelist.tmp" leave 465 characters of the 511.
    struct Case { const char* name; const char* interpreter; std::string exe; std::uint32_t by_driver; const char* line; } cases[] = {
        {"by name", "cmd.exe", "mame", 0, "cmd.exe /c mame -listfull -sortname > gamelist.tmp"},
        {"a sort flag of 2 sorts by name", "cmd.exe", "mame", 2, "cmd.exe /c mame -listfull -sortname > gamelist.tmp"},
        {"by driver, an executable with a space", "cmd.exe", "C:\\My MAME\\mame.exe", 1,
         "cmd.exe /c \"C:\\My MAME\\mame.exe\" -listfull -sortdriver > gamelist.tmp"},
        {"an interpreter with a space", "C:\\Program Files\\cmd.exe", "mame", 0,
         "\"C:\\Program Files\\cmd.exe\" /c mame -listfull -sortname > gamelist.tmp"},
        {"the longest executable that fits", "cmd.exe", std::string(465, 'e'), 0, nullptr},
        {"one character more is refused", "cmd.exe", std::string(466, 'e'), 0, nullptr},
    };
    for (const auto& c : cases) {
        Settings s = defaults();
        s.sort_by_driver = c.by_driver;
        char line[GAME_LIST_COMMAND_SIZE];
        const bool fits = build_game_list_command(line, sizeof line, c.interpreter, c.exe.c_str(), s);
        EXPECT_EQ(fits, c.exe.size() < 466) << c.name;
        if (c.line) { EXPECT_STREQ(line, c.line) << c.name; }
    }
}

TEST(MameCommandLine, ALineThatDoesNotFitIsRefusedAndThePreviewAddsTheLength) {
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

// "Name: Description:" and the games g<from> .. g<to - 1>.
std::string games(int from, int to) {
    std::string text = "Name:     Description:\n";
    for (int i = from; i < to; ++i) text += "g" + std::to_string(i) + "   \"Game " + std::to_string(i) + "\"\n";
    return text;
}

int reported;
int load(const std::string& text) {
    std::FILE* in = text_stream(text);
    reported = 0;
    const int result = read_game_list(in, game_table, [](const GameEntry&, void*) { ++reported; }, nullptr);
    std::fclose(in);
    return result;
}

TEST(GameList, LimitsOfTheTable) {
    struct Case { const char* name; std::string text; int result, stored; std::string last; } cases[] = {
        {"a nine-character name is taken, a ten-character one skipped", "abcdefghij \"Ten\"\nabcdefghi \"Nine\"\n", 1, 1,
         "abcdefghi Nine"},
        {"a description is cut to 249 characters", "big \"" + std::string(1000, 'd') + "\"\n", 1, 1, "big " + std::string(249, 'd')},
        {"4999 games", games(0, 4999), 4999, 4999, "g4998 Game 4998"},
        {"the 5000th game fills the table", games(0, 5000), GAME_LIST_FULL, 5000, "g4999 Game 4999"},
        {"a longer list stops there", games(0, 5200), GAME_LIST_FULL, 5000, "g4999 Game 4999"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load(c.text), c.result) << c.name;
        EXPECT_EQ(reported, c.stored) << c.name;
        EXPECT_EQ(game_table[c.stored - 1].short_name + (" " + std::string(game_table[c.stored - 1].description)), c.last) << c.name;
    }
    // find_game searches slots 0 to 4998, also those a shorter load left as they were.
    std::memset(game_table, 0, sizeof game_table);
    load(games(0, 3000));
    load(games(5000, 7000));
    std::memcpy(game_table[4998].short_name, "lastbut1", 9);
    std::memcpy(game_table[4999].short_name, "last", 5);
    for (const auto& [name, index] : {std::pair{"g5000", 0}, {"g2500", 2500}, {"G5000", -1}, {"g500", -1}, {"", 3000},
                                      {"lastbut1", 4998}, {"last", -1}})
        EXPECT_EQ(find_game(name), index) << "find_game('" << name << "')";
}

TEST(GameList, AnEmptyListNamesTheExecutableAndItsCode) {
    char text[1024];
    format_empty_list_message(text, sizeof text, "C:\\My MAME\\mame.exe", -1);
    EXPECT_EQ(std::string(text).find("MAME listed no games: C:\\My MAME\\mame.exe ended with code -1.\n"), 0u) << text;
    EXPECT_NE(std::string(text).find("versions.ini"), std::string::npos) << text;
}

}  // namespace
