#include "cli/SettingsFile.h"

#include "platform/Files.h"

#include <filesystem>

namespace kelvra::cli {
namespace {

bool IsSettingsLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return true;
    line.remove_prefix(first);
    if (line[0] == ';' || line[0] == '#') return true;
    if (line[0] == '[') return line.find(']') != std::string_view::npos;
    return line.find('=') != std::string_view::npos;
}

} // namespace

std::string WhyNotASettingsFile(const std::filesystem::path &path) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (ec) return ec.message();
    if (!std::filesystem::is_regular_file(st))
        return std::filesystem::is_directory(st) ? "is a folder" : "is not a regular file";
    std::string bytes;
    if (Status read = ReadFileBytes(path, bytes); !read) return read.message;
    if (bytes.find('\0') != std::string::npos) return "is not a settings file (it holds NUL bytes)";
    std::size_t lineNumber = 1;
    for (std::size_t start = 0; start < bytes.size(); ++lineNumber) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        if (!IsSettingsLine(std::string_view(bytes).substr(start, end - start)))
            return "is not a settings file (line " + std::to_string(lineNumber) +
                   " is no [Section], Key=Value or comment)";
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return {};
}

} // namespace kelvra::cli
