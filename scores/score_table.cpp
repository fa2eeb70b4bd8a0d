#include "scores/score_table.h"

ScoreRecord score_table[SCORE_TABLE_SIZE];
