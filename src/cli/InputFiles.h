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

struct InputFile {
    std::string name;      // "-" is standard input
    bool fromWalk = false; // found in a folder: a link in its place is not followed
    bool operator==(const InputFile &) const = default;
};

struct InputFiles {
    std::vector<InputFile> files;
    std::vector<std::string> errors; // folders that could not be read, for the user
};

// Folders are walked; hidden folders (names starting with ".") and excluded
// ones are not entered. Symbolic links met in a walk are left out, whether they
// name a file or a folder, inside the folder or outside it: a walk never leaves
// the folder it was given, and a file inside it is taken under its own name.
// A folder that cannot be read is named in `errors` and the walk goes on with
// the rest. A file named on the command line is taken as it is, whatever the
// patterns say (a link there is followed). A file that comes twice (the same
// device and inode, under any name) is taken once, where it first comes.
InputFiles ExpandInputs(const std::vector<std::string> &arguments, const FileSelection &selection);

} // namespace kelvra::cli
