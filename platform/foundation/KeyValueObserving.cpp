#include "platform/foundation/KeyValueObserving.h"

#include "platform/foundation/Exception.h"

#include <QStringList>
#include <atomic>
#include <cxxabi.h>
#include <cstdlib>
#include <map>
#include <typeinfo>
#include <utility>
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

// What one object keeps per key (its observers, its open changes): a few keys each,
// looked up by scanning, in one short list that takes no memory while it is empty. A
// hash table would allocate its buckets for the first key: observing or changing every
// node of a selection of a hundred thousand made a table on each of them, kept for good.
template<typename Value>
class KeyedEntries
{
public:
    Value *find(const QString &key)
    {
        for (auto &[entryKey, value] : m_entries)
            if (entryKey == key)
                return &value;
        return nullptr;
    }
    const Value *find(const QString &key) const { return const_cast<KeyedEntries *>(this)->find(key); }
    bool contains(const QString &key) const { return find(key) != nullptr; }
    Value &operator[](const QString &key)
    {
        if (Value *value = find(key))
            return *value;
        return m_entries.emplace_back(key, Value()).second;
    }
    void erase(const QString &key)
    {
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->first == key) {
                m_entries.erase(it);
                break;
            }
        }
        if (m_entries.empty())
            std::vector<std::pair<QString, Value>>().swap(m_entries);
    }

private:
    std::vector<std::pair<QString, Value>> m_entries;
};

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
        bool wantsValues = false;
    };
    std::map<ObservationToken, Entry> byToken;
    KeyedEntries<std::vector<ObservationToken>> byKey;
    // Observers per key that asked for old and new values.
    QHash<QString, int> valueWanters;
    // Open willChange…/didChange… brackets per key: only the outermost pair notifies.
    KeyedEntries<int> pendingChanges;
    // The records of the changes being reported, innermost last.
    KeyedEntries<std::vector<KeyValueChange>> changes;
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
    if (it == table.cend() || !it->get) {
        if (key == QLatin1String("self"))
            return fromObservable(const_cast<KeyValueObservable *>(this));
        return valueForUndefinedKey(key);
    }
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

namespace {

// The rest of a path (from step on) applied to a value: an object answers its
// value, a list the list of its elements' answers, anything else nil.
QVariant followPath(const QVariant &value, const QStringList &steps, qsizetype step)
{
    if (isListValue(value)) {
        QVariantList answers;
        const QVariantList elements = value.toList();
        answers.reserve(elements.size());
        for (const QVariant &element : elements) {
            const QVariant answer = followPath(element, steps, step);
            answers.append(answer.isValid() ? answer : nullValue());
        }
        return answers;
    }
    const KeyValueObservable *object = KeyValueObservable::toObservable(value);
    if (!object)
        return QVariant();
    const QVariant next = object->valueForKey(steps.at(step));
    return step + 1 == steps.size() ? next : followPath(next, steps, step + 1);
}

void setAlongPath(const QVariant &target, const QVariant &value, const QStringList &steps, qsizetype step)
{
    if (isListValue(target)) {
        const QVariantList elements = target.toList();
        for (const QVariant &element : elements)
            setAlongPath(element, value, steps, step);
        return;
    }
    KeyValueObservable *object = KeyValueObservable::toObservable(target);
    if (!object)
        return; // a missing object along the path takes the value nowhere
    if (step + 1 == steps.size())
        object->setValueForKey(value, steps.at(step));
    else
        setAlongPath(object->valueForKey(steps.at(step)), value, steps, step + 1);
}

} // namespace

QVariant KeyValueObservable::valueForKeyPath(const QString &keyPath) const
{
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    if (steps.size() > MaximumKeyPathDepth)
        throw Exception(QStringLiteral("KVO/Undefined Key"),
                        QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(), keyPath));
    const QVariant first = valueForKey(steps.constFirst());
    return steps.size() == 1 ? first : followPath(first, steps, 1);
}

void KeyValueObservable::setValueForKeyPath(const QVariant &value, const QString &keyPath)
{
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    if (steps.size() > MaximumKeyPathDepth)
        throw Exception(QStringLiteral("KVO/Undefined Key"),
                        QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(), keyPath));
    setAlongPath(fromObservable(this), value, steps, 0);
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

ObservationToken KeyValueObservable::addObserver(const QString &key, Observer observer, bool wantsValues)
{
    if (!observer)
        return 0;
    const ObservationToken token = nextObservationToken();
    observers().byToken.emplace(token,
                                Observers::Entry{key, std::make_shared<Observer>(std::move(observer)), wantsValues});
    m_observers->byKey[key].push_back(token);
    if (wantsValues)
        ++m_observers->valueWanters[key];
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
    if (it->second.wantsValues && --m_observers->valueWanters[key] <= 0)
        m_observers->valueWanters.remove(key);
    m_observers->byToken.erase(it);
    std::vector<ObservationToken> *tokens = m_observers->byKey.find(key);
    if (!tokens)
        return;
    std::erase(*tokens, token);
    if (tokens->empty())
        m_observers->byKey.erase(key);
}

bool KeyValueObservable::hasObservers(const QString &key) const
{
    if (!m_observers)
        return false;
    const std::vector<ObservationToken> *tokens = std::as_const(m_observers->byKey).find(key);
    return tokens && !tokens->empty();
}

void KeyValueObservable::willChangeValueForKey(const QString &key)
{
    beginChange(KeyValueChangeKind::Setting, {}, key);
}

void KeyValueObservable::didChangeValueForKey(const QString &key)
{
    endChange(KeyValueChangeKind::Setting, {}, key);
}

void KeyValueObservable::willChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key)
{
    beginChange(kind, indexes, key);
}

void KeyValueObservable::didChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key)
{
    endChange(kind, indexes, key);
}

const KeyValueChange *KeyValueObservable::changeForKey(const QString &key) const
{
    if (!m_observers)
        return nullptr;
    const std::vector<KeyValueChange> *records = std::as_const(m_observers->changes).find(key);
    if (!records || records->empty())
        return nullptr;
    return &records->back();
}

QVariant KeyValueObservable::recordedValue(const QString &key, const QList<qsizetype> &indexes, bool indexed) const
{
    QVariant value;
    try {
        value = valueForKey(key);
    } catch (const std::exception &) {
        return QVariant(); // a key the object answers elsewhere has no recorded value
    }
    if (!indexed)
        return value;
    const QVariantList elements = value.toList();
    QVariantList picked;
    for (const qsizetype index : indexes)
        if (index >= 0 && index < elements.size())
            picked.append(elements.at(index));
    return picked;
}

void KeyValueObservable::beginChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key)
{
    // Nobody watches the key: no bracket to keep (a later didChange… without its
    // will still reports the change to whoever watches by then).
    if (!hasObservers(key) && !(m_observers && m_observers->pendingChanges.contains(key)))
        return;
    int &depth = m_observers->pendingChanges[key];
    ++depth;
    if (depth > 1)
        return;
    KeyValueChange change;
    change.kind = kind;
    change.indexes = indexes;
    if (kind != KeyValueChangeKind::Insertion && m_observers->valueWanters.value(key) > 0)
        change.oldValue = recordedValue(key, indexes, kind != KeyValueChangeKind::Setting);
    m_observers->changes[key].push_back(std::move(change));
    notify(key, true);
}

void KeyValueObservable::endChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key)
{
    if (!m_observers)
        return;
    int *depth = m_observers->pendingChanges.find(key);
    const bool bracketed = depth != nullptr;
    if (bracketed) {
        if (--(*depth) > 0)
            return;
        m_observers->pendingChanges.erase(key);
    }
    // Also reached by a didChange… without a will: that still reports the change.
    if (!bracketed && !hasObservers(key))
        return;
    std::vector<KeyValueChange> &records = m_observers->changes[key];
    if (!bracketed || records.empty()) {
        KeyValueChange change;
        change.kind = kind;
        change.indexes = indexes;
        records.push_back(std::move(change));
    }
    if (kind != KeyValueChangeKind::Removal && m_observers->valueWanters.value(key) > 0) {
        const QVariant newValue = recordedValue(key, indexes, kind != KeyValueChangeKind::Setting);
        m_observers->changes[key].back().newValue = newValue;
    }
    const std::weak_ptr<const int> alive = m_observers->alive;
    notify(key, false);
    if (alive.expired())
        return; // an observer destroyed the object
    std::vector<KeyValueChange> *remaining = m_observers->changes.find(key);
    if (!remaining)
        return;
    if (!remaining->empty())
        remaining->pop_back();
    if (remaining->empty())
        m_observers->changes.erase(key);
}

void KeyValueObservable::notify(const QString &key, bool prior)
{
    if (!m_observers)
        return;
    const std::vector<ObservationToken> *tokens = std::as_const(m_observers->byKey).find(key);
    if (!tokens)
        return;
    const std::vector<ObservationToken> snapshot = *tokens;
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

QVariant nullValue()
{
    return QVariant::fromValue(nullptr);
}

bool isNullValue(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<std::nullptr_t>();
}

bool isListValue(const QVariant &value)
{
    const int id = value.metaType().id();
    return id == QMetaType::QVariantList || id == QMetaType::QStringList;
}

KeyValueObservable *KeyValueObservable::toObservable(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<KeyValueObservable *>())
        return value.value<KeyValueObservable *>();
    return nullptr;
}

} // namespace platform
