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
// The X and Wayland sources answer at once (the Wayland one in steps of its timeout,
// see WaylandIdleNotifier). The bus sources answer asynchronously: idleSeconds()
// gives the latest answer and asks again, so the value lags by at most one call.
// A source that stops answering (the desktop restarted) starts the search again.
// Threads: GUI thread only.
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
    bool startWayland();
    void probe(Source candidate);
    void query(Source asked);
    void answered(QDBusPendingCallWatcher *watcher, Source asked);
    void setSource(Source source);
    void reportOnce(const char *reason);

    QDBusConnection m_bus;
    bool m_tryWayland = false; // $WAYLAND_DISPLAY's compositor (not for a given bus)
    std::unique_ptr<WaylandIdleNotifier> m_wayland;
    Source m_source = Source::Unavailable;
    void *m_display = nullptr;   // the X Display
    bool m_ownDisplay = false;   // opened here, closed on destruction
    double m_lastSeconds = 0;
    bool m_queryPending = false;
    bool m_reported = false;
};

} // namespace platform
