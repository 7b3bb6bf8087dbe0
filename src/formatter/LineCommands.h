#pragma once
// Client line commands: lines that a database client runs itself instead of
// sending them to the server (SQL*Plus "/", REM, PROMPT and @ script calls,
// psql backslash commands, the mysql client's DELIMITER, the T-SQL clients' GO). Such a line keeps its
// own line and its bytes, as a line comment standing on its own line does.

#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvra {

struct LineCommand {
    std::size_t start = 0;      // offset of the command's first character in the line
    std::string_view delimiter; // DELIMITER: the statement end it sets (a view into the line)
};

// The command that `line` (one line without its line break) holds, if any.
// A line is a command only where no SQL can be meant: a T-SQL variable at the
// start of a line ("@total = 1,") stays SQL.
std::optional<LineCommand> RecogniseLineCommand(std::string_view line);

} // namespace kelvra
