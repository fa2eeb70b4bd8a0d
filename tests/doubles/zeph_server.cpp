#include "doubles/zeph_server.h"

#include <winsock2.h>
#include <zlib.h>

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

std::string le(unsigned long long v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// Raw deflate of `data` as a piece that ends on a byte boundary and refers to
// nothing before it, so pieces follow one another as one stream; the last
// one closes it.
std::string deflated(const std::string& data, bool last) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

std::string zip_of_zeros(const std::string& name, const std::string& head, unsigned long long size) {
    const std::string mib(1 << 20, '\0'), mib_deflated = deflated(mib, false);
    const uLong mib_crc = crc32(0, reinterpret_cast<const Bytef*>(mib.data()), static_cast<uInt>(mib.size()));
    std::string data = deflated(head, false);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
    unsigned long long left = size - head.size();
    for (; left > mib.size(); left -= mib.size()) data += mib_deflated, crc = crc32_combine(crc, mib_crc, 1 << 20);
    const std::string rest(left, '\0');
    data += deflated(rest, true);
    crc = crc32_combine(crc, crc32(0, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(left)),
                        static_cast<z_off_t>(left));
    // From 4 GiB on both sizes go into a zip64 extra field, and their usual places say so.
    const bool zip64 = size >= 0xFFFFFFFFull;
    const std::string sizes = zip64 ? le(0xFFFFFFFF, 4) + le(0xFFFFFFFF, 4) : le(data.size(), 4) + le(size, 4);
    const std::string extra = zip64 ? le(1, 2) + le(16, 2) + le(size, 8) + le(data.size(), 8) : "";
    // version needed, flags, method (deflate), time, date (1980-01-01), CRC, sizes, name and extra lengths
    const std::string common = le(zip64 ? 45 : 20, 2) + le(0, 2) + le(8, 2) + le(0, 2) + le(0x21, 2) + le(crc, 4) +
                               sizes + le(name.size(), 2) + le(extra.size(), 2);
    const std::string local = le(0x04034b50, 4) + common + name + extra;
    // made by, common, comment length, disk, attributes, the local header's offset (0)
    const std::string central = le(0x02014b50, 4) + le(45, 2) + common + std::string(10, '\0') + le(0, 4) + name + extra;
    return local + data + central + le(0x06054b50, 4) + le(0, 4) + le(1, 2) + le(1, 2) + le(central.size(), 4) +
           le(local.size() + data.size(), 4) + le(0, 2);
}

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

void Server::set_fault(Fault fault, long long param) {
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
    std::string lower = request;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t cookie = lower.find("\r\ncookie:");
    std::unique_lock<std::mutex> lock(mutex_);
    requests_.push_back(cookie == std::string::npos
                            ? target
                            : target + " " + request.substr(cookie + 2, request.find('\r', cookie + 2) - cookie - 2));
    const Fault fault = fault_;
    const long long param = param_;
    lock.unlock();

    const std::string file = file_for(root_, target);
    FILE* f = file.empty() ? nullptr : std::fopen(file.c_str(), "rb");
    for (std::size_t n; f && (n = std::fread(buf, 1, sizeof buf, f)) > 0;) body.append(buf, n);
    if (f) std::fclose(f);
    if (!f || file.find("\\scores\\") != std::string::npos) type = "text/html";
    if (!f) status = "404 Not Found", body = "<HTML><HEAD><TITLE>404 Not Found</TITLE></HEAD><BODY>No.</BODY></HTML>\n";
    if (fault == Fault::error_status)
        status = "404 Not Found", type = "text/html", body = "<html><body>Server error</body></html>\n";
    if (fault == Fault::captive)
        status = "200 OK", type = "text/html", body = "<!DOCTYPE html>\n<html><body>Log in to use the Internet</body></html>\n";
    std::string more;
    if (fault == Fault::redirect) status = "302 Found", more = "Location: http://127.0.0.1:" + std::to_string(param) + target + "\r\n";
    if (fault == Fault::cookie) more = "Set-Cookie: zeph=1; Path=/\r\n";
    const std::size_t announced = body.size() + (fault == Fault::short_body ? static_cast<std::size_t>(param) : 0);
    const std::string head = fault == Fault::no_length
                                 ? "HTTP/1.0 " + status + "\r\nContent-Type: " + type + "\r\n\r\n"
                                 : "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\n" + more +
                                       "Content-Length: " + std::to_string(announced) + "\r\nConnection: close\r\n\r\n";
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
            going = send_all(s, body, at, 1024) && pause(static_cast<int>(param));
    } else if (fault == Fault::trickle) {
        const std::string answer = head + body;
        for (std::size_t at = 0; at < answer.size() && send_all(s, answer, at, 1) && pause(static_cast<int>(param));) ++at;
    } else if (fault == Fault::no_length) {
        send_all(s, head) && send_all(s, body, 0, param > 0 ? static_cast<std::size_t>(param) : std::string::npos);
    } else if (fault != Fault::slow || pause(static_cast<int>(param))) {
        send_all(s, head) && send_all(s, body);
    }
    if (fault != Fault::drop_mid_body) shutdown(s, SD_SEND);
    lock.lock();
    if (!stopping_) closesocket(s);
    if (!stopping_) clients_.erase(std::find(clients_.begin(), clients_.end(), client));
}

}  // namespace zeph
