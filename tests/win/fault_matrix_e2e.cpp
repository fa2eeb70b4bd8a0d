// The fault matrix: the real program's high-score fetch and recording
// download against a score server that fails in each way a network can. For
// every fault and both requests the user must be told the stated row or
// message within the bound, the program must not crash or hang, the file the
// user chose must keep its old content with no part file beside it, and once
// the fault is gone a second fetch and a second download (with its playback)
// must work in the same run. Network waits are cut to 1.5 s here.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "doubles/zeph_server.h"
#include "ui/resources/resource.h"
#include "win/fake_mame_log.h"
#include "win/harness.h"
#include "win/zip_writer.h"

using namespace harness;

namespace {

constexpr int NET_TIMEOUT_MS = 1500;
// The longest a failure may take to be shown: the network limit, and time
// for Wine to start the thread and draw.
constexpr int BOUND_MS = NET_TIMEOUT_MS + 3000;

const char* const kGames = "pacman    \"Pac-Man (Midway)\"\r\n";
const std::string kTable =
    "ZEPH high scores for Pac-Man<P>\n"
    "('3333360','1','N','0.106','1098345600','rec','x','Chris Ayra',\"Pac-Man (Midway)\",'1','100.0','Perfect')<P>\n"
    "('921360','0','N','0.106','1110000000','rec','x','Bo',\"Pac-Man (Midway)\",'2','87.5','')<P>\n";
const std::vector<std::string> kRows = {"   3333360 - Chris Ayra", "    921360 - Bo"};
const std::string kPrecious = "the zip the user already had";
const std::string kCannotConnectRow = "Cannot connect to ZEPH.";
const std::string kCannotAccessRow = "Cannot access data at this time.";
const std::string kCannotConnect = "Can't download: Cannot connect to ZEPH";
const std::string kCannotRetrieve = "Can't download: Cannot retrieve data from URL";
const std::string kHtml = "Can't download: HTML received instead of zip - probable server error";

// A recording of pacman: the INP's head names the game.
std::string recording_zip(std::size_t inputs) {
    std::string inp = std::string("pacman") + std::string(2, '\0');
    for (std::size_t i = 0; i < inputs; ++i) inp += static_cast<char>((i * 7 + i / 251) & 0xFF);
    return zip_writer::stored_zip({{"pacman.inp", inp}});
}

enum class Where { live, nothing_listening, unresolvable };

struct Case {
    const char* name;
    Where where;
    zeph::Fault fault;
    int param;
    bool ten_megabytes;                // both answers 10 MB long
    std::vector<std::string> rows;     // what the fetch lists
    std::string message;               // "caption: text" of the download's message; empty: it completes
};

std::string joined(const std::vector<std::string>& rows) {
    std::string out;
    for (const auto& r : rows) out += (out.empty() ? "'" : ", '") + r + "'";
    return "{" + out + "}";
}

class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fresh_dir("fault_matrix");
        root_ = join(dir_, "server");
        work_ = join(dir_, "work");
        saved_ = join(work_, "saved");
        for (const std::string& d : {root_, join(root_, "scores"), join(root_, "inp"), work_, saved_})
            CreateDirectoryA(d.c_str(), nullptr);
        write_file(join(work_, "versions.ini"), "Fake MAME\n" + build_file("fake_mame.exe") + "\n0.106\nWin32\n");
        write_file(join(dir_, "games.txt"), kGames);
        normal_zip_ = recording_zip(20000);
        serve(false);
        ASSERT_TRUE(server_.start(root_));
        port_ = server_.port();
    }

    void serve(bool ten_megabytes) {
        // 10 MB: the table and then one line that never ends; a recording of
        // 10 MB of inputs.
        std::string table = kTable;
        if (ten_megabytes) table += std::string(10u << 20, 'x');
        write_file(join(join(root_, "scores"), "pacman.txt"), table);
        zip_ = ten_megabytes ? recording_zip(10u << 20) : normal_zip_;
        write_file(join(join(root_, "inp"), "rec.zip"), zip_);
    }

    void apply(const Case& c) {
        if (c.where == Where::nothing_listening) server_.stop();
        server_.set_fault(c.fault, c.param);
        if (c.ten_megabytes) serve(true);
    }
    void clear(const Case& c) {
        server_.set_fault(zeph::Fault::none);
        if (c.ten_megabytes) serve(false);
        if (c.where == Where::nothing_listening) ASSERT_TRUE(server_.start(root_, port_)) << "cannot listen again";
    }

    bool start(const Case& c) {
        const std::string host = c.where == Where::unresolvable ? "zeph.invalid" : server_.host();
        if (!app_->start(work_, {{"VORNIX_SCORE_SERVER", host},
                                {"VORNIX_NET_TIMEOUT_MS", std::to_string(NET_TIMEOUT_MS)},
                                {"FAKE_MAME_LIST", join(dir_, "games.txt")},
                                {"FAKE_MAME_LOG", join(dir_, "mame.log")}}))
            return false;
        main_ = app_->wait_window("Vornix");
        return main_ && wait_until([&] { return list_items(main_, IDC_GAME_LIST).size() == 1; }, 10000);
    }

    // Presses "Get high scores"; returns the milliseconds until the list shows
    // `expected`, or -1 (reported) when it does not within `bound_ms`.
    long fetch(const std::vector<std::string>& expected, int bound_ms, const char* what) {
        select_list_item(main_, IDC_GAME_LIST, 0);
        // The list is emptied first, so that rows equal to the last fetch's
        // are seen only once this fetch has written them.
        SendDlgItemMessageW(main_, IDC_SCORE_LIST, LB_RESETCONTENT, 0, 0);
        const ULONGLONG pressed = GetTickCount64();
        click(main_, IDC_GET_SCORES);
        std::vector<std::string> seen;
        if (wait_until([&] { return (seen = list_items(main_, IDC_SCORE_LIST)) == expected; }, bound_ms))
            return static_cast<long>(GetTickCount64() - pressed);
        ADD_FAILURE() << what << ": expected the rows " << joined(expected) << " within " << bound_ms << " ms; saw "
                      << joined(seen);
        return -1;
    }

    // "Download and playback", saved over the user's file saved\rec.zip. With
    // an `expected` message: returns the milliseconds until it showed, then
    // dismisses it and cancels. Without: presses Done, answers the command
    // line preview and waits for the playback to end.
    long download(HWND props, const std::string& expected, int bound_ms, const char* what) {
        click(props, IDC_DOWNLOAD_PLAY);
        HWND save = app_->wait_window("Save downloaded recording as...", 5000);
        if (!save) return -1;
        type_file_name(save, join(saved_, "rec.zip"));
        const ULONGLONG pressed = GetTickCount64();
        PostMessageW(save, WM_COMMAND, IDOK, 0);
        HWND dialog = nullptr;
        if (!wait_until([&] { return (dialog = app_->find_window_with_control(IDC_DOWNLOAD_DONE)) != nullptr; }, 5000)) {
            ADD_FAILURE() << what << ": the download dialog did not open";
            return -1;
        }
        long took = -1;
        if (!expected.empty()) {
            const std::string caption = expected.substr(0, expected.find(':'));
            const std::string text = app_->wait_message_box(caption, bound_ms);
            took = static_cast<long>(GetTickCount64() - pressed);
            EXPECT_EQ(caption + ": " + text, expected) << what;
            click(dialog, IDCANCEL);
            EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 2000)) << what << ": Cancel did not close the dialog";
        } else {
            if (!wait_until([&] { return is_enabled(dialog, IDC_DOWNLOAD_DONE); }, bound_ms)) {
                ADD_FAILURE() << what << ": the download did not complete within " << bound_ms << " ms; status '"
                              << item_text(dialog, IDC_DOWNLOAD_STATUS) << "', '"
                              << item_text(dialog, IDC_DOWNLOAD_PROGRESS) << "'";
                return -1;
            }
            took = static_cast<long>(GetTickCount64() - pressed);
            const std::size_t played = playbacks();
            click(dialog, IDC_DOWNLOAD_DONE);
            app_->wait_message_box("Commandline view", 5000);
            EXPECT_TRUE(wait_until([&] { return playbacks() == played + 1; }, 10000)) << what << ": no playback";
            EXPECT_TRUE(app_->wait_visible(props, true, 10000)) << what;
            EXPECT_TRUE(wait_until([&] { return !file_exists(join(work_, "pacman.inp")); }, 5000))
                << what << ": the extracted recording was not deleted";
        }
        EXPECT_TRUE(IsWindowVisible(props)) << what << ": the score properties stay open";
        return took;
    }

    std::size_t playbacks() const {
        std::size_t n = 0;
        for (const auto& run : read_fake_mame_log(join(dir_, "mame.log")))
            if (run.fact("playback_found") == "1") ++n;
        return n;
    }

    std::string dir_, root_, work_, saved_, zip_, normal_zip_;
    unsigned short port_ = 0;
    zeph::Server server_;
    std::unique_ptr<Program> app_;  // one run of the program per case
    HWND main_ = nullptr;
};

TEST_F(FaultMatrix, EachFaultIsReportedWithinItsBoundAndTheNextRequestWorks) {
    std::vector<std::string> ten_megabyte_rows = kRows;
    ten_megabyte_rows.push_back("           - ");  // the endless line, cut where the one read ends
    const Case cases[] = {
        {"nothing listening", Where::nothing_listening, zeph::Fault::none, 0, false, {kCannotConnectRow}, kCannotConnect},
        {"an unresolvable host", Where::unresolvable, zeph::Fault::none, 0, false, {kCannotConnectRow}, kCannotConnect},
        {"accepted, never answered", Where::live, zeph::Fault::never_answer, 0, false, {kCannotConnectRow},
         kCannotConnect},
        {"headers, then a stall", Where::live, zeph::Fault::headers_then_stall, 0, false, {kCannotAccessRow},
         kCannotRetrieve},
        {"reset in the middle of the body", Where::live, zeph::Fault::drop_mid_body, 0, false, {kCannotAccessRow},
         kCannotRetrieve},
        {"a body shorter than its Content-Length", Where::live, zeph::Fault::short_body, 3000, false,
         {kCannotAccessRow}, kCannotRetrieve},
        {"no Content-Length (chunked)", Where::live, zeph::Fault::chunked, 0, false, kRows, ""},
        {"an error status and an HTML page", Where::live, zeph::Fault::error_status, 0, false, {kCannotAccessRow},
         kHtml},
        {"a 10 MB body", Where::live, zeph::Fault::none, 0, true, ten_megabyte_rows, ""},
    };
    int passed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int parts_before = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        write_file(join(saved_, "rec.zip"), kPrecious);
        app_ = std::make_unique<Program>();
        ASSERT_TRUE(start(c)) << c.name << ": the program did not start";

        // The fetch under the fault, then without it.
        apply(c);
        const long fetch_ms = fetch(c.rows, BOUND_MS, c.name);
        clear(c);
        if (c.where == Where::unresolvable)
            fetch(c.rows, BOUND_MS, "a second fetch of an unresolvable host");
        else
            fetch(kRows, 5000, "the fetch after the fault");

        // The download under the fault, then without it.
        double_click_list_item(main_, IDC_SCORE_LIST, 0);
        HWND props = app_->wait_window("Score Properties", 5000);
        ASSERT_TRUE(props) << c.name;
        apply(c);
        const long download_ms = download(props, c.message, c.ten_megabytes ? 60000 : BOUND_MS, c.name);
        const std::string kept = read_file(join(saved_, "rec.zip"));
        if (c.message.empty()) {
            EXPECT_TRUE(kept == zip_) << c.name << ": the saved zip holds " << kept.size() << " bytes, not the "
                                      << zip_.size() << " served";
        } else {
            EXPECT_EQ(kept, kPrecious) << c.name << ": the user's file under the chosen name";
        }
        EXPECT_EQ(list_dir(saved_), std::vector<std::string>{"rec.zip"}) << c.name << ": a part file was left";
        clear(c);
        if (c.where != Where::unresolvable) {
            download(props, "", 10000, "the download after the fault");
            EXPECT_TRUE(read_file(join(saved_, "rec.zip")) == normal_zip_) << c.name << ": the second download";
        }

        EXPECT_TRUE(app_->running()) << c.name << ": the program ended";
        click(props, IDOK);
        app_->wait_visible(props, false, 5000);
        PostMessageW(main_, WM_CLOSE, 0, 0);
        DWORD code = 999;
        EXPECT_TRUE(app_->wait_exit(10000, &code)) << c.name << ": the program did not end";
        EXPECT_EQ(code, 0u) << c.name;
        std::printf("[  timing  ] %s: fetch %ld ms, download %ld ms\n", c.name, fetch_ms, download_ms);
        // A case passes when it added no failure.
        if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() == parts_before)
            ++passed;
    }
    std::printf("[  matrix  ] %d of %zu fault cases passed, each for the fetch and the download\n", passed,
                std::size(cases));
}

}  // namespace
