#include "meaning/MeaningCheck.h"

#include "meaning/MeaningLexer.h"
#include "meaning/ReadingsLexer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace kelvra::meaning {
namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsComment(TokenKind k) { return k == TokenKind::LineComment || k == TokenKind::BlockComment; }

// --- Comparing two tokens -------------------------------------------------

// One character of UTF-8 at `at`, upper-cased where a letter has a capital
// of the same kind (ASCII, Latin-1, Greek, Cyrillic, full-width Latin).
char32_t FoldedCharAt(std::string_view s, std::size_t &at) {
    const auto lead = static_cast<unsigned char>(s[at]);
    if (lead < 0x80) {
        ++at;
        return lead >= 'a' && lead <= 'z' ? lead - 0x20 : lead;
    }
    const std::size_t length = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    bool whole = length > 1 && at + length <= s.size();
    for (std::size_t i = 1; whole && i < length; ++i) whole = (static_cast<unsigned char>(s[at + i]) & 0xC0) == 0x80;
    if (!whole) {
        ++at;
        return 0x110000 + lead; // a stray byte stands for itself
    }
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(s[at + i]) & 0x3F);
    at += length;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A))
        return c - 0x20;
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

static_assert(std::endian::native == std::endian::little, "bytes are masked from the low end");

// The `n` bytes of `text` from `at` (at most eight) in one number, the rest zero.
std::uint64_t BytesAt(std::string_view text, std::size_t at, std::size_t n) {
    std::uint64_t v = 0;
    if (at + 8 <= text.size())
        std::memcpy(&v, text.data() + at, 8);
    else
        for (std::size_t i = 0; i < n; ++i) v |= std::uint64_t{static_cast<unsigned char>(text[at + i])} << (8 * i);
    return n >= 8 ? v : v & ((std::uint64_t{1} << (8 * n)) - 1);
}

enum class AsciiVerdict { Same, Different, NotAscii };

// Eight ASCII bytes at a time: equal but for the case of letters? Bytes that
// differ may differ only in the 0x20 bit, and only where that byte is a letter.
// `n` bytes from `atA` of `a` against as many from `atB` of `b`.
AsciiVerdict CompareAsciiIgnoringCase(std::string_view a, std::size_t atA, std::string_view b, std::size_t atB,
                                      std::size_t n) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL, kCase = 0x2020202020202020ULL;
    for (std::size_t at = 0; at < n; at += 8) {
        const std::size_t count = std::min<std::size_t>(8, n - at);
        const std::uint64_t x = BytesAt(a, atA + at, count), y = BytesAt(b, atB + at, count);
        if ((x | y) & kHigh) return AsciiVerdict::NotAscii;
        const std::uint64_t d = x ^ y;
        if (d == 0) continue;
        if (d & ~kCase) return AsciiVerdict::Different;
        const std::uint64_t small = x | kCase; // ASCII bytes: no carry crosses a byte below
        const std::uint64_t letters = ((small + 0x1F1F1F1F1F1F1F1FULL) & ~(small + 0x0505050505050505ULL)) & kHigh;
        if ((d << 2) & ~letters) return AsciiVerdict::Different; // 'a' <= byte <= 'z' where they differ
    }
    return AsciiVerdict::Same;
}

// Equal but for the case of ASCII letters; with `wide`, of the other letters
// FoldedCharAt knows too.
bool SameIgnoringCase(std::string_view a, std::string_view b, bool wide) {
    if (a.size() == b.size()) { // the common case: ASCII, letter case at most changed
        const AsciiVerdict verdict = CompareAsciiIgnoringCase(a, 0, b, 0, a.size());
        if (verdict != AsciiVerdict::NotAscii) return verdict == AsciiVerdict::Same;
    }
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool ascii = static_cast<unsigned char>(a[i]) < 0x80 || static_cast<unsigned char>(b[j]) < 0x80;
        if (!wide && !ascii) {
            if (a[i++] != b[j++]) return false;
        } else if (FoldedCharAt(a, i) != FoldedCharAt(b, j)) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

std::size_t SkipLineEnd(std::string_view s, std::size_t at) {
    return at + (s[at] == '\r' && at + 1 < s.size() && s[at + 1] == '\n' ? 2 : 1);
}

// Byte for byte, but CR LF, LF and CR all stand for one line end.
bool SameBytes(std::string_view a, std::string_view b) {
    if (a == b) return true;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsLineEnd(a[i]) && IsLineEnd(b[j])) {
            i = SkipLineEnd(a, i);
            j = SkipLineEnd(b, j);
        } else if (a[i++] != b[j++]) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

// Byte for byte, except that a run of blanks and line ends may become another run.
bool SameWithBlankRuns(std::string_view a, std::string_view b) {
    if (a == b) return true;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool blankA = IsBlank(a[i]), blankB = IsBlank(b[j]);
        if (blankA != blankB) return false;
        if (blankA) {
            while (i < a.size() && IsBlank(a[i])) ++i;
            while (j < b.size() && IsBlank(b[j])) ++j;
        } else if (a[i++] != b[j++]) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

std::string_view WithoutTrailingBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The letters before a literal's quote (E, N, X, B, U&, q, nq) may change
// case; the rest is the value, line ends included.
bool SameLiteral(std::string_view a, std::string_view b) {
    std::size_t prefix = 0;
    while (prefix < a.size() && (IsWordByte(a[prefix]) || a[prefix] == '&') && a[prefix] != '$') ++prefix;
    if (prefix > b.size()) return false;
    return SameIgnoringCase(a.substr(0, prefix), b.substr(0, prefix), false) && a.substr(prefix) == b.substr(prefix);
}

// What may differ between two tokens of one kind over the same non-blank bytes.
struct TokenRules {
    bool wideLetterCase = false; // letters beyond ASCII may change case
    bool exact = false;          // not even ASCII letters may (a mysql number, a psql variable)
};

bool SameToken(TokenKind kind, std::string_view a, std::string_view b, TokenRules rules) {
    switch (kind) {
    case TokenKind::Word: return rules.exact ? a == b : SameIgnoringCase(a, b, rules.wideLetterCase);
    case TokenKind::Sign: return a == b;
    case TokenKind::Literal: return SameLiteral(a, b);
    case TokenKind::LineComment: return WithoutTrailingBlanks(a) == WithoutTrailingBlanks(b);
    case TokenKind::BlockComment: return SameWithBlankRuns(a, b);
    case TokenKind::LineCommand: return SameBytes(a, b); // lines, which any line end ends
    }
    return false;
}

// --- Naming a place ---------------------------------------------------------

constexpr std::size_t kShownBytes = 40;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A token as quoted in a message: its first line, at most kShownBytes.
std::string Shown(std::string_view token) {
    std::size_t end = 0;
    while (end < token.size() && !IsLineEnd(token[end])) ++end;
    const bool cut = end < token.size() || end > kShownBytes;
    if (end > kShownBytes) {
        end = kShownBytes;
        while (end > 0 && IsContinuationByte(token[end])) --end;
    }
    std::string shown = "\"";
    shown.append(token.substr(0, end));
    shown += cut ? "…\"" : "\"";
    return shown;
}

// Line and column (in characters) of byte offsets; fastest asked for in rising order.
class Positions {
public:
    explicit Positions(std::string_view text) : text_(text) {}

    void At(std::size_t offset, Difference &d) {
        if (offset < at_) at_ = lineStart_ = 0, line_ = 1;
        for (; at_ < offset && at_ < text_.size(); ++at_)
            if (text_[at_] == '\n' || (text_[at_] == '\r' && (at_ + 1 >= text_.size() || text_[at_ + 1] != '\n')))
                ++line_, lineStart_ = at_ + 1;
        int column = 1;
        for (std::size_t i = lineStart_; i < offset && i < text_.size(); ++i)
            column += !IsContinuationByte(text_[i]) && text_[i] != '\r';
        d.line = line_;
        d.column = column;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0, lineStart_ = 0;
    int line_ = 1;
};

// --- Places named under earlier readings --------------------------------------

struct Place {
    std::size_t offset = 0, length = 0;
    ChangeKind kind = ChangeKind::OtherChange;
};

// The places each reading named, by kind: a later reading that finds a place
// of the same kind there (or inside one) does not name it again.
class NamedPlaces {
public:
    bool Covers(ChangeKind kind, std::size_t offset) const {
        const std::vector<Place> &places = byKind_[static_cast<std::size_t>(kind)];
        const auto after = std::upper_bound(places.begin(), places.end(), offset,
                                            [](std::size_t o, const Place &p) { return o < p.offset; });
        if (after == places.begin()) return false;
        const Place &p = *std::prev(after);
        return p.offset == offset || offset < p.offset + p.length;
    }

    void Add(const std::vector<Place> &places) {
        for (const Place &p : places) {
            std::vector<Place> &kind = byKind_[static_cast<std::size_t>(p.kind)];
            if (!kind.empty() && p.offset < kind.back().offset) sorted_ = false;
            kind.push_back(p);
        }
        if (!sorted_)
            for (auto &kind : byKind_)
                std::stable_sort(kind.begin(), kind.end(),
                                 [](const Place &l, const Place &r) { return l.offset < r.offset; });
        sorted_ = true;
    }

private:
    std::array<std::vector<Place>, kChangeKinds> byKind_;
    bool sorted_ = true;
};

// --- Walking both texts -----------------------------------------------------

// Both texts are lexed side by side; tokens that start at the same count of
// non-blank bytes are compared, and where one token covers more than the
// other the place is named and the walk goes on from where both meet again.
class Comparison {
public:
    Comparison(std::string_view before, std::string_view after, std::size_t keep, std::span<const Reading> readings,
               bool wideLetterCase, const NamedPlaces &named)
        : before_(before), after_(after), keep_(keep), named_(&named), lexB_(before, readings), lexA_(after, readings) {
        rules_.wideLetterCase = wideLetterCase;
    }

    // The places this reading named that no earlier one did, in the order found.
    const std::vector<Place> &Places() const { return places_; }
    const CheckReport &Report() const { return report_; }

    CheckReport Run() {
        while (!Done()) Step();
        return Finish();
    }

    bool Done() const { return started_ && (!hasB_ || !hasA_); }

    // One step of the walk: the first tokens are read; then the tokens that
    // start at the same count of non-blank bytes are compared and passed.
    void Step() {
        if (!std::exchange(started_, true)) {
            NextB();
            NextA();
            return;
        }
        if (b_.solid != a_.solid) {
            if (!reported_) Note(ChangeKind::OtherChange, b_.start, b_.end - b_.start, Text(b_) + " would change");
            reported_ = true;
            if (b_.solid < a_.solid)
                NextB();
            else
                NextA();
            return;
        }
        if (CommaCrossesComments()) {
            reported_ = false;
            return;
        }
        reported_ = b_.solidEnd != a_.solidEnd;
        if (b_.solidEnd == a_.solidEnd) {
            CompareAligned();
            NextB();
            NextA();
        } else if (a_.solidEnd > b_.solidEnd) {
            Formed();
            NextA();
        } else {
            Split();
            NextB();
        }
    }

    // What is left over once either text has no more tokens.
    CheckReport Finish() {
        if (hasB_ && !reported_)
            Note(ChangeKind::OtherChange, b_.start, b_.end - b_.start, Text(b_) + " would be lost");
        else if (hasA_ && !reported_)
            Note(ChangeKind::OtherChange, before_.size(), 0, Text(a_, after_) + " would be added");
        return std::move(report_);
    }

    // --- Readings walked together -------------------------------------------

    // Whether the readings of this walk parted on a token: the walk stopped
    // there, and what it found in its last step does not count.
    bool Parted() const { return lexB_.Parted() || lexA_.Parted(); }
    // Whether they part on the next token of either text.
    bool PartsNext() const { return lexB_.PartsNext() || lexA_.PartsNext(); }

    std::size_t Readings() const { return lexB_.Readings(); }

    // The walk of one of its readings alone, from where this walk stands.
    Comparison Alone(std::size_t reading) const {
        Comparison alone = *this;
        alone.lexB_ = lexB_.Alone(reading);
        alone.lexA_ = lexA_.Alone(reading);
        return alone;
    }

    // Whether two walks at the top of a step stand alike past the place where
    // `parted` parted, so that they can go on as one.
    static bool StandAlike(const Comparison &x, const Comparison &y, const Comparison &parted) {
        return x.started_ && y.started_ && !x.Done() && !y.Done() && x.PassedParting(parted) &&
               x.reported_ == y.reported_ && x.hasPrevB_ == y.hasPrevB_ && SameSpan(x.b_, y.b_) &&
               SameSpan(x.a_, y.a_) && (!x.hasPrevB_ || SameSpan(x.prevB_, y.prevB_));
    }

    // Two walks that stand alike, as one walk.
    static Comparison Together(const Comparison &x, const Comparison &y) {
        Comparison together = x;
        together.lexB_.Add(y.lexB_);
        together.lexA_.Add(y.lexA_);
        together.b_.exact |= y.b_.exact;
        together.a_.exact |= y.a_.exact;
        return together;
    }

    // How far the walk has come, to let the one furthest behind go first.
    std::size_t Progress() const { return b_.solid + a_.solid; }

private:
    static bool SameSpan(const Token &x, const Token &y) {
        return x.kind == y.kind && x.start == y.start && x.end == y.end;
    }

    // Whether both lexers stand past the place where `parted` stopped, so that
    // going on together does not meet the same parting again.
    bool PassedParting(const Comparison &parted) const {
        const auto past = [](const ReadingsLexer &mine, const ReadingsLexer &theirs) {
            return !(theirs.Parted() || theirs.PartsNext()) || mine.Position() > theirs.PartedAt();
        };
        return past(lexB_, parted.lexB_) && past(lexA_, parted.lexA_);
    }

    void NextB() {
        if (hasB_) prevB_ = b_, hasPrevB_ = true;
        hasB_ = lexB_.Next(b_);
    }
    void NextA() { hasA_ = lexA_.Next(a_); }

    static std::string_view Of(const Token &t, std::string_view text) {
        return {text.data() + t.start, t.end - t.start}; // tokens lie inside their text
    }
    static std::string Text(const Token &t, std::string_view text) { return Shown(Of(t, text)); }
    std::string Text(const Token &t) const { return Text(t, before_); }

    void Note(ChangeKind kind, std::size_t offset, std::size_t length, std::string what) {
        if (Parted() || named_->Covers(kind, offset)) return;
        places_.push_back({offset, length, kind});
        ++report_.count;
        const bool firstOfItsKind = report_.byKind[static_cast<std::size_t>(kind)]++ == 0;
        const bool kept = report_.first.size() < keep_;
        if (!kept && !firstOfItsKind) return;
        Difference d;
        d.kind = kind;
        d.offset = offset;
        d.length = length;
        d.what = std::move(what);
        if (firstOfItsKind) report_.firstOfKind[static_cast<std::size_t>(kind)] = d;
        if (kept) report_.first.push_back(std::move(d));
    }

    void NoteChanged(const Token &b, const Token &a) {
        Note(ChangedKind(b.kind), b.start, b.end - b.start, ChangedWhat(b.kind, Of(b, before_), Of(a, after_)));
    }

    void NoteLostLine(const Token &command) {
        Note(ChangeKind::LineCommandMerged, command.start, command.end - command.start,
             "the line command " + Text(command) + " would lose its own line");
    }

    static bool IsComma(const Token &t, std::string_view text) {
        return t.kind == TokenKind::Sign && t.end - t.start == 1 && text[t.start] == ',';
    }

    // One side of the walk, for looking ahead without moving the walk.
    struct Side {
        ReadingsLexer lexer;
        Token token;
        bool has;
        std::string_view text;
        bool Next() { return has = lexer.Next(token); }
    };

    // A list comma put on the other side of the comments next to it, as the
    // comma-first layout does ("a, -- note⏎b" becomes "a -- note⏎, b"):
    // comments are blanks to SQL. The walk passes the comma and the comments,
    // which must be the same one for one, and goes on from the tokens after.
    bool CommaCrossesComments() {
        const bool commaBefore = IsComma(b_, before_);
        if (commaBefore == IsComma(a_, after_) || !IsComment(commaBefore ? a_.kind : b_.kind)) return false;
        Side sideB{lexB_, b_, hasB_, before_}, sideA{lexA_, a_, hasA_, after_};
        Side &comma = commaBefore ? sideB : sideA, &other = commaBefore ? sideA : sideB;
        comma.Next(); // past the comma: comments follow it here and come first there
        std::size_t comments = 0;
        for (; comma.has && other.has && IsComment(comma.token.kind) && IsComment(other.token.kind); ++comments) {
            if (comma.token.kind != other.token.kind ||
                !SameToken(comma.token.kind, Of(comma.token, comma.text), Of(other.token, other.text), rules_))
                return false;
            comma.Next();
            other.Next();
        }
        if (comments == 0 || !other.has || !IsComma(other.token, other.text)) return false;
        other.Next();
        lexB_ = sideB.lexer, b_ = sideB.token, hasB_ = sideB.has;
        lexA_ = sideA.lexer, a_ = sideA.token, hasA_ = sideA.has;
        hasPrevB_ = false; // a comma or a comment: nothing a literal can run into
        return true;
    }

    // Two tokens over the same non-blank bytes: their text, and whether they
    // now touch where they did not, as a word and a quote after it do ("x'41'").
    void CompareAligned() {
        if (b_.kind == TokenKind::LineCommand && a_.kind != TokenKind::LineCommand) return NoteLostLine(b_);
        if (b_.kind != a_.kind || !SameAlignedToken()) return NoteChanged(b_, a_);
        if (hasPrevB_ && a_.glued && !b_.glued && prevB_.kind == TokenKind::Word && b_.kind == TokenKind::Literal)
            Boundary(prevB_, b_, ChangeKind::WordOnLiteral);
    }

    // Words, the most common tokens, are compared where they lie in their
    // texts, so that short ones are read eight bytes at once.
    bool SameAlignedToken() const {
        const std::size_t length = b_.end - b_.start;
        TokenRules rules = rules_;
        rules.exact = b_.exact || a_.exact;
        if (b_.kind == TokenKind::Word && !rules.exact && a_.end - a_.start == length) {
            const AsciiVerdict verdict = CompareAsciiIgnoringCase(before_, b_.start, after_, a_.start, length);
            if (verdict != AsciiVerdict::NotAscii) return verdict == AsciiVerdict::Same;
        }
        return SameToken(b_.kind, Of(b_, before_), Of(a_, after_), rules);
    }

    static ChangeKind ChangedKind(TokenKind kind) {
        switch (kind) {
        case TokenKind::Literal: return ChangeKind::LiteralChanged;
        case TokenKind::LineComment:
        case TokenKind::BlockComment: return ChangeKind::CommentChanged;
        case TokenKind::LineCommand: return ChangeKind::LineCommandMerged;
        default: return ChangeKind::OtherChange;
        }
    }

    static std::string ChangedWhat(TokenKind kind, std::string_view before, std::string_view after) {
        switch (kind) {
        case TokenKind::Literal: return "the literal " + Shown(before) + " would change";
        case TokenKind::LineComment:
        case TokenKind::BlockComment: return "the comment " + Shown(before) + " would change";
        case TokenKind::LineCommand: return "the line command " + Shown(before) + " would change";
        default: return Shown(before) + " would become " + Shown(after);
        }
    }

    // The place between two neighbouring tokens of the text before.
    void Boundary(const Token &left, const Token &right, ChangeKind kind) {
        const std::string l = Text(left), r = Text(right);
        std::string what;
        switch (kind) {
        case ChangeKind::JoinedWords:
        case ChangeKind::WordOnLiteral:
            what = right.lineBreakBefore ? "the line break between " + l + " and " + r + " would join them"
                                         : l + " and " + r + " would run together";
            break;
        case ChangeKind::MergedLiterals: what = l + " and " + r + " would become one literal"; break;
        case ChangeKind::CommentFormed: what = l + " and " + r + " would start a comment"; break;
        default: what = l + " and " + r + " would become one operator or number"; break;
        }
        Note(kind, left.end, right.start - left.end, std::move(what));
    }

    // One token of the text after covers the token of the text before and
    // some that follow it; they are all passed.
    void Formed() {
        const Token first = b_;
        Token second, left = b_, command = b_;
        bool more = false, hasCommand = b_.kind == TokenKind::LineCommand || a_.kind == TokenKind::LineCommand;
        const bool plainJoin = a_.kind == TokenKind::Word || a_.kind == TokenKind::Sign;
        joins_.clear();
        for (NextB(); hasB_ && b_.solid < a_.solidEnd; NextB()) {
            if (!more) second = b_, more = true;
            if (b_.kind == TokenKind::LineCommand && command.kind != TokenKind::LineCommand)
                command = b_, hasCommand = true;
            if (plainJoin) joins_.emplace_back(left, b_);
            left = b_;
        }
        if (!more) return NoteChanged(first, a_); // the last token of the text before grew
        if (hasCommand) return NoteLostLine(command);
        if (IsComment(a_.kind)) {
            if (!IsComment(first.kind)) return Boundary(first, second, ChangeKind::CommentFormed);
            return Note(ChangeKind::CommentFormed, first.end, second.start - first.end,
                        "the comment " + Text(first) + " would swallow " + Text(second));
        }
        // A literal that swallows what follows its quote is one place, however far it runs.
        if (!plainJoin) return Boundary(first, second, JoinKind(first, second));
        for (const auto &[l, r] : joins_) Boundary(l, r, JoinKind(l, r));
    }

    ChangeKind JoinKind(const Token &left, const Token &right) const {
        const bool literalLeft = left.kind == TokenKind::Literal, literalRight = right.kind == TokenKind::Literal;
        if (literalLeft && literalRight) return ChangeKind::MergedLiterals;
        if (literalLeft || literalRight) return ChangeKind::WordOnLiteral;
        if (left.kind == TokenKind::Word && right.kind == TokenKind::Word && IsWordByte(before_[left.end - 1]) &&
            IsWordByte(before_[right.start]))
            return ChangeKind::JoinedWords;
        return ChangeKind::OperatorFormed;
    }

    // The token of the text before is cut into several of the text after; they are all passed.
    void Split() {
        if (b_.kind == TokenKind::LineCommand)
            NoteLostLine(b_);
        else if (b_.kind == TokenKind::Word || b_.kind == TokenKind::Sign)
            Note(ChangeKind::OtherChange, b_.start, b_.end - b_.start, Text(b_) + " would be split");
        else
            NoteChanged(b_, a_);
        for (NextA(); hasA_ && a_.solid < b_.solidEnd;) NextA();
    }

    std::string_view before_, after_;
    std::size_t keep_;
    const NamedPlaces *named_;
    TokenRules rules_;
    ReadingsLexer lexB_, lexA_;
    Token b_, a_, prevB_;
    bool hasB_ = false, hasA_ = false, hasPrevB_ = false;
    bool started_ = false;
    bool reported_ = false; // tokens that do not line up belong to a place already named
    std::vector<std::pair<Token, Token>> joins_;
    CheckReport report_;
    std::vector<Place> places_;
};

std::vector<Reading> EnabledReadings(const CheckOptions &options) {
    std::vector<Reading> readings;
    if (options.oracle) readings.push_back(Reading::Oracle);
    if (options.postgresql) readings.push_back(Reading::PostgreSql);
    if (options.mysql) readings.push_back(Reading::MySql);
    if (options.sqlserver) readings.push_back(Reading::SqlServer);
    return readings;
}

// Adds what one reading found to what the readings before it found.
void Merge(CheckReport &total, CheckReport found, std::size_t keep) {
    total.count += found.count;
    for (std::size_t k = 0; k < kChangeKinds; ++k) {
        total.byKind[k] += found.byKind[k];
        auto &first = total.firstOfKind[k];
        if (found.firstOfKind[k] && (!first || found.firstOfKind[k]->offset < first->offset))
            first = std::move(found.firstOfKind[k]);
    }
    for (Difference &d : found.first) total.first.push_back(std::move(d));
    std::stable_sort(total.first.begin(), total.first.end(),
                     [](const Difference &l, const Difference &r) { return l.offset < r.offset; });
    if (total.first.size() > keep) total.first.resize(keep);
}

// Line and column of every place the report names.
void Locate(CheckReport &report, std::string_view before) {
    Positions positions(before);
    for (Difference &d : report.first) positions.At(d.offset, d);
    for (auto &d : report.firstOfKind)
        if (d) positions.At(d->offset, *d);
}

// Whether the text ends inside a literal or block comment that this reading
// never sees closed: then it is no text for that reader, which would wait for
// the rest of it or fail, before and after alike.
bool EndsUnclosed(std::string_view text, Reading reading) {
    Lexer lexer(text, reading);
    Token last;
    bool any = false;
    for (Token t; lexer.Next(t);) last = t, any = true;
    if (!any || last.end != text.size()) return false;
    const std::string_view token = text.substr(last.start, last.end - last.start);
    if (last.kind == TokenKind::BlockComment) return token.size() < 4 || !token.ends_with("*/");
    if (last.kind != TokenKind::Literal) return false;
    const std::size_t quote = token.find_first_of("'\"`[$");
    if (quote == std::string_view::npos || token.size() - quote < 2) return true;
    const char open = token[quote];
    return token.back() != (open == '[' ? ']' : open);
}

// Walks of some readings each, from where the readings parted (`walk`): the
// one furthest behind goes first; two that stand alike again past that place
// after `leastSteps` steps go on as one, and part again where they read the
// next token differently. True once all are one again (then `walk` is it) or
// all have ended; false where one finds a change (or they part inside a step).
bool WalkApart(std::vector<Comparison> &walks, Comparison &walk, std::size_t leastSteps) {
    const Comparison parted = walk;
    for (std::size_t steps = 0, least = leastSteps * walks.size(); walks.size() > 1; ++steps) {
        auto behind = walks.end();
        for (auto w = walks.begin(); w != walks.end(); ++w)
            if (!w->Done() && (behind == walks.end() || w->Progress() < behind->Progress())) behind = w;
        if (behind == walks.end()) break;
        if (behind->PartsNext()) { // walks that went on together part again: each on its own
            const Comparison group = std::move(*behind);
            walks.erase(behind);
            for (std::size_t r = 0; r < group.Readings(); ++r) walks.push_back(group.Alone(r));
            continue;
        }
        behind->Step();
        // Parted inside a step, with no place saved to go back to: the caller
        // compares the readings one by one instead.
        if (behind->Parted() || !behind->Report().Same()) return false;
        if (steps < least) continue;
        for (auto other = walks.begin(); other != walks.end(); ++other) {
            if (other == behind || !Comparison::StandAlike(*behind, *other, parted)) continue;
            Comparison together = Comparison::Together(*behind, *other);
            if (together.PartsNext()) continue;
            *behind = std::move(together);
            walks.erase(other);
            break;
        }
    }
    // All one again, or all ended: the ones but the first are finished here,
    // the first by the caller.
    for (auto w = walks.begin() + 1; w != walks.end(); ++w)
        if (!w->Finish().Same()) return false;
    walk = std::move(walks.front());
    return true;
}

// Whether no reading finds a change, all readings walked in one pass over
// both texts where they read them alike, and one by one where they do not.
// (Where one does, the caller compares them one after the other, which
// names each place once.) Where they part again soon after they meet, they
// walk apart longer each time, so that a text they read differently all
// through costs no more than walking each reading alone.
bool ReadingsAgree(std::string_view before, std::string_view after, const std::vector<Reading> &readings,
                   bool wideLetterCase) {
    constexpr int kStepsBetweenSaves = 64;
    constexpr std::size_t kShortTogether = 64, kLongestApart = 1 << 16;
    const NamedPlaces none;
    Comparison walk(before, after, 1, readings, wideLetterCase, none);
    Comparison saved = walk; // where to walk apart from, should they part inside a step
    std::vector<Comparison> alone;
    std::size_t together = 0, leastApart = 0;
    for (int steps = 0; !walk.Done();) {
        const bool partsNext = walk.PartsNext();
        if (!partsNext) {
            walk.Step();
            if (!walk.Parted()) {
                if (!walk.Report().Same()) return false;
                if (++steps == kStepsBetweenSaves) saved = walk, steps = 0;
                ++together;
                continue;
            }
        }
        leastApart = together >= kShortTogether ? 0 : std::clamp<std::size_t>(2 * leastApart, 1, kLongestApart);
        const Comparison &from = partsNext ? walk : saved;
        alone.clear();
        for (std::size_t r = 0; r < readings.size(); ++r) alone.push_back(from.Alone(r));
        if (!WalkApart(alone, walk, leastApart)) return false;
        saved = walk, steps = 0, together = 0;
    }
    return walk.Finish().Same();
}

} // namespace

// Each reading lexes both texts by its own rules and is compared on its own:
// where readings disagree on where a token ends ("#" is a comment to mysql,
// "[a--b]" a name to SQL Server), each is held to its own tokens.
CheckReport CompareMeaning(std::string_view before, std::string_view after, std::size_t keep,
                           const CheckOptions &options) {
    const std::vector<Reading> readings = EnabledReadings(options);
    if (readings.size() > 1 && ReadingsAgree(before, after, readings, options.wideLetterCase)) return {};
    CheckReport total;
    NamedPlaces named;
    for (const Reading &reading : readings) {
        Comparison comparison(before, after, keep, std::span(&reading, 1), options.wideLetterCase, named);
        CheckReport report = comparison.Run();
        if (!report.Same() && EndsUnclosed(before, reading)) continue;
        Merge(total, std::move(report), keep);
        named.Add(comparison.Places());
    }
    Locate(total, before);
    return total;
}

const char *KindName(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::JoinedWords: return "joined words";
    case ChangeKind::WordOnLiteral: return "word on a literal";
    case ChangeKind::MergedLiterals: return "merged literals";
    case ChangeKind::OperatorFormed: return "operator formed";
    case ChangeKind::CommentFormed: return "comment formed";
    case ChangeKind::LiteralChanged: return "literal changed";
    case ChangeKind::CommentChanged: return "comment changed";
    case ChangeKind::LineCommandMerged: return "line command merged";
    case ChangeKind::OtherChange: break;
    }
    return "other change";
}

} // namespace kelvra::meaning
