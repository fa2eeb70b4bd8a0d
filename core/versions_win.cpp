#include "core/versions_win.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/text.h"
#include "core/win_handle.h"

namespace {

// `wide` in the ANSI code page, without look-alikes ("O" for "Ō" would name
// another file): a character the code page lacks makes `*lossless` false.
// Returns the bytes written; 0 for an empty text or one that does not fit.
int wide_to_ansi(const wchar_t* wide, int length, char* out, int size, bool* lossless) {
    *lossless = true;
    if (length == 0) return 0;
    // A code page of UTF-8 has every character, and takes neither the flag
    // nor the question.
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL used = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, length, out, size, nullptr,
                                      utf8 ? nullptr : &used);
    *lossless = n > 0 && !used;
    return n;
}

int utf8_to_wide(const char* text, std::size_t length, wchar_t* out, int size) {
    return length == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), out, size);
}

// The longest start of `text` that ends on a character of the code page.
std::size_t ansi_boundary(const char* text, std::size_t length) {
    std::size_t at = 0;
    for (std::size_t step; at < length; at += step) {
        step = IsDBCSLeadByte(static_cast<BYTE>(text[at])) ? 2 : 1;
        if (at + step > length) break;
    }
    return at;
}

// A program line whose program (`length` bytes of UTF-8) has a character
// that the code page lacks, with the program's short 8.3 path instead, in
// the code page. False when the program has no short path (it is not there,
// or the volume keeps none) or the rest of the line cannot be written.
bool short_program_line(const char* line, std::size_t length, char* out, int size, int* written) {
    static char copy[512 * 4 + 1];
    static wchar_t program[512 * 4 + 1], whole[32768 + 512 * 4 + 2];
    copy_text_n(copy, sizeof copy, line, length);
    std::size_t start, program_length;
    program_of_line(copy, &start, &program_length);
    const int n = utf8_to_wide(copy + start, program_length, program, static_cast<int>(std::size(program)) - 1);
    program[n] = L'\0';
    int used = start ? 1 : 0;
    whole[0] = L'"';
    const DWORD got = GetShortPathNameW(program, whole + used, 32768);
    if (got == 0 || got >= 32768) return false;
    used += static_cast<int>(got);
    const char* rest = copy + start + program_length;
    used += utf8_to_wide(rest, std::strlen(rest), whole + used, static_cast<int>(std::size(whole)) - used);
    bool lossless;
    *written = wide_to_ansi(whole, used, out, size, &lossless);
    return lossless;
}

}  // namespace

LineFit store_utf8_line(int line, const char* text, std::size_t length, char* field, std::size_t size) {
    field[0] = '\0';
    // A character takes at least one byte in the code page and at most four
    // in UTF-8: what lies beyond four bytes per byte of the field never fits.
    const std::size_t take = utf8_boundary(text, std::min(length, size * 4));
    static wchar_t wide[512 * 4];
    static char ansi[512 * 4 * 3];
    const int wide_length = utf8_to_wide(text, take, wide, static_cast<int>(std::size(wide)));
    bool lossless;
    int n = wide_to_ansi(wide, wide_length, ansi, sizeof ansi, &lossless);
    if (!lossless && line == 1) lossless = short_program_line(text, take, ansi, sizeof ansi, &n);
    // A display name is still taken: the lists show it from the file's own
    // text, and nothing else reads it.
    if (!lossless && line != 0) return LineFit::cannot_hold;
    const std::size_t whole = static_cast<std::size_t>(n);
    const std::size_t kept = whole < size ? whole : ansi_boundary(ansi, size - 1);
    std::memcpy(field, ansi, kept);
    field[kept] = '\0';
    return kept < whole || take < length ? LineFit::cut : LineFit::whole;
}

UINT versions_text_code_page() { return versions_file.encoding == TextEncoding::ansi ? CP_ACP : CP_UTF8; }

void versions_text_to_wide(const char* text, wchar_t* out, int size) {
    if (MultiByteToWideChar(versions_text_code_page(), 0, text, -1, out, size) == 0) out[0] = L'\0';
}

int load_versions(HWND version_list) {
    return read_versions_file(
        store_utf8_line,
        [](int index, void* list) {
            static wchar_t name[sizeof VersionLines::name];
            versions_text_to_wide(version_sources[index].lines.name, name, static_cast<int>(std::size(name)));
            SendMessageW(static_cast<HWND>(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        },
        version_list);
}

int report_unusable_lines() {
    char text[2048];
    if (!format_unusable_lines(text, sizeof text, GetACP())) return 0;
    append_text(text, SET_UP_QUESTION);
    return MessageBoxA(nullptr, text, VERSIONS_FILE, MB_YESNO | MB_ICONWARNING);
}

DWORD save_versions_file(const unsigned char* bytes, std::size_t size) {
    // In the working folder, so that the move below is a rename on one
    // volume, which Windows makes in one step.
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(L".", L"vnx", 0, temp)) return GetLastError();
    UniqueWinHandle file =
        owned_file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    bool ok = file && WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr) && written == size &&
              FlushFileBuffers(file.get());
    DWORD error = ok ? 0 : GetLastError();
    if (file && !file.close() && ok) ok = false, error = GetLastError();
    // MoveFileEx rather than ReplaceFile: ReplaceFile without a backup name
    // may fail with the old file already gone (ERROR_UNABLE_TO_MOVE_REPLACEMENT).
    if (ok && !MoveFileExW(temp, L"versions.ini", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = false, error = GetLastError();
    if (ok) return 0;
    DeleteFileW(temp);
    return error ? error : ERROR_WRITE_FAULT;
}
