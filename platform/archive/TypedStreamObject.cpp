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
    if (!m_contents)
        return none;
    if (!m_contents->groups) {
        auto groups = std::make_unique<QList<TypedStreamGroup>>();
        qsizetype next = 0;
        for (const Run &run : m_contents->runs) {
            for (qsizetype g = 0; g < run.groups; ++g) {
                TypedStreamGroup group;
                group.types = run.types;
                group.values = m_contents->values.mid(next, run.valuesPerGroup);
                next += run.valuesPerGroup;
                groups->append(std::move(group));
            }
        }
        m_contents->groups = std::move(groups);
    }
    return *m_contents->groups;
}

QList<const TypedStreamValue *> TypedStreamObject::values() const
{
    QList<const TypedStreamValue *> all;
    if (!m_contents)
        return all;
    all.reserve(m_contents->values.size());
    for (const TypedStreamValue &v : m_contents->values)
        all.append(&v);
    return all;
}

QByteArray TypedStreamObject::firstGroupTypes() const
{
    return m_contents && !m_contents->runs.isEmpty() ? m_contents->runs.first().types : QByteArray();
}

} // namespace platform
