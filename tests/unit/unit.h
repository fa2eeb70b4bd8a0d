#pragma once
// Shared by the unit tests: a scratch working directory for code that works
// on bare file names, whole-file reads and writes, and a text as a stream.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

struct ScratchDir {
    std::filesystem::path old = std::filesystem::current_path(), path;
    ScratchDir() {
        char pattern[] = "/tmp/vornix-test-XXXXXX";
        std::filesystem::current_path(path = mkdtemp(pattern));
    }
    ~ScratchDir() { std::filesystem::current_path(old), std::filesystem::remove_all(path); }
};

inline void write_file(const std::string& name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; }
inline std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
// fmemopen refuses an empty buffer.
inline std::FILE* text_stream(const std::string& text) {
    return text.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
}
