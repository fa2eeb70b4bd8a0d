#pragma once
#include <windows.h>

// Asks MAME version `version_index` for its game list and fills game_table
// and `list_box`. Returns the number of games, or -1, -2 or -10. The fixed
// failures (the list file, the full table) are reported on the spot; what is
// wrong with the version's program line is kept for report_game_list_problem.
int load_game_list(HWND list_box, int version_index);

// Shows, once, why the last load listed no game because of the version's
// program line (none, not found, or a MAME that listed nothing and failed),
// and asks whether to set the MAME versions up now. Returns IDYES, IDNO, or
// 0 when there was nothing to say. The caller says it when its wait box is
// gone, so the message never stands over a box that still says "please wait".
int report_game_list_problem();
