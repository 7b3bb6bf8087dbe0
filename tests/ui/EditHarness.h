#pragma once
// The main window as the window tests build it: scripted dialogs and desktop,
// its settings and program folder in a fresh temporary folder, and the few
// ways the tests put text in its editor and read it back.

#include "EditProbe.h"
#include "ScriptedDialogs.h"
#include "support/TempDir.h"
#include "ui/Edit.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string>

namespace kelvra::test {

// Writes `bytes` to `path`, making its folder first.
inline bool WriteFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The bytes of the file at `path`; none when it cannot be read.
inline QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file-system path as the windows take it.
inline QString QtPath(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

// `DialogsKind` is ScriptedDialogs, or the real QtDialogs where a test drives the boxes themselves.
template <typename DialogsKind> struct EditHarnessOf {
    TempDir dir{"kelvra-window"};
    DialogsKind dialogs;
    ScriptedDesktop desktop;
    std::unique_ptr<TfrmEdit> window;

    // Builds the window with `args`; settings and program folder are `dir` unless given.
    void Build(const QStringList &args = {}) { BuildIn(dir.path(), dir.path(), args); }
    void BuildIn(const std::filesystem::path &settings, const std::filesystem::path &program,
                 const QStringList &args = {}) {
        window = std::make_unique<TfrmEdit>(dialogs, desktop, args, settings, program);
    }
    // Builds and initialises the window, as the program does at start.
    bool Start(const QStringList &args = {}) { return StartIn(dir.path(), dir.path(), args); }
    bool StartIn(const std::filesystem::path &settings, const std::filesystem::path &program,
                 const QStringList &args = {}) {
        BuildIn(settings, program, args);
        return window->Initialise();
    }
    // Starts the window and shows it.
    bool StartShown(const QStringList &args = {}) {
        if (!Start(args)) return false;
        window->show();
        return true;
    }

    QString Folder() const { return QtPath(dir.path()); }
    QString Path(const QString &name) const { return QDir(Folder()).filePath(name); }
    // Writes the settings file the window reads at start.
    bool WriteIni(const QByteArray &bytes) const { return WriteFile(Path("Kelvra.ini"), bytes); }

    EditProbe Probe() { return EditProbe(window); }
    std::string Text() { return Probe().Editor().Text(); }
    // Puts `text` in the editor, as an edit would (modified) or as a file just opened (not modified).
    void SetText(const std::string &text, bool modified = true) {
        Probe().Editor().SetPlainText(text, Probe().EditorFont());
        Probe().Editor().SetModified(modified);
    }
};

using EditHarness = EditHarnessOf<ScriptedDialogs>;

} // namespace kelvra::test
