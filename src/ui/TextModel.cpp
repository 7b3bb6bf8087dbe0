#include "ui/TextModel.h"

#include "ui/BoldSpans.h"
#include "ui/TextHistory.h"
#include "ui/TextLines.h"

#include <algorithm>
#include <iterator>

namespace kelvra {

namespace {

constexpr std::size_t kManyLines = 10'000; // a text worth freeing away from the window

int SizeOf(const QString &text) { return static_cast<int>(text.size()); }

// The range a step changed, followed through its changes as they move the text.
class ChangedRange {
public:
    void Add(const TextChange &change) {
        const int addedEnd = change.from + change.added;
        if (!any_) {
            start_ = change.from;
            end_ = addedEnd;
            any_ = true;
            return;
        }
        const auto moved = [&](int p, int inside) {
            if (p < change.from) return p;
            if (p >= change.from + change.removed) return p + change.added - change.removed;
            return inside;
        };
        start_ = std::min(moved(start_, change.from), change.from);
        end_ = std::max(moved(end_, addedEnd), addedEnd);
    }
    EditorRange Range() const { return {start_, end_ - start_}; }

private:
    bool any_ = false;
    int start_ = 0;
    int end_ = 0;
};

} // namespace

// ---- TextContent ----------------------------------------------------------------

TextContent::TextContent(const QTextCharFormat &format) : lines_(1), formats_{format} {}

void TextContent::Append(QStringView text, const QTextCharFormat &format) {
    const int index = InternFormat(formats_, format, formatHint_);
    const std::vector<QStringView> pieces = SplitAtBreaks(text);
    // Growing by moving lines costs more than making them: room for all at once,
    // growing geometrically so that many small appends stay linear.
    const std::size_t needed = lines_.size() + pieces.size() - 1;
    if (needed > lines_.capacity()) lines_.reserve(std::max(needed, 2 * lines_.capacity()));
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0) lines_.emplace_back();
        TextLine &line = lines_.back();
        if (line.text.isEmpty()) {
            line.text = pieces[k].toString(); // allocated to size, where append would leave room to grow
        } else {
            line.text.append(pieces[k]);
        }
        AddRun(line.runs, static_cast<int>(pieces[k].size()), index);
    }
}

void TextContent::SetBold(const std::vector<EditorRange> &ranges) {
    BoldSpans spans;
    spans.Assign(ranges);
    ScatterBold(lines_.data(), LineCount(), false, spans.Spans());
}

int TextContent::LineCount() const { return static_cast<int>(lines_.size()); }

int TextContent::Length() const {
    int length = -1;
    for (const TextLine &line : lines_) length += SizeOf(line.text) + 1;
    return length;
}

// ---- The model's state ----------------------------------------------------------

struct TextModel::State {
    explicit State(TextModel *model) : q(model) {}

    TextModel *q;
    LineStore lines;
    std::vector<QTextCharFormat> formats{QTextCharFormat()};
    int formatHint = 0;
    QTextCharFormat defaultFormat;
    TextHistory history;

    int LineCount() const { return lines.Count(); }
    std::vector<TextLine> Copy(int first, int last) const;

    void Replace(int from, int removed, QStringView text, const QTextCharFormat &format);
    void Restyle(int from, int length, const std::function<int(int)> &restyle);
    void EraseBold(int from, int to);
    void ReplaceAll(TextContent content);
    std::vector<TextLine> Take(TextContent &content);

    void Change(int first, int count, std::vector<TextLine> made, bool textChanged, TextChange change);
    bool Unchanged(int first, const std::vector<TextLine> &made) const;
    TextChange Apply(TextRecord &record, bool undo);
    void Announce(bool whole, bool textChanged, const TextChange &change);
    void NoteModified(bool wasModified);
};

void TextModel::State::Replace(int from, int removed, QStringView text, const QTextCharFormat &format) {
    const int length = lines.Length();
    from = std::clamp(from, 0, length);
    removed = std::clamp(removed, 0, length - from);
    if (removed == 0 && text.isEmpty()) return;
    const int first = lines.LineOf(from), last = lines.LineOf(from + removed);
    const int headLength = from - lines.Start(first), tailFrom = from + removed - lines.Start(last);
    const TextLine &head = lines.Line(first), &tail = lines.Line(last);
    const int added = static_cast<int>(text.size());
    const int formatIndex = InternFormat(formats, format, formatHint);

    const std::vector<QStringView> pieces = SplitAtBreaks(text);
    std::vector<TextLine> made(pieces.size());
    made.front().text = head.text.first(headLength);
    AddRuns(made.front().runs, head.runs, 0, headLength);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        made[k].text += pieces[k];
        AddRun(made[k].runs, static_cast<int>(pieces[k].size()), formatIndex);
    }
    made.back().text += QStringView(tail.text).sliced(tailFrom);
    AddRuns(made.back().runs, tail.runs, tailFrom, SizeOf(tail.text));

    BoldSpans bold;
    bold.Assign(GatherBold([&](int k) -> const TextLine & { return lines.Line(first + k); }, last - first + 1));
    bold.Edit(headLength, removed, added);
    ScatterBold(made.data(), static_cast<int>(made.size()), last < LineCount() - 1, bold.Spans());
    Change(first, last - first + 1, std::move(made), true, {from, removed, added});
}

void TextModel::State::Restyle(int from, int length, const std::function<int(int)> &restyle) {
    from = std::clamp(from, 0, lines.Length());
    const int to = std::clamp(from + std::max(length, 0), from, lines.Length());
    if (from == to) return;
    const int first = lines.LineOf(from), last = lines.LineOf(to - 1);
    std::vector<TextLine> made = Copy(first, last);
    int lineStart = lines.Start(first);
    for (TextLine &line : made) {
        const int start = std::max(from, lineStart) - lineStart;
        const int end = std::min(to, lineStart + SizeOf(line.text)) - lineStart;
        if (start < end) RestyleRuns(line, start, end, restyle);
        lineStart += SizeOf(line.text) + 1;
    }
    Change(first, last - first + 1, std::move(made), false, {from, to - from, to - from});
}

void TextModel::State::EraseBold(int from, int to) {
    from = std::clamp(from, 0, lines.Length());
    to = std::clamp(to, from, lines.Length());
    if (from == to) return;
    // Up to the line holding `to`: erasing a line break ends the range that went on over it.
    const int first = lines.LineOf(from), last = lines.LineOf(to);
    const int start = lines.Start(first);
    std::vector<TextLine> made = Copy(first, last);
    BoldSpans bold;
    bold.Assign(GatherBold([&](int k) -> const TextLine & { return made[k]; }, last - first + 1));
    bold.Erase(from - start, to - start);
    ScatterBold(made.data(), static_cast<int>(made.size()), last < LineCount() - 1, bold.Spans());
    Change(first, last - first + 1, std::move(made), false, {from, to - from, to - from});
}

// Makes `content` the text; the lines it replaces.
std::vector<TextLine> TextModel::State::Take(TextContent &content) {
    if (content.lines_.empty()) content.lines_.emplace_back();
    formats = std::move(content.formats_);
    if (formats.empty()) formats.emplace_back();
    defaultFormat = formats.front();
    formatHint = 0;
    return lines.Exchange(std::move(content.lines_));
}

void TextModel::State::ReplaceAll(TextContent content) {
    TextRecord old;
    old.whole = true;
    old.textChanged = true;
    const int oldLength = lines.Length();
    old.formats = std::move(formats);
    old.defaultFormat = defaultFormat;
    old.lines = Take(content);
    old.change = {0, oldLength, lines.Length()};
    const bool wasModified = !history.Clean();
    history.AddWhole(std::move(old));
    emit q->WholeTextReplaced();
    NoteModified(wasModified);
}

// Puts `made` in place of lines [first, first + count) and records the change;
// nothing happens when the lines stay as they were.
void TextModel::State::Change(int first, int count, std::vector<TextLine> made, bool textChanged, TextChange change) {
    const int madeCount = static_cast<int>(made.size());
    if (madeCount == count && Unchanged(first, made)) return;
    const bool wasModified = !history.Clean();
    lines.Swap(first, count, made); // `made` now holds the lines it replaced
    history.AddLines(first, count, madeCount, textChanged, change, [&] { return std::move(made); });
    Announce(false, textChanged, change);
    NoteModified(wasModified);
}

std::vector<TextLine> TextModel::State::Copy(int first, int last) const {
    std::vector<TextLine> copy;
    copy.reserve(static_cast<std::size_t>(last - first + 1));
    for (int line = first; line <= last; ++line) copy.push_back(lines.Line(line));
    return copy;
}

bool TextModel::State::Unchanged(int first, const std::vector<TextLine> &made) const {
    for (std::size_t k = 0; k < made.size(); ++k)
        if (!(made[k] == lines.Line(first + static_cast<int>(k)))) return false;
    return true;
}

// Undoes or redoes one record; the change it made.
TextChange TextModel::State::Apply(TextRecord &record, bool undo) {
    const TextChange change = undo ? record.change.Reversed() : record.change;
    if (record.whole) {
        record.lines = lines.Exchange(std::move(record.lines));
        std::swap(formats, record.formats);
        std::swap(defaultFormat, record.defaultFormat);
        formatHint = 0;
    } else {
        const int placed = static_cast<int>(record.lines.size());
        lines.Swap(record.first, record.count, record.lines);
        record.count = placed;
    }
    Announce(record.whole, record.textChanged, change);
    return change;
}

void TextModel::State::Announce(bool whole, bool textChanged, const TextChange &change) {
    if (whole) {
        emit q->WholeTextReplaced();
    } else if (textChanged) {
        emit q->TextChanged(change.from, change.removed, change.added);
    } else {
        emit q->FormatsChanged(change.from, change.added);
    }
}

void TextModel::State::NoteModified(bool wasModified) {
    const bool modified = !history.Clean();
    if (modified != wasModified) emit q->ModifiedChanged(modified);
}

// ---- TextModel: reading -----------------------------------------------------------

TextModel::TextModel(QObject *parent) : QObject(parent), d_(std::make_unique<State>(this)) {}
TextModel::~TextModel() = default;

int TextModel::Length() const { return d_->lines.Length(); }
int TextModel::LineCount() const { return d_->LineCount(); }
int TextModel::LineStart(int line) const { return d_->lines.Start(std::clamp(line, 0, LineCount() - 1)); }
int TextModel::LineOf(int position) const { return d_->lines.LineOf(position); }
const TextLine &TextModel::Line(int line) const { return d_->lines.Line(std::clamp(line, 0, LineCount() - 1)); }
const QTextCharFormat &TextModel::Format(int index) const { return d_->formats[index]; }
const QTextCharFormat &TextModel::DefaultFormat() const { return d_->defaultFormat; }
void TextModel::SetDefaultFormat(const QTextCharFormat &format) { d_->defaultFormat = format; }

QString TextModel::Text(int from, int length) const {
    from = std::clamp(from, 0, Length());
    const int to = length < 0 ? Length() : std::clamp(from + length, from, Length());
    QString out;
    out.reserve(to - from);
    for (int line = LineOf(from), lineStart = LineStart(line); line < LineCount() && lineStart <= to; ++line) {
        const QString &text = d_->lines.Line(line).text;
        const int start = std::max(from - lineStart, 0), end = std::min(to - lineStart, SizeOf(text));
        if (start < end) out += QStringView(text).sliced(start, end - start);
        if (lineStart + SizeOf(text) < to) out += u'\n';
        lineStart += SizeOf(text) + 1;
    }
    return out;
}

QTextCharFormat TextModel::FormatAt(int position) const {
    const int line = LineOf(position);
    const int format = FormatIndexAt(d_->lines.Line(line), std::max(position - LineStart(line), 0));
    return format < 0 ? d_->defaultFormat : d_->formats[format];
}

QList<QTextLayout::FormatRange> TextModel::DrawingFormats(int line) const {
    const TextLine &text = Line(line);
    QList<QTextLayout::FormatRange> out;
    std::size_t b = 0; // the first bold range that may still reach the current position
    for (const FormatRun &run : text.runs) {
        for (int at = run.start, end = run.start + run.length; at < end;) {
            while (b < text.bold.size() && text.bold[b].end <= at) ++b;
            const bool bold = b < text.bold.size() && text.bold[b].start <= at;
            const int next = b < text.bold.size() ? (bold ? text.bold[b].end : text.bold[b].start) : end;
            QTextCharFormat format = d_->formats[run.format];
            if (bold) format.setFontWeight(QFont::Bold);
            out.append({at, std::min(next, end) - at, format});
            at = std::min(next, end);
        }
    }
    return out;
}

std::vector<EditorRange> TextModel::BoldRanges() const {
    return GatherBold([this](int line) -> const TextLine & { return d_->lines.Line(line); }, LineCount());
}

// ---- TextModel: changing ------------------------------------------------------------

void TextModel::Replace(int from, int removed, QStringView text, const QTextCharFormat &format) {
    d_->history.Begin(false);
    d_->Replace(from, removed, text, format);
    d_->history.End();
}

void TextModel::Type(int from, int removed, QStringView text, const QTextCharFormat &format) {
    from = std::clamp(from, 0, Length());
    d_->history.Begin(d_->history.JoinsTyping(from, removed, text));
    d_->Replace(from, removed, text, format);
    d_->history.End();
    // Only a typed character (not a line break) leaves the step open to the next one.
    const bool character = text.size() == 1 && !IsLineBreak(text[0].unicode());
    if (!d_->history.InStep() && character) d_->history.SetTypingEnd(from + 1);
}

void TextModel::SetFormat(int from, int length, const QTextCharFormat &format) {
    const int index = InternFormat(d_->formats, format, d_->formatHint);
    d_->history.Begin(false);
    d_->Restyle(from, length, [index](int) { return index; });
    d_->history.End();
}

void TextModel::MergeFormat(int from, int length, const QTextCharFormat &format) {
    std::vector<std::pair<int, int>> merged; // format before -> after, for this call
    d_->history.Begin(false);
    d_->Restyle(from, length, [&](int before) {
        for (const auto &[was, is] : merged)
            if (was == before) return is;
        QTextCharFormat result = d_->formats[before];
        result.merge(format);
        merged.emplace_back(before, InternFormat(d_->formats, result, d_->formatHint));
        return merged.back().second;
    });
    d_->history.End();
}

void TextModel::EraseBold(int from, int to) {
    d_->history.Begin(false);
    d_->EraseBold(from, to);
    d_->history.End();
}

void TextModel::BeginStep(bool joinPrevious) { d_->history.Begin(joinPrevious); }
void TextModel::EndStep() { d_->history.End(); }

void TextModel::Reset(TextContent content) {
    const bool wasModified = Modified();
    d_->history.Clear();
    std::vector<TextLine> old = d_->Take(content);
    const bool large = old.size() > kManyLines;
    Release(std::move(old), large);
    emit WholeTextReplaced();
    d_->NoteModified(wasModified);
}

void TextModel::ReplaceAll(TextContent content) {
    d_->history.Begin(false);
    d_->ReplaceAll(std::move(content));
    d_->history.End();
}

// ---- TextModel: history ---------------------------------------------------------------

bool TextModel::CanUndo() const { return d_->history.CanUndo(); }
bool TextModel::CanRedo() const { return d_->history.CanRedo(); }

std::optional<EditorRange> TextModel::Undo() {
    if (!CanUndo()) return std::nullopt;
    const bool wasModified = Modified();
    TextHistory::Step &step = d_->history.TakeUndo();
    ChangedRange range;
    for (auto record = step.records.rbegin(); record != step.records.rend(); ++record)
        range.Add(d_->Apply(*record, true));
    d_->NoteModified(wasModified);
    return range.Range();
}

std::optional<EditorRange> TextModel::Redo() {
    if (!CanRedo()) return std::nullopt;
    const bool wasModified = Modified();
    TextHistory::Step &step = d_->history.TakeRedo();
    ChangedRange range;
    for (TextRecord &record : step.records) range.Add(d_->Apply(record, false));
    d_->NoteModified(wasModified);
    return range.Range();
}

bool TextModel::Modified() const { return !d_->history.Clean(); }

void TextModel::SetModified(bool modified) {
    const bool wasModified = Modified();
    d_->history.MarkClean(!modified);
    d_->NoteModified(wasModified);
}

} // namespace kelvra
