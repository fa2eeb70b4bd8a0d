#include "mame/recording_names.h"

#include "core/text.h"

bool format_record_path(char* out, std::size_t size, const char* short_name) {
    return format_text(out, size, "inp\\%s.inp", short_name);
}

bool find_kept_recording_name(char* out, std::size_t size, const char* short_name, NameTaken taken, void* context) {
    for (int n = 1; n <= MAX_KEPT_RECORDINGS; ++n) {
        if (!format_text(out, size, "inp\\%s-%d.inp", short_name, n)) return false;
        if (!taken(out, context)) return true;
    }
    return false;
}

bool format_keep_question(char* out, std::size_t size, const char* path, const char* kept) {
    return format_text(out, size,
                       "%s already holds a recording of this game, and recording now would replace it.\n\n"
                       "Yes keeps it as %s and records; No records over it; Cancel records nothing.",
                       path, kept);
}
