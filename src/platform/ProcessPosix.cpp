#include "platform/Process.h"

#include <cstdlib>
#include <iostream>
#include <malloc.h>

namespace kelvra {

std::vector<std::string> CommandLineArguments(int argc, char **argv) { return {argv + 1, argv + argc}; }

void UseBinaryStandardStreams() {}

std::ostream &StandardOutput() { return std::cout; }

std::ostream &StandardError() { return std::cerr; }

void KeepLargeBuffersApart() { mallopt(M_MMAP_THRESHOLD, 1 << 20); }

std::filesystem::path UserSettingsFolder() {
    // Only an absolute XDG_CONFIG_HOME counts; null and empty count as unset.
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "Kelvra";
    const char *home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::filesystem::path(home) / ".config" / "Kelvra";
    return {};
}

} // namespace kelvra
