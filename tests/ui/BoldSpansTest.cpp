// The bold spans kept beside the editor's text: how an edit moves and cuts
// them, worked out by hand on a text whose bold word stands at 10..16.
#include "ui/BoldSpans.h"
#include "ui/EditorSurface.h"

#include <QTest>

using namespace kelvra;

namespace {

using Spans = std::vector<BoldSpans::Span>;

BoldSpans Make(const Spans &spans) {
    std::vector<EditorRange> ranges;
    for (const BoldSpans::Span &s : spans) ranges.push_back({s.start, s.end - s.start});
    BoldSpans bold;
    bold.Assign(ranges);
    return bold;
}

QString Show(const Spans &spans) {
    QStringList parts;
    for (const BoldSpans::Span &s : spans) parts << QString("%1..%2").arg(s.start).arg(s.end);
    return parts.join(' ');
}

} // namespace

class BoldSpansTest : public QObject {
    Q_OBJECT
private slots:
    void editsMoveAndCutSpans_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("expected");
        // One span, 10..16.
        QTest::newRow("typing before moves it") << 0 << 0 << 3 << "13..19";
        QTest::newRow("typing at its start moves it") << 10 << 0 << 2 << "12..18";
        QTest::newRow("typing inside grows it") << 12 << 0 << 2 << "10..18";
        QTest::newRow("typing at its end leaves it") << 16 << 0 << 2 << "10..16";
        QTest::newRow("typing after leaves it") << 20 << 0 << 2 << "10..16";
        QTest::newRow("deleting before moves it") << 2 << 3 << 0 << "7..13";
        QTest::newRow("deleting up to its start moves it") << 7 << 3 << 0 << "7..13";
        QTest::newRow("deleting inside shrinks it") << 11 << 2 << 0 << "10..14";
        QTest::newRow("deleting all of it drops it") << 10 << 6 << 0 << "";
        QTest::newRow("deleting more than it drops it") << 8 << 10 << 0 << "";
        QTest::newRow("deleting across its start keeps the rest") << 8 << 4 << 0 << "8..12";
        QTest::newRow("deleting across its end keeps the rest") << 14 << 4 << 0 << "10..14";
        QTest::newRow("replacing all of it keeps it bold") << 10 << 6 << 2 << "10..12";
        QTest::newRow("replacing inside keeps it bold") << 11 << 2 << 5 << "10..19";
        QTest::newRow("replacing across its start: new text plain") << 8 << 4 << 1 << "9..13";
        QTest::newRow("replacing across its end: new text plain") << 14 << 4 << 1 << "10..14";
        QTest::newRow("replacing text after it leaves it") << 16 << 3 << 1 << "10..16";
    }
    void editsMoveAndCutSpans() {
        QFETCH(int, from);
        QFETCH(int, removed);
        QFETCH(int, added);
        QFETCH(QString, expected);
        BoldSpans bold = Make({{10, 16}});
        bold.Edit(from, removed, added);
        QCOMPARE(Show(bold.Spans()), expected);
    }

    // A change that reaches from one span into the next cuts both and keeps them apart.
    void editAcrossTwoSpans() {
        BoldSpans bold = Make({{10, 16}, {20, 24}, {30, 32}});
        bold.Edit(14, 8, 0); // 14..22 goes
        QCOMPARE(Show(bold.Spans()), QString("10..14 14..16 22..24"));
    }

    void eraseCutsWithoutMoving_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        // Spans 10..16 and 20..24.
        QTest::newRow("the gap between them") << 16 << 20 << "10..16 20..24";
        QTest::newRow("from inside one into the other") << 12 << 22 << "10..12 22..24";
        QTest::newRow("inside one") << 12 << 14 << "10..12 14..16 20..24";
        QTest::newRow("everything") << 0 << 30 << "";
        QTest::newRow("nothing") << 12 << 12 << "10..16 20..24";
    }
    void eraseCutsWithoutMoving() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        BoldSpans bold = Make({{10, 16}, {20, 24}});
        bold.Erase(from, to);
        QCOMPARE(Show(bold.Spans()), expected);
    }

    void assignLeavesOutEmptyAndOverlappingRanges() {
        BoldSpans bold;
        bold.Assign({{0, 3}, {3, 0}, {2, 4}, {5, 2}});
        QCOMPARE(Show(bold.Spans()), QString("0..3 5..7"));
    }

    void overlappingFindsTheSpansThatTouchARange() {
        const BoldSpans bold = Make({{10, 16}, {20, 24}, {30, 32}});
        QCOMPARE(bold.Overlapping(0, 10), std::make_pair(std::size_t(0), std::size_t(0)));
        QCOMPARE(bold.Overlapping(15, 21), std::make_pair(std::size_t(0), std::size_t(2)));
        QCOMPARE(bold.Overlapping(16, 20), std::make_pair(std::size_t(1), std::size_t(1)));
        QCOMPARE(bold.Overlapping(31, 99), std::make_pair(std::size_t(2), std::size_t(3)));
    }
};

QTEST_MAIN(BoldSpansTest)
#include "BoldSpansTest.moc"
