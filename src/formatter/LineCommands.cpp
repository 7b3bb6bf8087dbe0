#include "formatter/LineCommands.h"

#include <algorithm>

namespace kelvra {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// `word` is `full` or one of its abbreviations of at least `shortest` letters, in any case.
bool IsAbbreviation(std::string_view word, std::string_view full, std::size_t shortest) {
    if (word.size() < shortest || word.size() > full.size()) return false;
    return std::equal(word.begin(), word.end(), full.begin(), [](char a, char b) { return Lower(a) == b; });
}

// The first word of `text` (ASCII letters) and what follows it.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view text) {
    const auto end = std::find_if_not(text.begin(), text.end(), IsAsciiLetter);
    const auto length = static_cast<std::size_t>(end - text.begin());
    return {text.substr(0, length), text.substr(length)};
}

// REM[ARK] and PRO[MPT] take the rest of the line as their text. They stay SQL
// when an assignment follows ("prompt := 1", "rem = 2"), but a row of "=" is text.
bool IsTextCommand(std::string_view word, std::string_view afterWord) {
    if (!IsAbbreviation(word, "remark", 3) && !IsAbbreviation(word, "prompt", 3)) return false;
    if (!afterWord.empty() && !IsBlank(afterWord.front())) return false;
    const std::string_view text = TrimLeft(afterWord);
    if (text.starts_with(":=")) return false;
    return !(text.starts_with('=') && !text.starts_with("=="));
}

// The commands of SQL*Plus that take their line (besides REM, PROMPT and @),
// each with its shortest accepted form.
struct ClientCommand {
    std::string_view full;
    std::size_t shortest;
};
constexpr ClientCommand kClientCommands[] = {
    {"set", 3},      {"column", 3},   {"connect", 4}, {"disconnect", 4}, {"spool", 3},     {"whenever", 4},
    {"variable", 3}, {"print", 3},    {"define", 3},  {"undefine", 5},   {"accept", 3},    {"pause", 3},
    {"execute", 4},  {"start", 3},    {"host", 3},    {"show", 3},       {"describe", 4},  {"clear", 3},
    {"break", 3},    {"compute", 4},  {"ttitle", 3},  {"btitle", 3},     {"repheader", 4}, {"repfooter", 4},
    {"timing", 4},   {"store", 3},    {"save", 3},    {"get", 3},        {"run", 3},       {"exit", 3},
    {"quit", 3},     {"password", 4}, {"startup", 5}, {"shutdown", 4},   {"recover", 4},   {"attribute", 4},
    {"copy", 4},     {"xquery", 4},
};

// SET TRANSACTION, SET ROLE and SET CONSTRAINT[S] are SQL statements, not the client's SET.
bool IsSqlSet(std::string_view afterWord) {
    const auto [next, rest] = SplitWord(TrimLeft(afterWord));
    (void)rest;
    return IsAbbreviation(next, "transaction", 11) || IsAbbreviation(next, "role", 4) ||
           IsAbbreviation(next, "constraint", 10) || IsAbbreviation(next, "constraints", 11);
}

bool IsClientCommand(std::string_view word, std::string_view afterWord) {
    if (!afterWord.empty() && !IsBlank(afterWord.front()) && afterWord.front() != ';') return false;
    if (IsAbbreviation(word, "archive", 7)) {
        const auto [next, rest] = SplitWord(TrimLeft(afterWord));
        return IsAbbreviation(next, "log", 3) && (rest.empty() || IsBlank(rest.front()));
    }
    for (const ClientCommand &c : kClientCommands)
        if (IsAbbreviation(word, c.full, c.shortest)) return !(c.full == "set" && IsSqlSet(afterWord));
    return false;
}

// DELIMITER followed by one unquoted word (and at most a comment) sets the
// mysql client's statement end; "delimiter '|'" is a clause of COPY.
bool SetsDelimiter(std::string_view word, std::string_view afterWord) {
    if (word.size() != 9 || !IsAbbreviation(word, "delimiter", 9)) return false;
    if (afterWord.empty() || !IsBlank(afterWord.front())) return false;
    const std::string_view arg = TrimLeft(afterWord);
    if (arg.empty() || arg.front() == '\'' || arg.front() == '"' || arg.front() == '`') return false;
    const auto end = std::find_if(arg.begin(), arg.end(), IsBlank);
    const std::string_view rest = TrimLeft(arg.substr(static_cast<std::size_t>(end - arg.begin())));
    return rest.empty() || rest.starts_with("--") || rest.starts_with('#');
}

// Whether the line would take the opening of a quote or block comment away
// from the lines after it: then it is SQL that goes on, not a command.
bool OpensAcrossLines(std::string_view body) {
    if (body.find("/*") != std::string_view::npos) return true;
    for (char quote : {'\'', '"', '`'})
        if (std::count(body.begin(), body.end(), quote) % 2 != 0) return true;
    return false;
}

// "@file" and "@@file" with their arguments. A line that holds what T-SQL and
// MySQL variables are used with ("=", ",", "(", ")", ";") is SQL.
bool IsScriptCall(std::string_view body) {
    if (!body.starts_with('@')) return false;
    const std::size_t path = body.starts_with("@@") ? 2 : 1;
    if (path >= body.size() || IsBlank(body[path]) || body[path] == '@') return false;
    return body.find_first_of("=,();") == std::string_view::npos && !OpensAcrossLines(body);
}

// "GO" alone or with a count ("GO 5"), and at most a line comment: the batch
// end of the T-SQL clients.
bool IsBatchEnd(std::string_view body) {
    if (body.size() < 2 || Lower(body[0]) != 'g' || Lower(body[1]) != 'o') return false;
    if (body.size() > 2 && !IsBlank(body[2])) return false; // "gone", "go1"
    std::string_view rest = TrimLeft(body.substr(2));
    while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') rest.remove_prefix(1);
    rest = TrimLeft(rest);
    return rest.empty() || rest.starts_with("--");
}

// A SQL*Plus command of the line `body`, where no statement is open.
std::optional<LineCommand> SqlPlusCommand(std::string_view body, const LineContext &context) {
    LineCommand command;
    if (body == "/" || body == ".") return command;
    if (context.statementOpen) return std::nullopt;
    command.continues = body.back() == '-';
    if (IsScriptCall(body)) return command;
    const auto [word, afterWord] = SplitWord(body);
    if (IsTextCommand(word, afterWord)) {
        command.continues = command.continues && !IsAbbreviation(word, "remark", 3); // a remark ends with its line
        return command;
    }
    if (!context.inBlock && IsClientCommand(word, afterWord)) return command;
    return std::nullopt;
}

} // namespace

std::optional<LineCommand> RecogniseLineCommand(std::string_view line, const LineContext &context) {
    const std::string_view rest = TrimLeft(line);
    if (rest.empty()) return std::nullopt;
    const std::string_view body = TrimRight(rest);
    const KeptReadings &readings = context.readings;
    std::optional<LineCommand> command;
    if (readings.sqlserver && IsBatchEnd(body)) command = LineCommand{};
    if (!command && readings.oracle) command = SqlPlusCommand(body, context);
    if (!command && readings.mysql) {
        const auto [word, afterWord] = SplitWord(rest);
        if (SetsDelimiter(word, afterWord)) command = LineCommand{};
    }
    if (command) command->start = line.size() - rest.size();
    return command;
}

} // namespace kelvra
