// The Windows build of kelvra-format has no language server yet.
#include "lsp/Server.h"

namespace kelvra::lsp {

int RunLanguageServer(const cli::CommandLine &, int, int, std::ostream &err) {
    err << "kelvra-format: --lsp is not available in this build\n";
    return 2;
}

} // namespace kelvra::lsp
