#pragma once
// The formatting options an editor sends: in initializationOptions and in
// workspace/didChangeConfiguration, either as they are or under "kelvra":
//   {"indent": 4, "comma": "before", "lineBreaksSeparate": true, "simple": false,
//    "keepMeaning": true, "dialect": "any", "joinLines": false, "tidy": true}
// Each one given replaces the value from Kelvra.ini and the command line.

#include "cli/FormatCommand.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace kelvra::lsp {

// Applies the options of `settings` to `into`; returns one complaint for each
// option whose value it could not take (that option stays as it was). Keys it
// does not know are left alone: editors send settings of other servers too.
std::vector<std::string> ApplyClientSettings(const nlohmann::json &settings, cli::FormatSettings &into);

} // namespace kelvra::lsp
