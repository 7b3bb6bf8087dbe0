#pragma once
// Stages 13 to 25: the layout of the lines, indentation, reserved-word form and
// emphasis, the return of literals and comments and the end of the run.

#include "formatter/FormatRunState.h"

namespace kelvra {

void StageBreakAfterStatements(FormatRunState &run);       // 13
void StageBreakAfterCommas(FormatRunState &run);           // 14
void StageJoinClosingParens(FormatRunState &run);          // 15
void StageSplitStandAloneKeywords(FormatRunState &run);    // 16
void StageFunctionScan(FormatRunState &run);               // 17
void StageCompactFunctionCalls(FormatRunState &run);       // 18
void StageJoinComparisons(FormatRunState &run);            // 19
void StageJoinNoBreakAfter(FormatRunState &run);           // 20
void StageLeadingCommas(FormatRunState &run);              // 20.5
void StageJoinBlockComments(FormatRunState &run);          // 21
void StageIndent(FormatRunState &run);                     // 22
void StageReservedWordForm(FormatRunState &run);           // 23
void StageRestoreLiteralsAndComments(FormatRunState &run); // 24
void StageEndOfRun(FormatRunState &run);                   // 25

} // namespace kelvra
