#pragma once
// The session bus as the live links use it: one shared connection for the client
// ends, one connection of its own per published server (calls to a server arrive
// on its connection, so each server of a process is told apart without a name in
// the call), the bus daemon's name queries, and the D-Bus names of the protocol.
//
// Nothing here waits for an answer: calls to the bus daemon answer a pending call
// that the caller watches (QDBusPendingCallWatcher). Opening a connection is Qt's
// own handshake with the daemon. Tests point the live links at a private bus with
// setAddress() before the first link or server exists.
// GUI thread only.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QList>
#include <QVariant>
#include <QString>

class LiveLinkBus
{
public:
    static inline const QString ServerInterface = QStringLiteral("org.chronark.LiveLinkServer");
    static inline const QString LinkInterface = QStringLiteral("org.chronark.LiveLink");
    static inline const QString ServerPath = QStringLiteral("/LiveLinkServer");
    static inline const QString LinkPathPrefix = QStringLiteral("/LiveLink/");
    static inline const QString NotPeerError = QStringLiteral("org.chronark.LiveLink.Error.NotPeer");
    static inline const QString InvalidArgumentsError = QStringLiteral("org.chronark.LiveLink.Error.InvalidArguments");
    static inline const QString ClosedError = QStringLiteral("org.chronark.LiveLink.Error.Closed");
    static inline const QString TooManyLinksError = QStringLiteral("org.chronark.LiveLink.Error.TooManyLinks");

    // Every call across the bus is given up when no answer came within this time.
    static constexpr int CallTimeoutMs = 10'000;
    static inline const QString NameHasNoOwnerError = QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner");
    // Longest string argument, in bytes of UTF-8.
    static constexpr qsizetype MaxStringBytes = 4096;

    // Tests: the address of the bus to use (empty: the session bus).
    static void setAddress(const QString &address);

    // The connection of the client ends.
    static QDBusConnection connection();
    // A new connection for a server; closeConnection() ends it.
    static QDBusConnection openConnection();
    static void closeConnection(const QDBusConnection &connection);

    // A call to the bus daemon itself over the connection; its answer comes later.
    static QDBusPendingCall callBus(const QDBusConnection &connection, const QString &method,
                                    const QList<QVariant> &arguments);

    static bool isAcceptableString(const QString &text);
};
