// TfrmEdit: the document commands (new, open, save, save as, another window),
// reading and writing files through the Document, and the recent-file history.
#include "ui/Edit.h"

#include "ui/BusyCursor.h"
#include "ui/ReadOnlyFile.h"
#include "ui/UiTexts.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

#include <stdexcept>

namespace kelvra {
namespace {

using texts::U;

// The document's questions, asked with the window's dialogs.
class DialogQuestions final : public DocumentQuestions {
public:
    explicit DialogQuestions(Dialogs &dialogs) : dialogs_(dialogs) {}

    bool OpenWithReplacements(const std::string &path, std::size_t count) override {
        return dialogs_.AskOkCancel(
            U(texts::kUndecodableBytes).arg(QString::fromStdString(path)).arg(count).arg(QChar(0xFFFD)));
    }

    NotInShiftJis SaveNotInShiftJis(std::size_t count, const std::string &characters) override {
        switch (dialogs_.AskYesNoCancel(U(texts::kNotInShiftJis).arg(count).arg(QString::fromStdString(characters)))) {
        case Answer::Yes: return NotInShiftJis::SaveAsUtf8;
        case Answer::No: return NotInShiftJis::ReplaceThem;
        default: return NotInShiftJis::Cancel;
        }
    }

private:
    Dialogs &dialogs_;
};

CharFormat DefaultCharFormat(const EditorFontState &font) {
    CharFormat f;
    f.fontName = font.font.family().toStdString();
    f.pointSize = font.font.pointSizeF() > 0 ? font.font.pointSizeF() : 10;
    f.color = Rgb{static_cast<std::uint8_t>(font.color.red()), static_cast<std::uint8_t>(font.color.green()),
                  static_cast<std::uint8_t>(font.color.blue())};
    return f;
}

} // namespace

void TfrmEdit::ReadIntoEditor(const QString &path, bool richWanted) {
    DialogQuestions questions(dialogs_);
    const LoadedDocument doc = document_.Read(path.toStdString(), richWanted, DefaultCharFormat(EditorFont), questions);
    auto show = [&] {
        if (doc.rich)
            editor_.SetStyled(doc.content);
        else
            editor_.SetPlainText(doc.content.Text(), EditorFont);
    };
    constexpr std::size_t kLarge = 1 << 20;
    if (doc.content.Size() > kLarge && !runInProgress_)
        WithWindowLocked(show);
    else
        show();
}

void TfrmEdit::WithWindowLocked(const std::function<void()> &operation) {
    SetRunLock(true);
    try {
        operation();
    } catch (...) {
        SetRunLock(false);
        throw;
    }
    SetRunLock(false);
}

void TfrmEdit::LoadDocument(const QString &path) {
    ReadIntoEditor(path, document_.KindToLoad(path.toStdString()) == DocumentKind::RichText);
    if (document_.LaunchMode() == 1) editor_.SetRichMode(true);
}

void TfrmEdit::SaveDocument(const QString &path) {
    DialogQuestions questions(dialogs_);
    document_.Write(path.toStdString(), editor_.Styled(EditorFont), questions);
}

void TfrmEdit::ClearEditorWithFont() {
    editor_.SetPlainText(std::string(), EditorFont);
    editor_.SetDefaultFont(EditorFont);
}

FileDialogRequest TfrmEdit::OpenRequest() {
    FileDialogRequest r;
    r.initialFolder = openInitialFolder_;
    r.filter = U(texts::kFileFilter);
    r.filterIndex = settings_.OpenFilter;
    r.folderChanged = [this](const QString &folder) { LastFolder = folder; };
    return r;
}

FileDialogRequest TfrmEdit::SaveRequest() {
    FileDialogRequest r;
    r.title = U(texts::kSaveAsTitle);
    r.initialFolder = saveInitialFolder_;
    r.proposedName = QString::fromStdString(document_.Path());
    r.filter = U(texts::kFileFilter);
    r.filterIndex = settings_.SaveFilter;
    r.defaultSuffix = ".sql";
    r.folderChanged = [this](const QString &folder) { LastFolder = folder; };
    return r;
}

void TfrmEdit::mnuFileDupClick() { Guarded(texts::kDupFailed, [this] { StartInstance({}); }); }

bool TfrmEdit::AskSaveChanges() {
    if (!editor_.Modified()) return true;
    switch (dialogs_.AskYesNoCancel(U(texts::kSaveChanges).arg(QString::fromStdString(document_.Path())))) {
    case Answer::Cancel: return false;
    case Answer::Yes: mnuFileSaveClick(); return true; // goes on whatever the save's outcome
    default: return true;
    }
}

void TfrmEdit::mnuFileNewClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded(texts::kNewFailed, [this] {
        if (!AskSaveChanges()) return;
        ClearEditorWithFont();
        document_.MakeUntitled(texts::kUntitled);
        SetCurrentFile(QString::fromStdString(document_.UntitledName()));
        editor_.SetModified(false);
        UpdateCaretPos();
    });
}

void TfrmEdit::mnuFileOpenClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded(texts::kOpenFailed, [this] {
        // Opening replaces the document: unsaved changes are asked about first, as for New and closing.
        if (!AskSaveChanges()) return;
        FileDialogRequest request = OpenRequest();
        std::optional<QString> chosen = dialogs_.OpenFile(request);
        settings_.OpenFilter = request.filterIndex;
        if (chosen) {
            BusyCursor busy;
            if (IsReadOnlyFile(*chosen) && !dialogs_.AskOkCancel(U(texts::kOpenReadOnly))) return;
            // Read first, so that a file that cannot be read leaves the document as it was.
            LoadDocument(*chosen);
            SetCurrentFile(*chosen);
            editor_.SetDefaultFont(EditorFont);
            editor_.CaretToStart();
            editor_.SetModified(false);
            AddToHistory(*chosen);
            busy.Release();
            UpdateCaretPos();
        }
        if (!LastFolder.isEmpty()) openInitialFolder_ = saveInitialFolder_ = LastFolder;
    });
}

void TfrmEdit::mnuFileSaveClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded(texts::kSaveFailed, [this] {
        const QString path = QString::fromStdString(document_.Path());
        if (document_.IsUntitled()) {
            mnuFileSaveAsClick();
            return;
        }
        if (QFileInfo::exists(path) && IsReadOnlyFile(path)) {
            ShowError(U(texts::kSaveReadOnly));
            mnuFileSaveAsClick();
            return;
        }
        if (mnuFormatSaveCheck->isChecked() && !dialogs_.AskOkCancel(U(texts::kConfirmOverwrite))) return;
        BusyCursor busy;
        SaveDocument(path);
        editor_.SetModified(false);
        staPanels[2]->setText(U(texts::kSaved));
        AddToHistory(path);
    });
}

void TfrmEdit::mnuFileSaveAsClick() {
    bool wasReadOnly = false;
    try {
        FileDialogRequest request = SaveRequest();
        std::optional<QString> chosen = dialogs_.SaveFile(request);
        settings_.SaveFilter = request.filterIndex;
        if (chosen) {
            wasReadOnly = QFileInfo::exists(*chosen) && IsReadOnlyFile(*chosen);
            BusyCursor busy;
            SetCurrentFile(*chosen);
            SaveDocument(*chosen);
            editor_.SetModified(false);
            AddToHistory(*chosen);
        }
        if (!LastFolder.isEmpty()) openInitialFolder_ = saveInitialFolder_ = LastFolder;
    } catch (const CommandDeclined &) {
    } catch (const std::exception &) {
        ShowError(wasReadOnly ? U(texts::kSaveAsReadOnlyFailed) : U(texts::kSaveAsFailed));
    }
}

void TfrmEdit::AddToHistory(const QString &path) {
    document_.History().Add(path.toStdString());
    ShowHistory();
}

void TfrmEdit::ShowHistory() {
    for (int i = 0; i < FileHistory::kSize; ++i) mnuFileRireki[i]->setText(HistoryEntry(i));
}

void TfrmEdit::mnuFileRirekiClick(int index) { OpenPath(HistoryEntry(index)); }

void TfrmEdit::OpenPath(const QString &path) {
    if (path.isEmpty()) return;
    Guarded(texts::kHistoryFailed, [this, path] {
        if (!QFileInfo::exists(path)) {
            dialogs_.Message(U(texts::kWarningCaption), U(texts::kFileNotFound), MessageIcon::Warning);
            return;
        }
        if (!AskSaveChanges()) return;
        BusyCursor busy;
        if (IsReadOnlyFile(path) && !dialogs_.AskOkCancel(U(texts::kOpenReadOnly))) return;
        // Read in the editor's current mode: plain text in mode 0, rich text otherwise.
        ReadIntoEditor(path, document_.LaunchMode() != 0);
        SetCurrentFile(path);
        editor_.CaretToStart();
        editor_.SetModified(false);
        AddToHistory(path);
        LastFolder = path;
        openInitialFolder_ = saveInitialFolder_ = QFileInfo(path).absolutePath();
        busy.Release();
        UpdateCaretPos();
    });
}

} // namespace kelvra
