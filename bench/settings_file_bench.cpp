// Settings file: load and save of a Kelvra.ini grown to about 20 MB by a
// foreign section (the settings are read once and written once whatever the
// file's size). Run: build/bench/settings_file_bench [folder]
#include "settings/SettingsStore.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

// Wall-clock and processor seconds since a moment; the second does not grow
// while other processes hold the processor.
struct Since {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
};

std::string Took(const Since &since) {
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - since.wall).count();
    const double cpu = static_cast<double>(std::clock() - since.cpu) / CLOCKS_PER_SEC;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f s (processor %.3f s)", wall, cpu);
    return text;
}

} // namespace

int main(int argc, char **argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "kelvra-settings-bench";
    fs::create_directories(folder);
    {
        std::ofstream out(folder / kSettingsFileName, std::ios::binary);
        out << "[Software]\r\nVersion=109\r\n[Setting]\r\nFontSize=12\r\nIndent=4\r\n[History]\r\nPath1=/tmp/a.sql\r\n";
        out << "[Foreign]\r\n";
        for (int i = 0; out.tellp() < 20 * 1024 * 1024; ++i)
            out << "Entry" << i << "=some value that another program keeps here, line " << i << "\r\n";
    }
    const auto size = fs::file_size(folder / kSettingsFileName);
    const Settings defaults = DefaultSettings(folder);
    Settings settings;
    Since started;
    Status loaded = LoadSettings(folder, defaults, settings);
    std::printf("load of %.1f MB: %s (%s, Indent=%d)\n", static_cast<double>(size) / 1048576.0, Took(started).c_str(),
                loaded ? "ok" : loaded.message.c_str(), settings.StoredIndent);

    // The update in place reads and writes the whole file; a normal save moves
    // it to Kelvra.bak and writes a small new one.
    fs::create_directories(folder / "Kelvra.bak" / "blocker");
    started = Since();
    Status saved = SaveSettings(folder, settings);
    std::printf("in-place save: %s (%s)\n", Took(started).c_str(), saved ? "ok" : saved.message.c_str());
    fs::remove_all(folder / "Kelvra.bak");
    started = Since();
    saved = SaveSettings(folder, settings);
    std::printf("normal save: %s (%s)\n", Took(started).c_str(), saved ? "ok" : saved.message.c_str());
    if (argc <= 1) fs::remove_all(folder);
    return 0;
}
