// TfrmEdit: construction, menus and speed buttons, status bar and hints,
// caption, start-up with the command line, dropped files and closing.
#include "ui/Edit.h"
#include "ui/WindowFont.h"

#include "ui/BackgroundWork.h"
#include "ui/Cancel.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

namespace kelvra {
namespace {

QString U(const char *text) { return QString::fromUtf8(text); }

QAction *Item(QObject *parent, const char *name, const char *caption, const char *hint = "",
              QKeySequence shortcut = {}) {
    auto *a = new QAction(U(caption), parent);
    a->setObjectName(name);
    if (*hint) a->setStatusTip(U(hint));
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

} // namespace

// Read-only as the user sees it: not writable by this user, or marked so by
// its owner's permission (which counts even for root, who may write anything).
bool IsReadOnlyFile(const QString &path) {
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    if (::stat(p.constData(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::access(p.constData(), W_OK) != 0 || (st.st_mode & S_IWUSR) == 0;
}

TfrmEdit::TfrmEdit(Dialogs &dialogs, Desktop &desktop, const QStringList &arguments,
                   const std::filesystem::path &settingsFolder, const std::filesystem::path &programFolder,
                   QWidget *parent)
    : QMainWindow(parent), dialogs_(dialogs), desktop_(desktop), arguments_(arguments),
      settingsFolder_(settingsFolder), programFolder_(programFolder) {
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
    rchOut = new QPlainTextEdit(this);
    rchOut->setObjectName("rchOut");
    rchOut->setLineWrapMode(QPlainTextEdit::NoWrap);
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
    EditorFont.color = palette().color(QPalette::Text);
    editor_.SetDefaultFont(EditorFont);
    setCentralWidget(rchOut);
    connect(rchOut, &QPlainTextEdit::cursorPositionChanged, this, &TfrmEdit::UpdateCaretPos);
    connect(rchOut, &QPlainTextEdit::selectionChanged, this, &TfrmEdit::UpdateCaretPos);
    connect(rchOut, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (LaunchMode != 2 && !runInProgress_) popMenu->popup(rchOut->mapToGlobal(pos));
    });
    setAcceptDrops(true);
}

void TfrmEdit::CreateActions() {
    mnuFileDup = Item(this, "mnuFileDup", "別のKelvraを起動する", "別のKelvraを起動します");
    mnuFileNew = Item(this, "mnuFileNew", "新規作成(&N)", "編集内容をクリアして新規の状態にします", QKeySequence("Ctrl+N"));
    mnuFileOpen = Item(this, "mnuFileOpen", "開く(&O)...", "既存のファイルを開きます", QKeySequence("Ctrl+O"));
    mnuFileSave = Item(this, "mnuFileSave", "上書保存(&S)", "編集内容を上書き保存します", QKeySequence("Ctrl+S"));
    mnuFileSaveAs = Item(this, "mnuFileSaveAs", "名前をつけて保存(&A)...", "編集内容を名前をつけて保存します");
    mnuFilePrint = Item(this, "mnuFilePrint", "印刷(&P)...", "編集中の内容を印刷します");
    mnuFilePrintSetup = Item(this, "mnuFilePrintSetup", "プリンタの設定(&R)...", "プリンタの設定を変更します");
    mnuFileExit = Item(this, "mnuFileExit", "終了(&X)", "アプリケーションを終了します", QKeySequence("Ctrl+Q"));
    for (int i = 0; i < 8; ++i) {
        mnuFileRireki[i] = new QAction(QString(), this);
        mnuFileRireki[i]->setObjectName(QString("mnuFileRireki%1").arg(i + 1));
        connect(mnuFileRireki[i], &QAction::triggered, this, [this, i] { mnuFileRirekiClick(i); });
    }
    mnuEditRichUndo = Item(this, "mnuEditRichUndo", "整形前に戻す", "編集内容を整形前に戻します", QKeySequence("Ctrl+B"));
    mnuEditUndo = Item(this, "mnuEditUndo", "元に戻す(&U)", "編集操作をひとつ前に戻します", QKeySequence("Ctrl+Z"));
    mnuEditAll = Item(this, "mnuEditAll", "全て選択(&A)", "編集内容をすべて選択状態にします", QKeySequence("Ctrl+A"));
    mnuEditCut = Item(this, "mnuEditCut", "切り取り(&T)", "選択された部分をクリップボードに切り出します", QKeySequence("Ctrl+X"));
    mnuEditCopy = Item(this, "mnuEditCopy", "コピー(&C)", "選択された部分をクリップボードにコピーします", QKeySequence("Ctrl+C"));
    mnuEditPaste = Item(this, "mnuEditPaste", "貼り付け(&P)", "クリップボードの内容をカーソル位置に貼り付けます", QKeySequence("Ctrl+V"));
    mnuEditSerch = Item(this, "mnuEditSerch", "検索(&F)...", "文字列の検索を行います", QKeySequence("Ctrl+F"));
    mnuEditChange = Item(this, "mnuEditChange", "置換(&R)...", "文字列の置換を行います", QKeySequence("Ctrl+R"));
    mnuExeRun = Item(this, "mnuExeRun", "整形実行(&G)", "整形処理を実行します", QKeySequence("Ctrl+G"));
    mnuExeSpace = Item(this, "mnuExeSpace", "行末スペース挿入(&P)", "各行にスペースを付加します");
    mnuExeSpace->setVisible(false);
    mnuExeS = Item(this, "mnuExeS", "行末セミコロン挿入(&S)", "各行にセミコロン（；）を付加します");
    mnuExeComment = Item(this, "mnuExeComment", "区切りコメント挿入(&C)", "行末がセミコロンの次行にコメント行を挿入します");
    mnuFormatFont = Item(this, "mnuFormatFont", "フォント(&F)...", "編集画面のフォントを設定します");
    mnuFormatColor = Item(this, "mnuFormatColor", "背景色(&C)...", "編集画面の背景色を設定します");
    mnuFormatSaveCheck = Item(this, "mnuFormatSaveCheck", "上書保存は確認する", "チェックを付けると、上書保存する際に確認画面を表示します");
    mnuFormatIchi = Item(this, "mnuFormatIchi", "終了時の表示位置を記憶する", "チェックを付けると、終了時の表示位置が次回の表示位置になります");
    mnuFormatSize = Item(this, "mnuFormatSize", "終了時の画面サイズを記憶する", "チェックを付けると、終了時の画面サイズが次回の画面サイズになります");
    mnuFormatPath = Item(this, "mnuFormatPath", "終了時のカレントパスを記憶する", "チェックを付けると、終了時の入出力パスが次回の入出力パスになります");
    mnuFormatYoyaku = Item(this, "mnuFormatYoyaku", "予約語テーブル(&T)...", "整形処理に使用される予約語を解除する事ができます");
    mnuFormatLfSp = Item(this, "mnuFormatLfSp", "改行は区切りと見なす", "チェックを付けると、改行を文字列の区切りと見なします");
    mnuCommaAfter = Item(this, "mnuCommaAfter", "カンマの後で折り返す");
    mnuCommaBefore = Item(this, "mnuCommaBefore", "カンマの前で折り返す");
    for (int i = 0; i < 10; ++i) {
        mnuKeta[i] = new QAction(QString::number(i + 1), this);
        mnuKeta[i]->setObjectName(QString("mnuKeta%1").arg(i + 1));
        mnuKeta[i]->setCheckable(true);
        connect(mnuKeta[i], &QAction::triggered, this, [this, i] { mnuKetaClick(i + 1); });
    }
    mnuFormatBold = Item(this, "mnuFormatBold", "予約語は強調表示する", "チェックを付けると、整形処理で予約語を強調表示します。");
    mnuFormatMode = Item(this, "mnuFormatMode", "簡易モードで整形する", "チェックを付けると、リテラル文字列、コメント、チューニングコードの待避処理を省略します");
    for (QAction *a : {mnuFormatSaveCheck, mnuFormatIchi, mnuFormatSize, mnuFormatPath, mnuFormatLfSp, mnuCommaAfter,
                       mnuCommaBefore, mnuFormatBold, mnuFormatMode})
        a->setCheckable(true);
    mnuHelpSQLHelp = Item(this, "mnuHelpSQLHelp", "ＳＱＬオンラインリファレンス",
                          "編集領域でＳＱＬの予約語を選択した場合、オンラインでリファレンスを表示します", QKeySequence("F1"));
    mnuHelpHelp = Item(this, "mnuHelpHelp", "ヘルプ", "操作説明書を開きます");
    mnuHelpAbout = Item(this, "mnuHelpAbout", "バージョン情報(&A)...");

    pmnuMarking = Item(this, "pmnuMarking", "色付");
    pmnuUndo = Item(this, "pmnuUndo", "元に戻す(&U)");
    pmnuCut = Item(this, "pmnuCut", "切り取り(&T)");
    pmnuCopy = Item(this, "pmnuCopy", "コピー(&C)");
    pmnuPaste = Item(this, "pmnuPaste", "貼り付け(&P)");
    pmnuExeRun = Item(this, "pmnuExeRun", "整形実行(&G)");
    // The context menu shows the shortcuts; the main menu's items own the keys.
    const std::pair<QAction *, const char *> shown[] = {
        {pmnuUndo, "Ctrl+Z"}, {pmnuCut, "Ctrl+X"}, {pmnuCopy, "Ctrl+C"}, {pmnuPaste, "Ctrl+V"}, {pmnuExeRun, "Ctrl+G"}};
    for (auto [a, keys] : shown) {
        a->setShortcut(QKeySequence(keys));
        a->setShortcutContext(Qt::WidgetShortcut);
    }

    connect(mnuFileDup, &QAction::triggered, this, &TfrmEdit::mnuFileDupClick);
    connect(mnuFileNew, &QAction::triggered, this, &TfrmEdit::mnuFileNewClick);
    connect(mnuFileOpen, &QAction::triggered, this, &TfrmEdit::mnuFileOpenClick);
    connect(mnuFileSave, &QAction::triggered, this, &TfrmEdit::mnuFileSaveClick);
    connect(mnuFileSaveAs, &QAction::triggered, this, &TfrmEdit::mnuFileSaveAsClick);
    connect(mnuFilePrint, &QAction::triggered, this, &TfrmEdit::mnuFilePrintClick);
    connect(mnuFilePrintSetup, &QAction::triggered, this, &TfrmEdit::mnuFilePrintSetupClick);
    connect(mnuFileExit, &QAction::triggered, this, &TfrmEdit::mnuFileExitClick);
    connect(mnuEditRichUndo, &QAction::triggered, this, &TfrmEdit::mnuEditRichUndoClick);
    connect(mnuEditUndo, &QAction::triggered, this, &TfrmEdit::mnuEditUndoClick);
    connect(mnuEditAll, &QAction::triggered, this, &TfrmEdit::mnuEditAllClick);
    connect(mnuEditCut, &QAction::triggered, this, &TfrmEdit::mnuEditCutClick);
    connect(mnuEditCopy, &QAction::triggered, this, &TfrmEdit::mnuEditCopyClick);
    connect(mnuEditPaste, &QAction::triggered, this, &TfrmEdit::mnuEditPasteClick);
    connect(mnuEditSerch, &QAction::triggered, this, &TfrmEdit::mnuEditSerchClick);
    connect(mnuEditChange, &QAction::triggered, this, &TfrmEdit::mnuEditChangeClick);
    connect(mnuExeRun, &QAction::triggered, this, &TfrmEdit::mnuExeRunClick);
    connect(mnuExeSpace, &QAction::triggered, this, &TfrmEdit::mnuExeSpaceClick);
    connect(mnuExeS, &QAction::triggered, this, &TfrmEdit::mnuExeSClick);
    connect(mnuExeComment, &QAction::triggered, this, &TfrmEdit::mnuExeCommentClick);
    connect(mnuFormatFont, &QAction::triggered, this, &TfrmEdit::mnuFormatFontClick);
    connect(mnuFormatColor, &QAction::triggered, this, &TfrmEdit::mnuFormatColorClick);
    connect(mnuFormatSaveCheck, &QAction::triggered, this, &TfrmEdit::mnuFormatSaveCheckClick);
    connect(mnuFormatIchi, &QAction::triggered, this, &TfrmEdit::mnuFormatIchiClick);
    connect(mnuFormatSize, &QAction::triggered, this, &TfrmEdit::mnuFormatSizeClick);
    connect(mnuFormatPath, &QAction::triggered, this, &TfrmEdit::mnuFormatPathClick);
    connect(mnuFormatYoyaku, &QAction::triggered, this, &TfrmEdit::mnuFormatYoyakuClick);
    connect(mnuFormatLfSp, &QAction::triggered, this, &TfrmEdit::mnuFormatLfSpClick);
    connect(mnuCommaAfter, &QAction::triggered, this, &TfrmEdit::mnuCommaAfterClick);
    connect(mnuCommaBefore, &QAction::triggered, this, &TfrmEdit::mnuCommaBeforeClick);
    connect(mnuFormatBold, &QAction::triggered, this, &TfrmEdit::mnuFormatBoldClick);
    connect(mnuFormatMode, &QAction::triggered, this, &TfrmEdit::mnuFormatModeClick);
    connect(mnuHelpSQLHelp, &QAction::triggered, this, &TfrmEdit::mnuHelpSQLHelpClick);
    connect(mnuHelpHelp, &QAction::triggered, this, &TfrmEdit::mnuHelpHelpClick);
    connect(mnuHelpAbout, &QAction::triggered, this, &TfrmEdit::mnuHelpAboutClick);
    connect(pmnuMarking, &QAction::triggered, this, &TfrmEdit::pmnuMarkingClick);
    connect(pmnuUndo, &QAction::triggered, this, &TfrmEdit::mnuEditUndoClick);
    connect(pmnuCut, &QAction::triggered, this, &TfrmEdit::mnuEditCutClick);
    connect(pmnuCopy, &QAction::triggered, this, &TfrmEdit::mnuEditCopyClick);
    connect(pmnuPaste, &QAction::triggered, this, &TfrmEdit::mnuEditPasteClick);
    connect(pmnuExeRun, &QAction::triggered, this, &TfrmEdit::mnuExeRunClick);
}

void TfrmEdit::CreateMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName("mnuMainMenu");
    mnuFileMenu = bar->addMenu(U("ファイル(&F)"));
    mnuFileMenu->setObjectName("mnuFileMenu");
    mnuFileMenu->addAction(mnuFileDup);
    mnuFileMenu->addSeparator();
    mnuFileMenu->addAction(mnuFileNew);
    mnuFileMenu->addAction(mnuFileOpen);
    mnuFileRekiOpen = mnuFileMenu->addMenu(U("履歴から開く(&R)..."));
    mnuFileRekiOpen->setObjectName("mnuFileRekiOpen");
    mnuFileRekiOpen->menuAction()->setStatusTip(U("以前に操作したファイルを開きます"));
    for (QAction *a : mnuFileRireki) mnuFileRekiOpen->addAction(a);
    mnuFileMenu->addAction(mnuFileSave);
    mnuFileMenu->addAction(mnuFileSaveAs);
    mnuFileMenu->addSeparator();
    mnuFileMenu->addAction(mnuFilePrint);
    mnuFileMenu->addAction(mnuFilePrintSetup);
    mnuFileMenu->addSeparator();
    mnuFileMenu->addAction(mnuFileExit);

    mnuEditMenu = bar->addMenu(U("編集(&E)"));
    mnuEditMenu->setObjectName("mnuEditMenu");
    mnuEditMenu->addAction(mnuEditRichUndo);
    mnuEditMenu->addSeparator();
    for (QAction *a : {mnuEditUndo, mnuEditAll, mnuEditCut, mnuEditCopy, mnuEditPaste}) mnuEditMenu->addAction(a);
    mnuEditMenu->addSeparator();
    mnuEditMenu->addAction(mnuEditSerch);
    mnuEditMenu->addAction(mnuEditChange);

    mnuExeMenu = bar->addMenu(U("実行(&R)"));
    mnuExeMenu->setObjectName("mnuExeMenu");
    mnuExeMenu->addAction(mnuExeRun);
    mnuExeMenu->addSeparator();
    mnuExeMenu->addAction(mnuExeSpace);
    mnuExeMenu->addAction(mnuExeS);
    mnuExeMenu->addAction(mnuExeComment);

    mnuFormatMenu = bar->addMenu(U("設定(&O)"));
    mnuFormatMenu->setObjectName("mnuFormatMenu");
    mnuFormatMenu->addAction(mnuFormatFont);
    mnuFormatMenu->addAction(mnuFormatColor);
    mnuFormatMenu->addSeparator();
    for (QAction *a : {mnuFormatSaveCheck, mnuFormatIchi, mnuFormatSize, mnuFormatPath}) mnuFormatMenu->addAction(a);
    mnuFormatMenu->addSeparator();
    mnuFormatMenu->addAction(mnuFormatYoyaku);
    mnuFormatMenu->addAction(mnuFormatLfSp);
    mnuFormatComma = mnuFormatMenu->addMenu(U("カンマ折り返し位置"));
    mnuFormatComma->setObjectName("mnuFormatComma");
    mnuFormatComma->menuAction()->setStatusTip(U("カンマの折り返し位置を設定します"));
    mnuFormatComma->addAction(mnuCommaAfter);
    mnuFormatComma->addAction(mnuCommaBefore);
    mnuFormatIndent = mnuFormatMenu->addMenu(U("インデントの桁数"));
    mnuFormatIndent->setObjectName("mnuFormatIndent");
    mnuFormatIndent->menuAction()->setStatusTip(U("整形時の段落桁数を設定します"));
    for (QAction *a : mnuKeta) mnuFormatIndent->addAction(a);
    mnuFormatMenu->addAction(mnuFormatBold);
    mnuFormatMenu->addAction(mnuFormatMode);

    mnuHelpMenu = bar->addMenu(U("ヘルプ(&H)"));
    mnuHelpMenu->setObjectName("mnuHelpMenu");
    mnuHelpMenu->addAction(mnuHelpSQLHelp);
    mnuHelpMenu->addSeparator();
    mnuHelpMenu->addAction(mnuHelpHelp);
    mnuHelpMenu->addAction(mnuHelpAbout);

    popMenu = new QMenu(this);
    popMenu->setObjectName("popMenu");
    popMenu->addAction(pmnuMarking);
    popMenu->addSeparator();
    for (QAction *a : {pmnuUndo, pmnuCut, pmnuCopy, pmnuPaste}) popMenu->addAction(a);
    popMenu->addSeparator();
    popMenu->addAction(pmnuExeRun);
}

void TfrmEdit::CreateSpeedButtons() {
    SpdBar = addToolBar(QStringLiteral("SpdBar"));
    SpdBar->setObjectName("SpdBar");
    SpdBar->setMovable(false);
    SpdBar->setFixedHeight(33);
    SpdBar->setIconSize(QSize(16, 16));
    QStyle *s = style();
    struct Button { QAction *&action; const char *name, *tip, *hint; QStyle::StandardPixmap icon; void (TfrmEdit::*slot)(); };
    const Button buttons[] = {
        {spdDup, "spdDup", "Kelvra", "別のKelvraを起動します", QStyle::SP_TitleBarNormalButton, &TfrmEdit::mnuFileDupClick},
        {spdNew, "spdNew", "新規作成", "編集内容をクリアして新規の状態にします", QStyle::SP_FileIcon, &TfrmEdit::mnuFileNewClick},
        {spdOpen, "spdOpen", "開く", "既存のファイルを開きます", QStyle::SP_DialogOpenButton, &TfrmEdit::mnuFileOpenClick},
        {spdSave, "spdSave", "上書き保存", "編集内容を上書き保存します", QStyle::SP_DialogSaveButton, &TfrmEdit::mnuFileSaveClick},
        {spdSaveAs, "spdSaveAs", "名前をつけて保存", "編集内容を名前をつけて保存します", QStyle::SP_DriveFDIcon, &TfrmEdit::mnuFileSaveAsClick},
        {spdPrint, "spdPrint", "印刷", "編集中の内容を印刷します", QStyle::SP_ComputerIcon, &TfrmEdit::mnuFilePrintClick},
        {spdUndo, "spdUndo", "元に戻す", "編集操作をひとつ前に戻します", QStyle::SP_ArrowBack, &TfrmEdit::mnuEditUndoClick},
        {spdSelectAll, "spdSelectAll", "全て選択", "編集内容をすべて選択状態にします", QStyle::SP_FileDialogDetailedView, &TfrmEdit::mnuEditAllClick},
        {spdCut, "spdCut", "切り取り", "選択された部分をクリップボードに切り出します", QStyle::SP_DialogDiscardButton, &TfrmEdit::mnuEditCutClick},
        {spdCopy, "spdCopy", "コピー", "選択された部分をクリップボードにコピーします", QStyle::SP_FileDialogNewFolder, &TfrmEdit::mnuEditCopyClick},
        {spdPaste, "spdPaste", "貼り付け", "クリップボードの内容をカーソル位置に貼り付けます", QStyle::SP_FileDialogContentsView, &TfrmEdit::mnuEditPasteClick},
        {spdGo, "spdGo", "整形実行", "整形処理を実行します", QStyle::SP_MediaPlay, &TfrmEdit::mnuExeRunClick},
        {spdFind, "spdFind", "検索", "文字列の検索を行います", QStyle::SP_FileDialogInfoView, &TfrmEdit::mnuEditSerchClick},
        {spdChange, "spdChange", "置換", "文字列の置換を行います", QStyle::SP_BrowserReload, &TfrmEdit::mnuEditChangeClick},
    };
    for (const Button &b : buttons) {
        b.action = SpdBar->addAction(s->standardIcon(b.icon), U(b.tip));
        b.action->setObjectName(b.name);
        b.action->setToolTip(U(b.tip));
        b.action->setStatusTip(U(b.hint));
        connect(b.action, &QAction::triggered, this, b.slot);
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
    staPanels[1]->setText(U("標準モード"));
}

void TfrmEdit::CreateOtherWindows() {
    dlgCancel = new TdlgCancel(this);
    dlgCancel->SetLockHandler([this](bool locked) { SetRunLock(locked); });
}

QString TfrmEdit::StatusText(int panel) const { return staPanels[panel]->text(); }

// Each history item keeps its path as data; the caption shows it with "&" doubled,
// so that a file named "R&D.sql" is not shown with an underlined D.
QString TfrmEdit::HistoryEntry(int index) const { return mnuFileRireki[index]->data().toString(); }

void TfrmEdit::SetHistoryEntry(int index, const QString &path) {
    mnuFileRireki[index]->setData(path);
    mnuFileRireki[index]->setText(QString(path).replace('&', QStringLiteral("&&")));
}

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
    if (!editor_.Widget()) return;
    auto [line, column] = editor_.CaretLineColumn();
    staPanels[0]->setText(QString::asprintf("%3d:%3d", line, column));
}

void TfrmEdit::ToggleBusyCursor() {
    if (!busy_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
    } else {
        ResetCursor();
    }
}

void TfrmEdit::ResetCursor() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    busy_ = false;
}

void TfrmEdit::SetApplicationTitle(const QString &path) {
    applicationTitle_ = QFileInfo(path).fileName();
    setWindowIconText(applicationTitle_);
}

QString TfrmEdit::ShortenedPath(const QString &path) const {
    if (path == UntitledName) return path;
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
    setWindowTitle(AppName + " - " + (DocPath == UntitledName ? QStringLiteral("Untitled") : ShortenedPath(DocPath)));
}

void TfrmEdit::resizeEvent(QResizeEvent *e) {
    QMainWindow::resizeEvent(e);
    UpdateCaption();
}

void TfrmEdit::ShowError(const QString &text) {
    dialogs_.Message(U("エラー"), text, MessageIcon::Error);
    ResetCursor();
}

void TfrmEdit::Guarded(const char *message, const std::function<void()> &command) {
    try {
        command();
    } catch (const CommandDeclined &) {
        ResetCursor();
    } catch (const std::exception &) {
        ShowError(U(message));
    }
}

bool TfrmEdit::MenuEnabled(QMenu *menu) const { return menu->menuAction()->isEnabled(); }

void TfrmEdit::StartInstance(const QStringList &arguments) {
    if (!desktop_.StartProcess(desktop_.ProgramPath(), arguments))
        throw std::runtime_error("the program could not be started");
}

bool TfrmEdit::Initialise() {
    try {
        ToggleBusyCursor();
        AppName = "Kelvra";
        UntitledName = "Untitled";
        DocPath = UntitledName;
        SetApplicationTitle(DocPath);
        setWindowTitle(AppName + " - " + UntitledName);
        UpdateCaretPos();
        HandleCommandLine();
        LoadSettings();
        // The stored history replaces the captions; the file opened at start-up goes on top of it.
        if (!startupFile_.isEmpty()) AddToHistory(startupFile_);
        if (LaunchMode == 2) ApplyBackground(QColor(192, 192, 192));
        ToggleBusyCursor();
        return true;
    } catch (const std::exception &) {
        ShowError(U("初期処理でエラーが発生しました"));
        return false;
    }
}

void TfrmEdit::HandleCommandLine() {
    const QStringList &args = arguments_;
    if (args.isEmpty()) return;
    DocPath = args[0];
    LaunchMode = 0;
    bool loadWanted = true;
    if (args[0] == "-X1") {
        LaunchMode = 1;
        editor_.SetRichMode(true);
        DocPath = args.value(1);
        if (!DocPath.isEmpty()) {
            const QFileInfo info(DocPath);
            if (!info.exists()) {
                ShowError(U("ファイルが見つかりません。\r\n") + DocPath);
                DocPath = UntitledName;
                loadWanted = false;
            } else if (IsReadOnlyFile(DocPath)) {
                if (!dialogs_.AskOkCancel(U("システムファイル又は読み出し専用ファイルです。開きますか？\r\n") + DocPath)) {
                    DocPath = UntitledName;
                    loadWanted = false;
                }
            } else if (info.isDir()) {
                ShowError(U("ディレクトリーは開けられません。\r\n") + DocPath);
                DocPath = UntitledName;
                loadWanted = false;
            }
        }
    } else if (args[0] == "-X2") {
        LaunchMode = 2;
        editor_.SetRichMode(true);
        DocPath = args.value(1);
        ApplyViewerLock();
    }
    if (DocPath.isEmpty()) {
        UntitledName += ".rtf";
        DocPath = UntitledName;
    } else if (loadWanted && DocPath != UntitledName) {
        const QFileInfo info(DocPath);
        // The name as stored on disk, through its absolute path.
        if (info.exists()) DocPath = info.absoluteFilePath();
        LoadDocument(DocPath);
        editor_.CaretToStart();
        editor_.SetModified(false);
        UpdateCaption();
        SetApplicationTitle(DocPath);
        startupFile_ = DocPath;
        UpdateCaretPos();
    }
    const int firstFurther = LaunchMode == 0 ? 1 : 2;
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
    if (LaunchMode == 2) return; // the viewer keeps its own lock
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
                if (!dialogs_.AskOkCancel(U("システムファイル又は読み出し専用ファイルです。開きますか？\r\n") + path)) {
                    ResetCursor();
                    continue;
                }
            } else if (info.isDir()) {
                ShowError(U("ディレクトリーは開けられません。\r\n") + path);
                continue;
            }
            if (editor_.Modified() || index >= 1) {
                QStringList args;
                if (LaunchMode == 1) args << "-X1";
                args << path;
                StartInstance(args);
                continue;
            }
            LoadDocument(path);
            editor_.ApplyFontToAll(EditorFont);
            editor_.CaretToStart();
            editor_.SetModified(false);
            DocPath = path;
            UpdateCaption();
            AddToHistory(path);
        }
    } catch (const CommandDeclined &) {
        ResetCursor();
    } catch (const std::exception &) {
        ShowError(U("ファイルのドロップ処理でエラーが発生しました"));
    }
}

void TfrmEdit::closeEvent(QCloseEvent *e) {
    if (runInProgress_ || formatting_) { // a run or a long load is still working on the document
        e->ignore();
        return;
    }
    try {
        bool close = true;
        if (editor_.Modified()) {
            switch (dialogs_.AskYesNoCancel(U("%1 を保存しますか？").arg(DocPath))) {
            case Answer::Cancel: close = false; break;
            case Answer::Yes: mnuFileSaveClick(); break;
            default: break;
            }
        }
        if (LaunchMode != 2) SaveSettings();
        if (close) {
            if (dlgCancel) dlgCancel->close();
            e->accept();
        } else {
            e->ignore();
        }
    } catch (const std::exception &) {
        ShowError(U("終了処理でエラーが発生しました"));
        e->accept();
    }
}

void TfrmEdit::mnuFileExitClick() {
    try {
        close();
    } catch (const std::exception &) {
        ShowError(U("”終了”でエラーが発生しました\r\nWindowsのタスクから強制終了してください"));
    }
}

} // namespace kelvra
