#include "core/http_win.h"

#include <cstdlib>

#include "core/net.h"

namespace {

void bound_waits(HINTERNET handle) {
    DWORD ms = net_timeout_ms();
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(handle, option, &ms, sizeof ms);
}

}  // namespace

HttpOpened http_get(const char* server, const char* path, HttpGet& get) {
    get.session.reset(InternetOpenA("Vornix", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!get.session) return HttpOpened::no_session;
    bound_waits(get.session.get());

    char host[256];
    unsigned short port = 0;
    if (!split_host_port(server, host, sizeof host, &port)) return HttpOpened::no_connection;
    get.connection.reset(InternetConnectA(get.session.get(), host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!get.connection) return HttpOpened::no_connection;
    bound_waits(get.connection.get());

    // Score tables change and recordings are replaced: always ask the server,
    // never a cache. What the server says goes no further than this request.
    get.request.reset(HttpOpenRequestA(get.connection.get(), "GET", path, nullptr, nullptr, nullptr,
                                       INTERNET_FLAG_RAW_DATA | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                           INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                           INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH,
                                       0));
    if (!get.request) return HttpOpened::no_connection;
    bound_waits(get.request.get());
    if (!HttpSendRequestA(get.request.get(), nullptr, 0, nullptr, 0)) return HttpOpened::no_connection;

    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(get.request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status != HTTP_STATUS_OK)
        return HttpOpened::not_ok;
    return HttpOpened::ok;
}

bool http_content_length(HINTERNET request, std::uint64_t* length) {
    char text[32];
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
    char* end = nullptr;
    // One too large for 64 bits reads as the largest, which is too large too.
    *length = std::strtoull(text, &end, 10);
    return end != text;
}
