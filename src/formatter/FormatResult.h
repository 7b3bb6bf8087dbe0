#pragma once
// What a format run hands back to its caller: how it ended, the text, the
// spans to show in bold, the segment counts and, on failure, what to tell the user.

#include <cstddef>
#include <string>
#include <vector>

namespace kelvra {

enum class RunEnd { Normal, Cancelled, Failed, UnexpectedError };

enum class MessageIcon { None, Information, Warning, Error };

// A range of the text in UTF-8 bytes.
struct TextSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const TextSpan &) const = default;
};

struct RunMessage {
    std::string caption; // "エラー", "警告"
    std::string text;
    MessageIcon icon = MessageIcon::None;
};

// Counts of protected segments: double-quoted, single-quoted, line comments, block comments.
struct SegmentCounts {
    int K = 0, R = 0, C = 0, T = 0;
};

struct FormatResult {
    RunEnd end = RunEnd::Normal;
    // Normal end: the formatted text. Any other end: the text from before the run.
    std::string text;
    std::vector<TextSpan> boldSpans; // sorted, in `text`
    SegmentCounts counts;
    // Failed and UnexpectedError: the message box to show.
    RunMessage message;
    // An unmatched quote or comment opening: its range in the input text.
    bool hasHighlight = false;
    TextSpan highlight;
    int failedStage = 0;
};

} // namespace kelvra
