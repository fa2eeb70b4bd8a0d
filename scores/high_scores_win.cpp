#include "scores/high_scores_win.h"

#include <process.h>
#include <wininet.h>

#include <cstdint>

#include "core/http_win.h"
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

void show_single_row(const char* text) {
    SendMessageA(score_list_window, LB_RESETCONTENT, 0, 0);
    SendMessageA(score_list_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void add_row(int, const char* row, void*) {
    SendMessageA(score_list_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
}

// Asks the score server for `path` and reads the one block of the answer
// that the parse looks at. Returns the row to show on failure, or null. Every
// handle is closed on return, request first, before anything is parsed.
const char* request_scores(const char* path, char (&response)[SCORE_RESPONSE_SIZE], DWORD* received) {
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
    if (!InternetReadFile(get.request.get(), response, sizeof response, received)) return CANNOT_ACCESS;
    DWORD length = 0, size = sizeof length;
    const bool length_known = HttpQueryInfoA(get.request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                             &length, &size, nullptr) != FALSE;
    if (score_answer_cut_short(*received, length_known, length)) return CANNOT_ACCESS;
    return nullptr;
}

unsigned __stdcall fetch_thread_routine(void* game_index) {
    fetch_high_scores(static_cast<int>(reinterpret_cast<std::intptr_t>(game_index)));
    return 0;
}

bool fetch_running() {
    DWORD code = 0;
    return score_fetch_thread && GetExitCodeThread(score_fetch_thread, &code) && code == STILL_ACTIVE;
}

}  // namespace

void fetch_high_scores(int game_index) {
    if (!is_game_index(game_index)) return;

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
    if (const char* failure = request_scores(path, response, &received)) {
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
    // The handle of a finished fetch is no longer needed once a new one starts.
    const uintptr_t thread = _beginthreadex(nullptr, 0, fetch_thread_routine,
                                            reinterpret_cast<void*>(static_cast<std::intptr_t>(game_index)), 0, nullptr);
    if (thread) {
        if (score_fetch_thread) CloseHandle(score_fetch_thread);
        score_fetch_thread = reinterpret_cast<HANDLE>(thread);
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
