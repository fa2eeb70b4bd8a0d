#include "mame/command_line.h"

#include <cstring>

#include "core/text.h"
#include "mame/option_switches.h"

bool append_command_value(char* out, std::size_t size, const char* value) {
    if (std::strpbrk(value, " \t") == nullptr || std::strchr(value, '"') != nullptr)
        return append_text(out, size, value);
    std::size_t length = std::strlen(value);
    while (length > 0 && value[length - 1] == '\\') --length;
    const std::size_t start = std::strlen(out);
    bool fits = append_text(out, size, "\"");
    const std::size_t used = std::strlen(out);
    fits &= copy_text_n(out + used, size - used, value, length);
    fits &= append_text(out, size, "\"");
    // A value cut short would leave an unbalanced quote: take nothing of it.
    if (!fits) out[start] = '\0';
    return fits;
}

const char* game_list_sort_switch(const Settings& options) {
    return flag_on(options.sort_by_driver) ? "-sortdriver" : "-sortname";
}

bool build_game_list_command(char* out, std::size_t size, const char* executable, const Settings& options) {
    if (size == 0) return false;
    out[0] = '\0';
    bool fits = append_command_value(out, size, executable);
    fits &= append_text(out, size, " -listfull ");
    fits &= append_text(out, size, game_list_sort_switch(options));
    return fits;
}

bool format_cannot_call_message(char* out, std::size_t size, int error, const char* executable) {
    // Windows starts no program from a path of MAX_PATH (260) characters or
    // more, and says that it was not found, though it is there. The program
    // is the quoted part of a line that begins with a quote, else all of it.
    const char* end = *executable == '"' ? std::strchr(executable + 1, '"') : nullptr;
    const std::size_t program = end ? static_cast<std::size_t>(end - executable - 1) : std::strlen(executable);
    if (program >= 260)
        return format_text(out, size,
                           "Cannot call MAME - [%i]\n\nThe path of this MAME program is longer than Windows can start "
                           "a program from (259 characters):\n%s\n\nMove MAME to a shorter path and correct line 2 "
                           "of this version's entry in versions.ini.",
                           error, executable);
    // Windows' codes for a name that leads nowhere: no such file, no such
    // folder, a name it cannot even parse.
    const bool missing = error == 2 || error == 3 || error == 123;
    return format_text(out, size,
                       "Cannot call MAME - [%i]\n\n%s\n%s\n\nCheck line 2 of this version's entry in versions.ini.",
                       error, missing ? "This MAME program was not found:" : "This MAME program could not be started:",
                       executable);
}

bool is_windows_status(std::uint32_t code) { return code >= 0xC0000000u && code < 0xE0000000u; }

namespace {
// The statuses a MAME build most often ends with when it cannot run here.
struct StatusReason {
    std::uint32_t code;
    const char* reason;
};
constexpr StatusReason STATUS_REASONS[] = {
    {0xC0000005u, "MAME crashed: it touched memory it may not use"},
    {0xC000001Du, "MAME uses an instruction this processor does not have"},
    {0xC000007Bu, "MAME or one of its DLLs is built for another kind of Windows: 32-bit and 64-bit mixed"},
    {0xC0000094u, "MAME crashed: a division by zero"},
    {0xC00000FDu, "MAME crashed: its stack overflowed"},
    {0xC0000135u, "a DLL that MAME needs was not found"},
    {0xC0000139u, "a DLL that MAME needs is of another version"},
    {0xC0000142u, "a DLL that MAME needs could not start"},
    {0xC000013Au, "MAME was stopped with Ctrl+C, or its console window was closed"},
    {0xC0000409u, "MAME crashed and stopped itself"},
};
}  // namespace

bool format_windows_status(char* out, std::size_t size, std::uint32_t code) {
    for (const StatusReason& known : STATUS_REASONS)
        if (known.code == code) return format_text(out, size, "0x%08X (%s)", code, known.reason);
    return format_text(out, size, "0x%08X", code);
}

bool format_run_error_message(char* out, std::size_t size, std::uint32_t code) {
    // Printed signed, so MAME's -1 reads as -1 rather than 4294967295.
    bool fits = format_text(out, size, "MAME returned an error [code %i]", static_cast<int>(code));
    if (!is_windows_status(code)) return fits;
    char status[160];
    fits &= format_windows_status(status, sizeof status, code);
    fits &= append_text(out, size, "\n\nThis is Windows' status ");
    fits &= append_text(out, size, status);
    fits &= append_text(out, size, ": MAME did not run properly.");
    return fits;
}

bool build_play_command(char* out, std::size_t size, const char* executable, const char* short_name,
                        const Settings& options) {
    if (size == 0) return false;
    out[0] = '\0';
    bool fits = append_command_value(out, size, executable);
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
        fits &= append_command_value(out, size, input_directory);
    }
    fits &= append_text(out, size, " -playback ");
    fits &= append_command_value(out, size, inp_name ? inp_name : short_name);
    return fits;
}

bool format_preview(char* out, std::size_t size, const char* command_line) {
    return format_text(out, size, "%s [Length: %i]", command_line, static_cast<int>(std::strlen(command_line)));
}

InpChoice split_chosen_inp(char* path, std::size_t file, std::size_t extension, char* name, std::size_t name_size) {
    const std::size_t length = std::strlen(path);
    // A name ending in a dot has no extension to drop, and reports none.
    if (file == 0 || file >= length || path[file - 1] != '\\' || extension <= file + 1 || extension >= length ||
        path[extension - 1] != '.')
        return InpChoice::no_extension;
    if (!copy_text_n(name, name_size, path + file, extension - 1 - file)) return InpChoice::name_too_long;
    const bool drive_root = file == 3 && path[1] == ':';
    path[drive_root ? file : file - 1] = '\0';
    return InpChoice::ok;
}
