#pragma once
// The compositor's idle notifications (the ext_idle_notifier_v1 Wayland protocol),
// over a display connection of its own, turned into seconds since the last input.
//
// It asks the compositor for one notification on the first seat with a timeout of
// timeoutMs(): the compositor says "idled" once nobody touched keyboard or pointer
// for that long and "resumed" at the next input. Idle seconds are then the timeout
// plus the time since "idled" (platform::Clock's media time), and 0 while input is
// newer than the timeout, so the value is exact past the timeout and 0 below it.
//
// Nothing here waits: the constructor connects, asks for the compositor's globals
// and a sync, and returns while isConnecting(); the answers are read on the GUI
// thread through a socket notifier, and when the sync is done the notification is
// asked for (ready()) or the notifier gives up (failed()). Exactly one of ready()
// and failed() comes, always from the event loop, never from inside the constructor.
// A compositor that has not answered within AnswerTimeoutMs (a plain timer, not
// platform::Clock) counts as failed.
//
// Failures: a display that cannot be reached, one that closes the connection or
// does not answer in time, or one without the protocol or a seat leaves it
// unavailable, lastError() saying why, and emits failed(). When the compositor or
// the seat goes away after ready() it becomes unavailable and emits connectionLost()
// once instead.
//
// Threads: GUI thread only; the object lives on the thread that made it. Ownership:
// the owner's; it owns its display connection. Re-entrancy: idled() and resumed()
// are emitted while the client library reads the display, so their slots must not
// destroy the notifier; ready(), failed() and connectionLost() come after the read,
// and a slot of theirs may let it go with deleteLater() (not delete).
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

class QSocketNotifier;
struct wl_callback;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;

namespace platform {

class WaylandIdleNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 1000;
    // How long the compositor may take to list its globals.
    static constexpr int AnswerTimeoutMs = 5000;

    // Connects to the named display (empty: $WAYLAND_DISPLAY).
    explicit WaylandIdleNotifier(const QString &display = QString(), int timeoutMs = DefaultTimeoutMs,
                                 QObject *parent = nullptr);
    ~WaylandIdleNotifier() override;

    // Callbacks of the Wayland client library (data is the notifier).
    static void registryGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                               uint32_t version);
    static void registryGlobalRemove(void *data, wl_registry *registry, uint32_t name);
    static void syncDone(void *data, wl_callback *callback, uint32_t serial);
    static void notificationIdled(void *data, ext_idle_notification_v1 *notification);
    static void notificationResumed(void *data, ext_idle_notification_v1 *notification);

    // True from the constructor until the compositor's answer (or the lack of one)
    // is known.
    bool isConnecting() const { return m_connecting; }
    bool isAvailable() const { return m_notification != nullptr; }
    QString lastError() const { return m_lastError; }
    int timeoutMs() const { return m_timeoutMs; }
    bool isIdle() const { return m_idle; }
    // Seconds since the last input as described above; 0 when unavailable.
    double idleSeconds() const;

Q_SIGNALS:
    // The notification is asked for: isAvailable().
    void ready();
    // The compositor cannot give notifications (lastError()).
    void failed();
    void idled();
    void resumed();
    void connectionLost();

private:
    // Connects and asks; the reason when that failed at once.
    QString connectToDisplay(const QString &display);
    void readEvents();
    void answered();
    // Failed while connecting: failed() follows.
    void giveUp(const QString &reason);
    void fail(const QString &reason);
    void release();

    int m_timeoutMs;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_callback *m_sync = nullptr;
    wl_seat *m_seat = nullptr;
    uint32_t m_seatName = 0;
    ext_idle_notifier_v1 *m_notifier = nullptr;
    ext_idle_notification_v1 *m_notification = nullptr;
    QSocketNotifier *m_socketNotifier = nullptr;
    QTimer m_answerTimer;
    QString m_lastError;
    bool m_connecting = true;
    bool m_synced = false;
    bool m_idle = false;
    bool m_seatLost = false;
    double m_idledAt = 0; // media time of the last "idled"
};

} // namespace platform
