#include "cli/InputFiles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>
#include <set>
#include <sys/stat.h>
#include <utility>

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

class Walk {
public:
    Walk(const std::string &root, const FileSelection &selection, InputFiles &out)
        : root_(root), selection_(selection), out_(out) {}

    void Run() {
        Enter(root_, "");
        std::sort(found_.begin(), found_.end());
        for (const std::string &relative : found_) out_.files.push_back({(fs::path(root_) / relative).string(), true});
    }

private:
    // One folder, `relative` being its path below the root ("" for the root).
    void Enter(const fs::path &folder, const std::string &relative) {
        std::error_code ec;
        fs::directory_iterator it(folder, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const std::string path = relative.empty() ? name : relative + "/" + name;
            std::error_code kindError;
            const fs::file_status kind = it->symlink_status(kindError);
            if (kindError || fs::is_symlink(kind)) continue;
            if (fs::is_directory(kind)) {
                if (!name.starts_with(".") && !AnyMatches(selection_.exclude, name, path)) Enter(it->path(), path);
            } else if (fs::is_regular_file(kind) && Included(selection_, name, path)) {
                found_.push_back(path);
            }
        }
        if (ec) out_.errors.push_back(folder.string() + ": cannot read the folder: " + ec.message());
    }

    const std::string &root_;
    const FileSelection &selection_;
    InputFiles &out_;
    std::vector<std::string> found_;
};

// Drops the later names of a file that comes more than once.
void TakeEachFileOnce(std::vector<InputFile> &files) {
    std::set<std::pair<dev_t, ino_t>> seen;
    std::erase_if(files, [&seen](const InputFile &f) {
        struct stat st {};
        if (f.name == "-" || ::stat(f.name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        return !seen.insert({st.st_dev, st.st_ino}).second;
    });
}

} // namespace

InputFiles ExpandInputs(const std::vector<std::string> &arguments, const FileSelection &selection) {
    InputFiles out;
    for (const std::string &argument : arguments) {
        std::error_code ec;
        if (argument != "-" && fs::is_directory(argument, ec))
            Walk(argument, selection, out).Run();
        else
            out.files.push_back({argument, false});
    }
    TakeEachFileOnce(out.files);
    return out;
}

} // namespace kelvra::cli
