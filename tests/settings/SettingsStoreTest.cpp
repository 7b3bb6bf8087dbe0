#include "settings/SettingsStore.h"
#include "platform/TextCodec.h"

#include "support/Environment.h"
#include "support/Posix.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp_.path().empty());
        dir_ = temp_.path();
        defaults_ = DefaultSettings("/opt/kelvra");
    }

    fs::path Ini() const { return dir_ / "Kelvra.ini"; }
    fs::path Bak() const { return dir_ / "Kelvra.bak"; }

    // Writes UTF-8 text with LF line ends as a Windows program would: code page 932, CR LF.
    static void WriteWindowsFile(const fs::path &path, const std::string &text) {
        std::string crlf;
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        std::ofstream(path, std::ios::binary) << EncodeCp932(crlf).bytes;
    }
    static std::string Text(const fs::path &path) {
        std::ifstream in(path, std::ios::binary);
        return DecodeCp932(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())).text;
    }
    static bool Has(const std::string &text, const std::string &line) {
        return ("\r\n" + text).find("\r\n" + line + "\r\n") != std::string::npos;
    }
    // Section and key names of a file, in order ("[Section]" or the key).
    static std::vector<std::string> Names(const std::string &text) {
        std::vector<std::string> names;
        std::size_t start = 0, end;
        while ((end = text.find("\r\n", start)) != std::string::npos) {
            std::string line = text.substr(start, end - start);
            names.push_back(line.starts_with("[") ? line : line.substr(0, line.find('=')));
            start = end + 2;
        }
        return names;
    }
    Status Load(Settings &s) { return LoadSettings(dir_, defaults_, s); }

    test::TempDir temp_{"kelvra-settings"};
    fs::path dir_;
    Settings defaults_;
};

void ExpectSameSettings(const Settings &a, const Settings &b) {
    const EditorOptions &x = a.Options, &y = b.Options;
    EXPECT_EQ(x.Indent, y.Indent);
    EXPECT_EQ(x.Comma, y.Comma);
    EXPECT_EQ(x.LfSp, y.LfSp);
    EXPECT_EQ(x.Bold, y.Bold);
    EXPECT_EQ(x.SimpleMode, y.SimpleMode);
    EXPECT_EQ(x.KeepMeaning, y.KeepMeaning);
    EXPECT_EQ(x.Dialect, y.Dialect);
    EXPECT_EQ(x.SaveCheck, y.SaveCheck);
    EXPECT_EQ(x.SavePos, y.SavePos);
    EXPECT_EQ(x.SaveSize, y.SaveSize);
    EXPECT_EQ(x.SavePath, y.SavePath);
    EXPECT_EQ(x.BackColor, y.BackColor);
    EXPECT_EQ(x.EditorFont.name, y.EditorFont.name);
    EXPECT_EQ(x.EditorFont.size, y.EditorFont.size);
    EXPECT_EQ(x.EditorFont.colour, y.EditorFont.colour);
    EXPECT_EQ(x.FixedOnly, y.FixedOnly);
    EXPECT_EQ(a.StoredIndent, b.StoredIndent);
    EXPECT_EQ(a.Top, b.Top);
    EXPECT_EQ(a.Left, b.Left);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.FilePath, b.FilePath);
    EXPECT_EQ(a.YoyakuStates, b.YoyakuStates);
    EXPECT_EQ(a.KansuStates, b.KansuStates);
    EXPECT_EQ(a.OpenFilter, b.OpenFilter);
    EXPECT_EQ(a.SaveFilter, b.SaveFilter);
    EXPECT_EQ(a.History, b.History);
    EXPECT_EQ(a.PendingSearchHistory, b.PendingSearchHistory);
    EXPECT_EQ(a.PendingReplaceHistory, b.PendingReplaceHistory);
}

TEST_F(SettingsStoreTest, FirstStartWithoutFilesGivesDefaultsAndSaveCreatesTheFile) {
    Settings s;
    ASSERT_TRUE(Load(s));
    ExpectSameSettings(s, defaults_);
    EXPECT_EQ(s.SettingsVersion, "105");
    // The program's folder with the system's separator after it.
    EXPECT_EQ(s.FilePath, "/opt/kelvra" + std::string(1, static_cast<char>(fs::path::preferred_separator)));
    EXPECT_EQ(s.Options.BackColor, -2147483643);
    EXPECT_EQ(s.Options.EditorFont.colour, -2147483640);
    EXPECT_EQ(s.Options.EditorFont.name, "ＭＳ ゴシック");
    EXPECT_EQ(s.Options.EditorFont.size, 10);
    EXPECT_FALSE(s.Top.has_value());
    EXPECT_TRUE(fs::is_empty(dir_));

    s.Top = 10; // the window's place at exit is not written while SavePos is off
    ASSERT_TRUE(SaveSettings(dir_, s));
    const std::string text = Text(Ini());
    EXPECT_TRUE(text.starts_with("[Software]\r\nVersion=109\r\n[Setting]\r\nBackColor=-2147483643\r\n"));
    for (const char *key : {"Top", "Left", "Height", "Width", "KeyWordFrom0", "KeyWordTo0"})
        EXPECT_EQ(text.find(std::string("\r\n") + key + "="), std::string::npos) << key;
    EXPECT_TRUE(Has(text, "FontName=ＭＳ ゴシック"));
    EXPECT_TRUE(Has(text, "Yoyaku="));
    EXPECT_FALSE(fs::exists(Bak()));
}

TEST_F(SettingsStoreTest, OnlyTheBackupPresentIsBroughtBackAndMovedAsideAgainOnSave) {
    WriteWindowsFile(Bak(), "[Setting]\nFontSize=14\n");
    Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.Options.EditorFont.size, 14);
    EXPECT_EQ(Text(Ini()), "[Setting]\r\nFontSize=14\r\n");

    s.Options.EditorFont.size = 9;
    ASSERT_TRUE(SaveSettings(dir_, s));
    EXPECT_EQ(Text(Bak()), "[Setting]\r\nFontSize=14\r\n");
    EXPECT_TRUE(Has(Text(Ini()), "FontSize=9"));
}

TEST_F(SettingsStoreTest, BackupIsReadEvenWhenItCannotBeCopiedIntoPlace) {
    fs::create_directory(Ini()); // the copy is refused
    WriteWindowsFile(Bak(), "[Setting]\nFontSize=14\n");
    Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.Options.EditorFont.size, 14);
}

TEST_F(SettingsStoreTest, ADamagedStrictIntegerStopsTheLoadThere) {
    const std::string before = "[Software]\nVersion=109\n[Setting]\nFontSize=12\nSaveCheck=False\n";
    const std::string after = "Left=5\nSaveSize=True\nHeight=300\nSavePath=False\nFilePath=/data/\n"
                              "Yoyaku=0\nKansu=0\nLfSp=True\nComma=Before\nIndent=3\nBold=False\n"
                              "SimpleMode=True\nOpenFilter=2\nSaveFilter=3\n"
                              "[History]\nPath1=/a.sql\nKeyWordFrom0=SELECT\nKeyWordTo0=FROM\n"
                              "[Font]\nFixedOnly=0\n";
    struct Case {
        const char *name, *damaged;
    } cases[] = {
        {"Top", "SavePos=True\nTop=abc\n"},
        {"Top empty", "SavePos=True\nTop=\n"},
        {"Top fraction", "SavePos=True\nTop=1.5\n"},
        {"Top overflow", "SavePos=True\nTop=2147483648\n"},
    };
    for (const Case &c : cases) {
        WriteWindowsFile(Ini(), before + c.damaged + after);
        Settings s;
        Status outcome = Load(s);
        EXPECT_FALSE(outcome.ok) << c.name;
        EXPECT_EQ(outcome.message, "Kelvra.iniの読み取りに失敗しました") << c.name;
        // Read before the failure.
        EXPECT_EQ(s.SettingsVersion, "109");
        EXPECT_EQ(s.Options.EditorFont.size, 12);
        EXPECT_FALSE(s.Options.SaveCheck);
        EXPECT_TRUE(s.Options.SavePos);
        // Everything from the failing key on keeps its default.
        Settings expected = defaults_;
        expected.Options.EditorFont.size = 12;
        expected.Options.SaveCheck = false;
        expected.Options.SavePos = true;
        ExpectSameSettings(s, expected);
    }

    // A damaged value late in the file keeps everything before it.
    WriteWindowsFile(Ini(), before + "Indent=3\nBold=False\nOpenFilter=two\nSaveFilter=3\n[Font]\nFixedOnly=0\n");
    Settings s;
    EXPECT_FALSE(Load(s).ok);
    EXPECT_EQ(s.Options.Indent, 3);
    EXPECT_FALSE(s.Options.Bold);
    EXPECT_EQ(s.OpenFilter, 1);
    EXPECT_EQ(s.SaveFilter, 1);
    EXPECT_TRUE(s.Options.FixedOnly);
}

TEST_F(SettingsStoreTest, FlagsAreComparedWithOneExactWord) {
    struct Case {
        const char *key, *text;
        bool EditorOptions::*field;
        bool expected;
    } cases[] = {
        {"SaveCheck", "False", &EditorOptions::SaveCheck, false},
        {"SaveCheck", "false", &EditorOptions::SaveCheck, true},
        {"SaveCheck", "0", &EditorOptions::SaveCheck, true},
        {"SavePath", "FALSE", &EditorOptions::SavePath, true},
        {"Bold", "False", &EditorOptions::Bold, false},
        {"SavePos", "True", &EditorOptions::SavePos, true},
        {"SavePos", "true", &EditorOptions::SavePos, false},
        {"SaveSize", "1", &EditorOptions::SaveSize, false},
        {"LfSp", "True", &EditorOptions::LfSp, true},
        {"SimpleMode", "yes", &EditorOptions::SimpleMode, false},
        {"SimpleMode", " True ", &EditorOptions::SimpleMode, true}, // blanks around a value never count
        {"KeepMeaning", "False", &EditorOptions::KeepMeaning, false},
        {"KeepMeaning", "false", &EditorOptions::KeepMeaning, true},
        {"KeepMeaning", "no", &EditorOptions::KeepMeaning, true}, // on unless it says False
    };
    for (const Case &c : cases) {
        WriteWindowsFile(Ini(), std::string("[Setting]\n") + c.key + "=" + c.text + "\n");
        Settings s;
        ASSERT_TRUE(Load(s));
        EXPECT_EQ(s.Options.*c.field, c.expected) << c.key << "=" << c.text;
    }
}

TEST_F(SettingsStoreTest, OddTextValuesTakeTheirDefaults) {
    struct Case {
        const char *line;
        CommaPosition comma;
        bool fixedOnly;
    } cases[] = {
        {"[Setting]\nComma=Before\n", CommaPosition::Before, true},
        {"[Setting]\nComma=before\n", CommaPosition::After, true},
        {"[Setting]\nComma=Middle\n", CommaPosition::After, true},
        {"[Font]\nFixedOnly=0\n", CommaPosition::After, false},
        {"[Font]\nFixedOnly=\" 0 \"\n", CommaPosition::After, false},
        {"[Font]\nFixedOnly=00\n", CommaPosition::After, true},
        {"[Font]\nFixedOnly=\n", CommaPosition::After, true},
    };
    for (const Case &c : cases) {
        WriteWindowsFile(Ini(), c.line);
        Settings s;
        ASSERT_TRUE(Load(s));
        EXPECT_EQ(s.Options.Comma, c.comma) << c.line;
        EXPECT_EQ(s.Options.FixedOnly, c.fixedOnly) << c.line;
    }
}

// Dialect is read in any letter case (written in small letters: see the round
// trip above); a name that is none keeps `any` and is told like a damaged
// number, without losing the keys around it.
TEST_F(SettingsStoreTest, DialectIsOneOfFiveNames) {
    struct Case {
        const char *value;
        SqlDialect dialect;
        bool known;
    } cases[] = {
        {"any", SqlDialect::Any, true},
        {"Oracle", SqlDialect::Oracle, true},
        {"POSTGRESQL", SqlDialect::PostgreSql, true},
        {"mysql", SqlDialect::MySql, true},
        {"SqlServer", SqlDialect::SqlServer, true},
        {"postgres", SqlDialect::Any, false},
        {"", SqlDialect::Any, false},
        {"sql server", SqlDialect::Any, false},
    };
    for (const Case &c : cases) {
        WriteWindowsFile(Ini(), std::string("[Setting]\nLfSp=True\nDialect=") + c.value + "\nIndent=3\n");
        Settings s;
        const Status outcome = Load(s);
        EXPECT_EQ(outcome.ok, c.known) << c.value;
        if (!c.known) {
            EXPECT_EQ(outcome.message, "Kelvra.iniの読み取りに失敗しました");
        }
        EXPECT_EQ(s.Options.Dialect, c.dialect) << c.value;
        EXPECT_TRUE(s.Options.LfSp) << c.value;
        EXPECT_EQ(s.Options.Indent, 3) << c.value;

        EditorOptions options;
        KeywordCatalogue catalogue;
        std::vector<BadSettingsValue> bad;
        EXPECT_TRUE(LoadFormattingSettings(Ini(), options, catalogue, &bad)) << c.value;
        EXPECT_EQ(options.Dialect, c.dialect) << c.value;
        const std::vector<BadSettingsValue> expected =
            c.known ? std::vector<BadSettingsValue>{}
                    : std::vector<BadSettingsValue>{
                          {"Dialect", c.value, 3, "one of any, oracle, postgresql, mysql, sqlserver"}};
        EXPECT_EQ(bad, expected) << c.value;
    }
}

TEST(SettingsInteger, DecimalAndHexadecimalForms) {
    struct Case {
        const char *text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", 0},
        {"42", 42},
        {"1990", 1990},
        {"0x9f", 159},
        {"+7", 7},
        {"-2147483643", -2147483643},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"0000000000012", 12},
        {"0xFF", 255},
        {"0XfF", 255},
        {"$ff", 255},
        {"-$10", -16},
        {"$80000005", -2147483643},
        {"0xFFFFFFFF", -1},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"blue", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"12a", std::nullopt},
        {"FF", std::nullopt},
        {" 1", std::nullopt},
        {"1.0", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"0x100000000", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const Case &c : cases) EXPECT_EQ(ParseSettingsInteger(c.text), c.value) << c.text;
}

TEST_F(SettingsStoreTest, ColoursAreLenientIntegers) {
    WriteWindowsFile(Ini(), "[Setting]\nBackColor=0xFF\nFontColor=blue\nFontSize=x\n");
    Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.Options.BackColor, 0xFF);
    EXPECT_EQ(s.Options.EditorFont.colour, kSystemColourWindowText);
    EXPECT_EQ(s.Options.EditorFont.size, 10);

    ASSERT_TRUE(SaveSettings(dir_, s));
    EXPECT_TRUE(Has(Text(Ini()), "BackColor=255"));
    EXPECT_TRUE(Has(Text(Ini()), "FontColor=-2147483640"));
}

TEST_F(SettingsStoreTest, IndentOutsideOneToTenFormatsWithEightAndIsWrittenBackUnchanged) {
    for (int stored : {12, 0, -3, 1, 10}) {
        WriteWindowsFile(Ini(), "[Setting]\nIndent=" + std::to_string(stored) + "\n");
        Settings s;
        ASSERT_TRUE(Load(s));
        EXPECT_EQ(s.StoredIndent, stored);
        EXPECT_EQ(s.Options.Indent, stored >= 1 && stored <= 10 ? stored : 8);
        ASSERT_TRUE(SaveSettings(dir_, s));
        EXPECT_TRUE(Has(Text(Ini()), "Indent=" + std::to_string(stored)));
    }
}

TEST_F(SettingsStoreTest, HistoriesCloseTheirGaps) {
    WriteWindowsFile(Ini(), "[History]\nPath1=/a.sql\nPath3=/c.sql\n"
                            "KeyWordFrom0=SELECT\nKeyWordFrom2=FROM\nKeyWordFrom5=\n"
                            "KeyWordTo7=last\nKeyWordTo8=ignored\nKeyWordTo1=first\n");
    Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.History[0], "/a.sql");
    EXPECT_EQ(s.History[1], "");
    EXPECT_EQ(s.History[2], "/c.sql");
    EXPECT_EQ(s.PendingSearchHistory, (std::vector<std::string>{"SELECT", "FROM"}));
    EXPECT_EQ(s.PendingReplaceHistory, (std::vector<std::string>{"first", "last"}));
}

TEST_F(SettingsStoreTest, SectionsAndKeysMatchInAnyLetterCase) {
    WriteWindowsFile(Ini(), "[SETTING]\nsavepos=True\ntop=5\nLEFT=6\nindent=4\n[history]\nkeywordfrom0=x\n"
                            "[font]\nfixedonly=0\n");
    Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_TRUE(s.Options.SavePos);
    EXPECT_EQ(s.Top, 5);
    EXPECT_EQ(s.Left, 6);
    EXPECT_EQ(s.Options.Indent, 4);
    EXPECT_EQ(s.PendingSearchHistory, std::vector<std::string>{"x"});
    EXPECT_FALSE(s.Options.FixedOnly);
}

TEST_F(SettingsStoreTest, PlacementIsReadOnlyWhileItIsRemembered) {
    WriteWindowsFile(Ini(), "[Setting]\nSavePos=False\nTop=abc\nLeft=1\nSaveSize=True\nHeight=300\n");
    Settings defaults = defaults_;
    defaults.Width = 640; // where the window stands now
    Settings s;
    ASSERT_TRUE(LoadSettings(dir_, defaults, s));
    EXPECT_FALSE(s.Top.has_value());
    EXPECT_FALSE(s.Left.has_value());
    EXPECT_EQ(s.Height, 300);
    EXPECT_EQ(s.Width, 640);
}

TEST_F(SettingsStoreTest, SaveAndLoadGiveTheSameModelWithKeysInTheirOrder) {
    Settings s = defaults_;
    EditorOptions &o = s.Options;
    o.Indent = 4;
    o.Comma = CommaPosition::Before;
    o.LfSp = true;
    o.Bold = false;
    o.SimpleMode = true;
    o.KeepMeaning = false;
    o.Dialect = SqlDialect::PostgreSql;
    o.SaveCheck = false;
    o.SavePos = o.SaveSize = true;
    o.BackColor = 0x00336699;
    o.EditorFont = {"IPAゴシック", 12, 0x000000FF};
    o.FixedOnly = false;
    s.StoredIndent = 4;
    s.Top = -20;
    s.Left = 30;
    s.Height = 480;
    s.Width = 640;
    s.FilePath = "/home/user/sql/";
    s.YoyakuStates = std::string(283, '1') + "0";
    s.KansuStates = std::string(82, '2') + "1";
    s.OpenFilter = 2;
    s.SaveFilter = 5;
    s.History = {"/a.sql", "/表示.sql", "", "", "", "", "", ""};
    s.PendingSearchHistory = {"SELECT", "  padded  ", "'quoted'"};
    s.PendingReplaceHistory = {"FROM"};

    ASSERT_TRUE(SaveSettings(dir_, s));
    Settings back;
    ASSERT_TRUE(Load(back));
    ExpectSameSettings(back, s);
    EXPECT_EQ(back.SettingsVersion, "109");

    EXPECT_EQ(
        Names(Text(Ini())),
        (std::vector<std::string>{
            "[Software]", "Version",      "[Setting]",    "BackColor",    "FontName",   "FontColor",  "FontSize",
            "SaveCheck",  "SavePos",      "Top",          "Left",         "SaveSize",   "Height",     "Width",
            "SavePath",   "FilePath",     "Yoyaku",       "Kansu",        "LfSp",       "Comma",      "Indent",
            "Bold",       "SimpleMode",   "KeepMeaning",  "Dialect",      "OpenFilter", "SaveFilter", "[History]",
            "Path1",      "Path2",        "Path3",        "Path4",        "Path5",      "Path6",      "Path7",
            "Path8",      "KeyWordFrom0", "KeyWordFrom1", "KeyWordFrom2", "KeyWordTo0", "[Font]",     "FixedOnly"}));
    const std::string text = Text(Ini());
    for (const char *line : {"SaveCheck=False", "KeepMeaning=False", "Dialect=postgresql", "SavePos=True", "Top=-20",
                             "Comma=Before", "Path3=", "FixedOnly=0", "FontColor=255",
                             "Yoyaku="
                             "1111"})
        EXPECT_NE(("\r\n" + text).find(std::string("\r\n") + line), std::string::npos) << line;
}

TEST_F(SettingsStoreTest, ValuesCodePage932CannotHoldSurviveTheRoundTrip) {
    Settings s = defaults_;
    s.FilePath = "/home/\xF0\x9F\x98\x80/";
    s.History[0] = "/data/wave\xE3\x80\x9C.sql";
    // Values that cannot stand on one line of the file, and one that looks like
    // their escaped form, come back exactly.
    s.History[1] = "/data/two\nlines.sql";
    s.History[2] = "/data/cr\rend%0A.sql";
    s.History[3] = "=?kelvra-escaped?%25";
    s.Options.EditorFont.name = std::string("Font\0Name", 9);
    s.PendingSearchHistory = {"ＭＳ", "a\r\nb"};
    ASSERT_TRUE(SaveSettings(dir_, s));
    Settings back;
    ASSERT_TRUE(Load(back));
    EXPECT_EQ(back.FilePath, s.FilePath);
    EXPECT_EQ(back.History[0], s.History[0]);
    EXPECT_EQ(back.History, s.History);
    EXPECT_EQ(back.PendingSearchHistory, s.PendingSearchHistory);
    EXPECT_EQ(back.Options.EditorFont.name, s.Options.EditorFont.name);
    EXPECT_FALSE(Has(Text(Ini()), "two\nlines"));
}

TEST_F(SettingsStoreTest, FileIsUpdatedInPlaceWhenItCannotBeMovedAside) {
    fs::create_directory(Bak()); // the rename to Kelvra.bak fails
    WriteWindowsFile(Ini(), "[Software]\nVersion=105\n[Setting]\nTop=1\nLeft=2\nFilePath=/old/\n"
                            "[History]\nKeyWordFrom0=a\nKeyWordFrom5=old\n[Mine]\nkept=yes\n");
    Settings s = defaults_;
    s.Options.SavePath = false;
    s.PendingSearchHistory = {"new0", "new1"};
    ASSERT_TRUE(SaveSettings(dir_, s));
    const std::string text = Text(Ini());
    EXPECT_TRUE(Has(text, "Version=109"));
    EXPECT_TRUE(Has(text, "KeyWordFrom0=new0"));
    EXPECT_TRUE(Has(text, "KeyWordFrom5=old"));
    EXPECT_TRUE(Has(text, "[Mine]"));
    EXPECT_TRUE(Has(text, "kept=yes"));
    for (const char *key : {"Top=", "Left=", "FilePath="}) EXPECT_EQ(text.find(key), std::string::npos) << key;
    EXPECT_TRUE(fs::is_directory(Bak()));
}

TEST_F(SettingsStoreTest, InPlaceUpdateKeepsTheBytesOfWhatItDoesNotWrite) {
    fs::create_directory(Bak()); // the rename to Kelvra.bak fails
    // A section of another program with bytes that do not decode and a
    // character code page 932 holds twice (ED40 beside FA5C), and LF line ends.
    const std::string foreign = "[Other]\nKeep=\x85\x40\xED\x40\nCRLF=\x95\x5C\r\n";
    std::ofstream(Ini(), std::ios::binary) << "[Setting]\r\nFontSize=14\r\n" + foreign;
    ASSERT_TRUE(SaveSettings(dir_, defaults_));
    std::ifstream in(Ini(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF"));
    EXPECT_NE(bytes.find(foreign), std::string::npos);
}

TEST_F(SettingsStoreTest, ALinkedSettingsFileStaysALink) {
    KELVRA_POSIX_ONLY("symbolic links that need no privilege");
    const fs::path real = dir_ / "real";
    fs::create_directory(real);
    WriteWindowsFile(real / "Kelvra.ini", "[Setting]\nFontSize=14\n");
    fs::create_symlink(real / "Kelvra.ini", Ini());
    Settings s = defaults_;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.Options.EditorFont.size, 14);
    s.Options.EditorFont.size = 15;
    ASSERT_TRUE(SaveSettings(dir_, s));
    EXPECT_TRUE(fs::is_symlink(Ini()));
    EXPECT_TRUE(Has(Text(real / "Kelvra.ini"), "FontSize=15"));
    EXPECT_TRUE(Has(Text(real / "Kelvra.bak"), "FontSize=14"));
    EXPECT_FALSE(fs::exists(Bak()));
    // A second save still goes through the link.
    s.Options.EditorFont.size = 16;
    ASSERT_TRUE(SaveSettings(dir_, s));
    EXPECT_TRUE(fs::is_symlink(Ini()));
    EXPECT_TRUE(Has(Text(Ini()), "FontSize=16"));
}

TEST_F(SettingsStoreTest, ARefusedWriteStopsTheSaveAndTheBackupKeepsThePreviousSettings) {
    WriteWindowsFile(Bak(), "[Setting]\nFontSize=14\n");
    fs::create_directory(Ini()); // a directory where the file should be
    Status outcome = SaveSettings(dir_, defaults_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "Kelvra.iniの保存に失敗しました。\r\n今回の設定情報は保存されませんでした");
    EXPECT_EQ(Text(Bak()), "[Setting]\r\nFontSize=14\r\n");
    EXPECT_TRUE(fs::is_directory(Ini()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(SettingsStoreTest, SaveCreatesAMissingSettingsFolder) {
    const fs::path folder = dir_ / "config" / "Kelvra";
    ASSERT_TRUE(SaveSettings(folder, defaults_));
    EXPECT_TRUE(fs::is_regular_file(folder / "Kelvra.ini"));
}

TEST_F(SettingsStoreTest, CatalogueStartsFromTheStoredStrings) {
    const int decode = 125, deflt = 126, nvl = 48;
    std::string olderYoyaku(283, '1');
    olderYoyaku[decode - 1] = '0'; // in the older layout this character belongs to DEFAULT
    std::string kansu(83, '2');
    kansu[nvl - 1] = '1';
    struct Case {
        std::string version, yoyaku, kansu;
        bool decodeChecked, defaultChecked, nvlChecked;
    } cases[] = {
        {"105", olderYoyaku, std::string(82, '2'), true, false, true},
        {"", olderYoyaku, std::string(82, '2'), true, false, true}, // a missing Version means 105
        {"109", olderYoyaku, kansu, true, true, false},             // wrong length: all checked
        {"109", std::string(284, '1'), "", true, true, true},       // one string empty: all checked
    };
    for (const Case &c : cases) {
        std::string file = "[Setting]\nYoyaku=" + c.yoyaku + "\nKansu=" + c.kansu + "\n";
        if (!c.version.empty()) file = "[Software]\nVersion=" + c.version + "\n" + file;
        WriteWindowsFile(Ini(), file);
        Settings s;
        ASSERT_TRUE(Load(s));
        KeywordCatalogue catalogue;
        InitialiseCatalogue(s, catalogue);
        EXPECT_EQ(catalogue.IsChecked(KeywordList::Yoyaku, decode), c.decodeChecked) << c.version;
        EXPECT_EQ(catalogue.IsChecked(KeywordList::Yoyaku, deflt), c.defaultChecked) << c.version;
        EXPECT_EQ(catalogue.IsChecked(KeywordList::Kansu, nvl), c.nvlChecked) << c.version;
    }
    // The converted strings are what the next save writes.
    WriteWindowsFile(Ini(), "[Setting]\nYoyaku=" + olderYoyaku + "\nKansu=" + std::string(82, '0') + "\n");
    Settings s;
    ASSERT_TRUE(Load(s));
    KeywordCatalogue catalogue;
    InitialiseCatalogue(s, catalogue);
    EXPECT_EQ(s.YoyakuStates.size(), 284u);
    // DECODE is put in among the functions, checked, between its unchecked neighbours.
    EXPECT_EQ(s.KansuStates.substr(KeywordCatalogue::Find(KeywordList::Kansu, "DECODE") - 2, 3), "020");
}

TEST_F(SettingsStoreTest, FormattingSettingsComeFromOneFileWithoutTouchingIt) {
    const int andPos = KeywordCatalogue::Find(KeywordList::Yoyaku, "AND");
    std::string yoyaku(284, '1');
    yoyaku[andPos - 1] = '0';
    WriteWindowsFile(Bak(), "[Setting]\nIndent=3\n");
    WriteWindowsFile(Ini(), "[Software]\nVersion=109\n[Setting]\nYoyaku=" + yoyaku + "\nKansu=" + std::string(83, '2') +
                                "\nLfSp=True\nComma=Before\nIndent=12\nBold=False\n"
                                "SimpleMode=True\nKeepMeaning=False\n");
    EditorOptions options;
    KeywordCatalogue catalogue;
    ASSERT_TRUE(LoadFormattingSettings(Ini(), options, catalogue));
    EXPECT_EQ(options.Indent, 8);
    EXPECT_EQ(options.Comma, CommaPosition::Before);
    EXPECT_TRUE(options.LfSp);
    EXPECT_FALSE(options.Bold);
    EXPECT_TRUE(options.SimpleMode);
    EXPECT_FALSE(options.KeepMeaning);
    EXPECT_FALSE(catalogue.IsChecked(KeywordList::Yoyaku, andPos));
    EXPECT_FALSE(catalogue.ContainsChecked(KeywordList::UsiroNo, "AND"));

    EditorOptions fresh;
    KeywordCatalogue all;
    all.SetState(KeywordList::Yoyaku, 1, CheckState::Unchecked);
    ASSERT_TRUE(LoadFormattingSettings(dir_ / "none.ini", fresh, all));
    EXPECT_EQ(fresh.Indent, 8);
    EXPECT_TRUE(all.IsChecked(KeywordList::Yoyaku, 1));
    EXPECT_FALSE(fs::exists(dir_ / "none.ini"));

    fs::remove(Ini());
    ASSERT_TRUE(LoadFormattingSettings(Ini(), fresh, all));
    EXPECT_EQ(fresh.Indent, 3); // from the backup, which stays where it is
    EXPECT_FALSE(fs::exists(Ini()));
}

TEST(SettingsFolder, ProgramFolderWhenWritableElseTheUsersOwn) {
    struct Case {
        bool writable;
        const char *user, *expected;
    } cases[] = {
        {true, "/home/u/.config/Kelvra", "/opt/kelvra"},
        {false, "/home/u/.config/Kelvra", "/home/u/.config/Kelvra"},
        {false, "", "/opt/kelvra"}, // nowhere else to go
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChooseSettingsFolder("/opt/kelvra", c.writable, c.user), fs::path(c.expected)) << c.user;
    EXPECT_FALSE(ExecutableFolder().empty());
}

// A folder the user may write holds the settings only when it is not part of
// an installed layout; installing as root must not put Kelvra.ini into bin/.
TEST_F(SettingsStoreTest, AnInstalledProgramFolderNeverHoldsTheSettings) {
    struct Case {
        const char *name, *besideBin;
        bool installed;
    } cases[] = {
        {"build", nullptr, false},
        {"portable", "Kelvra.ini", false},
        {"man", "share/man/man1/kelvra-format.1", true},
        {"desktop", "share/applications/org.kelvra.Kelvra.desktop", true},
        {"manFolderOnly", "share/man/man1/kelvra-format.1/", false},
        {"otherManPage", "share/man/man1/other.1", false},
    };
    const test::ScopedEnvironment userConfig(test::UserConfigVariable(), (dir_ / "xdg").string().c_str());
    for (const Case &c : cases) {
        const fs::path prefix = dir_ / c.name, bin = prefix / "bin";
        fs::create_directories(bin);
        if (c.besideBin) {
            const fs::path file = prefix / c.besideBin;
            if (std::string(c.besideBin).ends_with('/')) {
                fs::create_directories(file);
            } else {
                fs::create_directories(file.parent_path());
                std::ofstream(file) << "x";
            }
        }
        EXPECT_EQ(IsInstalledProgramFolder(bin), c.installed) << c.name;
        EXPECT_EQ(SettingsFolder(bin), c.installed ? dir_ / "xdg" / "Kelvra" : bin) << c.name;
    }
}

TEST_F(SettingsStoreTest, TheFileBesideTheProgramIsReadUntilTheSettingsFolderHasItsOwn) {
    const fs::path bin = dir_ / "bin", config = dir_ / "config";
    fs::create_directories(bin);
    fs::create_directories(config);
    struct Case {
        const char *inConfig, *inBin, *expected;
    } cases[] = {
        {nullptr, nullptr, "config/Kelvra.ini"},           {nullptr, "Kelvra.ini", "bin/Kelvra.ini"},
        {nullptr, "Kelvra.bak", "config/Kelvra.ini"},      {"Kelvra.ini", "Kelvra.ini", "config/Kelvra.ini"},
        {"Kelvra.bak", "Kelvra.ini", "config/Kelvra.ini"},
    };
    for (const Case &c : cases) {
        for (const fs::path &f : {config / "Kelvra.ini", config / "Kelvra.bak", bin / "Kelvra.ini", bin / "Kelvra.bak"})
            fs::remove(f);
        if (c.inConfig) std::ofstream(config / c.inConfig) << "[Setting]";
        if (c.inBin) std::ofstream(bin / c.inBin) << "[Setting]";
        EXPECT_EQ(SettingsFileToRead(config, bin), dir_ / c.expected)
            << (c.inConfig ? c.inConfig : "-") << " " << (c.inBin ? c.inBin : "-");
    }
    // The program's own folder as the settings folder reads its own file, present or not.
    EXPECT_EQ(SettingsFileToRead(bin, bin), bin / "Kelvra.ini");
}

} // namespace
