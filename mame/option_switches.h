#pragma once
// The emulation options of Settings as MAME command-line switches.
#include <cstddef>

#include "core/settings.h"

// Appends the switches, each with one leading space, to the command line
// already begun in `command_line` (a buffer of `size` bytes), in the fixed
// order MAME expects them: stretching, window, sound, sample rate, frameskip
// level, automatic frameskip, mouse, joystick. Reads `options` only. Returns
// false, with the text cut but still terminated, when the buffer is too small;
// MAX_OPTION_SWITCHES_LENGTH more characters always fit.
bool build_option_switches(char* command_line, std::size_t size, const Settings& options = settings);

template <std::size_t N> bool build_option_switches(char (&command_line)[N], const Settings& options = settings) {
    return build_option_switches(command_line, N, options);
}

// The longest text the switches can take: every flag off, a five-digit sample
// rate and the frameskip level -32768.
inline constexpr std::size_t MAX_OPTION_SWITCHES_LENGTH = 77;
