#pragma once
// Bounded text helpers: every write into a fixed buffer goes through these or
// snprintf, so no input can run past a buffer. Each reports whether the whole
// text fitted; on a cut the buffer still ends with a NUL.
#include <cstddef>

bool copy_text(char* dst, std::size_t size, const char* src);
bool copy_text_n(char* dst, std::size_t size, const char* src, std::size_t count);
bool append_text(char* dst, std::size_t size, const char* src);
bool format_text(char* dst, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

template <std::size_t N> bool copy_text(char (&dst)[N], const char* src) { return copy_text(dst, N, src); }
template <std::size_t N> bool append_text(char (&dst)[N], const char* src) { return append_text(dst, N, src); }
