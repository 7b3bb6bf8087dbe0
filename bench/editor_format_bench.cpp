// The format command in the editor window, timed as the user sees it: 1 MB and
// 10 MB documents opened, formatted (bold included) and saved, with the
// longest stretch during which the window processed no events.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/editor_format_bench
#include "EditProbe.h"
#include "ScriptedDialogs.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"
#include "formatter/Format.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <string>

using namespace kelvra;

namespace {

// Records the longest gap between two ticks of a 5 ms timer: how long the
// window went without handling events.
class GapMeter : public QObject {
public:
    GapMeter() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { longest_ = std::max(longest_, clock_.restart()); });
    }
    void Start() {
        longest_ = 0;
        clock_.start();
        timer_.start();
    }
    qint64 Stop() {
        timer_.stop();
        return std::max(longest_, clock_.elapsed());
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

QByteArray Input(qint64 bytes) {
    QFile f(KELVRA_BENCH_INPUTS "/mixed_1mb.sql");
    f.open(QIODevice::ReadOnly);
    const QByteArray one = f.readAll();
    QByteArray all;
    while (all.size() < bytes) all += one;
    return all;
}

struct QuietSink : ProgressSink {};

// The format core alone on the same text, as the window runs it.
qint64 CoreMs(const std::string &text, TfrmEdit &window) {
    QuietSink sink;
    QElapsedTimer t;
    t.start();
    RunFormat(text, EditProbe(window).Options(), EditProbe(window).Catalogue(), sink);
    return t.elapsed();
}

// Presses "中断" `afterMs` into a run; how long until the run has ended and
// whether the text is the one from before the run.
std::pair<qint64, bool> CancelAt(TfrmEdit &window, qint64 afterMs) {
    const std::string before = EditProbe(window).Editor().Text();
    QElapsedTimer t;
    qint64 pressedAt = -1;
    QTimer::singleShot(afterMs, &window, [&] {
        pressedAt = t.elapsed();
        Part<QPushButton>(EditProbe(window).dlgCancel(), "bitCancel")->click();
    });
    t.start();
    window.mnuExeRunClick();
    const qint64 ended = t.elapsed();
    QCoreApplication::processEvents(); // the timer, if the run ended before it
    if (pressedAt < 0) return {-1, EditProbe(window).Editor().Text() == before};
    return {ended - pressedAt, EditProbe(window).Editor().Text() == before};
}

void Measure(const char *label, qint64 bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.sql");
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(Input(bytes));
    }
    test::ScriptedDialogs dialogs;
    test::ScriptedDesktop desktop;
    dialogs.answers = {Answer::Ok, Answer::Ok, Answer::Ok};
    const std::filesystem::path folder = dir.path().toStdString();
    TfrmEdit window(dialogs, desktop, {}, folder, folder);
    window.Initialise();
    window.show();
    GapMeter meter;
    QElapsedTimer t;

    dialogs.files = {path};
    meter.Start();
    t.start();
    window.mnuFileOpenClick();
    const qint64 open = t.elapsed(), openGap = meter.Stop();

    const std::string original = EditProbe(window).Editor().Text();
    const qint64 core = CoreMs(original, window);
    meter.Start();
    t.restart();
    window.mnuExeRunClick();
    const qint64 format = t.elapsed(), formatGap = meter.Stop();
    std::printf("%-6s open %5lld ms (longest freeze %4lld ms)\n", label, static_cast<long long>(open),
                static_cast<long long>(openGap));
    std::printf("%-6s format %5lld ms, core alone %5lld ms: run / core %.2f, dialog up %lld ms after the core's time "
                "(longest freeze %4lld ms)\n",
                label, static_cast<long long>(format), static_cast<long long>(core),
                static_cast<double>(format) / static_cast<double>(std::max<qint64>(core, 1)),
                static_cast<long long>(format - core), static_cast<long long>(formatGap));

    // "中断" early, in the middle of the core, near its end and while the document is made.
    EditProbe(window).Editor().SetPlainText(original, EditProbe(window).EditorFont());
    for (qint64 at : {qint64(50), core / 2, core - 20, core + 20, (core + format) / 2}) {
        if (at <= 0) continue;
        auto [latency, same] = CancelAt(window, at);
        if (latency < 0)
            std::printf("%-6s \"中断\" at %5lld ms: the run had ended\n", label, static_cast<long long>(at));
        else
            std::printf("%-6s \"中断\" at %5lld ms: run ended %3lld ms later, text as before: %s\n", label,
                        static_cast<long long>(at), static_cast<long long>(latency), same ? "yes" : "NO");
    }

    EditProbe(window).SetDocPath(path);
    EditProbe(window).Action("mnuFormatSaveCheck")->setChecked(false);
    meter.Start();
    t.restart();
    window.mnuFileSaveClick();
    const qint64 save = t.elapsed(), saveGap = meter.Stop();
    std::printf("%-6s save %5lld ms (longest freeze %4lld ms)\n", label, static_cast<long long>(save),
                static_cast<long long>(saveGap));
    EditProbe(window).Editor().SetModified(false);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    Measure("1 MB", 1 << 20);
    Measure("10 MB", 10 << 20);
    return 0;
}
