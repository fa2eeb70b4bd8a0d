#pragma once
// One Vornix per working folder. Two started in the same folder (a double
// click twice) would share gamelist.tmp, one removing it while the other
// still reads it, and both would write vornix.cfg at exit, the last to close
// winning. So a second start there brings the first one's window to the
// front and ends. Starts in different folders stay independent.
#include <windows.h>

// True when this start is its working folder's only Vornix and should run.
// False when another one runs there and this start should end with 0: the
// other one's active window has been brought to the front, or, when its
// windows stayed hidden for a few seconds (MAME runs, or it hangs), the user
// has been told so.
bool claim_working_folder();

// Called as the owner begins to leave, before it saves its settings: a start
// from then on waits for this one to end, then runs and reads what it saved.
void release_working_folder();
