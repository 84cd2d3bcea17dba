#pragma once
// Key-value coding and observing for plain C++ model objects.
//
// A class makes keys available by overriding keyTable() with a static table of
// getters and setters. valueForKey()/setValueForKey() go through that table;
// an unknown key goes to valueForUndefinedKey()/setValueForUndefinedKey(), which
// raise platform::Exception named "KVO/Undefined Key".
// Observers are registered per key; willChangeValueForKey()/didChangeValueForKey()
// notify them (with prior = true before, false after). setValueForKey() through the
// table announces the change itself.
// Threads: an observable object and its observers belong to one thread (the GUI
// thread for everything a control shows); nothing here locks.
#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace platform {

class KeyValueObservable;

struct KeyAccessor
{
    std::function<QVariant(const KeyValueObservable &)> get;
    std::function<void(KeyValueObservable &, const QVariant &)> set; // may be empty: read-only key
};

using KeyTable = QHash<QString, KeyAccessor>;
using ObservationToken = quint64;

class KeyValueObservable
{
public:
    using Observer = std::function<void(KeyValueObservable &object, const QString &key, bool prior)>;

    KeyValueObservable();
    KeyValueObservable(const KeyValueObservable &) = delete;
    KeyValueObservable &operator=(const KeyValueObservable &) = delete;
    virtual ~KeyValueObservable();

    QVariant valueForKey(const QString &key) const;
    void setValueForKey(const QVariant &value, const QString &key);
    // Dotted paths: each step's value must hold a KeyValueObservable* (see toObservable()).
    QVariant valueForKeyPath(const QString &keyPath) const;
    void setValueForKeyPath(const QVariant &value, const QString &keyPath);

    // Whether the object answers the key itself (its key table has it), as opposed
    // to handing it to valueForUndefinedKey(): what callers test before they bind an
    // optional property.
    virtual bool hasKey(const QString &key) const { return keyTable().contains(key); }

    virtual QVariant valueForUndefinedKey(const QString &key) const;
    virtual void setValueForUndefinedKey(const QVariant &value, const QString &key);

    ObservationToken addObserver(const QString &key, Observer observer);
    void removeObserver(ObservationToken token);
    bool hasObservers(const QString &key) const;

    void willChangeValueForKey(const QString &key);
    void didChangeValueForKey(const QString &key);

    // Class name for messages (the undefined-key exception names it).
    virtual QString className() const;

    // Wraps an object pointer into a QVariant that key paths can follow, and back.
    static QVariant fromObservable(KeyValueObservable *object);
    static KeyValueObservable *toObservable(const QVariant &value);

    // A derived class's table: its base's keys plus its own (its own win on clashes).
    // Typical use: static const KeyTable table = extendKeyTable(Base::keyTable(), {...});
    static KeyTable extendKeyTable(const KeyTable &base, const KeyTable &additions);

    // Expires when the object is destroyed: lets holders of a plain pointer (bindings,
    // key-path observers) tell a live object from a dead one.
    std::weak_ptr<const void> lifetime() const;

    // Longest key path (in steps) followed by valueForKeyPath()/setValueForKeyPath();
    // a longer one raises the undefined-key exception.
    static constexpr int MaximumKeyPathDepth = 64;

protected:
    // The class's keys; the default has none.
    virtual const KeyTable &keyTable() const;

private:
    void notify(const QString &key, bool prior);

    struct Observers;
    Observers &observers() const;
    mutable std::unique_ptr<Observers> m_observers;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::KeyValueObservable *)
