#include "platform/drawing/ThreePartImage.h"

#include "platform/drawing/BundleImages.h"

#include <QPaintDevice>
#include <algorithm>

namespace platform {

namespace {

void drawPart(QPainter &painter, const QRectF &target, const QIcon &icon, qreal ratio)
{
    if (icon.isNull() || target.width() <= 0 || target.height() <= 0)
        return;
    const QImage image = BundleImages::rendered(icon, ratio);
    if (image.isNull())
        return;
    painter.drawImage(target, image, QRectF(QPointF(0, 0), QSizeF(image.size())));
}

} // namespace

ThreePartImage::Parts ThreePartImage::layout(const QRectF &frame, const QSizeF &startCapSize,
                                             const QSizeF &endCapSize, bool vertical)
{
    const qreal length = vertical ? frame.height() : frame.width();
    qreal start = std::max<qreal>(0, vertical ? startCapSize.height() : startCapSize.width());
    qreal end = std::max<qreal>(0, vertical ? endCapSize.height() : endCapSize.width());
    if (start + end > length) {
        const qreal scale = start + end > 0 ? std::max<qreal>(0, length) / (start + end) : 0;
        start *= scale;
        end *= scale;
    }
    const qreal middle = std::max<qreal>(0, length - start - end);
    Parts parts;
    if (vertical) {
        parts.start = QRectF(frame.x(), frame.y(), frame.width(), start);
        parts.centre = QRectF(frame.x(), frame.y() + start, frame.width(), middle);
        parts.end = QRectF(frame.x(), frame.y() + start + middle, frame.width(), end);
    } else {
        parts.start = QRectF(frame.x(), frame.y(), start, frame.height());
        parts.centre = QRectF(frame.x() + start, frame.y(), middle, frame.height());
        parts.end = QRectF(frame.x() + start + middle, frame.y(), end, frame.height());
    }
    return parts;
}

void ThreePartImage::draw(QPainter &painter, const QRectF &frame, const QIcon &startCap, const QIcon &centerFill,
                          const QIcon &endCap, bool vertical, QPainter::CompositionMode mode, qreal fraction,
                          bool flipped)
{
    if (startCap.isNull() && centerFill.isNull() && endCap.isNull())
        return;
    if (frame.width() <= 0 || frame.height() <= 0)
        return;
    const QSizeF startSize = startCap.isNull() ? QSizeF(0, 0) : BundleImages::naturalSize(startCap);
    const QSizeF endSize = endCap.isNull() ? QSizeF(0, 0) : BundleImages::naturalSize(endCap);
    const Parts parts = layout(frame, startSize, endSize, vertical);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.save();
    if (!flipped) {
        // The caller's space runs y-up: mirror about the frame's middle.
        const qreal middle = frame.y() + frame.height() / 2;
        painter.translate(0, middle);
        painter.scale(1, -1);
        painter.translate(0, -middle);
    }
    painter.setCompositionMode(mode);
    painter.setOpacity(painter.opacity() * std::clamp<qreal>(fraction, 0, 1));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawPart(painter, parts.start, startCap, ratio);
    drawPart(painter, parts.centre, centerFill, ratio);
    drawPart(painter, parts.end, endCap, ratio);
    painter.restore();
}

} // namespace platform
