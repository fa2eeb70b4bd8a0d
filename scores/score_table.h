#pragma once
// The high scores of the last fetch. Row i of the main dialog's high-score
// list is slot i; there is no count.
#include <cstdint>

struct ScoreRecord {
    double score;
    std::int32_t confirmed;
    char field3[10];
    char mame_version[18];
    std::int32_t uploaded;
    char recording_name[50];
    char description[512];
    char field7[16];
    char player[64];
    char game_name[256];
    std::int16_t position;
    float points;
};

inline constexpr int SCORE_TABLE_SIZE = 100;

extern ScoreRecord score_table[SCORE_TABLE_SIZE];
