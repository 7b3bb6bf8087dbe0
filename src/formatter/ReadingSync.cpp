#include "formatter/ReadingSync.h"

#include "formatter/LineCommands.h"

#include <algorithm>
#include <array>

namespace kelvra {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameByte(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
}
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t LineEndFrom(std::string_view text, std::size_t at) {
    const std::size_t end = text.find_first_of("\r\n", at);
    return end == npos ? text.size() : end;
}

std::size_t After(std::size_t found, std::size_t length) { return found == npos ? npos : found + length; }

enum class Reader { Oracle, PostgreSql, MySql, SqlServer };

// One reader's tokens, read only far enough to tell whether it stands in code at a place.
class ReaderWalk {
public:
    ReaderWalk(std::string_view text, Reader reader, std::size_t start) : text_(text), reader_(reader), at_(start) {}

    // Whether the reader stands in code at `place` (no token of its runs across it).
    bool InCodeAt(std::size_t place) {
        while (at_ < place) {
            const std::size_t opening = NextOpening(place);
            if (opening >= place) {
                at_ = place;
                break;
            }
            at_ = TokenEnd(opening);
        }
        return at_ == place;
    }

    // Whether the text ends inside a literal or block comment of this reader.
    bool EndsUnclosed() {
        InCodeAt(text_.size());
        return unclosed_;
    }

private:
    // The first token opening in [at_, limit), or npos.
    std::size_t NextOpening(std::size_t limit) const {
        for (std::size_t i = at_; i < limit; ++i) {
            const char c = text_[i];
            const char next = i + 1 < text_.size() ? text_[i + 1] : '\0';
            if (c == '\'' || c == '"' || (c == '-' && next == '-') || (c == '/' && next == '*')) return i;
            if (reader_ == Reader::Oracle && IsLetter(c) && LineStart(i) && TextCommandLine(i)) return i;
            switch (reader_) {
            case Reader::Oracle:
                if (AlternativeQuoteAt(i)) return i;
                break;
            case Reader::PostgreSql:
                if (c == '$' && (i == 0 || !IsNameByte(text_[i - 1])) && DollarTag(i) > 0) return i;
                if ((c | 0x20) == 'e' && next == '\'' && (i == 0 || !IsNameByte(text_[i - 1]))) return i;
                if (c == '\\' && (IsLetter(next) || next == '!' || next == '?' || next == '\\' || next == '.'))
                    return i;
                break;
            case Reader::MySql:
                if (c == '#' || c == '`') return i;
                break;
            case Reader::SqlServer:
                if (c == '[') return i;
                break;
            }
        }
        return npos;
    }

    // q'x...x' or nq'x...x', the prefix not inside a name.
    bool AlternativeQuoteAt(std::size_t i) const {
        if (i > 0 && IsNameByte(text_[i - 1])) return false;
        const std::size_t q = (text_[i] | 0x20) == 'n' ? i + 1 : i;
        return q + 1 < text_.size() && (text_[q] | 0x20) == 'q' && text_[q + 1] == '\'';
    }

    bool LineStart(std::size_t i) const {
        std::size_t b = i;
        while (b > 0 && IsBlank(text_[b - 1])) --b;
        return b == 0 || IsLineEnd(text_[b - 1]);
    }

    // A SQL*Plus remark or prompt, whose text runs to the line end.
    bool TextCommandLine(std::size_t i) const {
        if (reader_ != Reader::Oracle || !IsLetter(text_[i])) return false;
        const std::size_t end = LineEndFrom(text_, i);
        LineContext context;
        context.readings = {true, false, false, false};
        const auto command = RecogniseLineCommand(text_.substr(i, end - i), context);
        if (!command) return false;
        const std::size_t word =
            static_cast<std::size_t>(std::find_if_not(text_.begin() + static_cast<std::ptrdiff_t>(i),
                                                      text_.begin() + static_cast<std::ptrdiff_t>(end), IsLetter) -
                                     text_.begin()) -
            i;
        const auto is = [&](std::string_view full) {
            if (word < 3 || word > full.size()) return false;
            for (std::size_t k = 0; k < word; ++k)
                if ((text_[i + k] | 0x20) != full[k]) return false;
            return true;
        };
        return is("remark") || is("prompt");
    }

    std::size_t DollarTag(std::size_t at) const {
        std::size_t i = at + 1;
        if (i < text_.size() && (IsLetter(text_[i]) || text_[i] == '_' || static_cast<unsigned char>(text_[i]) >= 0x80))
            while (i < text_.size() && IsNameByte(text_[i]) && text_[i] != '$') ++i;
        return i < text_.size() && text_[i] == '$' ? i - at + 1 : 0;
    }

    // The end of the quote opened at `open`; with backslash escapes for mysql.
    std::size_t QuoteEnd(std::size_t open, bool escapes) const {
        const char quote = text_[open];
        for (std::size_t i = open + 1; i < text_.size(); ++i) {
            if (escapes && text_[i] == '\\') {
                ++i;
            } else if (text_[i] == quote) {
                if (i + 1 < text_.size() && text_[i + 1] == quote)
                    ++i;
                else
                    return i + 1;
            }
        }
        return npos;
    }

    // The end of the token that opens at `at`; the end of the text when it never closes.
    std::size_t TokenEnd(std::size_t at) {
        const char c = text_[at];
        std::size_t end = npos;
        if (LineStart(at) && TextCommandLine(at))
            end = LineEndFrom(text_, at);
        else if (c == '\'' || c == '"')
            end = QuoteEnd(at, reader_ == Reader::MySql);
        else if (c == '-' || c == '#' || c == '\\')
            end = LineEndFrom(text_, at);
        else if (c == '/')
            end = After(text_.find("*/", at + 2), 2);
        else if (c == '`')
            end = After(text_.find('`', at + 1), 1);
        else if (c == '[')
            end = After(text_.find(']', at + 1), 1);
        else if (c == '$')
            end = After(text_.find(text_.substr(at, DollarTag(at)), at + DollarTag(at)), DollarTag(at));
        else if ((c | 0x20) == 'e')
            end = QuoteEnd(at + 1, true);
        else // q'x...x' or nq'x...x'
            end = AlternativeQuoteEnd(at);
        unclosed_ = unclosed_ || end == npos;
        return end == npos ? text_.size() : end;
    }

    std::size_t AlternativeQuoteEnd(std::size_t at) const {
        const std::size_t quote = text_.find('\'', at);
        if (quote + 1 >= text_.size()) return npos;
        char close = text_[quote + 1];
        close = close == '[' ? ']' : close == '(' ? ')' : close == '{' ? '}' : close == '<' ? '>' : close;
        const char closing[] = {close, '\'', '\0'};
        return After(text_.find(closing, quote + 2), 2);
    }

    std::string_view text_;
    Reader reader_;
    std::size_t at_;
    bool unclosed_ = false;
};

// The first place from `end` on (`end` itself or a line end) where every reader
// of `kept` stands in code; npos when none does.
std::size_t FirstMeeting(std::string_view text, std::size_t start, std::size_t end, const std::array<bool, 4> &kept) {
    std::array<ReaderWalk, 4> walks{ReaderWalk(text, Reader::Oracle, start),
                                    ReaderWalk(text, Reader::PostgreSql, start), ReaderWalk(text, Reader::MySql, start),
                                    ReaderWalk(text, Reader::SqlServer, start)};
    const auto allInCode = [&](std::size_t place) {
        bool all = true;
        for (std::size_t r = 0; r < walks.size(); ++r) all = (!kept[r] || walks[r].InCodeAt(place)) && all;
        return all;
    };
    if (allInCode(end)) return end;
    for (std::size_t place = LineEndFrom(text, end); place < text.size(); place = LineEndFrom(text, place + 1))
        if (allInCode(place)) return place;
    return npos;
}

} // namespace

std::size_t WhereReadingsMeet(std::string_view text, std::size_t start, std::size_t end, KeptReadings readings,
                              ReaderTakers &takers) {
    std::array<bool, 4> kept{readings.oracle, readings.postgresql, readings.mysql, readings.sqlserver};
    for (std::size_t r = 0; r < kept.size(); ++r) kept[r] = kept[r] && takers[r].value_or(true);
    const std::size_t meeting = FirstMeeting(text, start, end, kept);
    if (meeting != npos) return meeting;
    // A reader for which the text ends inside a literal or comment cannot take
    // it at all (nor after a run, which keeps it so); the others must meet.
    bool dropped = false;
    for (std::size_t r = 0; r < kept.size(); ++r) {
        if (!takers[r]) takers[r] = !ReaderWalk(text, static_cast<Reader>(r), 0).EndsUnclosed();
        if (!kept[r] || *takers[r]) continue;
        kept[r] = false;
        dropped = true;
    }
    return dropped ? FirstMeeting(text, start, end, kept) : npos;
}

} // namespace kelvra
