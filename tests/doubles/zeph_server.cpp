#include "doubles/zeph_server.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace zeph {

namespace {

bool send_all(SOCKET s, const std::string& data, std::size_t from = 0, std::size_t size = std::string::npos) {
    size = std::min(size, data.size() - from);
    for (int n = 0; size > 0; from += static_cast<std::size_t>(n), size -= static_cast<std::size_t>(n))
        if ((n = send(s, data.data() + from, static_cast<int>(std::min<std::size_t>(size, 65536)), 0)) <= 0)
            return false;
    return true;
}

// The file a target names, or "" for none. A recording is taken after the
// target's last separator, whatever the client escaped or resolved, so
// "/inp/..\..\evil.zip" is served from ROOT\inp\evil.zip.
std::string file_for(const std::string& root, const std::string& target) {
    static const std::string scores = "/index.cgi?mode=fe_scores&short=";
    if (target.compare(0, scores.size(), scores) == 0)
        return root + "\\scores\\" + target.substr(scores.size()) + ".txt";
    std::string path;
    for (std::size_t i = 0; i < target.size(); ++i) {
        const bool escaped = target[i] == '%' && i + 2 < target.size();
        path += escaped ? static_cast<char>(std::strtol(target.substr(i + 1, 2).c_str(), nullptr, 16)) : target[i];
        if (escaped) i += 2;
    }
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".zip") != 0) return "";
    // A server keeps a recording named after a Windows device (nul.zip) like
    // any other file: read through \\?\, Windows does not take it for one.
    const bool absolute = root.size() > 2 && root[1] == ':' && root[2] == '\\';
    return (absolute ? "\\\\?\\" : "") + root + "\\inp\\" + path.substr(path.find_last_of("/\\") + 1);
}

}  // namespace

bool Server::start(const std::string& root, unsigned short port) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
    root_ = root;
    stopping_ = false;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL reuse = port != 0;  // a fixed port may still hold closed connections of an earlier run
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closesocket(s);
        WSACleanup();
        return false;
    }
    port_ = ntohs(addr.sin_port);
    listener_ = s;
    acceptor_ = std::thread([this, s] {
        for (SOCKET c; (c = accept(s, nullptr, nullptr)) != INVALID_SOCKET;) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) shutdown(c, SD_BOTH);  // came after stop() woke the others
            clients_.push_back(c);
            workers_.emplace_back([this, c] { serve(c); });
        }
    });
    return true;
}

void Server::stop() {
    if (listener_ == ~0ull) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        closesocket(static_cast<SOCKET>(listener_));
        for (auto c : clients_) shutdown(static_cast<SOCKET>(c), SD_BOTH);
    }
    stopped_.notify_all();
    acceptor_.join();
    for (auto& w : workers_) w.join();
    for (auto c : clients_) closesocket(static_cast<SOCKET>(c));
    workers_.clear();
    clients_.clear();
    listener_ = ~0ull;
    WSACleanup();
}

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

bool Server::pause(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

// Each connection is closed by stop(), which may still have to wake it.
void Server::serve(unsigned long long client) {
    const SOCKET s = static_cast<SOCKET>(client);
    std::string request, body, status = "200 OK", type = "application/zip";
    char buf[4096];
    for (int n; request.find("\r\n\r\n") == std::string::npos && (n = recv(s, buf, sizeof buf, 0)) > 0;)
        request.append(buf, static_cast<std::size_t>(n));
    const std::string target = request.compare(0, 4, "GET ") == 0 ? request.substr(4, request.find(' ', 4) - 4) : "";
    std::unique_lock<std::mutex> lock(mutex_);
    requests_.push_back(target);
    const Fault fault = fault_;
    const int param = param_;
    lock.unlock();

    const std::string file = file_for(root_, target);
    FILE* f = file.empty() ? nullptr : std::fopen(file.c_str(), "rb");
    for (std::size_t n; f && (n = std::fread(buf, 1, sizeof buf, f)) > 0;) body.append(buf, n);
    if (f) std::fclose(f);
    if (!f || file.find("\\scores\\") != std::string::npos) type = "text/html";
    if (!f) status = "404 Not Found", body = "<HTML><HEAD><TITLE>404 Not Found</TITLE></HEAD><BODY>No.</BODY></HTML>\n";
    if (fault == Fault::error_status)
        status = "404 Not Found", type = "text/html", body = "<html><body>Server error</body></html>\n";
    const std::size_t announced = body.size() + (fault == Fault::short_body ? static_cast<std::size_t>(param) : 0);
    const std::string head = "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nContent-Length: " +
                             std::to_string(announced) + "\r\nConnection: close\r\n\r\n";
    if (fault == Fault::never_answer) {
        pause(1 << 30);
    } else if (fault == Fault::drop_mid_body) {
        send_all(s, head) && send_all(s, body, 0, body.size() / 2);
        Sleep(100);
        linger hard{1, 0};  // closing with a zero linger resets the connection
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    } else if (fault == Fault::drip) {
        bool going = send_all(s, head);
        for (std::size_t at = 0; going && at < body.size(); at += 1024)
            going = send_all(s, body, at, 1024) && pause(param);
    } else if (fault != Fault::slow || pause(param)) {
        send_all(s, head) && send_all(s, body);
    }
    if (fault != Fault::drop_mid_body) shutdown(s, SD_SEND);
    lock.lock();
    if (!stopping_) closesocket(s);
    if (!stopping_) clients_.erase(std::find(clients_.begin(), clients_.end(), client));
}

}  // namespace zeph
