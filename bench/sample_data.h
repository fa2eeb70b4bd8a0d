#pragma once
// The data the benchmarks feed the front end, made the same way on every run:
// a game list as MAME's -listfull writes it, and a score server's answer.
#include <cstdio>
#include <string>

namespace bench {

// The lines that follow MAME's heading: short names of 3 to 8 characters and
// descriptions of 8 to 60 (MAME's run from a few to about sixty), one game
// per CR LF line.
inline std::string game_list_text(int games) {
    static const char* const words[] = {"Super", "Pac", "Galaxy", "Fighter", "II", "(World)", "Turbo", "Street",
                                        "Donkey", "Kong", "(Japan, set 2)", "Racer", "Champion", "Edition",
                                        "Dragon", "Ninja", "Force", "Deluxe", "(bootleg)", "Zone"};
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    std::string out;
    for (int i = 0; i < games; ++i) {
        char name[16];
        const unsigned length = 3 + next(6);
        for (unsigned k = 0; k < length; ++k) name[k] = static_cast<char>('a' + next(26));
        // Unique whatever the letters: the last three characters number the game.
        std::snprintf(name + length - 3, 4, "%03d", i % 1000);
        std::string description;
        while (description.size() < 8 + next(50)) {
            if (!description.empty()) description += ' ';
            description += words[next(sizeof words / sizeof *words)];
        }
        if (description.size() > 60) description.resize(60);
        char line[128];
        std::snprintf(line, sizeof line, "%-9s \"%s\"\r\n", name, description.c_str());
        out += line;
    }
    return out;
}

// A score server's answer as large as one fetch reads (10240 bytes at most):
// the heading, then as many whole score lines as fit.
inline std::string score_answer_text() {
    std::string out = "ZEPH scores for pacman<P>\n";
    for (int i = 1;; ++i) {
        char line[512];
        std::snprintf(line, sizeof line,
                      "('%d','1','tg','0.78','%d','pacman-%d','fast','Player %d',\"Pac-Man (Midway)\",'%d','%.1f',"
                      "'Recorded on a cabinet; played back cleanly.')<P>\n",
                      3333360 - i * 1357, 1036454400 + i * 86400, i, i, i, 100.0 / i);
        if (out.size() + std::string(line).size() > 10240) break;
        out += line;
    }
    return out;
}

}  // namespace bench
