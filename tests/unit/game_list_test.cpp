// Reading MAME's game list into the game table, and finding games in it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mame/game_list.h"

namespace {

struct Game {
    std::string name, description;
    bool operator==(const Game& o) const { return name == o.name && description == o.description; }
};
std::ostream& operator<<(std::ostream& os, const Game& g) { return os << "{" << g.name << ", '" << g.description << "'}"; }

struct Load {
    int result;
    std::vector<Game> stored;       // slots 0 to count-1 of the table
    std::vector<std::string> listed;  // what the callback reported, in order
};

Load load(const std::string& text) {
    std::FILE* f = text.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    Load out;
    out.result = read_game_list(
        f, game_table,
        [](const GameEntry& g, void* listed) { static_cast<std::vector<std::string>*>(listed)->push_back(g.description); },
        &out.listed);
    std::fclose(f);
    const int count = out.result == GAME_LIST_FULL ? GAME_TABLE_SIZE : out.result;
    for (int i = 0; i < count; ++i) out.stored.push_back({game_table[i].short_name, game_table[i].description});
    return out;
}

std::string games(int from, int to) {
    std::string text = "Name:     Description:\n";
    for (int i = from; i < to; ++i) text += "g" + std::to_string(i) + "   \"Game " + std::to_string(i) + "\"\n";
    return text;
}

class GameList : public ::testing::Test {
protected:
    void SetUp() override { std::memset(game_table, 0, sizeof game_table); }
};

TEST_F(GameList, LinesOfEveryShape) {
    struct Case { const char* name; std::string text; std::vector<Game> expected; } cases[] = {
        {"a heading only", "Name:     Description:\n", {}},
        {"an empty file", "", {}},
        {"spaces inside the quotes are kept", "Name: Description:\npacman     \"  Pac-Man (Midway) \"\n",
         {{"pacman", "  Pac-Man (Midway) "}}},
        {"a quote straight after the name is part of the name", "pacman\"Pac-Man\"", {}},
        {"an empty description is skipped and the next line read", "dead  \"\"\npacman \"Pac-Man\"\n",
         {{"pacman", "Pac-Man"}}},
        {"no closing quote at the end of the file", "pacman \"Pac-Man\"\nmspacman \"Ms. Pac",
         {{"pacman", "Pac-Man"}, {"mspacman", "Ms. Pac"}}},
        {"a description runs over line ends", "a \"one\ntwo\"\nb \"B\"\n", {{"a", "one\ntwo"}, {"b", "B"}}},
        {"carriage returns and tabs are white space", "Name: Description:\r\n\tpacman\t\"Pac-Man\"\r\n\r\n",
         {{"pacman", "Pac-Man"}}},
        {"a heading is passed over word by word", "total of \"3\" games\ngalaga \"Galaga\"\n",
         {{"of", "3"}, {"galaga", "Galaga"}}},
        {"a name at the end of the file is no game", "pacman \"Pac-Man\"\nlonely", {{"pacman", "Pac-Man"}}},
        {"a lone quote at the end of the file", "pacman \"", {}},
        {"a nine-character name is taken", "abcdefghi \"Nine\"\n", {{"abcdefghi", "Nine"}}},
        {"a ten-character name is skipped, the next game taken", "abcdefghij \"Ten\"\nb \"B\"\n", {{"b", "B"}}},
    };
    for (const auto& c : cases) {
        std::memset(game_table, 0, sizeof game_table);
        const Load l = load(c.text);
        EXPECT_EQ(l.result, static_cast<int>(c.expected.size())) << c.name;
        EXPECT_EQ(l.stored, c.expected) << c.name;
        std::vector<std::string> descriptions;
        for (const auto& g : c.expected) descriptions.push_back(g.description);
        EXPECT_EQ(l.listed, descriptions) << c.name << ": one list line per stored game";
    }
}

TEST_F(GameList, LongDescriptionIsCutToItsField) {
    const Load l = load("big \"" + std::string(1000, 'd') + "\"\nnext \"N\"\n");
    ASSERT_EQ(l.result, 2);
    EXPECT_EQ(l.stored[0].description, std::string(249, 'd'));
    EXPECT_EQ(l.listed[0], std::string(249, 'd'));
    EXPECT_EQ(l.stored[1], (Game{"next", "N"}));
}

TEST_F(GameList, TheTableHoldsAtMost5000Games) {
    struct Case { int games; int result; int listed; } cases[] = {{4999, 4999, 4999}, {5000, GAME_LIST_FULL, 5000},
                                                                  {5200, GAME_LIST_FULL, 5000}};
    for (const auto& c : cases) {
        const Load l = load(games(0, c.games));
        EXPECT_EQ(l.result, c.result) << c.games << " games";
        EXPECT_EQ(static_cast<int>(l.listed.size()), c.listed) << c.games << " games";
        EXPECT_STREQ(game_table[c.listed - 1].short_name, ("g" + std::to_string(c.listed - 1)).c_str())
            << c.games << " games: the last game stored";
    }
}

TEST_F(GameList, FindGameSearchesEverySlotButTheLast) {
    ASSERT_EQ(load(games(0, 3000)).result, 3000);
    ASSERT_EQ(load(games(5000, 7000)).result, 2000);
    struct Case { const char* name; const char* wanted; int index; } cases[] = {
        {"a game of the last load", "g5000", 0},
        {"a slot the shorter load left as it was", "g2500", 2500},
        {"case counts", "G5000", -1},
        {"a prefix is no match", "g500", -1},
        {"the empty text finds the first empty slot", "", 3000},
        {"an unknown name", "pacman", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(find_game(c.wanted), c.index) << c.name;

    std::strcpy(game_table[4999].short_name, "last");
    std::strcpy(game_table[4998].short_name, "lastbut1");
    EXPECT_EQ(find_game("last"), -1) << "slot 4999 is never searched";
    EXPECT_EQ(find_game("lastbut1"), 4998);
}

// The C library's formatted input is the reference for every shape of text:
// the reader must store exactly the games the pattern matches.
TEST_F(GameList, AgreesWithFormattedInputOnGeneratedText) {
    const char* const pieces[] = {"pac", "x", " ", "  ", "\t", "\n", "\r\n", "\"", "\"\"", "a b", "\v", "\f"};
    unsigned seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = 1 + round % 17;
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
        }
        std::vector<Game> expected;
        if (!text.empty()) {
            std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
            char name[4096], description[4096];
            int r;
            while ((r = std::fscanf(f, "%s\t\"%[^\"]\"\n", name, description)) != EOF)
                if (r == 2) expected.push_back({name, description});
            std::fclose(f);
        }
        bool fits = true;
        for (const auto& g : expected) fits &= g.name.size() <= 9 && g.description.size() <= 249;
        if (!fits) continue;
        std::memset(game_table, 0, sizeof game_table);
        EXPECT_EQ(load(text).stored, expected) << "text '" << text << "'";
    }
}

}  // namespace
