#pragma once
// Keeps the keyboard with a visible window when a dialog closes. When a dialog (a
// sheet, an alert, the whole-text dialog) that has the keyboard hides, the visible
// window it stood on takes the keyboard back, whatever the desktop does. And the
// desktop activates a window some time after it is shown: a dialog that ended before
// that (its OK pressed at once, or ended by the dialog over it passing on its
// Return) would be activated while hidden, with the keyboard going nowhere, no key
// reaching the window under it and the menus, validated along the focus, finding
// no one; such an activation is handed on the same way. The window a dialog stood
// on is its parent's window, else its transient parent. A dialog that hides while
// another program has the keyboard (the person went there) hands nothing on: the
// keyboard stays where the person took it.
//
// install() watches the application from then on; calling it again does nothing.
// GUI thread only (needs the application object); it cannot fail.
namespace platform::HiddenWindowFocus {

void install();

} // namespace platform::HiddenWindowFocus
