#pragma once
// The options of kelvra-format and their parsing.

#include "cli/InputFiles.h"
#include "keywords/EditorOptions.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelvra::cli {

enum class OutputKind { Text, Html, Rtf };

struct CommandLine {
    bool help = false, version = false;
    bool lsp = false; // serve the Language Server Protocol on standard input and output
    bool inPlace = false, check = false, diff = false, summary = false;
    bool tidy = false, joinLines = false, breakHardLinks = false;
    bool nulSeparated = false; // -z
    OutputKind output = OutputKind::Text;
    std::optional<int> indent;
    std::optional<CommaPosition> comma;
    bool lineBreaksSeparate = false, simple = false, noBold = false;
    std::optional<bool> keepMeaning;   // --keep-meaning / --no-keep-meaning; else the settings file
    std::optional<SqlDialect> dialect; // --dialect; else the settings file
    std::optional<std::filesystem::path> settings;
    FileSelection selection;
    unsigned jobs = 0;              // 0: one per processor core
    std::vector<std::string> files; // files and folders; none or "-": standard input
};

struct ParsedCommandLine {
    bool ok = true;
    std::string error; // a usage error
    CommandLine command;
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args);

// The text of --help.
const char *UsageText();

} // namespace kelvra::cli
