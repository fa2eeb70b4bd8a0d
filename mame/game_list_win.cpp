#include "mame/game_list_win.h"

#include <cstdio>

#include "core/file.h"
#include "core/text.h"
#include "core/timing_win.h"
#include "core/versions.h"
#include "mame/command_line.h"
#include "mame/game_list.h"
#include "mame/process_win.h"

namespace {

// The interpreter that redirects MAME's list into the file. COMSPEC names it
// on every Windows and in Wine; "command.com" exists on neither today.
void command_interpreter(char* out, DWORD size) {
    const DWORD n = GetEnvironmentVariableA("COMSPEC", out, size);
    if (n == 0 || n >= size) copy_text(out, size, "cmd.exe");
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
    if (version_index < 0 || version_index >= MAX_MAME_VERSIONS) return GAME_LIST_CANNOT_START;

    char interpreter[MAX_PATH];
    command_interpreter(interpreter, sizeof interpreter);
    char command[GAME_LIST_COMMAND_SIZE];
    if (!build_game_list_command(command, sizeof command, interpreter, mame_versions[version_index].executable)) {
        MessageBoxA(nullptr, MAME_LINE_TOO_LONG, "Fatal error", MB_OK);
        return GAME_LIST_CANNOT_START;
    }

    // The interpreter's console stays hidden: SW_HIDE is what Windows honours
    // for a new console, CREATE_NO_WINDOW what Wine does.
    ChildProcess child;
    if (!start_child(command, SW_HIDE, CREATE_NO_WINDOW, child)) {
        MessageBoxA(nullptr, "Cannot call MAME", "Fatal error", MB_OK);
        return GAME_LIST_CANNOT_START;
    }
    // The list is read whatever the interpreter returns: a MAME that did not
    // run leaves an empty file, and so an empty list, which is explained below.
    const DWORD exit_code = wait_for_child(child);
    timing_mark("game_list.interpreter_ended");

    UniqueFile list = open_file(GAME_LIST_FILE, "r");
    if (!list) {
        MessageBoxA(nullptr, "Cannot open MAME game list", "Fatal Error", MB_OK);
        return GAME_LIST_CANNOT_OPEN;
    }
    begin_fill(list_box);
    const int result = read_game_list(list.get(), game_table, add_to_list, list_box);
    end_fill(list_box);
    // Removed on every way out, a full table included, so no stale list is
    // left behind to be read by mistake.
    list.close();
    std::remove(GAME_LIST_FILE);
    timing_mark("game_list.listed", result);
    if (result == GAME_LIST_FULL) MessageBoxA(nullptr, "Game list limit exceeded :/", "Error", MB_OK);
    if (result == 0 && exit_code != 0) {
        char message[1024];
        format_empty_list_message(message, sizeof message, mame_versions[version_index].executable,
                                  static_cast<int>(exit_code));
        MessageBoxA(nullptr, message, EMPTY_GAME_LIST_CAPTION, MB_OK);
    }
    timing_mark("game_list.return", result);
    return result;
}
