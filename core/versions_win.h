#pragma once
#include <windows.h>

// Reads versions.ini into mame_versions and adds each display name to the
// combo box as it is taken. Returns 0, or -1 when the file cannot be opened.
int load_versions(HWND version_list);
