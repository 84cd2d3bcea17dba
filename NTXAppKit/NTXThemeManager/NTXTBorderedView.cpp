#include "NTXAppKit/NTXThemeManager/NTXTBorderedView.h"

#include "AppKitExtensions/NTXNSViewExtension.h"
#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedObject.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/Control.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/BindingMarkers.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/VariantNumber.h"

#include <QChildEvent>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

using platform::BezierPathHelpers::appendArcFromPoint;

NTXTBorderedView::NTXTBorderedView(QWidget *parent)
    : QWidget(parent)
{
}

NTXTBorderedView::NTXTBorderedView(Decoded, QWidget *parent)
    : QWidget(parent)
    , m_isActive(false)
{
}

NTXTBorderedView::~NTXTBorderedView()
{
    m_isActiveObserver.reset();
    platform::unbindAll(this);
}

NTXTBorderedView *NTXTBorderedView::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return nullptr;
    const QString key = coder.containsValueForKey(NTXThemeArchiveKeys::ThemeKey)
        ? coder.decodeObject<QString>(NTXThemeArchiveKeys::ThemeKey)
        : QString();
    if (coder.failed())
        return nullptr;
    auto *view = new NTXTBorderedView(Decoded(), parent);
    view->m_themeKey = key;
    return view;
}

void NTXTBorderedView::encodeWithCoder(platform::Coder &coder) const
{
    if (coder.allowsKeyedCoding() && !m_themeKey.isNull())
        coder.encodeObject(QVariant(m_themeKey), NTXThemeArchiveKeys::ThemeKey);
}

void NTXTBorderedView::setThemeKey(const QString &key)
{
    m_themeKey = key;
    update();
}

std::shared_ptr<const NTXTheme> NTXTBorderedView::theme() const
{
    return NTXThemeManager::sharedThemeManager().themeForKey(m_themeKey);
}

bool NTXTBorderedView::drawsActiveLook() const
{
    return m_isActive && (!m_respectWindowState || isActiveWindow());
}

// ---- Dark surroundings for the controls inside ----

void NTXTBorderedView::applyDarkBackgroundToControls()
{
    const auto found = theme();
    if (!found || found->backgroundStyle() != NTXTheme::BackgroundStyle::Dark)
        return;
    for (QWidget *widget : NTXNSViewExtension::descendantsKindOfClass<platform::Control>(this)) {
        auto *control = static_cast<platform::Control *>(widget);
        control->cell()->setBackgroundStyle(platform::Cell::BackgroundStyle::Dark);
        control->update();
    }
}

void NTXTBorderedView::awakeFromNib()
{
    applyDarkBackgroundToControls();
}

void NTXTBorderedView::childEvent(QChildEvent *event)
try {
    QWidget::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        applyDarkBackgroundToControls();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "childEvent");
}

void NTXTBorderedView::changeEvent(QEvent *event)
try {
    if (event->type() == QEvent::ActivationChange)
        update();
    QWidget::changeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

// ---- Bindings ----

void NTXTBorderedView::bind(const QString &binding, platform::KeyValueObservable *object, const QString &keyPath,
                            const QVariantMap &options)
{
    platform::bind(static_cast<QObject *>(this), binding, object, keyPath, options);
    if (binding == IsActiveBinding) {
        m_isActiveObserver = std::make_unique<platform::BindingObserver>(object, keyPath,
                                                                         [this] { isActiveBindingChanged(); });
        isActiveBindingChanged();
    }
    update();
}

void NTXTBorderedView::unbind(const QString &binding)
{
    if (binding == IsActiveBinding)
        m_isActiveObserver.reset();
    platform::unbind(this, binding);
    update();
}

std::optional<platform::BindingInfo> NTXTBorderedView::infoForBinding(const QString &binding) const
{
    return platform::infoForBinding(this, binding);
}

void NTXTBorderedView::isActiveBindingChanged()
{
    if (!m_isActiveObserver)
        return;
    const QVariant value = m_isActiveObserver->value();
    if (platform::isNoSelectionMarker(value)) {
        setActive(false);
    } else if (platform::isNumber(value)) {
        const auto info = platform::infoForBinding(this, IsActiveBinding);
        QVariant shown = value;
        if (info) {
            const QString name = info->options.value(platform::ValueTransformerNameBindingOption).toString();
            std::shared_ptr<platform::ValueTransformer> transformer =
                name.isEmpty() ? nullptr : platform::ValueTransformer::valueTransformerForName(name);
            if (!transformer)
                transformer = platform::ValueTransformer::fromVariant(
                    info->options.value(platform::ValueTransformerBindingOption));
            if (transformer)
                shown = transformer->transformedValue(value);
        }
        setActive(shown.isValid() && shown.toBool());
    } else {
        return;
    }
    update();
}

// ---- Drawing ----

void NTXTBorderedView::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    platform::YUpPainter yUp(painter, height());
    drawRect(painter);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void NTXTBorderedView::drawRect(QPainter &painter) const
{
    const auto found = theme();
    if (!found)
        return;
    const QRectF b(0, 0, width(), height());
    const bool active = drawsActiveLook();
    const unsigned mask = active ? 0 : NTXTheme::StateInactive;

    std::optional<platform::Gradient> gradient;
    qreal angle = 0;
    bool fade = false;
    const std::optional<platform::Gradient> &custom = active ? m_activeGradient : m_inactiveGradient;
    if (custom) {
        gradient = custom;
        angle = active ? m_activeAngle : m_inactiveAngle;
        fade = true;
    } else {
        gradient = found->gradientForStateMask(mask);
        angle = found->gradientAngleForStateMask(mask);
    }
    const std::optional<QColor> fill = found->fillColorForStateMask(mask);

    const qreal x = b.x(), y = b.y(), w = b.width(), h = b.height(), maxY = y + h;
    std::optional<QPainterPath> shape;
    std::optional<QPainterPath> border;
    switch (m_pathStyle) {
    case 1: {
        QPainterPath path;
        platform::BezierPathHelpers::appendRoundedRect(path, b, 4);
        shape = path;
        border = path;
        break;
    }
    case 2:
    case 3: {
        const bool top = m_pathStyle == 2;
        const qreal from = top ? y : maxY;
        const qreal corner = top ? maxY : y;
        QPainterPath path(QPointF(x, from));
        appendArcFromPoint(path, QPointF(x, corner), QPointF(x + w / 2, corner), 8);
        appendArcFromPoint(path, QPointF(x + w, corner), QPointF(x + w, from), 8);
        path.lineTo(x + w, from);
        shape = path;
        if (m_borderSides & (top ? MaxYSide : MinYSide))
            border = path;
        break;
    }
    default:
        break;
    }

    painter.setRenderHint(QPainter::Antialiasing);
    if (gradient) {
        painter.save();
        if (shape)
            painter.setClipPath(*shape, Qt::IntersectClip);
        if (fade) {
            QLinearGradient shade(b.topLeft(), b.topRight());
            shade.setColorAt(0.0, QColor(0, 0, 0, 255));
            shade.setColorAt(1.0, QColor(0, 0, 0, 0));
            painter.fillRect(b, shade);
            // the gradient drawn offscreen, then faded by the same shade
            const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
            QImage layer((b.size() * ratio).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            layer.setDevicePixelRatio(ratio);
            layer.fill(Qt::transparent);
            {
                QPainter lp(&layer);
                platform::YUpPainter::apply(lp, b.height());
                lp.translate(-b.x(), -b.y());
                lp.setRenderHint(QPainter::Antialiasing);
                if (shape)
                    gradient->drawInBezierPath(lp, *shape, angle);
                else
                    gradient->drawInRect(lp, b, angle);
                lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
                lp.fillRect(b, shade);
            }
            platform::YUpPainter::drawImageUpright(painter, b, layer);
        } else if (shape) {
            gradient->drawInBezierPath(painter, *shape, angle);
        } else {
            gradient->drawInRect(painter, b, angle);
        }
        painter.restore();
    } else if (fill) {
        if (shape) {
            painter.setClipPath(*shape, Qt::IntersectClip);
            painter.fillPath(*shape, *fill);
        } else {
            painter.fillRect(b, *fill);
        }
    }

    std::optional<QColor> color;
    switch (m_borderStyle) {
    case 0:
        color = found->strokeColorForStateMask(mask);
        break;
    case 1:
        color = found->darkStrokeColorForStateMask(mask);
        break;
    case 2:
        color = found->gridColorForStateMask(mask);
        break;
    default:
        return;
    }
    if (!color)
        return;
    painter.save();
    if (border) {
        QPen pen(*color, 0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        for (unsigned side : {MaxYSide, MinYSide, MinXSide, MaxXSide})
            if (m_borderSides & side)
                painter.drawPath(*border);
    } else {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(*color, 1.0));
        if (m_borderSides & MaxYSide)
            painter.drawLine(QPointF(x, maxY - 0.5), QPointF(x + w, maxY - 0.5));
        if (m_borderSides & MinYSide)
            painter.drawLine(QPointF(x, y + 0.5), QPointF(x + w, y + 0.5));
        if (m_borderSides & MinXSide)
            painter.drawLine(QPointF(x, y + 0.5), QPointF(x, maxY + 0.5));
        if (m_borderSides & MaxXSide)
            painter.drawLine(QPointF(x + w, y - 0.5), QPointF(x + w, maxY - 0.5));
    }
    painter.restore();
}
