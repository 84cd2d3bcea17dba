#pragma once
// Operations on sets (QSet of pointers).
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QSet>
#include <type_traits>

namespace NTXExtensions {

// Whether any member is of the class U or a subclass.
template <typename U, typename T> bool hasMembersOfClass(const QSet<T *> &set)
{
    for (T *member : set) {
        if (dynamic_cast<const U *>(member))
            return true;
    }
    return false;
}

// The members of the class U or a subclass.
template <typename U, typename T> QList<T *> membersOfClass(const QSet<T *> &set)
{
    QList<T *> result;
    for (T *member : set) {
        if (dynamic_cast<const U *>(member))
            result.append(member);
    }
    return result;
}

// The same for QObjects, by meta-object.
bool hasMembersOfClass(const QSet<QObject *> &set, const QMetaObject *metaObject);
QList<QObject *> membersOfClass(const QSet<QObject *> &set, const QMetaObject *metaObject);

} // namespace NTXExtensions
