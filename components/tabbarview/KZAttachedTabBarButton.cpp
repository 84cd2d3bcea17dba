#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabDragAssistant.h"

#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarItem.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/foundation/BindingMarkers.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/KZProgressIndicator.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>
#include <QPainter>

KZAttachedTabBarButton::KZAttachedTabBarButton(const QRect &frame, platform::TabViewItemPtr item, QWidget *parent)
    : KZTabBarButton(std::make_unique<KZAttachedTabBarButtonCell>(), parent)
    , m_item(std::move(item))
{
    setGeometry(frame);
}

KZAttachedTabBarButton::~KZAttachedTabBarButton()
{
    m_titleObserver.reset();
}

void KZAttachedTabBarButton::bindToTabViewItem()
{
    unbindFromTabViewItem();
    setIsProcessing(false);
    indicator()->setHidden(true);
    setIcon(QIcon());
    setObjectCount(0);
    setObjectCountColor(KZTabBarButtonCell::defaultObjectCountColor());
    setLargeImage(QIcon());
    setIsEdited(false);
    setHasCloseButton(false);
    if (!m_item)
        return;
    KZTabBarViewExtensions::registerTabViewItemKeys();
    for (const QString &key : exposedBindings()) {
        platform::KeyValueObservable *provider = KZTabBarItem::providerOf(*m_item, key);
        if (!provider)
            continue;
        QVariantMap options;
        if (key == KZTabBarItem::ObjectCountKey)
            options.insert(platform::ConditionallySetsHiddenBindingOption, true);
        bind(key, provider, key, options);
    }
    QString titleKey = KZTabBarItem::TitleKey;
    platform::KeyValueObservable *titleProvider = KZTabBarItem::providerOf(*m_item, titleKey);
    if (!titleProvider) {
        titleKey = QStringLiteral("label");
        titleProvider = m_item.get();
    }
    m_titleObserver = std::make_unique<platform::BindingObserver>(titleProvider, titleKey, [this] {
        setTitle(m_titleObserver->value().toString());
    });
    setTitle(m_titleObserver->value().toString());
}

void KZAttachedTabBarButton::unbindFromTabViewItem()
{
    m_titleObserver.reset();
    for (const QString &key : exposedBindings())
        unbind(key);
}

void KZAttachedTabBarButton::setSlidingFrame(const QRect &frame)
{
    setGeometry(frame.x(), geometry().y(), frame.width(), frame.height());
}

void KZAttachedTabBarButton::setTitle(const QString &title)
{
    KZTabBarButton::setTitle(title);
    if (m_item && m_item->label() != title)
        m_item->setLabel(title);
}

bool KZAttachedTabBarButton::shouldDisplayLeftDivider() const
{
    if (isSliding() || (tabState() & 0x40))
        return true;
    return KZTabBarButton::shouldDisplayLeftDivider();
}

KZAttachedTabBarButton *KZAttachedTabBarButton::_selectedAttachedTabBarButton() const
{
    KZTabBarView *bar = tabBarView();
    return bar ? bar->selectedAttachedButton() : nullptr;
}

void KZAttachedTabBarButton::selectThis()
{
    if (KZAttachedTabBarButton *selected = _selectedAttachedTabBarButton())
        selected->setState(platform::Cell::State::Off);
    setState(platform::Cell::State::On);
    sendAction(action(), target());
}

void KZAttachedTabBarButton::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        KZTabBarButton::mousePressEvent(event);
        return;
    }
    KZTabBarView *bar = tabBarView();
    if (!bar)
        return;
    if (bar->selectsTabsOnMouseDown() && _selectedAttachedTabBarButton() != this)
        selectThis();
    m_pressPoint = mapTo(bar, event->position().toPoint());
    m_mayDrag = true;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void KZAttachedTabBarButton::mouseMoveEvent(QMouseEvent *event)
try {
    KZTabBarView *bar = tabBarView();
    if (!bar || !(event->buttons() & Qt::LeftButton))
        return;
    KZTabDragAssistant *assistant = KZTabDragAssistant::sharedDragAssistant();
    if (m_isInDraggedSlide) {
        assistant->slideMovedTo(QPointF(mapTo(bar, event->position().toPoint())));
        return;
    }
    if (m_mayDrag && bar->shouldStartDraggingAttachedTabBarButton(this, event)) {
        m_mayDrag = false;
        bar->startDraggingAttachedTabBarButton(this, event);
        if (m_isInDraggedSlide)
            assistant->slideMovedTo(QPointF(mapTo(bar, event->position().toPoint())));
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

bool KZAttachedTabBarButton::event(QEvent *event)
try {
    // The pointer grab went elsewhere in the middle of a slide.
    if (m_isInDraggedSlide && (event->type() == QEvent::UngrabMouse || event->type() == QEvent::Hide))
        KZTabDragAssistant::sharedDragAssistant()->slideCancelled();
    return KZTabBarButton::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void KZAttachedTabBarButton::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        KZTabBarButton::mouseReleaseEvent(event);
        return;
    }
    m_mayDrag = false;
    if (m_isInDraggedSlide) {
        KZTabDragAssistant::sharedDragAssistant()->slideReleased();
        return;
    }
    KZTabBarView *bar = tabBarView();
    if (bar && rect().contains(event->position().toPoint()) && !bar->selectsTabsOnMouseDown())
        selectThis();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

QRectF KZAttachedTabBarButton::draggingRect()
{
    KZTabBarView *bar = tabBarView();
    if (KZTabStyle *style = tabCell()->style().get()) {
        if (const std::optional<QRectF> rect = style->draggingRectForTabButton(this, bar))
            return *rect;
    }
    return _draggingRect();
}

QPoint KZAttachedTabBarButton::progressMarkPosition(const QSize &imageSize, int frameWidth)
{
    // (frame width - 22, 3) measured from the bottom-left corner of the picture.
    const int markHeight = static_cast<int>(KZTabBarArtwork::progressMarkSize().height());
    return {frameWidth - 6 - 16, imageSize.height() - 3 - markHeight};
}

QImage KZAttachedTabBarButton::dragImage()
{
    KZTabBarView *bar = tabBarView();
    if (!bar)
        return {};
    if (!stackingFrame().isEmpty())
        setGeometry(stackingFrame().toRect());
    const QRect area = draggingRect().toAlignedRect();
    const QImage captured = bar->grab(area).toImage();
    QImage image(captured.size(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(captured.devicePixelRatio());
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(QPointF(0, 0), captured);
    if (!indicator()->isHidden()) {
        const QSize logical = (QSizeF(image.size()) / image.devicePixelRatio()).toSize();
        const QPoint at = progressMarkPosition(logical, geometry().width());
        KZTabBarArtwork::progressMark().paint(&painter, QRect(at, KZTabBarArtwork::progressMarkSize().toSize()));
    }
    return image;
}
