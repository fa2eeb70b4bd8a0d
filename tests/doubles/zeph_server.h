#pragma once
// A local stand-in for the ZEPH score server, on 127.0.0.1, for the tests.
// It answers the two requests the front end makes from files in a folder:
//   /index.cgi?mode=fe_scores&short=NAME  ->  ROOT\scores\NAME.txt
//   /inp/NAME.zip                         ->  ROOT\inp\NAME.zip
// A missing file is a 404 with an HTML page. It logs every request target,
// and misbehaves on request so the tests can see how the front end copes.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeph {

enum class Fault {
    none,
    slow,               // wait `param` ms, then answer normally
    drip,               // send the body in 1024-byte pieces, `param` ms apart
    error_status,       // 500 and an HTML page, whatever was asked
    drop_mid_body,      // announce the whole body, send half of it, reset the connection
    never_answer,       // accept, read the request, say nothing
    headers_then_stall, // send the headers, then nothing
    short_body,         // announce `param` more bytes than the body has, then close
    chunked,            // chunked transfer encoding, no Content-Length
};

const char* fault_name(Fault fault);
bool parse_fault(const std::string& name, Fault* fault);

class Server {
public:
    Server() = default;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server() { stop(); }

    // Listens on 127.0.0.1:`port` (0: any free port) and serves `root`.
    bool start(const std::string& root, unsigned short port = 0);
    // Closes the listener and every connection still held, then joins.
    void stop();

    unsigned short port() const { return port_; }
    std::string host() const;  // "127.0.0.1:PORT", for VORNIX_SCORE_SERVER

    void set_fault(Fault fault, int param = 0);
    std::vector<std::string> requests() const;  // request targets, in order
    void clear_requests();
    // Appends each request target as a line to this file too (standalone use).
    void set_log_file(const std::string& path);

private:
    void accept_loop();
    void serve(unsigned long long client);
    void hold_until_stopped();

    std::string root_;
    unsigned short port_ = 0;
    unsigned long long listener_ = ~0ull;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<std::thread> workers_;
    std::vector<unsigned long long> clients_;
    std::vector<std::string> requests_;
    std::string log_file_;
    Fault fault_ = Fault::none;
    int param_ = 0;
};

}  // namespace zeph
