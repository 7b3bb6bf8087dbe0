// Stages 24 and 25: literals and comments put back, the end of the run.
#include "formatter/LayoutStages.h"

#include "formatter/Protection.h"

namespace kelvra {

void StageRestoreLiteralsAndComments(FormatRunState &run) { proRestKRCT(run, run.work, run.boldSpans); }

// The caret, the summary and the clean-up belong to the window; the core has
// nothing left to do.
void StageEndOfRun(FormatRunState &run) { run.CancelCheck(); }

} // namespace kelvra
