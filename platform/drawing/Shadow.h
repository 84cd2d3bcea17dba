#pragma once
// A shadow: what a drawing function paints is drawn again into an offscreen image,
// filled with the shadow colour, blurred and drawn at the offset under it. The
// offset is the platform's: x to the right and a negative y downward on screen,
// whichever way the painter's y axis points; both it and the blur radius are in the
// painter's units (device pixels follow the device pixel ratio).
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <functional>

class QPainter;

namespace platform {

class Shadow
{
public:
    Shadow() = default;
    Shadow(const QSizeF &offset, qreal blurRadius, const QColor &color);

    QSizeF shadowOffset() const { return m_offset; }
    void setShadowOffset(const QSizeF &offset) { m_offset = offset; }
    qreal shadowBlurRadius() const { return m_blurRadius; }
    void setShadowBlurRadius(qreal radius);
    QColor shadowColor() const { return m_color; }
    void setShadowColor(const QColor &color) { m_color = color; }

    // Draws the shadow of what `paint` draws within `bounds` (in the painter's current
    // space), then what it draws itself on top.
    void drawWithShadow(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paint) const;
    // Draws only the shadow.
    void drawShadow(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paint) const;

    // Blurs an image in place (premultiplied ARGB), approximating a Gaussian whose
    // standard deviation is half the radius by three box blurs; radius in pixels.
    static void blurImage(QImage &image, qreal radius);

private:
    QSizeF m_offset;
    qreal m_blurRadius = 0;
    QColor m_color = QColor(0, 0, 0, 85); // black at one third
};

} // namespace platform
