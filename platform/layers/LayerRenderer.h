#pragma once
// Paints a layer tree with QPainter. The tree's space is y-up with its origin at the
// bottom left of the target; the renderer flips it once onto the painter's space.
// Each painted layer's 4×4 matrix becomes a projective QTransform of its plane.
// Layers whose corners reach behind the eye (w ≤ 0) are skipped (their sublayers
// are still considered); single-sided layers that face away are not drawn, nor
// anything below them. Siblings paint in zPosition order (stable); the instances of
// a depth-preserving replicator layer paint by their transformed depth.
//
// Stateless apart from the caches kept with each layer (shadow and tinted images).
// Main thread only; the painter may be on any paint device.
#include "platform/layers/Layer.h"

#include <QImage>
#include <QTransform>
#include <vector>

class QPainter;

namespace platform {

struct Layer::RenderCache
{
    struct ShadowKey
    {
        qint64 image = 0;
        QRectF bounds;
        qreal radius = 0, opacity = 0, cornerRadius = 0, scale = 0;
        QRgb color = 0, background = 0;
        int gravity = 0;
        bool operator==(const ShadowKey &) const = default;
    };
    ShadowKey shadowKey;
    QImage shadow;
    struct TintKey
    {
        qint64 image = 0;
        qreal r = 1, g = 1, b = 1, a = 1;
        bool operator==(const TintKey &) const = default;
    };
    TintKey tintKey;
    QImage tinted;
};

class LayerRenderer
{
public:
    // Largest side of an image the renderer makes (backing stores, shadows), in pixels.
    static constexpr int MaximumImageSide = 8192;

    // Lays the tree out, then paints it. `height` is the target's height in the
    // painter's units; `scale` the device pixels per unit (for backing stores).
    static void render(QPainter &painter, Layer &root, qreal height, qreal scale,
                       Layer::Tree tree = Layer::Tree::Presentation);

    // What render() would do with the images of the tree: each image with its target
    // rectangle and the painter transform it is drawn with (for a painter whose own
    // transform is `base`). Nothing is painted.
    struct ImageDraw
    {
        QImage image;
        QRectF target;
        QTransform transform;
        qreal opacity;
    };
    static std::vector<ImageDraw> imageDraws(Layer &root, qreal height, const QTransform &base = QTransform(),
                                             Layer::Tree tree = Layer::Tree::Presentation);

    // The sublayers of a layer in painting order (back to front).
    static std::vector<Layer *> paintOrder(const Layer &layer, Layer::Tree tree);

    // Where an image of the given size lies in the bounds under the gravity.
    static QRectF contentsRect(const QRectF &bounds, const QSizeF &imageSize, Layer::ContentsGravity gravity);
};

} // namespace platform
