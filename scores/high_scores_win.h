#pragma once
#include <windows.h>

// The main dialog's high-score list and split edit, stored by the main dialog
// when it opens; the fetch thread writes and reads them.
extern HWND score_list_window;
extern HWND split_edit_window;

// The fetch thread the "Get high scores" command last started; null before
// the first one. Only the main dialog's thread touches it.
extern HANDLE score_fetch_thread;

// The "Get high scores" command of the main dialog.
void on_get_high_scores(HWND main_dialog);

// Fetches the score table of game_table[game_index] into score_table and the
// rows of the high-score list; does nothing for -1 (no game selected). Runs
// on the fetch thread.
void fetch_high_scores(int game_index);
