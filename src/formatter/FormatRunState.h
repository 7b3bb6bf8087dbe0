#pragma once
// The state of one format run, shared by the stages, and the ways a stage ends a run.

#include "formatter/FormatResult.h"
#include "formatter/KeywordTables.h"
#include "formatter/ProgressSink.h"
#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// Thrown by CancelCheck when the user cancelled; the driver gives back the original text.
struct RunCancelled {};

// Thrown by a stage that ends the run with a message (stages 1, 2, 3 and the restore).
struct StageFailure {
    RunMessage message;
    bool hasHighlight = false;
    TextSpan highlight;
};

// The failure of an unexpected error (an exhausted resource, say) inside the
// named helper routine: "内部処理(routine)でエラーが発生しました".
inline StageFailure InternalError(std::string_view routine) {
    StageFailure f;
    f.message = {"エラー", "内部処理(" + std::string(routine) + ")でエラーが発生しました", MessageIcon::Error};
    return f;
}

// Runs the body of the helper routine `routine`, turning an unexpected error
// in it into InternalError(routine). Cancels and stage failures pass through,
// so the innermost routine names the error.
template <typename Body> decltype(auto) InRoutine(std::string_view routine, Body &&body) {
    try {
        return body();
    } catch (const std::exception &) {
        throw InternalError(routine);
    }
}

// The form in which a stage sees the text: whole (`work`) or as its lines
// (`lines`, without their CR LF). The driver moves the text between the two.
enum class TextForm { Whole, Lines };

struct ProtectedSegments {
    std::vector<std::string> K, R, C, T; // double-quoted, single-quoted, line comment, block comment
    std::vector<std::string> L;          // client line commands (only when meaning is kept)
    std::vector<std::string> &Of(char letter);
    const std::vector<std::string> &Of(char letter) const;
};

struct FormatRunState {
    FormatRunState(const EditorOptions &runOptions, const KeywordCatalogue &runCatalogue, ProgressSink &runSink)
        : options(runOptions), catalogue(runCatalogue), sink(runSink) {}

    const EditorOptions &options;
    const KeywordCatalogue &catalogue;
    ProgressSink &sink;

    std::string revertText;          // the text before the run
    TextForm form = TextForm::Whole; // which of the two below holds the text
    std::string work;
    std::vector<std::string> lines;
    std::vector<TextSpan> boldSpans;
    int indentWidth = 8;

    std::string markerOpen, markerClose; // one character each (UTF-8)
    std::string wordJoiner;              // one to three copies of one ASCII character
    ProtectedSegments segments;

    // The state at the start of a run over `text`.
    void Begin(std::string text) {
        revertText = std::move(text);
        work = revertText;
        indentWidth = EffectiveIndent(options.Indent);
    }

    // Lets the user interface breathe; ends the run when the user cancelled.
    void CancelCheck() {
        if (sink.CancelRequested()) throw RunCancelled{};
    }
    void Progress(std::int64_t position, std::int64_t maximum) { sink.SetBar1(position, maximum); }
    bool NormalMode() const { return !options.SimpleMode; }
    // The keyword tables of this run's catalogue and word joiner (chosen first).
    std::shared_ptr<const KeywordTables> Tables() const { return KeywordTablesFor(catalogue, wordJoiner); }

    // An empty buffer for a stage's new text, holding at least `capacity`
    // bytes: the text that an earlier stage replaced, so that the stages
    // that rebuild the text take turns with two buffers instead of mapping
    // fresh memory each time.
    std::string TakeSpare(std::size_t capacity) {
        std::string s = std::move(spare_);
        s.clear();
        s.reserve(capacity);
        return s;
    }
    // `text` becomes the working text; the old one is kept as the next spare.
    void ReplaceWork(std::string &&text) {
        spare_ = std::move(work);
        work = std::move(text);
    }
    // The spare buffer goes (before the text moves to the lines).
    void ReleaseSpare() { std::string().swap(spare_); }
    // The text has moved to the lines: both buffers go.
    void ReleaseWork() {
        std::string().swap(work);
        ReleaseSpare();
    }

private:
    std::string spare_;
};

// Calls CancelCheck once every `interval` ticks of a loop.
class CancelPacer {
public:
    explicit CancelPacer(FormatRunState &run, unsigned interval = 1024) : run_(run), interval_(interval) {}
    void Tick() {
        if (++count_ % interval_ == 0) run_.CancelCheck();
    }

private:
    FormatRunState &run_;
    unsigned interval_;
    unsigned count_ = 0;
};

} // namespace kelvra
