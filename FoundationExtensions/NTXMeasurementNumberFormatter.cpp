#include "FoundationExtensions/NTXMeasurementNumberFormatter.h"

#include "FoundationExtensions/NTXMeasurementUnits.h"
#include "platform/foundation/Bundle.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <charconv>

namespace {

bool isNumberOrText(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool: case QMetaType::QString:
        return true;
    default:
        return false;
    }
}

// The number a text starts with in the C locale (0 when it starts with none), the
// way a string gives its float value; an overflowing one is infinite.
double leadingNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0.0;
    QByteArray digits = match.captured(0).trimmed().toLatin1();
    if (digits.startsWith('+'))
        digits.remove(0, 1);
    double value = 0.0;
    const auto [end, status] = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    (void)end;
    if (status == std::errc::result_out_of_range) {
        if (digits.contains("e-") || digits.contains("E-"))
            return 0.0; // too small: reads as nothing
        return digits.startsWith('-') ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

// The number at the start of a text in the user's locale, if there is one.
std::optional<double> scanLocaleNumber(const QString &text)
{
    const QLocale locale;
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    if (end < trimmed.size() && (trimmed.at(end) == QLatin1Char('-') || trimmed.at(end) == QLatin1Char('+')
                                 || trimmed.at(end) == locale.negativeSign().front()))
        ++end;
    while (end < trimmed.size() && (trimmed.at(end).isDigit() || QString(trimmed.at(end)) == locale.decimalPoint()))
        ++end;
    bool ok = false;
    const double value = locale.toDouble(trimmed.left(end), &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

bool namesNonFinite(const QString &text)
{
    if (!std::isfinite(leadingNumber(text)))
        return true;
    static const QRegularExpression words(QStringLiteral("^[+-]?(inf|infinity|nan|∞)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    return words.match(text.trimmed()).hasMatch();
}

} // namespace

NTXMeasurementNumberFormatter::NTXMeasurementNumberFormatter() { setNewFormatString(); }

std::unique_ptr<platform::Formatter> NTXMeasurementNumberFormatter::clone() const
{
    return std::make_unique<NTXMeasurementNumberFormatter>(*this);
}

void NTXMeasurementNumberFormatter::setShowType(int unit)
{
    m_showType = unit;
    setNewFormatString();
}

void NTXMeasurementNumberFormatter::setNumberOfDigitsAfterPoint(unsigned digits)
{
    m_numberOfDigitsAfterPoint = std::min(digits, MaxFractionDigits);
    setNewFormatString();
}

void NTXMeasurementNumberFormatter::setNewFormatString()
{
    const QString separator = platform::Bundle::bundleNamed(QStringLiteral("NTXFoundationExtensions"))
                                  .localizedString(QStringLiteral("NTXMeasurementTextFieldSeparatorChar"),
                                                   QStringLiteral("NTXMeasurementTextField"), QStringLiteral(""));
    setFormat(fixedPointPattern(m_numberOfDigitsAfterPoint, separator + NTXLocalizedUnitShortName(m_showType)));
}

QString NTXMeasurementNumberFormatter::stringForObjectValue(const QVariant &value) const
{
    if (!value.isValid())
        return QString(QLatin1String(""));
    if (!isNumberOrText(value))
        return NumberFormatter::stringForObjectValue(value);
    const double number = value.metaType().id() == QMetaType::QString ? leadingNumber(value.toString())
                                                                       : value.toDouble();
    return NumberFormatter::stringForObjectValue(double(NTXConvertUnit(NTXPointUnit, m_showType, float(number))));
}

bool NTXMeasurementNumberFormatter::getObjectValue(QVariant &value, const QString &text, QString *error) const
{
    if (text.isEmpty()) {
        value = QVariant();
        return true;
    }
    auto refuse = [&] {
        if (error)
            *error = QStringLiteral("\"%1\" is not a length.").arg(text);
        return false;
    };
    if (namesNonFinite(text))
        return refuse();
    if (std::optional<double> shown = parse(text)) {
        const float points = NTXConvertUnit(m_showType, NTXPointUnit, float(*shown));
        if (!std::isfinite(points))
            return refuse(); // beyond what a length can hold
        value = double(points);
        return true;
    }
    int unit = m_showType;
    NTXUnitFromString(text, &unit);
    QString digits = text;
    digits.removeIf([](QChar c) { return c.isLetter(); });
    const double number = scanLocaleNumber(digits).value_or(leadingNumber(text));
    const float points = NTXConvertUnit(unit, NTXPointUnit, float(number));
    if (!std::isfinite(points))
        return refuse();
    value = double(points);
    return true;
}
