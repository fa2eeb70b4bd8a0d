#include "scores/score_properties.h"

#include <cmath>
#include <climits>

#include "core/text.h"

void format_upload_line(char* out, std::size_t size, const std::tm* t) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!t || t->tm_wday < 0 || t->tm_wday > 6 || t->tm_mon < 0 || t->tm_mon > 11) {
        copy_text(out, size, "Uploaded on: unknown");
        return;
    }
    format_text(out, size, "Uploaded on: %s %s %02d %02d:%02d:%02d %d\n", days[t->tm_wday], months[t->tm_mon],
                t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec, t->tm_year + 1900);
}

int truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

bool inp_game_name(const unsigned char* head, std::size_t count, char (&name)[9]) {
    name[0] = '\0';
    if (count < 8) return false;
    std::size_t n = 0;
    while (n < 8 && head[n] != 0) {
        name[n] = static_cast<char>(head[n]);
        ++n;
    }
    name[n] = '\0';
    return n > 0;
}

bool format_version_question(char* out, std::size_t size, const char* recorded_version, const char* display_name) {
    return format_text(out, size,
                       "This recording was made with MAME %s, which versions.ini does not list. Play it back with "
                       "\"%s\" anyway? It may not play back as it was recorded.",
                       recorded_version, display_name);
}
