#include "cli/FormatCommand.h"
#include "lsp/LanguageServer.h"

#include <iostream>
#include <malloc.h>
#include <unistd.h>

int main(int argc, char **argv) {
    std::ios::sync_with_stdio(false);
    // A run allocates and frees several text-sized buffers one after the other:
    // keep those in their own mappings, so that freed ones go back to the system
    // instead of piling up in the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    std::vector<std::string> args(argv + 1, argv + argc);
    const kelvra::cli::ParsedCommandLine parsed = kelvra::cli::ParseCommandLine(args);
    if (parsed.ok && parsed.command.lsp && !parsed.command.help && !parsed.command.version)
        return kelvra::lsp::RunLanguageServer(parsed.command, STDIN_FILENO, STDOUT_FILENO, std::cerr);
    return kelvra::cli::RunCommand(args, std::cin, std::cout, std::cerr);
}
