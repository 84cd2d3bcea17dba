#pragma once
// One object read from a sequential archive: its class (with the class chain and
// versions) and the groups of values its class wrote, in stream order. A class
// decoder known to the reader may attach a decoded value of our own types.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include "platform/archive/TypedStreamValue.h"

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <QtGlobal>
#include <memory>
#include <optional>

namespace platform {

class TypedStreamClass;

class TypedStreamObject
{
public:
    explicit TypedStreamObject(const TypedStreamClass *cls) : m_classAndFlags(reinterpret_cast<quintptr>(cls)) {}

    const TypedStreamClass *objectClass() const
    {
        return reinterpret_cast<const TypedStreamClass *>(m_classAndFlags & ~FlagBits);
    }
    QByteArray className() const;
    bool isKindOf(QByteArrayView className) const;
    // The version the stream records for the named class of this object's chain.
    std::optional<qint64> classVersion(QByteArrayView className) const;

    // The groups as the archiver wrote them (made from the values when first asked).
    const QList<TypedStreamGroup> &groups() const;
    // Every value of every group, in stream order.
    QList<const TypedStreamValue *> values() const;
    qsizetype valueCount() const { return m_contents ? m_contents->values.size() : 0; }
    // The type string of the first group; empty when there is none.
    QByteArray firstGroupTypes() const;

    // Set once the object's end marker has been read. An object that refers back to
    // an enclosing object sees it incomplete.
    bool isComplete() const { return m_classAndFlags & Complete; }

    bool hasDecodedValue() const { return m_classAndFlags & HasDecoded; }
    const QVariant &decodedValue() const { return m_decoded; }
    void setDecodedValue(const QVariant &value)
    {
        m_decoded = value;
        m_classAndFlags |= HasDecoded;
    }

private:
    friend class TypedStreamReader;
    // An archive holds millions of objects: the two flags sit in the low bits of the
    // class's address (aligned to eight bytes), so that an object takes 48 bytes.
    static constexpr quintptr Complete = 1;
    static constexpr quintptr HasDecoded = 2;
    static constexpr quintptr FlagBits = 3;
    void setClass(const TypedStreamClass *cls)
    {
        m_classAndFlags = reinterpret_cast<quintptr>(cls) | (m_classAndFlags & FlagBits);
    }
    void setComplete() { m_classAndFlags |= Complete; }
    // Empties a record for another object.
    void clear()
    {
        m_classAndFlags = 0;
        m_contents.reset();
        m_decoded = QVariant();
    }

    // What the groups hold, kept flat: every value in stream order in one list, and the
    // type strings as runs of groups written alike (a list of a hundred thousand
    // objects is one "i" group, then one run of as many "@" groups), so that a group
    // takes no record of its own.
    struct Run
    {
        QByteArray types;
        qsizetype groups = 0;
        qsizetype valuesPerGroup = 0; // one for each type of the string
    };
    struct Contents
    {
        QList<TypedStreamValue> values;
        QList<Run> runs;
        mutable std::unique_ptr<QList<TypedStreamGroup>> groups; // made when asked
    };

    quintptr m_classAndFlags = 0;
    // None while the object holds no group (or gave its groups up for its value).
    std::unique_ptr<Contents> m_contents;
    QVariant m_decoded;
};

} // namespace platform
