#pragma once
// Stage 2 (the word joiner), funKeyConv, stage 11 (checked multi-word reserved
// words joined into one word) and stage 12 (a line break before reserved words).

#include "formatter/FormatRunState.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

// The first candidate (single, then doubled, then tripled) absent from `text`.
// `betweenPieces` is called after each piece of a long text.
std::optional<std::string> ChooseWordJoiner(std::string_view text, const std::function<void()> &betweenPieces = {});

// The entry with every blank replaced by the joiner; an unexpected error in it
// is InternalError("funKeyConv").
std::string funKeyConv(std::string_view entry, std::string_view joiner);

void StageChooseWordJoiner(FormatRunState &run);         // 2
void StageJoinReservedPhrases(FormatRunState &run);      // 11
void StageBreakBeforeReservedWords(FormatRunState &run); // 12

} // namespace kelvra
