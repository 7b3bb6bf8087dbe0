#include "ui/ChangeKakunin.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace kelvra {

TdlgChangeKakunin::TdlgChangeKakunin(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("dlgChangeKakunin");
    setModal(true);
    setFixedSize(356, 41);
    struct Button { QPushButton *&button; const char *name, *caption; void (TdlgChangeKakunin::*slot)(); };
    const Button buttons[] = {
        {bitAllYes, "bitAllYes", "すべてはい", &TdlgChangeKakunin::bitAllYesClick},
        {bitYes, "bitYes", "はい(&Y)", &TdlgChangeKakunin::bitYesClick},
        {bitNo, "bitNo", "いいえ(&N)", &TdlgChangeKakunin::bitNoClick},
        {bitCancel, "bitCancel", "取消し", &TdlgChangeKakunin::bitCancelClick},
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
    if (QScreen *screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
    bitYes->setFocus();
    if (Asker) return Asker(*this);
    exec();
    return result_;
}

void TdlgChangeKakunin::Answer(Result result) {
    result_ = result;
    done(result == Result::Cancel ? QDialog::Rejected : QDialog::Accepted);
}

} // namespace kelvra
