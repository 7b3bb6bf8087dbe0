#include "cli/CheckOptionsFor.h"

#include <gtest/gtest.h>

using namespace kelvra;

// A named dialect keeps its own readings only; the base rules let full-width
// letters change case.
TEST(CheckOptionsFor, DialectNarrowsTheReadingsAndTheBaseRulesWidenLetterCase) {
    struct Case {
        SqlDialect dialect;
        bool keepMeaning, simple;
        const char *readings; // o(racle) p(ostgresql) m(ysql) s(qlserver), "-" for one not kept
        bool wideLetterCase;
    } cases[] = {
        {SqlDialect::Any, true, false, "opms", false},        {SqlDialect::Oracle, true, false, "o---", false},
        {SqlDialect::PostgreSql, true, false, "-p--", false}, {SqlDialect::MySql, true, false, "--m-", false},
        {SqlDialect::SqlServer, true, false, "---s", false},  {SqlDialect::Any, false, false, "opms", true},
        {SqlDialect::MySql, true, true, "--m-", true},
    };
    for (const Case &c : cases) {
        EditorOptions options;
        options.Dialect = c.dialect;
        options.KeepMeaning = c.keepMeaning;
        options.SimpleMode = c.simple;
        const meaning::CheckOptions check = cli::CheckOptionsFor(options);
        std::string readings = "----";
        for (auto [kept, letter, at] : {std::tuple{check.oracle, 'o', 0}, std::tuple{check.postgresql, 'p', 1},
                                        std::tuple{check.mysql, 'm', 2}, std::tuple{check.sqlserver, 's', 3}})
            if (kept) readings[at] = letter;
        EXPECT_EQ(readings, c.readings);
        EXPECT_EQ(check.wideLetterCase, c.wideLetterCase) << c.readings;
    }
}
