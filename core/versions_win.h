#pragma once
#include <windows.h>

#include <cstddef>

#include "core/versions.h"

// Reads versions.ini into mame_versions and adds each display name to the
// combo box as it is taken (in full, also with characters that the ANSI code
// page lacks). Returns 0, or -1 when the file cannot be opened.
int load_versions(HWND version_list);

// A line of a file in UTF-8 as the table takes it: in the ANSI code page,
// without look-alikes for the characters that it lacks. A display name that
// holds such a character is still taken (the lists show it from the file's
// own text); a program is taken by its short 8.3 path; a version name is not
// taken.
LineFit store_utf8_line(int line, const char* text, std::size_t length, char* field, std::size_t size);

// The code page of the VersionLines texts of versions.ini as it was read.
UINT versions_text_code_page();
// `text` (in that code page) as UTF-16; an empty text when it does not fit.
void versions_text_to_wide(const char* text, wchar_t* out, int size);

// Says which lines of versions.ini could not be used, if any, and asks
// whether to set the MAME versions up now. Returns IDYES, IDNO, or 0 when
// there was nothing to say.
int report_unusable_lines();

// Writes `bytes` as versions.ini: first into a new file beside it, then
// moved over it in one step, so that a failure at any point leaves the old
// file as it was. Returns 0, or the Windows error code of the failure.
DWORD save_versions_file(const unsigned char* bytes, std::size_t size);
