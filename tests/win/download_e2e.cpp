// The download dialog of the real program against a score server that fails
// in each way that matters: the message the user gets, the progress line,
// Cancel at its stages, and the user's own file under the chosen name, which
// only a completed download may replace and beside which no part file may
// stay. One score per case, each saved over the same file "rec", typed
// without ".zip" so that none may be added to it.
#include "win/score_flow.h"

using namespace score_flow;

namespace {

// Longer than Cancel's five-second wait: a stuck read is ended by force.
constexpr int NET_TIMEOUT_MS = 8000;
const std::string kPrecious = "the user's own zip";
const std::string kHtml = "Can't download: HTML received instead of zip - probable server error";
const std::string kRead = "Can't download: Cannot retrieve data from URL";

// Bytes that never begin with "<HTML>".
std::string bytes(std::size_t size) {
    std::string s(size, 'P');
    for (std::size_t i = 1; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

// A recording of pacman that is exactly 1500 bytes long.
std::string zip_of_1500_bytes() {
    const std::string zip = stored_zip({{"a.inp", inp("pacman")}});
    return stored_zip({{"a.inp", inp("pacman") + std::string(1500 - zip.size(), 'i')}});
}

TEST_F(Flow, DownloadFailuresAndCancelKeepTheUsersFile) {
    enum Act { done, enter_key, message_then_cancel, cancel_after, keep_on_question };
    enum Where { live, nothing_listening, part_blocked };
    const std::string saved = join(dir_, "saved"), chosen = join(saved, "rec");
    const std::string kKept = "Can't download: " + chosen + " was not replaced: the server sent no recording";
    struct Case {
        const char* name;
        std::string body;
        zeph::Fault fault;
        long long param;
        Where where;
        Act act;
        bool plays;                         // the dialog ends with the zip in place and the playback follows
        std::string message;                // "caption: text"
        std::vector<std::string> progress;  // every progress line seen, in order; {} not checked
        int min_ms, max_ms;                 // from Cancel to the dialog's end
    } cases[] = {
        {"Cancel of a worker stuck in a read", bytes(4096), zeph::Fault::drip, 20000, live, cancel_after, false, "",
         {"", "Recieved: 1 kB / 5 kB"}, 4900, 7000},
        // The worker, about to complete, waits for the dialog's thread to disable
        // Cancel: the dialog must go on serving it while it waits for the worker.
        {"Cancel just before the last piece", zip_of_1500_bytes(), zeph::Fault::drip, 1000, live, cancel_after, true,
         "", {}, 0, 2000},
        {"1500 bytes, Done at once", zip_of_1500_bytes(), zeph::Fault::drip, 300, live, done, true, "",
         {"", "Recieved: 1 kB / 2 kB", "Recieved: 2 kB / 2 kB"}, 0, 0},
        {"a complete download left with the Enter key", zip_of_1500_bytes(), zeph::Fault::none, 0, live, enter_key,
         true, "", {}, 0, 0},
        {"a status other than 200", bytes(3000), zeph::Fault::error_status, 0, live, message_then_cancel, false, kHtml,
         {""}, 0, 1000},
        {"a login portal's page", bytes(3000), zeph::Fault::captive, 0, live, message_then_cancel, false, kHtml, {""}, 0,
         1000},
        // A body without a length ends where the connection does: a whole zip is taken, half of one is not.
        {"half a zip, no Content-Length", zip_of_1500_bytes(), zeph::Fault::no_length, 700, live, message_then_cancel,
         false, kKept, {}, 0, 1000},
        {"a recording of 40 MiB, no Content-Length", zeph::zip_of_zeros("big.inp", inp("pacman"), 40 << 20),
         zeph::Fault::no_length, 0, live, done, true, "", {}, 0, 0},
        // Its size passes for 1 MiB when read as 32 bits.
        {"a zip bomb of 4 GiB", zeph::zip_of_zeros("bomb.inp", inp("pacman"), (4ull << 30) + (1 << 20)),
         zeph::Fault::none, 0, live, message_then_cancel, false, kKept, {}, 0, 1000},
        {"a Content-Length beyond 4 GiB", zip_of_1500_bytes(), zeph::Fault::short_body, 4ll << 30, live,
         message_then_cancel, false, kRead, {""}, 0, 1000},
        {"HTML in the second chunk", bytes(1024) + "<HTML><BODY>gone</BODY></HTML>", zeph::Fault::none, 0, live,
         message_then_cancel, false, kHtml, {"", "Recieved: 1 kB / 2 kB"}, 0, 1000},
        {"a body shorter than its Content-Length", bytes(5000), zeph::Fault::short_body, 3000, live,
         message_then_cancel, false, kRead, {}, 0, 1000},
        {"a connection reset mid-body", bytes(20000), zeph::Fault::drop_mid_body, 0, live, message_then_cancel, false,
         kRead, {}, 0, 1000},
        {"nothing listening", bytes(10), zeph::Fault::none, 0, nothing_listening, message_then_cancel, false,
         "Can't download: Cannot connect to ZEPH", {""}, 0, 1000},
        {"the part file cannot be created", bytes(10), zeph::Fault::none, 0, part_blocked, message_then_cancel, false,
         "Can't save recording: Cannot create file (disk full?)", {""}, 0, 1000},
        {"Cancel mid-body", bytes(200 * 1024), zeph::Fault::drip, 50, live, cancel_after, false, "", {}, 0, 1000},
        {"asked before replacing, the user keeps the file", bytes(10), zeph::Fault::none, 0, live, keep_on_question,
         false, "", {}, 0, 0},
    };
    std::string table = "ZEPH high scores<P>\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        table += score_line("5", 1, "0.78", "d" + std::to_string(i), "Ann", 1, "1");
        serve("inp\\d" + std::to_string(i) + ".zip", cases[i].body);
    }
    serve("scores\\pacman.txt", table);
    CreateDirectoryA(saved.c_str(), nullptr);
    start(NET_TIMEOUT_MS);
    list_scores(std::size(cases));
    const unsigned short port = server_.port();

    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.name);
        write_file(chosen, kPrecious);
        std::vector<std::string> left = {"rec"};
        if (c.where == part_blocked) {
            CreateDirectoryA((chosen + ".part").c_str(), nullptr);
            left.push_back("rec.part");
        }
        HWND props = open_score(row);
        ASSERT_TRUE(props);
        const std::size_t runs_before = runs().size();
        server_.clear_requests();
        server_.set_fault(c.fault, c.param);
        if (c.where == nothing_listening) server_.stop();
        ASSERT_TRUE(save_as(props, chosen, nullptr, c.act != keep_on_question));
        if (c.act == keep_on_question) {
            // No (Tab from the default Yes, Enter), then Escape leaves the save-as dialog.
            HWND question = replace_question();
            press_keys(question, {{VK_TAB}, {VK_RETURN}});
            ASSERT_TRUE(wait_until([&] { return !IsWindow(question); }, 5000)) << "the question stays";
            HWND save = app_.wait_window("Save downloaded recording as...", 5000);
            ASSERT_TRUE(save);
            press_keys(save, {{VK_ESCAPE}});
        }

        HWND dialog = c.act == keep_on_question ? nullptr : download_dialog();
        std::vector<std::string> progress = {""};  // the line starts empty
        const auto watch = [&] {  // notes each change of the progress line
            const std::string line = item_text(dialog, IDC_DOWNLOAD_PROGRESS);
            // Wine can hand another process a line half set ("R"): every whole one ends in "kB".
            if (!line.empty() && line.back() != 'B') return;
            if (progress.back() != line) progress.push_back(line);
        };
        ULONGLONG cancelled = 0;
        if (c.act == enter_key) {
            // Cancel, which had the focus, is off: Done takes it, and Enter is Done.
            ASSERT_TRUE(dialog);
            HWND done_button = GetDlgItem(dialog, IDC_DOWNLOAD_DONE);
            EXPECT_TRUE(wait_until([&] { return focused_control(dialog) == done_button; }, 10000))
                << "Done has no focus";
            press_keys(dialog, {{VK_RETURN}});
        } else if (c.act == done) {
            ASSERT_TRUE(dialog);
            ASSERT_TRUE(wait_until([&] { watch(); return is_enabled(dialog, IDC_DOWNLOAD_DONE); }, 10000));
            watch();
            EXPECT_FALSE(is_enabled(dialog, IDCANCEL)) << "Cancel once the download is complete";
            click(dialog, IDC_DOWNLOAD_DONE);
        } else if (c.act == message_then_cancel) {
            ASSERT_TRUE(dialog);
            const std::string caption = c.message.substr(0, c.message.find(':'));
            wait_until([&] { watch(); return !app_.open_message_box().first.empty(); }, NET_TIMEOUT_MS);
            EXPECT_EQ(caption + ": " + app_.wait_message_box(caption, 1000), c.message);
            watch();
            EXPECT_TRUE(is_enabled(dialog, IDCANCEL) && !is_enabled(dialog, IDC_DOWNLOAD_DONE)) << "waits for Cancel";
            cancelled = GetTickCount64();
            click(dialog, IDCANCEL);
        } else if (c.act == cancel_after) {
            ASSERT_TRUE(dialog);
            ASSERT_TRUE(wait_until([&] { watch(); return progress.size() > 1; }, 5000));
            post_command(dialog, IDOK);
            Sleep(100);
            EXPECT_TRUE(IsWindowVisible(dialog)) << "IDOK (Enter) is ignored";
            cancelled = GetTickCount64();
            click(dialog, IDCANCEL);
        }
        if (dialog) {
            EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 10000)) << "the dialog did not close";
            const ULONGLONG took = GetTickCount64() - cancelled;
            if (cancelled) {
                std::printf("[  timing  ] %s: Cancel took %llu ms\n", c.name, took);
                EXPECT_GE(took, static_cast<ULONGLONG>(c.min_ms));
                EXPECT_LE(took, static_cast<ULONGLONG>(c.max_ms));
            }
        }
        if (!c.progress.empty()) {
            EXPECT_EQ(progress, c.progress);
        }
        if (c.plays) {
            EXPECT_FALSE(app_.wait_message_box("Commandline view", 10000).empty()) << "no playback";
        }
        EXPECT_TRUE(app_.wait_visible(props, true, 10000));
        EXPECT_TRUE(wait_until([&] { return runs().size() == runs_before + (c.plays ? 1 : 0); }, 10000));
        const bool requested = c.act != keep_on_question && c.where != nothing_listening;
        EXPECT_EQ(server_.requests(), requested ? std::vector<std::string>{"/inp/d" + std::to_string(row) + ".zip"}
                                                : std::vector<std::string>{});
        EXPECT_EQ(list_dir(saved), left) << "a part file was left";
        EXPECT_TRUE(read_file(chosen) == (c.plays ? c.body : kPrecious)) << "the file under the chosen name";
        server_.set_fault(zeph::Fault::none);
        if (c.where == nothing_listening) {
            ASSERT_TRUE(server_.start(root_, port));
        }
        if (c.where == part_blocked) RemoveDirectoryA((chosen + ".part").c_str());
        click(props, IDOK);
        ASSERT_TRUE(app_.wait_visible(props, false, 5000));
    }
}

}  // namespace
