// TfrmEdit: the format command's window side, the revert command, the
// settings menu and the settings file.
#include "ui/Edit.h"

#include "formatter/FormatDriver.h"
#include "ui/BusyCursor.h"
#include "ui/Cancel.h"
#include "ui/Search.h"
#include "ui/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>

#include <optional>

namespace kelvra {

using texts::U;

// ---- The format command ----------------------------------------------------

void TfrmEdit::mnuExeRunClick() {
    staPanels[2]->clear();
    if (!MenuEnabled(mnuExeMenu) || runInProgress_) return;
    editor_.SetReadOnly(true);
    dlgCancel->ShowForFormat(kStageBarMaximum);
    QCoreApplication::processEvents();
    if (dlgCancel->CancelRequested()) {
        EndFormatRun();
        return;
    }
    // From here on every way out goes through EndFormatRun.
    FormatResult result;
    const bool timing = desktop_.ShiftHeld();
    const qint64 started = desktop_.TickMs();
    std::optional<BusyCursor> busy;
    try {
        busy.emplace();
        ReadOptionsFromMenus();
        document_.SetRevertText(editor_.Text());
        // The emphasis of an earlier run goes: a normal end replaces the whole
        // text in the editor font, every other end resets the font below.
        CancelProgressSink sink(*dlgCancel);
        result = RunFormat(document_.RevertText(), options_, catalogue_, sink);
        switch (result.end) {
        case RunEnd::Normal:
            editor_.SetFormatted(result.text, result.boldSpans, EditorFont);
            editor_.CaretToStart();
            dlgCancel->FillBars();
            if (timing) {
                const double seconds = static_cast<double>(desktop_.TickMs() - started) / 1000.0;
                dialogs_.Message(AppName, QString::fromStdString(RunSummaryText(seconds, result.counts)), MessageIcon::None);
            }
            break;
        case RunEnd::Cancelled:
            break; // the editor still holds the text from before the run
        case RunEnd::Failed:
            busy.reset();
            // The unmatched opening shows selected while its message is up.
            if (result.hasHighlight) editor_.Select(result.highlight.start, result.highlight.length);
            dialogs_.Message(QString::fromStdString(result.message.caption), QString::fromStdString(result.message.text),
                             result.message.icon);
            break;
        case RunEnd::UnexpectedError:
            break;
        }
    } catch (const std::exception &) {
        result.end = RunEnd::UnexpectedError;
        result.message = {texts::kErrorCaption, texts::kFormatFailed, MessageIcon::Error};
    }
    busy.reset();
    if (result.end != RunEnd::Normal) editor_.ApplyFontToAll(EditorFont);
    EndFormatRun();
    if (result.end == RunEnd::UnexpectedError) {
        dialogs_.Message(QString::fromStdString(result.message.caption), QString::fromStdString(result.message.text),
                         MessageIcon::Error);
        if (editor_.Text() != document_.RevertText()) editor_.SetPlainText(document_.RevertText(), EditorFont);
    }
}

void TfrmEdit::EndFormatRun() {
    dlgCancel->hide();
    editor_.SetReadOnly(document_.LaunchMode() == 2);
    CloseKeyDialog();
    dlgCancel->close();
    UpdateCaretPos();
}

void TfrmEdit::mnuEditRichUndoClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kRevertFailed, [this] {
        if (dialogs_.AskYesNoCancel(U(texts::kRevertQuestion)) != Answer::Yes) return;
        editor_.SetPlainText(document_.RevertText(), EditorFont);
        editor_.SetDefaultFont(EditorFont);
    });
}

// ---- The settings menu -----------------------------------------------------

void TfrmEdit::mnuFormatSaveCheckClick() { options_.SaveCheck = mnuFormatSaveCheck->isChecked(); }
void TfrmEdit::mnuFormatIchiClick() { options_.SavePos = mnuFormatIchi->isChecked(); }
void TfrmEdit::mnuFormatSizeClick() { options_.SaveSize = mnuFormatSize->isChecked(); }
void TfrmEdit::mnuFormatPathClick() { options_.SavePath = mnuFormatPath->isChecked(); }
void TfrmEdit::mnuFormatLfSpClick() { options_.LfSp = mnuFormatLfSp->isChecked(); }
void TfrmEdit::mnuFormatBoldClick() { options_.Bold = mnuFormatBold->isChecked(); }

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
    mnuFormatMode->setChecked(options_.SimpleMode);
    staPanels[1]->setText(U(options_.SimpleMode ? texts::kSimpleMode : texts::kStandardMode));
    mnuCommaBefore->setChecked(options_.Comma == CommaPosition::Before);
    mnuCommaAfter->setChecked(options_.Comma != CommaPosition::Before);
    SetIndentWidth(settings_.StoredIndent);
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
    options_.SimpleMode = mnuFormatMode->isChecked();
    options_.Comma = mnuCommaBefore->isChecked() ? CommaPosition::Before : CommaPosition::After;
}

// ---- Colours ---------------------------------------------------------------

QColor TfrmEdit::ColorFromStored(StoredColor c, bool background) const {
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

StoredColor TfrmEdit::StoredFromColor(const QColor &c) const {
    return static_cast<StoredColor>(static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
                                    (static_cast<std::uint32_t>(c.blue()) << 16));
}

// ---- The settings file -----------------------------------------------------

void TfrmEdit::LoadSettings() {
    SettingsOutcome outcome = kelvra::LoadSettings(settingsFolder_, DefaultSettings(programFolder_), settings_);
    options_ = settings_.Options;
    backColorStored_ = options_.BackColor;
    editor_.SetBackground(ColorFromStored(options_.BackColor, true));
    EditorFont.font = QFont(QString::fromStdString(options_.EditorFont.name));
    EditorFont.font.setStyleHint(QFont::TypeWriter);
    EditorFont.font.setPointSize(options_.EditorFont.size > 0 ? options_.EditorFont.size : 10);
    EditorFont.color = ColorFromStored(options_.EditorFont.color, false);
    editor_.SetDefaultFont(EditorFont);
    if (options_.SavePos && settings_.Left && settings_.Top) {
        move(*settings_.Left, *settings_.Top);
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    if (options_.SaveSize && settings_.Width && settings_.Height) resize(*settings_.Width, *settings_.Height);
    openInitialFolder_ = saveInitialFolder_ = QString::fromStdString(settings_.FilePath);
    for (int i = 0; i < kRecentFileCount; ++i) document_.History().SetEntry(i, settings_.History[i]);
    ShowHistory();
    ApplyOptionsToMenus();
    catalogue_ = KeywordCatalogue();
    InitialiseCatalogue(settings_, catalogue_);
    if (!outcome) dialogs_.Message(U(kSettingsErrorCaption), QString::fromStdString(outcome.message), MessageIcon::Error);
}

void TfrmEdit::SaveSettings() {
    ReadOptionsFromMenus();
    options_.SaveCheck = mnuFormatSaveCheck->isChecked();
    options_.SavePos = mnuFormatIchi->isChecked();
    options_.SaveSize = mnuFormatSize->isChecked();
    options_.SavePath = mnuFormatPath->isChecked();
    options_.BackColor = backColorStored_;
    options_.EditorFont.name = EditorFont.font.family().toStdString();
    options_.EditorFont.size = EditorFont.font.pointSize() > 0 ? EditorFont.font.pointSize() : 10;
    // A stored system colour stays a system colour until the user picks another one.
    if (EditorFont.color != ColorFromStored(options_.EditorFont.color, false))
        options_.EditorFont.color = StoredFromColor(EditorFont.color);
    settings_.Options = options_;
    settings_.Top = y();
    settings_.Left = x();
    settings_.Height = height();
    settings_.Width = width();
    settings_.FilePath = openInitialFolder_.toStdString();
    for (int i = 0; i < kRecentFileCount; ++i) settings_.History[i] = document_.History().Entry(i);
    // Search dialog: its history lists replace the stored ones once it has taken them over.
    if (frmSearch) frmSearch->StoreHistory(settings_);
    SettingsOutcome outcome = kelvra::SaveSettings(settingsFolder_, settings_);
    if (!outcome) dialogs_.Message(U(kSettingsErrorCaption), QString::fromStdString(outcome.message), MessageIcon::Error);
}

} // namespace kelvra
