#pragma once
// Whose reading of a text a format run keeps: the clients and servers that
// may read it, each with its own commands, quotes, escapes and comments.

#include "keywords/EditorOptions.h"

namespace kelvra {

struct KeptReadings {
    bool oracle = false;     // SQL*Plus and Oracle
    bool postgresql = false; // psql and PostgreSQL
    bool mysql = false;      // the mysql client and MySQL
    bool sqlserver = false;  // sqlcmd and SQL Server
    bool Any() const { return oracle || postgresql || mysql || sqlserver; }
    bool Several() const { return oracle + postgresql + mysql + sqlserver > 1; }

    static constexpr KeptReadings All() { return {true, true, true, true}; }
    static constexpr KeptReadings None() { return {}; }
};

// None without KeepMeaning (the base rules); else those of the chosen dialect, or all.
constexpr KeptReadings ReadingsOf(const EditorOptions &options) {
    if (!options.KeepMeaning) return KeptReadings::None();
    switch (options.Dialect) {
    case SqlDialect::Any: break;
    case SqlDialect::Oracle: return {true, false, false, false};
    case SqlDialect::PostgreSql: return {false, true, false, false};
    case SqlDialect::MySql: return {false, false, true, false};
    case SqlDialect::SqlServer: return {false, false, false, true};
    }
    return KeptReadings::All();
}

} // namespace kelvra
