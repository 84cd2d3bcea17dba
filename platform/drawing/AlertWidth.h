#pragma once
// How wide an alert (a QMessageBox) stands: at least as wide as the title the window
// manager shows over it (with room for the title bar's buttons), as its row of
// buttons at their preferred widths, and as its informative message set at about
// MessageMeasure characters a line, so none is cut or squeezed. Qt's own sizing
// knows none of them: it measures an alert by its texts, folds a message to its
// longest word when the bold text is short, and leaves the window title (which the
// desktop draws in its own font) to chance.
//
// Sheets apply it to every alert they show (platform::Sheet::begin()). Stateless; GUI
// thread only. Never throws; a null alert does nothing.
class QMessageBox;
class QString;
class QWidget;

namespace platform::AlertWidth {

// The title the window manager shows for the window: its own title followed by the
// application's display name, or that name alone (as Qt gives it to the desktop).
QString shownTitle(const QWidget *window);

// Characters a line of an alert's message holds at most.
constexpr int MessageMeasure = 50;

// The width the alert's informative message takes: its whole width on one line, at
// most MessageMeasure average characters of the alert's font.
int messageWidth(const QMessageBox *alert);

// The least width the alert's window takes: its title in the title bar's font with
// room for the title bar's buttons, or its buttons at their preferred widths inside
// the alert's margins, or its message (messageWidth()) beside its icon inside the
// margins, whichever is wider; never wider than the screen.
int minimumWidth(const QMessageBox *alert);

// Keeps the alert at least minimumWidth() wide, through Qt's own sizing of it, until
// its texts or buttons change (then call it again).
void fit(QMessageBox *alert);

} // namespace platform::AlertWidth
