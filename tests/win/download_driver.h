#pragma once
// Drives the download dialog in this test's own process, as a user would:
// download_recording runs modally on the test's thread against the local
// score server, while a second thread answers the save-as dialog and then
// acts on the download dialog (Cancel, Done, keys, message boxes). Every
// text the dialog's status and progress lines are given is recorded, in
// order, by a hook on the dialog's thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/app_win.h"
#include "core/text.h"
#include "doubles/zeph_server.h"
#include "download/download_win.h"
#include "scores/score_table.h"
#include "ui/resources/resource.h"
#include "win/harness.h"

namespace download_driver {

// The file-name edit of the save-as dialog. Without OFN_EXPLORER Windows
// shows the old-style dialog, whose edit is edt1; Wine shows its Explorer-style
// dialog unless a hook or template is given, and there the edit sits inside
// the combo box cmb13.
constexpr int kOldStyleNameEdit = 0x480;
constexpr int kExplorerNameCombo = 0x47C;
constexpr int kScoreSlot = 7;

// What one download showed and how it ended.
struct Seen {
    int result = -1;
    std::vector<std::string> status, progress;  // every text set, in order
    std::string last_text;                      // the last text set on either line
    std::string message;                        // "caption: text" of the failure message read, if any
    bool dialog_shown = false;
    ULONGLONG cancel_pressed_at = 0;
    ULONGLONG cancel_ms = 0;  // from pressing Cancel to the end of download_recording
    std::vector<std::string> requests;
};

// The user's part once the download dialog is up; runs on the second thread.
using Act = std::function<void(harness::Program& app, HWND dialog, Seen& seen)>;

inline Seen*& recorder() {
    static Seen* seen = nullptr;
    return seen;
}

inline bool is_download_dialog(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    return wcscmp(cls, L"#32770") == 0 && GetDlgItem(w, IDC_DOWNLOAD_PROGRESS) && GetDlgItem(w, IDC_DOWNLOAD_DONE) &&
           !GetDlgItem(w, kOldStyleNameEdit) && !GetDlgItem(w, kExplorerNameCombo);
}

// After each WM_SETTEXT on this thread: keeps the new text of lines 1040 and 1042.
inline LRESULT CALLBACK record_text(int code, WPARAM wparam, LPARAM lparam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && recorder() && is_download_dialog(GetParent(call->hwnd))) {
        char text[256] = {};
        GetWindowTextA(call->hwnd, text, sizeof text);
        const int id = GetDlgCtrlID(call->hwnd);
        if (id == IDC_DOWNLOAD_STATUS) recorder()->status.push_back(text);
        if (id == IDC_DOWNLOAD_PROGRESS) recorder()->progress.push_back(text);
        if (id == IDC_DOWNLOAD_STATUS || id == IDC_DOWNLOAD_PROGRESS) recorder()->last_text = text;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

inline HWND find_download_dialog(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND w, LPARAM out) {
            if (!IsWindowVisible(w) || !is_download_dialog(w)) return TRUE;
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The local server, shared by every test of the executable. It must be up
// before the program first asks for its score server, which it does once.
class Server : public ::testing::Environment {
public:
    Server(const char* root_name, unsigned timeout_ms) : root_name_(root_name), timeout_ms_(timeout_ms) {}
    void SetUp() override {
        root_ = harness::fresh_dir(root_name_);
        CreateDirectoryA(harness::join(root_, "inp").c_str(), nullptr);
        ASSERT_TRUE(server_.start(root_)) << "the local score server did not start";
        _putenv_s("VORNIX_SCORE_SERVER", server_.host().c_str());
        _putenv_s("VORNIX_NET_TIMEOUT_MS", std::to_string(timeout_ms_).c_str());
        app_instance = GetModuleHandleA(nullptr);
        instance() = this;
    }
    void TearDown() override { server_.stop(); }

    static Server*& instance() {
        static Server* server = nullptr;
        return server;
    }
    zeph::Server& zeph() { return server_; }
    // Serves `body` as /inp/NAME.zip.
    void serve(const std::string& name, const std::string& body) {
        harness::write_file(harness::join(harness::join(root_, "inp"), name + ".zip"), body);
    }

private:
    const char* root_name_;
    unsigned timeout_ms_;
    std::string root_;
    zeph::Server server_;
};

// Presses Cancel and notes when, for the measured time to the dialog's end.
inline void press_cancel(HWND dialog, Seen& seen) {
    seen.cancel_pressed_at = GetTickCount64();
    harness::click(dialog, IDCANCEL);
}

// Waits until the progress line begins with `prefix`.
inline bool wait_progress(HWND dialog, const std::string& prefix, int timeout_ms) {
    const bool seen = harness::wait_until(
        [&] { return harness::item_text(dialog, IDC_DOWNLOAD_PROGRESS).compare(0, prefix.size(), prefix) == 0; },
        timeout_ms);
    if (!seen)
        ADD_FAILURE() << "expected the progress line to reach '" << prefix << "' within " << timeout_ms
                      << " ms; it reads '" << harness::item_text(dialog, IDC_DOWNLOAD_PROGRESS) << "'";
    return seen;
}

// Reads and dismisses the failure message, as "caption: text".
inline void read_message(harness::Program& app, const std::string& caption, Seen& seen) {
    const std::string text = app.wait_message_box(caption, 8000);
    seen.message = caption + ": " + text;
}

// Runs download_recording for a score whose recording is `name`. The save-as
// dialog gets `chosen` (empty: it is cancelled); then `act` runs.
inline Seen download(const std::string& name, const std::string& chosen, const Act& act) {
    Seen seen;
    std::memset(&score_table[kScoreSlot], 0, sizeof score_table[kScoreSlot]);
    copy_text(score_table[kScoreSlot].recording_name, name.c_str());
    Server::instance()->zeph().clear_requests();
    recorder() = &seen;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, record_text, nullptr, GetCurrentThreadId());
    const DWORD dialog_thread = GetCurrentThreadId();
    std::atomic<bool> ended{false};

    std::thread user([&] {
        harness::Program app;
        app.watch_self();
        HWND save = app.wait_window("Save downloaded recording as...", 5000);
        if (save && chosen.empty()) {
            PostMessageW(save, WM_COMMAND, IDCANCEL, 0);
        } else if (save) {
            harness::type_file_name(save, chosen);
            PostMessageW(save, WM_COMMAND, IDOK, 0);
            HWND dialog = nullptr;
            harness::wait_until([&] { return ended || (dialog = find_download_dialog(dialog_thread)) != nullptr; }, 5000);
            if (dialog) {
                seen.dialog_shown = true;
                act(app, dialog, seen);
            }
        }
        // Whatever happened, the modal dialog must end, or the test would hang.
        for (int attempt = 0; attempt < 3 && !harness::wait_until([&] { return ended.load(); }, 6500); ++attempt) {
            HWND d = find_download_dialog(dialog_thread);
            ADD_FAILURE() << "the download dialog did not end; it reads '"
                          << (d ? harness::item_text(d, IDC_DOWNLOAD_STATUS) + "', '" +
                                      harness::item_text(d, IDC_DOWNLOAD_PROGRESS)
                                : std::string("(gone)"))
                          << "'; closing everything";
            if (HWND box = app.find_window("Can't download")) PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (HWND box = app.find_window("Can't save recording")) PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (HWND s = app.find_window("Save downloaded recording as...")) PostMessageW(s, WM_COMMAND, IDCANCEL, 0);
            if (d) {
                harness::click(d, IDCANCEL);
                harness::click(d, IDC_DOWNLOAD_DONE);
            }
        }
    });

    seen.result = download_recording(nullptr, kScoreSlot);
    const ULONGLONG returned_at = GetTickCount64();
    ended = true;
    user.join();
    UnhookWindowsHookEx(hook);
    recorder() = nullptr;
    if (seen.cancel_pressed_at) seen.cancel_ms = returned_at - seen.cancel_pressed_at;
    seen.requests = Server::instance()->zeph().requests();
    return seen;
}

}  // namespace download_driver
