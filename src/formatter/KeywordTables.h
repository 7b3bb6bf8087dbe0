#pragma once
// The keyword lookups the stages build from the catalogue's check states and
// the run's word joiner. Building them costs more than formatting a short
// text, so each thread keeps the tables of its last states and joiner and
// builds them again only when either changes.

#include "formatter/PatternSet.h"
#include "formatter/TextUtil.h"
#include "keywords/KeywordCatalogue.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvra {

// The checked multi-word reserved words, in catalogue order: their search
// patterns (blank, phrase, blank) and what each becomes (blank, joined
// phrase, blank). Single words are their own joined form.
struct CheckedPhrases {
    std::vector<int> positions;
    std::vector<std::string> patterns;
    std::vector<std::string> joined;
};

struct KeywordTables {
    KeywordTables(const KeywordCatalogue &catalogue, const std::string &joiner);

    CheckedPhrases phrases;
    PatternSet phraseSet; // of phrases.patterns
    // Joined reserved word → catalogue position, for the words that get a line
    // break before them (those not checked in the "break after" list).
    KeywordLookup<int> breakBefore;
    // Joined checked reserved word → its catalogue spelling.
    KeywordLookup<std::string> spellingOf;
    // Checked stand-alone keywords (joined) in list order, each with its blank,
    // and each keyword's index there.
    std::vector<std::string> standAloneWithBlank;
    KeywordLookup<std::size_t> tandokuIndex;
    // Catalogue positions of the checked function names, and each name's index there.
    std::vector<int> functionPositions;
    KeywordLookup<std::size_t> functionIndex;
};

// The tables for these states and joiner; shared, so they outlive a later
// call that builds other ones.
std::shared_ptr<const KeywordTables> KeywordTablesFor(const KeywordCatalogue &catalogue, const std::string &joiner);

} // namespace kelvra
