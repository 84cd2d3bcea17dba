#include "platform/archive/TypedStreamClass.h"

namespace platform {

QList<QByteArray> TypedStreamClass::chain() const
{
    QList<QByteArray> names;
    for (const TypedStreamClass *c = this; c; c = c->m_superclass)
        names.append(c->m_name);
    return names;
}

bool TypedStreamClass::isKindOf(QByteArrayView className) const
{
    return versionOf(className).has_value();
}

std::optional<qint64> TypedStreamClass::versionOf(QByteArrayView className) const
{
    for (const TypedStreamClass *c = this; c; c = c->m_superclass) {
        if (c->m_name == className)
            return c->m_version;
    }
    return std::nullopt;
}

} // namespace platform
