// The real program fed hostile files at its edges: a settings file of any
// length and content, a versions file too long, too wide, binary or without
// line breaks, and a game list far beyond the table. Each time the program
// must start, keep going, close normally with exit code 0, and leave nothing
// behind but its 44-byte settings file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/versions.h"
#include "ui/resources/resource.h"
#include "win/harness.h"

using namespace harness;

namespace {

const char* const kOneGame = "pacman    \"Pac-Man (Midway)\"\r\n";

// Bytes of any value, the same on every run for a given seed.
std::string random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 draw(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(draw() & 0xFF);
    return out;
}

std::string versions_entry(const std::string& name, const std::string& exe, const std::string& version) {
    return name + "\n" + exe + "\n" + version + "\nWin32\n";
}

int list_count(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0)); }

// One line of a list box, read across processes like the harness does.
std::string list_line(HWND dialog, int id, int index) {
    const LRESULT length = SendDlgItemMessageW(dialog, id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return "<no line " + std::to_string(index) + ">";
    std::wstring wide(static_cast<std::size_t>(length) * 2 + 2, L'\0');
    SendDlgItemMessageW(dialog, id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    std::string out(wide.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return out;
}

// The captions of the program's visible top-level windows other than `main`:
// a message box left open, for one.
std::vector<std::string> other_windows(const Program& app, HWND main) {
    struct Args { DWORD pid; HWND main; std::vector<std::string> captions; } args{app.pid(), main, {}};
    EnumWindows(
        [](HWND window, LPARAM lparam) -> BOOL {
            auto* a = reinterpret_cast<Args*>(lparam);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == a->pid && window != a->main && IsWindowVisible(window)) a->captions.push_back(window_text(window));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.captions;
}

class HostileInputs : public ::testing::Test {
protected:
    // A fresh working folder per case, with the stand-in MAME listing `games`.
    void prepare(const std::string& name, const std::string& games = kOneGame) {
        dir_ = fresh_dir("hostile_" + name);
        write_file(join(dir_, "games.txt"), games);
        write_file(join(dir_, "versions.ini"), versions_entry("Fake MAME", build_file("fake_mame.exe"), "0.106"));
    }

    HWND start(Program& app) {
        if (!app.start(dir_, {{"FAKE_MAME_LIST", join(dir_, "games.txt")}})) return nullptr;
        return app.wait_window("Vornix");
    }

    // Closes the main window as its close box does; the program must end with
    // 0 and leave exactly `files` in its folder.
    void close_and_check(Program& app, HWND main, const std::string& what,
                         const std::vector<std::string>& files = {"games.txt", "versions.ini", "vornix.cfg"}) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = 999;
        ASSERT_TRUE(app.wait_exit(10000, &code)) << what << ": the program did not end after WM_CLOSE";
        EXPECT_EQ(code, 0u) << what << ": exit code";
        EXPECT_EQ(list_dir(dir_), files) << what << ": the files left in the working folder";
    }

    std::string dir_;
};

TEST_F(HostileInputs, SettingsFileOfAnyLengthAndContent) {
    set_default_settings();
    const std::string defaults(reinterpret_cast<const char*>(&settings), sizeof settings);
    struct Case { const char* name; std::string bytes; } cases[] = {
        {"an empty file", ""},
        {"10 random bytes", random_bytes(10, 10)},
        {"44 random bytes", random_bytes(44, 44)},
        {"1000 random bytes", random_bytes(1000, 1000)},
        {"44 bytes of 0xFF", std::string(44, '\xFF')},
        {"7 random bytes", random_bytes(7, 7)},
        {"300 random bytes", random_bytes(300, 300)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepare("cfg");
        write_file(join(dir_, "vornix.cfg"), c.bytes);
        Program app;
        HWND main = start(app);
        ASSERT_TRUE(main) << c.name << ": the main window did not come";
        EXPECT_EQ(list_count(main, IDC_GAME_LIST), 1) << c.name << ": the game list";
        close_and_check(app, main, c.name);

        // The file holds what was loaded over the defaults, but for the sample
        // rate and frame-skip level, which come back from their controls.
        std::string loaded = defaults;
        loaded.replace(0, c.bytes.size() < 44 ? c.bytes.size() : 44, c.bytes.substr(0, 44));
        const std::string written = read_file(join(dir_, "vornix.cfg"));
        ASSERT_EQ(written.size(), 44u) << c.name;
        for (std::size_t i = 0; i < 44; ++i) {
            if (i == 4 || i == 5 || i == 20 || i == 21) continue;
            EXPECT_EQ(static_cast<unsigned char>(written[i]), static_cast<unsigned char>(loaded[i]))
                << c.name << ": byte " << i;
        }
        std::int16_t rate_loaded, rate_written, level_written;
        std::memcpy(&rate_loaded, loaded.data() + 4, 2);
        std::memcpy(&rate_written, written.data() + 4, 2);
        std::memcpy(&level_written, written.data() + 20, 2);
        EXPECT_EQ(rate_written, rate_loaded >= 0 && rate_loaded <= 2 ? rate_loaded : -1)
            << c.name << ": a sample rate the list cannot show comes back as no selection";
        EXPECT_TRUE(level_written >= 0 && level_written <= 11)
            << c.name << ": the frame-skip level comes back from its control (0 to 11); saw " << level_written;
    }
}

TEST_F(HostileInputs, VersionsFileTooLongTooWideBinaryOrUnbroken) {
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += versions_entry("MAME " + std::to_string(i), build_file("fake_mame.exe"), "0." + std::to_string(i));
    const std::string wide_line(10000, 'w');
    const std::string wide = versions_entry(wide_line, wide_line, wide_line) + versions_entry(wide_line, wide_line, wide_line);
    std::string binary_after = versions_entry("Fake MAME", build_file("fake_mame.exe"), "0.106") + random_bytes(4096, 1);
    std::string unbroken(20000, 'u');

    struct Case {
        const char* name;
        std::string text;
        const char* message;  // the caption of a message the start-up shows, or null
        int games;            // -1: no expectation (the first entry's program is not MAME)
    } cases[] = {
        {"150 entries: the first 100 are taken", many, nullptr, 1},
        {"10,000-character lines are cut to their fields; the cut program line is refused", wide, "Fatal error", 0},
        {"binary bytes after a good entry", binary_after, nullptr, 1},
        {"nothing but binary bytes", random_bytes(4096, 2), nullptr, -1},
        {"binary bytes with NULs and carriage returns", random_bytes(20000, 3), nullptr, -1},
        {"no line break at all", unbroken, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepare("versions");
        write_file(join(dir_, "versions.ini"), c.text);

        // What the program is to list: the entries the reader takes from the
        // file opened as the program opens it (text mode, same C library).
        mame_version_count = 0;
        std::vector<std::string> expected;
        if (FILE* f = std::fopen(join(dir_, "versions.ini").c_str(), "r")) {
            read_versions(
                f, [](const MameVersion& v, void* out) {
                    static_cast<std::vector<std::string>*>(out)->push_back(v.display_name);
                },
                &expected);
            std::fclose(f);
        }
        ASSERT_LE(expected.size(), 100u);

        Program app;
        ASSERT_TRUE(app.start(dir_, {{"FAKE_MAME_LIST", join(dir_, "games.txt")}}));
        if (c.message) {
            EXPECT_EQ(app.wait_message_box(c.message, 15000), "MAME command line too long - MAME not started")
                << c.name;
        }
        HWND main = app.wait_window("Vornix");
        ASSERT_TRUE(main) << c.name << ": the main window did not come";
        const std::vector<std::string> listed = combo_items(main, IDC_VERSION_LIST);
        EXPECT_EQ(listed.size(), expected.size()) << c.name << ": versions listed";
        for (std::size_t i = 0; i < listed.size() && i < expected.size(); ++i) {
            EXPECT_LE(listed[i].size(), 203u) << c.name << ": version " << i;
            if (std::strspn(expected[i].c_str(), "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .") ==
                expected[i].size())
                EXPECT_EQ(listed[i], expected[i]) << c.name << ": version " << i;
        }
        if (c.games >= 0) EXPECT_EQ(list_count(main, IDC_GAME_LIST), c.games) << c.name << ": games";
        EXPECT_EQ(other_windows(app, main), std::vector<std::string>{}) << c.name << ": windows besides the main one";
        // Whatever a garbled program line made the command interpreter leave
        // behind is not the program's file; the settings file must be there.
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = 999;
        ASSERT_TRUE(app.wait_exit(10000, &code)) << c.name << ": the program did not end after WM_CLOSE";
        EXPECT_EQ(code, 0u) << c.name;
        EXPECT_EQ(read_file(join(dir_, "vornix.cfg")).size(), 44u) << c.name;
        EXPECT_FALSE(file_exists(join(dir_, "gamelist.tmp"))) << c.name << ": the game list file was left";
    }
}

// 50,000 lines of four kinds, in turn: a 32-character name (too long to start
// MAME with: skipped), a description of non-ASCII letters, a description of
// 1,000 characters (cut to 249), and one with quotes inside (it ends at the
// first, and the rest of the line is passed over word by word).
std::string hostile_game_list(std::vector<std::string>* games) {
    std::string text;
    char line[1200];
    for (int i = 0; i < 50000; ++i) {
        switch (i % 4) {
        case 0:
            std::snprintf(line, sizeof line, "n%031d \"A name of 32 characters\"\r\n", i);
            break;
        case 1:
            std::snprintf(line, sizeof line, "g%07d  \"Caf\xE9 \xC0 la carte n\xB0%d\"\r\n", i, i);
            games->push_back(std::string("Caf\xE9 \xC0 la carte n\xB0") + std::to_string(i));
            break;
        case 2: {
            const std::string long_text = "Long " + std::to_string(i) + " " + std::string(1000, 'd');
            std::snprintf(line, sizeof line, "h%07d \"%s\"\r\n", i, long_text.c_str());
            games->push_back(long_text.substr(0, 249));
            break;
        }
        default:
            std::snprintf(line, sizeof line, "q%07d \"Say \"hi\" now\"\r\n", i);
            games->push_back("Say ");
            break;
        }
        text += line;
    }
    return text;
}

TEST_F(HostileInputs, GameListOf50000LinesStopsAtTheLimit) {
    std::vector<std::string> games;
    prepare("games_limit", hostile_game_list(&games));
    ASSERT_GT(games.size(), 5000u);
    Program app;
    ASSERT_TRUE(app.start(dir_, {{"FAKE_MAME_LIST", join(dir_, "games.txt")}}));
    EXPECT_EQ(app.wait_message_box("Error", 30000), "Game list limit exceeded :/");
    HWND main = app.wait_window("Vornix");
    ASSERT_TRUE(main);
    EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: -10");
    ASSERT_EQ(list_count(main, IDC_GAME_LIST), 5000);
    for (int i : {0, 1, 2, 3, 2500, 4998, 4999})
        EXPECT_EQ(list_line(main, IDC_GAME_LIST, i), games[static_cast<std::size_t>(i)]) << "game " << i;

    // Still usable: a game is found by its name.
    set_text(main, IDC_FIND_EDIT, "q0000003");
    click(main, IDC_FIND);
    EXPECT_TRUE(wait_until([&] { return list_selection(main, IDC_GAME_LIST) == 2; }, 5000))
        << "Find did not select the third game; selection " << list_selection(main, IDC_GAME_LIST);
    close_and_check(app, main, "the list at its limit");
}

TEST_F(HostileInputs, GameListOf50000LinesLoadsTheLinesThatFit) {
    // Nineteen lines of twenty have names too long for the table; the rest fit.
    std::string text;
    char line[96];
    for (int i = 0; i < 50000; ++i) {
        if (i % 20 == 0)
            std::snprintf(line, sizeof line, "v%07d \"Game %d\"\n", i, i);
        else
            std::snprintf(line, sizeof line, "%032d \"Skipped\"\n", i);
        text += line;
    }
    prepare("games_fit", text);
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: 2500");
    EXPECT_EQ(list_count(main, IDC_GAME_LIST), 2500);
    EXPECT_EQ(list_line(main, IDC_GAME_LIST, 2499), "Game 49980");
    EXPECT_EQ(other_windows(app, main), std::vector<std::string>{}) << "no message for a list that fits";
    close_and_check(app, main, "a list that fits");
}

}  // namespace
