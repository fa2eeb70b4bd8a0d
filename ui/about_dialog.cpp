#include "ui/about_dialog.h"

#include "core/text.h"
#include "core/win_handle.h"
#include "ui/resources/resource.h"
#include "version.h"  // generated from CMakeLists.txt

namespace {

constexpr const char* VERSION_TEXT = VORNIX_VERSION_TEXT;
constexpr const char* BUILD_DATE = VORNIX_BUILD_DATE;
constexpr COLORREF BACKGROUND = RGB(128, 128, 128);

// One brush paints the box and its texts for as long as the box is open;
// only one about box can be open, since it is modal to the main dialog.
UniqueBrush background_brush;

HBRUSH grey_brush() {
    if (!background_brush) {
        LOGBRUSH solid = {BS_SOLID, BACKGROUND, 0};
        background_brush.reset(CreateBrushIndirect(&solid));
    }
    return background_brush.get();
}

// The logo's static control loads its bitmap from the template. Windows
// deletes a bitmap loaded that way with the control, but Wine never does, so
// each opening would leave one bitmap behind. Once an image has been set with
// STM_SETIMAGE, both leave it to the program: setting the loaded bitmap again
// makes it ours everywhere, and it is deleted when the box closes.
UniqueBitmap logo_bitmap;

void own_logo(HWND box) {
    HWND logo = GetDlgItem(box, IDC_ABOUT_LOGO);
    const auto loaded = reinterpret_cast<HBITMAP>(SendMessageA(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!loaded) return;
    SendMessageA(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(loaded));
    logo_bitmap.reset(loaded);
}

}  // namespace

INT_PTR CALLBACK about_dialog_proc(HWND box, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        char title[64];
        format_text(title, sizeof title, "Vornix v%s [%s]", VERSION_TEXT, BUILD_DATE);
        SetDlgItemTextA(box, IDC_ABOUT_TITLE, title);
        own_logo(box);
        return FALSE;
    }
    case WM_COMMAND:
        // Escape arrives as IDCANCEL and is ignored: only "OK" closes.
        if (LOWORD(wparam) == IDOK) SendMessageA(box, WM_CLOSE, 0, 0);
        return FALSE;
    case WM_CLOSE:
        EndDialog(box, 0);
        return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wparam), BACKGROUND);
        return reinterpret_cast<INT_PTR>(grey_brush());
    case WM_DESTROY:
        // The last message that may paint has gone; the brush and the logo go
        // with the box.
        background_brush.close();
        logo_bitmap.close();
        return FALSE;
    }
    return FALSE;
}
