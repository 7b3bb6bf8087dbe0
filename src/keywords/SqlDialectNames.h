#pragma once
// The dialects by the names that Kelvra.ini, kelvra-format, the language
// server and the web page give them.

#include "keywords/EditorOptions.h"

#include <array>
#include <optional>
#include <string_view>

namespace kelvra {

struct SqlDialectName {
    SqlDialect dialect;
    std::string_view name;
};

inline constexpr std::array<SqlDialectName, 5> kSqlDialectNames{{
    {SqlDialect::Any, "any"},
    {SqlDialect::Oracle, "oracle"},
    {SqlDialect::PostgreSql, "postgresql"},
    {SqlDialect::MySql, "mysql"},
    {SqlDialect::SqlServer, "sqlserver"},
}};

// For messages that name what a dialect setting takes.
inline constexpr char kSqlDialectChoices[] = "one of any, oracle, postgresql, mysql, sqlserver";

constexpr std::string_view DialectName(SqlDialect dialect) {
    for (const SqlDialectName &d : kSqlDialectNames)
        if (d.dialect == dialect) return d.name;
    return "any";
}

// The dialect `name` stands for, in any letter case of ASCII; nothing when it
// names none.
constexpr std::optional<SqlDialect> DialectNamed(std::string_view name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const SqlDialectName &d : kSqlDialectNames) {
        if (d.name.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = lower(name[i]) == d.name[i];
        if (same) return d.dialect;
    }
    return std::nullopt;
}

} // namespace kelvra
