// Feeds any bytes to the game-list reader as MAME's "-listfull" output. It
// must store exactly the games that fscanf finds with the list's pattern
// "%s\t\"%[^\"]\"\n" (into buffers as large as the input), less the names too
// long to start MAME with, each description cut to its field; report each
// game once, in table order; and leave the slot after the last game as it was.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "mame/game_list.h"

namespace {
int reported;
void on_stored(const GameEntry& game, void*) {
    if (&game != &game_table[reported++]) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static GameEntry fill;
    std::memset(&fill, 0x5A, sizeof fill);
    std::fill(std::begin(game_table), std::end(game_table), fill);
    reported = 0;
    std::FILE* in = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::tmpfile();
    const int result = read_game_list(in, game_table, on_stored, nullptr);
    std::fclose(in);
    const int stored = result == GAME_LIST_FULL ? GAME_TABLE_SIZE : result;
    if (stored < 0 || reported != stored) __builtin_trap();
    if (stored < GAME_TABLE_SIZE && std::memcmp(&game_table[stored], &fill, sizeof fill) != 0) __builtin_trap();

    int slot = 0;
    std::FILE* ref = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : nullptr;
    std::vector<char> name(size + 1), text(size + 1);
    // %n gives the raw lengths: a name or a description may hold NUL bytes.
    int a, b, c, d, r;
    while (ref && (r = std::fscanf(ref, " %n%s%n\t\"%n%[^\"]%n\"\n", &a, name.data(), &b, &c, text.data(), &d)) != EOF) {
        const auto name_length = static_cast<std::size_t>(b - a);
        if (r != 2 || name_length >= sizeof fill.short_name || slot == GAME_TABLE_SIZE) continue;
        const GameEntry& g = game_table[slot++];
        const std::size_t kept = std::min(strnlen(text.data(), static_cast<std::size_t>(d - c)), sizeof g.description - 1);
        if (std::memcmp(g.short_name, name.data(), name_length + 1) != 0 || std::memcmp(g.description, text.data(), kept) != 0 ||
            g.description[kept] != '\0')
            __builtin_trap();
    }
    if (ref) std::fclose(ref);
    if (slot != stored) __builtin_trap();
    return 0;
}
