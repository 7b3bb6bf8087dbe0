// The editor's text view on one very long line, as a dump of many rows in one
// statement gives: showing it, Home and End, typing in the middle and at the
// end (each key followed by a paint), and the processor time of five idle
// seconds with the caret blinking on the line. Figures are processor time.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/text_view_long_line_bench [kilobytes...]
// (default 260 2600 26000).
#include "ProcessorTime.h"
#include "ui/TextView.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace kelvra;
using bench::Time;

namespace {

void Paint(TextView &view) { view.viewport()->grab(); }

// `insert into t values (1,'名前1'),(2,'名前2'),…` up to about `bytes` bytes of UTF-8, on one line.
QString OneLine(qint64 bytes) {
    QString text = QStringLiteral("insert into t values ");
    qint64 size = text.size();
    for (int i = 1; size < bytes; ++i) {
        const QString row = QStringLiteral("(%1,'名前%1'),").arg(i);
        text += row;
        size += row.size() + 4; // each of 名前 is three bytes of UTF-8
    }
    text.chop(1);
    return text + ';';
}

void Run(qint64 kilobytes) {
    const QString text = OneLine(kilobytes * 1000);
    std::printf("one line of %lld KB, %lld positions\n", kilobytes, qint64(text.size()));
    QWidget window;
    auto *view = new TextView(&window);
    window.resize(900, 700);
    view->resize(900, 700);
    window.show();
    window.activateWindow();
    view->setFocus();
    if (!QTest::qWaitForWindowActive(&window)) std::printf("  (the window did not become active)\n");
    Time("open and paint", 1, [&] {
        TextContent content;
        content.Append(text, {});
        view->Model().Reset(std::move(content));
        Paint(*view);
    });
    Time("End, paint (first time)", 1, [&] {
        QTest::keyClick(view, Qt::Key_End);
        Paint(*view);
    });
    Time("Home, paint", 3, [&] {
        QTest::keyClick(view, Qt::Key_Home);
        Paint(*view);
    });
    Time("End, paint", 3, [&] {
        QTest::keyClick(view, Qt::Key_End);
        Paint(*view);
    });
    view->SetCaret(view->Model().Length() / 2);
    Paint(*view);
    Time("type a letter in the middle, paint", 3, [&] {
        QTest::keyClick(view, Qt::Key_A);
        Paint(*view);
    });
    view->SetCaret(view->Model().Length());
    Paint(*view);
    Time("type a letter at the end, paint", 3, [&] {
        QTest::keyClick(view, Qt::Key_B);
        Paint(*view);
    });
    QApplication::processEvents();
    Time("5 s idle, the caret blinking", 1, [] { QTest::qWait(5000); });
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QList<qint64> sizes;
    for (int i = 1; i < argc; ++i) sizes << QByteArray(argv[i]).toLongLong();
    if (sizes.isEmpty()) sizes = {260, 2600, 26000};
    for (qint64 kilobytes : sizes) Run(kilobytes);
    return 0;
}
