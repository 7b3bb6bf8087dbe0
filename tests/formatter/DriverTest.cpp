// How a run ends: normally, cancelled, failed, or with an unexpected error.
#include "formatter/FormatDriver.h"
#include "StageHarness.h"

#include <gtest/gtest.h>

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
