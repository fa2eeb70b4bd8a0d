#pragma once

// Start MAME and wait for it to end. Both return 0 once MAME ran, -1 when it
// could not be started.
int run_game(int game_index, int version_index);
int run_inp(int game_index, int version_index, int mode, const char* input_directory, const char* inp_name);
