#pragma once
// The whole content of a sequential archive as the reader found it: the header, the
// top-level groups of values, and every object and class the stream holds. The
// archive owns its objects and classes; values point at them.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include "platform/archive/TypedStreamObject.h"
#include "platform/archive/TypedStreamValue.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <deque>
#include <memory>
#include <vector>

namespace platform {

class TypedStreamClass;

class TypedStreamArchive
{
public:
    TypedStreamArchive();
    ~TypedStreamArchive();
    TypedStreamArchive(const TypedStreamArchive &) = delete;
    TypedStreamArchive &operator=(const TypedStreamArchive &) = delete;

    int streamerVersion() const { return m_streamerVersion; }
    // "typedstream" (written big-endian) or "streamtyped" (little-endian).
    const QByteArray &signature() const { return m_signature; }
    bool isLittleEndian() const { return m_littleEndian; }
    qint64 systemVersion() const { return m_systemVersion; }

    const QList<TypedStreamGroup> &groups() const { return m_groups; }
    // The object of the first value of the first group; none when the archive does
    // not begin with an object.
    const TypedStreamObject *rootObject() const;

    // The records of the objects. A reader that drops the groups of decoded objects
    // gives the records of those inside others back for later objects (a record given
    // back and not taken again has no class): values and references stand for them
    // by their decoded values, which the archive keeps.
    qsizetype objectCount() const { return qsizetype(m_objects.size()); }
    const TypedStreamObject *objectAt(qsizetype i) const { return &m_objects[size_t(i)]; }
    qsizetype classCount() const { return qsizetype(m_classes.size()); }
    const TypedStreamClass *classAt(qsizetype i) const { return m_classes[size_t(i)].get(); }
    // The names of every class the stream records (objects' classes and their
    // superclasses, and classes archived as values).
    QSet<QByteArray> classNames() const;

private:
    friend class TypedStreamReader;
    int m_streamerVersion = 0;
    QByteArray m_signature;
    bool m_littleEndian = false;
    qint64 m_systemVersion = 0;
    QList<TypedStreamGroup> m_groups;
    // In place, in blocks: an archive may hold millions, and values point at them.
    std::deque<TypedStreamObject> m_objects;
    std::vector<std::unique_ptr<TypedStreamClass>> m_classes;
    // The decoded values that values of decoded objects stand for (a reader dropping
    // decoded groups), in place as the read left them.
    std::deque<QVariant> m_decodedValues;
    std::deque<KeptText> m_decodedTexts; // those that are texts
};

} // namespace platform
