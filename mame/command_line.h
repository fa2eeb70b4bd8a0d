#pragma once
// The command lines the front end gives MAME. A value that holds white space
// (the program's path, a chosen folder or recording name) goes in double
// quotes, or the interpreter and MAME would split it into several words; a
// value that already holds a double quote is taken as its writer quoted it.
// Every builder writes into a caller's buffer and returns false when the
// whole line does not fit, so a line is refused rather than passed to MAME
// cut short.
#include <cstddef>
#include <cstdint>

#include "core/settings.h"

// Both buffers of a run, the command line and its preview, hold 1024
// characters; the preview adds " [Length: NNNN]", so a command line of up to
// 1008 characters fits both. The game list's line is built in one of the same
// size, so every program line that runs a game also lists the games.
inline constexpr std::size_t COMMAND_LINE_SIZE = 1024;

inline constexpr const char* GAME_LIST_FILE = "gamelist.tmp";

// Shown instead of starting anything when a command line does not fit.
inline constexpr const char* MAME_LINE_TOO_LONG = "MAME command line too long - MAME not started";

// run_inp's mode: record; any other value plays back.
inline constexpr int INP_RECORD = 1;

// Appends `value`, in double quotes when it holds a space or tab and no
// double quote. A quoted value loses its trailing backslashes: the C runtime
// reads \" as a literal quote, and a folder means the same without them.
bool append_command_value(char* out, std::size_t size, const char* value);

// The switch that asks MAME for its list in the order `options` wants:
// "-sortdriver" or "-sortname".
const char* game_list_sort_switch(const Settings& options = settings);

// "<executable> -listfull -sortname" (or -sortdriver). MAME is started on
// it directly, its output going to gamelist.tmp, and no command interpreter
// reads the line: the interpreter drops the quotes of a program path that
// holds ( ) & @ ^ (as "C:\Program Files (x86)\MAME\mame.exe" does) and
// splits a line at an unquoted &, so the list failed where the runs worked.
// The executable goes in as append_command_value puts it, as in every run.
bool build_game_list_command(char* out, std::size_t size, const char* executable,
                             const Settings& options = settings);

// The message for a MAME program that cannot be started: "Cannot call MAME -
// [code]", then what the code means for the user and the program line of
// versions.ini that named it.
bool format_cannot_call_message(char* out, std::size_t size, int error, const char* executable);

// Exit codes from 0xC0000000 to 0xDFFFFFFF are Windows' own status codes
// for a program that could not start properly or crashed (0xC0000135, a DLL
// not found), not MAME's: users look them up in hex. From 0xE0000000 up the
// code is a program's own negative number again (-1 is 0xFFFFFFFF).
bool is_windows_status(std::uint32_t code);

// "MAME returned an error [code <signed decimal>]", and for a Windows status
// that status in hex with what it means, as shown after a run.
bool format_run_error_message(char* out, std::size_t size, std::uint32_t code);

// The status in hex and what it means: "0xC0000135 (a DLL that MAME needs
// was not found)", or the hex alone for a status without a plain reason.
bool format_windows_status(char* out, std::size_t size, std::uint32_t code);

// "<executable> <short name>" and the option switches.
bool build_play_command(char* out, std::size_t size, const char* executable, const char* short_name,
                        const Settings& options = settings);

// The play command, then " -nvram_directory NULL -cfg_directory NULL", so a
// recording starts from a clean machine and the playback sees the same, then
// " -record <short name>" in record mode (the recording always takes the
// game's name and MAME's own input directory), or else the optional
// " -input_directory <dir>" and " -playback <name>", the name defaulting to
// the short name.
bool build_inp_command(char* out, std::size_t size, const char* executable, const char* short_name, int mode,
                       const char* input_directory, const char* inp_name, const Settings& options = settings);

// A recording chosen with the file request, as MAME takes it: its folder and
// its name without extension (MAME adds ".inp" itself). `path` is the chosen
// path, with the offsets of the name and of the extension the request gave;
// it is cut to the folder in place, which keeps its separator only at a
// drive's root ("C:" alone would mean the drive's current folder).
enum class InpChoice { ok, no_extension, name_too_long };
InpChoice split_chosen_inp(char* path, std::size_t file, std::size_t extension, char* name, std::size_t name_size);

// "<command line> [Length: <characters>]", as shown before MAME starts.
bool format_preview(char* out, std::size_t size, const char* command_line);
