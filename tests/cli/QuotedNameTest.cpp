#include "cli/QuotedName.h"

#include <gtest/gtest.h>

using kelvra::cli::QuotedName;

// Written out by hand the way git writes such names.
TEST(QuotedName, ControlCharactersQuotesAndBackslashesAreEscapedOtherNamesStay) {
    struct Case {
        std::string name, shown;
    } cases[] = {
        {"db/a.sql", "db/a.sql"},
        {"データ/表.sql", "データ/表.sql"},
        {"with blank.sql", "with blank.sql"},
        {"a.sql\n+++ b.sql", "\"a.sql\\n+++ b.sql\""},
        {"tab\t.sql", "\"tab\\t.sql\""},
        {"cr\r.sql", "\"cr\\r.sql\""},
        {"esc\x1b[31m.sql", "\"esc\\033[31m.sql\""},
        {"del\x7f.sql", "\"del\\177.sql\""},
        {"say \"hi\".sql", "\"say \\\"hi\\\".sql\""},
#if defined(_WIN32) // the folder separator
        {"db\\a.sql", "db\\a.sql"},
        {"db\\a\tb.sql", "\"db\\\\a\\tb.sql\""},
#else
        {"back\\slash.sql", "\"back\\\\slash.sql\""},
#endif
        {"\a\b\v\f", "\"\\a\\b\\v\\f\""},
    };
    for (const Case &c : cases) EXPECT_EQ(QuotedName(c.name), c.shown) << c.name;
}
