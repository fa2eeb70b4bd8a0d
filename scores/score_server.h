#pragma once
// The ZEPH score server: where the high-score query and the recording
// download go, and how long a request may wait for it.
#include <cstddef>

// "host" or "host:port". VORNIX_SCORE_SERVER replaces the built-in host when
// set; it is read once, on the first call.
const char* score_server();

// Splits `server` ("host" or "host:port") into its host and port (80 when
// none is given). Returns false, with port 0, when the port is not a number
// from 1 to 65535 or the host does not fit.
bool split_host_port(const char* server, char* host, std::size_t host_size, unsigned short* port);

// How long, in milliseconds, a request waits to connect and then for each
// part of the answer: 30 s, or VORNIX_NET_TIMEOUT_MS (a positive number)
// when set, so that tests of a silent server need not wait that long. Read
// once, on the first call.
unsigned long net_timeout_ms();
