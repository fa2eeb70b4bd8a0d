#pragma once
// The ZEPH score server's host ("host" or "host:port"), for the high-score
// query and the recording download. VORNIX_SCORE_SERVER replaces the built-in
// host when set; it is read once, on the first call.
const char* score_server();
