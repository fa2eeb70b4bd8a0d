#pragma once
#include <windows.h>

#include "download/download.h"

// The file that receives the zip: a default name, then what the user chose
// in the save-as dialog. After a download that ended with 0 the whole zip
// lies here.
extern char download_path[512];
// The recording's file name on the score server: recording_name + ".zip".
extern char download_name[54];
// The worker of the download that runs or last ran; released when the
// dialog closes.
extern HANDLE download_thread;

// Asks where to save the recording of score_table[score_index], downloads it
// with progress and Cancel, and returns 0 when the whole zip lies at
// download_path, DOWNLOAD_FAILED otherwise.
int download_recording(HWND parent, int score_index);

// The worker thread's routine; `name` is download_name. Its exit code is 0
// or DOWNLOAD_FAILED.
unsigned __stdcall download_worker(void* name);
