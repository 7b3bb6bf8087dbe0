#pragma once
// Stages 9 and 10: every comment token gets a line of its own.

#include "formatter/FormatRunState.h"

namespace kelvra {

void StageBreakBeforeComments(FormatRunState &run); // 9
void StageBreakAfterComments(FormatRunState &run);  // 10

// True when `text` at `pos` holds markerOpen followed by C or T.
bool IsCommentTokenAt(const FormatRunState &run, std::string_view text, std::size_t pos);

} // namespace kelvra
