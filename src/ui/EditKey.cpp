// TfrmEdit: the reserved-word table dialog's menu item.
#include "ui/Edit.h"
#include "ui/Key.h"

#include <QAction>
#include <QMenu>

namespace kelvra {

void TfrmEdit::WireKeyDialog() {
    frmKey = new TfrmKey(catalogue_, settings_, this);
    mnuFormatYoyaku->setEnabled(true);
}

void TfrmEdit::mnuFormatYoyakuClick() {
    if (!MenuEnabled(mnuFormatMenu) || !frmKey) return;
    Guarded("”予約語テーブル”でエラーが発生しました", [this] { dialogs_.ShowModal(*frmKey); });
}

void TfrmEdit::CloseKeyDialog() {
    if (frmKey) frmKey->CloseWindow();
}

} // namespace kelvra
