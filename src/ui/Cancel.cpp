#include "ui/Cancel.h"
#include "ui/UiTexts.h"
#include "ui/WindowFont.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

namespace kelvra {

TdlgCancel::TdlgCancel(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("dlgCancel");
    setWindowTitle(texts::U(texts::kProgressTitle));
    setModal(false);
    setFixedSize(342, 90);
    setFont(GothicFont(13));

    prgBar1 = new QProgressBar(this);
    prgBar1->setObjectName("prgBar1");
    prgBar1->setGeometry(8, 8, 329, 17);
    prgBar1->setRange(0, 100);
    prgBar1->setTextVisible(false);
    prgBar2 = new QProgressBar(this);
    prgBar2->setObjectName("prgBar2");
    prgBar2->setGeometry(8, 32, 329, 16);
    prgBar2->setRange(0, 100);
    prgBar2->setTextVisible(false);
    bitCancel = new QPushButton(texts::U(texts::kInterrupt), this);
    bitCancel->setObjectName("bitCancel");
    bitCancel->setGeometry(129, 57, 81, 25);
    bitCancel->setCursor(Qt::PointingHandCursor);
    connect(bitCancel, &QPushButton::clicked, this, &TdlgCancel::bitCancelClick);
}

void TdlgCancel::ShowForRun() {
    cancelRequested_ = false;
    if (lock_) lock_(true);
    show();
    raise();
}

void TdlgCancel::ShowForFormat(int stageMaximum) {
    prgBar1->setValue(0);
    prgBar2->setRange(0, stageMaximum);
    prgBar2->setValue(0);
    ShowForRun();
}

void TdlgCancel::ShowForSearch() {
    prgBar1->setValue(0);
    prgBar2->hide();
    ShowForRun();
}

void TdlgCancel::FillBars() {
    prgBar1->setValue(prgBar1->maximum());
    prgBar2->setValue(prgBar2->maximum());
}

void TdlgCancel::CloseRun() {
    close();
    prgBar2->show();
}

void TdlgCancel::bitCancelClick() {
    cancelRequested_ = true;
    hide();
}

void TdlgCancel::reject() { bitCancelClick(); }

void TdlgCancel::hideEvent(QHideEvent *event) {
    if (lock_) lock_(false);
    QDialog::hideEvent(event);
}

void TdlgCancel::closeEvent(QCloseEvent *event) {
    if (lock_) lock_(false);
    QDialog::closeEvent(event);
}

CancelProgressSink::CancelProgressSink(TdlgCancel &dialog) : dialog_(dialog) { sincePump_.start(); }

namespace {

// The bar holds ints; long stages count in the billions, so it shows per mille.
void ShowBar1(QProgressBar *bar, std::int64_t position, std::int64_t maximum) {
    const int max = 1000;
    const int pos = maximum > 0 ? static_cast<int>(std::min<std::int64_t>(max, position * max / maximum)) : 0;
    if (bar->maximum() != max) bar->setRange(0, max);
    if (bar->value() != pos) bar->setValue(pos);
}

} // namespace

void CancelProgressSink::SetBar1(std::int64_t position, std::int64_t maximum) {
    ShowBar1(dialog_.prgBar1, position, maximum);
}

void CancelProgressSink::SetBar2(int position, int maximum) {
    dialog_.prgBar2->setRange(0, maximum);
    dialog_.prgBar2->setValue(position);
}

void CancelProgressSink::StepBar2() {
    dialog_.prgBar2->setValue(std::min(dialog_.prgBar2->value() + 1, dialog_.prgBar2->maximum()));
}

bool CancelProgressSink::CancelRequested() {
    // Work asks between steps of about 20 ms: each ask after one lets the window answer.
    constexpr qint64 kPumpMs = 15;
    if (sincePump_.elapsed() >= kPumpMs) {
        QCoreApplication::processEvents();
        sincePump_.restart();
    }
    return dialog_.CancelRequested();
}

void BackgroundProgressSink::SetBar1(std::int64_t position, std::int64_t maximum) {
    bar1Max_.store(maximum, std::memory_order_relaxed);
    bar1_.store(position, std::memory_order_relaxed);
}

void BackgroundProgressSink::SetBar2(int position, int maximum) {
    bar2Max_.store(maximum + stepsAfter_, std::memory_order_relaxed);
    bar2_.store(position, std::memory_order_relaxed);
}

// The next step starts with an empty first bar; it is emptied before the step
// counts, and Show reads in the other order, so a full first bar never shows
// beside the new step.
void BackgroundProgressSink::StepBar2() {
    if (bar2_.load() < bar2Max_.load()) {
        bar1_.store(0);
        bar2_.fetch_add(1);
    }
}

void BackgroundProgressSink::Show(TdlgCancel &dialog) {
    if (dialog.CancelRequested()) Cancel();
    if (!dialog.isVisible()) return;
    CancelProgressSink bars(dialog);
    const int max = bar2Max_.load();
    const int step = bar2_.load();
    bars.SetBar1(bar1_.load(), bar1Max_.load());
    if (max > 0) bars.SetBar2(std::min(step, max), max);
}

} // namespace kelvra
