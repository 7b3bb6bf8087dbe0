#pragma once
// What kelvra-format adds to the editor's format run so that its result is a
// fixed point: formatting the result again with the same options gives the
// same bytes, and so -i, --check and --diff always agree. The editor's own run
// stays exactly what the format rules give.

#include "formatter/FormatResult.h"
#include "formatter/Readings.h"

#include <string>
#include <vector>

namespace kelvra::cli {

// Before the run: drops the blanks and line breaks before the first and after
// the last character of the text. They mean nothing to SQL, but the rules keep
// leading ones as one blank that the indentation then adds to (each run would
// push the first line further right, and a text that begins with a comment
// would have its lines broken one way the first time and another the next),
// and whether anything follows the last word decides whether a line break goes
// before it.
void TrimOuterBlanks(std::string &text);

// After a run with commas at the line start: removes the lines of blanks only
// that stand between a line ending with a comment and a line that begins with a comma. The
// run moves a comma from before a comment to the start of the line after it;
// run again, that comma leaves such a blank line behind. `text` has CR LF line
// ends; the bold spans after a removed line move with the text. `readings`
// is the run's option, which says what else its result holds as it stood.
void DropBlankLinesAfterCommentsBeforeCommas(std::string &text, std::vector<TextSpan> &bold, KeptReadings readings);

} // namespace kelvra::cli
