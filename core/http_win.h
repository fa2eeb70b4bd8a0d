#pragma once
// One plain HTTP GET with bounded waits, for the high-score query and the
// recording download alike.
#include <windows.h>
#include <wininet.h>

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
// status than 200 (its error page, never what was asked for).
//
// The request is made by connect, open and send, never by opening the URL in
// one call: under Wine only the handles made that way honour the connect and
// receive limits, and a server that accepts and never answers would otherwise
// hold the caller for minutes.
HttpOpened http_get(const char* server, const char* path, HttpGet& get);
