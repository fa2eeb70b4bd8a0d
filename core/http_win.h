#pragma once
// One plain HTTP GET with bounded waits, for the high-score query and the
// recording download alike.
#include <windows.h>
#include <wininet.h>

#include <cstdint>

#include "core/win_handle.h"

// The handles of one request, closed request first when it goes.
struct HttpGet {
    UniqueInternet session;
    UniqueInternet connection;
    UniqueInternet request;
};

enum class HttpOpened { ok, no_session, no_connection, not_ok };

// Sends GET `path` to `server` ("host" or "host:port") as agent "Vornix" and
// waits for the answer's head. not_ok: the server answered with another
// status than 200 (its error page, never what was asked for). A redirect is
// such an answer too: it is never followed, so no other host, on the LAN or
// on this machine, is ever asked in the score server's name. No cookie is
// kept or sent, and no logon is tried with the user's Windows account.
//
// The request is made by connect, open and send, never by opening the URL in
// one call: under Wine only the handles made that way honour the connect and
// receive limits, and a server that accepts and never answers would otherwise
// hold the caller for minutes.
HttpOpened http_get(const char* server, const char* path, HttpGet& get);

// The answer's Content-Length, false when it has none. Read as text: the
// number query fails for a length beyond 32 bits, which would then pass for
// no length at all.
bool http_content_length(HINTERNET request, std::uint64_t* length);
