#pragma once
// TfrmSearch: the search and replace dialog. A run goes once from the start
// position to the end of the text, asks for each occurrence (until the user
// answers "すべてはい"), colours what it accepts, replaces it in replace mode
// and reports the counts. Also keeps the two history lists and removes all
// colours on request.

#include "keywords/SettingsStore.h"
#include "ui/Dialogs.h"

#include <QDialog>
#include <array>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabBar;

namespace kelvra {

class ColourSwatch;
class TdlgChangeKakunin;
class TfrmEdit;

class TfrmSearch : public QDialog {
    Q_OBJECT
public:
    TfrmSearch(TfrmEdit &owner, Dialogs &dialogs, TdlgChangeKakunin &confirmation, QWidget *parent = nullptr);

    // Opens the dialog on tab 0 ("検索") or 1 ("置換"), taking over the
    // stored histories of `settings` the first time.
    void OpenOn(int tab, Settings &settings);
    // Puts the first eight entries of each history into `settings` for saving.
    // Before the dialog has taken the stored histories over they stay as loaded.
    void StoreHistory(Settings &settings) const;

    QString searchMode = "S"; // "S" search, "C" replace
    QColor MarkingColour() const;

    // Components.
    QTabBar *tabSearch;
    QLabel *lblSearch, *lblChange;
    QComboBox *cmbSearch, *cmbChangeTo;
    QGroupBox *radPos;
    QRadioButton *radPosFirst, *radPosCaret; // "最初から", "カーソル位置から"
    std::array<ColourSwatch *, 16> pnl;      // pnl[0] is pnl1
    QPlainTextEdit *memColorSearch;
    QPushButton *btnColorReset, *btnChange, *btnChangeCancel;

public slots:
    void tabSearchChange(int index);
    void pnlClick(QColor colour);
    void btnColorResetClick();
    void btnChangeClick();
    void btnChangeCancelClick();
    void reject() override; // Esc closes the dialog

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Run;
    // Gives the main window back its menus, speed buttons, editor and context menu.
    void Unlock();
    void TakeOverHistory(Settings &settings);
    void ShowEditorBackground();
    void SetMarkingColour(const QColor &colour);
    // The run's steps 5 to 12; false when the progress dialog's cancel ended it.
    bool Search(Run &run);
    // Marks (and replaces) every occurrence of the rest of the text at once.
    bool ActOnAll(Run &run, std::size_t pos);
    void EndRun(bool busy);

    TfrmEdit &owner_;
    Dialogs &dialogs_;
    TdlgChangeKakunin &confirmation_;
    bool historyTaken_ = false;
};

} // namespace kelvra
