#include "cli/FormatCommand.h"
#include "lsp/Server.h"
#include "platform/Process.h"

#include <iostream>

int main(int argc, char **argv) {
    std::ios::sync_with_stdio(false);
    kelvra::UseBinaryStandardStreams();
    kelvra::KeepLargeBuffersApart();
    const std::vector<std::string> args = kelvra::CommandLineArguments(argc, argv);
    const kelvra::cli::ParsedCommandLine parsed = kelvra::cli::ParseCommandLine(args);
    if (parsed.ok && parsed.command.lsp && !parsed.command.help && !parsed.command.version)
        return kelvra::lsp::RunLanguageServer(parsed.command, 0, 1, std::cerr); // standard input and output
    return kelvra::cli::RunCommand(args, std::cin, kelvra::StandardOutput(), kelvra::StandardError());
}
