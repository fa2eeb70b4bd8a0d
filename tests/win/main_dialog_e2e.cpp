// The real program's main window, about box and wait box, driven as a user
// would, with the stand-in MAME behind them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <thread>

#include "core/settings.h"
#include "ui/about_dialog.h"
#include "ui/resources/resource.h"
#include "win/fake_mame_log.h"
#include "win/harness.h"

using namespace harness;

namespace {

const char* const kGames =
    "pacman    \"Pac-Man (Midway)\"\r\n"
    "galaga88  \"Galaga '88\"\r\n"
    "dkong     \"Donkey Kong\"\r\n";

const std::string kSwitches = " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy";
const std::string kInp = " -nvram_directory NULL -cfg_directory NULL";
const int kRunButtons[] = {IDC_PLAYBACK_INP, IDC_RECORD_INP, IDC_PLAY_GAME, IDOK};

Settings default_settings() {
    set_default_settings();
    Settings s = settings;
    std::memset(s.gap_6, 0, 2);
    std::memset(s.gap_22, 0, 2);
    return s;
}

std::string image(const Settings& s) { return std::string(reinterpret_cast<const char*>(&s), sizeof s); }

// What "Commandline view" shows for a command line.
std::string preview(const std::string& line) { return line + " [Length: " + std::to_string(line.size()) + "]"; }

// Posts a key press to the window that has the focus in `top`'s thread, as
// the keyboard would deliver it.
void press_key(HWND top, WPARAM key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = top;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

class MainDialog : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fresh_dir(std::string("main_") + info->name());
        write_versions({{"MAME 0.78", fake()}});
        write_file(join(dir_, "list.txt"), kGames);
        env_ = {{"FAKE_MAME_LOG", log()}, {"FAKE_MAME_LIST", join(dir_, "list.txt")}};
    }

    static std::string fake() { return build_file("fake_mame.exe"); }
    std::string log() const { return join(dir_, "mame.log"); }
    std::string cfg() const { return join(dir_, "vornix.cfg"); }
    void write_versions(const std::vector<std::pair<std::string, std::string>>& versions) {
        std::string text;
        for (const auto& [name, exe] : versions) text += name + "\n" + exe + "\n0.1\nWin32\n";
        write_file(join(dir_, "versions.ini"), text);
    }
    // The stand-in's runs other than the game-list requests.
    std::vector<FakeMameRun> mame_runs() const {
        std::vector<FakeMameRun> out;
        for (auto& r : read_fake_mame_log(log()))
            if (r.words.empty() || r.words[0] != "-listfull") out.push_back(r);
        return out;
    }

    HWND start(Program& app) {
        if (!app.start(dir_, env_)) return nullptr;
        return app.wait_window("Vornix");
    }
    // Leaves with "Exit" and checks the program ends with 0.
    void leave(Program& app, HWND main) {
        click(main, IDOK);
        DWORD code = 999;
        EXPECT_TRUE(app.wait_exit(10000, &code)) << "the program did not end";
        EXPECT_EQ(code, 0u);
    }
    // How many of "Playback INP", "Record INP", "Play game" and "Exit" are on.
    static int run_buttons_on(HWND main) {
        int on = 0;
        for (int id : kRunButtons) on += is_enabled(main, id);
        return on;
    }

    std::string dir_;
    Env env_;
};

TEST_F(MainDialog, InitialStateComesFromTheSettings) {
    struct Case {
        const char* name;
        void (*change)(Settings&);
        std::vector<int> ticked;
        int rate;
        int level;
    } cases[] = {
        {"defaults", [](Settings&) {}, {IDC_AUTO_FRAMESKIP}, 1, 0},
        {"every option turned",
         [](Settings& s) {
             s.hw_stretch = 0; s.sound = 0; s.windowed = 1; s.auto_frameskip = 0; s.sort_by_driver = 1;
             s.ask_inp_filename = 1; s.use_mouse = 1; s.use_joystick = 1; s.sample_rate = 2; s.frameskip = 11; },
         {IDC_NO_HW_STRETCH, IDC_NO_SOUND, IDC_WINDOWED, IDC_SORT_BY_DRIVER, IDC_ASK_INP_NAME, IDC_USE_MOUSE,
          IDC_USE_JOYSTICK},
         2, 11},
        {"flags holding 2 tick nothing; sample rate 7 selects nothing",
         [](Settings& s) {
             s.hw_stretch = 2; s.sound = 2; s.windowed = 2; s.auto_frameskip = 2; s.sort_by_driver = 2;
             s.ask_inp_filename = 2; s.use_mouse = 2; s.use_joystick = 2; s.sample_rate = 7; s.frameskip = 5; },
         {}, -1, 5},
    };
    const int boxes[] = {IDC_NO_HW_STRETCH, IDC_NO_SOUND, IDC_WINDOWED, IDC_AUTO_FRAMESKIP, IDC_SORT_BY_DRIVER,
                         IDC_ASK_INP_NAME, IDC_USE_MOUSE, IDC_USE_JOYSTICK};
    for (const auto& c : cases) {
        Settings s = default_settings();
        c.change(s);
        write_file(cfg(), image(s));
        Program app;
        HWND main = start(app);
        ASSERT_TRUE(main) << c.name;
        std::vector<int> ticked;
        for (int id : boxes)
            if (is_checked(main, id)) ticked.push_back(id);
        EXPECT_EQ(ticked, c.ticked) << c.name;
        EXPECT_EQ(combo_selection(main, IDC_SAMPLE_RATE), c.rate) << c.name;
        EXPECT_EQ(combo_items(main, IDC_SAMPLE_RATE), (std::vector<std::string>{"11,025Hz", "22,050Hz", "44,100Hz"}));
        EXPECT_TRUE(is_enabled(main, IDC_SAMPLE_RATE)) << c.name << ": enabled whatever the sound setting";
        EXPECT_EQ(item_text(main, IDC_FRAMESKIP_EDIT), std::to_string(c.level)) << c.name;
        EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: 3") << c.name;
        EXPECT_EQ(list_items(main, IDC_GAME_LIST),
                  (std::vector<std::string>{"Pac-Man (Midway)", "Galaga '88", "Donkey Kong"}));
        EXPECT_EQ(list_selection(main, IDC_GAME_LIST), -1) << c.name;
        EXPECT_EQ(run_buttons_on(main), 4) << c.name;
        leave(app, main);
    }
}

TEST_F(MainDialog, EachBoxTogglesItsFieldAndLeavingSavesEverything) {
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    const int boxes[] = {IDC_NO_HW_STRETCH, IDC_NO_SOUND, IDC_WINDOWED, IDC_AUTO_FRAMESKIP, IDC_SORT_BY_DRIVER,
                         IDC_ASK_INP_NAME, IDC_USE_MOUSE, IDC_USE_JOYSTICK};
    for (int id : boxes) {
        const bool was = is_checked(main, id);
        click(main, id);
        EXPECT_TRUE(wait_until([&] { return is_checked(main, id) != was; }, 5000)) << "box " << id;
    }
    // "Disable sound" turns the sample-rate list off and on again.
    EXPECT_FALSE(is_enabled(main, IDC_SAMPLE_RATE));
    click(main, IDC_NO_SOUND);
    EXPECT_TRUE(wait_until([&] { return is_enabled(main, IDC_SAMPLE_RATE); }, 5000)) << "unticking enables the list";
    click(main, IDC_NO_SOUND);
    EXPECT_TRUE(wait_until([&] { return !is_enabled(main, IDC_SAMPLE_RATE); }, 5000)) << "ticking disables the list";
    select_combo_item(main, IDC_SAMPLE_RATE, 0);
    SendDlgItemMessageW(main, IDC_FRAMESKIP_SPIN, UDM_SETPOS, 0, MAKELPARAM(7, 0));
    leave(app, main);

    Settings expected = default_settings();
    expected.hw_stretch = 0;
    expected.sound = 0;
    expected.windowed = 1;
    expected.auto_frameskip = 0;
    expected.sort_by_driver = 1;
    expected.ask_inp_filename = 1;
    expected.use_mouse = 1;
    expected.use_joystick = 1;
    expected.sample_rate = 0;
    expected.frameskip = 7;
    EXPECT_EQ(read_file(cfg()), image(expected));
    EXPECT_TRUE(mame_runs().empty()) << "no MAME run was needed to store the rate and level";
}

TEST_F(MainDialog, RunsHideTheWindowWhileMameRuns) {
    // "Ask for INP filename" is on: record must not ask, playback must.
    Settings s = default_settings();
    s.ask_inp_filename = 1;
    write_file(cfg(), image(s));
    env_.push_back({"FAKE_MAME_DELAY_MS", "1000"});
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    select_list_item(main, IDC_GAME_LIST, 0);

    const std::string exe = fake();
    struct Case { const char* name; int button; std::string line; } cases[] = {
        {"play", IDC_PLAY_GAME, exe + " pacman" + kSwitches},
        {"record, without asking for a file", IDC_RECORD_INP, exe + " pacman" + kSwitches + kInp + " -record pacman"},
    };
    for (const auto& c : cases) {
        click(main, c.button);
        const std::string shown = app.wait_message_box("Commandline view", 15000, false);
        EXPECT_EQ(shown, preview(c.line)) << c.name;
        EXPECT_FALSE(IsWindowVisible(main)) << c.name << ": hidden before MAME starts";
        EXPECT_EQ(run_buttons_on(main), 0) << c.name;
        app.wait_message_box("Commandline view");
        Sleep(300);
        EXPECT_FALSE(IsWindowVisible(main)) << c.name << ": hidden while MAME runs";
        EXPECT_FALSE(app.find_window("Playback INP")) << c.name << ": no file was asked for";
        EXPECT_TRUE(app.wait_visible(main, true)) << c.name;
        EXPECT_EQ(run_buttons_on(main), 4) << c.name;
        const auto runs = mame_runs();
        ASSERT_FALSE(runs.empty()) << c.name;
        EXPECT_EQ(runs.back().command_line, c.line) << c.name;
    }
    EXPECT_EQ(read_file(join(dir_, "inp\\pacman.inp")).substr(0, 8), std::string("pacman\0\0", 8));
    leave(app, main);
}

void choose_file(HWND request, const std::string& path) {
    type_file_name(request, path);
    click(request, IDOK);
}

TEST_F(MainDialog, PlaybackWithAndWithoutAskingForTheFile) {
    CreateDirectoryA(join(dir_, "inp").c_str(), nullptr);
    write_file(join(dir_, "inp\\pacman.inp"), std::string("pacman\0\0", 8));
    const std::string chosen_dir = join(dir_, "chosen");
    CreateDirectoryA(chosen_dir.c_str(), nullptr);
    write_file(join(chosen_dir, "best.run.inp"), std::string("galaga88", 8));
    write_file(join(chosen_dir, "noextension"), "x");
    write_file(join(chosen_dir, std::string(128, 'n') + ".inp"), "x");

    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    select_list_item(main, IDC_GAME_LIST, 0);
    const std::string exe = fake();

    // Not asking: MAME's own place and the game's name.
    click(main, IDC_PLAYBACK_INP);
    EXPECT_EQ(app.wait_message_box("Commandline view"), preview(exe + " pacman" + kSwitches + kInp + " -playback pacman"));
    ASSERT_TRUE(app.wait_visible(main, true));
    ASSERT_EQ(mame_runs().size(), 1u);
    EXPECT_EQ(mame_runs().back().fact("playback_found"), "1");

    click(main, IDC_ASK_INP_NAME);
    ASSERT_TRUE(wait_until([&] { return is_checked(main, IDC_ASK_INP_NAME); }, 5000));

    const std::string line = exe + " pacman" + kSwitches + kInp + " -input_directory " + chosen_dir + " -playback best.run";
    struct Case { const char* name; std::string file; const char* caption; std::string text; std::size_t runs; } cases[] = {
        {"cancelling runs nothing", "", nullptr, "", 1},
        {"a file without an extension is refused", join(chosen_dir, "noextension"), "Cannot play back this file",
         "Choose an INP file: its name must end in an extension such as .inp.", 1},
        {"a name too long for its buffer is refused", join(chosen_dir, std::string(128, 'n') + ".inp"),
         "Cannot play back this file", "The INP file name is too long: at most 127 characters before its extension.", 1},
        {"a chosen file gives its folder and its name", join(chosen_dir, "best.run.inp"), "Commandline view",
         preview(line), 2},
    };
    for (const auto& c : cases) {
        click(main, IDC_PLAYBACK_INP);
        HWND request = app.wait_window("Playback INP");
        ASSERT_TRUE(request) << c.name;
        if (c.file.empty())
            click(request, IDCANCEL);
        else
            choose_file(request, c.file);
        if (c.caption) {
            EXPECT_EQ(app.wait_message_box(c.caption), c.text) << c.name;
        }
        EXPECT_TRUE(app.wait_visible(main, true)) << c.name;
        EXPECT_EQ(run_buttons_on(main), 4) << c.name;
        EXPECT_EQ(mame_runs().size(), c.runs) << c.name;
    }
    EXPECT_EQ(mame_runs().back().fact("playback_header"), "galaga88");
    leave(app, main);
}

TEST_F(MainDialog, RunsAndReloadNeedAGameAndAVersion) {
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    for (int button : {IDC_PLAY_GAME, IDC_RECORD_INP, IDC_PLAYBACK_INP}) {
        click(main, button);
        EXPECT_EQ(app.wait_message_box("No game selected"), "Select a game in the list first.") << "button " << button;
    }
    leave(app, main);

    DeleteFileA(join(dir_, "versions.ini").c_str());
    HWND bare = start(app);
    ASSERT_TRUE(bare);
    EXPECT_EQ(item_text(bare, IDC_STATUS), "Total number of MAME drivers: 0") << "version 0 is an empty record";
    for (int button : {IDC_PLAY_GAME, IDC_REFRESH}) {
        click(bare, button);
        EXPECT_EQ(app.wait_message_box("No MAME version"),
                  "No MAME version is listed: add one to versions.ini and start Vornix again.")
            << "button " << button;
    }
    EXPECT_TRUE(mame_runs().empty());
    leave(app, bare);
}

TEST_F(MainDialog, FindSelectsByExactShortName) {
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    struct Case { const char* text; int selection; } cases[] = {
        {"pacman", 0}, {"PACMAN", -1}, {"dkong", 2}, {"nosuch", -1},
        {"galaga88xyz", 1},  // only the first eight characters count
        {"pacmanXY", -1}, {"", -1},
    };
    for (const auto& c : cases) {
        select_list_item(main, IDC_GAME_LIST, 2 - (c.selection == 2 ? 1 : 0));
        set_text(main, IDC_FIND_EDIT, c.text);
        click(main, IDC_FIND);
        EXPECT_TRUE(wait_until([&] { return list_selection(main, IDC_GAME_LIST) == c.selection; }, 3000))
            << "'" << c.text << "': expected selection " << c.selection << ", saw " << list_selection(main, IDC_GAME_LIST);
    }
    leave(app, main);
}

// A window's text as the system keeps it, read without a message: while the
// list loads, the program's GUI thread answers none.
std::string stored_text(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// Whether the screen shows text inside `window`, `inset` pixels in from its
// edges (past a border): a light ground with some dark pixels on it. The
// display's own ground is black, so an unpainted window fails the first part.
bool shows_text(HWND window, int inset = 0) {
    RECT r{};
    if (!GetWindowRect(window, &r)) return false;
    InflateRect(&r, -inset, -inset);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    int dark = 0, light = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = GetPixel(memory, x, y);
            const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
            if (sum < 150) ++dark;
            if (sum > 450) ++light;
        }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return light > w * h / 2 && dark > 20;
}

// The caption-less wait box of this program, when one is shown.
HWND find_wait_box(DWORD pid) {
    struct Args { DWORD pid; HWND found; } args{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM l) -> BOOL {
            auto* a = reinterpret_cast<Args*>(l);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == a->pid && IsWindowVisible(w) && GetDlgItem(w, IDC_WAIT_TEXT) && stored_text(w).empty()) {
                a->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.found;
}

TEST_F(MainDialog, ReloadUsesTheSelectedVersionUnderTheWaitBox) {
    for (const char* name : {"mame_a.exe", "mame_b.exe"})
        ASSERT_TRUE(CopyFileA(fake().c_str(), join(dir_, name).c_str(), FALSE));
    write_versions({{"Version A", join(dir_, "mame_a.exe")}, {"Version B", join(dir_, "mame_b.exe")}});
    write_file(join(dir_, "mame_a.lst"), kGames);
    write_file(join(dir_, "mame_b.lst"), "robby \"The Robot\"\r\nqbert \"Q*bert\"\r\n");
    env_ = {{"FAKE_MAME_LOG", log()}, {"FAKE_MAME_LIST", join(dir_, "{exe}.lst")}, {"FAKE_MAME_DELAY_MS", "1500"}};
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: 3") << "the first version at start";

    select_list_item(main, IDC_GAME_LIST, 1);
    select_combo_item(main, IDC_VERSION_LIST, 1);
    click(main, IDC_REFRESH);
    HWND wait = nullptr;
    // The box is shown first, then given its text, then the main window hides.
    EXPECT_TRUE(wait_until(
        [&] {
            wait = find_wait_box(app.pid());
            return wait && stored_text(GetDlgItem(wait, IDC_WAIT_TEXT)) == "Loading MAME game list - please wait..." &&
                   !IsWindowVisible(main);
        },
        5000))
        << "expected the wait box with its text over a hidden main window; saw "
        << (wait ? "'" + stored_text(GetDlgItem(wait, IDC_WAIT_TEXT)) + "'" : std::string("no wait box"));
    // Painted while the program's thread is busy loading: its text shows.
    EXPECT_TRUE(wait_until([&] { return IsWindow(wait) && shows_text(GetDlgItem(wait, IDC_WAIT_TEXT)); }, 1000))
        << "the wait box is not painted during the load";
    ASSERT_TRUE(app.wait_visible(main, true));
    EXPECT_FALSE(IsWindow(wait)) << "the wait box is destroyed";
    EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: 2");
    EXPECT_EQ(list_items(main, IDC_GAME_LIST), (std::vector<std::string>{"The Robot", "Q*bert"}));
    // The list fills with its redrawing off; once full it must paint its lines.
    EXPECT_TRUE(wait_until([&] { return shows_text(GetDlgItem(main, IDC_GAME_LIST), 2); }, 2000))
        << "the game list shows no lines after the reload";
    EXPECT_EQ(list_selection(main, IDC_GAME_LIST), -1);
    EXPECT_EQ(combo_selection(main, IDC_VERSION_LIST), 1);
    const auto runs = read_fake_mame_log(log());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].argv0, join(dir_, "mame_a.exe"));
    EXPECT_EQ(runs[1].argv0, join(dir_, "mame_b.exe"));

    // A list file that cannot be opened: the code is shown as it is.
    CreateDirectoryA(join(dir_, "gamelist.tmp").c_str(), nullptr);
    click(main, IDC_REFRESH);
    EXPECT_EQ(app.wait_message_box("Fatal Error"), "Cannot open MAME game list");
    ASSERT_TRUE(app.wait_visible(main, true));
    EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: -2");
    RemoveDirectoryA(join(dir_, "gamelist.tmp").c_str());
    leave(app, main);
}

TEST_F(MainDialog, AnInterpreterThatCannotStartShowsMinusOne) {
    env_.push_back({"COMSPEC", "C:\\nowhere\\cmd.exe"});
    Program app;
    ASSERT_TRUE(app.start(dir_, env_));
    EXPECT_EQ(app.wait_message_box("Fatal error"), "Cannot call MAME");
    HWND main = app.wait_window("Vornix");
    ASSERT_TRUE(main);
    EXPECT_EQ(item_text(main, IDC_STATUS), "Total number of MAME drivers: -1");
    leave(app, main);
}

TEST_F(MainDialog, AboutBoxClosesOnlyWithOkOrItsCloseBox) {
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    struct Case { const char* name; void (*close)(HWND); bool closes; } cases[] = {
        {"Escape", [](HWND box) { press_key(box, VK_ESCAPE); }, false},
        {"Enter", [](HWND box) { press_key(box, VK_RETURN); }, true},
        {"the close box", [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
        {"OK", [](HWND box) { click(box, IDOK); }, true},
    };
    HWND box = nullptr;
    for (const auto& c : cases) {
        if (!box || !IsWindow(box)) {
            click(main, IDC_ABOUT);
            box = app.wait_window("About Vornix...");
            ASSERT_TRUE(box) << c.name;
            EXPECT_EQ(item_text(box, IDC_ABOUT_TITLE), "Vornix v0.2.3 beta [Nov 12 2002]");
        }
        c.close(box);
        if (c.closes) {
            EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }, 5000)) << c.name << " should close the box";
        } else {
            Sleep(500);
            EXPECT_TRUE(IsWindowVisible(box)) << c.name << " should leave the box open";
        }
    }
    // Many openings later the box still opens and closes.
    for (int i = 0; i < 25; ++i) {
        click(main, IDC_ABOUT);
        box = app.wait_window("About Vornix...");
        ASSERT_TRUE(box) << "opening " << i;
        click(box, IDOK);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }, 5000)) << "closing " << i;
    }
    leave(app, main);
}

// In this process, with the program's own templates: each opening of the
// about box paints with one brush, and deletes it and its logo when the box
// closes.
TEST(AboutBox, EachOpeningDeletesItsBrushAndLogo) {
    HMODULE program = LoadLibraryExA(build_file("vornix.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program);
    for (int i = 0; i < 50; ++i) {
        HBRUSH dialog_brush = nullptr, static_brush = nullptr;
        HGDIOBJ logo = nullptr;
        std::thread closer([&] {
            HWND box = nullptr;
            wait_until([&] { return (box = FindWindowA("#32770", "About Vornix...")) != nullptr; }, 5000);
            if (!box) return;
            HDC dc = GetDC(box);
            dialog_brush = reinterpret_cast<HBRUSH>(SendMessageA(box, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(box)));
            static_brush = reinterpret_cast<HBRUSH>(SendMessageA(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_ABOUT_TITLE))));
            ReleaseDC(box, dc);
            logo = reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(box, IDC_ABOUT_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        const INT_PTR result = DialogBoxParamA(program, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, about_dialog_proc, 0);
        closer.join();
        EXPECT_EQ(result, 0) << "opening " << i;
        ASSERT_TRUE(dialog_brush) << "opening " << i;
        EXPECT_EQ(dialog_brush, static_brush) << "opening " << i << ": one brush for the box and its texts";
        EXPECT_EQ(GetObjectType(dialog_brush), 0u) << "opening " << i << ": the brush outlives the box";
        ASSERT_TRUE(logo) << "opening " << i << ": the box shows no logo";
        EXPECT_EQ(GetObjectType(logo), 0u) << "opening " << i << ": the logo outlives the box";
    }
    FreeLibrary(program);
}

TEST_F(MainDialog, EscapeIsIgnoredAndTheCloseBoxSavesLikeExit) {
    Program app;
    HWND main = start(app);
    ASSERT_TRUE(main);
    press_key(main, VK_ESCAPE);
    post_command(main, IDCANCEL);
    click(main, IDC_WINDOWED);
    select_combo_item(main, IDC_SAMPLE_RATE, 2);
    Sleep(500);
    EXPECT_TRUE(app.running()) << "Escape closed the program";
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 999;
    ASSERT_TRUE(app.wait_exit(10000, &code));
    EXPECT_EQ(code, 0u);
    Settings expected = default_settings();
    expected.windowed = 1;
    expected.sample_rate = 2;
    EXPECT_EQ(read_file(cfg()), image(expected));
}

}  // namespace
