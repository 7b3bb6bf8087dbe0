#pragma once
// TfrmEdit: the main window. Menus, speed buttons, the editor rchOut and the
// status bar; the document, its file and the recent-file history; the format
// command's window side; the settings menu.

#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"
#include "keywords/SettingsStore.h"
#include "platform/DocumentFile.h"
#include "platform/PlainTextFile.h"
#include "ui/Dialogs.h"
#include "ui/EditorSurface.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QPrinter;
class QTextDocument;

namespace kelvra {

class TdlgCancel;
class TfrmKey;
class TfrmSearch;
class TdlgChangeKakunin;
class TfrmAboutBox;
class TfrmPallet;
struct LineInsertion;

// Ends a command quietly: the user declined, nothing to report.
struct CommandDeclined {};

class TfrmEdit : public QMainWindow {
    Q_OBJECT
public:
    // `settingsFolder` holds Kelvra.ini; `programFolder` is the default folder of the dialogs.
    TfrmEdit(Dialogs &dialogs, Desktop &desktop, const QStringList &arguments,
             const std::filesystem::path &settingsFolder, const std::filesystem::path &programFolder,
             QWidget *parent = nullptr);
    ~TfrmEdit() override;

    // Runs the creation steps; false when the program must end ("初期処理でエラーが発生しました" shown).
    bool Initialise();

    // State of the document and the window.
    QString AppName = "Kelvra";
    QString UntitledName = "Untitled";
    QString DocPath;
    EditorFontState EditorFont;
    QString LastFolder;
    int LaunchMode = 0;
    std::string revertText;

    EditorOptions &Options() { return options_; }
    KeywordCatalogue &Catalogue() { return catalogue_; }
    Settings &StoredSettings() { return settings_; }
    EditorSurface &Editor() { return editor_; }
    QString ApplicationTitle() const { return applicationTitle_; }
    QString StatusText(int panel) const;
    QString HistoryEntry(int index) const; // 0..7
    void SetHistoryEntry(int index, const QString &path);

    // Operations other windows use.
    void UpdateCaption();
    void UpdateCaretPos();
    void ShowLongHint(const QString &hint);
    void ToggleBusyCursor();
    void LoadDocument(const QString &path);
    void SaveDocument(const QString &path);
    void StartInstance(const QStringList &arguments);
    void AddToHistory(const QString &path);
    void OpenPath(const QString &path);
    void WMDropFiles(const QStringList &paths);
    void SetIndentWidth(int n);
    // The main window's lock while a format run's progress dialog is up.
    void SetRunLock(bool locked);
    void LoadSettings();
    void SaveSettings();

    // Components.
    QPlainTextEdit *rchOut;
    QToolBar *SpdBar;
    QLabel *staPanels[3];
    QMenu *mnuFileMenu, *mnuEditMenu, *mnuExeMenu, *mnuFormatMenu, *mnuHelpMenu, *popMenu;
    QMenu *mnuFileRekiOpen, *mnuFormatComma, *mnuFormatIndent;
    QAction *mnuFileDup, *mnuFileNew, *mnuFileOpen, *mnuFileSave, *mnuFileSaveAs, *mnuFilePrint,
        *mnuFilePrintSetup, *mnuFileExit;
    std::array<QAction *, 8> mnuFileRireki;
    QAction *mnuEditRichUndo, *mnuEditUndo, *mnuEditAll, *mnuEditCut, *mnuEditCopy, *mnuEditPaste,
        *mnuEditSerch, *mnuEditChange;
    QAction *mnuExeRun, *mnuExeSpace, *mnuExeS, *mnuExeComment;
    QAction *mnuFormatFont, *mnuFormatColor, *mnuFormatSaveCheck, *mnuFormatIchi, *mnuFormatSize,
        *mnuFormatPath, *mnuFormatYoyaku, *mnuFormatLfSp, *mnuCommaAfter, *mnuCommaBefore, *mnuFormatBold,
        *mnuFormatMode;
    std::array<QAction *, 10> mnuKeta;
    QAction *mnuHelpSQLHelp, *mnuHelpHelp, *mnuHelpAbout;
    QAction *pmnuMarking, *pmnuUndo, *pmnuCut, *pmnuCopy, *pmnuPaste, *pmnuExeRun;
    QAction *spdDup, *spdNew, *spdOpen, *spdSave, *spdSaveAs, *spdPrint, *spdUndo, *spdSelectAll, *spdCut,
        *spdCopy, *spdPaste, *spdGo, *spdFind, *spdChange;

    // The other windows, created once with the main window.
    TdlgCancel *dlgCancel;
    TfrmKey *frmKey = nullptr;
    TfrmSearch *frmSearch = nullptr;
    TdlgChangeKakunin *dlgChangeKakunin = nullptr;
    TfrmAboutBox *frmAboutBox = nullptr;
    TfrmPallet *frmPallet = nullptr;

public slots:
    // Files.
    void mnuFileDupClick();
    void mnuFileNewClick();
    void mnuFileOpenClick();
    void mnuFileSaveClick();
    void mnuFileSaveAsClick();
    void mnuFileRirekiClick(int index);
    void mnuFileExitClick();
    // Format command and revert.
    void mnuExeRunClick();
    void mnuEditRichUndoClick();
    // Settings menu.
    void mnuFormatSaveCheckClick();
    void mnuFormatIchiClick();
    void mnuFormatSizeClick();
    void mnuFormatPathClick();
    void mnuFormatLfSpClick();
    void mnuFormatBoldClick();
    void mnuFormatModeClick();
    void mnuCommaAfterClick();
    void mnuCommaBeforeClick();
    void mnuKetaClick(int n);
    void mnuFormatYoyakuClick();
    // Editing and line-end commands, font, colour, printing, help and about.
    void mnuEditUndoClick();
    void mnuEditCutClick();
    void mnuEditCopyClick();
    void mnuEditPasteClick();
    void mnuEditAllClick();
    void mnuExeSpaceClick();
    void mnuExeSClick();
    void mnuExeCommentClick();
    void mnuFormatFontClick();
    void mnuFormatColorClick();
    void mnuFilePrintClick();
    void mnuFilePrintSetupClick();
    void mnuHelpSQLHelpClick();
    void mnuHelpHelpClick();
    void mnuHelpAboutClick();
    // Search, replace and colour marking.
    void mnuEditSerchClick();
    void mnuEditChangeClick();
    void pmnuMarkingClick();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateEditor();
    void CreateActions();
    void CreateMenus();
    void CreateSpeedButtons();
    void CreateStatusBar();
    void CreateOtherWindows();
    // Enables the commands whose windows exist; built with those windows.
    void WireEditingCommands();
    void WireKeyDialog();
    void WireSearchCommands();
    // Closes the reserved-word dialog (which applies its stored states again).
    void CloseKeyDialog();

    void HandleCommandLine();
    void ApplyViewerLock();
    bool MenuEnabled(QMenu *menu) const;
    // Runs a command inside its error guard: a failure shows "message" and resets the cursor.
    void Guarded(const char *message, const std::function<void()> &command);
    void ShowError(const QString &text);
    void ResetCursor();
    void SetApplicationTitle(const QString &path);
    QString ShortenedPath(const QString &path) const;
    void BindDocument(const QString &path); // DocPath, caption, title
    void ClearEditorWithFont();
    void ReadIntoEditor(const QString &path, bool richWanted);
    // Asks before bytes that do not decode are replaced; throws CommandDeclined on No.
    void ConfirmUndecodable(const QString &path, const std::vector<std::size_t> &badOffsets);
    std::string EncodeForSave(const QString &path);
    StyledText ContentForSave(DocumentKind kind);
    void AwayFromTheWindow(std::size_t size, const std::function<void()> &work);
    bool AskSaveChanges(); // false: the user cancelled
    QString ExistingFolder(const QString &stored) const;
    FileDialogRequest OpenRequest();
    FileDialogRequest SaveRequest();
    void ApplyOptionsToMenus();
    void ReadOptionsFromMenus();
    QColor ColorFromStored(StoredColor c, bool background) const;
    StoredColor StoredFromColor(const QColor &c) const;
    void ApplyBackground(const QColor &color);
    SettingsOutcome ReadStoredSettings();
    void PlaceWindow();
    void EndFormatRun();
    // Sets `revertText` to the editor's text, runs the format core on it and
    // makes the formatted document, all on another thread while the window
    // shows the progress and answers "中断".
    // `formatted` stays empty unless the run ended normally and was not cancelled.
    FormatResult FormatAwayFromTheWindow(std::unique_ptr<QTextDocument> &formatted);
    // Runs a long editor operation with the window locked, processing events now and then.
    void WithWindowLocked(const std::function<void()> &operation);

    Dialogs &dialogs_;
    Desktop &desktop_;
    QStringList arguments_;
    std::filesystem::path settingsFolder_, programFolder_;
    EditorSurface editor_{nullptr};
    EditorOptions options_;
    KeywordCatalogue catalogue_;
    Settings settings_;
    StoredColor backColorStored_ = kSystemColorWindow;
    PlainTextFormat plainFormat_;
    QString openInitialFolder_, saveInitialFolder_;
    QString applicationTitle_;
    bool busy_ = false;
    bool runInProgress_ = false;
    bool formatting_ = false; // a format run has not returned yet
    QString startupFile_; // opened from the command line; joins the history after the settings load

    // ---- Editing and line-end commands, font, colour, printing, help, about (EditCommands.cpp) ----
public:
    // The printer of the print command; printer setup changes it for later jobs.
    QPrinter &Printer();

private:
    // Makes the insertions (byte offsets into editor_.Text(), ascending) in the document as one edit.
    void InsertIntoEditor(const std::vector<LineInsertion> &insertions);
    std::shared_ptr<QPrinter> printer_;
    QColor lastBackChoice_; // the background dialog opens on its last choice
};

} // namespace kelvra
