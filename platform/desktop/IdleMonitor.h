#pragma once
// Seconds since the user's last input (keyboard or pointer), for stopping a counter
// when the user has gone away.
//
// The source is chosen at run time: the X screensaver extension on an X11 session
// (through the application's own X connection, or a connection of our own to
// $DISPLAY), otherwise, in this order: GNOME's org.gnome.Mutter.IdleMonitor on the
// session bus, the Wayland compositor's ext_idle_notifier_v1 (WaylandIdleNotifier,
// on a display connection of its own: KDE Plasma), org.freedesktop.ScreenSaver on
// the session bus. With none of them idle time is unavailable: isAvailable() is
// false and the log says so once.
//
// Nothing here waits. The search is asynchronous: source() is Probing (and
// idleSeconds() 0) until a source answered or none did; each bus source is asked with
// a bounded call, and the Wayland compositor is a source once it has listed its
// globals (a compositor that does not within WaylandIdleNotifier::AnswerTimeoutMs,
// or lacks the protocol, counts as missing and the search goes on). Once found, the
// X and Wayland sources answer at once (the Wayland one in steps of its timeout, see
// WaylandIdleNotifier); the bus sources answer asynchronously: idleSeconds() gives
// the latest answer and asks again, so the value lags by at most one call. A source
// that stops answering (the desktop or the compositor restarted) starts the search
// again.
// Threads: GUI thread only. It owns its X connection (when it opened one) and its
// Wayland notifier; none of its signals' slots may destroy it directly.
#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

class QDBusPendingCallWatcher;

namespace platform {

class WaylandIdleNotifier;

class IdleMonitor : public QObject
{
    Q_OBJECT

public:
    enum class Source {
        Unavailable,
        Probing,
        X11ScreenSaver,
        MutterIdleMonitor,
        WaylandIdleNotifier,
        FreedesktopScreenSaver
    };
    Q_ENUM(Source)

    // X11 first, then the session bus and the Wayland compositor.
    explicit IdleMonitor(QObject *parent = nullptr);
    // Only the idle monitors on the given bus (tests: a private bus).
    explicit IdleMonitor(const QDBusConnection &bus, QObject *parent = nullptr);
    // The given bus, and the named Wayland display between its two monitors.
    IdleMonitor(const QDBusConnection &bus, const QString &waylandDisplay, QObject *parent = nullptr);
    ~IdleMonitor() override;

    Source source() const { return m_source; }
    // False while the bus sources are still being asked, and for good when none
    // answered.
    bool isAvailable() const;

    // Seconds since the last input; 0 when unavailable.
    double idleSeconds();

Q_SIGNALS:
    // The source was found (or found missing: source() is Unavailable).
    void sourceChanged(platform::IdleMonitor::Source source);
    // A new value arrived from a bus source.
    void idleSecondsChanged(double seconds);

private:
    bool startX11();
    // False when there is no compositor to ask; otherwise its answer comes later.
    bool startWayland();
    // The compositor is no source: the screensaver interface, or none.
    void withoutWayland();
    void probe(Source candidate);
    void query(Source asked);
    void answered(QDBusPendingCallWatcher *watcher, Source asked);
    void setSource(Source source);
    void reportOnce(const char *reason);

    QDBusConnection m_bus;
    bool m_tryWayland = false;
    QString m_waylandDisplay; // empty: $WAYLAND_DISPLAY
    std::unique_ptr<WaylandIdleNotifier> m_wayland;
    Source m_source = Source::Unavailable;
    void *m_display = nullptr;   // the X Display
    bool m_ownDisplay = false;   // opened here, closed on destruction
    double m_lastSeconds = 0;
    bool m_queryPending = false;
    bool m_reported = false;
};

} // namespace platform
