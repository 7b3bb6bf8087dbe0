// Times the meaning check against the format run it follows, on the bench
// inputs: the check should cost a small share of a kelvra-format run.
// Run by hand: build/bench/meaning_check_bench
#include "formatter/FormatDriver.h"
#include "meaning/MeaningCheck.h"
#include "platform/PlainTextFile.h"

#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

// Processor time, the best of five rounds: other work on the machine counts less than with a wall clock.
double Seconds(const std::function<void()> &work) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const std::clock_t start = std::clock();
        work();
        best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return best;
}

std::string ReadText(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return DecodePlainText(ss.str()).text;
}

} // namespace

int main() {
    std::printf("%-28s %9s %9s %9s %7s\n", "input", "bytes", "run ms", "check ms", "share");
    for (const char *name :
         {"codefirst_mixed_1mb.sql", "codefirst_oracle_1mb.sql", "mixed_1mb.sql", "oracle_1mb.sql"}) {
        const std::string text = ReadText(fs::path(KELVRA_BENCH_INPUTS) / name);
        EditorOptions options;
        options.LfSp = true;
        KeywordCatalogue catalogue;
        ProgressSink quiet;
        std::string after;
        const double run = Seconds([&] { after = RunFormat(text, options, catalogue, quiet).text; });
        std::size_t found = 0;
        const double check = Seconds([&] { found = meaning::CompareMeaning(text, after).count; });
        std::printf("%-28s %9zu %9.1f %9.1f %6.1f%%  (%zu places)\n", name, text.size(), run * 1000, check * 1000,
                    100 * check / run, found);
    }
}
