// TfrmEdit: the reserved-word table dialog's menu item. Not built yet.
#include "ui/Edit.h"

#include <QAction>

namespace kelvra {

void TfrmEdit::WireKeyDialog() { mnuFormatYoyaku->setEnabled(false); }
void TfrmEdit::mnuFormatYoyakuClick() {}
void TfrmEdit::CloseKeyDialog() {}

} // namespace kelvra
