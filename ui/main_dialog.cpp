#include "ui/main_dialog.h"

#include "core/settings.h"
#include "core/versions_win.h"
#include "ui/resources/resource.h"

namespace {

BOOL on_init_dialog(HWND dialog) {
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
        if (LOWORD(wparam) == IDOK) SendMessageA(dialog, WM_CLOSE, 0, 0);
        return FALSE;
    case WM_CLOSE:
        on_close(dialog);
        return FALSE;
    }
    return FALSE;
}
