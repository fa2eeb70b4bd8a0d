#include "download/download.h"

#include <cstring>

#include "core/net.h"
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
    case DownloadError::not_replaced: return {"the server sent no recording", "Can't download"};
    }
    return {"", ""};
}

bool format_not_replaced_message(char* out, std::size_t size, const char* path) {
    return format_text(out, size, "%s was not replaced: %s", path,
                       download_error_message(DownloadError::not_replaced).text);
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

bool is_html_chunk(const unsigned char* data, std::size_t size, bool first) {
    if (size >= 6 && std::memcmp(data, "<HTML>", 6) == 0) return true;
    if (!first) return false;
    std::size_t at = size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    while (at < size && data[at] != '\0' && std::strchr(" \t\r\n\f\v", data[at])) ++at;
    if (size - at < 2 || data[at] != '<') return false;
    const unsigned char c = data[at + 1];
    return c == '!' || c == '?' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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

bool download_over_limit(const DownloadProgress& progress) {
    return progress.received > MAX_RECORDING_BYTES ||
           (progress.length_known && progress.content_length > MAX_RECORDING_BYTES);
}

bool format_zone_identifier(char* out, std::size_t size, const char* server, const char* path) {
    char host[256];
    unsigned short port = 80;
    if (!split_host_port(server, host, sizeof host, &port)) return format_text(out, size, "[ZoneTransfer]\r\nZoneId=3\r\n");
    char port_text[8] = "";
    if (port != 80) format_text(port_text, sizeof port_text, ":%u", static_cast<unsigned>(port));
    return format_text(out, size, "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=http://%s%s%s\r\n", host, port_text, path);
}
