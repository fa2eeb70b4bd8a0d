#pragma once
// Starting MAME (or the command interpreter that runs it) and waiting for it
// the way the front end does: polling, with no window messages served.
#include <windows.h>

#include "core/win_handle.h"

struct ChildProcess {
    UniqueWinHandle process;
    UniqueWinHandle thread;
};

// Starts `command_line` (whose first word names the program) in the front
// end's own environment and working directory, its window shown as
// `show_window`. Returns false, leaving GetLastError's code, when it cannot.
bool start_child(char* command_line, WORD show_window, DWORD creation_flags, ChildProcess& child);

// Polls every 250 ms until the child has ended or its exit code can no longer
// be read, then closes its handles. Returns the exit code read last:
// STILL_ACTIVE when no query ever told otherwise.
DWORD wait_for_child(ChildProcess& child);
