#include "download/download_win.h"

char download_path[512];

int download_recording(HWND, int) { return DOWNLOAD_FAILED; }
