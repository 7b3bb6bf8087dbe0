#pragma once
// Where the literals and comments of an SQL text stand, found with the same
// rules as the format core's protection: the earliest opening wins, a quoted
// literal ends at the next quote of its kind (no escapes), a line comment
// ends before the next line break, a block comment at the first "*/" after its "/*".

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvra::cli {

struct SqlSegment {
    std::size_t start = 0, end = 0; // byte range [start, end)
    bool operator==(const SqlSegment &) const = default;
};

struct SqlSegments {
    std::vector<SqlSegment> protectedRanges; // in text order, not overlapping
    bool complete = true;                    // false: an opening has no end (the last range runs to the end)
};

SqlSegments FindLiteralsAndComments(std::string_view text);

} // namespace kelvra::cli
