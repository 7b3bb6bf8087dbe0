#pragma once
// TfrmEdit: the main window. Menus, speed buttons, the editor rchOut and the
// status bar; the document's commands (its state lives in Document); the
// format command's window side; the settings menu. It is the SearchHost of the
// search dialog.

#include "document/Document.h"
#include "keywords/EditorOptions.h"
#include "keywords/KeywordCatalogue.h"
#include "settings/SettingsStore.h"
#include "meaning/MeaningCheck.h"
#include "platform/DocumentFile.h"
#include "ui/Dialogs.h"
#include "ui/EditorSurface.h"
#include "ui/SearchHost.h"

#include <QMainWindow>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QPrinter;
class QTextDocument;

namespace kelvra {

struct BuiltDocument;
class TextView;
class CancelProgressSink;
class WindowPlaces;
class TdlgCancel;
class TfrmKey;
class TfrmSearch;
class TdlgChangeKakunin;
class TfrmAboutBox;
class TfrmPallet;
struct EditProbe;

class TfrmEdit : public QMainWindow, private SearchHost {
    Q_OBJECT
public:
    // `settingsFolder` holds Kelvra.ini; `programFolder` is the default folder of the dialogs.
    TfrmEdit(Dialogs &dialogs, Desktop &desktop, const QStringList &arguments,
             const std::filesystem::path &settingsFolder, const std::filesystem::path &programFolder,
             QWidget *parent = nullptr);
    ~TfrmEdit() override;

    // Runs the creation steps; false when the program must end ("初期処理でエラーが発生しました" shown).
    bool Initialise();

    // What the status bar, the history menu and the taskbar show.
    QString StatusText(int panel) const;
    QString HistoryEntry(int index) const; // 0..7
    QString ApplicationTitle() const { return applicationTitle_; }

    // Commands that come from elsewhere than a menu item.
    void OpenPath(const QString &path); // a history entry
    void WMDropFiles(const QStringList &paths);
    void SaveSettings();

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
    void mnuFormatKeepMeaningClick();
    void mnuFormatModeClick();
    void mnuCommaAfterClick();
    void mnuCommaBeforeClick();
    void mnuKetaClick(int n);
    void mnuDialectClick(SqlDialect dialect);
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
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend struct EditProbe; // the tests' view of the state and the other windows

    // ---- Construction (Edit.cpp) ----
    void CreateEditor();
    // Every command's one QAction, shared by the menus, the speed buttons and the context menu.
    void CreateActions();
    void CreateDialectActions();
    void CreateMenus();
    void CreateSpeedButtons();
    void CreateStatusBar();
    void CreateOtherWindows();

    // ---- Start-up, caption, locks, errors (Edit.cpp) ----
    void HandleCommandLine();
    void ApplyViewerLock();
    // The main window's lock while a format run, a search or a long load works.
    void SetRunLock(bool locked) override;
    bool MenuEnabled(QMenu *menu) const;
    // Runs a command inside its error guard: a failure shows `message`.
    void Guarded(const char *message, const std::function<void()> &command);
    void ShowError(const QString &text);
    void UpdateCaretPos();
    void ShowLongHint(const QString &hint);
    // The one place that names the current file: document path, caption and application title.
    void SetCurrentFile(const QString &path);
    void UpdateCaption();
    void SetApplicationTitle(const QString &path);
    QString ShortenedPath(const QString &path) const;
    void StartInstance(const QStringList &arguments);
    QPoint CascadedPosition() const;
    // One step lower and to the right of `at` for a window of this one's size,
    // starting again at the desktop's edge where the step would leave it.
    QPoint CascadeStep(QPoint at) const;
    QRect DesktopArea() const;

    // ---- Documents (EditFiles.cpp) ----
    void LoadDocument(const QString &path);
    void SaveDocument(const QString &path);
    void ReadIntoEditor(const QString &path, bool richWanted);
    void ClearEditorWithFont();
    void ForgetPreviousDocument();
    // "… を保存しますか？" when the document is modified; false when the user cancelled.
    bool AskSaveChanges();
    void AddToHistory(const QString &path);
    void ShowHistory();
    FileDialogRequest OpenRequest();
    FileDialogRequest SaveRequest();
    // Runs a long editor operation with the window locked, processing events now and then.
    void WithWindowLocked(const std::function<void()> &operation);

    // ---- Format run and settings (EditFormat.cpp) ----
    void EndFormatRun();
    // The revert command is there only while this document has a text from before a run.
    void UpdateRevertCommand();
    void UpdateUndoCommand();
    void ApplyOptionsToMenus();
    void ReadOptionsFromMenus();
    void SetIndentWidth(int n);
    void LoadSettings();
    QColor ColourFromStored(StoredColour c, bool background) const;
    StoredColour StoredFromColour(const QColor &c) const;

    // ---- The other windows (EditKey.cpp, EditSearch.cpp, EditCommands.cpp) ----
    void WireEditingCommands();
    void WireKeyDialog();
    void WireSearchCommands();
    // Closes the reserved-word dialog (which applies its stored states again).
    void CloseKeyDialog();
    // The printer of the print command; printer setup changes it for later jobs.
    QPrinter &Printer();

    // ---- SearchHost ----
    EditorSurface &Editor() override { return editor_; }
    QColor EditorTextColour() const override { return EditorFont.colour; }
    QString ProgramTitle() const override { return AppName; }
    ProgressSink &ShowSearchProgress() override;
    void CloseSearchProgress() override;

    // ---- Placement, settings location, long work (EditFormat.cpp, EditFiles.cpp) ----
    SettingsOutcome ReadStoredSettings();
    void PlaceWindow();
    QPoint OntoDesktop(QPoint at) const;
    // `at`, or the first cascade step from it where no other window of the program stands.
    QPoint AwayFromOtherWindows(QPoint at) const;
    void PublishPlace();
    // Once the window manager has framed the window: the frame too within the desktop.
    void FitFrameOntoDesktop();
    QString ExistingFolder(const QString &stored) const;
    StyledText ContentForSave(DocumentKind kind);
    // Work on a large document on another thread with the window locked; small work on the spot.
    void AwayFromTheWindow(std::size_t size, const std::function<void()> &work);
    // Sets the revert text to the editor's text, runs the format core on it and
    // makes the formatted document, all on another thread while the window
    // shows the progress and answers "中断". `formatted` stays empty unless
    // the run ended normally and was not cancelled.
    FormatResult FormatAwayFromTheWindow(BuiltDocument &formatted, meaning::CheckReport &meaning);

    Dialogs &dialogs_;
    Desktop &desktop_;
    QStringList arguments_;
    std::filesystem::path settingsFolder_, programFolder_;
    Document document_;
    EditorSurface editor_{nullptr};
    EditorOptions options_;
    KeywordCatalogue catalogue_;
    Settings settings_;
    QString AppName;
    EditorFontState EditorFont;
    QString LastFolder;
    StoredColour backColourStored_ = kSystemColourWindow;
    QString openInitialFolder_, saveInitialFolder_;
    QString applicationTitle_;
    bool runInProgress_ = false;
    bool framedOnce_ = false;
    bool formatting_ = false; // a format run has not returned yet
    QString startupFile_;     // opened from the command line; joins the history after the settings load
    std::shared_ptr<QPrinter> printer_;
    QColor lastBackChoice_; // the background dialog opens on its last choice
    std::unique_ptr<CancelProgressSink> searchProgress_;
    std::unique_ptr<WindowPlaces> places_; // where the program's other windows stand
    bool placeNoticePending_ = false;

    // Components.
    TextView *rchOut;
    QToolBar *SpdBar;
    QLabel *staPanels[3];
    QMenu *mnuFileMenu, *mnuEditMenu, *mnuExeMenu, *mnuFormatMenu, *mnuHelpMenu, *popMenu;
    QMenu *mnuFileRekiOpen, *mnuFormatComma, *mnuFormatIndent, *mnuFormatDialect;
    QAction *mnuFileDup, *mnuFileNew, *mnuFileOpen, *mnuFileSave, *mnuFileSaveAs, *mnuFilePrint, *mnuFilePrintSetup,
        *mnuFileExit;
    std::array<QAction *, FileHistory::kSize> mnuFileRireki;
    QAction *mnuEditRichUndo, *mnuEditUndo, *mnuEditAll, *mnuEditCut, *mnuEditCopy, *mnuEditPaste, *mnuEditSerch,
        *mnuEditChange;
    QAction *mnuExeRun, *mnuExeSpace, *mnuExeS, *mnuExeComment;
    QAction *mnuFormatFont, *mnuFormatColor, *mnuFormatSaveCheck, *mnuFormatIchi, *mnuFormatSize, *mnuFormatPath,
        *mnuFormatYoyaku, *mnuFormatLfSp, *mnuCommaAfter, *mnuCommaBefore, *mnuFormatBold, *mnuFormatKeepMeaning,
        *mnuFormatMode;
    std::array<QAction *, 10> mnuKeta;
    std::array<QAction *, 5> mnuDialect; // in the order of SqlDialect; each holds its dialect as data
    QAction *mnuHelpSQLHelp, *mnuHelpHelp, *mnuHelpAbout;
    QAction *pmnuMarking;

    // The other windows, created once with the main window.
    TdlgCancel *dlgCancel = nullptr;
    TfrmKey *frmKey = nullptr;
    TfrmSearch *frmSearch = nullptr;
    TdlgChangeKakunin *dlgChangeKakunin = nullptr;
    TfrmAboutBox *frmAboutBox = nullptr;
    TfrmPallet *frmPallet = nullptr;
};

} // namespace kelvra
