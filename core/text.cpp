#include "core/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool copy_text_n(char* dst, std::size_t size, const char* src, std::size_t count) {
    if (size == 0) return count == 0;
    std::size_t n = 0;
    while (n < count && src[n] != '\0') ++n;
    const bool fits = n < size;
    if (!fits) n = size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    return fits;
}

bool copy_text(char* dst, std::size_t size, const char* src) {
    return copy_text_n(dst, size, src, static_cast<std::size_t>(-1));
}

bool append_text(char* dst, std::size_t size, const char* src) {
    const std::size_t used = strnlen(dst, size);
    if (used >= size) return false;
    return copy_text(dst + used, size - used, src);
}

bool format_text(char* dst, std::size_t size, const char* format, ...) {
    if (size == 0) return false;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(dst, size, format, args);
    va_end(args);
    return n >= 0 && static_cast<std::size_t>(n) < size;
}
