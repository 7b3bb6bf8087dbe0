#pragma once
// TdlgCancel: the progress dialog of a format run, with its two bars and
// "中断". Showing it locks the main window; hiding or closing it unlocks it.

#include "formatter/ProgressSink.h"

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <functional>

class QProgressBar;
class QPushButton;

namespace kelvra {

class TdlgCancel : public QDialog {
    Q_OBJECT
public:
    explicit TdlgCancel(QWidget *parent = nullptr);

    // Locks (true) or unlocks (false) the main window.
    void SetLockHandler(std::function<void(bool)> lock) { lock_ = std::move(lock); }

    // Shows the dialog without waiting: clears the flag and locks the main window.
    void ShowForRun();
    // A format run: both bars at zero, the second one counting `stageMaximum` steps.
    void ShowForFormat(int stageMaximum);
    // A search run through every remaining occurrence: the first bar only.
    void ShowForSearch();
    // Both bars full, at the normal end of a format run.
    void FillBars();
    // Closes the dialog and shows both bars again for the next run.
    void CloseRun();
    bool CancelRequested() const { return cancelRequested_; }

public slots:
    void bitCancelClick();
    void reject() override; // Esc presses "中断"

protected:
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    friend class CancelProgressSink;
    QProgressBar *prgBar1;
    QProgressBar *prgBar2;
    QPushButton *bitCancel;
    std::function<void(bool)> lock_;
    bool cancelRequested_ = false;
};

// The format core's view of the dialog: sets the bars and lets the window
// system process pending events at most every ~30 ms.
class CancelProgressSink : public ProgressSink {
public:
    explicit CancelProgressSink(TdlgCancel &dialog);
    void SetBar1(std::int64_t position, std::int64_t maximum) override;
    void SetBar2(int position, int maximum) override;
    void StepBar2() override;
    bool CancelRequested() override;

private:
    TdlgCancel &dialog_;
    QElapsedTimer sincePump_;
};

// The same for a core that runs on another thread: the core's calls only
// record the bars' positions and read the cancel flag; the window shows them
// with Show, called from its own thread, which also passes "中断" on.
class BackgroundProgressSink : public ProgressSink {
public:
    // `stepsAfter`: steps of the second bar that the window's own work takes
    // after the core's, so that the bar is full only when all is done.
    explicit BackgroundProgressSink(int stepsAfter = 0) : stepsAfter_(stepsAfter) {}
    void SetBar1(std::int64_t position, std::int64_t maximum) override;
    void SetBar2(int position, int maximum) override;
    void StepBar2() override;
    bool CancelRequested() override { return cancel_.load(std::memory_order_relaxed); }
    void Cancel() { cancel_ = true; }
    // In the window's thread: the bars take the recorded positions; a pressed "中断" cancels.
    void Show(TdlgCancel &dialog);

private:
    std::atomic<std::int64_t> bar1_{0}, bar1Max_{0};
    std::atomic<int> bar2_{0}, bar2Max_{0};
    std::atomic<bool> cancel_{false};
    const int stepsAfter_;
};

} // namespace kelvra
