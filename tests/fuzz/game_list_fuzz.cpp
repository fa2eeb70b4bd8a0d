// Feeds any bytes to the game-list reader as MAME's "-listfull" output. Besides
// staying inside its buffers, the reader must store exactly the games that the
// C library's formatted input finds with the list's pattern
//   "%s\t\"%[^\"]\"\n"
// (read here with buffers as large as the input, so it cannot overflow), minus
// the names too long to start MAME with and with descriptions cut to their
// field, and report each stored game once, in order.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "mame/game_list.h"

namespace {

struct Expected {
    std::vector<char> name;  // the raw bytes of the name, NUL bytes included
    std::vector<char> description;
};

// The games the pattern matches, as glibc's fscanf reads them. %n gives the
// raw lengths, since a name or description may hold NUL bytes.
std::vector<Expected> reference(const std::uint8_t* data, std::size_t size) {
    std::vector<Expected> games;
    std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (!in) __builtin_trap();
    std::vector<char> name(size + 1), description(size + 1);
    for (;;) {
        int name_start = -1, name_end = -1, text_start = -1, text_end = -1;
        const int r = std::fscanf(in, " %n%s%n\t\"%n%[^\"]%n\"\n", &name_start, name.data(), &name_end, &text_start,
                                  description.data(), &text_end);
        if (r == EOF) break;
        if (r != 2) continue;
        games.push_back({std::vector<char>(name.begin(), name.begin() + (name_end - name_start)),
                         std::vector<char>(description.begin(), description.begin() + (text_end - text_start))});
    }
    std::fclose(in);
    return games;
}

int reported = 0;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    __builtin_trap();
}

void on_stored(const GameEntry& game, void*) {
    // Reported right after it is stored, in table order.
    if (&game != &game_table[reported]) fail("a game reported out of table order");
    ++reported;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::memset(game_table, 0, sizeof game_table);
    reported = 0;
    std::FILE* in = size ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::tmpfile();
    if (!in) return 0;
    const int result = read_game_list(in, game_table, on_stored, nullptr);
    std::fclose(in);

    const int stored = result == GAME_LIST_FULL ? GAME_TABLE_SIZE : result;
    if (stored < 0 || stored > GAME_TABLE_SIZE || reported != stored) fail("the count and the games reported differ");

    std::vector<Expected> expected;
    if (size) expected = reference(data, size);
    int slot = 0;
    for (const Expected& game : expected) {
        // A name that does not fit its field would start another game, or none.
        if (game.name.size() >= sizeof game_table[0].short_name) continue;
        if (slot == GAME_TABLE_SIZE) break;
        const GameEntry& g = game_table[slot++];
        if (std::memcmp(g.short_name, game.name.data(), game.name.size()) != 0 || g.short_name[game.name.size()] != '\0')
            fail("a short name differs from fscanf's");
        // The description as text: up to a NUL byte, cut to its field.
        const std::size_t text = strnlen(game.description.data(), game.description.size());
        const std::size_t kept = text < sizeof g.description - 1 ? text : sizeof g.description - 1;
        if (std::memcmp(g.description, game.description.data(), kept) != 0 || g.description[kept] != '\0')
            fail("a description differs from fscanf's");
    }
    if (slot != stored) fail("the number of games differs from fscanf's");
    if ((result == GAME_LIST_FULL) != (stored == GAME_TABLE_SIZE)) fail("a full table not reported as full");
    // Slots past the last game stay as they were.
    for (int i = stored; i < GAME_TABLE_SIZE && i < stored + 2; ++i)
        if (game_table[i].short_name[0] != '\0' || game_table[i].description[0] != '\0')
            fail("a slot past the last game was written");
    if (stored > 0 && find_game(game_table[0].short_name) != 0) fail("the first game is not found");
    return 0;
}
