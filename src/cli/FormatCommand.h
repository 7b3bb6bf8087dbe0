#pragma once
// kelvra-format: the command-line formatter on the editor's format core.

#include "cli/CommandLine.h"
#include "formatter/FormatResult.h"
#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::cli {

// What one input is formatted with.
struct FormatSettings {
    EditorOptions options;
    KeywordCatalogue catalogue;
    OutputKind output = OutputKind::Text;
    bool tidy = false;
    // Refuse a text whose words the run would join (false: join them as the base rules do).
    bool refuseWordJoins = true;
};

// Something to tell the user about one input.
struct Problem {
    bool hasPosition = false;
    std::size_t line = 0, column = 0; // 1-based, columns in characters
    std::string message;
    std::size_t length = 0; // characters the problem covers from there (0: just the place)
    bool operator==(const Problem &) const = default;
};

// One input formatted: exit code 0 (formatted) or 1 (refused, or memory ran out).
struct FormattedDocument {
    int exitCode = 0;
    std::string bytes;             // the output in the input's encoding (RTF: ASCII)
    std::vector<Problem> problems; // why it was refused
    std::vector<Problem> warnings; // formatted, but the user should know
    bool joinsWords = false;       // refused because line breaks would join words
    std::string summary;           // the run summary, LF line ends
};

FormattedDocument FormatDocument(std::string inputBytes, const FormatSettings &settings);

// The settings of a run: Kelvra.ini (or --settings), then the command line's
// options over them. Not ok (with the reason on `err`) when --settings names no file.
struct LoadedSettings {
    bool ok = true;
    FormatSettings format;
};
LoadedSettings LoadSettings(const CommandLine &c, std::ostream &err);

// A problem as one line for standard error, naming the input as `label`.
std::string ProblemLine(std::string_view label, const Problem &problem);

// The text in one <pre>, each bold span in <b>...</b>, &, < and > escaped.
std::string HtmlFragment(std::string_view text, const std::vector<TextSpan> &bold);

// The whole program; returns the exit status (2 for a usage error).
int RunCommand(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err);

} // namespace kelvra::cli
