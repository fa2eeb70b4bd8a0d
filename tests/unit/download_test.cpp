// The portable part of the recording download: the progress figures a body
// produces chunk by chunk, the test for a server's HTML page, and the server
// address and timeout settings. (A body cut short is an end-to-end case.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/net.h"
#include "download/download.h"

namespace {

// The progress lines a body of `length` bytes shows when it arrives the way
// the worker reads it: full chunks, then one short (possibly empty) chunk.
std::vector<std::string> progress_lines(std::uint32_t length, bool length_known) {
    DownloadProgress progress;
    progress.length_known = length_known;
    progress.content_length = length_known ? length : 0;
    std::vector<std::string> lines;
    std::uint32_t left = length;
    for (;;) {
        const std::size_t n = std::min<std::uint32_t>(left, DOWNLOAD_CHUNK);
        left -= static_cast<std::uint32_t>(n);
        count_chunk(progress, n);
        char line[256];
        EXPECT_TRUE(format_progress(line, sizeof line, progress));
        lines.push_back(line);
        if (is_last_chunk(n)) break;
    }
    EXPECT_FALSE(body_cut_short(progress));
    return lines;
}

TEST(DownloadProgress, FiguresPerChunk) {
    struct Case {
        const char* behaviour;
        std::uint32_t length;
        bool known;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"an empty body is one empty chunk", 0, true, {"Recieved: 1 kB / 1 kB"}},
        {"1500 bytes", 1500, true, {"Recieved: 1 kB / 2 kB", "Recieved: 2 kB / 2 kB"}},
        {"2048 bytes end with an empty chunk", 2048, true,
         {"Recieved: 1 kB / 3 kB", "Recieved: 2 kB / 3 kB", "Recieved: 3 kB / 3 kB"}},
        {"exactly one chunk", 1024, true, {"Recieved: 1 kB / 2 kB", "Recieved: 2 kB / 2 kB"}},
        {"no Content-Length: the total is the count so far", 1500, false,
         {"Recieved: 1 kB / 1 kB", "Recieved: 2 kB / 2 kB"}},
    };
    for (const Case& c : cases) EXPECT_EQ(progress_lines(c.length, c.known), c.lines) << c.behaviour;
}

TEST(DownloadChunks, OnlyAnUpperCaseHtmlTagAtTheStartIsAnErrorPage) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"<HTML>\n<HEAD>", true}, {"<HTML>", true},      {"<html>\n<head>", false}, {"<HTML", false},
        {" <HTML>", false},       {"PK\x03\x04<HTML>", false}, {"", false},
    };
    for (const auto& [bytes, html] : cases)
        EXPECT_EQ(is_html_chunk(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), html)
            << "chunk '" << bytes << "'";
}

TEST(NetSettings, ServerAddressSplitsIntoHostAndPort) {
    struct Case {
        const char* server;
        bool ok;
        const char* host;
        unsigned short port;
    };
    const Case cases[] = {
        {"zeph.vornix.org", true, "zeph.vornix.org", 80}, {"127.0.0.1:8080", true, "127.0.0.1", 8080},
        {"h:65535", true, "h", 65535},                     {"h:65536", false, "", 0},
        {"h:0", false, "", 0},                             {"h:", false, "", 0},
        {":80", false, "", 0},                             {"", false, "", 0},
        {"h:8o", false, "", 0},
    };
    for (const Case& c : cases) {
        char host[64] = "";
        unsigned short port = 0;
        EXPECT_EQ(split_host_port(c.server, host, sizeof host, &port), c.ok) << "'" << c.server << "'";
        if (c.ok) {
            EXPECT_EQ(std::string(host) + ":" + std::to_string(port), std::string(c.host) + ":" + std::to_string(c.port));
        }
    }
    char tiny[4];
    unsigned short port = 0;
    EXPECT_FALSE(split_host_port("long.host", tiny, sizeof tiny, &port)) << "a host that does not fit";
}

TEST(NetSettings, TimeoutFromTheEnvironment) {
    const std::vector<std::pair<const char*, unsigned>> cases = {
        {nullptr, 30000}, {"", 30000}, {"1500", 1500}, {"0", 30000},
        {"-5", 30000},    {"15x", 30000}, {" 15", 30000}, {"99999999999", 30000},
    };
    for (const auto& [text, ms] : cases) EXPECT_EQ(parse_net_timeout_ms(text), ms) << (text ? text : "(unset)");
}

}  // namespace
