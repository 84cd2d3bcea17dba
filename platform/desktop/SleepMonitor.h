#pragma once
// Tells when the computer is about to sleep, from logind's PrepareForSleep signal on
// the system bus, and holds a logind "delay" inhibitor on request so that work done
// in answer to the signal (stopping a counter and saving) lands before the sleep.
// It tells the same of a shutdown (PrepareForShutdown), with a delay lock of its own:
// that one is let go when the process ends (its work ends the application), or when it
// is no longer wanted.
//
// The bus is the system bus, or the one named by CHRONARK_SLEEP_BUS_ADDRESS when that
// is set, or one handed to the constructor. With no bus or no logind on it the
// monitor is inactive: it says so once in the log and never signals.
//
// Nothing waits for the bus named by address: connecting to a bus waits for its
// daemon's welcome without any time limit, in the bus library's one thread that
// every connection of the process shares, so a bus whose daemon does not answer
// would hold the launch and every other bus of the process. The monitor first asks
// the daemon for an answer on a connection of its own (opened without waiting; the
// answer comes later, or not within ProbeTimeoutMs), and connects only once it has
// answered. A daemon that does not answer leaves the monitor inactive, as no bus
// does; a lock wanted meanwhile is asked for once the monitor is connected.
// Threads: GUI thread only.
#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace platform {

class SleepMonitor : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *Service = "org.freedesktop.login1";
    static constexpr const char *Path = "/org/freedesktop/login1";
    static constexpr const char *Interface = "org.freedesktop.login1.Manager";
    // Environment variable naming the bus to use instead of the system bus.
    static constexpr const char *BusAddressVariable = "CHRONARK_SLEEP_BUS_ADDRESS";
    // How long the bus's daemon is given to answer before the monitor gives up.
    static constexpr int ProbeTimeoutMs = 10000;

    // On the system bus, or CHRONARK_SLEEP_BUS_ADDRESS's, once its daemon answered.
    explicit SleepMonitor(QObject *parent = nullptr);
    // On a bus connected already.
    explicit SleepMonitor(const QDBusConnection &bus, QObject *parent = nullptr);
    ~SleepMonitor() override;

    // Still waiting for the daemon of the bus to answer.
    bool isConnecting() const { return !m_probeName.isEmpty(); }

    // The bus is connected, logind is on it and its signal is subscribed. Known
    // shortly after the bus answered: activeChanged() comes when logind's presence
    // has been asked (also when the answer is "absent") and whenever it changes.
    bool isActive() const { return m_active; }

    // Asks logind to delay sleep until releaseInhibitor() (asynchronous; the lock is
    // held once hasInhibitor() turns true). When the computer goes to sleep the lock
    // is let go after aboutToSleep() has been handled, and taken again on resume for
    // as long as it is wanted.
    void takeInhibitor(const QString &who, const QString &why);
    // Lets go of the lock (closes its file descriptor) and stops wanting it.
    void releaseInhibitor();
    // The lock is held right now.
    bool hasInhibitor() const { return m_sleepLock.fd >= 0; }
    // The lock is wanted (between takeInhibitor() and releaseInhibitor()).
    bool wantsInhibitor() const { return m_sleepLock.wanted; }

    // The same for a shutdown: a "shutdown" delay lock, held until released (or the
    // process ends) once hasShutdownInhibitor() turns true.
    void takeShutdownInhibitor(const QString &who, const QString &why);
    void releaseShutdownInhibitor();
    bool hasShutdownInhibitor() const { return m_shutdownLock.fd >= 0; }
    bool wantsShutdownInhibitor() const { return m_shutdownLock.wanted; }

Q_SIGNALS:
    // The computer is going to sleep. Handlers run before the delay lock goes.
    void aboutToSleep();
    // The computer woke up again.
    void resumed();
    // The computer is shutting down (or rebooting): the application ends. The
    // shutdown lock is held until the process ends or releaseShutdownInhibitor().
    void aboutToShutDown();
    void activeChanged(bool active);
    void inhibitorChanged(bool held);
    // logind refused the lock, gave a bad answer, or cannot be reached.
    void inhibitorFailed(const QString &reason);

private Q_SLOTS:
    void prepareForSleep(bool start);
    void prepareForShutdown(bool start);

private:
    void connectWhenAnswered(const QString &address);
    void start();
    void setActive(bool active);
    // A delay lock of logind: what it holds back, and its state.
    struct Lock
    {
        explicit Lock(const char *kind) : what(kind) {}
        const char *what;
        bool wanted = false;
        bool requestPending = false;
        int fd = -1;
        QString who;
        QString why;
    };
    void requestInhibitor();
    void requestLock(Lock &lock);
    void lockReplied(Lock &lock, QDBusPendingCallWatcher *watcher);
    void closeDescriptor();
    void closeLock(Lock &lock);
    void refuse(const QString &reason);
    void reportOnce(const QString &reason);

    QDBusConnection m_bus;
    QString m_probeName; // the connection asking the daemon, while it has not answered
    QDBusServiceWatcher *m_serviceWatcher = nullptr;
    bool m_subscribed = false;
    bool m_active = false;
    bool m_sleeping = false;
    bool m_shuttingDown = false;
    Lock m_sleepLock{"sleep"};
    Lock m_shutdownLock{"shutdown"};
    bool m_reported = false;
};

} // namespace platform
