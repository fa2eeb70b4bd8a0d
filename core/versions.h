#pragma once
// The installed MAME versions, read once at start from "versions.ini": four
// lines per entry (display name, executable, the score service's name for the
// version, and a fourth line that only keeps the rhythm).
#include <cstdio>

struct MameVersion {
    char display_name[204];
    char version_name[20];
    char executable[512];
};

inline constexpr int MAX_MAME_VERSIONS = 100;
inline constexpr const char* VERSIONS_FILE = "versions.ini";

// Said when versions.ini lists no version: nothing can be listed or run.
inline constexpr const char* NO_VERSION_CAPTION = "No MAME version";
inline constexpr const char* NO_VERSION_TEXT =
    "No MAME version is listed: add one to versions.ini and start Vornix again.";

extern MameVersion mame_versions[MAX_MAME_VERSIONS];
extern int mame_version_count;

// Called once per entry as it is taken, so the caller can list it at once.
using VersionTaken = void (*)(const MameVersion& version, void* context);

// Reads entries from `in` into mame_versions from mame_version_count on.
// Returns the number of entries taken.
int read_versions(std::FILE* in, VersionTaken on_taken, void* context);

// Index of the first version whose version_name equals `name` byte for byte,
// or -1.
int find_version(const char* name);
