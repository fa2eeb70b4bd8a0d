#include "core/encoding.h"

#include <cstring>

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeMark[] = "\xFF\xFE";
constexpr char kUtf16BeMark[] = "\xFE\xFF";
constexpr unsigned long kReplacement = 0xFFFD;

bool begins_with(const unsigned char* bytes, std::size_t size, const char* mark) {
    const std::size_t n = std::strlen(mark);
    return size >= n && std::memcmp(bytes, mark, n) == 0;
}

// The code point of the well-formed sequence at `in`, and its length; 0 as
// the length when it is ill-formed there.
unsigned long decode_utf8(const unsigned char* in, std::size_t size, std::size_t* length) {
    *length = 0;
    const unsigned char b = in[0];
    if (b < 0x80) return *length = 1, b;
    std::size_t n;
    unsigned long c, least;
    if (b >= 0xC2 && b <= 0xDF) n = 2, c = b & 0x1F, least = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, c = b & 0x0F, least = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, c = b & 0x07, least = 0x10000;
    else return 0;
    if (size < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((in[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (in[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *length = n;
    return c;
}

std::size_t encode_utf8(unsigned long c, char* out) {
    if (c < 0x80) return out[0] = static_cast<char>(c), 1;
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

unsigned long unit_at(const unsigned char* in, bool big_endian) {
    return big_endian ? (in[0] << 8) | in[1] : (in[1] << 8) | in[0];
}

void put_unit(unsigned long unit, bool big_endian, unsigned char* out) {
    out[big_endian ? 0 : 1] = static_cast<unsigned char>(unit >> 8);
    out[big_endian ? 1 : 0] = static_cast<unsigned char>(unit & 0xFF);
}

}  // namespace

TextEncoding detect_encoding(const unsigned char* bytes, std::size_t size) {
    if (begins_with(bytes, size, kUtf8Mark)) return TextEncoding::utf8_mark;
    if (begins_with(bytes, size, kUtf16LeMark)) return TextEncoding::utf16le;
    if (begins_with(bytes, size, kUtf16BeMark)) return TextEncoding::utf16be;
    return is_utf8(bytes, size) ? TextEncoding::utf8 : TextEncoding::ansi;
}

const char* byte_order_mark(TextEncoding encoding, std::size_t* length) {
    const char* mark = encoding == TextEncoding::utf8_mark ? kUtf8Mark
                       : encoding == TextEncoding::utf16le ? kUtf16LeMark
                       : encoding == TextEncoding::utf16be ? kUtf16BeMark
                                                           : "";
    *length = std::strlen(mark);
    return mark;
}

bool is_utf8(const unsigned char* bytes, std::size_t size) {
    for (std::size_t at = 0, n; at < size; at += n) {
        decode_utf8(bytes + at, size - at, &n);
        if (n == 0) return false;
    }
    return true;
}

std::size_t utf16_to_utf8(const unsigned char* in, std::size_t length, bool big_endian, char* out,
                          std::size_t size) {
    std::size_t written = 0;
    for (std::size_t at = 0; at < length;) {
        unsigned long c = kReplacement;
        if (length - at < 2) {
            at = length;
        } else {
            const unsigned long unit = unit_at(in + at, big_endian);
            at += 2;
            if (unit < 0xD800 || unit > 0xDFFF) {
                c = unit;
            } else if (unit <= 0xDBFF && length - at >= 2) {
                const unsigned long low = unit_at(in + at, big_endian);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    at += 2;
                }
            }
        }
        char bytes[4];
        const std::size_t n = encode_utf8(c, bytes);
        if (size - written < n) break;
        std::memcpy(out + written, bytes, n);
        written += n;
    }
    return written;
}

std::size_t utf8_to_utf16(const char* in, std::size_t length, bool big_endian, unsigned char* out,
                          std::size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    std::size_t written = 0;
    for (std::size_t at = 0, n; at < length; at += n) {
        unsigned long c = decode_utf8(bytes + at, length - at, &n);
        if (n == 0) c = kReplacement, n = 1;
        if (size - written < (c >= 0x10000 ? 4u : 2u)) break;
        if (c >= 0x10000) {
            put_unit(0xD800 + ((c - 0x10000) >> 10), big_endian, out + written);
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
            written += 2;
        }
        put_unit(c, big_endian, out + written);
        written += 2;
    }
    return written;
}

std::size_t utf8_boundary(const char* text, std::size_t length) {
    // Back over continuation bytes to the lead byte of the last character;
    // keep that character only when all of it is there.
    std::size_t lead = length;
    while (lead > 0 && length - lead < 4 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead == 0) return length;
    const auto b = static_cast<unsigned char>(text[lead - 1]);
    const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return length - (lead - 1) >= need ? length : lead - 1;
}
