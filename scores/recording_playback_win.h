#pragma once
#include <windows.h>

// Plays back the recording in the zip at `zip_path`: what "Download and
// playback" does once the zip is saved, and "Playback INP" for a zip the user
// chose. The zip's INP is extracted into the working folder, its game is the
// one its first bytes name, MAME plays it from there ("-input_directory ."),
// and the extracted INP is deleted again, also when nothing ran. The zip is
// left as it is. A failure is said in a message box and nothing runs.
//
// `recorded_version` is the version the score names, or null when none is
// known (a zip from disk). A listed version of that name plays it; otherwise
// the version selected in `main_dialog` does, and with a known version only
// once the user agrees, since a recording goes out of step on another
// version. `score_dialog`, if any, is asked from and hidden with the main
// dialog while MAME runs; without it the caller has hidden the main dialog.
void play_recording_zip(const char* zip_path, const char* recorded_version, HWND main_dialog, HWND score_dialog);
