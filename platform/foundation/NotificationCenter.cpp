#include "platform/foundation/NotificationCenter.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace platform {

struct NotificationCenter::Entry
{
    quint64 id = 0;
    QObject *observer = nullptr;
    QString name;
    QObject *object = nullptr;
    Handler handler;
    std::atomic<bool> removed{false};

    bool matches(const Notification &n) const
    {
        return (name.isEmpty() || name == n.name) && (object == nullptr || object == n.object);
    }
};

namespace {

bool onMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

} // namespace

NotificationCenter::NotificationCenter() = default;

NotificationCenter::~NotificationCenter()
{
    QMutexLocker lock(&m_mutex);
    for (const QMetaObject::Connection &c : std::as_const(m_watched))
        QObject::disconnect(c);
    m_watched.clear();
    for (const auto &e : m_entries)
        e->removed = true;
}

NotificationCenter &NotificationCenter::defaultCenter()
{
    // Never freed: objects destroyed during static destruction still unregister safely.
    static NotificationCenter *center = new NotificationCenter;
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(QObject *observer, const QString &name,
                                                          QObject *object, Handler handler)
{
    Q_ASSERT_X(onMainThread(), "NotificationCenter::addObserver", "main thread only");
    if (!handler)
        return {};
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->name = name;
    entry->object = object;
    entry->handler = std::move(handler);

    QMutexLocker lock(&m_mutex);
    entry->id = m_nextId++;
    if (observer)
        watch(observer);
    if (object)
        watch(object);
    m_entries.push_back(entry);
    return Token{entry->id};
}

void NotificationCenter::watch(QObject *obj)
{
    if (m_watched.contains(obj))
        return;
    // Direct, so that the registration is gone before the object's memory is,
    // whatever thread destroys it.
    m_watched.insert(obj, QObject::connect(obj, &QObject::destroyed,
                                           platform::ExceptionBoundary::guarded(obj, "destroyed", [this](QObject *o) { objectDestroyed(o); })));
}

void NotificationCenter::objectDestroyed(QObject *obj)
{
    std::vector<std::shared_ptr<Entry>> gone;
    {
        QMutexLocker lock(&m_mutex);
        m_watched.remove(obj);
        auto keep = std::stable_partition(m_entries.begin(), m_entries.end(), [obj](const auto &e) {
            return e->observer != obj && e->object != obj;
        });
        for (auto it = keep; it != m_entries.end(); ++it) {
            (*it)->removed = true;
            gone.push_back(std::move(*it));
        }
        m_entries.erase(keep, m_entries.end());
        for (const auto &e : gone) {
            if (e->observer && e->observer != obj)
                releaseWatchIfUnused(e->observer);
            if (e->object && e->object != obj)
                releaseWatchIfUnused(e->object);
        }
    }
    // Handlers (and whatever they captured) are released outside the lock.
}

void NotificationCenter::releaseWatchIfUnused(QObject *obj)
{
    const bool used = std::any_of(m_entries.begin(), m_entries.end(), [obj](const auto &e) {
        return e->observer == obj || e->object == obj;
    });
    if (used)
        return;
    auto it = m_watched.find(obj);
    if (it != m_watched.end()) {
        QObject::disconnect(it.value());
        m_watched.erase(it);
    }
}

void NotificationCenter::removeWhere(const std::function<bool(const Entry &)> &match)
{
    std::vector<std::shared_ptr<Entry>> gone;
    {
        QMutexLocker lock(&m_mutex);
        auto keep = std::stable_partition(m_entries.begin(), m_entries.end(),
                                          [&match](const auto &e) { return !match(*e); });
        for (auto it = keep; it != m_entries.end(); ++it) {
            (*it)->removed = true;
            gone.push_back(std::move(*it));
        }
        m_entries.erase(keep, m_entries.end());
        for (const auto &e : gone) {
            if (e->observer)
                releaseWatchIfUnused(e->observer);
            if (e->object)
                releaseWatchIfUnused(e->object);
        }
    }
}

void NotificationCenter::removeObserver(QObject *observer)
{
    Q_ASSERT_X(onMainThread(), "NotificationCenter::removeObserver", "main thread only");
    if (!observer)
        return;
    removeWhere([observer](const Entry &e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(QObject *observer, const QString &name, QObject *object)
{
    Q_ASSERT_X(onMainThread(), "NotificationCenter::removeObserver", "main thread only");
    if (!observer)
        return;
    removeWhere([&](const Entry &e) {
        return e.observer == observer && (name.isEmpty() || e.name == name)
            && (object == nullptr || e.object == object);
    });
}

void NotificationCenter::removeObserver(Token token)
{
    Q_ASSERT_X(onMainThread(), "NotificationCenter::removeObserver", "main thread only");
    if (!token.isValid())
        return;
    removeWhere([token](const Entry &e) { return e.id == token.id; });
}

void NotificationCenter::post(const QString &name, QObject *object, const QVariantMap &userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification &notification)
{
    if (!onMainThread()) {
        qWarning("NotificationCenter: \"%s\" posted off the main thread; delivered on the main thread",
                 qPrintable(notification.name));
        postToThreadOf(QCoreApplication::instance(), "a notification posted off the main thread",
                       [this, notification] { deliver(notification); });
        return;
    }
    deliver(notification);
}

void NotificationCenter::deliver(const Notification &notification)
{
    std::vector<std::shared_ptr<Entry>> targets;
    {
        QMutexLocker lock(&m_mutex);
        for (const auto &e : m_entries) {
            if (e->matches(notification))
                targets.push_back(e);
        }
    }
    for (const auto &e : targets) {
        // A handler earlier in this delivery may have ended this registration.
        if (e->removed)
            continue;
        try {
            e->handler(notification);
        } catch (...) {
            // The handler may have ended its registration, or destroyed its observer, first.
            ExceptionBoundary::caught(e->removed ? nullptr : e->observer, "a notification");
        }
    }
}

int NotificationCenter::observerCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_entries.size());
}

} // namespace platform
