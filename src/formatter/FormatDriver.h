#pragma once
// The format run: takes a text (lines ended by CR LF), the options and the
// keyword catalogue, runs the stages in their fixed order and tells how the
// run ended. It shows nothing itself: the caller shows progress and messages.

#include "formatter/FormatResult.h"
#include "formatter/FormatRunState.h"
#include "formatter/ProgressSink.h"
#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"

#include <span>
#include <string>
#include <string_view>

namespace kelvra {

enum class StageCondition { Always, NormalMode, CommaBefore };

struct StageEntry {
    const char *number; // "1" .. "25", and "20.5"
    const char *name;
    StageCondition runs;
    TextForm form; // the text whole or as lines
    void (*run)(FormatRunState &);
};

// The stages in the order they run.
std::span<const StageEntry> StageTable();

// Number of steps of the stage bar (progress bar 2): one per stage of the table.
extern const int kStageBarMaximum;

// Whether the stage runs under these options.
bool StageRuns(const StageEntry &stage, const EditorOptions &options);
// Runs one stage when its condition holds, first putting the text into the
// form the stage works on.
void RunStage(FormatRunState &run, const StageEntry &stage);

// The text is taken by value: a caller that no longer needs it moves it in.
FormatResult RunFormat(std::string text, const EditorOptions &options, const KeywordCatalogue &catalogue,
                       ProgressSink &sink);

// The run summary shown after a timed run (each line ended by CR LF).
std::string RunSummaryText(double seconds, const SegmentCounts &counts);
// Seconds in the general number format: up to 15 significant digits, no trailing zeros.
std::string GeneralNumber(double value);

} // namespace kelvra
