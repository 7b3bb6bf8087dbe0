// TfrmEdit: the reserved-word table dialog's menu item.
#include "ui/Edit.h"
#include "ui/Key.h"
#include "ui/UiTexts.h"

#include <QAction>
#include <QMenu>

namespace kelvra {

void TfrmEdit::WireKeyDialog() {
    frmKey = new TfrmKey(catalogue_, settings_, this);
    mnuFormatYoyaku->setEnabled(true);
}

void TfrmEdit::mnuFormatYoyakuClick() {
    if (!MenuEnabled(mnuFormatMenu) || !frmKey) return;
    Guarded(texts::kYoyakuFailed, [this] { dialogs_.ShowModal(*frmKey); });
}

void TfrmEdit::CloseKeyDialog() {
    if (frmKey) frmKey->CloseWindow();
}

} // namespace kelvra
