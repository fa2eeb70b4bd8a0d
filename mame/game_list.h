#pragma once
// The games the chosen MAME reports, in the order it reports them. A game's
// index here is its line in the main dialog's game list.

struct GameEntry {
    char short_name[10];
    char description[250];
};

inline constexpr int GAME_TABLE_SIZE = 5000;

extern GameEntry game_table[GAME_TABLE_SIZE];

// Index of the first of slots 0 to 4998 whose short_name equals `short_name`
// byte for byte, or -1.
int find_game(const char* short_name);
