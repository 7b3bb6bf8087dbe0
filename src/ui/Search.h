#pragma once
// TfrmSearch: the search and replace dialog. A run goes once from the start
// position to the end of the text, asks for each occurrence (until the user
// answers "すべてはい"), colours what it accepts, replaces it in replace mode
// and reports the counts. Also keeps the two history lists and removes all
// colours on request. It reaches the document only through its SearchHost.

#include "settings/SettingsStore.h"
#include "ui/Dialogs.h"
#include "ui/SearchHost.h"

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

enum class SearchMode { Search, Replace };

class TfrmSearch : public QDialog {
    Q_OBJECT
public:
    TfrmSearch(SearchHost &host, Dialogs &dialogs, TdlgChangeKakunin &confirmation, QWidget *parent = nullptr);

    // Opens the dialog on the search or the replace tab, taking over the
    // stored histories of `settings` the first time.
    void OpenOn(SearchMode mode, Settings &settings);
    // Puts the first eight entries of each history into `settings` for saving.
    // Before the dialog has taken the stored histories over they stay as loaded.
    void StoreHistory(Settings &settings) const;

    SearchMode Mode() const { return mode_; }
    QColor MarkingColour() const;

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
    void CreateControls();
    // Gives the main window back its menus, speed buttons, editor and context menu.
    void Unlock();
    void TakeOverHistory(Settings &settings);
    void ShowEditorBackground();
    void SetMarkingColour(const QColor &colour);
    // Reads the dialog into a run and puts both texts on top of their histories.
    void PrepareRun(Run &run);
    // Asks for each occurrence in turn; false when the progress dialog's cancel ended the run.
    bool Search(Run &run);
    // Marks (and replaces) every occurrence of the rest of the text at once.
    bool ActOnAll(Run &run, std::size_t pos);
    QString Summary(const Run &run) const;
    void EndRun();

    SearchHost &host_;
    Dialogs &dialogs_;
    TdlgChangeKakunin &confirmation_;
    SearchMode mode_ = SearchMode::Search;
    bool historyTaken_ = false;

    QTabBar *tabSearch;
    QLabel *lblSearch, *lblChange;
    QComboBox *cmbSearch, *cmbChangeTo;
    QGroupBox *radPos;
    QRadioButton *radPosFirst, *radPosCaret; // "最初から", "カーソル位置から"
    std::array<ColourSwatch *, 16> pnl;      // pnl[0] is pnl1
    QPlainTextEdit *memColorSearch;
    QPushButton *btnColorReset, *btnChange, *btnChangeCancel;
};

} // namespace kelvra
