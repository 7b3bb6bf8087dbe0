#include "cli/FormatCommand.h"
#include "platform/Process.h"

#include <iostream>

int main(int argc, char **argv) {
    std::ios::sync_with_stdio(false);
    kelvra::UseBinaryStandardStreams();
    kelvra::KeepLargeBuffersApart();
    return kelvra::cli::RunCommand(kelvra::CommandLineArguments(argc, argv), std::cin, kelvra::StandardOutput(),
                                   kelvra::StandardError());
}
