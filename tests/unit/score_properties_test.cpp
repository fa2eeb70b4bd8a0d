#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "scores/score_properties.h"

namespace {

std::tm make_tm(int year, int mon, int mday, int hour, int min, int sec, int wday) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = mon;
    t.tm_mday = mday;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_wday = wday;
    return t;
}

TEST(UploadLine, UsesTheAsctimeLayoutWithATwoDigitDay) {
    struct Case { const char* name; std::tm t; const char* expected; } cases[] = {
        {"day below ten has a leading zero", make_tm(2023, 2, 5, 14, 3, 9, 0), "Uploaded on: Sun Mar 05 14:03:09 2023\n"},
        {"two-digit day", make_tm(2002, 10, 12, 0, 0, 0, 2), "Uploaded on: Tue Nov 12 00:00:00 2002\n"},
        {"last day of the year", make_tm(1999, 11, 31, 23, 59, 59, 5), "Uploaded on: Fri Dec 31 23:59:59 1999\n"},
    };
    for (const auto& c : cases) {
        char out[64];
        format_upload_line(out, sizeof out, &c.t);
        EXPECT_STREQ(out, c.expected) << c.name;
    }
}

TEST(UploadLine, TimeThatCouldNotBeConvertedReadsUnknown) {
    char out[64];
    format_upload_line(out, sizeof out, nullptr);
    EXPECT_STREQ(out, "Uploaded on: unknown");
    std::tm broken = make_tm(2000, 13, 1, 0, 0, 0, 9);  // out-of-range names must not be looked up
    format_upload_line(out, sizeof out, &broken);
    EXPECT_STREQ(out, "Uploaded on: unknown");
}

TEST(TruncateToInt, TruncatesTowardZeroAndNeverOverflows) {
    struct Case { double in; int out; } cases[] = {
        {12.9, 12}, {0.0, 0}, {-1.0, -1}, {-7.9, -7}, {1234567.0, 1234567},
        {1e300, INT_MAX}, {-1e300, INT_MIN}, {std::nan(""), 0}, {HUGE_VAL, INT_MAX}};
    for (const auto& c : cases) EXPECT_EQ(truncate_to_int(c.in), c.out) << "for " << c.in;
}

TEST(InpGameName, ReadsUpToTheFirstNulWithinEightBytes) {
    struct Case { const char* name; std::string head; bool ok; const char* game; } cases[] = {
        {"padded short name", std::string("pacman\0\0rest", 12), true, "pacman"},
        {"eight characters fill the head", "mspacmab" "XYZ", true, "mspacmab"},
        {"fewer than eight bytes", "pacm", false, ""},
        {"empty name", std::string(8, '\0'), false, ""},
    };
    for (const auto& c : cases) {
        char name[9];
        const bool ok = inp_game_name(reinterpret_cast<const unsigned char*>(c.head.data()), c.head.size(), name);
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_STREQ(name, c.game) << c.name;
    }
}

}  // namespace
