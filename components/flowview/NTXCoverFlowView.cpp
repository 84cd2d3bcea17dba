#include "components/flowview/NTXCoverFlowView.h"

#include "components/flowview/NTXCoverFlowAccessoryController.h"
#include "components/flowview/NTXCoverFlowImages.h"
#include "components/flowview/NTXCoverFlowScroller.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/ConstraintLayoutManager.h"
#include "platform/layers/LayoutManager.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QtDebug>
#include <algorithm>
#include <cmath>

using platform::Layer;
using platform::LayerPtr;
using platform::LayoutConstraint;
using Attribute = platform::LayoutConstraint::Attribute;

namespace {

const QString ContentKey = QStringLiteral("content");
const QString SelectionIndexKey = QStringLiteral("selectionIndex");
const QString SelectedObjectKey = QStringLiteral("selectedObject");
const QString ImageKeyPathKey = QStringLiteral("imageKeyPath");
const QString RepresentedObjectKey = QStringLiteral("representedObject");

constexpr float TurnAngle = 0.79f;
constexpr qreal NormalDuration = 0.7;
constexpr qreal SlowDuration = 2.1;
constexpr qreal BottomFadeHeight = 32;
constexpr qreal ScrollerSideSpace = 160;
// The wheel moves one item per turn of more than this much of a notch; smaller turns
// (a touchpad's) add up until they reach it.
constexpr qreal WheelThreshold = 0.4;
constexpr qreal WheelNotch = 120;

// The scroll layer's layout manager: hands the layout to the view while it lives.
class CoverFlowLayout : public platform::LayoutManager
{
public:
    explicit CoverFlowLayout(NTXCoverFlowView *view)
        : m_view(view)
    {
    }
    void layoutSublayersOfLayer(Layer &layer) override
    {
        if (m_view)
            m_view->layoutSublayersOfLayer(layer);
    }

private:
    QPointer<NTXCoverFlowView> m_view;
};

// Layers placed by layout move at once.
void holdStill(Layer &layer)
{
    layer.setActions({{QStringLiteral("position"), nullptr}, {QStringLiteral("bounds"), nullptr}});
}

platform::KeyValueObservable *asObservable(NTXCoverFlowView *view)
{
    return static_cast<platform::KeyValueObservable *>(view);
}

} // namespace

NTXCoverFlowView::NTXCoverFlowView(QWidget *parent)
    : LayerHostWidget(parent)
    , m_imageLoadQueue(std::make_unique<platform::OperationQueue>())
    , m_layout(std::make_shared<CoverFlowLayout>(this))
{
    // Pictures are decoded one at a time, in the order asked for.
    m_imageLoadQueue->setMaxConcurrentOperationCount(1);
    setFocusPolicy(Qt::StrongFocus);
    const LayerPtr root = rootLayer();
    root->setLayoutManager(platform::ConstraintLayoutManager::shared());
    root->setBackgroundColor(Qt::black);

    m_containerLayer = Layer::create();
    m_containerLayer->setName(QStringLiteral("body"));
    holdStill(*m_containerLayer);
    root->addSublayer(m_containerLayer);

    m_scrollLayer = platform::ScrollLayer::create();
    m_scrollLayer->setScrollMode(platform::ScrollLayer::ScrollMode::Horizontally);
    m_scrollLayer->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    m_scrollLayer->setLayoutManager(m_layout);
    m_scrollLayer->setActions({{QStringLiteral("position"), nullptr}});
    m_containerLayer->addSublayer(m_scrollLayer);

    m_gradientHolder = Layer::create();
    m_gradientHolder->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    m_gradientHolder->setLayoutManager(platform::ConstraintLayoutManager::shared());
    holdStill(*m_gradientHolder);
    m_containerLayer->addSublayer(m_gradientHolder);
    const QSize frame = size().expandedTo(QSize(1, 1));
    m_rightGradientLayer = Layer::create();
    m_rightGradientLayer->setContents(NTXCoverFlowImages::fade(frame, 180));
    m_leftGradientLayer = Layer::create();
    m_leftGradientLayer->setContents(NTXCoverFlowImages::fade(frame, 0));
    m_bottomGradientLayer = Layer::create();
    m_bottomGradientLayer->setMasksToBounds(true);
    m_bottomGradientLayer->setContents(NTXCoverFlowImages::fade(QSize(frame.width(), int(BottomFadeHeight)), 90));
    for (const LayerPtr &fade : {m_rightGradientLayer, m_leftGradientLayer, m_bottomGradientLayer}) {
        holdStill(*fade);
        m_gradientHolder->addSublayer(fade);
    }

    m_leftTransform = platform::Transform3D::rotation(-TurnAngle, 0, -1, 0);
    m_rightTransform = platform::Transform3D::rotation(TurnAngle, 0, -1, 0);
    const QSizeF picture = itemSize();
    m_shadowImage = NTXCoverFlowImages::reflectionShadow(picture.toSize());

    m_scroller = new NTXCoverFlowScroller(this);
    m_scroller->setGeometry(10, height() - 10 - 16, 400, 16);
    m_scroller->setEnabled(true);
    m_scroller->hide();
    m_scroller->setKnobProportion(1.0);
    m_scroller->setTarget(this);
    m_scroller->setAction("scrollerChange:");

    rebuildBodyConstraints();
    rebuildGradientConstraints();
    m_placeholderIcon = NTXCoverFlowImages::defaultPlaceholderIcon();
    recachePlaceholder();
}

NTXCoverFlowView::~NTXCoverFlowView()
{
    // Loads first: the running one may still post to this view.
    m_imageLoadQueue.reset();
    setAccessoryController(nullptr);
    m_contentBinding.reset();
    m_selectionBinding.reset();
    platform::unbindAll(asObservable(this));
    m_observations.clear();
    m_scrollLayer->setLayoutManager(nullptr);
}

QString NTXCoverFlowView::className() const
{
    return QStringLiteral("NTXCoverFlowView");
}

const platform::KeyTable &NTXCoverFlowView::keyTable() const
{
    auto view = [](const KeyValueObservable &o) -> const NTXCoverFlowView & {
        return static_cast<const NTXCoverFlowView &>(o);
    };
    auto mutableView = [](KeyValueObservable &o) -> NTXCoverFlowView & { return static_cast<NTXCoverFlowView &>(o); };
    static const platform::KeyTable table{
        {ContentKey, {[view](const KeyValueObservable &o) { return QVariant(view(o).content()); },
                      [mutableView](KeyValueObservable &o, const QVariant &v) { mutableView(o).setContent(v.toList()); }}},
        {SelectionIndexKey,
         {[view](const KeyValueObservable &o) { return QVariant(view(o).selectionIndex()); },
          [mutableView](KeyValueObservable &o, const QVariant &v) { mutableView(o).setSelectionIndex(v.toInt()); }}},
        {SelectedObjectKey,
         {[view](const KeyValueObservable &o) { return view(o).selectedObject(); },
          [mutableView](KeyValueObservable &o, const QVariant &v) { mutableView(o).setSelectedObject(v); }}},
        {ImageKeyPathKey,
         {[view](const KeyValueObservable &o) { return QVariant(view(o).imageKeyPath()); },
          [mutableView](KeyValueObservable &o, const QVariant &v) { mutableView(o).setImageKeyPath(v.toString()); }}},
    };
    return table;
}

// Geometry

QSizeF NTXCoverFlowView::itemSize() const
{
    if (!m_autoresizesItems)
        return m_itemSize;
    const qreal frameHeight = height();
    qreal bottomMargin = m_showsScrollbar ? m_scroller->height() + 16 + 20 : 20;
    if (m_accessoryController && m_accessoryController->view())
        bottomMargin += m_accessoryController->view()->height();
    const qreal h = std::max(frameHeight - frameHeight / 3 - bottomMargin, 1.0);
    const qreal w = h * m_itemSize.width() / m_itemSize.height();
    return QSizeF(std::floor(w), std::floor(h));
}

void NTXCoverFlowView::setItemSize(const QSizeF &size)
{
    m_itemSize = QSizeF(size.width() > 0 ? size.width() : 140, size.height() > 0 ? size.height() : 100);
    rebuildBodyConstraints();
    rebuildGradientConstraints();
    recachePlaceholder();
    rootLayer()->setNeedsLayout();
    if (m_selectionIndex >= 0 && m_selectionIndex < int(m_items.size()))
        m_scrollLayer->scrollToPoint(QPointF(positionOfSelectedItem(), m_items[m_selectionIndex]->frame().y()));
}

void NTXCoverFlowView::setAutoresizesItems(bool autoresizes)
{
    m_autoresizesItems = autoresizes;
    resizeSubviews();
}

void NTXCoverFlowView::setShowsScrollbar(bool shows)
{
    m_showsScrollbar = shows;
    m_scroller->setVisible(shows);
    resizeSubviews();
}

void NTXCoverFlowView::rebuildBodyConstraints()
{
    qreal accessoryTop = 0;
    if (m_accessoryController && m_accessoryController->view()) {
        const QWidget *accessory = m_accessoryController->view();
        const qreal accessoryY = height() - accessory->geometry().y() - accessory->height();
        accessoryTop = accessoryY + accessory->height();
    }
    const qreal pictureHeight = itemSize().height();
    m_containerLayer->setConstraints({
        LayoutConstraint::superlayer(Attribute::MidX, Attribute::MidX),
        LayoutConstraint::superlayer(Attribute::Width, Attribute::Width, 1, -20),
        LayoutConstraint::superlayer(Attribute::MinY, Attribute::MinY, 1, accessoryTop - 0.75 * pictureHeight),
        LayoutConstraint::superlayer(Attribute::MaxY, Attribute::MaxY, 1, -10),
    });
    rootLayer()->setNeedsLayout();
}

void NTXCoverFlowView::rebuildGradientConstraints()
{
    const qreal halfWidth = itemSize().width() / 2;
    m_leftGradientLayer->setConstraints({
        LayoutConstraint::superlayer(Attribute::MinX, Attribute::MinX),
        LayoutConstraint::superlayer(Attribute::MinY, Attribute::MinY),
        LayoutConstraint::superlayer(Attribute::MaxY, Attribute::MaxY),
        LayoutConstraint::superlayer(Attribute::MaxX, Attribute::MaxX, 0.5, -halfWidth),
    });
    m_rightGradientLayer->setConstraints({
        LayoutConstraint::superlayer(Attribute::MaxX, Attribute::MaxX),
        LayoutConstraint::superlayer(Attribute::MinY, Attribute::MinY),
        LayoutConstraint::superlayer(Attribute::MaxY, Attribute::MaxY),
        LayoutConstraint::superlayer(Attribute::MinX, Attribute::MaxX, 0.5, halfWidth),
    });
    m_bottomGradientLayer->setConstraints({
        LayoutConstraint::superlayer(Attribute::MinX, Attribute::MinX),
        LayoutConstraint::superlayer(Attribute::MaxX, Attribute::MaxX),
        LayoutConstraint::superlayer(Attribute::MinY, Attribute::MinY),
        LayoutConstraint::superlayer(Attribute::MaxY, Attribute::MinY, 1, BottomFadeHeight),
    });
    m_gradientHolder->setNeedsLayout();
}

void NTXCoverFlowView::refreshLayers()
{
    m_scrollLayer->setNeedsLayout();
    m_scrollLayer->layoutIfNeeded();
}

Layer *NTXCoverFlowView::imageLayerOf(const Layer &item)
{
    return item.sublayers().isEmpty() ? nullptr : item.sublayers().constFirst().get();
}

void NTXCoverFlowView::layoutSublayersOfLayer(Layer &layer)
{
    const qreal boundsWidth = layer.bounds().width();
    const qreal n = qreal(m_items.size());
    const QSizeF picture = itemSize();
    const qreal w = picture.width();
    const qreal h = picture.height();
    const qreal margin = std::floor((boundsWidth - n * w - (n - 1) * w / 10) * 0.5 + 12.0);
    for (std::size_t index = 0; index < m_items.size(); ++index) {
        Layer &item = *m_items[index];
        Layer *image = imageLayerOf(item);
        if (!image)
            continue;
        const int i = int(index);
        qreal x = i * (w + w / 10) + margin;
        if (i == m_selectionIndex) {
            image->setTransform(QMatrix4x4());
            image->setZPosition(100);
            item.setZPosition(0);
        } else if (i > m_selectionIndex) {
            const int d = i - m_selectionIndex;
            x -= 0.75 * w * (d - 0.85);
            image->setTransform(m_rightTransform);
            image->setZPosition(0);
            item.setZPosition(-0.1 * d);
        } else {
            const int d = m_selectionIndex - i;
            x += 0.75 * w * (d - 0.85);
            image->setTransform(m_leftTransform);
            image->setZPosition(0);
            item.setZPosition(-0.1 * d);
        }
        item.setFrame(QRectF(x, h, w, h));
        // Bounds and position, not frames: the layers are turned.
        image->setBounds(QRectF(0, 0, w, h));
        image->setPosition(QPointF(w / 2, h / 2));
        if (!image->sublayers().isEmpty()) {
            Layer &reflection = *image->sublayers().constFirst();
            reflection.setBounds(QRectF(0, 0, w, h));
            reflection.setPosition(QPointF(w / 2, -h / 2));
        }
    }
}

qreal NTXCoverFlowView::positionOfSelectedItem() const
{
    const qreal boundsWidth = m_scrollLayer->bounds().width();
    const qreal n = qreal(m_items.size());
    const QSizeF picture = itemSize();
    const qreal w = picture.width();
    const qreal margin = std::floor((boundsWidth - n * w - (n - 1) * w / 10) * 0.5 + 12.0);
    return margin + m_selectionIndex * (w + w / 10) - boundsWidth / 2 + w / 2;
}

QRectF NTXCoverFlowView::rectForItemAtIndex(int index) const
{
    if (index < 0 || index >= int(m_items.size()))
        return {};
    rootLayer()->layoutIfNeeded();
    const Layer *image = imageLayerOf(*m_items[index]);
    return image ? image->convertRectToLayer(image->bounds(), rootLayer().get()) : QRectF();
}

int NTXCoverFlowView::indexOfItemAtPoint(const QPointF &point) const
{
    const int count = int(m_items.size());
    if (count == 0)
        return NotFound;
    const QPointF yUp(point.x(), height() - point.y());
    auto hits = [&](int index) { return rectForItemAtIndex(index).contains(yUp); };
    const int selected = std::clamp(m_selectionIndex, 0, count - 1);
    if (m_selectionIndex >= 0 && m_selectionIndex < count && hits(selected))
        return selected;
    for (int i = std::min(m_selectionIndex - 1, count - 1); i >= 0; --i)
        if (hits(i))
            return i;
    for (int i = std::max(m_selectionIndex + 1, 0); i < count; ++i)
        if (hits(i))
            return i;
    return NotFound;
}

// Selection

void NTXCoverFlowView::setSelectionIndex(int index)
{
    if (index < 0 || index >= int(m_items.size()))
        return;
    const Qt::KeyboardModifiers modifiers = m_inEvent ? m_eventModifiers : QGuiApplication::keyboardModifiers();
    const bool slow = modifiers.testFlag(Qt::ShiftModifier) || platform::KeyboardLayout::instance().isCapsLockOn();
    platform::Transaction::setAnimationDuration(slow ? SlowDuration : NormalDuration);

    willChangeValueForKey(SelectionIndexKey);
    willChangeValueForKey(SelectedObjectKey);
    m_selectionIndex = index;
    didChangeValueForKey(SelectedObjectKey);
    didChangeValueForKey(SelectionIndexKey);

    rootLayer()->layoutIfNeeded();
    m_scrollLayer->setNeedsLayout();
    m_scrollLayer->layoutIfNeeded();
    m_scrollLayer->scrollToPoint(QPointF(positionOfSelectedItem(), m_items[index]->frame().y()));
    m_scroller->setIntegerValue(index);
}

void NTXCoverFlowView::userSetSelectionIndex(int index)
{
    const int count = int(m_content.size());
    if (count == 0)
        return;
    index = std::clamp(index, 0, count - 1);
    const std::optional<platform::BindingInfo> info = platform::infoForBinding(asObservable(this), SelectionIndexKey);
    if (info && info->observedObject) {
        // The binding brings the value back. A bound key that takes no value (a
        // read-only one) refuses the move: the selection stays where the model has it.
        try {
            info->observedObject->setValueForKeyPath(index, info->keyPath);
        } catch (const platform::Exception &refused) {
            qWarning("[NTXCoverFlowView] The bound selection index refused %d: %s", index, refused.what());
        }
        return;
    }
    setSelectionIndex(index);
}

QVariant NTXCoverFlowView::selectedObject() const
{
    if (m_selectionIndex < 0 || m_selectionIndex >= int(m_content.size()))
        return {};
    return m_content.at(m_selectionIndex);
}

void NTXCoverFlowView::setSelectedObject(const QVariant &object)
{
    const auto found = m_indexesByObject.constFind(NTXCoverFlowObjectKey{object});
    if (found == m_indexesByObject.cend() || found->empty()) {
        qWarning("[NTXCoverFlowView setSelectedObject:] -- The view does not contain the specified object.");
        return;
    }
    userSetSelectionIndex(found->front());
}

// Bindings

void NTXCoverFlowView::bind(const QString &binding, platform::KeyValueObservable *observed, const QString &keyPath)
{
    std::unique_ptr<platform::BindingObserver> *slot = nullptr;
    std::function<void()> apply;
    if (binding == ContentKey) {
        slot = &m_contentBinding;
        apply = [this] { setContent(platform::valueForBinding(asObservable(this), ContentKey).toList()); };
    } else if (binding == SelectionIndexKey) {
        slot = &m_selectionBinding;
        apply = [this] {
            const QVariant value = platform::valueForBinding(asObservable(this), SelectionIndexKey);
            if (value.isValid())
                setSelectionIndex(value.toInt());
        };
    } else {
        return;
    }
    slot->reset();
    platform::bind(asObservable(this), binding, observed, keyPath);
    *slot = std::make_unique<platform::BindingObserver>(observed, keyPath, apply);
    apply();
}

void NTXCoverFlowView::unbind(const QString &binding)
{
    if (binding == ContentKey)
        m_contentBinding.reset();
    else if (binding == SelectionIndexKey)
        m_selectionBinding.reset();
    platform::unbind(asObservable(this), binding);
}

// Accessory

void NTXCoverFlowView::setAccessoryController(NTXCoverFlowAccessoryController *controller)
{
    if (controller == m_accessoryController)
        return;
    if (NTXCoverFlowAccessoryController *old = m_accessoryController) {
        if (QWidget *accessory = old->view()) {
            accessory->hide();
            accessory->setParent(nullptr);
        }
        m_accessoryBinding.reset();
        platform::unbind(static_cast<platform::KeyValueObservable *>(old), RepresentedObjectKey);
        platform::setNextResponder(old, nullptr);
    }
    platform::setNextResponder(this, m_formerNextResponder);
    m_accessoryController = controller;
    if (controller) {
        if (QWidget *accessory = controller->view()) {
            accessory->setParent(this);
            accessory->show();
        }
        m_formerNextResponder = platform::nextResponder(this);
        platform::setNextResponder(controller, m_formerNextResponder);
        platform::setNextResponder(this, controller);
        platform::bind(static_cast<platform::KeyValueObservable *>(controller), RepresentedObjectKey, asObservable(this),
                       SelectedObjectKey);
        auto push = [this] {
            if (m_accessoryController)
                m_accessoryController->setRepresentedObject(selectedObject());
        };
        m_accessoryBinding = std::make_unique<platform::BindingObserver>(asObservable(this), SelectedObjectKey, push);
        push();
    } else {
        m_formerNextResponder = nullptr;
    }
    resizeSubviews();
}

void NTXCoverFlowView::resizeSubviews()
{
    const qreal w = width();
    const qreal h = height();
    qreal accessoryY = 16;
    if (m_showsScrollbar) {
        const int scrollerHeight = m_scroller->height();
        m_scroller->setGeometry(int(ScrollerSideSpace / 2), int(h - 20 - scrollerHeight),
                                std::max(int(w - ScrollerSideSpace), 0), scrollerHeight);
        accessoryY = 20 + scrollerHeight + 16;
    }
    if (m_accessoryController && m_accessoryController->view()) {
        QWidget *accessory = m_accessoryController->view();
        accessory->move(int(std::floor((w - accessory->width()) / 2)), int(h - accessoryY - accessory->height()));
    }
    rebuildBodyConstraints();
    setSelectionIndex(m_selectionIndex);
}

void NTXCoverFlowView::resizeEvent(QResizeEvent *event)
try {
    LayerHostWidget::resizeEvent(event);
    resizeSubviews();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

// Input

namespace {

// Keeps the modifiers of the event being handled for the length of a handler.
class EventScope
{
public:
    EventScope(bool &inEvent, Qt::KeyboardModifiers &stored, Qt::KeyboardModifiers modifiers)
        : m_inEvent(inEvent)
        , m_was(inEvent)
    {
        stored = modifiers;
        inEvent = true;
    }
    ~EventScope() { m_inEvent = m_was; }
    EventScope(const EventScope &) = delete;
    EventScope &operator=(const EventScope &) = delete;

private:
    bool &m_inEvent;
    bool m_was;
};

} // namespace

bool NTXCoverFlowView::sendActionIfSet()
{
    if (!m_target || m_action.isEmpty())
        return false;
    platform::sendAction(m_action.constData(), m_target, this);
    return true;
}

void NTXCoverFlowView::keyPressEvent(QKeyEvent *event)
try {
    EventScope scope(m_inEvent, m_eventModifiers, event->modifiers());
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!sendActionIfSet())
            LayerHostWidget::keyPressEvent(event);
        break;
    case Qt::Key_Left:
        userSetSelectionIndex(m_selectionIndex - 1);
        break;
    case Qt::Key_Right:
        userSetSelectionIndex(m_selectionIndex + 1);
        break;
    default:
        LayerHostWidget::keyPressEvent(event);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void NTXCoverFlowView::mousePressEvent(QMouseEvent *event)
try {
    EventScope scope(m_inEvent, m_eventModifiers, event->modifiers());
    setFocus(Qt::MouseFocusReason);
    const int index = indexOfItemAtPoint(event->position());
    if (index != NotFound)
        userSetSelectionIndex(index);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXCoverFlowView::mouseDoubleClickEvent(QMouseEvent *event)
try {
    EventScope scope(m_inEvent, m_eventModifiers, event->modifiers());
    sendActionIfSet();
    const int index = indexOfItemAtPoint(event->position());
    if (index != NotFound)
        userSetSelectionIndex(index);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseDoubleClickEvent");
}

void NTXCoverFlowView::wheelEvent(QWheelEvent *event)
try {
    EventScope scope(m_inEvent, m_eventModifiers, event->modifiers());
    const qreal dy = event->angleDelta().y() / WheelNotch;
    const qreal dx = event->angleDelta().x() / WheelNotch;
    qreal delta = 0;
    if (std::abs(dy) > WheelThreshold) {
        delta = dy;
    } else if (std::abs(dx) > WheelThreshold) {
        delta = dx;
    } else {
        // A partial notch: it adds up with the ones before it, whichever way they
        // turned, and moves once the sum is more than the threshold.
        m_wheelRemainder += std::abs(dy) >= std::abs(dx) ? dy : dx;
        if (!(std::abs(m_wheelRemainder) > WheelThreshold))
            return;
        delta = m_wheelRemainder;
    }
    m_wheelRemainder = 0;
    userSetSelectionIndex(delta > 0 ? m_selectionIndex - 1 : m_selectionIndex + 1);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "wheelEvent");
}

void NTXCoverFlowView::scrollerChange(QObject *)
{
    switch (m_scroller->hitPart()) {
    case platform::Scroller::Part::Knob:
        userSetSelectionIndex(m_scroller->integerValue());
        break;
    case platform::Scroller::Part::DecrementLine:
        userSetSelectionIndex(m_selectionIndex - 1);
        break;
    case platform::Scroller::Part::IncrementLine:
        userSetSelectionIndex(m_selectionIndex + 1);
        break;
    default:
        break;
    }
}
