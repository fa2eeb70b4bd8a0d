#pragma once
#include <windows.h>

// The main dialog's high-score list and split edit, stored by the main dialog
// when it opens; the fetch thread writes and reads them.
extern HWND score_list_window;
extern HWND split_edit_window;

// The "Get high scores" command of the main dialog.
void on_get_high_scores(HWND main_dialog);
