#pragma once
// Files as the program reads and replaces them: the one safe write that every
// file the program writes goes through (documents, Kelvra.ini, kelvra-format -i),
// whole-file reading, and the questions about files and folders that the
// windows and the settings ask.

#include "platform/Status.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kelvra {

// Paths cross the program as UTF-8 strings; these two turn them into the
// system's paths and back (on Windows a std::filesystem::path built from a
// narrow string would read it in the ANSI code page).
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path &path);

struct SafeWriteOptions {
    // A file with more than one name (hard links) is refused unless this is
    // set; then only the given name gets the new text.
    bool breakHardLinks = false;
    // Called with the temporary file's path once it holds the new bytes, just
    // before it replaces the target (for tests).
    std::function<void(const std::filesystem::path &)> beforeReplace;
};

// Replaces the file's content without ever leaving it half written: the bytes
// go to a temporary file with a short name (".kelvra-XXXXXX") in the target's
// folder, which is flushed to disk, given the old file's mode and, where the
// process may, its owner and group, and renamed over the target; then the
// folder is flushed too. A symbolic link (or a chain of them) is followed, so
// the link stays a link and its target gets the new text. A file the user may
// not write, a folder, or a file with other hard links (see the options) is
// not replaced. The temporary file is removed on every failure and when the
// process is ended by SIGINT, SIGTERM or SIGHUP during the write.
Status WriteFileSafely(const std::filesystem::path &path, std::string_view bytes, const SafeWriteOptions &options = {});

// The file a path names once symbolic links are followed (the path itself when
// it is no link). The result need not exist: a dangling link gives its target.
std::filesystem::path FollowLinks(const std::filesystem::path &path);

// How many other names (hard links) the file has, links followed; 0 for a
// missing file. A window can ask before it passes breakHardLinks.
std::size_t OtherHardLinks(const std::filesystem::path &path);

Status ReadFileBytes(const std::filesystem::path &path, std::string &bytes);
// Reads the file from start to end in pieces, handing each to `take`, which
// may end the read early by returning false. A failure's message is
// "cannot open: " or "cannot read: " followed by the system's reason.
Status ReadFileInPieces(const std::filesystem::path &path, const std::function<bool(std::string_view)> &take);

// Whether this user may create files in the folder.
bool MayWriteIn(const std::filesystem::path &folder);
// The folder of the running executable (empty when it cannot be found).
std::filesystem::path ExecutableFolder();

// Read-only as the user sees it: an existing file this user may not write, or
// whose owner's write permission is off (which counts even for root, who may
// write anything). Folders and missing files are not read-only files.
bool IsReadOnlyFile(const std::filesystem::path &path);

} // namespace kelvra
