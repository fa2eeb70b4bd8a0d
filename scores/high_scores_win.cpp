#include "scores/high_scores_win.h"

HWND score_list_window = nullptr;
HWND split_edit_window = nullptr;

void on_get_high_scores(HWND) {}
