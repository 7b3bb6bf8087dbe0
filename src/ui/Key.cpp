#include "ui/Key.h"
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

QString U(const char *text) { return QString::fromUtf8(text); }

constexpr int kBoxSize = 13;

const char *const kMsgYoyaku[] = {
    "整形の基本は予約語をもとに行っ",
    "ています。",
    "予約語と認識されなければ通常の",
    "文字列として処理され折り返しな",
    "どの整形が行われなくなります。",
    "",
    "※チェックを外すことにより整形",
    "処理の時間が短縮されます。",
    "",
};

const char *const kMsgKansu[] = {
    "関数とは引数を持つ予約語のこと",
    "です。",
    "後ろに（ ）で括られた文字列を持",
    "つ予約語を指します。",
    "関数として認識されると閉じカッ",
    "コを検出するまで折り返し処理を",
    "しなくなります。",
    "引数が多い関数を使用している場",
    "合などは、チェックを外す事によ",
    "りカッコ内の引数もカンマ毎に折",
    "り返すようになります。",
    "",
    "※チェックが付いていても予約語",
    "から外れている場合は関数として",
    "認識されません。",
};

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

// Position (1-based) of the first entry of `list` with the given text, or 0.
int FindEntry(KeywordList list, const std::string &text) {
    const int count = KeywordCatalogue::Count(list);
    for (int p = 1; p <= count; ++p)
        if (KeywordCatalogue::Text(list, p) == text) return p;
    return 0;
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
        painter->setPen(QPen(state == Qt::PartiallyChecked ? QColor(40, 40, 40) : QColor(Qt::black), 2,
                             Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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

QRect CheckListBox::CheckBoxRect(int row) const {
    return KeyCheckDelegate::CheckRect(visualItemRect(item(row)));
}

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
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      catalogue_(catalogue), settings_(settings) {
    setObjectName("frmKey");
    setWindowTitle(U("予約語テーブル"));
    setModal(true);
    setFixedSize(550, 334);
    setFont(GothicFont(13));

    PagCon1 = new QTabWidget(this);
    PagCon1->setObjectName("PagCon1");
    PagCon1->setGeometry(0, 0, 465, 333);
    tabYoyaku = BuildPage("チェックを付けると予約語として機能します", Label1, clbYoyaku, KeywordList::Yoyaku,
                          btnYoyakuAllCheck, btnYoyakuAllUnCheck, memMsgYoyaku, kMsgYoyaku, static_cast<int>(std::size(kMsgYoyaku)));
    tabKansu = BuildPage("チェックを付けると関数として機能します", Label2, clbKansu, KeywordList::Kansu,
                         btnKansuAllCheck, btnKansuAllUnCheck, memMsgKansu, kMsgKansu, static_cast<int>(std::size(kMsgKansu)));
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
    PagCon1->addTab(tabYoyaku, U("予約語"));
    PagCon1->addTab(tabKansu, U("関数"));
    PagCon1->setCurrentIndex(0);

    btnOk = new QPushButton(U("OK"), this);
    btnOk->setObjectName("btnOk");
    btnOk->setGeometry(470, 24, 75, 25);
    btnOk->setDefault(true);
    BitBtn2 = new QPushButton(U("Cancel"), this);
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
    allCheck = new QPushButton(U("全てチェック"), page);
    allCheck->setGeometry(8, 270, 93, 25);
    allCheck->setAutoDefault(false);
    allUnCheck = new QPushButton(U("全て解除"), page);
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
}

// ---- Clicks on the check boxes ---------------------------------------------

void TfrmKey::clbYoyakuClick(int row) {
    const int p = row + 1;
    const CheckState now = catalogue_.State(KeywordList::Yoyaku, p);
    catalogue_.SetState(KeywordList::Yoyaku, p, now == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked);
    clbYoyaku->setCurrentRow(row);
    clbYoyakuClickCheck();
}

void TfrmKey::clbKansuClick(int row) {
    const int p = row + 1;
    CheckState next = CheckState::Grayed;
    switch (catalogue_.State(KeywordList::Kansu, p)) {
    case CheckState::Unchecked: next = CheckState::Grayed; break;
    case CheckState::Grayed: next = CheckState::Checked; break;
    case CheckState::Checked: next = CheckState::Unchecked; break;
    }
    catalogue_.SetState(KeywordList::Kansu, p, next);
    clbKansu->setCurrentRow(row);
    clbKansuClickCheck();
}

void TfrmKey::clbYoyakuClickCheck() {
    const int row = clbYoyaku->currentRow();
    if (row < 0) return;
    const std::string &text = KeywordCatalogue::Text(KeywordList::Yoyaku, row + 1);
    const CheckState reserved = catalogue_.State(KeywordList::Yoyaku, row + 1);
    if (const int f = FindEntry(KeywordList::Kansu, text)) {
        const CheckState function = catalogue_.State(KeywordList::Kansu, f);
        if (reserved == CheckState::Checked && function == CheckState::Grayed)
            catalogue_.SetState(KeywordList::Kansu, f, CheckState::Checked);
        else if (reserved == CheckState::Unchecked && function == CheckState::Checked)
            catalogue_.SetState(KeywordList::Kansu, f, CheckState::Grayed);
    }
    for (KeywordList hidden : {KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo})
        if (const int h = FindEntry(hidden, text)) catalogue_.SetState(hidden, h, reserved);
    ShowCatalogue();
}

void TfrmKey::clbKansuClickCheck() {
    const int row = clbKansu->currentRow();
    if (row < 0) return;
    const int f = row + 1;
    const int r = FindEntry(KeywordList::Yoyaku, KeywordCatalogue::Text(KeywordList::Kansu, f));
    if (r) {
        // A function with a reserved word is either off or on; on shows gray while the word is off.
        if (catalogue_.State(KeywordList::Kansu, f) == CheckState::Grayed) {
            if (catalogue_.State(KeywordList::Yoyaku, r) == CheckState::Checked)
                catalogue_.SetState(KeywordList::Kansu, f, CheckState::Checked);
        } else {
            catalogue_.SetState(KeywordList::Kansu, f, CheckState::Unchecked);
        }
    }
    ShowCatalogue();
}

// ---- Buttons ---------------------------------------------------------------

void TfrmKey::btnYoyakuAllCheckClick() {
    for (int p = 1; p <= KeywordCatalogue::kYoyakuCount; ++p)
        catalogue_.SetState(KeywordList::Yoyaku, p, CheckState::Checked);
    for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p)
        if (catalogue_.State(KeywordList::Kansu, p) == CheckState::Grayed)
            catalogue_.SetState(KeywordList::Kansu, p, CheckState::Checked);
    catalogue_.MirrorDependentLists();
    ShowCatalogue();
}

void TfrmKey::btnYoyakuAllUnCheckClick() {
    for (int p = 1; p <= KeywordCatalogue::kYoyakuCount; ++p)
        catalogue_.SetState(KeywordList::Yoyaku, p, CheckState::Unchecked);
    for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p)
        if (catalogue_.State(KeywordList::Kansu, p) == CheckState::Checked)
            catalogue_.SetState(KeywordList::Kansu, p, CheckState::Grayed);
    catalogue_.MirrorDependentLists();
    ShowCatalogue();
}

void TfrmKey::btnKansuAllCheckClick() {
    for (int r = 1; r <= KeywordCatalogue::kYoyakuCount; ++r) {
        const int f = FindEntry(KeywordList::Kansu, KeywordCatalogue::Text(KeywordList::Yoyaku, r));
        if (!f) continue;
        catalogue_.SetState(KeywordList::Kansu, f,
                            catalogue_.State(KeywordList::Yoyaku, r) == CheckState::Checked ? CheckState::Checked
                                                                                             : CheckState::Grayed);
    }
    ShowCatalogue();
}

void TfrmKey::btnKansuAllUnCheckClick() {
    for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p)
        catalogue_.SetState(KeywordList::Kansu, p, CheckState::Unchecked);
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
