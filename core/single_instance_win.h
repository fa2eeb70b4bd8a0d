#pragma once
// One Vornix per working folder. Two started in the same folder (a double
// click twice) would share gamelist.tmp, one removing it while the other
// still reads it, and both would write vornix.cfg at exit, the last to close
// winning. So a second start there brings the first one's window to the
// front and ends. Starts in different folders stay independent.
#include <windows.h>

// True when this start is its working folder's only Vornix and should run;
// false when another one runs there (its window has been brought to the
// front when it shows one) and this start should end with 0.
bool claim_working_folder();

// Tells later starts in this folder which window to bring to the front.
void publish_main_window(HWND window);

// Gives the folder up once the settings are saved, so a start from then on
// runs on its own.
void release_working_folder();
