#include "download/download_win.h"

#include <process.h>
#include <wininet.h>

#include <atomic>
#include <cstring>

#include "core/app_win.h"
#include "core/http_win.h"
#include "core/text.h"
#include "core/timing_win.h"
#include "core/unique_handle.h"
#include "core/win_handle.h"
#include "download/extract.h"
#include "scores/score_server.h"
#include "scores/score_table.h"
#include "ui/resources/resource.h"

char download_path[512];
char download_name[54];
HANDLE download_thread = nullptr;

namespace {

// How long Cancel waits for the worker before ending it by force.
constexpr DWORD CANCEL_WAIT_MS = 5000;

// The worker writes the body to download_path + ".part" and puts it in place
// of download_path only once the whole body is there, so a failed or
// cancelled download never destroys the file the user had under that name.
char part_path[sizeof download_path + 5];

// The open part file. Whoever takes the handle out of this slot closes it:
// normally the worker; after the worker has been ended by force (stuck in a
// read that only the network timeout ends), the dialog, so that not even then
// is a part file left behind. A Win32 handle rather than a stream, because a
// stream's lock may die with the thread that held it.
std::atomic<HANDLE> part_file_slot{INVALID_HANDLE_VALUE};

// Closes the part file if this caller is the one to take it; returns false
// only when a close failed.
bool close_part_file() {
    const HANDLE h = part_file_slot.exchange(INVALID_HANDLE_VALUE);
    return h == INVALID_HANDLE_VALUE || CloseHandle(h);
}

// The worker's owner of the part file: removed unless kept.
class PartFile {
public:
    PartFile() = default;
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    ~PartFile() { discard(); }

    bool create() {
        // A name Windows takes for a device ("nul.zip", typed by the user)
        // would send the recording to the bit bucket or a serial port.
        if (is_device_name(member_base_name(download_path))) return false;
        const HANDLE h = CreateFileA(part_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        part_file_slot = h;
        created_ = true;
        return true;
    }
    bool write(const void* data, DWORD size) {
        if (size == 0) return true;
        DWORD written = 0;
        return WriteFile(part_file_slot.load(), data, size, &written, nullptr) && written == size;
    }
    // Marks the file as one from the Internet, as browsers do: Windows then
    // warns before a program from inside the zip runs. Only where the volume
    // keeps named streams: elsewhere "NAME:Zone.Identifier" is refused, or
    // made a file of that name (as Wine does). The stream moves with the file.
    void mark_from_internet(const char* zone_identifier) {
        DWORD flags = 0;
        if (!GetVolumeInformationByHandleW(part_file_slot.load(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
            !(flags & FILE_NAMED_STREAMS))
            return;
        char stream[sizeof part_path + 16];
        if (!format_text(stream, sizeof stream, "%s:Zone.Identifier", part_path)) return;
        const UniqueWinHandle h =
            owned_file(CreateFileA(stream, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (h) WriteFile(h.get(), zone_identifier, static_cast<DWORD>(std::strlen(zone_identifier)), &written, nullptr);
    }
    bool close() { return close_part_file(); }
    // Puts the finished file in place of download_path.
    bool keep() {
        if (!close_part_file()) return false;
        if (!MoveFileExA(part_path, download_path, MOVEFILE_REPLACE_EXISTING)) return false;
        created_ = false;
        return true;
    }
    void discard() {
        close_part_file();
        if (created_) DeleteFileA(part_path);
        created_ = false;
    }

private:
    bool created_ = false;
};

// The dialog asked the worker to stop. The request is answered by stopping,
// so the worker clears it.
bool cancel_requested() {
    if (download_cancel.load() != 1) return false;
    download_cancel = 0;
    return true;
}

enum class Ending { complete, cancelled, failed };

// The progress line, renewed by the dialog's own thread: wParam is the chunk
// count, lParam the total (progress_total_kb).
constexpr UINT WM_DOWNLOAD_PROGRESS = WM_APP + 1;

// Renews the progress line for one more chunk without waiting for the
// dialog's thread to do it. Waiting after every 1 KB read made the line cost
// three times the transfer itself: of 1.3 s for 5 MB under Wine, 1.0 s went
// into SetDlgItemTextA's trips to the dialog's thread and back. A sent
// notification keeps its place among the messages this thread sends, so
// every line is still shown, in order, and before the worker's own
// "Download complete." or failure message.
void show_progress(HWND dialog, const DownloadProgress& progress) {
    SendNotifyMessageA(dialog, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(progress.chunks),
                       static_cast<LPARAM>(progress_total_kb(progress)));
}

// Fetches "/inp/NAME" from the score server into the part file, renewing the
// progress line per chunk. The request is a plain GET made by connect, open
// and send, because only on those handles do the timeouts hold: opening the
// URL in one call waits for minutes on a server that says nothing. Every
// internet handle is closed by the time this returns.
Ending fetch_body(HWND dialog, const char* name, PartFile& part, DownloadError* error) {
    // A failure that follows a Cancel is the cancel, not a fault to report.
    const auto fail = [error](DownloadError e) {
        if (cancel_requested()) return Ending::cancelled;
        *error = e;
        return Ending::failed;
    };

    char path[256];
    if (!format_recording_path(path, sizeof path, name)) return fail(DownloadError::connect);
    HttpGet get;
    switch (http_get(score_server(), path, get)) {
    case HttpOpened::no_session:
        return fail(DownloadError::session);
    case HttpOpened::no_connection:
        return fail(DownloadError::connect);
    case HttpOpened::not_ok:
        // Anything but 200 is the server's page about a fault, whatever it
        // looks like, and never a recording.
        return fail(DownloadError::html);
    case HttpOpened::ok:
        break;
    }
    HINTERNET request = get.request.get();

    DownloadProgress progress;
    progress.length_known = http_content_length(request, &progress.content_length);

    if (!part.create()) return fail(DownloadError::create_file);
    unsigned char chunk[DOWNLOAD_CHUNK];
    for (;;) {
        if (cancel_requested()) return Ending::cancelled;
        // Before the first read too: a length announced beyond the limit is
        // refused before a byte is taken.
        if (download_over_limit(progress)) return fail(DownloadError::read);
        DWORD n = 0;
        if (!InternetReadFile(request, chunk, sizeof chunk, &n)) return fail(DownloadError::read);
        if (is_html_chunk(chunk, n, progress.chunks == 0)) return fail(DownloadError::html);
        if (!part.write(chunk, n)) return fail(DownloadError::write_file);
        count_chunk(progress, n);
        show_progress(dialog, progress);
        if (is_last_chunk(n)) break;
    }
    if (body_cut_short(progress)) return fail(DownloadError::read);
    char zone_identifier[sizeof path + 320];
    if (format_zone_identifier(zone_identifier, sizeof zone_identifier, score_server(), path))
        part.mark_from_internet(zone_identifier);
    return Ending::complete;
}

// What a complete body may replace: a file of the chosen name that is
// already there is the user's, perhaps a recording kept for years, and only a
// recording takes its place. An HTTP/1.0 body that ends early, a portal's
// page or a zip without an INP leave it as it is.
Ending put_in_place(PartFile& part, DownloadError* error) {
    if (!part.close()) {
        *error = DownloadError::write_file;
        return Ending::failed;
    }
    if (GetFileAttributesA(download_path) != INVALID_FILE_ATTRIBUTES && !zip_holds_recording(part_path)) {
        *error = DownloadError::not_replaced;
        return Ending::failed;
    }
    if (!part.keep()) {
        *error = DownloadError::create_file;
        return Ending::failed;
    }
    return Ending::complete;
}

// --- the dialog -------------------------------------------------------------

struct DialogState {
    bool cancelling;  // in Cancel's wait: further commands and closes are ignored
    bool closing;
};
DialogState dialog_state;

void prepare_save_request(HWND dialog) {
    ZeroMemory(&inp_file_dialog, sizeof inp_file_dialog);
    inp_file_dialog.lStructSize = INP_FILE_DIALOG_SIZE;
    inp_file_dialog.hwndOwner = dialog;
    inp_file_dialog.lpstrFilter = "Zipped MAME Input logs (*.zip)\0*.zip\0All files\0*.*\0";
    inp_file_dialog.nFilterIndex = 1;
    inp_file_dialog.lpstrTitle = "Save downloaded recording as...";
    inp_file_dialog.lpstrInitialDir = ".\\inp";
    inp_file_dialog.lpstrFile = download_path;
    inp_file_dialog.nMaxFile = sizeof download_path;
    // A file of the chosen name is replaced only when the user says so; a
    // name typed without ".zip" is used as typed.
    inp_file_dialog.Flags = OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
}

void end_download_dialog(HWND dialog, int result) {
    dialog_state.closing = true;
    if (download_thread) {
        CloseHandle(download_thread);
        download_thread = nullptr;
    }
    EndDialog(dialog, result);
}

void on_init_dialog(HWND dialog, int score_index) {
    dialog_state = {};
    prepare_save_request(dialog);
    // At most 49 characters of the name, terminated or not. The request and
    // the status line take it as the server gave it; the save-as request is
    // offered a plain file name in its own folder.
    char recording_name[sizeof ScoreRecord::recording_name];
    copy_text_n(recording_name, sizeof recording_name, score_table[score_index].recording_name,
                sizeof recording_name - 1);
    format_text(download_name, sizeof download_name, "%s.zip", recording_name);
    format_offered_zip_name(download_path, sizeof download_path, recording_name);
    const BOOL chosen = GetSaveFileNameA(&inp_file_dialog);
    restore_working_folder();
    if (chosen != TRUE) {
        end_download_dialog(dialog, DOWNLOAD_FAILED);
        return;
    }
    format_part_path(part_path, sizeof part_path, download_path);

    char status[sizeof download_name + 32];
    format_download_status(status, sizeof status, download_name);
    SetDlgItemTextA(dialog, IDC_DOWNLOAD_STATUS, status);
    download_cancel = 0;
    download_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, download_worker, download_name, 0, nullptr));
    if (!download_thread) end_download_dialog(dialog, DOWNLOAD_FAILED);
}

// Waits up to `ms` for the worker to end, handling this thread's messages
// meanwhile: the worker's control updates are carried out by this thread, so
// a wait that handled none would hold the worker at its next update.
bool wait_for_worker(DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    bool quit = false;
    WPARAM quit_code = 0;
    bool ended = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD woke =
            MsgWaitForMultipleObjects(1, &download_thread, FALSE, left, quit ? QS_SENDMESSAGE : QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (woke != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        if (quit) {
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Kept for the loop that owns it; until then only the
                // worker's sent messages are handled.
                quit = true;
                quit_code = msg.wParam;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
    return ended;
}

// The last resort for a worker that did not stop within the wait: stuck in
// a read that only the network timeout ends, or waiting on its failure
// message. Its internet handles are left to the process's end, since a dead
// thread may hold the internet library's locks; its part file is closed and
// removed here.
void end_worker_by_force() {
    TerminateThread(download_thread, DOWNLOAD_FAILED);
    WaitForSingleObject(download_thread, 1000);
    close_part_file();
    DeleteFileA(part_path);
    download_cancel = 0;
}

void on_cancel(HWND dialog) {
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    if (dialog_state.cancelling || dialog_state.closing) return;
    if (!IsWindowEnabled(cancel)) {
        // The worker disables Cancel when the zip is complete: Escape then
        // closes the dialog as Done does, with the zip kept.
        if (IsWindowEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_DONE))) SendMessageA(dialog, WM_CLOSE, 0, 0);
        return;
    }
    dialog_state.cancelling = true;
    EnableWindow(cancel, FALSE);
    download_cancel = 1;
    if (wait_for_worker(CANCEL_WAIT_MS)) {
        // The worker may have completed before it saw the request.
        DWORD code = DOWNLOAD_FAILED;
        GetExitCodeThread(download_thread, &code);
        end_download_dialog(dialog, code == 0 ? 0 : DOWNLOAD_FAILED);
        return;
    }
    end_worker_by_force();
    end_download_dialog(dialog, DOWNLOAD_FAILED);
}

void on_done(HWND dialog) {
    if (dialog_state.cancelling || dialog_state.closing) return;
    if (!IsWindowEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_DONE))) return;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
}

void on_close(HWND dialog) {
    if (dialog_state.cancelling || dialog_state.closing) return;
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(download_thread, &code);
    // A worker that has enabled Done may not have ended yet; its zip is in
    // place. Any other close request while the worker runs is a Cancel.
    if (code == STILL_ACTIVE && !IsWindowEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_DONE))) {
        on_cancel(dialog);
        return;
    }
    end_download_dialog(dialog, code == DOWNLOAD_FAILED ? DOWNLOAD_FAILED : 0);
}

INT_PTR CALLBACK download_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        on_init_dialog(dialog, static_cast<int>(lparam));
        return TRUE;
    case WM_COMMAND:
        // Escape arrives as IDCANCEL; every other command (IDOK from Enter
        // among them) is ignored.
        switch (LOWORD(wparam)) {
        case IDCANCEL:
            on_cancel(dialog);
            break;
        case IDC_DOWNLOAD_DONE:
            on_done(dialog);
            break;
        }
        return FALSE;
    case WM_CLOSE:
        on_close(dialog);
        return FALSE;
    case WM_DOWNLOAD_PROGRESS: {
        char line[64];
        format_progress_figures(line, sizeof line, static_cast<int>(wparam), static_cast<int>(lparam));
        SetDlgItemTextA(dialog, IDC_DOWNLOAD_PROGRESS, line);
        return TRUE;
    }
    }
    return FALSE;
}

}  // namespace

unsigned __stdcall download_worker(void* name) {
    timing_mark("download.start");
    const HWND dialog = inp_file_dialog.hwndOwner;
    DownloadError error = DownloadError::none;
    Ending ending;
    {
        PartFile part;
        ending = fetch_body(dialog, static_cast<const char*>(name), part, &error);
        if (ending == Ending::complete) ending = put_in_place(part, &error);
    }
    // The part file is gone and every handle closed before a message goes
    // up: a worker ended by force while its message is on screen leaves
    // nothing behind.
    if (ending == Ending::cancelled) return DOWNLOAD_FAILED;
    if (ending == Ending::failed) {
        DownloadMessage m = download_error_message(error);
        char text[sizeof download_path + 64];
        if (error == DownloadError::not_replaced && format_not_replaced_message(text, sizeof text, download_path))
            m.text = text;
        MessageBoxA(nullptr, m.text, m.caption, MB_OK);
        return DOWNLOAD_FAILED;
    }
    timing_mark("download.complete");
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    SetDlgItemTextA(dialog, IDC_DOWNLOAD_STATUS, "Download complete.");
    // Done last: it may close the dialog at once. It takes the focus from the
    // disabled Cancel, so Enter is Done for a user at the keyboard.
    const HWND done = GetDlgItem(dialog, IDC_DOWNLOAD_DONE);
    EnableWindow(done, TRUE);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(done), TRUE);
    MessageBeep(MB_OK);
    return 0;
}

int download_recording(HWND parent, int score_index) {
    if (score_index < 0 || score_index >= SCORE_TABLE_SIZE) return DOWNLOAD_FAILED;
    const INT_PTR result = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_DOWNLOAD), parent, download_dialog_proc,
                                           static_cast<LPARAM>(score_index));
    return result == 0 ? 0 : DOWNLOAD_FAILED;
}
