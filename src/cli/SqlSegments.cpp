#include "cli/SqlSegments.h"

namespace kelvra::cli {

SqlSegments FindLiteralsAndComments(std::string_view text) {
    SqlSegments found;
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto add = [&](std::size_t start, std::size_t end) {
        found.protectedRanges.push_back({start, end});
        i = end;
    };
    auto unclosed = [&](std::size_t start) {
        found.complete = false;
        add(start, n);
    };
    while (i < n) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            std::size_t close = text.find(c, i + 1);
            if (close == std::string_view::npos)
                unclosed(i);
            else
                add(i, close + 1);
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            std::size_t end = text.find_first_of("\r\n", i + 2);
            add(i, end == std::string_view::npos ? n : end);
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            std::size_t close = text.find("*/", i + 2);
            if (close == std::string_view::npos)
                unclosed(i);
            else
                add(i, close + 2);
        } else {
            ++i;
        }
    }
    return found;
}

} // namespace kelvra::cli
