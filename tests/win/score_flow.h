#pragma once
// What the score, download and repetition tests share: a working folder with
// two installed versions of the stand-in MAME, a local score server serving
// a folder of its own, the real program started there, and the steps a user
// takes from "Get high scores" to the download dialog.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "doubles/zeph_server.h"
#include "ui/resources/resource.h"
#include "win/fake_mame_log.h"
#include "win/harness.h"
#include "win/win_util.h"

namespace score_flow {

using namespace harness;
using Members = std::vector<std::pair<std::string, std::string>>;

// A zip of members stored without compression, which every reader accepts.
inline std::string stored_zip(const Members& members) {
    const auto le = [](std::uint64_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string out, directory;
    for (const auto& [name, data] : members) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (unsigned char c : data) {
            crc ^= c;
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        const std::size_t size = data.size();
        // version, flags, method, time, date (1980-01-01), crc, sizes, name length, extra length
        const std::string common = le(20, 2) + std::string(6, '\0') + le(0x21, 2) + le(~crc, 4) + le(size, 4) +
                                   le(size, 4) + le(name.size(), 2) + le(0, 2);
        // comment length, disk, attributes, then the local header's offset
        directory += le(0x02014b50, 4) + le(20, 2) + common + std::string(10, '\0') + le(out.size(), 4) + name;
        out += le(0x04034b50, 4) + common + name + data;
    }
    const std::size_t count = members.size();
    return out + directory + le(0x06054b50, 4) + le(0, 4) + le(count, 2) + le(count, 2) + le(directory.size(), 4) +
           le(out.size(), 4) + le(0, 2);
}

// An INP: its first 8 bytes name the game, NUL-padded.
// Inputs hold every byte value; a line feed among them must arrive unchanged.
inline std::string inp(const std::string& game) { return game + std::string(8 - game.size(), '\0') + "in\nputs"; }

// One line of a score table, uploaded at 12:00 UTC on Sunday 5 March 2023.
inline std::string score_line(const char* score, int confirmed, const char* version, const std::string& recording,
                              const char* player, int position, const char* points) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "('%s','%d','tg','%s','1678017600','%s','x','%s',\"Pac-Man (Midway)\",'%d','%s','Perfect.')<P>\n",
                  score, confirmed, version, recording.c_str(), player, position, points);
    return line;
}

// The working folder's name holds what Windows allows and a command
// interpreter would take for its own: downloads, extraction and playback
// happen there.
inline const std::string kWork = "work & R&D (x86) 100%!, ;=@'^";

class Flow : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        root_ = join(dir_, "server");
        work_ = join(dir_, kWork);
        for (const std::string& d : {std::string("server"), std::string("server\\scores"),
                                     std::string("server\\inp"), kWork, kWork + "\\inp"})
            CreateDirectoryA(join(dir_, d).c_str(), nullptr);
        // Two installed versions, told apart in MAME's log by their program's name.
        for (const char* exe : {"mame036.exe", "mame078.exe"})
            CopyFileA(build_file("fake_mame.exe").c_str(), join(work_, exe).c_str(), FALSE);
        write_file(join(work_, "versions.ini"), "MAME 0.36b\n" + join(work_, "mame036.exe") +
                                                    "\n0.36b\nWin32\nMAME 0.78\n" + join(work_, "mame078.exe") +
                                                    "\n0.78\nWin32\n");
        // pacman's description differs from the score server's name for it, so
        // the score properties show which of the two they took.
        write_file(join(dir_, "games.txt"), "pacman    \"Pac-Man (Namco)\"\r\ngalaga    \"Galaga\"\r\n");
        ASSERT_TRUE(server_.start(root_)) << "the local score server cannot listen";
    }

    void TearDown() override {
        if (!main_ || !app_.running()) return;
        if (HWND props = app_.find_window("Score Properties")) click(props, IDOK);
        wait_until([&] { return IsWindowEnabled(main_); }, 5000);
        PostMessageW(main_, WM_CLOSE, 0, 0);
        DWORD code = 999;
        EXPECT_TRUE(app_.wait_exit(10000, &code)) << "the program did not end";
        EXPECT_EQ(code, 0u);
    }

    // Written through \\?\, so that a file named after a device is a file.
    void serve(const std::string& file, const std::string& body) { write_file("\\\\?\\" + join(root_, file), body); }

    // Starts the program; network waits are cut to `net_timeout_ms`, and a
    // high-score fetch's time in all to `fetch_timeout_ms` when one is given.
    void start(int net_timeout_ms, int fetch_timeout_ms = 0) {
        Env env = {{"VORNIX_SCORE_SERVER", server_.host()},
                   {"VORNIX_NET_TIMEOUT_MS", std::to_string(net_timeout_ms)},
                   {"FAKE_MAME_LIST", join(dir_, "games.txt")},
                   {"FAKE_MAME_LOG", join(dir_, "mame.log")}};
        if (fetch_timeout_ms) env.push_back({"VORNIX_FETCH_TIMEOUT_MS", std::to_string(fetch_timeout_ms)});
        ASSERT_TRUE(app_.start(work_, env));
        ASSERT_TRUE(main_ = app_.wait_window("Vornix"));
        ASSERT_TRUE(wait_until([&] { return list_items(main_, IDC_GAME_LIST).size() == 2; }, 10000))
            << "the stand-in MAME's two games were not listed: " << list_items(main_, IDC_GAME_LIST).size()
            << " shown, status '" << item_text(main_, IDC_STATUS) << "', " << runs().size() << " runs of it logged"
            << (app_.running() ? "" : ", the program has ended");
    }

    // Lists pacman's scores, `rows` of them.
    void list_scores(std::size_t rows) {
        select_list_item(main_, IDC_GAME_LIST, 0);
        click(main_, IDC_GET_SCORES);
        ASSERT_TRUE(wait_until([&] { return list_items(main_, IDC_SCORE_LIST).size() == rows; }, 10000))
            << "expected " << rows << " score rows";
    }

    HWND open_score(int row) {
        double_click_list_item(main_, IDC_SCORE_LIST, row);
        return app_.wait_window("Score Properties", 5000);
    }

    // Presses "Download and playback" and answers the save-as dialog: `chosen`
    // typed, "" to accept what it offers (read into *offered), "-" to cancel.
    // The question before an existing file is replaced is answered Yes, or
    // left open when `replace` is false.
    HWND save_as(HWND props, const std::string& chosen, std::string* offered = nullptr, bool replace = true) {
        click(props, IDC_DOWNLOAD_PLAY);
        HWND save = app_.wait_window("Save downloaded recording as...", 5000);
        if (!save) return nullptr;
        if (offered) *offered = window_text(win_util::file_name_box(save));
        if (!chosen.empty()) type_file_name(save, chosen);
        const bool asks = !chosen.empty() && chosen != "-" && file_exists(chosen);
        PostMessageW(save, WM_COMMAND, chosen == "-" ? IDCANCEL : IDOK, 0);
        if (asks && replace) PostMessageW(replace_question(), WM_COMMAND, IDYES, 0);
        return save;
    }

    // The save-as dialog's question before it replaces a file: a message box
    // with its own caption.
    HWND replace_question() {
        HWND box = nullptr;
        const auto find = [&] {
            for (HWND w : win_util::top_level_windows(app_.pid()))
                if (IsWindowVisible(w) && GetDlgItem(w, IDNO)) box = w;
            return box != nullptr;
        };
        EXPECT_TRUE(wait_until(find, 5000)) << "no question before a file is replaced";
        return box;
    }

    HWND download_dialog() {
        HWND d = nullptr;
        wait_until([&] { return (d = app_.find_window_with_control(IDC_DOWNLOAD_DONE)) != nullptr; }, 5000);
        return d;
    }

    std::vector<FakeMameRun> runs() const { return read_fake_mame_log(join(dir_, "mame.log")); }

    std::string dir_, root_, work_;
    zeph::Server server_;
    Program app_;
    HWND main_ = nullptr;
};

}  // namespace score_flow
