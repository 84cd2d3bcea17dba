#include "FoundationExtensions/NTXCountryLocale.h"

#include "FoundationExtensions/NTXLocaleDisplayNames.h"

#include <memory>
#include <typeinfo>
#include <vector>

namespace {

// The list's objects, kept for the process.
std::vector<std::unique_ptr<NTXCountryLocale>> &keptLocales()
{
    static std::vector<std::unique_ptr<NTXCountryLocale>> kept;
    return kept;
}

bool admitted(const std::optional<QString> &name)
{
    if (!name)
        return false;
    for (const QChar c : *name)
        if (!c.isSpace() || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029))
            return true;
    return false;
}

} // namespace

NTXCountryLocale::NTXCountryLocale(const QString &localeIdentifier)
{
    setLocalIdentifier(localeIdentifier);
}

const platform::KeyTable &NTXCountryLocale::keyTable() const
{
    static const platform::KeyTable table{
        {QStringLiteral("localeIdentifier"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const NTXCountryLocale &>(o).localeIdentifier()); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<NTXCountryLocale &>(o).setLocalIdentifier(v.toString()); }}},
        {QStringLiteral("displayName"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const NTXCountryLocale &>(o).displayName()); }, {}}},
    };
    return table;
}

QList<NTXCountryLocale *> NTXCountryLocale::supportedCountryLocales()
{
    std::vector<std::unique_ptr<NTXCountryLocale>> &kept = keptLocales();
    static bool built = false;
    if (!built) {
        built = true;
        for (const QString &code : NTXLocaleDisplayNames::isoCountryCodes())
            if (admitted(NTXLocaleDisplayNames::countryName(code)))
                kept.push_back(std::make_unique<NTXCountryLocale>(code));
    }
    QList<NTXCountryLocale *> list;
    list.reserve(qsizetype(kept.size()));
    for (const auto &locale : kept)
        list.append(locale.get());
    return list;
}

QList<NTXCountryLocale *> NTXCountryLocale::supportedCountryLocalesSortedByDisplayName()
{
    const QList<NTXCountryLocale *> list = supportedCountryLocales();
    QStringList names;
    for (const NTXCountryLocale *locale : list)
        names.append(locale->displayName());
    QList<NTXCountryLocale *> sorted;
    for (const qsizetype index : NTXLocaleDisplayNames::sortedOrder(names))
        sorted.append(list.at(index));
    return sorted;
}

void NTXCountryLocale::setLocalIdentifier(const QString &identifier)
{
    // The name follows the identifier.
    willChangeValueForKey(QStringLiteral("localeIdentifier"));
    willChangeValueForKey(QStringLiteral("displayName"));
    m_localeIdentifier = identifier;
    didChangeValueForKey(QStringLiteral("displayName"));
    didChangeValueForKey(QStringLiteral("localeIdentifier"));
}

QString NTXCountryLocale::displayName() const
{
    return NTXLocaleDisplayNames::countryName(m_localeIdentifier).value_or(QString());
}

bool NTXCountryLocale::isEqual(const QVariant &other) const
{
    if (other.metaType() == QMetaType::fromType<QString>())
        return other.toString() == m_localeIdentifier;
    const KeyValueObservable *object = toObservable(other);
    if (!object || typeid(*object) != typeid(NTXCountryLocale))
        return false;
    return static_cast<const NTXCountryLocale *>(object)->m_localeIdentifier == m_localeIdentifier;
}

int NTXCountryLocale::caseInsensitiveDisplayNameCompare(const NTXCountryLocale &other) const
{
    return NTXLocaleDisplayNames::compareNames(displayName(), other.displayName());
}
