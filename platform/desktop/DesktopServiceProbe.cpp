#include "platform/desktop/DesktopServiceProbe.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QHash>
#include <QLoggingCategory>
#include <QPointer>

#include <memory>

Q_LOGGING_CATEGORY(lcDesktopServiceProbe, "chronark.desktop")

namespace platform {

namespace {

// What Qt asks each service first.
QDBusMessage questionFor(DesktopServiceProbe::Service service)
{
    QDBusMessage question;
    switch (service) {
    case DesktopServiceProbe::Service::StatusNotifierWatcher:
        question = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
        break;
    case DesktopServiceProbe::Service::MenuRegistrar:
        question = QDBusMessage::createMethodCall(
            QStringLiteral("com.canonical.AppMenu.Registrar"), QStringLiteral("/com/canonical/AppMenu/Registrar"),
            QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
        break;
    case DesktopServiceProbe::Service::Accessibility:
        question = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
        question << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
        break;
    }
    question.setAutoStartService(false);
    return question;
}

const char *nameOf(DesktopServiceProbe::Service service)
{
    switch (service) {
    case DesktopServiceProbe::Service::StatusNotifierWatcher:
        return "the tray (StatusNotifierWatcher)";
    case DesktopServiceProbe::Service::MenuRegistrar:
        return "the global menu's registrar";
    case DesktopServiceProbe::Service::Accessibility:
        return "the accessibility bus";
    }
    return "a service";
}

DesktopServiceProbe::State stateOf(const QDBusMessage &reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage)
        return DesktopServiceProbe::State::Answers;
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return DesktopServiceProbe::State::Absent;
    switch (QDBusError(reply).type()) {
    case QDBusError::ServiceUnknown:
        return DesktopServiceProbe::State::Absent;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
    case QDBusError::NoNetwork:
        return DesktopServiceProbe::State::Silent;
    default:
        return DesktopServiceProbe::State::Answers;
    }
}

} // namespace

DesktopServiceProbe &DesktopServiceProbe::shared(Service service)
{
    static QHash<int, QPointer<DesktopServiceProbe>> probes;
    QPointer<DesktopServiceProbe> &probe = probes[int(service)];
    if (!probe) {
        QObject *application = QCoreApplication::instance();
        // Without an application (nothing to own it) nor a bus, nothing is asked.
        probe = new DesktopServiceProbe(service, application ? QDBusConnection::sessionBus() : QDBusConnection(QString()),
                                        application);
    }
    return *probe;
}

DesktopServiceProbe::DesktopServiceProbe(Service service, const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_call(QDBusPendingCall::fromError(QDBusError(QDBusError::Disconnected, QStringLiteral("no session bus"))))
    , m_connected(bus.isConnected())
{
    if (!m_connected)
        return;
    m_call = bus.asyncCall(questionFor(service), timeoutFor(service));
    auto *watcher = new QDBusPendingCallWatcher(m_call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            ExceptionBoundary::guarded(this, "the service's answer", [this, watcher] {
                watcher->deleteLater();
                const State now = state();
                if (now == State::Silent)
                    qCInfo(lcDesktopServiceProbe, "%s does not answer: it is not used", nameOf(m_service));
                Q_EMIT known(now);
            }));
}

DesktopServiceProbe::~DesktopServiceProbe() = default;

DesktopServiceProbe::State DesktopServiceProbe::state() const
{
    if (!m_connected)
        return State::Absent;
    if (!m_call.isFinished())
        return State::Asking;
    return stateOf(m_call.reply());
}

void DesktopServiceProbe::waitUntilKnown() const
{
    QDBusPendingCall call = m_call;
    call.waitForFinished();
}

void DesktopServiceProbe::whenKnown(QObject *context, std::function<void(State state)> handler)
{
    const State now = state();
    if (now != State::Asking) {
        handler(now);
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &DesktopServiceProbe::known, context,
                          ExceptionBoundary::guarded(context, "a desktop service known",
                                                     [connection, handler = std::move(handler)](State state) {
                                                         QObject::disconnect(*connection);
                                                         handler(state);
                                                     }));
}

} // namespace platform
