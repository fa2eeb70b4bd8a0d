#pragma once
#include <windows.h>

// The about box (template 103): the program's name, version and build date
// on a grey ground. Run modally; closes with 0 on "OK" or its close box.
INT_PTR CALLBACK about_dialog_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
