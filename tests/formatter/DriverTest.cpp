// How a run ends: normally, cancelled, failed, or with an unexpected error.
#include "formatter/FormatDriver.h"
#include "StageHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

using namespace kelvra;
using kelvra::test::CountingSink;

namespace {

const std::string kSample =
    "select a.id, '表示' name, nvl(b.qty, 0) -- 数量\r\nfrom orders a, items b /* 結合\r\n */\r\n"
    "where a.id = b.id and \"X\" > 10 order by a.id;\r\n";

class ThrowingSink : public ProgressSink {
public:
    bool CancelRequested() override {
        if (++calls == 5) throw std::runtime_error("boom");
        return false;
    }
    int calls = 0;
};

class RecordingSink : public ProgressSink {
public:
    void SetBar2(int position, int maximum) override { bar2 = {position, maximum}; }
    void StepBar2() override { ++steps; }
    std::pair<int, int> bar2;
    int steps = 0;
};

} // namespace

TEST(RunFormat, TableHasAllStagesInOrder) {
    std::vector<std::string> numbers;
    for (const auto &s : StageTable()) numbers.push_back(s.number);
    ASSERT_EQ(numbers.size(), 26u);
    EXPECT_EQ(numbers.front(), "1");
    EXPECT_EQ(numbers[20], "20.5");
    EXPECT_EQ(numbers.back(), "25");
    RecordingSink sink;
    RunFormat("select 1", EditorOptions{}, KeywordCatalogue{}, sink);
    EXPECT_EQ(sink.bar2, (std::pair<int, int>{0, kStageBarMaximum}));
    EXPECT_EQ(sink.steps, 26);
}

TEST(RunFormat, CancelAtAnyCheckGivesBackTheOriginalTextExactly) {
    EditorOptions options;
    KeywordCatalogue catalogue;
    CountingSink probe;
    ASSERT_EQ(RunFormat(kSample, options, catalogue, probe).end, RunEnd::Normal);
    ASSERT_GT(probe.calls(), 10);
    for (long at = 1; at <= probe.calls(); ++at) {
        CountingSink sink(at);
        FormatResult r = RunFormat(kSample, options, catalogue, sink);
        ASSERT_EQ(r.end, RunEnd::Cancelled) << "cancel at check " << at;
        ASSERT_EQ(r.text, kSample);
        EXPECT_TRUE(r.boldSpans.empty());
    }
}

TEST(RunFormat, FailuresGiveBackTheOriginalWithTheirMessage) {
    std::string allMarkers = "《》≪≫〈〉＜＞【】〔〕｛｝［］『』「」“”∈∋⊆⊇⊂⊃♂♀";
    std::string allJoiners;
    for (char c : std::string("~^`|\\%$@!?")) allJoiners += std::string(3, c) + " ";
    struct Case {
        std::string text;
        bool simple;
        std::string caption, message;
        MessageIcon icon;
    } cases[] = {
        {"x = 'abc", false, "エラー", "対になる文字列（'）が見つかりません", MessageIcon::Error},
        {allMarkers, false, "警告", "整形に必要な代替文字列が使用されている為\r\n処理を続行できませんでした。",
         MessageIcon::Warning},
        {allJoiners, false, "警告", "整形に必要な代替文字が使用されている為\r\n処理を続行できませんでした。",
         MessageIcon::Warning},
        // Every marker and every joiner in use: the joiner's warning, not the marker's, in simple mode.
        {allMarkers + allJoiners, true, "警告",
         "整形に必要な代替文字が使用されている為\r\n処理を続行できませんでした。", MessageIcon::Warning},
    };
    for (const auto &c : cases) {
        EditorOptions options;
        options.SimpleMode = c.simple;
        CountingSink sink;
        FormatResult r = RunFormat(c.text, options, KeywordCatalogue{}, sink);
        EXPECT_EQ(r.end, RunEnd::Failed) << c.text;
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(r.message.caption, c.caption);
        EXPECT_EQ(r.message.text, c.message);
        EXPECT_EQ(r.message.icon, c.icon);
    }
    EditorOptions simple;
    simple.SimpleMode = true;
    CountingSink sink;
    EXPECT_EQ(RunFormat(allMarkers, simple, KeywordCatalogue{}, sink).end, RunEnd::Normal);
}

TEST(RunFormat, UnexpectedErrorGivesBackTheOriginal) {
    ThrowingSink sink;
    FormatResult r = RunFormat(kSample, EditorOptions{}, KeywordCatalogue{}, sink);
    EXPECT_EQ(r.end, RunEnd::UnexpectedError);
    EXPECT_EQ(r.text, kSample);
    EXPECT_EQ(r.message.caption, "エラー");
    EXPECT_EQ(r.message.text, "整形処理でエラーが発生しました");
    EXPECT_EQ(r.message.icon, MessageIcon::Error);
}

TEST(RunFormat, LiteralsAndCommentsComeThroughWholeAndAreCounted) {
    CountingSink sink;
    FormatResult r = RunFormat(kSample, EditorOptions{}, KeywordCatalogue{}, sink);
    ASSERT_EQ(r.end, RunEnd::Normal);
    for (const char *piece : {"'表示'", "-- 数量", "/* 結合 */", "\"X\""})
        EXPECT_NE(r.text.find(piece), std::string::npos) << piece;
    EXPECT_EQ(r.text.find("《"), std::string::npos);
    EXPECT_EQ(r.counts.K, 1);
    EXPECT_EQ(r.counts.R, 1);
    EXPECT_EQ(r.counts.C, 1);
    EXPECT_EQ(r.counts.T, 1);
}

TEST(RunSummary, LinesAndGeneralNumberFormat) {
    EXPECT_EQ(RunSummaryText(1.5, {2, 0, 1, 0}), "Time : 1.5s\r\n\r\n"
                                                 "K    : 2 ( \" ) \r\n"
                                                 "R    : 0 ( ' ) \r\n"
                                                 "C    : 1 ( -- ) \r\n"
                                                 "T    : 0 ( /* ) \r\n");
    EXPECT_EQ(GeneralNumber(0), "0");
    EXPECT_EQ(GeneralNumber(0.25), "0.25");
    EXPECT_EQ(GeneralNumber(12), "12");
    EXPECT_EQ(GeneralNumber(1.0 / 3), "0.333333333333333");
}

namespace {

// Every bar-1 report, with the number of the stage that made it.
class ProgressLog : public ProgressSink {
public:
    struct Report {
        int stage;
        std::int64_t position, maximum;
    };
    void SetBar1(std::int64_t position, std::int64_t maximum) override {
        reports.push_back({stage, position, maximum});
    }
    void StepBar2() override { ++stage; }
    std::vector<Report> reports;
    int stage = 0;
};

} // namespace

// The first bar follows the work: never past its end, back to empty when a
// stage that moves starts, and the whitespace stages move it as they go.
TEST(RunFormat, FirstBarFollowsTheWork) {
    std::string text;
    while (text.size() < 300000) text += kSample + "select substr(x, 1, 2), to_char(y) from t;\r\n";
    ProgressLog log;
    ASSERT_EQ(RunFormat(text, EditorOptions{}, KeywordCatalogue{}, log).end, RunEnd::Normal);
    std::map<int, std::vector<ProgressLog::Report>> byStage;
    for (const auto &r : log.reports) {
        EXPECT_GE(r.position, 0);
        EXPECT_LE(r.position, r.maximum) << "stage " << StageTable()[r.stage].number;
        byStage[r.stage].push_back(r);
    }
    for (const auto &[stage, reports] : byStage) {
        const std::string &number = StageTable()[stage].number;
        bool moves = std::any_of(reports.begin(), reports.end(),
                                 [](const auto &r) { return r.position > 0 && r.position < r.maximum; });
        if (moves) {
            EXPECT_EQ(reports.front().position, 0) << "stage " << number;
        }
        const bool wholeTextPass = number == "4" || number == "6" || number == "7" || number == "8";
        EXPECT_TRUE(moves || !wholeTextPass) << "stage " << number;
    }
    // Putting the literals back restarts the bar rather than leaving the last stage's value.
    const auto restore = std::find_if(StageTable().begin(), StageTable().end(),
                                      [](const StageEntry &e) { return std::string_view(e.number) == "24"; });
    const auto restoreIndex = static_cast<int>(restore - StageTable().begin());
    ASSERT_TRUE(byStage.count(restoreIndex));
    EXPECT_EQ(byStage[restoreIndex].front().position, 0);

    // With nothing to put back, the restore fills its bar at once all the same.
    ProgressLog plain;
    ASSERT_EQ(RunFormat("select a from t;", EditorOptions{}, KeywordCatalogue{}, plain).end, RunEnd::Normal);
    std::vector<ProgressLog::Report> restoring;
    for (const auto &r : plain.reports)
        if (r.stage == restoreIndex) restoring.push_back(r);
    ASSERT_FALSE(restoring.empty());
    EXPECT_EQ(restoring.back().position, restoring.back().maximum);
}

// Function-call compaction measures its bar by the text as it shrinks: each of
// the 1,000 line breaks after "a," inside nvl( ) takes two bytes with it.
TEST(RunFormat, CallCompactionBarShrinksWithTheText) {
    std::string text;
    for (int k = 0; k < 1000; ++k) text += "select nvl(a, b) from t;\r\nselect substr(y) from t;\r\n";
    ProgressLog log;
    ASSERT_EQ(RunFormat(text, EditorOptions{}, KeywordCatalogue{}, log).end, RunEnd::Normal);
    std::vector<std::int64_t> maxima;
    for (const auto &r : log.reports)
        if (std::string_view(StageTable()[r.stage].number) == "18" && (maxima.empty() || maxima.back() != r.maximum))
            maxima.push_back(r.maximum);
    ASSERT_EQ(maxima.size(), 2u);
    const std::int64_t names = KeywordCatalogue::Count(KeywordList::Kansu) - 1;
    EXPECT_EQ(maxima[0] % names, 0);
    EXPECT_EQ((maxima[0] - maxima[1]) / names, 2000);
}
