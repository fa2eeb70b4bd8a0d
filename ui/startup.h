#pragma once
#include <windows.h>

// Start-up as WinMain runs it, apart from taking the instance: clears the
// cancel flag, sets the defaults, loads vornix.cfg and runs the main dialog.
// Returns the process exit code.
int run_vornix(HINSTANCE instance);
