#include "scores/score_dialog_win.h"

#include <cstdio>
#include <cstdarg>
#include <ctime>

#include "core/app_win.h"
#include "core/text.h"
#include "core/win_handle.h"
#include "download/download_win.h"
#include "scores/recording_playback_win.h"
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

void on_download_and_playback(HWND dialog) {
    if (download_recording(dialog, shown_score_index) == DOWNLOAD_FAILED) return;
    // Taken once: a fetch started meanwhile may refill the table.
    char version[sizeof score_table[0].mame_version];
    copy_text(version, score_table[shown_score_index].mame_version);
    play_recording_zip(download_path, version, GetWindow(dialog, GW_OWNER), dialog);
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
