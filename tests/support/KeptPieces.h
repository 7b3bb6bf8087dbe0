#pragma once
// The pieces of an SQL text that formatting must keep byte for byte, read by
// the tests on their own (one forward pass, sharing no code with the format
// core): quoted names and literals with the dialects' forms, line and block
// comments, and client line commands. The tests compare the pieces of a text
// before and after a run.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::test {

struct KeptPiece {
    char kind = 'q'; // q quoted, c line comment, b block comment, l line command
    std::string text;
    bool operator==(const KeptPiece &) const = default;
};

struct KeptPieces {
    std::vector<KeptPiece> pieces;
    bool unclosed = false; // an opening without its end stopped the reading
};

namespace kept_detail {

inline bool Blank(char c) { return c == ' ' || c == '\t'; }
inline bool NamePart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '$' || u >= 0x80;
}
inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Whether the line (no line break) is one a client runs itself.
inline bool IsClientLine(std::string_view line, bool indented, std::string *delimiter) {
    std::size_t a = 0, b = line.size();
    while (a < b && Blank(line[a])) ++a;
    if (a > 0 && !indented) return false;
    while (b > a && Blank(line[b - 1])) --b;
    const std::string_view t = line.substr(a, b - a);
    if (t.empty()) return false;
    if (t == "/") return true;
    if (t[0] == '\\') return t.size() > 1 && !Blank(t[1]);
    if (t[0] == '@') {
        const std::size_t p = t.size() > 1 && t[1] == '@' ? 2 : 1;
        if (p >= t.size() || Blank(t[p]) || t[p] == '@') return false;
        for (char bad : std::string_view("=,();"))
            if (t.find(bad) != std::string_view::npos) return false;
        if (t.find("/*") != std::string_view::npos) return false;
        for (char q : std::string_view("'\"`"))
            if (std::count(t.begin(), t.end(), q) % 2) return false;
        return true;
    }
    std::size_t w = 0;
    while (w < t.size() && std::isalpha(static_cast<unsigned char>(t[w]))) ++w;
    const std::string word = Lower(t.substr(0, w));
    std::string_view rest = line.substr(a + w);
    if (!rest.empty() && !Blank(rest[0])) return false;
    while (!rest.empty() && Blank(rest[0])) rest.remove_prefix(1);
    const bool remark = word.size() >= 3 && std::string("remark").starts_with(word);
    const bool prompt = word.size() >= 3 && std::string("prompt").starts_with(word);
    if (remark || prompt) return !rest.starts_with(":=") && !(rest.starts_with("=") && !rest.starts_with("=="));
    if (word != "delimiter" || rest.empty() || std::string_view("'\"`").find(rest[0]) != std::string_view::npos)
        return false;
    const std::size_t end = std::min(rest.find(' '), rest.find('\t'));
    std::string_view after = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    while (!after.empty() && Blank(after[0])) after.remove_prefix(1);
    if (!after.empty() && !after.starts_with("--") && !after.starts_with("#")) return false;
    *delimiter = std::string(rest.substr(0, end));
    return true;
}

// Whether the last line before `at` with code on it ends a statement (";") or
// is a client line itself; an indented "@" line is a script call only then.
inline bool AfterStatementEnd(std::string_view s, std::size_t at) {
    std::string_view before = s.substr(0, at);
    while (!before.empty()) {
        while (!before.empty() && (before.back() == '\r' || before.back() == '\n')) before.remove_suffix(1);
        const std::size_t start =
            before.find_last_of("\r\n") == std::string_view::npos ? 0 : before.find_last_of("\r\n") + 1;
        std::string_view line = before.substr(start);
        before = before.substr(0, start);
        while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
        while (!line.empty() && Blank(line.back())) line.remove_suffix(1);
        if (line.empty() || line.starts_with("--")) continue;
        std::string ignored;
        return line.back() == ';' || IsClientLine(line, true, &ignored);
    }
    return true;
}

} // namespace kept_detail

// `indentedCommands`: whether a line command may stand after blanks. A run puts
// every line command it keeps at the start of its line.
inline KeptPieces ReadKeptPieces(std::string_view s, bool indentedCommands = true) {
    using namespace kept_detail;
    KeptPieces r;
    std::string delimiter;
    const std::size_t n = s.size();
    auto add = [&](char kind, std::size_t from, std::size_t to) {
        r.pieces.push_back({kind, std::string(s.substr(from, to - from))});
        return to;
    };
    auto until = [&](std::size_t from, std::string_view closing) {
        const std::size_t at = s.find(closing, from);
        return at == std::string_view::npos ? at : at + closing.size();
    };
    std::size_t i = 0;
    bool lineStart = true;
    while (i < n) {
        if (lineStart) {
            lineStart = false;
            std::size_t end = s.find_first_of("\r\n", i);
            if (end == std::string_view::npos) end = n;
            std::string set;
            const std::string_view line = s.substr(i, end - i);
            const bool indentedCall = !line.empty() && Blank(line[0]) &&
                                      line.find_first_not_of(" \t") != std::string_view::npos &&
                                      line[line.find_first_not_of(" \t")] == '@';
            if (IsClientLine(line, indentedCommands, &set) && (!indentedCall || AfterStatementEnd(s, i))) {
                while (Blank(s[i])) ++i;
                i = add('l', i, end);
                if (!set.empty()) delimiter = set;
                continue;
            }
        }
        const char c = s[i];
        const bool wordStart = i == 0 || !NamePart(s[i - 1]);
        std::size_t end = i; // end of a piece that starts at i; i when none does
        char kind = 'q';
        if (c == '\n' || (c == '\r' && (i + 1 >= n || s[i + 1] != '\n'))) {
            lineStart = true;
        } else if (c == '"' || c == '\'' || c == '`') {
            end = until(i + 1, std::string(1, c));
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            kind = 'c';
            end = std::min(s.find('\r', i), n);
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            kind = 'b';
            end = until(i + 2, "*/");
        } else if (wordStart && (c == 'e' || c == 'E') && i + 1 < n && s[i + 1] == '\'') {
            std::size_t j = i + 2;
            while (j < n && !(s[j] == '\'' && (j + 1 >= n || s[j + 1] != '\'')))
                j += s[j] == '\\' || s[j] == '\'' ? 2 : 1;
            end = j < n ? j + 1 : std::string_view::npos;
        } else if (wordStart && (c == 'q' || c == 'Q' || c == 'n' || c == 'N')) {
            std::size_t j = i + ((c == 'n' || c == 'N') ? 1 : 0);
            if (j + 2 < n && (s[j] == 'q' || s[j] == 'Q') && s[j + 1] == '\'' &&
                std::string_view(" \t\r\n").find(s[j + 2]) == std::string_view::npos) {
                std::size_t len = 1;
                while (j + 2 + len < n && (static_cast<unsigned char>(s[j + 2 + len]) & 0xC0) == 0x80) ++len;
                std::string close(s.substr(j + 2, len));
                const std::string open = "([{<", shut = ")]}>";
                if (len == 1 && open.find(close[0]) != std::string::npos) close[0] = shut[open.find(close[0])];
                end = until(j + 2 + len, close + "'");
            }
        } else if (c == '$' && wordStart) {
            std::size_t j = i + 1;
            if (j < n && (std::isalpha(static_cast<unsigned char>(s[j])) || s[j] == '_' ||
                          static_cast<unsigned char>(s[j]) >= 0x80))
                while (j < n && NamePart(s[j]) && s[j] != '$') ++j;
            const bool tag = j < n && s[j] == '$';
            if (tag && (delimiter.empty() || s.substr(i, delimiter.size()) != delimiter))
                end = until(j + 1, s.substr(i, j + 1 - i));
        }
        if (end == std::string_view::npos) {
            r.unclosed = true;
            return r;
        }
        i = end > i ? add(kind, i, end) : i + 1;
    }
    return r;
}

// A block comment as a run that keeps meaning gives it back: each run of line
// breaks (CR and the LF after it) between two characters that are not blanks
// becomes one blank; other line breaks go.
inline std::string BlockCommentOnOneLine(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] != '\r') {
            out += s[i++];
            continue;
        }
        while (i < s.size() && s[i] == '\r') i += (i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
        const bool before = !out.empty() && out.back() != ' ' && out.back() != '\t' && out.back() != '\n';
        const bool after = i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\n';
        if (before && after) out += ' ';
    }
    return out;
}

} // namespace kelvra::test
