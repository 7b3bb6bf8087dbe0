#pragma once
// Where the readings of a text agree again. A piece that one reader takes as
// free text (a SQL*Plus remark, a mysql "#" comment, a psql command line, a
// T-SQL [name], a dollar quote) may hold a quote or a comment opening that
// the other readers take as the start of a literal or comment that runs on
// past the piece: their tokens no longer line up with the piece's. The piece
// is then kept up to the first line end at which every reader stands in code
// again, so that no reader's literal or comment has its bytes changed.

#include "formatter/Readings.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvra {

// `start` is where every kept reading stands in code, `end` the end of the piece
// that begins there. Returns `end` when every reader stands in code there; else
// the first line end after it where every one does; npos when none does.
// Readers for which the whole text ends inside a literal or comment do not count.
// `takers` holds, once known, whether each reader can take the whole text (in
// the order oracle, postgresql, mysql, sqlserver); one text's calls share it.
using ReaderTakers = std::array<std::optional<bool>, 4>;
std::size_t WhereReadingsMeet(std::string_view text, std::size_t start, std::size_t end, KeptReadings readings,
                              ReaderTakers &takers);

} // namespace kelvra
