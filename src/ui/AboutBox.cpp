#include "ui/AboutBox.h"

#include "ui/Dialogs.h"
#include "ui/UiTexts.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kelvra {
namespace {

using texts::U;

QFont TimesFont(int pixels, bool bold) {
    QFont f(QStringLiteral("Times New Roman"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// The application's icon, or a drawn one while the program has none.
QPixmap ProgramIcon() {
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) return icon.pixmap(33, 33);
    QPixmap pixmap(66, 66);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 0, 128));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 62, 62), 10, 10);
    p.setPen(Qt::white);
    p.setFont(TimesFont(46, true));
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("K"));
    return pixmap;
}

// A read-only field that looks like a link: blue, underlined, no frame, skipped by Tab.
QLineEdit *LinkField(QWidget *parent, const char *name, const QString &text) {
    auto *field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFocusPolicy(Qt::NoFocus);
    field->setCursor(Qt::PointingHandCursor);
    QFont f = field->font();
    f.setUnderline(true);
    field->setFont(f);
    QPalette p = field->palette();
    p.setColor(QPalette::Text, Qt::blue);
    p.setColor(QPalette::Base, parent->palette().color(QPalette::Window));
    field->setPalette(p);
    // Wide enough for the whole address, shown from its start.
    field->setMinimumWidth(QFontMetrics(f).horizontalAdvance(text) + 12);
    field->setCursorPosition(0);
    return field;
}

} // namespace

TfrmAboutBox::TfrmAboutBox(Desktop &desktop, QWidget *parent) : QDialog(parent), desktop_(desktop) {
    setObjectName("frmAboutBox");
    setWindowTitle(U(texts::kAboutTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    QFont f(U(texts::kAboutFont));
    f.setPixelSize(12);
    setFont(f);

    auto *panel = new QFrame(this);
    panel->setObjectName("pnlPanel");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(2);

    lblMaker = new QLabel(U(texts::kMakerName), panel);
    lblMaker->setObjectName("lblMaker");
    lblMaker->setFont(TimesFont(16, true));
    lblMaker->setStyleSheet(QStringLiteral("color: navy"));

    imgIcon = new QLabel(panel);
    imgIcon->setObjectName("imgIcon");
    imgIcon->setFixedSize(33, 33);
    imgIcon->setScaledContents(true);
    imgIcon->setPixmap(ProgramIcon());

    lblProduct = new QLabel(U(texts::kProductName), panel);
    lblProduct->setObjectName("lblProduct");
    lblProduct->setFont(TimesFont(35, true));
    lblVersion = new QLabel(U(texts::kVersionText), panel);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setFont(TimesFont(12, true));

    lblHomePage = new QLabel(U(texts::kHomePageLabel), panel);
    lblHomePage->setObjectName("lblHomePage");
    txtHomePage = LinkField(panel, "txtHomePage", U(kMakerHomePage));
    lblMail = new QLabel(U(texts::kMailLabel), panel);
    lblMail->setObjectName("lblMail");
    txtMail = LinkField(panel, "txtMail", U(kMakerMail));
    txtHomePage->installEventFilter(this);
    txtMail->installEventFilter(this);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(imgIcon, 0, Qt::AlignVCenter);
    nameRow->addSpacing(8);
    auto *nameColumn = new QVBoxLayout;
    nameColumn->setSpacing(0);
    nameColumn->addWidget(lblProduct);
    nameColumn->addWidget(lblVersion, 0, Qt::AlignRight);
    nameRow->addLayout(nameColumn);
    nameRow->addStretch();

    auto *addresses = new QGridLayout;
    addresses->addWidget(lblHomePage, 0, 0);
    addresses->addWidget(txtHomePage, 0, 1);
    addresses->addWidget(lblMail, 1, 0);
    addresses->addWidget(txtMail, 1, 1);
    addresses->setColumnStretch(1, 1);

    auto *inner = new QVBoxLayout(panel);
    inner->setContentsMargins(14, 10, 14, 12);
    inner->addWidget(lblMaker);
    inner->addSpacing(6);
    inner->addLayout(nameRow);
    inner->addSpacing(10);
    inner->addLayout(addresses);

    btnOK = new QPushButton(U(texts::kOk), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmAboutBox::btnOKClick);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(panel);
    outer->addWidget(btnOK, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

void TfrmAboutBox::btnOKClick() { hide(); }

void TfrmAboutBox::txtHomePageDblClick() { desktop_.OpenUrl(U(kMakerHomePage)); }

void TfrmAboutBox::txtMailDblClick() { desktop_.OpenUrl(U("mailto:") + U(kMakerMail)); }

bool TfrmAboutBox::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == txtHomePage) {
            txtHomePageDblClick();
            return true;
        }
        if (watched == txtMail) {
            txtMailDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAboutBox::showEvent(QShowEvent *event) {
    // Centred on the screen, not on the main window.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace kelvra
