// The value rules of the file, shared by the node and store readers and writers:
// numbers read from their leading characters, floats written as printf's "%f", and
// texts made safe for XML 1.0.
#include "application/tree/DocumentFileFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

} // namespace

int DocumentFileFormat::intValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return int(-value);
    return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

float DocumentFileFormat::clampToFloat(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    constexpr double largest = double(std::numeric_limits<float>::max());
    if (value > largest)
        return std::numeric_limits<float>::max();
    if (value < -largest)
        return -std::numeric_limits<float>::max();
    return float(value);
}

float DocumentFileFormat::floatValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i].unicode()))
        ++i;
    auto isDigit = [&](qsizetype k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // The number is the digits with their point, and an exponent when it has digits.
    const qsizetype first = i;
    bool digits = false;
    while (isDigit(i)) {
        digits = true;
        ++i;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (isDigit(i)) {
            digits = true;
            ++i;
        }
    }
    if (!digits)
        return 0.0f;
    qsizetype last = i;
    bool exponent = false;
    bool negativeExponent = false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype k = i + 1;
        if (k < n && (text[k] == u'+' || text[k] == u'-')) {
            negativeExponent = text[k] == u'-';
            ++k;
        }
        if (isDigit(k)) {
            while (isDigit(k))
                ++k;
            last = k;
            exponent = true;
        }
    }
    // Its characters (all ASCII) as bytes, on the stack unless the number is long.
    const size_t length = size_t(last - first) + (negative ? 1 : 0);
    char shortNumber[64];
    std::string longNumber;
    char *number = shortNumber;
    if (length > sizeof shortNumber) {
        longNumber.resize(length);
        number = longNumber.data();
    }
    char *out = number;
    if (negative)
        *out++ = '-';
    for (qsizetype k = first; k < last; ++k)
        *out++ = char(text[k].unicode());
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number, number + length, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large saturates; too small is zero.
        const bool large = !exponent || !negativeExponent;
        if (!large)
            return negative ? -0.0f : 0.0f;
        return negative ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
    }
    if (ec != std::errc())
        return 0.0f;
    return clampToFloat(value);
}

QString DocumentFileFormat::formatFloat(float value)
{
    char buffer[128];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::fixed, 6);
    if (ec != std::errc()) { // cannot happen for a float: at most 47 characters
        const int n = std::snprintf(buffer, sizeof buffer, "%f", double(value));
        return QString::fromLatin1(buffer, std::clamp(n, 0, int(sizeof buffer) - 1));
    }
    return QString::fromLatin1(buffer, end - buffer);
}

namespace {

// Whether XML 1.0 cannot hold the unit at p: a control but tab, LF and CR, U+FFFE,
// U+FFFF, or a surrogate not in a pair.
bool isBad(const QChar *p, const QChar *begin, const QChar *end)
{
    const char16_t c = p->unicode();
    if (c < 0x20)
        return c != 0x09 && c != 0x0A && c != 0x0D;
    if (c == 0xFFFE || c == 0xFFFF)
        return true;
    if (QChar::isHighSurrogate(c))
        return p + 1 >= end || !QChar::isLowSurrogate(p[1].unicode());
    if (QChar::isLowSurrogate(c))
        return p == begin || !QChar::isHighSurrogate(p[-1].unicode());
    return false;
}

} // namespace

qsizetype DocumentFileFormat::unwritableAt(QStringView text)
{
    const QChar *begin = text.data();
    const QChar *end = begin + text.size();
    for (const QChar *p = begin; p < end; ++p)
        if (isBad(p, begin, end))
            return p - begin;
    return -1;
}

QString DocumentFileFormat::xmlSafeText(const QString &text)
{
    const QChar *begin = text.constData();
    const QChar *end = begin + text.size();
    const QChar *p = begin;
    while (p < end && !isBad(p, begin, end))
        ++p;
    if (p == end)
        return text;
    QString safe = text;
    for (qsizetype i = p - begin; i < text.size(); ++i)
        if (isBad(begin + i, begin, end))
            safe[i] = QChar(0xFFFD);
    return safe;
}

namespace {

// XML 1.0 (fifth edition), productions 4 and 4a.
bool isNameStartChar(char32_t c)
{
    return c == U':' || (c >= U'A' && c <= U'Z') || c == U'_' || (c >= U'a' && c <= U'z') || (c >= 0xC0 && c <= 0xD6)
        || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D)
        || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F)
        || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF)
        || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c)
{
    return isNameStartChar(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') || c == 0xB7
        || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

} // namespace

bool DocumentFileFormat::isXmlName(QStringView name)
{
    if (name.isEmpty())
        return false;
    bool first = true;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i].unicode(), name[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            return false; // a lone half of a pair is no character
        }
        if (!(first ? isNameStartChar(c) : isNameChar(c)))
            return false;
        first = false;
    }
    return true;
}
