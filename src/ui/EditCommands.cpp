// TfrmEdit: editing and line-end commands, font and background colour,
// printing, help and about.
#include "ui/AboutBox.h"
#include "ui/BusyCursor.h"
#include "ui/Edit.h"
#include "ui/TextView.h"
#include "ui/UiTexts.h"

#include "settings/SettingsStore.h"
#include "platform/LineEndCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QUrl>

#include <stdexcept>

namespace kelvra {
namespace {

using texts::U;

// The online SQL reference: the looked-up word follows the query mark directly.
constexpr char kOnlineReferenceAddress[] = "http://www.norvatek.example/cgi-bin/virozururo/virozururo.php?";

constexpr char kHelpFileName[] = "kelvra-help.html";

// The help document: beside the program (a build tree, a portable copy) or in
// share/kelvra of an installed program. When it is in neither place, the one
// where it belongs is named.
QString HelpPath(const QString &programPath) {
    const QDir programFolder = QFileInfo(programPath).absoluteDir();
    const QString beside = programFolder.filePath(kHelpFileName);
    const QString shared = QDir::cleanPath(programFolder.filePath(QStringLiteral("../share/kelvra/") + kHelpFileName));
    if (QFileInfo(beside).isFile()) return beside;
    if (QFileInfo(shared).isFile()) return shared;
    return IsInstalledProgramFolder(programFolder.absolutePath().toStdString()) ? shared : beside;
}

// Leading and trailing blanks and control characters removed.
QString TrimControls(const QString &text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32) ++begin;
    while (end > begin && text[end - 1].unicode() <= 32) --end;
    return text.mid(begin, end - begin);
}

} // namespace

void TfrmEdit::WireEditingCommands() {
    // The items are connected where they are created; the about box is made here, hidden.
    frmAboutBox = new TfrmAboutBox(desktop_, this);
    // A notice about a run or a save stops holding once the whole text is another
    // (Undo or Redo of a run, a revert); a run sets its own notice after this.
    connect(&rchOut->Model(), &TextModel::WholeTextReplaced, this, [this] { staPanels[2]->clear(); });
    // 元に戻す is enabled while there is something to undo: not right after a
    // file is opened. Looked at once the change is done (the step is closed then).
    const TextModel *model = &rchOut->Model();
    const auto update = [this] { UpdateUndoCommand(); };
    connect(model, &TextModel::TextChanged, this, update, Qt::QueuedConnection);
    connect(model, &TextModel::FormatsChanged, this, update, Qt::QueuedConnection);
    connect(model, &TextModel::WholeTextReplaced, this, update, Qt::QueuedConnection);
    connect(model, &TextModel::ModifiedChanged, this, update, Qt::QueuedConnection);
    UpdateUndoCommand();
}

void TfrmEdit::UpdateUndoCommand() { mnuEditUndo->setEnabled(rchOut->Model().CanUndo()); }

// ---- Clipboard and undo ----------------------------------------------------

void TfrmEdit::mnuEditUndoClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kUndoFailed, [this] { editor_.Undo(); });
}

void TfrmEdit::mnuEditCutClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kCutFailed, [this] { editor_.Cut(); });
}

void TfrmEdit::mnuEditCopyClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kCopyFailed, [this] { editor_.Copy(); });
}

void TfrmEdit::mnuEditPasteClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kPasteFailed, [this] { editor_.Paste(); });
}

void TfrmEdit::mnuEditAllClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kSelectAllFailed, [this] { editor_.SelectAll(); });
}

// ---- Line-end commands -----------------------------------------------------
// Each keeps the text from before it for the revert command and makes its
// insertions as one edit (one undo step).

void TfrmEdit::mnuExeSpaceClick() {
    Guarded(texts::kSpaceFailed, [this] {
        document_.SetRevertText(editor_.Text());
        editor_.Insert(SuffixInsertions(document_.RevertText(), " "), EditorFont);
        UpdateRevertCommand();
    });
}

void TfrmEdit::mnuExeSClick() {
    Guarded(texts::kSemicolonFailed, [this] {
        document_.SetRevertText(editor_.Text());
        editor_.Insert(SuffixInsertions(document_.RevertText(), ";"), EditorFont);
        UpdateRevertCommand();
    });
}

void TfrmEdit::mnuExeCommentClick() {
    Guarded(texts::kSeparatorFailed, [this] {
        document_.SetRevertText(editor_.Text());
        editor_.Insert(SeparatorInsertions(document_.RevertText()), EditorFont);
        UpdateRevertCommand();
    });
}

// ---- Font and background ---------------------------------------------------

void TfrmEdit::mnuFormatFontClick() {
    if (!MenuEnabled(mnuFormatMenu)) return;
    Guarded(texts::kFontFailed, [this] {
        const auto chosen = dialogs_.ChooseFontAndColour(EditorFont.font, EditorFont.colour, options_.FixedOnly);
        if (chosen) {
            BusyCursor busy;
            EditorFont.font = chosen->first;
            EditorFont.colour = chosen->second;
            if (editor_.HasSelection()) {
                // Only the selected text changes; new text keeps the default format.
                editor_.ApplyFontToSelection(EditorFont);
            } else {
                editor_.ApplyFontToAll(EditorFont);
                editor_.SetDefaultFont(EditorFont);
                editor_.CaretToStart();
            }
        }
        editor_.Focus();
    });
}

void TfrmEdit::mnuFormatColorClick() {
    if (!MenuEnabled(mnuFormatMenu)) return;
    Guarded(texts::kColourFailed, [this] {
        if (!lastBackChoice_.isValid()) lastBackChoice_ = ColourFromStored(backColourStored_, true);
        if (const auto chosen = dialogs_.ChooseColour(lastBackChoice_)) {
            lastBackChoice_ = *chosen;
            editor_.SetBackground(*chosen);
            backColourStored_ = StoredFromColour(*chosen);
        }
        editor_.Focus();
    });
}

// ---- Printing --------------------------------------------------------------

QPrinter &TfrmEdit::Printer() {
    if (!printer_) {
        printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer_->setCollateCopies(true);
    }
    return *printer_;
}

void TfrmEdit::mnuFilePrintClick() {
    Guarded(texts::kPrintFailed, [this] {
        QPrinter &printer = Printer();
        if (!dialogs_.Print(printer)) return;
        BusyCursor busy;
        printer.setDocName(QFileInfo(QString::fromStdString(document_.Path())).fileName());
        editor_.Print(printer);
        // A job the printer refused (no device, a file that cannot be written) is a failure.
        if (printer.printerState() == QPrinter::Error) throw std::runtime_error("the print job failed");
    });
}

void TfrmEdit::mnuFilePrintSetupClick() {
    Guarded(texts::kPrintSetupFailed, [this] { dialogs_.PrintSetup(Printer()); });
}

// ---- Help and about --------------------------------------------------------

void TfrmEdit::mnuHelpHelpClick() {
    Guarded(texts::kHelpFailed, [this] {
        const QString helpPath = HelpPath(desktop_.ProgramPath());
        if (QFileInfo(helpPath).isFile()) {
            if (!desktop_.OpenUrl(QUrl::fromLocalFile(helpPath).toString()))
                throw std::runtime_error("no viewer for the help file");
        } else {
            dialogs_.Message(U(texts::kWarningCaption), U(texts::kHelpFileMissing) + helpPath, MessageIcon::Warning);
        }
    });
}

void TfrmEdit::mnuHelpSQLHelpClick() {
    desktop_.OpenUrl(U(kOnlineReferenceAddress) + TrimControls(editor_.SelectedText()).toLower());
}

void TfrmEdit::mnuHelpAboutClick() {
    if (!MenuEnabled(mnuHelpMenu)) return;
    Guarded(texts::kAboutFailed, [this] {
        // Closed once dismissed, and also when showing it failed.
        struct Closer {
            QDialog *box;
            ~Closer() { box->close(); }
        } closer{frmAboutBox};
        dialogs_.ShowModal(*frmAboutBox);
    });
}

} // namespace kelvra
