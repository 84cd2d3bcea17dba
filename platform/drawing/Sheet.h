#pragma once
// Sheets: a dialog or any window run window-modal on a document window, ending in a
// handler. This is the one way the program runs a modal question; nothing here
// spins an event loop of its own.
//
// - begin() shows the sheet window-modal on the window's top level (application-modal
//   without a window) and returns at once. The sheet becomes a dialog child of that
//   window; ownership stays with whoever owns it (usually that window). The window is
//   held by a WindowHold while the sheet shows (not by Qt's modality): nothing there
//   acts, and keys that reach it before the desktop gave the sheet the keyboard (typed
//   right after the key that began it) go on to the sheet, in order, as keys (no
//   shortcut fires by them, a mnemonic neither). A sheet waiting for its window (below)
//   holds nothing yet. A sheet shown on a window asks for the keyboard only while the
//   program has it.
// - A sheet on a window while another window of the application is the active one
//   (the person types there) waits: its window asks for attention
//   (QApplication::alert()), and the sheet shows, with the keyboard, when its window
//   becomes active. It never takes the keyboard from the window the person types in.
//   A window of the sheet's own family does not count as another: a sheet begun on
//   a sheet (or dialog) while the window under that one is still the active one
//   (the desktop has not activated the sheet yet) shows at once.
// - A window with a sheet shown that becomes active (a click on it) hands the
//   keyboard on to the sheet.
//   A window the program itself brings forward to ask something (bringForward(): the
//   next document's question when quitting) is the person's: the first sheet begun
//   on it before the keyboard goes anywhere else shows at once.
// - One sheet per window: a sheet begun while another is up on the same window waits
//   and is shown once that one's handler has run. Sheets without a window take turns
//   the same way, one application-modal sheet at a time, each brought to the front
//   with the keyboard's focus when it shows. Beginning a sheet that is already
//   running (or waiting) ends it first with Aborted.
// - The handler runs exactly once, in the event-loop pass after the sheet ended, so it
//   may delete the sheet or close the window. A QDialog ends when it finishes (its
//   result code); any sheet ends with end(). The sheet ends with Aborted when its
//   window is hidden, closed or destroyed (a waiting sheet too), when the sheet is
//   destroyed, or when it is hidden without having ended.
// - An alert (a QMessageBox) is shown at least as wide as its title and buttons
//   (platform::AlertWidth).
// - Ending does not delete the sheet; a QDialog has hidden itself, other sheets stay
//   shown for the handler to hide or reuse.
//
// Threads: GUI thread only (checked in debug builds). Never throws; an exception from
// a handler is the event loop's to report (platform::Application).
#include <functional>

class QWidget;

namespace platform::Sheet {

using EndHandler = std::function<void(int result)>;

// The result a sheet ends with when it went away without being answered.
constexpr int Aborted = -1001;

void begin(QWidget *sheet, QWidget *window, EndHandler handler);
// Ends a running or waiting sheet with the result. Answers whether there was one.
bool end(QWidget *sheet, int result);
// Begun and not yet ended (shown or waiting).
bool isRunning(const QWidget *sheet);
// The sheet shown on the window (its top level), null for none.
QWidget *sheetOfWindow(const QWidget *window);
// The sheet shown last of those still shown (on any window or none), null for none:
// the one that takes input now, as QApplication::activeModalWidget() answers for the
// windows Qt itself holds (a sheet on a window is not one of those).
QWidget *activeSheet();
// Shows, raises and activates the window (its top level) to ask the person something
// there: the next sheet begun on it shows at once (see above).
void bringForward(QWidget *window);

} // namespace platform::Sheet
