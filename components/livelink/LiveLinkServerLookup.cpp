#include "components/livelink/LiveLinkServerLookup.h"

#include "components/livelink/LiveLinkBus.h"
#include "components/livelink/LiveLinkServerApplication.h"
#include "components/livelink/LiveLinkUserInterface.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTimer>

LiveLinkServerLookup::LiveLinkServerLookup(QObject *context, Handler found)
    : m_found(std::move(found))
{
    if (context)
        QObject::connect(context, &QObject::destroyed, this, platform::ExceptionBoundary::guarded(this, "destroyed", [this] {
            m_finished = true;
            deleteLater();
        }));
}

void LiveLinkServerLookup::start(const QString &busName, const QString &serverName, const QString &bundleIdentifier,
                                 bool launchIfNeeded, const QUrl &fallbackURL, const QString &appName,
                                 QObject *context, Handler found)
{
    auto *lookup = new LiveLinkServerLookup(context, std::move(found));
    lookup->m_serverName = serverName;
    lookup->m_bundleIdentifier = bundleIdentifier;
    lookup->m_launchIfNeeded = launchIfNeeded;
    lookup->m_fallbackURL = fallbackURL;
    lookup->m_appName = appName;

    const QDBusConnection connection = LiveLinkBus::connection();
    if (!connection.isConnected()) {
        QTimer::singleShot(0, lookup,
                platform::ExceptionBoundary::guarded(lookup, "a lookup without a bus", [lookup] {
                    lookup->finish(QString());
                }));
        return;
    }
    // Watch first, then ask: the daemon answers in order, so a name taken between
    // the two is seen by one of them.
    lookup->m_watcher =
        new QDBusServiceWatcher(busName, connection, QDBusServiceWatcher::WatchForOwnerChange, lookup);
    QObject::connect(lookup->m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, lookup,
                     platform::ExceptionBoundary::guarded(lookup, "serviceOwnerChanged",
                                                          [lookup](const QString &, const QString &, const QString &newOwner) {
                         if (!newOwner.isEmpty())
                             lookup->finish(newOwner);
                     }));
    auto *owner = new QDBusPendingCallWatcher(LiveLinkBus::callBus(connection, QStringLiteral("GetNameOwner"), {busName}),
                                              lookup);
    QObject::connect(owner, &QDBusPendingCallWatcher::finished, lookup,
            platform::ExceptionBoundary::guarded(lookup, "the name's owner", [lookup, owner] {
                owner->deleteLater();
                const QDBusMessage reply = owner->reply();
                const QString uniqueName = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                    ? reply.arguments().constFirst().toString()
                    : QString();
                if (!uniqueName.isEmpty())
                    lookup->finish(uniqueName);
                else
                    lookup->ownerUnknown();
            }));
}

void LiveLinkServerLookup::ownerUnknown()
{
    if (m_finished)
        return;
    if (m_launchIfNeeded) {
        if (LiveLinkServerApplication::locate(m_bundleIdentifier, m_serverName).isEmpty()) {
            LiveLinkShowServerNotFoundAlert(m_appName, m_fallbackURL);
            finish(QString());
            return;
        }
        LiveLinkServerApplication::launch(m_appName);
    }
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    QObject::connect(m_deadline, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "the lookup's deadline", [this] { finish(QString()); }));
    m_deadline->start(WaitForServerMs);
}

void LiveLinkServerLookup::finish(const QString &uniqueName)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_deadline)
        m_deadline->stop();
    deleteLater();
    const Handler found = std::move(m_found);
    if (found)
        found(uniqueName);
}
