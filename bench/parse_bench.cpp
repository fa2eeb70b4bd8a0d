// The two parsers alone, natively: the game-list parse and the score-answer
// parse in MB/s, each against reading the same bytes from a file into a
// buffer with fread, which no parser of a file can beat.
//   parse_bench [--runs N] [--dir DIR]
// Prints a Markdown table of medians; bench/run collects it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/sample_data.h"
#include "core/file.h"
#include "mame/game_list.h"
#include "scores/score_query.h"
#include "scores/score_table.h"

namespace {

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "parse_bench: %s\n", what.c_str());
    std::exit(1);
}

void write_file(const std::string& path, const std::string& bytes) {
    UniqueFile f = open_file(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || f.close() != 0)
        fail("cannot write " + path);
}

// MB/s of `step` over `bytes` bytes, each run repeating it `repeat` times.
template <typename Step> std::vector<double> throughput(int runs, int repeat, std::size_t bytes, Step step) {
    std::vector<double> mb_per_s;
    step();  // warm: the file in the page cache, the code in the caches
    for (int r = 0; r < runs; ++r) {
        const double t0 = seconds_now();
        for (int i = 0; i < repeat; ++i) step();
        const double t = seconds_now() - t0;
        mb_per_s.push_back(static_cast<double>(bytes) * repeat / t / 1e6);
    }
    return mb_per_s;
}

// fopen, fread of the whole file into a buffer, fclose.
std::size_t fread_file(const std::string& path, std::vector<char>& buffer) {
    UniqueFile f = open_file(path.c_str(), "rb");
    if (!f) fail("cannot read " + path);
    return std::fread(buffer.data(), 1, buffer.size(), f.get());
}

GameEntry table[GAME_TABLE_SIZE];
ScoreRecord scores[SCORE_TABLE_SIZE];
volatile long sink_total;

}  // namespace

int main(int argc, char** argv) {
    int runs = 7;
    std::string dir = ".";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
    }

    // The file as the interpreter leaves it: MAME's heading, then the games.
    const std::string list = "name      description\r\n" + bench::game_list_text(GAME_TABLE_SIZE);
    const std::string list_path = dir + "/parse_bench_gamelist.tmp";
    write_file(list_path, list);
    const std::string answer = bench::score_answer_text();
    const std::string answer_path = dir + "/parse_bench_answer.tmp";
    write_file(answer_path, answer);
    std::vector<char> buffer(list.size() + 1);

    const auto list_parse = throughput(runs, 40, list.size(), [&] {
        UniqueFile f = open_file(list_path.c_str(), "r");
        if (!f) fail("cannot read " + list_path);
        sink_total += read_game_list(f.get(), table, nullptr, nullptr);
    });
    const auto list_fread = throughput(runs, 40, list.size(), [&] { sink_total += fread_file(list_path, buffer); });
    const auto answer_parse = throughput(runs, 4000, answer.size(), [&] {
        sink_total += parse_score_response(answer.data(), answer.size(), scores, SCORE_TABLE_SIZE, nullptr, nullptr);
    });
    const auto answer_fread =
        throughput(runs, 4000, answer.size(), [&] { sink_total += fread_file(answer_path, buffer); });
    std::remove(list_path.c_str());
    std::remove(answer_path.c_str());

    std::printf("### 3. Parse alone, natively (median of %d runs, MB/s)\n\n", runs);
    std::printf("| parse | bytes | parse | fread of the same bytes | parse / fread |\n|---|---:|---:|---:|---:|\n");
    std::printf("| game list, %d games (read_game_list) | %zu | %.1f | %.1f | %.3f |\n", GAME_TABLE_SIZE, list.size(),
                median(list_parse), median(list_fread), median(list_parse) / median(list_fread));
    std::printf("| score answer (parse_score_response) | %zu | %.1f | %.1f | %.3f |\n\n", answer.size(),
                median(answer_parse), median(answer_fread), median(answer_parse) / median(answer_fread));
    return 0;
}
