#include "components/tabbarview/KZTabBarButton.h"

#include "components/tabbarview/KZProgressIndicator.h"
#include "components/tabbarview/KZTabBarExtensions.h"
#include "components/tabbarview/KZTabBarItem.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/foundation/BindingMarkers.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/VariantNumber.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QTimer>

namespace {

QIcon imageFromValue(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QIcon:
        return value.value<QIcon>();
    case QMetaType::QPixmap:
        return QIcon(value.value<QPixmap>());
    case QMetaType::QImage:
        return QIcon(QPixmap::fromImage(value.value<QImage>()));
    default:
        return {};
    }
}

} // namespace

KZTabBarButton::KZTabBarButton(QWidget *parent)
    : KZTabBarButton(std::make_unique<KZTabBarButtonCell>(), parent)
{
}

KZTabBarButton::KZTabBarButton(std::unique_ptr<KZTabBarButtonCell> cell, QWidget *parent)
    : KZRolloverButton(std::move(cell), parent)
{
    commonInit();
}

KZTabBarButton::~KZTabBarButton()
{
    // Observers first: none may call back into a half-destroyed button.
    m_bindings.clear();
}

void KZTabBarButton::commonInit()
{
    const QRectF bounds(rect());
    m_closeButton = new KZRolloverButton(this);
    m_closeButton->setGeometry(tabCell()->closeButtonRectForBounds(bounds).toRect());
    m_closeButton->setRolloverButtonType(0);
    m_indicator = new KZProgressIndicator(this);
    m_indicator->setControlSize(platform::ProgressIndicator::ControlSize::Small);
    m_indicator->setGeometry(0, 0, 16, 16);
    m_indicator->setGeometry(tabCell()->indicatorRectForBounds(bounds).toRect());
    m_indicator->setHidden(true);
}

KZTabBarView *KZTabBarButton::tabBarView() const
{
    return KZTabBarExtensions::enclosingTabBarView(this);
}

void KZTabBarButton::calcSize()
{
    tabCell()->calcDrawInfo(QRectF(rect()));
}

void KZTabBarButton::resizeEvent(QResizeEvent *event)
try {
    KZRolloverButton::resizeEvent(event);
    calcSize();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void KZTabBarButton::contextMenuEvent(QContextMenuEvent *event)
try {
    KZTabBarView *bar = tabBarView();
    QMenu *menu = bar ? bar->menuForTabBarButton(this, event) : nullptr;
    if (!menu) {
        KZRolloverButton::contextMenuEvent(event);
        return;
    }
    menu->popup(event->globalPos());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "contextMenuEvent");
}

void KZTabBarButton::updateImages()
{
    tabCell()->updateImages();
}

void KZTabBarButton::queueBarUpdateIfSizingToFit()
{
    if (KZTabBarView *bar = tabBarView())
        bar->tabButtonContentDidChange();
}

void KZTabBarButton::setTitle(const QString &title)
{
    tabCell()->setTitle(title);
    updateCell();
    queueBarUpdateIfSizingToFit();
}

void KZTabBarButton::setStyle(std::shared_ptr<KZTabStyle> style)
{
    tabCell()->setStyle(std::move(style));
    updateCell();
}

void KZTabBarButton::setTabState(unsigned state)
{
    tabCell()->setTabState(state);
    updateCell();
}

void KZTabBarButton::setHasCloseButton(bool has)
{
    tabCell()->setHasCloseButton(has);
    updateCell();
}

void KZTabBarButton::setSuppressCloseButton(bool suppress)
{
    tabCell()->setSuppressCloseButton(suppress);
    updateCell();
}

void KZTabBarButton::setIcon(const QIcon &icon)
{
    tabCell()->setIcon(icon);
    updateCell();
}

void KZTabBarButton::setLargeImage(const QIcon &image)
{
    tabCell()->setLargeImage(image);
    updateCell();
}

void KZTabBarButton::setShowObjectCount(bool show)
{
    tabCell()->setShowObjectCount(show);
    updateCell();
}

void KZTabBarButton::setObjectCount(int count)
{
    tabCell()->setObjectCount(count);
    updateCell();
}

void KZTabBarButton::setObjectCountColor(const QColor &color)
{
    tabCell()->setObjectCountColor(color);
    updateCell();
}

void KZTabBarButton::setIsEdited(bool edited)
{
    tabCell()->setIsEdited(edited);
    updateCell();
}

void KZTabBarButton::setIsProcessing(bool processing)
{
    tabCell()->setIsProcessing(processing);
    updateCell();
}

// ---- Bindings ----

QStringList KZTabBarButton::exposedBindings()
{
    return {KZTabBarItem::IsProcessingKey, KZTabBarItem::IsEditedKey, KZTabBarItem::ObjectCountKey,
            KZTabBarItem::ObjectCountColorKey, KZTabBarItem::IconKey, KZTabBarItem::LargeImageKey,
            KZTabBarItem::HasCloseButtonKey};
}

void KZTabBarButton::bind(const QString &binding, platform::KeyValueObservable *object, const QString &keyPath,
                          const QVariantMap &options)
{
    if (!exposedBindings().contains(binding)) {
        platform::bind(this, binding, object, keyPath, options);
        return;
    }
    // A name bound again stops observing its earlier model first.
    unbind(binding);
    Binding &entry = m_bindings[binding];
    entry.info = platform::BindingInfo{object, keyPath, options};
    if (object) {
        entry.lifetime = object->lifetime();
        entry.observer = std::make_unique<platform::BindingObserver>(object, keyPath,
                                                                     [this, binding] { applyBoundValue(binding); });
    }
    applyBoundValue(binding);
}

void KZTabBarButton::unbind(const QString &binding)
{
    if (!exposedBindings().contains(binding)) {
        platform::unbind(this, binding);
        return;
    }
    m_bindings.erase(binding);
}

std::optional<platform::BindingInfo> KZTabBarButton::infoForBinding(const QString &binding) const
{
    if (!exposedBindings().contains(binding))
        return platform::infoForBinding(this, binding);
    const auto found = m_bindings.find(binding);
    if (found == m_bindings.end())
        return platform::BindingInfo{};
    platform::BindingInfo info = found->second.info;
    if (found->second.lifetime.expired())
        info.observedObject = nullptr;
    return info;
}

void KZTabBarButton::applyBoundValue(const QString &binding)
{
    const auto found = m_bindings.find(binding);
    if (found == m_bindings.end())
        return;
    const Binding &entry = found->second;
    const QVariant value = entry.observer ? entry.observer->value() : QVariant();
    const bool usable = !platform::isNoSelectionMarker(value) && platform::isNumber(value);
    const auto transformed = [&entry](const QVariant &raw) {
        const std::shared_ptr<platform::ValueTransformer> transformer = platform::transformerForBinding(entry.info);
        return transformer ? transformer->transformedValue(raw) : raw;
    };
    const auto truth = [&] {
        if (!usable)
            return false;
        const QVariant result = transformed(value);
        return result.isValid() && result.toBool();
    };

    if (binding == KZTabBarItem::ObjectCountKey) {
        const QVariant count = usable ? transformed(value) : QVariant();
        setObjectCount(count.toInt());
        const QVariantMap &options = entry.info.options;
        if (options.contains(platform::ConditionallySetsHiddenBindingOption)) {
            if (options.value(platform::ConditionallySetsHiddenBindingOption).toBool())
                setShowObjectCount(count.isValid() && !platform::isNoSelectionMarker(count) && count.toInt() != 0);
        } else {
            setShowObjectCount(true);
        }
    } else if (binding == KZTabBarItem::ObjectCountColorKey) {
        setObjectCountColor(value.metaType().id() == QMetaType::QColor ? value.value<QColor>() : QColor());
    } else if (binding == KZTabBarItem::IsProcessingKey) {
        setIsProcessing(truth());
    } else if (binding == KZTabBarItem::IsEditedKey) {
        setIsEdited(truth());
    } else if (binding == KZTabBarItem::HasCloseButtonKey) {
        setHasCloseButton(truth());
    } else if (binding == KZTabBarItem::IconKey) {
        setIcon(imageFromValue(value));
    } else if (binding == KZTabBarItem::LargeImageKey) {
        setLargeImage(imageFromValue(value));
    }
    queueBarUpdateIfSizingToFit();
}
