// The document without its window: the recent-file history, reading with the
// question about undecodable bytes, writing with the question about characters
// Shift-JIS cannot hold, and the file format kept from one save to the next.
#include "document/Document.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kelvra;

namespace {

// Answers from a script and counts what was asked.
class ScriptedQuestions : public DocumentQuestions {
public:
    bool replaceAnswer = true;
    NotInShiftJis saveAnswer = NotInShiftJis::Cancel;
    int replaceAsked = 0, saveAsked = 0;
    std::size_t lastCount = 0;
    std::string lastCharacters;

    bool OpenWithReplacements(const std::string &, std::size_t count, TextProblem problem) override {
        ++replaceAsked;
        lastCount = count;
        lastProblem = problem;
        return replaceAnswer;
    }
    NotInShiftJis SaveNotInShiftJis(std::size_t count, const std::string &characters) override {
        ++saveAsked;
        lastCount = count;
        lastCharacters = characters;
        return saveAnswer;
    }
    // The questions about bytes that would change, in the order asked: "recoded",
    // "lineEnds", "hardLinks"; each answered from `okAnswers` (Cancel when none is left).
    std::vector<std::string> changeAsked;
    std::deque<bool> okAnswers;
    bool SaveRecodedCharacters(std::size_t count, const std::string &characters) override {
        lastCount = count;
        lastCharacters = characters;
        return Change("recoded");
    }
    bool SaveUnifiedLineEnds(LineEnd lineEnd) override {
        lastLineEnd = lineEnd;
        return Change("lineEnds");
    }
    bool BreakHardLinks(const std::string &, std::size_t otherNames) override {
        lastCount = otherNames;
        return Change("hardLinks");
    }
    TextProblem lastProblem = TextProblem::None;
    LineEnd lastLineEnd = LineEnd::CrLf;

private:
    bool Change(const char *what) {
        changeAsked.push_back(what);
        if (okAnswers.empty()) return false;
        const bool ok = okAnswers.front();
        okAnswers.pop_front();
        return ok;
    }
};

class DocumentFiles : public ::testing::Test {
protected:
    std::string Path(const char *name) const { return (dir_ / name).string(); }
    void WriteBytes(const char *name, const std::string &bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::string ReadBytes(const char *name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static StyledText Plain(const std::string &text) {
        StyledText t{CharFormat{}};
        t.Append(text, CharFormat{});
        return t;
    }

    test::TempDir dir_{"kelvra-document"};
    ScriptedQuestions questions_;
};

} // namespace

TEST(FileHistory, NewestFirstWithoutRepeatingTheTopEntry) {
    struct Case {
        std::vector<std::string> added;
        std::vector<std::string> expected; // the first entries, the rest empty
    };
    const Case cases[] = {
        {{"A"}, {"A"}},
        {{"A", "A"}, {"A"}},
        {{"A", "B", "A"}, {"A", "B", "A"}}, // only the top entry is not repeated
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9"}, {"9", "8", "7", "6", "5", "4", "3", "2"}},
    };
    for (const Case &c : cases) {
        FileHistory h;
        for (const std::string &p : c.added) h.Add(p);
        for (int i = 0; i < FileHistory::kSize; ++i)
            EXPECT_EQ(h.Entry(i), i < static_cast<int>(c.expected.size()) ? c.expected[i] : "") << i;
    }
}

TEST(Document, UntitledUntilNamedAndBackToShiftJisWhenNew) {
    Document d;
    EXPECT_TRUE(d.IsUntitled());
    EXPECT_EQ(d.Path(), "Untitled");
    d.SetPath("/tmp/q.sql");
    EXPECT_FALSE(d.IsUntitled());
    d.MakeUntitled("Untitled.rtf");
    EXPECT_TRUE(d.IsUntitled());
    EXPECT_EQ(d.Path(), "Untitled.rtf");
    EXPECT_EQ(d.FileFormat(), PlainTextFormat{});
}

TEST(Document, CharactersAtListsEachCharacterOnceUpToTen) {
    const std::string text = "a表b表\xF0\xA0\xAE\xB7"; // a 表 b 表 U+20BB7
    EXPECT_EQ(CharactersAt(text, {1, 5, 8}), "表 \xF0\xA0\xAE\xB7");
    std::string many;
    std::vector<std::size_t> offsets;
    for (char c = 'a'; c <= 'l'; ++c) {
        offsets.push_back(many.size());
        many += c;
    }
    EXPECT_EQ(CharactersAt(many, offsets), "a b c d e f g h i j");
    EXPECT_EQ(CharactersAt("ab", {7}), ""); // an offset past the end is skipped
}

TEST_F(DocumentFiles, UndecodableBytesAreAskedAboutAndDecliningKeepsTheFormat) {
    WriteBytes("utf8.sql", "\xEF\xBB\xBFselect '\xE3\x80\x9C'"); // UTF-8 with a byte-order mark
    WriteBytes("bad.sql", "select \x81\xFF 1");
    Document d;
    d.Read(Path("utf8.sql"), false, {}, questions_);
    EXPECT_EQ(questions_.replaceAsked, 0);
    ASSERT_EQ(d.FileFormat().encoding, TextEncoding::Utf8);

    questions_.replaceAnswer = false;
    EXPECT_THROW(d.Read(Path("bad.sql"), false, {}, questions_), CommandDeclined);
    EXPECT_EQ(questions_.replaceAsked, 1);
    EXPECT_GE(questions_.lastCount, 1u);
    EXPECT_EQ(d.FileFormat().encoding, TextEncoding::Utf8); // the declined file changed nothing

    questions_.replaceAnswer = true;
    const LoadedDocument loaded = d.Read(Path("bad.sql"), false, {}, questions_);
    EXPECT_NE(loaded.content.Text().find("\xEF\xBF\xBD"), std::string::npos); // U+FFFD
    EXPECT_EQ(d.FileFormat().encoding, TextEncoding::Cp932);
}

// The text from before a run is the document's own: another file read, or a
// new document, has none; a file the user declined to open leaves it.
TEST_F(DocumentFiles, TextBeforeARunBelongsToItsDocument) {
    WriteBytes("a.sql", "select 1");
    WriteBytes("bad.sql", "select \x81\xFF 1");
    Document d;
    EXPECT_FALSE(d.HasRevertText());
    d.SetRevertText("");
    EXPECT_TRUE(d.HasRevertText()); // an empty text formatted is still a text to go back to
    d.SetRevertText("select a");
    questions_.replaceAnswer = false;
    EXPECT_THROW(d.Read(Path("bad.sql"), false, {}, questions_), CommandDeclined);
    EXPECT_EQ(d.RevertText(), "select a");
    d.Read(Path("a.sql"), false, {}, questions_);
    EXPECT_FALSE(d.HasRevertText());
    EXPECT_EQ(d.RevertText(), "");
    d.SetRevertText("select b");
    d.MakeUntitled("Untitled");
    EXPECT_FALSE(d.HasRevertText());
}

TEST_F(DocumentFiles, MissingFileThrowsWithoutAsking) {
    Document d;
    EXPECT_THROW(d.Read(Path("missing.sql"), false, {}, questions_), std::runtime_error);
    EXPECT_EQ(questions_.replaceAsked, 0);
}

TEST_F(DocumentFiles, CharactersShiftJisCannotHoldAreAskedAbout) {
    const std::string text = "select '\xE3\x80\x9C'"; // U+301C, WAVE DASH: no code of its own in code page 932
    struct Case {
        DocumentQuestions::NotInShiftJis answer;
        const char *expectedBytes; // nullptr: declined, nothing written
        TextEncoding formatAfter;
    };
    const Case cases[] = {
        {DocumentQuestions::NotInShiftJis::SaveAsUtf8, "\xEF\xBB\xBFselect '\xE3\x80\x9C'", TextEncoding::Utf8},
        {DocumentQuestions::NotInShiftJis::ReplaceThem, "select '\x81\x60'", TextEncoding::Cp932},
        {DocumentQuestions::NotInShiftJis::Cancel, nullptr, TextEncoding::Cp932},
    };
    for (const Case &c : cases) {
        Document d;
        ScriptedQuestions q;
        q.saveAnswer = c.answer;
        std::filesystem::remove(Path("out.sql"));
        if (c.expectedBytes) {
            d.Write(Path("out.sql"), Plain(text), q);
            EXPECT_EQ(ReadBytes("out.sql"), c.expectedBytes);
        } else {
            EXPECT_THROW(d.Write(Path("out.sql"), Plain(text), q), CommandDeclined);
            EXPECT_FALSE(std::filesystem::exists(Path("out.sql")));
        }
        EXPECT_EQ(q.saveAsked, 1);
        EXPECT_EQ(q.lastCount, 1u);
        EXPECT_EQ(q.lastCharacters, "\xE3\x80\x9C");
        EXPECT_EQ(d.FileFormat().encoding, c.formatAfter);
    }
}

TEST_F(DocumentFiles, SavedAsUtf8OnceStaysUtf8WithoutAskingAgain) {
    Document d;
    questions_.saveAnswer = DocumentQuestions::NotInShiftJis::SaveAsUtf8;
    d.Write(Path("q.sql"), Plain("'\xE3\x80\x9C'"), questions_);
    d.Write(Path("q.sql"), Plain("changed '\xE3\x80\x9C' 表"), questions_);
    EXPECT_EQ(questions_.saveAsked, 1);
    EXPECT_EQ(ReadBytes("q.sql"), "\xEF\xBB\xBF"
                                  "changed '\xE3\x80\x9C' \xE8\xA1\xA8");
}

TEST_F(DocumentFiles, ShiftJisFileComesBackAsItWas) {
    const std::string bytes = "select '\x95\x5C' from t\r\nwhere a = 1"; // 表 is 0x95 0x5C
    WriteBytes("sjis.sql", bytes);
    Document d;
    const LoadedDocument loaded = d.Read(Path("sjis.sql"), false, {}, questions_);
    EXPECT_EQ(loaded.content.Text(), "select '表' from t\r\nwhere a = 1");
    d.Write(Path("sjis.sql"), loaded.content, questions_);
    EXPECT_EQ(ReadBytes("sjis.sql"), bytes);
    EXPECT_EQ(questions_.replaceAsked + questions_.saveAsked, 0);
}

TEST_F(DocumentFiles, LaunchModeChoosesRichTextForRtfFilesOnly) {
    Document d;
    d.SetLaunchMode(LaunchMode::RichText);
    EXPECT_EQ(d.KindToSave(Path("a.RTF")), DocumentKind::RichText);
    EXPECT_EQ(d.KindToSave(Path("a.sql")), DocumentKind::PlainText);
    d.Write(Path("a.rtf"), Plain("x"), questions_);
    EXPECT_EQ(ReadBytes("a.rtf").rfind("{\\rtf1", 0), 0u);
    d.SetLaunchMode(LaunchMode::Normal);
    EXPECT_EQ(d.KindToSave(Path("a.rtf")), DocumentKind::PlainText);
}

// Bytes that a save would change without a word are asked about first; a
// declined question writes nothing, an accepted one is not asked again.
TEST_F(DocumentFiles, ChangesToTheFilesOwnBytesAreAskedAboutBeforeSaving) {
    struct Case {
        const char *name, *bytes;
        std::vector<std::string> asked;
        const char *savedAfterYes;
    } cases[] = {
        // 纊 written with two codes (IBM extension and its NEC-selected copy).
        {"recoded", "\xED\x40-\xFA\x5C", {"recoded"}, "\xED\x40-\xED\x40"},
        {"lone LF in a CR LF file", "a\r\n'b\nc'", {"lineEnds"}, "a\r\n'b\r\nc'"},
        {"both", "\xED\x40\n\xFA\x5C\r\n", {"recoded", "lineEnds"}, "\xED\x40\n\xED\x40\n"},
        {"uniform", "a\r\nb", {}, "a\r\nb"},
    };
    for (const Case &c : cases) {
        WriteBytes("f.sql", c.bytes);
        Document d;
        ScriptedQuestions declining;
        const LoadedDocument loaded = d.Read(Path("f.sql"), false, {}, declining);
        if (!c.asked.empty()) {
            EXPECT_THROW(d.Write(Path("f.sql"), loaded.content, declining), CommandDeclined) << c.name;
            EXPECT_EQ(declining.changeAsked, std::vector<std::string>{c.asked.front()}) << c.name;
            EXPECT_EQ(ReadBytes("f.sql"), c.bytes) << c.name;
        }
        ScriptedQuestions accepting;
        accepting.okAnswers = {true, true};
        d.Write(Path("f.sql"), loaded.content, accepting);
        EXPECT_EQ(accepting.changeAsked, c.asked) << c.name;
        EXPECT_EQ(ReadBytes("f.sql"), c.savedAfterYes) << c.name;
        d.Write(Path("f.sql"), loaded.content, accepting);
        EXPECT_EQ(accepting.changeAsked, c.asked) << c.name << ": asked again";
        EXPECT_EQ(ReadBytes("f.sql"), c.savedAfterYes) << c.name;
    }
    ScriptedQuestions q;
    WriteBytes("lf.sql", "a\nb\r\n");
    Document d;
    d.Read(Path("lf.sql"), false, {}, q);
    EXPECT_THROW(d.Write(Path("lf.sql"), Plain("a\r\nb\r\n"), q), CommandDeclined);
    EXPECT_EQ(q.lastLineEnd, LineEnd::Lf);
}

TEST_F(DocumentFiles, AHardLinkedFileIsSavedOverOnlyWhenTheUserBreaksTheLink) {
    WriteBytes("a.sql", "old");
    std::filesystem::create_hard_link(Path("a.sql"), Path("b.sql"));
    Document d;
    ScriptedQuestions q;
    EXPECT_THROW(d.Write(Path("a.sql"), Plain("new"), q), CommandDeclined);
    EXPECT_EQ(q.changeAsked, std::vector<std::string>{"hardLinks"});
    EXPECT_EQ(q.lastCount, 1u);
    EXPECT_EQ(ReadBytes("a.sql"), "old");

    q.okAnswers = {true};
    d.Write(Path("a.sql"), Plain("new"), q);
    EXPECT_EQ(ReadBytes("a.sql"), "new");
    EXPECT_EQ(ReadBytes("b.sql"), "old");
    d.Write(Path("a.sql"), Plain("newer"), q); // one name now: no question
    EXPECT_EQ(q.changeAsked.size(), 2u);
    EXPECT_EQ(ReadBytes("a.sql"), "newer");
}

// A file that is no text (NUL bytes, or UTF-16 without its byte-order mark)
// is asked about as such before it opens.
TEST_F(DocumentFiles, AFileThatIsNoTextIsAskedAboutAsSuch) {
    struct Case {
        const char *name;
        std::string bytes;
        TextProblem problem;
    } cases[] = {
        {"nul", std::string("select\0 1", 9), TextProblem::NotText},
        {"utf16 without byte-order mark", std::string("s\0e\0l\0", 6), TextProblem::NotText},
        {"undecodable", "select \x81\xFF 1", TextProblem::Undecodable},
    };
    for (const Case &c : cases) {
        WriteBytes("x.sql", c.bytes);
        ScriptedQuestions q;
        q.replaceAnswer = false;
        Document d;
        EXPECT_THROW(d.Read(Path("x.sql"), false, {}, q), CommandDeclined) << c.name;
        EXPECT_EQ(q.replaceAsked, 1) << c.name;
        EXPECT_EQ(q.lastProblem, c.problem) << c.name;
    }
}
