#include "FoundationExtensions/NTXLanguageLocale.h"

#include "FoundationExtensions/NTXLocaleDisplayNames.h"

#include <memory>
#include <typeinfo>
#include <vector>

namespace {

// The list's objects, kept for the process.
std::vector<std::unique_ptr<NTXLanguageLocale>> &keptLocales()
{
    static std::vector<std::unique_ptr<NTXLanguageLocale>> kept;
    return kept;
}

} // namespace

NTXLanguageLocale::NTXLanguageLocale(const QString &localeIdentifier)
{
    setLocaleIdentifier(localeIdentifier);
}

const platform::KeyTable &NTXLanguageLocale::keyTable() const
{
    static const platform::KeyTable table{
        {QStringLiteral("localeIdentifier"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const NTXLanguageLocale &>(o).localeIdentifier()); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<NTXLanguageLocale &>(o).setLocaleIdentifier(v.toString()); }}},
        {QStringLiteral("displayName"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const NTXLanguageLocale &>(o).displayName()); }, {}}},
    };
    return table;
}

QList<NTXLanguageLocale *> NTXLanguageLocale::supportedLanguageLocales()
{
    std::vector<std::unique_ptr<NTXLanguageLocale>> &kept = keptLocales();
    static bool built = false;
    if (!built) {
        built = true;
        for (const QString &code : NTXLocaleDisplayNames::availableLocaleIdentifiers())
            if (NTXLocaleDisplayNames::localeName(code))
                kept.push_back(std::make_unique<NTXLanguageLocale>(code));
    }
    QList<NTXLanguageLocale *> list;
    list.reserve(qsizetype(kept.size()));
    for (const auto &locale : kept)
        list.append(locale.get());
    return list;
}

QList<NTXLanguageLocale *> NTXLanguageLocale::supportedLanguageLocalesSortedByDisplayName()
{
    const QList<NTXLanguageLocale *> list = supportedLanguageLocales();
    QStringList names;
    for (const NTXLanguageLocale *locale : list)
        names.append(locale->displayName());
    QList<NTXLanguageLocale *> sorted;
    for (const qsizetype index : NTXLocaleDisplayNames::sortedOrder(names))
        sorted.append(list.at(index));
    return sorted;
}

void NTXLanguageLocale::setLocaleIdentifier(const QString &identifier)
{
    // The name follows the identifier.
    willChangeValueForKey(QStringLiteral("localeIdentifier"));
    willChangeValueForKey(QStringLiteral("displayName"));
    m_localeIdentifier = identifier;
    didChangeValueForKey(QStringLiteral("displayName"));
    didChangeValueForKey(QStringLiteral("localeIdentifier"));
}

QString NTXLanguageLocale::displayName() const
{
    return NTXLocaleDisplayNames::localeName(m_localeIdentifier).value_or(QString());
}

bool NTXLanguageLocale::isEqual(const QVariant &other) const
{
    if (other.metaType() == QMetaType::fromType<QString>())
        return other.toString() == m_localeIdentifier;
    const KeyValueObservable *object = toObservable(other);
    if (!object || typeid(*object) != typeid(NTXLanguageLocale))
        return false;
    return static_cast<const NTXLanguageLocale *>(object)->m_localeIdentifier == m_localeIdentifier;
}

int NTXLanguageLocale::caseInsensitiveDisplayNameCompare(const NTXLanguageLocale &other) const
{
    return NTXLocaleDisplayNames::compareNames(displayName(), other.displayName());
}
