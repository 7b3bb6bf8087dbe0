// TfrmEdit: search, replace and colour marking. Not built yet.
#include "ui/Edit.h"

#include <QAction>

namespace kelvra {

void TfrmEdit::WireSearchCommands() {
    for (QAction *a : {mnuEditSerch, mnuEditChange, pmnuMarking, spdFind, spdChange}) a->setEnabled(false);
}
void TfrmEdit::mnuEditSerchClick() {}
void TfrmEdit::mnuEditChangeClick() {}
void TfrmEdit::pmnuMarkingClick() {}

} // namespace kelvra
