#pragma once
#include <windows.h>

// Opens the Score properties dialog for slot `score_index` of score_table.
void show_score_properties(HWND owner, int score_index);
// The double click on a row of the main dialog's high-score list.
void on_open_score(HWND main_dialog);
