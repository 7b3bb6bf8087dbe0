// The format command in the editor window, timed as the user sees it: 1 MB and
// 10 MB documents opened, formatted (bold included) and saved, with the
// longest stretch during which the window processed no events. On a machine
// shared with other work the wall times swell; the processor times (of the
// whole process, and of the window's thread between two events) do not.
// Times are the best of several runs; the longest freeze the worst of them.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/editor_format_bench [1|10]
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
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/resource.h>

using namespace kelvra;

namespace {

// Processor time of the calling thread, and of the whole process, in ms.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
double ProcessCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval &v) {
        return static_cast<double>(v.tv_sec) * 1e3 + static_cast<double>(v.tv_usec) / 1e3;
    };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

// Records the longest gap between two ticks of a 5 ms timer: how long the
// window went without handling events, by the clock and by the processor
// time the window's thread spent meanwhile (which other work on the machine
// does not swell).
class GapMeter : public QObject {
public:
    GapMeter() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    }
    void Start() {
        longest_ = 0;
        longestCpu_ = 0;
        clock_.start();
        cpu_ = ThreadCpuMs();
        timer_.start();
    }
    qint64 Stop() {
        timer_.stop();
        Tick();
        return longest_;
    }
    double LongestCpu() const { return longestCpu_; }

private:
    void Tick() {
        longest_ = std::max(longest_, clock_.restart());
        const double now = ThreadCpuMs();
        longestCpu_ = std::max(longestCpu_, now - cpu_);
        cpu_ = now;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
    double cpu_ = 0, longestCpu_ = 0;
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

constexpr int kRounds = 7; // format runs measured, the best one reported

// The format core alone on the same text, as the window runs it: wall and processor ms.
std::pair<qint64, double> CoreMs(const std::string &text, TfrmEdit &window) {
    QuietSink sink;
    QElapsedTimer t;
    t.start();
    const double cpu = ProcessCpuMs();
    RunFormat(text, EditProbe(window).Options(), EditProbe(window).Catalogue(), sink);
    return {t.elapsed(), ProcessCpuMs() - cpu};
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

    // The core alone and the run, taken in turns (Undo brings the text back
    // between runs); the best of each, which other work on the machine swells least.
    const std::string original = EditProbe(window).Editor().Text();
    qint64 core = 0, format = 0, formatGap = 0;
    double coreCpu = 0, formatCpu = 0, formatGapCpu = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto [roundCore, roundCoreCpu] = CoreMs(original, window);
        meter.Start();
        t.restart();
        const double cpu = ProcessCpuMs();
        window.mnuExeRunClick();
        const qint64 roundFormat = t.elapsed(), roundGap = meter.Stop();
        const double roundFormatCpu = ProcessCpuMs() - cpu;
        const bool first = round == 0;
        core = first ? roundCore : std::min(core, roundCore);
        coreCpu = first ? roundCoreCpu : std::min(coreCpu, roundCoreCpu);
        format = first ? roundFormat : std::min(format, roundFormat);
        formatCpu = first ? roundFormatCpu : std::min(formatCpu, roundFormatCpu);
        formatGap = std::max(formatGap, roundGap);
        formatGapCpu = std::max(formatGapCpu, meter.LongestCpu());
        EditProbe(window).Editor().Undo();
    }
    std::printf("%-6s open %5lld ms (longest freeze %4lld ms)\n", label, static_cast<long long>(open),
                static_cast<long long>(openGap));
    std::printf("%-6s format %5lld ms, core alone %5lld ms: run / core %.2f, dialog up %lld ms after the core's time "
                "(longest freeze %4lld ms)\n",
                label, static_cast<long long>(format), static_cast<long long>(core),
                static_cast<double>(format) / static_cast<double>(std::max<qint64>(core, 1)),
                static_cast<long long>(format - core), static_cast<long long>(formatGap));
    std::printf("%-6s format processor time %5.0f ms, core alone %5.0f ms: run / core %.2f (longest stretch of the "
                "window's thread without events %.0f ms)\n",
                label, formatCpu, coreCpu, formatCpu / std::max(coreCpu, 1.0), formatGapCpu);

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
    // "1" or "10" measures that size alone.
    const QString only = argc > 1 ? QString(argv[1]) : QString();
    if (only.isEmpty() || only == "1") Measure("1 MB", 1 << 20);
    if (only.isEmpty() || only == "10") Measure("10 MB", 10 << 20);
    return 0;
}
