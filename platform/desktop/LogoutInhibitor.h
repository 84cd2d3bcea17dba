#pragma once
// Holds the session's logout (and shutdown) while the application has work a logout
// would lose, through the desktop portal's Inhibit interface
// (org.freedesktop.portal.Inhibit.Inhibit with the logout flag and a reason) on the
// session bus: GNOME and KDE Plasma, on X11 and on Wayland, then ask the person before
// the session ends, naming the reason. Letting go closes the request the portal
// answered (org.freedesktop.portal.Request.Close on its object path).
//
// setHeld() says what is wanted; the calls are asynchronous and never block. A change
// while a call is under way is acted on once it is answered: the hold follows the last
// wish, whatever the order in which wishes came. Without a portal (no bus, no service,
// an error) nothing is held: one line in the log says so, and the next wish to hold
// asks again.
//
// Ownership: a QObject, owned by its parent; destroying it lets a hold go. Failure: no
// exception; failed() tells a refused or unanswered call. Threads: GUI thread only.
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

namespace platform {

class LogoutInhibitor : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *Service = "org.freedesktop.portal.Desktop";
    static constexpr const char *Path = "/org/freedesktop/portal/desktop";
    static constexpr const char *Interface = "org.freedesktop.portal.Inhibit";
    static constexpr const char *RequestInterface = "org.freedesktop.portal.Request";
    // The portal's flag of a hold on logout.
    static constexpr uint LogoutFlag = 1;

    // On the session bus.
    explicit LogoutInhibitor(QObject *parent = nullptr);
    // On the given bus (tests: a private one).
    explicit LogoutInhibitor(const QDBusConnection &bus, QObject *parent = nullptr);
    ~LogoutInhibitor() override;

    // Holds the logout with the reason (shown by the desktop), or lets it go. A new
    // reason while held is kept for the next hold.
    void setHeld(bool held, const QString &reason = QString());
    // The portal answered a hold that is in force now.
    bool isHeld() const { return !m_handle.path().isEmpty(); }
    bool wantsHold() const { return m_wanted; }

Q_SIGNALS:
    void heldChanged(bool held);
    void failed(const QString &reason);

private:
    void act();
    void inhibitReplied(QDBusPendingCallWatcher *watcher);
    void closeHandle();

    QDBusConnection m_bus;
    QDBusObjectPath m_handle;
    QString m_reason;
    bool m_wanted = false;
    bool m_pending = false;
    bool m_reported = false;
};

} // namespace platform
