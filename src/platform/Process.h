#pragma once
// What a program needs from the system it runs on besides files: its
// arguments, its standard streams, its heap and the user's settings folder.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace kelvra {

// The command-line arguments after the program's name, in UTF-8 whatever the
// system hands over.
std::vector<std::string> CommandLineArguments(int argc, char **argv);

// Standard input, output and error carry bytes unchanged (no line-end or
// end-of-file translation).
void UseBinaryStandardStreams();

// Standard output and error for the program's text: UTF-8 bytes when they go
// to a file or a pipe; where the system's console wants its own characters, a
// console is written in them.
std::ostream &StandardOutput();
std::ostream &StandardError();

// Text-sized buffers come and go one after another in a run: keep them in
// their own mappings, so that freed ones go back to the system.
void KeepLargeBuffersApart();

// The per-user folder for the program's settings ($XDG_CONFIG_HOME/Kelvra,
// ~/.config/Kelvra; %APPDATA%\Kelvra on Windows); empty when the environment
// names none.
std::filesystem::path UserSettingsFolder();

} // namespace kelvra
