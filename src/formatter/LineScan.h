#pragma once
// The line view of the text that the layout stages work on, and the one-pass
// line scan with joins that several of them share.
//
// Lines are numbered from 0. A scan starts at line 0, stops at the first empty
// line and moves on by one line after each line whatever was done to it. To
// join line i is to append line i+1 to it and remove line i+1; removing the
// last line only empties it, so the text then ends with an empty line.

#include "formatter/FormatRunState.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// One scan over `lines` that joins line i with line i+1 wherever
// `shouldJoin(line i, line i+1)` says so; returns the number of joins.
// A line ending with a line-comment token never has anything appended
// (`commentGuard`), so that a comment cannot swallow code.
using JoinRule = std::function<bool(const std::string &line, const std::string &next)>;
// Where a scan stops: at the first empty line, or (block comments) before
// line i when line i+1 is empty.
enum class ScanStop { AtEmptyLine, AtEmptyNextLine };
std::size_t JoinPass(FormatRunState &run, std::vector<std::string> &lines, const JoinRule &shouldJoin,
                     ScanStop stop = ScanStop::AtEmptyLine);

// True when the line ends with a line-comment token (normal mode only).
bool EndsWithLineCommentToken(const FormatRunState &run, std::string_view line);
// True when the line begins with markerOpen followed by `letter`.
bool BeginsWithToken(const FormatRunState &run, std::string_view line, char letter);

} // namespace kelvra
