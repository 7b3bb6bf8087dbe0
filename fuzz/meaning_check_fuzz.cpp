// Runs the meaning check on arbitrary text. It must never crash, and:
//   - a text compared with itself is the same;
//   - a text compared with a copy whose blank runs between tokens are
//     replaced (a line end stays a line end) and whose words change letter
//     case is the same;
//   - against any other text, what it reports lies inside the text before;
//   - all readings compared together find a change exactly where one of them
//     compared alone does.
// The first byte picks what the rest is compared with.
#include "meaning/MeaningCheck.h"
#include "meaning/MeaningLexer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Violation(const char *what, std::string_view text) {
    std::fprintf(stderr, "meaning_check_fuzz: %s: [%.*s]\n", what,
                 static_cast<int>(std::min<std::size_t>(text.size(), 200)), text.data());
    std::abort();
}

// What a format run may do to the text as `reading` reads it, chosen by `choice`.
std::string Reshaped(std::string_view text, kelvra::meaning::Reading reading, std::uint32_t choice) {
    using namespace kelvra::meaning;
    std::string out;
    std::size_t done = 0;
    const auto next = [&choice] { return (choice = choice * 1103515245u + 12345u) >> 16; };
    for (const Token &t : Tokenize(text, reading)) {
        const std::string_view gap = text.substr(done, t.start - done);
        if (gap.find_first_of("\r\n") != std::string_view::npos) // COPY data starts at its line's start
            out += t.kind == TokenKind::LineCommand || next() % 2 ? "\r\n" : " \n\t";
        else if (!gap.empty())
            out.append(1 + next() % 3, ' ');
        std::string token(text.substr(t.start, t.end - t.start));
        if (t.kind == TokenKind::Word && !t.exact)
            for (char &c : token)
                if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && next() % 2) c ^= 0x20;
        out += token;
        done = t.end;
    }
    return out;
}

void CheckPlaces(const kelvra::meaning::CheckReport &r, std::string_view before) {
    if (r.first.size() > r.count || r.first.size() > 5) Violation("more places listed than found", before);
    std::size_t byKind = 0;
    for (std::size_t n : r.byKind) byKind += n;
    if (byKind != r.count) Violation("counts by kind do not add up", before);
    for (const auto &d : r.first)
        if (d.offset > before.size() || d.length > before.size() - d.offset || d.line < 1 || d.column < 1 ||
            d.what.empty())
            Violation("a place outside the text", before);
}

kelvra::meaning::CheckOptions Only(kelvra::meaning::Reading reading) {
    using kelvra::meaning::Reading;
    return {reading == Reading::Oracle, reading == Reading::PostgreSql, reading == Reading::MySql,
            reading == Reading::SqlServer};
}

void CheckTogetherAgreesWithAlone(std::string_view before, std::string_view after) {
    using namespace kelvra::meaning;
    bool eachAlone = true;
    for (const Reading r : {Reading::Oracle, Reading::PostgreSql, Reading::MySql, Reading::SqlServer})
        eachAlone = eachAlone && CompareMeaning(before, after, 1, Only(r)).Same();
    if (CompareMeaning(before, after, 1).Same() != eachAlone)
        Violation("all readings together and each alone disagree", before);
}

} // namespace

constexpr std::size_t kMaxInput = 4096;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace kelvra::meaning;
    if (size < 2 || size > kMaxInput) return 0;
    const std::uint8_t pick = data[0];
    const std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    if (!CompareMeaning(text, text).Same()) Violation("a text differs from itself", text);
    if (pick & 1) {
        // The rest as two texts, cut where the second byte says.
        const std::size_t cut = data[1] % text.size();
        const std::string_view before = text.substr(0, cut), after = text.substr(cut);
        CheckPlaces(CompareMeaning(before, after), before);
        CheckPlaces(CompareMeaning(after, before), after);
        CheckTogetherAgreesWithAlone(before, after);
        return 0;
    }
    // Under one reading, picked by the next two bits.
    const auto reading = static_cast<Reading>((pick >> 1) & 3);
    CheckOptions only{false, false, false, false};
    (reading == Reading::Oracle       ? only.oracle
     : reading == Reading::PostgreSql ? only.postgresql
     : reading == Reading::MySql      ? only.mysql
                                      : only.sqlserver) = true;
    const std::string reshaped = Reshaped(text, reading, pick * 2654435761u);
    const CheckReport r = CompareMeaning(text, reshaped, 5, only);
    if (!r.Same()) Violation("blanks and letter case alone made a difference", text);
    CheckTogetherAgreesWithAlone(text, reshaped);
    return 0;
}
