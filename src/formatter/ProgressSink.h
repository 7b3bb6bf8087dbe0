#pragma once
// The progress dialog as the format core sees it: two bars and a cancel probe.

#include <cstdint>

namespace kelvra {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Bar 1 shows progress inside a stage, bar 2 the stages.
    virtual void SetBar1(std::int64_t position, std::int64_t maximum) {
        (void)position;
        (void)maximum;
    }
    virtual void SetBar2(int position, int maximum) {
        (void)position;
        (void)maximum;
    }
    virtual void StepBar2() {}
    // Lets the user interface process pending events; true when the user asked
    // to cancel. Must be cheap: the stages call it inside their loops.
    virtual bool CancelRequested() { return false; }
};

} // namespace kelvra
