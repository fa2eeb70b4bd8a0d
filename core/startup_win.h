#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

// The module instance every dialog of the program is created with.
extern HINSTANCE app_instance;

// Set by the download dialog's Cancel, read and cleared by the download
// worker once per chunk. One aligned 32-bit word shared without a lock.
extern std::atomic<std::uint32_t> download_cancel;
static_assert(sizeof(std::atomic<std::uint32_t>) == 4);

// Start-up as WinMain runs it, apart from taking the instance: clears the
// cancel flag, sets the defaults, loads vornix.cfg and runs the main dialog.
// Returns the process exit code.
int run_vornix(HINSTANCE instance);
