#include "mame/runner_win.h"

int run_game(int, int) { return 0; }
int run_inp(int, int, int, const char*, const char*) { return 0; }
