#include "mame/command_line.h"

#include <cstring>

#include "core/text.h"
#include "mame/option_switches.h"

bool build_game_list_command(char* out, std::size_t size, const char* interpreter, const char* executable,
                             const Settings& options) {
    if (size == 0) return false;
    out[0] = '\0';
    const bool quote = std::strchr(interpreter, ' ') != nullptr;
    bool fits = true;
    if (quote) fits &= append_text(out, size, "\"");
    fits &= append_text(out, size, interpreter);
    if (quote) fits &= append_text(out, size, "\"");
    fits &= append_text(out, size, " /c ");
    fits &= append_text(out, size, executable);
    fits &= append_text(out, size, " -listfull ");
    fits &= append_text(out, size, flag_on(options.sort_by_driver) ? "-sortdriver" : "-sortname");
    fits &= append_text(out, size, " > ");
    fits &= append_text(out, size, GAME_LIST_FILE);
    return fits;
}

bool build_play_command(char* out, std::size_t size, const char* executable, const char* short_name,
                        const Settings& options) {
    if (size == 0) return false;
    out[0] = '\0';
    bool fits = append_text(out, size, executable);
    fits &= append_text(out, size, " ");
    fits &= append_text(out, size, short_name);
    fits &= build_option_switches(out, size, options);
    return fits;
}

bool build_inp_command(char* out, std::size_t size, const char* executable, const char* short_name, int mode,
                       const char* input_directory, const char* inp_name, const Settings& options) {
    bool fits = build_play_command(out, size, executable, short_name, options);
    fits &= append_text(out, size, " -nvram_directory NULL -cfg_directory NULL");
    if (mode == INP_RECORD) {
        fits &= append_text(out, size, " -record ");
        fits &= append_text(out, size, short_name);
        return fits;
    }
    if (input_directory) {
        fits &= append_text(out, size, " -input_directory ");
        fits &= append_text(out, size, input_directory);
    }
    fits &= append_text(out, size, " -playback ");
    fits &= append_text(out, size, inp_name ? inp_name : short_name);
    return fits;
}

bool format_preview(char* out, std::size_t size, const char* command_line) {
    return format_text(out, size, "%s [Length: %i]", command_line, static_cast<int>(std::strlen(command_line)));
}
