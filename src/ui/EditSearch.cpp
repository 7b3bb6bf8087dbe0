// TfrmEdit: search, replace and colour marking.
#include "ui/Edit.h"

#include "ui/ChangeKakunin.h"
#include "ui/Pallet.h"
#include "ui/Search.h"

#include <QAction>
#include <QMenu>

namespace kelvra {

void TfrmEdit::WireSearchCommands() {
    dlgChangeKakunin = new TdlgChangeKakunin(this);
    frmSearch = new TfrmSearch(*this, dialogs_, *dlgChangeKakunin, this);
    frmPallet = new TfrmPallet(rchOut, this);
}

void TfrmEdit::mnuEditSerchClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”検索”でエラーが発生しました", [this] { frmSearch->OpenOn(0, settings_); });
}

void TfrmEdit::mnuEditChangeClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded("”置換”でエラーが発生しました", [this] { frmSearch->OpenOn(1, settings_); });
}

void TfrmEdit::pmnuMarkingClick() {
    Guarded("”色付”でエラーが発生しました", [this] { frmPallet->ShowAtPointer(); });
}

} // namespace kelvra
