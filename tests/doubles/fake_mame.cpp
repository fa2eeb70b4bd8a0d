// Stand-in MAME for the tests. It honours what the front end relies on in
// MAME and nothing more: -listfull prints a game list, a run with -record
// writes an INP headed by the game's short name, a run with -playback reads
// one, and the exit code is the test's choice. A test steers it through the
// environment, which the front end hands down to MAME:
//   FAKE_MAME_LIST      the data file whose lines -listfull prints after its
//                       heading; "{exe}" in it stands for this program's own
//                       base name, so copies under other names list other games
//   FAKE_MAME_LOG       a file to which every run appends what it received
//   FAKE_MAME_EXIT      the exit code (decimal, 0 to 4294967295; default 0)
//   FAKE_MAME_DELAY_MS  how long to run before ending
// An unknown option, or a second game name, ends the run with exit code 1,
// as a real MAME refuses a command line it does not understand.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string module_base_name() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    s = s.substr(s.find_last_of("\\/") + 1);
    const std::size_t dot = s.find_last_of('.');
    return dot == std::string::npos ? s : s.substr(0, dot);
}

// Bytes as text: printable ones as they are, others as \xHH (NUL as \0).
std::string escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == 0) {
            out += "\\0";
        } else if (c < 32 || c >= 127 || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

struct Log {
    std::string text = "[run]\n";
    void add(const std::string& key, const std::string& value) { text += key + "=" + value + "\n"; }
    void flush() {
        const std::string path = env("FAKE_MAME_LOG");
        if (path.empty()) return;
        text += "[end]\n";
        if (FILE* f = std::fopen(path.c_str(), "ab")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }
};

const char* const kFlags[] = {"-listfull", "-sortname", "-sortdriver", "-hws", "-nohws", "-window", "-nowindow",
                              "-sound", "-nosound", "-afs", "-noafs", "-mouse", "-nomouse", "-joy", "-nojoy"};
const char* const kValued[] = {"-sr", "-frameskip", "-nvram_directory", "-cfg_directory", "-record",
                               "-input_directory", "-playback"};

bool one_of(const std::string& word, const char* const* list, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (word == list[i]) return true;
    return false;
}

void print_list() {
    _setmode(_fileno(stdout), _O_BINARY);
    std::fputs("name      description\r\n", stdout);
    std::string path = env("FAKE_MAME_LIST");
    const std::size_t at = path.find("{exe}");
    if (at != std::string::npos) path.replace(at, 5, module_base_name());
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stdout);
        std::fclose(f);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Log log;
    log.add("command_line", GetCommandLineA());
    log.add("argv0", argc > 0 ? argv[0] : "");
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    log.add("cwd", cwd);

    std::string game, record, playback, input_directory;
    bool listfull = false;
    std::string error;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        log.add("word", word);
        if (!error.empty()) continue;
        if (one_of(word, kFlags, sizeof kFlags / sizeof *kFlags)) {
            if (word == "-listfull") listfull = true;
        } else if (one_of(word, kValued, sizeof kValued / sizeof *kValued)) {
            if (i + 1 >= argc) {
                error = "no value for " + word;
                continue;
            }
            const std::string value = argv[++i];
            log.add("word", value);
            if (word == "-record") record = value;
            if (word == "-playback") playback = value;
            if (word == "-input_directory") input_directory = value;
        } else if (!word.empty() && word[0] == '-') {
            error = "unknown option " + word;
        } else if (game.empty()) {
            game = word;
        } else {
            error = "unexpected word " + word;
        }
    }

    const DWORD delay = static_cast<DWORD>(std::strtoul(env("FAKE_MAME_DELAY_MS").c_str(), nullptr, 10));
    const UINT code = static_cast<UINT>(std::strtoul(env("FAKE_MAME_EXIT").c_str(), nullptr, 10));
    if (!error.empty()) {
        log.add("error", error);
        log.add("exit", "1");
        log.flush();
        return 1;
    }

    if (listfull) {
        print_list();
    } else if (!record.empty()) {
        // MAME's own input directory: "inp" below the directory it runs in.
        CreateDirectoryA("inp", nullptr);
        const std::string path = std::string("inp\\") + record + ".inp";
        std::string header(8, '\0');
        header.replace(0, game.size() < 8 ? game.size() : 8, game.substr(0, 8));
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            const std::string body = header + "fake inputs";
            std::fwrite(body.data(), 1, body.size(), f);
            std::fclose(f);
            log.add("recorded", path);
        }
    } else if (!playback.empty()) {
        const std::string path = (input_directory.empty() ? std::string("inp") : input_directory) + "\\" + playback + ".inp";
        log.add("playback_file", path);
        std::string header;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[8];
            header.assign(buf, std::fread(buf, 1, sizeof buf, f));
            std::fclose(f);
            log.add("playback_found", "1");
            log.add("playback_header", escaped(header));
        } else {
            log.add("playback_found", "0");
        }
    }

    if (delay) Sleep(delay);
    log.add("exit", std::to_string(code));
    log.flush();
    ExitProcess(code);
}
