#include "platform/foundation/Bindings.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"

#include <QHash>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

namespace {

struct BindingEntry
{
    BindingInfo info;
    std::weak_ptr<const void> observedLifetime;
    std::shared_ptr<BindingObserver> follower; // a following binding's observation of the path
};

// The bindings of one object: a handful, looked through in a list (a hash would
// start with room for dozens, kilobytes for each bound object). Entries stay where
// they are while others come and go.
class BindingList
{
public:
    BindingEntry *find(const QString &name) const
    {
        for (const auto &named : m_entries)
            if (named->first == name)
                return &named->second;
        return nullptr;
    }
    // A new entry, or the one of the name replaced.
    BindingEntry &insert(const QString &name, BindingEntry entry)
    {
        if (BindingEntry *old = find(name)) {
            *old = std::move(entry);
            return *old;
        }
        m_entries.push_back(std::make_shared<std::pair<QString, BindingEntry>>(name, std::move(entry)));
        return m_entries.back()->second;
    }
    // Answers the entry taken out (empty when there was none).
    std::optional<BindingEntry> take(const QString &name)
    {
        const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                     [&name](const auto &named) { return named->first == name; });
        if (at == m_entries.end())
            return std::nullopt;
        std::optional<BindingEntry> taken = std::move((*at)->second);
        m_entries.erase(at);
        return taken;
    }
    bool isEmpty() const { return m_entries.empty(); }
    QStringList keys() const
    {
        QStringList names;
        for (const auto &named : m_entries)
            names << named->first;
        return names;
    }

private:
    // Shared only so that the registry's hash may copy a record; it never does.
    std::vector<std::shared_ptr<std::pair<QString, BindingEntry>>> m_entries;
};

struct BoundObject
{
    bool isQObject = false;
    QPointer<QObject> qobject;
    std::weak_ptr<const void> lifetime; // KeyValueObservable owners
    QMetaObject::Connection destroyedConnection;
    BindingList bindings;

    bool isAlive() const { return isQObject ? !qobject.isNull() : !lifetime.expired(); }
};

struct Registry
{
    QHash<const void *, BoundObject> objects;
};

Registry &registry()
{
    platform::GuiThread::check("bindings");
    static Registry instance;
    return instance;
}

// The live record of an object, purging a stale one (an
// object of the same address that has died).
BoundObject *liveRecord(Registry &r, const void *object)
{
    const auto it = r.objects.find(object);
    if (it == r.objects.end())
        return nullptr;
    if (!it->isAlive()) {
        QObject::disconnect(it->destroyedConnection);
        r.objects.erase(it);
        return nullptr;
    }
    return &*it;
}

BindingEntry &store(BoundObject &record, const QString &binding, KeyValueObservable *observedObject,
                    const QString &keyPath, const QVariantMap &options)
{
    BindingEntry entry;
    entry.info = BindingInfo{observedObject, keyPath, options};
    if (observedObject)
        entry.observedLifetime = observedObject->lifetime();
    // Moved out first: a replaced follower is destroyed only once the new entry stands.
    std::shared_ptr<BindingObserver> oldFollower;
    if (BindingEntry *old = record.bindings.find(binding))
        oldFollower = std::move(old->follower);
    return record.bindings.insert(binding, std::move(entry));
}

BoundObject &recordOf(Registry &r, KeyValueObservable *object)
{
    BoundObject *record = liveRecord(r, object);
    if (!record) {
        BoundObject fresh;
        fresh.lifetime = object->lifetime();
        record = &*r.objects.insert(object, std::move(fresh));
    }
    return *record;
}

} // namespace

void bind(QObject *object, const QString &binding, KeyValueObservable *observedObject, const QString &keyPath,
          const QVariantMap &options)
{
    if (!object || binding.isEmpty())
        return;
    Registry &r = registry();
    BoundObject *record = liveRecord(r, object);
    if (!record) {
        BoundObject fresh;
        fresh.isQObject = true;
        fresh.qobject = object;
        const void *key = object;
        fresh.destroyedConnection = QObject::connect(object, &QObject::destroyed, platform::ExceptionBoundary::guarded(object, "destroyed", [key] {
            Registry &reg = registry();
            reg.objects.remove(key);
        }));
        record = &*r.objects.insert(key, std::move(fresh));
    }
    store(*record, binding, observedObject, keyPath, options);
}

void bind(KeyValueObservable *object, const QString &binding, KeyValueObservable *observedObject,
          const QString &keyPath, const QVariantMap &options)
{
    if (!object || binding.isEmpty())
        return;
    store(recordOf(registry(), object), binding, observedObject, keyPath, options);
}

void bindFollowing(KeyValueObservable *object, const QString &binding, KeyValueObservable *observedObject,
                   const QString &keyPath, const QVariantMap &options)
{
    if (!object || binding.isEmpty())
        return;
    BindingEntry &entry = store(recordOf(registry(), object), binding, observedObject, keyPath, options);
    const std::weak_ptr<const void> lifetime = object->lifetime();
    const auto applying = std::make_shared<bool>(false);
    auto apply = [object, lifetime, binding, applying] {
        if (lifetime.expired() || *applying)
            return;
        *applying = true;
        const auto done = qScopeGuard([&] { *applying = false; }); // also when the setter raises
        object->setValueForKey(valueForBinding(object, binding), binding);
    };
    entry.follower = std::make_shared<BindingObserver>(observedObject, keyPath, apply);
    apply();
}

void unbind(const void *object, const QString &binding)
{
    Registry &r = registry();
    BoundObject *record = liveRecord(r, object);
    if (!record)
        return;
    // Kept until the registry is consistent again: its destruction detaches observers.
    std::shared_ptr<BindingObserver> follower;
    if (std::optional<BindingEntry> gone = record->bindings.take(binding))
        follower = std::move(gone->follower);
    if (record->bindings.isEmpty()) {
        QObject::disconnect(record->destroyedConnection);
        r.objects.remove(object);
    }
}

void unbindAll(const void *object)
{
    Registry &r = registry();
    const auto it = r.objects.find(object);
    if (it == r.objects.end())
        return;
    QObject::disconnect(it->destroyedConnection);
    const BoundObject gone = std::move(*it);
    r.objects.erase(it);
}

std::optional<BindingInfo> infoForBinding(const void *object, const QString &binding)
{
    Registry &r = registry();
    const BoundObject *record = liveRecord(r, object);
    if (!record)
        return std::nullopt;
    const BindingEntry *it = record->bindings.find(binding);
    if (!it)
        return std::nullopt;
    BindingInfo info = it->info;
    if (it->observedLifetime.expired())
        info.observedObject = nullptr;
    return info;
}

QStringList boundBindings(const void *object)
{
    Registry &r = registry();
    const BoundObject *record = liveRecord(r, object);
    if (!record)
        return {};
    QStringList names = record->bindings.keys();
    names.sort();
    return names;
}

std::shared_ptr<ValueTransformer> transformerForBinding(const BindingInfo &info)
{
    if (std::shared_ptr<ValueTransformer> transformer =
            ValueTransformer::fromVariant(info.options.value(ValueTransformerBindingOption)))
        return transformer;
    const QVariant name = info.options.value(ValueTransformerNameBindingOption);
    if (name.metaType() != QMetaType::fromType<QString>() || name.toString().isEmpty())
        return nullptr;
    return ValueTransformer::valueTransformerForName(name.toString());
}

QVariant valueForBinding(const void *object, const QString &binding)
{
    const std::optional<BindingInfo> info = infoForBinding(object, binding);
    if (!info || !info->observedObject || info->keyPath.isEmpty())
        return QVariant();
    const QVariant value = info->observedObject->valueForKeyPath(info->keyPath);
    const std::shared_ptr<ValueTransformer> transformer = transformerForBinding(*info);
    return transformer ? transformer->transformedValue(value) : value;
}

// BindingObserver

BindingObserver::BindingObserver(KeyValueObservable *root, const QString &keyPath, Callback onChange)
    : m_onChange(std::move(onChange))
{
    start(root, keyPath);
}

BindingObserver::BindingObserver(const void *object, const QString &binding, Callback onChange)
    : m_onChange(std::move(onChange))
{
    const std::optional<BindingInfo> info = infoForBinding(object, binding);
    if (info)
        start(info->observedObject, info->keyPath);
}

BindingObserver::~BindingObserver()
{
    detachAll();
}

void BindingObserver::start(KeyValueObservable *root, const QString &keyPath)
{
    if (!root || keyPath.isEmpty())
        return;
    m_steps = keyPath.split(QLatin1Char('.'));
    if (m_steps.size() > KeyValueObservable::MaximumKeyPathDepth) {
        m_steps.clear();
        return;
    }
    m_root = root;
    m_rootLifetime = root->lifetime();
    attach(0, KeyValueObservable::fromObservable(root));
}

void BindingObserver::attach(size_t step, const QVariant &value)
{
    if (step >= size_t(m_steps.size()))
        return;
    if (isListValue(value)) {
        // A list along the path: each element is followed by the rest of it.
        const QVariantList elements = value.toList();
        for (const QVariant &element : elements)
            attach(step, element);
        return;
    }
    KeyValueObservable *object = KeyValueObservable::toObservable(value);
    if (!object)
        return;
    Link link;
    link.object = object;
    link.lifetime = object->lifetime();
    link.token = object->addObserver(m_steps.at(qsizetype(step)), [this, step](KeyValueObservable &, const QString &, bool prior) {
        if (!prior)
            stepChanged(step);
    });
    m_links.push_back(std::move(link));
    if (step + 1 == size_t(m_steps.size()))
        return;
    QVariant next;
    try {
        next = object->valueForKey(m_steps.at(qsizetype(step)));
    } catch (const std::exception &) {
        return; // an undefined key ends the observed path here
    }
    attach(step + 1, next);
}

void BindingObserver::detachAll()
{
    while (!m_links.empty()) {
        const Link &link = m_links.back();
        if (!link.lifetime.expired())
            link.object->removeObserver(link.token);
        m_links.pop_back();
    }
}

void BindingObserver::stepChanged(size_t step)
{
    // A step before the last changed: the objects after it may be others now.
    if (step + 1 < size_t(m_steps.size())) {
        detachAll();
        if (!m_rootLifetime.expired())
            attach(0, KeyValueObservable::fromObservable(m_root));
    }
    // A copy: the callback may end this observer (unbinding a following binding).
    if (const Callback onChange = m_onChange)
        onChange();
}

QVariant BindingObserver::value() const
{
    if (!m_root || m_rootLifetime.expired())
        return QVariant();
    return m_root->valueForKeyPath(m_steps.join(QLatin1Char('.')));
}

} // namespace platform
