// The flow view's state, defaults, items, selection and lifecycle.
#include "components/flowview/KZFlowView.h"

#include "components/flowview/KZFlowViewAccessible.h"
#include "components/flowview/KZFlowViewImageCache.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QEvent>
#include <QThread>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

// The view lays the scroll layer out; it forgets the view when the view goes.
class KZFlowView::ScrollLayout : public platform::LayoutManager
{
public:
    explicit ScrollLayout(KZFlowView *view)
        : m_view(view)
    {
    }
    void layoutSublayersOfLayer(platform::Layer &layer) override
    {
        if (m_view)
            m_view->layoutSublayersOfLayer(layer);
    }
    void forget() { m_view = nullptr; }

private:
    KZFlowView *m_view;
};

KZFlowView::KZFlowView(QWidget *parent)
    : LayerHostWidget(parent)
{
    commonInit();
    setDefaults();
    setupLayers();
    setTitle(QStringLiteral("Title"));
    setTitleSize(18.0);
}

void KZFlowView::commonInit()
{
    KZFlowViewAccessible::installFactory();
    m_scrollLayout = std::make_shared<ScrollLayout>(this);
    m_liveResize.setSingleShot(true);
    m_liveResize.setInterval(LiveResizeEndMs);
    connect(&m_liveResize, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "viewDidEndLiveResize", &KZFlowView::viewDidEndLiveResize));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_AcceptTouchEvents);
    m_imageCache = std::make_shared<KZFlowViewImageCache>();
    m_operationQueue = std::make_unique<platform::OperationQueue>();
    // Pictures are decoded on all cores but one: the GUI thread keeps one to itself.
    m_operationQueue->setMaxConcurrentOperationCount(std::max(1, QThread::idealThreadCount() - 1));
    m_trackingAreas = new platform::TrackingAreas(this);
    m_trackingAreas->setEnteredHandler([this](int, const QPointF &) { mouseEnteredLayerAtIndex(m_selectedIndex); });
    m_trackingAreas->setExitedHandler([this](int, const QPointF &) { mouseExitedLayerAtIndex(m_selectedIndex); });
    setAcceptDrops(true);
    connect(this, &KZFlowView::imagesNeedUpdate, this, platform::ExceptionBoundary::guarded(this, "imagesNeedUpdate", [this] {
        updateImages();
        setupTrackingAreas();
    }));
}

std::shared_ptr<platform::LayoutManager> KZFlowView::scrollLayoutManager() const
{
    return m_scrollLayout;
}

KZFlowView::~KZFlowView()
{
    // The areas would report the pointer leaving while the widget goes, to the handlers
    // of a view whose layers are already gone.
    delete m_trackingAreas;
    m_trackingAreas = nullptr;
    cancelLoads();
    unbindAll();
    if (platform::PreviewPanel::sharedPreviewPanelExists()) {
        platform::PreviewPanel *panel = platform::PreviewPanel::sharedPreviewPanel();
        if (panel->dataSource() == this)
            panel->setDataSource(nullptr);
        if (panel->delegate() == this)
            panel->setDelegate(nullptr);
    }
    m_scrollLayout->forget();
    if (m_scrollLayer)
        m_scrollLayer->setDelegate(nullptr);
    m_delegate = nullptr;
    m_dataSource = nullptr;
}

void KZFlowView::setDefaults()
{
    setStackedAngle(70.0f);
    setSpacing(50.0f);
    setSelectedScale(200.0f);
    setStackedScale(-200.0f);
    setReflectionOffset(-0.4f);
    m_selectedIndex = NotFound;
    setShowsReflection(true);
    setPerspective(platform::Transform3D::perspective(1500));
    setScrollDuration(0.4);
    setItemScale(1.0f);
    setPreviewScale(0.25f);
    m_canControlQuickLookPanel = false;
}

// ---- Title ----

QString KZFlowView::title() const
{
    return m_titleLayer ? m_titleLayer->string() : QString();
}

static void fitTitle(platform::TextLayer &layer)
{
    QFont font = layer.font();
    font.setPointSizeF(layer.fontSize());
    const QFontMetricsF metrics(font);
    const QSizeF size(std::ceil(metrics.horizontalAdvance(layer.string())) + 2, std::ceil(metrics.height()));
    layer.setBounds(QRectF(QPointF(0, 0), size));
}

void KZFlowView::setTitle(const QString &title)
{
    if (!m_titleLayer)
        return;
    m_titleLayer->setString(title);
    fitTitle(*m_titleLayer);
}

void KZFlowView::setTitleFont(const QFont &font)
{
    if (!m_titleLayer)
        return;
    m_titleLayer->setFont(font);
    fitTitle(*m_titleLayer);
}

void KZFlowView::setTitleSize(qreal size)
{
    if (!m_titleLayer)
        return;
    m_titleLayer->setFontSize(size);
    fitTitle(*m_titleLayer);
}

void KZFlowView::setTitleColor(const QColor &color)
{
    if (m_titleLayer)
        m_titleLayer->setForegroundColor(color);
}

// ---- Properties ----

void KZFlowView::markScrollLayerForLayout()
{
    if (m_scrollLayer)
        m_scrollLayer->setNeedsLayout();
}

void KZFlowView::setStackedAngle(float degrees)
{
    if (!std::isfinite(degrees))
        return;
    const float angle = std::clamp(degrees, 0.0f, 90.0f);
    if (angle == m_stackedAngle)
        return;
    m_stackedAngle = angle;
    const qreal radians = qreal(angle) * M_PI / 180;
    m_leftTransform = platform::Transform3D::rotation(radians, 0, 1, 0);
    m_rightTransform = platform::Transform3D::rotation(-radians, 0, 1, 0);
    markScrollLayerForLayout();
}

void KZFlowView::setSpacing(float spacing)
{
    if (!std::isfinite(spacing) || spacing == m_spacing)
        return;
    m_spacing = spacing;
    markScrollLayerForLayout();
}

void KZFlowView::setStackedScale(float scale)
{
    if (std::isfinite(scale))
        m_stackedScale = scale;
}

void KZFlowView::setSelectedScale(float scale)
{
    if (std::isfinite(scale))
        m_selectedScale = scale;
}

void KZFlowView::setReflectionOffset(float offset)
{
    if (!std::isfinite(offset))
        return;
    const float clamped = std::clamp(offset, -1.0f, 0.0f);
    if (clamped == m_reflectionOffset)
        return;
    m_reflectionOffset = clamped;
    updateReflection();
}

void KZFlowView::setItemScale(float scale)
{
    if (!std::isfinite(scale))
        return;
    const float clamped = std::clamp(scale, 0.1f, 1.0f);
    if (clamped == m_itemScale)
        return;
    m_itemScale = clamped;
    markScrollLayerForLayout();
}

void KZFlowView::setPreviewScale(float scale)
{
    if (!std::isfinite(scale))
        return;
    const float clamped = std::clamp(scale, 0.01f, 1.0f);
    if (clamped == m_previewScale)
        return;
    m_previewScale = clamped;
    if (m_imageCache)
        m_imageCache->clear();
    Q_EMIT imagesNeedUpdate();
}

void KZFlowView::setScrollDuration(double seconds)
{
    if (std::isfinite(seconds) && seconds >= 0)
        m_scrollDuration = seconds;
}

void KZFlowView::setShowsReflection(bool shows)
{
    if (shows == m_showsReflection)
        return;
    m_showsReflection = shows;
    updateReflection();
}

void KZFlowView::setDraggingKnob(bool dragging)
{
    if (dragging == m_draggingKnob)
        return;
    m_draggingKnob = dragging;
    if (!dragging)
        selectLayerAtIndex(m_selectedIndex);
}

std::unique_ptr<QVariantAnimation> KZFlowView::defaultAnimationForKey(const QString &key)
{
    if (key != QLatin1String("spacing") && key != QLatin1String("stackedAngle"))
        return nullptr;
    auto animation = std::make_unique<QVariantAnimation>();
    animation->setDuration(PropertyAnimationMs);
    return animation;
}

void KZFlowView::animateToValue(float value, const QString &key)
{
    auto setter = [this, key](float v) {
        if (key == QLatin1String("spacing"))
            setSpacing(v);
        else if (key == QLatin1String("stackedAngle"))
            setStackedAngle(v);
    };
    std::unique_ptr<QVariantAnimation> animation = defaultAnimationForKey(key);
    if (!animation) {
        setter(value);
        return;
    }
    if (QVariantAnimation *running = m_animations.take(key))
        running->stop(); // deletes itself
    const float from = key == QLatin1String("spacing") ? m_spacing : m_stackedAngle;
    animation->setStartValue(double(from));
    animation->setEndValue(double(value));
    connect(animation.get(), &QVariantAnimation::valueChanged, this,
            platform::ExceptionBoundary::guarded(this, "valueChanged", [setter](const QVariant &v) { setter(float(v.toDouble())); }));
    QVariantAnimation *raw = animation.release();
    raw->setParent(this);
    m_animations.insert(key, raw);
    connect(raw, &QAbstractAnimation::finished, this, platform::ExceptionBoundary::guarded(this, "finished", [this, key, raw] {
        if (m_animations.value(key) == raw)
            m_animations.remove(key);
    }));
    raw->start(QAbstractAnimation::DeleteWhenStopped);
}

const QVariantAnimation *KZFlowView::runningAnimationForKey(const QString &key) const
{
    return m_animations.value(key);
}

// ---- Items ----

platform::KeyValueObservable *KZFlowView::imageItemForIndex(quint32 index)
{
    if (index == NotFound)
        return nullptr;
    if (bindingsEnabled()) {
        const QVariantList content = contentArray();
        if (index < quint32(content.size()))
            return platform::KeyValueObservable::toObservable(content.at(index));
    }
    // The data source is asked only for an item it has: its count is the one the
    // last reload read (a selection kept over an emptied source points past it).
    if (!m_dataSource || index >= m_numberOfItems)
        return nullptr;
    return m_dataSource->flowViewItemAtIndex(*this, index).value_or(nullptr);
}

// With bindings on and the key path set: the value at the path; else the item's own
// answer to the key when it has one.
static QVariant answer(const platform::KeyValueObservable *item, bool bound, const QString &keyPath,
                       const QString &key)
{
    if (!item)
        return QVariant();
    if (bound && !keyPath.isEmpty())
        return item->valueForKeyPath(keyPath);
    return item->hasKey(key) ? item->valueForKey(key) : QVariant();
}

QVariant KZFlowView::imageUIDForItem(const platform::KeyValueObservable *item) const
{
    return answer(item, bindingsEnabled(), m_keyPaths[2], QStringLiteral("imageItemUID"));
}

QVariant KZFlowView::imageRepresentationForItem(const platform::KeyValueObservable *item) const
{
    return answer(item, bindingsEnabled(), m_keyPaths[0], QStringLiteral("imageItemRepresentation"));
}

QVariant KZFlowView::imageRepresentationTypeForItem(const platform::KeyValueObservable *item) const
{
    return answer(item, bindingsEnabled(), m_keyPaths[1], QStringLiteral("imageItemRepresentationType"));
}

QString KZFlowView::imageTitleForItem(const platform::KeyValueObservable *item) const
{
    if (item && bindingsEnabled() && !m_keyPaths[3].isEmpty())
        return item->valueForKeyPath(m_keyPaths[3]).toString();
    if (item && item->hasKey(QStringLiteral("imageItemTitle")))
        return item->valueForKey(QStringLiteral("imageItemTitle")).toString();
    return platform::Bundle::mainBundle().localizedString(QStringLiteral("Untitled item"));
}

QString KZFlowView::titleAtIndex(quint32 index)
{
    return imageTitleForItem(imageItemForIndex(index));
}

// ---- Selection ----

void KZFlowView::setSelectedIndex(quint32 index)
{
    if (index == m_selectedIndex || index >= m_numberOfItems)
        return;
    deselectLayerAtIndex(m_selectedIndex);
    m_selectedIndex = index;
    updateSelectionInRange(platform::Range(index, 0));
    selectLayerAtIndex(index);
    if (m_delegate)
        m_delegate->flowViewSelectionDidChange(*this);
    if (m_contentController)
        m_contentController->setSelectionIndex(qsizetype(index));
}

void KZFlowView::moveLeft()
{
    setSelectedIndex(m_selectedIndex - 1u);
}

void KZFlowView::moveRight()
{
    setSelectedIndex(m_selectedIndex + 1u);
}

quint32 KZFlowView::maximumNumberOfStackedVisibleItems() const
{
    if (m_visibleItemIndexes.length <= 0 || m_selectedIndex == NotFound)
        return 0;
    const qint64 first = m_visibleItemIndexes.location;
    const qint64 last = m_visibleItemIndexes.max() - 1;
    const qint64 selected = m_selectedIndex;
    return quint32(1 + std::max<qint64>(0, std::max(selected - first, last - selected)));
}

// ---- Lifecycle ----

void KZFlowView::resizeEvent(QResizeEvent *event)
try {
    // A resize of the shown view starts a live resize, a pause ends it; the size it
    // gets when it is first shown is none.
    if (isVisible() && event->oldSize().isValid() && !event->oldSize().isEmpty())
        m_liveResize.start();
    LayerHostWidget::resizeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void KZFlowView::viewDidEndLiveResize()
{
    Q_EMIT imagesNeedUpdate();
}

bool KZFlowView::event(QEvent *event)
try {
    switch (event->type()) {
    case QEvent::Show:
        if (window() != m_window)
            viewWillMoveToWindow(window());
        break;
    case QEvent::ParentChange:
        if (m_window && window() != m_window)
            viewWillMoveToWindow(isVisible() ? window() : nullptr);
        break;
    default:
        break;
    }
    return LayerHostWidget::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void KZFlowView::viewWillMoveToWindow(QWidget *newWindow)
{
    if (newWindow) {
        setupLayers();
        setupTrackingAreas();
    } else {
        cancelLoads();
        setRootLayer(nullptr);
        m_backgroundLayer.reset();
    }
    m_window = newWindow;
}
