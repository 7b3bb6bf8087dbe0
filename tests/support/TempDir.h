#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it at the end of the test (also when a test left it read-only).

#include <filesystem>
#include <random>
#include <string>

namespace kelvra::test {

class TempDir {
public:
    explicit TempDir(const char *prefix = "kelvra-test") {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / (std::string(prefix) + "-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace kelvra::test
