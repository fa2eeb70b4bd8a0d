#include "core/versions_win.h"

#include "core/file.h"
#include "core/versions.h"

int load_versions(HWND version_list) {
    UniqueFile f = open_file(VERSIONS_FILE, "r");
    if (!f) return -1;
    read_versions(
        f.get(),
        [](const MameVersion& v, void* list) {
            SendMessageA(static_cast<HWND>(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(v.display_name));
        },
        version_list);
    return 0;
}
