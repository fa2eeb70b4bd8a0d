#pragma once
// The portable part of the recording download: the request path, the
// progress line, the test for a server's HTML page, the failure texts and
// the mark of a file that came from the Internet.
// The dialog and the worker that use them are in download_win.cpp.
#include <cstddef>
#include <cstdint>

// The worker's exit code and the dialog's result when nothing usable was
// downloaded (a failure, a cancel, or no file chosen).
inline constexpr int DOWNLOAD_FAILED = 50;

// The body is fetched, written and counted in chunks of this size.
inline constexpr std::size_t DOWNLOAD_CHUNK = 1024;

// not_replaced: the body was complete but no recording, and a file of the
// chosen name was already there; its text names the file
// (format_not_replaced_message).
enum class DownloadError { none, session, connect, create_file, read, html, write_file, not_replaced };

struct DownloadMessage {
    const char* text;
    const char* caption;
};
DownloadMessage download_error_message(DownloadError error);
// "PATH was not replaced: the server sent no recording".
bool format_not_replaced_message(char* out, std::size_t size, const char* path);

// "/inp/NAME" on the score server. The name goes in unchanged.
bool format_recording_path(char* out, std::size_t size, const char* name);
// The temporary file beside the chosen one: PATH + ".part".
bool format_part_path(char* out, std::size_t size, const char* path);
// The name the save-as request offers for a recording: a plain file name, so
// that a name from the server such as "..\..\evil" cannot steer the request
// out of its folder. The part after the last '\', '/' or ':', each character
// a file name cannot hold replaced by '_', "recording" when nothing is left,
// then ".zip"; a device name ("nul.zip") gets a "_" before it.
bool format_offered_zip_name(char* out, std::size_t size, const char* recording_name);
// The status line while the download runs: "Downloading NAME...".
bool format_download_status(char* out, std::size_t size, const char* name);

// A chunk of a server's web page rather than of a zip. Any chunk that begins
// with "<HTML>" exactly. The body's first chunk also when, after a UTF-8
// mark and white space, it opens with a tag, a comment, a doctype or an XML
// declaration in any letter case ("<!DOCTYPE html>" from a captive portal,
// "<html>"): a zip never begins with "<".
bool is_html_chunk(const unsigned char* data, std::size_t size, bool first);

struct DownloadProgress {
    int chunks = 0;               // every chunk counts as one kilobyte, however short
    std::uint64_t received = 0;   // bytes
    bool length_known = false;    // the answer carried a Content-Length
    std::uint64_t content_length = 0;
};

void count_chunk(DownloadProgress& progress, std::size_t size);
// A chunk that is not full is the last one: the body has ended.
inline bool is_last_chunk(std::size_t size) { return size != DOWNLOAD_CHUNK; }
// The second figure of the progress line: floor(length / 1024) + 1, the
// number of chunks a body of that length arrives in. Without a
// Content-Length nothing better than the count so far is known.
int progress_total_kb(const DownloadProgress& progress);
// "Recieved: N kB / T kB" (the program's spelling since its first release).
bool format_progress(char* out, std::size_t size, const DownloadProgress& progress);
// The same line from its two figures: chunks so far and progress_total_kb.
bool format_progress_figures(char* out, std::size_t size, int chunks, int total_kb);
// The body ended before the length the server announced.
bool body_cut_short(const DownloadProgress& progress);
// More has arrived, or more was announced, than MAX_RECORDING_BYTES: a body
// that would fill the drive. It fails as a cut body does.
bool download_over_limit(const DownloadProgress& progress);

// The Zone.Identifier stream of a file downloaded from `server` (as
// VORNIX_SCORE_SERVER gives it) and `path`, as browsers write it: zone 3,
// the Internet, so Windows warns before a program from inside the zip runs.
bool format_zone_identifier(char* out, std::size_t size, const char* server, const char* path);
