#pragma once
#include <windows.h>

// The "MAME versions" dialog (template 110), modal over `owner`: the user
// edits a copy of the versions read from versions.ini, and OK writes the
// file. `*selected` is the owner's selected version; after OK it is where
// that entry is now, or -1 when it was removed. Returns true when
// versions.ini was written; Cancel changes nothing.
bool edit_mame_versions(HWND owner, int* selected);
