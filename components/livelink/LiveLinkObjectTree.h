#pragma once
// The links' objects of one bus connection: one object registered at "/LiveLink"
// (with its sub-paths) that hands each call to "/LiveLink/<n>" to the link entered
// under that path. Qt keeps the objects registered on a connection in sorted lists
// and tells its bus thread of each object that goes, so a link registered on its
// own would cost its connection a walk over all the others and a wait for that
// thread when it goes; entering a path here, or taking it out, costs the same
// whatever the number of links.
//
// Ownership: the trees are the process's own, one per connection name, made when a
// path is first entered on a connection and registered there; the last path taken
// out unregisters it and frees it. A tree holds its links by plain pointer: a link
// takes its path out before it is destroyed. Failure: enter() answers false when the
// path is taken or the connection refuses the object (the link then has no path).
// A call to a path with no link, and "/LiveLink" itself, are left to Qt, which
// answers the caller with an error.
// Not re-entrant: add() and remove() are never called from inside a link's
// handleMessage(). GUI thread only.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QString>

class LiveLinkObjectTree : public QDBusVirtualObject
{
public:
    // Enters the link under the path (a sub-path of LiveLinkBus::LinkPathPrefix) on the connection.
    static bool add(const QDBusConnection &connection, const QString &path, QDBusVirtualObject *link);
    // Takes the path out; nothing when it holds another link or none.
    static void remove(const QDBusConnection &connection, const QString &path, const QDBusVirtualObject *link);
    // The number of paths entered on the connection.
    static qsizetype count(const QDBusConnection &connection);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    LiveLinkObjectTree() = default;

    QHash<QString, QDBusVirtualObject *> m_links;
};
