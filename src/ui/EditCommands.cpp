// TfrmEdit: editing and line-end commands, font and background colour,
// printing, help and about.
#include "ui/AboutBox.h"
#include "ui/Edit.h"

#include "formatter/TextUtil.h"
#include "platform/LineEndCommands.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>

#include <stdexcept>

namespace kelvra {
namespace {

QString U(const char *text) { return QString::fromUtf8(text); }

// The online SQL reference: the looked-up word follows the query mark directly.
constexpr char kOnlineReferenceAddress[] = "http://www.norvatek.example/cgi-bin/virozururo/virozururo.php?";

constexpr char kHelpFileName[] = "Kelvra.chm";

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
}

// ---- Clipboard and undo ----------------------------------------------------

void TfrmEdit::mnuEditUndoClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”元に戻す”でエラーが発生しました", [this] { rchOut->undo(); });
}

void TfrmEdit::mnuEditCutClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”切り取り”でエラーが発生しました", [this] { rchOut->cut(); });
}

void TfrmEdit::mnuEditCopyClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”コピー”でエラーが発生しました", [this] { rchOut->copy(); });
}

void TfrmEdit::mnuEditPasteClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”貼り付け”でエラーが発生しました", [this] { rchOut->paste(); });
}

void TfrmEdit::mnuEditAllClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”すべて選択”でエラーが発生しました", [this] { rchOut->selectAll(); });
}

// ---- Line-end commands -----------------------------------------------------

void TfrmEdit::InsertIntoEditor(const std::vector<LineInsertion> &insertions) {
    if (insertions.empty()) return;
    // Editor positions of the byte offsets, found in one pass over the text.
    const std::string text = editor_.Text();
    std::vector<int> positions;
    positions.reserve(insertions.size());
    int pos = 0;
    std::size_t i = 0;
    for (const LineInsertion &ins : insertions) {
        while (i < ins.offset && i < text.size()) {
            if (text.compare(i, 2, "\r\n") == 0) {
                i += 2;
                pos += 1;
                continue;
            }
            const std::size_t n = CharLength(static_cast<unsigned char>(text[i]));
            pos += n == 4 ? 2 : 1;
            i += n;
        }
        positions.push_back(pos);
    }
    // From the last insertion to the first, so that the earlier positions stay valid;
    // the inserted text gets the editor font, and everything else keeps its format.
    const QTextCharFormat format = CharFormatOf(EditorFont);
    QTextCursor cursor(rchOut->document());
    cursor.beginEditBlock();
    for (std::size_t k = insertions.size(); k-- > 0;) {
        cursor.setPosition(positions[k]);
        QString piece = QString::fromStdString(insertions[k].text);
        piece.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        cursor.insertText(piece, format);
    }
    cursor.endEditBlock();
}

void TfrmEdit::mnuExeSpaceClick() {
    Guarded("行末スペース処理でエラーが発生しました", [this] {
        revertText = editor_.Text();
        InsertIntoEditor(SuffixInsertions(revertText, " "));
    });
}

void TfrmEdit::mnuExeSClick() {
    Guarded("行末セミコロン処理でエラーが発生しました", [this] {
        revertText = editor_.Text();
        InsertIntoEditor(SuffixInsertions(revertText, ";"));
    });
}

void TfrmEdit::mnuExeCommentClick() {
    Guarded("区切りコメント挿入処理でエラーが発生しました", [this] {
        revertText = editor_.Text();
        InsertIntoEditor(SeparatorInsertions(revertText));
    });
}

// ---- Font and background ---------------------------------------------------

void TfrmEdit::mnuFormatFontClick() {
    if (!MenuEnabled(mnuFormatMenu)) return;
    Guarded("”フォント”でエラーが発生しました", [this] {
        const auto chosen = dialogs_.ChooseFontAndColor(EditorFont.font, EditorFont.color, options_.FixedOnly);
        if (chosen) {
            ToggleBusyCursor();
            EditorFont.font = chosen->first;
            EditorFont.color = chosen->second;
            QTextCursor cursor = rchOut->textCursor();
            if (cursor.hasSelection()) {
                // Only the selected text changes; new text keeps the default format.
                cursor.mergeCharFormat(CharFormatOf(EditorFont));
            } else {
                editor_.ApplyFontToAll(EditorFont);
                editor_.SetDefaultFont(EditorFont);
                editor_.CaretToStart();
            }
            ToggleBusyCursor();
        }
        rchOut->setFocus();
    });
}

void TfrmEdit::mnuFormatColorClick() {
    if (!MenuEnabled(mnuFormatMenu)) return;
    Guarded("”背景色”でエラーが発生しました", [this] {
        if (!lastBackChoice_.isValid()) lastBackChoice_ = ColorFromStored(backColorStored_, true);
        if (const auto chosen = dialogs_.ChooseColor(lastBackChoice_)) {
            lastBackChoice_ = *chosen;
            ApplyBackground(*chosen);
            backColorStored_ = StoredFromColor(*chosen);
        }
        rchOut->setFocus();
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
    Guarded("”印刷”でエラーが発生しました", [this] {
        QPrinter &printer = Printer();
        if (!dialogs_.Print(printer)) return;
        ToggleBusyCursor();
        printer.setDocName(QFileInfo(DocPath).fileName());
        rchOut->document()->print(&printer);
        // A job the printer refused (no device, a file that cannot be written) is a failure.
        if (printer.printerState() == QPrinter::Error) throw std::runtime_error("the print job failed");
        ToggleBusyCursor();
    });
}

void TfrmEdit::mnuFilePrintSetupClick() {
    Guarded("”印刷の設定”でエラーが発生しました", [this] { dialogs_.PrintSetup(Printer()); });
}

// ---- Help and about --------------------------------------------------------

void TfrmEdit::mnuHelpHelpClick() {
    Guarded("”ヘルプ”でエラーが発生しました", [this] {
        const QString helpPath = QFileInfo(desktop_.ProgramPath()).absolutePath() + '/' + U(kHelpFileName);
        if (QFileInfo(helpPath).isFile()) {
            if (!desktop_.OpenUrl(QUrl::fromLocalFile(helpPath).toString()))
                throw std::runtime_error("no viewer for the help file");
        } else {
            dialogs_.Message(U("警告"), U("ヘルプファイルが見つかりません\r\n") + helpPath, MessageIcon::Warning);
        }
    });
}

void TfrmEdit::mnuHelpSQLHelpClick() {
    QString word = rchOut->textCursor().selectedText();
    word.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    desktop_.OpenUrl(U(kOnlineReferenceAddress) + TrimControls(word).toLower());
}

void TfrmEdit::mnuHelpAboutClick() {
    if (!MenuEnabled(mnuHelpMenu)) return;
    Guarded("”バージョン情報”でエラーが発生しました", [this] {
        // Closed once dismissed, and also when showing it failed.
        struct Closer {
            QDialog *box;
            ~Closer() { box->close(); }
        } closer{frmAboutBox};
        dialogs_.ShowModal(*frmAboutBox);
    });
}

} // namespace kelvra
