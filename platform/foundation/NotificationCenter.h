#pragma once
// Process-wide broadcast of named notifications to registered observers.
//
// An observer registers a handler for a notification name (empty = every name)
// from one object (null = from any object). Posting calls the matching handlers
// synchronously, in the order they were registered. A registration ends when it is
// removed, when its observer object is destroyed, or when the object it watches is
// destroyed. Handlers may add or remove registrations, post, or destroy their own
// observer while a notification is being delivered.
//
// Posting belongs to the main thread; a post from another thread is handed to the
// main thread and delivered there. A handler is code the poster does not control:
// what it raises stops at its delivery (platform::ExceptionBoundary: reported with
// its observer, counted), and the handlers after it still hear the notification.
#include <QMutex>
#include <QObject>
#include <QHash>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

struct Notification
{
    QString name;
    QObject *object = nullptr;
    QVariantMap userInfo;
};

class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    // Identifies one registration; a default-constructed token identifies none.
    struct Token
    {
        quint64 id = 0;
        bool isValid() const { return id != 0; }
        friend bool operator==(Token a, Token b) { return a.id == b.id; }
    };

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter &) = delete;
    NotificationCenter &operator=(const NotificationCenter &) = delete;

    // The application's centre; created on first use, never freed.
    static NotificationCenter &defaultCenter();

    // Registers handler for notifications called name (empty: all) posted by
    // object (null: any). observer may be null (remove by token then).
    Token addObserver(QObject *observer, const QString &name, QObject *object, Handler handler);

    // Ends every registration of the observer.
    void removeObserver(QObject *observer);
    // Ends the observer's registrations for name (empty: any name) and object
    // (null: any object).
    void removeObserver(QObject *observer, const QString &name, QObject *object = nullptr);
    // Ends one registration.
    void removeObserver(Token token);

    void post(const QString &name, QObject *object = nullptr, const QVariantMap &userInfo = {});
    void post(const Notification &notification);

    // Number of live registrations (diagnostics and tests).
    int observerCount() const;

private:
    struct Entry;
    void removeWhere(const std::function<bool(const Entry &)> &match);
    void watch(QObject *obj);
    void objectDestroyed(QObject *obj);
    void releaseWatchIfUnused(QObject *obj);
    void deliver(const Notification &notification);

    mutable QMutex m_mutex;
    std::vector<std::shared_ptr<Entry>> m_entries; // registration order
    QHash<QObject *, QMetaObject::Connection> m_watched;
    quint64 m_nextId = 1;
};

} // namespace platform
