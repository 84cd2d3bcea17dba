#include "platform/archive/TypedStreamArchive.h"

#include "platform/archive/TypedStreamClass.h"
#include "platform/archive/TypedStreamObject.h"

namespace platform {

TypedStreamArchive::TypedStreamArchive() = default;
TypedStreamArchive::~TypedStreamArchive() = default;

const TypedStreamObject *TypedStreamArchive::rootObject() const
{
    if (m_groups.isEmpty() || m_groups.first().values.isEmpty())
        return nullptr;
    return m_groups.first().values.first().objectPointer();
}

QSet<QByteArray> TypedStreamArchive::classNames() const
{
    QSet<QByteArray> names;
    for (const auto &c : m_classes)
        names.insert(c->name());
    return names;
}

} // namespace platform
