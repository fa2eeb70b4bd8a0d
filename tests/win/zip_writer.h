#pragma once
// Makes small zip archives for the Windows-side tests: members stored
// without compression, which every zip reader accepts.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zip_writer {

inline std::uint32_t crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// `members` are (name, data) pairs, in directory order.
inline std::string stored_zip(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out, directory;
    for (const auto& [name, data] : members) {
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size()), crc = crc32(data);
        const auto size = static_cast<std::uint32_t>(data.size());
        auto common = [&](std::string& s) {
            put16(s, 20);  // version needed
            put16(s, 0);   // flags
            put16(s, 0);   // stored
            put16(s, 0);   // time
            put16(s, 0x21);  // date: 1980-01-01
            put32(s, crc);
            put32(s, size);
            put32(s, size);
            put16(s, static_cast<unsigned>(name.size()));
            put16(s, 0);  // extra
        };
        put32(out, 0x04034b50);
        common(out);
        out += name + data;
        put32(directory, 0x02014b50);
        put16(directory, 20);  // version made by
        common(directory);
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += name;
    }
    const auto directory_at = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<unsigned>(members.size()));
    put16(out, static_cast<unsigned>(members.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, directory_at);
    put16(out, 0);
    return out;
}

}  // namespace zip_writer
