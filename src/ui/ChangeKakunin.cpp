#include "ui/ChangeKakunin.h"
#include "ui/UiTexts.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>

namespace kelvra {

TdlgChangeKakunin::TdlgChangeKakunin(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("dlgChangeKakunin");
    setModal(true);
    setFixedSize(356, 41);
    struct Button {
        QPushButton *&button;
        const char *name, *caption;
        void (TdlgChangeKakunin::*slot)();
    };
    const Button buttons[] = {
        {bitAllYes, "bitAllYes", texts::kAllYes, &TdlgChangeKakunin::bitAllYesClick},
        {bitYes, "bitYes", texts::kYes, &TdlgChangeKakunin::bitYesClick},
        {bitNo, "bitNo", texts::kNo, &TdlgChangeKakunin::bitNoClick},
        {bitCancel, "bitCancel", texts::kStop, &TdlgChangeKakunin::bitCancelClick},
    };
    int left = 8;
    for (const Button &b : buttons) {
        b.button = new QPushButton(QString::fromUtf8(b.caption), this);
        b.button->setObjectName(b.name);
        b.button->setGeometry(left, 8, 81, 25);
        b.button->setAutoDefault(false);
        connect(b.button, &QPushButton::clicked, this, b.slot);
        left += 86;
    }
    bitYes->setDefault(true);
}

TdlgChangeKakunin::Result TdlgChangeKakunin::Ask(const QString &question) {
    setWindowTitle(question);
    result_ = Result::Cancel;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    bitYes->setFocus();
    if (asker_) return asker_(*this);
    exec();
    return result_;
}

void TdlgChangeKakunin::keyPressEvent(QKeyEvent *event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        const QKeySequence pressed(event->key());
        for (QPushButton *b : {bitAllYes, bitYes, bitNo, bitCancel})
            if (!QKeySequence::mnemonic(b->text()).isEmpty() &&
                QKeySequence::mnemonic(b->text())[0].key() == pressed[0].key()) {
                b->click();
                return;
            }
    }
    QDialog::keyPressEvent(event);
}

void TdlgChangeKakunin::Answer(Result result) {
    result_ = result;
    done(result == Result::Cancel ? QDialog::Rejected : QDialog::Accepted);
}

} // namespace kelvra
