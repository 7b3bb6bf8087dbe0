#include "ui/Search.h"
#include "ui/WindowFont.h"

#include "formatter/TextUtil.h"
#include "platform/TextSearch.h"
#include "ui/Cancel.h"
#include "ui/ChangeKakunin.h"
#include "ui/ColourSwatch.h"
#include "ui/Edit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QPlainTextEdit>

namespace kelvra {
namespace {

QString U(const char *text) { return QString::fromUtf8(text); }

// Editor positions taken by a piece of the CR LF text (a line end is one
// position, a character outside the BMP two).
int EditorLength(std::string_view text) {
    int length = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "\r\n") == 0) {
            i += 2;
            ++length;
            continue;
        }
        const std::size_t n = CharLength(static_cast<unsigned char>(text[i]));
        length += n == 4 ? 2 : 1;
        i += n;
    }
    return length;
}

// Gives the editor range the marking colour, or replaces it by `replacement`
// in that colour (keeping the other attributes of the text it replaces).
void MarkRange(QTextDocument *document, int start, int length, const QString *replacement, const QColor &colour) {
    QTextCursor cursor(document);
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    if (replacement) {
        QTextCharFormat format = cursor.charFormat();
        format.setForeground(colour);
        cursor.insertText(*replacement, format);
    } else {
        QTextCharFormat format;
        format.setForeground(colour);
        cursor.mergeCharFormat(format);
    }
}

// An editable drop-down whose history is offered in a list while typing but
// never written into the box: the search is case-sensitive, so what the user
// typed must be what is searched. Qt's default completion ignores case and
// puts a matching entry in place of the typed text when the box loses focus.
void OfferHistoryWithoutSubstituting(QComboBox *box) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setDuplicatesEnabled(true);
    QCompleter *completer = box->completer();
    completer->setCaseSensitivity(Qt::CaseSensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
}

void SelectInEditor(QPlainTextEdit *edit, int start, int length) {
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

} // namespace

struct TfrmSearch::Run {
    std::string text; // the editor text as the run leaves it (UTF-8, CR LF)
    std::string needle, replacementUtf8;
    QString replacement;
    bool replace = false;
    QColor colour;
    std::size_t found = 0, done = 0;
    bool allMode = false, doIt = true, anyDone = false;
    std::size_t start = 0;
};

TfrmSearch::TfrmSearch(TfrmEdit &owner, Dialogs &dialogs, TdlgChangeKakunin &confirmation, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowCloseButtonHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      owner_(owner), dialogs_(dialogs), confirmation_(confirmation) {
    setObjectName("frmSearch");
    setWindowTitle(U("検索／置換"));
    setModal(false);
    setFixedSize(420, 262);
    setFont(GothicFont(13));

    tabSearch = new QTabBar(this);
    tabSearch->setObjectName("tabSearch");
    tabSearch->addTab(U("検索"));
    tabSearch->addTab(U("置換"));
    tabSearch->setGeometry(8, 8, 404, 26);
    tabSearch->setDrawBase(false);
    auto *page = new QFrame(this);
    page->setFrameShape(QFrame::StyledPanel);
    page->setGeometry(8, 33, 404, 184);
    page->lower();

    lblSearch = new QLabel(U("検索文字列"), this);
    lblSearch->setGeometry(20, 46, 80, 24);
    cmbSearch = new QComboBox(this);
    cmbSearch->setObjectName("cmbSearch");
    OfferHistoryWithoutSubstituting(cmbSearch);
    cmbSearch->setGeometry(104, 46, 296, 24);
    lblSearch->setBuddy(cmbSearch);
    lblChange = new QLabel(U("置換文字列"), this);
    lblChange->setObjectName("lblChange");
    lblChange->setGeometry(20, 78, 80, 24);
    cmbChangeTo = new QComboBox(this);
    cmbChangeTo->setObjectName("cmbChangeTo");
    OfferHistoryWithoutSubstituting(cmbChangeTo);
    cmbChangeTo->setGeometry(104, 78, 296, 24);
    lblChange->setBuddy(cmbChangeTo);

    radPos = new QGroupBox(U("検索開始位置"), this);
    radPos->setObjectName("radPos");
    radPos->setGeometry(20, 110, 156, 96);
    radPosFirst = new QRadioButton(U("最初から"), radPos);
    radPosFirst->setObjectName("radPosFirst");
    radPosFirst->setGeometry(12, 26, 136, 24);
    radPosFirst->setChecked(true);
    radPosCaret = new QRadioButton(U("カーソル位置から"), radPos);
    radPosCaret->setObjectName("radPosCaret");
    radPosCaret->setGeometry(12, 56, 136, 24);

    // Swatches 1 to 8 above 9 to 16.
    for (int i = 0; i < 16; ++i) {
        pnl[i] = new ColourSwatch(QString("pnl%1").arg(i + 1), kMarkingColours[i], this);
        pnl[i]->setFrameShape(QFrame::Box);
        pnl[i]->setGeometry(188 + (i % 8) * 20, 116 + (i / 8) * 20, 18, 18);
        connect(pnl[i], &ColourSwatch::clicked, this, &TfrmSearch::pnlClick);
    }
    memColorSearch = new QPlainTextEdit(this);
    memColorSearch->setObjectName("memColorSearch");
    memColorSearch->setReadOnly(true);
    memColorSearch->setContextMenuPolicy(Qt::NoContextMenu);
    memColorSearch->setFocusPolicy(Qt::NoFocus);
    memColorSearch->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memColorSearch->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memColorSearch->setPlainText(U("文字色\nMOJ\nI\nmoji"));
    memColorSearch->setGeometry(346, 110, 54, 98);
    SetMarkingColour(QColor(0xFF, 0, 0));
    btnColorReset = new QPushButton(U("全ての色を元に戻す"), this);
    btnColorReset->setObjectName("btnColorReset");
    btnColorReset->setAutoDefault(false);
    btnColorReset->setGeometry(188, 182, 152, 26);

    btnChange = new QPushButton(U("検索(&S)"), this);
    btnChange->setObjectName("btnChange");
    btnChange->setDefault(true);
    btnChange->setGeometry(236, 226, 85, 28);
    btnChangeCancel = new QPushButton(U("取消し(&C)"), this);
    btnChangeCancel->setObjectName("btnChangeCancel");
    btnChangeCancel->setAutoDefault(false);
    btnChangeCancel->setGeometry(327, 226, 85, 28);

    connect(tabSearch, &QTabBar::currentChanged, this, &TfrmSearch::tabSearchChange);
    connect(btnColorReset, &QPushButton::clicked, this, &TfrmSearch::btnColorResetClick);
    connect(btnChange, &QPushButton::clicked, this, &TfrmSearch::btnChangeClick);
    connect(btnChangeCancel, &QPushButton::clicked, this, &TfrmSearch::btnChangeCancelClick);
    tabSearchChange(0);
}

QColor TfrmSearch::MarkingColour() const { return memColorSearch->palette().color(QPalette::Text); }

void TfrmSearch::SetMarkingColour(const QColor &colour) {
    QPalette p = memColorSearch->palette();
    p.setColor(QPalette::Text, colour);
    memColorSearch->setPalette(p);
}

void TfrmSearch::ShowEditorBackground() {
    QPalette p = memColorSearch->palette();
    p.setColor(QPalette::Base, owner_.rchOut->palette().color(QPalette::Base));
    memColorSearch->setPalette(p);
}

void TfrmSearch::TakeOverHistory(Settings &settings) {
    // The last entry goes in first, so the list starts with entry 0.
    for (auto it = settings.PendingSearchHistory.rbegin(); it != settings.PendingSearchHistory.rend(); ++it)
        cmbSearch->insertItem(0, QString::fromStdString(*it));
    for (auto it = settings.PendingReplaceHistory.rbegin(); it != settings.PendingReplaceHistory.rend(); ++it)
        cmbChangeTo->insertItem(0, QString::fromStdString(*it));
    settings.PendingSearchHistory.clear();
    settings.PendingReplaceHistory.clear();
    // The boxes open on the newest entries.
    if (cmbSearch->count() > 0) cmbSearch->setCurrentIndex(0);
    if (cmbChangeTo->count() > 0) cmbChangeTo->setCurrentIndex(0);
    historyTaken_ = true;
}

void TfrmSearch::StoreHistory(Settings &settings) const {
    if (!historyTaken_) return;
    auto firstEight = [](QComboBox *box) {
        std::vector<std::string> out;
        for (int i = 0; i < box->count() && i < 8; ++i) out.push_back(box->itemText(i).toStdString());
        return out;
    };
    settings.PendingSearchHistory = firstEight(cmbSearch);
    settings.PendingReplaceHistory = firstEight(cmbChangeTo);
}

void TfrmSearch::OpenOn(int tab, Settings &settings) {
    if (!historyTaken_) TakeOverHistory(settings);
    owner_.SetRunLock(true);
    if (QScreen *screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    if (tabSearch->currentIndex() != tab)
        tabSearch->setCurrentIndex(tab); // applies the tab change
    else
        tabSearchChange(tab);
    cmbSearch->setFocus();
    cmbSearch->lineEdit()->selectAll();
}

void TfrmSearch::tabSearchChange(int index) {
    const bool replace = index == 1;
    searchMode = replace ? "C" : "S";
    setWindowTitle(replace ? U("置換") : U("検索"));
    btnChange->setText(replace ? U("置換(&S)") : U("検索(&S)"));
    lblChange->setVisible(replace);
    lblChange->setEnabled(replace);
    cmbChangeTo->setVisible(replace);
    cmbChangeTo->setEnabled(replace);
}

void TfrmSearch::pnlClick(QColor colour) { SetMarkingColour(colour); }

void TfrmSearch::btnColorResetClick() {
    QPlainTextEdit *edit = owner_.rchOut;
    const int caret = edit->textCursor().selectionStart();
    QTextCursor all(edit->document());
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setForeground(owner_.EditorFont.color);
    all.mergeCharFormat(format);
    SelectInEditor(edit, caret, 0);
    SetMarkingColour(QColor(0xFF, 0, 0));
}

void TfrmSearch::btnChangeCancelClick() { close(); }

void TfrmSearch::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) ShowEditorBackground();
    QDialog::changeEvent(event);
}

void TfrmSearch::showEvent(QShowEvent *event) {
    ShowEditorBackground();
    QDialog::showEvent(event);
}

void TfrmSearch::closeEvent(QCloseEvent *event) {
    Unlock();
    QDialog::closeEvent(event);
}

void TfrmSearch::reject() {
    Unlock();
    QDialog::reject();
}

void TfrmSearch::Unlock() {
    owner_.SetRunLock(false);
    confirmation_.close();
    owner_.dlgCancel->close();
}

void TfrmSearch::btnChangeClick() {
    Run run;
    bool busy = false;
    try {
        // Step 1: hide the dialog, busy cursor, the editor read-only and showing its selection.
        hide();
        owner_.ToggleBusyCursor();
        busy = true;
        QPlainTextEdit *edit = owner_.rchOut;
        edit->setReadOnly(true);
        QPalette p = edit->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
        edit->setPalette(p);

        // Steps 2 to 4.
        const QString searchText = cmbSearch->currentText(), changeText = cmbChangeTo->currentText();
        cmbSearch->insertItem(0, searchText);
        cmbSearch->setCurrentIndex(0);
        cmbChangeTo->insertItem(0, changeText);
        cmbChangeTo->setCurrentIndex(0);
        run.text = owner_.Editor().Text();
        run.needle = searchText.toStdString();
        run.replace = searchMode == "C";
        run.replacement = changeText;
        run.replacementUtf8 = changeText.toStdString();
        run.colour = MarkingColour();
        if (radPosCaret->isChecked()) {
            // The selection start as a byte offset of the text.
            const int caret = edit->textCursor().selectionStart();
            QTextCursor head(edit->document());
            head.setPosition(caret, QTextCursor::KeepAnchor);
            QString before = head.selectedText();
            before.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
            before.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
            run.start = std::min(before.toUtf8().size(), static_cast<qsizetype>(run.text.size()));
        }

        if (!Search(run)) {
            EndRun(busy); // cancelled in the progress dialog: no message
            return;
        }
        // Steps 11 and 12.
        owner_.ToggleBusyCursor();
        busy = false;
        QString message;
        if (run.found == 0) {
            message = U("文字列は見つかりませんでした");
        } else {
            if (run.anyDone) {
                QTextCursor c = edit->textCursor();
                c.setPosition(c.selectionStart());
                edit->setTextCursor(c);
            }
            message = run.replace ? QString::number(run.found) + U("個中、") + QString::number(run.done) + U("個置換しました")
                                  : QString::number(run.found) + U("個見つかりました");
        }
        EndRun(busy);
        dialogs_.Message(owner_.AppName, message, MessageIcon::None);
    } catch (const std::exception &) {
        EndRun(busy);
        dialogs_.Message(owner_.AppName, U("検索／置換処理でエラーが発生しました"), MessageIcon::None);
    }
}

bool TfrmSearch::Search(Run &run) {
    QPlainTextEdit *edit = owner_.rchOut;
    for (;;) {
        const std::size_t pos = FindWhole(run.text, run.needle, run.start);
        if (pos == kNotFound) return true;
        const int edStart = EditorPosition(run.text, pos);
        const int edLength = EditorLength(std::string_view(run.text).substr(pos, run.needle.size()));
        SelectInEditor(edit, edStart, edLength);
        switch (confirmation_.Ask(run.replace ? U("置換しますか？") : U("検索文字に色を着けますか？"))) {
        case TdlgChangeKakunin::Result::Cancel: return true;
        case TdlgChangeKakunin::Result::Yes: run.doIt = true; break;
        case TdlgChangeKakunin::Result::No: run.doIt = false; break;
        case TdlgChangeKakunin::Result::All:
            run.allMode = true;
            run.doIt = true;
            owner_.dlgCancel->prgBar1->setValue(0);
            owner_.dlgCancel->prgBar2->hide();
            owner_.dlgCancel->ShowForRun();
            return ActOnAll(run, pos);
        }
        std::size_t selected = run.needle.size();
        if (run.doIt) {
            run.anyDone = true;
            MarkRange(edit->document(), edStart, edLength, run.replace ? &run.replacement : nullptr, run.colour);
            if (run.replace) {
                run.text.replace(pos, run.needle.size(), run.replacementUtf8);
                selected = run.replacementUtf8.size();
                SelectInEditor(edit, edStart, EditorLength(run.replacementUtf8));
            }
            ++run.done;
        }
        ++run.found;
        run.start = pos + selected;
    }
}

// Every remaining occurrence is found first in the text, then marked in the
// editor from the first to the last. The edits go in steps of about 20 ms,
// each its own edit block joined to the first (one undo step for the lot), and
// the progress dialog gets its events between the steps.
bool TfrmSearch::ActOnAll(Run &run, std::size_t pos) {
    QPlainTextEdit *edit = owner_.rchOut;
    QTextDocument *document = edit->document();
    const std::vector<std::size_t> positions = FindAllWhole(run.text, run.needle, pos);
    const int needleLength = EditorLength(run.needle);
    const int newLength = run.replace ? EditorLength(run.replacementUtf8) : needleLength;
    CancelProgressSink progress(*owner_.dlgCancel);
    std::size_t byteAt = 0; // text offset that `edAt` stands for
    int edAt = 0;           // editor position after the edits so far
    bool first = true;
    std::size_t next = 0;
    QElapsedTimer step;
    while (next < positions.size()) {
        QTextCursor block(document);
        if (first)
            block.beginEditBlock();
        else
            block.joinPreviousEditBlock();
        first = false;
        step.start();
        do {
            const std::size_t at = positions[next++];
            edAt += EditorLength(std::string_view(run.text).substr(byteAt, at - byteAt));
            MarkRange(document, edAt, needleLength, run.replace ? &run.replacement : nullptr, run.colour);
            edAt += newLength;
            byteAt = at + run.needle.size();
            ++run.found;
            ++run.done;
        } while (next < positions.size() && ((next & 63) != 0 || step.elapsed() < 20));
        block.endEditBlock();
        run.anyDone = true;
        progress.SetBar1(static_cast<std::int64_t>(positions[next - 1]), static_cast<std::int64_t>(run.text.size()));
        if (progress.CancelRequested()) break;
    }
    if (!positions.empty()) SelectInEditor(edit, edAt - newLength, newLength);
    return next == positions.size();
}

void TfrmSearch::EndRun(bool busy) {
    // Step 13: the progress dialog closed, the cursor reset, the editor writable, this dialog closed.
    owner_.dlgCancel->close();
    owner_.dlgCancel->prgBar2->show();
    if (busy) owner_.ToggleBusyCursor();
    owner_.rchOut->setReadOnly(false);
    close();
}

} // namespace kelvra
