#include "scores/score_dialog_win.h"

#include <cstdio>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "core/app_win.h"
#include "core/file.h"
#include "core/text.h"
#include "core/versions.h"
#include "core/win_handle.h"
#include "download/download_win.h"
#include "download/extract.h"
#include "mame/game_list.h"
#include "mame/runner_win.h"
#include "scores/score_properties.h"
#include "scores/score_table.h"
#include "ui/resources/resource.h"

int shown_score_index = 0;

namespace {

// The bold font of the score; one dialog is open at a time, and the font is
// deleted when it closes.
UniqueFont score_font;

void show_line(HWND dialog, int id, const char* format, ...) __attribute__((format(printf, 3, 4)));
void show_line(HWND dialog, int id, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SetDlgItemTextA(dialog, id, text);
}

void cannot_play(const char* text) { MessageBoxA(nullptr, text, "Can't playback", MB_OK); }

BOOL on_init_dialog(HWND dialog, LPARAM score_index) {
    shown_score_index = static_cast<int>(score_index);
    const ScoreRecord& r = score_table[shown_score_index];

    HWND score_control = GetDlgItem(dialog, IDC_SCORE_VALUE);
    HDC dc = GetDC(score_control);
    const int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(score_control, dc);
    score_font.reset(CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr));
    SendMessageA(score_control, WM_SETFONT, reinterpret_cast<WPARAM>(score_font.get()), FALSE);

    SetDlgItemInt(dialog, IDC_SCORE_VALUE, static_cast<UINT>(truncate_to_int(r.score)), FALSE);
    SetDlgItemTextA(dialog, IDC_SCORE_GAME, r.game_name);
    show_line(dialog, IDC_SCORE_PLAYER, "Recorded by %s", r.player);
    SetDlgItemTextA(dialog, IDC_SCORE_DESCRIPTION, r.description);
    show_line(dialog, IDC_SCORE_VERSION, "MAME version used: %s", r.mame_version);
    show_line(dialog, IDC_SCORE_POSITION, "Position: %i", static_cast<int>(r.position));
    show_line(dialog, IDC_SCORE_POINTS, "Leaderboard points: %i", truncate_to_int(r.points));

    char uploaded[64];
    const std::time_t when = r.uploaded;
    format_upload_line(uploaded, sizeof uploaded, std::localtime(&when));
    SetDlgItemTextA(dialog, IDC_SCORE_UPLOADED, uploaded);
    SetDlgItemTextA(dialog, IDC_SCORE_CONFIRMED, r.confirmed == 1 ? "Score is confirmed." : "");
    return TRUE;
}

// Plays the extracted recording `name` (in the working directory) back with
// the version the score was made with. Returns once MAME has ended, or at
// once with a message when the recording cannot be played.
void play_extracted(HWND dialog, const char* name, const char* path) {
    unsigned char head[8] = {};
    std::size_t got = 0;
    if (UniqueFile f = open_file(path, "rb")) got = std::fread(head, 1, sizeof head, f.get());
    char game_name[9];
    if (!inp_game_name(head, got, game_name)) {
        char text[320];
        format_text(text, sizeof text, "The recording %s does not name its game", name);
        cannot_play(text);
        return;
    }

    // The name without its ".inp", which every extracted name ends with.
    char inp_name[256];
    copy_text(inp_name, name);
    const std::size_t length = std::strlen(inp_name);
    inp_name[length >= 4 ? length - 4 : 0] = '\0';

    const int game = find_game(game_name);
    if (game < 0) {
        char text[128];
        format_text(text, sizeof text, "The game '%s' of this recording is not in the game list", game_name);
        cannot_play(text);
        return;
    }
    HWND main_dialog = GetWindow(dialog, GW_OWNER);
    int version = find_version(score_table[shown_score_index].mame_version);
    if (version < 0) version = static_cast<int>(SendDlgItemMessageA(main_dialog, IDC_VERSION_LIST, CB_GETCURSEL, 0, 0));
    if (version < 0 || version >= mame_version_count) {
        cannot_play("No MAME version is selected in the main window");
        return;
    }

    ShowWindow(dialog, SW_HIDE);
    ShowWindow(main_dialog, SW_HIDE);
    run_inp(game, version, 0, ".", inp_name);
    ShowWindow(main_dialog, SW_SHOW);
    ShowWindow(dialog, SW_SHOW);
}

void on_download_and_playback(HWND dialog) {
    if (download_recording(dialog, shown_score_index) == DOWNLOAD_FAILED) return;
    const char* extracted = extract_recording(download_path);
    if (!extracted) {
        cannot_play("Could not extract INP from downloaded zipfile");
        return;
    }
    char name[256];
    if (!copy_text(name, extracted)) {
        // Too long to pass on: remove it again rather than leave it behind.
        char path[520];
        format_text(path, sizeof path, ".\\%s", extracted);
        DeleteFileA(path);
        cannot_play("Could not extract INP from downloaded zipfile");
        return;
    }
    format_text(member_name, sizeof member_name, ".\\%s", name);
    play_extracted(dialog, name, member_name);
    DeleteFileA(member_name);
}

INT_PTR CALLBACK score_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(dialog, lparam);
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) SendMessageA(dialog, WM_CLOSE, 0, 0);
        else if (LOWORD(wparam) == IDC_DOWNLOAD_PLAY) on_download_and_playback(dialog);
        return 0;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return 0;
    case WM_DESTROY:
        // The score control is gone with the dialog: its font can go too.
        score_font.reset();
        return 0;
    }
    return 0;
}

}  // namespace

void show_score_properties(HWND owner, int score_index) {
    DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_SCORE), owner, score_dialog_proc, score_index);
}

void on_open_score(HWND main_dialog) {
    const int row = static_cast<int>(SendDlgItemMessageA(main_dialog, IDC_SCORE_LIST, LB_GETCURSEL, 0, 0));
    // No row selected: there is nothing to show.
    if (row < 0 || row >= SCORE_TABLE_SIZE) return;
    show_score_properties(main_dialog, row);
}
