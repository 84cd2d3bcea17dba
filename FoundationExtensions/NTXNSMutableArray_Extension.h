#pragma once
// Operations that change arrays in place, and the key-value access arrays answer.
// Arrays are QList<T> as described in NTXNSArray_Extension.h.
#include "FoundationExtensions/NTXNSArray_Extension.h"

#include <QDebug>
#include <optional>
#include <utility>

namespace NTXNSMutableArray_Extension {

// Key-value access on an array, for a key k:
// - "allValues": the elements' descriptions joined with one blank;
// - "objectAtIndex<n>": element n, or an empty string when n is not less than the
//   count (a negative n counts as too large); n is read like C's atoi (leading
//   blanks, a sign, digits up to the first other character; none gives 0);
// - anything else: the list of each element's value for k.
QVariant valueForKey(const QVariantList &array, const QString &key);
template <typename T> QVariant valueForKey(const QList<T> &array, const QString &key)
{
    QVariantList values;
    values.reserve(array.size());
    for (const T &element : array)
        values.append(NTXNSArray_Extension::detail::toVariant(element));
    return valueForKey(values, key);
}
// The answer for "allValues" and "objectAtIndex<n>"; nothing for other keys.
std::optional<QVariant> valueForSpecialKey(const QVariantList &array, const QString &key);

// Adds the object at the end unless it is nil or an equal element is present.
template <typename T> void addObjectIfAbsent(QList<T> &array, const T &object)
{
    if (!NTXNSArray_Extension::detail::isNil(object) && !array.contains(object))
        array.append(object);
}

template <typename T> void addObjectsFromArrayIfAbsent(QList<T> &array, const QList<T> &objects)
{
    const QList<T> adding = objects; // the two may be the same list
    for (const T &object : adding)
        addObjectIfAbsent(array, object);
}

// Inserts the objects at the index, in their order; an index beyond the end raises.
template <typename T> void insertObjectsFromArray(QList<T> &array, const QList<T> &objects, qsizetype index)
{
    if (index < 0 || index > array.size())
        NTXNSArray_Extension::detail::throwRange(QStringLiteral("insertObjectsFromArray"), index, array.size() + 1);
    const QList<T> inserting = objects;
    array.insert(index, inserting.size(), T{});
    std::copy(inserting.cbegin(), inserting.cend(), array.begin() + index);
}

// Removes every occurrence of each very object of the list.
template <typename T> void removeIdenticalObjectsFromArray(QList<T> &array, const QList<T> &objects)
{
    const QList<T> removing = objects;
    array.removeIf([&](const T &element) {
        return std::any_of(removing.cbegin(), removing.cend(),
                           [&](const T &o) { return NTXNSArray_Extension::detail::identical(element, o); });
    });
}

// Adds every member of the set at the end, in the set's order.
template <typename T> void addObjectsFromSet(QList<T> &array, const QSet<T> &set)
{
    for (const T &member : set)
        array.append(member);
}

// Replaces the elements of the range by the selector's answers. A nil answer is
// logged ("Object at index <i> returned nil from <selector name>") and raises
// platform::Exception (InvalidArgumentException) with the array unchanged; a range
// beyond the array raises RangeException.
template <typename T, typename F>
void replaceObjectsInRange(QList<T> &array, platform::Range range, F selector, const QString &selectorName)
{
    if (!range.fitsIn(array.size()))
        NTXNSArray_Extension::detail::throwRange(QStringLiteral("replaceObjectsInRange"),
                                                 range.location < 0 || range.location > array.size() ? range.location
                                                                                                     : range.max(),
                                                 array.size());
    QList<T> answers;
    answers.reserve(range.length);
    for (qsizetype i = range.location; i < range.max(); ++i) {
        T answer = selector(array.at(i));
        if (NTXNSArray_Extension::detail::isNil(answer)) {
            qWarning().noquote() << QStringLiteral("Object at index %1 returned nil from %2").arg(i).arg(selectorName);
            throw platform::Exception(platform::Exception::InvalidArgumentException,
                                      QStringLiteral("replaceObjectsInRange: object at index %1 returned nil from %2")
                                          .arg(i)
                                          .arg(selectorName));
        }
        answers.append(std::move(answer));
    }
    for (qsizetype i = 0; i < answers.size(); ++i)
        array[range.location + i] = std::move(answers[i]);
}

// Reverses the array in place.
template <typename T> void reverse(QList<T> &array)
{
    for (qsizetype low = 0, high = array.size() - 1; low < high; ++low, --high)
        array.swapItemsAt(low, high);
}

} // namespace NTXNSMutableArray_Extension
