#pragma once
// A published live-link server: the well-known bus name made from the application's
// bundle identifier and the server's name (LiveLinkServerConnectionName), held on a
// bus connection of the server's own, with the object "/LiveLinkServer" that answers
// "InitiateLink(o client, s sourceName, s sourceApplicationName, s itemKey) → o":
// the caller's unique name and object are the client's end, and the answer is the
// server's new end. The client's strings come with the call, so the server never
// calls a client that is waiting for it.
//
// Publishing a name that is taken answers false (never queued, never replacing).
// The table of published servers owns the servers published through
// publishServerWithName(); retractServerWithName() frees them. A server made
// directly belongs to its maker; destroying it retracts it.
// Finding another application's server blocks the calling thread (no event loop):
// the bus is asked every 50 ms for up to 10 s while a launched application starts.
// GUI thread only.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QUrl>

#include <optional>

class LiveLinkServerDelegate;

class LiveLinkServer : public QDBusVirtualObject
{
public:
    // Copies the name, keeps the delegate; no connection yet.
    LiveLinkServer(const QString &name, LiveLinkServerDelegate *delegate);
    ~LiveLinkServer() override;

    static LiveLinkServer *LiveLinkServerWithName(const QString &name);
    static bool publishServerWithName(const QString &name, LiveLinkServerDelegate *delegate);
    static void retractServerWithName(const QString &name);
    // The unique bus name of the application serving the server, or an empty string.
    // Launching allowed and the server not running: the application is looked for
    // (LiveLinkServerApplication) and started by appName; when it is not found, the
    // server-not-found alert is shown and none is answered at once.
    static QString LiveLinkServerWithName(const QString &serverName, const QString &bundleIdentifier,
                                          bool launchIfNeeded, const QUrl &fallbackURL, const QString &appName);
    // The connection of a server of this process whose unique name is given.
    static std::optional<QDBusConnection> connectionOfService(const QString &uniqueName);

    bool publish();
    void retract();
    bool isPublished() const { return m_published; }
    QString name() const { return m_name; }
    LiveLinkServerDelegate *delegate() const { return m_delegate; }

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QString m_name;
    LiveLinkServerDelegate *m_delegate;
    std::optional<QDBusConnection> m_connection;
    QString m_busName;
    bool m_published = false;
};
