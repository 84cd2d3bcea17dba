#include "AppKitExtensions/NTXNSImage_Extension.h"

#include "platform/drawing/YUpPainter.h"

#include <algorithm>
#include <cmath>

namespace NTXNSImage_Extension {

namespace {

constexpr int MaximumSide = 32768;

} // namespace

QImage bwTintedImageWithColor(const QImage &image, const QColor &color)
{
    if (image.isNull())
        return QImage();
    QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!color.isValid())
        return tinted;
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(QRectF(QPointF(0, 0), tinted.deviceIndependentSize()), color);
    painter.end();
    return tinted;
}

QImage &normalizeSize(QImage &image)
{
    if (!image.isNull())
        image.setDevicePixelRatio(1.0);
    return image;
}

QImage darkenedImageWithColor(const QImage &image, const QColor &color)
{
    if (image.isNull())
        return QImage();
    const QColor rgb = color.isValid() ? color.toRgb() : QColor(Qt::black);
    const int amount[3] = {
        static_cast<int>(std::floor(256.0 - 255.0 * std::clamp(rgb.redF(), 0.0f, 1.0f))),
        static_cast<int>(std::floor(256.0 - 255.0 * std::clamp(rgb.greenF(), 0.0f, 1.0f))),
        static_cast<int>(std::floor(256.0 - 255.0 * std::clamp(rgb.blueF(), 0.0f, 1.0f))),
    };
    const bool alpha = image.hasAlphaChannel();
    QImage result = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    result.setDevicePixelRatio(image.devicePixelRatio());
    const int samples = alpha ? 4 : 3;
    for (int y = 0; y < result.height(); ++y) {
        uchar *line = result.scanLine(y);
        for (int x = 0; x < result.width(); ++x) {
            uchar *pixel = line + x * samples;
            for (int c = 0; c < 3; ++c) {
                const int value = pixel[c] - amount[c];
                pixel[c] = static_cast<uchar>(value < 1 ? 0 : value);
            }
        }
    }
    return result;
}

QImage imageRefCopy(const QImage &image)
{
    const QSizeF points = image.deviceIndependentSize();
    const qreal w = std::isfinite(points.width()) ? std::trunc(points.width()) : 0;
    const qreal h = std::isfinite(points.height()) ? std::trunc(points.height()) : 0;
    if (image.isNull() || w <= 0 || h <= 0 || w > MaximumSide || h > MaximumSide)
        return QImage();
    QImage copy(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32_Premultiplied);
    copy.fill(Qt::transparent);
    QPainter painter(&copy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(0, 0, w, h), image);
    painter.end();
    return copy;
}

void drawAtPoint(const QImage &image, QPainter &painter, const QPointF &point, QPainter::CompositionMode operation)
{
    drawAtPoint(image, painter, point, operation, 1.0);
}

void drawAtPoint(const QImage &image, QPainter &painter, const QPointF &point, QPainter::CompositionMode operation,
                 qreal fraction)
{
    if (image.isNull() || !painter.isActive())
        return;
    const qreal opacity = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 1.0;
    painter.save();
    painter.setCompositionMode(operation);
    painter.setOpacity(painter.opacity() * opacity);
    platform::YUpPainter::drawImageUpright(painter, point, image);
    painter.restore();
}

} // namespace NTXNSImage_Extension
