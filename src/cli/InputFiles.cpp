#include "cli/InputFiles.h"

#include "cli/Glob.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <utility>

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

class Walk {
public:
    Walk(const std::string &root, const FileSelection &selection, InputFiles &out)
        : root_(PathFromUtf8(root)), selection_(selection), out_(out) {}

    void Run() {
        Enter(root_, "");
        std::sort(found_.begin(), found_.end());
        // Named with one kind of separator, the system's, however the folder was typed.
        for (const std::string &relative : found_)
            out_.files.push_back({PathToUtf8((root_ / PathFromUtf8(relative)).make_preferred()), true});
    }

private:
    // One folder, `relative` being its path below the root ("" for the root),
    // with "/" between the names on every system, as the patterns have it.
    void Enter(const fs::path &folder, const std::string &relative) {
        std::error_code ec;
        fs::directory_iterator it(folder, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string name = PathToUtf8(it->path().filename());
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
        if (ec) out_.errors.push_back(PathToUtf8(folder) + ": cannot read the folder: " + ec.message());
    }

    const fs::path root_;
    const FileSelection &selection_;
    InputFiles &out_;
    std::vector<std::string> found_;
};

// Drops the later names of a file that comes more than once.
void TakeEachFileOnce(std::vector<InputFile> &files) {
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    std::erase_if(files, [&seen](const InputFile &f) {
        const std::optional<FileIdentity> id = f.name == "-" ? std::nullopt : IdentityOf(PathFromUtf8(f.name));
        return id && !seen.insert({id->device, id->inode}).second;
    });
}

} // namespace

InputFiles ExpandInputs(const std::vector<std::string> &arguments, const FileSelection &selection) {
    InputFiles out;
    for (const std::string &argument : arguments) {
        std::error_code ec;
        if (argument != "-" && fs::is_directory(PathFromUtf8(argument), ec))
            Walk(argument, selection, out).Run();
        else
            out.files.push_back({argument, false});
    }
    TakeEachFileOnce(out.files);
    return out;
}

} // namespace kelvra::cli
