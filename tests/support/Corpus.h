#pragma once
// The real-world SQL files the tests run through the formatter.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kelvra::test {

// Every .sql file of the corpus, in a fixed order; none when the corpus is not
// beside the checkout (the tests that need it then skip).
inline std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(KELVRA_CORPUS_DIR, ec)) return files;
    for (const auto &e : std::filesystem::recursive_directory_iterator(KELVRA_CORPUS_DIR))
        if (e.is_regular_file() && e.path().extension() == ".sql") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string ReadWholeFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace kelvra::test

#define KELVRA_SKIP_WITHOUT_CORPUS(files)                                                                              \
    if ((files).empty()) GTEST_SKIP() << "no corpus at " KELVRA_CORPUS_DIR
