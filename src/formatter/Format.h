#pragma once
// The format core's public face: one run takes a text (lines ended by CR LF),
// the options and the keyword catalogue, and tells how it ended. It shows
// nothing itself: the caller shows progress and messages.

#include "formatter/FormatResult.h"
#include "formatter/ProgressSink.h"
#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"

#include <string>

namespace kelvra {

// The text is taken by value: a caller that no longer needs it moves it in.
FormatResult RunFormat(std::string text, const EditorOptions &options, const KeywordCatalogue &catalogue,
                       ProgressSink &sink);

// Number of steps of the stage bar (progress bar 2): one per stage.
extern const int kStageBarMaximum;

// The run summary shown after a timed run (each line ended by CR LF).
std::string RunSummaryText(double seconds, const SegmentCounts &counts);
// Seconds in the general number format: up to 15 significant digits, no trailing zeros.
std::string GeneralNumber(double value);

} // namespace kelvra
