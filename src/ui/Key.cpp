#include "ui/Key.h"
#include "ui/UiTexts.h"
#include "ui/WindowFont.h"

#include <algorithm>
#include <iterator>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

namespace kelvra {
namespace {

using texts::U;

constexpr int kBoxSize = 13;

Qt::CheckState ToQt(CheckState s) {
    switch (s) {
    case CheckState::Unchecked: return Qt::Unchecked;
    case CheckState::Grayed: return Qt::PartiallyChecked;
    case CheckState::Checked: break;
    }
    return Qt::Checked;
}

CheckState FromQt(Qt::CheckState s) {
    switch (s) {
    case Qt::Unchecked: return CheckState::Unchecked;
    case Qt::PartiallyChecked: return CheckState::Grayed;
    case Qt::Checked: break;
    }
    return CheckState::Checked;
}

} // namespace

// ---- Check box drawing -----------------------------------------------------

QRect KeyCheckDelegate::CheckRect(const QRect &itemRect) {
    return QRect(itemRect.left() + 3, itemRect.top() + (itemRect.height() - kBoxSize) / 2, kBoxSize, kBoxSize);
}

QSize KeyCheckDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(option.fontMetrics.height() + 3, kBoxSize + 4));
    return size;
}

void KeyCheckDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : nullptr;
    if (style) style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QRect box = CheckRect(opt.rect);
    const auto state = static_cast<Qt::CheckState>(index.data(Qt::CheckStateRole).toInt());
    painter->setPen(QPen(QColor(64, 64, 64), 1));
    painter->setBrush(state == Qt::PartiallyChecked ? QColor(150, 150, 150) : QColor(Qt::white));
    painter->drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    if (state != Qt::Unchecked) {
        QPainterPath tick;
        tick.moveTo(box.left() + 2.5, box.top() + 6.5);
        tick.lineTo(box.left() + 5.5, box.top() + 9.5);
        tick.lineTo(box.left() + 10.5, box.top() + 3.0);
        painter->setPen(QPen(state == Qt::PartiallyChecked ? QColor(40, 40, 40) : QColor(Qt::black), 2, Qt::SolidLine,
                             Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(tick);
    }
    painter->restore();

    const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    const bool selected = opt.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect textRect = opt.rect.adjusted(box.right() - opt.rect.left() + 5, 0, -2, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, opt.text);
    painter->restore();
    if (style && (opt.state & QStyle::State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = textRect.adjusted(-2, 0, 0, 0);
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.backgroundColor = opt.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

// ---- Check list ------------------------------------------------------------

CheckListBox::CheckListBox(QWidget *parent) : QListWidget(parent) {
    setItemDelegate(new KeyCheckDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void CheckListBox::AddEntry(const QString &text) {
    auto *item = new QListWidgetItem(text, this);
    // Not user-checkable: the view must not toggle the state on its own.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setData(Qt::CheckStateRole, Qt::Checked);
}

void CheckListBox::ShowState(int row, CheckState state) {
    QListWidgetItem *it = item(row);
    if (it && it->data(Qt::CheckStateRole).toInt() != ToQt(state)) it->setData(Qt::CheckStateRole, ToQt(state));
}

CheckState CheckListBox::ShownState(int row) const {
    return FromQt(static_cast<Qt::CheckState>(item(row)->data(Qt::CheckStateRole).toInt()));
}

QRect CheckListBox::CheckBoxRect(int row) const { return KeyCheckDelegate::CheckRect(visualItemRect(item(row))); }

int CheckListBox::BoxRowAt(const QPoint &pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) return -1;
    // A pixel of slack around the box, so that a click on its edge counts.
    return CheckBoxRect(index.row()).adjusted(-2, -2, 2, 2).contains(pos) ? index.row() : -1;
}

void CheckListBox::mousePressEvent(QMouseEvent *event) {
    pressedBoxRow_ = event->button() == Qt::LeftButton ? BoxRowAt(event->position().toPoint()) : -1;
    QListWidget::mousePressEvent(event);
}

void CheckListBox::mouseDoubleClickEvent(QMouseEvent *event) {
    // The second click of a double click on a box counts as a click of its own.
    pressedBoxRow_ = event->button() == Qt::LeftButton ? BoxRowAt(event->position().toPoint()) : -1;
    QListWidget::mouseDoubleClickEvent(event);
}

void CheckListBox::mouseReleaseEvent(QMouseEvent *event) {
    const int pressed = pressedBoxRow_;
    pressedBoxRow_ = -1;
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && pressed >= 0 && BoxRowAt(event->position().toPoint()) == pressed) {
        setCurrentRow(pressed);
        emit CheckClicked(pressed);
    }
}

void CheckListBox::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (currentRow() >= 0) emit CheckClicked(currentRow());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

// ---- The dialog ------------------------------------------------------------

TfrmKey::TfrmKey(KeywordCatalogue &catalogue, Settings &settings, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      catalogue_(catalogue), settings_(settings) {
    setObjectName("frmKey");
    setWindowTitle(U(texts::kKeyTitle));
    setModal(true);
    setFixedSize(550, 334);
    setFont(GothicFont(13));

    PagCon1 = new QTabWidget(this);
    PagCon1->setObjectName("PagCon1");
    PagCon1->setGeometry(0, 0, 465, 333);
    tabYoyaku =
        BuildPage(texts::kYoyakuLabel, Label1, clbYoyaku, KeywordList::Yoyaku, btnYoyakuAllCheck, btnYoyakuAllUnCheck,
                  memMsgYoyaku, texts::kYoyakuNote, static_cast<int>(std::size(texts::kYoyakuNote)));
    tabKansu = BuildPage(texts::kKansuLabel, Label2, clbKansu, KeywordList::Kansu, btnKansuAllCheck, btnKansuAllUnCheck,
                         memMsgKansu, texts::kKansuNote, static_cast<int>(std::size(texts::kKansuNote)));
    tabYoyaku->setObjectName("tabYoyaku");
    tabKansu->setObjectName("tabKansu");
    Label1->setObjectName("Label1");
    Label2->setObjectName("Label2");
    clbYoyaku->setObjectName("clbYoyaku");
    clbKansu->setObjectName("clbKansu");
    btnYoyakuAllCheck->setObjectName("btnYoyakuAllCheck");
    btnYoyakuAllUnCheck->setObjectName("btnYoyakuAllUnCheck");
    btnKansuAllCheck->setObjectName("btnKansuAllCheck");
    btnKansuAllUnCheck->setObjectName("btnKansuAllUnCheck");
    memMsgYoyaku->setObjectName("memMsgYoyaku");
    memMsgKansu->setObjectName("memMsgKansu");
    PagCon1->addTab(tabYoyaku, U(texts::kYoyakuTab));
    PagCon1->addTab(tabKansu, U(texts::kKansuTab));
    PagCon1->setCurrentIndex(0);

    btnOk = new QPushButton(U(texts::kOk), this);
    btnOk->setObjectName("btnOk");
    btnOk->setGeometry(470, 24, 75, 25);
    btnOk->setDefault(true);
    BitBtn2 = new QPushButton(U(texts::kKeyCancel), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(470, 56, 75, 25);

    connect(clbYoyaku, &CheckListBox::CheckClicked, this, &TfrmKey::clbYoyakuClick);
    connect(clbKansu, &CheckListBox::CheckClicked, this, &TfrmKey::clbKansuClick);
    connect(btnYoyakuAllCheck, &QPushButton::clicked, this, &TfrmKey::btnYoyakuAllCheckClick);
    connect(btnYoyakuAllUnCheck, &QPushButton::clicked, this, &TfrmKey::btnYoyakuAllUnCheckClick);
    connect(btnKansuAllCheck, &QPushButton::clicked, this, &TfrmKey::btnKansuAllCheckClick);
    connect(btnKansuAllUnCheck, &QPushButton::clicked, this, &TfrmKey::btnKansuAllUnCheckClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmKey::btnOkClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmKey::BitBtn2Click);
    ShowCatalogue();
}

QWidget *TfrmKey::BuildPage(const char *label, QLabel *&lbl, CheckListBox *&list, KeywordList kind,
                            QPushButton *&allCheck, QPushButton *&allUnCheck, QTextEdit *&memo,
                            const char *const *lines, int lineCount) {
    auto *page = new QWidget;
    lbl = new QLabel(U(label), page);
    lbl->setGeometry(8, 6, 440, 16);
    list = new CheckListBox(page);
    list->setGeometry(8, 24, 209, 241);
    for (int p = 1; p <= KeywordCatalogue::Count(kind); ++p)
        list->AddEntry(QString::fromStdString(KeywordCatalogue::Text(kind, p)));
    list->setCurrentRow(0);
    allCheck = new QPushButton(U(texts::kCheckAll), page);
    allCheck->setGeometry(8, 270, 93, 25);
    allCheck->setAutoDefault(false);
    allUnCheck = new QPushButton(U(texts::kUncheckAll), page);
    allUnCheck->setGeometry(116, 270, 93, 25);
    allUnCheck->setAutoDefault(false);
    memo = new QTextEdit(page);
    memo->setGeometry(228, 24, 225, 241);
    memo->setReadOnly(true);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setLineWrapMode(QTextEdit::NoWrap);
    memo->setAcceptRichText(false);
    QPalette pal = memo->palette();
    pal.setColor(QPalette::Base, QColor(192, 192, 192)); // silver
    memo->setPalette(pal);
    QStringList text;
    for (int i = 0; i < lineCount; ++i) text << U(lines[i]);
    memo->setPlainText(text.join('\n'));
    // Substitute fonts often carry a wide line gap; a fixed line pitch keeps
    // all lines of the text in view.
    QTextCursor all(memo->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat pitch;
    pitch.setLineHeight(15, QTextBlockFormat::FixedHeight);
    all.mergeBlockFormat(pitch);
    return page;
}

void TfrmKey::ShowCatalogue() {
    for (int p = 1; p <= KeywordCatalogue::kYoyakuCount; ++p)
        clbYoyaku->ShowState(p - 1, catalogue_.State(KeywordList::Yoyaku, p));
    for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p)
        clbKansu->ShowState(p - 1, catalogue_.State(KeywordList::Kansu, p));
}

void TfrmKey::showEvent(QShowEvent *event) {
    ShowCatalogue();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
    // Typing goes to the list of the page shown: the arrows and Space work at once.
    (PagCon1->currentIndex() == 0 ? clbYoyaku : clbKansu)->setFocus();
}

// ---- Clicks on the check boxes ---------------------------------------------

void TfrmKey::clbYoyakuClick(int row) {
    catalogue_.ClickYoyaku(row + 1);
    clbYoyaku->setCurrentRow(row);
    ShowCatalogue();
}

void TfrmKey::clbKansuClick(int row) {
    catalogue_.ClickKansu(row + 1);
    clbKansu->setCurrentRow(row);
    ShowCatalogue();
}

// ---- Buttons ---------------------------------------------------------------

void TfrmKey::btnYoyakuAllCheckClick() {
    catalogue_.CheckAllYoyaku();
    ShowCatalogue();
}

void TfrmKey::btnYoyakuAllUnCheckClick() {
    catalogue_.UncheckAllYoyaku();
    ShowCatalogue();
}

void TfrmKey::btnKansuAllCheckClick() {
    catalogue_.CheckAllKansu();
    ShowCatalogue();
}

void TfrmKey::btnKansuAllUnCheckClick() {
    catalogue_.UncheckAllKansu();
    ShowCatalogue();
}

void TfrmKey::btnOkClick() {
    catalogue_.BuildStoredStates(settings_.YoyakuStates, settings_.KansuStates);
    accept();
}

void TfrmKey::BitBtn2Click() { reject(); }

// ---- Closing ---------------------------------------------------------------

void TfrmKey::FormClose() {
    // The same reading of the stored strings as at start-up (without the older
    // layout, which was converted then): while either string is empty nothing
    // has been stored yet, and that stands for every entry checked.
    if (!settings_.YoyakuStates.empty() && !settings_.KansuStates.empty())
        catalogue_.ApplyStoredStates(settings_.YoyakuStates, settings_.KansuStates, false);
    else
        catalogue_.CheckAll();
    ShowCatalogue();
}

void TfrmKey::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TfrmKey::CloseWindow() {
    // A visible dialog closes through reject() and so through done(); a hidden
    // one gets no close event to react to.
    if (isVisible())
        close();
    else
        FormClose();
}

} // namespace kelvra
