#pragma once
// One class as a sequential archive ("typedstream") records it: its name, the
// version the writing process had for it, and its superclass, up to the root class.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

namespace platform {

class TypedStreamClass
{
public:
    TypedStreamClass(const QByteArray &name, qint64 version)
        : m_name(name), m_version(version) {}

    const QByteArray &name() const { return m_name; }
    qint64 version() const { return m_version; }
    const TypedStreamClass *superclass() const { return m_superclass; }

    // The names from this class up to the root class.
    QList<QByteArray> chain() const;
    // Whether this class or one of its superclasses has the name.
    bool isKindOf(QByteArrayView className) const;
    // The version recorded for the named class in this chain; nothing when the chain
    // holds no class of that name.
    std::optional<qint64> versionOf(QByteArrayView className) const;

private:
    friend class TypedStreamReader;
    QByteArray m_name;
    qint64 m_version = 0;
    const TypedStreamClass *m_superclass = nullptr;
    // Set once the superclass chain has been read; a class still being read cannot
    // be its own ancestor.
    bool m_complete = false;
};

} // namespace platform
