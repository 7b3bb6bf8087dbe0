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

// Whether the text, its line breaks taken out, begins or ends with a blank or
// tab. The editor keeps such blanks (as one) and kelvra-format drops them, so
// for these files the two results differ where the editor's rules act on them.
inline bool HasOuterBlanks(const std::string &bytes) {
    const std::size_t first = bytes.find_first_not_of("\r\n"), last = bytes.find_last_not_of("\r\n");
    if (first == std::string::npos) return false;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return blank(bytes[first]) || blank(bytes[last]);
}

} // namespace kelvra::test

#define KELVRA_SKIP_WITHOUT_CORPUS(files)                                                                              \
    if ((files).empty()) GTEST_SKIP() << "no corpus at " KELVRA_CORPUS_DIR
