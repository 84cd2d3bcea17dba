#include "platform/drawing/Shadow.h"

#include "platform/drawing/DevicePixels.h"

#include <QPainter>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

namespace {

// Largest shadow image side, in pixels: protects against absurd bounds.
constexpr int MaximumSide = 8192;

// One box blur of the given half width along rows (horizontal) or columns.
void boxBlur(QImage &image, int halfWidth, bool horizontal)
{
    if (halfWidth <= 0)
        return;
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const int window = 2 * halfWidth + 1;
    std::vector<QRgb> line(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i)
            line[i] = horizontal ? reinterpret_cast<const QRgb *>(image.constScanLine(l))[i]
                                 : reinterpret_cast<const QRgb *>(image.constScanLine(i))[l];
        int sums[4] = {0, 0, 0, 0};
        auto add = [&sums](QRgb p, int sign) {
            sums[0] += sign * qAlpha(p);
            sums[1] += sign * qRed(p);
            sums[2] += sign * qGreen(p);
            sums[3] += sign * qBlue(p);
        };
        auto at = [&line, length](int i) -> QRgb { return (i < 0 || i >= length) ? 0 : line[i]; };
        for (int i = -halfWidth; i <= halfWidth; ++i)
            add(at(i), 1);
        for (int i = 0; i < length; ++i) {
            const QRgb value = qRgba(sums[1] / window, sums[2] / window, sums[3] / window, sums[0] / window);
            if (horizontal)
                reinterpret_cast<QRgb *>(image.scanLine(l))[i] = value;
            else
                reinterpret_cast<QRgb *>(image.scanLine(i))[l] = value;
            add(at(i - halfWidth), -1);
            add(at(i + halfWidth + 1), 1);
        }
    }
}

} // namespace

Shadow::Shadow(const QSizeF &offset, qreal blurRadius, const QColor &color)
    : m_offset(offset)
    , m_color(color)
{
    setShadowBlurRadius(blurRadius);
}

void Shadow::setShadowBlurRadius(qreal radius)
{
    m_blurRadius = std::isfinite(radius) && radius > 0 ? radius : 0;
}

void Shadow::blurImage(QImage &image, qreal radius)
{
    if (image.isNull() || !std::isfinite(radius) || radius <= 0)
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // three boxes of width w give a variance of 3 (w² - 1) / 12 = σ², σ = radius / 2
    const qreal sigma = radius / 2.0;
    const int boxWidth = std::max(1, static_cast<int>(std::lround(std::sqrt(4.0 * sigma * sigma + 1.0))));
    const int halfWidth = std::min(boxWidth / 2, 512);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(image, halfWidth, true);
        boxBlur(image, halfWidth, false);
    }
}

void Shadow::drawShadow(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paint) const
{
    if (!paint || !m_color.isValid() || m_color.alpha() == 0 || bounds.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform device = painter.deviceTransform();
    const qreal blurPixels = m_blurRadius * ratio;
    const int margin = static_cast<int>(std::ceil(blurPixels * 1.5)) + 1;
    QRect area = device.mapRect(bounds.normalized()).toAlignedRect().adjusted(-margin, -margin, margin, margin);
    if (area.width() > MaximumSide || area.height() > MaximumSide || area.isEmpty())
        return;

    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter offscreen(&image);
        offscreen.setRenderHints(painter.renderHints());
        offscreen.setTransform(device * QTransform::fromTranslate(-area.left(), -area.top()));
        paint(offscreen);
        offscreen.resetTransform();
        offscreen.setCompositionMode(QPainter::CompositionMode_SourceIn);
        offscreen.fillRect(image.rect(), m_color);
    }
    blurImage(image, blurPixels);

    // the offset is measured upward: on the device y grows downward
    const QPointF offset(m_offset.width() * ratio, -m_offset.height() * ratio);
    painter.save();
    painter.setWorldTransform(platform::DevicePixels::worldTransformForDeviceSpace(painter));
    painter.drawImage(QPointF(area.topLeft()) + offset, image);
    painter.restore();
}

void Shadow::drawWithShadow(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paint) const
{
    drawShadow(painter, bounds, paint);
    if (paint)
        paint(painter);
}

} // namespace platform
