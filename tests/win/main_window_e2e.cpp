// The program's start-up, main window and MAME runs, driven from outside with
// the stand-in MAME behind it. A row starts the program in a fresh folder,
// acts as a user would, answers every message box on the way, and leaves.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "ui/resources/resource.h"
#include "win/fake_mame_log.h"
#include "win/harness.h"
#include "win/score_flow.h"

using namespace harness;

namespace {

const char* const kGames =
    "pacman    \"Pac-Man (Midway)\"\r\ngalaga88  \"Galaga '88\"\r\ndkong     \"Donkey Kong\"\r\n";
const std::string kSwitches = " -hws -nowindow -sound -sr 22050 -frameskip 0 -afs -nomouse -nojoy";
const std::string kPlay = "{mame} pacman" + kSwitches, kInp = kPlay + " -nvram_directory NULL -cfg_directory NULL";
const int kBoxes[] = {IDC_NO_HW_STRETCH, IDC_NO_SOUND,     IDC_WINDOWED,  IDC_AUTO_FRAMESKIP,
                      IDC_SORT_BY_DRIVER, IDC_ASK_INP_NAME, IDC_USE_MOUSE, IDC_USE_JOYSTICK};

// A preview, matched up to its length (whose text a unit test checks).
std::string viewed(const std::string& line) { return "Commandline view: " + line + " [Length: "; }

// vornix.cfg as the program writes it: the defaults with `changes` (offset, byte).
std::string settings_file(std::initializer_list<std::pair<int, char>> changes = {}) {
    std::string image(44, '\0');
    image[0] = image[4] = image[8] = image[16] = 1;
    for (auto [at, value] : changes) image[static_cast<std::size_t>(at)] = value;
    return image;
}
// Every field off its default, the gap bytes and `reserved` too.
const std::string kTurned = settings_file({{0, 0}, {4, 2}, {6, 0x66}, {8, 0}, {12, 1}, {16, 0}, {20, 11}, {23, 0x55},
                                           {25, 0x44}, {28, 1}, {32, 1}, {36, 1}, {40, 1}});

// Text between code pages: this test's own strings are in the ANSI code page.
std::string to_page(const std::wstring& text, UINT page) {
    std::string out(text.size() * 4 + 1, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(page, 0, text.c_str(), static_cast<int>(text.size()),
                                                            out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}
std::wstring from_page(const std::string& text, UINT page) {
    std::wstring out(text.size() + 1, L'\0');
    out.resize(static_cast<std::size_t>(MultiByteToWideChar(page, 0, text.c_str(), static_cast<int>(text.size()),
                                                            out.data(), static_cast<int>(out.size()))));
    return out;
}
const std::wstring kOkami = L"\u014ckami";  // a name the Western code page lacks

// {dir} stands for the row's folder, {mame} for the stand-in MAME and {okami}
// for the short path of its copy in the folder {dir}\Ōkami.
std::string expand(std::string text, const std::string& dir) {
    using Key = std::pair<std::string, std::string>;
    wchar_t okami[MAX_PATH] = L"";
    if (text.find("{okami}") != std::string::npos)
        GetShortPathNameW((from_page(dir, CP_ACP) + L"\\" + kOkami + L"\\mame.exe").c_str(), okami, MAX_PATH);
    for (const auto& [key, value] : {Key{"{dir}", dir}, Key{"{mame}", build_file("fake_mame.exe")},
                                     Key{"{okami}", to_page(okami, CP_ACP)}})
        for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

void versions(const std::string& dir, const std::string& entries) { write_file(join(dir, "versions.ini"), entries); }

// A copy of the stand-in MAME at `path` below `dir`, its folders made on the
// way; its full path.
std::string mame_copy(const std::string& dir, const std::string& path) {
    for (std::size_t at = 0; (at = path.find('\\', at)) != std::string::npos; ++at)
        CreateDirectoryA(join(dir, path.substr(0, at)).c_str(), nullptr);
    CopyFileA(build_file("fake_mame.exe").c_str(), join(dir, path).c_str(), FALSE);
    return join(dir, path);
}

// A working folder whose name holds what Windows allows and a command
// interpreter would take for its own: every row runs in one.
std::string awkward_dir(const std::string& under) {
    wchar_t accent[] = L"\u00e9";  // in the user's code page, whichever it is
    char letter[8] = {};
    WideCharToMultiByte(CP_ACP, 0, accent, 1, letter, sizeof letter, nullptr, nullptr);
    const std::string dir = join(under, std::string("R&D (x86) 100%!, ;=@'^ ") + letter);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// One start of the program and what it showed.
struct Session {
    explicit Session(const std::string& folder) : dir(folder) {}
    std::string dir;
    Env env;
    Program app;
    HWND main = nullptr;
    std::vector<std::string> boxes;  // "caption: text", each answered with OK
    std::vector<std::string> filters;  // of the last "Playback INP" request
    ULONGLONG answered = 0;  // when the last box was answered

    // Answers message boxes until `done` holds with none open.
    bool settle(const std::function<bool()>& done) {
        return wait_until([&] {
            const auto [caption, text] = app.open_message_box();
            if (caption.empty()) return done();
            const bool over_wait = app.find_window_with_control(IDC_WAIT_TEXT) != nullptr;
            // Marked in front, since a row compares a box by its beginning.
            boxes.push_back((over_wait ? "(over the wait box) " : "") + caption + ": " + text);
            app.wait_message_box(caption);
            answered = GetTickCount64();
            return false;
        }, 30000);
    }
    bool start(const Env& given) {
        env = given;
        const bool up = app.start(dir, env) && settle([&] { return (main = app.find_window("Vornix")) != nullptr; });
        EXPECT_TRUE(up) << "no main window";
        return up;
    }
    // A command ends when the window, hidden for a run or a reload, is back,
    // and the messages shown on the way (or instead) are answered.
    void await_command() {
        wait_until([&] { return !IsWindowVisible(main) || !app.open_message_box().first.empty(); }, 5000);
        EXPECT_TRUE(settle([&] { return IsWindowVisible(main) != FALSE; })) << "the main window did not come back";
    }
    void press(int id) {
        click(main, id);
        await_command();
    }
    // A run: the window hides, its run buttons off, before MAME is shown.
    void play(int game, int button = IDC_PLAY_GAME) {
        select_list_item(main, IDC_GAME_LIST, game);
        click(main, button);
        EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(main) && !is_enabled(main, IDOK); }, 5000));
        await_command();
        // The stand-in ends at once, and its end is noticed at once: from the
        // preview answered to the window back took 89 ms (median) and 811 ms
        // at most over 45 runs beside a compile on both cores.
        EXPECT_LT(GetTickCount64() - answered, 1500u) << "the window came back late after MAME ended";
    }
    // "Playback INP" with `game` selected, answered with this file; an empty path cancels.
    void play_back_file(const std::string& path, int game = 0,
                        const std::function<void(HWND request)>& meanwhile = nullptr) {
        select_list_item(main, IDC_GAME_LIST, game);
        click(main, IDC_PLAYBACK_INP);
        HWND request = app.wait_window("Playback INP");
        filters = combo_items(request, cmb1);
        if (meanwhile) meanwhile(request);
        if (!path.empty()) type_file_name(request, expand(path, dir));
        click(request, path.empty() ? IDCANCEL : IDOK);
        await_command();
    }
    // "Record INP" on the first game, its question answered with `keys`; the question.
    std::string record_answering(const std::vector<Key>& keys) {
        select_list_item(main, IDC_GAME_LIST, 0);
        click(main, IDC_RECORD_INP);
        HWND question = app.wait_window("Record INP");
        const std::string text = item_text(question, 0xFFFF);
        press_keys(question, keys);
        await_command();
        return text;
    }
    DWORD leave(bool by_close_box) {
        PostMessageW(main, by_close_box ? WM_SYSCOMMAND : WM_COMMAND, by_close_box ? SC_CLOSE : IDOK, 0);
        DWORD code = 999;
        EXPECT_TRUE(app.wait_exit(10000, &code)) << "the program did not end";
        return code;
    }
};

// A second start in `dir` (the session's folder by another name) while the
// session shows `front`: with `away` in front first, it brings `front` there
// and ends with 0, at once and without a word.
void start_again(Session& s, const std::string& dir, HWND front, HWND away) {
    // Activation across processes is served by the window's own thread, a little later.
    if (away) {
        EXPECT_TRUE(SetForegroundWindow(away) && wait_until([&] { return GetForegroundWindow() == away; }, 3000));
    }
    Program second;
    DWORD code = 999;
    // Sooner than the 5 s a start waits for hidden windows: one that did not see `front` fails here.
    EXPECT_TRUE(second.start(dir, s.env) && second.wait_exit(4000, &code)) << "the second start still runs";
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == front; }, 3000))
        << "in front: '" << window_text(GetForegroundWindow()) << "'";
}

// The settings shown at start and the file left, with Escape ignored and the
// close box leaving as "Exit" does.
TEST(MainWindow, SettingsFileAtStartAndExit) {
    struct Row {
        const char* name;
        std::optional<std::string> given;
        std::vector<int> ticked;
        int rate;
        const char* level;
        std::string left;
    };
    const Row rows[] = {
        {"first run: the defaults", std::nullopt, {IDC_AUTO_FRAMESKIP}, 1, "0", settings_file()},
        {"an empty file: the defaults", "", {IDC_AUTO_FRAMESKIP}, 1, "0", settings_file()},
        {"1000 bytes: the first 44 are used and written back", kTurned + std::string(956, 'Z'),
         {IDC_NO_HW_STRETCH, IDC_NO_SOUND, IDC_WINDOWED, IDC_SORT_BY_DRIVER, IDC_ASK_INP_NAME, IDC_USE_MOUSE,
          IDC_USE_JOYSTICK}, 2, "11", kTurned},
        {"flags of 2 tick no box, a rate of 7 selects none and leaves as -1",
         settings_file({{0, 2}, {4, 7}, {8, 2}, {12, 2}, {16, 2}, {28, 2}, {32, 2}, {36, 2}, {40, 2}}), {}, -1, "0",
         settings_file({{0, 2}, {4, -1}, {5, -1}, {8, 2}, {12, 2}, {16, 2}, {28, 2}, {32, 2}, {36, 2}, {40, 2}})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Session s(fresh_dir("settings"));
        versions(s.dir, "MAME\n" + build_file("fake_mame.exe") + "\n0.78\nWin32\n");
        if (row.given) write_file(join(s.dir, "vornix.cfg"), *row.given);
        if (!s.start({})) continue;
        std::vector<int> ticked;
        for (int id : kBoxes)
            if (is_checked(s.main, id)) ticked.push_back(id);
        EXPECT_EQ(ticked, row.ticked);
        EXPECT_EQ(combo_selection(s.main, IDC_SAMPLE_RATE), row.rate);
        EXPECT_TRUE(is_enabled(s.main, IDC_SAMPLE_RATE)) << "whatever the sound setting";
        EXPECT_EQ(item_text(s.main, IDC_FRAMESKIP_EDIT), row.level);
        post_command(s.main, IDCANCEL);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(s.main)) << "Escape closed the window";
        EXPECT_EQ(s.leave(true), 0u);
        EXPECT_EQ(read_file(join(s.dir, "vornix.cfg")), row.left);
        EXPECT_EQ(s.boxes, std::vector<std::string>{});
    }
}

// Each row: the files given (besides list.txt holding kGames and a
// versions.ini naming the stand-in, which lists list.txt), the stand-in's
// environment, what the user does; then the message boxes seen, the status
// line, and the stand-in's runs ("list" and the sort switch for a game list;
// the command line, with "(found)" when the INP to play back was there).
TEST(MainWindow, Commands) {
    const auto ask_for_inp = [](const std::string& d) { write_file(join(d, "vornix.cfg"), settings_file({{32, 1}})); };
    const std::string kX86 = "\"{dir}\\Program Files (x86)\\MAME\\mame.exe\"",
                      kOwnQuotes = "\"{dir}\\R&D\\mame.exe\" -rompath \"D:\\My ROMs\"",
                      kChosen = kInp + " -input_directory \"{dir}\\rec dir\" -playback \"run one\"",
                      kTurnedLine = "{mame} dkong -nohws -window -nosound -sr 11025 -frameskip 7 -noafs -mouse -joy",
                      kSavedZip = score_flow::stored_zip({{"rec.inp", score_flow::inp("pacman")}}),
                      kFromZip = kInp + " -input_directory . -playback rec";
    struct Row {
        const char* name;
        std::function<void(const std::string& dir)> given;
        Env env;
        std::function<void(Session&)> act;
        std::vector<std::string> boxes;
        int status;
        std::vector<std::string> runs;
        bool read_only = false;  // the folder refuses new files from the start on
    } rows[] = {
        {"play, after asking for a game first", nullptr, {}, [](Session& s) { s.press(IDC_PLAY_GAME); s.play(0); },
         {"No game selected: Select a game in the list first.", viewed(kPlay)}, 3, {"list -sortname", kPlay}},
        {"MAME ends with 3", nullptr, {{"FAKE_MAME_EXIT", "3"}}, [](Session& s) { s.play(0); },
         {viewed(kPlay), "Problem calling MAME: MAME returned an error [code 3]"}, 3, {"list -sortname", kPlay}},
        {"MAME ends with Windows' 0xC0000135: signed, then in hex with its meaning", nullptr,
         {{"FAKE_MAME_EXIT", "3221225781"}}, [](Session& s) { s.play(0); },
         {viewed(kPlay), "Problem calling MAME: MAME returned an error [code -1073741515]\n\nThis is Windows' status "
                         "0xC0000135 (a DLL that MAME needs was not found): MAME did not run properly."},
         3, {"list -sortname", kPlay}},
        {"the selected version's program is missing",
         [](const std::string& d) { versions(d, "A\n" + build_file("fake_mame.exe") + "\n1\nx\nB\nZ:\\m.exe\n2\nx\n"); },
         {}, [](Session& s) { select_combo_item(s.main, IDC_VERSION_LIST, 1); s.play(0); },
         {viewed("Z:\\m.exe pacman" + kSwitches),
          "Fatal error: Cannot call MAME - [2]\n\nThis MAME program was not found:\nZ:\\m.exe\n"},
         3, {"list -sortname"}},
        {"a program in Program Files (x86), written without quotes",
         [](const std::string& dir) {
             versions(dir, "Mine\n" + mame_copy(dir, "Program Files (x86)\\MAME\\mame.exe") + "\n0.78\nx\n");
         },
         {}, [](Session& s) { s.play(0); }, {viewed(kX86 + " pacman" + kSwitches)}, 3,
         {"list -sortname", kX86 + " pacman" + kSwitches}},
        {"a program line with its own quotes and options, in a folder holding &",
         [](const std::string& dir) {
             versions(dir, "Mine\n\"" + mame_copy(dir, "R&D\\mame.exe") + "\" -rompath \"D:\\My ROMs\"\n0.78\nx\n");
         },
         {}, [](Session& s) { s.play(0); }, {viewed(kOwnQuotes + " pacman" + kSwitches)}, 3,
         {"list -rompath D:\\My ROMs -sortname", kOwnQuotes + " pacman" + kSwitches}},
        {"versions.ini in UTF-8 without a mark: an accented name and folder, and a folder the code page lacks by "
         "its short path",
         [](const std::string& dir) {
             const std::wstring emulated = from_page(mame_copy(dir, to_page(L"Jeux \u00c9mul\u00e9s\\m.exe", CP_ACP)),
                                                     CP_ACP),
                                okami = from_page(dir, CP_ACP) + L"\\" + kOkami;
             CreateDirectoryW(okami.c_str(), nullptr);
             CopyFileW(from_page(build_file("fake_mame.exe"), CP_ACP).c_str(), (okami + L"\\mame.exe").c_str(), FALSE);
             versions(dir, to_page(L"\u00c9mul\u00e9\n" + emulated + L"\n0.78\nx\n" + kOkami + L"\n" + okami +
                                   L"\\mame.exe\n0.36\nx\n", CP_UTF8));
         },
         {}, [](Session& s) {
             EXPECT_EQ(combo_items(s.main, IDC_VERSION_LIST).at(0), to_page(L"\u00c9mul\u00e9", CP_ACP));
             select_combo_item(s.main, IDC_VERSION_LIST, 1);
             s.play(0);
         },
         {viewed("{okami} pacman" + kSwitches)}, 3, {"list -sortname", "{okami} pacman" + kSwitches}},
        {"a program line in UTF-8 that the code page cannot hold, with no short path, is named by its line",
         [](const std::string& d) { versions(d, to_page(L"M\nZ:\\nowhere " + kOkami + L"\\mame.exe\n0.1\nx\n", CP_UTF8)); },
         {}, nullptr,
         {"No MAME version: Vornix cannot use line 2 of versions.ini, this MAME version's program: it holds a character "
          "that this Windows' code page (1252) does not have"}, 0, {}},
        {"a program that is not there is named at start-up",
         [](const std::string& d) { versions(d, "M\nZ:\\nowhere\\mame.exe\n0.1\nx\n"); }, {}, nullptr,
         {"Fatal error: Cannot call MAME - [2]\n\nThis MAME program was not found:\nZ:\\nowhere\\mame.exe\n"}, -1, {}},
        {"record, not asking for a file although the box says so", ask_for_inp, {},
         [](Session& s) {
             s.play(0, IDC_RECORD_INP);
             EXPECT_EQ(read_file(join(s.dir, "inp\\pacman.inp")).substr(0, 8), std::string("pacman\0\0", 8));
         },
         {viewed(kInp + " -record pacman")}, 3, {"list -sortname", kInp + " -record pacman"}},
        {"record: a move that fails records nothing; Enter keeps the earlier recording as -2 with -1 taken",
         [](const std::string& d) {
             write_file(join(d, "inp\\pacman.inp"), "old"), write_file(join(d, "inp\\pacman-1.inp"), "older");
         },
         {},
         [](Session& s) {
             const std::string old = join(s.dir, "inp\\pacman.inp");
             HANDLE held = CreateFileA(old.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             s.record_answering({{VK_RETURN}});
             CloseHandle(held);
             EXPECT_EQ(s.record_answering({{VK_RETURN}}),
                       "inp\\pacman.inp already holds a recording of this game, and recording now would replace it."
                       "\n\nYes keeps it as inp\\pacman-2.inp and records; No records over it; Cancel records "
                       "nothing.");
             EXPECT_EQ(read_file(join(s.dir, "inp\\pacman-2.inp")) + read_file(join(s.dir, "inp\\pacman-1.inp")),
                       "oldolder");
             EXPECT_EQ(read_file(old).substr(0, 8), std::string("pacman\0\0", 8));
         },
         {"Can't record: Could not keep inp\\pacman.inp as inp\\pacman-2.inp [error 32], so nothing was recorded.",
          viewed(kInp + " -record pacman")}, 3, {"list -sortname", kInp + " -record pacman"}},
        {"record over a recording: Escape records nothing, No (Tab, Enter) records over it",
         [](const std::string& d) { write_file(join(d, "inp\\pacman.inp"), "old"); }, {},
         [](Session& s) {
             s.record_answering({{VK_ESCAPE}});
             s.record_answering({{VK_TAB}, {VK_RETURN}});
             EXPECT_EQ(list_dir(join(s.dir, "inp")), std::vector<std::string>{"pacman.inp"});
             EXPECT_EQ(read_file(join(s.dir, "inp\\pacman.inp")).substr(0, 8), std::string("pacman\0\0", 8));
         },
         {viewed(kInp + " -record pacman")}, 3, {"list -sortname", kInp + " -record pacman"}},
        {"play back from MAME's own place", [](const std::string& d) { write_file(join(d, "inp\\pacman.inp"), "x"); }, {},
         [](Session& s) { s.play(0, IDC_PLAYBACK_INP); }, {viewed(kInp + " -playback pacman")}, 3,
         {"list -sortname", kInp + " -playback pacman (found)"}},
        {"ticking Ask for INP filename, then cancelling the file request, which a second start brings forward", nullptr,
         {},
         [](Session& s) {
             click(s.main, IDC_ASK_INP_NAME);
             s.play_back_file("", 0, [&](HWND request) { start_again(s, s.dir, request, nullptr); });
         },
         {}, 3, {"list -sortname"}},
        {"play back a chosen file in a folder with spaces",
         [&](const std::string& dir) {
             ask_for_inp(dir);
             CreateDirectoryA(join(dir, "rec dir").c_str(), nullptr);
             write_file(join(dir, "rec dir\\run one.inp"), "x");
         }, {}, [](Session& s) { s.play_back_file("{dir}\\rec dir\\run one.inp"); },
         {viewed(kChosen)}, 3, {"list -sortname", kChosen + " (found)"}},
        {"a saved zip plays the game its INP names, with another game selected or none, and stays",
         [&](const std::string& d) { ask_for_inp(d), write_file(join(d, "inp\\saved.zip"), kSavedZip); }, {},
         [&](Session& s) {
             s.play_back_file("{dir}\\inp\\saved.zip", 1);
             s.play_back_file("{dir}\\inp\\saved.zip", -1);
             EXPECT_EQ(s.filters, (std::vector<std::string>{"MAME Input logs (*.inp;*.zip)", "All files"}));
             EXPECT_EQ(read_file(join(s.dir, "inp\\saved.zip")), kSavedZip);
             EXPECT_FALSE(file_exists(join(s.dir, "rec.inp"))) << "the extracted INP is left behind";
         },
         {viewed(kFromZip), viewed(kFromZip)}, 3, {"list -sortname", kFromZip + " (found)", kFromZip + " (found)"}},
        {"each option box turns its switch; no sound turns the rate list off", nullptr, {},
         [](Session& s) {
             for (int id : kBoxes)
                 if (id != IDC_SORT_BY_DRIVER && id != IDC_ASK_INP_NAME) click(s.main, id);
             EXPECT_TRUE(wait_until([&] { return !is_enabled(s.main, IDC_SAMPLE_RATE); }, 5000));
             select_combo_item(s.main, IDC_SAMPLE_RATE, 0);
             SendDlgItemMessageW(s.main, IDC_FRAMESKIP_SPIN, UDM_SETPOS, 0, 7);
             s.play(2);
         },
         {viewed(kTurnedLine)}, 3, {"list -sortname", kTurnedLine}},
        {"reload with the selected version, sorted by driver",
         [](const std::string& dir) {
             versions(dir, "A\n" + mame_copy(dir, "a.exe") + "\n1\nx\nB\n" + mame_copy(dir, "b.exe") + "\n2\nx\n");
             write_file(join(dir, "a.lst"), kGames);
             write_file(join(dir, "b.lst"), "robby \"The Robot\"\r\nqbert \"Q*bert\"\r\n");
         },
         {{"FAKE_MAME_LIST", "{dir}\\{exe}.lst"}},
         [](Session& s) {
             select_list_item(s.main, IDC_GAME_LIST, 1);
             select_combo_item(s.main, IDC_VERSION_LIST, 1);
             click(s.main, IDC_SORT_BY_DRIVER);
             s.press(IDC_REFRESH);
             EXPECT_EQ(list_items(s.main, IDC_GAME_LIST), (std::vector<std::string>{"The Robot", "Q*bert"}));
             EXPECT_EQ(list_selection(s.main, IDC_GAME_LIST), -1);
             EXPECT_EQ(combo_items(s.main, IDC_VERSION_LIST), (std::vector<std::string>{"A", "B"}));
         },
         {}, 2, {"list -sortname", "list -sortdriver"}},
        {"find selects by the exact short name, of at most 8 characters", nullptr, {},
         [](Session& s) {
             using Find = std::pair<const char*, int>;
             for (const auto& [text, found] : {Find{"dkong", 2}, Find{"galaga88xyz", 1}, Find{"PACMAN", -1}}) {
                 set_text(s.main, IDC_FIND_EDIT, text);
                 click(s.main, IDC_FIND);
                 EXPECT_TRUE(wait_until([&] { return list_selection(s.main, IDC_GAME_LIST) == found; }, 3000)) << text;
             }
         },
         {}, 3, {"list -sortname"}},
        {"the about box: Escape leaves it open, OK closes it; a second start brings it forward", nullptr, {},
         [](Session& s) {
             click(s.main, IDC_ABOUT);
             HWND box = s.app.wait_window("About Vornix...");
             start_again(s, s.dir, box, s.main);
             EXPECT_EQ(item_text(box, IDC_ABOUT_TITLE), "Vornix v0.2.3 beta [Nov 12 2002]");
             post_command(box, IDCANCEL);
             Sleep(300);
             EXPECT_TRUE(IsWindowVisible(box)) << "Escape closed the about box";
             click(box, IDOK);
             EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }, 5000)) << "OK left the about box open";
         },
         {}, 3, {"list -sortname"}},
        {"a reload whose MAME lists nothing and ends with 6 says so once the wait box is gone",
         [](const std::string& dir) {
             versions(dir, "A\n" + mame_copy(dir, "a.exe") + "\n1\nx\nB\n" + mame_copy(dir, "b.exe") + "\n2\nx\n");
             write_file(join(dir, "a.lst"), kGames);
             write_file(join(dir, "b.lst"), "");
         },
         {{"FAKE_MAME_EXIT", "6"}, {"FAKE_MAME_LIST", "{dir}\\{exe}.lst"}},
         [](Session& s) {
             select_combo_item(s.main, IDC_VERSION_LIST, 1);
             click(s.main, IDC_SORT_BY_DRIVER);
             s.press(IDC_REFRESH);
         },
         {"Empty game list: MAME listed no games: {dir}\\b.exe ended with code 6.\n\nCheck this version's program "
          "line in versions.ini: it must name a MAME build that accepts -listfull and -sortdriver (see README)."},
         0, {"list -sortname", "list -sortdriver"}},
        {"5000 games fill the table",
         [](const std::string& dir) {
             std::string list;
             for (int i = 0; i < 5001; ++i) list += "g" + std::to_string(i) + " \"Game\"\n";
             write_file(join(dir, "list.txt"), list);
         },
         {}, [](Session& s) { EXPECT_EQ(SendDlgItemMessageW(s.main, IDC_GAME_LIST, LB_GETCOUNT, 0, 0), 5000); },
         {"Error: Game list limit exceeded :/"}, -10, {"list -sortname"}},
        {"the game list file cannot be opened",
         [](const std::string& dir) { CreateDirectoryA(join(dir, "gamelist.tmp").c_str(), nullptr); }, {}, nullptr,
         {"Fatal Error: Cannot open MAME game list"}, -2, {}},
        {"no versions.ini: nothing to run", [](const std::string& d) { DeleteFileA(join(d, "versions.ini").c_str()); },
         {}, [](Session& s) { s.press(IDC_PLAY_GAME); },
         {"No MAME version: No MAME version is listed: add one",
          "No MAME version: No MAME version is listed: add one"}, 0,
         {}},
        {"one Vornix per working folder by any name: a start through a link to it brings the first forward, "
         "one elsewhere runs",
         nullptr, {},
         [](Session& s) {
             const std::string link = join(s.dir, "..\\link");
             EXPECT_TRUE(linux_shell("ln -s \"$1\" \"$2/link\"", {s.dir, join(s.dir, "..")})) << "no link made";
             start_again(s, link, s.main, nullptr);
             Session elsewhere(join(s.dir, "elsewhere"));
             CreateDirectoryA(elsewhere.dir.c_str(), nullptr);
             versions(elsewhere.dir, "MAME\n" + build_file("fake_mame.exe") + "\n0.78\nx\n");
             if (elsewhere.start(s.env)) {
                 EXPECT_EQ(elsewhere.leave(false), 0u);
             }
         },
         {}, 3, {"list -sortname", "list -sortname"}},
        {"a second start while MAME runs waits for the window to come back, or says after 5 s that one runs", nullptr,
         {{"FAKE_MAME_DELAY_MS", "7000"}},
         [](Session& s) {
             select_list_item(s.main, IDC_GAME_LIST, 0);
             click(s.main, IDC_PLAY_GAME);
             s.app.wait_message_box("Commandline view");
             Program early, later;
             early.start(s.dir, s.env);
             Sleep(3500);
             later.start(s.dir, s.env);
             const std::string told = "Vornix is already running in this folder:\n\n" + s.dir + "\n\n";
             EXPECT_EQ(early.wait_message_box("Vornix", 8000).substr(0, told.size()), told);
             EXPECT_TRUE(wait_until([&] { return !later.running() || IsWindowVisible(s.main); }, 10000));
             EXPECT_TRUE(IsWindowVisible(s.main)) << "the later start ended while the window was hidden";
             for (Program* second : {&early, &later}) {
                 DWORD code = 999;
                 EXPECT_TRUE(second->wait_exit(3000, &code) && code == 0) << code;
             }
             s.await_command();
         },
         {}, 3, {"list -sortname", kPlay}},
        {"a working folder that takes no new file: said once at start-up; the list goes through the temporary folder",
         [](const std::string& dir) { CreateDirectoryA(join(dir, "..\\temp").c_str(), nullptr); },
         {{"TMP", "{dir}\\..\\temp"}},
         [](Session& s) { EXPECT_EQ(list_dir(join(s.dir, "..\\temp")), std::vector<std::string>{}); },
         {"Read-only folder: Vornix cannot save its settings or downloads in this folder, since Windows lets it create "
          "no file here:\n\n{dir}\n\n"},
         3, {"list -sortname"}, true},
        {"keys alone: Enter in Go to: finds and in Split: asks for scores, neither starts MAME", nullptr,
         {{"VORNIX_SCORE_SERVER", "127.0.0.1:1"}},
         [](Session& s) {
             // The focus starts on Exit, the first control: "Go to:" is the 7th before it, "Split:" the 1st.
             std::vector<Key> keys(7, Key{VK_TAB, true}), name = typed("dkong");
             keys.insert(keys.end(), name.begin(), name.end());
             keys.push_back({VK_RETURN});
             press_keys(s.main, keys);
             EXPECT_TRUE(wait_until([&] { return list_selection(s.main, IDC_GAME_LIST) == 2; }, 3000));
             press_keys(s.main, {{VK_TAB}, {VK_TAB}, {VK_TAB}, {VK_TAB}, {VK_TAB}, {VK_TAB}, {'X'}, {VK_RETURN}});
             const std::vector<std::string> refused = {"Cannot connect to ZEPH."};
             EXPECT_TRUE(wait_until([&] { return list_items(s.main, IDC_SCORE_LIST) == refused; }, 5000));
         },
         {}, 3, {"list -sortname"}},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Session s(awkward_dir(fresh_dir("main_" + std::to_string(++index))));
        const std::string log = join(s.dir, "mame.log");
        versions(s.dir, "MAME 0.78\n" + build_file("fake_mame.exe") + "\n0.78\nWin32\n");
        write_file(join(s.dir, "list.txt"), kGames);
        CreateDirectoryA(join(s.dir, "inp").c_str(), nullptr);
        if (row.given) row.given(s.dir);
        // Undone on every way out of the row, or the folder could not even be removed.
        struct Locked {
            std::string dir;
            ~Locked() { EXPECT_TRUE(dir.empty() || linux_shell("chattr -i \"$1\" 2>/dev/null; chmod u+w \"$1\"", {dir})); }
        } locked;
        if (row.read_only) {
            write_file(log, "");  // the stand-in appends to a file that is there
            EXPECT_TRUE(linux_shell("chattr +i \"$1\" 2>/dev/null || chmod a-w \"$1\"", {s.dir}) &&
                        !CreateDirectoryA(join(s.dir, "probe").c_str(), nullptr)) << "the folder still takes files";
            locked.dir = s.dir;
        }
        Env env = {{"FAKE_MAME_LOG", log}, {"FAKE_MAME_LIST", join(s.dir, "list.txt")}};
        for (const auto& [name, value] : row.env) env.insert(env.begin(), {name, expand(value, s.dir)});
        if (!s.start(env)) continue;
        if (row.act) row.act(s);
        for (int id : {IDC_PLAYBACK_INP, IDC_RECORD_INP, IDC_PLAY_GAME, IDOK})
            EXPECT_TRUE(is_enabled(s.main, id)) << "button " << id << " left off";
        EXPECT_EQ(item_text(s.main, IDC_STATUS), "Total number of MAME drivers: " + std::to_string(row.status));
        EXPECT_EQ(s.leave(false), 0u);
        EXPECT_EQ(file_exists(join(s.dir, "gamelist.tmp")), row.status == -2) << "the game list file is removed";

        std::vector<std::string> boxes, runs, expected;
        for (const auto& box : row.boxes) boxes.push_back(expand(box, s.dir));
        for (std::size_t i = 0; i < s.boxes.size() && i < boxes.size(); ++i)
            if (s.boxes[i].size() > boxes[i].size()) s.boxes[i].resize(boxes[i].size());
        EXPECT_EQ(s.boxes, boxes) << "message boxes (their beginnings)";
        for (const auto& run : read_fake_mame_log(log)) {
            std::string list;  // "list" and the words besides -listfull, for a list run
            for (const auto& word : run.words) list += word == "-listfull" ? "" : " " + word;
            const bool listing = std::count(run.words.begin(), run.words.end(), "-listfull") > 0;
            runs.push_back(listing ? "list" + list
                                   : run.command_line + (run.fact("playback_found") == "1" ? " (found)" : ""));
        }
        for (const auto& run : row.runs) expected.push_back(expand(run, s.dir));
        EXPECT_EQ(runs, expected) << "the stand-in MAME's runs";
    }
}

// The "MAME versions" dialog: the keys that lead there, what it takes and
// refuses, and what OK leaves in versions.ini, the version list and the game
// list. Each row's folder holds a.exe and b.exe (listing a.lst and b.lst) and
// the versions.ini given, "A" and "B" (selected) naming them by default.
TEST(MainWindow, VersionsDialog) {
    const std::string kAB = "A\r\n{dir}\\a.exe\r\n1\r\nx\r\nB\r\n{dir}\\b.exe\r\n2\r\nx\r\n";
    // "caption: text" of the box that opens, answered with `keys`.
    const auto answer = [](Session& s, const std::vector<Key>& keys) {
        HWND box = nullptr;
        EXPECT_TRUE(wait_until([&] { return (box = s.app.message_box()) != nullptr; }, 10000)) << "no message box";
        if (!box) return std::string();
        const std::string seen = window_text(box) + ": " + item_text(box, 0xFFFF);
        press_keys(box, keys);
        EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }, 5000)) << "the box stays: " << seen;
        s.boxes.push_back(seen);
        return seen;
    };
    const auto dialog_of = [](Session& s) {
        HWND d = nullptr;
        EXPECT_TRUE(wait_until([&] { return (d = s.app.find_window_with_control(IDC_VERSIONS_LIST)) != nullptr; }, 10000));
        return d;
    };
    // Opened as a user would: "Versions..." comes right after the version list.
    const auto open = [&](Session& s) {
        SendMessageW(s.main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(s.main, IDC_VERSION_LIST)), TRUE);
        press_keys(s.main, {{VK_TAB}, {VK_RETURN}});
        return dialog_of(s);
    };
    // Typed into the edits at once ({dir} stands for the row's folder), then Add pressed.
    const auto add = [&](Session& s, HWND d, const std::wstring& name, std::wstring program) {
        if (program.find(L"{dir}") == 0) program.replace(0, 5, from_page(s.dir, CP_ACP));
        SetDlgItemTextW(d, IDC_VERSION_NAME, name.c_str());
        SetDlgItemTextW(d, IDC_VERSION_PROGRAM, program.c_str());
        SetDlgItemTextW(d, IDC_VERSION_SCORE_NAME, L"9");
        click(d, IDC_VERSION_ADD);
    };
    const auto rows_of = [](HWND d) { return SendDlgItemMessageW(d, IDC_VERSIONS_LIST, LB_GETCOUNT, 0, 0); };
    const Key tab{VK_TAB}, back{VK_TAB, true}, enter{VK_RETURN}, escape{VK_ESCAPE};
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "V\r\n{dir}\\a.exe\r\n1\r\nx\r\n";
    const std::vector<std::string> kA = {"Pac-Man (Midway)", "Galaga '88", "Donkey Kong"};
    struct Row {
        const char* name;
        std::optional<std::string> given;
        bool answers_first_box;             // else every box at start is answered OK (No)
        std::function<void(Session&)> act;  // from the start of the program on
        std::vector<std::string> boxes;     // their beginnings
        std::vector<std::string> versions;  // the version list afterwards, and its selection
        int selected;
        std::optional<std::string> left;  // versions.ini afterwards; none: as given
        std::vector<std::string> games;   // the game list afterwards
    } rows[] = {
        {"keys alone: add, change, move up twice, remove, OK; the list keeps A selected where it went", kAB, false,
         [&](Session& s) {
             s.press(IDC_REFRESH);  // B's games, until OK lists A's
             select_combo_item(s.main, IDC_VERSION_LIST, 0);
             HWND d = open(s);
             // From the list: Move up, Move down, Remove, Name; then Program, Browse, the version, Add.
             std::vector<Key> keys = {tab, tab, tab, tab}, name = typed("C"), program = typed(s.dir + "\\c.exe");
             keys.insert(keys.end(), name.begin(), name.end());
             keys.push_back(tab);
             keys.insert(keys.end(), program.begin(), program.end());
             keys.insert(keys.end(), {tab, tab, {'3'}, tab, enter});
             press_keys(d, keys);
             EXPECT_TRUE(wait_until([&] { return rows_of(d) == 3; }, 5000)) << "Add";
             // Back in the version, Enter changes the selected entry, C.
             keys = typed("3.5");
             keys.insert(keys.begin(), back);
             keys.push_back(enter);
             // Then back to Move up (Browse, Program, Name, Remove, Move down, Move up), pressed twice.
             keys.insert(keys.end(), {back, back, back, back, back, back, enter, enter});
             // In the list (C, A, B) End selects B, which Remove removes.
             keys.insert(keys.end(), {back, {VK_END}, tab, tab, tab, enter});
             press_keys(d, keys);
             EXPECT_TRUE(wait_until([&] { return rows_of(d) == 2; }, 5000)) << "Remove";
             press_keys(d, {tab, tab, tab, tab, tab, tab, tab, enter});  // from Remove to OK
             s.await_command();
         },
         {}, {"C", "A"}, 1, "C\r\n{dir}\\c.exe\r\n3.5\r\nWin32\r\nA\r\n{dir}\\a.exe\r\n1\r\nx\r\n", kA},
        {"removing the selected version selects the first, and the games are listed from it", kAB, false,
         [&](Session& s) {
             HWND d = open(s);
             press_keys(d, {tab, tab, tab, enter});  // Remove, from the list
             post_command(d, IDOK);
             s.await_command();
         },
         {}, {"A"}, 0, "A\r\n{dir}\\a.exe\r\n1\r\nx\r\n", kA},
        {"Escape is Cancel: nothing changes", kAB, false,
         [&](Session& s) {
             HWND d = open(s);
             press_keys(d, {tab, tab, tab, enter});
             EXPECT_TRUE(wait_until([&] { return rows_of(d) == 1; }, 5000));
             press_keys(d, {escape});
             EXPECT_TRUE(wait_until([&] { return !IsWindow(d); }, 5000));
         },
         {}, {"A", "B"}, 1, std::nullopt, kA},
        {"a first start without versions.ini: Yes sets a version up, Enter adds it, written in UTF-8 with a mark",
         std::nullopt, true,
         [&](Session& s) {
             answer(s, {enter});
             s.main = s.app.wait_window("Vornix");
             HWND d = dialog_of(s);
             std::vector<Key> keys = typed("Mine"), program = typed(s.dir + "\\b.exe");
             keys.push_back(tab);
             keys.insert(keys.end(), program.begin(), program.end());
             keys.insert(keys.end(), {tab, tab, {'7'}, enter, tab, tab, tab, enter});  // Enter adds; then OK
             press_keys(d, keys);
             s.await_command();
             // The window shows before the reload's caller moves the focus.
             EXPECT_TRUE(wait_until([&] { return focused_control(s.main) == GetDlgItem(s.main, IDC_GAME_LIST); }, 3000))
                 << "the next Enter would not pick a game: the focus is on " << GetDlgCtrlID(focused_control(s.main));
         },
         {"No MAME version: No MAME version is listed: add one with \"Versions...\".\n\n"
          "Set up the MAME versions now?"},
         {"Mine"}, 0, "\xEF\xBB\xBFMine\r\n{dir}\\b.exe\r\n7\r\nWin32\r\n", {"The Robot", "Q*bert"}},
        {"a program not found at start-up: Yes opens the dialog on its version", "M\r\nZ:\\nowhere\\m.exe\r\n1\r\nx\r\n",
         true,
         [&](Session& s) {
             answer(s, {enter});
             s.main = s.app.wait_window("Vornix");
             HWND d = dialog_of(s);
             EXPECT_EQ(item_text(d, IDC_VERSION_PROGRAM), "Z:\\nowhere\\m.exe");
             press_keys(d, {escape});
         },
         {"Fatal error: Cannot call MAME - [2]"}, {"M"}, 0, std::nullopt, {}},
        {"a program that is not there: No keeps it out, Yes takes it", kAB, false,
         [&](Session& s) {
             HWND d = open(s);
             add(s, d, L"N", L"Z:\\nowhere\\m.exe");
             answer(s, {enter});  // No is the default
             EXPECT_EQ(rows_of(d), 2);
             click(d, IDC_VERSION_ADD);
             answer(s, {back, enter});
             EXPECT_TRUE(wait_until([&] { return rows_of(d) == 3; }, 5000));
             press_keys(d, {escape});
         },
         {"MAME versions: Program: Z:\\nowhere\\m.exe was not found, neither as a full path nor on the PATH.",
          "MAME versions: Program: Z:\\nowhere\\m.exe was not found"},
         {"A", "B"}, 1, std::nullopt, kA},
        {"a program the code page cannot hold, with no short path, is refused", kAB, false,
         [&](Session& s) {
             HWND d = open(s);
             add(s, d, L"N", L"Z:\\nowhere " + kOkami + L"\\m.exe");
             answer(s, {enter});
             press_keys(d, {escape});
         },
         {"MAME versions: Program: holds a character that this Windows' code page (1252) does not have, and the "
          "program has no short (8.3) name to use instead."},
         {"A", "B"}, 1, std::nullopt, kA},
        {"an ANSI versions.ini keeps what its code page has and refuses the rest", "\xC0\r\n{dir}\\a.exe\r\n1\r\nx\r\n",
         false,
         [&](Session& s) {
             HWND d = open(s);
             add(s, d, kOkami, L"{dir}\\b.exe");
             answer(s, {enter});
             add(s, d, L"\u00c9", L"{dir}\\b.exe");
             EXPECT_TRUE(wait_until([&] { return rows_of(d) == 2; }, 5000));
             post_command(d, IDOK);
             s.await_command();
         },
         {"MAME versions: Name: holds a character that versions.ini cannot keep, since the file is written in this "
          "Windows' code page (1252)."},
         {"\xC0", "\xC9"}, 0, "\xC0\r\n{dir}\\a.exe\r\n1\r\nx\r\n\xC9\r\n{dir}\\b.exe\r\n9\r\nWin32\r\n", kA},
        {"a 101st version is refused", hundred, false,
         [&](Session& s) {
             HWND d = open(s);
             add(s, d, L"N", L"{dir}\\b.exe");
             answer(s, {enter});
             EXPECT_EQ(rows_of(d), 100);
             press_keys(d, {escape});
         },
         {"MAME versions: Vornix holds at most 100 MAME versions: remove one first."},
         std::vector<std::string>(100, "V"), 1, std::nullopt, kA},
        {"an entry that the file cut short is named at OK", "A\r\n{dir}\\a.exe\r\n1\r\nx\r\nB\r\n", false,
         [&](Session& s) {
             HWND d = open(s);
             post_command(d, IDOK);
             answer(s, {enter});
             EXPECT_EQ(list_selection(d, IDC_VERSIONS_LIST), 1) << "the entry named";
             press_keys(d, {escape});
         },
         {"MAME versions: MAME version 2, Program: is empty."}, {"A", "B"}, 1, std::nullopt, kA},
        {"versions.ini held open elsewhere: saving fails, says so and leaves it whole", kAB, false,
         [&](Session& s) {
             HANDLE held = CreateFileA(join(s.dir, "versions.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
             HWND d = open(s);
             post_command(d, IDOK);
             answer(s, {enter});
             CloseHandle(held);
             EXPECT_EQ(list_dir(s.dir), (std::vector<std::string>{"a.exe", "a.lst", "b.exe", "b.lst", "c.exe",
                                                                   "mame.log", "versions.ini"})) << "a new file left";
             press_keys(d, {escape});
         },
         {"MAME versions: Cannot save versions.ini ["}, {"A", "B"}, 1, std::nullopt, kA},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Session s(fresh_dir("versions_" + std::to_string(++index)));
        for (const char* exe : {"a.exe", "b.exe", "c.exe"}) mame_copy(s.dir, exe);
        write_file(join(s.dir, "a.lst"), kGames);
        write_file(join(s.dir, "b.lst"), "robby \"The Robot\"\r\nqbert \"Q*bert\"\r\n");
        if (row.given) versions(s.dir, expand(*row.given, s.dir));
        const std::string given = read_file(join(s.dir, "versions.ini"));
        s.env = {{"FAKE_MAME_LOG", join(s.dir, "mame.log")}, {"FAKE_MAME_LIST", join(s.dir, "{exe}.lst")}};
        if (row.answers_first_box ? !s.app.start(s.dir, s.env) : !s.start(s.env)) continue;
        // B, where there is one, is selected first.
        if (!row.answers_first_box) select_combo_item(s.main, IDC_VERSION_LIST, 1);
        row.act(s);
        EXPECT_EQ(combo_items(s.main, IDC_VERSION_LIST), row.versions);
        EXPECT_EQ(combo_selection(s.main, IDC_VERSION_LIST), row.selected);
        EXPECT_EQ(list_items(s.main, IDC_GAME_LIST), row.games);
        EXPECT_EQ(read_file(join(s.dir, "versions.ini")), row.left ? expand(*row.left, s.dir) : given);
        std::vector<std::string> boxes;
        for (std::size_t i = 0; i < s.boxes.size(); ++i)
            boxes.push_back(s.boxes[i].substr(0, i < row.boxes.size() ? row.boxes[i].size() : std::string::npos));
        EXPECT_EQ(boxes, row.boxes) << "message boxes (their beginnings)";
        EXPECT_EQ(s.leave(false), 0u);
    }
}

}  // namespace
