#pragma once
// The settings file a user names with --settings: it must be a settings file.

#include <filesystem>
#include <string>

namespace kelvra::cli {

// Why `path` is not a readable settings file, or empty when it is one: a
// regular file that can be read, holds no NUL byte, and whose lines are each
// blank, a "[Section]", a "Key=Value" or a comment (";" or "#").
std::string WhyNotASettingsFile(const std::filesystem::path &path);

} // namespace kelvra::cli
