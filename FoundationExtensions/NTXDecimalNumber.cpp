#include "FoundationExtensions/NTXDecimalNumber.h"

#include "platform/foundation/Exception.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

using Mantissa = __int128;

Mantissa magnitude(Mantissa m)
{
    return m < 0 ? -m : m;
}

// The decimal digits of a magnitude, most significant first ("" for zero).
std::string digitsOf(Mantissa m)
{
    std::string digits;
    for (m = magnitude(m); m > 0; m /= 10)
        digits.insert(digits.begin(), char('0' + int(m % 10)));
    return digits;
}

// a + b and a - b (a not smaller than b) of two digit strings of the same length.
std::string addDigits(const std::string &a, const std::string &b)
{
    std::string sum(a.size(), '0');
    int carry = 0;
    for (size_t i = a.size(); i-- > 0;) {
        const int d = (a[i] - '0') + (b[i] - '0') + carry;
        sum[i] = char('0' + d % 10);
        carry = d / 10;
    }
    return carry ? '1' + sum : sum;
}

std::string subtractDigits(const std::string &a, const std::string &b)
{
    std::string difference(a.size(), '0');
    int borrow = 0;
    for (size_t i = a.size(); i-- > 0;) {
        int d = (a[i] - '0') - (b[i] - '0') - borrow;
        borrow = d < 0;
        difference[i] = char('0' + d + (borrow ? 10 : 0));
    }
    return difference;
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
{
    *this = rounded(mantissa < 0, digitsOf(mantissa), exponent);
}

NTXDecimalNumber NTXDecimalNumber::rounded(bool negative, std::string digits, qint64 exponent)
{
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    // The digits past the 38 kept, or below the smallest exponent, go in one step.
    const qint64 cut = std::max<qint64>(qint64(digits.size()) - MaximumDigits, MinimumExponent - exponent);
    if (cut > qint64(digits.size()))
        digits.clear(); // less than a tenth of the last place kept
    if (cut > 0 && !digits.empty()) {
        const size_t kept = digits.size() - size_t(cut);
        const char first = digits[kept];
        const bool more = digits.find_first_not_of('0', kept + 1) != std::string::npos;
        const bool odd = kept > 0 && (digits[kept - 1] - '0') % 2 != 0;
        digits.erase(kept);
        exponent += cut;
        if (first > '5' || (first == '5' && (more || odd))) {
            size_t i = digits.size();
            while (i > 0 && digits[i - 1] == '9')
                digits[--i] = '0';
            if (i == 0)
                digits.insert(digits.begin(), '1');
            else
                ++digits[i - 1];
        }
    }
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    NTXDecimalNumber number;
    if (digits.empty())
        return number;
    while (exponent > MaximumExponent) {
        if (digits.size() >= size_t(MaximumDigits))
            overflow();
        digits.push_back('0');
        --exponent;
    }
    for (const char d : digits)
        number.m_mantissa = number.m_mantissa * 10 + (d - '0');
    if (negative)
        number.m_mantissa = -number.m_mantissa;
    number.m_exponent = int(exponent);
    return number;
}

std::optional<NTXDecimalNumber> NTXDecimalNumber::fromString(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    std::string digits;
    qint64 exponent = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('.') && !point) {
            point = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        // Every digit counts: the number is rounded once, when it is all read.
        digits.push_back(char(c.unicode()));
        if (point)
            --exponent;
    }
    if (digits.empty())
        return std::nullopt;
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
            negativeExponent = text.at(i++) == QLatin1Char('-');
        qint64 written = 0;
        int exponentDigits = 0;
        for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
            ++exponentDigits;
            // Far past the range either way whatever the digits are.
            if (written < qint64(1) << 40)
                written = written * 10 + (text.at(i).unicode() - '0');
        }
        if (exponentDigits == 0)
            return std::nullopt;
        exponent += negativeExponent ? -written : written;
    }
    if (i != text.size())
        return std::nullopt;
    return rounded(negative, std::move(digits), exponent);
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
    // The exact sum at the smaller exponent (at most some 300 digits), rounded once.
    const int exponent = std::min(m_exponent, other.m_exponent);
    std::string a = digitsOf(m_mantissa) + std::string(size_t(m_exponent - exponent), '0');
    std::string b = digitsOf(other.m_mantissa) + std::string(size_t(other.m_exponent - exponent), '0');
    const size_t width = std::max(a.size(), b.size());
    a.insert(0, width - a.size(), '0');
    b.insert(0, width - b.size(), '0');
    const bool negativeA = m_mantissa < 0, negativeB = other.m_mantissa < 0;
    if (negativeA == negativeB)
        return rounded(negativeA, addDigits(a, b), exponent);
    // Digit strings of one length compare as the numbers do.
    if (a >= b)
        return rounded(negativeA, subtractDigits(a, b), exponent);
    return rounded(negativeB, subtractDigits(b, a), exponent);
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
