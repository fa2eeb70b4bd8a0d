#pragma once
// How a text file that users write with Notepad is encoded, and the two
// Unicode forms that need no code page: UTF-8 and UTF-16. What depends on the
// user's ANSI code page is done by the Windows layer.
#include <cstddef>

// Notepad saves "UTF-8" without a mark since Windows 10 1903, and offers
// "UTF-8 with BOM", "Unicode" (UTF-16 little-endian with a mark) and
// "Unicode big endian"; older files are in the ANSI code page.
enum class TextEncoding : unsigned char { ansi, utf8, utf8_mark, utf16le, utf16be };

// The file's encoding: by its byte order mark; without one UTF-8 when every
// byte above 127 belongs to a well-formed UTF-8 sequence (a text in a
// Western code page almost never does), else the ANSI code page.
TextEncoding detect_encoding(const unsigned char* bytes, std::size_t size);

// The byte order mark that begins a file in `encoding` ("" for none).
const char* byte_order_mark(TextEncoding encoding, std::size_t* length);

// Whether the bytes are well-formed UTF-8: no overlong form, no surrogate,
// nothing above U+10FFFF, no sequence cut short.
bool is_utf8(const unsigned char* bytes, std::size_t size);

// UTF-16 (without its mark) as UTF-8; an unpaired surrogate or an odd last
// byte becomes U+FFFD. Writes at most `size` bytes, never cutting a
// character; returns the bytes written.
std::size_t utf16_to_utf8(const unsigned char* in, std::size_t length, bool big_endian, char* out,
                          std::size_t size);

// UTF-8 as UTF-16 (without a mark); an ill-formed byte becomes U+FFFD.
// Writes at most `size` bytes, never cutting a character; returns the bytes
// written.
std::size_t utf8_to_utf16(const char* in, std::size_t length, bool big_endian, unsigned char* out,
                          std::size_t size);

// The length of the longest start of `text` (at most `length` bytes) that
// ends on a character's boundary in UTF-8.
std::size_t utf8_boundary(const char* text, std::size_t length);
