#include "cli/Glob.h"

#include <gtest/gtest.h>

using namespace kelvra::cli;

namespace {

struct Case {
    const char *pattern, *text;
    bool matches;
};

void Check(const Case *begin, const Case *end, GlobOptions options) {
    for (const Case *c = begin; c != end; ++c)
        EXPECT_EQ(GlobMatches(c->pattern, c->text, options), c->matches) << c->pattern << " ~ " << c->text;
}

} // namespace

TEST(Glob, StarsQuestionMarksSetsAndEscapes) {
    const Case cases[] = {
        {"*.sql", "a.sql", true},
        {"*.sql", ".sql", true},
        {"*.sql", "a.sql.bak", false},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "abcbc", true},
        {"a*b*c", "acb", false},
        {"**x", "x", true},
        {"?.sql", "a.sql", true},
        {"?.sql", ".sql", false},
        {"?", "表", true}, // one character, not one byte
        {"??", "表", false},
        {"*表*.sql", "日本表示.sql", true},
        {"[abc].sql", "b.sql", true},
        {"[abc].sql", "d.sql", false},
        {"[a-c]x", "bx", true},
        {"[!a-c]x", "bx", false},
        {"[^a-c]x", "dx", true},
        {"[]]", "]", true},
        {"[!]]", "a", true},
        {"[a-]", "-", true},
        {"[", "[", true}, // an unclosed set is a plain "["
        {"a[", "a[", true},
        {"\\*", "*", true},
        {"\\*", "a", false},
        {"[\\]]", "]", true},
        {"A.SQL", "a.sql", false},
        {"*/x", "a/x", true}, // without the separator rule "*" takes a "/"
    };
    Check(std::begin(cases), std::end(cases), {});
}

TEST(Glob, WithSeparatorsNothingButASlashMatchesASlash) {
    const Case cases[] = {
        {"*/x.sql", "a/x.sql", true}, {"*/x.sql", "a/b/x.sql", false}, {"*", "a/b", false},  {"a?b", "a/b", false},
        {"a[/]b", "a/b", false},      {"a/*/c", "a/b/c", true},        {"*/*", "a/b", true},
    };
    Check(std::begin(cases), std::end(cases), {.slashIsSeparator = true});
}

TEST(Glob, AsciiCaseIgnoredOnlyWhenAsked) {
    const Case cases[] = {
        {"*.sql", "A.SQL", true},
        {"*.SQL", "a.sql", true},
        {"[a-z].sql", "Q.sql", true},
        {"ａ.sql", "Ａ.sql", false}, // full-width letters keep their case
    };
    Check(std::begin(cases), std::end(cases), {.ignoreAsciiCase = true});
}
