#include "ui/startup.h"

#include <commctrl.h>

#include "core/app_win.h"
#include "core/settings.h"
#include "core/single_instance_win.h"
#include "core/text.h"
#include "core/timing_win.h"
#include "ui/main_dialog.h"
#include "ui/resources/resource.h"

int run_vornix(HINSTANCE instance) {
    timing_mark("startup.begin");
    download_cancel = 0;
    InitCommonControls();
    app_instance = instance;
    remember_working_folder();
    if (!claim_working_folder()) return 0;
    set_default_settings();
    load_settings();

    const INT_PTR result = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_MAIN), GetDesktopWindow(),
                                           main_dialog_proc, 0);
    if (result == 0) return 0;
    char message[64];
    format_text(message, sizeof message, "Cannot create main dialog box [%i]", static_cast<int>(result));
    MessageBoxA(nullptr, message, "Fatal Error", MB_OK);
    return -1;
}
