#pragma once
// The title a menu item or action shows for a text the user wrote (a job name, a
// document or file name, a sound name). Menus read '&' as the mnemonic marker and
// a tab as the start of the shortcut column, and a line break draws a second line
// over the next item; so every such text goes through here before it becomes a
// QAction's or QMenu's text. Plain function of its argument, callable from any
// thread; it cannot fail.
#include <QString>

namespace platform::MenuItemTitle {

// The text as DisplayText::shownOnOneLine() shows it (every tab, line or paragraph
// break one blank, a CR LF pair one blank; cut with an ellipsis when long), with
// every '&' doubled (shown as one literal '&').
QString fromUserText(const QString &text);

} // namespace platform::MenuItemTitle
