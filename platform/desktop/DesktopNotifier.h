#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Posting is asynchronous and
// never blocks the caller; with no notification server (or no bus at all) nothing
// is shown and nothing is reported beyond one line in the log.
//
// Bodies are text, never markup: the server's capabilities are asked once (also
// asynchronously; posts made meanwhile wait, in order) and, when it reads markup in
// bodies ("body-markup"), the body is sent escaped; otherwise as it stands. When
// the capabilities cannot be read, the body goes as it stands and they are asked
// again with the next post. Main thread only.
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

namespace platform {

class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *Service = "org.freedesktop.Notifications";
    static constexpr const char *Path = "/org/freedesktop/Notifications";
    static constexpr const char *Interface = "org.freedesktop.Notifications";
    // The application's one kind of notification.
    static constexpr const char *GeneralNotifications = "GeneralNotifications";

    // Posts on the session bus.
    explicit DesktopNotifier(QObject *parent = nullptr);
    // Posts on the given bus (tests: a private bus).
    explicit DesktopNotifier(const QDBusConnection &bus, QObject *parent = nullptr);
    ~DesktopNotifier() override;

    // The name shown as the sender; the application's display name by default.
    QString applicationName() const;
    void setApplicationName(const QString &name);

    // Posts one notification: title (the server's "summary"), body text and kind
    // (sent as the "category" hint). Returns at once; the server's answer arrives
    // as posted() or failed().
    void post(const QString &title, const QString &body,
              const QString &kind = QString::fromLatin1(GeneralNotifications));

    // Number of posts still waiting for the server's answer (or to be sent).
    int pendingCount() const { return m_pending; }

Q_SIGNALS:
    // The server showed the notification under this id.
    void posted(uint id);
    // The notification could not be shown (no server, no bus, bad answer).
    void failed(const QString &reason);

private:
    struct Post {
        QString title;
        QString body;
        QString kind;
    };
    enum class BodyMarkup { Unknown, Asking, No, Yes };

    void askCapabilities();
    void capabilitiesAnswered(QDBusPendingCallWatcher *watcher);
    void send(const Post &post);
    void finished(QDBusPendingCallWatcher *watcher);
    void reportOnce(const QString &reason);

    QDBusConnection m_bus;
    QString m_applicationName;
    BodyMarkup m_bodyMarkup = BodyMarkup::Unknown;
    QList<Post> m_waiting;
    int m_pending = 0;
    bool m_reported = false;
};

} // namespace platform
