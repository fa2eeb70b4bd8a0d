#include "doubles/zeph_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace zeph {

namespace {

struct FaultName { Fault fault; const char* name; };
constexpr FaultName kFaults[] = {
    {Fault::none, "none"}, {Fault::slow, "slow"}, {Fault::drip, "drip"}, {Fault::error_status, "error_status"},
    {Fault::drop_mid_body, "drop_mid_body"}, {Fault::never_answer, "never_answer"},
    {Fault::headers_then_stall, "headers_then_stall"}, {Fault::short_body, "short_body"}, {Fault::chunked, "chunked"},
};

const char* kNotFoundPage =
    "<HTML>\n<HEAD><TITLE>404 Not Found</TITLE></HEAD>\n<BODY>\n<H1>Not Found</H1>\nNo such page here.\n</BODY>\n</HTML>\n";
const char* kErrorPage =
    "<html>\n<head><title>500 Internal Server Error</title></head>\n<body>\n<h1>Internal Server Error</h1>\n"
    "The score table is not available.\n</body>\n</html>\n";

bool send_all(SOCKET s, const char* data, std::size_t size) {
    while (size > 0) {
        const int n = send(s, data, static_cast<int>(size > 65536 ? 65536 : size), 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool send_text(SOCKET s, const std::string& text) { return send_all(s, text.data(), text.size()); }

std::string read_whole_file(const std::string& path, bool* found) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    *found = f != nullptr;
    if (!f) return out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

std::string headers(int status, const char* reason, const char* type, long long length) {
    std::string h = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + type + "\r\n";
    if (length >= 0) h += "Content-Length: " + std::to_string(length) + "\r\n";
    return h + "Connection: close\r\n";
}

void reset(SOCKET s) {
    linger l{1, 0};  // closing with a zero linger sends RST: a dropped connection
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    closesocket(s);
}

}  // namespace

const char* fault_name(Fault fault) {
    for (const auto& f : kFaults)
        if (f.fault == fault) return f.name;
    return "?";
}

bool parse_fault(const std::string& name, Fault* fault) {
    for (const auto& f : kFaults)
        if (name == f.name) { *fault = f.fault; return true; }
    return false;
}

bool Server::start(const std::string& root, unsigned short port) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
    root_ = root;
    stopping_ = false;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    // Listening again on a port the tests took before: its closed connections
    // may still linger there.
    if (port != 0) {
        const BOOL reuse = TRUE;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 16) != 0) {
        closesocket(s);
        return false;
    }
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listener_ = s;
    acceptor_ = std::thread([this] { accept_loop(); });
    return true;
}

void Server::stop() {
    if (listener_ == ~0ull) return;
    stopping_ = true;
    closesocket(static_cast<SOCKET>(listener_));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto c : clients_) shutdown(static_cast<SOCKET>(c), SD_BOTH);
    }
    stopped_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& w : workers) w.join();
    listener_ = ~0ull;
    WSACleanup();
}

std::string Server::host() const { return "127.0.0.1:" + std::to_string(port_); }

void Server::set_fault(Fault fault, int param) {
    std::lock_guard<std::mutex> lock(mutex_);
    fault_ = fault;
    param_ = param;
}

std::vector<std::string> Server::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void Server::clear_requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

void Server::set_log_file(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_file_ = path;
}

void Server::accept_loop() {
    for (;;) {
        SOCKET c = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (c == INVALID_SOCKET) {
            if (stopping_) return;
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        clients_.push_back(c);
        workers_.emplace_back([this, c] { serve(c); });
    }
}

void Server::hold_until_stopped() {
    std::unique_lock<std::mutex> lock(mutex_);
    stopped_.wait(lock, [this] { return stopping_.load(); });
}

void Server::serve(unsigned long long client) {
    const SOCKET s = static_cast<SOCKET>(client);
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
    }
    std::string target;
    if (request.compare(0, 4, "GET ") == 0) target = request.substr(4, request.find(' ', 4) - 4);

    Fault fault;
    int param;
    std::string log_file;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(target);
        fault = fault_;
        param = param_;
        log_file = log_file_;
    }
    if (!log_file.empty()) {
        if (FILE* f = std::fopen(log_file.c_str(), "ab")) {
            std::fprintf(f, "%s\n", target.c_str());
            std::fclose(f);
        }
    }

    // Find the body: a score table or a recording, or a 404 page.
    static const std::string kScores = "/index.cgi?mode=fe_scores&short=";
    std::string file;
    if (target.compare(0, kScores.size(), kScores) == 0)
        file = root_ + "\\scores\\" + target.substr(kScores.size()) + ".txt";
    else if (target.compare(0, 5, "/inp/") == 0 && target.find("..") == std::string::npos)
        file = root_ + "\\inp\\" + target.substr(5);
    bool found = false;
    std::string body = file.empty() ? std::string() : read_whole_file(file, &found);
    int status = 200;
    const char* reason = "OK";
    const char* type = target.compare(0, 5, "/inp/") == 0 ? "application/zip" : "text/html";
    if (!found) {
        status = 404;
        reason = "Not Found";
        type = "text/html";
        body = kNotFoundPage;
    }
    if (fault == Fault::error_status) {
        status = 500;
        reason = "Internal Server Error";
        type = "text/html";
        body = kErrorPage;
    }

    switch (fault) {
    case Fault::never_answer:
        hold_until_stopped();
        break;
    case Fault::headers_then_stall:
        send_text(s, headers(status, reason, type, static_cast<long long>(body.size())) + "\r\n");
        hold_until_stopped();
        break;
    case Fault::drop_mid_body:
        send_text(s, headers(status, reason, type, static_cast<long long>(body.size())) + "\r\n");
        send_all(s, body.data(), body.size() / 2);
        Sleep(100);
        reset(s);
        break;
    case Fault::short_body:
        send_text(s, headers(status, reason, type, static_cast<long long>(body.size()) + param) + "\r\n");
        send_all(s, body.data(), body.size());
        break;
    case Fault::chunked: {
        send_text(s, headers(status, reason, type, -1) + "Transfer-Encoding: chunked\r\n\r\n");
        for (std::size_t at = 0; at < body.size(); at += 1000) {
            const std::size_t n = body.size() - at < 1000 ? body.size() - at : 1000;
            char size_line[32];
            std::snprintf(size_line, sizeof size_line, "%zx\r\n", n);
            if (!send_text(s, size_line) || !send_all(s, body.data() + at, n) || !send_text(s, "\r\n")) break;
        }
        send_text(s, "0\r\n\r\n");
        break;
    }
    case Fault::drip: {
        send_text(s, headers(status, reason, type, static_cast<long long>(body.size())) + "\r\n");
        for (std::size_t at = 0; at < body.size() && !stopping_; at += 1024) {
            const std::size_t n = body.size() - at < 1024 ? body.size() - at : 1024;
            if (!send_all(s, body.data() + at, n)) break;
            // A long pause must not hold up stop().
            std::unique_lock<std::mutex> lock(mutex_);
            stopped_.wait_for(lock, std::chrono::milliseconds(param), [this] { return stopping_.load(); });
        }
        break;
    }
    case Fault::slow:
        for (int waited = 0; waited < param && !stopping_; waited += 20) Sleep(20);
        [[fallthrough]];
    default:
        send_text(s, headers(status, reason, type, static_cast<long long>(body.size())) + "\r\n");
        send_all(s, body.data(), body.size());
        break;
    }

    if (fault != Fault::drop_mid_body) {
        shutdown(s, SD_SEND);
        closesocket(s);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : clients_)
        if (c == client) c = ~0ull;
}

}  // namespace zeph
