#include "cli/InputFiles.h"

#include "cli/Glob.h"
#include "platform/Files.h"

#include <algorithm>
#include <filesystem>

namespace kelvra::cli {
namespace {

namespace fs = std::filesystem;

bool Matches(const std::string &pattern, const std::string &name, const std::string &relative) {
    const bool byPath = pattern.find('/') != std::string::npos;
    return GlobMatches(pattern, byPath ? relative : name, {.slashIsSeparator = byPath});
}

bool AnyMatches(const std::vector<std::string> &patterns, const std::string &name, const std::string &relative) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string &p) { return Matches(p, name, relative); });
}

bool Included(const FileSelection &s, const std::string &name, const std::string &relative) {
    if (AnyMatches(s.exclude, name, relative)) return false;
    if (s.include.empty()) return GlobMatches("*.sql", name, {.ignoreAsciiCase = true});
    return AnyMatches(s.include, name, relative);
}

void Walk(const std::string &folder, const FileSelection &selection, InputFiles &out) {
    std::vector<std::string> found;
    std::error_code ec;
    const fs::path top = PathFromUtf8(folder);
    fs::recursive_directory_iterator it(top, fs::directory_options::none, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path &path = it->path();
        const std::string name = PathToUtf8(path.filename());
        std::string relative = PathToUtf8(path.lexically_relative(top));
        // Patterns name the path below the folder with "/", on every system.
        std::replace(relative.begin(), relative.end(), static_cast<char>(fs::path::preferred_separator), '/');
        std::error_code kindError;
        if (it->is_directory(kindError) && !it->is_symlink(kindError)) {
            if (name.starts_with(".") || AnyMatches(selection.exclude, name, relative)) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(kindError) && Included(selection, name, relative)) found.push_back(relative);
    }
    if (ec) out.errors.push_back(folder + ": cannot read the folder: " + ec.message());
    std::sort(found.begin(), found.end());
    // Named with one kind of separator, the system's, however the folder was typed.
    for (const std::string &relative : found)
        out.files.push_back(PathToUtf8((top / PathFromUtf8(relative)).make_preferred()));
}

} // namespace

InputFiles ExpandInputs(const std::vector<std::string> &arguments, const FileSelection &selection) {
    InputFiles out;
    for (const std::string &argument : arguments) {
        std::error_code ec;
        if (argument != "-" && fs::is_directory(PathFromUtf8(argument), ec))
            Walk(argument, selection, out);
        else
            out.files.push_back(argument);
    }
    return out;
}

} // namespace kelvra::cli
