#pragma once
// Taking the INP recording out of a downloaded zip. The walk over the zip is
// portable; extract_recording, which adds the message for a zip that does not
// open, is the Windows layer (extract_win.cpp).

// Receives the name of the zip member being looked at; the result of
// extract_recording points into it.
extern char member_name[512];

// The largest INP taken out of a zip, and the largest download: far beyond
// the longest marathon that MAME records at a few MB an hour, and far below
// what would fill a drive or hold the dialogs for minutes.
inline constexpr unsigned long long MAX_RECORDING_BYTES = 256ull << 20;

enum class ExtractResult {
    extracted,
    zip_unreadable,   // not a zip (or not there): the only case the user is told of here
    no_inp_member,    // no member passed the test; an empty zip among them
    name_taken,       // a file of the member's name is already in the working directory
    output_failed,    // the output file could not be created or written whole
    member_damaged,   // the member could not be read to its end, or its CRC does not match
    too_large,        // the member is, or says it is, larger than MAX_RECORDING_BYTES
};

// Finds the zip's INP member (the first member may end in ".inp" in any case,
// later ones only in lower case) and writes it into the working directory as
// "./BASE". On `extracted`, *name points to BASE inside member_name; on any
// other result nothing is left in the working directory.
ExtractResult extract_inp_member(const char* zip_path, const char** name);

// Whether the file is a zip that opens and holds the member that
// extract_inp_member would take, of a size it would take: what a download
// must be to replace a file the user already has.
bool zip_holds_recording(const char* zip_path);

// The part of a member name after its last "/" or "\".
const char* member_base_name(const char* name);

// Whether Windows takes the file name `name` for a device: CON, PRN, AUX,
// NUL, COM1-9, LPT1-9 (also with a superscript digit), CONIN$ or CONOUT$, in
// any letter case, with or without an extension and blanks before it.
// Creating "nul.zip" writes to the bit bucket, "com1.inp" to a serial port.
bool is_device_name(const char* name);

// Whether a member's base name may become a file in the working directory
// and a word of MAME's command line: not empty, no ":" (a drive or a stream),
// no control or reserved character, no white space or quote, no leading "-"
// (MAME would take it for a switch), no trailing dot or space, and not a
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without extension).
bool is_safe_base_name(const char* name);

// Whether `name` ends in ".inp" after at least one character: in any letter
// case when `any_case`, else only in lower case.
bool has_inp_extension(const char* name, bool any_case);

// Writes the zip's INP member into the working directory under its base name
// and returns that name, or nullptr when nothing was extracted.
const char* extract_recording(const char* zip_path);
