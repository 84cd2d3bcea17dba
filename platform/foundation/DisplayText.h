#pragma once
// A text the user wrote (a job or group name, which may hold line breaks) as one
// line, for the places that show one line only: outline cells, labels, titles and,
// through MenuItemTitle, menu items. Every tab, line or paragraph break becomes one
// blank (a CR LF pair one blank); nothing else changes. Plain function of its
// argument, callable from any thread; it cannot fail.
#include <QString>

namespace platform::SingleLineText {

QString fromUserText(const QString &text);

// Whether the character starts a new line or column where text is laid out (tab,
// LF, VT, FF, CR, next line, line and paragraph separators).
bool breaksLine(QChar c);

} // namespace platform::SingleLineText
