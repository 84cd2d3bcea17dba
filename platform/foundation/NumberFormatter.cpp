#include "platform/foundation/NumberFormatter.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <vector>
#include <unicode/unum.h>

namespace platform {

struct NumberFormatter::Icu
{
    UNumberFormat *format = nullptr;
    ~Icu()
    {
        if (format)
            unum_close(format);
    }
};

namespace {

const UChar *utf16(const QString &text) { return reinterpret_cast<const UChar *>(text.utf16()); }

UNumberFormat *openFormat(const QString &pattern, const QString &localeName, bool integersOnly)
{
    const QByteArray locale = (localeName.isEmpty() ? QLocale().name() : localeName).toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    UNumberFormat *format = unum_open(UNUM_PATTERN_DECIMAL, utf16(pattern), int32_t(pattern.size()),
                                      locale.constData(), nullptr, &status);
    if (U_FAILURE(status)) {
        if (format)
            unum_close(format);
        return nullptr;
    }
    unum_setAttribute(format, UNUM_GROUPING_USED, 0);
    unum_setAttribute(format, UNUM_PARSE_INT_ONLY, integersOnly ? 1 : 0);
    return format;
}

} // namespace

NumberFormatter::NumberFormatter() : m_icu(std::make_unique<Icu>()) { rebuild(); }

NumberFormatter::NumberFormatter(const NumberFormatter &other)
    : Formatter(other), m_format(other.m_format), m_localeName(other.m_localeName),
      m_minimum(other.m_minimum), m_maximum(other.m_maximum), m_integersOnly(other.m_integersOnly),
      m_icu(std::make_unique<Icu>())
{
    rebuild();
}

NumberFormatter &NumberFormatter::operator=(const NumberFormatter &other)
{
    if (this != &other) {
        m_format = other.m_format;
        m_localeName = other.m_localeName;
        m_minimum = other.m_minimum;
        m_maximum = other.m_maximum;
        m_integersOnly = other.m_integersOnly;
        rebuild();
    }
    return *this;
}

NumberFormatter::~NumberFormatter() = default;

std::unique_ptr<Formatter> NumberFormatter::clone() const { return std::make_unique<NumberFormatter>(*this); }

void NumberFormatter::rebuild()
{
    if (UNumberFormat *format = openFormat(m_format, m_localeName, m_integersOnly)) {
        if (m_icu->format)
            unum_close(m_icu->format);
        m_icu->format = format;
    }
}

bool NumberFormatter::setFormat(const QString &pattern)
{
    UNumberFormat *format = openFormat(pattern, m_localeName, m_integersOnly);
    if (!format)
        return false;
    if (m_icu->format)
        unum_close(m_icu->format);
    m_icu->format = format;
    m_format = pattern;
    return true;
}

void NumberFormatter::setParsesIntegersOnly(bool integersOnly)
{
    m_integersOnly = integersOnly;
    rebuild();
}

void NumberFormatter::setLocaleName(const QString &name)
{
    m_localeName = name;
    rebuild();
}

QString NumberFormatter::quotedLiteral(const QString &text)
{
    if (text.isEmpty())
        return QString();
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString NumberFormatter::fixedPointPattern(unsigned fractionDigits, const QString &literal)
{
    QString pattern = QStringLiteral("#0");
    if (fractionDigits > 0)
        pattern += QLatin1Char('.') + QString(qsizetype(std::min(fractionDigits, MaxFractionDigits)), QLatin1Char('0'));
    return pattern + quotedLiteral(literal);
}

QString NumberFormatter::stringForObjectValue(const QVariant &value) const
{
    if (!value.isValid() || !m_icu->format)
        return QString(QLatin1String(""));
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value.toString();
    // Large numbers in a pattern without exponent take hundreds of digits: a second
    // pass with the length ICU asked for.
    std::vector<UChar> buffer(256);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = unum_formatDouble(m_icu->format, number, buffer.data(), int32_t(buffer.size()), nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && length > 0) {
        buffer.resize(size_t(length) + 1);
        status = U_ZERO_ERROR;
        length = unum_formatDouble(m_icu->format, number, buffer.data(), int32_t(buffer.size()), nullptr, &status);
    }
    if (U_FAILURE(status) || length < 0 || size_t(length) > buffer.size())
        return QString(QLatin1String(""));
    return QString(reinterpret_cast<const QChar *>(buffer.data()), length);
}

std::optional<double> NumberFormatter::parse(const QString &text) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || !m_icu->format)
        return std::nullopt;
    auto attempt = [&](const UNumberFormat *format) -> std::optional<double> {
        UErrorCode status = U_ZERO_ERROR;
        int32_t position = 0;
        const double number = unum_parseDouble(format, utf16(trimmed), int32_t(trimmed.size()), &position, &status);
        if (U_FAILURE(status) || position != trimmed.size())
            return std::nullopt;
        return number;
    };
    std::optional<double> number = attempt(m_icu->format);
    if (!number) {
        // Leniently too, so that the number may come without the pattern's literal text.
        UErrorCode status = U_ZERO_ERROR;
        UNumberFormat *lenient = unum_clone(m_icu->format, &status);
        if (U_SUCCESS(status) && lenient) {
            unum_setAttribute(lenient, UNUM_LENIENT_PARSE, 1);
            number = attempt(lenient);
        }
        if (lenient)
            unum_close(lenient);
    }
    if (!number || !std::isfinite(*number))
        return std::nullopt;
    return number;
}

bool NumberFormatter::getObjectValue(QVariant &value, const QString &text, QString *error) const
{
    std::optional<double> number = parse(text);
    if (!number) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a number.").arg(text);
        return false;
    }
    if ((m_minimum && *number < *m_minimum) || (m_maximum && *number > *m_maximum)) {
        if (error)
            *error = QStringLiteral("%1 lies outside the allowed range.").arg(text);
        return false;
    }
    value = *number;
    return true;
}

} // namespace platform
