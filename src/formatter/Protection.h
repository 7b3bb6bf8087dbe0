#pragma once
// Literal and comment protection: the marker pair (stage 1), the lifting of
// literals and comments into tokens (stage 3) and their return (stage 24).

#include "formatter/FormatRunState.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra {

struct MarkerPair {
    const char *open;
    const char *close;
};

// The fifteen candidate pairs, in the order they are tried.
const std::vector<MarkerPair> &MarkerPairs();

// The first pair of which neither character occurs in `text`; in simple mode
// the first pair without looking. None when every pair is in use.
// `betweenPieces` is called after each piece of a long text.
std::optional<MarkerPair> ChooseMarkerPair(std::string_view text, bool simpleMode,
                                           const std::function<void()> &betweenPieces = {});

// The letter (K, R, T or C) of the smallest position; ties go to K, R, T, C in
// that order; empty when no position is given.
std::string funMiniCode(std::optional<std::size_t> posK, std::optional<std::size_t> posR,
                        std::optional<std::size_t> posC, std::optional<std::size_t> posT);

// The text without its line breaks: each CR goes, with the LF that follows it.
std::string funDelCRLF(std::string_view text);
// The same, but a run of line breaks between two characters that are not
// blanks becomes one blank, so that the words and hints of a block comment
// stay apart.
std::string BlockCommentOnOneLine(std::string_view text);

// Stage 1: sets run.markerOpen/markerClose or throws StageFailure.
void StageChooseMarkerPair(FormatRunState &run);
// Stage 3: run.work becomes the text with every literal and comment (and, when
// meaning is kept, every piece of formatter/ProtectedText.h) replaced by its
// token; the segments go to run.segments. Throws StageFailure on an unmatched
// opening.
void StageSaveLiteralsAndComments(FormatRunState &run);
// Stage 24: every token in `text` becomes its segment again; `spans` move with
// the text around them. Throws StageFailure on a damaged token.
void proRestKRCT(FormatRunState &run, std::string &text, std::vector<TextSpan> &spans);
// funMiniCode, funDelCRLF, stage 3 (as proSaveKRCT) and proRestKRCT turn an
// unexpected error inside them into InternalError with their own name.

} // namespace kelvra
