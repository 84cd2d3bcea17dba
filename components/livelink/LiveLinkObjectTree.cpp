#include "components/livelink/LiveLinkObjectTree.h"

#include "components/livelink/LiveLinkBus.h"

#include <QDBusMessage>

#include <memory>

namespace {

// Connection name → its tree.
QHash<QString, LiveLinkObjectTree *> &trees()
{
    // Never freed: links may close while the process ends.
    static auto *table = new QHash<QString, LiveLinkObjectTree *>();
    return *table;
}

QString rootPath()
{
    return LiveLinkBus::LinkPathPrefix.chopped(1);
}

} // namespace

bool LiveLinkObjectTree::add(const QDBusConnection &connection, const QString &path, QDBusVirtualObject *link)
{
    if (!path.startsWith(LiveLinkBus::LinkPathPrefix) || path.size() == LiveLinkBus::LinkPathPrefix.size())
        return false;
    LiveLinkObjectTree *tree = trees().value(connection.name());
    if (!tree) {
        std::unique_ptr<LiveLinkObjectTree> made(new LiveLinkObjectTree);
        QDBusConnection registering = connection;
        if (!registering.registerVirtualObject(rootPath(), made.get(), QDBusConnection::SubPath))
            return false;
        tree = made.release();
        trees().insert(connection.name(), tree);
    }
    if (tree->m_links.contains(path))
        return false;
    tree->m_links.insert(path, link);
    return true;
}

void LiveLinkObjectTree::remove(const QDBusConnection &connection, const QString &path, const QDBusVirtualObject *link)
{
    const auto it = trees().find(connection.name());
    if (it == trees().end())
        return;
    LiveLinkObjectTree *tree = it.value();
    const auto entry = tree->m_links.find(path);
    if (entry == tree->m_links.end() || entry.value() != link)
        return;
    tree->m_links.erase(entry);
    if (!tree->m_links.isEmpty())
        return;
    trees().erase(it);
    QDBusConnection unregistering = connection;
    unregistering.unregisterObject(rootPath());
    delete tree;
}

qsizetype LiveLinkObjectTree::count(const QDBusConnection &connection)
{
    const LiveLinkObjectTree *tree = trees().value(connection.name());
    return tree ? tree->m_links.size() : 0;
}

QString LiveLinkObjectTree::introspect(const QString &path) const
{
    const QDBusVirtualObject *link = m_links.value(path);
    return link ? link->introspect(path) : QString();
}

bool LiveLinkObjectTree::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    QDBusVirtualObject *link = m_links.value(message.path());
    return link && link->handleMessage(message, connection);
}
