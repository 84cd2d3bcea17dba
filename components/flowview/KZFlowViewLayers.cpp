// The flow view's layer tree: its layers, their names, constraints, actions and
// accessibility elements.
#include "components/flowview/KZFlowView.h"

#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/foundation/Bundle.h"
#include "platform/layers/ConstraintLayoutManager.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transition.h"

#include <QPalette>

using platform::Layer;
using platform::LayerPtr;
using platform::LayoutConstraint;
using Attribute = platform::LayoutConstraint::Attribute;
using Helper = KZLayerAccessibilityHelper;

namespace {

const QString AxHelperKey = QStringLiteral("axHelper");
const QString IndexKey = QStringLiteral("index");
const QString UIDKey = QStringLiteral("imageItemUID");
const QString OverlayKey = QStringLiteral("overlayLayerKey");

QColor rgb255(int r, int g, int b)
{
    return QColor(r, g, b);
}

// Actions that keep the given keys from animating.
QHash<QString, platform::ActionPtr> noActions(std::initializer_list<const char *> keys)
{
    QHash<QString, platform::ActionPtr> actions;
    for (const char *key : keys)
        actions.insert(QString::fromLatin1(key), nullptr);
    return actions;
}

LayoutConstraint onSuper(Attribute attribute, Attribute source, qreal scale = 1, qreal offset = 0)
{
    return LayoutConstraint::superlayer(attribute, source, scale, offset);
}

} // namespace

KZLayerAccessibilityHelper::Ptr KZFlowView::accessibilityElementOfLayer(const Layer *layer)
{
    return Helper::ofLayer(layer);
}

void KZFlowView::setupLayers()
{
    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    if (m_scrollLayer)
        m_scrollLayer->setDelegate(nullptr);
    m_backgroundLayer = createBackgroundLayer();
    m_titleLayer = createTitleLayer();
    m_containerLayer = createContainerLayer();
    m_backgroundLayer->addSublayer(m_containerLayer);
    m_backgroundLayer->insertSublayerAbove(m_titleLayer, m_containerLayer.get());
    m_scrollLayer = createScrollLayer();
    m_scrollBarLayer = createScrollBarLayer();
    m_containerLayer->addSublayer(m_scrollLayer);
    m_backgroundLayer->insertSublayerAbove(m_scrollBarLayer, m_containerLayer.get());
    setRootLayer(m_backgroundLayer);
    m_scrollLayer->setNeedsLayout();
    m_backgroundLayer->setNeedsDisplay();
    m_backgroundLayer->setNeedsLayout();
    platform::Transaction::commit();
    updateScrollKnob();
}

std::shared_ptr<platform::GradientLayer> KZFlowView::createBackgroundLayer()
{
    auto layer = platform::GradientLayer::create();
    layer->setPosition(QPointF(0, 0));
    layer->setBounds(QRectF(0, 0, width(), height()));
    // The list runs from the top of the view down (y up: end point at the top).
    layer->setColors({rgb255(52, 55, 69), rgb255(36, 37, 48), Qt::black});
    layer->setLocations({0.0, 0.2, 1.0});
    layer->setStartPoint(QPointF(0.5, 1));
    layer->setEndPoint(QPointF(0.5, 0));
    layer->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    layer->setLayoutManager(platform::ConstraintLayoutManager::shared());

    auto element = Helper::layerAccesibilityHelperWithRole(QAccessible::List, nullptr, layer, this);
    element->setAttributeNames({Helper::ChildrenAttribute, Helper::SelectedChildrenAttribute,
                                Helper::VisibleChildrenAttribute, Helper::OrientationAttribute});
    element->setWritableAttributeNames({Helper::SelectedChildrenAttribute});
    QPointer<KZFlowView> view(this);
    element->addHandlerForAttribute(Helper::OrientationAttribute,
                                    [](Helper &) { return QVariant(Helper::HorizontalOrientationValue); });
    element->addHandlerForAttribute(Helper::VisibleChildrenAttribute, [view](Helper &e) {
        QVariantList visible;
        if (!view)
            return QVariant(visible);
        const platform::Range range = view->visibleItemIndexes();
        for (qsizetype i = range.location; range.length > 0 && i < range.max(); ++i)
            if (const auto child = e.objectInChildrenAtIndex(i))
                visible.append(Helper::toVariant(child));
        return QVariant(visible);
    });
    element->addHandlerForAttribute(Helper::SelectedChildrenAttribute, [view](Helper &e) {
        QVariantList selected;
        if (view && view->selectedIndex() != NotFound)
            if (const auto child = e.objectInChildrenAtIndex(view->selectedIndex()))
                selected.append(Helper::toVariant(child));
        return QVariant(selected);
    });
    element->addHandlerForWritableAttribute(Helper::SelectedChildrenAttribute, [view](Helper &, const QVariant &value) {
        const QVariantList list = value.toList();
        if (!view || list.isEmpty())
            return;
        // An element of the list (whose layer carries its index) or a number.
        const QVariant first = list.first();
        if (const Helper::Ptr child = Helper::fromVariant(first)) {
            if (const LayerPtr childLayer = child->layer()) {
                const QVariant index = childLayer->valueForKey(IndexKey);
                if (index.isValid())
                    view->setSelectedIndex(index.toUInt());
            }
            return;
        }
        bool ok = false;
        const uint index = first.toUInt(&ok);
        if (ok)
            view->setSelectedIndex(index);
    });
    layer->setValueForKey(Helper::toVariant(element), AxHelperKey);
    return layer;
}

std::shared_ptr<platform::TextLayer> KZFlowView::createTitleLayer()
{
    auto layer = platform::TextLayer::create();
    layer->setName(TitleLayerName);
    layer->setAlignmentMode(platform::TextLayer::Alignment::Center);
    layer->setFontSize(18.0);
    layer->setConstraints({onSuper(Attribute::MinY, Attribute::MinY, 1, 50), onSuper(Attribute::MidX, Attribute::MidX)});
    layer->setActions(noActions({"position", "bounds", "string"}));
    return layer;
}

LayerPtr KZFlowView::createContainerLayer()
{
    auto layer = Layer::create();
    layer->setName(ContainerLayerName);
    layer->setConstraints({onSuper(Attribute::MidX, Attribute::MidX), onSuper(Attribute::MaxY, Attribute::MaxY),
                           onSuper(Attribute::Width, Attribute::Width),
                           LayoutConstraint(Attribute::MinY, TitleLayerName, Attribute::MaxY)});
    layer->setActions(noActions({"position", "bounds"}));
    return layer;
}

std::shared_ptr<platform::ScrollLayer> KZFlowView::createScrollLayer()
{
    auto layer = platform::ScrollLayer::create();
    layer->setScrollMode(platform::ScrollLayer::ScrollMode::Horizontally);
    layer->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    layer->setLayoutManager(scrollLayoutManager());
    layer->setDelegate(this);
    layer->setSublayerTransform(m_perspective);
    layer->setMasksToBounds(false);
    return layer;
}

LayerPtr KZFlowView::createScrollBarLayer()
{
    auto bar = Layer::create();
    bar->setName(ScrollBarLayerName);
    bar->setBackgroundColor(Qt::black);
    bar->setBorderColor(Qt::gray);
    bar->setOpaque(true);
    bar->setBorderWidth(1.0);
    bar->setCornerRadius(10.0);
    bar->setFrame(QRectF(0, 0, 20, 20));
    bar->setConstraints({onSuper(Attribute::MidX, Attribute::MidX), onSuper(Attribute::MinY, Attribute::MinY, 1, 10),
                         onSuper(Attribute::Width, Attribute::Width, 0.75)});
    bar->setActions(noActions({"position", "bounds"}));
    auto barElement = Helper::layerAccesibilityHelperWithRole(QAccessible::ScrollBar, nullptr, bar, this);
    barElement->setAttributeNames({Helper::OrientationAttribute, Helper::ChildrenAttribute});
    barElement->addHandlerForAttribute(Helper::OrientationAttribute,
                                       [](Helper &) { return QVariant(Helper::HorizontalOrientationValue); });
    bar->setValueForKey(Helper::toVariant(barElement), AxHelperKey);

    auto knob = platform::GradientLayer::create();
    knob->setName(ScrollKnobLayerName);
    knob->setFrame(QRectF(10, 2, 40, 16));
    knob->setNeedsDisplayOnBoundsChange(true);
    knob->setBorderColor(Qt::gray);
    knob->setBorderWidth(1.0);
    knob->setCornerRadius(9.0);
    knob->setAnchorPoint(QPointF(0.5, 0.5));
    knob->setStartPoint(QPointF(0.5, 1.0));
    knob->setEndPoint(QPointF(0.5, 0.0));
    knob->setColors({rgb255(64, 64, 74), rgb255(46, 46, 58), rgb255(37, 37, 50), QColor::fromRgbF(0.2f, 52 / 255.0f, 66 / 255.0f)});
    knob->setLocations({0.0, 0.5, 0.51, 1.0});
    knob->setActions(noActions({"position", "bounds"}));
    bar->addSublayer(knob);
    auto knobElement = Helper::layerAccesibilityHelperWithRole(QAccessible::Indicator, barElement.get(), knob, this);
    knobElement->setAttributeNames({Helper::ValueAttribute});
    QPointer<KZFlowView> view(this);
    knobElement->addHandlerForAttribute(Helper::ValueAttribute, [view](Helper &) {
        // With fewer than two items or nothing selected the knob stands at the start.
        if (!view || view->numberOfItems() < 2 || view->selectedIndex() >= view->numberOfItems())
            return QVariant(0.0);
        return QVariant(double(view->selectedIndex()) / double(view->numberOfItems() - 1));
    });
    barElement->addChildrenObject(knobElement);
    knob->setValueForKey(Helper::toVariant(knobElement), AxHelperKey);
    return bar;
}

std::shared_ptr<platform::ReplicatorLayer> KZFlowView::createItemLayerWithIndex(quint32 index)
{
    auto item = platform::ReplicatorLayer::create();
    item->setFrame(QRectF(0, 0, 100, 100));
    applyReflection(*item); // one instance while reflections are off
    item->setPreservesDepth(true);
    item->setValueForKey(imageUIDForItem(imageItemForIndex(index)), UIDKey);
    item->setValueForKey(index, IndexKey);
    const LayerPtr content = createImageLayer();
    setAttributesForItemContentLayer(*content, index);
    item->addSublayer(content);
    return item;
}

LayerPtr KZFlowView::createImageLayer()
{
    auto layer = Layer::create();
    layer->setName(ContentLayerName + ImageKind);
    layer->setContentsGravity(Layer::ContentsGravity::ResizeAspect);
    layer->setLayoutManager(platform::ConstraintLayoutManager::shared());
    return layer;
}

void KZFlowView::setAttributesForItemContentLayer(Layer &layer, quint32 index)
{
    layer.setValueForKey(imageUIDForItem(imageItemForIndex(index)), UIDKey);
    layer.setName(ContentLayerName + contentKindAtIndex(index));
    layer.setValueForKey(index, IndexKey);
    QHash<QString, platform::ActionPtr> actions = noActions({"contents", "bounds"});
    actions.insert(QStringLiteral("onOrderIn"), platform::Transition::make(platform::Transition::Type::Reveal, 0.5));
    actions.insert(QStringLiteral("onOrderOut"), platform::Transition::make(platform::Transition::Type::Fade, 0.5));
    layer.setActions(actions);

    if (!m_backgroundLayer)
        return;
    const Helper::Ptr list = Helper::ofLayer(m_backgroundLayer.get());
    if (!list)
        return;
    auto element = Helper::layerAccesibilityHelperWithRole(QAccessible::Graphic, list.get(),
                                                           layer.shared_from_this(), this);
    element->setAttributeNames({Helper::TitleAttribute, Helper::SelectedAttribute});
    element->setWritableAttributeNames({Helper::SelectedAttribute});
    QPointer<KZFlowView> view(this);
    element->addHandlerForAttribute(Helper::TitleAttribute, [view, index](Helper &) {
        return view ? QVariant(view->titleAtIndex(index)) : QVariant();
    });
    element->addHandlerForAttribute(Helper::SelectedAttribute, [view, index](Helper &) {
        return QVariant(view && view->selectedIndex() == index);
    });
    element->addHandlerForWritableAttribute(Helper::SelectedAttribute, [view, index](Helper &, const QVariant &value) {
        if (view && value.toBool())
            view->setSelectedIndex(index);
    });
    // A layer given its attributes again (a reused one) has its element replaced in
    // place, so the list keeps one element per item.
    const Helper::Ptr old = Helper::ofLayer(&layer);
    if (old && old->parent() == list.get()) {
        const QList<Helper::Ptr> children = old->children();
        for (const Helper::Ptr &child : children)
            element->addChildrenObject(child);
        list->replaceChild(old.get(), element);
    } else {
        list->addChildrenObject(element);
    }
    layer.setValueForKey(Helper::toVariant(element), AxHelperKey);
}

void KZFlowView::setAttributesForSublayer(Layer &layer)
{
    layer.setConstraints({onSuper(Attribute::Width, Attribute::Width), onSuper(Attribute::Height, Attribute::Height),
                          onSuper(Attribute::MidX, Attribute::MidX), onSuper(Attribute::MidY, Attribute::MidY)});
    layer.setActions(noActions({"position", "bounds"}));
    layer.setContentsGravity(Layer::ContentsGravity::ResizeAspectFill);
}

std::shared_ptr<platform::MovieLayer> KZFlowView::createMovieLayerWithMovie(
    const std::shared_ptr<platform::Movie> &movie, quint32 index)
{
    auto layer = platform::MovieLayer::create(movie);
    layer->setName(ContentLayerName + MovieKind);
    setAttributesForSublayer(*layer);
    layer->setLayoutManager(platform::ConstraintLayoutManager::shared());
    const auto overlay = createMovieOverlayLayerWithIndex(index);
    layer->setValueForKey(QVariant::fromValue(LayerPtr(overlay)), OverlayKey);
    layer->addSublayer(overlay);
    return layer;
}

std::shared_ptr<KZVideoOverlayLayer> KZFlowView::createMovieOverlayLayerWithIndex(quint32 index)
{
    auto overlay = KZVideoOverlayLayer::create();
    overlay->setName(OverlayLayerName);
    overlay->setValueForKey(index, IndexKey);
    overlay->setFrame(QRectF(0, 0, 60, 60));
    overlay->setHidden(true);

    const LayerPtr content = imageLayerAtIndex(index);
    const Helper::Ptr parent = Helper::ofLayer(content.get());
    const std::shared_ptr<KZButtonLayer> button = overlay->buttonLayer();
    auto element = Helper::layerAccesibilityHelperWithRole(QAccessible::CheckBox, parent.get(), button, this);
    element->setAttributeNames({Helper::TitleAttribute, Helper::ValueAttribute});
    element->setWritableAttributeNames({Helper::ValueAttribute});
    std::weak_ptr<KZButtonLayer> weakButton = button;
    element->addHandlerForAttribute(Helper::TitleAttribute, [weakButton](Helper &) {
        const auto b = weakButton.lock();
        const bool playing = b && b->state() == 1;
        return QVariant(platform::Bundle::mainBundle().localizedString(
            playing ? QStringLiteral("Stop movie playback") : QStringLiteral("Start movie playback")));
    });
    element->addHandlerForAttribute(Helper::ValueAttribute, [weakButton](Helper &) {
        const auto b = weakButton.lock();
        return b ? QVariant(b->state()) : QVariant();
    });
    element->addHandlerForWritableAttribute(Helper::ValueAttribute, [weakButton](Helper &, const QVariant &value) {
        if (const auto b = weakButton.lock())
            b->setState(value.toLongLong());
    });
    if (parent)
        parent->addChildrenObject(element);
    button->setValueForKey(Helper::toVariant(element), AxHelperKey);
    return overlay;
}

// ---- Lookups ----

LayerPtr KZFlowView::itemLayerAtIndex(quint32 index) const
{
    if (!m_scrollLayer || index >= quint32(m_scrollLayer->sublayers().size()))
        return nullptr;
    return m_scrollLayer->sublayers().at(index);
}

LayerPtr KZFlowView::imageLayerAtIndex(quint32 index) const
{
    const LayerPtr item = itemLayerAtIndex(index);
    return item && !item->sublayers().isEmpty() ? item->sublayers().first() : nullptr;
}

std::shared_ptr<platform::MovieLayer> KZFlowView::movieLayerAtIndex(quint32 index) const
{
    const LayerPtr content = imageLayerAtIndex(index);
    if (!content || content->sublayers().isEmpty())
        return nullptr;
    return std::dynamic_pointer_cast<platform::MovieLayer>(content->sublayers().first());
}

std::shared_ptr<KZVideoOverlayLayer> KZFlowView::overlayLayerAtIndex(quint32 index) const
{
    const LayerPtr content = imageLayerAtIndex(index);
    if (!content)
        return nullptr;
    const QVariant own = content->valueForKey(OverlayKey);
    if (own.isValid())
        return std::dynamic_pointer_cast<KZVideoOverlayLayer>(own.value<LayerPtr>());
    if (content->sublayers().isEmpty())
        return nullptr;
    const QVariant sub = content->sublayers().first()->valueForKey(OverlayKey);
    return std::dynamic_pointer_cast<KZVideoOverlayLayer>(sub.value<LayerPtr>());
}

// ---- Highlighting ----

void KZFlowView::highlightLayer(Layer &layer, bool highlighted, qreal cornerRadius, const QColor &color)
{
    if (highlighted) {
        layer.setCornerRadius(cornerRadius);
        layer.setBorderWidth(2.0);
        layer.setBorderColor(color);
    } else {
        layer.setCornerRadius(0);
        layer.setBorderWidth(0);
        layer.setBorderColor(QColor());
    }
}

void KZFlowView::setHighlightedLayer(const LayerPtr &layer)
{
    if (layer == m_highlightedLayer)
        return;
    if (m_highlightedLayer)
        highlightLayer(*m_highlightedLayer, false, 0, QColor());
    m_highlightedLayer = layer;
    if (m_highlightedLayer)
        highlightLayer(*m_highlightedLayer, true, 0, palette().color(QPalette::Highlight));
}

void KZFlowView::setSelectedLayer(const LayerPtr &layer)
{
    if (layer != m_selectedLayer) {
        if (m_selectedLayer)
            m_selectedLayer->setValueForKey(false, QStringLiteral("highlighted"));
        m_selectedLayer = layer;
    }
    if (m_selectedLayer)
        m_selectedLayer->setValueForKey(true, QStringLiteral("highlighted"));
}
