#include "platform/desktop/IdleMonitor.h"

#include "platform/desktop/DesktopSession.h"
#include "platform/desktop/WaylandIdleNotifier.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <limits>

// Xlib last: its macros (None, Bool, Status, ...) must not meet Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

Q_LOGGING_CATEGORY(lcIdleMonitor, "chronark.idle")

namespace platform {

namespace {

constexpr int BusCallTimeoutMs = 2000;

Display *applicationDisplay()
{
    if (!qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// Milliseconds from an integer argument of any D-Bus integer type; -1 when the
// argument is something else or negative.
qint64 nonNegativeInteger(const QVariant &value)
{
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<qulonglong>()) {
        const qulonglong v = value.toULongLong();
        return v > qulonglong(std::numeric_limits<qint64>::max()) ? -1 : qint64(v);
    }
    if (type == QMetaType::fromType<uint>() || type == QMetaType::fromType<ushort>()
        || type == QMetaType::fromType<uchar>())
        return qint64(value.toUInt());
    if (type == QMetaType::fromType<qlonglong>() || type == QMetaType::fromType<int>()
        || type == QMetaType::fromType<short>()) {
        const qlonglong v = value.toLongLong();
        return v < 0 ? -1 : qint64(v);
    }
    return -1;
}

} // namespace

IdleMonitor::IdleMonitor(QObject *parent)
    : QObject(parent), m_bus(QDBusConnection::sessionBus()), m_tryWayland(true)
{
    if (startX11())
        setSource(Source::X11ScreenSaver);
    else
        probe(Source::MutterIdleMonitor);
}

IdleMonitor::IdleMonitor(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    probe(Source::MutterIdleMonitor);
}

IdleMonitor::IdleMonitor(const QDBusConnection &bus, const QString &waylandDisplay, QObject *parent)
    : QObject(parent), m_bus(bus), m_tryWayland(true), m_waylandDisplay(waylandDisplay)
{
    probe(Source::MutterIdleMonitor);
}

IdleMonitor::~IdleMonitor()
{
    if (m_ownDisplay && m_display)
        XCloseDisplay(static_cast<Display *>(m_display));
}

bool IdleMonitor::isAvailable() const
{
    return m_source != Source::Unavailable && m_source != Source::Probing;
}

bool IdleMonitor::startX11()
{
    // Under Wayland the X server sees only the input of X clients.
    if (DesktopSession::isWayland())
        return false;
    Display *display = applicationDisplay();
    bool own = false;
    if (!display && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        display = XOpenDisplay(nullptr);
        own = display != nullptr;
    }
    if (!display)
        return false;
    int eventBase = 0;
    int errorBase = 0;
    XScreenSaverInfo info{};
    if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)
        || !XScreenSaverQueryInfo(display, DefaultRootWindow(display), &info)) {
        qCInfo(lcIdleMonitor) << "The X server has no screensaver extension";
        if (own)
            XCloseDisplay(display);
        return false;
    }
    m_display = display;
    m_ownDisplay = own;
    return true;
}

double IdleMonitor::idleSeconds()
{
    switch (m_source) {
    case Source::X11ScreenSaver: {
        auto *display = static_cast<Display *>(m_display);
        XScreenSaverInfo info{};
        if (!XScreenSaverQueryInfo(display, DefaultRootWindow(display), &info))
            return m_lastSeconds;
        m_lastSeconds = double(info.idle) / 1000.0;
        return m_lastSeconds;
    }
    case Source::WaylandIdleNotifier:
        m_lastSeconds = m_wayland->idleSeconds();
        return m_lastSeconds;
    case Source::MutterIdleMonitor:
    case Source::FreedesktopScreenSaver:
        query(m_source);
        return m_lastSeconds;
    case Source::Probing:
    case Source::Unavailable:
        break;
    }
    return 0;
}

void IdleMonitor::probe(Source candidate)
{
    setSource(Source::Probing);
    if (!m_bus.isConnected()) {
        if (!startWayland())
            withoutWayland();
        return;
    }
    query(candidate);
}

bool IdleMonitor::startWayland()
{
    if (!m_tryWayland || (m_waylandDisplay.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")))
        return false;
    m_wayland = std::make_unique<WaylandIdleNotifier>(m_waylandDisplay);
    WaylandIdleNotifier *notifier = m_wayland.get();
    connect(notifier, &WaylandIdleNotifier::ready, this, platform::ExceptionBoundary::guarded(this, "ready", [this] {
        setSource(Source::WaylandIdleNotifier);
    }));
    connect(notifier, &WaylandIdleNotifier::failed, this, platform::ExceptionBoundary::guarded(this, "failed", [this] {
        // Forgotten once this signal is over; the next source is asked.
        m_wayland.release()->deleteLater();
        withoutWayland();
    }));
    connect(notifier, &WaylandIdleNotifier::connectionLost, this, platform::ExceptionBoundary::guarded(this, "connectionLost", [this] {
        // The compositor went away (it restarted): forget it once this signal is
        // over and look for a source again.
        m_wayland.release()->deleteLater();
        m_lastSeconds = 0;
        probe(Source::MutterIdleMonitor);
    }));
    return true;
}

void IdleMonitor::withoutWayland()
{
    if (m_bus.isConnected()) {
        query(Source::FreedesktopScreenSaver);
        return;
    }
    reportOnce("no X11 session, no session bus and no Wayland idle notifications");
    setSource(Source::Unavailable);
}

void IdleMonitor::query(Source asked)
{
    if (m_queryPending)
        return;
    QDBusMessage call;
    if (asked == Source::MutterIdleMonitor) {
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
            QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
    } else if (asked == Source::FreedesktopScreenSaver) {
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime"));
    } else {
        return;
    }
    // An idle monitor belongs to the running desktop; never start one.
    call.setAutoStartService(false);
    m_queryPending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, BusCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            platform::ExceptionBoundary::guarded(this, "finished", [this, asked](QDBusPendingCallWatcher *w) { answered(w, asked); }));
}

void IdleMonitor::answered(QDBusPendingCallWatcher *watcher, Source asked)
{
    watcher->deleteLater();
    m_queryPending = false;
    const QDBusMessage reply = watcher->reply();
    qint64 value = -1;
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1)
        value = nonNegativeInteger(reply.arguments().first());

    if (value >= 0) {
        // Mutter counts milliseconds, the screensaver interface seconds.
        m_lastSeconds = asked == Source::MutterIdleMonitor ? double(value) / 1000.0 : double(value);
        if (m_source == Source::Probing)
            setSource(asked);
        Q_EMIT idleSecondsChanged(m_lastSeconds);
        return;
    }

    if (m_source == Source::Probing) {
        if (asked == Source::MutterIdleMonitor) {
            if (!startWayland())
                withoutWayland();
        } else {
            reportOnce("no idle monitor answers on the session bus");
            setSource(Source::Unavailable);
        }
        return;
    }
    if (m_source == asked) {
        // The source stopped answering (the desktop restarted it, or it left):
        // look for one again.
        m_lastSeconds = 0;
        probe(Source::MutterIdleMonitor);
    }
}

void IdleMonitor::setSource(Source source)
{
    if (m_source == source)
        return;
    m_source = source;
    Q_EMIT sourceChanged(source);
}

void IdleMonitor::reportOnce(const char *reason)
{
    if (m_reported)
        return;
    m_reported = true;
    qCInfo(lcIdleMonitor) << "Idle time is unavailable:" << reason;
}

} // namespace platform
