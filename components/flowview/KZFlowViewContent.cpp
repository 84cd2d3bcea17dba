// Filling the layer tree: reloads that reuse item layers, pictures made off the GUI
// thread and cached by identifier, and the live movie of the selected item.
#include "components/flowview/KZFlowView.h"

#include "components/flowview/KZFlowViewImageCache.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/ThreadHandOff.h"
#include "platform/layers/Transaction.h"

#include <QCoreApplication>
#include <limits>

using platform::Layer;
using platform::LayerPtr;
using platform::Transaction;

namespace {

const QString AspectRatioKey = QStringLiteral("aspectRatioKey");
const QString IndexKey = QStringLiteral("index");
const QString UIDKey = QStringLiteral("imageItemUID");

} // namespace

// ---- Reload ----

void KZFlowView::enqeueItemLayer(const LayerPtr &layer)
{
    if (layer)
        m_layerQueue.append(layer);
}

LayerPtr KZFlowView::deqeueItemLayer()
{
    return m_layerQueue.isEmpty() ? nullptr : m_layerQueue.takeLast();
}

void KZFlowView::reloadContent()
{
    ++m_reloadCount;
    quint32 count = 0;
    if (bindingsEnabled()) {
        count = quint32(contentArray().size());
    } else if (m_dataSource) {
        const std::optional<unsigned> number = m_dataSource->numberOfItemsInFlowView(*this);
        // Whether the data source gives items is asked of item 0 only when there is one.
        if (number && *number > 0 && m_dataSource->flowViewItemAtIndex(*this, 0).has_value())
            count = *number;
    }
    m_numberOfItems = count;
    if (!m_scrollLayer)
        return;

    Transaction::begin();
    Transaction::setDisableActions(true);
    const QList<LayerPtr> old = m_scrollLayer->sublayers();
    QList<LayerPtr> live; // content layers showing a movie
    // Queued last to first, so that the queue, used last in first out, gives each
    // index its own layer back: items that stay where they were keep their layers.
    for (auto layer = old.crbegin(); layer != old.crend(); ++layer) {
        if (!(*layer)->sublayers().isEmpty() && !(*layer)->sublayers().first()->sublayers().isEmpty())
            live.append(*layer);
        enqeueItemLayer(*layer);
    }
    m_scrollLayer->setSublayers({});
    for (quint32 i = 0; i < count; ++i) {
        LayerPtr layer = deqeueItemLayer();
        if (!layer) {
            layer = createItemLayerWithIndex(i);
            ++m_itemLayersMade;
        } else {
            const QVariant uid = imageUIDForItem(imageItemForIndex(i));
            layer->setValueForKey(i, IndexKey);
            layer->setValueForKey(uid, UIDKey);
            if (auto *replicator = dynamic_cast<platform::ReplicatorLayer *>(layer.get()))
                applyReflection(*replicator);
            if (!layer->sublayers().isEmpty()) {
                const LayerPtr content = layer->sublayers().first();
                // The same item at the same place keeps its picture, and, when it is
                // the selected one, its movie; any other content layer loses both.
                const bool sameItem = uid.isValid() && content->valueForKey(UIDKey) == uid &&
                                      content->valueForKey(IndexKey) == QVariant(i);
                const QString oldName = content->name();
                setAttributesForItemContentLayer(*content, i);
                if (!sameItem || i != m_selectedIndex || content->name() != oldName)
                    removeLiveContent(*content);
                if (!sameItem)
                    content->setContents(QImage());
            }
        }
        m_scrollLayer->addSublayer(layer);
    }
    // A movie does not wait in the reuse queue: it stops with its item's layer.
    for (const LayerPtr &layer : std::as_const(live))
        if (!layer->superlayer())
            removeLiveContent(*layer->sublayers().first());
    Transaction::commit();
    rebuildListElements();

    if (m_selectedIndex >= m_numberOfItems)
        setSelectedIndex(0);
    // The selected item gets its movie again when its layer lost it. Without items
    // the old selection stays as it was, and there is nothing to select.
    if (m_selectedIndex < m_numberOfItems)
        selectLayerAtIndex(m_selectedIndex);
    m_scrollLayer->setNeedsLayout();
    updateSelectionInRange(platform::Range(0, m_numberOfItems));
    updateScrollKnob();
}

// The list element's children are the content layers' elements in index order;
// the elements of layers waiting in the reuse queue are not among them.
void KZFlowView::rebuildListElements()
{
    const KZLayerAccessibilityHelper::Ptr list = accessibilityElementOfLayer(m_backgroundLayer.get());
    if (!list)
        return;
    while (list->countOfChildren() > 0)
        list->removeObjectFromChildrenAtIndex(list->countOfChildren() - 1);
    for (quint32 i = 0; i < m_numberOfItems; ++i) {
        const LayerPtr content = imageLayerAtIndex(i);
        if (const KZLayerAccessibilityHelper::Ptr element = accessibilityElementOfLayer(content.get()))
            list->addChildrenObject(element);
    }
}

// ---- Pictures ----

qreal KZFlowView::differenceForImage(const QImage &image, const QSizeF &desiredSize)
{
    if (image.isNull() || desiredSize.width() <= 0)
        return std::numeric_limits<float>::max();
    return (image.width() - desiredSize.width()) / desiredSize.width() * 100;
}

void KZFlowView::cacheImage(const QImage &image, const QVariant &uid)
{
    if (const std::optional<QString> key = KZFlowViewImageCache::keyFor(uid))
        m_imageCache->insert(*key, image);
}

void KZFlowView::updateImages()
{
    cancelLoads();
    if (!m_scrollLayer)
        return;
    const QSizeF size = itemSizeForRect(m_scrollLayer->visibleRect());
    const platform::Range visible = m_visibleItemIndexes;
    const qint64 first = visible.length > 0 ? visible.location : -2;
    const qint64 last = visible.length > 0 ? visible.max() - 1 : -2;
    for (quint32 i = 0; i < m_numberOfItems; ++i) {
        if (qint64(i) >= first - 1 && qint64(i) <= last + 1) {
            updateImageLayerAtIndex(i);
            continue;
        }
        platform::KeyValueObservable *item = imageItemForIndex(i);
        QImage image;
        if (const std::optional<QString> key = KZFlowViewImageCache::keyFor(imageUIDForItem(item)))
            image = m_imageCache->image(*key);
        if (image.isNull())
            image = defaultImageForItem(item, size);
        setImage(image.isNull() ? defaultImage() : image, i);
    }
}

void KZFlowView::updateImageLayerAtIndex(quint32 index)
{
    if (!m_scrollLayer || index >= m_numberOfItems)
        return;
    QSizeF wanted = itemSizeForRect(m_scrollLayer->frame());
    if (index != m_selectedIndex)
        wanted *= m_previewScale;
    platform::KeyValueObservable *item = imageItemForIndex(index);
    const QVariant uid = imageUIDForItem(item);
    const std::optional<QString> key = KZFlowViewImageCache::keyFor(uid);
    const QImage cached = key ? m_imageCache->image(*key) : QImage();
    // No picture is asked for a size of nothing; what there is stays.
    const bool noSize = !(wanted.width() > 0) || !(wanted.height() > 0);
    if (!cached.isNull() && (noSize || differenceForImage(cached, wanted) > -10)) {
        setImage(cached, index);
        return;
    }
    QImage shown = cached;
    if (shown.isNull())
        shown = defaultImageForItem(item, wanted);
    setImage(shown.isNull() ? defaultImage() : shown, index);
    if (noSize)
        return;

    const QString type = imageRepresentationTypeForItem(item).toString();
    const QVariant representation = prepareRepresentation(imageRepresentationForItem(item), type, wanted);
    const quint64 reload = m_reloadCount;
    const quint64 generation = m_loadGeneration;
    QPointer<KZFlowView> view(this);
    std::shared_ptr<KZFlowViewImageCache> cache = m_imageCache;
    m_operationQueue->addOperation([view, cache, representation, type, uid, key, wanted, index, reload,
                                    generation](platform::Operation &self) {
        const QImage image = newImageFromRepresentation(representation, type, wanted,
                                                        [&self] { return self.isCancelled(); });
        if (image.isNull())
            return;
        // A picture made is kept even when nobody waits for it any more, so the next
        // request finds it. The cache is shared: a view gone meanwhile leaves it to
        // the last operation. Only the delivery depends on the load still being wanted.
        if (key)
            cache->insert(*key, image);
        if (self.isCancelled())
            return;
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return;
        platform::postToThreadOf(application, "a queued call", [view, image, index, uid, key, reload, generation] {
            if (view && view->m_loadGeneration == generation)
                view->deliverLoadedImage(image, index, uid, reload);
        });
    });
}

void KZFlowView::cancelLoads()
{
    ++m_loadGeneration;
    m_operationQueue->cancelAllOperations();
}

void KZFlowView::deliverLoadedImage(const QImage &image, quint32 index, const QVariant &uid, quint64 reload)
{
    const LayerPtr content = imageLayerAtIndex(index);
    if (!content)
        return;
    // The picture belongs to the item it was made for: the one whose identifier the
    // layer still carries, or, without an identifier, the one of the same reload.
    if (uid.isValid() ? content->valueForKey(UIDKey) != uid : reload != m_reloadCount)
        return;
    setImage(image, index);
}

void KZFlowView::setImage(const QImage &image, quint32 index)
{
    if (image.isNull())
        return;
    const LayerPtr item = itemLayerAtIndex(index);
    const LayerPtr content = imageLayerAtIndex(index);
    if (!item || !content)
        return;
    const double ratio = double(image.width()) / double(image.height());
    content->setValueForKey(ratio, AspectRatioKey);
    content->setFrame(boundsFromContentWithAspectRatio(ratio, item->bounds()));
    if (!dynamic_cast<platform::MovieLayer *>(content.get()))
        content->setContents(image);
}

// ---- The selected item's movie ----

void KZFlowView::selectLayerAtIndex(quint32 index)
{
    if (m_draggingKnob || index == NotFound)
        return;
    const LayerPtr content = imageLayerAtIndex(index);
    if (!content || !content->sublayers().isEmpty())
        return;
    if (content->name().endsWith(MovieKind))
        updateMovieLayerAtIndex(index);
    // Compositions have no player here: their items show their picture only.
}

void KZFlowView::updateMovieLayerAtIndex(quint32 index)
{
    const LayerPtr content = imageLayerAtIndex(index);
    if (!content)
        return;
    platform::KeyValueObservable *item = imageItemForIndex(index);
    const std::shared_ptr<platform::Movie> movie = movieFromRepresentation(
        imageRepresentationForItem(item), imageRepresentationTypeForItem(item).toString());
    if (!movie)
        return;
    const std::shared_ptr<platform::MovieLayer> layer = createMovieLayerWithMovie(movie, index);
    setAttributesForItemContentLayer(*layer, index);
    // The list element lists the items; the movie's element is not one of them.
    const KZLayerAccessibilityHelper::Ptr list = accessibilityElementOfLayer(m_backgroundLayer.get());
    const KZLayerAccessibilityHelper::Ptr own = accessibilityElementOfLayer(layer.get());
    if (list && own && list->indexOfChild(own.get()) >= 0)
        list->removeObjectFromChildrenAtIndex(list->indexOfChild(own.get()));
    layer->setValueForKey(content->valueForKey(AspectRatioKey), AspectRatioKey);
    content->addSublayer(layer);
}

void KZFlowView::deselectLayerAtIndex(quint32 index)
{
    if (index == NotFound)
        return;
    const LayerPtr content = imageLayerAtIndex(index);
    if (!content)
        return;
    Transaction::begin();
    Transaction::setDisableActions(true);
    removeLiveContent(*content);
    Transaction::commit();
}

void KZFlowView::removeLiveContent(Layer &content)
{
    if (content.sublayers().isEmpty())
        return;
    for (const LayerPtr &sublayer : content.sublayers())
        if (auto *movieLayer = dynamic_cast<platform::MovieLayer *>(sublayer.get()))
            if (movieLayer->movie())
                movieLayer->movie()->stop();
    content.setSublayers({});
    // The elements of what went (the movie's button) leave the item's element too.
    const KZLayerAccessibilityHelper::Ptr element = accessibilityElementOfLayer(&content);
    if (!element)
        return;
    for (qsizetype i = element->countOfChildren(); i-- > 0;) {
        const LayerPtr layer = element->objectInChildrenAtIndex(i)->layer();
        bool inside = false;
        for (const Layer *up = layer.get(); up && !inside; up = up->superlayer())
            inside = up == &content;
        if (!inside)
            element->removeObjectFromChildrenAtIndex(i);
    }
}
