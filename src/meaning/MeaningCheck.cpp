#include "meaning/MeaningCheck.h"

#include "meaning/MeaningLexer.h"

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
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > s.size()) {
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

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (FoldedCharAt(a, i) != FoldedCharAt(b, j)) return false;
    return i == a.size() && j == b.size();
}

std::size_t SkipLineEnd(std::string_view s, std::size_t at) {
    return at + (s[at] == '\r' && at + 1 < s.size() && s[at + 1] == '\n' ? 2 : 1);
}

// Byte for byte, but CR LF, LF and CR all stand for one line end.
bool SameBytes(std::string_view a, std::string_view b) {
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

// The letters before a literal's quote (E, N, X, B, U&, q, nq) may change case.
bool SameLiteral(std::string_view a, std::string_view b) {
    std::size_t prefix = 0;
    while (prefix < a.size() && (IsWordByte(a[prefix]) || a[prefix] == '&') && a[prefix] != '$') ++prefix;
    if (prefix > b.size()) return false;
    return SameIgnoringCase(a.substr(0, prefix), b.substr(0, prefix)) && SameBytes(a.substr(prefix), b.substr(prefix));
}

bool SameToken(TokenKind kind, std::string_view a, std::string_view b) {
    switch (kind) {
    case TokenKind::Word: return SameIgnoringCase(a, b);
    case TokenKind::Sign: return a == b;
    case TokenKind::Literal: return SameLiteral(a, b);
    case TokenKind::LineComment: return WithoutTrailingBlanks(a) == WithoutTrailingBlanks(b);
    case TokenKind::BlockComment: return SameWithBlankRuns(a, b);
    case TokenKind::LineCommand: return a == b;
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
    return "\"" + std::string(token.substr(0, end)) + (cut ? "…\"" : "\"");
}

// Line and column (in characters) of byte offsets, asked for in rising order.
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

// --- Walking both token lists -----------------------------------------------

class Comparison {
public:
    Comparison(std::string_view before, std::string_view after, std::size_t keep)
        : before_(before), after_(after), keep_(keep), positions_(before) {}

    CheckReport Run() {
        b_ = Tokenize(before_);
        a_ = Tokenize(after_);
        std::size_t i = 0, j = 0;
        bool reported = false; // the tokens that do not line up belong to a place already reported
        while (i < b_.size() && j < a_.size()) {
            const Token &b = b_[i], &a = a_[j];
            if (b.solid != a.solid) {
                if (!reported) Note(ChangeKind::OtherChange, b.start, b.end - b.start, Text(b) + " would change");
                reported = true;
                (b.solid < a.solid ? i : j)++;
                continue;
            }
            reported = false;
            if (b.solidEnd == a.solidEnd) {
                CompareAligned(i, j);
                ++i, ++j;
            } else if (a.solidEnd > b.solidEnd) {
                Formed(i, j);
                while (i < b_.size() && b_[i].solid < a.solidEnd) ++i;
                ++j;
                reported = true;
            } else {
                Split(i, j);
                while (j < a_.size() && a_[j].solid < b.solidEnd) ++j;
                ++i;
                reported = true;
            }
        }
        if (i < b_.size() && !reported)
            Note(ChangeKind::OtherChange, b_[i].start, b_[i].end - b_[i].start, Text(b_[i]) + " would be lost");
        else if (j < a_.size() && !reported)
            Note(ChangeKind::OtherChange, before_.size(), 0, Text(a_[j], after_) + " would be added");
        return std::move(report_);
    }

private:
    std::string Text(const Token &t, std::string_view text) const {
        return Shown(text.substr(t.start, t.end - t.start));
    }
    std::string Text(const Token &t) const { return Text(t, before_); }

    void Note(ChangeKind kind, std::size_t offset, std::size_t length, std::string what) {
        ++report_.count;
        if (report_.first.size() >= keep_) return;
        Difference d;
        d.kind = kind;
        d.offset = offset;
        d.length = length;
        d.what = std::move(what);
        positions_.At(offset, d);
        report_.first.push_back(std::move(d));
    }

    // Two tokens over the same non-blank bytes: their text, and whether they
    // now touch where they did not, as a word and a quote after it do ("x'41'").
    void CompareAligned(std::size_t i, std::size_t j) {
        const Token &b = b_[i], &a = a_[j];
        const std::string_view bt = before_.substr(b.start, b.end - b.start);
        const std::string_view at = after_.substr(a.start, a.end - a.start);
        if (b.kind == TokenKind::LineCommand && a.kind != TokenKind::LineCommand)
            return Note(ChangeKind::LineCommandMerged, b.start, bt.size(),
                        "the line command " + Shown(bt) + " would lose its own line");
        if (b.kind != a.kind || !SameToken(b.kind, bt, at))
            return Note(ChangedKind(b.kind), b.start, bt.size(), ChangedWhat(b.kind, bt, at));
        if (i > 0 && j > 0 && a.glued && !b.glued && b_[i - 1].kind == TokenKind::Word && b.kind == TokenKind::Literal)
            Boundary(i, ChangeKind::JoinedWords);
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

    // The place between token i-1 and token i of the text before.
    void Boundary(std::size_t i, ChangeKind kind) {
        const Token &left = b_[i - 1], &right = b_[i];
        const std::string l = Text(left), r = Text(right);
        std::string what;
        switch (kind) {
        case ChangeKind::JoinedWords:
            what = right.lineBreakBefore ? "the line break between " + l + " and " + r + " would join them"
                                         : l + " and " + r + " would run together";
            break;
        case ChangeKind::MergedLiterals: what = l + " and " + r + " would become one literal"; break;
        case ChangeKind::CommentFormed: what = l + " and " + r + " would start a comment"; break;
        default: what = l + " and " + r + " would become one operator or number"; break;
        }
        Note(kind, left.end, right.start - left.end, std::move(what));
    }

    // One token of the text after covers tokens i.. of the text before.
    void Formed(std::size_t i, std::size_t j) {
        const Token &a = a_[j];
        std::size_t last = i;
        bool command = a.kind == TokenKind::LineCommand || b_[i].kind == TokenKind::LineCommand;
        while (last + 1 < b_.size() && b_[last + 1].solid < a.solidEnd) {
            ++last;
            command = command || b_[last].kind == TokenKind::LineCommand;
        }
        if (last == i) // the token before ends inside the next one: a changed token
            return Note(ChangedKind(b_[i].kind), b_[i].start, b_[i].end - b_[i].start,
                        ChangedWhat(b_[i].kind, before_.substr(b_[i].start, b_[i].end - b_[i].start),
                                    after_.substr(a.start, a.end - a.start)));
        if (command) {
            const Token &c = b_[i].kind == TokenKind::LineCommand ? b_[i] : b_[last];
            return Note(ChangeKind::LineCommandMerged, c.start, c.end - c.start,
                        "the line command " + Text(c) + " would lose its own line");
        }
        if (IsComment(a.kind)) {
            if (IsComment(b_[i].kind))
                return Note(ChangeKind::CommentFormed, b_[i].end, b_[i + 1].start - b_[i].end,
                            "the comment " + Text(b_[i]) + " would swallow " + Text(b_[i + 1]));
            return Boundary(i + 1, ChangeKind::CommentFormed);
        }
        // A literal that swallows what follows its quote is one place, however far it runs.
        if (a.kind == TokenKind::Literal) return Boundary(i + 1, JoinKind(b_[i], b_[i + 1]));
        for (std::size_t k = i + 1; k <= last; ++k) Boundary(k, JoinKind(b_[k - 1], b_[k]));
    }

    ChangeKind JoinKind(const Token &left, const Token &right) const {
        const bool literalLeft = left.kind == TokenKind::Literal, literalRight = right.kind == TokenKind::Literal;
        if (literalLeft && literalRight) return ChangeKind::MergedLiterals;
        if (literalLeft || literalRight) return ChangeKind::JoinedWords;
        if (left.kind == TokenKind::Word && right.kind == TokenKind::Word && IsWordByte(before_[left.end - 1]) &&
            IsWordByte(before_[right.start]))
            return ChangeKind::JoinedWords;
        return ChangeKind::OperatorFormed;
    }

    // One token of the text before is cut into tokens j.. of the text after.
    void Split(std::size_t i, std::size_t j) {
        const Token &b = b_[i];
        const std::string_view bt = before_.substr(b.start, b.end - b.start);
        if (b.kind == TokenKind::LineCommand)
            return Note(ChangeKind::LineCommandMerged, b.start, bt.size(),
                        "the line command " + Shown(bt) + " would lose its own line");
        if (b.kind == TokenKind::Word || b.kind == TokenKind::Sign)
            return Note(ChangeKind::OtherChange, b.start, bt.size(), Shown(bt) + " would be split");
        Note(ChangedKind(b.kind), b.start, bt.size(),
             ChangedWhat(b.kind, bt, after_.substr(a_[j].start, a_[j].end - a_[j].start)));
    }

    std::string_view before_, after_;
    std::size_t keep_;
    Positions positions_;
    std::vector<Token> b_, a_;
    CheckReport report_;
};

} // namespace

CheckReport CompareMeaning(std::string_view before, std::string_view after, std::size_t keep) {
    return Comparison(before, after, keep).Run();
}

const char *KindName(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::JoinedWords: return "joined words";
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
