// The download dialog against the local score server: what the user sees
// chunk by chunk, every failure message, Cancel at each stage, and the file
// the user already had at the chosen path, which only a completed download
// may replace. Network waits are bounded at 1.5 s here.
#include <gtest/gtest.h>

#include <cstdio>

#include "win/download_driver.h"

using namespace harness;
using namespace download_driver;

namespace {

::testing::Environment* const kServer = ::testing::AddGlobalTestEnvironment(new Server("download_server", 1500));

const std::string kPrecious = "the zip the user already had";

Server& server() { return *Server::instance(); }

// Bytes that look like nothing in particular, and never like "<HTML>".
std::string body(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    if (size > 0) s[0] = 'P';
    return s;
}

// A fresh folder for one case, with the user's own file at the chosen path.
struct Place {
    std::string dir, chosen;
};
Place place(const std::string& name, const std::string& file = "rec.zip", bool existing = true) {
    Place p{fresh_dir("download_" + name), ""};
    p.chosen = join(p.dir, file);
    if (existing) write_file(p.chosen, kPrecious);
    return p;
}

void report_time(const char* what, ULONGLONG ms) { std::printf("[  timing  ] %s: %llu ms\n", what, ms); }

TEST(Download, CompletedDownloadsShowEveryChunkAndReplaceTheChosenFile) {
    struct Case {
        const char* name;
        std::size_t size;
        zeph::Fault fault;
        std::vector<std::string> progress;
        const char* file;
    };
    const std::vector<Case> cases = {
        {"empty", 0, zeph::Fault::none, {"Recieved: 1 kB / 1 kB"}, "rec.zip"},
        {"b1500", 1500, zeph::Fault::none, {"Recieved: 1 kB / 2 kB", "Recieved: 2 kB / 2 kB"}, "rec.zip"},
        {"b2048",
         2048,
         zeph::Fault::none,
         {"Recieved: 1 kB / 3 kB", "Recieved: 2 kB / 3 kB", "Recieved: 3 kB / 3 kB"},
         "rec.zip"},
        {"chunked", 1500, zeph::Fault::chunked, {"Recieved: 1 kB / 1 kB", "Recieved: 2 kB / 2 kB"}, "rec.zip"},
        {"typed_without_zip", 1500, zeph::Fault::none, {"Recieved: 1 kB / 2 kB", "Recieved: 2 kB / 2 kB"}, "rec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Place p = place(c.name, c.file);
        server().serve(c.name, body(c.size));
        server().zeph().set_fault(c.fault);
        bool cancel_enabled_when_done = true;
        const Seen seen = download(c.name, p.chosen, [&](Program&, HWND dialog, Seen&) {
            if (!wait_until([&] { return is_enabled(dialog, IDC_DOWNLOAD_DONE); }, 5000)) {
                ADD_FAILURE() << "Done was not enabled; status '" << item_text(dialog, IDC_DOWNLOAD_STATUS) << "'";
                return;
            }
            cancel_enabled_when_done = is_enabled(dialog, IDCANCEL);
            click(dialog, IDC_DOWNLOAD_DONE);  // at once
        });
        EXPECT_EQ(seen.result, 0);
        EXPECT_EQ(seen.progress, c.progress);
        EXPECT_EQ(seen.status, (std::vector<std::string>{"Downloading " + std::string(c.name) + ".zip...",
                                                         "Download complete."}));
        // The worker does not wait for each progress line, yet every one shows before the end.
        EXPECT_EQ(seen.last_text, "Download complete.") << "a progress line came after the end";
        EXPECT_FALSE(cancel_enabled_when_done) << "Cancel is disabled once the download is complete";
        EXPECT_EQ(seen.requests, std::vector<std::string>{"/inp/" + std::string(c.name) + ".zip"});
        EXPECT_EQ(list_dir(p.dir), std::vector<std::string>{c.file}) << "no part file is left";
        const std::string saved = read_file(p.chosen);
        EXPECT_TRUE(saved == body(c.size)) << "the chosen file holds " << saved.size() << " bytes"
                                           << (saved == kPrecious ? ", the user's old file" : "") << "; expected the "
                                           << c.size << "-byte body";
    }
    server().zeph().set_fault(zeph::Fault::none);
}

TEST(Download, FailuresShowTheirMessageAndKeepTheUsersFile) {
    const std::string html_page = "<HTML><HEAD><TITLE>Gone</TITLE></HEAD></HTML>";
    struct Case {
        const char* name;
        bool served;
        std::string body;
        zeph::Fault fault;
        int param;
        std::string message;
        std::vector<std::string> progress;
    };
    const std::string html = "Can't download: HTML received instead of zip - probable server error";
    const std::string read = "Can't download: Cannot retrieve data from URL";
    const std::vector<Case> cases = {
        {"html_first", true, html_page + body(3000), zeph::Fault::none, 0, html, {}},
        {"html_second", true, body(1024) + html_page, zeph::Fault::none, 0, html, {"Recieved: 1 kB / 2 kB"}},
        {"not_found", false, "", zeph::Fault::none, 0, html, {}},
        {"error_500_lower_case", true, body(3000), zeph::Fault::error_status, 0, html, {}},
        {"dropped", true, body(20000), zeph::Fault::drop_mid_body, 0, read, {}},
        {"short", true, body(5000), zeph::Fault::short_body, 3000, read, {}},
        {"headers_then_silence", true, body(5000), zeph::Fault::headers_then_stall, 0, read, {}},
        {"no_answer", true, body(5000), zeph::Fault::never_answer, 0, "Can't download: Cannot connect to ZEPH", {}},
        {"part_file_blocked", true, body(5000), zeph::Fault::none, 0, "Can't save recording: Cannot create file (disk full?)",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Place p = place(c.name);
        std::vector<std::string> left = {"rec.zip"};
        if (std::string(c.name) == "part_file_blocked") {
            // A folder where the part file would go: it cannot be created.
            CreateDirectoryA((p.chosen + ".part").c_str(), nullptr);
            left.push_back("rec.zip.part");
        }
        if (c.served) server().serve(c.name, c.body);
        server().zeph().set_fault(c.fault, c.param);
        bool waiting_for_cancel = false;
        const Seen seen = download(c.name, p.chosen, [&](Program& app, HWND dialog, Seen& s) {
            read_message(app, c.message.substr(0, c.message.find(':')), s);
            waiting_for_cancel = is_enabled(dialog, IDCANCEL) && !is_enabled(dialog, IDC_DOWNLOAD_DONE);
            press_cancel(dialog, s);
        });
        EXPECT_EQ(seen.result, DOWNLOAD_FAILED);
        EXPECT_EQ(seen.message, c.message);
        EXPECT_TRUE(waiting_for_cancel) << "after the message the dialog waits for Cancel";
        if (!c.progress.empty()) {
            EXPECT_EQ(seen.progress, c.progress);
        }
        EXPECT_LT(seen.cancel_ms, 1000u) << "the worker had ended: Cancel finds it so at once";
        EXPECT_EQ(list_dir(p.dir), left) << "nothing but what was there";
        EXPECT_EQ(read_file(p.chosen), kPrecious);
    }
    server().zeph().set_fault(zeph::Fault::none);
}

TEST(Download, CancelStopsTheTransferPromptly) {
    struct Case {
        const char* name;
        int drip_ms;
        const char* wait_for;  // progress reached before Cancel; null: at once
    };
    const Case cases[] = {
        {"cancel_at_start", 200, nullptr},
        {"cancel_mid_body", 50, "Recieved: 5 kB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Place p = place(c.name);
        server().serve(c.name, body(200 * 1024));
        server().zeph().set_fault(zeph::Fault::drip, c.drip_ms);
        const Seen seen = download(c.name, p.chosen, [&](Program&, HWND dialog, Seen& s) {
            if (c.wait_for) wait_progress(dialog, c.wait_for, 5000);
            press_cancel(dialog, s);
        });
        report_time(c.name, seen.cancel_ms);
        EXPECT_EQ(seen.result, DOWNLOAD_FAILED);
        EXPECT_LT(seen.cancel_ms, 1000u) << "from Cancel to the dialog's end";
        EXPECT_EQ(list_dir(p.dir), std::vector<std::string>{"rec.zip"}) << "no part file is left";
        EXPECT_EQ(read_file(p.chosen), kPrecious);
    }
    server().zeph().set_fault(zeph::Fault::none);
}

TEST(Download, EscapeAndCloseActAsCancelWhileOtherCommandsAreIgnored) {
    struct Case {
        const char* name;
        std::function<void(HWND)> stop;
    };
    const Case cases[] = {
        {"escape", [](HWND d) { PostMessageW(GetDlgItem(d, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close_request", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Place p = place(c.name);
        server().serve(c.name, body(200 * 1024));
        server().zeph().set_fault(zeph::Fault::drip, 50);
        bool still_running = false;
        const Seen seen = download(c.name, p.chosen, [&](Program&, HWND dialog, Seen& s) {
            wait_progress(dialog, "Recieved: 2 kB", 5000);
            post_command(dialog, IDOK);
            post_command(dialog, IDC_DOWNLOAD_DONE);  // disabled: no effect
            post_command(dialog, 4242);
            wait_progress(dialog, "Recieved: 6 kB", 5000);
            still_running = IsWindowVisible(dialog) && is_enabled(dialog, IDCANCEL);
            s.cancel_pressed_at = GetTickCount64();
            c.stop(dialog);
        });
        EXPECT_TRUE(still_running) << "IDOK, a disabled Done and an unknown command change nothing";
        EXPECT_EQ(seen.result, DOWNLOAD_FAILED);
        EXPECT_LT(seen.cancel_ms, 1000u);
        EXPECT_EQ(list_dir(p.dir), std::vector<std::string>{"rec.zip"});
        EXPECT_EQ(read_file(p.chosen), kPrecious);
    }
    server().zeph().set_fault(zeph::Fault::none);
}

TEST(Download, CancelWhileAFailureMessageIsUpEndsTheWorkerAfterFiveSeconds) {
    const Place p = place("cancel_under_message");
    const Seen seen = download("cancel_under_message", p.chosen, [&](Program& app, HWND dialog, Seen& s) {
        app.wait_message_box("Can't download", 5000, false);
        press_cancel(dialog, s);
    });
    report_time("cancel while a failure message is up", seen.cancel_ms);
    EXPECT_EQ(seen.result, DOWNLOAD_FAILED);
    EXPECT_GE(seen.cancel_ms, 4900u);
    EXPECT_LT(seen.cancel_ms, 6500u);
    Program self;
    self.watch_self();
    EXPECT_TRUE(wait_until([&] { return self.open_message_box().first.empty(); }, 2000))
        << "the message of the ended worker is gone";
    EXPECT_EQ(list_dir(p.dir), std::vector<std::string>{"rec.zip"});
    EXPECT_EQ(read_file(p.chosen), kPrecious);
}

TEST(Download, CancellingSaveAsMakesNoRequestAndNoFile) {
    const Place p = place("save_as_cancelled", "rec.zip", false);
    const Seen seen = download("save_as_cancelled", "", [](Program&, HWND, Seen&) {});
    EXPECT_EQ(seen.result, DOWNLOAD_FAILED);
    EXPECT_FALSE(seen.dialog_shown);
    EXPECT_TRUE(seen.requests.empty());
    EXPECT_TRUE(list_dir(p.dir).empty());
}

}  // namespace
