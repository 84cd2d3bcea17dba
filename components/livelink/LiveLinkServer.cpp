#include "components/livelink/LiveLinkServer.h"

#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkApplication.h"
#include "components/livelink/LiveLinkBus.h"
#include "components/livelink/LiveLinkConnectionName.h"
#include "components/livelink/LiveLinkObjectTree.h"
#include "components/livelink/LiveLinkServerDelegate.h"
#include "components/livelink/LiveLinkServerLookup.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QHash>
#include <QPointer>
#include <QTimer>

namespace {

QHash<QString, LiveLinkServer *> &publishedServers()
{
    // Never freed: published servers stay until retracted.
    static auto *table = new QHash<QString, LiveLinkServer *>();
    return *table;
}

// Bus name → the release of it still waiting for the bus daemon's answer.
QHash<QString, QPointer<QDBusPendingCallWatcher>> &releasingNames()
{
    static auto *table = new QHash<QString, QPointer<QDBusPendingCallWatcher>>();
    return *table;
}

// RequestName flag: fail at once instead of waiting in the queue for the name.
constexpr uint DoNotQueue = 4;
constexpr uint PrimaryOwner = 1;

void callLater(std::vector<LiveLinkServer::PublishHandler> handlers, bool published)
{
    QTimer::singleShot(0, platform::ExceptionBoundary::guarded(nullptr, "a timer", [handlers = std::move(handlers), published] {
        for (const LiveLinkServer::PublishHandler &handler : handlers) {
            if (handler)
                platform::ExceptionBoundary::guard(nullptr, "a publishing's handler", [&] { handler(published); });
        }
    }));
}

// Gives the name back to the bus; the connection is closed once the daemon has
// answered (the server's open ends may still hold it, and go on with it).
void releaseName(const QDBusConnection &connection, const QString &busName)
{
    auto *watcher = new QDBusPendingCallWatcher(LiveLinkBus::callBus(connection, QStringLiteral("ReleaseName"), {busName}));
    releasingNames().insert(busName, watcher);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, platform::ExceptionBoundary::guarded(watcher, "finished", [watcher, connection, busName] {
        watcher->deleteLater();
        const auto it = releasingNames().constFind(busName);
        if (it != releasingNames().cend() && it.value() == watcher)
            releasingNames().erase(it);
        if (watcher->isError())
            qInfo("Releasing the live-link name %s: %s", qUtf8Printable(busName), qUtf8Printable(watcher->error().message()));
        LiveLinkBus::closeConnection(connection);
    }));
}

} // namespace

LiveLinkServer::LiveLinkServer(const QString &name, LiveLinkServerDelegate *delegate)
    : QDBusVirtualObject(nullptr)
    , m_name(name)
    , m_delegate(delegate)
    , m_delegateLifetime(delegate ? delegate->lifetime() : std::weak_ptr<const void>())
{
}

LiveLinkServer::~LiveLinkServer()
{
    if (m_connection || m_state != State::Unpublished)
        retract();
}

LiveLinkServerDelegate *LiveLinkServer::delegate() const
{
    return m_delegateLifetime.expired() ? nullptr : m_delegate;
}

LiveLinkServer *LiveLinkServer::LiveLinkServerWithName(const QString &name)
{
    return publishedServers().value(name);
}

void LiveLinkServer::publishServerWithName(const QString &name, LiveLinkServerDelegate *delegate, PublishHandler done)
{
    // The table holds it from now on; a server the bus refuses frees itself.
    auto *server = new LiveLinkServer(name, delegate);
    server->m_ownedByTable = true;
    server->publish(std::move(done));
}

void LiveLinkServer::retractServerWithName(const QString &name)
{
    LiveLinkServer *server = publishedServers().value(name);
    if (!server)
        return;
    server->retract();
    if (server->m_ownedByTable)
        delete server;
}

void LiveLinkServer::publish(PublishHandler done)
{
    if (m_state == State::Published) {
        callLater({std::move(done)}, true);
        return;
    }
    m_publishHandlers.push_back(std::move(done));
    if (m_state == State::Publishing)
        return;

    m_busName = LiveLinkServerConnectionName(LiveLinkApplication::bundleIdentifier(), m_name);
    const LiveLinkServer *sameName = publishedServers().value(m_name);
    std::optional<QDBusConnection> connection;
    if (LiveLinkConnectionName::isValidBusName(m_busName) && (!sameName || sameName == this)) {
        connection = LiveLinkBus::openConnection();
        if (!connection->isConnected()
            || !connection->registerVirtualObject(LiveLinkBus::ServerPath, this, QDBusConnection::SingleNode)) {
            LiveLinkBus::closeConnection(*connection);
            connection.reset();
        }
    }
    if (!connection) {
        std::vector<PublishHandler> handlers = std::move(m_publishHandlers);
        m_publishHandlers.clear();
        if (m_ownedByTable)
            deleteLater();
        callLater(std::move(handlers), false);
        return;
    }
    m_connection = connection;
    m_state = State::Publishing;
    ++m_generation;
    publishedServers().insert(m_name, this);
    // The name was given back a moment ago: ask for it once the bus has taken it back.
    const QPointer<QDBusPendingCallWatcher> releasing = releasingNames().value(m_busName);
    if (releasing) {
        const quint64 generation = m_generation;
        QObject::connect(releasing, &QDBusPendingCallWatcher::finished, this,
                platform::ExceptionBoundary::guarded(this, "the name given back", [this, generation] {
                    if (m_state == State::Publishing && m_generation == generation)
                        requestName();
                }));
        return;
    }
    requestName();
}

void LiveLinkServer::requestName()
{
    auto *watcher = new QDBusPendingCallWatcher(LiveLinkBus::callBus(
        *m_connection, QStringLiteral("RequestName"), {m_busName, QVariant::fromValue(DoNotQueue)}));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     platform::ExceptionBoundary::guarded(watcher, "the answer to the name's request",
                       [watcher, server = QPointer<LiveLinkServer>(this), generation = m_generation] {
                         watcher->deleteLater();
                         if (!server || server->m_state != State::Publishing || server->m_generation != generation)
                             return;
                         const QDBusMessage reply = watcher->reply();
                         server->finishPublishing(reply.type() == QDBusMessage::ReplyMessage
                                                  && !reply.arguments().isEmpty()
                                                  && reply.arguments().constFirst().toUInt() == PrimaryOwner);
                     }));
}

void LiveLinkServer::finishPublishing(bool published)
{
    if (published) {
        m_state = State::Published;
    } else {
        if (m_connection) {
            m_connection->unregisterObject(LiveLinkBus::ServerPath);
            LiveLinkBus::closeConnection(*m_connection);
            m_connection.reset();
        }
        m_state = State::Unpublished;
        auto it = publishedServers().find(m_name);
        if (it != publishedServers().end() && it.value() == this)
            publishedServers().erase(it);
    }
    // A handler may retract (and so free) this server: nothing of it is used after.
    const std::vector<PublishHandler> handlers = std::move(m_publishHandlers);
    m_publishHandlers.clear();
    if (!published && m_ownedByTable)
        deleteLater();
    for (const PublishHandler &handler : handlers) {
        if (handler)
            handler(published);
    }
}

void LiveLinkServer::retract()
{
    if (m_connection) {
        m_connection->unregisterObject(LiveLinkBus::ServerPath);
        // Also while the name is still being asked for: the daemon answers a
        // connection's calls in order, so the release comes after the request.
        releaseName(*m_connection, m_busName);
        m_connection.reset();
    }
    const bool wasPublishing = m_state == State::Publishing;
    m_state = State::Unpublished;
    auto it = publishedServers().find(m_name);
    if (it != publishedServers().end() && it.value() == this)
        publishedServers().erase(it);
    if (wasPublishing) {
        std::vector<PublishHandler> handlers = std::move(m_publishHandlers);
        m_publishHandlers.clear();
        callLater(std::move(handlers), false);
    }
}

void LiveLinkServer::LiveLinkServerWithName(const QString &serverName, const QString &bundleIdentifier,
                                            bool launchIfNeeded, const QUrl &fallbackURL, const QString &appName,
                                            QObject *context, LookupHandler found)
{
    LiveLinkServerLookup::start(LiveLinkServerConnectionName(bundleIdentifier, serverName), serverName,
                                bundleIdentifier, launchIfNeeded, fallbackURL, appName, context, std::move(found));
}

// An entry from Qt (the bus asks for the interface): the text is made here, which may
// run out of memory; then the bus hears no interface.
QString LiveLinkServer::introspect(const QString &) const
{
    return platform::ExceptionBoundary::guardOr(this, "introspect", QString(), [] {
        return QStringLiteral("<interface name=\"%1\"><method name=\"InitiateLink\">"
                              "<arg name=\"client\" type=\"o\" direction=\"in\"/>"
                              "<arg name=\"sourceName\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"sourceApplicationName\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"itemKey\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"link\" type=\"o\" direction=\"out\"/></method></interface>")
            .arg(LiveLinkBus::ServerInterface);
    });
}

bool LiveLinkServer::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    // A call from the bus is an entry from Qt: what it raises stops here (the
    // caller then hears an error from the bus).
    return platform::ExceptionBoundary::guardOr(this, "a call from the bus", false, [&]() -> bool {
        if (message.type() != QDBusMessage::MethodCallMessage || message.member() != QLatin1String("InitiateLink")
            || (!message.interface().isEmpty() && message.interface() != LiveLinkBus::ServerInterface))
            return false;
        const auto refuse = [&](const QString &text) {
            if (message.isReplyRequired())
                connection.send(message.createErrorReply(LiveLinkBus::InvalidArgumentsError, text));
            return true;
        };
        if (message.signature() != QLatin1String("osss"))
            return refuse(QStringLiteral("Expected the arguments (osss)."));
        const QList<QVariant> arguments = message.arguments();
        const QString clientPath = arguments.at(0).value<QDBusObjectPath>().path();
        const QString sourceName = arguments.at(1).toString();
        const QString sourceApplicationName = arguments.at(2).toString();
        const QString itemKey = arguments.at(3).toString();
        if (!clientPath.startsWith(LiveLinkBus::LinkPathPrefix) || itemKey.isEmpty()
            || !LiveLinkBus::isAcceptableString(sourceName) || !LiveLinkBus::isAcceptableString(sourceApplicationName)
            || !LiveLinkBus::isAcceptableString(itemKey))
            return refuse(QStringLiteral("The client's path, names or item key were refused."));
        const auto tooMany = [&](const QString &text) {
            if (message.isReplyRequired())
                connection.send(message.createErrorReply(LiveLinkBus::TooManyLinksError, text));
            return true;
        };
        if (LiveLink::openLinksWithPeer(connection, message.service()) >= MaxLinksPerClient)
            return tooMany(QStringLiteral("The client has %1 live links open with this server, the most it may have: "
                                          "close one before opening another.").arg(MaxLinksPerClient));
        // The server's connection holds its ends alone (those closed are gone a pass later).
        if (LiveLinkObjectTree::count(connection) >= MaxLinks)
            return tooMany(QStringLiteral("The server has %1 live links open, the most it may have: "
                                          "try again once others have closed.").arg(MaxLinks));
        const std::shared_ptr<LiveLink> link = LiveLink::initServerWithClient(
            connection, message.service(), clientPath, sourceName, sourceApplicationName, itemKey, delegate());
        if (!link)
            return refuse(QStringLiteral("The server could not open its end of the link."));
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(link->objectPath()))));
        return true;
    });
}
