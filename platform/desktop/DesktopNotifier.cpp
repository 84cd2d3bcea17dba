#include "platform/desktop/DesktopNotifier.h"

#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QStringList>
#include <QVariantMap>
#include <utility>

Q_LOGGING_CATEGORY(lcDesktopNotifier, "chronark.notifications")

namespace platform {

namespace {

// The server's default display time.
constexpr int DefaultExpireTimeout = -1;
// "normal" on the freedesktop urgency scale (0 low, 1 normal, 2 critical).
constexpr uchar NormalUrgency = 1;
// Longest body handed to the server; a longer one is cut with an ellipsis. The
// title stands on one line and is cut as every one-line text is (DisplayText).
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
    ++m_pending;
    const Post post{DisplayText::shownOnOneLine(title), DisplayText::cut(body, MaximumTextLength), kind};
    switch (m_bodyMarkup) {
    case BodyMarkup::Unknown:
        m_waiting.append(post);
        askCapabilities();
        break;
    case BodyMarkup::Asking:
        m_waiting.append(post);
        break;
    case BodyMarkup::No:
    case BodyMarkup::Yes:
        send(post);
        break;
    }
}

void DesktopNotifier::askCapabilities()
{
    m_bodyMarkup = BodyMarkup::Asking;
    const QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                             QString::fromLatin1(Interface),
                                                             QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        platform::ExceptionBoundary::guarded(this, "capabilitiesAnswered", &DesktopNotifier::capabilitiesAnswered));
}

void DesktopNotifier::capabilitiesAnswered(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusMessage reply = watcher->reply();
    const QList<QVariant> arguments = reply.arguments();
    if (reply.type() == QDBusMessage::ReplyMessage && arguments.size() == 1
        && arguments.first().metaType() == QMetaType::fromType<QStringList>())
        m_bodyMarkup = arguments.first().toStringList().contains(QStringLiteral("body-markup")) ? BodyMarkup::Yes
                                                                                               : BodyMarkup::No;
    else
        m_bodyMarkup = BodyMarkup::No;
    const QList<Post> waiting = std::exchange(m_waiting, {});
    for (const Post &post : waiting)
        send(post);
    if (reply.type() != QDBusMessage::ReplyMessage)
        m_bodyMarkup = BodyMarkup::Unknown;
}

void DesktopNotifier::send(const Post &post)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       QString::fromLatin1(Interface), QStringLiteral("Notify"));
    QVariantMap hints;
    if (!post.kind.isEmpty())
        hints.insert(QStringLiteral("category"), post.kind);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(NormalUrgency));
    const QString desktopEntry = QGuiApplication::desktopFileName();
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);

    call << m_applicationName                 // app_name
         << uint(0)                           // replaces_id: a new notification
         << QString()                         // app_icon
         << post.title                        // summary: always plain text
         << (m_bodyMarkup == BodyMarkup::Yes ? post.body.toHtmlEscaped() : post.body) // body
         << QStringList()                     // actions
         << hints                             // hints
         << DefaultExpireTimeout;             // expire_timeout

    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        platform::ExceptionBoundary::guarded(this, "finished", &DesktopNotifier::finished));
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
