#include "ui/QtDialogs.h"
#include "ui/UiTexts.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

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

void Caption(QMessageBox &box, QMessageBox::StandardButton which, const char *text) {
    if (QAbstractButton *b = box.button(which)) b->setText(QString::fromUtf8(text));
}

int RunFileDialog(QFileDialog &dialog, FileDialogRequest &request) {
    const QStringList filters = QtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
    if (request.folderChanged)
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&request](const QString &folder) {
            request.folderChanged(folder);
        });
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
    QMessageBox box(IconOf(icon), caption, text, QMessageBox::Ok, parent_);
    box.exec();
}

Answer QtDialogs::AskYesNoCancel(const QString &text) {
    QMessageBox box(QMessageBox::Question, texts::U(texts::kConfirmCaption), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    Caption(box, QMessageBox::Yes, texts::kYes);
    Caption(box, QMessageBox::No, texts::kNo);
    Caption(box, QMessageBox::Cancel, texts::kCancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

bool QtDialogs::AskOkCancel(const QString &text) {
    QMessageBox box(QMessageBox::Question, texts::U(texts::kConfirmCaption), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    Caption(box, QMessageBox::Ok, texts::kOk);
    Caption(box, QMessageBox::Cancel, texts::kCancel);
    return box.exec() == QMessageBox::Ok;
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
    dialog.setDefaultSuffix(request.defaultSuffix.startsWith('.') ? request.defaultSuffix.mid(1) : request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!request.proposedName.isEmpty()) dialog.selectFile(request.proposedName);
    if (RunFileDialog(dialog, request) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QFont> QtDialogs::ChooseFont(const QFont &initial, bool fixedPitchOnly) {
    bool ok = false;
    QFontDialog::FontDialogOptions options;
    if (fixedPitchOnly) options |= QFontDialog::MonospacedFonts;
    QFont font = QFontDialog::getFont(&ok, initial, parent_, QString(), options);
    if (!ok) return std::nullopt;
    return font;
}

std::optional<QColor> QtDialogs::ChooseColor(const QColor &initial) {
    QColor color = QColorDialog::getColor(initial, parent_);
    if (!color.isValid()) return std::nullopt;
    return color;
}

bool QtDialogs::Print(QPrinter &printer) {
    QPrintDialog dialog(&printer, parent_);
    // The whole document is printed; there is no selection or page range to choose.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::PrintSetup(QPrinter &printer) {
    QPageSetupDialog dialog(&printer, parent_);
    return dialog.exec() == QDialog::Accepted;
}

// Qt's font dialog offers underline and strike-out but no colour: it is shown
// inside a dialog of our own with a colour button below it.
std::optional<std::pair<QFont, QColor>> QtDialogs::ChooseFontAndColor(const QFont &initial, const QColor &color,
                                                                      bool fixedPitchOnly) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(texts::U(texts::kFontDialogTitle));
    // A stored family that is not installed shows as the family that stands in for it,
    // with its style by the name the list knows, so that the list has both selected.
    QFont shown = initial;
    shown.setFamily(QFontInfo(initial).family());
    if (fixedPitchOnly && !QFontDatabase::isFixedPitch(shown.family())) {
        // Not in the fixed-pitch list: start on the desktop's fixed font rather than on
        // whatever the list shows first.
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        shown.setFamily(QFontInfo(fixed).family());
    }
    QFont styled = shown;
    shown.setStyleName(QFontInfo(styled).styleName()); // "Book" rather than the list's first style
    auto *fonts = new QFontDialog(shown, &dialog);
    fonts->setWindowFlags(Qt::Widget);
    QFontDialog::FontDialogOptions options = QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog;
    if (fixedPitchOnly) options |= QFontDialog::MonospacedFonts;
    fonts->setOptions(options);
    fonts->setCurrentFont(shown);
    QColor chosen = color;
    auto *swatch = new QLabel(&dialog);
    swatch->setFixedSize(48, 20);
    swatch->setFrameShape(QFrame::Box);
    auto paint = [swatch, &chosen] { swatch->setStyleSheet(QString("background-color: %1").arg(chosen.name())); };
    paint();
    auto *pick = new QPushButton(texts::U(texts::kFontColourButton), &dialog);
    QObject::connect(pick, &QPushButton::clicked, &dialog, [&] {
        const QColor c = QColorDialog::getColor(chosen, &dialog);
        if (c.isValid()) {
            chosen = c;
            paint();
        }
    });
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(texts::U(texts::kOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8(texts::kCancel), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(texts::U(texts::kFontColourLabel), &dialog));
    colorRow->addWidget(swatch);
    colorRow->addWidget(pick);
    colorRow->addStretch();
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(fonts->currentFont(), chosen);
}

void QtDialogs::ShowModal(QDialog &dialog) { dialog.exec(); }

bool QtDesktop::StartProcess(const QString &program, const QStringList &arguments) {
    return QProcess::startDetached(program, arguments);
}

bool QtDesktop::OpenUrl(const QString &url) { return QDesktopServices::openUrl(QUrl(url)); }

bool QtDesktop::ShiftHeld() {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

qint64 QtDesktop::TickMs() {
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return timer.elapsed();
}

QString QtDesktop::ProgramPath() { return QCoreApplication::applicationFilePath(); }

} // namespace kelvra
