#pragma once
// Operations on arrays.
//
// How arrays look here:
// - An array of objects is a QList<T>. Heterogeneous arrays are QVariantList; arrays
//   of model objects are QList<Model*> or QList<std::shared_ptr<Model>>.
// - "Equal" is operator==. "Identical" (the very same object) compares addresses:
//   plain pointers, std::shared_ptr, and QVariants holding a pointer (a model object
//   from KeyValueObservable::fromObservable(), a QObject*). Values held by value
//   (strings, numbers) have no identity and are never identical to anything.
// - Nil is nullptr, an empty shared_ptr, an invalid QVariant or a null QString.
// - A "selector" is a callable applied to each element. Its nil answer is an invalid
//   QVariant; operations that build sets or dictionaries of answers take the answer
//   type explicitly and read nil as std::nullopt.
// - Key access on elements goes through NTXNSObject_Extension::valueForKey() (model
//   objects through their key tables).
// - Index sets are NTXNSIndexSet_Extension::IndexSet.
// Indexes given by callers are checked: out of range raises platform::Exception
// (RangeException).
#include "FoundationExtensions/NTXDecimalNumber.h"
#include "FoundationExtensions/NTXNSIndexSet_Extension.h"
#include "FoundationExtensions/NTXNSObject_Extension.h"
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/Range.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

namespace NTXNSArray_Extension {

namespace detail {

template <typename T> struct IsSharedPtr : std::false_type {};
template <typename T> struct IsSharedPtr<std::shared_ptr<T>> : std::true_type {};
template <typename T> struct IsOptional : std::false_type {};
template <typename T> struct IsOptional<std::optional<T>> : std::true_type {};
template <typename> inline constexpr bool AlwaysFalse = false;

// The address of a QVariant's object; null for values held by value.
const void *identityOfVariant(const QVariant &value);

template <typename T> const void *identity(const T &element)
{
    if constexpr (std::is_pointer_v<T>)
        return static_cast<const void *>(element);
    else if constexpr (IsSharedPtr<T>::value)
        return static_cast<const void *>(element.get());
    else if constexpr (std::is_same_v<T, QVariant>)
        return identityOfVariant(element);
    else
        static_assert(AlwaysFalse<T>, "identity needs pointer, shared_ptr or QVariant elements");
}

template <typename T> bool identical(const T &a, const T &b)
{
    const void *address = identity(a);
    return address && address == identity(b);
}

template <typename T> bool isNil(const T &element)
{
    if constexpr (std::is_pointer_v<T> || IsSharedPtr<T>::value)
        return !element;
    else if constexpr (std::is_same_v<T, QVariant>)
        return !element.isValid();
    else if constexpr (std::is_same_v<T, QString>)
        return element.isNull();
    else if constexpr (IsOptional<T>::value)
        return !element.has_value();
    else
        return false;
}

template <typename T> QVariant toVariant(const T &element)
{
    if constexpr (std::is_same_v<T, QVariant>) {
        return element;
    } else if constexpr (std::is_pointer_v<T>) {
        using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
        if constexpr (std::is_base_of_v<platform::KeyValueObservable, Pointee>)
            return platform::KeyValueObservable::fromObservable(const_cast<Pointee *>(element));
        else if constexpr (std::is_base_of_v<QObject, Pointee>)
            return QVariant::fromValue(static_cast<QObject *>(const_cast<Pointee *>(element)));
        else
            return QVariant::fromValue(element);
    } else if constexpr (IsSharedPtr<T>::value) {
        return toVariant(element.get());
    } else {
        return QVariant::fromValue(element);
    }
}

template <typename T> QString descriptionOf(const T &element)
{
    if constexpr (std::is_same_v<T, QString>)
        return element;
    else
        return NTXNSObject_Extension::description(toVariant(element));
}

template <typename T> QVariant valueForKeyOf(const T &element, const QString &key)
{
    return NTXNSObject_Extension::valueForKey(toVariant(element), key);
}

template <typename T> QVariant valueForKeyPathOf(const T &element, const QString &keyPath)
{
    return NTXNSObject_Extension::valueForKeyPath(toVariant(element), keyPath);
}

[[noreturn]] void throwRange(const QString &operation, qsizetype index, qsizetype count);

} // namespace detail

// ---- Filtering by key ----

// The elements whose value for the key equals the value, in order. A nil value
// matches nothing (not even elements whose value is nil).
template <typename T> QList<T> arrayFromArray(const QList<T> &array, const QString &key, const QVariant &value)
{
    QList<T> result;
    if (!value.isValid())
        return result;
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (value == detail::valueForKeyOf(array.at(i), key))
            result.append(array.at(i));
    }
    return result;
}

// The same with a key path.
template <typename T>
QList<T> arrayFromArrayForKeyPathMatching(const QList<T> &array, const QString &keyPath, const QVariant &value)
{
    QList<T> result;
    if (!value.isValid())
        return result;
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (value == detail::valueForKeyPathOf(array.at(i), keyPath))
            result.append(array.at(i));
    }
    return result;
}

// The elements whose value for the key path is not nil, in order.
template <typename T> QList<T> arrayFromArrayForKeyPath(const QList<T> &array, const QString &keyPath)
{
    QList<T> result;
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (detail::valueForKeyPathOf(array.at(i), keyPath).isValid())
            result.append(array.at(i));
    }
    return result;
}

// ---- Elements ----

// Element 0; nil (a value-initialised T) for an empty array.
template <typename T> T firstObject(const QList<T> &array)
{
    return array.isEmpty() ? T{} : array.constFirst();
}
template <typename T> T anyObject(const QList<T> &array)
{
    return firstObject(array);
}

// The index of the first element that is a string to which the given string's
// characters over the range compare the same, the whole element against them (with
// the search options: case-insensitive; without LiteralSearch, canonically
// equivalent forms are the same): "Jo" does not find "Johnny". The range is taken
// in the given string (no range: all of it); one beyond it raises RangeException.
// Range::NotFound when no element matches.
qsizetype indexOfString(const QVariantList &array, const QString &string,
                        NTXNSStringExtension::SearchOptions options = 0,
                        std::optional<platform::Range> range = std::nullopt);
qsizetype indexOfString(const QStringList &array, const QString &string,
                        NTXNSStringExtension::SearchOptions options = 0,
                        std::optional<platform::Range> range = std::nullopt);

template <typename T> bool containsObjectIdenticalTo(const QList<T> &array, const T &object)
{
    return std::any_of(array.cbegin(), array.cend(), [&](const T &e) { return detail::identical(e, object); });
}

// Same count and the very same objects at every index.
template <typename T> bool isIdenticalToArray(const QList<T> &array, const QList<T> &other)
{
    if (array.size() != other.size())
        return false;
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!detail::identical(array.at(i), other.at(i)))
            return false;
    }
    return true;
}

// Whether the objects occur in the array in the same order, not necessarily adjacent
// (by identity); an empty list of objects gives true.
template <typename T> bool containsObjectsInOrder(const QList<T> &array, const QList<T> &objects)
{
    qsizetype wanted = 0;
    for (qsizetype i = 0; i < array.size() && wanted < objects.size(); ++i) {
        if (array.size() - i < objects.size() - wanted)
            return false;
        if (detail::identical(array.at(i), objects.at(wanted)))
            ++wanted;
    }
    return wanted == objects.size();
}

// ---- Text ----

template <typename T> QString componentsJoinedByComma(const QList<T> &array)
{
    QStringList parts;
    for (const T &element : array)
        parts.append(detail::descriptionOf(element));
    return parts.join(QStringLiteral(", "));
}

// "" (empty, not null) / "a" / "a and b" / "a, b, and c".
template <typename T> QString componentsJoinedByCommaAndAnd(const QList<T> &array)
{
    switch (array.size()) {
    case 0:
        return QString(QLatin1String(""));
    case 1:
        return detail::descriptionOf(array.at(0));
    case 2:
        return QStringLiteral("%1 and %2").arg(detail::descriptionOf(array.at(0)), detail::descriptionOf(array.at(1)));
    default:
        break;
    }
    QStringList parts;
    for (qsizetype i = 0; i + 1 < array.size(); ++i)
        parts.append(detail::descriptionOf(array.at(i)));
    return parts.join(QStringLiteral(", ")) + QStringLiteral(", and ") + detail::descriptionOf(array.constLast());
}

// ---- Selectors ----

// Calls selector(element, first, second) on every element, in order.
template <typename T, typename F, typename A, typename B>
void makeObjectsPerformSelector(const QList<T> &array, F selector, const A &first, const B &second)
{
    const QList<T> elements = array; // the selector may change the caller's list
    for (const T &element : elements)
        selector(element, first, second);
}

// Calls selector(element, flag) on every element, in order.
template <typename T, typename F> void makeObjectsPerformSelector(const QList<T> &array, F selector, bool flag)
{
    const QList<T> elements = array;
    for (const T &element : elements)
        selector(element, flag);
}

// 0 plus every number the elements answer (asked from the last to the first), added
// as decimals: 0.1 + 0.2 is exactly 0.3. Answers that are nil or not numbers (see
// NTXDecimalNumber::fromVariant) are skipped.
template <typename T, typename F> NTXDecimalNumber decimalNumberSumForSelector(const QList<T> &array, F selector)
{
    NTXDecimalNumber sum;
    for (qsizetype i = array.size() - 1; i >= 0; --i) {
        if (const std::optional<NTXDecimalNumber> number = NTXDecimalNumber::fromVariant(selector(array.at(i))))
            sum += *number;
    }
    return sum;
}

// "0. answer", "1. answer", …
template <typename T, typename F> QStringList numberedArrayDescribedBySelector(const QList<T> &array, F selector)
{
    QStringList result;
    for (qsizetype i = 0; i < array.size(); ++i)
        result.append(QStringLiteral("%1. %2").arg(i).arg(NTXNSObject_Extension::description(selector(array.at(i)))));
    return result;
}

// The non-nil answers, in order.
template <typename T, typename F> QVariantList arrayByPerformingSelector(const QList<T> &array, F selector)
{
    QVariantList result;
    for (const T &element : array) {
        QVariant answer = selector(element);
        if (answer.isValid())
            result.append(std::move(answer));
    }
    return result;
}
template <typename T, typename F, typename O>
QVariantList arrayByPerformingSelector(const QList<T> &array, F selector, const O &object)
{
    return arrayByPerformingSelector(array, [&](const T &element) { return selector(element, object); });
}

// Each element under its (non-nil) answer; for equal answers the later element wins.
// The selector answers std::optional<K>.
template <typename K, typename T, typename F> QHash<K, T> indexBySelector(const QList<T> &array, F selector)
{
    QHash<K, T> result;
    for (const T &element : array) {
        const std::optional<K> key = selector(element);
        if (key)
            result.insert(*key, element);
    }
    return result;
}
template <typename K, typename T, typename F, typename O>
QHash<K, T> indexBySelector(const QList<T> &array, F selector, const O &object)
{
    return indexBySelector<K>(array, [&](const T &element) { return selector(element, object); });
}

// The distinct non-nil answers (the selector answers std::optional<K>).
template <typename K, typename T, typename F> QSet<K> setByPerformingSelector(const QList<T> &array, F selector)
{
    QSet<K> result;
    for (const T &element : array) {
        std::optional<K> answer = selector(element);
        if (answer)
            result.insert(std::move(*answer));
    }
    return result;
}

// ---- Copies ----

template <typename T> QList<T> reversedArray(const QList<T> &array)
{
    return QList<T>(array.crbegin(), array.crend());
}

template <typename T> QList<T> arrayByRemovingObject(const QList<T> &array, const T &object)
{
    QList<T> result = array;
    result.removeAll(object);
    return result;
}

template <typename T> QList<T> arrayByRemovingObjectIdenticalTo(const QList<T> &array, const T &object)
{
    QList<T> result = array;
    result.removeIf([&](const T &e) { return detail::identical(e, object); });
    return result;
}

// A copy that shares no storage with the receiver, nested arrays and maps included.
QVariantList deepMutableCopy(const QVariantList &array);

// A copy in which every element is replaced by the function's answer; where it
// answers nil the element is copied (a nested array with the same function).
using ReplacementFunction = std::function<QVariant(const QVariant &element, const QVariant &context)>;
QVariantList deepCopyWithReplacementFunction(const QVariantList &array, const ReplacementFunction &function,
                                             const QVariant &context = QVariant());

// ---- Classes ----

// The elements that are of the class U or a subclass (pointer or shared_ptr elements).
template <typename U, typename T> QList<T> arrayWithObjectsOfClass(const QList<T> &array)
{
    QList<T> result;
    for (const T &element : array) {
        if constexpr (std::is_pointer_v<T>) {
            if (dynamic_cast<const U *>(element))
                result.append(element);
        } else if constexpr (detail::IsSharedPtr<T>::value) {
            if (dynamic_cast<const U *>(element.get()))
                result.append(element);
        } else {
            static_assert(detail::AlwaysFalse<T>, "arrayWithObjectsOfClass needs pointer elements");
        }
    }
    return result;
}

// The QObjects that inherit the meta-object's class.
template <typename T> QList<T *> arrayWithObjectsOfClass(const QList<T *> &array, const QMetaObject *metaObject)
{
    static_assert(std::is_base_of_v<QObject, T>);
    QList<T *> result;
    if (!metaObject)
        return result;
    for (T *element : array) {
        if (element && element->metaObject()->inherits(metaObject))
            result.append(element);
    }
    return result;
}

// ---- Indexes ----

// The elements at the indexes, ascending; an index beyond the array raises.
template <typename T> QList<T> arrayFromIndexes(const QList<T> &array, const NTXNSIndexSet_Extension::IndexSet &indexes)
{
    QList<T> result;
    if (!indexes.empty() && (*indexes.begin() < 0 || *indexes.rbegin() >= array.size()))
        detail::throwRange(QStringLiteral("arrayFromIndexes"), *indexes.begin() < 0 ? *indexes.begin() : *indexes.rbegin(),
                           array.size());
    result.reserve(qsizetype(indexes.size()));
    for (const qsizetype index : indexes)
        result.append(array.at(index));
    return result;
}

// The index of the first identical occurrence of each object; absent objects are skipped.
template <typename T, typename Collection>
NTXNSIndexSet_Extension::IndexSet indexSetForObjects(const QList<T> &array, const Collection &objects)
{
    NTXNSIndexSet_Extension::IndexSet result;
    for (const auto &object : objects) {
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (detail::identical(array.at(i), static_cast<const T &>(object))) {
                result.insert(i);
                break;
            }
        }
    }
    return result;
}

// ---- Type identifiers ----
//
// Type identifiers are MIME type names. A type conforms to itself, to its aliases
// and to every type it inherits from (shared-mime-info). A few platform identifiers
// are understood too: "public.data" (every known type), "public.text" and
// "public.plain-text" (text/plain), "public.xml" (application/xml), "public.image"
// (every image/ type).
bool typeConformsTo(const QString &type, const QString &conformsTo);

// Whether some element is a string that conforms to the type (it is logged first).
bool UTIConformsTo(const QVariantList &array, const QString &type);
bool UTIConformsTo(const QStringList &array, const QString &type);
bool containsUTIConformsTo(const QVariantList &array, const QString &type);
bool containsUTIConformsTo(const QStringList &array, const QString &type);

} // namespace NTXNSArray_Extension
