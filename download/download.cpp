#include "download/download.h"

#include <cstring>

#include "core/text.h"
#include "download/extract.h"

DownloadMessage download_error_message(DownloadError error) {
    switch (error) {
    case DownloadError::none: break;
    case DownloadError::session: return {"Cannot start internet session", "Can't download"};
    case DownloadError::connect: return {"Cannot connect to ZEPH", "Can't download"};
    case DownloadError::create_file: return {"Cannot create file (disk full?)", "Can't save recording"};
    case DownloadError::read: return {"Cannot retrieve data from URL", "Can't download"};
    case DownloadError::html: return {"HTML received instead of zip - probable server error", "Can't download"};
    case DownloadError::write_file: return {"Cannot write file to disk (disk full?)", "Can't save recording"};
    }
    return {"", ""};
}

bool format_recording_path(char* out, std::size_t size, const char* name) {
    return format_text(out, size, "/inp/%s", name);
}

bool format_part_path(char* out, std::size_t size, const char* path) {
    return format_text(out, size, "%s.part", path);
}

bool format_offered_zip_name(char* out, std::size_t size, const char* recording_name) {
    if (size == 0) return false;
    const char* base = recording_name;
    for (const char* p = recording_name; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    std::size_t n = 0;
    if (is_device_name(base) && size > 1) out[n++] = '_';
    const char* p = base;
    for (; *p != '\0' && n + 1 < size; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        out[n++] = c < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr ? '_' : static_cast<char>(c);
    }
    out[n] = '\0';
    if (*base == '\0') return copy_text(out, size, "recording.zip");
    return *p == '\0' && append_text(out, size, ".zip");
}

bool format_download_status(char* out, std::size_t size, const char* name) {
    return format_text(out, size, "Downloading %s...", name);
}

bool is_html_chunk(const unsigned char* data, std::size_t size) {
    return size >= 6 && std::memcmp(data, "<HTML>", 6) == 0;
}

void count_chunk(DownloadProgress& progress, std::size_t size) {
    ++progress.chunks;
    progress.received += size;
}

int progress_total_kb(const DownloadProgress& progress) {
    if (!progress.length_known) return progress.chunks;
    return static_cast<int>(progress.content_length / DOWNLOAD_CHUNK) + 1;
}

bool format_progress(char* out, std::size_t size, const DownloadProgress& progress) {
    return format_progress_figures(out, size, progress.chunks, progress_total_kb(progress));
}

bool format_progress_figures(char* out, std::size_t size, int chunks, int total_kb) {
    return format_text(out, size, "Recieved: %i kB / %i kB", chunks, total_kb);
}

bool body_cut_short(const DownloadProgress& progress) {
    return progress.length_known && progress.received < progress.content_length;
}
