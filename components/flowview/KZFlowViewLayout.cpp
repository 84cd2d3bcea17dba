// Where the items stand in the row, how the row scrolls, which items show, and the
// reflection and scroll knob that follow. All in the scroll layer's space, y up.
#include "components/flowview/KZFlowView.h"

#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <algorithm>
#include <cmath>

using platform::Layer;
using platform::LayerPtr;
using platform::Transaction;

namespace {

const QString AspectRatioKey = QStringLiteral("aspectRatioKey");
const QString IndexKey = QStringLiteral("index");

// How much the size of the scroll layer leaves for the title's side of an item.
constexpr qreal ItemMargin = 50;

} // namespace

QSizeF KZFlowView::itemSizeForRect(const QRectF &rect) const
{
    // A view too small for the margin has items of no size, never a negative one.
    const qreal side = std::max<qreal>(0, (rect.height() - ItemMargin) * m_itemScale);
    return QSizeF(side, side);
}

qreal KZFlowView::angleScaleForAngle(qreal degrees)
{
    return 1 - degrees / 90;
}

qreal KZFlowView::horizontalOffsetForItem(quint32 index, qreal itemWidth, qreal stackedAngle, qreal spacing,
                                          quint32 selectedIndex)
{
    qreal x = (angleScaleForAngle(stackedAngle) * itemWidth + spacing) * index;
    if (index == selectedIndex && selectedIndex != 0)
        x += itemWidth / 2;
    if (index > selectedIndex)
        x += selectedIndex != 0 ? itemWidth : itemWidth / 2;
    return x;
}

QPointF KZFlowView::originForItem(quint32 index, const QSizeF &itemSize, qreal stackedAngle, qreal spacing,
                                  quint32 selectedIndex) const
{
    const qreal midY = m_scrollLayer ? m_scrollLayer->bounds().center().y() : 0;
    return QPointF(horizontalOffsetForItem(index, itemSize.width(), stackedAngle, spacing, selectedIndex),
                   midY - itemSize.height() / 2);
}

QRectF KZFlowView::rectForItem(quint32 index, const QSizeF &itemSize) const
{
    return QRectF(originForItem(index, itemSize, m_stackedAngle, m_spacing, m_selectedIndex), itemSize);
}

QPointF KZFlowView::selectedScrollPoint() const
{
    if (!m_scrollLayer)
        return QPointF();
    const QRectF bounds = m_scrollLayer->bounds();
    const QSizeF size = itemSizeForRect(bounds);
    const QRectF selected = rectForItem(m_selectedIndex, size);
    return QPointF(selected.x() - bounds.width() / 2 + size.width() / 2, 0);
}

QRectF KZFlowView::boundsFromContentWithAspectRatio(qreal aspectRatio, const QRectF &itemRect)
{
    if (aspectRatio >= 1)
        return QRectF(0, 0, itemRect.width(), itemRect.height() / aspectRatio);
    return QRectF(0, 0, itemRect.width() * aspectRatio, itemRect.height());
}

void KZFlowView::setFrameForLayer(Layer &itemLayer, quint32 index, const QSizeF &itemSize)
{
    if (itemLayer.sublayers().isEmpty())
        return;
    Layer &content = *itemLayer.sublayers().first();
    const quint32 k = m_selectedIndex;
    const qreal d = index > k ? qreal(index - k) : qreal(k - index);
    if (index < k) {
        content.setAnchorPoint(QPointF(0, 0));
        content.setTransform(m_leftTransform);
        content.setZPosition(m_stackedScale);
        itemLayer.setZPosition(m_stackedScale - 0.5 * d);
    } else if (index > k) {
        content.setAnchorPoint(QPointF(1, 0));
        content.setTransform(m_rightTransform);
        content.setZPosition(m_stackedScale);
        itemLayer.setZPosition(m_stackedScale - 0.5 * d);
    } else {
        content.setAnchorPoint(QPointF(0.5, 0));
        content.setTransform(QMatrix4x4());
        content.setZPosition(m_selectedScale);
        itemLayer.setZPosition(m_stackedScale);
    }
    const QVariant stored = content.valueForKey(AspectRatioKey);
    const qreal ratio = stored.isValid() && stored.toDouble() > 0 ? stored.toDouble() : 1.0;
    content.setFrame(boundsFromContentWithAspectRatio(ratio, QRectF(QPointF(0, 0), itemSize)));
    itemLayer.setFrame(rectForItem(index, itemSize));
    if (auto *replicator = dynamic_cast<platform::ReplicatorLayer *>(&itemLayer)) {
        // The second instance: the mirror image directly below.
        replicator->setInstanceTransform(platform::Transform3D::translation(0, -itemSize.height())
                                         * platform::Transform3D::scale(1, -1, 1));
    }
}

std::pair<qint64, qint64> KZFlowView::shownIndexes(const QSizeF &itemSize) const
{
    // The row between the part on screen now and the part shown after the move,
    // an item wider on each side; stacked items stand further back, so their slots
    // reach at least as far out as what they show.
    const qreal width = m_scrollLayer->bounds().width();
    const qreal now = m_scrollLayer->state(Layer::Tree::Presentation).bounds().x();
    const qreal then = selectedScrollPoint().x();
    const qreal left = std::min(now, then) - itemSize.width();
    const qreal right = std::max(now, then) + width + itemSize.width();
    const qreal step = angleScaleForAngle(m_stackedAngle) * itemSize.width() + m_spacing;
    if (!(step > 0))
        return {0, qint64(m_numberOfItems) - 1};
    // Slot x grows with the index by `step`, plus at most one item width: bound by
    // the slot's left edge from both sides.
    const qint64 first = qint64(std::floor((left - 2 * itemSize.width()) / step));
    const qint64 last = qint64(std::ceil(right / step));
    return {std::max<qint64>(first, 0), std::min<qint64>(last, qint64(m_numberOfItems) - 1)};
}

void KZFlowView::layoutItemLayersInRange(platform::Range range)
{
    if (!m_scrollLayer)
        return;
    const qint64 count = std::min<qint64>(m_numberOfItems, m_scrollLayer->sublayers().size());
    const qint64 begin = std::clamp<qint64>(range.location, 0, count);
    const qint64 end = std::clamp<qint64>(range.location + range.length, begin, count);
    if (begin >= end)
        return;
    const QSizeF size = itemSizeForRect(m_scrollLayer->bounds());
    const auto [first, last] = shownIndexes(size);
    const QList<LayerPtr> items = m_scrollLayer->sublayers();
    auto place = [&](qint64 i, bool shown) {
        Layer &item = *items.at(i);
        if (!shown) {
            // Out of sight before and after the move: placed without animation.
            Transaction::begin();
            Transaction::setDisableActions(true);
            setFrameForLayer(item, quint32(i), size);
            item.setHidden(true);
            Transaction::commit();
            return;
        }
        if (item.isHidden()) {
            Transaction::begin();
            Transaction::setDisableActions(true);
            item.setHidden(false);
            Transaction::commit();
        }
        setFrameForLayer(item, quint32(i), size);
    };
    for (qint64 i = begin; i < end; ++i)
        place(i, i >= first && i <= last);
}

void KZFlowView::openLayoutTransaction()
{
    Transaction::begin();
    Transaction::setDisableActions(inLiveResize());
    Transaction::setAnimationDuration(m_scrollDuration);
    Transaction::setTimingFunction(platform::MediaTimingFunction::named(platform::MediaTimingFunction::Name::EaseOut));
    QPointer<KZFlowView> view(this);
    Transaction::setCompletionBlock([view] {
        if (view)
            Q_EMIT view->imagesNeedUpdate();
    });
}

void KZFlowView::layoutSublayersOfLayer(Layer &layer)
{
    if (&layer != m_scrollLayer.get() || m_selectedIndex == NotFound)
        return;
    openLayoutTransaction();
    layoutItemLayersInRange(platform::Range(0, m_numberOfItems));
    m_scrollLayer->scrollToPoint(selectedScrollPoint());
    Transaction::commit();
    calculateVisibleItems();
    updateScrollKnob();
}

void KZFlowView::updateSelectionInRange(platform::Range range)
{
    if (!m_scrollLayer)
        return;
    openLayoutTransaction();
    layoutItemLayersInRange(range);
    m_scrollLayer->scrollToPoint(selectedScrollPoint());
    // Where the scroll position did not move the layout pass is still due.
    m_scrollLayer->setNeedsLayout();
    Transaction::commit();
    calculateVisibleItems();
    updateScrollKnob();
    setTitle(titleAtIndex(m_selectedIndex));
}

std::optional<platform::ActionPtr> KZFlowView::actionForLayer(Layer &layer, const QString &key)
{
    Q_UNUSED(key);
    if (&layer == m_scrollLayer.get() && inLiveResize())
        return platform::ActionPtr();
    return std::nullopt;
}

void KZFlowView::calculateVisibleItems()
{
    m_visibleItemIndexes = platform::Range(0, 0);
    if (!m_scrollLayer)
        return;
    qint64 first = -1;
    qint64 count = 0;
    for (const LayerPtr &item : m_scrollLayer->sublayers()) {
        if (item->isHidden() || item->visibleRect().isEmpty())
            continue;
        if (first < 0)
            first = item->valueForKey(IndexKey).toLongLong();
        ++count;
    }
    if (first >= 0)
        m_visibleItemIndexes = platform::Range(first, count);
}

void KZFlowView::updateReflection()
{
    if (!m_scrollLayer)
        return;
    for (const LayerPtr &item : m_scrollLayer->sublayers()) {
        if (auto *replicator = dynamic_cast<platform::ReplicatorLayer *>(item.get()))
            applyReflection(*replicator);
    }
}

void KZFlowView::applyReflection(platform::ReplicatorLayer &item) const
{
    item.setInstanceCount(m_showsReflection ? 2 : 1);
    item.setInstanceRedOffset(m_reflectionOffset);
    item.setInstanceGreenOffset(m_reflectionOffset);
    item.setInstanceBlueOffset(m_reflectionOffset);
}

void KZFlowView::updateScrollKnob()
{
    if (!m_scrollBarLayer || m_scrollBarLayer->sublayers().isEmpty())
        return;
    const quint32 n = m_numberOfItems;
    m_scrollBarLayer->setHidden(n < 2);
    if (n < 2)
        return;
    const LayerPtr knob = m_scrollBarLayer->sublayers().first();
    const qreal b = m_scrollBarLayer->bounds().width();
    const qreal knobWidth = std::max<qreal>(qreal(maximumNumberOfStackedVisibleItems()) / n * (b - 10), 40);
    const qreal position = m_selectedIndex < n ? qreal(m_selectedIndex) / qreal(n - 1) : 0;
    const qreal x = (b - 10 - knobWidth) * position + 5;
    const QRectF old = knob->frame();
    knob->setFrame(QRectF(x, old.y(), knobWidth, old.height()));
    knob->setNeedsDisplay();
}

QRectF KZFlowView::itemFrameAtIndex(quint32 index) const
{
    if (!m_scrollLayer || !m_backgroundLayer)
        return QRectF();
    const QRectF slot = rectForItem(index, itemSizeForRect(m_scrollLayer->bounds()));
    return m_scrollLayer->convertRectToLayer(slot, m_backgroundLayer.get());
}

QRectF KZFlowView::rectInViewForLayer(const Layer *layer) const
{
    if (!layer || !m_backgroundLayer)
        return QRectF();
    return layer->convertRectToLayer(layer->bounds(), m_backgroundLayer.get());
}

LayerPtr KZFlowView::hitLayerAtPoint(const QPointF &pointInViewLayer) const
{
    if (!m_backgroundLayer)
        return nullptr;
    // The host keeps the root's anchor and position at its origin: the root's
    // superlayer space is its own, moved by its bounds origin.
    const QPointF inSuper = pointInViewLayer - m_backgroundLayer->bounds().topLeft() + m_backgroundLayer->position();
    return m_backgroundLayer->hitTest(inSuper, Layer::Tree::Presentation);
}

quint32 KZFlowView::indexOfItemAtPoint(const QPointF &pointInViewLayer) const
{
    const LayerPtr hit = hitLayerAtPoint(pointInViewLayer);
    if (!hit || !hit->name().startsWith(ContentLayerName))
        return NotFound;
    const QVariant index = hit->valueForKey(IndexKey);
    return index.isValid() ? index.toUInt() : NotFound;
}
