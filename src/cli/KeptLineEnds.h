#pragma once
// The line ends of a file whose lines end in more than one way, through a
// format run: those inside literals and comments keep their own kind (the
// format core copies literals and comments unchanged), the others take the
// file's first kind.

#include "formatter/Readings.h"
#include "platform/Utf8.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::cli {

class KeptLineEnds {
public:
    // `text` is the decoded input with CR LF line ends, `bytes` the file it
    // came from; each line end of `bytes` is a CR LF of `text`, in order.
    // `readings` are the format run's (what else it keeps as it stood).
    KeptLineEnds(std::string_view text, std::string_view bytes, KeptReadings readings);

    // `formatted` (CR LF line ends) with the line ends to write: the kept kind
    // inside each literal and comment that comes out as it went in (the run
    // keeps them in order), `fileLineEnd` everywhere else.
    std::string Apply(std::string_view formatted, LineEnd fileLineEnd);

    // The kind of the file's first line end outside literals and comments
    // (the file's own kind), or `fallback` when every one stands inside them.
    LineEnd CodeLineEnd(LineEnd fallback) const;

    // After Apply: how many of the file's line ends are written as another
    // kind, and the file offset of the first of them.
    std::size_t Changed() const { return changed_; }
    std::size_t FirstChangedOffset() const { return firstChangedOffset_; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct FileLineEnd {
        std::size_t offset;
        LineEnd kind;
        std::size_t segment; // the literal or comment it stands in, or kNone
    };
    struct Segment {
        std::string text;           // with CR LF line ends
        std::vector<LineEnd> kinds; // of the line ends inside it, in order
    };
    std::vector<FileLineEnd> ends_;
    std::vector<Segment> segments_; // the input's literals and comments, in order
    KeptReadings readings_;
    std::size_t changed_ = 0, firstChangedOffset_ = 0;
};

} // namespace kelvra::cli
