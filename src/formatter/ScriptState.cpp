#include "formatter/ScriptState.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kelvra {
namespace {

constexpr bool IsWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           c == '#' || static_cast<unsigned char>(c) >= 0x80;
}

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// What a byte of code does to the script state, looked up once per byte.
enum class ByteRole : unsigned char { Other, Blank, Word, Semicolon };

constexpr std::array<ByteRole, 256> kByteRoles = [] {
    std::array<ByteRole, 256> roles{};
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        roles[static_cast<std::size_t>(b)] = IsBlank(c)      ? ByteRole::Blank
                                             : IsWordByte(c) ? ByteRole::Word
                                             : c == ';'      ? ByteRole::Semicolon
                                                             : ByteRole::Other;
    }
    return roles;
}();

ByteRole RoleOf(char c) { return kByteRoles[static_cast<unsigned char>(c)]; }

std::string Upper(std::string_view word) {
    std::string s(word);
    for (char &c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// `word` in any letter case equals the upper-case `upper`.
bool EqualsUpper(std::string_view word, std::string_view upper) {
    if (word.size() != upper.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if ((word[i] >= 'a' && word[i] <= 'z' ? word[i] - 'a' + 'A' : word[i]) != upper[i]) return false;
    return true;
}

bool IsOneOf(const std::string &word, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The text of a line command without blanks around it.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EndsBlock(std::string_view command) {
    command = Trimmed(command);
    return command == "/" || command == "." ||
           (command.size() >= 2 && (command[0] | 0x20) == 'g' && (command[1] | 0x20) == 'o');
}

} // namespace

bool BeginsBlock(const std::string *words, std::size_t count) {
    if (count == 0) return false;
    if (words[0] == "DECLARE" || words[0] == "BEGIN") return true;
    if (words[0] != "CREATE") return false;
    std::size_t i = 1;
    if (i + 1 < count && words[i] == "OR" && words[i + 1] == "REPLACE") i += 2;
    if (i < count && IsOneOf(words[i], {"EDITIONABLE", "NONEDITIONABLE", "EDITIONING"})) ++i;
    return i < count && IsOneOf(words[i], {"FUNCTION", "PROCEDURE", "PACKAGE", "TRIGGER", "TYPE", "LIBRARY"});
}

void ScriptState::Code(std::string_view code) {
    for (std::size_t i = 0; i < code.size();) {
        switch (RoleOf(code[i])) {
        case ByteRole::Blank: ++i; break;
        case ByteRole::Semicolon:
            EndServerStatement();
            if (!block_) EndStatement();
            ++i;
            break;
        case ByteRole::Word: {
            std::size_t end = i + 1;
            while (end < code.size() && RoleOf(code[end]) == ByteRole::Word) ++end;
            Word(code.substr(i, end - i));
            i = end;
            break;
        }
        case ByteRole::Other:
            open_ = serverOpen_ = true;
            ++i;
            break;
        }
    }
}

void ScriptState::Word(std::string_view word) {
    if (!serverOpen_) {
        copy_ = EqualsUpper(word, "COPY");
        stdin_ = false;
    } else if (copy_ && !stdin_) {
        stdin_ = EqualsUpper(word, "STDIN");
    }
    serverOpen_ = true;
    if (!open_) headCount_ = 0;
    open_ = true;
    if (headCount_ >= kHeadWords) return;
    head_[headCount_++] = Upper(word);
    if (!block_ && BeginsBlock(head_.data(), headCount_)) block_ = true;
}

// SQL*Plus: the statement ends (outside a block, or at a command).
void ScriptState::EndStatement() {
    open_ = false;
    headCount_ = 0;
}

// The server: every ";" ends a statement, inside a block too; COPY ... FROM
// STDIN that ends so takes the data lines after it.
void ScriptState::EndServerStatement() {
    if (copy_ && stdin_) copyData_ = true;
    serverOpen_ = copy_ = stdin_ = false;
}

void ScriptState::Piece(char letter, std::string_view text) {
    switch (letter) {
    case 'K':
    case 'R': open_ = serverOpen_ = true; break;
    case 'L': {
        // A client command ends what came before it; "/" and "." end a block too.
        // "COPY ... FROM STDIN" read as a client command (or psql's \copy) takes data lines as well.
        std::string_view command = Trimmed(text);
        if (command.starts_with('\\')) command.remove_prefix(1);
        const std::string upper = Upper(command.substr(0, std::min<std::size_t>(command.size(), 256)));
        const bool copyData = upper.starts_with("COPY") && upper.find("STDIN") != std::string::npos;
        if (EndsBlock(text)) block_ = false;
        EndServerStatement();
        EndStatement();
        copyData_ = copyData;
        break;
    }
    default: break;
    }
}

bool ScriptState::TakeCopyData() { return std::exchange(copyData_, false); }

} // namespace kelvra
