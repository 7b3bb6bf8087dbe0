#pragma once
// The tests' view of the main window: its state and its other windows, which
// it keeps to itself, and its widgets found by their object names.

#include "ui/Cancel.h"
#include "ui/ChangeKakunin.h"
#include "ui/AboutBox.h"
#include "ui/ColourSwatch.h"
#include "ui/Edit.h"
#include "ui/Key.h"
#include "ui/Pallet.h"
#include "ui/Search.h"
#include "ui/TextView.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QPrinter>
#include <stdexcept>
#include <vector>

namespace kelvra {

// A child widget or action of `parent` by object name; the test stops when it is missing.
template <typename T> T *Part(const QObject *parent, const char *name) {
    T *part = parent->findChild<T *>(QString::fromLatin1(name));
    if (!part) throw std::logic_error(std::string("no part named ") + name);
    return part;
}

struct EditProbe {
    explicit EditProbe(TfrmEdit &w) : window(w) {}
    explicit EditProbe(const std::unique_ptr<TfrmEdit> &w) : window(*w) {}
    TfrmEdit &window;

    EditorSurface &Editor() { return window.editor_; }
    const EditorFontState &EditorFont() { return window.EditorFont; }
    void SetEditorFont(const EditorFontState &font) { window.EditorFont = font; }
    QString DocPath() { return QString::fromStdString(window.document_.Path()); }
    void SetDocPath(const QString &path) { window.document_.SetPath(path.toStdString()); }
    std::string RevertText() { return window.document_.RevertText(); }
    void SetRevertText(const std::string &text) { window.document_.SetRevertText(text); }
    KeywordCatalogue &Catalogue() { return window.catalogue_; }
    EditorOptions &Options() { return window.options_; }
    Settings &StoredSettings() { return window.settings_; }
    QPrinter &Printer() { return window.Printer(); }
    void SetRunLock(bool locked) { window.SetRunLock(locked); }

    // The runs of text the editor shows in bold, in order: bold by character
    // format (rich text) or by the formatter's spans.
    QStringList BoldWords() {
        const TextModel &model = rchOut()->Model();
        std::vector<bool> bold(static_cast<std::size_t>(model.Length()), false);
        auto mark = [&](int from, int length) {
            for (int p = from; p < from + length; ++p) bold.at(static_cast<std::size_t>(p)) = true;
        };
        for (int line = 0; line < model.LineCount(); ++line)
            for (const FormatRun &run : model.Line(line).runs)
                if (model.Format(run.format).fontWeight() >= QFont::Bold)
                    mark(model.LineStart(line) + run.start, run.length);
        for (const EditorRange &r : Editor().BoldRanges()) mark(r.start, r.length);
        const QString text = model.Text();
        QStringList words;
        for (int p = 0; p < text.size(); ++p) {
            if (!bold[static_cast<std::size_t>(p)] || text[p] == '\n') continue;
            if (p > 0 && bold[static_cast<std::size_t>(p - 1)] && text[p - 1] != '\n')
                words.last() += text[p];
            else
                words << QString(text[p]);
        }
        return words;
    }

    // Replaces the editor's text by `text` in the editor font, as opening it would.
    void SetPlainText(const QString &text) { Editor().SetPlainText(text.toStdString(), EditorFont()); }

    // The editor widget and the other windows, found by their object names.
    TextView *rchOut() { return Part<TextView>(&window, "rchOut"); }
    TdlgCancel *dlgCancel() { return Part<TdlgCancel>(&window, "dlgCancel"); }
    TfrmKey *frmKey() { return Part<TfrmKey>(&window, "frmKey"); }
    TfrmSearch *frmSearch() { return Part<TfrmSearch>(&window, "frmSearch"); }
    TdlgChangeKakunin *dlgChangeKakunin() { return Part<TdlgChangeKakunin>(&window, "dlgChangeKakunin"); }
    TfrmAboutBox *frmAboutBox() { return Part<TfrmAboutBox>(&window, "frmAboutBox"); }
    TfrmPallet *frmPallet() { return Part<TfrmPallet>(&window, "frmPallet"); }
    QAction *Action(const char *name) { return Part<QAction>(&window, name); }
    QMenu *Menu(const char *name) { return Part<QMenu>(&window, name); }
};

} // namespace kelvra
