#include "components/livelink/LiveLinkBus.h"

#include <QDBusMessage>
#include <QUuid>

namespace {

QString busAddress;
QString sharedConnectionName;

QDBusConnection connectNamed(const QString &name)
{
    if (busAddress.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return QDBusConnection::connectToBus(busAddress, name);
}

} // namespace

void LiveLinkBus::setAddress(const QString &address)
{
    if (!sharedConnectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(sharedConnectionName);
        sharedConnectionName.clear();
    }
    busAddress = address;
}

QDBusConnection LiveLinkBus::connection()
{
    if (sharedConnectionName.isEmpty()) {
        sharedConnectionName = QStringLiteral("livelink-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        return connectNamed(sharedConnectionName);
    }
    return QDBusConnection(sharedConnectionName);
}

QDBusConnection LiveLinkBus::openConnection()
{
    return connectNamed(QStringLiteral("livelink-server-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
}

void LiveLinkBus::closeConnection(const QDBusConnection &connection)
{
    QDBusConnection::disconnectFromBus(connection.name());
}

QDBusPendingCall LiveLinkBus::callBus(const QDBusConnection &connection, const QString &method,
                                      const QList<QVariant> &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("/org/freedesktop/DBus"),
                                                       QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(arguments);
    return connection.asyncCall(call, CallTimeoutMs);
}

bool LiveLinkBus::isAcceptableString(const QString &text)
{
    return text.size() <= MaxStringBytes && text.toUtf8().size() <= MaxStringBytes;
}
