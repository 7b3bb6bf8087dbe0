#include "cli/MeaningProblems.h"

#include "meaning/MeaningCheck.h"

namespace kelvra::cli {
namespace {

using meaning::ChangeKind;

// How many places are looked at for the lists, and how many each list shows.
constexpr std::size_t kLookedAt = 64, kListed = 5, kWarningsListed = 3;

std::string Places(std::size_t n) { return std::to_string(n) + (n == 1 ? " place" : " places"); }

Problem At(const meaning::Difference &d, std::string message) {
    return {true, static_cast<std::size_t>(d.line), static_cast<std::size_t>(d.column), std::move(message)};
}

bool FormedWhereLinesJoin(ChangeKind kind) {
    return kind == ChangeKind::JoinedWords || kind == ChangeKind::WordOnLiteral || kind == ChangeKind::MergedLiterals ||
           kind == ChangeKind::OperatorFormed || kind == ChangeKind::CommentFormed;
}

enum class Verdict { Allowed, Told, Refused };

Verdict VerdictOn(ChangeKind kind, MeaningAllowance allowed) {
    if (kind == ChangeKind::JoinedWords) return allowed.joinLines ? Verdict::Allowed : Verdict::Refused;
    if (!allowed.baseRules) return Verdict::Refused;
    return FormedWhereLinesJoin(kind) && !allowed.joinLines ? Verdict::Refused : Verdict::Told;
}

} // namespace

MeaningProblems JudgeMeaning(std::string_view before, std::string_view after, MeaningAllowance allowed,
                             const meaning::CheckOptions &readings) {
    MeaningProblems found;
    const meaning::CheckReport report = meaning::CompareMeaning(before, after, kLookedAt, readings);
    if (report.Same()) return found;
    std::size_t refusedCount = 0, toldCount = 0;
    for (std::size_t k = 0; k < meaning::kChangeKinds; ++k) {
        const auto kind = static_cast<ChangeKind>(k);
        const Verdict verdict = VerdictOn(kind, allowed);
        if (verdict == Verdict::Refused) refusedCount += report.byKind[k];
        if (verdict == Verdict::Told) toldCount += report.byKind[k];
        // Refused for what --join-lines would have let through.
        if (verdict == Verdict::Refused && report.byKind[k] > 0 &&
            VerdictOn(kind, {true, allowed.baseRules}) != Verdict::Refused)
            found.joinsWords = true;
    }
    for (const meaning::Difference &d : report.first) {
        const Verdict verdict = VerdictOn(d.kind, allowed);
        if (verdict == Verdict::Refused && found.refusals.size() < kListed) found.refusals.push_back(At(d, d.what));
        if (verdict == Verdict::Told && found.warnings.size() < kWarningsListed)
            found.warnings.push_back(At(d, "warning: " + d.what));
    }
    // Places that were let through can fill the first few; the first refused
    // place of each kind is named all the same.
    if (found.refusals.empty())
        for (const auto &d : report.firstOfKind)
            if (d && VerdictOn(d->kind, allowed) == Verdict::Refused && found.refusals.size() < kListed)
                found.refusals.push_back(At(*d, d->what));
    if (refusedCount > 0) {
        found.refusals.push_back(
            {false, 0, 0, Places(refusedCount) + " would change what the SQL means; nothing was written"});
        return found;
    }
    if (toldCount > 0)
        found.warnings.push_back(
            {false, 0, 0,
             "warning: " + Places(toldCount) + " changed beyond letter case and blanks, as the base rules say"});
    return found;
}

} // namespace kelvra::cli
