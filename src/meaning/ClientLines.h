#pragma once
// The lines that a client reads as its own command rather than as SQL, each
// judged on its own (blanks before and after it taken off). Whether a statement
// is open, which decides where some of them count, is the lexer's to know.

#include <string_view>

namespace kelvra::meaning {

// A SQL*Plus command: one of its command words (or three letters or more of
// one) alone or followed by a blank, and not SQL that begins with the same
// word ("set transaction", "rem := 1", "exit(x)"); or an "@file"/"@@file" call.
bool IsSqlPlusCommand(std::string_view line);

// A SQL*Plus command line ending in " -" goes on on the next line.
bool ContinuesOnNextLine(std::string_view line);

// "go" alone or with a count, then at most a line comment: sqlcmd's batch end.
bool EndsBatch(std::string_view line);

// The statement end that a mysql client "DELIMITER x" line sets (a comment may
// follow); empty when the line is not one. "delimiter '|'" is COPY's clause.
std::string_view DelimiterSetBy(std::string_view line);

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerWord);

} // namespace kelvra::meaning
