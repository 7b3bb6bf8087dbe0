// TfrmEdit: the document commands (new, open, save, save as, another window),
// reading and writing files through the Document, and the recent-file history.
#include "ui/Edit.h"

#include "ui/BackgroundWork.h"
#include "ui/BusyCursor.h"
#include "ui/ReadOnlyFile.h"
#include "ui/UiTexts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>

#include <stdexcept>

namespace kelvra {
namespace {

using texts::U;

// The document's questions, asked with the window's dialogs.
class DialogQuestions final : public DocumentQuestions {
public:
    explicit DialogQuestions(Dialogs &dialogs) : dialogs_(dialogs) {}

    // Loading and saving may ask from another thread: the questions go to the window's.
    bool OpenWithReplacements(const std::string &path, std::size_t count, TextProblem problem) override {
        const QString name = QString::fromStdString(path);
        return Ask(problem == TextProblem::NotText
                       ? U(texts::kNotATextFile).arg(name).arg(QChar(0xFFFD))
                       : U(texts::kUndecodableBytes).arg(name).arg(count).arg(QChar(0xFFFD)));
    }

    NotInShiftJis SaveNotInShiftJis(std::size_t count, const std::string &characters) override {
        return OnWindowThread([&] {
            switch (
                dialogs_.AskYesNoCancel(U(texts::kNotInShiftJis).arg(count).arg(QString::fromStdString(characters)))) {
            case Answer::Yes: return NotInShiftJis::SaveAsUtf8;
            case Answer::No: return NotInShiftJis::ReplaceThem;
            default: return NotInShiftJis::Cancel;
            }
        });
    }

    bool SaveRecodedCharacters(std::size_t count, const std::string &characters) override {
        return Ask(U(texts::kRecodedCharacters).arg(count).arg(QString::fromStdString(characters)));
    }

    bool SaveUnifiedLineEnds(LineEnd lineEnd) override {
        const char *written = lineEnd == LineEnd::CrLf ? "CR+LF" : lineEnd == LineEnd::Lf ? "LF" : "CR";
        return Ask(U(texts::kMixedLineEnds).arg(QString::fromLatin1(written)));
    }

    bool BreakHardLinks(const std::string &path, std::size_t otherNames) override {
        return Ask(U(texts::kBreakHardLinks).arg(QString::fromStdString(path)).arg(otherNames));
    }

private:
    bool Ask(const QString &text) {
        return OnWindowThread([&] { return dialogs_.AskOkCancel(text); });
    }

    Dialogs &dialogs_;
};

// Where a user keeps documents: the desktop's documents folder when there is
// one, else the home folder (never the program's folder, which is /usr/bin
// once installed).
QString UsersFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

CharFormat DefaultCharFormat(const EditorFontState &font) {
    CharFormat f;
    f.fontName = font.font.family().toStdString();
    f.pointSize = font.font.pointSizeF() > 0 ? font.font.pointSizeF() : 10;
    f.colour = Rgb{static_cast<std::uint8_t>(font.colour.red()), static_cast<std::uint8_t>(font.colour.green()),
                   static_cast<std::uint8_t>(font.colour.blue())};
    return f;
}

} // namespace

void TfrmEdit::ReadIntoEditor(const QString &path, bool richWanted) {
    DialogQuestions questions(dialogs_);
    LoadedDocument doc;
    const CharFormat defaults = DefaultCharFormat(EditorFont);
    AwayFromTheWindow(static_cast<std::size_t>(std::max<qint64>(0, QFileInfo(path).size())),
                      [&] { doc = document_.Read(path.toStdString(), richWanted, defaults, questions); });
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
    ForgetPreviousDocument();
}

// What belonged to the document just replaced: its text from before a run and its notice.
void TfrmEdit::ForgetPreviousDocument() {
    UpdateRevertCommand();
    staPanels[2]->clear();
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
    if (document_.LaunchMode() == LaunchMode::RichText) editor_.SetRichMode(true);
}

// What a save writes: plain text needs only the characters, which are copied
// at once; the formats are read only for rich text.
StyledText TfrmEdit::ContentForSave(DocumentKind kind) {
    if (kind != DocumentKind::PlainText) return editor_.Styled(EditorFont);
    QString raw = editor_.RawText();
    StyledText content(DefaultCharFormat(EditorFont));
    AwayFromTheWindow(static_cast<std::size_t>(raw.size()), [&] { content.SetText(FromEditorText(std::move(raw))); });
    return content;
}

// Work on a large document runs on another thread with the window locked, so
// that the window keeps answering; small work runs on the spot.
void TfrmEdit::AwayFromTheWindow(std::size_t size, const std::function<void()> &work) {
    constexpr std::size_t kLarge = 1 << 20;
    if (size > kLarge && !runInProgress_)
        WithWindowLocked([&] { RunInBackground(work); });
    else
        work();
}

void TfrmEdit::SaveDocument(const QString &path) {
    DialogQuestions questions(dialogs_);
    const StyledText content = ContentForSave(document_.KindToSave(path.toStdString()));
    AwayFromTheWindow(content.Size(), [&] { document_.Write(path.toStdString(), content, questions); });
}

void TfrmEdit::ClearEditorWithFont() {
    editor_.SetPlainText(std::string(), EditorFont);
    editor_.SetDefaultFont(EditorFont);
}

// A folder the dialogs can open on: a stored file path gives its folder; a
// value that names nothing (or the folder is gone) gives the user's own
// folder, as a missing value does.
QString TfrmEdit::ExistingFolder(const QString &stored) const {
    const QFileInfo info(stored);
    if (!stored.isEmpty() && info.isDir()) return info.absoluteFilePath();
    if (!stored.isEmpty() && info.isFile()) return info.absolutePath();
    return UsersFolder();
}

namespace {

// The filter (1-based) whose pattern matches the extension of `name`; 0 when none does.
int FilterIndexFor(const QString &filter, const QString &name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix.isEmpty()) return 0;
    const QStringList parts = filter.split('|');
    for (int i = 1; i < parts.size(); i += 2)
        if (parts[i].toLower() == "*." + suffix) return i / 2 + 1;
    for (int i = 1; i < parts.size(); i += 2)
        if (parts[i] == "*.*") return i / 2 + 1;
    return 0;
}

} // namespace

FileDialogRequest TfrmEdit::OpenRequest() {
    FileDialogRequest r;
    r.initialFolder = ExistingFolder(openInitialFolder_);
    r.filter = U(texts::kFileFilter);
    r.filterIndex = settings_.OpenFilter;
    r.folderChanged = [this](const QString &folder) { LastFolder = folder; };
    return r;
}

// The document's own folder, name and extension are proposed, with the filter
// that shows its kind; an untitled document is proposed under its untitled
// name in the dialogs' folder.
FileDialogRequest TfrmEdit::SaveRequest() {
    FileDialogRequest r;
    r.title = U(texts::kSaveAsTitle);
    r.filter = U(texts::kFileFilter);
    r.filterIndex = settings_.SaveFilter;
    r.defaultSuffix = ".sql";
    r.folderChanged = [this](const QString &folder) { LastFolder = folder; };
    const QFileInfo doc(QString::fromStdString(document_.Path()));
    if (!document_.IsUntitled() && doc.absoluteDir().exists()) {
        r.initialFolder = doc.absolutePath();
        r.proposedName = doc.fileName();
    } else {
        r.initialFolder = ExistingFolder(saveInitialFolder_);
        r.proposedName = doc.fileName();
    }
    if (const int matching = FilterIndexFor(r.filter, r.proposedName)) r.filterIndex = matching;
    return r;
}

void TfrmEdit::mnuFileDupClick() {
    Guarded(texts::kDupFailed, [this] { StartInstance({}); });
}

bool TfrmEdit::AskSaveChanges() {
    if (!editor_.Modified()) return true;
    switch (dialogs_.AskYesNoCancel(U(texts::kSaveChanges).arg(QString::fromStdString(document_.Path())))) {
    case Answer::Cancel: return false;
    case Answer::Yes: // goes on only when the save went through: a cancelled or failed save keeps the text
        mnuFileSaveClick();
        return !editor_.Modified();
    default: return true;
    }
}

void TfrmEdit::mnuFileNewClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded(texts::kNewFailed, [this] {
        if (!AskSaveChanges()) return;
        ClearEditorWithFont();
        document_.MakeUntitled(texts::kUntitled);
        ForgetPreviousDocument();
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
        staPanels[2]->clear(); // an earlier save's notice must not stand for this one
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
    staPanels[2]->clear();
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

// A menu caption shows "&&" as one "&" (a single one would underline the next letter).
void TfrmEdit::ShowHistory() {
    for (int i = 0; i < FileHistory::kSize; ++i)
        mnuFileRireki[i]->setText(HistoryEntry(i).replace('&', QStringLiteral("&&")));
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
        ReadIntoEditor(path, document_.LaunchMode() != LaunchMode::Normal);
        SetCurrentFile(path);
        editor_.CaretToStart();
        editor_.SetModified(false);
        AddToHistory(path);
        // The dialogs open on the file's folder (a file path there would leave them empty).
        LastFolder = QFileInfo(path).absolutePath();
        openInitialFolder_ = saveInitialFolder_ = LastFolder;
        busy.Release();
        UpdateCaretPos();
    });
}

} // namespace kelvra
