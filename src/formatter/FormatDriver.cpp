#include "formatter/FormatDriver.h"

#include "formatter/CommentLines.h"
#include "formatter/FormatRunState.h"
#include "formatter/LayoutStages.h"
#include "formatter/LineScan.h"
#include "formatter/Protection.h"
#include "formatter/ReservedWords.h"
#include "formatter/Whitespace.h"

#include <cstdio>
#include <iterator>
#include <exception>

namespace kelvra {

namespace {

using C = StageCondition;
constexpr TextForm kWhole = TextForm::Whole, kLines = TextForm::Lines;
constexpr StageEntry kStages[] = {
    {"1", "choose the marker pair", C::Always, kWhole, StageChooseMarkerPair},
    {"2", "choose the word joiner", C::Always, kWhole, StageChooseWordJoiner},
    {"3", "literals and comments become tokens", C::NormalMode, kWhole, StageSaveLiteralsAndComments},
    {"4", "line breaks removed", C::Always, kWhole, StageRemoveLineBreaks},
    {"5", "tabs, upper case, line-break form", C::Always, kWhole, StageTabsCaseAndLineEnds},
    {"6", "blanks around separators", C::Always, kWhole, StageBlanksAroundSeparators},
    {"7", "runs of blanks merged", C::Always, kWhole, StageMergeBlankRuns},
    {"8", "line break before closing parentheses", C::Always, kWhole, StageBreakBeforeClosingParen},
    {"9", "line break before comment tokens", C::NormalMode, kWhole, StageBreakBeforeComments},
    {"10", "line break after comment tokens", C::NormalMode, kWhole, StageBreakAfterComments},
    {"11", "reserved phrases joined", C::Always, kWhole, StageJoinReservedPhrases},
    {"12", "line break before reserved words", C::Always, kWhole, StageBreakBeforeReservedWords},
    {"13", "line break after statement ends", C::Always, kWhole, StageBreakAfterStatements},
    {"14", "line break after list commas", C::Always, kWhole, StageBreakAfterCommas},
    {"15", "closing parentheses joined up", C::Always, kLines, StageJoinClosingParens},
    {"16", "stand-alone keywords split off", C::Always, kLines, StageSplitStandAloneKeywords},
    {"17", "function scan without effect", C::Always, kLines, StageFunctionScan},
    {"18", "function calls made one piece", C::Always, kLines, StageCompactFunctionCalls},
    {"19", "comparison operators joined", C::Always, kLines, StageJoinComparisons},
    {"20", "no break after keywords", C::Always, kLines, StageJoinNoBreakAfter},
    {"20.5", "leading commas", C::CommaBefore, kLines, StageLeadingCommas},
    {"21", "block comments joined up", C::NormalMode, kLines, StageJoinBlockComments},
    {"22", "indentation", C::Always, kLines, StageIndent},
    {"23", "reserved-word form and emphasis", C::Always, kWhole, StageReservedWordForm},
    {"24", "literals and comments restored", C::NormalMode, kWhole, StageRestoreLiteralsAndComments},
    {"25", "end of the run", C::Always, kWhole, StageEndOfRun},
};

} // namespace

std::span<const StageEntry> StageTable() { return kStages; }

const int kStageBarMaximum = static_cast<int>(std::size(kStages));

bool StageRuns(const StageEntry &stage, const EditorOptions &options) {
    switch (stage.runs) {
    case StageCondition::Always: return true;
    case StageCondition::NormalMode: return !options.SimpleMode;
    case StageCondition::CommaBefore: return options.Comma == CommaPosition::Before;
    }
    return true;
}

void RunStage(FormatRunState &run, const StageEntry &stage) {
    if (!StageRuns(stage, run.options)) return;
    if (run.form != stage.form) {
        if (stage.form == TextForm::Lines)
            MoveWholeTextToLines(run);
        else
            MoveLinesToWholeText(run);
    }
    stage.run(run);
}

namespace {

FormatResult EndedWithOriginal(RunEnd end, const FormatRunState &run) {
    FormatResult r;
    r.end = end;
    r.text = run.revertText;
    return r;
}

SegmentCounts CountsOf(const ProtectedSegments &s) {
    return {static_cast<int>(s.K.size()), static_cast<int>(s.R.size()), static_cast<int>(s.C.size()),
            static_cast<int>(s.T.size())};
}

} // namespace

FormatResult RunFormat(std::string text, const EditorOptions &options, const KeywordCatalogue &catalogue,
                       ProgressSink &sink) {
    FormatRunState run(options, catalogue, sink);
    try {
        run.Begin(std::move(text));
        sink.SetBar1(0, 0);
        sink.SetBar2(0, kStageBarMaximum);
        run.CancelCheck();
        for (const StageEntry &stage : StageTable()) {
            RunStage(run, stage);
            sink.StepBar2();
        }
        FormatResult r;
        r.end = RunEnd::Normal;
        r.text = std::move(run.work);
        r.boldSpans = std::move(run.boldSpans);
        r.counts = CountsOf(run.segments);
        return r;
    } catch (const RunCancelled &) {
        return EndedWithOriginal(RunEnd::Cancelled, run);
    } catch (const StageFailure &f) {
        FormatResult r = EndedWithOriginal(RunEnd::Failed, run);
        r.message = f.message;
        r.hasHighlight = f.hasHighlight;
        r.highlight = f.highlight;
        return r;
    } catch (const std::exception &) {
        FormatResult r = EndedWithOriginal(RunEnd::UnexpectedError, run);
        r.message = {"エラー", "整形処理でエラーが発生しました", MessageIcon::Error};
        return r;
    }
}

std::string GeneralNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

std::string RunSummaryText(double seconds, const SegmentCounts &counts) {
    std::string s;
    s += "Time : " + GeneralNumber(seconds) + "s\r\n";
    s += "\r\n";
    s += "K    : " + std::to_string(counts.K) + " ( \" ) \r\n";
    s += "R    : " + std::to_string(counts.R) + " ( ' ) \r\n";
    s += "C    : " + std::to_string(counts.C) + " ( -- ) \r\n";
    s += "T    : " + std::to_string(counts.T) + " ( /* ) \r\n";
    return s;
}

} // namespace kelvra
