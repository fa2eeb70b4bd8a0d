#pragma once
// Reads what the stand-in MAME (tests/doubles/fake_mame.cpp) logged: one
// record per run, in the order of the runs.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "win/harness.h"

struct FakeMameRun {
    std::string command_line;  // exactly as GetCommandLineA gave it
    std::string argv0, cwd;
    std::vector<std::string> words;  // the parsed words after argv[0]
    std::map<std::string, std::string> facts;  // recorded, playback_found, exit, error, ...

    std::string fact(const std::string& key) const {
        const auto it = facts.find(key);
        return it == facts.end() ? std::string() : it->second;
    }
};

inline std::vector<FakeMameRun> read_fake_mame_log(const std::string& path) {
    std::vector<FakeMameRun> runs;
    std::istringstream in(harness::read_file(path));
    std::string line;
    while (std::getline(in, line)) {
        if (line == "[run]") {
            runs.emplace_back();
            continue;
        }
        const std::size_t eq = line.find('=');
        if (runs.empty() || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        FakeMameRun& run = runs.back();
        if (key == "command_line") run.command_line = value;
        else if (key == "argv0") run.argv0 = value;
        else if (key == "cwd") run.cwd = value;
        else if (key == "word") run.words.push_back(value);
        else run.facts[key] = value;
    }
    return runs;
}
