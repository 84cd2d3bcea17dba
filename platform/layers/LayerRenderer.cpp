#include "platform/layers/LayerRenderer.h"

#include "platform/drawing/Shadow.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/layers/ReplicatorLayer.h"
#include "platform/layers/Transform3D.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

using Gravity = Layer::ContentsGravity;

struct Tint
{
    qreal r = 1, g = 1, b = 1, a = 1;
    bool isIdentity() const { return r == 1 && g == 1 && b == 1 && a == 1; }
    QColor apply(const QColor &color) const
    {
        if (isIdentity() || !color.isValid())
            return color;
        const QColor c = color.toRgb();
        return QColor::fromRgbF(static_cast<float>(std::clamp<qreal>(c.redF() * r, 0, 1)),
                                static_cast<float>(std::clamp<qreal>(c.greenF() * g, 0, 1)),
                                static_cast<float>(std::clamp<qreal>(c.blueF() * b, 0, 1)),
                                static_cast<float>(std::clamp<qreal>(c.alphaF() * a, 0, 1)));
    }
};

struct Context
{
    QPainter *painter; // none: only collect
    QTransform host;   // tree space → painter space
    qreal scale;
    Layer::Tree tree;
    std::vector<LayerRenderer::ImageDraw> *draws;
};

QPointF anchorOf(const Layer &s)
{
    const QRectF b = s.bounds();
    return QPointF(b.x() + s.anchorPoint().x() * b.width(), b.y() + s.anchorPoint().y() * b.height());
}

// Maps a rectangle of the layer onto itself upside down: images are stored top row
// first, the layer's y grows upward.
QTransform flipped(const QRectF &r)
{
    return QTransform(1, 0, 0, -1, 0, r.top() + r.bottom());
}

QPainterPath shapeOf(const QRectF &bounds, qreal cornerRadius)
{
    QPainterPath path;
    if (cornerRadius > 0)
        path.addRoundedRect(bounds, cornerRadius, cornerRadius);
    else
        path.addRect(bounds);
    return path;
}

QImage tinted(const Layer &layer, const QImage &image, const Tint &tint)
{
    if (tint.isIdentity() || image.isNull())
        return image;
    Layer::RenderCache &cache = layer.renderCache();
    const Layer::RenderCache::TintKey key{image.cacheKey(), tint.r, tint.g, tint.b, tint.a};
    if (cache.tintKey == key && !cache.tinted.isNull())
        return cache.tinted;
    QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qreal fr = std::clamp<qreal>(tint.r, 0, 1) * std::clamp<qreal>(tint.a, 0, 1);
    const qreal fg = std::clamp<qreal>(tint.g, 0, 1) * std::clamp<qreal>(tint.a, 0, 1);
    const qreal fb = std::clamp<qreal>(tint.b, 0, 1) * std::clamp<qreal>(tint.a, 0, 1);
    const qreal fa = std::clamp<qreal>(tint.a, 0, 1);
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(qRound(qRed(p) * fr), qRound(qGreen(p) * fg), qRound(qBlue(p) * fb), qRound(qAlpha(p) * fa));
        }
    }
    cache.tintKey = key;
    cache.tinted = result;
    return result;
}

// What the layer shows as an image, and where.
bool layerImage(const Layer &s, QImage &image, QRectF &target)
{
    if (!s.backingImage().isNull()) {
        image = s.backingImage();
        target = s.bounds();
        return true;
    }
    if (!s.contents().isNull()) {
        image = s.contents();
        const qreal dpr = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1;
        target = LayerRenderer::contentsRect(s.bounds(), QSizeF(image.size()) / dpr, s.contentsGravity());
        return true;
    }
    return false;
}

qreal shadowPad(qreal radius)
{
    return std::ceil(radius * 1.5) + 2;
}

QImage shadowImage(const Layer &s, qreal scale)
{
    QImage image;
    QRectF target;
    const bool hasImage = layerImage(s, image, target);
    const QColor background = s.backgroundColor();
    Layer::RenderCache &cache = s.renderCache();
    const Layer::RenderCache::ShadowKey key{hasImage ? image.cacheKey() : 0, s.bounds(), s.shadowRadius(),
                                            s.shadowOpacity(), s.cornerRadius(), scale,
                                            s.shadowColor().rgba(), background.isValid() ? background.rgba() : 0,
                                            static_cast<int>(s.contentsGravity())};
    if (cache.shadowKey == key && !cache.shadow.isNull())
        return cache.shadow;
    const qreal pad = shadowPad(s.shadowRadius());
    const QRectF area = s.bounds().adjusted(-pad, -pad, pad, pad);
    const int w = static_cast<int>(std::ceil(area.width() * scale));
    const int h = static_cast<int>(std::ceil(area.height() * scale));
    if (w <= 0 || h <= 0 || w > LayerRenderer::MaximumImageSide || h > LayerRenderer::MaximumImageSide)
        return QImage();
    QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter p(&shadow);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        p.scale(scale, scale);
        YUpPainter::apply(p, area.height());
        p.translate(-area.x(), -area.y());
        if (background.isValid() && background.alpha() > 0)
            p.fillPath(shapeOf(s.bounds(), s.cornerRadius()), Qt::black);
        if (hasImage) {
            p.setTransform(flipped(target), true);
            p.drawImage(target, image);
        }
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QColor color = s.shadowColor();
        color.setAlphaF(color.alphaF() * static_cast<float>(s.shadowOpacity()));
        p.fillRect(shadow.rect(), color);
    }
    Shadow::blurImage(shadow, s.shadowRadius() * scale);
    shadow.setDevicePixelRatio(scale);
    cache.shadowKey = key;
    cache.shadow = shadow;
    return shadow;
}

void drawImage(Context &ctx, const QImage &image, const QRectF &target, const QTransform &device)
{
    const QTransform transform = flipped(target) * device;
    if (ctx.draws)
        ctx.draws->push_back({image, target, transform, ctx.painter ? ctx.painter->opacity() : 1.0});
    if (!ctx.painter)
        return;
    ctx.painter->setTransform(transform);
    ctx.painter->drawImage(target, image);
}

void drawSelf(Context &ctx, const Layer &s, const QTransform &device, const Tint &tint)
{
    if ((s.needsDisplay() || (!s.backingImage().isNull() && s.backingScale() != ctx.scale)))
        const_cast<Layer &>(s).display(ctx.scale);
    const QRectF b = s.bounds();
    QPainter *painter = ctx.painter;
    if (painter && s.shadowOpacity() > 0 && s.shadowColor().alpha() > 0) {
        const QImage shadow = shadowImage(s, ctx.scale);
        if (!shadow.isNull()) {
            const qreal pad = shadowPad(s.shadowRadius());
            const QRectF area = b.adjusted(-pad, -pad, pad, pad)
                                    .translated(s.shadowOffset().width(), s.shadowOffset().height());
            painter->setTransform(flipped(area) * device);
            painter->drawImage(area, tinted(s, shadow, Tint{1, 1, 1, tint.a}));
        }
    }
    const QColor background = tint.apply(s.backgroundColor());
    if (painter && background.isValid() && background.alpha() > 0) {
        painter->setTransform(device);
        painter->fillPath(shapeOf(b, s.cornerRadius()), background);
    }
    QImage image;
    QRectF target;
    if (layerImage(s, image, target))
        drawImage(ctx, tinted(s, image, tint), target, device);
    if (painter && s.borderWidth() > 0 && s.borderColor().alpha() > 0) {
        painter->setTransform(device);
        const qreal w = s.borderWidth();
        QPen pen(tint.apply(s.borderColor()), w);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        const QRectF inner = b.adjusted(w / 2, w / 2, -w / 2, -w / 2);
        const qreal radius = std::max<qreal>(s.cornerRadius() - w / 2, 0);
        if (radius > 0)
            painter->drawRoundedRect(inner, radius, radius);
        else
            painter->drawRect(inner);
    }
}

void renderLayer(Context &ctx, Layer &layer, const QMatrix4x4 &parent, qreal opacity, const Tint &tint);

struct InstanceDraw
{
    Layer *layer;
    QMatrix4x4 parent;
    Tint tint;
    qreal depth;
};

void renderSublayers(Context &ctx, Layer &layer, const Layer &s, const QMatrix4x4 &world, qreal opacity,
                     const Tint &tint)
{
    const std::vector<Layer *> order = LayerRenderer::paintOrder(layer, ctx.tree);
    if (order.empty())
        return;
    const QPointF c = anchorOf(s);
    const QMatrix4x4 toCentre = Transform3D::translation(c.x(), c.y());
    const QMatrix4x4 fromCentre = Transform3D::translation(-c.x(), -c.y());
    const QMatrix4x4 sublayers = s.sublayerTransform().isIdentity()
        ? world
        : world * toCentre * s.sublayerTransform() * fromCentre;
    const auto *replicator = dynamic_cast<const ReplicatorLayer *>(&s);
    if (!replicator || replicator->instanceCount() == 1) {
        for (Layer *sublayer : order)
            renderLayer(ctx, *sublayer, sublayers, opacity, tint);
        return;
    }
    std::vector<InstanceDraw> draws;
    QMatrix4x4 instance;
    const QColor base = replicator->instanceColor().toRgb();
    for (int k = 0; k < replicator->instanceCount(); ++k) {
        const Tint own{base.redF() * (1 + k * replicator->instanceRedOffset()),
                       base.greenF() * (1 + k * replicator->instanceGreenOffset()),
                       base.blueF() * (1 + k * replicator->instanceBlueOffset()),
                       base.alphaF() * (1 + k * replicator->instanceAlphaOffset())};
        const Tint combined{tint.r * std::max<qreal>(own.r, 0), tint.g * std::max<qreal>(own.g, 0),
                            tint.b * std::max<qreal>(own.b, 0), tint.a * std::max<qreal>(own.a, 0)};
        const QMatrix4x4 parent = sublayers * toCentre * instance * fromCentre;
        for (Layer *sublayer : order) {
            const Layer &ss = sublayer->state(ctx.tree);
            const QVector4D p = parent * QVector4D(static_cast<float>(ss.position().x()),
                                                   static_cast<float>(ss.position().y()),
                                                   static_cast<float>(ss.zPosition()), 1);
            draws.push_back({sublayer, parent, combined, p.w() != 0 ? p.z() / p.w() : p.z()});
        }
        instance = instance * replicator->instanceTransform();
    }
    if (replicator->preservesDepth())
        std::stable_sort(draws.begin(), draws.end(),
                         [](const InstanceDraw &a, const InstanceDraw &b) { return a.depth < b.depth; });
    for (const InstanceDraw &draw : draws)
        renderLayer(ctx, *draw.layer, draw.parent, opacity, draw.tint);
}

void renderLayer(Context &ctx, Layer &layer, const QMatrix4x4 &parent, qreal opacity, const Tint &tint)
{
    const Layer &s = layer.state(ctx.tree);
    if (s.isHidden())
        return;
    qreal alpha = opacity * s.opacity();
    const auto transition = s.transitionState();
    if (transition && transition->type == Transition::Type::Fade)
        alpha *= std::clamp<qreal>(transition->progress, 0, 1);
    if (alpha <= 0 || tint.a <= 0)
        return;
    const QRectF b = s.bounds();
    const QPointF c = anchorOf(s);
    QMatrix4x4 world = parent * Transform3D::translation(s.position().x(), s.position().y(), s.zPosition());
    if (!s.transform().isIdentity())
        world = world * s.transform();
    world = world * Transform3D::translation(-c.x(), -c.y());
    const auto corners = Transform3D::mapCorners(world, b);
    const bool inFront = Transform3D::allInFront(corners);
    if (!s.isDoubleSided() && inFront && Transform3D::signedArea(corners) <= 0)
        return; // its back faces the eye
    const QTransform device = Transform3D::project(world) * ctx.host;
    QPainter *painter = ctx.painter;
    bool clipped = false;
    auto clipTo = [&](const QPainterPath &path) {
        if (!painter)
            return;
        if (!clipped)
            painter->save();
        clipped = true;
        painter->setTransform(device);
        painter->setClipPath(path, Qt::IntersectClip);
    };
    if (transition && transition->type == Transition::Type::Reveal && inFront) {
        const qreal p = std::clamp<qreal>(transition->progress, 0, 1);
        QRectF shown = b;
        switch (transition->subtype) {
        case Transition::Subtype::FromLeft:
            shown.setWidth(b.width() * p);
            break;
        case Transition::Subtype::FromRight:
            shown.setLeft(b.right() - b.width() * p);
            break;
        case Transition::Subtype::FromBottom:
            shown.setHeight(b.height() * p);
            break;
        case Transition::Subtype::FromTop:
            shown.setTop(b.bottom() - b.height() * p);
            break;
        }
        QPainterPath path;
        path.addRect(shown);
        clipTo(path);
    }
    if (painter)
        painter->setOpacity(alpha);
    if (inFront)
        drawSelf(ctx, s, device, tint);
    if (s.masksToBounds()) {
        if (!inFront) {
            if (clipped)
                painter->restore();
            return; // the mask itself cannot be placed: nothing of it shows
        }
        clipTo(shapeOf(b, s.cornerRadius()));
    }
    renderSublayers(ctx, layer, s, world, alpha, tint);
    if (clipped)
        painter->restore();
}

void renderTree(Context &ctx, Layer &root)
{
    root.layoutIfNeeded();
    QMatrix4x4 identity;
    renderLayer(ctx, root, identity, 1, Tint{});
}

} // namespace

void LayerRenderer::render(QPainter &painter, Layer &root, qreal height, qreal scale, Layer::Tree tree)
{
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    Context ctx{&painter, QTransform(1, 0, 0, -1, 0, height) * painter.transform(), scale > 0 ? scale : 1, tree,
                nullptr};
    renderTree(ctx, root);
    painter.restore();
}

std::vector<LayerRenderer::ImageDraw> LayerRenderer::imageDraws(Layer &root, qreal height, const QTransform &base,
                                                                Layer::Tree tree)
{
    std::vector<ImageDraw> draws;
    Context ctx{nullptr, QTransform(1, 0, 0, -1, 0, height) * base, 1, tree, &draws};
    renderTree(ctx, root);
    return draws;
}

std::vector<Layer *> LayerRenderer::paintOrder(const Layer &layer, Layer::Tree tree)
{
    // Each z position is read once: a presentation value follows the clock, so asking
    // again during the sort could answer differently, and a sort whose comparisons
    // disagree with each other reads outside the list.
    std::vector<std::pair<qreal, Layer *>> keyed;
    keyed.reserve(static_cast<size_t>(layer.sublayers().size()));
    for (const LayerPtr &sublayer : layer.sublayers()) {
        const qreal z = sublayer->state(tree).zPosition();
        keyed.emplace_back(std::isfinite(z) ? z : 0.0, sublayer.get());
    }
    auto byZ = [](const std::pair<qreal, Layer *> &a, const std::pair<qreal, Layer *> &b) { return a.first < b.first; };
    if (!std::is_sorted(keyed.begin(), keyed.end(), byZ))
        std::stable_sort(keyed.begin(), keyed.end(), byZ);
    std::vector<Layer *> order;
    order.reserve(keyed.size());
    for (const auto &entry : keyed)
        order.push_back(entry.second);
    return order;
}

QRectF LayerRenderer::contentsRect(const QRectF &b, const QSizeF &size, Layer::ContentsGravity gravity)
{
    if (size.isEmpty())
        return b;
    switch (gravity) {
    case Gravity::Resize:
        return b;
    case Gravity::ResizeAspect:
    case Gravity::ResizeAspectFill: {
        const qreal sx = b.width() / size.width();
        const qreal sy = b.height() / size.height();
        const qreal s = gravity == Gravity::ResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
        const QSizeF scaled = size * s;
        return QRectF(b.center().x() - scaled.width() / 2, b.center().y() - scaled.height() / 2, scaled.width(),
                      scaled.height());
    }
    default:
        break;
    }
    qreal x = b.center().x() - size.width() / 2;
    qreal y = b.center().y() - size.height() / 2;
    switch (gravity) {
    case Gravity::Left:
    case Gravity::TopLeft:
    case Gravity::BottomLeft:
        x = b.left();
        break;
    case Gravity::Right:
    case Gravity::TopRight:
    case Gravity::BottomRight:
        x = b.right() - size.width();
        break;
    default:
        break;
    }
    switch (gravity) {
    case Gravity::Top:
    case Gravity::TopLeft:
    case Gravity::TopRight:
        y = b.bottom() - size.height(); // y-up: the top is the largest y
        break;
    case Gravity::Bottom:
    case Gravity::BottomLeft:
    case Gravity::BottomRight:
        y = b.top();
        break;
    default:
        break;
    }
    return QRectF(QPointF(x, y), size);
}

} // namespace platform
