#include "platform/archive/TypedStreamObject.h"

#include "platform/archive/TypedStreamClass.h"

namespace platform {

// The flags sit in the class address's low bits.
static_assert(alignof(TypedStreamClass) >= 4);
static_assert(sizeof(void *) != 8 || sizeof(TypedStreamObject) == 48);

QByteArray TypedStreamObject::className() const
{
    const TypedStreamClass *cls = objectClass();
    return cls ? cls->name() : QByteArray();
}

bool TypedStreamObject::isKindOf(QByteArrayView className) const
{
    const TypedStreamClass *cls = objectClass();
    return cls && cls->isKindOf(className);
}

std::optional<qint64> TypedStreamObject::classVersion(QByteArrayView className) const
{
    const TypedStreamClass *cls = objectClass();
    if (!cls)
        return std::nullopt;
    return cls->versionOf(className);
}

const QList<TypedStreamGroup> &TypedStreamObject::groups() const
{
    static const QList<TypedStreamGroup> none;
    return m_groups ? *m_groups : none;
}

QList<const TypedStreamValue *> TypedStreamObject::values() const
{
    QList<const TypedStreamValue *> all;
    for (const TypedStreamGroup &g : groups()) {
        for (const TypedStreamValue &v : g.values)
            all.append(&v);
    }
    return all;
}

} // namespace platform
