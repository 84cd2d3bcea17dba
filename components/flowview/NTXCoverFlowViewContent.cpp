// The cover-flow view's content: item layers for the objects, observation of their
// image key path, the placeholder, and image loading on the view's queue.
#include "components/flowview/NTXCoverFlowView.h"

#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "components/flowview/NTXCoverFlowAccessoryController.h"
#include "components/flowview/NTXCoverFlowImages.h"
#include "components/flowview/NTXCoverFlowScroller.h"
#include "platform/foundation/Exception.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QBuffer>
#include <QImageReader>
#include <QMetaObject>
#include <deque>

using platform::Layer;
using platform::LayerPtr;

namespace {

const QString ContentKey = QStringLiteral("content");
const QString SelectionIndexKey = QStringLiteral("selectionIndex");
const QString SelectedObjectKey = QStringLiteral("selectedObject");
const QString RepresentedObjectKey = QStringLiteral("representedObject");
const QString IndexKey = QStringLiteral("index");
const QString HasImageKey = QStringLiteral("hasImage");
const QString ImageLayerName = QStringLiteral("image");
const QString ReflectionLayerName = QStringLiteral("reflection");
constexpr qreal Perspective = 420; // eye distance of every item

// Encoded data to an image, within the view's bounds; null when it is not one.
QImage decodeImageData(const QByteArray &data)
{
    if (data.size() > NTXCoverFlowView::MaximumImageDataSize)
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(NTXCoverFlowView::MaximumDecodedImageMegabytes);
    reader.setAutoTransform(true);
    return reader.read();
}

Layer *reflectionOf(const Layer &image)
{
    return image.sublayers().isEmpty() ? nullptr : image.sublayers().constFirst().get();
}

} // namespace

void NTXCoverFlowView::setContent(const QVariantList &content)
{
    if (content == m_content)
        return;
    willChangeValueForKey(ContentKey);
    willChangeValueForKey(SelectedObjectKey);
    m_content = content;

    // The layers there are, by object, in index order: equal objects keep as many
    // layers as the new content has of them.
    QHash<NTXCoverFlowObjectKey, std::deque<LayerPtr>> available;
    available.reserve(qsizetype(m_items.size()));
    for (const LayerPtr &item : m_items)
        available[NTXCoverFlowObjectKey{item->valueForKey(RepresentedObjectKey)}].push_back(item);

    std::vector<LayerPtr> items;
    items.reserve(std::size_t(content.size()));
    std::vector<LayerPtr> fresh;
    for (const QVariant &object : content) {
        const auto found = available.find(NTXCoverFlowObjectKey{object});
        if (found != available.end() && !found->empty()) {
            items.push_back(found->front());
            found->pop_front();
            continue;
        }
        const LayerPtr item = insertLayerInScrollLayer();
        item->setValueForKey(object, RepresentedObjectKey);
        observeObject(object);
        items.push_back(item);
        fresh.push_back(item);
    }
    for (auto it = available.cbegin(); it != available.cend(); ++it) {
        for (const LayerPtr &item : it.value()) {
            stopObservingObject(it.key().object);
            m_loadRequests.remove(item.get());
            item->removeFromSuperlayer();
        }
    }
    m_items = std::move(items);
    rebuildIndexes();
    for (const LayerPtr &item : fresh)
        refreshLayer(item);
    m_scroller->setNumberOfIncrements(std::max(int(m_content.size()) - 1, 0));
    didChangeValueForKey(SelectedObjectKey);
    didChangeValueForKey(ContentKey);
    if (m_selectionIndex >= 0 && m_selectionIndex < int(m_items.size())) {
        setSelectionIndex(m_selectionIndex);
        return;
    }
    // A selection past the new content goes back to the first item, as the flow
    // view's does, with its notice: through a bound selection index (which brings it
    // back) when there is one.
    if (!m_items.empty()) {
        userSetSelectionIndex(0);
        if (m_selectionIndex < 0 || m_selectionIndex >= int(m_items.size()))
            setSelectionIndex(0); // the bound index refused it
        return;
    }
    // No items: 0 all the same, where the first item will be.
    if (m_selectionIndex == 0)
        return;
    willChangeValueForKey(SelectionIndexKey);
    willChangeValueForKey(SelectedObjectKey);
    m_selectionIndex = 0;
    didChangeValueForKey(SelectedObjectKey);
    didChangeValueForKey(SelectionIndexKey);
    m_scroller->setIntegerValue(0);
}

void NTXCoverFlowView::rebuildIndexes()
{
    m_indexesByObject.clear();
    m_indexesByObject.reserve(qsizetype(m_items.size()));
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        m_items[i]->setValueForKey(int(i), IndexKey);
        m_indexesByObject[NTXCoverFlowObjectKey{m_content.at(qsizetype(i))}].push_back(int(i));
    }
}

LayerPtr NTXCoverFlowView::insertLayerInScrollLayer()
{
    const QSizeF picture = itemSize();
    const qreal w = picture.width();
    const qreal h = picture.height();
    const LayerPtr item = Layer::create();
    item->setBounds(QRectF(0, 0, w, h));
    item->setValueForKey(int(m_scrollLayer->sublayers().size()), IndexKey);
    item->setValueForKey(false, HasImageKey);
    item->setSublayerTransform(platform::Transform3D::perspective(Perspective));

    const LayerPtr image = Layer::create();
    image->setName(ImageLayerName);
    image->setContents(m_placeholderRef);
    const LayerPtr reflection = Layer::create();
    reflection->setName(ReflectionLayerName);
    reflection->setTransform(platform::Transform3D::scale(1, -1, 1));
    reflection->setContents(m_placeholderRef);
    const LayerPtr shadow = Layer::create();
    shadow->setContents(m_shadowImage);
    shadow->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    shadow->setFrame(QRectF(-1, 0, w + 2, h + 2));
    reflection->addSublayer(shadow);
    image->addSublayer(reflection);
    item->addSublayer(image);
    m_scrollLayer->addSublayer(item);
    return item;
}

// Observation of the image key path

void NTXCoverFlowView::observeObject(const QVariant &object)
{
    platform::KeyValueObservable *observable = platform::KeyValueObservable::toObservable(object);
    if (m_imageKeyPath.isEmpty() || !observable)
        return;
    ObjectObservation &observation = m_observations[observable];
    if (observation.count++ == 0)
        observation.observer = std::make_unique<platform::BindingObserver>(observable, m_imageKeyPath,
                                                                           [this, observable] { reloadObject(observable); });
}

void NTXCoverFlowView::stopObservingObject(const QVariant &object)
{
    platform::KeyValueObservable *observable = platform::KeyValueObservable::toObservable(object);
    const auto found = m_observations.find(observable);
    if (found == m_observations.end())
        return;
    if (--found->second.count <= 0)
        m_observations.erase(found);
}

void NTXCoverFlowView::reloadObject(platform::KeyValueObservable *object)
{
    const auto found = m_indexesByObject.constFind(NTXCoverFlowObjectKey{platform::KeyValueObservable::fromObservable(object)});
    if (found == m_indexesByObject.cend())
        return;
    const std::vector<int> indexes = *found;
    for (int index : indexes)
        refreshLayer(m_items[std::size_t(index)]);
}

void NTXCoverFlowView::setImageKeyPath(const QString &keyPath)
{
    m_observations.clear();
    willChangeValueForKey(QStringLiteral("imageKeyPath"));
    m_imageKeyPath = keyPath;
    didChangeValueForKey(QStringLiteral("imageKeyPath"));
    for (const QVariant &object : std::as_const(m_content))
        observeObject(object);
    for (const LayerPtr &item : m_items)
        refreshLayer(item);
}

// Loading

void NTXCoverFlowView::refreshLayer(const LayerPtr &layer)
{
    const QVariant object = layer->valueForKey(RepresentedObjectKey);
    // The index of the object in the content; a layer of an object the content holds
    // more than once keeps its own place among them.
    const int own = layer->valueForKey(IndexKey).toInt();
    const bool placed = own >= 0 && own < int(m_items.size()) && m_items[std::size_t(own)] == layer;
    const auto found = m_indexesByObject.constFind(NTXCoverFlowObjectKey{object});
    if (!placed && found != m_indexesByObject.cend() && !found->empty())
        layer->setValueForKey(found->front(), IndexKey);
    layer->setValueForKey(false, HasImageKey);
    // A newer request makes every load still in flight for this layer void.
    const quint64 request = ++m_nextRequest;
    m_loadRequests.insert(layer.get(), request);
    const std::weak_ptr<Layer> weakLayer = layer;

    QVariant value = object;
    if (!m_imageKeyPath.isEmpty()) {
        platform::KeyValueObservable *observable = platform::KeyValueObservable::toObservable(object);
        if (!observable)
            return;
        try {
            value = observable->valueForKeyPath(m_imageKeyPath);
        } catch (const platform::Exception &) {
            return; // the layer keeps what it shows
        }
    }
    if (!value.isValid()) {
        applyImage(weakLayer, object, request, m_placeholderRef, false);
        return;
    }
    QImage image;
    QByteArray encoded;
    if (value.metaType().id() == QMetaType::QImage)
        image = value.value<QImage>();
    else if (value.metaType().id() == QMetaType::QByteArray)
        encoded = value.toByteArray();
    else
        return; // not something to make a picture of: the placeholder stays
    // The operation may outlive the view: it reaches the view only through deliver().
    QPointer<NTXCoverFlowView> view(this);
    QPointer<QObject> receiver(this);
    m_imageLoadQueue->addOperation([view, receiver, weakLayer, object, request, image, encoded](platform::Operation &self) {
        QImage decoded = encoded.isNull() ? image : decodeImageData(encoded);
        QImage picture = NTXNSImage_Extension::imageRefCopy(decoded);
        self.deliver(receiver, [view, weakLayer, object, request, picture] {
            if (view && !picture.isNull())
                view->applyImage(weakLayer, object, request, picture, true);
        });
    });
}

void NTXCoverFlowView::applyImage(const std::weak_ptr<Layer> &weakLayer, const QVariant &object, quint64 request,
                                  const QImage &image, bool hasImage)
{
    const LayerPtr layer = weakLayer.lock();
    if (!layer || layer->superlayer() != m_scrollLayer.get() || m_loadRequests.value(layer.get()) != request
        || !(layer->valueForKey(RepresentedObjectKey) == object))
        return;
    m_loadRequests.remove(layer.get());
    Layer *imageLayer = imageLayerOf(*layer);
    if (!imageLayer)
        return;
    platform::Transaction::begin();
    layer->setValueForKey(hasImage, HasImageKey);
    imageLayer->setContents(image);
    imageLayer->setBackgroundColor(QColor());
    if (Layer *reflection = reflectionOf(*imageLayer)) {
        reflection->setContents(image);
        reflection->setBackgroundColor(QColor());
    }
    platform::Transaction::commit();
}

void NTXCoverFlowView::recachePlaceholder()
{
    m_placeholderRef = NTXNSImage_Extension::imageRefCopy(NTXCoverFlowImages::placeholder(itemSize(), m_placeholderIcon));
    for (const LayerPtr &item : m_items) {
        if (item->valueForKey(HasImageKey).toBool())
            continue;
        if (Layer *image = imageLayerOf(*item)) {
            image->setContents(m_placeholderRef);
            if (Layer *reflection = reflectionOf(*image))
                reflection->setContents(m_placeholderRef);
        }
    }
}
