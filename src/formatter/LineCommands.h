#pragma once
// Client line commands: lines that a database client runs itself instead of
// sending them to the server (SQL*Plus commands such as SET, COLUMN, CONNECT,
// REM, PROMPT, @ script calls and the "/" and "." lines; the mysql client's
// DELIMITER; the T-SQL clients' GO). Such a line keeps its own line and its
// bytes, as a line comment standing on its own line does.

#include "formatter/Readings.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvra {

// Where the line stands in its script, as the client reading it knows.
struct LineContext {
    KeptReadings readings = KeptReadings::All();
    bool statementOpen = false; // code before the line has not ended its statement
    bool inBlock = false;       // inside a PL/SQL block, up to its "/" or "." line
};

struct LineCommand {
    std::size_t start = 0;  // offset of the command's first character in the line
    bool continues = false; // a SQL*Plus command whose line ends in "-": the next line belongs to it
};

// The command that `line` (one line without its line break) holds, if any.
// A line is a command only where no SQL can be meant: a T-SQL variable at the
// start of a line ("@total = 1,") or a column named "rem" inside a statement stays SQL.
std::optional<LineCommand> RecogniseLineCommand(std::string_view line, const LineContext &context = {});

} // namespace kelvra
