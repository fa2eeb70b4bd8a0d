#include "core/app_win.h"

HINSTANCE app_instance = nullptr;
std::atomic<std::uint32_t> download_cancel{0};
OPENFILENAMEA inp_file_dialog;
