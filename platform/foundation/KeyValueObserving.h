#pragma once
// Key-value coding and observing for plain C++ model objects.
//
// A class makes keys available by overriding keyTable() with a static table of
// getters and setters. valueForKey()/setValueForKey() go through that table;
// an unknown key goes to valueForUndefinedKey()/setValueForUndefinedKey(), which
// raise platform::Exception named "KVO/Undefined Key".
// Observers are registered per key; willChangeValueForKey()/didChangeValueForKey()
// notify them (with prior = true before, false after). What an observer raises reaches
// whoever made the change (a bound control's failed assertion is told to its caller);
// a change made from an entry from Qt stops there. setValueForKey() through the
// table announces the change itself.
// Every object answers the key "self" with itself (unless its table has that key).
// A change may carry a record (changeForKey() while its observers run): its kind
// (a setting of the whole value, or an insertion, removal or replacement of elements
// of an array at indexes) and, for observers registered with wantsValues, the old and
// new values (for an indexed change: the elements at the indexes, before and after).
// Key paths cross arrays: a step whose value is a list answers, for the rest of the
// path, the list of each element's value (nil as nullValue()); setting through such
// a step sets every element.
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

// The value that stands for "no object" inside a collection (a null, not nil), and its test.
QVariant nullValue();
bool isNullValue(const QVariant &value);
// Whether a value is an array (QVariantList or QStringList).
bool isListValue(const QVariant &value);

enum class KeyValueChangeKind { Setting = 1, Insertion = 2, Removal = 3, Replacement = 4 };

struct KeyValueChange
{
    KeyValueChangeKind kind = KeyValueChangeKind::Setting;
    QList<qsizetype> indexes; // ascending; empty for a setting
    QVariant oldValue;        // a setting: the value; indexed: the list of the elements at the indexes
    QVariant newValue;
};

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

    // wantsValues: the change records of the key carry old and new values (which
    // costs a read of the key before and after each change).
    ObservationToken addObserver(const QString &key, Observer observer, bool wantsValues = false);
    void removeObserver(ObservationToken token);
    bool hasObservers(const QString &key) const;

    void willChangeValueForKey(const QString &key);
    void didChangeValueForKey(const QString &key);
    // Indexed changes of an array-valued key (the indexes ascending, positions in the
    // array before a removal and after an insertion).
    void willChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key);
    void didChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key);
    // The change being reported to the key's observers; null outside a notification.
    const KeyValueChange *changeForKey(const QString &key) const;

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
    void beginChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key);
    void endChange(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const QString &key);
    QVariant recordedValue(const QString &key, const QList<qsizetype> &indexes, bool indexed) const;

    struct Observers;
    Observers &observers() const;
    mutable std::unique_ptr<Observers> m_observers;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::KeyValueObservable *)
