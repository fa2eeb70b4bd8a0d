#pragma once
// Where "Record INP" leaves its recording, and the names under which an
// earlier recording is kept before MAME records over it. MAME writes a
// recording into its default input folder, inp below the folder it runs in
// (the working folder), as inp\<short name>.inp, and replaces a file of that
// name without a word.
#include <cstddef>

// Earlier recordings of one game are kept as inp\<short name>-1.inp up to
// this number; past it the user is asked to move some away.
inline constexpr int MAX_KEPT_RECORDINGS = 999;

// "inp\<short name>.inp".
bool format_record_path(char* out, std::size_t size, const char* short_name);

// The first "inp\<short name>-N.inp", N from 1 to MAX_KEPT_RECORDINGS, that
// `taken` does not report as an existing file or folder. Returns false when
// every one is taken or the name does not fit.
using NameTaken = bool (*)(const char* path, void* context);
bool find_kept_recording_name(char* out, std::size_t size, const char* short_name, NameTaken taken, void* context);

// The question asked before recording over `path`, offering to keep it as `kept`.
bool format_keep_question(char* out, std::size_t size, const char* path, const char* kept);
