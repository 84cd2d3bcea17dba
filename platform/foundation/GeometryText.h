#pragma once
// The text forms of rectangles, points and sizes: "{{12, 30}, {600, 400}}",
// "{12, 30}" and "{600, 400}". Numbers are written like the C "%g" conversion in
// the C locale (six significant digits, integers without decimals).
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringView>

namespace platform::GeometryText {

QString stringFromRect(const QRectF &rect);
QString stringFromPoint(const QPointF &point);
QString stringFromSize(const QSizeF &size);

// Parsing is forgiving: the text is scanned once from the start for up to four
// (two) numbers in order; every character that cannot start a number is skipped,
// and numbers that are missing read as 0. A number is an optional sign, digits
// with an optional decimal point and an optional exponent, always in the C locale.
// A number whose value lies outside the range of a double (an overflowing
// exponent or digit run) reads as 0, as does any non-finite value. Never throws.
QRectF rectFromString(QStringView text);
QPointF pointFromString(QStringView text);
QSizeF sizeFromString(QStringView text);

} // namespace platform::GeometryText
