#pragma once
// The ZEPH score server: where the high-score query and the recording
// download go.

// "host" or "host:port". VORNIX_SCORE_SERVER replaces the built-in host when
// set; it is read once, on the first call.
const char* score_server();
