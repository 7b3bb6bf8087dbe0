#pragma once
// The meaning check: compares the tokens of a text before and after a format
// run and names every place where more than letter case and blanks changed.
// It has its own small lexer and shares no code with the format core's
// protection of literals and comments: a verifier that shares the code it
// verifies cannot find that code's faults. It runs in linear time.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::meaning {

enum class ChangeKind {
    JoinedWords,       // two words run together
    WordOnLiteral,     // a word and a literal or quoted name run together ("X'41'", "AS$$")
    MergedLiterals,    // two literals or quoted names became one
    OperatorFormed,    // signs on two sides of a break became one operator or number
    CommentFormed,     // "-" "-" or "/" "*" became a comment that swallows code
    LiteralChanged,    // bytes of a literal, quoted name or dollar quote changed
    CommentChanged,    // bytes of a comment changed (beyond blank runs inside a block comment)
    LineCommandMerged, // a client line command lost its own line or its bytes
    OtherChange,       // any other token difference
};
constexpr std::size_t kChangeKinds = 9;

struct Difference {
    ChangeKind kind = ChangeKind::OtherChange;
    std::size_t offset = 0; // byte offset in the text before the run
    std::size_t length = 0; // bytes of the text before that are concerned (may be 0)
    int line = 1;           // 1-based line of `offset` in the text before
    int column = 1;         // 1-based column of `offset`, in characters of its line
    std::string what; // a short English description, e.g. "the line break between \"a\" and \"from\" would join them"
};

struct CheckReport {
    std::size_t count = 0;                          // every difference found
    std::array<std::size_t, kChangeKinds> byKind{}; // the same, counted by kind
    std::vector<Difference> first;                  // the first few, in text order
    // The first of each kind, however far into the text: a caller that lets
    // some kinds pass can still name the first place it does not.
    std::array<std::optional<Difference>, kChangeKinds> firstOfKind;
    bool Same() const { return count == 0; }
    std::size_t CountOf(ChangeKind kind) const { return byKind[static_cast<std::size_t>(kind)]; }
};

// Which readings of the text are compared, and what a run may change.
struct CheckOptions {
    // The clients and servers whose reading must stay the same: SQL*Plus and
    // Oracle, psql and PostgreSQL, the mysql client and MySQL, sqlcmd and SQL Server.
    bool oracle = true, postgresql = true, mysql = true, sqlserver = true;
    // Letters beyond ASCII may change case (the base rules upper-case them);
    // otherwise only ASCII letters may.
    bool wideLetterCase = false;
};

// `before` and `after` are whole texts (any line ends). `keep` limits `first`.
// Words are compared without letter case; literals, quoted names and comments
// byte for byte (a run of blanks inside a block comment may become another
// run, never nothing); client line commands as whole lines.
CheckReport CompareMeaning(std::string_view before, std::string_view after, std::size_t keep = 5,
                           const CheckOptions &options = {});

// A short English name of the kind, e.g. "joined words".
const char *KindName(ChangeKind kind);

} // namespace kelvra::meaning
