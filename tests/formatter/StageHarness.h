#pragma once
// Runs the format stages on a text up to a given stage, for tests of single stages.

#include "formatter/FormatDriver.h"
#include "formatter/FormatRunState.h"

#include "formatter/TextUtil.h"

#include <memory>
#include <string>
#include <string_view>

namespace kelvra::test {

// A cancel probe that answers yes at its n-th call (0: never).
class CountingSink : public ProgressSink {
public:
    explicit CountingSink(long cancelAt = 0) : cancelAt_(cancelAt) {}
    bool CancelRequested() override { return ++calls_ == cancelAt_; }
    long calls() const { return calls_; }

private:
    long cancelAt_;
    long calls_ = 0;
};

struct StageHarness {
    EditorOptions options;
    KeywordCatalogue catalogue;
    CountingSink sink;
    std::unique_ptr<FormatRunState> state;

    // Runs every stage of the table up to and including `lastStage` ("12", "20.5").
    std::string RunThrough(std::string_view text, std::string_view lastStage) {
        state = std::make_unique<FormatRunState>(options, catalogue, sink);
        FormatRunState &run = *state;
        run.Begin(std::string(text));
        for (const StageEntry &stage : StageTable()) {
            RunStage(run, stage);
            if (stage.number == lastStage) break;
        }
        return run.form == TextForm::Lines ? JoinLines(run.lines) : run.work;
    }
};

} // namespace kelvra::test
