#include "settings/SettingsStore.h"

#include "keywords/SqlDialectNames.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Process.h"

#include <cstdlib>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

constexpr char kSoftware[] = "Software";
constexpr char kSetting[] = "Setting";
constexpr char kHistory[] = "History";
constexpr char kFont[] = "Font";

const char *FlagText(bool value) { return value ? "True" : "False"; }

// Thrown to stop a load or a save at the failing key.
struct StopLoad {};

// Text values that cannot stand on one line of the file (a CR, LF or NUL in
// them, as a Linux file name may hold) are stored after this mark with '%',
// CR, LF and NUL written as %25, %0D, %0A and %00. A value that itself starts
// with the mark is stored the same way, so every value reads back exactly.
constexpr std::string_view kEscapeMark = "=?kelvra-escaped?";

bool NeedsEscape(std::string_view value) {
    return value.starts_with(kEscapeMark) ||
           value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string Escaped(std::string_view value) {
    if (!NeedsEscape(value)) return std::string(value);
    std::string out(kEscapeMark);
    for (char c : value) {
        switch (c) {
        case '%': out += "%25"; break;
        case '\r': out += "%0D"; break;
        case '\n': out += "%0A"; break;
        case '\0': out += "%00"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Unescaped(std::string value) {
    if (!value.starts_with(kEscapeMark)) return value;
    std::string out;
    for (std::size_t i = kEscapeMark.size(); i < value.size(); ++i) {
        std::string_view code = std::string_view(value).substr(i, 3);
        if (code == "%25")
            out += '%';
        else if (code == "%0D")
            out += '\r';
        else if (code == "%0A")
            out += '\n';
        else if (code == "%00")
            out += '\0';
        else {
            out += value[i];
            continue;
        }
        i += 2;
    }
    return out;
}

// Reads the keys from the file as it was read once.
class Reader {
public:
    // With `bad`, a strict integer that does not parse is listed there instead of stopping the load.
    Reader(const IniDocument &ini, std::vector<BadSettingsValue> *bad) : ini_(ini), bad_(bad) {}

    std::string Text(const char *section, const std::string &key, std::string_view defaultValue) const {
        std::optional<std::string> v = ini_.Read(section, key);
        return v ? Unescaped(std::move(*v)) : std::string(defaultValue);
    }

    // A flag is compared with one word only: the one that differs from its default.
    bool Flag(const char *key, bool defaultValue) const {
        std::optional<std::string> v = ini_.Read(kSetting, key);
        if (!v) return defaultValue;
        return defaultValue ? *v != "False" : *v == "True";
    }

    // Text that is not an integer gives the default.
    std::int32_t Lenient(const char *key, std::int32_t defaultValue) const {
        std::optional<std::string> v = ini_.Read(kSetting, key);
        if (!v) return defaultValue;
        return ParseSettingsInteger(*v).value_or(defaultValue);
    }

    // Text that is not an integer stops the load; a missing key gives the default.
    std::optional<int> Strict(const char *key, std::optional<int> defaultValue) const {
        std::optional<std::string> v = ini_.Read(kSetting, key);
        if (!v) return defaultValue;
        std::optional<std::int32_t> n = ParseSettingsInteger(*v);
        if (n) return *n;
        Bad(key, *v, "a whole number");
        return defaultValue;
    }
    int Strict(const char *key, int defaultValue) const { return *Strict(key, std::optional<int>(defaultValue)); }

    // A dialect's name in any letter case; another word is bad like a strict integer.
    SqlDialect Dialect(const char *key, SqlDialect defaultValue) const {
        std::optional<std::string> v = ini_.Read(kSetting, key);
        if (!v) return defaultValue;
        if (std::optional<SqlDialect> d = DialectNamed(*v)) return *d;
        Bad(key, *v, kSqlDialectChoices);
        return defaultValue;
    }

    // KeyWord<prefix>7 down to 0, each non-empty value put in front: the list
    // holds the values in key order with the gaps closed up.
    std::vector<std::string> History(const std::string &prefix) const {
        std::vector<std::string> list;
        for (int i = kSearchHistoryStored - 1; i >= 0; --i) {
            std::string v = Text(kHistory, prefix + std::to_string(i), "");
            if (!v.empty()) list.insert(list.begin(), std::move(v));
        }
        return list;
    }

private:
    // Lists the value when bad values are listed, else stops the load.
    void Bad(const char *key, const std::string &value, const char *expected) const {
        if (!bad_) throw StopLoad{};
        bad_->push_back({key, value, ini_.LineOf(kSetting, key).value_or(0), expected});
    }

    const IniDocument &ini_;
    std::vector<BadSettingsValue> *bad_;
};

void ReadAll(const Reader &r, const Settings &d, Settings &s) {
    EditorOptions &o = s.Options;
    const EditorOptions &od = d.Options;
    s.SettingsVersion = r.Text(kSoftware, "Version", d.SettingsVersion);
    o.BackColor = r.Lenient("BackColor", od.BackColor);
    o.EditorFont.name = r.Text(kSetting, "FontName", od.EditorFont.name);
    o.EditorFont.colour = r.Lenient("FontColor", od.EditorFont.colour);
    o.EditorFont.size = r.Lenient("FontSize", od.EditorFont.size);
    o.SaveCheck = r.Flag("SaveCheck", od.SaveCheck);
    o.SavePos = r.Flag("SavePos", od.SavePos);
    if (o.SavePos) {
        s.Top = r.Strict("Top", d.Top);
        s.Left = r.Strict("Left", d.Left);
    }
    o.SaveSize = r.Flag("SaveSize", od.SaveSize);
    if (o.SaveSize) {
        s.Height = r.Strict("Height", d.Height);
        s.Width = r.Strict("Width", d.Width);
    }
    o.SavePath = r.Flag("SavePath", od.SavePath);
    s.FilePath = r.Text(kSetting, "FilePath", d.FilePath);
    s.YoyakuStates = r.Text(kSetting, "Yoyaku", d.YoyakuStates);
    s.KansuStates = r.Text(kSetting, "Kansu", d.KansuStates);
    o.LfSp = r.Flag("LfSp", od.LfSp);
    o.Comma = r.Text(kSetting, "Comma", od.Comma == CommaPosition::Before ? "Before" : "After") == "Before"
                  ? CommaPosition::Before
                  : CommaPosition::After;
    s.StoredIndent = r.Strict("Indent", d.StoredIndent);
    o.Indent = EffectiveIndent(s.StoredIndent);
    o.Bold = r.Flag("Bold", od.Bold);
    o.SimpleMode = r.Flag("SimpleMode", od.SimpleMode);
    o.KeepMeaning = r.Flag("KeepMeaning", od.KeepMeaning);
    s.OpenFilter = r.Strict("OpenFilter", d.OpenFilter);
    s.SaveFilter = r.Strict("SaveFilter", d.SaveFilter);
    for (int i = 0; i < kRecentFileCount; ++i)
        s.History[i] = r.Text(kHistory, "Path" + std::to_string(i + 1), d.History[i]);
    s.PendingSearchHistory = r.History("KeyWordFrom");
    s.PendingReplaceHistory = r.History("KeyWordTo");
    std::string fixed = r.Text(kFont, "FixedOnly", od.FixedOnly ? "1" : "0");
    std::size_t first = fixed.find_first_not_of(" \t"), last = fixed.find_last_not_of(" \t");
    fixed = first == std::string::npos ? std::string() : fixed.substr(first, last - first + 1);
    o.FixedOnly = fixed != "0";
    // Last, so that a name the editor's load stops at loses no other key.
    o.Dialect = r.Dialect("Dialect", od.Dialect);
}

// Applies the keys to the file in memory; SaveSettings writes it once.
class Writer {
public:
    explicit Writer(IniDocument &ini) : ini_(ini) {}

    void Put(const char *section, const std::string &key, std::string_view value) {
        ini_.Write(section, key, Escaped(value));
    }
    void Put(const char *section, const std::string &key, std::int64_t value) {
        Put(section, key, std::to_string(value));
    }
    void Delete(const char *section, const char *key) { ini_.Delete(section, key); }

private:
    IniDocument &ini_;
};

void WriteAll(Writer &w, const Settings &s) {
    const EditorOptions &o = s.Options;
    w.Put(kSoftware, "Version", kSettingsVersionWritten);
    w.Put(kSetting, "BackColor", o.BackColor);
    w.Put(kSetting, "FontName", o.EditorFont.name);
    w.Put(kSetting, "FontColor", o.EditorFont.colour);
    w.Put(kSetting, "FontSize", o.EditorFont.size);
    w.Put(kSetting, "SaveCheck", FlagText(o.SaveCheck));
    w.Put(kSetting, "SavePos", FlagText(o.SavePos));
    if (o.SavePos) {
        if (s.Top) w.Put(kSetting, "Top", *s.Top);
        if (s.Left) w.Put(kSetting, "Left", *s.Left);
    } else {
        w.Delete(kSetting, "Top");
        w.Delete(kSetting, "Left");
    }
    w.Put(kSetting, "SaveSize", FlagText(o.SaveSize));
    if (o.SaveSize) {
        if (s.Height) w.Put(kSetting, "Height", *s.Height);
        if (s.Width) w.Put(kSetting, "Width", *s.Width);
    } else {
        w.Delete(kSetting, "Height");
        w.Delete(kSetting, "Width");
    }
    w.Put(kSetting, "SavePath", FlagText(o.SavePath));
    if (o.SavePath)
        w.Put(kSetting, "FilePath", s.FilePath);
    else
        w.Delete(kSetting, "FilePath");
    w.Put(kSetting, "Yoyaku", s.YoyakuStates);
    w.Put(kSetting, "Kansu", s.KansuStates);
    w.Put(kSetting, "LfSp", FlagText(o.LfSp));
    w.Put(kSetting, "Comma", o.Comma == CommaPosition::After ? "After" : "Before");
    w.Put(kSetting, "Indent", s.StoredIndent);
    w.Put(kSetting, "Bold", FlagText(o.Bold));
    w.Put(kSetting, "SimpleMode", FlagText(o.SimpleMode));
    w.Put(kSetting, "KeepMeaning", FlagText(o.KeepMeaning));
    w.Put(kSetting, "Dialect", DialectName(o.Dialect));
    w.Put(kSetting, "OpenFilter", s.OpenFilter);
    w.Put(kSetting, "SaveFilter", s.SaveFilter);
    for (int i = 0; i < kRecentFileCount; ++i) w.Put(kHistory, "Path" + std::to_string(i + 1), s.History[i]);
    for (std::size_t i = 0; i < s.PendingSearchHistory.size() && i < kSearchHistoryStored; ++i)
        w.Put(kHistory, "KeyWordFrom" + std::to_string(i), s.PendingSearchHistory[i]);
    for (std::size_t i = 0; i < s.PendingReplaceHistory.size() && i < kSearchHistoryStored; ++i)
        w.Put(kHistory, "KeyWordTo" + std::to_string(i), s.PendingReplaceHistory[i]);
    w.Put(kFont, "FixedOnly", o.FixedOnly ? "1" : "0");
}

bool IsFile(const fs::path &path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

std::optional<std::int32_t> ParseSettingsInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 16) {
        // Hexadecimal gives the 32 bits as they are: $80000005 is a negative number.
        std::int32_t bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(bits)) : bits;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

Settings DefaultSettings(const fs::path &programFolder) {
    Settings s;
    // The folder with its separator at the end ("/" when there is none).
    s.FilePath = programFolder.empty() ? "/" : PathToUtf8(programFolder / "");
    return s;
}

namespace {

Status ReadListingBadValues(const fs::path &iniPath, const Settings &defaults, Settings &settings,
                            std::vector<BadSettingsValue> *bad) {
    settings = defaults;
    settings.PendingSearchHistory.clear();
    settings.PendingReplaceHistory.clear();
    const IniDocument ini = IniDocument::Load(iniPath);
    try {
        ReadAll(Reader(ini, bad), defaults, settings);
    } catch (const StopLoad &) {
        return {false, kSettingsReadFailedMessage};
    }
    return {};
}

} // namespace

Status ReadSettingsFile(const fs::path &iniPath, const Settings &defaults, Settings &settings) {
    return ReadListingBadValues(iniPath, defaults, settings, nullptr);
}

Status LoadSettings(const fs::path &folder, const Settings &defaults, Settings &settings) {
    const fs::path ini = FollowLinks(folder / kSettingsFileName), bak = ini.parent_path() / kSettingsBackupName;
    fs::path source = ini;
    if (!IsFile(ini) && IsFile(bak)) {
        std::error_code ec;
        fs::copy_file(bak, ini, fs::copy_options::none, ec);
        if (!IsFile(ini)) source = bak; // the copy failed: the backup still holds the settings
    }
    return ReadSettingsFile(source, defaults, settings);
}

Status SaveSettings(const fs::path &folder, const Settings &settings) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    // A linked Kelvra.ini stays a link: the backup and the new file go where it points.
    const fs::path ini = FollowLinks(folder / kSettingsFileName), bak = ini.parent_path() / kSettingsBackupName;
    if (IsFile(ini)) {
        if (IsFile(bak)) fs::remove(bak, ec);
        fs::rename(ini, bak, ec); // when this fails the file is updated in place
    }
    IniDocument doc = IniDocument::Load(ini);
    Writer w(doc);
    WriteAll(w, settings);
    if (!doc.Save(ini)) return Status::Failure(kSettingsSaveFailedMessage);
    return {};
}

void InitialiseCatalogue(Settings &settings, KeywordCatalogue &catalogue) {
    catalogue.InitialiseFromStored(settings.YoyakuStates, settings.KansuStates, settings.SettingsVersion);
}

Status LoadFormattingSettings(const fs::path &iniPath, EditorOptions &options, KeywordCatalogue &catalogue,
                              std::vector<BadSettingsValue> *badValues) {
    // Like the editor, fall back on the backup beside a missing Kelvra.ini, but only read it.
    fs::path source = iniPath;
    const fs::path bak = iniPath.parent_path() / kSettingsBackupName;
    if (iniPath.filename() == kSettingsFileName && !IsFile(iniPath) && IsFile(bak)) source = bak;
    Settings settings;
    Status outcome = ReadListingBadValues(source, DefaultSettings(iniPath.parent_path()), settings, badValues);
    InitialiseCatalogue(settings, catalogue);
    options = settings.Options;
    return outcome;
}

fs::path ChooseSettingsFolder(const fs::path &programFolder, bool programFolderWritable,
                              const fs::path &userSettingsFolder) {
    return programFolderWritable || userSettingsFolder.empty() ? programFolder : userSettingsFolder;
}

bool IsInstalledProgramFolder(const fs::path &programFolder) {
    if (programFolder.empty()) return false;
    const fs::path prefix = programFolder.parent_path();
    std::error_code ec;
    for (const char *installed : {"share/man/man1/kelvra-format.1", "share/applications/org.kelvra.Kelvra.desktop"})
        if (fs::is_regular_file(prefix / installed, ec)) return true;
    return false;
}

fs::path SettingsFolder(const fs::path &programFolder) {
    bool writable = !programFolder.empty() && MayWriteIn(programFolder) && !IsInstalledProgramFolder(programFolder);
    return ChooseSettingsFolder(programFolder, writable, UserSettingsFolder());
}

fs::path SettingsFileToRead(const fs::path &settingsFolder, const fs::path &programFolder) {
    std::error_code ec;
    const fs::path own = settingsFolder / kSettingsFileName;
    if (settingsFolder == programFolder || fs::exists(own, ec) || fs::exists(settingsFolder / kSettingsBackupName, ec))
        return own;
    const fs::path besideProgram = programFolder / kSettingsFileName;
    return fs::is_regular_file(besideProgram, ec) ? besideProgram : own;
}

} // namespace kelvra
