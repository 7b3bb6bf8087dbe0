#include "platform/DocumentFile.h"
#include "platform/PlainTextFile.h"
#include "support/Posix.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

using test::TempDir;

std::string Slurp(const fs::path &p) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(p, bytes));
    return bytes;
}

} // namespace

TEST(PlainTextFile, FilesComeBackByteForByte) {
    struct Case {
        const char *name;
        std::string bytes;
        TextEncoding encoding;
        bool bom;
        LineEnd lineEnd;
        std::string text;
    } cases[] = {
        {"cp932", "SELECT '\x95\x5C\x8E\xA6'\r\nFROM t\r\n", TextEncoding::Cp932, false, LineEnd::CrLf,
         "SELECT '表示'\r\nFROM t\r\n"},
        {"ascii", "select 1\r\n", TextEncoding::Cp932, false, LineEnd::CrLf, "select 1\r\n"},
        {"utf-8", "SELECT '表示'\nFROM t\n", TextEncoding::Utf8, false, LineEnd::Lf, "SELECT '表示'\r\nFROM t\r\n"},
        {"utf-8 with bom", "\xEF\xBB\xBFx\r\n日本\r\n", TextEncoding::Utf8, true, LineEnd::CrLf, "x\r\n日本\r\n"},
        {"bom alone", "\xEF\xBB\xBF", TextEncoding::Utf8, true, LineEnd::CrLf, ""},
        {"cr only", "a\rb\r", TextEncoding::Cp932, false, LineEnd::Cr, "a\r\nb\r\n"},
        {"empty", "", TextEncoding::Cp932, false, LineEnd::CrLf, ""},
    };
    for (const Case &c : cases) {
        DecodedText d = DecodePlainText(c.bytes);
        EXPECT_EQ(d.text, c.text) << c.name;
        EXPECT_EQ(d.format.encoding, c.encoding) << c.name;
        EXPECT_EQ(d.format.byteOrderMark, c.bom) << c.name;
        EXPECT_EQ(d.format.lineEnd, c.lineEnd) << c.name;
        EXPECT_TRUE(d.badOffsets.empty()) << c.name;
        EncodedText e = EncodePlainText(d.text, d.format);
        EXPECT_EQ(e.bytes, c.bytes) << c.name;
        EXPECT_TRUE(e.lossyOffsets.empty()) << c.name;
        // A document read and saved back as plain text keeps its encoding and line ends.
        LoadedDocument doc = ReadDocument(c.bytes, DocumentKind::PlainText);
        EXPECT_EQ(WriteDocument(doc.content, DocumentKind::PlainText, doc.plainFormat).bytes, c.bytes)
            << c.name << ", as a document";
    }
}

TEST(PlainTextFile, ReportsWhatWouldBeLost) {
    // Undecodable bytes in a code page 932 file, by file offset.
    DecodedText d = DecodePlainText(std::string("a\r\n\xA0z\x81", 6));
    EXPECT_EQ(d.badOffsets, (std::vector<std::size_t>{3, 5}));
    EXPECT_EQ(d.text, "a\r\n\xEF\xBF\xBDz\xEF\xBF\xBD");
    // A UTF-8 file (byte-order mark) with a broken sequence keeps the rest.
    d = DecodePlainText("\xEF\xBB\xBFok\xE3\x81");
    EXPECT_EQ(d.format.encoding, TextEncoding::Utf8);
    EXPECT_EQ(d.badOffsets, (std::vector<std::size_t>{5, 6}));
    // Mixed line ends are noted; the first kind is the one written back.
    d = DecodePlainText("a\nb\r\nc");
    EXPECT_TRUE(d.format.mixedLineEnds);
    EXPECT_EQ(EncodePlainText(d.text, d.format).bytes, "a\nb\nc");
    // Characters code page 932 cannot give back, by offset in the text.
    EncodedText e = EncodePlainText("x\r\n\xE3\x80\x9C😀", PlainTextFormat{});
    EXPECT_EQ(e.lossyOffsets, (std::vector<std::size_t>{3, 6}));
}

TEST(PlainTextFile, SafeWriteReplacesKeepsModeAndFailsCleanly) {
    KELVRA_POSIX_ONLY("permission bits and symbolic links");
    TempDir dir;
    fs::path file = dir / "a.sql";
    ASSERT_TRUE(WriteFileSafely(file, "first"));
    test::SetMode(file, 0640);
    ASSERT_TRUE(WriteFileSafely(file, "second"));
    EXPECT_EQ(Slurp(file), "second");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Through a symbolic link the target is replaced and the link stays.
    fs::create_symlink(file, dir / "link.sql");
    ASSERT_TRUE(WriteFileSafely(dir / "link.sql", "third"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.sql"));
    EXPECT_EQ(Slurp(file), "third");

    // A folder is not replaced; nothing is left behind.
    fs::create_directory(dir / "sub");
    EXPECT_FALSE(WriteFileSafely(dir / "sub", "x"));
    EXPECT_FALSE(WriteFileSafely(dir / "missing" / "b.sql", "x"));

    std::size_t entries = 0;
    for (auto &e : fs::directory_iterator(dir.path())) entries += e.path().filename().string()[0] == '.';
    EXPECT_EQ(entries, 0u) << "temporary files left behind";
}

// A user who may not write a file, or may not add to its folder, cannot replace
// it. Root may write anything, so as root the checks run in a child process
// that has dropped to the user nobody.
TEST(PlainTextFile, SafeWriteRefusesWhatTheUserMayNotWrite) {
    KELVRA_POSIX_ONLY("permission bits and other users");
    TempDir dir;
    const fs::path readOnly = dir / "read-only.sql", locked = dir / "locked", inLocked = locked / "b.sql";
    ASSERT_TRUE(WriteFileSafely(readOnly, "kept"));
    fs::create_directory(locked);
    ASSERT_TRUE(WriteFileSafely(inLocked, "kept too"));
    test::SetMode(readOnly, 0444);
    test::SetMode(inLocked, 0666);
    test::SetMode(locked, 0555);
    test::SetMode(dir.path(), 0777);

    const std::string failures = kelvra::test::AsUnprivilegedUser([&] {
        std::string f;
        if (WriteFileSafely(readOnly, "new")) f += "a read-only file was replaced; ";
        FileStatus s = WriteFileSafely(inLocked, "new");
        if (s) f += "a file in a folder without write permission was replaced; ";
        if (!s && s.message.empty()) f += "a refused write gave no message; ";
        return f;
    });
    EXPECT_EQ(failures, "");
    EXPECT_EQ(Slurp(readOnly), "kept");
    EXPECT_EQ(Slurp(inLocked), "kept too");
    std::vector<std::string> left;
    for (const auto &e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename().string());
    for (const auto &e : fs::directory_iterator(locked)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"b.sql", "locked", "read-only.sql"}));
    test::SetMode(locked, 0755);
}

TEST(DocumentFile, LaunchModeAndExtensionChooseTheKind) {
    using K = DocumentKind;
    struct Case {
        LaunchMode mode;
        const char *path;
        K load;
        K save;
    } cases[] = {
        {LaunchMode::Normal, "x.rtf", K::PlainText, K::PlainText},
        {LaunchMode::Normal, "x.sql", K::PlainText, K::PlainText},
        {LaunchMode::RichText, "x.rtf", K::RichText, K::RichText},
        {LaunchMode::RichText, "X.RTF", K::RichText, K::RichText},
        {LaunchMode::RichText, "x.sql", K::PlainText, K::PlainText},
        {LaunchMode::RichText, "rtf", K::PlainText, K::PlainText},
        {LaunchMode::RichText, "d.rtf/x", K::PlainText, K::PlainText},
        {LaunchMode::Viewer, "x.sql", K::RichText, K::PlainText},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(LoadKind(c.mode, c.path), c.load) << static_cast<int>(c.mode) << " " << c.path;
        if (c.mode != LaunchMode::Viewer) {
            EXPECT_EQ(SaveKind(c.mode, c.path), c.save) << static_cast<int>(c.mode) << " " << c.path;
        }
    }
    // Rich reading of a file that is not RTF shows it as plain text.
    LoadedDocument doc = ReadDocument("select '\x95\x5C'\n", DocumentKind::RichText);
    EXPECT_FALSE(doc.rich);
    EXPECT_EQ(doc.content.Text(), "select '表'\r\n");
    // Bytes that are not text are reported, so the window can ask.
    doc = ReadDocument(std::string("a\0b", 3), DocumentKind::PlainText);
    EXPECT_EQ(doc.problem, TextProblem::NotText);
    EXPECT_EQ(doc.badOffsets, std::vector<std::size_t>{1});
    doc = ReadDocument("{\\rtf1 {\\b x}}", DocumentKind::RichText);
    EXPECT_TRUE(doc.rich);
    EXPECT_TRUE(doc.content.FormatAt(0).bold);
}

TEST(PlainTextFile, BytesThatAreNotTextOrMixEncodingsAreReported) {
    struct Case {
        const char *name;
        std::string bytes;
        TextProblem problem;
        TextEncoding encoding;
        std::string described; // the start of DescribeTextProblem
    } cases[] = {
        {"utf-16le without byte-order mark", std::string("s\0e\0l\0e\0c\0t\0\r\0\n\0", 16), TextProblem::NotText,
         TextEncoding::Cp932, "1:2: not a text file"},
        // With its byte-order mark UTF-16 is read as such; a lone surrogate is reported where it stands.
        {"utf-16 with byte-order mark", std::string("\xFF\xFEs\0", 4), TextProblem::None, TextEncoding::Utf16Le, ""},
        {"utf-16 with a lone surrogate", std::string("\xFE\xFF\0a\0\n\0b\xD8\x00", 10), TextProblem::Undecodable,
         TextEncoding::Utf16Be, "2:2: 1 code unit(s) are no UTF-16 text"},
        {"one nul byte", std::string("select 1;\r\n\0", 12), TextProblem::NotText, TextEncoding::Cp932,
         "2:1: not a text file"},
        // UTF-8 with a comment in Shift-JIS: read as UTF-8, the Shift-JIS bytes reported.
        {"utf-8 with a shift-jis comment", "select いp from t; -- \x95\x5C", TextProblem::MixedEncodings,
         TextEncoding::Utf8, "1:22: the file mixes UTF-8"},
        {"shift-jis", "select '\x95\x5C\x8E\xA6' from t", TextProblem::None, TextEncoding::Cp932, ""},
        // Half-width katakana runs form two-byte UTF-8 sequences by chance.
        {"half-width katakana", "-- \xC3\xBD\xC4\r\nselect 1", TextProblem::None, TextEncoding::Cp932, ""},
        {"level-2 kanji and kana", "-- \xE3\x81\xB1\x82\xA0\x82\xA2\x82\xA4", TextProblem::None, TextEncoding::Cp932,
         ""},
        // One three-byte UTF-8 character by chance against three bytes that are not UTF-8.
        {"kanji, katakana and kana", "-- \xE8\xA1\xA8\x82\xA0\xB1", TextProblem::None, TextEncoding::Cp932, ""},
        {"undecodable", "\x95\x5C\x95\x5C\x95\x5C \x85\x40", TextProblem::Undecodable, TextEncoding::Cp932,
         "1:5: 1 byte(s) are neither"},
    };
    for (const Case &c : cases) {
        DecodedText d = DecodePlainText(c.bytes);
        EXPECT_EQ(d.problem, c.problem) << c.name;
        EXPECT_EQ(d.format.encoding, c.encoding) << c.name;
        EXPECT_EQ(DescribeTextProblem(c.bytes, d).substr(0, c.described.size()), c.described) << c.name;
        EXPECT_EQ(d.text.find('\0'), std::string::npos) << c.name;
    }
    EXPECT_NE(DecodePlainText("select いp from t; -- \x95\x5C").text.find("いp"), std::string::npos);
}

TEST(PlainTextFile, PositionsCountLinesByEveryLineEndAndColumnsInCharacters) {
    struct Case {
        const char *name;
        std::string bytes;
        TextEncoding encoding;
        std::size_t offset, line, column;
    } cases[] = {
        {"cr only", "abc\rdef\rghijklmnop\x85\x40", TextEncoding::Cp932, 18, 3, 11},
        {"cr lf counts once", "a\r\nb\x85", TextEncoding::Cp932, 4, 2, 2},
        {"lf only", "a\nb\nc", TextEncoding::Cp932, 4, 3, 1},
        {"shift-jis characters", "\x95\x5C\x95\x5C\x95\x5C \x85\x40", TextEncoding::Cp932, 7, 1, 5},
        {"utf-8 characters", "表表表 \x95", TextEncoding::Utf8, 10, 1, 5},
        {"byte-order mark not counted", "\xEF\xBB\xBFx\xFF", TextEncoding::Utf8, 4, 1, 2},
        // A character cut short by a line end or the end of the text counts byte by byte.
        {"utf-8 cut by a line end", "\xE3\x81\r\nx\xFF", TextEncoding::Utf8, 5, 2, 2},
        {"utf-8 cut by the end", "ab\xE3\x81", TextEncoding::Utf8, 4, 1, 5},
        {"shift-jis lead before a line end", "a\x95\r\nb\x85", TextEncoding::Cp932, 5, 2, 2},
    };
    for (const Case &c : cases) {
        FilePosition at = PositionInFile(c.bytes, c.encoding, c.offset);
        EXPECT_EQ(at.line, c.line) << c.name;
        EXPECT_EQ(at.column, c.column) << c.name;
    }
}

TEST(PlainTextFile, CharactersWithTwoCodesKeepTheCodeTheFileUsed) {
    // NEC-selected IBM extension, NEC row 13, IBM extension: each decodes to a
    // character whose usual code is another one.
    for (std::string bytes : {"\xED\x40", "\x87\x90", "\xFA\x54", "a\xED\x40\r\nb\xFA\x54\xED\x40"}) {
        DecodedText d = DecodePlainText(bytes);
        EncodedText e = EncodePlainText(d.text, d.format);
        EXPECT_EQ(e.bytes, bytes);
        EXPECT_TRUE(e.recodedOffsets.empty());
    }
    // Both codes of one character in one file: the first one is written for
    // both, and the places are reported.
    DecodedText d = DecodePlainText("\xED\x40-\xFA\x5C");
    EncodedText e = EncodePlainText(d.text, d.format);
    EXPECT_EQ(e.bytes, "\xED\x40-\xED\x40");
    EXPECT_EQ(e.recodedOffsets, (std::vector<std::size_t>{0, 3}));
    // The usual code first: the other one becomes the usual one.
    d = DecodePlainText("\xFA\x5C\xED\x40");
    EXPECT_EQ(EncodePlainText(d.text, d.format).bytes, "\xFA\x5C\xFA\x5C");
}

TEST(PlainTextFile, LineEndsOtherThanTheFirstAreCounted) {
    // A literal that holds a lone LF in a CR LF file.
    DecodedText d = DecodePlainText("a\r\n'x\ny'\r\nz\r");
    EXPECT_EQ(d.format.lineEnd, LineEnd::CrLf);
    EXPECT_EQ(d.otherLineEnds, 2u);
    EXPECT_EQ(d.firstOtherLineEnd, 5u);
    d = DecodePlainText("a\r\nb\r\n");
    EXPECT_EQ(d.otherLineEnds, 0u);
    EXPECT_FALSE(d.format.mixedLineEnds);
}
