#pragma once
// kelvra-format: the command-line formatter on the editor's format core.

#include "formatter/FormatResult.h"
#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::cli {

enum class OutputKind { Text, Html, Rtf };

struct CommandLine {
    bool help = false, version = false;
    bool inPlace = false, summary = false;
    OutputKind output = OutputKind::Text;
    std::optional<int> indent;
    std::optional<CommaPosition> comma;
    bool lineBreaksSeparate = false, simple = false, noBold = false;
    std::optional<std::filesystem::path> settings;
    std::vector<std::string> files; // empty or "-": standard input
};

struct ParsedCommandLine {
    bool ok = true;
    std::string error; // a usage error
    CommandLine command;
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args);

// One input formatted: exit code 0 (formatted), 1 (refused or unreadable).
struct FormattedDocument {
    int exitCode = 0;
    std::string bytes;       // the output in the input's encoding (RTF: ASCII)
    std::string diagnostic;  // for standard error, without the file name
    std::string summary;     // the run summary, LF line ends
};

FormattedDocument FormatDocument(std::string inputBytes, const EditorOptions &options,
                                 const KeywordCatalogue &catalogue, OutputKind output);

// The text in one <pre>, each bold span in <b>...</b>, &, < and > escaped.
std::string HtmlFragment(std::string_view text, const std::vector<TextSpan> &bold);

// The whole program; returns the exit status (2 for a usage error).
int RunCommand(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err);

} // namespace kelvra::cli
