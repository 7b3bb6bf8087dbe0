// The file functions that are the same on every system.
#include "platform/Files.h"

namespace kelvra {

namespace fs = std::filesystem;

fs::path FollowLinks(const fs::path &path) {
    fs::path current = path;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(current, ec)) return current;
        fs::path next = fs::read_symlink(current, ec);
        if (ec) return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

} // namespace kelvra
