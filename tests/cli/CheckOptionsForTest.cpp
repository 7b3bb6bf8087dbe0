#include "cli/CheckOptionsFor.h"

#include <gtest/gtest.h>

using namespace kelvra;

// A named dialect keeps its own readings only; the base rules let full-width
// letters change case.
TEST(CheckOptionsFor, DialectNarrowsTheReadingsAndTheBaseRulesWidenLetterCase) {
    struct Case {
        SqlDialect dialect;
        bool keepMeaning, simple;
        bool oracle, postgresql, mysql, sqlserver, wideLetterCase;
    } cases[] = {
        {SqlDialect::Any, true, false, true, true, true, true, false},
        {SqlDialect::Oracle, true, false, true, false, false, false, false},
        {SqlDialect::PostgreSql, true, false, false, true, false, false, false},
        {SqlDialect::MySql, true, false, false, false, true, false, false},
        {SqlDialect::SqlServer, true, false, false, false, false, true, false},
        {SqlDialect::Any, false, false, true, true, true, true, true},
        {SqlDialect::MySql, true, true, false, false, true, false, true},
    };
    for (const Case &c : cases) {
        EditorOptions options;
        options.Dialect = c.dialect;
        options.KeepMeaning = c.keepMeaning;
        options.SimpleMode = c.simple;
        const meaning::CheckOptions check = cli::CheckOptionsFor(options);
        const std::string why = "dialect " + std::to_string(static_cast<int>(c.dialect)) + ", keep " +
                                std::to_string(c.keepMeaning) + ", simple " + std::to_string(c.simple);
        EXPECT_EQ(check.oracle, c.oracle) << why;
        EXPECT_EQ(check.postgresql, c.postgresql) << why;
        EXPECT_EQ(check.mysql, c.mysql) << why;
        EXPECT_EQ(check.sqlserver, c.sqlserver) << why;
        EXPECT_EQ(check.wideLetterCase, c.wideLetterCase) << why;
    }
}
