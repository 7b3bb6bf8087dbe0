#pragma once
// The settings file Kelvra.ini and its backup Kelvra.bak: what the editor keeps
// between runs, as a plain model that the main window hands over at exit and
// takes back at start-up. Nothing here shows a message; the functions return
// the outcome and the window shows it.

#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"
#include "platform/Files.h"
#include "platform/Status.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

inline constexpr char kSettingsFileName[] = "Kelvra.ini";
inline constexpr char kSettingsBackupName[] = "Kelvra.bak";
// Written under [Software] Version by every save.
inline constexpr char kSettingsVersionWritten[] = "109";

// Messages of a failed load or save, shown with this caption and an error icon.
inline constexpr char kSettingsErrorCaption[] = "エラー";
inline constexpr char kSettingsReadFailedMessage[] = "Kelvra.iniの読み取りに失敗しました";
inline constexpr char kSettingsSaveFailedMessage[] =
    "Kelvra.iniの保存に失敗しました。\r\n今回の設定情報は保存されませんでした";

inline constexpr int kRecentFileCount = 8;
inline constexpr int kSearchHistoryStored = 8;

struct Settings {
    // [Software] Version as read; "105" (also when missing) asks for the older
    // layout of the catalogue strings to be converted.
    std::string SettingsVersion = "105";
    // Options, editor font and background, FixedOnly.
    EditorOptions Options;
    // The indent value as stored or last chosen; Options.Indent is the width it
    // selects (8 for values outside 1..10).
    int StoredIndent = 8;
    // Window placement. Empty: keep the window where it is (on load) or nothing
    // known to write (on save). Read only while SavePos / SaveSize are on.
    std::optional<int> Top, Left, Height, Width;
    // Initial folder of the open and save dialogs.
    std::string FilePath;
    // Stored states of the reserved-word and function lists.
    std::string YoyakuStates, KansuStates;
    // 1-based filter indexes of the open and save dialogs.
    int OpenFilter = 1, SaveFilter = 1;
    // Recent files, newest first; empty entries are unused slots.
    std::array<std::string, kRecentFileCount> History;
    // Search and replacement texts, newest first. A load fills them for the
    // search dialog to take over; a save writes the dialog's lists (at most 8).
    std::vector<std::string> PendingSearchHistory, PendingReplaceHistory;
};

// The values a missing key gives; the dialogs' folder is the program's folder.
Settings DefaultSettings(const std::filesystem::path &programFolder);

// Reads folder/Kelvra.ini into `settings`, starting from `defaults`. When the
// file is missing but Kelvra.bak is there, the backup is copied into its place
// first (or read directly when the copy fails). A strict integer that does not
// parse stops the load: what was read before stays, the rest keeps its default,
// and the outcome carries the read-failure message. So does a Dialect that
// names none, which is read after every other key.
Status LoadSettings(const std::filesystem::path &folder, const Settings &defaults, Settings &settings);
// The same reading of one given file, without the backup rule; touches no file.
Status ReadSettingsFile(const std::filesystem::path &iniPath, const Settings &defaults, Settings &settings);

// Moves folder/Kelvra.ini aside to Kelvra.bak and writes the settings anew, key
// by key. When the move fails the same writes update the file in place. A
// refused write stops the save with the save-failure message; the backup then
// still holds the previous settings. Creates the folder when it is missing.
Status SaveSettings(const std::filesystem::path &folder, const Settings &settings);

// Start-up initialisation of the catalogue from the stored strings (which are
// converted in place when they come from the older layout).
void InitialiseCatalogue(Settings &settings, KeywordCatalogue &catalogue);

// A value that is not what its key takes, passed over by a load that goes on.
struct BadSettingsValue {
    std::string key, value;
    std::size_t line = 0;                    // from 1
    std::string expected = "a whole number"; // what the key takes, for the message
    bool operator==(const BadSettingsValue &) const = default;
};

// For the command-line formatter: reads the formatting options and keyword
// states from one settings file, or from the Kelvra.bak beside a missing
// Kelvra.ini; no file is created or changed. A missing file gives the defaults.
// With `badValues`, a strict integer that does not parse, or a Dialect that
// names none, is listed there and takes its default, and every other key is
// still read.
Status LoadFormattingSettings(const std::filesystem::path &iniPath, EditorOptions &options, KeywordCatalogue &catalogue,
                              std::vector<BadSettingsValue> *badValues = nullptr);

// Where Kelvra.ini lives: the program's folder when it may be written, else
// the user's settings folder (see UserSettingsFolder), else the program's
// folder after all.
std::filesystem::path ChooseSettingsFolder(const std::filesystem::path &programFolder, bool programFolderWritable,
                                           const std::filesystem::path &userSettingsFolder);
// The same for this process: tests the folder and reads the environment. A
// program folder inside an installed layout (its prefix holds the manual page
// or the desktop entry that an install puts there) never holds the settings,
// even for a user such as root who may write there.
std::filesystem::path SettingsFolder(const std::filesystem::path &programFolder);
bool IsInstalledProgramFolder(const std::filesystem::path &programFolder);

// The settings file to read: the settings folder's own Kelvra.ini (or its
// backup), or, while that folder has neither, the Kelvra.ini the user keeps
// beside the program. Saving always writes the settings folder's own.
std::filesystem::path SettingsFileToRead(const std::filesystem::path &settingsFolder,
                                         const std::filesystem::path &programFolder);

// Integers as the settings file holds them: decimal with an optional sign, or
// hexadecimal after "$", "0x" or "0X" (up to 32 bits, read as signed).
// Nothing when the text is not such an integer or is out of range.
std::optional<std::int32_t> ParseSettingsInteger(std::string_view text);

} // namespace kelvra
