#pragma once
// The title a menu item or action shows for a text the user wrote (a job name, a
// document or file name, a sound name). Menus read '&' as the mnemonic marker and
// a tab as the start of the shortcut column, and a line break draws a second line
// over the next item; so every such text goes through here before it becomes a
// QAction's or QMenu's text. Plain function of its argument, callable from any
// thread; it cannot fail.
#include <QString>

namespace platform::MenuItemTitle {

// The text with every '&' doubled (shown as one literal '&') and every tab, line or
// paragraph break shown as one blank (a CR LF pair as one blank).
QString fromUserText(const QString &text);

} // namespace platform::MenuItemTitle
