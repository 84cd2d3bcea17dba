#include "platform/desktop/WaylandIdleNotifier.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cstring>

#include <wayland-client.h>
#include "wayland/ext-idle-notify-v1-client-protocol.h"

Q_LOGGING_CATEGORY(lcWaylandIdle, "chronark.idle.wayland")

namespace platform {

WaylandIdleNotifier::WaylandIdleNotifier(const QString &display, int timeoutMs, QObject *parent)
    : QObject(parent), m_timeoutMs(timeoutMs > 0 ? timeoutMs : DefaultTimeoutMs)
{
    const QString refusal = connectToDisplay(display);
    if (refusal.isEmpty())
        return;
    fail(refusal);
    // Told from the event loop, as every answer is: the caller has connected by then.
    QMetaObject::invokeMethod(this, platform::ExceptionBoundary::guarded(this, "failed", [this] {
        m_connecting = false;
        Q_EMIT failed();
    }), Qt::QueuedConnection);
}

QString WaylandIdleNotifier::connectToDisplay(const QString &display)
{
    const QByteArray name = display.toLocal8Bit();
    if (name.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("no Wayland display");
    // A local socket's connection is made at once (the compositor accepts it later).
    m_display = wl_display_connect(name.isEmpty() ? nullptr : name.constData());
    if (!m_display)
        return QStringLiteral("cannot connect to the Wayland display");
    static const wl_registry_listener registryListener = {
        &WaylandIdleNotifier::registryGlobal,
        &WaylandIdleNotifier::registryGlobalRemove,
    };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The compositor lists its globals before it answers the sync.
    static const wl_callback_listener syncListener = {&WaylandIdleNotifier::syncDone};
    m_sync = wl_display_sync(m_display);
    wl_callback_add_listener(m_sync, &syncListener, this);
    // Does not wait: what the socket does not take now is an error below, or a
    // closed connection that the socket notifier sees.
    wl_display_flush(m_display);
    if (wl_display_get_error(m_display) != 0)
        return QStringLiteral("the Wayland display closed the connection");
    m_socketNotifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
    connect(m_socketNotifier, &QSocketNotifier::activated, this,
        platform::ExceptionBoundary::guarded(this, "readEvents", &WaylandIdleNotifier::readEvents));
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, platform::ExceptionBoundary::guarded(this, "answerTimeout", [this] {
        giveUp(QStringLiteral("the compositor did not answer within %1 s").arg(AnswerTimeoutMs / 1000));
    }));
    m_answerTimer.start(AnswerTimeoutMs);
    return QString();
}

WaylandIdleNotifier::~WaylandIdleNotifier()
{
    release();
}

double WaylandIdleNotifier::idleSeconds() const
{
    if (!m_notification || !m_idle)
        return 0.0;
    return double(m_timeoutMs) / 1000.0 + qMax(0.0, Clock::mediaTime() - m_idledAt);
}

void WaylandIdleNotifier::registryGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                         uint32_t version)
{
    auto *self = static_cast<WaylandIdleNotifier *>(data);
    if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !self->m_notifier) {
        self->m_notifier = static_cast<ext_idle_notifier_v1 *>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
        self->m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        self->m_seatName = name;
    }
    Q_UNUSED(version)
}

void WaylandIdleNotifier::registryGlobalRemove(void *data, wl_registry *, uint32_t name)
{
    auto *self = static_cast<WaylandIdleNotifier *>(data);
    // Released after the dispatch that brought this: not from inside it.
    if (self->m_seat && name == self->m_seatName)
        self->m_seatLost = true;
}

void WaylandIdleNotifier::notificationIdled(void *data, ext_idle_notification_v1 *)
{
    auto *self = static_cast<WaylandIdleNotifier *>(data);
    self->m_idle = true;
    self->m_idledAt = Clock::mediaTime();
    Q_EMIT self->idled();
}

void WaylandIdleNotifier::notificationResumed(void *data, ext_idle_notification_v1 *)
{
    auto *self = static_cast<WaylandIdleNotifier *>(data);
    self->m_idle = false;
    Q_EMIT self->resumed();
}

void WaylandIdleNotifier::syncDone(void *data, wl_callback *callback, uint32_t)
{
    auto *self = static_cast<WaylandIdleNotifier *>(data);
    wl_callback_destroy(callback);
    self->m_sync = nullptr;
    // Answered after the dispatch that brought this: not from inside it.
    self->m_synced = true;
}

void WaylandIdleNotifier::readEvents()
{
    if (!m_display)
        return;
    bool broken = false;
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0) {
            broken = true;
            break;
        }
    }
    // The socket is readable, so this does not block.
    if (broken || wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0
        || wl_display_get_error(m_display) != 0 || m_seatLost) {
        if (m_connecting) {
            giveUp(m_seatLost ? QStringLiteral("the seat went away")
                              : QStringLiteral("the Wayland display closed the connection"));
            return;
        }
        const bool wasAvailable = isAvailable();
        fail(m_seatLost ? QStringLiteral("the seat went away") : QStringLiteral("the compositor closed the connection"));
        if (wasAvailable)
            Q_EMIT connectionLost();
        return;
    }
    if (m_connecting && m_synced) {
        answered();
        return;
    }
    wl_display_flush(m_display);
}

void WaylandIdleNotifier::answered()
{
    if (!m_notifier || !m_seat) {
        giveUp(m_notifier ? QStringLiteral("the compositor has no seat")
                          : QStringLiteral("the compositor has no ext_idle_notifier_v1"));
        return;
    }
    m_answerTimer.stop();
    static const ext_idle_notification_v1_listener listener = {
        &WaylandIdleNotifier::notificationIdled,
        &WaylandIdleNotifier::notificationResumed,
    };
    m_notification = ext_idle_notifier_v1_get_idle_notification(m_notifier, uint32_t(m_timeoutMs), m_seat);
    ext_idle_notification_v1_add_listener(m_notification, &listener, this);
    wl_display_flush(m_display);
    m_connecting = false;
    Q_EMIT ready();
}

void WaylandIdleNotifier::giveUp(const QString &reason)
{
    fail(reason);
    m_connecting = false;
    Q_EMIT failed();
}

void WaylandIdleNotifier::fail(const QString &reason)
{
    m_lastError = reason;
    qCInfo(lcWaylandIdle).noquote() << "Wayland idle notifications unavailable:" << reason;
    release();
}

void WaylandIdleNotifier::release()
{
    if (m_socketNotifier) {
        m_socketNotifier->setEnabled(false);
        m_socketNotifier->deleteLater();
        m_socketNotifier = nullptr;
    }
    m_answerTimer.stop();
    if (m_sync)
        wl_callback_destroy(m_sync);
    if (m_notification)
        ext_idle_notification_v1_destroy(m_notification);
    if (m_notifier)
        ext_idle_notifier_v1_destroy(m_notifier);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    m_sync = nullptr;
    m_notification = nullptr;
    m_notifier = nullptr;
    m_seat = nullptr;
    m_registry = nullptr;
    m_idle = false;
    if (m_display) {
        wl_display_flush(m_display);
        wl_display_disconnect(m_display);
        m_display = nullptr;
    }
}

} // namespace platform
