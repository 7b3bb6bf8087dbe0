// The stages that work in one pass where the rules read as one search pass per
// keyword, checked against those rules written out literally, over the corpus.
#include "formatter/LayoutStages.h"
#include "formatter/LineScan.h"
#include "formatter/Protection.h"
#include "formatter/ReservedWords.h"
#include "formatter/TextUtil.h"
#include "platform/TextCodec.h"
#include "StageHarness.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace kelvra;
using kelvra::test::StageHarness;

namespace {

std::vector<std::string> CorpusSample() {
    const auto files = kelvra::test::CorpusFiles();
    std::vector<std::string> texts = {"SELECT SELECT SELECT X FROM FROM T WHERE A IN ( SELECT B FROM C ) ",
                                      "NVL ( NVL ( A , B ) , C ) MAX ) MAX ( X ) XNVL ( Y ) "};
    for (std::size_t i = 0; i < files.size(); i += 4) {
        std::string text = kelvra::test::ReadWholeFile(files[i]).substr(0, 50000);
        texts.push_back(ToCrLf(IsValidUtf8(text) ? text : DecodeCp932(text).text));
    }
    return texts;
}

// Stage 16 as written: per checked stand-alone keyword, a scan over the lines.
std::vector<std::string> SplitStandAloneLiterally(std::vector<std::string> lines, const KeywordCatalogue &cat,
                                                  const std::string &joiner) {
    for (int e = 1; e <= KeywordCatalogue::Count(KeywordList::Tandoku); ++e) {
        if (!cat.IsChecked(KeywordList::Tandoku, e)) continue;
        const std::string kw = funKeyConv(KeywordCatalogue::Text(KeywordList::Tandoku, e), joiner);
        if (JoinLines(lines).find(kw) == std::string::npos) continue;
        for (std::size_t i = 0; i < lines.size() && !lines[i].empty(); ++i)
            if (StartsWith(lines[i], kw + " ") && lines[i].size() > kw.size() + 1) {
                std::string rest = lines[i].substr(kw.size() + 1);
                lines[i].resize(kw.size() + 1);
                lines.insert(lines.begin() + static_cast<long>(i) + 1, rest);
            }
    }
    return lines;
}

// A call's text without its line breaks, except a break right after a
// line-comment token (normal mode), which ends the comment.
std::string CompactCallLiterally(std::string_view call, const FormatRunState *run) {
    if (!run || !run->NormalMode()) return funDelCRLF(call);
    const std::string lineCommentOpen = run->markerOpen + "C";
    std::string out;
    std::size_t s = 0;
    for (std::size_t p = call.find(lineCommentOpen); p != std::string_view::npos; p = call.find(lineCommentOpen, s)) {
        std::size_t close = call.find(run->markerClose, p);
        if (close == std::string_view::npos) break;
        std::size_t end = close + run->markerClose.size();
        out += funDelCRLF(call.substr(s, end - s));
        if (call.substr(end, 2) == kCrLf) {
            out += kCrLf;
            end += 2;
        }
        s = end;
    }
    return out + funDelCRLF(call.substr(s));
}

// Stage 15 as written: passes of a line scan with joins until a pass joins nothing.
std::vector<std::string> JoinClosingParensLiterally(std::vector<std::string> lines, const FormatRunState &run) {
    for (;;) {
        std::size_t joins = 0;
        for (std::size_t i = 0; i < lines.size() && !lines[i].empty(); ++i) {
            if (i + 1 < lines.size() && lines[i].find_first_of(" (") != std::string::npos &&
                StartsWith(lines[i + 1], ")") && !EndsWithLineCommentToken(run, lines[i])) {
                lines[i] += lines[i + 1];
                if (i + 1 == lines.size() - 1)
                    lines[i + 1].clear();
                else
                    lines.erase(lines.begin() + static_cast<long>(i) + 1);
                ++joins;
            }
        }
        if (joins == 0) return lines;
    }
}

// Stage 18 as written: per checked function name, find, parenthesis scan, replace.
std::string CompactCallsLiterally(std::string text, const KeywordCatalogue &cat, const FormatRunState *run = nullptr) {
    for (int e = 1; e <= KeywordCatalogue::Count(KeywordList::Kansu); ++e) {
        if (!cat.IsChecked(KeywordList::Kansu, e)) continue;
        const std::string f = KeywordCatalogue::Text(KeywordList::Kansu, e);
        std::size_t from = 0;
        for (;;) {
            from = text.find(f + " ", from);
            if (from == std::string::npos) break;
            if (from != 0 && text[from - 1] != ' ' && text[from - 1] != '\n') {
                from += f.size() + 1;
                continue;
            }
            std::size_t pos = from;
            long depth = 0;
            bool opened = false, next = false, done = false;
            while (pos < text.size()) {
                std::size_t o = text.find('(', pos), cl = text.find(')', pos);
                if (o == std::string::npos && cl == std::string::npos) {
                    from = text.size();
                    next = true;
                    break;
                }
                if (o != std::string::npos && (cl == std::string::npos || o < cl)) {
                    pos = o;
                    ++depth;
                    opened = true;
                } else {
                    pos = cl;
                    --depth;
                }
                if (depth < 0) {
                    from += 1;
                    next = true;
                    break;
                }
                ++pos;
                if (opened && depth == 0) {
                    std::string call = CompactCallLiterally(std::string_view(text).substr(from, pos - from), run);
                    text.replace(from, pos - from, call);
                    from += call.size();
                    done = true;
                    break;
                }
            }
            if (!next && !done) break; // the text ended inside an open call
        }
    }
    return text;
}

// Stage 11 as written: per checked entry, find and replace from the scan position on.
std::string JoinPhrasesLiterally(std::string work, const KeywordCatalogue &cat, const std::string &joiner) {
    work = " " + work;
    for (int e = 1; e <= KeywordCatalogue::Count(KeywordList::Yoyaku); ++e) {
        if (!cat.IsChecked(KeywordList::Yoyaku, e)) continue;
        const std::string &entry = KeywordCatalogue::Text(KeywordList::Yoyaku, e);
        const std::string pattern = std::string(" ").append(entry).append(" ");
        const std::string joined = std::string(" ").append(funKeyConv(entry, joiner)).append(" ");
        std::string out;
        for (;;) {
            std::size_t p = work.find(pattern);
            if (p == std::string::npos) break;
            out += work.substr(0, p) + joined;
            work = work.substr(p + pattern.size());
        }
        work = out + work;
    }
    return work.substr(1);
}

} // namespace

TEST(ReferenceStages, PhraseJoiningMatchesTheRuleAsWritten) {
    std::vector<std::string> texts = CorpusSample();
    texts.push_back("GROUP BY GROUP BY X ORDER BY A UNION ALL SELECT FOR UPDATE NOWAIT START WITH CHECK OPTION ");
    // Every one-character joiner in use: the joiner becomes "~~" and lengths change.
    texts.push_back("~ ^ ` | \\ % $ @ ! ? GROUP BY A ORDER BY B FOR UPDATE FOR UPDATE NOWAIT WITH READ ONLY");
    for (const std::string &text : texts) {
        StageHarness h;
        h.options.SimpleMode = true;
        try {
            h.RunThrough(text, "10");
        } catch (const StageFailure &) {
            continue;
        }
        const std::string expected = JoinPhrasesLiterally(h.state->work, h.catalogue, h.state->wordJoiner);
        ASSERT_EQ(h.RunThrough(text, "11"), expected) << text.substr(0, 120);
    }
}

TEST(ReferenceStages, StandAloneSplitAndCallCompactionMatchTheRulesAsWritten) {
    for (const std::string &text : CorpusSample()) {
        // Simple mode: no comment tokens, so the line-comment rule of the compaction
        // (which the literal version lacks) does not come into play.
        StageHarness h;
        h.options.SimpleMode = true;
        try {
            h.RunThrough(text, "15");
        } catch (const StageFailure &) {
            continue;
        }
        const auto expected16 = SplitStandAloneLiterally(h.state->lines, h.catalogue, h.state->wordJoiner);
        StageSplitStandAloneKeywords(*h.state);
        ASSERT_EQ(h.state->lines, expected16) << text.substr(0, 120);
        const std::string expected18 = CompactCallsLiterally(JoinLines(h.state->lines), h.catalogue);
        StageCompactFunctionCalls(*h.state);
        ASSERT_EQ(JoinLines(h.state->lines), expected18) << text.substr(0, 120);
    }
}

namespace {

// Texts whose call compaction and line joins once took time that grew with
// the square of their length, small enough for the rules as written.
std::vector<std::string> AwkwardShapes() {
    std::string procedure = "CREATE PROCEDURE P (\r\n", table = "CREATE TABLE T (\r\n", closing, nested = "SELECT ",
                deep = "SELECT ";
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i);
        procedure.append("  A").append(n).append(" IN NUMBER,\r\n");
        table.append("  C").append(n).append(" NUMBER,\r\n");
        closing.append("A").append(n).append(" NUMBER) ");
    }
    procedure += "  Z IN NUMBER\r\n) AS BEGIN NULL; END;\r\n";
    table += "  Z NUMBER\r\n);\r\n";
    const char *names[] = {"NVL(", "DECODE(", "SUBSTR(", "NVL(", "TO_CHAR(", "COUNT("};
    for (int i = 0; i < 120; ++i) nested += names[i % 6];
    nested += "X";
    for (int i = 0; i < 120; ++i) nested += ",\r\n" + std::to_string(i) + ")";
    for (int i = 0; i < 200; ++i) deep += "(";
    deep += "1";
    for (int i = 0; i < 200; ++i) deep += "\r\n)";
    return {procedure, table, closing, nested, deep + " FROM DUAL;"};
}

// Random pieces of SQL: names split by line breaks, unbalanced parentheses,
// comments inside calls, closing parentheses on lines of their own.
std::vector<std::string> RandomTexts(unsigned seed, int count) {
    static const char *const pieces[] = {"NVL",      "IN",    "COUNT",    "SUBSTR",      "TO_CHAR", "DECODE", "MAX",
                                         "VALUES",   "SUM",   "NV",       "L",           "CO",      "UNT",    "(",
                                         ")",        "(",     ")",        ",",           ",",       ";",      "SELECT",
                                         "FROM",     "WHERE", "AND",      "OR",          "CREATE",  "TABLE",  "NUMBER",
                                         "A",        "X1",    "=",        "<",           ">",       "--c\n",  "/* b */",
                                         "/*x\ny*/", "'lit'", "GROUP BY", "INSERT INTO", "EXISTS",  "数値"};
    static const char *const gaps[] = {" ", " ", " ", "", "\r\n", "\n", "\r", "\r\n\r\n", "\t"};
    std::mt19937 random(seed);
    std::vector<std::string> texts;
    for (int t = 0; t < count; ++t) {
        std::string text;
        const int n = 1 + static_cast<int>(random() % 80);
        for (int i = 0; i < n; ++i) {
            text += pieces[random() % std::size(pieces)];
            text += gaps[random() % std::size(gaps)];
        }
        texts.push_back(ToCrLf(text));
    }
    return texts;
}

} // namespace

TEST(ReferenceStages, LineJoinsSplitsAndCallsMatchTheRulesAsWrittenOnAwkwardAndRandomTexts) {
    std::vector<std::string> texts = AwkwardShapes();
    for (const std::string &t : RandomTexts(15, 400)) texts.push_back(t);
    for (bool simple : {false, true})
        for (const std::string &text : texts) {
            StageHarness h;
            h.options.SimpleMode = simple;
            try {
                h.RunThrough(text, "14");
            } catch (const StageFailure &) {
                continue;
            }
            FormatRunState &run = *h.state;
            MoveWholeTextToLines(run);
            const auto expected15 = JoinClosingParensLiterally(run.lines, run);
            StageJoinClosingParens(run);
            ASSERT_EQ(run.lines, expected15) << text.substr(0, 200);
            const auto expected16 = SplitStandAloneLiterally(run.lines, h.catalogue, run.wordJoiner);
            StageSplitStandAloneKeywords(run);
            ASSERT_EQ(run.lines, expected16) << text.substr(0, 200);
            const std::string expected18 = CompactCallsLiterally(JoinLines(run.lines), h.catalogue, &run);
            StageCompactFunctionCalls(run);
            ASSERT_EQ(JoinLines(run.lines), expected18) << text.substr(0, 200);
        }
}
