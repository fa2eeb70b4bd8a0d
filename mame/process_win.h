#pragma once
// Starting MAME and waiting for it the way the front end does: polling, with
// no window messages served.
#include <windows.h>

#include "core/win_handle.h"

struct ChildProcess {
    UniqueWinHandle process;
    UniqueWinHandle thread;
};

// Starts `command_line` (whose first word names the program) in the front
// end's own environment and working directory, its window shown as
// `show_window`. With `output`, an inheritable handle, the child's standard
// output goes there (and it gets no standard input or error). Returns false,
// leaving GetLastError's code, when it cannot.
bool start_child(char* command_line, WORD show_window, DWORD creation_flags, ChildProcess& child,
                 HANDLE output = nullptr);

// Polls every 250 ms until the child has ended or its exit code can no longer
// be read, then closes its handles. Returns the exit code read last:
// STILL_ACTIVE when no query ever told otherwise.
DWORD wait_for_child(ChildProcess& child);
