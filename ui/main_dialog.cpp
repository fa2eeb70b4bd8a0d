#include "ui/main_dialog.h"

#include "core/settings.h"
#include "core/versions_win.h"
#include "scores/high_scores_win.h"
#include "scores/score_dialog_win.h"
#include "ui/resources/resource.h"

OPENFILENAMEA inp_file_dialog;

namespace {

BOOL on_init_dialog(HWND dialog) {
    score_list_window = GetDlgItem(dialog, IDC_SCORE_LIST);
    split_edit_window = GetDlgItem(dialog, IDC_SPLIT_EDIT);
    load_versions(GetDlgItem(dialog, IDC_VERSION_LIST));
    SendDlgItemMessageA(dialog, IDC_VERSION_LIST, CB_SETCURSEL, 0, 0);
    return TRUE;
}

void on_close(HWND dialog) {
    save_settings();
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            break;
        case IDC_SCORE_LIST:
            if (HIWORD(wparam) == LBN_DBLCLK) {
                on_open_score(dialog);
                return TRUE;
            }
            break;
        case IDC_GET_SCORES:
            on_get_high_scores(dialog);
            break;
        }
        return FALSE;
    case WM_CLOSE:
        on_close(dialog);
        return FALSE;
    }
    return FALSE;
}
