#include "FoundationExtensions/NTXLocaleDisplayNames.h"

#include <QLocale>
#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

namespace NTXLocaleDisplayNames {

namespace {

QByteArray displayLocale()
{
    return QLocale().name().toLatin1();
}

// The locale whose names are the codes themselves.
const char *const CodesOnly = "root";

// Runs an ICU display-name call into a buffer, growing it once when it is short;
// none on failure or for an empty name. The status is ICU's, warnings included.
template <class Call>
std::optional<QString> askName(Call call, const char *display, UErrorCode &status)
{
    std::vector<UChar> buffer(128);
    status = U_ZERO_ERROR;
    int32_t length = call(display, buffer.data(), int32_t(buffer.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        buffer.resize(size_t(length) + 1);
        status = U_ZERO_ERROR;
        length = call(display, buffer.data(), int32_t(buffer.size()), &status);
    }
    if (U_FAILURE(status) || length <= 0)
        return std::nullopt;
    return QString(reinterpret_cast<const QChar *>(buffer.data()), length);
}

// The name in the display locale, or none when ICU knew nothing but the codes. ICU
// warns of a default also when only the display locale lacked data of its own and
// it took its default's (the C locale does), so the warning alone says nothing: the
// name is compared with what ICU makes of the codes alone.
template <class Call>
std::optional<QString> displayName(Call call)
{
    const QByteArray display = displayLocale();
    UErrorCode status = U_ZERO_ERROR;
    std::optional<QString> name = askName(call, display.constData(), status);
    if (name && status == U_USING_DEFAULT_WARNING) {
        UErrorCode codesStatus = U_ZERO_ERROR;
        if (askName(call, CodesOnly, codesStatus) == name)
            return std::nullopt;
    }
    return name;
}

struct CollatorCloser
{
    void operator()(UCollator *collator) const { ucol_close(collator); }
};

} // namespace

QStringList isoCountryCodes()
{
    QStringList codes;
    for (const char *const *code = uloc_getISOCountries(); code && *code; ++code)
        codes.append(QString::fromLatin1(*code));
    return codes;
}

QStringList availableLocaleIdentifiers()
{
    QStringList identifiers;
    const int32_t count = uloc_countAvailable();
    for (int32_t i = 0; i < count; ++i)
        identifiers.append(QString::fromLatin1(uloc_getAvailable(i)));
    return identifiers;
}

std::optional<QString> countryName(const QString &countryCode)
{
    const QByteArray locale = QByteArray("_") + countryCode.toLatin1();
    return displayName([&](const char *display, UChar *buffer, int32_t capacity, UErrorCode *status) {
        return uloc_getDisplayCountry(locale.constData(), display, buffer, capacity, status);
    });
}

std::optional<QString> localeName(const QString &localeIdentifier)
{
    const QByteArray locale = localeIdentifier.toLatin1();
    return displayName([&](const char *display, UChar *buffer, int32_t capacity, UErrorCode *status) {
        return uloc_getDisplayName(locale.constData(), display, buffer, capacity, status);
    });
}

namespace {

using Collator = std::unique_ptr<UCollator, CollatorCloser>;

Collator openCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(displayLocale().constData(), &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setStrength(collator.get(), UCOL_SECONDARY);
    return collator;
}

int compareWith(const Collator &collator, const QString &a, const QString &b)
{
    if (!collator)
        return QString::compare(a, b, Qt::CaseInsensitive);
    const UCollationResult result =
        ucol_strcoll(collator.get(), reinterpret_cast<const UChar *>(a.utf16()), int32_t(a.size()),
                     reinterpret_cast<const UChar *>(b.utf16()), int32_t(b.size()));
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

} // namespace

int compareNames(const QString &a, const QString &b)
{
    return compareWith(openCollator(), a, b);
}

QList<qsizetype> sortedOrder(const QStringList &names)
{
    QList<qsizetype> order(names.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    const Collator collator = openCollator();
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return compareWith(collator, names.at(a), names.at(b)) < 0;
    });
    return order;
}

} // namespace NTXLocaleDisplayNames
