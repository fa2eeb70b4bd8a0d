#include "ui/wait_dialog.h"

INT_PTR CALLBACK wait_dialog_proc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
