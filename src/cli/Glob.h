#pragma once
// Shell glob patterns, matched the same way on every system: "*" any run of
// characters, "?" one character, "[abc]", "[a-z]", "[!abc]" or "[^abc]" one
// character of (or not of) a set, "\" makes the next character plain. Text
// and patterns are UTF-8 and matched character by character.

#include <string_view>

namespace kelvra::cli {

struct GlobOptions {
    bool slashIsSeparator = false; // no "*", "?" or set matches a "/"
    bool ignoreAsciiCase = false;  // A-Z match a-z
};

bool GlobMatches(std::string_view pattern, std::string_view text, GlobOptions options = {});

} // namespace kelvra::cli
