#pragma once
// For tests of what only POSIX systems have (permission bits, signals, other
// users, symbolic links that need no privilege): on other systems such a test
// skips itself with the reason, and SetMode compiles there too.

#include <gtest/gtest.h>

#include <filesystem>

#if defined(_WIN32)
#define KELVRA_POSIX_ONLY(why) GTEST_SKIP() << "POSIX only: " << why
#else
#define KELVRA_POSIX_ONLY(why) static_cast<void>(0)
#endif

namespace kelvra::test {

// chmod: the permission bits of a file or folder.
inline void SetMode(const std::filesystem::path &path, unsigned mode) {
    std::error_code ec;
    std::filesystem::permissions(path, static_cast<std::filesystem::perms>(mode & 07777), ec);
}

} // namespace kelvra::test
