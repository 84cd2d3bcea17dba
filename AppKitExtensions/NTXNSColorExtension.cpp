#include "AppKitExtensions/NTXNSColorExtension.h"

#include "AppKitExtensions/NTXNSBezierPathExtension.h"

#include <QPaintDevice>
#include "platform/drawing/DevicePixels.h"

#include <QPainter>
#include <cmath>

namespace NTXNSColorExtension {

QColor disabledColor(const QColor &color)
{
    QColor result = color.isValid() ? color : QColor(0, 0, 0, 0);
    result.setAlphaF(float(0.5 * std::floor(result.alphaF())));
    return result;
}

void bwDrawPixelThickLineAtPosition(const QColor &color, QPainter &painter, int position, int inset,
                                    const QRectF &rect, const QWidget *view, bool horizontal, bool flip)
{
    if (!painter.isActive() || !rect.isValid())
        return;
    const QTransform device = painter.deviceTransform();
    const QRectF mapped = device.mapRect(rect.normalized());
    constexpr qreal Tolerance = 1e-6;
    const int left = static_cast<int>(std::floor(mapped.left() + Tolerance));
    const int top = static_cast<int>(std::floor(mapped.top() + Tolerance));
    const int right = static_cast<int>(std::ceil(mapped.right() - Tolerance));
    const int bottom = static_cast<int>(std::ceil(mapped.bottom() - Tolerance));
    const bool yUp = device.m22() < 0;
    const bool xMirrored = device.m11() < 0;

    QRect line;
    if (horizontal) {
        bool fromTop = !yUp; // the rectangle's origin edge on the device
        if (flip)
            fromTop = !fromTop;
        const int row = fromTop ? top + position : bottom - 1 - position;
        line = QRect(QPoint(left + inset, row), QPoint(right - inset - 1, row));
    } else {
        bool fromLeft = !xMirrored;
        if (flip)
            fromLeft = !fromLeft;
        const int column = fromLeft ? left + position : right - 1 - position;
        line = QRect(QPoint(column, top + inset), QPoint(column, bottom - inset - 1));
    }
    if (line.width() <= 0 || line.height() <= 0)
        return;
    painter.save();
    painter.setWorldTransform(platform::DevicePixels::worldTransformForDeviceSpace(painter));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(line, color);
    painter.restore();
}

QColor CGColor(const QColor &color)
{
    return color.isValid() ? color.toRgb() : QColor(0, 0, 0, 0);
}

bool isTransparent(const QColor &color)
{
    return !color.isValid() || color.alpha() == 0;
}

QImage colorImageWithSize(const QColor &color, const QSizeF &size)
{
    const int width = std::isfinite(size.width()) ? static_cast<int>(std::ceil(size.width())) : 0;
    const int height = std::isfinite(size.height()) ? static_cast<int>(std::ceil(size.height())) : 0;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return QImage();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (color.isValid())
        painter.fillRect(image.rect(), color);
    if (isTransparent(color)) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::black, 1.0));
        painter.drawPath(NTXNSBezierPathExtension::bezierPathWith45CrossInRect(QRectF(0, 0, width, height)));
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, width - 1, height - 1));
    return image;
}

} // namespace NTXNSColorExtension
