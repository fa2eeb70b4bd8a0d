#pragma once
// Network settings shared by the high-score query and the recording download.
#include <cstddef>

// How long a connect, a send or a single read may take before it fails, in
// milliseconds: about 30 seconds, or VORNIX_NET_TIMEOUT_MS when that holds a
// positive whole number (the tests shorten it). Read once, on the first call.
unsigned net_timeout_ms();

// The reading itself, apart from the environment: `text` may be null.
unsigned parse_net_timeout_ms(const char* text);

// How long a high-score fetch may take in all, from its start to its rows,
// in milliseconds: a minute, or VORNIX_FETCH_TIMEOUT_MS when that holds a
// positive whole number (the tests shorten it). The network limit above is
// for each wait; a server that sends a byte now and then never reaches it.
unsigned fetch_deadline_ms();
unsigned parse_fetch_deadline_ms(const char* text);

// Splits a server address "host" or "host:port" into the host and the port
// (80 when none is given). The host may be an IPv6 literal in brackets
// ("[::1]:8080"), which it keeps. "http://" before it, "/" after it and
// blanks around it are allowed. False when the host is empty or does not fit,
// the port is not a number from 1 to 65535, or a path or another scheme is
// given.
bool split_host_port(const char* server, char* host, std::size_t host_size, unsigned short* port);
