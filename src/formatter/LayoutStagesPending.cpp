#include "formatter/LayoutStages.h"

#include "formatter/Protection.h"

// Until the layout stages are written they hand the text on unchanged.
namespace kelvra {
void StageBreakAfterStatements(FormatRunState &) {}
void StageBreakAfterCommas(FormatRunState &) {}
void StageJoinClosingParens(FormatRunState &) {}
void StageSplitStandAloneKeywords(FormatRunState &) {}
void StageFunctionScan(FormatRunState &) {}
void StageCompactFunctionCalls(FormatRunState &) {}
void StageJoinComparisons(FormatRunState &) {}
void StageJoinNoBreakAfter(FormatRunState &) {}
void StageLeadingCommas(FormatRunState &) {}
void StageJoinBlockComments(FormatRunState &) {}
void StageIndent(FormatRunState &) {}
void StageReservedWordForm(FormatRunState &) {}
void StageRestoreLiteralsAndComments(FormatRunState &run) { proRestKRCT(run, run.work, run.boldSpans); }
void StageEndOfRun(FormatRunState &) {}
} // namespace kelvra
