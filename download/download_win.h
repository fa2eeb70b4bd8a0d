#pragma once
#include <windows.h>

inline constexpr int DOWNLOAD_FAILED = 50;

// The path the last download was saved under.
extern char download_path[512];

// Asks where to save the recording of score_table[score_index], downloads it
// with progress and Cancel, and returns 0 when the whole zip lies at
// download_path, DOWNLOAD_FAILED otherwise.
int download_recording(HWND parent, int score_index);
