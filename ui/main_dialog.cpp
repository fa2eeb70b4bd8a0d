#include "ui/main_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "core/app_win.h"
#include "core/settings.h"
#include "core/single_instance_win.h"
#include "core/text.h"
#include "core/timing_win.h"
#include "core/versions.h"
#include "core/versions_win.h"
#include "core/win_handle.h"
#include "mame/command_line.h"
#include "mame/game_list.h"
#include "mame/game_list_win.h"
#include "mame/recording_names.h"
#include "mame/runner_win.h"
#include "scores/high_scores_win.h"
#include "scores/recording_playback_win.h"
#include "scores/score_dialog_win.h"
#include "ui/about_dialog.h"
#include "ui/resources/resource.h"
#include "ui/versions_dialog.h"
#include "ui/wait_dialog.h"

namespace {

// The high-score list's font, kept while the dialog lives.
UniqueFont score_list_font;

void set_status(HWND dialog, int total) {
    char text[512];
    format_text(text, sizeof text, "Total number of MAME drivers: %i", total);
    SetDlgItemTextA(dialog, IDC_STATUS, text);
}

void tick(HWND dialog, int id, bool ticked) {
    if (ticked) SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

int selected_game(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_GAME_LIST, LB_GETCURSEL, 0, 0));
}
int selected_version(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_VERSION_LIST, CB_GETCURSEL, 0, 0));
}

// The two options that live in their controls rather than in Settings until
// MAME starts or the program ends. Only the low 16 bits are kept, so an empty
// sample-rate selection is stored as -1 and MAME then gets no -sr switch.
void copy_rate_and_level(HWND dialog) {
    settings.sample_rate =
        static_cast<std::int16_t>(SendDlgItemMessageA(dialog, IDC_SAMPLE_RATE, CB_GETCURSEL, 0, 0) & 0xFFFF);
    settings.frameskip =
        static_cast<std::int16_t>(SendDlgItemMessageA(dialog, IDC_FRAMESKIP_SPIN, UDM_GETPOS, 0, 0) & 0xFFFF);
}

void create_score_list_font(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_SCORE_LIST);
    HDC dc = GetDC(list);
    const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(list, dc);
    score_list_font.reset(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH,
                                      "Courier New"));
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(score_list_font.get()), FALSE);
}

BOOL on_init_dialog(HWND dialog) {
    timing_mark("main_dialog.init");
    static const char* const sample_rates[] = {"11,025Hz", "22,050Hz", "44,100Hz"};
    for (const char* rate : sample_rates)
        SendDlgItemMessageA(dialog, IDC_SAMPLE_RATE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
    SendDlgItemMessageA(dialog, IDC_FRAMESKIP_SPIN, UDM_SETRANGE, 0, MAKELPARAM(11, 0));

    score_list_window = GetDlgItem(dialog, IDC_SCORE_LIST);
    split_edit_window = GetDlgItem(dialog, IDC_SPLIT_EDIT);

    // The "Disable ..." boxes are ticked only for 0: any other value of their
    // flag counts as off on the command line but leaves the box clear.
    tick(dialog, IDC_NO_HW_STRETCH, settings.hw_stretch == 0);
    tick(dialog, IDC_WINDOWED, flag_on(settings.windowed));
    tick(dialog, IDC_NO_SOUND, settings.sound == 0);
    tick(dialog, IDC_SORT_BY_DRIVER, flag_on(settings.sort_by_driver));
    tick(dialog, IDC_ASK_INP_NAME, flag_on(settings.ask_inp_filename));
    tick(dialog, IDC_USE_MOUSE, flag_on(settings.use_mouse));
    tick(dialog, IDC_USE_JOYSTICK, flag_on(settings.use_joystick));

    const int rate = settings.sample_rate;
    SendDlgItemMessageA(dialog, IDC_SAMPLE_RATE, CB_SETCURSEL, rate >= 0 && rate <= 2 ? rate : -1, 0);

    create_score_list_font(dialog);
    tick(dialog, IDC_AUTO_FRAMESKIP, flag_on(settings.auto_frameskip));
    SendDlgItemMessageA(dialog, IDC_FRAMESKIP_SPIN, UDM_SETPOS, 0,
                        MAKELPARAM(static_cast<std::uint16_t>(settings.frameskip), 0));

    load_versions(GetDlgItem(dialog, IDC_VERSION_LIST));
    // Always the first version: the version list has no selection yet. With
    // no version at all, version 0 is an empty record: nothing is asked, and
    // the user is told why the list is empty.
    set_status(dialog, load_game_list(GetDlgItem(dialog, IDC_GAME_LIST), 0));
    int answer = report_game_list_problem();
    // Lines of other versions that could not be used are said when nothing
    // else was.
    if (answer == 0) answer = report_unusable_lines();
    SendDlgItemMessageA(dialog, IDC_VERSION_LIST, CB_SETCURSEL, 0, 0);

    for (int id : {IDC_RECORD_INP, IDC_PLAYBACK_INP, IDC_PLAY_GAME, IDC_VERSION_LIST})
        EnableWindow(GetDlgItem(dialog, id), TRUE);
    // Opened once this window shows, over it.
    if (answer == IDYES) PostMessageA(dialog, WM_COMMAND, IDC_MAME_VERSIONS, 0);
    return TRUE;
}

// A run or a reload needs a line of each table; -1 would index outside them.
bool has_version(HWND dialog) {
    char text[512];
    if (!format_no_program(text, sizeof text, selected_version(dialog), GetACP())) return true;
    MessageBoxA(dialog, text, NO_VERSION_CAPTION, MB_OK | MB_ICONINFORMATION);
    return false;
}

bool has_game(HWND dialog) {
    if (selected_game(dialog) >= 0) return true;
    MessageBoxA(dialog, "Select a game in the list first.", "No game selected", MB_OK | MB_ICONINFORMATION);
    return false;
}

// Asks for the recording to play back: an INP, or a zip holding one (a
// saved download). Returns false when the user cancels.
bool ask_inp_file(HWND dialog, char (&path)[512]) {
    path[0] = '\0';
    ZeroMemory(&inp_file_dialog, sizeof inp_file_dialog);
    inp_file_dialog.lStructSize = INP_FILE_DIALOG_SIZE;
    inp_file_dialog.hwndOwner = dialog;
    inp_file_dialog.lpstrFilter = "MAME Input logs (*.inp;*.zip)\0*.inp;*.zip\0All files\0*.*\0";
    inp_file_dialog.nFilterIndex = 1;
    inp_file_dialog.lpstrFile = path;
    inp_file_dialog.nMaxFile = sizeof path;
    inp_file_dialog.lpstrInitialDir = ".\\inp";
    inp_file_dialog.lpstrTitle = "Playback INP";
    // The working directory must stay where vornix.cfg and versions.ini are.
    inp_file_dialog.Flags = OFN_NOCHANGEDIR;
    const BOOL chosen = GetOpenFileNameA(&inp_file_dialog);
    restore_working_folder();
    return chosen == TRUE;
}

bool chose_zip(const char* path) {
    const WORD extension = inp_file_dialog.nFileExtension;
    return extension > 0 && lstrcmpiA(path + extension, "zip") == 0;
}

// Splits the chosen INP's path into its folder and its name without
// extension, the two things MAME is given.
bool split_inp_path(HWND dialog, char (&path)[512], char (&name)[128]) {
    switch (split_chosen_inp(path, inp_file_dialog.nFileOffset, inp_file_dialog.nFileExtension, name, sizeof name)) {
    case InpChoice::ok:
        return true;
    case InpChoice::no_extension:
        MessageBoxA(dialog, "Choose an INP file: its name must end in an extension such as .inp.",
                    "Cannot play back this file", MB_OK | MB_ICONINFORMATION);
        return false;
    case InpChoice::name_too_long:
        break;
    }
    MessageBoxA(dialog, "The INP file name is too long: at most 127 characters before its extension.",
                "Cannot play back this file", MB_OK | MB_ICONINFORMATION);
    return false;
}

void on_playback(HWND dialog, int game, int version) {
    if (!flag_on(settings.ask_inp_filename)) {
        run_inp(game, version, 0, nullptr, nullptr);
        return;
    }
    char path[512];
    if (!ask_inp_file(dialog, path)) return;
    // A zip is played as a downloaded one: its INP names its own game.
    if (chose_zip(path)) {
        play_recording_zip(path, nullptr, dialog, nullptr);
        return;
    }
    char name[128];
    if (split_inp_path(dialog, path, name) && has_game(dialog)) run_inp(game, version, 0, path, name);
}

bool name_taken(const char* path, void*) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// MAME records over the game's recording in its default input folder. When
// one is there, the user chooses: keep it under a free name (nothing is ever
// replaced by that), record over it, or record nothing. Returns whether to
// record.
bool keep_earlier_recording(HWND dialog, const char* short_name) {
    char path[32], kept[40], text[320];
    format_record_path(path, sizeof path, short_name);
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if (!find_kept_recording_name(kept, sizeof kept, short_name, name_taken, nullptr)) {
        format_text(text, sizeof text, "%s already holds a recording, and every name to keep it under, up to %s, "
                    "is taken. Move some recordings out of inp to record again.", path, kept);
        MessageBoxA(dialog, text, "Can't record", MB_OK | MB_ICONWARNING);
        return false;
    }
    format_keep_question(text, sizeof text, path, kept);
    switch (MessageBoxA(dialog, text, "Record INP", MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON1)) {
    case IDYES:
        break;
    case IDNO:
        return true;
    default:
        return false;
    }
    // Without MOVEFILE_REPLACE_EXISTING: a file that took the name meanwhile
    // makes the move fail rather than be replaced.
    if (MoveFileExA(path, kept, 0)) return true;
    format_text(text, sizeof text, "Could not keep %s as %s [error %lu], so nothing was recorded.", path, kept,
                GetLastError());
    MessageBoxA(dialog, text, "Can't record", MB_OK | MB_ICONWARNING);
    return false;
}

// Play, record and play back: the main dialog is hidden and its run buttons
// are off while MAME runs, since no message is served until MAME has ended.
void on_run_command(HWND dialog, int id) {
    // A chosen zip names its game: the game is asked for once an INP is chosen.
    const bool choose_file = id == IDC_PLAYBACK_INP && flag_on(settings.ask_inp_filename);
    if (!has_version(dialog) || (!choose_file && !has_game(dialog))) return;
    copy_rate_and_level(dialog);
    ShowWindow(dialog, SW_HIDE);
    const int buttons[] = {IDC_PLAYBACK_INP, IDC_RECORD_INP, IDC_PLAY_GAME, IDOK};
    for (int b : buttons) EnableWindow(GetDlgItem(dialog, b), FALSE);

    const int game = selected_game(dialog);
    const int version = selected_version(dialog);
    switch (id) {
    case IDC_PLAY_GAME:
        run_game(game, version);
        break;
    case IDC_RECORD_INP:
        if (keep_earlier_recording(dialog, game_table[game].short_name))
            run_inp(game, version, INP_RECORD, nullptr, nullptr);
        break;
    case IDC_PLAYBACK_INP:
        on_playback(dialog, game, version);
        break;
    }

    for (int b : buttons) EnableWindow(GetDlgItem(dialog, b), TRUE);
    ShowWindow(dialog, SW_SHOW);
    timing_mark("main_dialog.back");
}

void on_reload(HWND dialog) {
    if (!has_version(dialog)) return;
    SendDlgItemMessageA(dialog, IDC_GAME_LIST, LB_RESETCONTENT, 0, 0);
    HWND wait = CreateDialogParamA(app_instance, MAKEINTRESOURCEA(IDD_WAIT), dialog, wait_dialog_proc, 0);
    // Without its box the reload still runs, but nothing is painted or
    // served for it: a null window would mean the whole desktop to
    // RedrawWindow, and every queued message of this thread to PeekMessage,
    // clicks meant for the main dialog among them.
    if (wait) {
        ShowWindow(wait, SW_SHOW);
        SetDlgItemTextA(wait, IDC_WAIT_TEXT, "Loading MAME game list - please wait...");
        // Painted now: no message is served until the list has loaded.
        // Serving the box's own pending messages once also lets the system
        // put what was drawn on the screen.
        RedrawWindow(wait, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        MSG pending;
        for (int i = 0; i < 100 && PeekMessageA(&pending, wait, 0, 0, PM_REMOVE); ++i) DispatchMessageA(&pending);
    }
    ShowWindow(dialog, SW_HIDE);

    set_status(dialog, load_game_list(GetDlgItem(dialog, IDC_GAME_LIST), selected_version(dialog)));

    if (wait) DestroyWindow(wait);
    // Said once the wait box is gone, before the window comes back empty.
    const int answer = report_game_list_problem();
    ShowWindow(dialog, SW_SHOW);
    if (answer == IDYES) PostMessageA(dialog, WM_COMMAND, IDC_MAME_VERSIONS, 0);
}

// After the "MAME versions" dialog has written versions.ini, the version list
// is read again, its selection staying on the same entry, and the games are
// listed anew from the selected version.
void on_mame_versions(HWND dialog) {
    // Asked for at start-up, before the dialog manager has shown this window
    // (it does so once the queue is empty).
    ShowWindow(dialog, SW_SHOW);
    int selected = selected_version(dialog);
    if (!edit_mame_versions(dialog, &selected)) return;
    const HWND versions = GetDlgItem(dialog, IDC_VERSION_LIST);
    SendMessageA(versions, CB_RESETCONTENT, 0, 0);
    load_versions(versions);
    SendMessageA(versions, CB_SETCURSEL, selected >= 0 && selected < mame_version_count ? selected : 0, 0);
    if (mame_version_count > 0) {
        on_reload(dialog);
        // Choosing a game is the next step. The focus is otherwise where the
        // dialog manager left it, on "Exit" at a first start, where the next
        // Enter would end the program.
        const HWND games = GetDlgItem(dialog, IDC_GAME_LIST);
        if (SendMessageA(games, LB_GETCOUNT, 0, 0) > 0)
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(games), TRUE);
        return;
    }
    SendDlgItemMessageA(dialog, IDC_GAME_LIST, LB_RESETCONTENT, 0, 0);
    set_status(dialog, 0);
}

void on_find(HWND dialog) {
    // A short name has at most 8 characters here; the rest of the text is
    // not looked at.
    char name[9];
    GetDlgItemTextA(dialog, IDC_FIND_EDIT, name, sizeof name);
    const int index = find_game(name);
    // A slot beyond the list (left by an earlier, longer list) is no listed
    // game: the selection is cleared as for a name not found.
    if (SendDlgItemMessageA(dialog, IDC_GAME_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0) == LB_ERR)
        SendDlgItemMessageA(dialog, IDC_GAME_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void on_close(HWND dialog) {
    copy_rate_and_level(dialog);
    release_working_folder();
    save_settings();
    EndDialog(dialog, 0);
}

// Enter runs the default button, "Play game", wherever the focus is. Typed
// into "Go to:" or "Split:", or pressed on a listed score, it means that
// control's own command: the user did not ask to start MAME. (A click on the
// button itself has moved the focus there first.) Returns whether it was so.
bool on_enter_elsewhere(HWND dialog, int id) {
    if (id != IDC_PLAY_GAME) return false;
    const HWND focus = GetFocus();
    if (focus == GetDlgItem(dialog, IDC_FIND_EDIT)) on_find(dialog);
    else if (focus == GetDlgItem(dialog, IDC_SPLIT_EDIT)) on_get_high_scores(dialog);
    else if (focus == GetDlgItem(dialog, IDC_SCORE_LIST)) on_open_score(dialog);
    else return false;
    return true;
}

// A check box flips its own tick on every click and the field follows it
// there, so box and field stay in step without reading the box.
bool on_toggle(HWND dialog, int id) {
    switch (id) {
    case IDC_NO_HW_STRETCH: toggle_flag(settings.hw_stretch); return true;
    case IDC_WINDOWED: toggle_flag(settings.windowed); return true;
    case IDC_AUTO_FRAMESKIP: toggle_flag(settings.auto_frameskip); return true;
    case IDC_ASK_INP_NAME: toggle_flag(settings.ask_inp_filename); return true;
    case IDC_SORT_BY_DRIVER: toggle_flag(settings.sort_by_driver); return true;
    case IDC_USE_MOUSE: toggle_flag(settings.use_mouse); return true;
    case IDC_USE_JOYSTICK: toggle_flag(settings.use_joystick); return true;
    case IDC_NO_SOUND:
        // Without sound the sample rate has no meaning.
        EnableWindow(GetDlgItem(dialog, IDC_SAMPLE_RATE), flag_on(settings.sound) ? FALSE : TRUE);
        settings.sound = flag_on(settings.sound) ? 0 : 1;
        return true;
    }
    return false;
}

}  // namespace

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(dialog);
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        if (on_enter_elsewhere(dialog, id) || on_toggle(dialog, id)) return FALSE;
        switch (id) {
        case IDOK:
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            break;
        case IDC_PLAYBACK_INP:
        case IDC_RECORD_INP:
        case IDC_PLAY_GAME:
            on_run_command(dialog, id);
            break;
        case IDC_ABOUT:
            DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_ABOUT), dialog, about_dialog_proc, 0);
            break;
        case IDC_REFRESH:
            on_reload(dialog);
            break;
        case IDC_MAME_VERSIONS:
            on_mame_versions(dialog);
            break;
        case IDC_FIND:
            on_find(dialog);
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
        // Everything else, IDCANCEL included, is ignored: Escape must not
        // close the program.
        return FALSE;
    }
    case WM_CLOSE:
        on_close(dialog);
        return FALSE;
    case WM_DESTROY:
        score_list_font.close();
        return FALSE;
    }
    return FALSE;
}
