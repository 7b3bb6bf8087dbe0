#include "formatter/KeywordTables.h"

#include "formatter/ReservedWords.h"

#include <mutex>

namespace kelvra {
namespace {

bool IsPhrase(std::string_view entry) { return entry.find(' ') != std::string_view::npos; }

// The word with a blank before and after it.
std::string Blanked(std::string_view word) {
    std::string s(1, ' ');
    s.append(word);
    s += ' ';
    return s;
}

CheckedPhrases CheckedPhrasesOf(const KeywordCatalogue &catalogue, const std::string &joiner) {
    CheckedPhrases phrases;
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Yoyaku); ++i) {
        const std::string &entry = KeywordCatalogue::Text(KeywordList::Yoyaku, i);
        if (catalogue.IsChecked(KeywordList::Yoyaku, i) && IsPhrase(entry)) {
            phrases.positions.push_back(i);
            phrases.patterns.push_back(Blanked(entry));
            phrases.joined.push_back(Blanked(funKeyConv(entry, joiner)));
        }
    }
    return phrases;
}

} // namespace

KeywordTables::KeywordTables(const KeywordCatalogue &catalogue, const std::string &joiner)
    : phrases(CheckedPhrasesOf(catalogue, joiner)), phraseSet(phrases.patterns) {
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Yoyaku); ++i) {
        const std::string &entry = KeywordCatalogue::Text(KeywordList::Yoyaku, i);
        const std::string joined = funKeyConv(entry, joiner);
        if (!catalogue.ContainsChecked(KeywordList::MaeNo, entry)) breakBefore.Add(joined, i);
        if (catalogue.IsChecked(KeywordList::Yoyaku, i)) spellingOf.Add(joined, entry);
    }
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Tandoku); ++i)
        if (catalogue.IsChecked(KeywordList::Tandoku, i)) {
            std::string kw = funKeyConv(KeywordCatalogue::Text(KeywordList::Tandoku, i), joiner);
            if (tandokuIndex.Add(kw, standAloneWithBlank.size())) standAloneWithBlank.push_back(kw + " ");
        }
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Kansu); ++i)
        if (catalogue.IsChecked(KeywordList::Kansu, i) &&
            functionIndex.Add(KeywordCatalogue::Text(KeywordList::Kansu, i), functionPositions.size()))
            functionPositions.push_back(i);
}

std::shared_ptr<const KeywordTables> KeywordTablesFor(const KeywordCatalogue &catalogue, const std::string &joiner) {
    // The tables of the last catalogue state and joiner, shared by all threads:
    // a lock held only to compare and copy, never while tables are built. (Not
    // one per thread: the MinGW runtime frees a thread's storage before it
    // destroys the objects in it, so such a cache crashes the thread's end.)
    struct Cached {
        KeywordCatalogue catalogue;
        std::string joiner;
        std::shared_ptr<const KeywordTables> tables;
    };
    static std::mutex mutex;
    static Cached cached;
    {
        std::lock_guard lock(mutex);
        if (cached.tables && cached.catalogue == catalogue && cached.joiner == joiner) return cached.tables;
    }
    auto tables = std::make_shared<const KeywordTables>(catalogue, joiner);
    std::lock_guard lock(mutex);
    cached.tables.reset(); // a copy that fails half way leaves no tables under the wrong states
    cached.catalogue = catalogue;
    cached.joiner = joiner;
    cached.tables = tables;
    return tables;
}

} // namespace kelvra
