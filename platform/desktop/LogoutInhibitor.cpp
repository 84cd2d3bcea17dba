#include "platform/desktop/LogoutInhibitor.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QLoggingCategory>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcLogoutInhibitor, "chronark.logout")

namespace platform {

LogoutInhibitor::LogoutInhibitor(QObject *parent) : LogoutInhibitor(QDBusConnection::sessionBus(), parent) {}

LogoutInhibitor::LogoutInhibitor(const QDBusConnection &bus, QObject *parent) : QObject(parent), m_bus(bus) {}

LogoutInhibitor::~LogoutInhibitor()
{
    m_wanted = false;
    closeHandle();
}

void LogoutInhibitor::setHeld(bool held, const QString &reason)
{
    if (!reason.isEmpty())
        m_reason = reason;
    if (held == m_wanted)
        return;
    m_wanted = held;
    act();
}

void LogoutInhibitor::act()
{
    // One call at a time: its answer acts on the wish as it is then.
    if (m_pending)
        return;
    if (!m_wanted) {
        closeHandle();
        return;
    }
    if (isHeld())
        return;
    if (!m_bus.isConnected()) {
        if (!m_reported)
            qCInfo(lcLogoutInhibitor) << "Logout is not held: no session bus";
        m_reported = true;
        Q_EMIT failed(QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       QString::fromLatin1(Interface), QStringLiteral("Inhibit"));
    QVariantMap options;
    options.insert(QStringLiteral("reason"), m_reason);
    // No parent window: the hold is the application's.
    call << QString() << LogoutFlag << options;
    m_pending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            ExceptionBoundary::guarded(this, "the portal's answer", &LogoutInhibitor::inhibitReplied));
}

void LogoutInhibitor::inhibitReplied(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_pending = false;
    const QDBusMessage reply = watcher->reply();
    const QList<QVariant> arguments = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || arguments.size() != 1
        || arguments.first().metaType() != QMetaType::fromType<QDBusObjectPath>()
        || arguments.first().value<QDBusObjectPath>().path().isEmpty()) {
        const QString reason = reply.type() == QDBusMessage::ReplyMessage
                                   ? QStringLiteral("unexpected answer of signature \"%1\"").arg(reply.signature())
                                   : reply.errorName() + QLatin1Char(' ') + reply.errorMessage();
        if (!m_reported)
            qCInfo(lcLogoutInhibitor).noquote() << "Logout is not held:" << reason;
        m_reported = true;
        // Nothing is held; the next wish to hold, after one to let go, asks again.
        Q_EMIT failed(reason);
        return;
    }
    m_handle = arguments.first().value<QDBusObjectPath>();
    Q_EMIT heldChanged(true);
    // Let go meanwhile: the hold goes at once.
    if (!m_wanted)
        closeHandle();
}

void LogoutInhibitor::closeHandle()
{
    if (!isHeld())
        return;
    const QDBusMessage close = QDBusMessage::createMethodCall(QString::fromLatin1(Service), m_handle.path(),
                                                              QString::fromLatin1(RequestInterface),
                                                              QStringLiteral("Close"));
    m_bus.send(close);
    m_handle = QDBusObjectPath();
    Q_EMIT heldChanged(false);
}

} // namespace platform
