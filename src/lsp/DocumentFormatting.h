#pragma once
// What the server says about a document: its formatted text as a few edits
// (whole changed lines, so that the client keeps cursors and marks on the lines
// that stay), and the diagnostics: what kelvra-format refuses and what the
// meaning check finds.

#include "cli/FormatCommand.h"
#include "lsp/Positions.h"
#include "meaning/MeaningCheck.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace kelvra::lsp {

// A text formatted as kelvra-format formats a file: the same result, the
// text's own line ends.
struct Formatting {
    bool ok = false;
    std::string text;                             // ok: the formatted text
    std::vector<cli::Problem> problems, warnings; // not ok: why; ok: what to know
    meaning::CheckReport meaning;                 // ok: what changed beyond case and blanks
};

Formatting FormatText(std::string_view text, const cli::FormatSettings &settings);

// Whole lines of a document: [first, last].
struct LineRange {
    std::size_t first = 0, last = 0;
};
// The lines a client's range touches; a range that ends at the start of a line
// leaves that line out.
LineRange LinesOf(Position start, Position end);
// The text of the lines, with their line ends (clamped to the document).
std::string_view LinesText(std::string_view text, LineRange lines);
// Lines formatted as a text of their own. Lines that ended with a line end
// still end with one, so that they do not run into the line after them.
Formatting FormatLines(std::string_view linesText, const cli::FormatSettings &settings);

// TextEdit[] that turn `before` into `after`; `firstLine` is the document line
// on which `before` starts.
nlohmann::json TextEdits(std::string_view before, std::string_view after, PositionEncoding encoding,
                         std::size_t firstLine = 0);

// Diagnostic[] of a formatting of `text`.
nlohmann::json Diagnostics(const Formatting &formatting, std::string_view text, PositionEncoding encoding);

// One line for an error response: why the text was refused; `firstLine` is the
// document line on which the formatted text started.
std::string RefusalMessage(const Formatting &formatting, std::size_t firstLine = 0);

} // namespace kelvra::lsp
