#include "scores/score_server.h"

#include <cstdlib>

#include "core/text.h"

namespace {

constexpr const char* DEFAULT_SCORE_SERVER = "zeph.example.org";

// The fetch thread and the download worker may both ask first; a function
// static is initialised once whichever does.
struct ServerName {
    char host[256] = "";
    ServerName() {
        const char* env = std::getenv("VORNIX_SCORE_SERVER");
        copy_text(host, (env && *env) ? env : DEFAULT_SCORE_SERVER);
    }
};

}  // namespace

const char* score_server() {
    static const ServerName name;
    return name.host;
}
