#pragma once
// The entry of kelvra-format --lsp.

#include "cli/CommandLine.h"

#include <iosfwd>

namespace kelvra::lsp {

// Serves on the file descriptors `in` and `out` until `exit` or the end of
// the input; returns the exit status (2 when the settings cannot be read).
int RunLanguageServer(const cli::CommandLine &command, int in, int out, std::ostream &err);

} // namespace kelvra::lsp
