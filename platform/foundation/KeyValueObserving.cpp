#include "platform/foundation/KeyValueObserving.h"

#include "platform/foundation/Exception.h"

#include <QStringList>
#include <atomic>
#include <cxxabi.h>
#include <cstdlib>
#include <map>
#include <typeinfo>
#include <vector>

namespace platform {

namespace {

ObservationToken nextObservationToken()
{
    static std::atomic<ObservationToken> counter{0};
    return ++counter;
}

QString demangled(const char *name)
{
    int status = 0;
    char *readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    QString result = QString::fromLatin1(status == 0 && readable ? readable : name);
    std::free(readable);
    return result;
}

} // namespace

// Observers per key, in registration order. Notification works on a snapshot of
// tokens and looks each one up again before calling it, so an observer may remove
// itself or others (or add new ones) while a notification runs.
struct KeyValueObservable::Observers
{
    struct Entry
    {
        QString key;
        std::shared_ptr<Observer> observer;
    };
    std::map<ObservationToken, Entry> byToken;
    QHash<QString, std::vector<ObservationToken>> byKey;
    // Open willChange…/didChange… brackets per key: only the outermost pair notifies.
    QHash<QString, int> pendingChanges;
    std::shared_ptr<const int> alive = std::make_shared<const int>(0);
};

// The observer records are made on first use: most model objects (thousands of
// nodes in a document) are never observed and should not pay for them.
KeyValueObservable::KeyValueObservable() = default;

KeyValueObservable::Observers &KeyValueObservable::observers() const
{
    if (!m_observers)
        m_observers = std::make_unique<Observers>();
    return *m_observers;
}

KeyValueObservable::~KeyValueObservable() = default;

const KeyTable &KeyValueObservable::keyTable() const
{
    static const KeyTable empty;
    return empty;
}

KeyTable KeyValueObservable::extendKeyTable(const KeyTable &base, const KeyTable &additions)
{
    KeyTable merged = base;
    for (auto it = additions.cbegin(); it != additions.cend(); ++it)
        merged.insert(it.key(), it.value());
    return merged;
}

QString KeyValueObservable::className() const
{
    return demangled(typeid(*this).name());
}

QVariant KeyValueObservable::valueForKey(const QString &key) const
{
    const KeyTable &table = keyTable();
    const auto it = table.constFind(key);
    if (it == table.cend() || !it->get)
        return valueForUndefinedKey(key);
    return it->get(*this);
}

void KeyValueObservable::setValueForKey(const QVariant &value, const QString &key)
{
    const KeyTable &table = keyTable();
    const auto it = table.constFind(key);
    if (it == table.cend() || !it->set) {
        setValueForUndefinedKey(value, key);
        return;
    }
    // Copy the setter: an observer could in principle replace the table's entry.
    const auto setter = it->set;
    willChangeValueForKey(key);
    setter(*this, value);
    didChangeValueForKey(key);
}

QVariant KeyValueObservable::valueForKeyPath(const QString &keyPath) const
{
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    if (steps.size() > MaximumKeyPathDepth)
        throw Exception(QStringLiteral("KVO/Undefined Key"),
                        QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(), keyPath));
    const KeyValueObservable *object = this;
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        object = toObservable(object->valueForKey(steps.at(i)));
        if (!object)
            return QVariant();
    }
    return object->valueForKey(steps.constLast());
}

void KeyValueObservable::setValueForKeyPath(const QVariant &value, const QString &keyPath)
{
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    if (steps.size() > MaximumKeyPathDepth)
        throw Exception(QStringLiteral("KVO/Undefined Key"),
                        QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(), keyPath));
    KeyValueObservable *object = this;
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        object = toObservable(object->valueForKey(steps.at(i)));
        if (!object)
            return; // a missing object along the path takes the value nowhere
    }
    object->setValueForKey(value, steps.constLast());
}

QVariant KeyValueObservable::valueForUndefinedKey(const QString &key) const
{
    throw Exception(QStringLiteral("KVO/Undefined Key"),
                    QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(), key));
}

void KeyValueObservable::setValueForUndefinedKey(const QVariant &, const QString &key)
{
    throw Exception(QStringLiteral("KVO/Undefined Key"),
                    QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(), key));
}

ObservationToken KeyValueObservable::addObserver(const QString &key, Observer observer)
{
    if (!observer)
        return 0;
    const ObservationToken token = nextObservationToken();
    observers().byToken.emplace(token, Observers::Entry{key, std::make_shared<Observer>(std::move(observer))});
    m_observers->byKey[key].push_back(token);
    return token;
}

void KeyValueObservable::removeObserver(ObservationToken token)
{
    if (!m_observers)
        return;
    const auto it = m_observers->byToken.find(token);
    if (it == m_observers->byToken.end())
        return;
    const QString key = it->second.key;
    m_observers->byToken.erase(it);
    auto keyIt = m_observers->byKey.find(key);
    if (keyIt == m_observers->byKey.end())
        return;
    std::erase(*keyIt, token);
    if (keyIt->empty())
        m_observers->byKey.erase(keyIt);
}

bool KeyValueObservable::hasObservers(const QString &key) const
{
    if (!m_observers)
        return false;
    const auto it = m_observers->byKey.constFind(key);
    return it != m_observers->byKey.cend() && !it->empty();
}

void KeyValueObservable::willChangeValueForKey(const QString &key)
{
    // Nobody watches the key: no bracket to keep (a later didChange… without its
    // will still reports the change to whoever watches by then).
    if (!hasObservers(key) && !(m_observers && m_observers->pendingChanges.contains(key)))
        return;
    int &depth = m_observers->pendingChanges[key];
    ++depth;
    if (depth > 1)
        return;
    notify(key, true);
}

void KeyValueObservable::didChangeValueForKey(const QString &key)
{
    if (!m_observers)
        return;
    const auto it = m_observers->pendingChanges.find(key);
    if (it != m_observers->pendingChanges.end()) {
        if (--(*it) > 0)
            return;
        m_observers->pendingChanges.erase(it);
    }
    // Also reached by a didChange… without a will: that still reports the change.
    notify(key, false);
}

void KeyValueObservable::notify(const QString &key, bool prior)
{
    if (!m_observers)
        return;
    const auto keyIt = m_observers->byKey.constFind(key);
    if (keyIt == m_observers->byKey.cend())
        return;
    const std::vector<ObservationToken> snapshot = *keyIt;
    const std::weak_ptr<const int> alive = m_observers->alive;
    for (const ObservationToken token : snapshot) {
        if (alive.expired())
            return; // an observer destroyed the object

        const auto it = m_observers->byToken.find(token);
        if (it == m_observers->byToken.end())
            continue; // removed by an earlier observer of this round
        const std::shared_ptr<Observer> observer = it->second.observer; // survives its own removal
        (*observer)(*this, key, prior);
    }
}

std::weak_ptr<const void> KeyValueObservable::lifetime() const
{
    return observers().alive;
}

QVariant KeyValueObservable::fromObservable(KeyValueObservable *object)
{
    return QVariant::fromValue(object);
}

KeyValueObservable *KeyValueObservable::toObservable(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<KeyValueObservable *>())
        return value.value<KeyValueObservable *>();
    return nullptr;
}

} // namespace platform
