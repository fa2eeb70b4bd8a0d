#include "ui/versions_dialog.h"

#include <commdlg.h>

#include <cstring>
#include <iterator>
#include <utility>

#include "core/app_win.h"
#include "core/text.h"
#include "core/versions.h"
#include "core/versions_win.h"
#include "ui/resources/resource.h"

namespace {

constexpr const char* kCaption = "MAME versions";
const int kEdits[] = {IDC_VERSION_NAME, IDC_VERSION_PROGRAM, IDC_VERSION_SCORE_NAME};

// The copy the dialog works on: versions.ini and the table change only on OK.
struct {
    VersionLines entries[MAX_MAME_VERSIONS];
    int origins[MAX_MAME_VERSIONS];  // the table index an entry came from; -1 for a new one
    int count;
    int selected_origin;  // the owner's selected version
    int result;           // where that one is after OK
} editing;

// The table takes the lines as the reader will when it reads them back.
StoreLine store() { return versions_file.encoding == TextEncoding::ansi ? store_line_as_is : store_utf8_line; }

int selection(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_GETCURSEL, 0, 0));
}

// Writes row `index` of the list from the copy, in place of the old row.
void list_row(HWND dialog, int index, bool replace) {
    static wchar_t name[sizeof VersionLines::name];
    versions_text_to_wide(editing.entries[index].name, name, static_cast<int>(std::size(name)));
    if (replace) SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_INSERTSTRING, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(name));
}

// Selects entry `index` (-1: none) and shows it in the edits.
void show_entry(HWND dialog, int index) {
    SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (int line = 0; line < 3; ++line) {
        static wchar_t text[sizeof VersionLines::program];
        text[0] = L'\0';
        if (index >= 0)
            versions_text_to_wide(version_line(editing.entries[index], line), text, static_cast<int>(std::size(text)));
        SetDlgItemTextW(dialog, kEdits[line], text);
    }
}

void say(HWND dialog, const char* text) { MessageBoxA(dialog, text, kCaption, MB_OK | MB_ICONWARNING); }

// A text with the user's own characters in it, given in UTF-8.
int ask_utf8(HWND dialog, const char* text, UINT flags) {
    static wchar_t wide[4096];
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, static_cast<int>(std::size(wide))) == 0) wide[0] = L'\0';
    return MessageBoxW(dialog, wide, L"MAME versions", flags);
}

// A program that is not there now may be on a drive that is not connected:
// the user decides.
bool program_found_or_accepted(HWND dialog, const char* line) {
    std::size_t start, length;
    program_of_line(line, &start, &length);
    static wchar_t program[sizeof VersionLines::program], found[32768];
    const int n = length == 0 ? 0
                              : MultiByteToWideChar(versions_text_code_page(), 0, line + start, static_cast<int>(length),
                                                    program, static_cast<int>(std::size(program)) - 1);
    program[n] = L'\0';
    wchar_t* name = nullptr;
    const DWORD got = SearchPathW(nullptr, program, L".exe", static_cast<DWORD>(std::size(found)), found, &name);
    const DWORD attributes = got > 0 && got < std::size(found) ? GetFileAttributesW(found) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    static char utf8[sizeof program * 3], text[sizeof utf8 + 256];
    if (WideCharToMultiByte(CP_UTF8, 0, program, -1, utf8, sizeof utf8, nullptr, nullptr) == 0) utf8[0] = '\0';
    format_text(text, sizeof text,
                "Program: %s was not found, neither as a full path nor on the PATH.\n\n"
                "It may be on a drive that is not connected now. Take it anyway?",
                utf8);
    return ask_utf8(dialog, text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// The three edits as an entry in versions.ini's own characters, with
// `fourth` as its fourth line. False, with the reason said and its field
// focused, when the reader could not give it back as it is.
bool take_entry(HWND dialog, VersionLines& entry, const char* fourth) {
    std::memset(&entry, 0, sizeof entry);
    const UINT code_page = versions_text_code_page();
    const bool ansi = code_page == CP_ACP && GetACP() != CP_UTF8;
    EntryCheck check = {0, EntryProblem::none};
    for (int line = 0; line < 3 && check.problem == EntryProblem::none; ++line) {
        static wchar_t text[sizeof VersionLines::program];
        const HWND edit = GetDlgItem(dialog, kEdits[line]);
        const int length = GetWindowTextLengthW(edit);
        std::size_t room;
        char* out = version_line(entry, line, &room);
        if (length >= static_cast<int>(std::size(text))) {
            check = {line, EntryProblem::too_long};
            break;
        }
        GetWindowTextW(edit, text, static_cast<int>(std::size(text)));
        BOOL lacking = FALSE;
        const int n = length == 0 ? 0
                                  : WideCharToMultiByte(code_page, ansi ? WC_NO_BEST_FIT_CHARS : 0, text, length, out,
                                                        static_cast<int>(room) - 1, nullptr, ansi ? &lacking : nullptr);
        out[n] = '\0';
        // Beyond the room of the file's text, it is far beyond its field.
        if (length > 0 && n == 0) check = {line, EntryProblem::too_long};
        else if (lacking) check = {line, EntryProblem::not_in_file};
    }
    copy_text(entry.fourth, fourth);
    if (check.problem == EntryProblem::none) check = check_version_entry(entry, store());
    if (check.problem == EntryProblem::none) return program_found_or_accepted(dialog, entry.program);
    char text[512];
    format_entry_problem(text, sizeof text, check, 0, GetACP());
    say(dialog, text);
    const HWND edit = GetDlgItem(dialog, kEdits[check.line]);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    return false;
}

void on_add(HWND dialog) {
    if (editing.count >= MAX_MAME_VERSIONS) {
        say(dialog, "Vornix holds at most 100 MAME versions: remove one first.");
        return;
    }
    const int index = editing.count;
    if (!take_entry(dialog, editing.entries[index], "Win32")) return;
    editing.origins[index] = -1;
    ++editing.count;
    list_row(dialog, index, false);
    SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void on_change(HWND dialog) {
    const int index = selection(dialog);
    if (index < 0) {
        say(dialog, "Select a MAME version in the list first.");
        return;
    }
    static VersionLines entry;
    if (!take_entry(dialog, entry, editing.entries[index].fourth)) return;
    editing.entries[index] = entry;
    list_row(dialog, index, true);
    SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void on_remove(HWND dialog) {
    const int index = selection(dialog);
    if (index < 0) return;
    std::memmove(editing.entries + index, editing.entries + index + 1, (editing.count - index - 1) * sizeof editing.entries[0]);
    std::memmove(editing.origins + index, editing.origins + index + 1, (editing.count - index - 1) * sizeof editing.origins[0]);
    --editing.count;
    SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    show_entry(dialog, index < editing.count ? index : editing.count - 1);
}

void on_move(HWND dialog, int step) {
    const int from = selection(dialog), to = from + step;
    if (from < 0 || to < 0 || to >= editing.count) return;
    std::swap(editing.entries[from], editing.entries[to]);
    std::swap(editing.origins[from], editing.origins[to]);
    list_row(dialog, from, true);
    list_row(dialog, to, true);
    // The edits still show the entry that moved: what was typed stays.
    SendDlgItemMessageW(dialog, IDC_VERSIONS_LIST, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
}

// Fills "Program:" with a chosen .exe, keeping the options of a line that
// has its program in quotes.
void on_browse(HWND dialog) {
    static wchar_t text[sizeof VersionLines::program], chosen[1024], folder[1024];
    static char utf8[sizeof text * 3];
    GetDlgItemTextW(dialog, IDC_VERSION_PROGRAM, text, static_cast<int>(std::size(text)));
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr) == 0) utf8[0] = '\0';
    std::size_t start, length;
    program_of_line(utf8, &start, &length);
    const char* rest = utf8 + start + length;
    if (*rest == '"') ++rest;
    // The file request starts in the current program's folder.
    const int n = length == 0 ? 0
                              : MultiByteToWideChar(CP_UTF8, 0, utf8 + start, static_cast<int>(length), folder,
                                                    static_cast<int>(std::size(folder)) - 1);
    folder[n] = L'\0';
    if (wchar_t* last = std::wcsrchr(folder, L'\\')) *last = L'\0';
    else folder[0] = L'\0';

    OPENFILENAMEW request;
    ZeroMemory(&request, sizeof request);
    chosen[0] = L'\0';
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = L"MAME program (*.exe)\0*.exe\0All files\0*.*\0";
    request.nFilterIndex = 1;
    request.lpstrFile = chosen;
    request.nMaxFile = static_cast<DWORD>(std::size(chosen));
    request.lpstrInitialDir = folder[0] ? folder : nullptr;
    request.lpstrTitle = L"MAME program";
    request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const BOOL taken = GetOpenFileNameW(&request);
    restore_working_folder();
    if (!taken) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            say(dialog, "Program: the chosen path is too long. Vornix keeps at most 511 characters here.");
        return;
    }
    if (start == 1 && *rest != '\0') {
        static wchar_t line[std::size(chosen) + std::size(text) + 2];
        int used = 0;
        line[used++] = L'"';
        for (const wchar_t* c = chosen; *c; ++c) line[used++] = *c;
        line[used++] = L'"';
        const int k = MultiByteToWideChar(CP_UTF8, 0, rest, -1, line + used, static_cast<int>(std::size(line)) - used);
        if (k == 0) line[used] = L'\0';
        SetDlgItemTextW(dialog, IDC_VERSION_PROGRAM, line);
    } else {
        SetDlgItemTextW(dialog, IDC_VERSION_PROGRAM, chosen);
    }
    // Enter now takes the entry.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_VERSION_PROGRAM)), TRUE);
}

void on_ok(HWND dialog) {
    // Enter in an edit takes what was typed there and leaves the dialog open,
    // rather than closing it with half an entry typed. (A click on OK has
    // moved the focus to OK first.)
    const HWND focus = GetFocus();
    for (int id : kEdits)
        if (focus == GetDlgItem(dialog, id)) {
            if (selection(dialog) >= 0) on_change(dialog);
            else on_add(dialog);
            return;
        }
    // Entries read from the file are checked as the typed ones were: one that
    // the reader could not give back would change the file's meaning.
    for (int i = 0; i < editing.count; ++i) {
        const EntryCheck check = check_version_entry(editing.entries[i], store());
        if (check.problem == EntryProblem::none) continue;
        show_entry(dialog, i);
        char text[512];
        format_entry_problem(text, sizeof text, check, i + 1, GetACP());
        say(dialog, text);
        return;
    }
    if (versions_file.more &&
        MessageBoxA(dialog,
                    "versions.ini holds more than Vornix reads (over 100 MAME versions). Saving writes only the "
                    "versions listed here.\n\nSave anyway?",
                    kCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    static unsigned char bytes[VERSIONS_FILE_MAX];
    std::size_t size = 0;
    const DWORD error = write_versions(editing.entries, editing.count, versions_file.encoding, bytes, sizeof bytes, &size)
                            ? save_versions_file(bytes, size)
                            : ERROR_INSUFFICIENT_BUFFER;
    if (error != 0) {
        char text[256];
        format_text(text, sizeof text,
                    "Cannot save versions.ini [%lu]: it is left as it was.\n\nCheck that the working folder takes new "
                    "files and that no other program has versions.ini open.",
                    static_cast<unsigned long>(error));
        MessageBoxA(dialog, text, kCaption, MB_OK | MB_ICONERROR);
        return;
    }
    editing.result = -1;
    for (int i = 0; i < editing.count; ++i)
        if (editing.origins[i] == editing.selected_origin && editing.selected_origin >= 0) editing.result = i;
    EndDialog(dialog, IDOK);
}

BOOL on_init(HWND dialog) {
    editing.count = mame_version_count;
    for (int i = 0; i < editing.count; ++i) {
        editing.entries[i] = version_sources[i].lines;
        editing.origins[i] = i;
        list_row(dialog, i, false);
    }
    // With an entry selected, Enter in an edit changes it; with none, it adds.
    const bool chosen = editing.selected_origin >= 0 && editing.selected_origin < editing.count;
    show_entry(dialog, chosen ? editing.selected_origin : -1);
    SetFocus(GetDlgItem(dialog, chosen ? IDC_VERSIONS_LIST : IDC_VERSION_NAME));
    return FALSE;
}

INT_PTR CALLBACK versions_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) return on_init(dialog);
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wparam)) {
    case IDOK: on_ok(dialog); break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDC_VERSIONS_LIST:
        if (HIWORD(wparam) == LBN_SELCHANGE) show_entry(dialog, selection(dialog));
        break;
    case IDC_VERSION_BROWSE: on_browse(dialog); break;
    case IDC_VERSION_ADD: on_add(dialog); break;
    case IDC_VERSION_CHANGE: on_change(dialog); break;
    case IDC_VERSION_REMOVE: on_remove(dialog); break;
    case IDC_VERSION_UP: on_move(dialog, -1); break;
    case IDC_VERSION_DOWN: on_move(dialog, 1); break;
    default: return FALSE;
    }
    return TRUE;
}

}  // namespace

bool edit_mame_versions(HWND owner, int* selected) {
    editing.selected_origin = *selected;
    if (DialogBoxParamW(app_instance, MAKEINTRESOURCEW(IDD_VERSIONS), owner, versions_dialog_proc, 0) != IDOK)
        return false;
    *selected = editing.result;
    return true;
}
