#include "lsp/DocumentFormatting.h"

#include "cli/CheckOptionsFor.h"
#include "cli/LineChanges.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace kelvra::lsp {
namespace {

using nlohmann::json;

// Diagnostics the meaning check contributes at most; the first ones tell the story.
constexpr std::size_t kMeaningDiagnostics = 100;

enum class Severity { Error = 1, Warning = 2, Information = 3 };

json PositionJson(Position p) { return {{"line", p.line}, {"character", p.character}}; }

json RangeJson(const LineIndex &index, std::size_t from, std::size_t to, PositionEncoding encoding) {
    return {{"start", PositionJson(index.PositionOf(from, encoding))},
            {"end", PositionJson(index.PositionOf(to, encoding))}};
}

json DiagnosticJson(json range, Severity severity, const std::string &message) {
    return {{"range", std::move(range)},
            {"severity", static_cast<int>(severity)},
            {"source", "kelvra-format"},
            {"message", message}};
}

// The characters a problem covers; at the end of a line, the line break.
std::pair<std::size_t, std::size_t> ProblemBytes(const LineIndex &index, const cli::Problem &p) {
    const std::size_t line = std::max<std::size_t>(p.line, 1) - 1, column = std::max<std::size_t>(p.column, 1) - 1;
    const std::size_t from = index.OffsetOfCharacter(line, column);
    if (from == index.LineContentEnd(line)) return {from, index.LineStart(line + 1)};
    return {from, index.OffsetOfCharacter(line, column + std::max<std::size_t>(p.length, 1))};
}

void AddProblems(json &out, const std::vector<cli::Problem> &problems, Severity severity, const LineIndex &index,
                 PositionEncoding encoding) {
    const bool anyPlaced =
        std::any_of(problems.begin(), problems.end(), [](const cli::Problem &p) { return p.hasPosition; });
    for (const cli::Problem &p : problems) {
        if (p.hasPosition) {
            const auto [from, to] = ProblemBytes(index, p);
            out.push_back(DiagnosticJson(RangeJson(index, from, to, encoding), severity, p.message));
        } else if (!anyPlaced) {
            // Nothing to point at: the start of the text.
            out.push_back(DiagnosticJson(RangeJson(index, 0, 0, encoding), severity, p.message));
        }
    }
}

bool EndsWithLineEnd(std::string_view text) { return !text.empty() && (text.back() == '\n' || text.back() == '\r'); }

std::string_view LastLineEnd(std::string_view text) {
    if (text.ends_with("\r\n")) return "\r\n";
    return text.substr(text.size() - 1);
}

} // namespace

Formatting FormatText(std::string_view text, const cli::FormatSettings &settings) {
    cli::FormattedDocument doc = cli::FormatDocument(std::string(text), settings);
    Formatting f;
    f.ok = doc.exitCode == 0;
    f.problems = std::move(doc.problems);
    f.warnings = std::move(doc.warnings);
    if (!f.ok) return f;
    f.text = std::move(doc.bytes);
    const meaning::CheckOptions readings = cli::CheckOptionsFor(settings.options);
    f.meaning = meaning::CompareMeaning(text, f.text, kMeaningDiagnostics, readings);
    return f;
}

LineRange LinesOf(Position start, Position end) {
    LineRange lines{start.line, std::max(start.line, end.line)};
    if (end.line > start.line && end.character == 0) --lines.last;
    return lines;
}

std::string_view LinesText(std::string_view text, LineRange lines) {
    const LineIndex index(text);
    const std::size_t from = index.LineStart(lines.first);
    return text.substr(from, index.LineStart(lines.last + 1) - from);
}

Formatting FormatLines(std::string_view linesText, const cli::FormatSettings &settings) {
    Formatting f = FormatText(linesText, settings);
    if (f.ok && EndsWithLineEnd(linesText) && !EndsWithLineEnd(f.text)) f.text += LastLineEnd(linesText);
    return f;
}

json TextEdits(std::string_view before, std::string_view after, PositionEncoding encoding, std::size_t firstLine) {
    json edits = json::array();
    if (before == after) return edits;
    const std::vector<std::string_view> oldLines = cli::SplitKeepingLineEnds(before),
                                        newLines = cli::SplitKeepingLineEnds(after);
    const LineIndex index(before);
    auto startOf = [&](const std::vector<std::string_view> &lines, std::string_view text, std::size_t i) {
        return i < lines.size() ? static_cast<std::size_t>(lines[i].data() - text.data()) : text.size();
    };
    for (const cli::LineChange &c : cli::LineChanges(oldLines, newLines)) {
        Position from = index.PositionOf(startOf(oldLines, before, c.oldStart), encoding);
        Position to = index.PositionOf(startOf(oldLines, before, c.oldStart + c.oldCount), encoding);
        from.line += firstLine;
        to.line += firstLine;
        const std::size_t newFrom = startOf(newLines, after, c.newStart);
        edits.push_back(
            {{"range", {{"start", PositionJson(from)}, {"end", PositionJson(to)}}},
             {"newText", after.substr(newFrom, startOf(newLines, after, c.newStart + c.newCount) - newFrom)}});
    }
    return edits;
}

json Diagnostics(const Formatting &formatting, std::string_view text, PositionEncoding encoding) {
    json out = json::array();
    const LineIndex index(text);
    AddProblems(out, formatting.problems, Severity::Error, index, encoding);
    AddProblems(out, formatting.warnings, Severity::Information, index, encoding);
    for (const meaning::Difference &d : formatting.meaning.first) {
        const std::size_t from = std::min(d.offset, text.size());
        std::size_t to = std::min(from + d.length, text.size());
        if (to == from && from < text.size()) to = from + Utf8CharLength(static_cast<unsigned char>(text[from]));
        out.push_back(DiagnosticJson(RangeJson(index, from, to, encoding), Severity::Warning,
                                     "formatting would change what the SQL means: " + d.what));
    }
    return out;
}

std::string RefusalMessage(const Formatting &formatting, std::size_t firstLine) {
    for (const cli::Problem &p : formatting.problems)
        if (p.hasPosition)
            return "kelvra-format leaves the text as it is: " + std::to_string(p.line + firstLine) + ":" +
                   std::to_string(p.column) + ": " + p.message;
    if (!formatting.problems.empty())
        return "kelvra-format leaves the text as it is: " + formatting.problems.front().message;
    return "kelvra-format leaves the text as it is";
}

} // namespace kelvra::lsp
