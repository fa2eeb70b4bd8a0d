#include <windows.h>

#include "download/extract.h"

const char* extract_recording(const char* zip_path) {
    const char* name = nullptr;
    if (extract_inp_member(zip_path, &name) == ExtractResult::zip_unreadable)
        MessageBoxA(nullptr, "Cannot open downloaded Zip file", "Zip error", MB_OK);
    return name;
}
