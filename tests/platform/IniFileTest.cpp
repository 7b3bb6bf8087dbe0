#include "platform/IniFile.h"
#include "platform/TextCodec.h"

#include "support/Posix.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp_.path().empty());
        dir_ = temp_.path();
        path_ = dir_ / "test.ini";
    }

    void WriteBytes(const std::string &bytes) {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }
    std::string Bytes() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // Cp932 bytes of UTF-8 text, as a Windows program would have written it.
    static std::string Sjis(const std::string &utf8) { return EncodeCp932(utf8).bytes; }
    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // One read, change and write of the file, as each call of the Windows
    // profile functions makes.
    IniDocument Load(const fs::path &path) const { return IniDocument::Load(path); }
    IniDocument Load() const { return Load(path_); }
    bool WriteString(const std::string &section, const std::string &key, const std::string &value,
                     const fs::path &path) const {
        IniDocument doc = Load(path);
        return doc.Writable() && doc.Write(section, key, value) && doc.Save(path);
    }
    bool WriteString(const std::string &section, const std::string &key, const std::string &value) const {
        return WriteString(section, key, value, path_);
    }
    bool DeleteKey(const std::string &section, const std::string &key) const {
        IniDocument doc = Load();
        if (!doc.Exists()) return doc.Writable();
        return !doc.Delete(section, key) || doc.Save(path_);
    }

    test::TempDir temp_{"kelvra-ini"};
    fs::path dir_, path_;
};

TEST_F(IniFileTest, ReadsAFileAsWindowsWritesIt) {
    WriteBytes(Sjis("Loose=before any section\r\n"
                    "[Software]\r\n"
                    "Version=109\r\n"
                    "  [ setting ]  \r\n"
                    "FONTNAME=ＭＳ ゴシック\r\n"
                    "  Spaced  =  value with blanks  \r\n"
                    "Quoted=\"  kept  \"\r\n"
                    "Single='x'\r\n"
                    "Half='x\r\n"
                    "EmptyQuoted=\"\"\r\n"
                    "EmptySingle=''\r\n"
                    "LoneQuote=\"\r\n"
                    "Mixed=\"x'\r\n"
                    "Empty=\r\n"
                    "Path=C:\\表示\\a=b\r\n"
                    "; Comment=not a key\r\n"
                    "no equals sign\r\n"
                    "version=first wins\r\n"
                    "Version=second\r\n"
                    "[History]\r\n"
                    "Path1=x\n" // a bare LF ends a line too
                    "Path2=last line without end"));
    struct Case {
        const char *section, *key;
        std::optional<std::string> value;
    } cases[] = {
        {"SOFTWARE", "version", "109"},
        {"Setting", "FontName", "ＭＳ ゴシック"},
        {"Setting", "Spaced", "value with blanks"},
        {"Setting", "Quoted", "  kept  "},
        {"Setting", "Single", "x"},
        {"Setting", "Half", "'x"},
        {"Setting", "EmptyQuoted", ""},
        {"Setting", "EmptySingle", ""},
        {"Setting", "LoneQuote", "\""},
        {"Setting", "Mixed", "\"x'"},
        {"Setting", "Empty", ""},
        {"Setting", "Path", "C:\\表示\\a=b"},
        {"Setting", "Version", "first wins"},
        {"Setting", "; Comment", std::nullopt},
        {"Setting", "no equals sign", std::nullopt},
        {"Setting", "Missing", std::nullopt},
        {"Nowhere", "Version", std::nullopt},
        {"", "Loose", std::nullopt},
        {"History", "Path1", "x"},
        {"History", "Path2", "last line without end"},
    };
    for (const Case &c : cases) EXPECT_EQ(Load().Read(c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(Load().ReadString("Setting", "Missing", "dflt"), "dflt");
    EXPECT_EQ(Load().ReadString("Setting", "Empty", "dflt"), "");
    EXPECT_EQ(Load().Encoding(), IniEncoding::Cp932);
}

TEST_F(IniFileTest, AKeyIsLookedUpInItsOwnSectionOnly) {
    WriteBytes("[A]\r\na=1\r\n[B]\r\nx=2\r\n[C]\r\ny=3\r\n");
    EXPECT_EQ(Load().ReadString("A", "x", "none"), "none");
    EXPECT_EQ(Load().ReadString("A", "y", "none"), "none");
    EXPECT_EQ(Load().ReadString("B", "y", "none"), "none");
    EXPECT_EQ(Load().ReadString("B", "x", "none"), "2");
}

TEST_F(IniFileTest, MissingFileOrDirectoryReadsAsMissing) {
    EXPECT_EQ(Load().Read("A", "k"), std::nullopt);
    fs::create_directory(path_);
    EXPECT_EQ(Load().ReadString("A", "k", "d"), "d");
}

TEST_F(IniFileTest, LongValuesAreCutAt2047BytesOnACharacterBoundary) {
    const std::string a3000(3000, 'a');
    std::string kana1500;
    for (int i = 0; i < 1500; ++i) kana1500 += "あ";
    std::string kana1023;
    for (int i = 0; i < 1023; ++i) kana1023 += "あ";
    WriteBytes(Sjis("[S]\r\nA=" + a3000 + "\r\nK=" + kana1500 + "\r\nM=b" + kana1500 +
                    "\r\nN=" + std::string(2047, 'c') + "\r\n"));
    EXPECT_EQ(Load().Read("S", "A"), std::string(2047, 'a'));
    EXPECT_EQ(Load().Read("S", "K"), kana1023);       // 2046 bytes; half a character is not kept
    EXPECT_EQ(Load().Read("S", "M"), "b" + kana1023); // 2047 bytes
    EXPECT_EQ(Load().Read("S", "N"), std::string(2047, 'c'));
}

TEST_F(IniFileTest, WritesCreateFileSectionAndKeyAndKeepEverythingElse) {
    ASSERT_TRUE(WriteString("Software", "Version", "109"));
    EXPECT_EQ(Bytes(), "[Software]\r\nVersion=109\r\n");

    WriteBytes("[Setting]\r\n"
               "Top=1\r\n"
               "; note\r\n"
               "\r\n"
               "[Other]\r\n"
               "keep=me\r\n"
               "[setting]\r\n"
               "Width=5\r\n");
    ASSERT_TRUE(WriteString("SETTING", "top", "2"));      // updated where it stands, name kept
    ASSERT_TRUE(WriteString("Setting", "Left", "3"));     // after the section's last line
    ASSERT_TRUE(WriteString("setting", "WIDTH", "6"));    // found in the repeated section
    ASSERT_TRUE(WriteString("History", "Path1", "表示")); // new section at the end
    EXPECT_EQ(Bytes(), "[Setting]\r\n"
                       "Top=2\r\n"
                       "; note\r\n"
                       "Left=3\r\n"
                       "\r\n"
                       "[Other]\r\n"
                       "keep=me\r\n"
                       "[setting]\r\n"
                       "Width=6\r\n"
                       "[History]\r\n"
                       "Path1=" +
                           Sjis("表示") + "\r\n");
}

TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten) {
    const std::string values[] = {"plain",
                                  "",
                                  "  padded  ",
                                  "\ttab",
                                  "'quoted'",
                                  "\"double\"",
                                  "\"",
                                  "a=b",
                                  "[x]",
                                  "ＭＳ ゴシック",
                                  "表示ソ",
                                  "/home/ü/ファイル.sql",
                                  "wave\xE3\x80\x9C"
                                  "dash",
                                  "yen\xC2\xA5",
                                  "emoji\xF0\x9F\x98\x80"};
    for (const std::string &v : values) {
        ASSERT_TRUE(WriteString("S", "K", v)) << v;
        EXPECT_EQ(Load().Read("S", "K"), v);
    }
}

TEST_F(IniFileTest, FileTurnsUtf8OnlyWhileAValueNeedsIt) {
    ASSERT_TRUE(WriteString("S", "Name", "表示"));
    EXPECT_EQ(Bytes(), "[S]\r\nName=\x95\x5C\x8E\xA6\r\n");
    EXPECT_EQ(Load().Encoding(), IniEncoding::Cp932);

    ASSERT_TRUE(WriteString("S", "Path", "/tmp/\xF0\x9F\x98\x80"));
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[S]\r\nName=表示\r\nPath=/tmp/\xF0\x9F\x98\x80\r\n");
    EXPECT_EQ(Load().Encoding(), IniEncoding::Utf8);
    EXPECT_EQ(Load().Read("S", "Name"), "表示");

    ASSERT_TRUE(WriteString("S", "Path", "/tmp/a"));
    EXPECT_EQ(Load().Encoding(), IniEncoding::Cp932);
    EXPECT_EQ(Load().Read("S", "Name"), "表示");

    // Edited by hand in a UTF-8 editor, without a byte-order mark.
    WriteBytes("[S]\nName=日本語\n");
    EXPECT_EQ(Load().Read("S", "Name"), "日本語");
}

TEST_F(IniFileTest, DeleteKeyRemovesEveryLineOfTheKeyAndCreatesNothing) {
    ASSERT_TRUE(DeleteKey("S", "K"));
    EXPECT_FALSE(fs::exists(path_));

    WriteBytes("[S]\r\nK=1\r\nk=2\r\nOther=3\r\n[T]\r\nK=4\r\n[s]\r\nK=5\r\n");
    ASSERT_TRUE(DeleteKey("s", "K"));
    EXPECT_EQ(Bytes(), "[S]\r\nOther=3\r\n[T]\r\nK=4\r\n[s]\r\n");
    ASSERT_TRUE(DeleteKey("S", "Missing"));
    ASSERT_TRUE(DeleteKey("Missing", "K"));
    EXPECT_EQ(Bytes(), "[S]\r\nOther=3\r\n[T]\r\nK=4\r\n[s]\r\n");
}

TEST_F(IniFileTest, RefusedWritesReportFailureAndChangeNothing) {
    WriteBytes("[S]\r\nK=1\r\n");
    struct Case {
        std::string section, key, value;
    } bad[] = {{"S", "K", "two\r\nlines"}, {"S", "K", "lf\n"}, {"S", "K", std::string("nul\0", 4)},
               {"S", "K=", "v"},           {"S", "", "v"},     {"S", " K", "v"},
               {"S", ";K", "v"},           {"S]", "K", "v"},   {"S\n[T]", "K", "v"}};
    for (const Case &c : bad) EXPECT_FALSE(WriteString(c.section, c.key, c.value)) << c.key;
    EXPECT_EQ(Bytes(), "[S]\r\nK=1\r\n");

    // A directory where the file should be: writing and deleting fail, and no
    // temporary file is left behind.
    fs::remove(path_);
    fs::create_directory(path_);
    EXPECT_FALSE(WriteString("S", "K", "v"));
    EXPECT_FALSE(DeleteKey("S", "K"));
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"test.ini"});

    // A missing folder.
    EXPECT_FALSE(WriteString("S", "K", "v", dir_ / "missing" / "x.ini"));
}

TEST(IniDocument, LinesThatAreNotChangedKeepTheirBytes) {
    // Bytes that do not decode, a character code page 932 holds twice (ED40),
    // and line ends of every kind.
    const std::string foreign = "[Other]\nx=\x85\x40\xED\x40\rquoted=' a '\n";
    IniDocument doc = IniDocument::Parse(foreign + "[S]\r\nK=1\r\nLast=z");
    EXPECT_EQ(doc.Read("S", "K"), "1");
    ASSERT_TRUE(doc.Write("S", "K", "2"));
    ASSERT_TRUE(doc.Write("s", "New", "表"));
    EXPECT_EQ(doc.Bytes(), foreign + "[S]\r\nK=2\r\nLast=z\r\nNew=\x95\x5C\r\n");
    // Deleting and reading after changes sees the changes.
    EXPECT_TRUE(doc.Delete("S", "last"));
    EXPECT_FALSE(doc.Delete("S", "last"));
    EXPECT_EQ(doc.Read("S", "Last"), std::nullopt);
    EXPECT_EQ(doc.Read("S", "New"), "表");
    EXPECT_EQ(doc.Read("Other", "quoted"), " a ");
}

TEST_F(IniFileTest, WriteKeepsTheFilesPermissionsAndFollowsALink) {
    KELVRA_POSIX_ONLY("permission bits and symbolic links");
    WriteBytes("[S]\r\nK=1\r\n");
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path_, dir_ / "link.ini");
    ASSERT_TRUE(WriteString("S", "K", "2", dir_ / "link.ini"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
    EXPECT_EQ(Bytes(), "[S]\r\nK=2\r\n");
    EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
