#pragma once
// What kelvra-format makes of the meaning check: the places the user did not
// allow refuse the file. --join-lines allows words to run together. With the
// base rules asked for (no KeepMeaning, or simple mode) changed literals,
// comments and line commands are warnings, and so are operators, comments and
// literals that form where line breaks go, when --join-lines is given.

#include "cli/FormatCommand.h"
#include "meaning/MeaningCheck.h"

#include <string_view>
#include <vector>

namespace kelvra::cli {

struct MeaningAllowance {
    bool joinLines = false; // --join-lines
    bool baseRules = false; // KeepMeaning off, or simple mode
};

struct MeaningProblems {
    std::vector<Problem> refusals; // empty: the result may be written
    std::vector<Problem> warnings;
    bool joinsWords = false; // refused for what --join-lines would allow
};

// `readings`: which readings of the text must stay the same (CheckOptionsFor).
MeaningProblems JudgeMeaning(std::string_view before, std::string_view after, MeaningAllowance allowed,
                             const meaning::CheckOptions &readings);

} // namespace kelvra::cli
