#pragma once
// Starting MAME and waiting for it the way the front end does: blocked on
// its process, with no window messages served.
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

// Waits on the child's process until it has ended, then closes its handles.
// Returns its exit code, or STILL_ACTIVE when the wait or the query fails.
DWORD wait_for_child(ChildProcess& child);
