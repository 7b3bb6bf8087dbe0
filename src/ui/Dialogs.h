#pragma once
// Everything a window asks of the user or of the desktop goes through these
// two interfaces: the real ones use Qt, the tests' ones answer from a script.

#include "formatter/FormatResult.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

class QDialog;
class QPrinter;

namespace kelvra {

enum class Answer { Yes, No, Cancel, Ok };

struct FileDialogRequest {
    QString title; // empty: the platform's default title
    QString initialFolder;
    QString proposedName;  // save dialog: the name offered, without a folder
    QString filter;        // "Sql File (*.sql)|*.sql|..." as stored
    int filterIndex = 1;   // 1-based; the dialog writes back the one chosen
    QString defaultSuffix; // save dialog: appended to a name typed without one
    // Called with the folder shown each time the user moves to another one.
    std::function<void(const QString &)> folderChanged;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with an OK button ("エラー"/"警告" captions, or the program title).
    virtual void Message(const QString &caption, const QString &text, MessageIcon icon) = 0;
    // The confirmation box (title "確認", question icon) with Yes, No and Cancel.
    virtual Answer AskYesNoCancel(const QString &text) = 0;
    // The confirmation box with Yes and No only; true for Yes.
    virtual bool AskYesNo(const QString &text) = 0;
    // The confirmation box with OK and Cancel; true for OK.
    virtual bool AskOkCancel(const QString &text) = 0;
    // File dialogs: the chosen path, or nothing when cancelled.
    virtual std::optional<QString> OpenFile(FileDialogRequest &request) = 0;
    virtual std::optional<QString> SaveFile(FileDialogRequest &request) = 0;
    virtual std::optional<QFont> ChooseFont(const QFont &initial, bool fixedPitchOnly) = 0;
    virtual std::optional<QColor> ChooseColour(const QColor &initial) = 0;

    // Printing, the font dialog with the text colour, and the program's own modal windows.
    // The print dialog for `printer` (whose settings it changes); true when the user confirmed.
    virtual bool Print(QPrinter &printer) = 0;
    // The page and printer setup dialog for `printer`; true when the user confirmed.
    virtual bool PrintSetup(QPrinter &printer) = 0;
    // The font dialog with the text colour among its effects; by default the colour stays.
    virtual std::optional<std::pair<QFont, QColor>> ChooseFontAndColour(const QFont &initial, const QColor &colour,
                                                                        bool fixedPitchOnly) {
        std::optional<QFont> font = ChooseFont(initial, fixedPitchOnly);
        if (!font) return std::nullopt;
        return std::make_pair(*font, colour);
    }
    // Shows `dialog` modally until it is dismissed.
    virtual void ShowModal(QDialog &dialog) = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Starts a further process of the program without waiting, asking it to
    // put its window (frame) at `windowAt`; false when it could not start.
    virtual bool StartProcess(const QString &program, const QStringList &arguments, const QPoint &windowAt) = 0;
    // Where the process that started this one asked for the window; nothing when none asked.
    virtual std::optional<QPoint> AskedWindowPosition() = 0;
    // The folder where the program's windows tell each other where they stand; empty: none.
    virtual QString WindowPlacesFolder() = 0;
    virtual bool OpenUrl(const QString &url) = 0;
    virtual bool ShiftHeld() = 0;
    virtual qint64 TickMs() = 0;
    // The path of the running program.
    virtual QString ProgramPath() = 0;
};

} // namespace kelvra
