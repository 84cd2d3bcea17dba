#include "components/livelink/LiveLinkServer.h"

#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkApplication.h"
#include "components/livelink/LiveLinkBus.h"
#include "components/livelink/LiveLinkConnectionName.h"
#include "components/livelink/LiveLinkServerApplication.h"
#include "components/livelink/LiveLinkServerDelegate.h"
#include "components/livelink/LiveLinkUserInterface.h"
#include "platform/foundation/Clock.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QHash>
#include <QThread>

namespace {

QHash<QString, LiveLinkServer *> &publishedServers()
{
    // Never freed: published servers stay until retracted.
    static auto *table = new QHash<QString, LiveLinkServer *>();
    return *table;
}

constexpr double WaitForServerSeconds = 10.0;
constexpr int PollIntervalMs = 50;

// RequestName flag: fail at once instead of waiting in the queue for the name.
constexpr uint DoNotQueue = 4;
constexpr uint PrimaryOwner = 1;

} // namespace

LiveLinkServer::LiveLinkServer(const QString &name, LiveLinkServerDelegate *delegate)
    : QDBusVirtualObject(nullptr)
    , m_name(name)
    , m_delegate(delegate)
{
}

LiveLinkServer::~LiveLinkServer()
{
    if (m_connection)
        retract();
}

LiveLinkServer *LiveLinkServer::LiveLinkServerWithName(const QString &name)
{
    return publishedServers().value(name);
}

bool LiveLinkServer::publishServerWithName(const QString &name, LiveLinkServerDelegate *delegate)
{
    auto server = std::make_unique<LiveLinkServer>(name, delegate);
    if (!server->publish())
        return false;
    (void)server.release(); // the table holds it
    return true;
}

void LiveLinkServer::retractServerWithName(const QString &name)
{
    LiveLinkServer *server = publishedServers().value(name);
    if (!server)
        return;
    server->retract();
    delete server;
}

bool LiveLinkServer::publish()
{
    if (m_published)
        return true;
    m_busName = LiveLinkServerConnectionName(LiveLinkApplication::bundleIdentifier(), m_name);
    if (!LiveLinkConnectionName::isValidBusName(m_busName))
        return false;
    QDBusConnection connection = LiveLinkBus::openConnection();
    if (!connection.isConnected()) {
        LiveLinkBus::closeConnection(connection);
        return false;
    }
    const QDBusMessage reply =
        LiveLinkBus::callBus(connection, QStringLiteral("RequestName"), {m_busName, QVariant::fromValue(DoNotQueue)});
    const bool owner = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && reply.arguments().constFirst().toUInt() == PrimaryOwner;
    if (!owner || !connection.registerVirtualObject(LiveLinkBus::ServerPath, this, QDBusConnection::SingleNode)) {
        LiveLinkBus::closeConnection(connection);
        return false;
    }
    m_connection = connection;
    m_published = true;
    publishedServers().insert(m_name, this);
    return true;
}

void LiveLinkServer::retract()
{
    if (m_connection) {
        m_connection->unregisterObject(LiveLinkBus::ServerPath);
        LiveLinkBus::closeConnection(*m_connection);
        m_connection.reset();
    }
    m_published = false;
    auto it = publishedServers().find(m_name);
    if (it != publishedServers().end() && it.value() == this)
        publishedServers().erase(it);
}

QString LiveLinkServer::LiveLinkServerWithName(const QString &serverName, const QString &bundleIdentifier,
                                               bool launchIfNeeded, const QUrl &fallbackURL, const QString &appName)
{
    const QString busName = LiveLinkServerConnectionName(bundleIdentifier, serverName);
    if (LiveLinkBus::nameHasOwner(busName))
        return LiveLinkBus::nameOwner(busName);
    if (launchIfNeeded) {
        if (LiveLinkServerApplication::locate(bundleIdentifier, serverName).isEmpty()) {
            LiveLinkShowServerNotFoundAlert(appName, fallbackURL);
            return QString();
        }
        LiveLinkServerApplication::launch(appName);
    }
    // The clock bounds the wait; so does the number of attempts, should it stand still.
    const double start = platform::Clock::mediaTime();
    constexpr int MostAttempts = int(WaitForServerSeconds * 1000 / PollIntervalMs);
    for (int attempt = 0; attempt < MostAttempts; ++attempt) {
        if (LiveLinkBus::nameHasOwner(busName))
            return LiveLinkBus::nameOwner(busName);
        if (platform::Clock::mediaTime() - start >= WaitForServerSeconds)
            break;
        QThread::msleep(PollIntervalMs);
    }
    return QString();
}

std::optional<QDBusConnection> LiveLinkServer::connectionOfService(const QString &uniqueName)
{
    for (LiveLinkServer *server : std::as_const(publishedServers())) {
        if (server->m_connection && server->m_connection->baseService() == uniqueName)
            return server->m_connection;
    }
    return std::nullopt;
}

QString LiveLinkServer::introspect(const QString &) const
{
    return QStringLiteral("<interface name=\"%1\"><method name=\"InitiateLink\">"
                          "<arg name=\"client\" type=\"o\" direction=\"in\"/>"
                          "<arg name=\"sourceName\" type=\"s\" direction=\"in\"/>"
                          "<arg name=\"sourceApplicationName\" type=\"s\" direction=\"in\"/>"
                          "<arg name=\"itemKey\" type=\"s\" direction=\"in\"/>"
                          "<arg name=\"link\" type=\"o\" direction=\"out\"/></method></interface>")
        .arg(LiveLinkBus::ServerInterface);
}

bool LiveLinkServer::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
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
    const std::shared_ptr<LiveLink> link = LiveLink::initServerWithClient(
        connection, message.service(), clientPath, sourceName, sourceApplicationName, itemKey, m_delegate);
    if (!link)
        return refuse(QStringLiteral("The server could not open its end of the link."));
    connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(link->objectPath()))));
    return true;
}
