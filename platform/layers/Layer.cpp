#include "platform/layers/Layer.h"

#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDelegate.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/BasicAnimation.h"
#include "platform/layers/LayerDelegate.h"
#include "platform/layers/LayerHost.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/LayoutManager.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QPainter>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

qreal finiteOr(qreal value, qreal fallback)
{
    return std::isfinite(value) ? value : fallback;
}

QPointF finitePoint(const QPointF &p)
{
    return QPointF(finiteOr(p.x(), 0), finiteOr(p.y(), 0));
}

QRectF finiteRect(const QRectF &r)
{
    return QRectF(finiteOr(r.x(), 0), finiteOr(r.y(), 0), std::max<qreal>(finiteOr(r.width(), 0), 0),
                  std::max<qreal>(finiteOr(r.height(), 0), 0));
}

QMatrix4x4 translate(qreal x, qreal y, qreal z = 0)
{
    return Transform3D::translation(x, y, z);
}

// Maps a point through a plane map; none when it lands behind the eye.
std::optional<QPointF> mapInFront(const QTransform &map, const QPointF &p)
{
    const qreal x = map.m11() * p.x() + map.m21() * p.y() + map.m31();
    const qreal y = map.m12() * p.x() + map.m22() * p.y() + map.m32();
    const qreal w = map.m13() * p.x() + map.m23() * p.y() + map.m33();
    if (!(w > 1e-9))
        return std::nullopt;
    return QPointF(x / w, y / w);
}

// The point of the plane that the map takes to `p`, when that point is in front.
std::optional<QPointF> unmapInFront(const QTransform &map, const QPointF &p)
{
    bool invertible = false;
    const QTransform inverse = map.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    const qreal x = inverse.m11() * p.x() + inverse.m21() * p.y() + inverse.m31();
    const qreal y = inverse.m12() * p.x() + inverse.m22() * p.y() + inverse.m32();
    const qreal w = inverse.m13() * p.x() + inverse.m23() * p.y() + inverse.m33();
    if (std::abs(w) < 1e-12)
        return std::nullopt;
    const QPointF local(x / w, y / w);
    if (!mapInFront(map, local))
        return std::nullopt;
    return local;
}

QMatrix4x4 worldMatrix(const Layer &layer, Layer::Tree tree)
{
    QMatrix4x4 m;
    for (const Layer *l = &layer; l; l = l->superlayer())
        m = l->matrixToSuperlayer(tree) * m;
    return m;
}

#define LAYER_KEY(key, getter, setter, Type)                                                                    \
    {                                                                                                          \
        QStringLiteral(key), KeyAccessor {                                                                     \
            [](const KeyValueObservable &o) { return QVariant::fromValue(static_cast<const Layer &>(o).getter()); }, \
                [](KeyValueObservable &o, const QVariant &v) { static_cast<Layer &>(o).setter(v.value<Type>()); } \
        }                                                                                                      \
    }

} // namespace

LayerPtr Layer::create()
{
    return std::make_shared<Layer>();
}

Layer::Layer()
    : m_createdAtCommit(Transaction::commitCount())
{
    Transaction::ensureOpen();
}

Layer::Layer(const Layer &m, PresentationCopy)
    : KeyValueObservable()
    , std::enable_shared_from_this<Layer>()
    , m_bounds(m.m_bounds)
    , m_position(m.m_position)
    , m_zPosition(m.m_zPosition)
    , m_anchorPoint(m.m_anchorPoint)
    , m_transform(m.m_transform)
    , m_sublayerTransform(m.m_sublayerTransform)
    , m_hidden(m.m_hidden)
    , m_opacity(m.m_opacity)
    , m_doubleSided(m.m_doubleSided)
    , m_masksToBounds(m.m_masksToBounds)
    , m_backgroundColor(m.m_backgroundColor)
    , m_borderColor(m.m_borderColor)
    , m_borderWidth(m.m_borderWidth)
    , m_cornerRadius(m.m_cornerRadius)
    , m_contents(m.m_contents)
    , m_contentsGravity(m.m_contentsGravity)
    , m_shadowColor(m.m_shadowColor)
    , m_shadowOpacity(m.m_shadowOpacity)
    , m_shadowOffset(m.m_shadowOffset)
    , m_shadowRadius(m.m_shadowRadius)
    , m_name(m.m_name)
    , m_opaque(m.m_opaque)
    , m_autoresizingMask(m.m_autoresizingMask)
    , m_constraints(m.m_constraints)
    , m_delegate(m.m_delegate)
    , m_extras(m.m_extras)
    , m_needsDisplayOnBoundsChange(m.m_needsDisplayOnBoundsChange)
    , m_backing(m.m_backing)
    , m_backingScale(m.m_backingScale)
    , m_isPresentation(true)
    , m_renderCache(m.m_renderCache)
{
}

Layer::~Layer()
{
    if (m_inDriver)
        AnimationDriver::instance()->layerGone(this);
    auto animations = std::move(m_animations);
    for (auto &entry : animations)
        stopAnimation(entry.second, false);
    for (const LayerPtr &sublayer : std::as_const(m_sublayers))
        sublayer->m_superlayer = nullptr;
}

LayerPtr Layer::makePresentationCopy() const
{
    return LayerPtr(new Layer(*this, PresentationCopy{}));
}

const KeyTable &Layer::keyTable() const
{
    static const KeyTable table = {
        LAYER_KEY("bounds", bounds, setBounds, QRectF),
        LAYER_KEY("position", position, setPosition, QPointF),
        LAYER_KEY("zPosition", zPosition, setZPosition, qreal),
        LAYER_KEY("anchorPoint", anchorPoint, setAnchorPoint, QPointF),
        LAYER_KEY("transform", transform, setTransform, QMatrix4x4),
        LAYER_KEY("sublayerTransform", sublayerTransform, setSublayerTransform, QMatrix4x4),
        LAYER_KEY("frame", frame, setFrame, QRectF),
        LAYER_KEY("hidden", isHidden, setHidden, bool),
        LAYER_KEY("opacity", opacity, setOpacity, qreal),
        LAYER_KEY("doubleSided", isDoubleSided, setDoubleSided, bool),
        LAYER_KEY("masksToBounds", masksToBounds, setMasksToBounds, bool),
        LAYER_KEY("backgroundColor", backgroundColor, setBackgroundColor, QColor),
        LAYER_KEY("borderColor", borderColor, setBorderColor, QColor),
        LAYER_KEY("borderWidth", borderWidth, setBorderWidth, qreal),
        LAYER_KEY("cornerRadius", cornerRadius, setCornerRadius, qreal),
        LAYER_KEY("contents", contents, setContents, QImage),
        LAYER_KEY("shadowColor", shadowColor, setShadowColor, QColor),
        LAYER_KEY("shadowOpacity", shadowOpacity, setShadowOpacity, qreal),
        LAYER_KEY("shadowOffset", shadowOffset, setShadowOffset, QSizeF),
        LAYER_KEY("shadowRadius", shadowRadius, setShadowRadius, qreal),
        LAYER_KEY("name", name, setName, QString),
        LAYER_KEY("opaque", isOpaque, setOpaque, bool),
        LAYER_KEY("autoresizingMask", autoresizingMask, setAutoresizingMask, int),
        {QStringLiteral("contentsGravity"),
         KeyAccessor{[](const KeyValueObservable &o) {
                         return QVariant(static_cast<int>(static_cast<const Layer &>(o).contentsGravity()));
                     },
                     [](KeyValueObservable &o, const QVariant &v) {
                         const int g = v.toInt();
                         if (g >= 0 && g <= static_cast<int>(ContentsGravity::ResizeAspectFill))
                             static_cast<Layer &>(o).setContentsGravity(static_cast<ContentsGravity>(g));
                     }}},
    };
    return table;
}

// Geometry

void Layer::setBounds(const QRectF &bounds)
{
    const QRectF old = m_bounds;
    changeProperty(m_bounds, finiteRect(bounds), QStringLiteral("bounds"));
    if (m_isPresentation || old.size() == m_bounds.size())
        return;
    if (m_needsDisplayOnBoundsChange)
        setNeedsDisplay();
    setNeedsLayout();
    resizeSublayersWithOldSize(old.size());
}

void Layer::setPosition(const QPointF &position)
{
    changeProperty(m_position, finitePoint(position), QStringLiteral("position"));
}

void Layer::setZPosition(qreal z)
{
    changeProperty(m_zPosition, finiteOr(z, 0), QStringLiteral("zPosition"));
}

void Layer::setAnchorPoint(const QPointF &anchor)
{
    changeProperty(m_anchorPoint, finitePoint(anchor), QStringLiteral("anchorPoint"));
}

void Layer::setTransform(const QMatrix4x4 &transform)
{
    changeProperty(m_transform, transform, QStringLiteral("transform"));
}

void Layer::setSublayerTransform(const QMatrix4x4 &transform)
{
    changeProperty(m_sublayerTransform, transform, QStringLiteral("sublayerTransform"));
}

QRectF Layer::frame() const
{
    const QPointF c(m_bounds.x() + m_anchorPoint.x() * m_bounds.width(),
                    m_bounds.y() + m_anchorPoint.y() * m_bounds.height());
    const QMatrix4x4 m = translate(m_position.x(), m_position.y()) * m_transform * translate(-c.x(), -c.y());
    const auto corners = Transform3D::mapCorners(m, m_bounds);
    if (!Transform3D::allInFront(corners))
        return QRectF();
    qreal left = corners[0].point.x(), right = left, bottom = corners[0].point.y(), top = bottom;
    for (const auto &corner : corners) {
        left = std::min(left, corner.point.x());
        right = std::max(right, corner.point.x());
        bottom = std::min(bottom, corner.point.y());
        top = std::max(top, corner.point.y());
    }
    return QRectF(left, bottom, right - left, top - bottom);
}

void Layer::setFrame(const QRectF &frame)
{
    const QRectF f = finiteRect(frame);
    setPosition(QPointF(f.x() + m_anchorPoint.x() * f.width(), f.y() + m_anchorPoint.y() * f.height()));
    setBounds(QRectF(m_bounds.topLeft(), f.size()));
}

// Appearance

void Layer::setHidden(bool hidden)
{
    changeProperty(m_hidden, hidden, QStringLiteral("hidden"));
}

void Layer::setOpacity(qreal opacity)
{
    changeProperty(m_opacity, std::clamp<qreal>(finiteOr(opacity, 1), 0, 1), QStringLiteral("opacity"));
}

void Layer::setDoubleSided(bool doubleSided)
{
    changeProperty(m_doubleSided, doubleSided, QStringLiteral("doubleSided"));
}

void Layer::setMasksToBounds(bool masks)
{
    changeProperty(m_masksToBounds, masks, QStringLiteral("masksToBounds"));
}

void Layer::setBackgroundColor(const QColor &color)
{
    changeProperty(m_backgroundColor, color, QStringLiteral("backgroundColor"));
}

void Layer::setBorderColor(const QColor &color)
{
    changeProperty(m_borderColor, color, QStringLiteral("borderColor"));
}

void Layer::setBorderWidth(qreal width)
{
    changeProperty(m_borderWidth, std::max<qreal>(finiteOr(width, 0), 0), QStringLiteral("borderWidth"));
}

void Layer::setCornerRadius(qreal radius)
{
    changeProperty(m_cornerRadius, std::max<qreal>(finiteOr(radius, 0), 0), QStringLiteral("cornerRadius"));
}

void Layer::setContents(const QImage &image)
{
    if (image.cacheKey() == m_contents.cacheKey() && image.isNull() == m_contents.isNull())
        return;
    const QString key = QStringLiteral("contents");
    const QVariant previous = previousValueForAction(key);
    willChangeValueForKey(key);
    m_contents = image;
    didChangeValueForKey(key);
    propertyDidChange(key, previous);
}

void Layer::setContentsGravity(ContentsGravity gravity)
{
    changeProperty(m_contentsGravity, gravity, QStringLiteral("contentsGravity"));
}

void Layer::setShadowColor(const QColor &color)
{
    changeProperty(m_shadowColor, color, QStringLiteral("shadowColor"));
}

void Layer::setShadowOpacity(qreal opacity)
{
    changeProperty(m_shadowOpacity, std::clamp<qreal>(finiteOr(opacity, 0), 0, 1), QStringLiteral("shadowOpacity"));
}

void Layer::setShadowOffset(const QSizeF &offset)
{
    changeProperty(m_shadowOffset, QSizeF(finiteOr(offset.width(), 0), finiteOr(offset.height(), 0)),
                   QStringLiteral("shadowOffset"));
}

void Layer::setShadowRadius(qreal radius)
{
    changeProperty(m_shadowRadius, std::clamp<qreal>(finiteOr(radius, 0), 0, 1000), QStringLiteral("shadowRadius"));
}

void Layer::setName(const QString &name)
{
    changeProperty(m_name, name, QStringLiteral("name"));
}

void Layer::setOpaque(bool opaque)
{
    changeProperty(m_opaque, opaque, QStringLiteral("opaque"));
}

// Tree

void Layer::attachSublayer(const LayerPtr &layer, qsizetype index)
{
    if (!layer || layer.get() == this || m_isPresentation || layer->m_isPresentation)
        return;
    for (const Layer *ancestor = m_superlayer; ancestor; ancestor = ancestor->m_superlayer)
        if (ancestor == layer.get())
            return; // would make a circle
    const LayerPtr keep = layer;
    if (layer->m_superlayer)
        layer->detachFromSuperlayer(false);
    willChangeValueForKey(QStringLiteral("sublayers"));
    m_sublayers.insert(std::clamp<qsizetype>(index, 0, m_sublayers.size()), layer);
    layer->m_superlayer = this;
    didChangeValueForKey(QStringLiteral("sublayers"));
    setNeedsLayout();
    changed();
    layer->runOrderAction(QStringLiteral("onOrderIn"));
}

void Layer::detachFromSuperlayer(bool runOrderOut)
{
    Layer *parent = m_superlayer;
    if (!parent)
        return;
    if (runOrderOut)
        runOrderAction(QStringLiteral("onOrderOut"));
    const LayerPtr keep = weak_from_this().lock();
    parent->willChangeValueForKey(QStringLiteral("sublayers"));
    parent->m_sublayers.removeIf([this](const LayerPtr &l) { return l.get() == this; });
    m_superlayer = nullptr;
    parent->didChangeValueForKey(QStringLiteral("sublayers"));
    parent->setNeedsLayout();
    parent->changed();
}

void Layer::setSublayers(const QList<LayerPtr> &sublayers)
{
    // The layers that leave go in one pass over the list, however many they are.
    QSet<const Layer *> kept;
    kept.reserve(sublayers.size());
    for (const LayerPtr &layer : sublayers)
        if (layer)
            kept.insert(layer.get());
    QList<LayerPtr> leaving;
    for (const LayerPtr &layer : std::as_const(m_sublayers))
        if (!kept.contains(layer.get()))
            leaving.append(layer);
    if (!leaving.isEmpty()) {
        for (const LayerPtr &layer : std::as_const(leaving))
            layer->runOrderAction(QStringLiteral("onOrderOut"));
        willChangeValueForKey(QStringLiteral("sublayers"));
        m_sublayers.removeIf([&kept](const LayerPtr &l) { return !kept.contains(l.get()); });
        for (const LayerPtr &layer : std::as_const(leaving))
            if (layer->m_superlayer == this)
                layer->m_superlayer = nullptr;
        didChangeValueForKey(QStringLiteral("sublayers"));
        setNeedsLayout();
        changed();
    }
    for (const LayerPtr &layer : sublayers)
        attachSublayer(layer, m_sublayers.size());
}

void Layer::addSublayer(const LayerPtr &layer)
{
    attachSublayer(layer, m_sublayers.size());
}

void Layer::insertSublayer(const LayerPtr &layer, qsizetype index)
{
    attachSublayer(layer, index);
}

void Layer::insertSublayerNextTo(const LayerPtr &layer, const Layer *sibling, bool above)
{
    if (!layer)
        return;
    if (layer->m_superlayer == this)
        layer->detachFromSuperlayer(false);
    const auto it = std::find_if(m_sublayers.cbegin(), m_sublayers.cend(),
                                 [sibling](const LayerPtr &l) { return l.get() == sibling; });
    if (it == m_sublayers.cend())
        attachSublayer(layer, above ? m_sublayers.size() : 0); // no such sibling: on top, or at the bottom
    else
        attachSublayer(layer, (it - m_sublayers.cbegin()) + (above ? 1 : 0));
}

void Layer::insertSublayerAbove(const LayerPtr &layer, const Layer *sibling)
{
    insertSublayerNextTo(layer, sibling, true);
}

void Layer::insertSublayerBelow(const LayerPtr &layer, const Layer *sibling)
{
    insertSublayerNextTo(layer, sibling, false);
}

void Layer::replaceSublayer(const Layer *old, const LayerPtr &replacement)
{
    const auto it = std::find_if(m_sublayers.cbegin(), m_sublayers.cend(),
                                 [old](const LayerPtr &l) { return l.get() == old; });
    if (it == m_sublayers.cend() || !replacement || replacement.get() == old)
        return;
    const qsizetype index = it - m_sublayers.cbegin();
    const LayerPtr keep = *it;
    keep->detachFromSuperlayer(true);
    attachSublayer(replacement, index);
}

void Layer::removeFromSuperlayer()
{
    detachFromSuperlayer(true);
}

Layer *Layer::rootLayer()
{
    Layer *layer = this;
    while (layer->m_superlayer)
        layer = layer->m_superlayer;
    return layer;
}

LayerPtr Layer::sublayerNamed(const QString &name) const
{
    for (const LayerPtr &layer : m_sublayers)
        if (layer->m_name == name)
            return layer;
    return nullptr;
}

// Layout

void Layer::setAutoresizingMask(int mask)
{
    changeProperty(m_autoresizingMask, mask & 63, QStringLiteral("autoresizingMask"));
}

void Layer::setConstraints(const QList<LayoutConstraint> &constraints)
{
    m_constraints = constraints;
    if (m_superlayer)
        m_superlayer->setNeedsLayout();
}

void Layer::addConstraint(const LayoutConstraint &constraint)
{
    m_constraints.append(constraint);
    if (m_superlayer)
        m_superlayer->setNeedsLayout();
}

void Layer::setLayoutManager(std::shared_ptr<LayoutManager> manager)
{
    m_layoutManager = std::move(manager);
    setNeedsLayout();
}

void Layer::setNeedsLayout()
{
    if (m_needsLayout || m_isPresentation)
        return;
    m_needsLayout = true;
    markNeedsRender();
}

void Layer::layoutIfNeeded()
{
    if (m_needsLayout) {
        m_needsLayout = false;
        layoutSublayers();
    }
    const QList<LayerPtr> sublayers = m_sublayers;
    for (const LayerPtr &sublayer : sublayers)
        sublayer->layoutIfNeeded();
}

void Layer::layoutSublayers()
{
    if (m_layoutManager)
        m_layoutManager->layoutSublayersOfLayer(*this);
}

void Layer::resizeSublayersWithOldSize(const QSizeF &oldSize)
{
    const QList<LayerPtr> sublayers = m_sublayers;
    for (const LayerPtr &sublayer : sublayers)
        if (sublayer->m_autoresizingMask != NotSizable)
            sublayer->resizeWithOldSuperlayerSize(oldSize);
}

void Layer::resizeWithOldSuperlayerSize(const QSizeF &oldSize)
{
    if (!m_superlayer)
        return;
    const QSizeF newSize = m_superlayer->m_bounds.size();
    QRectF f = frame();
    auto resize = [this](qreal delta, int minMargin, int sizable, int maxMargin, qreal &origin, qreal &length) {
        const int flexible = ((m_autoresizingMask & minMargin) ? 1 : 0) + ((m_autoresizingMask & sizable) ? 1 : 0)
            + ((m_autoresizingMask & maxMargin) ? 1 : 0);
        if (flexible == 0 || delta == 0)
            return;
        const qreal share = delta / flexible;
        if (m_autoresizingMask & minMargin)
            origin += share;
        if (m_autoresizingMask & sizable)
            length = std::max<qreal>(length + share, 0);
    };
    qreal x = f.x(), y = f.y(), w = f.width(), h = f.height();
    resize(newSize.width() - oldSize.width(), MinXMargin, WidthSizable, MaxXMargin, x, w);
    resize(newSize.height() - oldSize.height(), MinYMargin, HeightSizable, MaxYMargin, y, h);
    setFrame(QRectF(x, y, w, h));
}

// Drawing

void Layer::setDelegate(LayerDelegate *delegate)
{
    m_delegate = delegate;
}

void Layer::setNeedsDisplay()
{
    m_needsDisplay = true;
    changed();
}

void Layer::display(qreal scale)
{
    m_needsDisplay = false;
    m_backingScale = scale;
    if (m_bounds.isEmpty() || !(scale > 0) || m_bounds.width() * scale > LayerRenderer::MaximumImageSide
        || m_bounds.height() * scale > LayerRenderer::MaximumImageSide) {
        m_backing = QImage();
        changed();
        return;
    }
    QImage image(static_cast<int>(std::ceil(m_bounds.width() * scale)),
                 static_cast<int>(std::ceil(m_bounds.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(2835); // 72 per inch: a point of text is a unit of the layer
    image.setDotsPerMeterY(2835);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        YUpPainter::apply(painter, m_bounds.height());
        painter.translate(-m_bounds.x(), -m_bounds.y());
        drawInContext(painter);
    }
    m_backing = image;
    changed();
}

void Layer::drawInContext(QPainter &painter)
{
    if (m_delegate)
        m_delegate->drawLayer(*this, painter);
}

bool Layer::needsDisplayForKey(const QString &) const
{
    return false;
}

// Actions and animations

bool Layer::isLive() const
{
    return Transaction::commitCount() > m_createdAtCommit;
}

bool Layer::canRunActions() const
{
    return !m_isPresentation && isLive() && !Transaction::disableActions();
}

QVariant Layer::previousValueForAction(const QString &key) const
{
    if (!canRunActions())
        return QVariant();
    if (!m_animations.empty())
        return presentationLayer()->valueForKey(key);
    return valueForKey(key);
}

void Layer::propertyDidChange(const QString &key, const QVariant &previous)
{
    if (needsDisplayForKey(key))
        m_needsDisplay = true;
    changed();
    if (m_isPresentation)
        return;
    Transaction::ensureOpen();
    if (!previous.isValid())
        return;
    if (const ActionPtr action = actionForKey(key))
        action->runActionForKey(key, *this, previous);
}

void Layer::runOrderAction(const QString &key)
{
    if (!canRunActions())
        return;
    if (const ActionPtr action = actionForKey(key))
        action->runActionForKey(key, *this, QVariant());
}

ActionPtr Layer::actionForKey(const QString &key)
{
    if (m_delegate) {
        if (const std::optional<ActionPtr> answer = m_delegate->actionForLayer(*this, key))
            return *answer;
    }
    const auto it = m_actions.constFind(key);
    if (it != m_actions.cend())
        return *it;
    return defaultActionForKey(key);
}

ActionPtr Layer::defaultActionForKey(const QString &key) const
{
    if (isAnimatableKey(key))
        return BasicAnimation::withKeyPath(key);
    return nullptr;
}

bool Layer::isAnimatableKey(const QString &key) const
{
    static const QSet<QString> keys = {
        QStringLiteral("bounds"), QStringLiteral("position"), QStringLiteral("zPosition"),
        QStringLiteral("anchorPoint"), QStringLiteral("transform"), QStringLiteral("sublayerTransform"),
        QStringLiteral("opacity"), QStringLiteral("backgroundColor"), QStringLiteral("borderColor"),
        QStringLiteral("borderWidth"), QStringLiteral("cornerRadius"), QStringLiteral("shadowColor"),
        QStringLiteral("shadowOpacity"), QStringLiteral("shadowOffset"), QStringLiteral("shadowRadius"),
    };
    return keys.contains(key);
}

void Layer::addAnimation(const AnimationPtr &animation, const QString &key)
{
    if (!animation || m_isPresentation)
        return;
    const AnimationPtr copy = animation->clone();
    if (copy->m_beginTime <= 0)
        copy->m_beginTime = Clock::mediaTime();
    copy->m_transactionTokens = Transaction::completionTokens();
    if (!key.isEmpty()) {
        const auto it = std::find_if(m_animations.begin(), m_animations.end(),
                                     [&key](const auto &entry) { return entry.first == key; });
        if (it != m_animations.end()) {
            const AnimationPtr replaced = it->second;
            m_animations.erase(it);
            stopAnimation(replaced, false);
        }
    }
    m_animations.emplace_back(key, copy);
    if (const auto delegate = copy->m_delegate)
        AnimationDriver::runLater([copy, delegate] { delegate->animationDidStart(*copy); });
    changed();
    AnimationDriver::instance()->layerAnimating(this);
}

void Layer::stopAnimation(const AnimationPtr &animation, bool finished)
{
    if (animation->m_stopped)
        return;
    animation->m_stopped = true;
    if (const auto delegate = animation->m_delegate)
        AnimationDriver::runLater([animation, delegate, finished] { delegate->animationDidStop(*animation, finished); });
    animation->m_transactionTokens.clear(); // a completion waiting only for it runs after the delegate
}

void Layer::removeAnimationForKey(const QString &key)
{
    const auto it = std::find_if(m_animations.begin(), m_animations.end(),
                                 [&key](const auto &entry) { return entry.first == key; });
    if (it == m_animations.end())
        return;
    const AnimationPtr animation = it->second;
    m_animations.erase(it);
    stopAnimation(animation, false);
    changed();
}

void Layer::removeAllAnimations()
{
    auto animations = std::move(m_animations);
    m_animations.clear();
    for (auto &entry : animations)
        stopAnimation(entry.second, false);
    changed();
}

AnimationPtr Layer::animationForKey(const QString &key) const
{
    for (const auto &entry : m_animations)
        if (entry.first == key)
            return entry.second;
    return nullptr;
}

QStringList Layer::animationKeys() const
{
    QStringList keys;
    for (const auto &entry : m_animations)
        if (!entry.first.isEmpty())
            keys.append(entry.first);
    return keys;
}

bool Layer::advanceAnimations(double mediaTime)
{
    bool running = false;
    const auto animations = m_animations;
    for (const auto &entry : animations) {
        const AnimationPtr &animation = entry.second;
        if (animation->m_stopped)
            continue;
        if (!animation->hasEndedAt(mediaTime)) {
            running = true;
            continue;
        }
        if (animation->m_removedOnCompletion)
            std::erase_if(m_animations, [&animation](const auto &e) { return e.second == animation; });
        stopAnimation(animation, true);
    }
    changed();
    return running;
}

void Layer::changed()
{
    ++m_version;
    markNeedsRender();
}

void Layer::markNeedsRender()
{
    if (m_isPresentation)
        return;
    Layer *root = rootLayer();
    if (root->m_host)
        root->m_host->layerTreeNeedsRender();
}

LayerPtr Layer::presentationLayer() const
{
    if (m_isPresentation)
        return std::const_pointer_cast<Layer>(shared_from_this());
    const double now = Clock::mediaTime();
    if (m_presentation && m_presentationTime == now && m_presentationVersion == m_version)
        return m_presentation;
    renderCache(); // shared with the copy
    const LayerPtr copy = makePresentationCopy();
    copy->m_model = std::const_pointer_cast<Layer>(weak_from_this().lock());
    for (const auto &entry : m_animations) {
        const std::optional<qreal> progress = entry.second->progressAt(now);
        if (!progress)
            continue;
        entry.second->applyTo(*copy, *progress);
        if (const auto *basic = dynamic_cast<const BasicAnimation *>(entry.second.get())) {
            const QString key = basic->keyPath().section(QLatin1Char('.'), 0, 0);
            if (needsDisplayForKey(key))
                copy->m_needsDisplay = true;
        }
    }
    m_presentation = copy;
    m_presentationTime = now;
    m_presentationVersion = m_version;
    return copy;
}

LayerPtr Layer::modelLayer() const
{
    return m_model.lock();
}

const Layer &Layer::state(Tree tree) const
{
    if (tree == Tree::Model || m_isPresentation || m_animations.empty())
        return *this;
    return *presentationLayer();
}

QVariant Layer::animatedValueForKeyPath(const QString &keyPath) const
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return valueForKey(keyPath);
    const QString base = keyPath.left(dot);
    const QString part = keyPath.mid(dot + 1);
    if (base == QLatin1String("transform") || base == QLatin1String("sublayerTransform")) {
        if (part.startsWith(QLatin1String("scale")))
            return 1.0;
        if (part.startsWith(QLatin1String("rotation")) || part.startsWith(QLatin1String("translation")))
            return 0.0;
    }
    if (base == QLatin1String("position")) {
        if (part == QLatin1String("x"))
            return m_position.x();
        if (part == QLatin1String("y"))
            return m_position.y();
    }
    if (base == QLatin1String("bounds")) {
        if (part == QLatin1String("origin"))
            return m_bounds.topLeft();
        if (part == QLatin1String("size"))
            return m_bounds.size();
    }
    return valueForKey(keyPath);
}

void Layer::setAnimatedValueForKeyPath(const QVariant &value, const QString &keyPath)
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        setValueForKey(value, keyPath);
        return;
    }
    const QString base = keyPath.left(dot);
    const QString part = keyPath.mid(dot + 1);
    const qreal v = value.toDouble();
    if (base == QLatin1String("transform") || base == QLatin1String("sublayerTransform")) {
        QMatrix4x4 step;
        bool known = true;
        if (part == QLatin1String("rotation.x"))
            step = Transform3D::rotation(v, 1, 0, 0);
        else if (part == QLatin1String("rotation.y"))
            step = Transform3D::rotation(v, 0, 1, 0);
        else if (part == QLatin1String("rotation") || part == QLatin1String("rotation.z"))
            step = Transform3D::rotation(v, 0, 0, 1);
        else if (part == QLatin1String("scale"))
            step = Transform3D::scale(v, v, v);
        else if (part == QLatin1String("scale.x"))
            step = Transform3D::scale(v, 1, 1);
        else if (part == QLatin1String("scale.y"))
            step = Transform3D::scale(1, v, 1);
        else if (part == QLatin1String("scale.z"))
            step = Transform3D::scale(1, 1, v);
        else if (part == QLatin1String("translation.x"))
            step = Transform3D::translation(v, 0, 0);
        else if (part == QLatin1String("translation.y"))
            step = Transform3D::translation(0, v, 0);
        else if (part == QLatin1String("translation.z"))
            step = Transform3D::translation(0, 0, v);
        else
            known = false;
        if (known) {
            if (base == QLatin1String("transform"))
                setTransform(m_transform * step);
            else
                setSublayerTransform(m_sublayerTransform * step);
            return;
        }
    }
    if (base == QLatin1String("position")) {
        if (part == QLatin1String("x"))
            return setPosition(QPointF(v, m_position.y()));
        if (part == QLatin1String("y"))
            return setPosition(QPointF(m_position.x(), v));
    }
    if (base == QLatin1String("bounds")) {
        if (part == QLatin1String("origin"))
            return setBounds(QRectF(value.toPointF(), m_bounds.size()));
        if (part == QLatin1String("size"))
            return setBounds(QRectF(m_bounds.topLeft(), value.toSizeF()));
    }
    setValueForKey(value, keyPath);
}

// Geometry between layers

QMatrix4x4 Layer::matrixToSuperlayer(Tree tree) const
{
    const Layer &s = state(tree);
    const QRectF b = s.m_bounds;
    const QPointF c(b.x() + s.m_anchorPoint.x() * b.width(), b.y() + s.m_anchorPoint.y() * b.height());
    QMatrix4x4 m = translate(s.m_position.x(), s.m_position.y(), s.m_zPosition) * s.m_transform
        * translate(-c.x(), -c.y());
    if (m_superlayer) {
        const Layer &p = m_superlayer->state(tree);
        const QRectF pb = p.m_bounds;
        const QPointF pc(pb.x() + p.m_anchorPoint.x() * pb.width(), pb.y() + p.m_anchorPoint.y() * pb.height());
        if (!p.m_sublayerTransform.isIdentity())
            m = translate(pc.x(), pc.y()) * p.m_sublayerTransform * translate(-pc.x(), -pc.y()) * m;
    }
    return m;
}

QMatrix4x4 Layer::matrixToLayer(const Layer *layer, Tree tree) const
{
    const QMatrix4x4 self = worldMatrix(*this, tree);
    if (!layer)
        return self;
    return worldMatrix(*layer, tree).inverted() * self;
}

QPointF Layer::convertPointToLayer(const QPointF &point, const Layer *layer, Tree tree) const
{
    const auto world = mapInFront(Transform3D::project(worldMatrix(*this, tree)), point);
    if (!world)
        return QPointF();
    if (!layer)
        return *world;
    return unmapInFront(Transform3D::project(worldMatrix(*layer, tree)), *world).value_or(QPointF());
}

QPointF Layer::convertPointFromLayer(const QPointF &point, const Layer *layer, Tree tree) const
{
    if (!layer)
        return unmapInFront(Transform3D::project(worldMatrix(*this, tree)), point).value_or(QPointF());
    return layer->convertPointToLayer(point, this, tree);
}

QRectF Layer::convertRectToLayer(const QRectF &rect, const Layer *layer, Tree tree) const
{
    const QTransform from = Transform3D::project(worldMatrix(*this, tree));
    const QTransform to = layer ? Transform3D::project(worldMatrix(*layer, tree)) : QTransform();
    const QPointF corners[4] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
    // The extremes by hand: QRectF::united ignores empty rectangles.
    qreal left = 0, right = 0, bottom = 0, top = 0;
    bool first = true;
    for (const QPointF &corner : corners) {
        const auto world = mapInFront(from, corner);
        const auto mapped = world ? unmapInFront(to, *world) : std::nullopt;
        if (!mapped)
            continue;
        if (first) {
            left = right = mapped->x();
            bottom = top = mapped->y();
            first = false;
        }
        left = std::min(left, mapped->x());
        right = std::max(right, mapped->x());
        bottom = std::min(bottom, mapped->y());
        top = std::max(top, mapped->y());
    }
    if (first)
        return QRectF();
    return QRectF(left, bottom, right - left, top - bottom);
}

QRectF Layer::convertRectFromLayer(const QRectF &rect, const Layer *layer, Tree tree) const
{
    if (!layer)
        return QRectF();
    return layer->convertRectToLayer(rect, this, tree);
}

namespace {

LayerPtr hitIn(Layer &layer, const QMatrix4x4 &parent, const QPointF &point, Layer::Tree tree)
{
    const Layer &s = layer.state(tree);
    if (s.isHidden())
        return nullptr;
    const QRectF b = s.bounds();
    const QPointF c(b.x() + s.anchorPoint().x() * b.width(), b.y() + s.anchorPoint().y() * b.height());
    const QMatrix4x4 world = parent * Transform3D::translation(s.position().x(), s.position().y(), s.zPosition())
        * s.transform() * Transform3D::translation(-c.x(), -c.y());
    const auto corners = Transform3D::mapCorners(world, b);
    if (!s.isDoubleSided() && Transform3D::allInFront(corners) && Transform3D::signedArea(corners) <= 0)
        return nullptr;
    const auto local = unmapInFront(Transform3D::project(world), point);
    const bool inside = local && s.containsPoint(*local);
    if (s.masksToBounds() && !inside)
        return nullptr;
    const QMatrix4x4 sublayers = world * Transform3D::translation(c.x(), c.y()) * s.sublayerTransform()
        * Transform3D::translation(-c.x(), -c.y());
    const std::vector<Layer *> order = LayerRenderer::paintOrder(layer, tree);
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if (LayerPtr hit = hitIn(**it, sublayers, point, tree))
            return hit;
    return inside ? layer.weak_from_this().lock() : nullptr;
}

} // namespace

LayerPtr Layer::hitTest(const QPointF &pointInSuperlayer, Tree tree)
{
    QMatrix4x4 parent;
    if (m_superlayer) {
        const Layer &p = m_superlayer->state(tree);
        const QRectF pb = p.bounds();
        const QPointF pc(pb.x() + p.anchorPoint().x() * pb.width(), pb.y() + p.anchorPoint().y() * pb.height());
        parent = translate(pc.x(), pc.y()) * p.sublayerTransform() * translate(-pc.x(), -pc.y());
    }
    return hitIn(*this, parent, pointInSuperlayer, tree);
}

bool Layer::containsPoint(const QPointF &point) const
{
    return m_bounds.contains(point);
}

QRectF Layer::visibleRect(Tree tree) const
{
    const QRectF own = state(tree).bounds();
    const Layer *scroll = m_superlayer;
    while (scroll && !scroll->isScrollLayer())
        scroll = scroll->m_superlayer;
    if (!scroll)
        return own;
    const QRectF inScroll = convertRectToLayer(own, scroll, tree);
    const QRectF visible = inScroll.intersected(scroll->state(tree).bounds());
    if (visible.isEmpty())
        return QRectF();
    return convertRectFromLayer(visible, scroll, tree).intersected(own);
}

// Keys the layer does not know

QVariant Layer::valueForUndefinedKey(const QString &key) const
{
    return m_extras.value(key);
}

void Layer::setValueForUndefinedKey(const QVariant &value, const QString &key)
{
    const auto it = m_extras.constFind(key);
    if (it != m_extras.cend() ? (value.isValid() && *it == value) : !value.isValid())
        return;
    willChangeValueForKey(key);
    if (value.isValid())
        m_extras.insert(key, value);
    else
        m_extras.remove(key);
    didChangeValueForKey(key);
    if (needsDisplayForKey(key))
        m_needsDisplay = true;
    changed();
}

Layer::RenderCache &Layer::renderCache() const
{
    if (!m_renderCache)
        m_renderCache = std::make_shared<RenderCache>();
    return *m_renderCache;
}

} // namespace platform
