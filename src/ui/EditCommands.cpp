// TfrmEdit: editing and line-end commands, font and background colour,
// printing, help and about. Not built yet: their items stay disabled.
#include "ui/Edit.h"

#include <QAction>

namespace kelvra {

void TfrmEdit::WireEditingCommands() {
    for (QAction *a : {mnuEditUndo, mnuEditAll, mnuEditCut, mnuEditCopy, mnuEditPaste, mnuExeSpace, mnuExeS,
                       mnuExeComment, mnuFormatFont, mnuFormatColor, mnuFilePrint, mnuFilePrintSetup, mnuHelpSQLHelp,
                       mnuHelpHelp, mnuHelpAbout, pmnuUndo, pmnuCut, pmnuCopy, pmnuPaste, spdUndo, spdSelectAll, spdCut,
                       spdCopy, spdPaste, spdPrint})
        a->setEnabled(false);
}

void TfrmEdit::mnuEditUndoClick() {}
void TfrmEdit::mnuEditCutClick() {}
void TfrmEdit::mnuEditCopyClick() {}
void TfrmEdit::mnuEditPasteClick() {}
void TfrmEdit::mnuEditAllClick() {}
void TfrmEdit::mnuExeSpaceClick() {}
void TfrmEdit::mnuExeSClick() {}
void TfrmEdit::mnuExeCommentClick() {}
void TfrmEdit::mnuFormatFontClick() {}
void TfrmEdit::mnuFormatColorClick() {}
void TfrmEdit::mnuFilePrintClick() {}
void TfrmEdit::mnuFilePrintSetupClick() {}
void TfrmEdit::mnuHelpSQLHelpClick() {}
void TfrmEdit::mnuHelpHelpClick() {}
void TfrmEdit::mnuHelpAboutClick() {}

} // namespace kelvra
