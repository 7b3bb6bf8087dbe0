// The editor's text view on lines long enough to be laid out in pieces: the
// caret, hit tests, moves, selections, typing, the input method and the pixels
// must agree with one QTextLayout of the whole line (what a short line is)
// everywhere, and above all where one piece ends and the next begins.
#include "ui/TextView.h"

#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTextLayout>

using namespace kelvra;

namespace {

// Dumps of rows in one statement: CJK, signs, no blanks.
QString Rows(int length) {
    QString text = QStringLiteral("insert into t values ");
    for (int i = 1; text.size() < length; ++i) text += QStringLiteral("(%1,'名前%1'),").arg(i);
    return text;
}

// Blanks, tabs at uneven places, combining marks and characters outside the BMP.
QString Mixed(int length) {
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += QStringLiteral("select a%1,%2b from t where c = 'e\u0301te' and d = '\U0001F600' or x < %3; ")
                    .arg(i)
                    .arg(QString(i % 7, u' ') + u'\t')
                    .arg(i * 31);
    return text;
}

// One word longer than a piece, between blanks.
QString LongWord(int length) {
    return QStringLiteral("select ") + QString(length, u'x') + QStringLiteral(" from t where y = 1");
}

// The whole line as one QTextLayout in the view's font, as the view lays out a short line.
struct OneLayout {
    QTextLayout layout;
    OneLayout(const QString &text, const QFont &font, int preeditAt = -1, const QString &preedit = {},
              const QList<QTextLayout::FormatRange> &formats = {})
        : layout(text, font) {
        if (preeditAt >= 0) layout.setPreeditArea(preeditAt, preedit);
        layout.setFormats(formats);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setTabStopDistance(80);
        layout.setTextOption(option);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
    }
    qreal X(int position) const { return layout.lineAt(0).cursorToX(position); }
    int At(qreal x) const { return layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters); }
};

struct Shown {
    TextView view;
    explicit Shown(const QString &text) {
        view.resize(600, 200);
        Load(text);
        view.show();
    }
    void Load(const QString &text) {
        TextContent content;
        content.Append(text, {});
        view.Model().Reset(std::move(content));
    }
    QString Text() const { return view.Model().Text(); }
    // The x of a caret place from the line's start, and a point of the viewport at x.
    int X(int position) const { return view.CursorRect(position).x() - view.CursorRect(0).x(); }
    QPoint PointAt(qreal x) const { return {view.CursorRect(0).x() + qFloor(x), view.CursorRect(0).center().y()}; }
};

// Caret places around the borders a long line is cut at (every few thousand
// characters) and a few far from them, and the end.
QList<int> PlacesToCheck(const QString &text) {
    QList<int> places;
    for (int around = 2048; around < text.size(); around += 2048)
        for (int p = around - 600; p <= around + 40 && p <= text.size(); ++p) places << p;
    places << 0 << 1 << int(text.size()) / 3 << int(text.size()) - 1 << int(text.size());
    QList<int> out;
    for (int p : places)
        if (p >= 0 && p <= text.size() && !(p > 0 && text[p - 1].isHighSurrogate())) out << p;
    return out;
}

void Texts() {
    QTest::addColumn<QString>("text");
    QTest::newRow("rows") << Rows(9000);
    QTest::newRow("blanks, tabs, marks, faces") << Mixed(9000);
    QTest::newRow("a word longer than a piece") << LongWord(7000);
}

void SendPreedit(QWidget *view, const QString &text) {
    QInputMethodEvent event(text, {{QInputMethodEvent::Cursor, int(text.size()), 1, {}}});
    QCoreApplication::sendEvent(view, &event);
}

QVariant Query(QWidget *view, Qt::InputMethodQuery query) {
    QInputMethodQueryEvent event(query);
    QCoreApplication::sendEvent(view, &event);
    return event.value(query);
}

} // namespace

class TextViewLongLineTest : public QObject {
    Q_OBJECT
private slots:
    // The caret stands where one layout of the whole line puts it, a click
    // finds the place one layout finds, and Right and Left step as it steps.
    void caretAndHitTestsAgreeWithOneLayout_data() { Texts(); }
    void caretAndHitTestsAgreeWithOneLayout() {
        QFETCH(QString, text);
        Shown s(text);
        const OneLayout one(text, s.view.DefaultFont());
        for (int p : PlacesToCheck(text)) {
            QVERIFY2(qAbs(s.X(p) - one.X(p)) <= 1,
                     qPrintable(QString("at %1: %2, one layout %3").arg(p).arg(s.X(p)).arg(one.X(p))));
            // A third of the way into the character after p, if it is wide enough to aim at.
            const qreal next = one.X(one.layout.nextCursorPosition(p));
            if (next - one.X(p) < 3) continue;
            const int x = qRound((2 * one.X(p) + next) / 3);
            QCOMPARE(s.view.PositionAt(s.PointAt(x)), one.At(x));
        }
        for (int p : PlacesToCheck(text)) {
            if (p == text.size()) continue;
            s.view.SetCaret(p);
            QTest::keyClick(&s.view, Qt::Key_Right);
            QCOMPARE(s.view.Position(), one.layout.nextCursorPosition(p));
            QTest::keyClick(&s.view, Qt::Key_Left);
            QCOMPARE(s.view.Position(), one.layout.previousCursorPosition(one.layout.nextCursorPosition(p)));
        }
    }

    // Ctrl+Right and Ctrl+Left go by the words of the whole line, and Shift
    // selects across borders.
    void wordMovesAndSelectionAcrossPieces_data() { Texts(); }
    void wordMovesAndSelectionAcrossPieces() {
        QFETCH(QString, text);
        Shown s(text);
        const OneLayout one(text, s.view.DefaultFont());
        for (int p = 1800; p < 4400; p = one.layout.nextCursorPosition(p, QTextLayout::SkipWords)) {
            s.view.SetCaret(p);
            QTest::keyClick(&s.view, Qt::Key_Right, Qt::ControlModifier);
            QCOMPARE(s.view.Position(), one.layout.nextCursorPosition(p, QTextLayout::SkipWords));
        }
        for (int p = 4400; p > 1800; p = one.layout.previousCursorPosition(p, QTextLayout::SkipWords)) {
            s.view.SetCaret(p);
            QTest::keyClick(&s.view, Qt::Key_Left, Qt::ControlModifier);
            QCOMPARE(s.view.Position(), one.layout.previousCursorPosition(p, QTextLayout::SkipWords));
        }
        s.view.SetCaret(1900);
        for (int i = 0; i < 400; ++i) QTest::keyClick(&s.view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(s.view.SelectedText(), text.mid(1900, s.view.Position() - 1900));
        QVERIFY(s.view.Position() > 2200);

        // A drag of the mouse over a border.
        QWidget *port = s.view.viewport();
        s.view.SetCaret(2100);
        s.view.horizontalScrollBar()->setValue(qRound(one.X(2100)) - 300);
        const QPoint from = s.PointAt(one.X(2100)), to = s.PointAt(one.X(2100) - 150);
        QVERIFY(port->rect().contains(from) && port->rect().contains(to));
        QTest::mousePress(port, Qt::LeftButton, {}, from);
        QTest::mouseMove(port, to);
        QTest::mouseRelease(port, Qt::LeftButton, {}, to);
        QCOMPARE(s.view.SelectionEnd(), 2100);
        QCOMPARE(s.view.SelectionStart(), one.At(qFloor(one.X(2100) - 150)));
    }

    // Typing and deleting at and around borders keeps the line's places where
    // one layout of the new text has them, as do pieces grown past their
    // length and a line cut back to a short one.
    void editsKeepTheLineLaidOutAsOne() {
        Shown s(Mixed(9000));
        const auto agrees = [&s]() -> bool {
            const QString text = s.Text();
            const OneLayout one(text, s.view.DefaultFont());
            for (int p : PlacesToCheck(text))
                if (qAbs(s.X(p) - one.X(p)) > 1) {
                    qWarning("at %d: %d, one layout %g", p, s.X(p), one.X(p));
                    return false;
                }
            return true;
        };
        QTest::keyClick(&s.view, Qt::Key_End); // the whole line measured, so that edits move what follows
        QString expected = s.Text();
        // A letter typed at each place before the first border and up to it (where exactly it
        // falls is the view's business): the caret and the places after it stay right.
        for (int at = 2000; at <= 2048; ++at) {
            if (expected[at - 1].isHighSurrogate()) continue;
            s.view.SetCaret(at);
            QTest::keyClick(&s.view, Qt::Key_Q);
            expected.insert(at, u'q');
            QCOMPARE(s.view.Position(), at + 1);
            const OneLayout one(expected, s.view.DefaultFont());
            for (int p : {at, at + 1, at + 2, at + 40, int(expected.size())})
                QVERIFY2(qAbs(s.X(p) - one.X(p)) <= 1, qPrintable(QString("typed at %1, at %2").arg(at).arg(p)));
        }
        QCOMPARE(s.Text(), expected);
        for (int at : {2048, 2047, 1900, 4100, 6000}) {
            s.view.SetCaret(at);
            QTest::keyClicks(&s.view, QStringLiteral("ab\tc"));
            expected.insert(at, QStringLiteral("ab\tc"));
            QCOMPARE(s.Text(), expected);
            QCOMPARE(s.view.Position(), at + 4);
            QVERIFY(agrees());
        }
        s.view.SetCaret(2040);
        QTest::keyClicks(&s.view, QString(3000, u'w')); // grows the piece past its length
        expected.insert(2040, QString(3000, u'w'));
        QCOMPARE(s.Text(), expected);
        QVERIFY(agrees());
        s.view.SetSelection(1000, 7000); // takes pieces out whole and cuts others
        QTest::keyClick(&s.view, Qt::Key_Backspace);
        expected.remove(1000, 6000);
        QCOMPARE(s.Text(), expected);
        QVERIFY(agrees());
        s.view.SetSelection(100, int(expected.size()) - 100);
        QTest::keyClick(&s.view, Qt::Key_Delete);
        expected.remove(100, expected.size() - 200);
        QCOMPARE(s.Text(), expected);
        QVERIFY(agrees());
        s.view.InsertText(Rows(6000)); // short again, then long
        QVERIFY(agrees());
        s.view.Undo();
        QVERIFY(agrees());
    }

    // The scroll bar reaches the end of a long line and no further, whatever its
    // width was first guessed to be.
    void scrollBarEndsWhereTheLineEnds() {
        Shown s(QString(3000, u'名') + QString(30000, u'i')); // narrower than its start foretells
        QTest::keyClick(&s.view, Qt::Key_End);
        QScrollBar *bar = s.view.horizontalScrollBar();
        QVERIFY(bar->value() > 0);
        QCOMPARE(bar->maximum(), bar->value());
        QVERIFY(s.view.viewport()->rect().contains(s.view.CaretRect()));
    }

    // The composed text pushes what follows along on a long line as on a short one.
    void preeditAcrossABorder() {
        const QString text = Rows(9000);
        Shown s(text);
        const QString composing = QStringLiteral("ひょうじ");
        for (int at : {1700, 2040, 2043, 2046, 2047, 2048, 2049, 2052, 4090}) {
            s.view.SetCaret(at);
            SendPreedit(&s.view, composing);
            const OneLayout one(text, s.view.DefaultFont(), at, composing);
            QVERIFY(qAbs(s.X(at) - one.X(at + composing.size())) <= 1); // the caret after the composed text
            QVERIFY2(qAbs(s.X(at + 10) - one.X(at + 10 + composing.size())) <= 1,
                     qPrintable(QString("at %1: %2, one layout %3").arg(at).arg(s.X(at + 10)).arg(one.X(at + 14))));
            QVERIFY(qAbs(s.X(at - 10) - one.X(at - 10)) <= 1);
            SendPreedit(&s.view, {});
            QVERIFY(qAbs(s.X(at + 10) - OneLayout(text, s.view.DefaultFont()).X(at + 10)) <= 1);
        }
        QCOMPARE(s.Text(), text);

        // The input method is shown the caret's surroundings, not megabytes of line at every move.
        for (int at : {3, 5000, int(text.size())}) {
            s.view.SetSelection(at - 3, at);
            const QString around = Query(&s.view, Qt::ImSurroundingText).toString();
            const int caret = Query(&s.view, Qt::ImCursorPosition).toInt();
            QVERIFY(around.size() <= 2100);
            QCOMPARE(around.mid(caret - 3, 20), text.mid(at - 3, 20));
            QCOMPARE(Query(&s.view, Qt::ImAnchorPosition).toInt(), caret - 3);
        }
    }

    // What is drawn around a border is what one layout of the line draws there,
    // bold and the selection included, also after edits before and inside the bold.
    void drawsAsOneLayout() {
        Shown s({});
        TextContent content;
        content.Append(Mixed(9000), {});
        content.SetBold({{1700, 500}, {3700, 500}});
        s.view.Model().Reset(std::move(content));
        s.view.SetReadOnly(true); // no caret in the picture
        QPalette palette = s.view.palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        s.view.setPalette(palette);
        QScrollBar *bar = s.view.horizontalScrollBar();
        const int lineHeight = QFontMetrics(s.view.DefaultFont()).lineSpacing();
        const auto differing = [&](int at) {
            const OneLayout one(s.Text(), s.view.DefaultFont(), -1, {}, s.view.Model().DrawingFormats(0));
            s.view.SetSelection(at - 30, at + 30);
            bar->setValue(qRound(one.X(at)) - 300);
            const QImage drawn = s.view.viewport()->grab().toImage();
            QImage expected(drawn.size(), drawn.format());
            expected.fill(Qt::white);
            QPainter painter(&expected);
            painter.setPen(Qt::black);
            QTextLayout::FormatRange selection{at - 30, 60, {}};
            selection.format.setBackground(palette.brush(QPalette::Inactive, QPalette::Highlight));
            selection.format.setForeground(palette.brush(QPalette::Inactive, QPalette::HighlightedText));
            painter.setClipRect(0, 0, expected.width(), lineHeight);
            one.layout.draw(&painter, QPointF(s.view.CursorRect(0).x(), 0), {selection});
            painter.end();
            int count = 0;
            for (int y = 0; y < lineHeight; ++y)
                for (int x = 0; x < drawn.width(); ++x) count += drawn.pixel(x, y) != expected.pixel(x, y);
            return count;
        };
        for (int at : {1700, 1900, 2048, 2200, 4096}) QVERIFY2(differing(at) < 20, qPrintable(QString::number(at)));
        s.view.Model().Replace(1500, 0, u"ab\tc", {}); // before the bold
        for (int at : {1700, 1900, 2048, 2200, 4096}) QVERIFY2(differing(at) < 20, qPrintable(QString::number(at)));
        s.view.Model().Replace(2030, 2, u"xyz", {}); // inside it
        for (int at : {1700, 1900, 2048, 2200, 4096}) QVERIFY2(differing(at) < 20, qPrintable(QString::number(at)));
        s.view.Model().EraseBold(2000, 2100); // formats alone, across a border
        QTextCharFormat red;
        red.setForeground(Qt::red);
        s.view.Model().MergeFormat(4000, 150, red);
        for (int at : {2000, 2048, 2100, 4000, 4096}) QVERIFY2(differing(at) < 20, qPrintable(QString::number(at)));
    }
};

QTEST_MAIN(TextViewLongLineTest)
#include "TextViewLongLineTest.moc"
