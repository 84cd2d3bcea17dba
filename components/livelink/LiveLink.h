#pragma once
// One end of a live link: two applications joined over one item. The client (the
// application that holds the item) asks the server application (the one that made
// it) to edit the item; the server sends the edit back; either may close the link.
//
// Transport: the session bus. Each end is an object at "/LiveLink/<n>" of its
// process and knows its peer as (unique bus name, object path), so a restarted
// server application is never sent calls meant for the old one. The item travels
// by copy: "RequestEdit" and "RefreshEdit" (s name, a{say} contents) carry the
// link's pasteboard, which the receiver puts in place of its own pasteboard of that
// name before it answers and queues the delegate's call; "RemoteCloseLink" is sent
// without waiting. An end answers only its peer; others get an error.
//
// Nothing waits: every call across the bus is sent with its answer watched
// (QDBusPendingCallWatcher), so both applications go on serving each other's calls
// while theirs travel, and calls may cross. A link has at most eight edit calls
// under way (the bus limits the answers a connection may await); later ones wait
// their turn, in order, and every one is sent. A call unanswered after 10 s, or
// answered with an error, closes the link as "RemoteCloseLink" would. A client's
// link connects in the background: editLiveLinkData() answers it at once, while
// the server is found (and its application started, for up to 10 s) and the
// server's end is made; the edit request follows as soon as the link is open. A
// link that cannot be opened closes, and its delegate hears liveLinkDidClose().
//
// Ownership: a connecting or open link is held by the table of active links (item
// key → link) and by itself; closing gives up both (the memory goes in a later
// event-loop pass, so the link stays valid while the closing code runs; a link
// closed in the last pass before the process ends is left to it). The ends of a
// connection are entered in its LiveLinkObjectTree, so opening or freeing one costs
// the same however many are open. A peer that leaves the bus closes its links in
// later passes, a slice of a few milliseconds a pass, as are the links freed; so does
// one that was gone before its link was made (a client that leaves while its
// "InitiateLink" is under way: the bus daemon is asked once the watch of the peer is
// in place, so no link outlives its peer's leaving). Many
// clients leaving at once never hold the GUI thread for long. Pointers
// answered here are not owned by the caller; sharedLink() keeps a link beyond its
// closing.
//
// The delegate is not owned: a link whose delegate is destroyed acts as one without
// a delegate (a closing or an edit that arrives later is told to no one).
//
// Failures: editing data that is not live-link data raises "NSInvalidArgumentException";
// requestEdit()/sendEdit() on a link that is neither open nor connecting raise
// "NSGenericException". A peer that leaves the bus, and a call to it that fails,
// close the link as "RemoteCloseLink" would, without raising.
// GUI thread only: all ends and tables belong to it.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QQueue>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>

class LiveLinkDelegate;
class LiveLinkServerDelegate;
class QMimeData;

class LiveLink : public QDBusVirtualObject, public std::enable_shared_from_this<LiveLink>
{
public:
    ~LiveLink() override;

    static LiveLink *activeLiveLinkForItemKey(const QString &itemKey);
    // LiveLinkServer::publishServerWithName(): done(true) once the name is ours.
    static void publishServerWithName(const QString &name, LiveLinkServerDelegate *delegate,
                                      std::function<void(bool published)> done = {});
    static void retractServerWithName(const QString &name);
    // The client's link for the item: the one of the item key (open or connecting),
    // or a new one that connects to the data's server. Writes the data on the link's
    // pasteboard and requests the edit (sent once the link is open). A server that
    // cannot be reached closes the new link later (liveLinkDidClose). The data is a
    // live-link dictionary or its property-list bytes.
    static LiveLink *editLiveLinkData(const QVariant &data, const QString &sourceName, LiveLinkDelegate *delegate,
                                      const QString &itemKey);

    // The server's end for a client that called from clientService at clientPath,
    // open and in the table.
    static std::shared_ptr<LiveLink> initServerWithClient(const QDBusConnection &connection,
                                                          const QString &clientService, const QString &clientPath,
                                                          const QString &sourceName,
                                                          const QString &sourceApplicationName,
                                                          const QString &itemKey, LiveLinkDelegate *delegate);
    // A client's end, not yet connected, with a pasteboard of a unique name.
    static std::shared_ptr<LiveLink> initClientWithSourceName(const QString &sourceName, LiveLinkDelegate *delegate,
                                                              const QString &itemKey);

    // A new client's link starts connecting: it enters the table, finds the server
    // (launching its application if needed) and asks it for its end. Then it is
    // open and sends the edit request made meanwhile; or it closes and tells its
    // delegate. Nothing for a server's end or a link that has connected before.
    void connectToServerWithName(const QString &serverName, const QString &bundleIdentifier, const QUrl &fallbackURL,
                                 const QString &appName);
    // On a connecting link the request waits until the link is open.
    void requestEdit();
    void sendEdit();
    // The open links whose other end is the peer of that unique name over that
    // connection (a server counts a client's links with it).
    static int openLinksWithPeer(const QDBusConnection &connection, const QString &service);
    // Closes the link; a connecting link stops connecting (a server's end made for it
    // meanwhile is closed too). The own delegate is not told.
    void closeLink();
    // The other end closed the link.
    void remoteCloseLink();

    // The link's pasteboard (none on a server's end before its first edit request).
    QMimeData *pasteboard() const;
    QString pasteboardName() const { return m_pasteboardName; }
    QVariant representedObject() const { return m_representedObject; }
    void setRepresentedObject(const QVariant &object) { m_representedObject = object; }
    QString sourceName() const { return m_sourceName; }
    QString sourceApplicationName() const { return m_sourceApplicationName; }
    QString itemKey() const { return m_itemKey; }
    // None once the delegate is gone (LiveLinkDelegate::lifetime()).
    LiveLinkDelegate *delegate() const;
    void setDelegate(LiveLinkDelegate *delegate);
    bool isServer() const { return m_isServer; }
    bool isOpen() const { return m_state == State::Open; }
    bool isConnecting() const { return m_state == State::Connecting; }
    QString objectPath() const { return m_path; }
    std::shared_ptr<LiveLink> sharedLink() { return shared_from_this(); }

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    enum class State { Unconnected, Connecting, Open, Closed };
    static constexpr int MaxCallsUnderway = 8;

    LiveLink(const QDBusConnection &connection, bool isServer, LiveLinkDelegate *delegate);
    bool registerOn(const QDBusConnection &connection);
    void serverFound(const QString &server);
    void failToConnect();
    void takePeer(const QString &service, const QString &path);
    void giveUpPeer();
    void leaveTable();
    void sendRemoteClose();
    void peerLost();
    void sendContents(const QString &method);
    void sendOutgoing();
    void receiveContents(const QString &name, const QMap<QString, QByteArray> &contents);

    QDBusConnection m_connection;
    QString m_path;
    QString m_peerService;
    QString m_peerPath;
    bool m_watchingPeer = false; // counted among its peer's links (watchPeer)
    State m_state = State::Unconnected;
    bool m_requestPending = false; // asked for while connecting
    QQueue<QDBusMessage> m_outgoing; // edit calls not yet sent, in order
    int m_callsUnderway = 0;
    bool m_isServer = false;
    LiveLinkDelegate *m_delegate = nullptr;
    std::weak_ptr<const void> m_delegateLifetime;
    QString m_pasteboardName;
    QVariant m_representedObject;
    QString m_sourceName;
    QString m_sourceApplicationName;
    QString m_itemKey;
    std::shared_ptr<LiveLink> m_self; // while connecting or open
};
