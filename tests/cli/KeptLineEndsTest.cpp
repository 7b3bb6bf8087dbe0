#include "cli/KeptLineEnds.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace kelvra::cli {
namespace {

// Each case: the file's bytes, a formatted text (CR LF line ends, worked by
// hand), the file's first kind, and what is written.
TEST(KeptLineEnds, LiteralsAndCommentsKeepTheirLineEndsWhenTheFormattedTextHoldsThemUnchanged) {
    struct Case {
        const char *name, *bytes, *formatted;
        LineEnd fileLineEnd;
        const char *expected;
        std::size_t changed, firstChangedOffset;
    } cases[] = {
        {"lone LF in a literal", "a\r\n'x\ny'\r\n", "A\r\n    'x\r\ny'", LineEnd::CrLf, "A\r\n    'x\ny'", 0, 0},
        {"CR LF in a comment of an LF file", "a /*1\r\n2*/\nb\n", "A\n/*1\r\n2*/\r\nB", LineEnd::Lf, "A\n/*1\r\n2*/\nB",
         0, 0},
        {"lone LF outside", "a\r\nb\nc 'x\ny'\r\n", "A\r\nB\r\nC 'x\r\ny'", LineEnd::CrLf, "A\r\nB\r\nC 'x\ny'", 1, 4},
        {"literal changed: all unified", "a\r\n'x\ny'\r\n", "A\r\n'X\r\nY'", LineEnd::CrLf, "A\r\n'X\r\nY'", 1, 5},
        {"literal missing: all unified", "'x\ny' 'z'\r\n", "'x\r\ny'", LineEnd::CrLf, "'x\r\ny'", 1, 2},
        {"two literals, second kept", "'p'\r\n'q\rr'\r\n", "'p' \r\n'q\r\nr'", LineEnd::CrLf, "'p' \r\n'q\rr'", 0, 0},
        // A block comment's line break became a blank: the literal after it keeps its own.
        {"comment joined, literal kept", "/* a\nb */ 'keep\r\nthis'\n", "/* a b */ 'keep\r\nthis'", LineEnd::Lf,
         "/* a b */ 'keep\r\nthis'", 0, 0},
    };
    for (const Case &c : cases) {
        KeptLineEnds kept(ToCrLf(c.bytes), c.bytes, KeptReadings::All());
        EXPECT_EQ(kept.Apply(c.formatted, c.fileLineEnd), c.expected) << c.name;
        EXPECT_EQ(kept.Changed(), c.changed) << c.name;
        if (c.changed) {
            EXPECT_EQ(kept.FirstChangedOffset(), c.firstChangedOffset) << c.name;
        }
    }
}

// The file's kind is that of its first line end outside literals and comments.
TEST(KeptLineEnds, TheFilesKindIsThatOfItsCode) {
    const char *bytes = "select 'a\nb' /* c\n*/ from t\r\nwhere x = 1\n";
    EXPECT_EQ(KeptLineEnds(ToCrLf(bytes), bytes, KeptReadings::All()).CodeLineEnd(LineEnd::Lf), LineEnd::CrLf);
    const char *inside = "'a\r\nb'";
    EXPECT_EQ(KeptLineEnds(ToCrLf(inside), inside, KeptReadings::All()).CodeLineEnd(LineEnd::Lf), LineEnd::Lf);
}

// A dollar quote is kept text when meaning is kept, and code under the base rules.
TEST(KeptLineEnds, DollarQuotesKeepTheirLineEndsWhenMeaningIsKept) {
    const char *bytes = "a\r\n$$x\ny$$\r\n";
    KeptLineEnds kept(ToCrLf(bytes), bytes, KeptReadings::All());
    EXPECT_EQ(kept.Apply("A\r\n    $$x\r\ny$$", LineEnd::CrLf), "A\r\n    $$x\ny$$");
    EXPECT_EQ(kept.Changed(), 0u);
    KeptLineEnds base(ToCrLf(bytes), bytes, KeptReadings::None());
    EXPECT_EQ(base.Apply("A\r\n    $$X\r\nY$$", LineEnd::CrLf), "A\r\n    $$X\r\nY$$");
    EXPECT_EQ(base.Changed(), 1u);
}

} // namespace
} // namespace kelvra::cli
