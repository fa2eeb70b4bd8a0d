#include "scores/recording_playback_win.h"

#include <cstring>

#include "core/file.h"
#include "core/text.h"
#include "core/versions.h"
#include "download/extract.h"
#include "mame/game_list.h"
#include "mame/runner_win.h"
#include "scores/score_properties.h"
#include "ui/resources/resource.h"

namespace {

void cannot_play(const char* text) { MessageBoxA(nullptr, text, "Can't playback", MB_OK); }
constexpr const char* NO_INP = "Could not extract INP from downloaded zipfile";

// A Yes/No box has no Cancel button, and Windows then ignores Escape (Wine
// ends the box with IDCANCEL). While one is asked here, the box is made to
// take Escape for its No button.
HHOOK box_hook = nullptr;
WNDPROC box_proc = nullptr;

LRESULT CALLBACK escape_means_no(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL)
        return CallWindowProcA(box_proc, box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
    return CallWindowProcA(box_proc, box, message, wparam, lparam);
}

LRESULT CALLBACK on_box_activated(int code, WPARAM wparam, LPARAM lparam) {
    const HWND box = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && !box_proc && GetDlgItem(box, IDNO))
        box_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(escape_means_no)));
    return CallNextHookEx(box_hook, code, wparam, lparam);
}

bool ask_yes_no(HWND owner, const char* text, const char* caption) {
    box_hook = SetWindowsHookExA(WH_CBT, on_box_activated, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxA(owner, text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1);
    if (box_hook) UnhookWindowsHookEx(box_hook);
    box_hook = nullptr;
    box_proc = nullptr;
    return answer == IDYES;
}

// The version to play with, or -1 when there is none or the user declines.
int choose_version(const char* recorded_version, HWND main_dialog, HWND score_dialog) {
    if (recorded_version) {
        const int listed = find_version(recorded_version);
        if (listed >= 0) return listed;
    }
    const int selected = static_cast<int>(SendDlgItemMessageA(main_dialog, IDC_VERSION_LIST, CB_GETCURSEL, 0, 0));
    if (selected < 0 || selected >= mame_version_count) {
        cannot_play("No MAME version is selected in the main window");
        return -1;
    }
    if (!recorded_version) return selected;
    char question[512];
    format_version_question(question, sizeof question, recorded_version, mame_versions[selected].display_name);
    return ask_yes_no(score_dialog, question, "MAME version not listed") ? selected : -1;
}

// Plays the extracted recording `name`, at `path` in the working folder.
// Returns once MAME has ended, or at once when it is not to run.
void play_extracted(const char* name, const char* path, const char* recorded_version, HWND main_dialog,
                    HWND score_dialog) {
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
    const int game = find_game(game_name);
    if (game < 0) {
        char text[128];
        format_text(text, sizeof text, "The game '%s' of this recording is not in the game list", game_name);
        cannot_play(text);
        return;
    }
    const int version = choose_version(recorded_version, main_dialog, score_dialog);
    if (version < 0) return;

    // The name without its ".inp", which every extracted name ends with.
    char inp_name[256];
    copy_text(inp_name, name);
    const std::size_t length = std::strlen(inp_name);
    inp_name[length >= 4 ? length - 4 : 0] = '\0';

    if (score_dialog) {
        ShowWindow(score_dialog, SW_HIDE);
        ShowWindow(main_dialog, SW_HIDE);
    }
    run_inp(game, version, 0, ".", inp_name);
    if (score_dialog) {
        ShowWindow(main_dialog, SW_SHOW);
        ShowWindow(score_dialog, SW_SHOW);
    }
}

}  // namespace

void play_recording_zip(const char* zip_path, const char* recorded_version, HWND main_dialog, HWND score_dialog) {
    const char* extracted = extract_recording(zip_path);
    if (!extracted) {
        cannot_play(NO_INP);
        return;
    }
    char path[2 + sizeof member_name];
    format_text(path, sizeof path, ".\\%s", extracted);
    char name[256];
    // A name too long to pass on is removed again rather than left behind.
    if (copy_text(name, extracted)) play_extracted(name, path, recorded_version, main_dialog, score_dialog);
    else cannot_play(NO_INP);
    DeleteFileA(path);
}
