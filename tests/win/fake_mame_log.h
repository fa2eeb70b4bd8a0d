#pragma once
// What the stand-in MAME (tests/doubles/fake_mame.cpp) logged, one record per run.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "win/harness.h"

struct FakeMameRun {
    std::string command_line;                  // as GetCommandLineA gave it
    std::vector<std::string> words;            // the words after the program's name, as MAME parses them
    std::map<std::string, std::string> facts;  // recorded, playback_found, exit
    std::string fact(const std::string& key) const { return facts.count(key) ? facts.at(key) : ""; }
};

inline std::vector<FakeMameRun> read_fake_mame_log(const std::string& path) {
    std::vector<FakeMameRun> runs;
    std::istringstream in(harness::read_file(path));
    for (std::string line; std::getline(in, line);) {
        const std::size_t eq = line.find('=');
        if (line == "[run]") runs.emplace_back();
        if (runs.empty() || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "command_line") runs.back().command_line = value;
        else if (key == "word") runs.back().words.push_back(value);
        else runs.back().facts[key] = value;
    }
    return runs;
}
