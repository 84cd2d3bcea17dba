#pragma once
// A published live-link server: the well-known bus name made from the application's
// bundle identifier and the server's name (LiveLinkServerConnectionName), held on a
// bus connection of the server's own, with the object "/LiveLinkServer" that answers
// "InitiateLink(o client, s sourceName, s sourceApplicationName, s itemKey) → o":
// the caller's unique name and object are the client's end, and the answer is the
// server's new end. The client's strings come with the call, so the server never
// calls a client that is waiting for it.
//
// Nothing here waits for the bus: publishing asks for the name and answers through
// its handler once the bus daemon has answered (a name that is taken answers false;
// never queued, never replacing); finding another application's server answers
// through its handler when the name's owner is known, watching the name
// (QDBusServiceWatcher) for up to 10 s while a launched application starts.
// Handlers are called in a later event-loop pass, never inside the call that was
// given them, and at most once.
//
// Retracting releases the name at once, whatever links are open: the server's
// ends keep the connection (and go on working) until they close, but the name is
// free to be published again, in this process or another. A publish that follows a
// retract of the same name in this process asks for it only after the bus daemon
// has answered the release.
//
// One client (a unique bus name) has at most MaxLinksPerClient links open with a
// server at once, and a server has at most MaxLinks open with all its clients (each
// connection to the bus is a client of its own: the second bound holds the server's
// memory whatever the number of connections); a further "InitiateLink" is refused
// with the error LiveLinkBus::TooManyLinksError and a text saying which bound it met,
// and opens nothing. A link lasts only while its client is on the bus: a client that
// leaves, also before its call is answered, closes its links (LiveLink).
//
// The table of published servers holds the servers being published and published;
// it owns those published through publishServerWithName(), which are freed when
// they are retracted with retractServerWithName() or when the bus refuses them. A
// server made directly belongs to its maker; destroying it retracts it.
// GUI thread only.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LiveLinkServerDelegate;

class LiveLinkServer : public QDBusVirtualObject
{
public:
    using PublishHandler = std::function<void(bool published)>;
    // Far more items than a person edits in another application at once.
    static constexpr int MaxLinksPerClient = 256;
    static constexpr int MaxLinks = 4 * MaxLinksPerClient;
    // The unique bus name of the application serving the server, empty for none.
    using LookupHandler = std::function<void(const QString &uniqueName)>;

    // Copies the name, keeps the delegate; no connection yet.
    LiveLinkServer(const QString &name, LiveLinkServerDelegate *delegate);
    ~LiveLinkServer() override;

    // The server of the name in this process (published or being published), or none.
    static LiveLinkServer *LiveLinkServerWithName(const QString &name);
    static void publishServerWithName(const QString &name, LiveLinkServerDelegate *delegate,
                                      PublishHandler done = {});
    static void retractServerWithName(const QString &name);
    // Finds the application serving the server. Launching allowed and the server not
    // running: the application is looked for (LiveLinkServerApplication) and started
    // by appName; when it is not found, the server-not-found alert is shown and none
    // is answered without waiting. Otherwise the answer is the name's owner as soon as
    // there is one, or none after 10 s. Nothing is answered once the context is gone.
    static void LiveLinkServerWithName(const QString &serverName, const QString &bundleIdentifier,
                                       bool launchIfNeeded, const QUrl &fallbackURL, const QString &appName,
                                       QObject *context, LookupHandler found);

    // Asks for the name; done(true) once this server owns it and is in the table,
    // done(false) when the name is not valid, this process has a server of that name,
    // the bus cannot be reached or refuses the name, or the server is retracted first.
    void publish(PublishHandler done = {});
    void retract();
    bool isPublished() const { return m_state == State::Published; }
    bool isPublishing() const { return m_state == State::Publishing; }
    QString name() const { return m_name; }
    // None once the delegate is gone (LiveLinkDelegate::lifetime()); the ends
    // opened then have no delegate.
    LiveLinkServerDelegate *delegate() const;

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    enum class State { Unpublished, Publishing, Published };

    void requestName();
    void finishPublishing(bool published);

    QString m_name;
    LiveLinkServerDelegate *m_delegate;
    std::weak_ptr<const void> m_delegateLifetime;
    std::optional<QDBusConnection> m_connection;
    QString m_busName;
    State m_state = State::Unpublished;
    bool m_ownedByTable = false;
    quint64 m_generation = 0; // one per publishing, so a late answer of an earlier one is ignored
    std::vector<PublishHandler> m_publishHandlers;
};
