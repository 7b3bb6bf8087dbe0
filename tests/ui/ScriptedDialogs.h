#pragma once
// Dialogs and desktop services for tests: answers come from a script, and
// every question, message and started process is recorded.

#include "ui/Dialogs.h"

#include <QDialog>
#include <QList>
#include <QPrinter>
#include <deque>
#include <functional>

namespace kelvra::test {

struct Asked {
    QString
        kind; // "message", "yesNoCancel", "yesNo", "okCancel", "open", "save", "font", "colour", "print", "printSetup", "modal"
    QString caption; // messages
    QString text;
    MessageIcon icon = MessageIcon::None;
};

class ScriptedDialogs : public Dialogs {
public:
    std::deque<Answer> answers;               // for AskYesNoCancel and AskOkCancel (Ok/Cancel)
    std::deque<std::optional<QString>> files; // for OpenFile and SaveFile
    std::deque<std::optional<QFont>> fonts;
    std::deque<std::optional<QColor>> colours;
    QList<Asked> asked;
    QList<FileDialogRequest> fileRequests;
    std::function<void(const Asked &)> onAsk; // runs while the question is "up"
    // Printing: each answer confirms (true) or cancels the dialog; a confirmed print dialog
    // sends the job to `printToFile` as PDF when that is set, as a user without a printer would.
    std::deque<bool> printAnswers;
    QString printToFile;
    std::function<void(QPrinter &)> onPrinter; // runs while a print or setup dialog is "up"
    std::deque<QColor> fontColours;            // the font dialog's colour; the initial one when empty
    std::function<void(QDialog &)> onModal;    // runs while a modal window is "up"

    void Message(const QString &caption, const QString &text, MessageIcon icon) override {
        Record({"message", caption, text, icon});
    }
    Answer AskYesNoCancel(const QString &text) override {
        Record({"yesNoCancel", QString(), text});
        return Next(Answer::Cancel);
    }
    bool AskYesNo(const QString &text) override {
        Record({"yesNo", QString(), text});
        return Next(Answer::No) == Answer::Yes;
    }
    bool AskOkCancel(const QString &text) override {
        Record({"okCancel", QString(), text});
        Answer a = Next(Answer::Cancel);
        return a == Answer::Ok || a == Answer::Yes;
    }
    std::optional<QString> OpenFile(FileDialogRequest &request) override { return File("open", request); }
    std::optional<QString> SaveFile(FileDialogRequest &request) override { return File("save", request); }
    std::optional<QFont> ChooseFont(const QFont &, bool fixedOnly) override {
        Record({"font", QString(), fixedOnly ? "fixed" : "all"});
        return Pop(fonts);
    }
    std::optional<QColor> ChooseColour(const QColor &initial) override {
        Record({"colour", QString(), initial.name()});
        return Pop(colours);
    }

    bool Print(QPrinter &printer) override {
        Record({"print", QString(), QString()});
        if (onPrinter) onPrinter(printer);
        const bool ok = !printAnswers.empty() && printAnswers.front();
        if (!printAnswers.empty()) printAnswers.pop_front();
        if (ok && !printToFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printToFile);
        }
        return ok;
    }
    bool PrintSetup(QPrinter &printer) override {
        Record({"printSetup", QString(), QString()});
        if (onPrinter) onPrinter(printer);
        const bool ok = !printAnswers.empty() && printAnswers.front();
        if (!printAnswers.empty()) printAnswers.pop_front();
        return ok;
    }
    std::optional<std::pair<QFont, QColor>> ChooseFontAndColour(const QFont &initial, const QColor &colour,
                                                                bool fixedOnly) override {
        std::optional<QFont> font = ChooseFont(initial, fixedOnly);
        QColor chosen = colour;
        if (!fontColours.empty()) {
            chosen = fontColours.front();
            fontColours.pop_front();
        }
        if (!font) return std::nullopt;
        return std::make_pair(*font, chosen);
    }
    void ShowModal(QDialog &dialog) override {
        Record({"modal", dialog.windowTitle(), dialog.objectName()});
        if (onModal) onModal(dialog);
    }

    QStringList Messages() const {
        QStringList out;
        for (const Asked &a : asked)
            if (a.kind == "message") out << a.text;
        return out;
    }

private:
    void Record(const Asked &a) {
        asked << a;
        if (onAsk) onAsk(a);
    }
    Answer Next(Answer fallback) {
        if (answers.empty()) return fallback;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    template <typename T> std::optional<T> Pop(std::deque<std::optional<T>> &q) {
        std::optional<T> v;
        if (!q.empty()) {
            v.swap(q.front());
            q.pop_front();
        }
        return v;
    }
    std::optional<QString> File(const char *kind, FileDialogRequest &request) {
        fileRequests << request;
        Record({kind, QString(), request.proposedName});
        return Pop(files);
    }
};

class ScriptedDesktop : public Desktop {
public:
    QList<QStringList> started; // arguments of each started process
    QList<QPoint> startedAt;    // where each started process was asked to put its window
    std::optional<QPoint> askedPosition;
    QStringList urls;
    bool shift = false;
    qint64 tick = 0;
    bool StartProcess(const QString &, const QStringList &arguments, const QPoint &windowAt) override {
        started << arguments;
        startedAt << windowAt;
        return true;
    }
    std::optional<QPoint> AskedWindowPosition() override { return askedPosition; }
    QString windowPlaces; // shared by the windows of one test; empty: none
    QString WindowPlacesFolder() override { return windowPlaces; }
    bool OpenUrl(const QString &url) override {
        urls << url;
        return true;
    }
    bool ShiftHeld() override { return shift; }
    qint64 TickMs() override { return tick += 750; }
    QString programPath = "/opt/kelvra/kelvra";
    QString ProgramPath() override { return programPath; }
};

} // namespace kelvra::test
