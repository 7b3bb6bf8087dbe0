#pragma once
// Inside the format run: the stage table and how one stage is run. For the
// stages, their tests and the benchmarks; everything else includes
// formatter/Format.h.

#include "formatter/Format.h"
#include "formatter/FormatRunState.h"

#include <span>

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

// Whether the stage runs under these options.
bool StageRuns(const StageEntry &stage, const EditorOptions &options);
// Runs one stage when its condition holds, first putting the text into the
// form the stage works on.
void RunStage(FormatRunState &run, const StageEntry &stage);

} // namespace kelvra
