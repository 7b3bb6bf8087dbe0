#include "meaning/ClientLines.h"

#include "meaning/MeaningLexer.h"

namespace kelvra::meaning {
namespace {

std::size_t LetterRun(std::string_view s, std::size_t from) {
    while (from < s.size() && IsAsciiLetter(s[from])) ++from;
    return from;
}

std::size_t BlankRun(std::string_view s, std::size_t from) {
    while (from < s.size() && IsBlank(s[from])) ++from;
    return from;
}

// SQL*Plus's command words, written out in full.
constexpr std::string_view kSqlPlusWords[] = {
    "accept", "archive",  "attribute", "break",      "btitle",  "clear",  "column",    "compute",   "connect",
    "copy",   "define",   "describe",  "disconnect", "execute", "exit",   "get",       "host",      "password",
    "pause",  "print",    "prompt",    "quit",       "recover", "remark", "repfooter", "repheader", "run",
    "save",   "set",      "show",      "shutdown",   "spool",   "start",  "startup",   "store",     "timing",
    "ttitle", "undefine", "variable",  "whenever",   "xquery"};

// Three letters or more of a command word.
bool IsSqlPlusWord(std::string_view word) {
    if (word.size() < 3) return false;
    for (const std::string_view full : kSqlPlusWords)
        if (word.size() <= full.size() && EqualsIgnoringCase(word, full.substr(0, word.size()))) return true;
    return false;
}

// SQL statements that begin with a command word: SET TRANSACTION, SET ROLE,
// SET CONSTRAINT(S), and ARCHIVE only as ARCHIVE LOG.
bool IsSqlAfter(std::string_view word, std::string_view next) {
    if (EqualsIgnoringCase(word, "set"))
        return EqualsIgnoringCase(next, "transaction") || EqualsIgnoringCase(next, "role") ||
               EqualsIgnoringCase(next, "constraint") || EqualsIgnoringCase(next, "constraints");
    if (word.size() >= 3 && EqualsIgnoringCase(word, std::string_view("archive").substr(0, word.size())))
        return !EqualsIgnoringCase(next, "log");
    return false;
}

bool IsScriptCall(std::string_view line) {
    const std::size_t name = line.size() > 1 && line[1] == '@' ? 2 : 1;
    return name < line.size() && !IsBlank(line[name]) && line.find('=') == std::string_view::npos;
}

} // namespace

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] | 0x20) != lowerWord[i]) return false;
    return true;
}

bool IsSqlPlusCommand(std::string_view line) {
    if (line.empty()) return false;
    if (line[0] == '@') return IsScriptCall(line);
    const std::size_t wordEnd = LetterRun(line, 0);
    const std::string_view word = line.substr(0, wordEnd);
    if (!IsSqlPlusWord(word)) return false;
    if (wordEnd == line.size()) return !IsSqlAfter(word, {});
    if (!IsBlank(line[wordEnd])) return false;
    const std::size_t next = BlankRun(line, wordEnd);
    // "rem := 1;", "rem = 2", "exit (x)" or "start ." are code; a row of "=" is a
    // remark, and so is any other text after REM or PROMPT ("Rem  .").
    const std::string_view rest = line.substr(next);
    if (rest.starts_with(":=")) return false;
    if (rest.starts_with('=')) return rest.starts_with("==");
    const bool freeText =
        word.size() >= 3 && (EqualsIgnoringCase(word, std::string_view("remark").substr(0, word.size())) ||
                             EqualsIgnoringCase(word, std::string_view("prompt").substr(0, word.size())));
    if (!freeText && std::string_view("(.,;").find(rest[0]) != std::string_view::npos) return false;
    return !IsSqlAfter(word, rest.substr(0, LetterRun(rest, 0)));
}

bool ContinuesOnNextLine(std::string_view line) {
    return line.size() >= 2 && line.back() == '-' && IsBlank(line[line.size() - 2]);
}

bool EndsBatch(std::string_view line) {
    if (line.size() < 2 || !EqualsIgnoringCase(line.substr(0, 2), "go")) return false;
    std::size_t at = 2;
    if (at < line.size() && !IsBlank(line[at])) return false;
    at = BlankRun(line, at);
    while (at < line.size() && IsDigit(line[at])) ++at;
    at = BlankRun(line, at);
    return at == line.size() || line.substr(at).starts_with("--");
}

std::string_view DelimiterSetBy(std::string_view line) {
    const std::size_t word = LetterRun(line, 0);
    if (!EqualsIgnoringCase(line.substr(0, word), "delimiter") || word == line.size() || !IsBlank(line[word]))
        return {};
    const std::size_t from = BlankRun(line, word);
    std::size_t to = from;
    while (to < line.size() && !IsBlank(line[to])) ++to;
    const std::string_view end = line.substr(from, to - from);
    if (end.empty() || end[0] == '\'' || end[0] == '"' || end[0] == '`') return {};
    return end;
}

} // namespace kelvra::meaning
