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
// Events are read on the GUI thread through a socket notifier; the object lives on
// the thread that made it. A display that cannot be reached, or one without the
// protocol or a seat, leaves it unavailable (lastError() says why); when the
// compositor goes away it becomes unavailable and emits connectionLost() once.
#include <QObject>
#include <QString>

#include <cstdint>

class QSocketNotifier;
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

    // Connects to the named display (empty: $WAYLAND_DISPLAY).
    explicit WaylandIdleNotifier(const QString &display = QString(), int timeoutMs = DefaultTimeoutMs,
                                 QObject *parent = nullptr);
    ~WaylandIdleNotifier() override;

    // Callbacks of the Wayland client library (data is the notifier).
    static void registryGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                               uint32_t version);
    static void registryGlobalRemove(void *data, wl_registry *registry, uint32_t name);
    static void notificationIdled(void *data, ext_idle_notification_v1 *notification);
    static void notificationResumed(void *data, ext_idle_notification_v1 *notification);

    bool isAvailable() const { return m_notification != nullptr; }
    QString lastError() const { return m_lastError; }
    int timeoutMs() const { return m_timeoutMs; }
    bool isIdle() const { return m_idle; }
    // Seconds since the last input as described above; 0 when unavailable.
    double idleSeconds() const;

Q_SIGNALS:
    void idled();
    void resumed();
    void connectionLost();

private:

    void readEvents();
    void fail(const QString &reason);
    void release();

    int m_timeoutMs;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    uint32_t m_seatName = 0;
    ext_idle_notifier_v1 *m_notifier = nullptr;
    ext_idle_notification_v1 *m_notification = nullptr;
    QSocketNotifier *m_socketNotifier = nullptr;
    QString m_lastError;
    bool m_idle = false;
    bool m_seatLost = false;
    double m_idledAt = 0; // media time of the last "idled"
};

} // namespace platform
