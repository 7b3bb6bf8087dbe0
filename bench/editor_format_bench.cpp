// The format command in the editor window, timed as the user sees it: 1 MB and
// 10 MB documents opened, formatted (bold included) and saved, with the
// longest stretch during which the window processed no events.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/editor_format_bench
#include "EditProbe.h"
#include "ScriptedDialogs.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>

using namespace kelvra;

namespace {

// Records the longest gap between two ticks of a 5 ms timer: how long the
// window went without handling events.
class GapMeter : public QObject {
public:
    GapMeter() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            longest_ = std::max(longest_, clock_.restart());
        });
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

    meter.Start();
    t.restart();
    window.mnuExeRunClick();
    const qint64 format = t.elapsed(), formatGap = meter.Stop();

    // How soon "中断" takes effect: press it 50 ms into a run.
    qint64 pressedAt = 0, cancelLatency = 0;
    EditProbe(window).rchOut()->setPlainText(QString::fromUtf8(Input(bytes)));
    QTimer::singleShot(50, &window, [&] {
        pressedAt = t.elapsed();
        Part<QPushButton>(EditProbe(window).dlgCancel(), "bitCancel")->click();
    });
    t.restart();
    window.mnuExeRunClick();
    cancelLatency = t.elapsed() - pressedAt;

    EditProbe(window).SetDocPath(path);
    EditProbe(window).Action("mnuFormatSaveCheck")->setChecked(false);
    meter.Start();
    t.restart();
    window.mnuFileSaveClick();
    const qint64 save = t.elapsed(), saveGap = meter.Stop();

    std::printf("%-6s open %5lld ms (longest freeze %5lld ms)  format %5lld ms (longest freeze %5lld ms)  "
                "cancel answered after %4lld ms  save %5lld ms (longest freeze %5lld ms)\n",
                label, static_cast<long long>(open), static_cast<long long>(openGap), static_cast<long long>(format),
                static_cast<long long>(formatGap), static_cast<long long>(cancelLatency), static_cast<long long>(save),
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
