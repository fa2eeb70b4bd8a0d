#include "mame/game_list_win.h"

#include <cstdio>
#include <cwchar>
#include <iterator>

#include "core/app_win.h"
#include "core/file.h"
#include "core/text.h"
#include "core/timing_win.h"
#include "core/versions.h"
#include "mame/command_line.h"
#include "mame/game_list.h"
#include "mame/process_win.h"

namespace {

// Why the last load listed no game, for report_game_list_problem; an empty
// text when there is nothing to say.
struct {
    const char* caption;
    char text[1024];
} problem;

// Where MAME's list goes: gamelist.tmp in the working folder, or, where that
// folder takes no file, a file named after this process in the user's
// temporary folder, which no other Vornix shares. Wide, since the temporary
// folder lies below the user's profile, whose name the code page may lack.
wchar_t list_path[MAX_PATH + 64];

void choose_list_path() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = working_folder_takes_files() ? 0 : GetTempPathW(MAX_PATH + 1, temp);
    if (n > 0 && n <= MAX_PATH)
        std::swprintf(list_path, std::size(list_path), L"%lsvornix-gamelist-%lu.tmp", temp, GetCurrentProcessId());
    else
        MultiByteToWideChar(CP_ACP, 0, GAME_LIST_FILE, -1, list_path, static_cast<int>(std::size(list_path)));
}

// The file MAME's list goes to, created here and handed to MAME as its
// standard output: an inheritable handle, so the started MAME writes into it.
UniqueWinHandle create_list_file() {
    choose_list_path();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return owned_file(CreateFileW(list_path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

void add_to_list(const GameEntry& game, void* list_box) {
    SendMessageA(static_cast<HWND>(list_box), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(game.description));
}

// A list box that redraws after every added line makes the fill cost many
// times the parse: under Wine 4999 lines took 37 ms with redrawing, 7 ms
// without, the parse alone 3 ms. So it does not redraw while it fills, and
// is painted once at the end. Its room for a full table is reserved first as
// well, so it does not grow step by step as lines arrive (Wine's list box
// grows cheaply and gained nothing measurable; the call costs nothing).
// Descriptions run to about 60 characters, a quarter of their field.
void begin_fill(HWND list_box) {
    SendMessageA(list_box, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_box, LB_INITSTORAGE, GAME_TABLE_SIZE, GAME_TABLE_SIZE * sizeof(GameEntry::description) / 4);
}

void end_fill(HWND list_box) {
    SendMessageA(list_box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_box, nullptr, TRUE);
}

}  // namespace

int load_game_list(HWND list_box, int version_index) {
    timing_mark("game_list.start");
    problem.text[0] = '\0';
    if (version_index < 0 || version_index >= MAX_MAME_VERSIONS) return GAME_LIST_CANNOT_START;
    const char* executable = mame_versions[version_index].executable;
    if (*executable == '\0') {
        // No version is listed, or its program line could not be used: there
        // is no program to ask.
        problem.caption = NO_VERSION_CAPTION;
        format_no_program(problem.text, sizeof problem.text, version_index, GetACP());
        return 0;
    }
    char command[COMMAND_LINE_SIZE];
    if (!build_game_list_command(command, sizeof command, executable)) {
        MessageBoxA(nullptr, MAME_LINE_TOO_LONG, "Fatal error", MB_OK);
        return GAME_LIST_CANNOT_START;
    }

    UniqueWinHandle output = create_list_file();
    if (!output) {
        MessageBoxA(nullptr, "Cannot open MAME game list", "Fatal Error", MB_OK);
        return GAME_LIST_CANNOT_OPEN;
    }
    // A console MAME gets no console at all, so no window, and writes to the
    // file alone. With a hidden console instead (CREATE_NO_WINDOW), Wine's
    // console host holds a copy of the list file for 100 to 200 ms after MAME
    // has ended, and the file could not be removed, nor made anew by a reload.
    ChildProcess child;
    const bool started = start_child(command, SW_HIDE, DETACHED_PROCESS, child, output.get());
    const DWORD error = GetLastError();
    // MAME writes through its own copy; once it has ended the list is whole.
    output.close();
    if (!started) {
        DeleteFileW(list_path);
        problem.caption = "Fatal error";
        format_cannot_call_message(problem.text, sizeof problem.text, static_cast<int>(error), executable);
        return GAME_LIST_CANNOT_START;
    }
    // The list is read whatever MAME returns: one that refuses the switches
    // leaves an empty file, and so an empty list, which is explained below.
    const DWORD exit_code = wait_for_child(child);
    timing_mark("game_list.mame_ended");

    UniqueFile list(_wfopen(list_path, L"r"));
    if (!list) {
        DeleteFileW(list_path);
        MessageBoxA(nullptr, "Cannot open MAME game list", "Fatal Error", MB_OK);
        return GAME_LIST_CANNOT_OPEN;
    }
    begin_fill(list_box);
    const int result = read_game_list(list.get(), game_table, add_to_list, list_box);
    end_fill(list_box);
    // Removed on every way out, a full table included, so no stale list is
    // left behind to be read by mistake.
    list.close();
    DeleteFileW(list_path);
    timing_mark("game_list.listed", result);
    if (result == GAME_LIST_FULL) MessageBoxA(nullptr, "Game list limit exceeded :/", "Error", MB_OK);
    if (result == 0 && exit_code != 0) {
        problem.caption = EMPTY_GAME_LIST_CAPTION;
        format_empty_list_message(problem.text, sizeof problem.text, executable, exit_code,
                                  game_list_sort_switch());
    }
    timing_mark("game_list.return", result);
    return result;
}

int report_game_list_problem() {
    if (problem.text[0] == '\0') return 0;
    // Each problem kept here lies in the version's program line, which the
    // "MAME versions" dialog sets: it is offered at once.
    append_text(problem.text, SET_UP_QUESTION);
    const int answer = MessageBoxA(nullptr, problem.text, problem.caption, MB_YESNO);
    problem.text[0] = '\0';
    return answer;
}
