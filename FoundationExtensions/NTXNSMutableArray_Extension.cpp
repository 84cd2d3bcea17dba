#include "FoundationExtensions/NTXNSMutableArray_Extension.h"

namespace NTXNSMutableArray_Extension {

namespace {

const QString AllValuesKey = QStringLiteral("allValues");
const QString ObjectAtIndexKey = QStringLiteral("objectAtIndex");

} // namespace

std::optional<QVariant> valueForSpecialKey(const QVariantList &array, const QString &key)
{
    if (key == AllValuesKey) {
        QStringList parts;
        parts.reserve(array.size());
        for (const QVariant &element : array)
            parts.append(NTXNSObject_Extension::description(element));
        return QVariant(parts.join(QLatin1Char(' ')));
    }
    if (key.startsWith(ObjectAtIndexKey)) {
        const qint64 index = NTXNSStringExtension::intValue(QStringView(key).mid(ObjectAtIndexKey.size()));
        if (index < 0 || index >= array.size())
            return QVariant(QString(QLatin1String("")));
        return array.at(qsizetype(index));
    }
    return std::nullopt;
}

QVariant valueForKey(const QVariantList &array, const QString &key)
{
    if (std::optional<QVariant> answer = valueForSpecialKey(array, key))
        return *answer;
    QVariantList values;
    values.reserve(array.size());
    for (const QVariant &element : array)
        values.append(NTXNSObject_Extension::valueForKey(element, key));
    return values;
}

} // namespace NTXNSMutableArray_Extension
