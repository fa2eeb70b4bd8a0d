#include "mame/option_switches.h"

#include "core/text.h"

bool build_option_switches(char* command_line, std::size_t size, const Settings& options) {
    // Only the sample rates the main dialog offers have a switch; anything
    // else (an empty selection, a value from an old file) leaves MAME's own.
    static const char* const sample_rates[] = {" -sr 11025", " -sr 22050", " -sr 44100"};

    bool fits = append_text(command_line, size, flag_on(options.hw_stretch) ? " -hws" : " -nohws");
    fits &= append_text(command_line, size, flag_on(options.windowed) ? " -window" : " -nowindow");
    fits &= append_text(command_line, size, flag_on(options.sound) ? " -sound" : " -nosound");
    if (options.sample_rate >= 0 && options.sample_rate <= 2)
        fits &= append_text(command_line, size, sample_rates[options.sample_rate]);
    // The level goes in even with automatic frameskipping on: MAME then starts
    // from it.
    char level[80];
    format_text(level, sizeof level, " -frameskip %i", static_cast<int>(options.frameskip));
    fits &= append_text(command_line, size, level);
    fits &= append_text(command_line, size, flag_on(options.auto_frameskip) ? " -afs" : " -noafs");
    fits &= append_text(command_line, size, flag_on(options.use_mouse) ? " -mouse" : " -nomouse");
    fits &= append_text(command_line, size, flag_on(options.use_joystick) ? " -joy" : " -nojoy");
    return fits;
}
