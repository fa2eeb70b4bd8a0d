#pragma once
#include <cstdio>
#include "core/unique_handle.h"

inline int close_file(std::FILE* f) { return std::fclose(f); }
using UniqueFile = UniqueHandle<std::FILE*, close_file>;

inline UniqueFile open_file(const char* path, const char* mode) {
    return UniqueFile(std::fopen(path, mode));
}
