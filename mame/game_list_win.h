#pragma once
#include <windows.h>

// Asks MAME version `version_index` for its game list and fills game_table
// and `list_box`. Returns the number of games, or -1, -2 or -10.
int load_game_list(HWND list_box, int version_index);
