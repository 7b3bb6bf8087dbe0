#pragma once
// TfrmKey: the reserved-word table. Two check lists over the live keyword
// catalogue (reserved words and functions) with their all-check buttons; OK
// keeps the states as the stored strings, every other way out puts the stored
// strings back.

#include "keywords/KeywordCatalogue.h"
#include "settings/SettingsStore.h"

#include <QDialog>
#include <QListWidget>
#include <QStyledItemDelegate>

class QLabel;
class QTextEdit;
class QPushButton;
class QTabWidget;

namespace kelvra {

// Draws an entry's check box so that the three states differ at a glance:
// empty, ticked on white, ticked on a gray ground.
class KeyCheckDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The check box of an entry drawn in `itemRect`.
    static QRect CheckRect(const QRect &itemRect);
};

// A check list whose check boxes the list never toggles itself: a click on a
// box or the space bar selects the entry and asks the owner to change it, so
// that the owner's rules are the only way a state changes.
class CheckListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CheckListBox(QWidget *parent = nullptr);
    void AddEntry(const QString &text);
    void ShowState(int row, CheckState state);
    CheckState ShownState(int row) const;
    // Where the check box of `row` is, in viewport coordinates.
    QRect CheckBoxRect(int row) const;

signals:
    void CheckClicked(int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int BoxRowAt(const QPoint &pos) const;
    int pressedBoxRow_ = -1;
};

class TfrmKey : public QDialog {
    Q_OBJECT
public:
    // Edits `catalogue`; OK writes settings.YoyakuStates and settings.KansuStates.
    TfrmKey(KeywordCatalogue &catalogue, Settings &settings, QWidget *parent = nullptr);

public slots:
    void btnYoyakuAllCheckClick();
    void btnYoyakuAllUnCheckClick();
    void btnKansuAllCheckClick();
    void btnKansuAllUnCheckClick();
    void btnOkClick();
    void BitBtn2Click();
    // Puts the stored states back into the catalogue; runs on every way out.
    void FormClose();
    // Closes the dialog, also when it is hidden (then only FormClose runs).
    void CloseWindow();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // A click on the check box of a list's entry: the catalogue's rule, then the lists again.
    void clbYoyakuClick(int row);
    void clbKansuClick(int row);
    // Shows the catalogue's current states in both lists.
    void ShowCatalogue();
    QWidget *BuildPage(const char *label, QLabel *&lbl, CheckListBox *&list, KeywordList kind, QPushButton *&allCheck,
                       QPushButton *&allUnCheck, QTextEdit *&memo, const char *const *lines, int lineCount);

    KeywordCatalogue &catalogue_;
    Settings &settings_;

    QTabWidget *PagCon1;
    QWidget *tabYoyaku, *tabKansu;
    QLabel *Label1, *Label2;
    CheckListBox *clbYoyaku, *clbKansu;
    QPushButton *btnYoyakuAllCheck, *btnYoyakuAllUnCheck, *btnKansuAllCheck, *btnKansuAllUnCheck;
    QTextEdit *memMsgYoyaku, *memMsgKansu;
    QPushButton *btnOk, *BitBtn2;
};

} // namespace kelvra
