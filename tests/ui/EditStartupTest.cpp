// The main window as it starts: what the settings file may and may not do to
// its placement, where the settings are read from, and the caption.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/Edit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTest>

using namespace kelvra;
using namespace kelvra::test;

namespace {

QRect DesktopArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

struct Harness : EditHarness {
    // Settings in the folder `settingsSub`, the program in `programSub` (both under dir).
    bool StartApart(const QString &settingsSub, const QString &programSub) {
        return QDir(Folder()).mkpath(settingsSub) && QDir(Folder()).mkpath(programSub) &&
               StartIn(dir / settingsSub.toStdString(), dir / programSub.toStdString());
    }
};

} // namespace

class EditStartupTest : public QObject {
    Q_OBJECT
private slots:
    void storedPlacementNeverTakesTheWindowOffTheDesktop_data() {
        QTest::addColumn<QByteArray>("setting");
        QTest::newRow("huge size, far position")
            << QByteArray("Top=99999\r\nLeft=-99999\r\nHeight=2147483647\r\nWidth=100000\r\n");
        QTest::newRow("negative size, position far right")
            << QByteArray("Top=-99999\r\nLeft=99999\r\nHeight=-5\r\nWidth=0\r\n");
        QTest::newRow("desktop size, corner") << QByteArray("Top=0\r\nLeft=0\r\nHeight=100000\r\nWidth=100000\r\n");
    }
    void storedPlacementNeverTakesTheWindowOffTheDesktop() {
        QFETCH(QByteArray, setting);
        Harness h;
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nSavePos=True\r\nSaveSize=True\r\n" + setting));
        QVERIFY(h.Start());
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        const QRect area = DesktopArea();
        // No bigger than the desktop, its title bar and most of it on the desktop.
        QVERIFY(h.window->width() <= area.width() && h.window->height() <= area.height());
        QVERIFY(h.window->frameGeometry().top() >= area.top());
        QVERIFY(area.contains(h.window->geometry().center()));
        QVERIFY(area.contains(h.window->geometry().topLeft()));
        QVERIFY(h.window->width() >= 100 && h.window->height() >= 100);
        // And it still ends when asked.
        QVERIFY(h.window->close());
    }

    void storedSizeIsCentredWhenThePositionIsNotKept() {
        Harness h;
        QVERIFY(WriteFile(h.Path("Kelvra.ini"),
                          "[Setting]\r\nSavePos=False\r\nSaveSize=True\r\nHeight=300\r\nWidth=420\r\n"));
        QVERIFY(h.Start());
        QCOMPARE(h.window->size(), QSize(420, 300));
        const QPoint offset = h.window->geometry().center() - DesktopArea().center();
        QVERIFY(offset.manhattanLength() <= 2);
    }

    void untitledCaptionStaysAfterALaunchSwitchWithoutFile() {
        for (const char *sw : {"-X1", "-X2"}) {
            Harness h;
            QVERIFY(h.Start({sw}));
            h.window->show();
            h.window->resize(500, 300); // every resize renews the caption
            QCOMPARE(h.window->windowTitle(), QString("Kelvra - Untitled"));
            QCOMPARE(EditProbe(h.window).DocPath(), QString("Untitled.rtf"));
        }
    }

    // The history menu shows a path with "&" as it is and opens that path.
    void historyEntriesShowAmpersandsAsTheyAre() {
        Harness h;
        QVERIFY(WriteFile(h.Path("R&D_query.sql"), "select 1"));
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[History]\r\nPath1=" + h.Path("R&D_query.sql").toUtf8() + "\r\n"));
        QVERIFY(h.Start());
        QAction *item = EditProbe(h.window).Action("mnuFileRireki1");
        QCOMPARE(item->text(), h.Path("R&&D_query.sql")); // "&&" is how a menu shows one "&"
        QCOMPARE(h.window->HistoryEntry(0), h.Path("R&D_query.sql"));
        item->trigger();
        QCOMPARE(EditProbe(h.window).DocPath(), h.Path("R&D_query.sql"));
        QCOMPARE(EditProbe(h.window).Editor().Text(), std::string("select 1"));
        QVERIFY(h.window->close());
        QVERIFY(ReadAll(h.Path("Kelvra.ini")).contains("Path1=" + h.Path("R&D_query.sql").toUtf8() + "\r\n"));
    }

    void startupFileTakesTheStoredFontAndColour() {
        Harness h;
        QVERIFY(WriteFile(h.Path("a.sql"), "select 1"));
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nFontSize=20\r\nFontColor=255\r\n"));
        QVERIFY(h.Start({h.Path("a.sql")}));
        const QTextCharFormat format = EditProbe(h.window).rchOut()->Model().FormatAt(0);
        QCOMPARE(format.font().pointSize(), 20);
        QCOMPARE(format.foreground().color(), QColor(255, 0, 0));
        QVERIFY(!EditProbe(h.window).Editor().Modified());
    }

    // A program folder the user cannot write sends the settings elsewhere; the
    // settings the user keeps beside the program are read until that place has its own.
    void settingsBesideTheProgramAreReadUntilTheSettingsFolderHasItsOwn() {
        Harness h;
        const QByteArray beside = "[Setting]\r\nFontSize=20\r\n[History]\r\nPath1=/data/q.sql\r\n";
        QVERIFY(WriteFile(h.Path("bin/Kelvra.ini"), beside));
        QVERIFY(h.StartApart("config", "bin"));
        QCOMPARE(EditProbe(h.window).EditorFont().font.pointSize(), 20);
        QCOMPARE(h.window->HistoryEntry(0), QString("/data/q.sql"));
        QVERIFY(h.window->close());
        const QByteArray written = ReadAll(h.Path("config/Kelvra.ini"));
        QVERIFY(written.contains("FontSize=20\r\n"));
        QVERIFY(written.contains("Path1=/data/q.sql\r\n"));
        QCOMPARE(ReadAll(h.Path("bin/Kelvra.ini")), beside);

        // From now on the settings folder's own file counts.
        Harness again;
        QVERIFY(WriteFile(again.Path("bin/Kelvra.ini"), beside));
        QVERIFY(WriteFile(again.Path("config/Kelvra.ini"), "[Setting]\r\nFontSize=12\r\n"));
        QVERIFY(again.StartApart("config", "bin"));
        QCOMPARE(EditProbe(again.window).EditorFont().font.pointSize(), 12);
    }
};

QTEST_MAIN(EditStartupTest)
#include "EditStartupTest.moc"
