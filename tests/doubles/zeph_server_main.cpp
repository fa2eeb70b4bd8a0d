// The local score server as a program of its own, for the demo and the
// benchmarks: zeph_server --root DIR [--port N] [--lifetime SECONDS]. It
// stops by itself after its lifetime (an hour unless told otherwise).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "doubles/zeph_server.h"

int main(int argc, char** argv) {
    std::string root = ".";
    int port = 8080, lifetime = 3600;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--root") root = argv[i + 1];
        else if (option == "--port") port = std::atoi(argv[i + 1]);
        else if (option == "--lifetime") lifetime = std::atoi(argv[i + 1]);
        else return std::fprintf(stderr, "zeph_server: unknown option %s\n", option.c_str()), 2;
    }
    zeph::Server server;
    if (!server.start(root, static_cast<unsigned short>(port)))
        return std::fprintf(stderr, "zeph_server: cannot listen on 127.0.0.1:%d\n", port), 1;
    std::printf("zeph_server: serving %s on %s\n", root.c_str(), server.host().c_str());
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(lifetime) * 1000);
    return 0;
}
