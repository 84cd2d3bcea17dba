#include "platform/drawing/YUpPainter.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace platform {

namespace {

// Flips the painter locally about the horizontal middle line of the rectangle, so
// that something drawn into the rectangle comes out the other way up.
void flipAbout(QPainter &painter, const QRectF &rect)
{
    painter.translate(0, rect.top() + rect.bottom());
    painter.scale(1, -1);
}

} // namespace

YUpPainter::YUpPainter(QPainter &painter, qreal viewHeight)
    : m_painter(painter)
    , m_height(viewHeight)
{
    m_painter.save();
    apply(m_painter, viewHeight);
}

YUpPainter::~YUpPainter()
{
    m_painter.restore();
}

void YUpPainter::apply(QPainter &painter, qreal viewHeight)
{
    painter.translate(0, viewHeight);
    painter.scale(1, -1);
}

bool YUpPainter::isYUp(const QPainter &painter)
{
    // the y component of the unit y vector's image on the device
    return painter.deviceTransform().m22() < 0;
}

void YUpPainter::drawTextUpright(QPainter &painter, const QRectF &rect, int flags, const QString &text)
{
    const QRectF r = rect.normalized();
    if (!isYUp(painter)) {
        painter.drawText(r, flags, text);
        return;
    }
    painter.save();
    flipAbout(painter, r);
    painter.drawText(r, flags, text);
    painter.restore();
}

void YUpPainter::drawTextUpright(QPainter &painter, const QPointF &baselineStart, const QString &text)
{
    if (!isYUp(painter)) {
        painter.drawText(baselineStart, text);
        return;
    }
    painter.save();
    painter.translate(baselineStart);
    painter.scale(1, -1);
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
}

void YUpPainter::drawImageUpright(QPainter &painter, const QRectF &target, const QImage &image)
{
    const QRectF r = target.normalized();
    if (!isYUp(painter)) {
        painter.drawImage(r, image);
        return;
    }
    painter.save();
    flipAbout(painter, r);
    painter.drawImage(r, image);
    painter.restore();
}

void YUpPainter::drawPixmapUpright(QPainter &painter, const QRectF &target, const QPixmap &pixmap)
{
    const QRectF r = target.normalized();
    if (!isYUp(painter)) {
        painter.drawPixmap(r, pixmap, QRectF(pixmap.rect()));
        return;
    }
    painter.save();
    flipAbout(painter, r);
    painter.drawPixmap(r, pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

void YUpPainter::drawImageUpright(QPainter &painter, const QPointF &origin, const QImage &image)
{
    const QSizeF size = image.deviceIndependentSize();
    drawImageUpright(painter, QRectF(origin, size), image);
}

QPointF YUpPainter::pointFromView(const QPointF &viewPoint, qreal viewHeight)
{
    return QPointF(viewPoint.x(), viewHeight - viewPoint.y());
}

QPointF YUpPainter::pointFromView(const QPointF &viewPoint, const QWidget *view)
{
    return pointFromView(viewPoint, view ? qreal(view->height()) : 0.0);
}

QPointF YUpPainter::pointToView(const QPointF &yUpPoint, qreal viewHeight)
{
    return QPointF(yUpPoint.x(), viewHeight - yUpPoint.y());
}

QRectF YUpPainter::rectToView(const QRectF &yUpRect, qreal viewHeight)
{
    const QRectF r = yUpRect.normalized();
    return QRectF(r.x(), viewHeight - r.y() - r.height(), r.width(), r.height());
}

QRectF YUpPainter::rectFromView(const QRectF &viewRect, qreal viewHeight)
{
    return rectToView(viewRect, viewHeight); // the conversion is its own inverse
}

} // namespace platform
