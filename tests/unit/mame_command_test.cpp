// The switches and command lines the front end gives MAME.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/settings.h"
#include "mame/command_line.h"
#include "mame/option_switches.h"

namespace {

Settings defaults() {
    Settings s;
    std::memset(&s, 0, sizeof s);
    Settings saved = settings;
    set_default_settings();
    s = settings;
    settings = saved;
    return s;
}

std::string switches(const Settings& s) {
    char buffer[COMMAND_LINE_SIZE] = "";
    EXPECT_TRUE(build_option_switches(buffer, s));
    return buffer;
}

TEST(OptionSwitches, FollowTheSettingsInTheirFixedOrder) {
    struct Case { const char* name; void (*change)(Settings&); const char* expected; } cases[] = {
        {"defaults", [](Settings&) {},
         " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy"},
        {"every option turned", [](Settings& s) {
             s.hw_stretch = 0; s.windowed = 1; s.sound = 0; s.sample_rate = 0; s.frameskip = 11;
             s.auto_frameskip = 0; s.use_mouse = 1; s.use_joystick = 1; },
         " -nohws -window -nosound -sr 11025 -frameskip 11 -noafs -mouse -joy"},
        {"sample rate 2", [](Settings& s) { s.sample_rate = 2; },
         " -hws -nowindow -sound -sr 44100 -frameskip 0 -afs -nomouse -nojoy"},
        {"sample rate 3 gives no -sr", [](Settings& s) { s.sample_rate = 3; },
         " -hws -nowindow -sound -frameskip 0 -afs -nomouse -nojoy"},
        {"sample rate -1 gives no -sr", [](Settings& s) { s.sample_rate = -1; },
         " -hws -nowindow -sound -frameskip 0 -afs -nomouse -nojoy"},
        {"stored frameskip 65535 reads as -1",
         [](Settings& s) { const std::uint16_t raw = 65535; std::memcpy(&s.frameskip, &raw, 2); },
         " -hws -nowindow -sound -sr 22050 -frameskip -1 -afs -nomouse -nojoy"},
        {"flags holding 2 count as off", [](Settings& s) {
             s.hw_stretch = 2; s.windowed = 2; s.sound = 2; s.auto_frameskip = 2; s.use_mouse = 2; s.use_joystick = 2; },
         " -nohws -nowindow -nosound -sr 22050 -frameskip 0 -noafs -nomouse -nojoy"},
    };
    for (const auto& c : cases) {
        Settings s = defaults();
        c.change(s);
        EXPECT_EQ(switches(s), c.expected) << c.name;
    }
}

TEST(OptionSwitches, LongestTextFitsTheDocumentedRoomAndNoLess) {
    Settings s = defaults();
    s.hw_stretch = s.windowed = s.sound = s.auto_frameskip = s.use_mouse = s.use_joystick = 0;
    s.sample_rate = 0;
    s.frameskip = -32768;
    char exact[MAX_OPTION_SWITCHES_LENGTH + 1] = "";
    EXPECT_TRUE(build_option_switches(exact, s));
    EXPECT_EQ(std::strlen(exact), MAX_OPTION_SWITCHES_LENGTH);
    char short_by_one[MAX_OPTION_SWITCHES_LENGTH] = "";
    EXPECT_FALSE(build_option_switches(short_by_one, s));
    EXPECT_EQ(std::strlen(short_by_one), MAX_OPTION_SWITCHES_LENGTH - 1) << "a cut text stays terminated";
}

TEST(OptionSwitches, ReadTheGlobalSettingsByDefault) {
    const Settings saved = settings;
    set_default_settings();
    settings.sound = 0;
    char buffer[128] = "mame pacman";
    build_option_switches(buffer);
    settings = saved;
    EXPECT_STREQ(buffer, "mame pacman -hws -nowindow -nosound -sr 22050 -frameskip 0 -afs -nomouse -nojoy");
}

const char* const kSwitches = " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy";

TEST(MameCommandLine, PlayRecordAndPlaybackLines) {
    struct Case { const char* name; int mode; const char* dir; const char* inp; std::string expected; } cases[] = {
        {"record", INP_RECORD, nullptr, nullptr,
         std::string("mame pacman") + kSwitches + " -nvram_directory NULL -cfg_directory NULL -record pacman"},
        {"record ignores its directory and name", INP_RECORD, "C:\\emu\\inp", "1234",
         std::string("mame pacman") + kSwitches + " -nvram_directory NULL -cfg_directory NULL -record pacman"},
        {"extracted playback", 0, ".", "1234",
         std::string("mame pacman") + kSwitches +
             " -nvram_directory NULL -cfg_directory NULL -input_directory . -playback 1234"},
        {"playback from MAME's own place", 0, nullptr, nullptr,
         std::string("mame pacman") + kSwitches + " -nvram_directory NULL -cfg_directory NULL -playback pacman"},
        {"any mode but 1 plays back; spaces go in unquoted", 7, "C:\\my inps", nullptr,
         std::string("mame pacman") + kSwitches +
             " -nvram_directory NULL -cfg_directory NULL -input_directory C:\\my inps -playback pacman"},
    };
    const Settings s = defaults();
    char line[COMMAND_LINE_SIZE];
    ASSERT_TRUE(build_play_command(line, sizeof line, "mame", "pacman", s));
    EXPECT_EQ(std::string(line), std::string("mame pacman") + kSwitches) << "play";
    for (const auto& c : cases) {
        ASSERT_TRUE(build_inp_command(line, sizeof line, "mame", "pacman", c.mode, c.dir, c.inp, s)) << c.name;
        EXPECT_EQ(std::string(line), c.expected) << c.name;
    }
}

TEST(MameCommandLine, GameListThroughTheInterpreter) {
    struct Case { const char* name; const char* interpreter; const char* exe; std::uint32_t by_driver; const char* expected; }
    cases[] = {
        {"by name", "cmd.exe", "mame", 0, "cmd.exe /c mame -listfull -sortname > gamelist.tmp"},
        {"by driver", "C:\\windows\\system32\\cmd.exe", "mame", 1,
         "C:\\windows\\system32\\cmd.exe /c mame -listfull -sortdriver > gamelist.tmp"},
        {"a sort flag of 2 sorts by name", "cmd.exe", "mame", 2, "cmd.exe /c mame -listfull -sortname > gamelist.tmp"},
        {"no version: empty executable", "cmd.exe", "", 0, "cmd.exe /c  -listfull -sortname > gamelist.tmp"},
        {"an interpreter path with a space is quoted", "C:\\Program Files\\cmd.exe", "mame", 0,
         "\"C:\\Program Files\\cmd.exe\" /c mame -listfull -sortname > gamelist.tmp"},
    };
    for (const auto& c : cases) {
        Settings s = defaults();
        s.sort_by_driver = c.by_driver;
        char line[GAME_LIST_COMMAND_SIZE];
        ASSERT_TRUE(build_game_list_command(line, sizeof line, c.interpreter, c.exe, s)) << c.name;
        EXPECT_STREQ(line, c.expected) << c.name;
    }
}

TEST(MameCommandLine, LinesThatDoNotFitAreRefused) {
    const Settings s = defaults();
    char line[COMMAND_LINE_SIZE];
    // 511 characters of executable, the longest versions.ini holds, with a
    // long directory and name: too long for one buffer.
    const std::string exe(511, 'e'), dir(300, 'd'), name(127, 'n');
    EXPECT_FALSE(build_inp_command(line, sizeof line, exe.c_str(), "pacman", 0, dir.c_str(), name.c_str(), s));
    EXPECT_EQ(std::strlen(line), sizeof line - 1);
    char list[GAME_LIST_COMMAND_SIZE];
    EXPECT_TRUE(build_game_list_command(list, sizeof list, "cmd.exe", std::string(459, 'e').c_str(), s));
    EXPECT_FALSE(build_game_list_command(list, sizeof list, "cmd.exe", std::string(500, 'e').c_str(), s));
}

TEST(MameCommandLine, PreviewAddsTheLength) {
    const std::string sixty(60, 'x');
    char preview[COMMAND_LINE_SIZE];
    ASSERT_TRUE(format_preview(preview, sizeof preview, sixty.c_str()));
    EXPECT_EQ(std::string(preview), sixty + " [Length: 60]");
    // 1008 characters fit the preview buffer with their suffix; 1009 do not.
    EXPECT_TRUE(format_preview(preview, sizeof preview, std::string(1008, 'x').c_str()));
    EXPECT_FALSE(format_preview(preview, sizeof preview, std::string(1009, 'x').c_str()));
}

}  // namespace
