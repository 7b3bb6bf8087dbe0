// The editor's line-based text model: random edits checked against a plain
// reference (one string, one format per position, bold kept by BoldSpans
// over the whole text, a snapshot per undo step), and hand-worked cases for
// bold, typing, the modified flag and whole-text replacement.
#include "ui/BoldSpans.h"
#include "ui/EditorSurface.h"
#include "ui/TextModel.h"

#include <QSignalSpy>
#include <QTest>
#include <random>

using namespace kelvra;

namespace {

QTextCharFormat Foreground(Qt::GlobalColor colour) {
    QTextCharFormat f;
    f.setForeground(QColor(colour));
    return f;
}

QTextCharFormat Italic() {
    QTextCharFormat f;
    f.setFontItalic(true);
    return f;
}

QTextCharFormat Underlined() {
    QTextCharFormat f;
    f.setFontUnderline(true);
    return f;
}

QTextCharFormat Bolder(QTextCharFormat f) {
    f.setFontWeight(QFont::Bold);
    return f;
}

QString Show(const std::vector<EditorRange> &ranges) {
    QStringList parts;
    for (const EditorRange &r : ranges) parts << QString("%1..%2").arg(r.start).arg(r.start + r.length);
    return parts.join(' ');
}

QString Show(const std::vector<BoldSpans::Span> &spans) {
    QStringList parts;
    for (const BoldSpans::Span &s : spans) parts << QString("%1..%2").arg(s.start).arg(s.end);
    return parts.join(' ');
}

// What the model must hold, kept the simple way.
struct Reference {
    QString text;
    std::vector<QTextCharFormat> formats; // one per position; those of line breaks are never read
    BoldSpans bold;
    QTextCharFormat defaultFormat;

    // The format of the character at `p`, or of the last one of its line at the line's end.
    QTextCharFormat FormatAt(int p) const {
        if (p < text.size() && text[p] != u'\n') return formats[p];
        if (p > 0 && text[p - 1] != u'\n') return formats[p - 1];
        return defaultFormat;
    }
    bool BoldAt(int p) const {
        for (const BoldSpans::Span &s : bold.Spans())
            if (s.start <= p && p < s.end) return true;
        return false;
    }
    bool operator==(const Reference &other) const {
        if (text != other.text || Show(bold.Spans()) != Show(other.bold.Spans())) return false;
        for (int p = 0; p <= text.size(); ++p)
            if (FormatAt(p) != other.FormatAt(p)) return false;
        return true;
    }

    void Replace(int from, int removed, const QString &added, const QTextCharFormat &format) {
        text.replace(from, removed, added);
        formats.erase(formats.begin() + from, formats.begin() + from + removed);
        formats.insert(formats.begin() + from, added.size(), format);
        bold.Edit(from, removed, static_cast<int>(added.size()));
    }
};

// Random edits of a model and its reference, with steps, undo and redo.
class RandomEdits {
public:
    explicit RandomEdits(unsigned seed) : random_(seed) {}

    void Run(int operations) {
        ReplaceAll(true);
        Check("reset");
        for (int n = 0; n < operations && !QTest::currentTestFailed(); ++n) {
            const int kind = Pick(0, 99);
            if (kind < 10) {
                for (int k = Pick(1, 3); k > 0 && model_.CanUndo(); --k) Undo();
            } else if (kind < 16) {
                for (int k = Pick(1, 3); k > 0 && model_.CanRedo(); --k) Redo();
            } else {
                Step(kind < 28 ? Pick(2, 4) : 1);
            }
        }
        while (model_.CanUndo()) Undo();
        QVERIFY(undo_.empty());
        QCOMPARE(model_.CanRedo(), !redo_.empty());
    }

private:
    struct Snapshot {
        Reference state;
        bool whole = false;
    };

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    QString RandomText(int maxLength, bool otherBreaks) {
        static const QString letters = "ab \nxy\n";
        QString text;
        for (int k = Pick(0, maxLength); k > 0; --k) {
            const int kind = Pick(0, 19);
            if (otherBreaks && kind == 0)
                text += QChar(0x2029);
            else if (otherBreaks && kind == 1)
                text += QChar(0x2028);
            else
                text += letters[Pick(0, static_cast<int>(letters.size()) - 1)];
        }
        return text;
    }

    QTextCharFormat RandomFormat() {
        switch (Pick(0, 3)) {
        case 0: return Foreground(Qt::red);
        case 1: return Italic();
        case 2: return Foreground(Qt::darkGreen);
        default: return QTextCharFormat();
        }
    }

    // A new text from a few appended pieces, with random bold ranges; Reset or ReplaceAll.
    void ReplaceAll(bool reset) {
        Reference next;
        next.defaultFormat = RandomFormat();
        TextContent content(next.defaultFormat);
        for (int k = Pick(0, 4); k > 0; --k) {
            const QString piece = RandomText(20, true);
            const QTextCharFormat format = RandomFormat();
            content.Append(piece, format);
            next.text += QString(piece).replace(QChar(0x2029), u'\n').replace(QChar(0x2028), u'\n');
            next.formats.insert(next.formats.end(), piece.size(), format);
        }
        std::vector<EditorRange> ranges;
        for (int at = Pick(0, 3); at < next.text.size(); at += Pick(0, 6)) {
            ranges.push_back({at, Pick(0, 5)});
            at += ranges.back().length;
        }
        content.SetBold(ranges);
        next.bold.Assign(ranges);
        // Ranges past the end are cut there.
        next.bold.Erase(static_cast<int>(next.text.size()), std::numeric_limits<int>::max());
        if (reset) {
            model_.Reset(std::move(content));
            undo_.clear();
            redo_.clear();
        } else {
            model_.ReplaceAll(std::move(content));
            stepIsWhole_ = true;
        }
        current_ = next;
    }

    // One random change; whether it changed what shows.
    bool Operate() {
        const Reference before = current_;
        const int length = static_cast<int>(current_.text.size());
        const int from = Pick(0, length);
        const int kind = Pick(0, 99);
        if (kind < 45) {
            const int removed = Pick(0, std::min(length - from, 6));
            const QString text = RandomText(4, false);
            const QTextCharFormat format = RandomFormat();
            model_.Replace(from, removed, text, format);
            current_.Replace(from, removed, text, format);
        } else if (kind < 65) {
            const int span = Pick(0, length - from);
            const QTextCharFormat format = Pick(0, 1) ? Underlined() : Foreground(Qt::blue);
            model_.MergeFormat(from, span, format);
            for (int p = from; p < from + span; ++p) current_.formats[p].merge(format);
        } else if (kind < 75) {
            const int span = Pick(0, length - from);
            const QTextCharFormat format = RandomFormat();
            model_.SetFormat(from, span, format);
            std::fill(current_.formats.begin() + from, current_.formats.begin() + from + span, format);
        } else if (kind < 95) {
            const int to = Pick(from, std::min(length, from + 4));
            model_.EraseBold(from, to);
            current_.bold.Erase(from, to);
        } else {
            ReplaceAll(false);
            return true;
        }
        return !(before == current_);
    }

    void Step(int operations) {
        const Reference before = current_;
        stepIsWhole_ = false;
        bool changed = false;
        if (operations > 1) model_.BeginStep();
        for (int k = 0; k < operations; ++k) {
            changed = Operate() || changed;
            if (operations > 1) Check("a change inside a step", false);
        }
        if (operations > 1) model_.EndStep();
        if (changed) {
            undo_.push_back({before, stepIsWhole_});
            redo_.clear();
            if (stepIsWhole_) DropOldWholeTexts();
        }
        Check("a step");
    }

    // At most 16 steps that replaced the whole text: undo stops before the 17th.
    void DropOldWholeTexts() {
        int whole = 0;
        for (int i = static_cast<int>(undo_.size()) - 1; i >= 0; --i) {
            if (undo_[i].whole && ++whole > 16) {
                undo_.erase(undo_.begin(), undo_.begin() + i + 1);
                return;
            }
        }
    }

    void Undo() {
        const std::optional<EditorRange> range = model_.Undo();
        QVERIFY(range.has_value() && !undo_.empty());
        redo_.push_back({current_, undo_.back().whole});
        current_ = undo_.back().state;
        undo_.pop_back();
        CheckRange(*range);
        Check("undo");
    }

    void Redo() {
        const std::optional<EditorRange> range = model_.Redo();
        QVERIFY(range.has_value() && !redo_.empty());
        undo_.push_back({current_, redo_.back().whole});
        current_ = redo_.back().state;
        redo_.pop_back();
        CheckRange(*range);
        Check("redo");
    }

    void CheckRange(const EditorRange &range) {
        QVERIFY(range.start >= 0 && range.length >= 0);
        QVERIFY(range.start + range.length <= model_.Length());
    }

    void Check(const char *after, bool betweenSteps = true) {
        if (betweenSteps) {
            QCOMPARE(model_.CanUndo(), !undo_.empty());
            QCOMPARE(model_.CanRedo(), !redo_.empty());
        }
        const Reference &r = current_;
        const QByteArray where = QByteArray("after ") + after + ", text \"" + r.text.toUtf8() + "\"";
        QVERIFY2(model_.Text() == r.text, where + ", model \"" + model_.Text().toUtf8() + "\"");
        QCOMPARE(model_.Length(), r.text.size());
        QCOMPARE(model_.LineCount(), r.text.count(u'\n') + 1);
        QVERIFY2(Show(model_.BoldRanges()) == Show(r.bold.Spans()),
                 where + ", bold " + Show(model_.BoldRanges()).toUtf8() + " not " + Show(r.bold.Spans()).toUtf8());
        int line = 0;
        for (int p = 0; p <= r.text.size(); ++p) {
            if (p == 0 || r.text[p - 1] == u'\n') QCOMPARE(model_.LineStart(line), p);
            QCOMPARE(model_.LineOf(p), line);
            QVERIFY2(model_.FormatAt(p) == r.FormatAt(p), where + ", format at " + QByteArray::number(p));
            if (p < r.text.size() && r.text[p] == u'\n') ++line;
        }
        QCOMPARE(model_.LineOf(static_cast<int>(r.text.size()) + 5), line);
        for (int k = 0; k < model_.LineCount(); ++k) CheckLine(k, where);
    }

    // A line's runs cover it exactly, merged; its drawing formats are the
    // character formats with bold over the bold ranges.
    void CheckLine(int k, const QByteArray &where) {
        const TextLine &line = model_.Line(k);
        int at = 0;
        for (std::size_t i = 0; i < line.runs.size(); ++i) {
            QCOMPARE(line.runs[i].start, at);
            QVERIFY(line.runs[i].length > 0);
            if (i > 0) QVERIFY2(line.runs[i].format != line.runs[i - 1].format, where + ", runs not merged");
            at += line.runs[i].length;
        }
        QCOMPARE(at, line.text.size());
        const int start = model_.LineStart(k);
        at = 0;
        for (const QTextLayout::FormatRange &range : model_.DrawingFormats(k)) {
            QCOMPARE(range.start, at);
            for (int c = range.start; c < range.start + range.length; ++c) {
                const QTextCharFormat own = current_.formats[start + c];
                const QTextCharFormat expected = current_.BoldAt(start + c) ? Bolder(own) : own;
                QVERIFY2(range.format == expected, where + ", drawn format in line " + QByteArray::number(k));
            }
            at += range.length;
        }
        QCOMPARE(at, line.text.size());
    }

    std::mt19937 random_;
    TextModel model_;
    Reference current_;
    std::vector<Snapshot> undo_, redo_;
    bool stepIsWhole_ = false;
};

// A model holding `text` (lines broken by '\n') in the default format, with `bold` ranges.
void Fill(TextModel &model, const QString &text, const std::vector<EditorRange> &bold = {},
          const QTextCharFormat &format = {}) {
    TextContent content(format);
    content.Append(text, format);
    content.SetBold(bold);
    model.Reset(std::move(content));
}

} // namespace

class TextModelTest : public QObject {
    Q_OBJECT
private slots:
    void randomEditsMatchTheReference_data() {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void randomEditsMatchTheReference() {
        QFETCH(unsigned, seed);
        RandomEdits(seed).Run(600);
    }

    // Line breaks put in and taken out all over a text of thousands of lines,
    // in runs of nearby places and in far jumps: line starts stay right.
    void lineStartsFollowManyLineBreaks() {
        std::mt19937 random(7);
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        QString text;
        for (int k = 0; k < 4000; ++k) text += k % 3 ? "ab\n" : "cdef\n";
        TextModel model;
        Fill(model, text);
        const QString start = text;
        int at = 0;
        model.BeginStep();
        for (int n = 0; n < 3000 && !QTest::currentTestFailed(); ++n) {
            at = pick(0, 9) == 0 ? pick(0, static_cast<int>(text.size())) // a jump
                                 : std::min(at + pick(0, 40), static_cast<int>(text.size()));
            const int removed = pick(0, std::min(3, static_cast<int>(text.size()) - at));
            const QString added = pick(0, 50) == 0 ? QString(300, u'\n') : QString("x\n").left(pick(0, 2));
            model.Replace(at, removed, added, {});
            text.replace(at, removed, added);
            QCOMPARE(model.LineCount(), text.count(u'\n') + 1);
            for (int sample = 0; sample < 5; ++sample) {
                const int p = pick(0, static_cast<int>(text.size()));
                const int line = static_cast<int>(QStringView(text).first(p).count(u'\n'));
                QCOMPARE(model.LineOf(p), line);
                QCOMPARE(model.LineStart(line), p == 0 ? 0 : static_cast<int>(text.lastIndexOf(u'\n', p - 1) + 1));
            }
        }
        model.EndStep();
        QCOMPARE(model.Text(), text);
        model.Undo();
        QCOMPARE(model.Text(), start);
        for (int line = 0; line < model.LineCount(); line += 97)
            QCOMPARE(model.LineStart(line), line * 3 + line / 3 * 2 + (line % 3 ? 2 : 0));
    }

    // The rows of the hand-worked BoldSpans table, on a text whose bold word
    // stands at 10..16, alone on one line or on the second line.
    void boldFollowsTheEditRules_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("expected");
        QTest::newRow("typing before moves it") << 0 << 0 << "xyz"
                                                << "13..19";
        QTest::newRow("typing at its start moves it") << 10 << 0 << "xy"
                                                      << "12..18";
        QTest::newRow("typing inside grows it") << 12 << 0 << "xy"
                                                << "10..18";
        QTest::newRow("typing at its end leaves it") << 16 << 0 << "xy"
                                                     << "10..16";
        QTest::newRow("deleting up to its start moves it") << 7 << 3 << ""
                                                           << "7..13";
        QTest::newRow("deleting inside shrinks it") << 11 << 2 << ""
                                                    << "10..14";
        QTest::newRow("deleting all of it drops it") << 10 << 6 << ""
                                                     << "";
        QTest::newRow("deleting across its start keeps the rest") << 8 << 4 << ""
                                                                  << "8..12";
        QTest::newRow("deleting across its end keeps the rest") << 14 << 4 << ""
                                                                << "10..14";
        QTest::newRow("replacing all of it keeps it bold") << 10 << 6 << "xy"
                                                           << "10..12";
        QTest::newRow("replacing inside keeps it bold") << 11 << 2 << "vwxyz"
                                                        << "10..19";
        QTest::newRow("replacing across its start: new text plain") << 8 << 4 << "x"
                                                                    << "9..13";
        QTest::newRow("replacing across its end: new text plain") << 14 << 4 << "x"
                                                                  << "10..14";
        // Line breaks are positions like any other.
        QTest::newRow("a line break inside it splits the line, not the range") << 12 << 0 << "\n"
                                                                               << "10..17";
        QTest::newRow("a line break at its start moves it") << 10 << 0 << "\n"
                                                            << "11..17";
        QTest::newRow("lines put inside it are bold") << 13 << 1 << "a\nb\nc"
                                                      << "10..20";
    }
    void boldFollowsTheEditRules() {
        QFETCH(int, from);
        QFETCH(int, removed);
        QFETCH(QString, added);
        QFETCH(QString, expected);
        // Once alone, once after a first line of five positions ("abcd" and its break).
        for (const int offset : {0, 5}) {
            const QString text = QString(offset ? "abcd\n" : "") + "0123456789SELECTxxxxxxxxxx";
            TextModel model;
            Fill(model, text, {{offset + 10, 6}});
            model.Replace(offset + from, removed, added, {});
            QStringList shifted;
            for (const QString &part : expected.split(' ', Qt::SkipEmptyParts)) {
                const QStringList ends = part.split("..");
                shifted << QString("%1..%2").arg(ends[0].toInt() + offset).arg(ends[1].toInt() + offset);
            }
            QCOMPARE(Show(model.BoldRanges()), shifted.join(' '));
        }
    }

    // A range that goes on over a line break: typing at the next line's start is
    // inside it; a range that only ends there is a range of its own.
    void boldOverALineBreak() {
        TextModel model;
        Fill(model, "ab\ncd", {{0, 4}});
        QCOMPARE(model.Line(0).bold, std::vector<LineSpan>({{0, 3}}));
        QCOMPARE(model.Line(1).bold, std::vector<LineSpan>({{0, 1}}));
        QVERIFY(model.Line(1).boldContinued);
        model.Replace(3, 0, u"x", {});
        QCOMPARE(Show(model.BoldRanges()), QString("0..5"));

        Fill(model, "ab\ncd", {{0, 3}, {3, 1}});
        QVERIFY(!model.Line(1).boldContinued);
        model.Replace(3, 0, u"x", {});
        QCOMPARE(Show(model.BoldRanges()), QString("0..3 4..5"));
        model.EraseBold(2, 3); // the line break only
        QCOMPARE(Show(model.BoldRanges()), QString("0..2 4..5"));
        QCOMPARE(model.Line(0).bold, std::vector<LineSpan>({{0, 2}}));
    }

    void typingJoinsOneStep() {
        TextModel model;
        Fill(model, "0123456789");
        model.Type(3, 0, u"a", {});
        model.Type(4, 0, u"b", {});
        model.Type(5, 0, u"c", {});
        QCOMPARE(model.Text(), QString("012abc3456789"));
        const std::optional<EditorRange> undone = model.Undo();
        QCOMPARE(model.Text(), QString("0123456789"));
        QVERIFY(undone && undone->start == 3 && undone->length == 0);
        QVERIFY(!model.CanUndo());
        const std::optional<EditorRange> redone = model.Redo();
        QCOMPARE(model.Text(), QString("012abc3456789"));
        QVERIFY(redone && redone->start == 3 && redone->length == 3);
    }

    void typingStopsJoining_data() {
        QTest::addColumn<QStringList>("script"); // "T at text" types, "R at removed text" replaces
        QTest::addColumn<QString>("afterOneUndo");
        QTest::newRow("caret jump") << QStringList{"T 3 a", "T 4 b", "T 0 x"} << "012ab3456789";
        QTest::newRow("another change between") << QStringList{"T 3 a", "R 0 1 z", "T 4 b"} << "z12a3456789";
        QTest::newRow("a line break") << QStringList{"T 3 a", "T 4 \n", "T 5 b"} << "012a\n3456789";
        QTest::newRow("after a line break") << QStringList{"T 3 \n", "T 4 b"} << "012\n3456789";
        QTest::newRow("removing while typing") << QStringList{"T 3 a", "T 3 -1 b"} << "012a3456789";
        QTest::newRow("typing over a selection joins") << QStringList{"T 3 -4 a", "T 4 b"} << "0123456789";
        QTest::newRow("an undo between") << QStringList{"T 3 a", "U", "T 3 b"} << "0123456789";
    }
    void typingStopsJoining() {
        QFETCH(QStringList, script);
        QFETCH(QString, afterOneUndo);
        TextModel model;
        Fill(model, "0123456789");
        for (const QString &line : script) {
            const QStringList part = line.split(' ');
            if (part[0] == "U") {
                model.Undo();
            } else if (part[0] == "R") {
                model.Replace(part[1].toInt(), part[2].toInt(), part[3], {});
            } else if (part.size() == 4) { // "T at -removed text"
                model.Type(part[1].toInt(), -part[2].toInt(), part[3], {});
            } else {
                model.Type(part[1].toInt(), 0, part[2] == "\n" ? QString("\n") : part[2], {});
            }
        }
        model.Undo();
        QCOMPARE(model.Text(), afterOneUndo);
    }

    void modifiedFollowsTheSavedState() {
        TextModel model;
        Fill(model, "abc");
        QSignalSpy flips(&model, &TextModel::ModifiedChanged);
        QVERIFY(!model.Modified());
        model.Replace(0, 0, u"x", {});
        QVERIFY(model.Modified());
        model.Undo();
        QVERIFY(!model.Modified());
        model.Redo();
        QVERIFY(model.Modified());
        model.SetModified(false); // saved with the "x"
        QVERIFY(!model.Modified());
        model.Undo();
        QVERIFY(model.Modified());
        model.Redo();
        QVERIFY(!model.Modified());
        QCOMPARE(flips.size(), 6);
        QCOMPARE(flips.last().at(0).toBool(), false);

        // A change after an undo drops the saved state from the history for good.
        model.Undo();
        model.Replace(0, 0, u"y", {});
        model.Undo();
        QVERIFY(model.Modified());
        QVERIFY(!model.CanRedo() || model.Redo());
        QVERIFY(model.Modified());

        // Modified by hand after a change: the text before it stays the saved one
        // (a format run marks its result modified; undoing it gives the file's text).
        Fill(model, "abc");
        model.Replace(0, 0, u"x", {});
        model.SetModified(true);
        model.Undo();
        QVERIFY(!model.Modified());
        model.Redo();
        QVERIFY(model.Modified());

        // Modified by hand while the saved text is shown: no state is the saved one.
        Fill(model, "abc");
        model.SetModified(true);
        model.Replace(0, 0, u"x", {});
        model.Undo();
        QVERIFY(model.Modified());
    }

    // A step that joins the saved one leaves no state that is the saved one.
    void joiningAStepAfterSaving() {
        TextModel model;
        Fill(model, "abc");
        model.Replace(0, 0, u"x", {});
        model.SetModified(false);
        model.BeginStep(true);
        model.Replace(0, 0, u"y", {});
        model.EndStep();
        QVERIFY(model.Modified());
        model.Undo();
        QCOMPARE(model.Text(), QString("abc")); // both changes in one step
        QVERIFY(model.Modified());
        model.Redo();
        QCOMPARE(model.Text(), QString("yxabc"));
        QVERIFY(model.Modified());
    }

    // Saving between two typed characters keeps them in two steps: undoing the
    // second one gives the saved text back.
    void savingEndsATypingStep() {
        TextModel model;
        Fill(model, "");
        model.Type(0, 0, u"a", {});
        model.SetModified(false);
        model.Type(1, 0, u"b", {});
        model.Undo();
        QCOMPARE(model.Text(), QString("a"));
        QVERIFY(!model.Modified());
    }

    void replaceAllIsUndoneWithFormatsAndBold() {
        TextModel model;
        TextContent before(Italic());
        before.Append(u"SELECT a\n", Foreground(Qt::red));
        before.Append(u"FROM b", {});
        before.SetBold({{0, 6}, {9, 4}});
        model.Reset(std::move(before));
        QSignalSpy whole(&model, &TextModel::WholeTextReplaced);

        TextContent after(Underlined());
        after.Append(u"x\n\ny", Foreground(Qt::blue));
        after.SetBold({{3, 1}});
        model.ReplaceAll(std::move(after));
        QCOMPARE(model.Text(), QString("x\n\ny"));
        QVERIFY(model.FormatAt(2) == Underlined()); // the empty line

        for (int round = 0; round < 2; ++round) {
            model.Undo();
            QCOMPARE(model.Text(), QString("SELECT a\nFROM b"));
            QCOMPARE(Show(model.BoldRanges()), QString("0..6 9..13"));
            QVERIFY(model.FormatAt(0) == Foreground(Qt::red));
            QVERIFY(model.FormatAt(8) == Foreground(Qt::red));
            QVERIFY(model.FormatAt(10) == QTextCharFormat());
            QVERIFY(model.DefaultFormat() == Italic());
            model.Redo();
            QCOMPARE(model.Text(), QString("x\n\ny"));
            QCOMPARE(Show(model.BoldRanges()), QString("3..4"));
            QVERIFY(model.FormatAt(0) == Foreground(Qt::blue));
        }
        QCOMPARE(whole.size(), 5);
    }

    // At most 16 whole texts are kept; beyond that undo stops at the 16th.
    void wholeTextStepsAreLimited() {
        TextModel model;
        Fill(model, "start");
        for (int k = 0; k < 20; ++k) {
            TextContent content;
            content.Append(QString::number(k), {});
            model.ReplaceAll(std::move(content));
        }
        int undone = 0;
        while (model.Undo()) ++undone;
        QCOMPARE(undone, 16);
        QCOMPARE(model.Text(), QString("3"));
    }

    // Old whole texts of more than 32,000,000 characters together are dropped, the newest kept.
    void wholeTextCharactersAreLimited() {
        const QString big(12'000'000, u'x');
        TextModel model;
        Fill(model, big);
        for (const char *text : {"a", "b"}) {
            TextContent content;
            content.Append(big + text, {});
            model.ReplaceAll(std::move(content));
        }
        // 12 + 12 million characters held: all kept.
        QVERIFY(model.Undo() && model.Undo());
        QCOMPARE(model.Text().size(), big.size());
        model.Redo();
        model.Redo();
        TextContent third;
        third.Append(u"small", {});
        model.ReplaceAll(std::move(third)); // now holds 12 + 12 + 12 million
        QVERIFY(model.Undo() && model.Undo());
        QCOMPARE(model.Text(), big + "a");
        QVERIFY(!model.CanUndo());
    }

    void appendBreaksLinesAtEveryKindOfBreak() {
        TextContent content;
        content.Append(u"a\u2029b\u2028c\nd", {});
        QCOMPARE(content.LineCount(), 4);
        QCOMPARE(content.Length(), 7);
        TextModel model;
        model.Reset(std::move(content));
        QCOMPARE(model.Text(), QString("a\nb\nc\nd"));
        QCOMPARE(model.LineStart(3), 6);
    }

    void drawingFormatsMergeBoldOverCharacterFormats() {
        TextModel model;
        TextContent content;
        content.Append(u"SELECT ", Foreground(Qt::red));
        content.Append(u"a, b", Italic());
        content.SetBold({{0, 6}, {8, 2}}); // "SELECT" and ", "
        model.Reset(std::move(content));
        const QList<QTextLayout::FormatRange> drawn = model.DrawingFormats(0);
        const std::vector<std::tuple<int, int, QTextCharFormat>> expected = {
            {0, 6, Bolder(Foreground(Qt::red))},
            {6, 1, Foreground(Qt::red)},
            {7, 1, Italic()},
            {8, 2, Bolder(Italic())},
            {10, 1, Italic()},
        };
        QCOMPARE(drawn.size(), static_cast<qsizetype>(expected.size()));
        for (qsizetype i = 0; i < drawn.size(); ++i) {
            QCOMPARE(drawn[i].start, std::get<0>(expected[i]));
            QCOMPARE(drawn[i].length, std::get<1>(expected[i]));
            QVERIFY(drawn[i].format == std::get<2>(expected[i]));
        }
    }

    void signalsTellWhatChanged() {
        TextModel model;
        Fill(model, "one\ntwo\nthree");
        QSignalSpy text(&model, &TextModel::TextChanged);
        QSignalSpy formats(&model, &TextModel::FormatsChanged);
        model.Replace(2, 4, u"X", {}); // "e\ntw" goes
        QCOMPARE(text.takeFirst(), QVariantList({2, 4, 1}));
        model.MergeFormat(0, 5, Underlined());
        QCOMPARE(formats.takeFirst(), QVariantList({0, 5}));
        model.SetFormat(0, 5, Underlined()); // already so: nothing happens
        QVERIFY(formats.isEmpty());
        model.Undo();
        QCOMPARE(formats.takeFirst(), QVariantList({0, 5}));
        model.Undo();
        QCOMPARE(text.takeFirst(), QVariantList({2, 1, 4}));
        QCOMPARE(model.Text(), QString("one\ntwo\nthree"));
    }

    // Edits of one step that touch the same line are kept as one change.
    void manyEditsOfOneLineInOneStep() {
        TextModel model;
        Fill(model, "aaaaaaaaaa\nbbb");
        model.BeginStep();
        for (int k = 0; k < 10; k += 2) model.Replace(k, 1, u"x", Foreground(Qt::red));
        model.Replace(3, 0, u"\n", {});
        model.EndStep();
        QCOMPARE(model.Text(), QString("xax\naxaxaxa\nbbb"));
        const std::optional<EditorRange> undone = model.Undo();
        QCOMPARE(model.Text(), QString("aaaaaaaaaa\nbbb"));
        QVERIFY(undone && undone->start == 0 && undone->length == 9);
        QVERIFY(model.FormatAt(0) == QTextCharFormat());
    }
};

QTEST_MAIN(TextModelTest)
#include "TextModelTest.moc"
