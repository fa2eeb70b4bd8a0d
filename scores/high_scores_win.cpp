#include "scores/high_scores_win.h"

#include <process.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>

#include "core/http_win.h"
#include "core/net.h"
#include "core/text.h"
#include "core/win_handle.h"
#include "mame/game_list.h"
#include "scores/score_query.h"
#include "scores/score_server.h"
#include "scores/score_table.h"
#include "ui/resources/resource.h"

HWND score_list_window = nullptr;
HWND split_edit_window = nullptr;
HANDLE score_fetch_thread = nullptr;

namespace {

constexpr const char* CANNOT_START_SESSION = "Cannot start internet session.";
constexpr const char* CANNOT_CONNECT = "Cannot connect to ZEPH.";
constexpr const char* CANNOT_ACCESS = "Cannot access data at this time.";

bool is_game_index(int index) { return index >= 0 && index < GAME_TABLE_SIZE; }

// A fetch that has not finished within fetch_deadline_ms() is given up: its
// deadline's timer shows "Cannot access data at this time." and a new press
// of "Get high scores" starts a new fetch. The old thread may still be held
// in a wait that nothing can end from outside (closing its handles does not,
// under Wine), so it is left to end by itself and must then write nothing.
// The fetch and its timer both try to take `list_owner`, the number of the
// fetch whose result the list may still show; only the one that gets it
// writes. Numbers are given on the main dialog's thread.
std::atomic<unsigned> list_owner{0};
std::atomic<unsigned> given_up_fetch{0};
unsigned started_fetch = 0;
HANDLE deadline_timer = nullptr;

bool take_list(unsigned fetch) { return list_owner.compare_exchange_strong(fetch, 0); }

void show_single_row(const char* text) {
    SendMessageA(score_list_window, LB_RESETCONTENT, 0, 0);
    SendMessageA(score_list_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void add_row(int, const char* row, void*) {
    SendMessageA(score_list_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
}

// Bounds the next wait of `request` by the network limit and by what is left
// until `deadline`; false when nothing is left.
bool bound_next_wait(HINTERNET request, ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD ms = net_timeout_ms();
    if (deadline - now < ms) ms = static_cast<DWORD>(deadline - now);
    InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
    return true;
}

// Asks the score server for `path` and reads the block of the answer that the
// parse looks at: its first SCORE_RESPONSE_SIZE bytes. Returns the row to show
// on failure, or null. Every handle is closed on return, request first, before
// anything is parsed.
const char* request_scores(const char* path, ULONGLONG deadline, char (&response)[SCORE_RESPONSE_SIZE],
                           DWORD* received) {
    HttpGet get;
    switch (http_get(score_server(), path, get)) {
    case HttpOpened::no_session:
        return CANNOT_START_SESSION;
    case HttpOpened::no_connection:
        return CANNOT_CONNECT;
    case HttpOpened::not_ok:
        // An error page is not a score table: its lines would all become
        // empty scores over the ones the user had.
        return CANNOT_ACCESS;
    case HttpOpened::ok:
        break;
    }
    // A read of the whole block waits until all of it is there, however slowly
    // it comes. So each read takes what has arrived, and its wait ends with
    // the fetch's time: the thread of a fetch given up ends then too.
    const HINTERNET request = get.request.get();
    *received = 0;
    while (*received < sizeof response) {
        DWORD available = 0, got = 0;
        if (!bound_next_wait(request, deadline) || !InternetQueryDataAvailable(request, &available, 0, 0))
            return CANNOT_ACCESS;
        const DWORD room = static_cast<DWORD>(sizeof response) - *received;
        if (available == 0) break;
        if (!InternetReadFile(request, response + *received, available < room ? available : room, &got))
            return CANNOT_ACCESS;
        if (got == 0) break;
        *received += got;
    }
    std::uint64_t length = 0;
    const bool length_known = http_content_length(request, &length);
    if (score_answer_cut_short(*received, length_known, length)) return CANNOT_ACCESS;
    return nullptr;
}

unsigned __stdcall fetch_thread_routine(void* game_index) {
    fetch_high_scores(static_cast<int>(reinterpret_cast<std::intptr_t>(game_index)));
    return 0;
}

void CALLBACK on_fetch_deadline(void* fetch, BOOLEAN) {
    const auto number = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(fetch));
    if (!take_list(number)) return;  // the fetch has shown its rows in time
    given_up_fetch = number;
    show_single_row(CANNOT_ACCESS);
}

// A fetch given up at its deadline counts as ended, whatever its thread does.
bool fetch_running() {
    DWORD code = 0;
    return score_fetch_thread && GetExitCodeThread(score_fetch_thread, &code) && code == STILL_ACTIVE &&
           given_up_fetch.load() != started_fetch;
}

// Sets the deadline's timer of the fetch just started. The timer of the fetch
// before goes: it has fired, or its fetch has ended.
void start_deadline() {
    if (deadline_timer) DeleteTimerQueueTimer(nullptr, deadline_timer, nullptr);
    deadline_timer = nullptr;
    CreateTimerQueueTimer(&deadline_timer, nullptr, on_fetch_deadline,
                          reinterpret_cast<void*>(static_cast<std::uintptr_t>(started_fetch)), fetch_deadline_ms(), 0,
                          WT_EXECUTEONLYONCE);
}

}  // namespace

void fetch_high_scores(int game_index) {
    const unsigned fetch = list_owner.load();
    const ULONGLONG deadline = GetTickCount64() + fetch_deadline_ms();
    if (!is_game_index(game_index)) {
        take_list(fetch);  // nothing to show, and nothing for the timer to show
        return;
    }

    // The game list keeps short names to 9 characters; taken with a bound
    // all the same, the name cannot run into the entry's description.
    char short_name[sizeof game_table[0].short_name];
    copy_text_n(short_name, sizeof short_name, game_table[game_index].short_name, sizeof short_name - 1);
    char split[SPLIT_TEXT_MAX + 1] = "";
    GetWindowTextA(split_edit_window, split, sizeof split);
    char path[128];
    build_score_path(path, sizeof path, short_name, split);

    char response[SCORE_RESPONSE_SIZE] = {};
    DWORD received = 0;
    const char* failure = request_scores(path, deadline, response, &received);
    if (!take_list(fetch)) return;  // given up: the row is there, and a newer fetch may be running
    if (failure) {
        show_single_row(failure);
        return;
    }
    SendMessageA(score_list_window, LB_RESETCONTENT, 0, 0);
    parse_score_response(response, received, score_table, SCORE_TABLE_SIZE, add_row, nullptr);
}

void on_get_high_scores(HWND main_dialog) {
    if (fetch_running()) {
        show_single_row("Patience, d00d...");
        return;
    }
    const int game_index = static_cast<int>(SendDlgItemMessageA(main_dialog, IDC_GAME_LIST, LB_GETCURSEL, 0, 0));
    // The new fetch's number, which it reads as it starts; 0 is no fetch's.
    const unsigned fetch = started_fetch + 1 == 0 ? 1 : started_fetch + 1;
    list_owner = fetch;
    // The handle of a finished fetch is no longer needed once a new one starts.
    const uintptr_t thread = _beginthreadex(nullptr, 0, fetch_thread_routine,
                                            reinterpret_cast<void*>(static_cast<std::intptr_t>(game_index)), 0, nullptr);
    if (thread) {
        if (score_fetch_thread) CloseHandle(score_fetch_thread);
        score_fetch_thread = reinterpret_cast<HANDLE>(thread);
        started_fetch = fetch;
        start_deadline();
    }

    // With no game selected nothing is fetched, and the label keeps naming
    // the game whose rows are still listed.
    const int selected = static_cast<int>(SendDlgItemMessageA(main_dialog, IDC_GAME_LIST, LB_GETCURSEL, 0, 0));
    if (!is_game_index(selected)) return;
    char label[512];
    format_text(label, sizeof label, "ZEPH High scores for '%.*s':",
                static_cast<int>(sizeof game_table[0].short_name - 1), game_table[selected].short_name);
    SetDlgItemTextA(main_dialog, IDC_SCORE_LABEL, label);
}
