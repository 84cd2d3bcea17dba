#pragma once
// The five measurement units (0 point, 1 meter, 2 centimeter, 3 millimeter, 4 inch),
// conversions between them and their names. Lengths are kept in points (1/72 inch).
// Plain functions without state; the names come from the string table
// "NTXMeasurementLib" of the framework's bundle ("" for a missing key). A unit number
// outside 0-4 converts from unchanged, converts to 0 and has no key or name.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

enum NTXMeasurementUnit : int {
    NTXPointUnit = 0,
    NTXMeterUnit = 1,
    NTXCentimeterUnit = 2,
    NTXMillimeterUnit = 3,
    NTXInchUnit = 4,
};

float NTXConvertUnit(int from, int to, float value);
QRectF NTXConvertRect(int from, int to, const QRectF &rect);
QSizeF NTXConvertSize(int from, int to, const QSizeF &size);
QPointF NTXConvertPoint(int from, int to, const QPointF &point);

// The key ("NTXUnitPointType" …), a null string outside 0-4.
QString NTXUnitTypeKey(int unit);
// The localized long and short names, null strings outside 0-4.
QString NTXLocalizedUnitName(int unit);
QString NTXLocalizedUnitShortName(int unit);

// Whether the text, without its digits, white space, punctuation and mathematical
// signs (a locale's own minus sign, U+2212, among them), is exactly the short name of
// a unit (the first in unit order); *unit is set only then.
bool NTXUnitFromString(const QString &text, int *unit);
