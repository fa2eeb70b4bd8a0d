// The local score server as a program of its own, for the demo and the
// benchmarks: zeph_server --root DIR [--port N] [--fault NAME [--param N]]
// [--log FILE] [--lifetime SECONDS]. It stops by itself after its lifetime
// (an hour unless told otherwise).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "doubles/zeph_server.h"

int main(int argc, char** argv) {
    std::string root = ".", log;
    int port = 8080, param = 0, lifetime = 3600;
    zeph::Fault fault = zeph::Fault::none;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i], value = argv[i + 1];
        if (opt == "--root") root = value;
        else if (opt == "--port") port = std::atoi(value.c_str());
        else if (opt == "--param") param = std::atoi(value.c_str());
        else if (opt == "--log") log = value;
        else if (opt == "--lifetime") lifetime = std::atoi(value.c_str());
        else if (opt == "--fault" && zeph::parse_fault(value, &fault)) {}
        else {
            std::fprintf(stderr, "zeph_server: unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    zeph::Server server;
    if (!server.start(root, static_cast<unsigned short>(port))) {
        std::fprintf(stderr, "zeph_server: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    server.set_fault(fault, param);
    if (!log.empty()) server.set_log_file(log);
    std::printf("zeph_server: serving %s on %s\n", root.c_str(), server.host().c_str());
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(lifetime) * 1000);
    server.stop();
    return 0;
}
