#pragma once
// What assistive technologies see of a TextView: its text, the caret and the
// selection, and edits made through them. The view tells them of its changes
// only while one is listening (QAccessible::isActive()), so that it costs
// nothing otherwise.

#include <QString>

class QAccessibleEvent;

namespace kelvra {

class TextView;

namespace accessible {

// Makes QAccessible::queryAccessibleInterface answer for text views; once is enough.
void InstallTextViewFactory();

// Where the notes go: to QAccessible while an assistive technology is active,
// or to `sink` when one is set (tests listen so: without a platform bridge
// QAccessible passes nothing on). nullptr goes back to QAccessible.
using EventSink = void (*)(QAccessibleEvent *event);
void SetEventSink(EventSink sink);

// What the view tells listeners; each does nothing while no one listens.
void NoteTextChanged(TextView &view, int from, int removed, int added);
void NoteWholeTextReplaced(TextView &view, int oldLength);
void NoteCaretMoved(TextView &view);
void NoteSelectionChanged(TextView &view);
void NoteReadOnlyChanged(TextView &view);

} // namespace accessible
} // namespace kelvra
