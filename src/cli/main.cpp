#include "cli/FormatCommand.h"

#include <iostream>

int main(int argc, char **argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return kelvra::cli::RunCommand(args, std::cin, std::cout, std::cerr);
}
