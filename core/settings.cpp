#include "core/settings.h"

#include "core/file.h"

Settings settings;

void set_default_settings() {
    settings.reserved = 0;
    settings.sound = 1;
    settings.hw_stretch = 1;
    settings.sample_rate = 1;
    settings.windowed = 0;
    settings.auto_frameskip = 1;
    settings.frameskip = 0;
    settings.sort_by_driver = 0;
    settings.ask_inp_filename = 0;
    settings.use_mouse = 0;
    settings.use_joystick = 0;
}

void load_settings() {
    UniqueFile f = open_file(SETTINGS_FILE, "rb");
    if (!f) return;
    // Read straight into the record: a short file replaces only the leading
    // bytes, and whatever the bytes say is used unchanged.
    std::fread(&settings, 1, sizeof settings, f.get());
}

void save_settings() {
    UniqueFile f = open_file(SETTINGS_FILE, "wb");
    if (!f) return;
    std::fwrite(&settings, sizeof settings, 1, f.get());
}
