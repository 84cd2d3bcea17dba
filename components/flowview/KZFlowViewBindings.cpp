// Items from a bound array controller: the content array binding, the four key paths
// the items are read through, and the observation of the array and of every item at
// those paths.
#include "components/flowview/KZFlowView.h"

#include "components/flowview/KZFlowViewImageCache.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/Bindings.h"

#include <QSet>

using platform::KeyValueObservable;

namespace {

// The names of the bindings that set the item key paths, in the order of m_keyPaths.
const QString KeyPathBindings[4] = {QStringLiteral("imageRepresentationKeyPath"),
                                    QStringLiteral("imageRepresentationTypeKeyPath"),
                                    QStringLiteral("imageUIDKeyPath"), QStringLiteral("imageTitleKeyPath")};

QSet<KeyValueObservable *> observablesOf(const QVariantList &items)
{
    QSet<KeyValueObservable *> set;
    for (const QVariant &item : items)
        if (KeyValueObservable *observable = KeyValueObservable::toObservable(item))
            set.insert(observable);
    return set;
}

} // namespace

QVariantList KZFlowView::contentArray() const
{
    if (!m_contentController)
        return {};
    const QVariant value = m_contentController->valueForKeyPath(m_contentKeyPath);
    return value.isNull() ? QVariantList() : value.toList();
}

QStringList KZFlowView::observedItemKeyPaths() const
{
    QStringList paths;
    for (const QString &path : m_keyPaths)
        if (!path.isEmpty())
            paths.append(path);
    return paths;
}

qsizetype KZFlowView::itemObservationCount() const
{
    return qsizetype(m_itemObservations.size());
}

void KZFlowView::bind(const QString &binding, KeyValueObservable *observable, const QString &keyPath,
                      const QVariantMap &options)
{
    if (binding == ContentArrayBinding) {
        auto *controller = dynamic_cast<platform::ArrayController *>(observable);
        if (!controller)
            platform::AssertionHandler::current().handleFailureInFunction(
                QStringLiteral("-[KZFlowView bind:toObject:withKeyPath:options:]"), QStringLiteral("KZFlowView/KZFlowView"),
                __LINE__, QStringLiteral("NSContentArrayBinding needs to be bound to an NSArrayController!"));
        if (m_contentController)
            unbind(ContentArrayBinding);
        platform::bind(this, binding, observable, keyPath, options);
        m_contentController = controller;
        m_contentKeyPath = keyPath;
        if (m_keyPaths[0].isEmpty())
            setImageRepresentationKeyPath(QStringLiteral("imageItemRepresentation"));
        if (m_keyPaths[1].isEmpty())
            setImageRepresentationTypeKeyPath(QStringLiteral("imageItemRepresentationType"));
        if (m_keyPaths[2].isEmpty())
            setImageUIDKeyPath(QStringLiteral("imageItemUID"));
        m_contentObserver = std::make_unique<platform::BindingObserver>(controller, keyPath, [this] { contentArrayChanged(); });
        contentArrayChanged();
        return;
    }
    for (int i = 0; i < 4; ++i) {
        if (binding != KeyPathBindings[i])
            continue;
        // The key path follows the observed value.
        platform::bind(this, binding, observable, keyPath, options);
        m_keyPathObservers[i].reset();
        if (!observable)
            return;
        m_keyPathObservers[i] = std::make_unique<platform::BindingObserver>(observable, keyPath, [this, i] {
            setItemKeyPath(i, m_keyPathObservers[i]->value().toString());
        });
        setItemKeyPath(i, m_keyPathObservers[i]->value().toString());
        return;
    }
}

void KZFlowView::unbind(const QString &binding)
{
    if (binding == ContentArrayBinding && m_contentController) {
        m_contentObserver.reset();
        stopObservingItems(m_observedItems, observedItemKeyPaths());
        m_observedItems.clear();
        m_contentController = nullptr;
        m_contentKeyPath.clear();
        if (m_backgroundLayer)
            m_backgroundLayer->setNeedsDisplay();
    }
    for (int i = 0; i < 4; ++i)
        if (binding == KeyPathBindings[i])
            m_keyPathObservers[i].reset();
    platform::unbind(this, binding);
}

void KZFlowView::unbindAll()
{
    stopObservingItems(m_observedItems, observedItemKeyPaths());
    m_itemObservations.clear();
    m_contentObserver.reset();
    m_contentController = nullptr;
    for (auto &observer : m_keyPathObservers)
        observer.reset();
    platform::unbindAll(this);
}

void KZFlowView::setItemKeyPath(int which, const QString &keyPath)
{
    if (m_keyPaths[which] == keyPath)
        return;
    if (!m_keyPaths[which].isEmpty())
        stopObservingItems(m_observedItems, {m_keyPaths[which]});
    m_keyPaths[which] = keyPath;
    if (!keyPath.isEmpty())
        observeItems(m_observedItems, {keyPath});
}

void KZFlowView::observeItems(const QVariantList &items, const QStringList &keyPaths)
{
    for (const QVariant &value : items) {
        KeyValueObservable *item = KeyValueObservable::toObservable(value);
        if (!item)
            continue;
        for (const QString &keyPath : keyPaths) {
            auto observation = std::make_unique<ItemObservation>();
            observation->item = item;
            observation->keyPath = keyPath;
            observation->observer = std::make_unique<platform::BindingObserver>(
                item, keyPath, [this, item, keyPath] { itemKeyPathChanged(item, keyPath); });
            m_itemObservations.push_back(std::move(observation));
            // Observed with the initial value, as it stands now.
            itemKeyPathChanged(item, keyPath);
        }
    }
}

void KZFlowView::stopObservingItems(const QVariantList &items, const QStringList &keyPaths)
{
    const QSet<KeyValueObservable *> gone = observablesOf(items);
    std::erase_if(m_itemObservations, [&](const std::unique_ptr<ItemObservation> &observation) {
        return gone.contains(observation->item) && keyPaths.contains(observation->keyPath);
    });
}

void KZFlowView::contentArrayChanged()
{
    const QVariantList items = contentArray();
    const QSet<KeyValueObservable *> now = observablesOf(items);
    const QSet<KeyValueObservable *> before = observablesOf(m_observedItems);
    QVariantList added;
    QVariantList removed;
    for (const QVariant &item : items)
        if (!before.contains(KeyValueObservable::toObservable(item)))
            added.append(item);
    for (const QVariant &item : std::as_const(m_observedItems))
        if (!now.contains(KeyValueObservable::toObservable(item)))
            removed.append(item);
    const QStringList paths = observedItemKeyPaths();
    stopObservingItems(removed, paths);
    m_observedItems = items;
    observeItems(added, paths);
    reloadContent();
}

void KZFlowView::itemKeyPathChanged(KeyValueObservable *item, const QString &keyPath)
{
    if (keyPath == m_keyPaths[0] || keyPath == m_keyPaths[1] || keyPath == m_keyPaths[2]) {
        if (const std::optional<QString> key = KZFlowViewImageCache::keyFor(imageUIDForItem(item)))
            m_imageCache->remove(*key);
        markScrollLayerForLayout();
    } else if (keyPath == m_keyPaths[3]) {
        // The title under the row is the selected item's.
        if (m_selectedIndex != NotFound && imageItemForIndex(m_selectedIndex) == item)
            setTitle(item->valueForKeyPath(keyPath).toString());
    }
}
