#include "platform/foundation/Bindings.h"

#include "platform/foundation/GuiThread.h"

#include <QHash>
#include <QPointer>

namespace platform {

namespace {

struct BindingEntry
{
    BindingInfo info;
    std::weak_ptr<const void> observedLifetime;
};

struct BoundObject
{
    bool isQObject = false;
    QPointer<QObject> qobject;
    std::weak_ptr<const void> lifetime; // KeyValueObservable owners
    QMetaObject::Connection destroyedConnection;
    QHash<QString, BindingEntry> bindings;

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

void store(BoundObject &record, const QString &binding, KeyValueObservable *observedObject, const QString &keyPath,
           const QVariantMap &options)
{
    BindingEntry entry;
    entry.info = BindingInfo{observedObject, keyPath, options};
    if (observedObject)
        entry.observedLifetime = observedObject->lifetime();
    record.bindings.insert(binding, std::move(entry));
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
        fresh.destroyedConnection = QObject::connect(object, &QObject::destroyed, [key] {
            Registry &reg = registry();
            reg.objects.remove(key);
        });
        record = &*r.objects.insert(key, std::move(fresh));
    }
    store(*record, binding, observedObject, keyPath, options);
}

void bind(KeyValueObservable *object, const QString &binding, KeyValueObservable *observedObject,
          const QString &keyPath, const QVariantMap &options)
{
    if (!object || binding.isEmpty())
        return;
    Registry &r = registry();
    BoundObject *record = liveRecord(r, object);
    if (!record) {
        BoundObject fresh;
        fresh.lifetime = object->lifetime();
        record = &*r.objects.insert(object, std::move(fresh));
    }
    store(*record, binding, observedObject, keyPath, options);
}

void unbind(const void *object, const QString &binding)
{
    Registry &r = registry();
    BoundObject *record = liveRecord(r, object);
    if (!record)
        return;
    record->bindings.remove(binding);
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
    r.objects.erase(it);
}

std::optional<BindingInfo> infoForBinding(const void *object, const QString &binding)
{
    Registry &r = registry();
    const BoundObject *record = liveRecord(r, object);
    if (!record)
        return std::nullopt;
    const auto it = record->bindings.constFind(binding);
    if (it == record->bindings.cend())
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
    if (!root || keyPath.isEmpty())
        return;
    m_steps = keyPath.split(QLatin1Char('.'));
    if (m_steps.size() > KeyValueObservable::MaximumKeyPathDepth) {
        m_steps.clear();
        return;
    }
    attachFrom(0, root);
}

BindingObserver::BindingObserver(const void *object, const QString &binding, Callback onChange)
    : m_onChange(std::move(onChange))
{
    const std::optional<BindingInfo> info = infoForBinding(object, binding);
    if (!info || !info->observedObject || info->keyPath.isEmpty())
        return;
    m_steps = info->keyPath.split(QLatin1Char('.'));
    if (m_steps.size() > KeyValueObservable::MaximumKeyPathDepth) {
        m_steps.clear();
        return;
    }
    attachFrom(0, info->observedObject);
}

BindingObserver::~BindingObserver()
{
    detachFrom(0);
}

void BindingObserver::attachFrom(size_t step, KeyValueObservable *object)
{
    while (object && step < size_t(m_steps.size())) {
        Link link;
        link.object = object;
        link.lifetime = object->lifetime();
        link.token = object->addObserver(m_steps.at(qsizetype(step)), [this, step](KeyValueObservable &, const QString &, bool prior) {
            if (!prior)
                stepChanged(step);
        });
        m_links.push_back(std::move(link));
        if (step + 1 == size_t(m_steps.size()))
            break;
        try {
            object = KeyValueObservable::toObservable(object->valueForKey(m_steps.at(qsizetype(step))));
        } catch (const std::exception &) {
            object = nullptr; // an undefined key ends the observed path here
        }
        ++step;
    }
}

void BindingObserver::detachFrom(size_t step)
{
    while (m_links.size() > step) {
        const Link &link = m_links.back();
        if (!link.lifetime.expired())
            link.object->removeObserver(link.token);
        m_links.pop_back();
    }
}

void BindingObserver::stepChanged(size_t step)
{
    if (step >= m_links.size())
        return;
    // The objects after this step may have changed: observe the new ones.
    detachFrom(step + 1);
    const Link &link = m_links.at(step);
    if (step + 1 < size_t(m_steps.size()) && !link.lifetime.expired()) {
        KeyValueObservable *next = nullptr;
        try {
            next = KeyValueObservable::toObservable(link.object->valueForKey(m_steps.at(qsizetype(step))));
        } catch (const std::exception &) {
        }
        attachFrom(step + 1, next);
    }
    if (m_onChange)
        m_onChange();
}

QVariant BindingObserver::value() const
{
    if (m_links.empty() || m_links.front().lifetime.expired())
        return QVariant();
    return m_links.front().object->valueForKeyPath(m_steps.join(QLatin1Char('.')));
}

} // namespace platform
