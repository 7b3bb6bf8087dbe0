// The editor's text view on a large document, timed per operation as the user
// meets them: showing the document, painting a screen, moving the caret by
// lines, pages and to the end, and typing in the middle. Each figure is the
// processor time (which other work on the machine does not swell) for the
// whole series, and per step.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/text_view_bench [megabytes]
#include "ProcessorTime.h"
#include "ui/TextView.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace kelvra;
using bench::Time;

namespace {

// Draws the screen as the window would after the step.
void Paint(TextView &view) { view.viewport()->grab(); }

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 10;
    QFile file(QStringLiteral(KELVRA_BENCH_INPUTS "/mixed_1mb.sql"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no bench input\n");
        return 1;
    }
    const QString piece = QString::fromUtf8(file.readAll()).remove(u'\r');

    TextView view;
    view.resize(900, 700);
    view.show();
    Time("make the content", 1, [&] {
        TextContent content;
        for (int i = 0; i < megabytes; ++i) content.Append(piece, {});
        view.Model().Reset(std::move(content));
    });
    std::printf("%d lines, %d positions\n", view.Model().LineCount(), view.Model().Length());
    Time("first paint", 1, [&] { Paint(view); });
    Time("paint again", 100, [&] { Paint(view); });
    Time("Down and paint", 2000, [&] {
        QTest::keyClick(&view, Qt::Key_Down);
        Paint(view);
    });
    Time("PageDown and paint", 500, [&] {
        QTest::keyClick(&view, Qt::Key_PageDown);
        Paint(view);
    });
    Time("Ctrl+End, Ctrl+Home and paint", 50, [&] {
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        Paint(view);
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        Paint(view);
    });
    view.SetCaret(view.Model().Length() / 2);
    Time("type a letter in the middle, paint", 1000, [&] {
        QTest::keyClick(&view, Qt::Key_A);
        Paint(view);
    });
    Time("Enter in the middle, paint", 200, [&] {
        QTest::keyClick(&view, Qt::Key_Return);
        Paint(view);
    });
    Time("Backspace in the middle, paint", 200, [&] {
        QTest::keyClick(&view, Qt::Key_Backspace);
        Paint(view);
    });
    return 0;
}
