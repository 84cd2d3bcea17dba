#include "platform/TypedStreamArchive.h"

#include "platform/TypedStreamClass.h"
#include "platform/TypedStreamObject.h"

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
