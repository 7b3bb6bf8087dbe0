// TfrmEdit: construction, menus and speed buttons, status bar and hints,
// caption, start-up with the command line, dropped files and closing.
#include "ui/Edit.h"

#include "ui/BackgroundWork.h"
#include "ui/BusyCursor.h"
#include "ui/Cancel.h"
#include "ui/ReadOnlyFile.h"
#include "ui/TextView.h"
#include "ui/ThemeIcons.h"
#include "ui/UiTexts.h"
#include "ui/WindowFont.h"
#include "ui/WindowPlaces.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include <optional>

namespace kelvra {

using texts::U;

namespace {

// An action with a command's caption, object name, hint, tip and keys.
QAction *CommandAction(const texts::CommandText &text, QObject *parent) {
    auto *a = new QAction(U(text.caption), parent);
    a->setObjectName(text.name);
    if (*text.hint) a->setStatusTip(U(text.hint));
    if (*text.tip) a->setToolTip(U(text.tip));
    if (*text.keys) a->setShortcut(QKeySequence(QString::fromLatin1(text.keys)));
    return a;
}

} // namespace

TfrmEdit::TfrmEdit(Dialogs &dialogs, Desktop &desktop, const QStringList &arguments,
                   const std::filesystem::path &settingsFolder, const std::filesystem::path &programFolder,
                   QWidget *parent)
    : QMainWindow(parent), dialogs_(dialogs), desktop_(desktop), arguments_(arguments), settingsFolder_(settingsFolder),
      programFolder_(programFolder), AppName(U(texts::kAppName)) {
    setObjectName("frmEdit");
    setFont(GothicFont(15));
    resize(860, 640); // a desktop without placement rules would give a tiny window
    settings_ = DefaultSettings(programFolder_);
    CreateEditor();
    CreateActions();
    CreateMenus();
    CreateSpeedButtons();
    CreateStatusBar();
    CreateOtherWindows();
    WireEditingCommands();
    WireKeyDialog();
    WireSearchCommands();
}

TfrmEdit::~TfrmEdit() = default;

void TfrmEdit::CreateEditor() {
    rchOut = new TextView(this);
    rchOut->setObjectName("rchOut");
    rchOut->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rchOut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rchOut->setContextMenuPolicy(Qt::CustomContextMenu);
    rchOut->setAcceptDrops(false); // files dropped on the editor go to the window
    rchOut->installEventFilter(this);
    rchOut->viewport()->installEventFilter(this);
    rchOut->viewport()->setMouseTracking(true);
    editor_ = EditorSurface(rchOut);
    editor_.SetRunner([this](const std::function<void()> &work) {
        // Only while the window is locked may it answer while a new document is made.
        if (runInProgress_)
            RunInBackground(work);
        else
            work();
    });
    EditorFont.font = GothicFont(13);
    EditorFont.font.setPointSize(10);
    EditorFont.colour = palette().color(QPalette::Text);
    editor_.SetDefaultFont(EditorFont);
    setCentralWidget(rchOut);
    connect(rchOut, &TextView::CaretMoved, this, &TfrmEdit::UpdateCaretPos);
    connect(rchOut, &TextView::SelectionChanged, this, &TfrmEdit::UpdateCaretPos);
    connect(rchOut, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (document_.LaunchMode() != LaunchMode::Viewer && !runInProgress_) popMenu->popup(rchOut->mapToGlobal(pos));
    });
    setAcceptDrops(true);
}

void TfrmEdit::CreateActions() {
    // One row per command: its action, its texts, its slot, and the freedesktop
    // name of its speed button's icon (commands without a button get none).
    constexpr const char *kNoIcon = nullptr;
    struct Command {
        QAction *TfrmEdit::*action;
        const texts::CommandText &text;
        void (TfrmEdit::*slot)();
        const char *icon;
        bool checkable;
    };
    const Command commands[] = {
        {&TfrmEdit::mnuFileDup, texts::kFileDup, &TfrmEdit::mnuFileDupClick, "window-new", false},
        {&TfrmEdit::mnuFileNew, texts::kFileNew, &TfrmEdit::mnuFileNewClick, "document-new", false},
        {&TfrmEdit::mnuFileOpen, texts::kFileOpen, &TfrmEdit::mnuFileOpenClick, "document-open", false},
        {&TfrmEdit::mnuFileSave, texts::kFileSave, &TfrmEdit::mnuFileSaveClick, "document-save", false},
        {&TfrmEdit::mnuFileSaveAs, texts::kFileSaveAs, &TfrmEdit::mnuFileSaveAsClick, "document-save-as", false},
        {&TfrmEdit::mnuFilePrint, texts::kFilePrint, &TfrmEdit::mnuFilePrintClick, "document-print", false},
        {&TfrmEdit::mnuFilePrintSetup, texts::kFilePrintSetup, &TfrmEdit::mnuFilePrintSetupClick, kNoIcon, false},
        {&TfrmEdit::mnuFileExit, texts::kFileExit, &TfrmEdit::mnuFileExitClick, kNoIcon, false},
        {&TfrmEdit::mnuEditRichUndo, texts::kEditRichUndo, &TfrmEdit::mnuEditRichUndoClick, kNoIcon, false},
        {&TfrmEdit::mnuEditUndo, texts::kEditUndo, &TfrmEdit::mnuEditUndoClick, "edit-undo", false},
        {&TfrmEdit::mnuEditAll, texts::kEditAll, &TfrmEdit::mnuEditAllClick, "edit-select-all", false},
        {&TfrmEdit::mnuEditCut, texts::kEditCut, &TfrmEdit::mnuEditCutClick, "edit-cut", false},
        {&TfrmEdit::mnuEditCopy, texts::kEditCopy, &TfrmEdit::mnuEditCopyClick, "edit-copy", false},
        {&TfrmEdit::mnuEditPaste, texts::kEditPaste, &TfrmEdit::mnuEditPasteClick, "edit-paste", false},
        {&TfrmEdit::mnuEditSerch, texts::kEditSerch, &TfrmEdit::mnuEditSerchClick, "edit-find", false},
        {&TfrmEdit::mnuEditChange, texts::kEditChange, &TfrmEdit::mnuEditChangeClick, "edit-find-replace", false},
        {&TfrmEdit::mnuExeRun, texts::kExeRun, &TfrmEdit::mnuExeRunClick, "format-indent-more", false},
        {&TfrmEdit::mnuExeSpace, texts::kExeSpace, &TfrmEdit::mnuExeSpaceClick, kNoIcon, false},
        {&TfrmEdit::mnuExeS, texts::kExeS, &TfrmEdit::mnuExeSClick, kNoIcon, false},
        {&TfrmEdit::mnuExeComment, texts::kExeComment, &TfrmEdit::mnuExeCommentClick, kNoIcon, false},
        {&TfrmEdit::mnuFormatFont, texts::kFormatFont, &TfrmEdit::mnuFormatFontClick, kNoIcon, false},
        {&TfrmEdit::mnuFormatColor, texts::kFormatColour, &TfrmEdit::mnuFormatColorClick, kNoIcon, false},
        {&TfrmEdit::mnuFormatSaveCheck, texts::kFormatSaveCheck, &TfrmEdit::mnuFormatSaveCheckClick, kNoIcon, true},
        {&TfrmEdit::mnuFormatIchi, texts::kFormatIchi, &TfrmEdit::mnuFormatIchiClick, kNoIcon, true},
        {&TfrmEdit::mnuFormatSize, texts::kFormatSize, &TfrmEdit::mnuFormatSizeClick, kNoIcon, true},
        {&TfrmEdit::mnuFormatPath, texts::kFormatPath, &TfrmEdit::mnuFormatPathClick, kNoIcon, true},
        {&TfrmEdit::mnuFormatYoyaku, texts::kFormatYoyaku, &TfrmEdit::mnuFormatYoyakuClick, kNoIcon, false},
        {&TfrmEdit::mnuFormatLfSp, texts::kFormatLfSp, &TfrmEdit::mnuFormatLfSpClick, kNoIcon, true},
        {&TfrmEdit::mnuCommaAfter, texts::kCommaAfter, &TfrmEdit::mnuCommaAfterClick, kNoIcon, true},
        {&TfrmEdit::mnuCommaBefore, texts::kCommaBefore, &TfrmEdit::mnuCommaBeforeClick, kNoIcon, true},
        {&TfrmEdit::mnuFormatBold, texts::kFormatBold, &TfrmEdit::mnuFormatBoldClick, kNoIcon, true},
        {&TfrmEdit::mnuFormatKeepMeaning, texts::kFormatKeepMeaning, &TfrmEdit::mnuFormatKeepMeaningClick, kNoIcon,
         true},
        {&TfrmEdit::mnuFormatMode, texts::kFormatMode, &TfrmEdit::mnuFormatModeClick, kNoIcon, true},
        {&TfrmEdit::mnuHelpSQLHelp, texts::kHelpSQLHelp, &TfrmEdit::mnuHelpSQLHelpClick, kNoIcon, false},
        {&TfrmEdit::mnuHelpHelp, texts::kHelpHelp, &TfrmEdit::mnuHelpHelpClick, kNoIcon, false},
        {&TfrmEdit::mnuHelpAbout, texts::kHelpAbout, &TfrmEdit::mnuHelpAboutClick, kNoIcon, false},
        {&TfrmEdit::pmnuMarking, texts::kMarking, &TfrmEdit::pmnuMarkingClick, kNoIcon, false},
    };
    for (const Command &c : commands) {
        QAction *a = CommandAction(c.text, this);
        if (c.icon != kNoIcon) {
            a->setIcon(ThemeIcon(QString::fromLatin1(c.icon)));
            a->setIconVisibleInMenu(false); // the menus show captions only
        }
        a->setCheckable(c.checkable);
        connect(a, &QAction::triggered, this, c.slot);
        this->*c.action = a;
    }
    mnuExeSpace->setVisible(false);
    for (int i = 0; i < FileHistory::kSize; ++i) {
        mnuFileRireki[i] = new QAction(QString(), this);
        mnuFileRireki[i]->setObjectName(QString("mnuFileRireki%1").arg(i + 1));
        connect(mnuFileRireki[i], &QAction::triggered, this, [this, i] { mnuFileRirekiClick(i); });
    }
    for (int i = 0; i < 10; ++i) {
        mnuKeta[i] = new QAction(QString::number(i + 1), this);
        mnuKeta[i]->setObjectName(QString("mnuKeta%1").arg(i + 1));
        mnuKeta[i]->setCheckable(true);
        connect(mnuKeta[i], &QAction::triggered, this, [this, i] { mnuKetaClick(i + 1); });
    }
    CreateDialectActions();
}

void TfrmEdit::CreateDialectActions() {
    const std::pair<SqlDialect, const texts::CommandText &> dialects[] = {
        {SqlDialect::Any, texts::kDialectAny},
        {SqlDialect::Oracle, texts::kDialectOracle},
        {SqlDialect::PostgreSql, texts::kDialectPostgreSql},
        {SqlDialect::MySql, texts::kDialectMySql},
        {SqlDialect::SqlServer, texts::kDialectSqlServer},
    };
    static_assert(std::size(dialects) == std::tuple_size_v<decltype(mnuDialect)>);
    auto *group = new QActionGroup(this); // one checked at a time
    for (std::size_t i = 0; i < mnuDialect.size(); ++i) {
        const SqlDialect dialect = dialects[i].first;
        QAction *a = CommandAction(dialects[i].second, this);
        a->setCheckable(true);
        a->setData(static_cast<int>(dialect));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, dialect] { mnuDialectClick(dialect); });
        mnuDialect[i] = a;
    }
}

void TfrmEdit::CreateMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName("mnuMainMenu");
    auto addMenu = [](auto *parent, const char *name, const char *caption, const char *hint = "") {
        QMenu *menu = parent->addMenu(U(caption));
        menu->setObjectName(name);
        if (*hint) menu->menuAction()->setStatusTip(U(hint));
        return menu;
    };
    mnuFileMenu = addMenu(bar, "mnuFileMenu", texts::kFileMenu);
    mnuFileMenu->addAction(mnuFileDup);
    mnuFileMenu->addSeparator();
    mnuFileMenu->addAction(mnuFileNew);
    mnuFileMenu->addAction(mnuFileOpen);
    mnuFileRekiOpen = addMenu(mnuFileMenu, "mnuFileRekiOpen", texts::kHistoryMenu, texts::kHistoryMenuHint);
    for (QAction *a : mnuFileRireki) mnuFileRekiOpen->addAction(a);
    mnuFileMenu->addAction(mnuFileSave);
    mnuFileMenu->addAction(mnuFileSaveAs);
    mnuFileMenu->addSeparator();
    mnuFileMenu->addAction(mnuFilePrint);
    mnuFileMenu->addAction(mnuFilePrintSetup);
    mnuFileMenu->addSeparator();
    mnuFileMenu->addAction(mnuFileExit);

    mnuEditMenu = addMenu(bar, "mnuEditMenu", texts::kEditMenu);
    mnuEditMenu->addAction(mnuEditRichUndo);
    mnuEditMenu->addSeparator();
    for (QAction *a : {mnuEditUndo, mnuEditAll, mnuEditCut, mnuEditCopy, mnuEditPaste}) mnuEditMenu->addAction(a);
    mnuEditMenu->addSeparator();
    mnuEditMenu->addAction(mnuEditSerch);
    mnuEditMenu->addAction(mnuEditChange);

    mnuExeMenu = addMenu(bar, "mnuExeMenu", texts::kExeMenu);
    mnuExeMenu->addAction(mnuExeRun);
    mnuExeMenu->addSeparator();
    mnuExeMenu->addAction(mnuExeSpace);
    mnuExeMenu->addAction(mnuExeS);
    mnuExeMenu->addAction(mnuExeComment);

    mnuFormatMenu = addMenu(bar, "mnuFormatMenu", texts::kFormatMenu);
    mnuFormatMenu->addAction(mnuFormatFont);
    mnuFormatMenu->addAction(mnuFormatColor);
    mnuFormatMenu->addSeparator();
    for (QAction *a : {mnuFormatSaveCheck, mnuFormatIchi, mnuFormatSize, mnuFormatPath}) mnuFormatMenu->addAction(a);
    mnuFormatMenu->addSeparator();
    mnuFormatMenu->addAction(mnuFormatYoyaku);
    mnuFormatMenu->addAction(mnuFormatLfSp);
    mnuFormatComma = addMenu(mnuFormatMenu, "mnuFormatComma", texts::kCommaMenu, texts::kCommaMenuHint);
    mnuFormatComma->addAction(mnuCommaAfter);
    mnuFormatComma->addAction(mnuCommaBefore);
    mnuFormatIndent = addMenu(mnuFormatMenu, "mnuFormatIndent", texts::kIndentMenu, texts::kIndentMenuHint);
    for (QAction *a : mnuKeta) mnuFormatIndent->addAction(a);
    mnuFormatMenu->addAction(mnuFormatBold);
    mnuFormatMenu->addAction(mnuFormatKeepMeaning);
    mnuFormatDialect = addMenu(mnuFormatMenu, "mnuFormatDialect", texts::kDialectMenu, texts::kDialectMenuHint);
    for (QAction *a : mnuDialect) mnuFormatDialect->addAction(a);
    mnuFormatMenu->addAction(mnuFormatMode);

    mnuHelpMenu = addMenu(bar, "mnuHelpMenu", texts::kHelpMenu);
    mnuHelpMenu->addAction(mnuHelpSQLHelp);
    mnuHelpMenu->addSeparator();
    mnuHelpMenu->addAction(mnuHelpHelp);
    mnuHelpMenu->addAction(mnuHelpAbout);

    // The context menu shares the main menu's actions (and so their keys).
    popMenu = new QMenu(this);
    popMenu->setObjectName("popMenu");
    popMenu->addAction(pmnuMarking);
    popMenu->addSeparator();
    for (QAction *a : {mnuEditUndo, mnuEditCut, mnuEditCopy, mnuEditPaste}) popMenu->addAction(a);
    popMenu->addSeparator();
    popMenu->addAction(mnuExeRun);
}

void TfrmEdit::CreateSpeedButtons() {
    SpdBar = addToolBar(QStringLiteral("SpdBar"));
    SpdBar->setObjectName("SpdBar");
    SpdBar->setMovable(false);
    SpdBar->setFixedHeight(33);
    SpdBar->setIconSize(QSize(16, 16));
    const std::pair<QAction *, const char *> buttons[] = {
        {mnuFileDup, "spdDup"},    {mnuFileNew, "spdNew"},       {mnuFileOpen, "spdOpen"},
        {mnuFileSave, "spdSave"},  {mnuFileSaveAs, "spdSaveAs"}, {mnuFilePrint, "spdPrint"},
        {mnuEditUndo, "spdUndo"},  {mnuEditAll, "spdSelectAll"}, {mnuEditCut, "spdCut"},
        {mnuEditCopy, "spdCopy"},  {mnuEditPaste, "spdPaste"},   {mnuExeRun, "spdGo"},
        {mnuEditSerch, "spdFind"}, {mnuEditChange, "spdChange"},
    };
    for (auto [action, name] : buttons) {
        SpdBar->addAction(action);
        SpdBar->widgetForAction(action)->setObjectName(name);
    }
}

void TfrmEdit::CreateStatusBar() {
    QStatusBar *bar = statusBar();
    bar->setObjectName("staBar");
    bar->setSizeGripEnabled(true);
    bar->setFixedHeight(24);
    const int widths[] = {100, 90, 0};
    for (int i = 0; i < 3; ++i) {
        staPanels[i] = new QLabel(this);
        staPanels[i]->setObjectName(QString("staPanel%1").arg(i));
        staPanels[i]->setFrameShape(QFrame::Panel);
        staPanels[i]->setFrameShadow(QFrame::Sunken);
        if (widths[i]) staPanels[i]->setFixedWidth(widths[i]);
        bar->addWidget(staPanels[i], widths[i] ? 0 : 1);
    }
    staPanels[0]->setAlignment(Qt::AlignCenter);
    staPanels[1]->setText(U(texts::kStandardMode));
}

void TfrmEdit::CreateOtherWindows() {
    dlgCancel = new TdlgCancel(this);
    dlgCancel->SetLockHandler([this](bool locked) { SetRunLock(locked); });
}

QString TfrmEdit::StatusText(int panel) const { return staPanels[panel]->text(); }

QString TfrmEdit::HistoryEntry(int index) const { return QString::fromStdString(document_.History().Entry(index)); }

bool TfrmEdit::event(QEvent *e) {
    // Status tips of menus and speed buttons are this window's long hints.
    if (e->type() == QEvent::StatusTip) {
        ShowLongHint(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool TfrmEdit::eventFilter(QObject *watched, QEvent *e) {
    if (watched == rchOut->viewport() && e->type() == QEvent::MouseMove) UpdateCaretPos();
    if (watched == rchOut && e->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(e);
        if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
            mnuHelpSQLHelpClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TfrmEdit::ShowLongHint(const QString &hint) {
    const int bar = hint.indexOf('|');
    staPanels[2]->setText(bar >= 0 ? hint.mid(bar + 1) : hint);
}

void TfrmEdit::UpdateCaretPos() {
    auto [line, column] = editor_.CaretLineColumn();
    staPanels[0]->setText(QString::asprintf("%3d:%3d", line, column));
}

void TfrmEdit::SetApplicationTitle(const QString &path) {
    applicationTitle_ = QFileInfo(path).fileName();
    setWindowIconText(applicationTitle_);
}

QString TfrmEdit::ShortenedPath(const QString &path) const {
    if (path.toStdString() == document_.UntitledName()) return path;
    const QFontMetrics metrics(font());
    const int room = width() - metrics.horizontalAdvance(AppName + " - ") - 120;
    QString shown = path;
    // Directories give way to "..." from the first one on; the file name stays whole.
    QStringList parts = path.split('/');
    const bool absolute = path.startsWith('/');
    int firstDir = absolute ? 1 : 0;
    int removed = 0;
    while (metrics.horizontalAdvance(shown) > room) {
        const int dirs = parts.size() - 1 - firstDir; // directories between root and file
        if (removed < dirs) {
            ++removed;
            QStringList kept = parts.mid(0, firstDir);
            kept << "..." << parts.mid(firstDir + removed);
            shown = kept.join('/');
        } else if (absolute && firstDir == 1) {
            firstDir = 0;
            shown = ".../" + parts.last();
        } else {
            break;
        }
    }
    return shown;
}

// An untitled document shows as "Untitled", also when its name for saving is "Untitled.rtf".
void TfrmEdit::UpdateCaption() {
    const QString shown =
        document_.IsUntitled() ? texts::U(texts::kUntitled) : ShortenedPath(QString::fromStdString(document_.Path()));
    setWindowTitle(AppName + " - " + shown);
}

void TfrmEdit::SetCurrentFile(const QString &path) {
    document_.SetPath(path.toStdString());
    UpdateCaption();
    SetApplicationTitle(path);
}

void TfrmEdit::resizeEvent(QResizeEvent *e) {
    QMainWindow::resizeEvent(e);
    UpdateCaption();
}

void TfrmEdit::ShowError(const QString &text) { dialogs_.Message(U(texts::kErrorCaption), text, MessageIcon::Error); }

void TfrmEdit::Guarded(const char *message, const std::function<void()> &command) {
    try {
        command();
    } catch (const CommandDeclined &) {
        // The user said no to a question: nothing to report.
    } catch (const std::exception &) {
        ShowError(U(message));
    }
}

bool TfrmEdit::MenuEnabled(QMenu *menu) const { return menu->menuAction()->isEnabled(); }

void TfrmEdit::StartInstance(const QStringList &arguments) {
    if (!desktop_.StartProcess(desktop_.ProgramPath(), arguments, CascadedPosition()))
        throw std::runtime_error("the program could not be started");
}

// A window started from this one stands a step lower and to the right, so
// that both show; where that would run off the desktop, it starts again at
// the desktop's left or top edge.
QPoint TfrmEdit::CascadedPosition() const { return CascadeStep(frameGeometry().topLeft()); }

QPoint TfrmEdit::CascadeStep(QPoint at) const {
    constexpr int kStep = 32;
    const QRect area = DesktopArea();
    const QSize frame = frameGeometry().size();
    at += QPoint(kStep, kStep);
    if (at.x() + frame.width() > area.right() + 1) at.setX(area.left());
    if (at.y() + frame.height() > area.bottom() + 1) at.setY(area.top());
    return at;
}

QRect TfrmEdit::DesktopArea() const {
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

bool TfrmEdit::Initialise() {
    try {
        BusyCursor busy;
        AppName = U(texts::kAppName);
        document_.MakeUntitled(texts::kUntitled);
        SetCurrentFile(QString::fromStdString(document_.UntitledName()));
        UpdateCaretPos();
        // The settings first, so that a file named on the command line opens in
        // the stored font and colour, as it would with the open command.
        LoadSettings();
        HandleCommandLine();
        // The stored history replaces the captions; the file opened at start-up goes on top of it.
        if (!startupFile_.isEmpty()) AddToHistory(startupFile_);
        if (document_.LaunchMode() == LaunchMode::Viewer) editor_.SetBackground(QColor(192, 192, 192));
        UpdateRevertCommand();
        return true;
    } catch (const std::exception &) {
        ShowError(U(texts::kStartupFailed));
        return false;
    }
}

void TfrmEdit::HandleCommandLine() {
    const QStringList &args = arguments_;
    if (args.isEmpty()) return;
    const QString untitled = QString::fromStdString(document_.UntitledName());
    QString path = args[0];
    LaunchMode mode = LaunchMode::Normal;
    bool loadWanted = true;
    if (args[0] == "-X1") {
        mode = LaunchMode::RichText;
        editor_.SetRichMode(true);
        path = args.value(1);
        if (!path.isEmpty()) {
            const QFileInfo info(path);
            if (!info.exists()) {
                ShowError(U(texts::kFileNotFoundAt) + path);
                path = untitled;
                loadWanted = false;
            } else if (IsReadOnlyFile(path)) {
                if (!dialogs_.AskOkCancel(U(texts::kOpenReadOnlyAt) + path)) {
                    path = untitled;
                    loadWanted = false;
                }
            } else if (info.isDir()) {
                ShowError(U(texts::kFolderCannotOpen) + path);
                path = untitled;
                loadWanted = false;
            }
        }
    } else if (args[0] == "-X2") {
        mode = LaunchMode::Viewer;
        editor_.SetRichMode(true);
        path = args.value(1);
        ApplyViewerLock();
    }
    document_.SetLaunchMode(mode);
    // The caption keeps showing the plain untitled name in both cases below.
    if (path.isEmpty()) {
        document_.MakeUntitled(document_.UntitledName() + ".rtf");
    } else if (!loadWanted || path == untitled) {
        document_.SetPath(path.toStdString());
    } else {
        const QFileInfo info(path);
        // The name as stored on disk, through its absolute path.
        if (info.exists()) path = info.absoluteFilePath();
        document_.SetPath(path.toStdString());
        LoadDocument(path);
        editor_.CaretToStart();
        editor_.SetModified(false);
        SetCurrentFile(path);
        startupFile_ = path;
        openInitialFolder_ = saveInitialFolder_ = QFileInfo(path).absolutePath(); // where the user is working
        UpdateCaretPos();
    }
    const int firstFurther = mode == LaunchMode::Normal ? 1 : 2; // after the switch and its file
    if (args.size() > firstFurther) StartInstance(args.mid(firstFurther));
}

void TfrmEdit::ApplyViewerLock() {
    editor_.SetReadOnly(true);
    for (QAction *a : {mnuFileDup, mnuFileNew, mnuFileOpen, mnuFileSave, mnuFileSaveAs}) a->setEnabled(false);
    mnuFileRekiOpen->menuAction()->setEnabled(false);
    for (QMenu *m : {mnuEditMenu, mnuFormatMenu, mnuExeMenu, mnuHelpMenu}) m->menuAction()->setEnabled(false);
    SpdBar->setEnabled(false);
    for (QAction *a : {mnuEditUndo, mnuEditCut, mnuEditCopy, mnuEditPaste}) a->setShortcut(QKeySequence());
}

void TfrmEdit::SetRunLock(bool locked) {
    runInProgress_ = locked;
    if (document_.LaunchMode() == LaunchMode::Viewer) return; // the viewer keeps its own lock
    for (QMenu *m : {mnuFileMenu, mnuEditMenu, mnuFormatMenu, mnuExeMenu, mnuHelpMenu})
        m->menuAction()->setEnabled(!locked);
    SpdBar->setEnabled(!locked);
    editor_.SetReadOnly(locked);
    const std::pair<QAction *, const char *> keys[] = {
        {mnuEditUndo, "Ctrl+Z"}, {mnuEditCut, "Ctrl+X"}, {mnuEditCopy, "Ctrl+C"}, {mnuEditPaste, "Ctrl+V"}};
    for (auto [a, k] : keys) a->setShortcut(locked ? QKeySequence() : QKeySequence(k));
}

void TfrmEdit::dragEnterEvent(QDragEnterEvent *e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TfrmEdit::dropEvent(QDropEvent *e) {
    QStringList paths;
    for (const QUrl &url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    e->acceptProposedAction();
    WMDropFiles(paths);
}

void TfrmEdit::WMDropFiles(const QStringList &paths) {
    try {
        for (int index = 0; index < paths.size(); ++index) {
            const QString &path = paths[index];
            const QFileInfo info(path);
            if (IsReadOnlyFile(path)) {
                if (!dialogs_.AskOkCancel(U(texts::kOpenReadOnlyAt) + path)) continue;
            } else if (info.isDir()) {
                ShowError(U(texts::kFolderCannotOpen) + path);
                continue;
            }
            // A changed document stays: the file opens in another window, as do all files after the first.
            if (editor_.Modified() || index >= 1) {
                QStringList args;
                if (document_.LaunchMode() == LaunchMode::RichText) args << "-X1";
                args << path;
                StartInstance(args);
                continue;
            }
            LoadDocument(path);
            editor_.ApplyFontToAll(EditorFont);
            editor_.CaretToStart();
            editor_.SetModified(false);
            SetCurrentFile(path);
            AddToHistory(path);
        }
    } catch (const CommandDeclined &) {
    } catch (const std::exception &) {
        ShowError(U(texts::kDropFailed));
    }
}

void TfrmEdit::closeEvent(QCloseEvent *e) {
    if (runInProgress_ || formatting_) { // a run or a long load is still working on the document
        e->ignore();
        return;
    }
    try {
        const bool close = AskSaveChanges();
        if (document_.LaunchMode() != LaunchMode::Viewer) SaveSettings();
        if (close) {
            if (dlgCancel) dlgCancel->close();
            e->accept();
        } else {
            e->ignore();
        }
    } catch (const std::exception &) {
        ShowError(U(texts::kCloseFailed));
        e->accept();
    }
}

void TfrmEdit::mnuFileExitClick() {
    try {
        close();
    } catch (const std::exception &) {
        ShowError(U(texts::kExitFailed));
    }
}

ProgressSink &TfrmEdit::ShowSearchProgress() {
    dlgCancel->ShowForSearch();
    searchProgress_ = std::make_unique<CancelProgressSink>(*dlgCancel);
    return *searchProgress_;
}

void TfrmEdit::CloseSearchProgress() {
    dlgCancel->CloseRun();
    searchProgress_.reset();
}

} // namespace kelvra
