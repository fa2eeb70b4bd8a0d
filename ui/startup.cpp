#include "ui/startup.h"

#include <commctrl.h>

#include "core/app_win.h"
#include "core/settings.h"
#include "core/single_instance_win.h"
#include "core/text.h"
#include "core/timing_win.h"
#include "ui/main_dialog.h"
#include "ui/resources/resource.h"

namespace {
const wchar_t READ_ONLY_FOLDER_TEXT[] =
    L"Vornix cannot save its settings or downloads in this folder, since Windows lets it create no file here:\n\n"
    L"%ls\n\nVornix runs, but the options you set are not kept, and downloaded recordings cannot be played back. "
    L"Copy the Vornix folder to one of your own, such as Documents\\Vornix, and start Vornix there.";
}  // namespace

int run_vornix(HINSTANCE instance) {
    timing_mark("startup.begin");
    download_cancel = 0;
    InitCommonControls();
    app_instance = instance;
    remember_working_folder();
    if (!claim_working_folder()) return 0;
    if (!working_folder_takes_files()) show_working_folder_message(READ_ONLY_FOLDER_TEXT, L"Read-only folder");
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
