#pragma once
// One object read from a sequential archive: its class (with the class chain and
// versions) and the groups of values its class wrote, in stream order. A class
// decoder known to the reader may attach a decoded value of our own types.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include "platform/archive/TypedStreamValue.h"

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <memory>
#include <optional>

namespace platform {

class TypedStreamClass;

class TypedStreamObject
{
public:
    TypedStreamObject(const TypedStreamClass *cls, qsizetype tableIndex)
        : m_class(cls), m_tableIndex(qint32(tableIndex)) {}

    const TypedStreamClass *objectClass() const { return m_class; }
    QByteArray className() const;
    bool isKindOf(QByteArrayView className) const;
    // The version the stream records for the named class of this object's chain.
    std::optional<qint64> classVersion(QByteArrayView className) const;
    // Position in the stream's table of objects, classes and C strings.
    qsizetype tableIndex() const { return m_tableIndex; }

    const QList<TypedStreamGroup> &groups() const;
    // Every value of every group, in stream order.
    QList<const TypedStreamValue *> values() const;

    // Set once the object's end marker has been read. An object that refers back to
    // an enclosing object sees it incomplete.
    bool isComplete() const { return m_complete; }

    bool hasDecodedValue() const { return m_hasDecoded; }
    const QVariant &decodedValue() const { return m_decoded; }
    void setDecodedValue(const QVariant &value)
    {
        m_decoded = value;
        m_hasDecoded = true;
    }

private:
    friend class TypedStreamReader;
    const TypedStreamClass *m_class = nullptr;
    // None while the object holds no group (or gave its groups up for its value).
    std::unique_ptr<QList<TypedStreamGroup>> m_groups;
    QVariant m_decoded;
    // The table of a stream within the reader's bounds has fewer than 2^31 entries.
    qint32 m_tableIndex = 0;
    bool m_hasDecoded = false;
    bool m_complete = false;
};

} // namespace platform
