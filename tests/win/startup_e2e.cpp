// Start-up and exit of the real program: the settings file it reads and the
// one it leaves.
#include <gtest/gtest.h>

#include "win/harness.h"

using namespace harness;

namespace {

const std::string kDefaultImage(
    "\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00",
    44);

// Starts the program in `dir`, closes its main window with WM_CLOSE and
// returns the exit code (or 999 when it did not end).
DWORD start_and_close(const std::string& dir) {
    Program app;
    if (!app.start(dir)) return 999;
    HWND main = app.wait_window("Vornix");
    if (!main) return 999;
    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 999;
    EXPECT_TRUE(app.wait_exit(10000, &code)) << "the program did not end after WM_CLOSE";
    return code;
}

TEST(Startup, FirstRunLeavesTheDefaultSettings) {
    const std::string dir = fresh_dir("first_run");
    EXPECT_EQ(start_and_close(dir), 0u);
    EXPECT_EQ(read_file(join(dir, "vornix.cfg")), kDefaultImage);
}

TEST(Startup, StoredSettingsAreWrittenBackUnchanged) {
    const std::string dir = fresh_dir("stored_settings");
    // Every field off its default, gap bytes and `reserved` set too. The
    // sample rate and frame-skip level are copied back from their controls on
    // exit, so they hold values those controls can show (2 and 7).
    std::string image(44, '\0');
    for (int i = 0; i < 44; ++i) image[static_cast<std::size_t>(i)] = static_cast<char>(0x10 + i);
    image.replace(4, 2, std::string("\x02\x00", 2));
    image.replace(20, 2, std::string("\x07\x00", 2));
    write_file(join(dir, "vornix.cfg"), image);
    EXPECT_EQ(start_and_close(dir), 0u);
    EXPECT_EQ(read_file(join(dir, "vornix.cfg")), image);
}

TEST(Startup, VersionsAreListedInFileOrder) {
    const std::string dir = fresh_dir("versions_listed");
    write_file(join(dir, "versions.ini"), "MAME 0.36\nmame036.exe\n0.36\nWin32\n\n  MAME 0.78\r\nmame078.exe\n0.78\nx\n");
    Program app;
    ASSERT_TRUE(app.start(dir));
    HWND main = app.wait_window("Vornix");
    ASSERT_TRUE(main);
    EXPECT_EQ(combo_items(main, 1004), (std::vector<std::string>{"MAME 0.36", "MAME 0.78"}));
    EXPECT_EQ(combo_selection(main, 1004), 0);
    click(main, IDOK);
    DWORD code = 999;
    EXPECT_TRUE(app.wait_exit(10000, &code));
    EXPECT_EQ(code, 0u);
}

}  // namespace
