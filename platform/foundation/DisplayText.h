#pragma once
// A text the user or the outside world wrote (a job or group name, a description, a
// file name), shaped for a place that shows it. The stored text is never changed:
// these answer copies.
//
// One line: the places that show one line only (outline cells, labels, window and
// tab titles, menu items through MenuItemTitle, notifications, the names an alert
// quotes) show every tab, line or paragraph break as one blank (a CR LF pair one
// blank), the same rule wherever a text is written on one line (the tab-separated
// export too). Bounded: a text shown there is cut after MaximumLength units with an
// ellipsis, so that laying it out costs the same however long the stored text is;
// a place that shows several lines (the inspector, an alert's explanation) cuts
// after MaximumBlockLength. Cutting looks only at the text it keeps: its cost does
// not grow with the text's length, and it never parts a surrogate pair or a
// character from its combining marks.
//
// Set into a message: a name quoted into other text (an alert, a notification, a
// title) is isolated, so that a direction mark in it (a right-to-left override left
// open) turns around nothing but the name itself.
//
// Plain functions of their arguments, callable from any thread; they cannot fail.
#include <QString>

namespace platform::DisplayText {

// UTF-16 units a one-line place shows before the ellipsis: more than any window is
// wide at the smallest font.
constexpr qsizetype MaximumLength = 1000;
// UTF-16 units a place of several lines lays out before the ellipsis: a long note
// (some four pages), laid out in tens of milliseconds even as one unbroken word.
constexpr qsizetype MaximumBlockLength = 10000;

// Whether the character starts a new line or column where text is laid out (tab,
// LF, VT, FF, CR, next line, line and paragraph separators).
bool breaksLine(QChar c);

// The whole text on one line: every break a blank (a CR LF pair one blank).
QString oneLine(const QString &text);

// Whether cut() shortens the text.
bool isCut(const QString &text, qsizetype limit);
// The text when it is at most limit units long; else its first limit units (fewer
// where the limit falls inside a character) followed by U+2026.
QString cut(const QString &text, qsizetype limit);

// What a one-line place shows: the text cut, then on one line.
QString shownOnOneLine(const QString &text, qsizetype limit = MaximumLength);

// The text between U+2068 FIRST STRONG ISOLATE and U+2069 POP DIRECTIONAL ISOLATE:
// the isolates it leaves open are closed before the last one, and a U+2069 of its own
// that closes nothing it opened is left out, so that no embedding, override or
// isolate in it reaches the text around it. For text on one line (a paragraph break
// ends every isolate anyway).
QString isolated(const QString &text);

// What a message shows of a name set into it: the name on one line, cut, isolated.
// The one rule for every name quoted into a message.
QString setInText(const QString &text, qsizetype limit = MaximumLength);

} // namespace platform::DisplayText
