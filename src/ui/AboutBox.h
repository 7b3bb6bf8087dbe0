#pragma once
// TfrmAboutBox: the version box of the Help menu, with the maker's web and
// mail addresses, each opened by a double-click.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvra {

class Desktop;

// The maker's addresses shown in the box.
inline constexpr char kMakerHomePage[] = "http://www.norvatek.example/";
inline constexpr char kMakerMail[] = "kelvra@norvatek.example";

class TfrmAboutBox : public QDialog {
    Q_OBJECT
public:
    TfrmAboutBox(Desktop &desktop, QWidget *parent = nullptr);

public slots:
    void btnOKClick();
    void txtHomePageDblClick();
    void txtMailDblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    Desktop &desktop_;
    QLabel *lblMaker, *imgIcon, *lblProduct, *lblVersion, *lblHomePage, *lblMail;
    QLineEdit *txtHomePage, *txtMail;
    QPushButton *btnOK;
};

} // namespace kelvra
