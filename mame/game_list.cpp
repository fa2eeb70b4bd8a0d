#include "mame/game_list.h"

#include <cstring>

GameEntry game_table[GAME_TABLE_SIZE];

int find_game(const char* short_name) {
    for (int i = 0; i < GAME_TABLE_SIZE - 1; ++i)
        if (std::strcmp(game_table[i].short_name, short_name) == 0) return i;
    return -1;
}
