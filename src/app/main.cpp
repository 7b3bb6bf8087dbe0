// Kelvra, the SQL editor: process start.
#include "settings/SettingsStore.h"
#include "ui/Edit.h"
#include "ui/QtDialogs.h"
#include "ui/ThemeIcons.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kelvra");
    QApplication::setWindowIcon(kelvra::ThemeIcon("kelvra"));
    // The standard dialogs speak Japanese when Qt's own translation is installed.
    QTranslator qtTranslation;
    if (qtTranslation.load(QLocale(QLocale::Japanese), "qtbase", "_",
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslation);

    const std::filesystem::path programFolder = kelvra::ExecutableFolder();
    kelvra::QtDialogs dialogs;
    kelvra::QtDesktop desktop;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    kelvra::TfrmEdit window(dialogs, desktop, arguments, kelvra::SettingsFolder(programFolder), programFolder);
    dialogs.SetParent(&window);
    if (!window.Initialise()) return 1;
    window.show();
    return app.exec();
}
