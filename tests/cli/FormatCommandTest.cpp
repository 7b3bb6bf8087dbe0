#include "cli/FormatCommand.h"

#include "formatter/TextUtil.h"
#include "platform/PlainTextFile.h"
#include "platform/RtfReader.h"
#include "platform/TextCodec.h"

#include "support/Corpus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

using namespace kelvra;
using namespace kelvra::cli;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunWith(std::vector<std::string> args, const std::string &input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    int status = RunCommand(args, in, out, err);
    return {status, out.str(), err.str()};
}

std::string Slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Write(const fs::path &p, const std::string &bytes) { std::ofstream(p, std::ios::binary) << bytes; }

using kelvra::test::TempDir;

// Settings that cannot come from a Kelvra.ini beside the test binary.
std::vector<std::string> Isolated(const TempDir &dir, std::vector<std::string> args) {
    fs::path ini = dir.path() / "Kelvra.ini";
    if (!fs::exists(ini)) Write(ini, "[Setting]\r\n");
    args.insert(args.begin(), {"--settings", ini.string()});
    return args;
}

FormattedDocument Format(const std::string &input, OutputKind output = OutputKind::Text, bool bold = true) {
    FormatSettings settings;
    settings.output = output;
    settings.options.Bold = bold;
    return FormatDocument(input, settings);
}

std::string Diagnostic(const FormattedDocument &doc) {
    return doc.problems.empty() ? std::string() : ProblemLine("f", doc.problems.front());
}

} // namespace

TEST(CommandLine, UsageErrorsExitTwo) {
    const std::vector<std::vector<std::string>> bad = {{"--indent", "0"},
                                                       {"--indent", "11"},
                                                       {"--indent"},
                                                       {"--indent=x"},
                                                       {"--comma", "middle"},
                                                       {"--bogus"},
                                                       {"-i"},
                                                       {"-i", "-"},
                                                       {"--html", "--rtf"},
                                                       {"--settings", "/no/such/Kelvra.ini"},
                                                       {"-i", "--rtf", "a.sql"},
                                                       {"--html", "-i", "a.sql"},
                                                       {"-i", "--diff", "a.sql"},
                                                       {"--check", "--html"},
                                                       {"--tidy", "--rtf"},
                                                       {"-j", "0"},
                                                       {"-jx"},
                                                       {"--jobs"},
                                                       {"--include"},
                                                       {"--indent", "3x"},
                                                       {"--indent", "1.5"},
                                                       {"--indent", "-1"},
                                                       {"--indent", ""},
                                                       {"--indent", "99999999999"},
                                                       {"--comma=After"},
                                                       {"--settings="},
                                                       {"--dialect"},
                                                       {"--dialect="},
                                                       {"--dialect", "oracle8"},
                                                       {"--dialect", "t-sql"}};
    for (const auto &args : bad) {
        Outcome r = RunWith(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("kelvra-format"), std::string::npos);
    }
    ParsedCommandLine p = ParseCommandLine({"--indent=3", "--comma", "before", "--simple", "a.sql", "--", "-x.sql"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.command.indent, 3);
    EXPECT_EQ(p.command.comma, CommaPosition::Before);
    EXPECT_TRUE(p.command.simple);
    EXPECT_EQ(p.command.files, (std::vector<std::string>{"a.sql", "-x.sql"}));
    EXPECT_EQ(ParseCommandLine({"--indent", "1"}).command.indent, 1);
    EXPECT_EQ(ParseCommandLine({"--indent=10"}).command.indent, 10);
    p = ParseCommandLine({"-j3", "--include=*.ddl", "--exclude", "old", "--check", "--diff", "--tidy", "dir"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.command.jobs, 3u);
    EXPECT_EQ(p.command.selection.include, std::vector<std::string>{"*.ddl"});
    EXPECT_EQ(p.command.selection.exclude, std::vector<std::string>{"old"});
    EXPECT_TRUE(p.command.check && p.command.diff && p.command.tidy);
    EXPECT_EQ(RunWith({"--help"}).status, 0);
    EXPECT_NE(RunWith({"--version"}).out.find("1.09"), std::string::npos);
}

// --dialect takes a dialect's name in any letter case and wins over the
// settings file's Dialect; without it the file's value stands.
TEST(CommandLine, DialectComesFromTheOptionElseTheSettingsFile) {
    TempDir dir("kelvra-dialect");
    const fs::path ini = dir.path() / "Kelvra.ini";
    Write(ini, "[Setting]\r\nDialect=MySQL\r\n");
    struct Case {
        std::vector<std::string> args;
        SqlDialect expected;
    } cases[] = {
        {{}, SqlDialect::MySql},
        {{"--dialect", "oracle"}, SqlDialect::Oracle},
        {{"--dialect=PostgreSQL"}, SqlDialect::PostgreSql},
        {{"--dialect", "SQLSERVER"}, SqlDialect::SqlServer},
        {{"--dialect=any"}, SqlDialect::Any},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--settings", ini.string()});
        const ParsedCommandLine p = ParseCommandLine(args);
        ASSERT_TRUE(p.ok) << p.error;
        std::ostringstream err;
        const LoadedSettings loaded = LoadSettings(p.command, err);
        EXPECT_TRUE(loaded.ok) << err.str();
        EXPECT_EQ(err.str(), "");
        EXPECT_EQ(loaded.format.options.Dialect, c.expected) << testing::PrintToString(c.args);
    }
    const ParsedCommandLine bad = ParseCommandLine({"--dialect", "db2"});
    EXPECT_EQ(bad.error, "--dialect needs one of any, oracle, postgresql, mysql, sqlserver, not 'db2'");
}

TEST(FormatDocument, KeepsEncodingAndLineEnds) {
    struct Case {
        std::string input, expected;
    } cases[] = {
        {"select a from t\r\n", "SELECT \r\n        A \r\nFROM \r\n        T"},
        {"select a \nfrom t\n", "SELECT \n        A \nFROM \n        T"},
        {"select a from t", "SELECT \n        A \nFROM \n        T"},
        {"\xEF\xBB\xBFselect '表' from t\r\n", "\xEF\xBB\xBFSELECT \r\n        '表' \r\nFROM \r\n        T"},
    };
    for (const auto &c : cases) {
        FormattedDocument doc = Format(c.input);
        EXPECT_EQ(doc.exitCode, 0) << Diagnostic(doc);
        EXPECT_EQ(doc.bytes, c.expected);
    }
    // Shift-JIS in, Shift-JIS out; 表 ends with the byte of a backslash.
    std::string sjis = EncodeCp932("select '表' x from 表\r\n").bytes;
    FormattedDocument doc = Format(sjis);
    ASSERT_EQ(doc.exitCode, 0);
    EXPECT_EQ(DecodeCp932(doc.bytes).text, "SELECT \r\n        '表' X \r\nFROM \r\n        表");
}

TEST(FormatDocument, RefusedTextsNameTheLineAndColumn) {
    FormattedDocument doc = Format("select 1\r\nfrom t where a = 'x");
    EXPECT_EQ(doc.exitCode, 1);
    EXPECT_EQ(Diagnostic(doc), "f:2:18: 対になる文字列（'）が見つかりません");
    doc = Format("/* open");
    EXPECT_EQ(Diagnostic(doc), "f:1:1: 対になる文字列（*/）が見つかりません");
    doc = Format("select \x81"); // cut-off Shift-JIS character
    EXPECT_EQ(doc.exitCode, 1);
    EXPECT_NE(Diagnostic(doc).find("f:1:8:"), std::string::npos);
}

TEST(FormatDocument, HtmlAndRtfCarryTheEmphasis) {
    FormattedDocument html = Format("select a<b & c from t", OutputKind::Html);
    EXPECT_EQ(html.bytes, "<pre><b>SELECT</b> \n        A&lt;B &amp; C \n<b>FROM</b> \n        T</pre>");
    EXPECT_EQ(HtmlFragment("a>b", {}), "<pre>a&gt;b</pre>");
    FormattedDocument rtf = Format("select '表' from t", OutputKind::Rtf);
    EXPECT_EQ(rtf.bytes.rfind("{\\rtf1", 0), 0u);
    // Read back: exactly the reserved words are bold.
    StyledText styled = ReadRtf(rtf.bytes);
    ASSERT_EQ(styled.Text(), "SELECT \r\n        '表' \r\nFROM \r\n        T");
    const std::string &text = styled.Text();
    std::string bold, expected(text.size(), '.');
    for (std::size_t k = 0; k < text.size(); ++k) bold += styled.FormatAt(k).bold ? text[k] : '.';
    expected.replace(0, 6, "SELECT");
    expected.replace(text.find("FROM"), 4, "FROM");
    EXPECT_EQ(bold, expected);
    html = Format("select a from t", OutputKind::Html, false);
    EXPECT_EQ(html.bytes.find("<b>"), std::string::npos);
}

// Each option changes a whole run as it would in the editor (checked by hand
// against the format rules).
TEST(Options, EachOptionReachesTheFormatRun) {
    struct Case {
        std::vector<std::string> args;
        std::string input, output;
    } cases[] = {
        {{}, "select a\nfrom t", "SELECT \n        A \nFROM \n        T"},
        {{"--join-lines"}, "select a\nfrom t", "SELECT \n        A \nFROM \n        T"}, // meaning is kept
        {{"--join-lines", "--no-keep-meaning"}, "select a\nfrom t", "SELECT \n        AFROM T"},
        {{"--line-breaks-separate"}, "select a\nfrom t", "SELECT \n        A \nFROM \n        T"},
        {{"--indent", "1"}, "select a from t", "SELECT \n A \nFROM \n T"},
        {{"--comma", "before"}, "select a, b from t", "SELECT \n        A \n        , B \nFROM \n        T"},
        {{"--simple"}, "select 'a' from t", "SELECT \n        'A' \nFROM \n        T"},
        {{}, "select 'a' from t", "SELECT \n        'a' \nFROM \n        T"},
        {{"--html"}, "select a from t", "<pre><b>SELECT</b> \n        A \n<b>FROM</b> \n        T</pre>"},
        {{"--html", "--no-bold"}, "select a from t", "<pre>SELECT \n        A \nFROM \n        T</pre>"},
        {{"--line-breaks-separate"}, "select $$a  b$$ from t", "SELECT \n        $$a  b$$ \nFROM \n        T"},
        {{"--line-breaks-separate", "--no-keep-meaning"},
         "select $$a  b$$ from t",
         "SELECT \n        $$A B$$ \nFROM \n        T"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        Outcome r = RunWith(Isolated(dir, c.args), c.input);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.output) << testing::PrintToString(c.args);
    }
    TempDir dir;
    Outcome r = RunWith(Isolated(dir, {"--rtf", "--no-bold"}), "select a from t");
    ASSERT_EQ(r.status, 0) << r.err;
    StyledText styled = ReadRtf(r.out);
    for (std::size_t k = 0; k < styled.Text().size(); ++k) EXPECT_FALSE(styled.FormatAt(k).bold) << k;
}

// KeepMeaning comes from the settings file unless the command line says otherwise.
TEST(Options, KeepMeaningFromTheSettingsFileAndTheCommandLine) {
    struct Case {
        const char *setting;
        std::vector<std::string> args;
        std::string output;
    } cases[] = {
        {"", {}, "        `a  b`"},
        {"KeepMeaning=False\r\n", {}, "        `A B`"},
        {"KeepMeaning=False\r\n", {"--keep-meaning"}, "        `a  b`"},
        {"KeepMeaning=True\r\n", {"--no-keep-meaning"}, "        `A B`"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        Write(dir.path() / "Kelvra.ini", std::string("[Setting]\r\n") + c.setting);
        Outcome r = RunWith(Isolated(dir, c.args), "`a  b`");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.output) << c.setting << testing::PrintToString(c.args);
    }
}

TEST(InPlace, LeavesAFileAloneWhenItsResultIsTheSame) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: inode numbers tell a file written anew";
#else
    TempDir dir;
    fs::path done = dir.path() / "done.sql";
    Write(done, "SELECT \r\n        A \r\nFROM \r\n        T");
    struct stat before {};
    ASSERT_EQ(::stat(done.c_str(), &before), 0);
    Outcome r = RunWith(Isolated(dir, {"-i", done.string()}));
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat after {};
    ASSERT_EQ(::stat(done.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "an unchanged file was written anew";
    // The same size with other bytes is rewritten.
    Write(done, "select \r\n        a \r\nfrom \r\n        t");
    ASSERT_EQ(::stat(done.c_str(), &before), 0);
    r = RunWith(Isolated(dir, {"-i", done.string()}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(done), "SELECT \r\n        A \r\nFROM \r\n        T");
#endif
}

TEST(InPlace, RewritesOnlyAfterASuccessfulRun) {
    TempDir dir;
    fs::path good = dir.path() / "good.sql", bad = dir.path() / "bad.sql";
    Write(good, "select a from t\r\n");
    Write(bad, "select 'a from t\r\n");
    Outcome r = RunWith(Isolated(dir, {"-i", good.string(), bad.string()}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Slurp(good), "SELECT \r\n        A \r\nFROM \r\n        T");
    EXPECT_EQ(Slurp(bad), "select 'a from t\r\n");
    EXPECT_NE(r.err.find("bad.sql:1:8: "), std::string::npos);
    EXPECT_TRUE(r.out.empty());
    std::vector<fs::path> left;
    for (const auto &e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename());
    EXPECT_EQ(left.size(), 3u); // no temporary file left behind
}

TEST(Settings, ComeFromKelvraIniAndOptionsOverrideThem) {
    TempDir dir;
    Write(dir.path() / "Kelvra.ini", "[Setting]\r\nIndent=3\r\nComma=Before\r\n");
    Outcome r = RunWith(Isolated(dir, {}), "select a, b from t");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SELECT \n   A \n   , B \nFROM \n   T");
    r = RunWith(Isolated(dir, {"--indent", "2", "--comma", "after", "--summary"}), "select a, b from t");
    EXPECT_EQ(r.out, "SELECT \n  A , \n  B \nFROM \n  T");
    EXPECT_NE(r.err.find("K    : 0 ( \" ) "), std::string::npos);
}

// Every corpus file with the default options, compared with the result that a
// separate implementation wrote for it (../shared/golden/defaults), in the
// file's own encoding and line ends; files with blanks before their first or
// after their last word, which kelvra-format drops, are left out.
TEST(Corpus, EveryFileGivesTheExpectedResultInItsOwnEncoding) {
    FormatSettings settings;
    settings.refuseWordJoins = false;     // the editor's behaviour
    settings.options.KeepMeaning = false; // the base rules, as the expected results were written
    int compared = 0;
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    const fs::path golden = fs::path(KELVRA_GOLDEN_DIR) / "defaults";
    if (!fs::is_directory(golden)) GTEST_SKIP() << "no expected results at " << golden;
    for (const auto &path : files) {
        const fs::path expected = golden / path.parent_path().filename() / path.filename();
        const std::string bytes = Slurp(path);
        if (kelvra::test::HasOuterBlanks(bytes)) continue;
        FormattedDocument doc = FormatDocument(bytes, settings);
        if (fs::exists(expected.string() + ".refused")) {
            EXPECT_EQ(doc.exitCode, 1) << path;
            const std::string refusal = Slurp(expected.string() + ".refused");
            const std::string message = refusal.substr(refusal.find('\n') + 1, refusal.size() - refusal.find('\n') - 2);
            ASSERT_FALSE(doc.problems.empty()) << path;
            EXPECT_EQ(doc.problems.front().message, message) << path;
            ++compared;
        } else if (fs::exists(expected.string() + ".out")) {
            ASSERT_EQ(doc.exitCode, 0) << path << ": " << Diagnostic(doc);
            DecodedText in = DecodePlainText(bytes), out = DecodePlainText(doc.bytes);
            EXPECT_EQ(out.format.encoding, in.format.encoding) << path;
            EXPECT_TRUE(out.badOffsets.empty()) << path;
            // The expected text has CR LF line ends; the decoder gives CR LF too.
            EXPECT_TRUE(out.text == Slurp(expected.string() + ".out")) << path;
            ++compared;
        }
    }
    EXPECT_GT(compared, 300);
}

// A character that code page 932 has twice, written both ways: only one code
// can come back, and the user is told where.
TEST(FormatDocument, TellsWhenACharacterWrittenTwoWaysComesBackOneWay) {
    FormattedDocument doc = Format("select '\xED\x40\xFA\x5C' x \r\nfrom t\r\n");
    ASSERT_EQ(doc.exitCode, 0) << Diagnostic(doc);
    ASSERT_EQ(doc.warnings.size(), 1u);
    EXPECT_TRUE(doc.warnings[0].hasPosition);
    EXPECT_EQ(doc.warnings[0].line, 2u);
    EXPECT_TRUE(Format("select '\xED\x40' x \r\nfrom t\r\n").warnings.empty()); // one code: kept as it was
}

// A refusal that --join-lines would lift says so, and offers
// --line-breaks-separate only where it is not given already.
TEST(Refusals, HintOnlyAtOptionsThatWouldHelp) {
    TempDir dir;
    const fs::path joined = dir.path() / "joined.sql", comments = dir.path() / "comments.sql";
    Write(joined, "select a\r\nfrom t;\r\n");
    Write(comments, "-- a\r\n-- b\r\nselect 1;\r\n");
    struct Case {
        std::vector<std::string> args;
        const char *hint; // nullptr: no hint
    } cases[] = {
        {{"--no-keep-meaning", joined.string()},
         "pass --keep-meaning or --line-breaks-separate to keep the words apart"},
        {{"--simple", "--line-breaks-separate", comments.string()}, "--join-lines lets such places through"},
        {{"--line-breaks-separate", joined.string()}, nullptr},
        {{joined.string()}, nullptr}, // meaning is kept: the line break becomes a blank
    };
    for (const Case &c : cases) {
        const Outcome o = RunWith(Isolated(dir, c.args));
        const bool hinted = o.err.find("--join-lines") != std::string::npos;
        EXPECT_EQ(hinted, c.hint != nullptr) << o.err;
        if (c.hint) {
            EXPECT_EQ(o.status, 1) << o.err;
            EXPECT_NE(o.err.find(c.hint), std::string::npos) << o.err;
        }
    }
}
