#include "mame/process_win.h"

#include "core/timing_win.h"

bool start_child(char* command_line, WORD show_window, DWORD creation_flags, ChildProcess& child,
                 HANDLE output) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show_window;
    if (output) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
    }
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof info);
    if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, TRUE, creation_flags, nullptr, nullptr, &startup,
                        &info))
        return false;
    child.process.reset(info.hProcess);
    child.thread.reset(info.hThread);
    return true;
}

DWORD wait_for_child(ChildProcess& child) {
    // Blocked on the process itself, so its end is noticed at once. A wait or
    // a query that fails leaves the code of a MAME still running: the caller
    // then reports 259 rather than a made-up code.
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(child.process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(child.process.get(), &code))
        code = STILL_ACTIVE;
    timing_mark("child.wait_over");
    child.process.close();
    child.thread.close();
    return code;
}
