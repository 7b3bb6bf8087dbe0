#pragma once
// The real dialogs and desktop services, on Qt.

#include "ui/Dialogs.h"

class QWidget;

namespace kelvra {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget *parent) { parent_ = parent; }
    void Message(const QString &caption, const QString &text, MessageIcon icon) override;
    Answer AskYesNoCancel(const QString &text) override;
    bool AskYesNo(const QString &text) override;
    bool AskOkCancel(const QString &text) override;
    std::optional<QString> OpenFile(FileDialogRequest &request) override;
    std::optional<QString> SaveFile(FileDialogRequest &request) override;
    std::optional<QFont> ChooseFont(const QFont &initial, bool fixedPitchOnly) override;
    std::optional<QColor> ChooseColour(const QColor &initial) override;
    bool Print(QPrinter &printer) override;
    bool PrintSetup(QPrinter &printer) override;
    std::optional<std::pair<QFont, QColor>> ChooseFontAndColour(const QFont &initial, const QColor &colour,
                                                                bool fixedPitchOnly) override;
    void ShowModal(QDialog &dialog) override;

private:
    QWidget *parent_;
};

class QtDesktop : public Desktop {
public:
    bool StartProcess(const QString &program, const QStringList &arguments, const QPoint &windowAt) override;
    std::optional<QPoint> AskedWindowPosition() override;
    QString WindowPlacesFolder() override;
    bool OpenUrl(const QString &url) override;
    bool ShiftHeld() override;
    qint64 TickMs() override;
    QString ProgramPath() override;
};

// "Sql File (*.sql)|*.sql|..." as a Qt name filter list.
QStringList QtNameFilters(const QString &filter);

} // namespace kelvra
