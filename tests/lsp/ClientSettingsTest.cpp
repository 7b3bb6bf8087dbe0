#include "lsp/ClientSettings.h"

#include <gtest/gtest.h>

using kelvra::CommaPosition;
using kelvra::cli::FormatSettings;
using kelvra::lsp::ApplyClientSettings;
using nlohmann::json;

namespace {

TEST(ClientSettings, EachGivenOptionReplacesItsValue) {
    FormatSettings s;
    const json given = {{"indent", 3},        {"comma", "before"}, {"lineBreaksSeparate", true},
                        {"simple", true},     {"tidy", true},      {"keepMeaning", false},
                        {"dialect", "mysql"}, {"joinLines", true}, {"other", 1}};
    EXPECT_TRUE(ApplyClientSettings(given, s).empty());
    EXPECT_EQ(s.options.Indent, 3);
    EXPECT_EQ(s.options.Comma, CommaPosition::Before);
    EXPECT_TRUE(s.options.LfSp);
    EXPECT_TRUE(s.options.SimpleMode);
    EXPECT_FALSE(s.options.KeepMeaning);
    EXPECT_EQ(s.options.Dialect, kelvra::SqlDialect::MySql);
    EXPECT_TRUE(s.tidy);
    EXPECT_FALSE(s.refuseWordJoins);

    FormatSettings nested;
    EXPECT_TRUE(ApplyClientSettings({{"kelvra", {{"indent", 2}}}, {"indent", 9}}, nested).empty());
    EXPECT_EQ(nested.options.Indent, 2);
}

TEST(ClientSettings, WrongValuesAreNamedAndLeaveTheOptionAlone) {
    struct Case {
        json given;
        std::size_t complaints;
    } cases[] = {
        {{{"indent", 0}}, 1},          {{{"indent", 11}}, 1},     {{{"indent", "4"}}, 1},
        {{{"indent", 2.5}}, 1},        {{{"comma", "After"}}, 1}, {{{"tidy", "yes"}}, 1},
        {{{"indent", nullptr}}, 0},    {json::array({1}), 1},     {nullptr, 0},
        {{{"kelvra", "indent=4"}}, 1}, {{{"dialect", "db2"}}, 1}, {{{"dialect", 1}}, 1},
    };
    for (const Case &c : cases) {
        FormatSettings s;
        EXPECT_EQ(ApplyClientSettings(c.given, s).size(), c.complaints) << c.given.dump();
        EXPECT_EQ(s.options.Indent, 8) << c.given.dump();
        EXPECT_EQ(s.options.Comma, CommaPosition::After) << c.given.dump();
        EXPECT_FALSE(s.tidy) << c.given.dump();
        EXPECT_EQ(s.options.Dialect, kelvra::SqlDialect::Any) << c.given.dump();
    }
    FormatSettings s;
    EXPECT_EQ(ApplyClientSettings({{"dialect", "T-SQL"}}, s),
              std::vector<std::string>{"\"dialect\" needs one of any, oracle, postgresql, mysql, sqlserver, not "
                                       "\"T-SQL\"; it was left as it was"});
}

} // namespace
