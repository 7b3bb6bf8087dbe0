// TfrmEdit: the format command's window side, the revert command, the
// settings menu and the settings file.
#include "ui/Edit.h"

#include "cli/CheckOptionsFor.h"
#include "formatter/Format.h"
#include "meaning/MeaningCheck.h"
#include "ui/BackgroundWork.h"
#include "ui/BusyCursor.h"
#include "ui/Cancel.h"
#include "ui/DocumentBuilder.h"
#include "ui/Search.h"
#include "ui/UiTexts.h"
#include "ui/WindowPlaces.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <optional>

namespace kelvra {

using texts::U;

namespace {

// Where the result means something else than the text before it; empty when nowhere.
QString MeaningNotice(const meaning::CheckReport &report) {
    if (report.Same() || report.first.empty()) return {};
    const meaning::Difference &first = report.first.front();
    return U(texts::kMeaningChanged).arg(report.count).arg(first.line).arg(first.column);
}

} // namespace

// ---- The format command ----------------------------------------------------

void TfrmEdit::mnuExeRunClick() {
    staPanels[2]->clear();
    if (!MenuEnabled(mnuExeMenu) || runInProgress_ || formatting_) return;
    // "中断" unlocks the window at once, while the run still winds down.
    struct Running {
        bool &flag;
        explicit Running(bool &f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(formatting_);
    editor_.SetReadOnly(true);
    // The stages, and one step more for making the result the editor shows.
    dlgCancel->ShowForFormat(kStageBarMaximum + 1);
    QCoreApplication::processEvents();
    if (dlgCancel->CancelRequested()) {
        EndFormatRun();
        return;
    }
    // From here on every way out goes through EndFormatRun. The editor is not
    // touched until the formatted document is complete, so a run that ends any
    // other way leaves it (text, formats and modified flag) as it was.
    FormatResult result;
    meaning::CheckReport meaning;
    BuiltDocument formatted;
    const bool timing = desktop_.ShiftHeld();
    const qint64 started = desktop_.TickMs();
    std::optional<BusyCursor> busy;
    try {
        busy.emplace();
        ReadOptionsFromMenus();
        result = FormatAwayFromTheWindow(formatted, meaning);
        // "中断" pressed after the work's last look at it still keeps the text as it was.
        if (result.end == RunEnd::Normal && dlgCancel->CancelRequested()) result.end = RunEnd::Cancelled;
        switch (result.end) {
        case RunEnd::Normal:
            // One edit: Undo gives back the text from before the run, and the edits before it stay undoable.
            editor_.AdoptAsEdit(std::move(formatted));
            editor_.SetModified(true); // the text was rewritten, as an edit would
            editor_.SetDefaultFont(EditorFont);
            dlgCancel->FillBars();
            // The result stays what the rules give; the user is told, and 整形前に戻す takes it back.
            staPanels[2]->setText(MeaningNotice(meaning));
            if (timing) {
                const double seconds = static_cast<double>(desktop_.TickMs() - started) / 1000.0;
                QString summary = QString::fromStdString(RunSummaryText(seconds, result.counts));
                if (!meaning.Same()) summary += "\r\n" + MeaningNotice(meaning); // after an empty line
                dialogs_.Message(ApplicationTitle(), summary, MessageIcon::None);
            }
            break;
        case RunEnd::Cancelled: break;
        case RunEnd::Failed:
            busy.reset();
            // The unmatched opening shows selected while its message is up.
            if (result.hasHighlight) editor_.Select(result.highlight.start, result.highlight.length);
            dialogs_.Message(QString::fromStdString(result.message.caption),
                             QString::fromStdString(result.message.text), result.message.icon);
            break;
        case RunEnd::UnexpectedError: break;
        }
    } catch (const std::exception &) {
        result.end = RunEnd::UnexpectedError;
        result.message = {texts::kErrorCaption, texts::kFormatFailed, MessageIcon::Error};
    }
    busy.reset();
    EndFormatRun();
    if (result.end == RunEnd::UnexpectedError)
        dialogs_.Message(QString::fromStdString(result.message.caption), QString::fromStdString(result.message.text),
                         MessageIcon::Error);
}

FormatResult TfrmEdit::FormatAwayFromTheWindow(BuiltDocument &formatted, meaning::CheckReport &meaning) {
    BackgroundProgressSink progress(1);
    // The run's own copies: nothing the window does meanwhile reaches them.
    QString raw = editor_.RawText();
    const EditorOptions options = options_;
    const KeywordCatalogue catalogue = catalogue_;
    const EditorFontState font = EditorFont;
    FormatResult result;
    RunInBackground(
        [&] {
            document_.SetRevertText(FromEditorText(std::move(raw)));
            result = RunFormat(document_.RevertText(), options, catalogue, progress);
            if (result.end != RunEnd::Normal) return;
            const meaning::CheckOptions readings = cli::CheckOptionsFor(options);
            meaning = meaning::CompareMeaning(document_.RevertText(), result.text, 1, readings);
            // The first bar starts again for the editor's document; the second waits on its last step.
            constexpr int kPerMille = 1000;
            progress.SetBar1(0, kPerMille);
            DocumentBuilder builder(
                font, [&progress] { return progress.CancelRequested(); },
                [&progress](double share) {
                    progress.SetBar1(static_cast<std::int64_t>(share * kPerMille), kPerMille);
                });
            builder.AddFormatted(result.text, result.boldSpans);
            formatted = builder.Finish();
            if (!formatted.content) result.end = RunEnd::Cancelled;
        },
        [&] { progress.Show(*dlgCancel); });
    return result;
}

void TfrmEdit::UpdateRevertCommand() { mnuEditRichUndo->setEnabled(document_.HasRevertText()); }

void TfrmEdit::EndFormatRun() {
    UpdateRevertCommand();
    dlgCancel->hide();
    editor_.SetReadOnly(document_.LaunchMode() == LaunchMode::Viewer);
    CloseKeyDialog();
    dlgCancel->close();
    UpdateCaretPos();
}

void TfrmEdit::mnuEditRichUndoClick() {
    // Only a run or line-end command on this document leaves a text to go back to.
    if (!MenuEnabled(mnuEditMenu) || !document_.HasRevertText()) return;
    Guarded(texts::kRevertFailed, [this] {
        if (!dialogs_.AskYesNo(U(texts::kRevertQuestion))) return;
        editor_.ReplaceText(document_.RevertText(), {}, EditorFont); // one step that Undo takes back
        editor_.SetDefaultFont(EditorFont);
        staPanels[2]->clear(); // a notice about the run's result no longer applies
    });
}

// ---- The settings menu -----------------------------------------------------

void TfrmEdit::mnuFormatSaveCheckClick() { options_.SaveCheck = mnuFormatSaveCheck->isChecked(); }
void TfrmEdit::mnuFormatIchiClick() { options_.SavePos = mnuFormatIchi->isChecked(); }
void TfrmEdit::mnuFormatSizeClick() { options_.SaveSize = mnuFormatSize->isChecked(); }
void TfrmEdit::mnuFormatPathClick() { options_.SavePath = mnuFormatPath->isChecked(); }
void TfrmEdit::mnuFormatLfSpClick() { options_.LfSp = mnuFormatLfSp->isChecked(); }
void TfrmEdit::mnuFormatBoldClick() { options_.Bold = mnuFormatBold->isChecked(); }
void TfrmEdit::mnuFormatKeepMeaningClick() { options_.KeepMeaning = mnuFormatKeepMeaning->isChecked(); }

void TfrmEdit::mnuFormatModeClick() {
    options_.SimpleMode = mnuFormatMode->isChecked();
    staPanels[1]->setText(U(options_.SimpleMode ? texts::kSimpleMode : texts::kStandardMode));
}

void TfrmEdit::mnuCommaAfterClick() {
    mnuCommaAfter->setChecked(true);
    mnuCommaBefore->setChecked(false);
    options_.Comma = CommaPosition::After;
}

void TfrmEdit::mnuCommaBeforeClick() {
    mnuCommaBefore->setChecked(true);
    mnuCommaAfter->setChecked(false);
    options_.Comma = CommaPosition::Before;
}

void TfrmEdit::mnuKetaClick(int n) { SetIndentWidth(n); }
void TfrmEdit::mnuDialectClick(SqlDialect dialect) { options_.Dialect = dialect; }

void TfrmEdit::SetIndentWidth(int n) {
    for (QAction *a : mnuKeta) a->setChecked(false);
    mnuKeta[(n >= 1 && n <= 10 ? n : 8) - 1]->setChecked(true);
    settings_.StoredIndent = n;
    options_.Indent = EffectiveIndent(n);
}

void TfrmEdit::ApplyOptionsToMenus() {
    mnuFormatSaveCheck->setChecked(options_.SaveCheck);
    mnuFormatIchi->setChecked(options_.SavePos);
    mnuFormatSize->setChecked(options_.SaveSize);
    mnuFormatPath->setChecked(options_.SavePath);
    mnuFormatLfSp->setChecked(options_.LfSp);
    mnuFormatBold->setChecked(options_.Bold);
    mnuFormatKeepMeaning->setChecked(options_.KeepMeaning);
    mnuFormatMode->setChecked(options_.SimpleMode);
    staPanels[1]->setText(U(options_.SimpleMode ? texts::kSimpleMode : texts::kStandardMode));
    mnuCommaBefore->setChecked(options_.Comma == CommaPosition::Before);
    mnuCommaAfter->setChecked(options_.Comma != CommaPosition::Before);
    SetIndentWidth(settings_.StoredIndent);
    for (QAction *a : mnuDialect) a->setChecked(a->data().toInt() == static_cast<int>(options_.Dialect));
}

// The run reads its options from the menu's check marks; the indent width is
// the highest checked width item, 8 when none is checked.
void TfrmEdit::ReadOptionsFromMenus() {
    int width = 8;
    for (int k = 1; k <= 10; ++k)
        if (mnuKeta[k - 1]->isChecked()) width = k;
    options_.Indent = width;
    options_.LfSp = mnuFormatLfSp->isChecked();
    options_.Bold = mnuFormatBold->isChecked();
    options_.KeepMeaning = mnuFormatKeepMeaning->isChecked();
    options_.SimpleMode = mnuFormatMode->isChecked();
    options_.Comma = mnuCommaBefore->isChecked() ? CommaPosition::Before : CommaPosition::After;
    for (QAction *a : mnuDialect)
        if (a->isChecked()) options_.Dialect = static_cast<SqlDialect>(a->data().toInt());
}

// ---- Colours ---------------------------------------------------------------

QColor TfrmEdit::ColourFromStored(StoredColour c, bool background) const {
    const auto bits = static_cast<std::uint32_t>(c);
    if ((bits & 0xFF000000u) == 0x80000000u) {
        // A system colour: the window background and text colours of the desktop's palette.
        switch (bits & 0xFF) {
        case 5: return QApplication::palette().color(QPalette::Base);
        case 8: return QApplication::palette().color(QPalette::Text);
        case 15: return QApplication::palette().color(QPalette::Button);
        default: return QApplication::palette().color(background ? QPalette::Base : QPalette::Text);
        }
    }
    return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
}

StoredColour TfrmEdit::StoredFromColour(const QColor &c) const {
    return static_cast<StoredColour>(static_cast<std::uint32_t>(c.red()) |
                                     (static_cast<std::uint32_t>(c.green()) << 8) |
                                     (static_cast<std::uint32_t>(c.blue()) << 16));
}

// ---- The settings file -----------------------------------------------------

// Reads the settings folder's file, or the one kept beside the program while
// that folder has none (the first save then writes the settings folder's own).
SettingsOutcome TfrmEdit::ReadStoredSettings() {
    const Settings defaults = DefaultSettings(programFolder_);
    const std::filesystem::path file = SettingsFileToRead(settingsFolder_, programFolder_);
    if (file != settingsFolder_ / kSettingsFileName) return ReadSettingsFile(file, defaults, settings_);
    return kelvra::LoadSettings(settingsFolder_, defaults, settings_);
}

// A stored size larger than the desktop's free area is cut down to it, and a
// stored position is brought back onto the screen, so that nothing in the
// settings file can make the window unusable; without a stored position the
// window is centred for the size it takes.
void TfrmEdit::PlaceWindow() {
    const QRect area = DesktopArea();
    if (options_.SaveSize && settings_.Width && settings_.Height) {
        const QSize least = minimumSizeHint().expandedTo(QSize(320, 240)).boundedTo(area.size());
        resize(std::clamp(*settings_.Width, least.width(), area.width()),
               std::clamp(*settings_.Height, least.height(), area.height()));
    }
    // A window started from another one stands where that one asked; else at the stored place.
    std::optional<QPoint> asked = desktop_.AskedWindowPosition();
    if (!asked && options_.SavePos && settings_.Left && settings_.Top) asked = QPoint(*settings_.Left, *settings_.Top);
    places_ = std::make_unique<WindowPlaces>(desktop_.WindowPlacesFolder());
    // Without a place of its own the window is centred for the size it takes.
    move(AwayFromOtherWindows(asked ? OntoDesktop(*asked) : area.center() - rect().center()));
    PublishPlace();
}

QPoint TfrmEdit::OntoDesktop(QPoint at) const {
    const QScreen *home = QGuiApplication::screenAt(at);
    const QRect onto = home ? home->availableGeometry() : DesktopArea();
    at.setX(std::clamp(at.x(), onto.left(), std::max(onto.left(), onto.right() + 1 - width())));
    at.setY(std::clamp(at.y(), onto.top(), std::max(onto.top(), onto.bottom() + 1 - height())));
    return at;
}

// A second copy of the program, or a window started while another one stands
// at the place asked for, would hide that window exactly: it steps aside.
QPoint TfrmEdit::AwayFromOtherWindows(QPoint at) const {
    const std::vector<QPoint> taken = places_->Others();
    auto isTaken = [&taken](QPoint p) {
        return std::any_of(taken.begin(), taken.end(), [p](QPoint q) { return (q - p).manhattanLength() < 8; });
    };
    for (int step = 0; step < 64 && isTaken(at); ++step) at = CascadeStep(at);
    return at;
}

void TfrmEdit::PublishPlace() {
    placeNoticePending_ = false;
    if (places_) places_->Publish(pos());
}

void TfrmEdit::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    // Once the window has come to rest: a drag moves it many times.
    if (placeNoticePending_) return;
    placeNoticePending_ = true;
    QTimer::singleShot(250, this, &TfrmEdit::PublishPlace);
}

void TfrmEdit::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (framedOnce_) return;
    framedOnce_ = true;
    // The frame is known only after the window manager has put it on; give it a moment.
    QTimer::singleShot(150, this, &TfrmEdit::FitFrameOntoDesktop);
}

void TfrmEdit::FitFrameOntoDesktop() {
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen || isMaximized() || isFullScreen()) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const QSize frameExtra = frame.size() - size();
    if (frame.width() > area.width() || frame.height() > area.height())
        resize(std::min(width(), area.width() - frameExtra.width()),
               std::min(height(), area.height() - frameExtra.height()));
    const QRect fitted = frameGeometry();
    QPoint at = fitted.topLeft();
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - fitted.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - fitted.height())));
    if (at != fitted.topLeft()) move(at);
}

void TfrmEdit::LoadSettings() {
    SettingsOutcome outcome = ReadStoredSettings();
    options_ = settings_.Options;
    backColourStored_ = options_.BackColor;
    editor_.SetBackground(ColourFromStored(options_.BackColor, true));
    EditorFont.font = QFont(QString::fromStdString(options_.EditorFont.name));
    EditorFont.font.setStyleHint(QFont::TypeWriter);
    EditorFont.font.setPointSize(options_.EditorFont.size > 0 ? options_.EditorFont.size : 10);
    EditorFont.colour = ColourFromStored(options_.EditorFont.colour, false);
    editor_.SetDefaultFont(EditorFont);
    PlaceWindow();
    // Without a folder of the user's own in the settings the dialogs open in the user's folder.
    const bool storedFolder = settings_.FilePath != DefaultSettings(programFolder_).FilePath;
    openInitialFolder_ = saveInitialFolder_ = storedFolder ? QString::fromStdString(settings_.FilePath) : QString();
    for (int i = 0; i < kRecentFileCount; ++i) document_.History().SetEntry(i, settings_.History[i]);
    ShowHistory();
    ApplyOptionsToMenus();
    catalogue_ = KeywordCatalogue();
    InitialiseCatalogue(settings_, catalogue_);
    if (!outcome)
        dialogs_.Message(U(kSettingsErrorCaption), QString::fromStdString(outcome.message), MessageIcon::Error);
}

void TfrmEdit::SaveSettings() {
    ReadOptionsFromMenus();
    options_.SaveCheck = mnuFormatSaveCheck->isChecked();
    options_.SavePos = mnuFormatIchi->isChecked();
    options_.SaveSize = mnuFormatSize->isChecked();
    options_.SavePath = mnuFormatPath->isChecked();
    options_.BackColor = backColourStored_;
    options_.EditorFont.name = EditorFont.font.family().toStdString();
    options_.EditorFont.size = EditorFont.font.pointSize() > 0 ? EditorFont.font.pointSize() : 10;
    // A stored system colour stays a system colour until the user picks another one.
    if (EditorFont.colour != ColourFromStored(options_.EditorFont.colour, false))
        options_.EditorFont.colour = StoredFromColour(EditorFont.colour);
    settings_.Options = options_;
    settings_.Top = y();
    settings_.Left = x();
    settings_.Height = height();
    settings_.Width = width();
    settings_.FilePath = ExistingFolder(openInitialFolder_).toStdString();
    for (int i = 0; i < kRecentFileCount; ++i) settings_.History[i] = document_.History().Entry(i);
    // Search dialog: its history lists replace the stored ones once it has taken them over.
    if (frmSearch) frmSearch->StoreHistory(settings_);
    SettingsOutcome outcome = kelvra::SaveSettings(settingsFolder_, settings_);
    if (!outcome)
        dialogs_.Message(U(kSettingsErrorCaption), QString::fromStdString(outcome.message), MessageIcon::Error);
}

} // namespace kelvra
