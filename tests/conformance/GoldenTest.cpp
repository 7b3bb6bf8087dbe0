// The corpus formatted under four option sets and compared with the expected
// results in ../shared/golden, which a separate implementation wrote: text byte
// for byte, bold spans exactly, refusals with the same message. Once through the
// format core, once through the kelvra-format executable.
#include "formatter/FormatDriver.h"
#include "settings/SettingsStore.h"
#include "platform/TextCodec.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
extern char **environ;
#endif

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

const fs::path kGoldenDir = KELVRA_GOLDEN_DIR;
constexpr int kFilesReportedPerSet = 8;

struct Expected {
    enum class Kind { Missing, Text, Refused } kind = Kind::Missing;
    std::string text;
    std::vector<TextSpan> bold;
    std::string refusalKind, message;
};

Expected ReadExpected(const fs::path &setDir, const fs::path &corpusFile) {
    const fs::path base = setDir / corpusFile.parent_path().filename() / corpusFile.filename();
    Expected e;
    const fs::path out = base.string() + ".out", refused = base.string() + ".refused";
    if (fs::exists(out)) {
        e.kind = Expected::Kind::Text;
        e.text = test::ReadWholeFile(out);
        std::istringstream bold(test::ReadWholeFile(base.string() + ".bold"));
        std::size_t start = 0, length = 0;
        while (bold >> start >> length) e.bold.push_back({start, length});
    } else if (fs::exists(refused)) {
        e.kind = Expected::Kind::Refused;
        std::istringstream in(test::ReadWholeFile(refused));
        std::getline(in, e.refusalKind);
        std::getline(in, e.message);
    }
    return e;
}

// The input as the expected results were made from it: UTF-8, or code page 932
// when the bytes are not valid UTF-8; every line end turned into CR LF.
std::string PreparedInput(const std::string &bytes) {
    const std::string text = IsValidUtf8(bytes) ? bytes : DecodeCp932(bytes).text;
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> LinesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) return lines;
        from = end + 2;
    }
}

// The first differing line (1-based) and two lines either side, expected and actual.
std::string TextDifference(const std::string &expected, const std::string &actual) {
    const auto want = LinesOf(expected), got = LinesOf(actual);
    std::size_t first = 0;
    while (first < want.size() && first < got.size() && want[first] == got[first]) ++first;
    std::ostringstream s;
    s << "first differing line " << first + 1 << " (expected " << want.size() << " lines, got " << got.size() << ")\n";
    const std::size_t from = first >= 2 ? first - 2 : 0;
    for (std::size_t i = from; i < first + 3; ++i) {
        if (i < want.size()) s << "    expected " << i + 1 << ": [" << want[i] << "]\n";
        if (i < got.size()) s << "    actual   " << i + 1 << ": [" << got[i] << "]\n";
    }
    return s.str();
}

std::string BoldDifference(const std::string &text, const std::vector<TextSpan> &expected,
                           const std::vector<TextSpan> &actual) {
    std::size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
    auto describe = [&text](const std::vector<TextSpan> &spans, std::size_t at) {
        if (at >= spans.size()) return std::string("(none)");
        const TextSpan &s = spans[at];
        const std::string word = s.start + s.length <= text.size() ? text.substr(s.start, s.length) : "?";
        return std::to_string(s.start) + " " + std::to_string(s.length) + " '" + word + "'";
    };
    return "bold spans differ at span " + std::to_string(i + 1) + ": expected " + describe(expected, i) + ", actual " +
           describe(actual, i) + " (expected " + std::to_string(expected.size()) + " spans, got " +
           std::to_string(actual.size()) + ")\n";
}

// What one run gave, in the shape of the expected results.
struct Outcome {
    bool refused = false;
    std::string text, message;
    std::vector<TextSpan> bold;
};

// Empty when the outcome matches.
std::string Compare(const Expected &e, const Outcome &o) {
    if (e.kind == Expected::Kind::Refused) {
        if (!o.refused) return "expected a refusal (" + e.message + "), the run gave a result\n";
        if (o.message != e.message) return "refused with [" + o.message + "], expected [" + e.message + "]\n";
        return {};
    }
    if (o.refused) return "refused with [" + o.message + "], expected a result\n";
    if (o.text != e.text) return TextDifference(e.text, o.text);
    if (o.bold != e.bold) return BoldDifference(e.text, e.bold, o.bold);
    return {};
}

class SetReport {
public:
    explicit SetReport(std::string set) : set_(std::move(set)) {}
    void Record(const fs::path &file, const std::string &difference) {
        ++checked_;
        if (difference.empty()) return;
        if (++differing_ <= kFilesReportedPerSet)
            ADD_FAILURE() << file.parent_path().filename().string() << "/" << file.filename().string() << " [" << set_
                          << "]: " << difference;
    }
    void Finish(int atLeast) {
        EXPECT_EQ(differing_, 0) << differing_ << " of " << checked_ << " files differ under " << set_;
        EXPECT_GE(checked_, atLeast) << "too few expected results found under " << set_;
    }

private:
    std::string set_;
    int checked_ = 0, differing_ = 0;
};

struct Options {
    EditorOptions options;
    KeywordCatalogue catalogue;
};

Options SetOptions(const fs::path &setDir) {
    Options o;
    SettingsOutcome loaded = LoadFormattingSettings(setDir / "Kelvra.ini", o.options, o.catalogue);
    EXPECT_TRUE(loaded.ok) << loaded.message;
    return o;
}

Outcome FormatWithCore(const std::string &input, const Options &o) {
    ProgressSink quiet;
    FormatResult r = RunFormat(input, o.options, o.catalogue, quiet);
    Outcome out;
    out.refused = r.end != RunEnd::Normal;
    out.message = r.message.text;
    out.text = std::move(r.text);
    out.bold = std::move(r.boldSpans);
    return out;
}

class Golden : public ::testing::TestWithParam<const char *> {};

TEST_P(Golden, CoreGivesTheExpectedResultForEveryCorpusFile) {
    const fs::path setDir = kGoldenDir / GetParam();
    const auto files = test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    if (!fs::is_directory(setDir)) GTEST_SKIP() << "no expected results at " << setDir;
    const Options options = SetOptions(setDir);
    SetReport report(GetParam());
    for (const fs::path &file : files) {
        const Expected e = ReadExpected(setDir, file);
        if (e.kind == Expected::Kind::Missing) continue;
        report.Record(file, Compare(e, FormatWithCore(PreparedInput(test::ReadWholeFile(file)), options)));
    }
    report.Finish(300);
}

INSTANTIATE_TEST_SUITE_P(Sets, Golden,
                         ::testing::Values("defaults", "comma-before-indent4-lfsp", "simple-indent2", "keywords-off"),
                         [](const auto &set) {
                             std::string name = set.param;
                             for (char &c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

// ---- The same through the command-line formatter ----

struct Finished {
    int status = -1;
    std::string out, err;
};

#if !defined(_WIN32)
// Runs the program with these arguments, standard output and error captured.
Finished RunProgram(const std::vector<std::string> &args, const fs::path &scratch) {
    const fs::path outPath = scratch / "stdout", errPath = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    Finished f;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        f.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    f.out = test::ReadWholeFile(outPath);
    f.err = test::ReadWholeFile(errPath);
    return f;
}

#endif

// The program's HTML output back to text and bold spans: "<pre>" ... "</pre>",
// bold words in <b>...</b>, and &amp; &lt; &gt; for & < >.
bool ParseHtml(const std::string &html, Outcome &o) {
    const std::string open = "<pre>", close = "</pre>";
    if (html.size() < open.size() + close.size() || html.compare(0, open.size(), open) != 0 ||
        html.compare(html.size() - close.size(), close.size(), close) != 0)
        return false;
    const std::string body = html.substr(open.size(), html.size() - open.size() - close.size());
    std::size_t boldFrom = std::string::npos;
    for (std::size_t i = 0; i < body.size();) {
        auto at = [&](const char *s) { return body.compare(i, std::char_traits<char>::length(s), s) == 0; };
        if (at("<b>")) {
            boldFrom = o.text.size();
            i += 3;
        } else if (at("</b>")) {
            if (boldFrom == std::string::npos) return false;
            o.bold.push_back({boldFrom, o.text.size() - boldFrom});
            boldFrom = std::string::npos;
            i += 4;
        } else if (at("&amp;")) {
            o.text += '&';
            i += 5;
        } else if (at("&lt;")) {
            o.text += '<';
            i += 4;
        } else if (at("&gt;")) {
            o.text += '>';
            i += 4;
        } else {
            o.text += body[i++];
        }
    }
    return boldFrom == std::string::npos;
}

// The output is in the input's encoding and line-end form; brought back to UTF-8 and CR LF.
Outcome CommandOutcome(const Finished &f, bool inputWasUtf8) {
    Outcome o;
    if (f.status != 0) {
        o.refused = true;
        // "<file>:<line>:<column>: <message>"
        std::string line = f.err.substr(0, f.err.find('\n'));
        const std::size_t colon = line.rfind(": ");
        o.message = colon == std::string::npos ? line : line.substr(colon + 2);
        return o;
    }
    const std::string utf8 = inputWasUtf8 ? f.out : DecodeCp932(f.out).text;
    if (!ParseHtml(PreparedInput(utf8), o)) {
        o.refused = true;
        o.message = "not an HTML fragment: " + f.out.substr(0, 80);
    }
    return o;
}

TEST(GoldenCommand, KelvraFormatWithTheSetsSettingsFileGivesTheExpectedResults) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX processes; tests/windows/program-test.sh compares kelvra-format.exe with Linux";
#else
    const char *set = "keywords-off";
    const fs::path setDir = kGoldenDir / set;
    const auto files = test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    if (!fs::is_directory(setDir)) GTEST_SKIP() << "no expected results at " << setDir;
    const test::TempDir scratch("golden-command");
    SetReport report(std::string(set) + ", kelvra-format");
    for (const fs::path &file : files) {
        const Expected e = ReadExpected(setDir, file);
        if (e.kind == Expected::Kind::Missing) continue;
        // kelvra-format drops blanks before the first and after the last word; the editor's rules act on them.
        if (test::HasOuterBlanks(test::ReadWholeFile(file))) continue;
        const Finished f = RunProgram(
            // --join-lines: line breaks that run words together join them, as in the editor.
            {KELVRA_FORMAT_EXECUTABLE, "--settings", (setDir / "Kelvra.ini").string(), "--join-lines", "--html",
             file.string()},
            scratch.path());
        ASSERT_TRUE(f.status == 0 || f.status == 1) << file << ": exit status " << f.status << "\n" << f.err;
        report.Record(file, Compare(e, CommandOutcome(f, IsValidUtf8(test::ReadWholeFile(file)))));
    }
    report.Finish(300);
#endif
}

} // namespace
