#pragma once
// A stand-in for the ZEPH score server on 127.0.0.1, for the tests and the
// demo. /index.cgi?mode=fe_scores&short=NAME is answered from
// ROOT\scores\NAME.txt, a target ending in .zip from ROOT\inp\ and the
// target's part after its last / or \; a missing file is a 404 HTML page. It
// keeps the request targets, and misbehaves on request. zip_of_zeros builds
// the large recordings and zip bombs the tests serve.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeph {

enum class Fault {
    none,
    slow,           // wait `param` ms, then answer normally
    drip,           // send the body in 1024-byte pieces, `param` ms apart
    trickle,        // send the whole answer, head and all, one byte every `param` ms
    error_status,   // 404 and a lower-case HTML page, whatever was asked
    captive,        // 200 and a login portal's "<!DOCTYPE html>" page, whatever was asked
    redirect,       // 302 to the same target on 127.0.0.1:`param`
    cookie,         // answer normally, with a Set-Cookie
    drop_mid_body,  // announce the whole body, send half of it, reset the connection
    never_answer,   // accept, read the request, say nothing
    short_body,     // announce `param` more bytes than the body has, then close
    no_length,      // HTTP/1.0 without Content-Length: the body, cut after `param` bytes if that is
                    // more than 0, then an orderly close as if it were all
};

// A zip of one deflated member `name` that holds `head` and then zeros, `size`
// bytes in all, with its right CRC; in zip64 form from 4 GiB on. Built in a
// moment and small whatever `size` is: about a thousandth of it.
std::string zip_of_zeros(const std::string& name, const std::string& head, unsigned long long size);

class Server {
public:
    Server() = default;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server() { stop(); }

    bool start(const std::string& root, unsigned short port = 0);  // port 0: any free one
    void stop();  // closes the listener and every connection held
    unsigned short port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

    void set_fault(Fault fault, long long param = 0);
    // Request targets, in order; one that came with a cookie as "TARGET Cookie: VALUE".
    std::vector<std::string> requests() const;
    void clear_requests();

private:
    void serve(unsigned long long client);
    bool pause(int ms);  // false when stop() came first

    std::string root_;
    unsigned short port_ = 0;
    unsigned long long listener_ = ~0ull;
    bool stopping_ = false;
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<std::thread> workers_;
    std::vector<unsigned long long> clients_;
    std::vector<std::string> requests_;
    Fault fault_ = Fault::none;
    long long param_ = 0;
};

}  // namespace zeph
