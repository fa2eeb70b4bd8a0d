#pragma once
#include <windows.h>

// The caption-less box (template 104) shown while the game list reloads. It
// reacts to nothing: the GUI thread is busy loading while it shows.
INT_PTR CALLBACK wait_dialog_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
