// The main window with the real Qt dialogs and message boxes, driven the way a
// user meets them: what stands above what, where the focus is, what a dialog
// opens on and what Enter does.
#include "ScriptedDialogs.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
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

    // The font command with the real dialog: it opens on the editor's font in its
    // own style, and Enter anywhere confirms the whole dialog, leaving the font as it was.
    void fontDialogOpensOnTheEditorFontAndEnterKeepsIt() {
        Harness h;
        QVERIFY(h.Start());
        QFont before = h.window->EditorFont.font;
        before.setPointSize(13);
        before.setBold(false);
        before.setItalic(false);
        h.window->EditorFont.font = before;
        QString family, style;
        WhenModalUp(
            [&](QWidget *w) {
                if (auto *list = w->findChild<QListWidget *>("families"); list && list->currentItem())
                    family = list->currentItem()->text();
                if (auto *list = w->findChild<QListWidget *>("styles"); list && list->currentItem())
                    style = list->currentItem()->text();
            },
            [](QWidget *w) {
                PressEnter(w);
                // A dialog that Enter did not close is cancelled, so the test ends.
                QTimer::singleShot(500, [] {
                    if (QWidget *still = QApplication::activeModalWidget()) QTest::keyClick(still, Qt::Key_Escape);
                });
            });
        h.window->mnuFormatFontClick();
        QCOMPARE(family, QFontInfo(before).family());
        QVERIFY(!style.contains("Italic") && !style.contains("Oblique"));
        const QFont after = h.window->EditorFont.font;
        QCOMPARE(after.family(), before.family());
        QCOMPARE(after.pointSize(), 13);
        QVERIFY(!after.italic());
        QCOMPARE(after.weight(), before.weight());
    }

    // Monospaced Japanese fonts are fixed-pitch for the list, also those that
    // fontconfig calls dual-width.
    void fixedPitchFontListOffersMonospacedJapaneseFonts() {
        const QString cjkMono = "Noto Sans Mono CJK JP";
        if (!QFontDatabase::families().contains(cjkMono)) QSKIP("Noto Sans Mono CJK JP is not installed");
        Harness h;
        QVERIFY(h.Start());
        QStringList offered;
        WhenModalUp(
            [&](QWidget *w) {
                for (QAbstractItemView *view : w->findChildren<QAbstractItemView *>())
                    for (int row = 0; row < view->model()->rowCount(); ++row)
                        offered << view->model()->index(row, 0).data().toString();
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFormatFontClick();
        QVERIFY(offered.contains(cjkMono));
        QVERIFY(offered.contains("DejaVu Sans Mono") || !QFontDatabase::families().contains("DejaVu Sans Mono"));
        QVERIFY(!offered.contains("DejaVu Sans")); // proportional fonts stay out
    }

    void revertQuestionOffersYesAndNoOnly() {
        Harness h;
        QVERIFY(h.Start());
        h.window->revertText = "select 1";
        QStringList buttons;
        WhenModalUp(
            [&](QWidget *w) {
                for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
                    if (b->isVisible()) buttons << b->text();
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuEditRichUndoClick();
        buttons.sort();
        QCOMPARE(buttons, (QStringList{U("いいえ(&N)"), U("はい(&Y)")}));
        QVERIFY(h.window->rchOut->toPlainText().isEmpty()); // Esc is No
    }

    // The background colour dialog offers swatches only: nothing opens a colour editor.
    void colourDialogHasNoColourEditor() {
        Harness h;
        QVERIFY(h.Start());
        bool editor = true, swatches = false;
        WhenModalUp(
            [&](QWidget *w) {
                editor = !w->findChildren<QSpinBox *>().isEmpty() || !w->findChildren<QLineEdit *>().isEmpty();
                swatches = w->findChildren<QToolButton *>().size() >= 48;
                for (QPushButton *b : w->findChildren<QPushButton *>())
                    if (b->isVisible() && b->text().contains("Pick Screen")) editor = true;
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFormatColorClick();
        QVERIFY(!editor);
        QVERIFY(swatches);
    }
};

QTEST_MAIN(RealDialogsTest)
#include "RealDialogsTest.moc"
