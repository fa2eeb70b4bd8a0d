#include "core/net.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace {
constexpr unsigned DEFAULT_NET_TIMEOUT_MS = 30000;
constexpr unsigned DEFAULT_FETCH_DEADLINE_MS = 60000;

unsigned parse_ms(const char* text, unsigned fallback) {
    if (!text || *text < '0' || *text > '9') return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    // A day is far beyond any sensible bound; larger values are typing errors.
    if (*end != '\0' || value == 0 || value > 86400000ul) return fallback;
    return static_cast<unsigned>(value);
}
}  // namespace

unsigned parse_net_timeout_ms(const char* text) { return parse_ms(text, DEFAULT_NET_TIMEOUT_MS); }
unsigned parse_fetch_deadline_ms(const char* text) { return parse_ms(text, DEFAULT_FETCH_DEADLINE_MS); }

unsigned net_timeout_ms() {
    static const unsigned timeout = parse_net_timeout_ms(std::getenv("VORNIX_NET_TIMEOUT_MS"));
    return timeout;
}

unsigned fetch_deadline_ms() {
    static const unsigned deadline = parse_fetch_deadline_ms(std::getenv("VORNIX_FETCH_TIMEOUT_MS"));
    return deadline;
}

namespace {
bool starts_with_any_case(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::tolower(static_cast<unsigned char>(*text)) != *prefix) return false;
    return true;
}
}  // namespace

bool split_host_port(const char* server, char* host, std::size_t host_size, unsigned short* port) {
    // As users write it: pasted from a browser with "http://" and a closing
    // "/", or set at the command prompt with a blank before or after.
    while (*server == ' ' || *server == '\t') ++server;
    if (starts_with_any_case(server, "http://")) server += 7;
    std::size_t length = std::strcspn(server, "/ \t");
    const char* rest = server + length;
    if (*rest == '/') ++rest;
    while (*rest == ' ' || *rest == '\t') ++rest;
    // Anything more, a path or "https://", names another server than ours.
    if (*rest != '\0') return false;

    const char* colon = static_cast<const char*>(std::memchr(server, ':', length));
    const std::size_t host_length = colon ? static_cast<std::size_t>(colon - server) : length;
    if (host_length == 0 || host_length >= host_size) return false;
    copy_text_n(host, host_size, server, host_length);
    *port = 80;
    if (!colon) return true;
    unsigned long value = 0;
    const char* p = colon + 1;
    const char* end = server + length;
    if (p == end) return false;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > 65535) return false;
    }
    if (value == 0) return false;
    *port = static_cast<unsigned short>(value);
    return true;
}
