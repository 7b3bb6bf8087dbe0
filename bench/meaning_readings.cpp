// Counts, for every .sql file below a folder, whether each reading of the
// meaning check (oracle, postgresql, mysql, sqlserver, each alone) reads the
// text differently after a format run, and in how many places.
// Run by hand: build/bench/meaning_readings FOLDER [--lfsp on|off] [--keep on|off]
#include "formatter/Format.h"
#include "meaning/MeaningCheck.h"
#include "platform/TextCodec.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

// The text as the editor formats it: UTF-8, or code page 932 when the bytes
// are not valid UTF-8; every line end CR LF.
std::string PreparedInput(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string bytes = ss.str();
    return ToCrLf(IsValidUtf8(bytes) ? bytes : DecodeCp932(bytes).text);
}

struct Tally {
    const char *name;
    meaning::CheckOptions options;
    std::size_t files = 0, places = 0;
};

bool On(const char *value) { return std::strcmp(value, "on") == 0; }

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [--lfsp on|off] [--keep on|off]\n", argv[0]);
        return 2;
    }
    EditorOptions options;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--lfsp") == 0) options.LfSp = On(argv[i + 1]);
        if (std::strcmp(argv[i], "--keep") == 0) options.KeepMeaning = On(argv[i + 1]);
    }
    std::vector<fs::path> files;
    for (const auto &entry : fs::recursive_directory_iterator(argv[1]))
        if (entry.is_regular_file() && entry.path().extension() == ".sql") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    Tally tallies[] = {{"oracle", {true, false, false, false}},
                       {"postgresql", {false, true, false, false}},
                       {"mysql", {false, false, true, false}},
                       {"sqlserver", {false, false, false, true}},
                       {"any", {}}};
    KeywordCatalogue catalogue;
    ProgressSink quiet;
    std::size_t formatted = 0;
    for (const fs::path &path : files) {
        const std::string before = PreparedInput(path);
        const FormatResult r = RunFormat(before, options, catalogue, quiet);
        if (r.end != RunEnd::Normal) continue; // refused (an unmatched quote or comment): nothing to compare
        ++formatted;
        for (Tally &t : tallies) {
            const std::size_t places = meaning::CompareMeaning(before, r.text, 0, t.options).count;
            t.files += places > 0;
            t.places += places;
        }
    }
    std::printf("%zu files, %zu formatted (LfSp %s, KeepMeaning %s)\n", files.size(), formatted,
                options.LfSp ? "on" : "off", options.KeepMeaning ? "on" : "off");
    std::printf("%-12s %8s %8s\n", "reading", "files", "places");
    for (const Tally &t : tallies) std::printf("%-12s %8zu %8zu\n", t.name, t.files, t.places);
}
