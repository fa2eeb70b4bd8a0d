#include <gtest/gtest.h>

#include <cstring>

#include "core/settings.h"
#include "scratch_dir.h"

namespace {

const std::string kDefaultImage(
    "\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00",
    44);

std::string patterned(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(0xA0 + i);
    return s;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&settings, 0x5A, sizeof settings);  // no stale values may pass for defaults
        set_default_settings();
        std::memset(settings.gap_6, 0, 2);
        std::memset(settings.gap_22, 0, 2);
    }
    ScratchDir dir;
};

TEST_F(SettingsFile, DefaultsAreWrittenAsTheDocumentedBytes) {
    load_settings();  // no file: defaults stand
    save_settings();
    EXPECT_EQ(ScratchDir::read("vornix.cfg"), kDefaultImage);
}

TEST_F(SettingsFile, RoundTripKeepsGapBytesAndReserved) {
    const std::string image = patterned(44);
    ScratchDir::write("vornix.cfg", image);
    load_settings();
    EXPECT_EQ(settings.reserved, 0xBBBAB9B8u);
    EXPECT_EQ(settings.gap_6[0], 0xA6);
    save_settings();
    EXPECT_EQ(ScratchDir::read("vornix.cfg"), image);
}

TEST_F(SettingsFile, ShortFileReplacesOnlyItsLeadingBytes) {
    ScratchDir::write("vornix.cfg", patterned(10));
    load_settings();
    save_settings();
    std::string expected = kDefaultImage;
    expected.replace(0, 10, patterned(10));
    EXPECT_EQ(ScratchDir::read("vornix.cfg"), expected);
}

TEST_F(SettingsFile, LongFileContributesOnlyItsFirst44Bytes) {
    ScratchDir::write("vornix.cfg", patterned(100));
    load_settings();
    save_settings();
    EXPECT_EQ(ScratchDir::read("vornix.cfg"), patterned(44));
}

TEST(SettingsFlags, OnlyExactlyOneCountsAsOn) {
    struct Case { std::uint32_t stored; bool on; std::uint32_t toggled; } cases[] = {
        {0, false, 1}, {1, true, 0}, {2, false, 1}, {0xFFFFFFFF, false, 1}};
    for (const auto& c : cases) {
        std::uint32_t flag = c.stored;
        EXPECT_EQ(flag_on(flag), c.on) << "stored " << c.stored;
        toggle_flag(flag);
        EXPECT_EQ(flag, c.toggled) << "toggling " << c.stored;
    }
}

}  // namespace
