#include "platform/desktop/DesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QStringList>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcDesktopNotifier, "chronark.notifications")

namespace platform {

namespace {

// The server's default display time.
constexpr int DefaultExpireTimeout = -1;
// "normal" on the freedesktop urgency scale (0 low, 1 normal, 2 critical).
constexpr uchar NormalUrgency = 1;
// Longest title and body handed to the server; longer texts are cut.
constexpr qsizetype MaximumTextLength = 4096;

QString defaultApplicationName()
{
    QString name = QGuiApplication::applicationDisplayName();
    if (name.isEmpty())
        name = QCoreApplication::applicationName();
    return name;
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus), m_applicationName(defaultApplicationName())
{
}

DesktopNotifier::~DesktopNotifier() = default;

QString DesktopNotifier::applicationName() const
{
    return m_applicationName;
}

void DesktopNotifier::setApplicationName(const QString &name)
{
    m_applicationName = name;
}

void DesktopNotifier::post(const QString &title, const QString &body, const QString &kind)
{
    if (!m_bus.isConnected()) {
        const QString reason = QStringLiteral("no session bus: ") + m_bus.lastError().message();
        reportOnce(reason);
        Q_EMIT failed(reason);
        return;
    }

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       QString::fromLatin1(Interface), QStringLiteral("Notify"));
    QVariantMap hints;
    if (!kind.isEmpty())
        hints.insert(QStringLiteral("category"), kind);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(NormalUrgency));
    const QString desktopEntry = QGuiApplication::desktopFileName();
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);

    call << m_applicationName                 // app_name
         << uint(0)                           // replaces_id: a new notification
         << QString()                         // app_icon
         << title.left(MaximumTextLength)     // summary
         << body.left(MaximumTextLength)      // body
         << QStringList()                     // actions
         << hints                             // hints
         << DefaultExpireTimeout;             // expire_timeout

    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    ++m_pending;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::finished);
}

void DesktopNotifier::finished(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    --m_pending;
    const QDBusMessage reply = watcher->reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QString reason = reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
        reportOnce(reason);
        Q_EMIT failed(reason);
        return;
    }
    const QList<QVariant> arguments = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || arguments.size() != 1
        || arguments.first().metaType() != QMetaType::fromType<uint>()) {
        const QString reason = QStringLiteral("unexpected answer of signature \"") + reply.signature()
            + QStringLiteral("\"");
        reportOnce(reason);
        Q_EMIT failed(reason);
        return;
    }
    Q_EMIT posted(arguments.first().toUInt());
}

void DesktopNotifier::reportOnce(const QString &reason)
{
    if (m_reported)
        return;
    m_reported = true;
    qCInfo(lcDesktopNotifier).noquote() << "Desktop notifications are not shown:" << reason;
}

} // namespace platform
