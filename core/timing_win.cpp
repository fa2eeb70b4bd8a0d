#include "core/timing_win.h"

#include <windows.h>

#include "core/file.h"

namespace {

char timing_log_path[MAX_PATH];

bool timing_log_wanted() {
    const DWORD n = GetEnvironmentVariableA("VORNIX_TIMING_LOG", timing_log_path, sizeof timing_log_path);
    return n > 0 && n < sizeof timing_log_path;
}

}  // namespace

void timing_mark(const char* label, long value) {
    static const bool wanted = timing_log_wanted();
    if (!wanted) return;
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    // Opened and closed per mark: a mark is rare, and a line is on disk even
    // when the program is ended by force.
    UniqueFile log = open_file(timing_log_path, "a");
    if (!log) return;
    std::fprintf(log.get(), "%s %ld %.3f\n", label, value,
                 static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart));
}
