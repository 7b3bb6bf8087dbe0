#pragma once
// The files a command line names: files as given, and for each folder the
// files below it that the include patterns take and the exclude patterns do
// not, in a stable order (sorted by their path below the folder).

#include <string>
#include <vector>

namespace kelvra::cli {

struct FileSelection {
    // Patterns in shell glob syntax. One without "/" is matched against a file's
    // or folder's name, one with "/" against its path below the folder given
    // (there "*" does not reach across a "/").
    // No include pattern: names ending in ".sql" in any case.
    std::vector<std::string> include, exclude;
};

struct InputFiles {
    std::vector<std::string> files;  // "-" is standard input
    std::vector<std::string> errors; // folders that could not be read, for the user
};

// Folders are walked; hidden folders (names starting with ".") and excluded
// ones are not entered, and links to folders are not followed. A file named on
// the command line is taken as it is, whatever the patterns say.
InputFiles ExpandInputs(const std::vector<std::string> &arguments, const FileSelection &selection);

} // namespace kelvra::cli
