// Runs the whole format core on arbitrary text. The first byte picks the
// options (simple mode, leading commas, line breaks as separators, indent),
// the rest is the text. It runs once with meaning kept and once under the base
// rules. A run must end (normally or with a refusal), never crash, leave no
// marker behind, and under the base rules on a normal end in normal mode:
//   - every literal and comment of the input is in the output, unchanged and
//     in the same order (a block comment without its line breaks);
//   - no character of the run's marker pair is left in the output;
//   - a one-character word joiner, absent from the input, is absent from the output.
// The literals and comments are found by a scan of our own, written apart
// from the protection stage, so that a fault in that stage shows up here too.
#include "platform/TextCodec.h"
#include "formatter/Format.h"
#include "formatter/Protection.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Block comments are kept without their line breaks: CR LF and lone CR go.
std::string WithoutLineBreaks(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
            continue;
        }
        out += s[i];
    }
    return out;
}

// The literals and comments of `text` in text order, as they must come out.
// Returns false when an opening has no end (the run must then be refused).
bool ScanSegments(std::string_view text, std::vector<std::string> &segments) {
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const char d = i + 1 < text.size() ? text[i + 1] : '\0';
        std::size_t end;
        if (c == '"' || c == '\'') {
            std::size_t q = text.find(c, i + 1);
            if (q == std::string_view::npos) return false;
            end = q + 1;
        } else if (c == '-' && d == '-') {
            std::size_t q = text.find('\r', i + 2);
            end = q == std::string_view::npos ? text.size() : q;
        } else if (c == '/' && d == '*') {
            std::size_t q = text.find("*/", i + 2);
            if (q == std::string_view::npos) return false;
            end = q + 2;
            segments.push_back(WithoutLineBreaks(text.substr(i, end - i)));
            i = end;
            continue;
        } else {
            ++i;
            continue;
        }
        segments.emplace_back(text.substr(i, end - i));
        i = end;
    }
    return true;
}

[[noreturn]] void Violation(const char *what, std::string_view detail) {
    std::fprintf(stderr, "format_core_fuzz: %s: [%.*s]\n", what,
                 static_cast<int>(std::min<std::size_t>(detail.size(), 200)), detail.data());
    std::abort();
}

// Whether the run ended as every run must: normally or with a refusal that
// gives the text back, bold spans inside the text. True on a normal end.
bool EndedWell(const kelvra::FormatResult &r, std::string_view text) {
    if (r.end == kelvra::RunEnd::UnexpectedError) Violation("unexpected error", text);
    if (r.end == kelvra::RunEnd::Cancelled) Violation("cancelled without a cancel", text);
    if (r.end != kelvra::RunEnd::Normal) {
        if (r.text != text) Violation("refused run changed the text", text);
        return false;
    }
    for (const auto &span : r.boldSpans)
        if (span.start > r.text.size() || span.length > r.text.size() - span.start)
            Violation("bold span outside the text", r.text);
    return true;
}

// Neither marker character occurs in the input (that is how the pair is
// chosen), so any left in the output is a token that did not come back.
void NoMarkerLeft(const kelvra::FormatResult &r, std::string_view text) {
    for (const kelvra::MarkerPair &pair : kelvra::MarkerPairs())
        if (text.find(pair.open) == std::string_view::npos && text.find(pair.close) == std::string_view::npos) {
            if (r.text.find(pair.open) != std::string::npos || r.text.find(pair.close) != std::string::npos)
                Violation("marker left in the output", r.text);
            return;
        }
}

} // namespace

// Longer inputs add run time but seldom new paths; the CI runs use -max_len=512.
constexpr std::size_t kMaxInput = 4096;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0 || size > kMaxInput) return 0;
    const std::uint8_t pick = data[0];
    kelvra::EditorOptions options;
    options.SimpleMode = (pick & 1) != 0;
    options.Comma = (pick & 2) ? kelvra::CommaPosition::Before : kelvra::CommaPosition::After;
    options.LfSp = (pick & 4) != 0;
    options.Indent = 1 + (pick >> 3) % 10;
    options.Bold = (pick & 0x80) == 0;
    const std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    // The core works on UTF-8 as the decoders hand it over. Bytes that are not
    // UTF-8 could make a marker character out of two pieces once a line break
    // between them is removed, which no real text can do.
    if (!kelvra::IsValidUtf8(text)) return 0;

    static const kelvra::KeywordCatalogue catalogue;
    kelvra::ProgressSink sink;
    // With meaning kept (dialect literals, line commands) the run must end as
    // well and bring every token back.
    kelvra::FormatResult kept = kelvra::RunFormat(std::string(text), options, catalogue, sink);
    if (EndedWell(kept, text) && !options.SimpleMode) NoMarkerLeft(kept, text);

    // The scan below knows the base rules.
    options.KeepMeaning = false;
    kelvra::FormatResult r = kelvra::RunFormat(std::string(text), options, catalogue, sink);
    if (!EndedWell(r, text) || options.SimpleMode) return 0;

    std::vector<std::string> segments;
    if (!ScanSegments(text, segments)) Violation("unmatched opening formatted", text);
    std::size_t from = 0;
    for (const std::string &segment : segments) {
        std::size_t at = r.text.find(segment, from);
        if (at == std::string::npos) Violation("literal or comment lost", segment);
        from = at + segment.size();
    }
    NoMarkerLeft(r, text);
    // The joiner is the first of these absent from the input; one character then.
    for (char j : {'~', '^', '`', '|', '\\', '%', '$', '@', '!', '?'})
        if (text.find(j) == std::string_view::npos) {
            if (r.text.find(j) != std::string::npos) Violation("word joiner left in the output", r.text);
            break;
        }
    return 0;
}
