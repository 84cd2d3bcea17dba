#include "platform/archive/TypedStreamObject.h"

#include "platform/archive/TypedStreamClass.h"

namespace platform {

QByteArray TypedStreamObject::className() const
{
    return m_class ? m_class->name() : QByteArray();
}

bool TypedStreamObject::isKindOf(QByteArrayView className) const
{
    return m_class && m_class->isKindOf(className);
}

std::optional<qint64> TypedStreamObject::classVersion(QByteArrayView className) const
{
    if (!m_class)
        return std::nullopt;
    return m_class->versionOf(className);
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
