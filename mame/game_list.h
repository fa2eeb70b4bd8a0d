#pragma once
// The games the chosen MAME reports, in the order it reports them. A game's
// index here is its line in the main dialog's game list.
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct GameEntry {
    char short_name[10];
    char description[250];
};

inline constexpr int GAME_TABLE_SIZE = 5000;

extern GameEntry game_table[GAME_TABLE_SIZE];

// Results of a game-list load besides the count of games.
inline constexpr int GAME_LIST_CANNOT_START = -1;
inline constexpr int GAME_LIST_CANNOT_OPEN = -2;
inline constexpr int GAME_LIST_FULL = -10;

// Called once per stored game, with its slot, right after it is stored.
using GameStored = void (*)(const GameEntry& game, void* context);

// Reads MAME's game list from `in` into `table` from slot 0 upwards, without
// clearing the slots it does not reach. Each line `name  "description"` is
// one game; anything of another shape (a heading) is passed over word by
// word. A short name too long to start MAME with is skipped; a description
// too long for its field is cut. Returns the number of games stored, or
// GAME_LIST_FULL as soon as the table holds GAME_TABLE_SIZE games.
int read_game_list(std::FILE* in, GameEntry (&table)[GAME_TABLE_SIZE], GameStored on_stored, void* context);

// A load that found no game where MAME ended with an error. Said once, in a
// box with this caption, naming the version's program and its exit code.
// A code of MAME's own most often means a MAME that refuses the list's
// switches, so the sort switch it was given is named too; a Windows status
// (is_windows_status) means MAME did not run properly, and the switches are
// not blamed.
inline constexpr const char* EMPTY_GAME_LIST_CAPTION = "Empty game list";
bool format_empty_list_message(char* out, std::size_t size, const char* executable, std::uint32_t code,
                               const char* sort_switch);

// Index of the first of slots 0 to 4998 whose short_name equals `short_name`
// byte for byte, or -1. Every slot is searched whatever the last load stored.
int find_game(const char* short_name);
