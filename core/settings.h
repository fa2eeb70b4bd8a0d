#pragma once
// The options the user sets in the main dialog, kept between runs as the raw
// 44-byte image in "vornix.cfg" (little-endian, no header). The layout is the
// file format: fields, gaps and offsets must never move.
#include <cstddef>
#include <cstdint>

struct Settings {
    std::uint32_t sound;
    std::int16_t sample_rate;
    std::uint8_t gap_6[2];  // never set; kept as loaded and written back
    std::uint32_t hw_stretch;
    std::uint32_t windowed;
    std::uint32_t auto_frameskip;
    std::int16_t frameskip;
    std::uint8_t gap_22[2];  // never set; kept as loaded and written back
    std::uint32_t reserved;
    std::uint32_t sort_by_driver;
    std::uint32_t ask_inp_filename;
    std::uint32_t use_mouse;
    std::uint32_t use_joystick;
};

static_assert(sizeof(Settings) == 44, "vornix.cfg is a 44-byte image");
static_assert(offsetof(Settings, sound) == 0);
static_assert(offsetof(Settings, sample_rate) == 4);
static_assert(offsetof(Settings, gap_6) == 6);
static_assert(offsetof(Settings, hw_stretch) == 8);
static_assert(offsetof(Settings, windowed) == 12);
static_assert(offsetof(Settings, auto_frameskip) == 16);
static_assert(offsetof(Settings, frameskip) == 20);
static_assert(offsetof(Settings, gap_22) == 22);
static_assert(offsetof(Settings, reserved) == 24);
static_assert(offsetof(Settings, sort_by_driver) == 28);
static_assert(offsetof(Settings, ask_inp_filename) == 32);
static_assert(offsetof(Settings, use_mouse) == 36);
static_assert(offsetof(Settings, use_joystick) == 40);

extern Settings settings;

inline constexpr const char* SETTINGS_FILE = "vornix.cfg";

// A flag counts as on only when it holds exactly 1: older files may hold
// other values, and those must read as off everywhere.
inline bool flag_on(std::uint32_t flag) { return flag == 1; }
inline void toggle_flag(std::uint32_t& flag) { flag = flag_on(flag) ? 0 : 1; }

void set_default_settings();
// Reads up to 44 bytes of vornix.cfg over the record; a missing file, or the
// part of the record a short file does not reach, keeps what was there.
void load_settings();
// Writes the 44 bytes; a file that cannot be written is silently skipped.
void save_settings();
