// The main window with the real Qt dialogs and message boxes, driven the way a
// user meets them: what stands above what, where the focus is, what a dialog
// opens on and what Enter does.
#include "ScriptedDialogs.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace kelvra;
using namespace kelvra::test;

namespace {

QString U(const char *s) { return QString::fromUtf8(s); }

// Runs `look` on the first modal window that comes up, then closes it with `close`.
void WhenModalUp(std::function<void(QWidget *)> look, std::function<void(QWidget *)> close) {
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, look, close] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        look(w);
        close(w);
    });
    poll->start(10);
}

void PressEnter(QWidget *w) { QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return); }

struct Harness {
    QTemporaryDir dir;
    QtDialogs dialogs;
    ScriptedDesktop desktop;
    std::unique_ptr<TfrmEdit> window;

    bool Start(const QStringList &args = {}) {
        const std::filesystem::path folder = dir.path().toStdString();
        window = std::make_unique<TfrmEdit>(dialogs, desktop, args, folder, folder);
        dialogs.SetParent(window.get());
        if (!window->Initialise()) return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
};

} // namespace

class RealDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // The boxes a format run shows while its always-on-top progress dialog is up.
    void messagesOfARunStandAboveTheProgressDialogWithFocus_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("caption");
        QTest::newRow("unmatched quote") << "select 'abc from t" << false << U("エラー");
        QTest::newRow("timing summary") << "select a from t" << true << U("Untitled");
    }
    void messagesOfARunStandAboveTheProgressDialogWithFocus() {
        QFETCH(QString, text);
        QFETCH(bool, shift);
        QFETCH(QString, caption);
        Harness h;
        QVERIFY(h.Start());
        h.window->rchOut->setPlainText(text);
        h.desktop.shift = shift;
        bool seen = false, progressUp = false, onTop = false, ownedByProgress = false, active = false, wideEnough = false;
        QString title;
        WhenModalUp(
            [&](QWidget *w) {
                seen = qobject_cast<QMessageBox *>(w) != nullptr;
                progressUp = h.window->dlgCancel->isVisible();
                onTop = w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                ownedByProgress = w->parentWidget() == h.window->dlgCancel;
                active = QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 2000) &&
                         QApplication::focusWidget() && QApplication::focusWidget()->window() == w;
                title = w->windowTitle();
                int widest = w->fontMetrics().horizontalAdvance(w->windowTitle());
                for (QLabel *label : w->findChildren<QLabel *>())
                    for (const QString &line : label->text().split('\n'))
                        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
                wideEnough = w->width() > widest;
            },
            [](QWidget *w) { PressEnter(w); });
        h.window->mnuExeRunClick();
        QVERIFY(seen);
        QVERIFY(progressUp);
        QVERIFY(onTop);
        QVERIFY(ownedByProgress);
        QVERIFY(active);
        QVERIFY(wideEnough);
        QCOMPARE(title, caption);
        QVERIFY(!h.window->dlgCancel->isVisible()); // the run ended once the box was closed
    }
};

QTEST_MAIN(RealDialogsTest)
#include "RealDialogsTest.moc"
