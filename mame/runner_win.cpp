#include "mame/runner_win.h"

#include <windows.h>

#include "core/versions.h"
#include "mame/command_line.h"
#include "mame/game_list.h"
#include "mame/process_win.h"

namespace {

// A line that does not fit its buffer is never passed on cut short: MAME
// would run with other options, or another game.
int refuse_too_long() {
    MessageBoxA(nullptr, MAME_LINE_TOO_LONG, "Fatal error", MB_OK);
    return -1;
}

// Shows the command line, runs it and waits for MAME to end, then reports a
// failure to start (-1) or a non-zero exit code (still 0: MAME did run).
int launch(char* command_line, const char* executable) {
    char message[COMMAND_LINE_SIZE];
    if (!format_preview(message, sizeof message, command_line)) return refuse_too_long();
    MessageBoxA(nullptr, message, "Commandline view", MB_OK);

    ChildProcess child;
    if (!start_child(command_line, SW_SHOWNORMAL, 0, child)) {
        format_cannot_call_message(message, sizeof message, static_cast<int>(GetLastError()), executable);
        MessageBoxA(nullptr, message, "Fatal error", MB_OK);
        return -1;
    }
    const DWORD code = wait_for_child(child);
    if (code != 0) {
        format_run_error_message(message, sizeof message, code);
        MessageBoxA(nullptr, message, "Problem calling MAME", MB_OK);
    }
    return 0;
}

bool valid(int game_index, int version_index) {
    return game_index >= 0 && game_index < GAME_TABLE_SIZE && version_index >= 0 &&
           version_index < MAX_MAME_VERSIONS;
}

}  // namespace

int run_game(int game_index, int version_index) {
    if (!valid(game_index, version_index)) return -1;
    char command_line[COMMAND_LINE_SIZE];
    if (!build_play_command(command_line, sizeof command_line, mame_versions[version_index].executable,
                            game_table[game_index].short_name))
        return refuse_too_long();
    return launch(command_line, mame_versions[version_index].executable);
}

int run_inp(int game_index, int version_index, int mode, const char* input_directory, const char* inp_name) {
    if (!valid(game_index, version_index)) return -1;
    char command_line[COMMAND_LINE_SIZE];
    if (!build_inp_command(command_line, sizeof command_line, mame_versions[version_index].executable,
                           game_table[game_index].short_name, mode, input_directory, inp_name))
        return refuse_too_long();
    return launch(command_line, mame_versions[version_index].executable);
}
