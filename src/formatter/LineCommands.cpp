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

// REM[ARK] and PRO[MPT] take the rest of the line as their text. They stay SQL
// when an assignment follows ("prompt := 1", "rem = 2"), but a row of "=" is text.
bool IsTextCommand(std::string_view word, std::string_view afterWord) {
    if (!IsAbbreviation(word, "remark", 3) && !IsAbbreviation(word, "prompt", 3)) return false;
    if (!afterWord.empty() && !IsBlank(afterWord.front())) return false;
    const std::string_view text = TrimLeft(afterWord);
    if (text.starts_with(":=")) return false;
    return !(text.starts_with('=') && !text.starts_with("=="));
}

// DELIMITER followed by one unquoted word (and at most a comment) sets the
// mysql client's statement end; "delimiter '|'" is a clause of COPY.
std::optional<std::string_view> DelimiterSet(std::string_view word, std::string_view afterWord) {
    if (word.size() != 9 || !IsAbbreviation(word, "delimiter", 9)) return std::nullopt;
    if (afterWord.empty() || !IsBlank(afterWord.front())) return std::nullopt;
    const std::string_view arg = TrimLeft(afterWord);
    if (arg.empty() || arg.front() == '\'' || arg.front() == '"' || arg.front() == '`') return std::nullopt;
    const auto end = std::find_if(arg.begin(), arg.end(), IsBlank);
    const std::string_view rest = TrimLeft(arg.substr(static_cast<std::size_t>(end - arg.begin())));
    if (!rest.empty() && !rest.starts_with("--") && !rest.starts_with('#')) return std::nullopt;
    return arg.substr(0, static_cast<std::size_t>(end - arg.begin()));
}

// "@file" and "@@file" with their arguments. A line that holds what T-SQL and
// MySQL variables are used with ("=", ",", "(", ")", ";") is SQL; so is one that
// would take the opening of a quote or block comment away from the lines after it.
bool IsScriptCall(std::string_view body) {
    if (!body.starts_with('@')) return false;
    const std::size_t path = body.starts_with("@@") ? 2 : 1;
    if (path >= body.size() || IsBlank(body[path]) || body[path] == '@') return false;
    if (body.find_first_of("=,();") != std::string_view::npos || body.find("/*") != std::string_view::npos)
        return false;
    for (char quote : {'\'', '"', '`'})
        if (std::count(body.begin(), body.end(), quote) % 2 != 0) return false;
    return true;
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

} // namespace

std::optional<LineCommand> RecogniseLineCommand(std::string_view line) {
    const std::string_view rest = TrimLeft(line);
    if (rest.empty()) return std::nullopt;
    LineCommand command;
    command.start = line.size() - rest.size();
    const std::string_view body = TrimRight(rest);
    if (body == "/" || IsBatchEnd(body)) return command;
    if (body.size() >= 2 && body.front() == '\\' && !IsBlank(body[1])) return command;
    if (IsScriptCall(body)) return command;
    const auto wordEnd = std::find_if_not(rest.begin(), rest.end(), IsAsciiLetter);
    const std::size_t wordLength = static_cast<std::size_t>(wordEnd - rest.begin());
    const std::string_view word = rest.substr(0, wordLength), afterWord = rest.substr(wordLength);
    if (IsTextCommand(word, afterWord)) return command;
    if (auto delimiter = DelimiterSet(word, afterWord)) {
        command.delimiter = *delimiter;
        return command;
    }
    return std::nullopt;
}

} // namespace kelvra
