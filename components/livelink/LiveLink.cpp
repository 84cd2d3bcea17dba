#include "components/livelink/LiveLink.h"

#include "components/livelink/LiveLinkApplication.h"
#include "components/livelink/LiveLinkBus.h"
#include "components/livelink/LiveLinkData.h"
#include "components/livelink/LiveLinkObjectTree.h"
#include "components/livelink/LiveLinkDelegate.h"
#include "components/livelink/LiveLinkPasteboard.h"
#include "components/livelink/LiveLinkServer.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QElapsedTimer>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QMimeData>
#include <QTimer>

#include <deque>
#include <utility>
#include <vector>

namespace {

using Contents = LiveLinkPasteboard::Contents;

QHash<QString, std::shared_ptr<LiveLink>> &activeLinks()
{
    // Never freed: links may close while the process ends.
    static auto *table = new QHash<QString, std::shared_ptr<LiveLink>>();
    return *table;
}

quint64 nextLinkNumber = 0;

const QString GenericException = QStringLiteral("NSGenericException");
const QString NotConnectedReason = QStringLiteral("tried to request edit from a live link not connect to a server.");
const QString ContentsSignature = QStringLiteral("sa{say}");

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<Contents>();
        return true;
    }();
    (void)registered;
}

QString describe(const QVariant &data)
{
    QString text;
    QDebug(&text).noquote().nospace() << data;
    constexpr qsizetype Longest = 1024;
    return text.size() > Longest ? text.left(Longest) + QStringLiteral("…") : text;
}

// The teardown's work left for later passes: links whose peer left and wait to be
// closed, and links given up and not yet freed. A peer that leaves may close hundreds
// of links and many peers may leave at once: each pass of the GUI thread does a slice
// of at most SliceNs and queues the rest, so the thread goes on serving input, timers
// and painting between slices. Never freed itself: the queued call that works on it
// may never run (the process ends first), and Qt then discards it while it holds its
// own event queue, which a link's watchers ask for as they go; so the queued call
// holds no link, and links of the last pass stay here.
struct Teardown
{
    std::deque<std::weak_ptr<LiveLink>> closing;
    std::deque<std::shared_ptr<LiveLink>> releasing;
    bool queued = false;
};

constexpr qint64 SliceNs = 5'000'000;

Teardown &teardown()
{
    static auto *work = new Teardown();
    return *work;
}

void tearDownSlice();

void queueTeardown()
{
    if (std::exchange(teardown().queued, true))
        return; // the pass that works on it is queued already
    QTimer::singleShot(0, platform::ExceptionBoundary::guarded(nullptr, "a timer", [] { tearDownSlice(); }));
}

void tearDownSlice()
{
    Teardown &work = teardown();
    work.queued = false;
    QElapsedTimer slice;
    slice.start();
    // Only links given up before this pass are freed in it: one given up now may be
    // closing inside its own bus handler or inside its watcher's signal.
    qsizetype releasable = qsizetype(work.releasing.size());
    while (releasable > 0 && slice.nsecsElapsed() < SliceNs) {
        // Taken out first: a link freed here may give up another one.
        const std::shared_ptr<LiveLink> released = std::move(work.releasing.front());
        work.releasing.pop_front();
        --releasable;
    }
    while (!work.closing.empty() && slice.nsecsElapsed() < SliceNs) {
        const std::shared_ptr<LiveLink> link = work.closing.front().lock();
        work.closing.pop_front();
        // One closed meanwhile (by another's delegate, or by its owner) is not told twice.
        if (link && link->isOpen())
            platform::ExceptionBoundary::guard(link.get(), "the peer's leaving", [&] { link->remoteCloseLink(); });
    }
    if (!work.closing.empty() || !work.releasing.empty())
        queueTeardown();
}

// Releases the last hold on a link in a later event-loop pass: the link may be
// closing inside its own bus handler or inside its watcher's signal.
void releaseLater(std::shared_ptr<LiveLink> self)
{
    if (!self)
        return;
    teardown().releasing.push_back(std::move(self));
    queueTeardown();
}

// Sent without waiting for an answer (the bus library marks it so).
void sendRemoteCloseTo(const QDBusConnection &connection, const QString &service, const QString &path)
{
    QDBusMessage close = QDBusMessage::createMethodCall(service, path, LiveLinkBus::LinkInterface,
                                                        QStringLiteral("RemoteCloseLink"));
    close.setAutoStartService(false);
    connection.send(close);
}

// The open links of one peer over one connection share one watcher of the peer's
// name: a peer that leaves closes all its links in one pass, and the bus thread is
// asked to add and remove the watch once per peer rather than once per link (each of
// those asks waits for that thread). A peer may have left before its watch was in
// place (a client that sends InitiateLink and goes at once: the bus told its leaving
// before anyone listened), so once the watch is there the bus daemon is asked whether
// the peer is still on the bus; the daemon answers a connection's calls in order, so
// a peer on the bus then is one whose leaving the watch will hear.
using PeerKey = QPair<QString, QString>; // connection name, peer's unique name

struct WatchedPeer
{
    QDBusServiceWatcher *watcher = nullptr;
    QSet<LiveLink *> links;
};

QHash<PeerKey, WatchedPeer> &watchedPeers()
{
    // Never freed, like the table of links.
    static auto *table = new QHash<PeerKey, WatchedPeer>();
    return *table;
}

void closeLinksOfPeer(const PeerKey &key, QDBusServiceWatcher *watcher)
{
    const auto it = watchedPeers().find(key);
    if (it == watchedPeers().end() || it->watcher != watcher)
        return; // its links closed meanwhile
    // Taken out first: each link's closing finds its peer unwatched already, and a
    // delegate that opens a link to the same peer meanwhile starts a watch of its own.
    const WatchedPeer peer = std::move(it.value());
    watchedPeers().erase(it);
    peer.watcher->deleteLater();
    for (LiveLink *link : peer.links)
        teardown().closing.push_back(link->sharedLink());
    queueTeardown();
}

void watchPeer(const QDBusConnection &connection, const QString &service, LiveLink *link)
{
    const PeerKey key{connection.name(), service};
    WatchedPeer &peer = watchedPeers()[key];
    peer.links.insert(link);
    if (peer.watcher)
        return;
    peer.watcher = new QDBusServiceWatcher(service, connection, QDBusServiceWatcher::WatchForUnregistration);
    QDBusServiceWatcher *watcher = peer.watcher;
    // Queued: the links close in a pass of their own, never inside the bus's signal.
    QObject::connect(watcher, &QDBusServiceWatcher::serviceUnregistered, watcher,
            platform::ExceptionBoundary::guarded(watcher, "serviceUnregistered",
                                                 [key, watcher] { closeLinksOfPeer(key, watcher); }),
                     Qt::QueuedConnection);
    // The watcher's match rule went to the daemon before this question (the watcher
    // is made once the bus thread has sent it). A peer already gone, or an answer
    // that does not say it is there, closes its links as its leaving would.
    auto *present = new QDBusPendingCallWatcher(
        LiveLinkBus::callBus(connection, QStringLiteral("NameHasOwner"), {service}), watcher);
    QObject::connect(present, &QDBusPendingCallWatcher::finished, watcher,
            platform::ExceptionBoundary::guarded(watcher, "the peer's presence", [key, watcher, present] {
                present->deleteLater();
                const QDBusMessage reply = present->reply();
                const bool there = reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("b")
                    && reply.arguments().constFirst().toBool();
                if (!there)
                    closeLinksOfPeer(key, watcher);
            }));
}

void unwatchPeer(const QDBusConnection &connection, const QString &service, LiveLink *link)
{
    const auto it = watchedPeers().find(PeerKey{connection.name(), service});
    if (it == watchedPeers().end() || !it->links.remove(link) || !it->links.isEmpty())
        return;
    it->watcher->deleteLater();
    watchedPeers().erase(it);
}

} // namespace

LiveLink::LiveLink(const QDBusConnection &connection, bool isServer, LiveLinkDelegate *delegate)
    : QDBusVirtualObject(nullptr)
    , m_connection(connection)
    , m_isServer(isServer)
{
    registerTypes();
    setDelegate(delegate);
}

LiveLink::~LiveLink()
{
    if (isOpen())
        sendRemoteClose();
    if (m_watchingPeer)
        unwatchPeer(m_connection, m_peerService, this);
    if (!m_path.isEmpty())
        LiveLinkObjectTree::remove(m_connection, m_path, this);
    // The client's pasteboard is its own; the server's end only held a copy of it.
    if (!m_isServer && !m_pasteboardName.isEmpty())
        LiveLinkPasteboard::release(m_pasteboardName);
}

LiveLinkDelegate *LiveLink::delegate() const
{
    return m_delegateLifetime.expired() ? nullptr : m_delegate;
}

void LiveLink::setDelegate(LiveLinkDelegate *delegate)
{
    m_delegate = delegate;
    m_delegateLifetime = delegate ? delegate->lifetime() : std::weak_ptr<const void>();
}

LiveLink *LiveLink::activeLiveLinkForItemKey(const QString &itemKey)
{
    return activeLinks().value(itemKey).get();
}

void LiveLink::publishServerWithName(const QString &name, LiveLinkServerDelegate *delegate,
                                     std::function<void(bool published)> done)
{
    LiveLinkServer::publishServerWithName(name, delegate, std::move(done));
}

void LiveLink::retractServerWithName(const QString &name)
{
    LiveLinkServer::retractServerWithName(name);
}

LiveLink *LiveLink::editLiveLinkData(const QVariant &value, const QString &sourceName, LiveLinkDelegate *delegate,
                                     const QString &itemKey)
{
    // Bytes (as pasted or dropped) are read through the bounded reader first.
    QVariant data = value;
    if (value.typeId() == QMetaType::QByteArray) {
        const std::optional<QVariantMap> read = LiveLinkData::fromBytes(value.toByteArray());
        data = read ? QVariant(*read) : QVariant();
    }
    // An application serving its own item may hold the server's end under the key.
    std::shared_ptr<LiveLink> link = activeLinks().value(itemKey);
    if (link && link->m_isServer)
        link.reset();
    if (!link && !LiveLinkData::isWellFormed(data))
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("LiveLinkData is not of the correct format: %1").arg(describe(value)));
    const std::optional<QByteArray> bytes = LiveLinkData::toBytes(data.toMap());
    if (!bytes)
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("LiveLinkData is not of the correct format: %1").arg(describe(data)));
    if (!link) {
        const QVariantMap map = data.toMap();
        link = initClientWithSourceName(sourceName, delegate, itemKey);
        link->connectToServerWithName(map.value(LiveLinkData::ServerNameKey).toString(),
                                      map.value(LiveLinkData::BundleIdKey).toString(),
                                      LiveLinkData::liveLinkApplicationURL(map),
                                      LiveLinkData::liveLinkSourceApplicationName(map));
    }
    QMimeData *pasteboard = link->pasteboard();
    pasteboard->clear();
    pasteboard->setData(LiveLinkData::MimeType, *bytes);
    link->requestEdit();
    return link.get();
}

std::shared_ptr<LiveLink> LiveLink::initServerWithClient(const QDBusConnection &connection,
                                                         const QString &clientService, const QString &clientPath,
                                                         const QString &sourceName,
                                                         const QString &sourceApplicationName, const QString &itemKey,
                                                         LiveLinkDelegate *delegate)
{
    std::shared_ptr<LiveLink> link(new LiveLink(connection, true, delegate));
    if (!link->registerOn(connection))
        return nullptr;
    link->m_sourceName = sourceName;
    link->m_sourceApplicationName = sourceApplicationName;
    link->m_itemKey = itemKey;
    link->m_state = State::Open;
    link->takePeer(clientService, clientPath);
    return link;
}

std::shared_ptr<LiveLink> LiveLink::initClientWithSourceName(const QString &sourceName, LiveLinkDelegate *delegate,
                                                             const QString &itemKey)
{
    std::shared_ptr<LiveLink> link(new LiveLink(LiveLinkBus::connection(), false, delegate));
    link->m_sourceName = sourceName;
    link->m_sourceApplicationName = LiveLinkApplication::processName();
    link->m_pasteboardName = LiveLinkPasteboard::uniqueName();
    LiveLinkPasteboard::pasteboardWithName(link->m_pasteboardName);
    link->m_itemKey = itemKey;
    return link;
}

void LiveLink::connectToServerWithName(const QString &serverName, const QString &bundleIdentifier,
                                       const QUrl &fallbackURL, const QString &appName)
{
    if (m_isServer || m_state != State::Unconnected)
        return;
    m_state = State::Connecting;
    m_self = shared_from_this();
    activeLinks().insert(m_itemKey, m_self);
    const std::weak_ptr<LiveLink> weak = weak_from_this();
    LiveLinkServer::LiveLinkServerWithName(serverName, bundleIdentifier, true, fallbackURL, appName, this,
                                           [weak](const QString &server) {
                                               if (const std::shared_ptr<LiveLink> link = weak.lock())
                                                   link->serverFound(server);
                                           });
}

void LiveLink::serverFound(const QString &server)
{
    if (m_state != State::Connecting)
        return;
    if (server.isEmpty() || !registerOn(LiveLinkBus::connection())) {
        failToConnect();
        return;
    }
    QDBusMessage initiate = QDBusMessage::createMethodCall(server, LiveLinkBus::ServerPath,
                                                           LiveLinkBus::ServerInterface, QStringLiteral("InitiateLink"));
    initiate << QVariant::fromValue(QDBusObjectPath(m_path)) << m_sourceName << m_sourceApplicationName << m_itemKey;
    initiate.setAutoStartService(false);
    // Not the link's child: a link closed meanwhile still closes the end the server made.
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(initiate, LiveLinkBus::CallTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     platform::ExceptionBoundary::guarded(watcher, "the answer to the link's opening",
                       [watcher, weak = weak_from_this(), connection = m_connection, server] {
                         watcher->deleteLater();
                         const QDBusMessage reply = watcher->reply();
                         QString peerPath;
                         if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("o"))
                             peerPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
                         if (!peerPath.startsWith(LiveLinkBus::LinkPathPrefix))
                             peerPath.clear();
                         const std::shared_ptr<LiveLink> link = weak.lock();
                         if (link && link->m_state == State::Connecting) {
                             if (peerPath.isEmpty()) {
                                 qInfo("The live link of %s was not opened: %s", qUtf8Printable(link->m_itemKey),
                                       qUtf8Printable(reply.errorMessage()));
                                 link->failToConnect();
                             } else {
                                 link->m_state = State::Open;
                                 link->takePeer(server, peerPath);
                                 if (std::exchange(link->m_requestPending, false))
                                     link->sendContents(QStringLiteral("RequestEdit"));
                             }
                         } else if (!peerPath.isEmpty()) {
                             sendRemoteCloseTo(connection, server, peerPath);
                         }
                     }));
}

void LiveLink::failToConnect()
{
    const std::shared_ptr<LiveLink> keep = shared_from_this();
    m_state = State::Closed;
    m_requestPending = false;
    leaveTable();
    if (LiveLinkDelegate *told = delegate())
        told->liveLinkDidClose(this);
}

void LiveLink::requestEdit()
{
    if (m_state == State::Connecting) {
        m_requestPending = true;
        return;
    }
    if (!isOpen())
        throw platform::Exception(GenericException, NotConnectedReason);
    sendContents(QStringLiteral("RequestEdit"));
}

void LiveLink::sendEdit()
{
    if (!isOpen())
        throw platform::Exception(GenericException, NotConnectedReason);
    sendContents(QStringLiteral("RefreshEdit"));
}

void LiveLink::closeLink()
{
    if (m_state == State::Connecting) {
        m_state = State::Closed;
        m_requestPending = false;
        leaveTable();
        return;
    }
    if (!isOpen())
        return;
    sendRemoteClose();
    giveUpPeer();
}

void LiveLink::sendRemoteClose()
{
    sendRemoteCloseTo(m_connection, m_peerService, m_peerPath);
}

void LiveLink::remoteCloseLink()
{
    const std::shared_ptr<LiveLink> keep = shared_from_this();
    if (isOpen())
        giveUpPeer();
    if (LiveLinkDelegate *told = delegate())
        told->liveLinkDidClose(this);
}

QMimeData *LiveLink::pasteboard() const
{
    return m_pasteboardName.isEmpty() ? nullptr : LiveLinkPasteboard::pasteboardWithName(m_pasteboardName);
}

bool LiveLink::registerOn(const QDBusConnection &connection)
{
    if (!m_path.isEmpty())
        LiveLinkObjectTree::remove(m_connection, m_path, this);
    m_connection = connection;
    m_path = LiveLinkBus::LinkPathPrefix + QString::number(nextLinkNumber++);
    if (LiveLinkObjectTree::add(m_connection, m_path, this))
        return true;
    m_path.clear();
    return false;
}

void LiveLink::takePeer(const QString &service, const QString &path)
{
    m_peerService = service;
    m_peerPath = path;
    watchPeer(m_connection, service, this);
    m_watchingPeer = true;
    m_self = shared_from_this();
    // One application both client and server of an item: the client's link keeps the key.
    const std::shared_ptr<LiveLink> holder = activeLinks().value(m_itemKey);
    if (!m_isServer || !holder || holder->m_isServer)
        activeLinks().insert(m_itemKey, m_self);
}

void LiveLink::giveUpPeer()
{
    m_state = State::Closed;
    m_outgoing.clear();
    if (std::exchange(m_watchingPeer, false))
        unwatchPeer(m_connection, m_peerService, this);
    m_peerService.clear();
    m_peerPath.clear();
    leaveTable();
}

int LiveLink::openLinksWithPeer(const QDBusConnection &connection, const QString &service)
{
    const auto it = watchedPeers().constFind(PeerKey{connection.name(), service});
    return it == watchedPeers().cend() ? 0 : int(it->links.size());
}

void LiveLink::leaveTable()
{
    // Another link may hold the key (one application both client and server of an item).
    auto it = activeLinks().find(m_itemKey);
    if (it != activeLinks().end() && it->get() == this)
        activeLinks().erase(it);
    releaseLater(std::move(m_self));
}

void LiveLink::peerLost()
{
    if (isOpen())
        remoteCloseLink();
}

void LiveLink::sendContents(const QString &method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_peerService, m_peerPath, LiveLinkBus::LinkInterface, method);
    call << m_pasteboardName << QVariant::fromValue(LiveLinkPasteboard::contents(pasteboard()));
    call.setAutoStartService(false);
    m_outgoing.enqueue(call);
    sendOutgoing();
}

void LiveLink::sendOutgoing()
{
    // The bus bounds the calls awaiting an answer per connection: a link keeps a few
    // under way and the rest in order behind them.
    while (isOpen() && m_callsUnderway < MaxCallsUnderway && !m_outgoing.isEmpty()) {
        // The answer is watched, not waited for: the peer may be sending to us meanwhile.
        auto *watcher =
            new QDBusPendingCallWatcher(m_connection.asyncCall(m_outgoing.dequeue(), LiveLinkBus::CallTimeoutMs), this);
        ++m_callsUnderway;
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                platform::ExceptionBoundary::guarded(this, "the answer to a call", [this, watcher] {
                    watcher->deleteLater();
                    --m_callsUnderway;
                    // A link closed meanwhile has heard of it already (the closing came first).
                    if (!isOpen())
                        return;
                    if (watcher->isError()) {
                        qInfo("Closing the live link of %s: %s", qUtf8Printable(m_itemKey),
                              qUtf8Printable(watcher->error().message()));
                        peerLost();
                        return;
                    }
                    sendOutgoing();
                }));
    }
}

void LiveLink::receiveContents(const QString &name, const QMap<QString, QByteArray> &contents)
{
    if (name != m_pasteboardName) {
        if (!m_isServer && !m_pasteboardName.isEmpty())
            LiveLinkPasteboard::release(m_pasteboardName);
        m_pasteboardName = name;
    }
    LiveLinkPasteboard::replaceContents(name, contents);
}

// An entry from Qt (the bus asks for the interface): the text is made here, which may
// run out of memory; then the bus hears no interface.
QString LiveLink::introspect(const QString &) const
{
    return platform::ExceptionBoundary::guardOr(this, "introspect", QString(), [] {
        return QStringLiteral("<interface name=\"%1\">"
                              "<method name=\"RemoteCloseLink\"><annotation name=\"org.freedesktop.DBus.Method.NoReply\" value=\"true\"/></method>"
                              "<method name=\"RequestEdit\"><arg name=\"name\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"contents\" type=\"a{say}\" direction=\"in\"/></method>"
                              "<method name=\"RefreshEdit\"><arg name=\"name\" type=\"s\" direction=\"in\"/>"
                              "<arg name=\"contents\" type=\"a{say}\" direction=\"in\"/></method>"
                              "</interface>")
            .arg(LiveLinkBus::LinkInterface);
    });
}

bool LiveLink::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    // A call from the bus is an entry from Qt: what it raises stops here (the
    // caller then hears an error from the bus).
    return platform::ExceptionBoundary::guardOr(this, "a call from the bus", false, [&]() -> bool {
        const auto refuse = [&](const QString &error, const QString &text) {
            if (message.isReplyRequired())
                connection.send(message.createErrorReply(error, text));
            return true;
        };
        if (message.type() != QDBusMessage::MethodCallMessage
            || (!message.interface().isEmpty() && message.interface() != LiveLinkBus::LinkInterface))
            return false;
        const QString member = message.member();
        const bool isEdit = member == QLatin1String("RequestEdit") || member == QLatin1String("RefreshEdit");
        if (member != QLatin1String("RemoteCloseLink") && !isEdit)
            return false;
        if (!isOpen())
            return refuse(LiveLinkBus::ClosedError, QStringLiteral("The live link is closed."));
        if (message.service() != m_peerService)
            return refuse(LiveLinkBus::NotPeerError,
                          QStringLiteral("Only the other end of the live link may call it."));

        if (!isEdit) {
            if (!message.signature().isEmpty())
                return refuse(LiveLinkBus::InvalidArgumentsError,
                              QStringLiteral("RemoteCloseLink takes no arguments."));
            if (message.isReplyRequired())
                connection.send(message.createReply());
            remoteCloseLink();
            return true;
        }
        // RequestEdit arrives at the server's end, RefreshEdit at the client's.
        if ((member == QLatin1String("RequestEdit")) != m_isServer)
            return refuse(LiveLinkBus::InvalidArgumentsError, QStringLiteral("%1 goes the other way.").arg(member));
        if (message.signature() != ContentsSignature)
            return refuse(LiveLinkBus::InvalidArgumentsError, QStringLiteral("Expected the arguments (sa{say})."));
        const QString name = message.arguments().at(0).toString();
        const Contents contents = qdbus_cast<Contents>(message.arguments().at(1));
        const bool dataOk = !contents.contains(LiveLinkData::MimeType)
            || LiveLinkData::fromBytes(contents.value(LiveLinkData::MimeType)).has_value();
        if (name.isEmpty() || !LiveLinkBus::isAcceptableString(name) || !LiveLinkPasteboard::checkContents(contents)
            || !dataOk)
            return refuse(LiveLinkBus::InvalidArgumentsError,
                          QStringLiteral("The pasteboard name or contents were refused."));

        receiveContents(name, contents);
        connection.send(message.createReply());
        const std::weak_ptr<LiveLink> weak = weak_from_this();
        const bool request = m_isServer;
        QMetaObject::invokeMethod(
            this,
            platform::ExceptionBoundary::guarded(this, "the edit's delegate call", [weak, request] {
                // The delegate is looked up now: it may have gone since the call came.
                const std::shared_ptr<LiveLink> link = weak.lock();
                LiveLinkDelegate *told = link ? link->delegate() : nullptr;
                if (!told)
                    return;
                if (request)
                    told->liveLinkClientDidRequestEdit(link.get());
                else
                    told->liveLinkServerDidSendEdit(link.get());
            }),
            Qt::QueuedConnection);
        return true;
    });
}
