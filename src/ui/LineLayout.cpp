#include "ui/LineLayout.h"

#include <QPainter>
#include <QtMath>
#include <QTextBoundaryFinder>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace kelvra {

namespace {

constexpr int kPiece = 2048;       // the length a long line is cut into
constexpr int kBorderSearch = 256; // how far back from there a better border is looked for
constexpr int kHeld = 32;          // pieces whose glyphs are kept
constexpr int kWordWindow = 8;     // pieces a word move looks through at most

// Format ranges of a line moved to make room for `length` preedit characters at `at`.
LineLayout::Formats MadeRoomAt(const LineLayout::Formats &formats, int at, int length) {
    LineLayout::Formats out;
    for (QTextLayout::FormatRange r : formats) {
        const int end = r.start + r.length;
        if (end <= at) {
            out << r;
        } else if (r.start >= at) {
            r.start += length;
            out << r;
        } else {
            QTextLayout::FormatRange after = r;
            r.length = at - r.start;
            after.start = at + length;
            after.length = end - at;
            out << r << after;
        }
    }
    return out;
}

bool IsMark(QChar c) {
    const QChar::Category category = c.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

} // namespace

LineLayout::LineLayout(const QString &text, const QFont &font, const Formats &formats, qreal tabStop)
    : text_(text), font_(font), formats_(formats), tabStop_(tabStop) {
    pieces_ = Split(0, int(text_.size()));
}

LineLayout::~LineLayout() = default;

// ---- Pieces ---------------------------------------------------------------------------

int LineLayout::LayoutLength() const { return int(text_.size() + (preeditAt_ >= 0 ? preedit_.size() : 0)); }

int LineLayout::PreeditPiece() const {
    const auto after =
        std::partition_point(pieces_.begin() + 1, pieces_.end(), [&](const Piece &p) { return p.start <= preeditAt_; });
    return int(after - pieces_.begin()) - 1;
}

int LineLayout::LayoutStart(int piece) const {
    const int start = pieces_[piece].start;
    return preeditAt_ >= 0 && start > preeditAt_ ? start + int(preedit_.size()) : start;
}

int LineLayout::LayoutLengthOf(int piece) const {
    const int length = pieces_[piece].length;
    return preeditAt_ >= 0 && piece == PreeditPiece() ? length + int(preedit_.size()) : length;
}

int LineLayout::PieceAt(int position, bool earlier) const {
    int low = 0, high = int(pieces_.size()) - 1; // the last piece starting at or before `position`
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (LayoutStart(mid) <= position)
            low = mid;
        else
            high = mid - 1;
    }
    if (earlier && low > 0 && LayoutStart(low) == position) --low;
    return low;
}

QString LineLayout::LayoutText(int from, int to) const {
    if (preeditAt_ < 0) return text_.mid(from, to - from);
    QString whole = text_;
    whole.insert(preeditAt_, preedit_); // only word moves with a preedit shown come here
    return whole.mid(from, to - from);
}

// A place to cut near `target` and before it, where shaping joins nothing across:
// best before a word of letters after a blank or a sign, else before any letter
// (digits and signs take the script of the letters before them, so a piece
// should not begin with them), else between two characters.
int LineLayout::Border(int target) const {
    const int low = target - kBorderSearch;
    const auto letter = [&](int b) {
        char32_t c = text_[b].unicode();
        if (text_[b].isHighSurrogate() && b + 1 < text_.size()) c = QChar::surrogateToUcs4(text_[b], text_[b + 1]);
        const QChar::Script script = QChar::script(c);
        return script != QChar::Script_Common && script != QChar::Script_Inherited && script != QChar::Script_Unknown;
    };
    const auto between = [&](int b) {
        if (text_[b].isLowSurrogate() || IsMark(text_[b])) return false;
        const int from = std::max(0, b - 16), to = std::min(int(text_.size()), b + 16);
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text_.constData() + from, to - from);
        graphemes.setPosition(b - from);
        return graphemes.isAtBoundary();
    };
    for (int b = target; b > low; --b)
        if ((text_[b - 1].isSpace() || text_[b - 1].isPunct()) && letter(b) && between(b)) return b;
    for (int b = target; b > low; --b)
        if (letter(b) && between(b)) return b;
    for (int b = target; b > low; --b)
        if (between(b)) return b;
    return text_[target - 1].isHighSurrogate() ? target + 1 : target;
}

std::vector<LineLayout::Piece> LineLayout::Split(int from, int to) const {
    std::vector<Piece> out;
    for (int at = from;;) {
        const int end = to - at > kLongLine ? Border(at + kPiece) : to;
        Piece piece;
        piece.start = at;
        piece.length = end - at;
        piece.hasTab = QStringView(text_).mid(at, end - at).contains(u'\t');
        piece.formats = FormatsOf(piece);
        out.push_back(std::move(piece));
        if (end == to) break;
        at = end;
    }
    return out;
}

LineLayout::Formats LineLayout::FormatsOf(const Piece &piece) const {
    const int end = piece.start + piece.length;
    Formats out;
    auto r = std::partition_point(formats_.begin(), formats_.end(),
                                  [&](const QTextLayout::FormatRange &f) { return f.start + f.length <= piece.start; });
    for (; r != formats_.end() && r->start < end; ++r) {
        const int from = std::max(r->start, piece.start), to = std::min(r->start + r->length, end);
        if (from < to) out.append({from - piece.start, to - from, r->format});
    }
    return out;
}

// ---- Layouts and measures -----------------------------------------------------------------

void LineLayout::Drop(Piece &piece) {
    if (piece.layout) --held_;
    piece.layout.reset();
}

QTextLayout &LineLayout::LayoutOf(int index) {
    Piece &piece = pieces_[index];
    piece.used = ++clock_;
    if (piece.layout && !piece.dirty) return *piece.layout;
    Drop(piece);
    auto layout =
        std::make_unique<QTextLayout>(pieces_.size() == 1 ? text_ : text_.mid(piece.start, piece.length), font_);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(tabStop_);
    layout->setTextOption(option);
    Formats formats = piece.formats;
    if (preeditAt_ >= 0 && index == PreeditPiece()) {
        const int at = preeditAt_ - piece.start;
        layout->setPreeditArea(at, preedit_);
        formats = MadeRoomAt(formats, at, int(preedit_.size()));
        for (QTextLayout::FormatRange r : preeditFormats_) {
            r.start += at;
            formats << r;
        }
    }
    layout->setFormats(formats);
    layout->setCacheEnabled(true);
    const auto layOut = [&] {
        layout->beginLayout();
        layout->createLine().setPosition(QPointF(0, 0));
        layout->endLayout();
    };
    layOut();
    if (piece.hasTab && piece.laidAt != 0) {
        // Tab stops count from the start of the layout: give the piece the line's
        // own stops, as far as its text reaches (which they move by less than one stop).
        const int stops = qCeil(layout->lineAt(0).naturalTextWidth() / tabStop_) + 2;
        QList<QTextOption::Tab> tabs;
        tabs.reserve(stops);
        for (int k = 1; k <= stops; ++k)
            tabs.append(QTextOption::Tab(k * tabStop_ - piece.laidAt, QTextOption::LeftTab));
        option.setTabs(tabs);
        layout->setTextOption(option);
        layOut();
    }
    piece.layout = std::move(layout);
    piece.dirty = false;
    if (++held_ > 2 * kHeld) {
        // Drops the least recently used down to kHeld, in one pass.
        std::vector<quint64> uses;
        for (const Piece &p : pieces_)
            if (p.layout) uses.push_back(p.used);
        std::nth_element(uses.begin(), uses.end() - kHeld, uses.end());
        const quint64 keepFrom = *(uses.end() - kHeld);
        for (Piece &p : pieces_)
            if (p.layout && p.used < keepFrom) Drop(p);
    }
    return *piece.layout;
}

// Lays a piece out where the one before it ends (its tab stops count from the
// line's start) and notes its width.
void LineLayout::MeasureOne(int index) {
    Piece &piece = pieces_[index];
    if (index > 0) piece.x = pieces_[index - 1].x + pieces_[index - 1].width;
    piece.laidAt = std::fmod(piece.x, tabStop_);
    piece.dirty = true;
    const QTextLine line = LayoutOf(index).lineAt(0);
    piece.width = line.cursorToX(LayoutLengthOf(index));
}

void LineLayout::MeasureTo(int piece) {
    while (measured_ <= piece) MeasureOne(measured_++);
}

// After a change from piece `from` on: each measured piece starts where the one
// before it ends; those changed, and those whose tab stops moved, are laid out again.
void LineLayout::Remeasure(int from) {
    for (int k = std::max(from, 0); k < measured_; ++k) {
        Piece &piece = pieces_[k];
        const qreal x = k > 0 ? pieces_[k - 1].x + pieces_[k - 1].width : 0;
        const bool stopsMoved = piece.hasTab && std::fmod(x, tabStop_) != piece.laidAt;
        piece.x = x;
        if (piece.dirty || stopsMoved) MeasureOne(k);
    }
}

// ---- Changes ----------------------------------------------------------------------------------

void LineLayout::SetPreedit(int at, const QString &preedit, const Formats &formats) {
    if (preedit.isEmpty()) at = -1;
    at = std::min(at, int(text_.size()));
    if (at == preeditAt_ && (at < 0 || (preedit == preedit_ && formats == preeditFormats_))) return;
    const int before = preeditAt_ >= 0 ? PreeditPiece() : -1;
    preeditAt_ = at;
    preedit_ = at >= 0 ? preedit : QString();
    preeditFormats_ = at >= 0 ? formats : Formats();
    const int now = preeditAt_ >= 0 ? PreeditPiece() : -1;
    if (before >= 0) pieces_[before].dirty = true;
    if (now >= 0) pieces_[now].dirty = true;
    Remeasure(before < 0 ? now : now < 0 ? before : std::min(before, now));
}

bool LineLayout::Edit(const QString &text, const Formats &formats, int from, int removed, int added) {
    if (!IsPieced() || text.size() <= kLongLine) return false;
    if (preeditAt_ >= 0) SetPreedit(-1, {}, {});
    // The pieces the change touches (at a border, the one before it) are cut anew.
    const int delta = added - removed;
    const int first = PieceAt(from, true);
    int last = std::max(first, PieceAt(from + removed, true));
    int regionTo = pieces_[last].start + pieces_[last].length + delta;
    const int regionFrom = pieces_[first].start;
    if (regionTo - regionFrom < kPiece / 4 && last + 1 < int(pieces_.size())) {
        ++last; // a piece cut short joins the one after it
        regionTo += pieces_[last].length;
    }
    text_ = text;
    formats_ = formats;
    for (int k = first; k <= last; ++k) Drop(pieces_[k]);
    for (int k = last + 1; k < int(pieces_.size()); ++k) pieces_[k].start += delta;
    std::vector<Piece> made = Split(regionFrom, regionTo);
    const int replaced = last - first + 1, count = int(made.size());
    pieces_.erase(pieces_.begin() + first, pieces_.begin() + last + 1);
    pieces_.insert(pieces_.begin() + first, std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    measured_ = measured_ > last ? measured_ + count - replaced : std::min(measured_, first);
    // Bold may have moved beyond the edit too.
    Remeasure(std::min(first, Reformat(first, first + count)));
    return true;
}

void LineLayout::SetFormats(const Formats &formats) {
    formats_ = formats;
    Remeasure(Reformat(0, 0));
}

// Gives the pieces outside [skipFrom, skipTo) their part of the line's formats; the
// first piece whose formats changed (the piece count when none did).
int LineLayout::Reformat(int skipFrom, int skipTo) {
    int changed = PieceCount();
    for (int k = 0; k < PieceCount(); ++k) {
        if (k >= skipFrom && k < skipTo) continue;
        Formats now = FormatsOf(pieces_[k]);
        if (now == pieces_[k].formats) continue;
        pieces_[k].formats = std::move(now);
        pieces_[k].dirty = true;
        changed = std::min(changed, k);
    }
    return changed;
}

// ---- Queries ------------------------------------------------------------------------------------

qreal LineLayout::CursorToX(int position) {
    position = std::clamp(position, 0, LayoutLength());
    const int k = PieceAt(position, false);
    MeasureTo(k);
    return pieces_[k].x + LayoutOf(k).lineAt(0).cursorToX(position - LayoutStart(k));
}

int LineLayout::XToCursor(qreal x) {
    const auto measuredEnd = [&] {
        return measured_ > 0 ? pieces_[measured_ - 1].x + pieces_[measured_ - 1].width : 0;
    };
    while (measured_ < int(pieces_.size()) && measuredEnd() <= x) MeasureTo(measured_);
    if (measured_ == 0) MeasureTo(0);
    const auto after = std::partition_point(pieces_.begin() + 1, pieces_.begin() + measured_,
                                            [&](const Piece &p) { return p.x <= x; });
    const int k = int(after - pieces_.begin()) - 1;
    return LayoutStart(k) + LayoutOf(k).lineAt(0).xToCursor(x - pieces_[k].x, QTextLine::CursorBetweenCharacters);
}

// A character or word move. Pieces cut words and graphemes' neighbourhoods, so a
// long line is asked through a window of pieces around the position, grown while
// the answer falls on its edge (a word longer than the widest window ends there).
int LineLayout::Step(int position, QTextLayout::CursorMode mode, bool forward) {
    if (!IsPieced()) {
        QTextLayout &layout = LayoutOf(0);
        return forward ? layout.nextCursorPosition(position, mode) : layout.previousCursorPosition(position, mode);
    }
    const int k = PieceAt(position, !forward), last = int(pieces_.size()) - 1;
    int from = std::max(0, k - 1), to = std::min(last, k + 1);
    for (;;) {
        const int start = LayoutStart(from), end = LayoutStart(to) + LayoutLengthOf(to);
        QTextLayout window(LayoutText(start, end), font_);
        const int local = position - start;
        const int found =
            start + (forward ? window.nextCursorPosition(local, mode) : window.previousCursorPosition(local, mode));
        const bool onOpenEdge = forward ? found == end && to < last : found == start && from > 0;
        if (!onOpenEdge || to - from + 1 >= kWordWindow) return found;
        if (forward)
            ++to;
        else
            --from;
    }
}

int LineLayout::PreviousCursorPosition(int position, QTextLayout::CursorMode mode) {
    return Step(position, mode, false);
}

int LineLayout::NextCursorPosition(int position, QTextLayout::CursorMode mode) { return Step(position, mode, true); }

qreal LineLayout::Width(bool exact) {
    if (!IsPieced()) return LayoutOf(0).lineAt(0).naturalTextWidth();
    if (exact) MeasureTo(int(pieces_.size()) - 1);
    if (measured_ == 0) MeasureTo(0);
    const Piece &end = pieces_[measured_ - 1];
    const qreal measuredWidth = end.x + end.width;
    const int measuredLength = end.start + end.length;
    return measuredWidth + measuredWidth / measuredLength * (int(text_.size()) - measuredLength);
}

void LineLayout::Draw(QPainter *painter, const QPointF &baseline, const Formats &selections, const QRectF &clip) {
    const qreal left = clip.left() - baseline.x(), right = clip.right() + 1 - baseline.x();
    const int count = int(pieces_.size());
    // The piece at the clip's left and those up to its right, one more either side for overhangs.
    int k = std::max(0, PieceAt(XToCursor(left), false) - 1);
    for (; k < count; ++k) {
        MeasureTo(k);
        const Piece &piece = pieces_[k];
        if (k > 0 && pieces_[k - 1].x > right) break;
        const int start = LayoutStart(k), end = start + LayoutLengthOf(k);
        Formats selected;
        for (QTextLayout::FormatRange r : selections) {
            const int from = std::max(r.start, start), to = std::min(r.start + r.length, end);
            if (from >= to) continue;
            r.start = from - start;
            r.length = to - from;
            selected << r;
        }
        QTextLayout &layout = LayoutOf(k);
        const QPointF origin(baseline.x() + piece.x, baseline.y() - layout.lineAt(0).ascent());
        layout.draw(painter, origin, selected, clip);
    }
}

} // namespace kelvra
