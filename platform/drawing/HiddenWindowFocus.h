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
// Menus too: a menu opened from the keyboard (Alt and a title's letter) takes the
// keyboard by a grab, which under load the desktop settles only after a letter typed
// at once chose an item and the menu hid; the keys typed after that letter then reach
// the hidden menu. Those keys, and any the desktop sends to a hidden dialog, go on, in
// order, to the widget with the focus in the window it stood on, as keys typed there
// (to the sheet the item began, whose hold passes them on to itself); no shortcut
// fires by them before, and none reaches the hidden menu, whose letters would choose
// its items (the "S" of a name typed after Document › New Job… would start the
// counter). They go whole (native scan code, key and modifiers too) and meet the
// holds of that window as keys typed there do: a sheet's hold passes them on to the
// sheet, and a window a modal dialog of Qt's own holds takes none, as it takes none
// from the X server. The keyboard itself comes back to that window when the grab ends. A
// menu's window ends as the menu hides, so keys the X server sent it after that come
// for a window the toolkit no longer knows: they too go to the window it stood on, in
// their place among the others.
//
// A dialog the X server gave the keyboard before the program heard of it, hidden at
// once (its Return typed with the keys that opened it), leaves the keyboard to the
// root window, where keys reach no program: the window it stood on takes it back.
//
// And when the program has lost track of the keyboard while the X server gives it to
// one of its shown windows (it knows no window with the keyboard, or takes a hidden
// dialog for it), that window is told again that it has it.
//
// install() watches the application from then on (the application object installs
// it as it starts); calling it again does nothing.
// GUI thread only (needs the application object); it cannot fail.
namespace platform::HiddenWindowFocus {

void install();

} // namespace platform::HiddenWindowFocus
