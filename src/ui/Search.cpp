#include "ui/Search.h"

#include "platform/TextSearch.h"
#include "ui/BusyCursor.h"
#include "ui/ChangeKakunin.h"
#include "ui/ColourSwatch.h"
#include "ui/EditorPosition.h"
#include "ui/UiTexts.h"
#include "ui/WindowFont.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>

#include <optional>

namespace kelvra {

using texts::U;

namespace {

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

} // namespace

struct TfrmSearch::Run {
    std::string text; // the editor text as the run leaves it (UTF-8, CR LF)
    std::string needle, replacementUtf8;
    QString replacement;
    bool replace = false;
    QColor colour;
    std::size_t found = 0, done = 0;
    bool allMode = false, doIt = true, anyDone = false;
    bool stoppedAtFirst = false; // the user ended the run at the first occurrence shown
    std::size_t start = 0;
};

TfrmSearch::TfrmSearch(SearchHost &host, Dialogs &dialogs, TdlgChangeKakunin &confirmation, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowCloseButtonHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      host_(host), dialogs_(dialogs), confirmation_(confirmation) {
    setObjectName("frmSearch");
    setWindowTitle(U(texts::kSearchDialogTitle));
    setModal(false);
    setFixedSize(420, 262);
    setFont(GothicFont(13));
    CreateControls();
}

void TfrmSearch::CreateControls() {

    tabSearch = new QTabBar(this);
    tabSearch->setObjectName("tabSearch");
    tabSearch->addTab(U(texts::kSearchTab));
    tabSearch->addTab(U(texts::kReplaceTab));
    tabSearch->setGeometry(8, 8, 404, 26);
    tabSearch->setDrawBase(false);
    auto *page = new QFrame(this);
    page->setFrameShape(QFrame::StyledPanel);
    page->setGeometry(8, 33, 404, 184);
    page->lower();

    lblSearch = new QLabel(U(texts::kSearchLabel), this);
    lblSearch->setGeometry(20, 46, 80, 24);
    cmbSearch = new QComboBox(this);
    cmbSearch->setObjectName("cmbSearch");
    OfferHistoryWithoutSubstituting(cmbSearch);
    cmbSearch->setGeometry(104, 46, 296, 24);
    lblSearch->setBuddy(cmbSearch);
    lblChange = new QLabel(U(texts::kReplaceLabel), this);
    lblChange->setObjectName("lblChange");
    lblChange->setGeometry(20, 78, 80, 24);
    cmbChangeTo = new QComboBox(this);
    cmbChangeTo->setObjectName("cmbChangeTo");
    OfferHistoryWithoutSubstituting(cmbChangeTo);
    cmbChangeTo->setGeometry(104, 78, 296, 24);
    lblChange->setBuddy(cmbChangeTo);

    radPos = new QGroupBox(U(texts::kStartGroup), this);
    radPos->setObjectName("radPos");
    radPos->setGeometry(20, 110, 156, 96);
    radPosFirst = new QRadioButton(U(texts::kFromStart), radPos);
    radPosFirst->setObjectName("radPosFirst");
    radPosFirst->setGeometry(12, 26, 136, 24);
    radPosFirst->setChecked(true);
    radPosCaret = new QRadioButton(U(texts::kFromCaret), radPos);
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
    memColorSearch->setPlainText(U(texts::kColourSample));
    memColorSearch->setGeometry(346, 110, 54, 98);
    SetMarkingColour(QColor(0xFF, 0, 0));
    btnColorReset = new QPushButton(U(texts::kResetColours), this);
    btnColorReset->setObjectName("btnColorReset");
    btnColorReset->setAutoDefault(false);
    btnColorReset->setGeometry(188, 182, 152, 26);

    btnChange = new QPushButton(U(texts::kSearchButton), this);
    btnChange->setObjectName("btnChange");
    btnChange->setDefault(true);
    btnChange->setGeometry(236, 226, 85, 28);
    btnChangeCancel = new QPushButton(U(texts::kCloseSearch), this);
    btnChangeCancel->setObjectName("btnChangeCancel");
    btnChangeCancel->setAutoDefault(false);
    btnChangeCancel->setGeometry(327, 226, 85, 28);

    // Tab goes down the dialog: the texts, where to start, the colours row by row, then the buttons.
    QList<QWidget *> order{tabSearch, cmbSearch, cmbChangeTo, radPosFirst, radPosCaret};
    for (ColourSwatch *swatch : pnl) order << swatch;
    order << btnColorReset << btnChange << btnChangeCancel;
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

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
    p.setColor(QPalette::Base, host_.Editor().Background());
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

void TfrmSearch::OpenOn(SearchMode mode, Settings &settings) {
    if (!historyTaken_) TakeOverHistory(settings);
    host_.SetRunLock(true);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    const int tab = mode == SearchMode::Replace ? 1 : 0;
    if (tabSearch->currentIndex() != tab)
        tabSearch->setCurrentIndex(tab); // applies the tab change
    else
        tabSearchChange(tab);
    cmbSearch->setFocus();
    cmbSearch->lineEdit()->selectAll();
}

void TfrmSearch::tabSearchChange(int index) {
    const bool replace = index == 1;
    mode_ = replace ? SearchMode::Replace : SearchMode::Search;
    setWindowTitle(replace ? U(texts::kReplaceTab) : U(texts::kSearchTab));
    btnChange->setText(replace ? U(texts::kReplaceButton) : U(texts::kSearchButton));
    lblChange->setVisible(replace);
    lblChange->setEnabled(replace);
    cmbChangeTo->setVisible(replace);
    cmbChangeTo->setEnabled(replace);
}

void TfrmSearch::pnlClick(QColor colour) { SetMarkingColour(colour); }

void TfrmSearch::btnColorResetClick() {
    host_.Editor().ResetColours(host_.EditorTextColour());
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
    host_.SetRunLock(false);
    confirmation_.close();
    host_.CloseSearchProgress();
}

void TfrmSearch::PrepareRun(Run &run) {
    const QString searchText = cmbSearch->currentText(), changeText = cmbChangeTo->currentText();
    cmbSearch->insertItem(0, searchText);
    cmbSearch->setCurrentIndex(0);
    cmbChangeTo->insertItem(0, changeText);
    cmbChangeTo->setCurrentIndex(0);
    EditorSurface &editor = host_.Editor();
    run.text = editor.Text();
    run.needle = searchText.toStdString();
    run.replace = mode_ == SearchMode::Replace;
    run.replacement = changeText;
    run.replacementUtf8 = changeText.toStdString();
    run.colour = MarkingColour();
    if (radPosCaret->isChecked()) run.start = std::min(editor.SelectionStart(), run.text.size());
}

QString TfrmSearch::Summary(const Run &run) const {
    if (run.found == 0) return U(texts::kNothingFound);
    return run.replace ? U(texts::kReplacedCount).arg(run.found).arg(run.done) : U(texts::kFoundCount).arg(run.found);
}

void TfrmSearch::btnChangeClick() {
    Run run;
    EditorSurface &editor = host_.Editor();
    try {
        // The dialog goes out of the way; the editor, read-only meanwhile, keeps
        // showing the occurrence asked about while the confirmation has the focus.
        hide();
        std::optional<BusyCursor> busy(std::in_place);
        editor.SetReadOnly(true);
        editor.KeepSelectionVisible();
        PrepareRun(run);
        // Cancelled in the progress dialog, or at the first occurrence (which
        // was found, so "not found" would be untrue): no message.
        if (!Search(run) || run.stoppedAtFirst) {
            EndRun();
            return;
        }
        busy.reset();
        // After changes, the caret stays at the start of the last one.
        if (run.found > 0 && run.anyDone) editor.CaretToSelectionStart();
        const QString message = Summary(run);
        EndRun();
        dialogs_.Message(host_.ProgramTitle(), message, MessageIcon::None);
    } catch (const std::exception &) {
        EndRun();
        dialogs_.Message(host_.ProgramTitle(), U(texts::kSearchRunFailed), MessageIcon::None);
    }
}

bool TfrmSearch::Search(Run &run) {
    EditorSurface &editor = host_.Editor();
    for (;;) {
        const std::size_t pos = FindWhole(run.text, run.needle, run.start);
        if (pos == kNotFound) return true;
        const EditorRange found{EditorPosition(run.text, pos),
                                EditorLength(std::string_view(run.text).substr(pos, run.needle.size()))};
        editor.SelectAt(found);
        switch (confirmation_.Ask(run.replace ? U(texts::kAskReplace) : U(texts::kAskMark))) {
        case TdlgChangeKakunin::Result::Cancel: run.stoppedAtFirst = run.found == 0; return true;
        case TdlgChangeKakunin::Result::Yes: run.doIt = true; break;
        case TdlgChangeKakunin::Result::No: run.doIt = false; break;
        case TdlgChangeKakunin::Result::All:
            run.allMode = true;
            run.doIt = true;
            return ActOnAll(run, pos);
        }
        std::size_t selected = run.needle.size();
        if (run.doIt) {
            run.anyDone = true;
            if (run.replace) {
                editor.ReplaceAt(found, run.replacement, run.colour);
                run.text.replace(pos, run.needle.size(), run.replacementUtf8);
                selected = run.replacementUtf8.size();
                editor.SelectAt({found.start, EditorLength(run.replacementUtf8)});
            } else {
                editor.MarkAt(found, run.colour);
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
    EditorSurface &editor = host_.Editor();
    ProgressSink &progress = host_.ShowSearchProgress();
    const std::vector<std::size_t> positions = FindAllWhole(run.text, run.needle, pos);
    const int needleLength = EditorLength(run.needle);
    const int newLength = run.replace ? EditorLength(run.replacementUtf8) : needleLength;
    // The original text is walked once; `shift` is how far the edits so far moved what follows.
    EditorPositionWalker walker(run.text);
    int shift = 0;
    int lastStart = 0;
    bool first = true;
    std::size_t next = 0;
    QElapsedTimer step;
    while (next < positions.size()) {
        editor.EditAsOneStep(!first, [&] {
            step.start();
            do {
                const std::size_t at = positions[next++];
                lastStart = walker.PositionOf(at) + shift;
                if (run.replace)
                    editor.ReplaceAt({lastStart, needleLength}, run.replacement, run.colour);
                else
                    editor.MarkAt({lastStart, needleLength}, run.colour);
                shift += newLength - needleLength;
                ++run.found;
                ++run.done;
            } while (next < positions.size() && ((next & 63) != 0 || step.elapsed() < 20));
        });
        first = false;
        run.anyDone = true;
        progress.SetBar1(static_cast<std::int64_t>(positions[next - 1]), static_cast<std::int64_t>(run.text.size()));
        if (progress.CancelRequested()) break;
    }
    if (!positions.empty()) editor.SelectAt({lastStart, newLength});
    return next == positions.size();
}

void TfrmSearch::EndRun() {
    // Progress dialog gone, editor writable again, and this dialog closed (which unlocks the main window).
    host_.CloseSearchProgress();
    host_.Editor().SetReadOnly(false);
    close();
}

} // namespace kelvra
