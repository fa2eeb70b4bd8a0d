// Feeds any bytes to the game-list reader as MAME's "-listfull" output. It
// must store exactly the games fscanf finds with the list's pattern
// "%s\t\"%[^\"]\"\n" (into buffers as large as the input), less the names too
// long to start MAME with, each description cut to its field, and report each
// game once, in table order, right after storing it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "mame/game_list.h"

static int reported;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::memset(game_table, 0, sizeof game_table);
    reported = 0;
    std::FILE* in = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::tmpfile();
    const int result = read_game_list(in, game_table, [](const GameEntry& game, void*) {
        if (&game != &game_table[reported++]) __builtin_trap();
    }, nullptr);
    std::fclose(in);
    int slot = 0;
    in = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : nullptr;
    std::vector<char> name(size + 1), text(size + 1);
    int a, b, c, d, r;  // %n gives the raw lengths: a name or a description may hold NUL bytes
    while (in && (r = std::fscanf(in, " %n%s%n\t\"%n%[^\"]%n\"\n", &a, name.data(), &b, &c, text.data(), &d)) != EOF) {
        const auto name_length = static_cast<std::size_t>(b - a);
        if (r != 2 || name_length >= sizeof game_table[0].short_name || slot == GAME_TABLE_SIZE) continue;
        const GameEntry& g = game_table[slot++];
        const std::size_t kept = std::min(strnlen(text.data(), static_cast<std::size_t>(d - c)), sizeof g.description - 1);
        if (std::memcmp(g.short_name, name.data(), name_length + 1) != 0 ||
            std::memcmp(g.description, text.data(), kept) != 0 || g.description[kept] != '\0')
            __builtin_trap();
    }
    if (in) std::fclose(in);
    if (reported != slot || result != (slot == GAME_TABLE_SIZE ? GAME_LIST_FULL : slot)) __builtin_trap();
    return 0;
}
