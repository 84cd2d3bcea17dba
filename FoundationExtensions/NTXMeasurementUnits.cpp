#include "FoundationExtensions/NTXMeasurementUnits.h"

#include "platform/foundation/Bundle.h"

namespace {

struct UnitRow
{
    const char *key;
    const char *longName;
    const char *shortName;
};

constexpr UnitRow Units[] = {
    {"NTXUnitPointType", "NTXMeasurementLibPoint", "NTXMeasurementLibSCPoint"},
    {"NTXUnitMeterType", "NTXMeasurementLibMeter", "NTXMeasurementLibSCMeter"},
    {"NTXUnitCentimeterType", "NTXMeasurementLibCentimeter", "NTXMeasurementLibSCCentimeter"},
    {"NTXUnitMillimeterType", "NTXMeasurementLibMillimeter", "NTXMeasurementLibSCMillimeter"},
    {"NTXUnitInchType", "NTXMeasurementLibInch", "NTXMeasurementLibSCInch"},
};

bool isUnit(int unit) { return unit >= 0 && unit <= 4; }

QString lookUp(const char *key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXFoundationExtensions"))
        .localizedString(QString::fromLatin1(key), QStringLiteral("NTXMeasurementLib"), QStringLiteral(""));
}

} // namespace

float NTXConvertUnit(int from, int to, float value)
{
    if (value == 0.0f)
        return 0.0f;
    float points = value;
    switch (from) {
    case NTXMeterUnit: points = float(double(value) / (0.0254 / 72.0)); break;
    case NTXCentimeterUnit: points = float(double(value) / (2.54 / 72.0)); break;
    case NTXMillimeterUnit: points = float(double(value) / (25.4 / 72.0)); break;
    case NTXInchUnit: points = value * 72.0f; break;
    default: break;
    }
    switch (to) {
    case NTXPointUnit: return points;
    case NTXMeterUnit: return float(double(points) * 0.0254 / 72.0);
    case NTXCentimeterUnit: return float(double(points) * 2.54 / 72.0);
    case NTXMillimeterUnit: return float(double(points) * 25.4 / 72.0);
    case NTXInchUnit: return points / 72.0f;
    default: return 0.0f;
    }
}

QSizeF NTXConvertSize(int from, int to, const QSizeF &size)
{
    return QSizeF(NTXConvertUnit(from, to, float(size.width())), NTXConvertUnit(from, to, float(size.height())));
}

QPointF NTXConvertPoint(int from, int to, const QPointF &point)
{
    const QSizeF converted = NTXConvertSize(from, to, QSizeF(point.x(), point.y()));
    return QPointF(converted.width(), converted.height());
}

QRectF NTXConvertRect(int from, int to, const QRectF &rect)
{
    return QRectF(NTXConvertPoint(from, to, rect.topLeft()), NTXConvertSize(from, to, rect.size()));
}

QString NTXUnitTypeKey(int unit) { return isUnit(unit) ? QString::fromLatin1(Units[unit].key) : QString(); }

QString NTXLocalizedUnitName(int unit) { return isUnit(unit) ? lookUp(Units[unit].longName) : QString(); }

QString NTXLocalizedUnitShortName(int unit) { return isUnit(unit) ? lookUp(Units[unit].shortName) : QString(); }

bool NTXUnitFromString(const QString &text, int *unit)
{
    QString rest;
    for (const QChar c : text)
        if (!c.isDigit() && !c.isSpace() && !c.isPunct() && c.category() != QChar::Symbol_Math)
            rest += c;
    for (int candidate = 0; candidate <= 4; ++candidate) {
        if (rest == NTXLocalizedUnitShortName(candidate)) {
            if (unit)
                *unit = candidate;
            return true;
        }
    }
    return false;
}
