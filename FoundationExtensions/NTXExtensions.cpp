#include "FoundationExtensions/NTXExtensions.h"

namespace NTXExtensions {

bool hasMembersOfClass(const QSet<QObject *> &set, const QMetaObject *metaObject)
{
    if (!metaObject)
        return false;
    for (QObject *member : set) {
        if (member && member->metaObject()->inherits(metaObject))
            return true;
    }
    return false;
}

QList<QObject *> membersOfClass(const QSet<QObject *> &set, const QMetaObject *metaObject)
{
    QList<QObject *> result;
    if (!metaObject)
        return result;
    for (QObject *member : set) {
        if (member && member->metaObject()->inherits(metaObject))
            result.append(member);
    }
    return result;
}

} // namespace NTXExtensions
