#pragma once
// How wide an alert (a QMessageBox) stands: at least as wide as the title the window
// manager shows over it (with room for the title bar's buttons) and as its row of
// buttons at their preferred widths, so neither is cut. Qt's own sizing knows
// neither: it measures an alert by its texts and leaves the window title (which the
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

// The least width the alert's window takes: its title in the title bar's font with
// room for the title bar's buttons, or its buttons at their preferred widths inside
// the alert's margins, whichever is wider; never wider than the screen.
int minimumWidth(const QMessageBox *alert);

// Keeps the alert at least minimumWidth() wide, through Qt's own sizing of it, until
// its texts or buttons change (then call it again).
void fit(QMessageBox *alert);

} // namespace platform::AlertWidth
