// The format core's helper routines name themselves when they fail
// unexpectedly. Failures are made by running out of memory on purpose: this
// test program's operator new, once armed, refuses the first block from a
// given size up.
#include "formatter/FormatDriver.h"
#include "formatter/Protection.h"
#include "formatter/ReservedWords.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <new>

namespace {

thread_local std::size_t refuseFrom = std::numeric_limits<std::size_t>::max();

} // namespace

void *operator new(std::size_t size) {
    if (size >= refuseFrom) {
        refuseFrom = std::numeric_limits<std::size_t>::max();
        throw std::bad_alloc();
    }
    if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

using namespace kelvra;

namespace {

constexpr std::size_t kLarge = 1 << 20;

// Refuses the first block of kLarge bytes or more while it lives.
struct LargeBlocksRefused {
    LargeBlocksRefused() { refuseFrom = kLarge; }
    ~LargeBlocksRefused() { refuseFrom = std::numeric_limits<std::size_t>::max(); }
};

std::string MessageOf(const std::function<void()> &call) {
    try {
        LargeBlocksRefused refused;
        call();
    } catch (const StageFailure &f) {
        EXPECT_EQ(f.message.caption, "エラー");
        EXPECT_EQ(f.message.icon, MessageIcon::Error);
        return f.message.text;
    }
    return "no failure";
}

TEST(InternalError, EachHelperRoutineNamesItself) {
    const std::string large(kLarge, 'a');
    EditorOptions options;
    KeywordCatalogue catalogue;
    ProgressSink sink;
    FormatRunState run(options, catalogue, sink);
    run.markerOpen = "《";
    run.markerClose = "》";
    run.segments.R = {"'x'"};
    std::string tokens = large + "《R0》";
    std::string work = large;
    std::vector<TextSpan> spans;

    struct Case {
        const char *expected;
        std::function<void()> call;
    } cases[] = {
        {"内部処理(funDelCRLF)でエラーが発生しました", [&] { funDelCRLF(large); }},
        {"内部処理(funKeyConv)でエラーが発生しました", [&] { funKeyConv(large, "~"); }},
        {"内部処理(proSaveKRCT)でエラーが発生しました",
         [&] {
             run.work = std::move(work);
             StageSaveLiteralsAndComments(run);
         }},
        {"内部処理(proRestKRCT)でエラーが発生しました", [&] { proRestKRCT(run, tokens, spans); }},
    };
    for (const Case &c : cases) EXPECT_EQ(MessageOf(c.call), c.expected);

    // Unarmed, the same calls work.
    EXPECT_EQ(funDelCRLF("a\r\nb").size(), 2u);
    proRestKRCT(run, tokens, spans);
    EXPECT_EQ(tokens, large + "'x'");
}

// Arms the refusal when the run reaches a given stage (counted from 0 in the stage table).
class ArmingSink : public ProgressSink {
public:
    explicit ArmingSink(int armBefore) : armBefore_(armBefore) {}
    ~ArmingSink() override { refuseFrom = std::numeric_limits<std::size_t>::max(); }
    void StepBar2() override {
        if (++stagesDone_ == armBefore_) refuseFrom = kLarge;
    }

private:
    int armBefore_, stagesDone_ = 0;
};

// In a whole run the routine's message ends the run as a failure with the
// original text, which the window shows in its error box.
TEST(InternalError, EndsTheRunWithTheRoutinesMessageAndTheOriginalText) {
    const std::string text = "select a from t where b = 'x';\r\n" + std::string(kLarge, 'c');
    struct Case {
        int armBefore;
        const char *expected;
    } cases[] = {
        {2, "内部処理(proSaveKRCT)でエラーが発生しました"},
        {24, "内部処理(proRestKRCT)でエラーが発生しました"},
    };
    ASSERT_EQ(std::string(StageTable()[2].number), "3");
    ASSERT_EQ(std::string(StageTable()[24].number), "24");
    for (const Case &c : cases) {
        FormatResult r;
        {
            ArmingSink sink(c.armBefore);
            r = RunFormat(text, EditorOptions{}, KeywordCatalogue{}, sink);
        }
        EXPECT_EQ(r.end, RunEnd::Failed) << c.expected;
        EXPECT_EQ(r.message.text, c.expected);
        EXPECT_EQ(r.text, text);
    }
}

} // namespace
