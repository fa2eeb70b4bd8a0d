#include "scores/score_server.h"

#include <cstdlib>

#include "core/text.h"

namespace {
constexpr const char* DEFAULT_SCORE_SERVER = "zeph.vornix.org";
}

const char* score_server() {
    static char host[256] = "";
    static bool read = false;
    if (!read) {
        read = true;
        const char* env = std::getenv("VORNIX_SCORE_SERVER");
        copy_text(host, (env && *env) ? env : DEFAULT_SCORE_SERVER);
    }
    return host;
}
