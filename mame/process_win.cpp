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
    // A query that fails, the first one included, leaves the code of a MAME
    // still running: the caller then reports 259 rather than a made-up code.
    DWORD code = STILL_ACTIVE;
    if (!GetExitCodeProcess(child.process.get(), &code)) {
        code = STILL_ACTIVE;
    } else {
        // The first judgement comes only after one sleep: the front end
        // notices the end 250 to 500 ms after it happens.
        for (;;) {
            Sleep(250);
            if (code != STILL_ACTIVE) break;
            if (!GetExitCodeProcess(child.process.get(), &code)) {
                code = STILL_ACTIVE;
                break;
            }
            if (code != STILL_ACTIVE) timing_mark("child.exit_seen");
        }
    }
    timing_mark("child.wait_over");
    child.process.close();
    child.thread.close();
    return code;
}
