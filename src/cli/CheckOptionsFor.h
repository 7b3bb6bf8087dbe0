#pragma once
// Which readings the meaning check compares, from the formatting options: the
// one place where the editor, kelvra-format, the language server and the web
// page turn the options into the check's. Header only, so that the web build,
// which compiles the core's sources itself, needs no file more.

#include "keywords/EditorOptions.h"
#include "meaning/MeaningCheck.h"

namespace kelvra::cli {

// Dialect Any keeps every reading; a named dialect only its own client's and
// server's. The base rules (KeepMeaning off, or simple mode) upper-case
// full-width letters too, so then those may change case.
inline meaning::CheckOptions CheckOptionsFor(const EditorOptions &options) {
    const SqlDialect d = options.Dialect;
    const bool any = d == SqlDialect::Any;
    meaning::CheckOptions check;
    check.oracle = any || d == SqlDialect::Oracle;
    check.postgresql = any || d == SqlDialect::PostgreSql;
    check.mysql = any || d == SqlDialect::MySql;
    check.sqlserver = any || d == SqlDialect::SqlServer;
    check.wideLetterCase = !options.KeepMeaning || options.SimpleMode;
    return check;
}

} // namespace kelvra::cli
