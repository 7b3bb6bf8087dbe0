#include "ui/QtDialogs.h"
#include "ui/UiTexts.h"

#include "ui/ColourChooser.h"
#include "ui/FontChooser.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeView>
#include <QTimer>
#include <QWindow>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

namespace kelvra {
namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The window a box must stand above: an always-on-top window of ours that is
// showing (the progress dialog of a format run), else the main window. A box
// below such a window would be hidden and, being modal, block everything.
QWidget *OwnerOf(QWidget *mainWindow) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && qobject_cast<QDialog *>(w))
            return w;
    return mainWindow;
}

// A message box owned by `owner`, above it, with the text's line ends as Qt
// shows them and wide enough for its caption.
void Prepare(QMessageBox &box, QWidget *owner) {
    box.setWindowModality(Qt::ApplicationModal); // (this resets the window flags)
    if (owner && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QString text = box.text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(text);
    // Room for the caption next to the frame's buttons; the text's own width the box finds itself.
    const int captionWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0,
                      1, grid->columnCount());
}

// Shows the box with the focus; while it is up, the focus cannot go to another
// window of the program, which the modal box blocks anyway.
int Run(QMessageBox &box) {
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &box, [&box](QWindow *focused) {
        if (focused && box.isVisible() && focused != box.windowHandle()) box.activateWindow();
    });
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    return box.exec();
}

void Caption(QMessageBox &box, QMessageBox::StandardButton which, const char *text) {
    if (QAbstractButton *b = box.button(which)) b->setText(QString::fromUtf8(text));
}

// Keeps a dialog inside the desktop's free area when it shows and whenever it
// grows (the print dialog's options open below it), on small screens too.
class StayOnScreen : public QObject {
public:
    explicit StayOnScreen(QWidget &dialog) : QObject(&dialog), dialog_(dialog) { dialog.installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        // After the event: the window system has then applied the new size.
        if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
            QTimer::singleShot(0, this, [this] { Fit(); });
        return false;
    }

private:
    void Fit() {
        const QScreen *screen = dialog_.screen() ? dialog_.screen() : QGuiApplication::primaryScreen();
        if (!screen || !dialog_.isVisible()) return;
        const QRect area = screen->availableGeometry();
        const QSize frameExtra = dialog_.frameGeometry().size() - dialog_.size();
        const QSize room = area.size() - frameExtra;
        if (dialog_.width() > room.width() || dialog_.height() > room.height())
            dialog_.resize(dialog_.size().boundedTo(room));
        const QRect frame = dialog_.frameGeometry();
        QPoint at = frame.topLeft();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
        if (at != frame.topLeft()) dialog_.move(at);
    }

    QWidget &dialog_;
};

// The detail view's columns as wide as their titles and contents: the
// dialog's own widths cut Japanese texts such as the file type.
void ColumnsFitTheirTexts(QFileDialog &dialog) {
    for (QTreeView *view : dialog.findChildren<QTreeView *>()) {
        QHeaderView *header = view->header();
        header->setStretchLastSection(false);
        header->setMinimumSectionSize(header->fontMetrics().horizontalAdvance(QStringLiteral("MMM")));
        for (int column = 0; column < header->count(); ++column)
            header->setSectionResizeMode(column, column == 0 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    }
}

// The filter first, then the folder, then the proposed name: choosing a
// filter makes Qt put the filter's extension on the name already there.
int RunFileDialog(QFileDialog &dialog, FileDialogRequest &request) {
    const QStringList filters = QtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
    if (!request.proposedName.isEmpty()) dialog.selectFile(request.proposedName);
    if (request.folderChanged)
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                         [&request](const QString &folder) { request.folderChanged(folder); });
    // The dialog makes its views when it first shows.
    QTimer::singleShot(0, &dialog, [&dialog] { ColumnsFitTheirTexts(dialog); });
    new StayOnScreen(dialog);
    const int result = dialog.exec();
    const int chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0) request.filterIndex = chosen + 1;
    return result;
}

} // namespace

QStringList QtNameFilters(const QString &filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i];
    return out;
}

void QtDialogs::Message(const QString &caption, const QString &text, MessageIcon icon) {
    QWidget *owner = OwnerOf(parent_);
    QMessageBox box(IconOf(icon), caption, text, QMessageBox::Ok, owner);
    Prepare(box, owner);
    Run(box);
}

Answer QtDialogs::AskYesNoCancel(const QString &text) {
    QWidget *owner = OwnerOf(parent_);
    QMessageBox box(QMessageBox::Question, texts::U(texts::kConfirmCaption), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    Prepare(box, owner);
    Caption(box, QMessageBox::Yes, texts::kYes);
    Caption(box, QMessageBox::No, texts::kNo);
    Caption(box, QMessageBox::Cancel, texts::kCancel);
    switch (Run(box)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

bool QtDialogs::AskYesNo(const QString &text) {
    QWidget *owner = OwnerOf(parent_);
    QMessageBox box(QMessageBox::Question, texts::U(texts::kConfirmCaption), text, QMessageBox::Yes | QMessageBox::No,
                    owner);
    Prepare(box, owner);
    Caption(box, QMessageBox::Yes, texts::kYes);
    Caption(box, QMessageBox::No, texts::kNo);
    return Run(box) == QMessageBox::Yes;
}

bool QtDialogs::AskOkCancel(const QString &text) {
    QWidget *owner = OwnerOf(parent_);
    QMessageBox box(QMessageBox::Question, texts::U(texts::kConfirmCaption), text,
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    Prepare(box, owner);
    Caption(box, QMessageBox::Ok, texts::kOk);
    Caption(box, QMessageBox::Cancel, texts::kCancel);
    return Run(box) == QMessageBox::Ok;
}

std::optional<QString> QtDialogs::OpenFile(FileDialogRequest &request) {
    QFileDialog dialog(parent_, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (RunFileDialog(dialog, request) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtDialogs::SaveFile(FileDialogRequest &request) {
    QFileDialog dialog(parent_, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix.startsWith('.') ? request.defaultSuffix.mid(1)
                                                                  : request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (RunFileDialog(dialog, request) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QFont> QtDialogs::ChooseFont(const QFont &initial, bool fixedPitchOnly) {
    const auto chosen = ChooseFontAndColour(initial, QColor(Qt::black), fixedPitchOnly);
    if (!chosen) return std::nullopt;
    return chosen->first;
}

std::optional<QColor> QtDialogs::ChooseColour(const QColor &initial) {
    ColourChooser dialog(initial, parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen();
}

bool QtDialogs::Print(QPrinter &printer) {
    QPrintDialog dialog(&printer, parent_);
    // The whole document is printed; there is no selection or page range to choose.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    new StayOnScreen(dialog);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::PrintSetup(QPrinter &printer) {
    QPageSetupDialog dialog(&printer, parent_);
    new StayOnScreen(dialog);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::pair<QFont, QColor>> QtDialogs::ChooseFontAndColour(const QFont &initial, const QColor &colour,
                                                                       bool fixedPitchOnly) {
    FontChooser dialog(initial, colour, fixedPitchOnly, parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(dialog.ChosenFont(), dialog.ChosenColour());
}

void QtDialogs::ShowModal(QDialog &dialog) { dialog.exec(); }

namespace {

// Passes the window position from a window to the process it starts.
constexpr char kWindowAtVariable[] = "KELVRA_WINDOW_AT";

} // namespace

bool QtDesktop::StartProcess(const QString &program, const QStringList &arguments, const QPoint &windowAt) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kWindowAtVariable, QString("%1,%2").arg(windowAt.x()).arg(windowAt.y()));
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

// Read once and removed, so that a program this one starts in another way does not inherit it.
std::optional<QPoint> QtDesktop::AskedWindowPosition() {
    const QStringList xy = qEnvironmentVariable(kWindowAtVariable).split(',');
    qunsetenv(kWindowAtVariable);
    bool xOk = false, yOk = false;
    if (xy.size() != 2) return std::nullopt;
    const QPoint at(xy[0].toInt(&xOk), xy[1].toInt(&yOk));
    if (!xOk || !yOk) return std::nullopt;
    return at;
}

bool QtDesktop::OpenUrl(const QString &url) { return QDesktopServices::openUrl(QUrl(url)); }

bool QtDesktop::ShiftHeld() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

qint64 QtDesktop::TickMs() {
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return timer.elapsed();
}

// Per user and per session, gone when the session ends.
QString QtDesktop::WindowPlacesFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/kelvra-windows");
}

QString QtDesktop::ProgramPath() { return QCoreApplication::applicationFilePath(); }

} // namespace kelvra
