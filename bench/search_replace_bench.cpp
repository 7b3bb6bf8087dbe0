// "すべてはい" in the search dialog, timed as the user sees it: 100,000
// occurrences in a 5 MB document, replaced (same length and longer) and
// coloured, with the longest stretch without event processing, and how soon
// the progress dialog's "中断" ends a run.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/search_replace_bench
#include "EditProbe.h"
#include "ScriptedDialogs.h"
#include "ui/Cancel.h"
#include "ui/ChangeKakunin.h"
#include "ui/Edit.h"
#include "ui/Search.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace kelvra;

namespace {

constexpr int kLines = 100000;

std::string SampleText() {
    std::string text;
    for (int i = 0; i < kLines; ++i)
        text += "SELECT 社員番号, 氏名 FROM 社員 WHERE 部署 = " + std::to_string(i % 97) + ";\r\n";
    return text;
}

struct Outcome {
    qint64 ms = 0, longestGap = 0, cancelToEnd = -1;
    std::size_t size = 0;
    QString message;
};

// One run over a fresh window; `cancelAfterMs` >= 0 presses "中断" then.
Outcome Measure(int tab, const QString &find, const QString &change, int cancelAfterMs) {
    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::ScriptedDesktop desktop;
    const std::filesystem::path folder = dir.path().toStdString();
    TfrmEdit window(dialogs, desktop, {}, folder, folder);
    window.Initialise();
    window.show();
    EditProbe(window).Editor().SetPlainText(SampleText(), EditProbe(window).EditorFont());
    EditProbe(window).dlgChangeKakunin()->SetAsker([](TdlgChangeKakunin &) { return TdlgChangeKakunin::Result::All; });
    if (tab == 0)
        window.mnuEditSerchClick();
    else
        window.mnuEditChangeClick();
    TfrmSearch &search = *EditProbe(window).frmSearch();
    Part<QComboBox>(&search, "cmbSearch")->setEditText(find);
    Part<QComboBox>(&search, "cmbChangeTo")->setEditText(change);
    Part<QRadioButton>(&search, "radPosFirst")->setChecked(true);

    Outcome out;
    QElapsedTimer clock, gap, sinceCancel;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        out.longestGap = std::max(out.longestGap, gap.restart());
        if (cancelAfterMs >= 0 && !sinceCancel.isValid() && clock.elapsed() >= cancelAfterMs &&
            EditProbe(window).dlgCancel()->isVisible()) {
            sinceCancel.start();
            Part<QPushButton>(EditProbe(window).dlgCancel(), "bitCancel")->click();
        }
    });
    clock.start();
    gap.start();
    ticker.start();
    Part<QPushButton>(&search, "btnChange")->click();
    ticker.stop();
    out.ms = clock.elapsed();
    if (sinceCancel.isValid()) out.cancelToEnd = sinceCancel.elapsed();
    out.size = EditProbe(window).Editor().Text().size();
    out.message = dialogs.Messages().value(0);
    EditProbe(window).Editor().SetModified(false);
    return out;
}

void Report(const char *label, const Outcome &o) {
    std::printf("%-34s %6lld ms  longest gap %4lld ms  text %8zu bytes", label, static_cast<long long>(o.ms),
                static_cast<long long>(o.longestGap), o.size);
    if (o.cancelToEnd >= 0) std::printf("  cancel->end %lld ms", static_cast<long long>(o.cancelToEnd));
    std::printf("  %s\n", o.message.toUtf8().constData());
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    std::printf("document: %zu bytes, %d occurrences\n", SampleText().size(), kLines);
    Report("replace FROM by FROM (same length)", Measure(1, "FROM", "FROM", -1));
    Report("replace FROM by 参照元 (longer)", Measure(1, "FROM", QString::fromUtf8("参照元"), -1));
    Report("search and colour FROM", Measure(0, "FROM", {}, -1));
    Report("replace, cancelled after 250 ms", Measure(1, "FROM", QString::fromUtf8("参照元"), 250));
    return 0;
}
