#include "scores/score_server.h"

#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace {

constexpr const char* DEFAULT_SCORE_SERVER = "zeph.example.org";
constexpr unsigned long DEFAULT_NET_TIMEOUT_MS = 30000;

// The fetch thread and the download worker may both ask first; a function
// static is initialised once whichever does.
struct ServerName {
    char host[256] = "";
    ServerName() {
        const char* env = std::getenv("VORNIX_SCORE_SERVER");
        copy_text(host, (env && *env) ? env : DEFAULT_SCORE_SERVER);
    }
};

unsigned long read_net_timeout() {
    const char* env = std::getenv("VORNIX_NET_TIMEOUT_MS");
    if (!env || !*env) return DEFAULT_NET_TIMEOUT_MS;
    char* rest = nullptr;
    const unsigned long value = std::strtoul(env, &rest, 10);
    if (*rest != '\0' || value == 0 || env[0] == '-') return DEFAULT_NET_TIMEOUT_MS;
    return value;
}

}  // namespace

const char* score_server() {
    static const ServerName name;
    return name.host;
}

bool split_host_port(const char* server, char* host, std::size_t host_size, unsigned short* port) {
    *port = 0;
    const char* colon = std::strrchr(server, ':');
    const std::size_t host_length = colon ? static_cast<std::size_t>(colon - server) : std::strlen(server);
    if (!copy_text_n(host, host_size, server, host_length) || host_length == 0) return false;
    if (!colon) {
        *port = 80;
        return true;
    }
    unsigned long value = 0;
    const char* p = colon + 1;
    for (; *p >= '0' && *p <= '9' && value <= 65535; ++p) value = value * 10 + static_cast<unsigned long>(*p - '0');
    if (p == colon + 1 || *p != '\0' || value == 0 || value > 65535) return false;
    *port = static_cast<unsigned short>(value);
    return true;
}

unsigned long net_timeout_ms() {
    static const unsigned long timeout = read_net_timeout();
    return timeout;
}
