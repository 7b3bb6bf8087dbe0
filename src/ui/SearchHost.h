#pragma once
// What the search and replace dialog needs of the window that owns the
// document, and nothing more, so that the dialog does not depend on that
// window's widgets.

#include "formatter/ProgressSink.h"
#include "ui/EditorSurface.h"

#include <QColor>
#include <QString>

namespace kelvra {

class SearchHost {
public:
    virtual EditorSurface &Editor() = 0;
    // The editor font's colour, which "全ての色を元に戻す" gives back to the text.
    virtual QColor EditorTextColour() const = 0;
    // The caption of the dialog's messages.
    virtual QString ProgramTitle() const = 0;
    // Locks (true) or unlocks the owner's menus, speed buttons and editor.
    virtual void SetRunLock(bool locked) = 0;
    // Shows the progress dialog with its first bar only, for a run through every
    // remaining occurrence; the sink moves the bar and reports a cancel.
    virtual ProgressSink &ShowSearchProgress() = 0;
    // Closes the progress dialog (a no-op when it is not shown).
    virtual void CloseSearchProgress() = 0;

protected:
    ~SearchHost() = default;
};

} // namespace kelvra
