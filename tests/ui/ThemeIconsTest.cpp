// Speed-button icons on a desktop without an icon theme.

#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/Edit.h"
#include "ui/ThemeIcons.h"

#include <QAction>
#include <QTest>
#include <QToolBar>

using namespace kelvra;
using namespace kelvra::test;

class ThemeIconsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QIcon::setThemeSearchPaths({});
        QIcon::setThemeName(QStringLiteral("no-such-theme"));
    }

    void everyNameHasABuiltInIcon() {
        for (const QString &name : BundledIconNames()) {
            const QIcon icon = ThemeIcon(name);
            QVERIFY2(!icon.isNull(), qPrintable(name));
            QVERIFY2(!icon.pixmap(16, 16).isNull(), qPrintable(name));
            QVERIFY2(icon.availableSizes().contains(QSize(32, 32)), qPrintable(name));
        }
        QVERIFY(ThemeIcon(QStringLiteral("no-such-icon")).isNull());
    }

    // Every speed button shows a picture, and no two show the same one.
    void everySpeedButtonHasItsOwnIcon() {
        EditHarness h;
        QVERIFY(h.Start());
        auto *bar = h.window->findChild<QToolBar *>(QStringLiteral("SpdBar"));
        QVERIFY(bar);
        QSet<QByteArray> pictures;
        int buttons = 0;
        for (QAction *a : bar->actions()) {
            if (a->isSeparator()) continue;
            ++buttons;
            QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
            const QImage image = a->icon().pixmap(16, 16).toImage();
            pictures.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(buttons, 14);
        QCOMPARE(pictures.size(), buttons);
    }
};

QTEST_MAIN(ThemeIconsTest)
#include "ThemeIconsTest.moc"
