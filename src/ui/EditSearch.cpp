// TfrmEdit: search, replace and colour marking.
#include "ui/Edit.h"

#include "ui/ChangeKakunin.h"
#include "ui/Pallet.h"
#include "ui/Search.h"
#include "ui/UiTexts.h"

#include <QAction>
#include <QMenu>

namespace kelvra {

void TfrmEdit::WireSearchCommands() {
    dlgChangeKakunin = new TdlgChangeKakunin(this);
    frmSearch = new TfrmSearch(static_cast<SearchHost &>(*this), dialogs_, *dlgChangeKakunin, this);
    frmPallet = new TfrmPallet(editor_, this);
}

void TfrmEdit::mnuEditSerchClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kSearchFailed, [this] { frmSearch->OpenOn(SearchMode::Search, settings_); });
}

void TfrmEdit::mnuEditChangeClick() {
    if (!MenuEnabled(mnuEditMenu)) return;
    Guarded(texts::kReplaceFailed, [this] { frmSearch->OpenOn(SearchMode::Replace, settings_); });
}

void TfrmEdit::pmnuMarkingClick() {
    Guarded(texts::kMarkingFailed, [this] { frmPallet->ShowAtPointer(); });
}

} // namespace kelvra
