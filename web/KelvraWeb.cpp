// The format core as the web page sees it. The page holds text as a JavaScript
// string with LF line ends and counts positions in UTF-16 code units; the core
// works on UTF-8 with CR LF line ends and counts bytes. This file converts both
// ways and hands results back as plain JavaScript objects.

#include "cli/CheckOptionsFor.h"
#include "formatter/Format.h"
#include "platform/Utf8.h"
#include "keywords/KeywordCatalogue.h"
#include "keywords/SqlDialectNames.h"
#include "meaning/MeaningCheck.h"
#include "meaning/MeaningLexer.h"
#include "platform/PlainTextFile.h"
#include "platform/TextCodec.h"

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// Byte offsets of a CR LF text turned into UTF-16 offsets of the page's form of
// it (LF line ends).
class PageText {
public:
    explicit PageText(std::string_view crlfText) : source_(crlfText) {}

    // Offsets must come in ascending order; each call continues where the last stopped.
    std::uint32_t Utf16Offset(std::size_t byteOffset) {
        while (byte_ < byteOffset && byte_ < source_.size()) {
            const unsigned char lead = static_cast<unsigned char>(source_[byte_]);
            if (lead == '\r' && byte_ + 1 < source_.size() && source_[byte_ + 1] == '\n') {
                byte_ += 2;
                unit_ += 1;
                continue;
            }
            const std::size_t length = Utf8CharLength(lead);
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
    // Every reading is kept unless the page names one dialect.
    const val dialect = o["dialect"];
    if (dialect.isString()) options.Dialect = DialectNamed(dialect.as<std::string>()).value_or(SqlDialect::Any);
    return options;
}

// A copy of `bytes` the JavaScript side owns, so the worker can hand its buffer
// to the page without copying it again.
val OwnedBytes(std::string_view bytes) {
    const val view(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const std::uint8_t *>(bytes.data())));
    return val::global("Uint8Array").new_(view);
}

// The kind of a difference as the page names it in its own words.
const char *KindId(meaning::ChangeKind kind) {
    using meaning::ChangeKind;
    switch (kind) {
    case ChangeKind::JoinedWords: return "joinedWords";
    case ChangeKind::WordOnLiteral: return "wordOnLiteral";
    case ChangeKind::MergedLiterals: return "mergedLiterals";
    case ChangeKind::OperatorFormed: return "operatorFormed";
    case ChangeKind::CommentFormed: return "commentFormed";
    case ChangeKind::LiteralChanged: return "literalChanged";
    case ChangeKind::CommentChanged: return "commentChanged";
    case ChangeKind::LineCommandMerged: return "lineCommandMerged";
    case ChangeKind::OtherChange: break;
    }
    return "otherChange";
}

// Kinds whose place is the gap between two tokens that would meet there.
bool IsBetweenTokens(meaning::ChangeKind kind) {
    using meaning::ChangeKind;
    return kind == ChangeKind::JoinedWords || kind == ChangeKind::WordOnLiteral || kind == ChangeKind::MergedLiterals ||
           kind == ChangeKind::OperatorFormed || kind == ChangeKind::CommentFormed;
}

struct ByteRange {
    std::size_t start = 0, end = 0;
};

// The tokens on either side of the gap [gapStart, gapEnd) of `text`, as the
// first of the compared readings that has tokens ending and starting right
// there cuts them; else the runs of non-blank bytes around the gap.
std::vector<ByteRange> TokensAround(std::string_view text, std::size_t gapStart, std::size_t gapEnd,
                                    const meaning::CheckOptions &check) {
    using meaning::Reading;
    const std::pair<bool, Reading> readings[] = {{check.oracle, Reading::Oracle},
                                                 {check.postgresql, Reading::PostgreSql},
                                                 {check.mysql, Reading::MySql},
                                                 {check.sqlserver, Reading::SqlServer}};
    for (const auto &[compared, reading] : readings) {
        if (!compared) continue;
        meaning::Lexer lexer(text, reading);
        meaning::Token t;
        std::optional<ByteRange> left;
        while (lexer.Next(t) && t.start < gapEnd)
            if (t.end == gapStart) left = ByteRange{t.start, t.end};
        if (left && t.start == gapEnd) return {*left, {t.start, t.end}};
    }
    std::size_t leftStart = gapStart, rightEnd = gapEnd;
    while (leftStart > 0 && !meaning::IsBlank(text[leftStart - 1])) --leftStart;
    while (rightEnd < text.size() && !meaning::IsBlank(text[rightEnd])) ++rightEnd;
    return {{leftStart, gapStart}, {gapEnd, rightEnd}};
}

// The meaning check's verdict on the run: how many places changed more than
// letter case and blanks, and the first of them as data for the page's own
// words: {kind, line, column, tokens}. `tokens` holds [start, end, ...] UTF-16
// offsets in the page's text before the run: the token that would change, or
// the two that would meet; lines and columns are 1-based, columns in characters.
val MeaningReport(std::string_view before, std::string_view after, const EditorOptions &options) {
    const meaning::CheckOptions check = cli::CheckOptionsFor(options);
    const meaning::CheckReport report = meaning::CompareMeaning(before, after, 1, check);
    val out = val::object();
    out.set("count", static_cast<double>(report.count));
    if (!report.first.empty()) {
        const meaning::Difference &d = report.first.front();
        out.set("line", d.line);
        out.set("column", d.column);
        out.set("kind", std::string(KindId(d.kind)));
        const std::vector<ByteRange> tokens = IsBetweenTokens(d.kind)
                                                  ? TokensAround(before, d.offset, d.offset + d.length, check)
                                                  : std::vector<ByteRange>{{d.offset, d.offset + d.length}};
        PageText page(before);
        val offsets = val::array();
        for (const ByteRange &r : tokens) {
            offsets.call<void>("push", page.Utf16Offset(r.start));
            offsets.call<void>("push", page.Utf16Offset(r.end));
        }
        out.set("tokens", offsets);
    }
    return out;
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

// Formats the UTF-8 text of `length` bytes at `address` (LF line ends; the
// page encodes it straight into the module's memory, faster than a string
// argument) with `options` ({indent, commaBefore, lineBreaksSeparate, bold,
// simpleMode, keepMeaning, dialect}) and the stored keyword states. A normal end carries
// `meaning` (see MeaningReport): the result stays what the rules give, the page
// tells the user.
val Format(std::uintptr_t address, std::size_t length, const val &options, const std::string &yoyakuStates,
           const std::string &kansuStates) {
    const std::string input = ToCrLf(std::string_view(reinterpret_cast<const char *>(address), length));
    StageReporter reporter;
    const EditorOptions chosen = OptionsFrom(options);
    const FormatResult r = RunFormat(input, chosen, CatalogueFrom(yoyakuStates, kansuStates), reporter);

    val out = val::object();
    out.set("end", std::string(EndName(r.end)));
    if (r.end == RunEnd::Normal) {
        // UTF-8 bytes: the worker transfers them and the page decodes them once.
        out.set("text", OwnedBytes(FromCrLf(r.text, LineEnd::Lf)));
        out.set("bold", BoldRanges(r));
        val counts = val::object();
        counts.set("K", r.counts.K);
        counts.set("R", r.counts.R);
        counts.set("C", r.counts.C);
        counts.set("T", r.counts.T);
        out.set("counts", counts);
        out.set("meaning", MeaningReport(input, r.text, chosen));
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

// ---- Files ------------------------------------------------------------------
// A file's bytes become the page's text as the command-line formatter reads
// them (UTF-8 or code page 932); the format it was read in comes along as a
// plain object and goes back with the text when the page saves.

const char *LineEndName(LineEnd end) {
    switch (end) {
    case LineEnd::Lf: return "lf";
    case LineEnd::Cr: return "cr";
    case LineEnd::CrLf: break;
    }
    return "crlf";
}

LineEnd LineEndFrom(const std::string &name) {
    if (name == "lf") return LineEnd::Lf;
    if (name == "cr") return LineEnd::Cr;
    return LineEnd::CrLf;
}

const char *ProblemName(TextProblem problem) {
    switch (problem) {
    case TextProblem::NotText: return "notText";
    case TextProblem::MixedEncodings: return "mixedEncodings";
    case TextProblem::Undecodable: return "undecodable";
    case TextProblem::None: break;
    }
    return "none";
}

val CodePairs(const std::vector<std::pair<std::uint16_t, std::uint16_t>> &pairs) {
    val out = val::array();
    for (auto [usual, code] : pairs) {
        val pair = val::array();
        pair.call<void>("push", usual);
        pair.call<void>("push", code);
        out.call<void>("push", pair);
    }
    return out;
}

const char *EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8: return "utf8";
    case TextEncoding::Utf16Le: return "utf16le";
    case TextEncoding::Utf16Be: return "utf16be";
    case TextEncoding::Cp932: break;
    }
    return "cp932";
}

TextEncoding EncodingNamed(const std::string &name) {
    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16Le, TextEncoding::Utf16Be})
        if (name == EncodingName(e)) return e;
    return TextEncoding::Cp932;
}

val FormatObject(const PlainTextFormat &f) {
    val out = val::object();
    out.set("encoding", std::string(EncodingName(f.encoding)));
    out.set("byteOrderMark", f.byteOrderMark);
    out.set("lineEnd", std::string(LineEndName(f.lineEnd)));
    out.set("mixedLineEnds", f.mixedLineEnds);
    out.set("keptCodes", CodePairs(f.keptCodes));
    val mixed = val::array();
    for (std::uint16_t code : f.mixedCodes) mixed.call<void>("push", code);
    out.set("mixedCodes", mixed);
    return out;
}

PlainTextFormat FormatFrom(const val &o) {
    PlainTextFormat f;
    f.encoding = EncodingNamed(o["encoding"].as<std::string>());
    f.byteOrderMark = o["byteOrderMark"].as<bool>();
    f.lineEnd = LineEndFrom(o["lineEnd"].as<std::string>());
    f.mixedLineEnds = o["mixedLineEnds"].as<bool>();
    const val kept = o["keptCodes"];
    for (unsigned i = 0, n = kept["length"].as<unsigned>(); i < n; ++i)
        f.keptCodes.emplace_back(kept[i][0].as<std::uint16_t>(), kept[i][1].as<std::uint16_t>());
    const val mixed = o["mixedCodes"];
    for (unsigned i = 0, n = mixed["length"].as<unsigned>(); i < n; ++i)
        f.mixedCodes.push_back(mixed[i].as<std::uint16_t>());
    return f;
}

// The distinct characters (at most ten) that start at `offsets` of `text`,
// for the questions before a save.
std::string CharactersAt(std::string_view text, const std::vector<std::size_t> &offsets) {
    std::vector<std::string_view> shown;
    for (std::size_t offset : offsets) {
        if (offset >= text.size()) continue;
        const std::string_view ch = text.substr(offset, Utf8CharLength(static_cast<unsigned char>(text[offset])));
        if (std::find(shown.begin(), shown.end(), ch) == shown.end()) shown.push_back(ch);
        if (shown.size() == 10) break;
    }
    std::string out;
    for (std::string_view ch : shown) (out += ch) += ' ';
    if (!out.empty()) out.pop_back();
    return out;
}

std::string Cp932CharactersAt(std::string_view bytes, const std::vector<std::size_t> &offsets) {
    std::string text;
    std::vector<std::size_t> textOffsets;
    for (std::size_t offset : offsets) {
        if (offset + 2 > bytes.size()) continue;
        textOffsets.push_back(text.size());
        text += DecodeCp932(bytes.substr(offset, 2)).text;
    }
    return CharactersAt(text, textOffsets);
}

// Decodes a file's `length` bytes at `address`: {text (UTF-8 bytes, LF line
// ends), format, problem, badBytes, message (line:column: why, empty when the
// text decoded cleanly)}.
val DecodeFile(std::uintptr_t address, std::size_t length) {
    const std::string_view bytes(reinterpret_cast<const char *>(address), length);
    const DecodedText decoded = DecodePlainText(bytes);
    val out = val::object();
    out.set("text", OwnedBytes(FromCrLf(decoded.text, LineEnd::Lf)));
    out.set("format", FormatObject(decoded.format));
    out.set("problem", std::string(ProblemName(decoded.problem)));
    out.set("badBytes", static_cast<double>(decoded.badOffsets.size()));
    out.set("message", DescribeTextProblem(bytes, decoded));
    return out;
}

// Encodes the page's UTF-8 text (LF line ends) at `address` in `format`:
// {bytes, lossy: {count, characters}, recoded: {count, characters}}.
val EncodeFile(std::uintptr_t address, std::size_t length, const val &format) {
    const std::string text = ToCrLf(std::string_view(reinterpret_cast<const char *>(address), length));
    const EncodedText encoded = EncodePlainText(text, FormatFrom(format));
    val out = val::object();
    out.set("bytes", OwnedBytes(encoded.bytes));
    val lossy = val::object();
    lossy.set("count", static_cast<double>(encoded.lossyOffsets.size()));
    lossy.set("characters", CharactersAt(text, encoded.lossyOffsets));
    out.set("lossy", lossy);
    val recoded = val::object();
    recoded.set("count", static_cast<double>(encoded.recodedOffsets.size()));
    recoded.set("characters", Cp932CharactersAt(encoded.bytes, encoded.recodedOffsets));
    out.set("recoded", recoded);
    return out;
}

} // namespace
} // namespace kelvra::web

EMSCRIPTEN_BINDINGS(kelvra) {
    emscripten::function("format", &kelvra::web::Format);
    emscripten::function("catalogue", &kelvra::web::Catalogue);
    emscripten::function("keywordAction", &kelvra::web::KeywordAction);
    emscripten::function("decodeFile", &kelvra::web::DecodeFile);
    emscripten::function("encodeFile", &kelvra::web::EncodeFile);
}
