#include "cli/InputFiles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>

namespace kelvra::cli {
namespace {

namespace fs = std::filesystem;

bool Matches(const std::string &pattern, const std::string &name, const std::string &relative) {
    const bool byPath = pattern.find('/') != std::string::npos;
    return ::fnmatch(pattern.c_str(), (byPath ? relative : name).c_str(), byPath ? FNM_PATHNAME : 0) == 0;
}

bool AnyMatches(const std::vector<std::string> &patterns, const std::string &name, const std::string &relative) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string &p) { return Matches(p, name, relative); });
}

bool Included(const FileSelection &s, const std::string &name, const std::string &relative) {
    if (AnyMatches(s.exclude, name, relative)) return false;
    if (s.include.empty()) return ::fnmatch("*.sql", name.c_str(), FNM_CASEFOLD) == 0;
    return AnyMatches(s.include, name, relative);
}

void Walk(const std::string &folder, const FileSelection &selection, InputFiles &out) {
    std::vector<std::string> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path &path = it->path();
        const std::string name = path.filename().string();
        const std::string relative = path.lexically_relative(folder).generic_string();
        std::error_code kindError;
        if (it->is_directory(kindError) && !it->is_symlink(kindError)) {
            if (name.starts_with(".") || AnyMatches(selection.exclude, name, relative)) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(kindError) && Included(selection, name, relative)) found.push_back(relative);
    }
    if (ec) out.errors.push_back(folder + ": cannot read the folder: " + ec.message());
    std::sort(found.begin(), found.end());
    for (const std::string &relative : found) out.files.push_back((fs::path(folder) / relative).string());
}

} // namespace

InputFiles ExpandInputs(const std::vector<std::string> &arguments, const FileSelection &selection) {
    InputFiles out;
    for (const std::string &argument : arguments) {
        std::error_code ec;
        if (argument != "-" && fs::is_directory(argument, ec))
            Walk(argument, selection, out);
        else
            out.files.push_back(argument);
    }
    return out;
}

} // namespace kelvra::cli
