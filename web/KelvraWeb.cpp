// The format core as the web page sees it. The page holds text as a JavaScript
// string with LF line ends and counts positions in UTF-16 code units; the core
// works on UTF-8 with CR LF line ends and counts bytes. This file converts both
// ways and hands results back as plain JavaScript objects.

#include "formatter/Format.h"
#include "platform/Utf8.h"
#include "keywords/KeywordCatalogue.h"
#include "meaning/MeaningCheck.h"

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using emscripten::val;

// Calls Module.onStage(done, total) when the page's worker has set it.
EM_JS(void, ReportStage, (int done, int total), {
    if (Module.onStage) Module.onStage(done, total);
});

namespace kelvra::web {
namespace {

class StageReporter : public ProgressSink {
public:
    void SetBar2(int position, int maximum) override {
        position_ = position;
        maximum_ = maximum;
        ReportStage(position_, maximum_);
    }
    void StepBar2() override { ReportStage(++position_, maximum_); }

private:
    int position_ = 0;
    int maximum_ = kStageBarMaximum;
};

// A CR LF text converted to the page's form: LF line ends, and byte offsets
// turned into UTF-16 offsets of that form.
class PageText {
public:
    explicit PageText(std::string_view crlfText) : source_(crlfText) {}

    std::string WithLf() const {
        std::string out;
        out.reserve(source_.size());
        std::size_t from = 0;
        for (std::size_t cr = source_.find("\r\n"); cr != std::string_view::npos; cr = source_.find("\r\n", from)) {
            out.append(source_, from, cr - from);
            from = cr + 1; // the LF stays
        }
        out.append(source_, from);
        return out;
    }

    // Offsets must come in ascending order; each call continues where the last stopped.
    std::uint32_t Utf16Offset(std::size_t byteOffset) {
        while (byte_ < byteOffset && byte_ < source_.size()) {
            const unsigned char lead = static_cast<unsigned char>(source_[byte_]);
            if (lead == '\r' && byte_ + 1 < source_.size() && source_[byte_ + 1] == '\n') {
                byte_ += 2;
                unit_ += 1;
                continue;
            }
            const std::size_t length = CharLength(lead);
            byte_ += length;
            unit_ += length == 4 ? 2 : 1;
        }
        return unit_;
    }

private:
    std::string_view source_;
    std::size_t byte_ = 0;
    std::uint32_t unit_ = 0;
};

KeywordCatalogue CatalogueFrom(std::string yoyakuStates, std::string kansuStates) {
    KeywordCatalogue catalogue;
    catalogue.ApplyStoredStates(yoyakuStates, kansuStates, false);
    return catalogue;
}

val StoredStatesOf(const KeywordCatalogue &catalogue) {
    std::string yoyaku, kansu;
    catalogue.BuildStoredStates(yoyaku, kansu);
    val states = val::object();
    states.set("yoyaku", yoyaku);
    states.set("kansu", kansu);
    return states;
}

const char *EndName(RunEnd end) {
    switch (end) {
    case RunEnd::Normal: return "normal";
    case RunEnd::Cancelled: return "cancelled";
    case RunEnd::Failed: return "failed";
    case RunEnd::UnexpectedError: return "error";
    }
    return "error";
}

const char *IconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return "information";
    case MessageIcon::Warning: return "warning";
    case MessageIcon::Error: return "error";
    case MessageIcon::None: break;
    }
    return "none";
}

EditorOptions OptionsFrom(const val &o) {
    EditorOptions options;
    options.Indent = EffectiveIndent(o["indent"].as<int>());
    options.Comma = o["commaBefore"].as<bool>() ? CommaPosition::Before : CommaPosition::After;
    options.LfSp = o["lineBreaksSeparate"].as<bool>();
    options.Bold = o["bold"].as<bool>();
    options.SimpleMode = o["simpleMode"].as<bool>();
    // A page without the control keeps meaning, as the editor does by default.
    const val keepMeaning = o["keepMeaning"];
    options.KeepMeaning = keepMeaning.isUndefined() || keepMeaning.as<bool>();
    return options;
}

// Bold spans as one flat array: start, end, start, end ... in UTF-16 units.
val BoldRanges(const FormatResult &r) {
    std::vector<std::uint32_t> flat;
    flat.reserve(r.boldSpans.size() * 2);
    PageText page(r.text);
    for (const TextSpan &s : r.boldSpans) {
        flat.push_back(page.Utf16Offset(s.start));
        flat.push_back(page.Utf16Offset(s.start + s.length));
    }
    return val::global("Uint32Array").new_(val(emscripten::typed_memory_view(flat.size(), flat.data())));
}

// Where the result means something else than the text before it: {count} and,
// when count > 0, the first place {line, column, kind, text} in the text before
// (lines and columns 1-based, columns in characters).
val MeaningOf(std::string_view before, std::string_view after) {
    const meaning::CheckReport report = meaning::CompareMeaning(before, after, 1);
    val out = val::object();
    out.set("count", static_cast<double>(report.count));
    if (report.first.empty()) return out;
    const meaning::Difference &first = report.first.front();
    out.set("line", first.line);
    out.set("column", first.column);
    out.set("kind", std::string(meaning::KindName(first.kind)));
    out.set("text", first.what);
    return out;
}

// Formats the UTF-8 text of `length` bytes at `address` (LF line ends; the
// page encodes it straight into the module's memory, faster than a string
// argument) with `options` ({indent, commaBefore, lineBreaksSeparate, bold,
// simpleMode}) and the stored keyword states. A normal end carries `meaning`
// (see MeaningOf): the result stays what the rules give, the page tells the user.
val Format(std::uintptr_t address, std::size_t length, const val &options, const std::string &yoyakuStates,
           const std::string &kansuStates) {
    const std::string input = ToCrLf(std::string_view(reinterpret_cast<const char *>(address), length));
    StageReporter reporter;
    const FormatResult r = RunFormat(input, OptionsFrom(options), CatalogueFrom(yoyakuStates, kansuStates), reporter);

    val out = val::object();
    out.set("end", std::string(EndName(r.end)));
    if (r.end == RunEnd::Normal) {
        out.set("text", PageText(r.text).WithLf());
        out.set("bold", BoldRanges(r));
        val counts = val::object();
        counts.set("K", r.counts.K);
        counts.set("R", r.counts.R);
        counts.set("C", r.counts.C);
        counts.set("T", r.counts.T);
        out.set("counts", counts);
        out.set("meaning", MeaningOf(input, r.text));
        return out;
    }
    out.set("caption", r.message.caption);
    out.set("message", r.message.text);
    out.set("icon", std::string(IconName(r.message.icon)));
    if (r.hasHighlight) {
        PageText page(input);
        const std::uint32_t start = page.Utf16Offset(r.highlight.start);
        const LineColumn at = LineColumnOf(input, r.highlight.start);
        out.set("highlightStart", start);
        out.set("highlightEnd", page.Utf16Offset(r.highlight.start + r.highlight.length));
        out.set("line", static_cast<std::uint32_t>(at.line));
        out.set("column", static_cast<std::uint32_t>(at.column));
    }
    return out;
}

// One action of the reserved-word table on the stored states; gives the new
// stored states. `position` (1-based) is used by the clicks only.
val KeywordAction(const std::string &action, int position, const std::string &yoyakuStates,
                  const std::string &kansuStates) {
    KeywordCatalogue catalogue = CatalogueFrom(yoyakuStates, kansuStates);
    auto valid = [position](KeywordList list) { return position >= 1 && position <= KeywordCatalogue::Count(list); };
    if (action == "clickYoyaku" && valid(KeywordList::Yoyaku))
        catalogue.ClickYoyaku(position);
    else if (action == "clickKansu" && valid(KeywordList::Kansu))
        catalogue.ClickKansu(position);
    else if (action == "yoyakuAllCheck")
        catalogue.CheckAllYoyaku();
    else if (action == "yoyakuAllUnCheck")
        catalogue.UncheckAllYoyaku();
    else if (action == "kansuAllCheck")
        catalogue.CheckAllKansu();
    else if (action == "kansuAllUnCheck")
        catalogue.UncheckAllKansu();
    return StoredStatesOf(catalogue);
}

// The texts of the reserved-word and function lists, and the default states.
val Catalogue() {
    auto texts = [](KeywordList list) {
        val array = val::array();
        for (int i = 1; i <= KeywordCatalogue::Count(list); ++i)
            array.call<void>("push", KeywordCatalogue::Text(list, i));
        return array;
    };
    val out = val::object();
    out.set("yoyaku", texts(KeywordList::Yoyaku));
    out.set("kansu", texts(KeywordList::Kansu));
    out.set("defaults", StoredStatesOf(KeywordCatalogue{}));
    return out;
}

} // namespace
} // namespace kelvra::web

EMSCRIPTEN_BINDINGS(kelvra) {
    emscripten::function("format", &kelvra::web::Format);
    emscripten::function("catalogue", &kelvra::web::Catalogue);
    emscripten::function("keywordAction", &kelvra::web::KeywordAction);
}
