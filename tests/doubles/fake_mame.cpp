// Stand-in MAME for the tests and the demo. It honours what the front end
// relies on in MAME and nothing more: -listfull prints a game list, -record
// writes NAME.inp headed by the game's short name, -playback looks for
// NAME.inp, both in -input_directory or else in MAME's own input folder inp,
// and the exit code is the caller's. It is steered through the environment,
// which the front end hands down to MAME:
//   FAKE_MAME_LIST      the file whose lines -listfull prints after a heading;
//                       "{exe}" in it stands for this program's own base name,
//                       so copies under other names list other games
//   FAKE_MAME_LOG       a file to which every run appends what it received
//   FAKE_MAME_EXIT      the exit code (decimal, up to 4294967295; default 0)
//   FAKE_MAME_DELAY_MS  how long to "play" before ending (a list run ends at once)
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string env(const char* name) { return std::getenv(name) ? std::getenv(name) : ""; }

void print_list() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = env("FAKE_MAME_LIST"), base = self;
    base = base.substr(base.find_last_of('\\') + 1);
    if (path.find("{exe}") != std::string::npos) path.replace(path.find("{exe}"), 5, base.substr(0, base.rfind('.')));
    // Binary, so the file's line ends reach the front end as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    std::fputs("name      description\r\n", stdout);
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) std::fwrite(buf, 1, n, stdout);
        std::fclose(f);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string log = std::string("[run]\ncommand_line=") + GetCommandLineA() + "\n";
    std::string game = argc > 1 && argv[1][0] != '-' ? argv[1] : "", record, playback, folder = "inp";
    bool listed = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i], value = i + 1 < argc ? argv[i + 1] : "";
        log += "word=" + word + "\n";
        if (word == "-listfull") print_list(), listed = true;
        if (word == "-record") record = value;
        if (word == "-playback") playback = value;
        if (word == "-input_directory") folder = value;
    }
    if (FILE* f = record.empty() ? nullptr : std::fopen((folder + "\\" + record + ".inp").c_str(), "wb")) {
        // An INP begins with the game's short name, padded with NULs to 8 bytes.
        std::fwrite((game + std::string(8, '\0')).data(), 1, 8, f);
        std::fclose(f);
        log += "recorded=" + record + ".inp\n";
    }
    if (!playback.empty()) {
        FILE* f = std::fopen((folder + "\\" + playback + ".inp").c_str(), "rb");
        log += std::string("playback_found=") + (f ? "1\n" : "0\n");
        if (f) {
            // Its size, so a recording changed on its way (line ends rewritten) shows.
            std::fseek(f, 0, SEEK_END);
            log += "playback_bytes=" + std::to_string(std::ftell(f)) + "\n";
            std::fclose(f);
        }
    }
    if (!listed) Sleep(static_cast<DWORD>(std::strtoul(env("FAKE_MAME_DELAY_MS").c_str(), nullptr, 10)));
    const UINT code = static_cast<UINT>(std::strtoul(env("FAKE_MAME_EXIT").c_str(), nullptr, 10));
    log += "exit=" + std::to_string(code) + "\n";
    if (FILE* f = std::fopen(env("FAKE_MAME_LOG").c_str(), "ab")) {
        std::fwrite(log.data(), 1, log.size(), f);
        std::fclose(f);
    }
    ExitProcess(code);
}
