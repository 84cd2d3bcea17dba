#include "FoundationExtensions/NTXNSMutableArray_Extension.h"

#include <limits>

namespace NTXNSMutableArray_Extension {

namespace {

const QString AllValuesKey = QStringLiteral("allValues");
const QString ObjectAtIndexKey = QStringLiteral("objectAtIndex");

// C's atoi with saturation: leading blanks, an optional sign, then digits.
qint64 leadingInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || (text.at(i) >= QLatin1Char('\t') && text.at(i) <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > std::numeric_limits<int>::max()) {
            value = qint64(std::numeric_limits<int>::max()) + 1;
            break;
        }
    }
    return negative ? -value : value;
}

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
        const qint64 index = leadingInteger(QStringView(key).mid(ObjectAtIndexKey.size()));
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
