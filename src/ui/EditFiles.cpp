// TfrmEdit: the document commands (new, open, save, save as, another window),
// reading and writing files, and the recent-file history.
#include "ui/Edit.h"

#include "formatter/TextUtil.h"
#include "platform/DocumentFile.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>

#include <stdexcept>

namespace kelvra {

bool IsReadOnlyFile(const QString &path);

namespace {

QString U(const char *text) { return QString::fromUtf8(text); }

const char kFilter[] = "Sql File (*.sql)|*.sql|Spool File (*.lst)|*.lst|Text File (*.txt)|*.txt|"
                       "Log File (*.log)|*.log|All (*.*)|*.*";

std::filesystem::path PathOf(const QString &path) { return std::filesystem::path(path.toStdString()); }

// The characters at the given offsets, each once, for a message.
QString CharactersAt(const std::string &text, const std::vector<std::size_t> &offsets) {
    QStringList shown;
    for (std::size_t offset : offsets) {
        QString ch = QString::fromStdString(text.substr(offset, CharLength(static_cast<unsigned char>(text[offset]))));
        if (!shown.contains(ch)) shown << ch;
        if (shown.size() == 10) break;
    }
    return shown.join(' ');
}

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
    std::string bytes;
    if (Status read = ReadFileBytes(PathOf(path), bytes); !read) throw std::runtime_error(read.message);
    LoadedDocument doc = ReadDocument(bytes, richWanted ? DocumentKind::RichText : DocumentKind::PlainText,
                                      DefaultCharFormat(EditorFont));
    if (!doc.badOffsets.empty()) ConfirmUndecodable(path, doc.badOffsets);
    plainFormat_ = doc.plainFormat;
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

void TfrmEdit::ConfirmUndecodable(const QString &path, const std::vector<std::size_t> &badOffsets) {
    const QString text = U("%1 には文字として読めないバイトが %2 箇所あります。\r\n"
                           "読めない部分を「%3」に置き換えて開きますか？\r\n"
                           "（置き換えた部分は保存すると元に戻りません）")
                             .arg(path)
                             .arg(badOffsets.size())
                             .arg(QChar(0xFFFD));
    if (!dialogs_.AskOkCancel(text)) throw CommandDeclined{};
}

void TfrmEdit::LoadDocument(const QString &path) {
    const DocumentKind kind = LoadKind(LaunchMode, PathOf(path));
    ReadIntoEditor(path, kind == DocumentKind::RichText);
    if (LaunchMode == 1) editor_.SetRichMode(true);
}

std::string TfrmEdit::EncodeForSave(const QString &path) {
    const DocumentKind kind = SaveKind(LaunchMode, PathOf(path));
    StyledText content = editor_.Styled(EditorFont);
    EncodedText encoded = WriteDocument(content, kind, plainFormat_);
    if (kind == DocumentKind::PlainText && !encoded.lossyOffsets.empty()) {
        // Code page 932 cannot hold some characters: offer UTF-8 rather than lose them.
        const QString question =
            U("次の文字は Shift-JIS で保存できません（%1 箇所）：\r\n%2\r\n\r\n"
              "「はい」で UTF-8 として保存します。「いいえ」で置き換えて Shift-JIS のまま保存します。")
                .arg(encoded.lossyOffsets.size())
                .arg(CharactersAt(content.Text(), encoded.lossyOffsets));
        switch (dialogs_.AskYesNoCancel(question)) {
        case Answer::Yes: {
            PlainTextFormat utf8 = plainFormat_;
            utf8.encoding = TextEncoding::Utf8;
            utf8.byteOrderMark = true;
            encoded = WriteDocument(content, kind, utf8);
            plainFormat_ = utf8;
            break;
        }
        case Answer::No: break;
        default: throw CommandDeclined{};
        }
    }
    return encoded.bytes;
}

void TfrmEdit::SaveDocument(const QString &path) {
    const std::string bytes = EncodeForSave(path);
    if (Status written = WriteFileSafely(PathOf(path), bytes); !written)
        throw std::runtime_error(written.message);
}

void TfrmEdit::BindDocument(const QString &path) {
    DocPath = path;
    UpdateCaption();
    SetApplicationTitle(DocPath);
}

void TfrmEdit::ClearEditorWithFont() {
    editor_.SetPlainText(std::string(), EditorFont);
    editor_.SetDefaultFont(EditorFont);
}

FileDialogRequest TfrmEdit::OpenRequest() {
    FileDialogRequest r;
    r.initialFolder = openInitialFolder_;
    r.filter = U(kFilter);
    r.filterIndex = settings_.OpenFilter;
    r.folderChanged = [this](const QString &folder) { LastFolder = folder; };
    return r;
}

FileDialogRequest TfrmEdit::SaveRequest() {
    FileDialogRequest r;
    r.title = U("名前をつけて保存");
    r.initialFolder = saveInitialFolder_;
    r.proposedName = DocPath;
    r.filter = U(kFilter);
    r.filterIndex = settings_.SaveFilter;
    r.defaultSuffix = ".sql";
    r.folderChanged = [this](const QString &folder) { LastFolder = folder; };
    return r;
}

void TfrmEdit::mnuFileDupClick() {
    Guarded("”別のＫｅｌｖｒａを起動する”でエラーが発生しました", [this] { StartInstance({}); });
}

bool TfrmEdit::AskSaveChanges() {
    if (!editor_.Modified()) return true;
    switch (dialogs_.AskYesNoCancel(U("%1 を保存しますか？").arg(DocPath))) {
    case Answer::Cancel: return false;
    case Answer::Yes: mnuFileSaveClick(); return true;
    default: return true;
    }
}

void TfrmEdit::mnuFileNewClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded("”新規作成”でエラーが発生しました", [this] {
        if (!AskSaveChanges()) return;
        ClearEditorWithFont();
        UntitledName = "Untitled";
        DocPath = UntitledName;
        setWindowTitle(AppName + " - " + UntitledName);
        SetApplicationTitle(DocPath);
        plainFormat_ = PlainTextFormat{};
        editor_.SetModified(false);
        UpdateCaretPos();
    });
}

void TfrmEdit::mnuFileOpenClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded("”開く”でエラーが発生しました", [this] {
        FileDialogRequest request = OpenRequest();
        std::optional<QString> chosen = dialogs_.OpenFile(request);
        settings_.OpenFilter = request.filterIndex;
        if (chosen) {
            ToggleBusyCursor();
            if (IsReadOnlyFile(*chosen) && !dialogs_.AskOkCancel(U("システムファイル又は、読み出し専用ファイルです。開きますか？"))) {
                ResetCursor();
                return;
            }
            // Read first, so that a file that cannot be read leaves the document as it was.
            LoadDocument(*chosen);
            BindDocument(*chosen);
            editor_.SetDefaultFont(EditorFont);
            editor_.CaretToStart();
            editor_.SetModified(false);
            AddToHistory(*chosen);
            ToggleBusyCursor();
            UpdateCaretPos();
        }
        if (!LastFolder.isEmpty()) openInitialFolder_ = saveInitialFolder_ = LastFolder;
    });
}

void TfrmEdit::mnuFileSaveClick() {
    if (!MenuEnabled(mnuFileMenu)) return;
    Guarded("”上書保存”でエラーが発生しました", [this] {
        if (DocPath == UntitledName) {
            mnuFileSaveAsClick();
            return;
        }
        if (QFileInfo::exists(DocPath) && IsReadOnlyFile(DocPath)) {
            ShowError(U("このファイルはシステムファイル又は、読み出し専用ファイルです。\r\n名前を付けて保存して下さい。"));
            mnuFileSaveAsClick();
            return;
        }
        if (mnuFormatSaveCheck->isChecked() && !dialogs_.AskOkCancel(U("上書き保存してよろしいですか？"))) return;
        ToggleBusyCursor();
        SaveDocument(DocPath);
        editor_.SetModified(false);
        staPanels[2]->setText(U("上書き保存されました"));
        AddToHistory(DocPath);
        ToggleBusyCursor();
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
            ToggleBusyCursor();
            DocPath = *chosen;
            SetApplicationTitle(DocPath);
            setWindowTitle(AppName + " - " + DocPath);
            SaveDocument(DocPath);
            editor_.SetModified(false);
            AddToHistory(DocPath);
            ToggleBusyCursor();
        }
        if (!LastFolder.isEmpty()) openInitialFolder_ = saveInitialFolder_ = LastFolder;
    } catch (const CommandDeclined &) {
        ResetCursor();
    } catch (const std::exception &) {
        ShowError(wasReadOnly ? U("上書き禁止の為、保存に失敗しました\r\n別の名前で保存して下さい")
                              : U("”名前を付けて保存”でエラーが発生しました"));
    }
}

void TfrmEdit::AddToHistory(const QString &path) {
    if (mnuFileRireki[0]->text() == path) return;
    for (int i = 7; i >= 1; --i) mnuFileRireki[i]->setText(mnuFileRireki[i - 1]->text());
    mnuFileRireki[0]->setText(path);
}

void TfrmEdit::mnuFileRirekiClick(int index) { OpenPath(mnuFileRireki[index]->text()); }

void TfrmEdit::OpenPath(const QString &path) {
    if (path.isEmpty()) return;
    Guarded("”履歴から開く”でエラーが発生しました", [this, path] {
        if (!QFileInfo::exists(path)) {
            dialogs_.Message(U("警告"), U("ファイルが見つかりません"), MessageIcon::Warning);
            ResetCursor();
            return;
        }
        ToggleBusyCursor();
        if (IsReadOnlyFile(path) && !dialogs_.AskOkCancel(U("システムファイル又は、読み出し専用ファイルです。開きますか？"))) {
            ResetCursor();
            return;
        }
        // Read in the editor's current mode: plain text in mode 0, rich text otherwise.
        ReadIntoEditor(path, LaunchMode != 0);
        setWindowTitle(AppName + " - " + ShortenedPath(path));
        SetApplicationTitle(path);
        editor_.CaretToStart();
        editor_.SetModified(false);
        AddToHistory(path);
        LastFolder = path;
        DocPath = path;
        openInitialFolder_ = saveInitialFolder_ = QFileInfo(path).absolutePath();
        ToggleBusyCursor();
        UpdateCaretPos();
    });
}

} // namespace kelvra
