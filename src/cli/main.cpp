#include "cli/FormatCommand.h"

#include <iostream>
#include <malloc.h>

int main(int argc, char **argv) {
    std::ios::sync_with_stdio(false);
    // A run allocates and frees several text-sized buffers one after the other:
    // keep those in their own mappings, so that freed ones go back to the system
    // instead of piling up in the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    std::vector<std::string> args(argv + 1, argv + argc);
    return kelvra::cli::RunCommand(args, std::cin, std::cout, std::cerr);
}
