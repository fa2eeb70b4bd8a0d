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
    const std::size_t length = std::strcspn(server, "/ \t");
    const char* rest = server + length;
    if (*rest == '/') ++rest;
    while (*rest == ' ' || *rest == '\t') ++rest;
    // Anything more, a path or "https://", names another server than ours.
    if (*rest != '\0') return false;

    const char* end = server + length;
    const char* host_end = static_cast<const char*>(std::memchr(server, ':', length));
    if (*server == '[') {
        // An IPv6 literal goes in brackets, as in a browser's address, since
        // its colons would read as a port. It is kept with them: WinINet
        // takes that form, and the request's Host header needs it.
        const char* close = static_cast<const char*>(std::memchr(server, ']', length));
        if (!close || close == server + 1 ||
            std::strspn(server + 1, "0123456789abcdefABCDEF:.") != static_cast<std::size_t>(close - server - 1) ||
            std::memchr(server, ':', static_cast<std::size_t>(close - server)) == nullptr)
            return false;
        host_end = close + 1;
        if (host_end != end && *host_end != ':') return false;
    }
    if (!host_end) host_end = end;
    const std::size_t host_length = static_cast<std::size_t>(host_end - server);
    if (host_length == 0 || host_length >= host_size) return false;
    copy_text_n(host, host_size, server, host_length);
    *port = 80;
    if (host_end == end) return true;
    unsigned long value = 0;
    const char* p = host_end + 1;
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
