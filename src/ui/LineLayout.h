#pragma once
// How the text view lays out one line (no wrapping). An ordinary line is one
// QTextLayout. A very long one is a row of pieces of a few thousand characters,
// each its own QTextLayout that starts at the x where the piece before it ends,
// so that drawing, hit testing, caret moves and edits cost the pieces they
// touch rather than the whole line:
// - pieces are measured from the left only as far as something asks (the rest
//   of the line's width is estimated until then), and a piece's glyphs are
//   kept only while it is in use;
// - an edit lays out again only the pieces it touches; the pieces after it
//   move by the change in width (a piece with tabs is laid out again when its
//   tab stops move: they are the line's, given to the piece);
// - borders fall before a letter, after a blank or a sign where one is near,
//   and never inside a character with its combining marks or a surrogate pair.
//
// Positions are in the layout's text: the line's text with the input method's
// preedit put in at its column. x is measured from the start of the line.

#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <vector>

class QPainter;

namespace kelvra {

class LineLayout {
public:
    using Formats = QList<QTextLayout::FormatRange>;
    static constexpr int kLongLine = 4096; // longer lines are laid out in pieces

    // `formats` are relative to the line, as TextModel::DrawingFormats gives them.
    LineLayout(const QString &text, const QFont &font, const Formats &formats, qreal tabStop);
    ~LineLayout();
    LineLayout(const LineLayout &) = delete;
    LineLayout &operator=(const LineLayout &) = delete;

    bool IsPieced() const { return pieces_.size() > 1; }
    int PieceCount() const { return int(pieces_.size()); }

    // Shows `preedit` at column `at` with `formats` (relative to the preedit); at < 0 removes it.
    void SetPreedit(int at, const QString &preedit, const Formats &formats);
    // The line's text is now `text`: at column `from`, `removed` characters became `added`.
    // False when the line is better laid out anew (it is not, or no longer, long).
    bool Edit(const QString &text, const Formats &formats, int from, int removed, int added);
    // The line's formats changed, not its text: the pieces whose formats changed are laid out again.
    void SetFormats(const Formats &formats);

    qreal CursorToX(int position);
    int XToCursor(qreal x); // between characters
    int PreviousCursorPosition(int position, QTextLayout::CursorMode mode);
    int NextCursorPosition(int position, QTextLayout::CursorMode mode);
    // The width of the text; unless `exact`, the part not yet measured is estimated.
    qreal Width(bool exact);
    bool WidthKnown() const { return measured_ == PieceCount() || !IsPieced(); }
    // Draws the pieces that `clip` touches, the baseline at `baseline`.
    void Draw(QPainter *painter, const QPointF &baseline, const Formats &selections, const QRectF &clip);

private:
    struct Piece {
        int start = 0; // column in the line's text
        int length = 0;
        bool hasTab = false;
        Formats formats; // relative to the piece
        qreal x = 0;     // where it starts, once measured
        qreal width = 0;
        bool dirty = true; // its layout and width are out of date
        std::unique_ptr<QTextLayout> layout;
        qreal laidAt = 0; // x modulo the tab stop distance when its layout was made (where its tab stops are)
        quint64 used = 0;
    };

    int LayoutLength() const;
    int LayoutStart(int piece) const;
    int LayoutLengthOf(int piece) const;
    int PreeditPiece() const;
    // The piece holding layout position `position`; at a border, the earlier one if `earlier`.
    int PieceAt(int position, bool earlier) const;
    QString LayoutText(int from, int to) const;
    std::vector<Piece> Split(int from, int to) const;
    int Border(int target) const;
    Formats FormatsOf(const Piece &piece) const;
    void AssignFormats(std::vector<Piece> &pieces) const;
    void MeasureTo(int piece);
    void MeasureOne(int piece);
    void Remeasure(int from);
    int Reformat(int skipFrom, int skipTo);
    QTextLayout &LayoutOf(int piece);
    void Drop(Piece &piece);
    int Step(int position, QTextLayout::CursorMode mode, bool forward);

    QString text_;
    QFont font_;
    Formats formats_;
    qreal tabStop_;
    int preeditAt_ = -1;
    QString preedit_;
    Formats preeditFormats_;
    std::vector<Piece> pieces_;
    int measured_ = 0; // pieces [0, measured_) have their x and width
    int held_ = 0;     // pieces holding a layout
    quint64 clock_ = 0;
};

} // namespace kelvra
