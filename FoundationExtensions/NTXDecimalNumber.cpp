#include "FoundationExtensions/NTXDecimalNumber.h"

#include "platform/foundation/Exception.h"

#include <charconv>
#include <cmath>

namespace {

using Mantissa = __int128;

constexpr Mantissa powerOfTen(int n)
{
    Mantissa result = 1;
    for (int i = 0; i < n; ++i)
        result *= 10;
    return result;
}

constexpr Mantissa Limit = powerOfTen(NTXDecimalNumber::MaximumDigits); // 10^38

Mantissa magnitude(Mantissa m)
{
    return m < 0 ? -m : m;
}

// m / 10, rounded half to even.
Mantissa divideByTenRounded(Mantissa m)
{
    Mantissa quotient = m / 10;
    const Mantissa remainder = magnitude(m % 10);
    const Mantissa step = m < 0 ? -1 : 1;
    if (remainder > 5 || (remainder == 5 && (quotient % 2) != 0))
        quotient += step;
    return quotient;
}

// m × 10 when it stays below 10^38.
bool multiplyByTen(Mantissa &m)
{
    if (magnitude(m) >= Limit / 10)
        return false;
    m *= 10;
    return true;
}

[[noreturn]] void overflow()
{
    throw platform::Exception(NTXDecimalNumber::OverflowException,
                              QStringLiteral("decimal number overflow"));
}

} // namespace

NTXDecimalNumber::NTXDecimalNumber(qint64 mantissa, int exponent)
    : NTXDecimalNumber(Mantissa(mantissa), exponent, true)
{
}

NTXDecimalNumber::NTXDecimalNumber(Mantissa mantissa, int exponent, bool)
    : m_mantissa(mantissa), m_exponent(exponent)
{
    normalize();
}

void NTXDecimalNumber::normalize()
{
    while (magnitude(m_mantissa) >= Limit) {
        m_mantissa = divideByTenRounded(m_mantissa);
        ++m_exponent;
    }
    if (m_mantissa == 0) {
        m_exponent = 0;
        return;
    }
    while (m_mantissa % 10 == 0) {
        m_mantissa /= 10;
        ++m_exponent;
    }
    while (m_exponent < MinimumExponent && m_mantissa != 0) {
        m_mantissa = divideByTenRounded(m_mantissa);
        ++m_exponent;
    }
    if (m_mantissa == 0) {
        m_exponent = 0;
        return;
    }
    while (m_exponent > MaximumExponent) {
        if (!multiplyByTen(m_mantissa))
            overflow();
        --m_exponent;
    }
}

std::optional<NTXDecimalNumber> NTXDecimalNumber::fromString(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    Mantissa mantissa = 0;
    int exponent = 0;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('.') && !point) {
            point = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        ++digits;
        if (magnitude(mantissa) < Limit / 10) {
            mantissa = mantissa * 10 + (c.unicode() - '0');
            if (point)
                --exponent;
        } else if (!point) {
            ++exponent; // digits beyond the precision: their place only
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
            negativeExponent = text.at(i++) == QLatin1Char('-');
        int written = 0;
        int exponentDigits = 0;
        for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
            ++exponentDigits;
            if (written < 100000)
                written = written * 10 + (text.at(i).unicode() - '0');
        }
        if (exponentDigits == 0)
            return std::nullopt;
        exponent += negativeExponent ? -written : written;
    }
    if (i != text.size())
        return std::nullopt;
    return NTXDecimalNumber(negative ? -mantissa : mantissa, exponent, true);
}

std::optional<NTXDecimalNumber> NTXDecimalNumber::fromVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return NTXDecimalNumber(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return NTXDecimalNumber(Mantissa(value.toULongLong()), 0, true);
    case QMetaType::Float:
    case QMetaType::Double: {
        // The shortest text that reads back as the same number of its own precision.
        char text[64];
        std::to_chars_result written;
        if (value.typeId() == QMetaType::Float) {
            const float number = value.toFloat();
            if (!std::isfinite(number))
                return std::nullopt;
            written = std::to_chars(text, text + sizeof text, number);
        } else {
            const double number = value.toDouble();
            if (!std::isfinite(number))
                return std::nullopt;
            written = std::to_chars(text, text + sizeof text, number);
        }
        if (written.ec != std::errc())
            return std::nullopt;
        return fromString(QString::fromLatin1(text, written.ptr - text));
    }
    case QMetaType::QString:
        return fromString(value.toString());
    default:
        if (value.metaType() == QMetaType::fromType<NTXDecimalNumber>())
            return value.value<NTXDecimalNumber>();
        return std::nullopt;
    }
}

NTXDecimalNumber NTXDecimalNumber::operator+(const NTXDecimalNumber &other) const
{
    if (other.m_mantissa == 0)
        return *this;
    if (m_mantissa == 0)
        return other;
    Mantissa a = m_mantissa, b = other.m_mantissa;
    int ea = m_exponent, eb = other.m_exponent;
    // Bring both to the smaller exponent as far as the precision allows; what lies
    // beyond it is rounded away from the number with the smaller exponent.
    while (ea > eb && multiplyByTen(a))
        --ea;
    while (eb > ea && multiplyByTen(b))
        --eb;
    while (ea < eb) {
        a = divideByTenRounded(a);
        ++ea;
    }
    while (eb < ea) {
        b = divideByTenRounded(b);
        ++eb;
    }
    return NTXDecimalNumber(a + b, ea, true); // |a + b| < 2·10^38 fits the mantissa type
}

QString NTXDecimalNumber::toString() const
{
    if (m_mantissa == 0)
        return QStringLiteral("0");
    QString digits;
    for (Mantissa m = magnitude(m_mantissa); m > 0; m /= 10)
        digits.prepend(QLatin1Char(char('0' + int(m % 10))));
    if (m_exponent >= 0) {
        digits.append(QString(m_exponent, QLatin1Char('0')));
    } else {
        const qsizetype fraction = -m_exponent;
        if (digits.size() <= fraction)
            digits.prepend(QString(fraction - digits.size() + 1, QLatin1Char('0')));
        digits.insert(digits.size() - fraction, QLatin1Char('.'));
    }
    return m_mantissa < 0 ? QLatin1Char('-') + digits : digits;
}

double NTXDecimalNumber::toDouble() const
{
    return toString().toDouble();
}
