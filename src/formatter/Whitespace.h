#pragma once
// Stages 4 to 8: the input's line breaks removed, tabs and case normalised,
// one blank around every separator, runs of blanks merged, a line break before
// every closing parenthesis.

#include "formatter/FormatRunState.h"

namespace kelvra {

void StageRemoveLineBreaks(FormatRunState &run);        // 4
void StageTabsCaseAndLineEnds(FormatRunState &run);     // 5
void StageBlanksAroundSeparators(FormatRunState &run);  // 6
void StageMergeBlankRuns(FormatRunState &run);          // 7
void StageBreakBeforeClosingParen(FormatRunState &run); // 8

} // namespace kelvra
