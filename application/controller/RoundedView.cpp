#include "application/controller/RoundedView.h"

#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace {

// A coordinate cut to a whole number of points, toward zero.
qreal whole(qreal value)
{
    return std::trunc(value);
}

QPointF wholePoint(qreal x, qreal y)
{
    return QPointF(whole(x), whole(y));
}

} // namespace

RoundedView::RoundedView(QWidget *parent)
    : QWidget(parent)
{
    // the window behind is clear: the view paints only its panel
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

RoundedView::~RoundedView() = default;

QPainterPath RoundedView::panelPath(const QRectF &rect)
{
    QPainterPath path;
    const qreal x = rect.x();
    const qreal y = rect.y();
    const qreal w = rect.width();
    const qreal h = rect.height();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h) || w <= 0 || h <= 0)
        return path;
    // A radius larger than half a side would let the arcs run past the middle of
    // the edges and cross each other.
    const qreal radius = platform::BezierPathHelpers::clampedCornerRadius(
        QRectF(wholePoint(x, y), wholePoint(x + w, y + h)), CornerRadius);

    using platform::BezierPathHelpers::appendArcFromPoint;
    path.moveTo(wholePoint(x + w / 2, y));
    appendArcFromPoint(path, wholePoint(x + w, y), wholePoint(x + w, y + h / 2), radius);
    appendArcFromPoint(path, wholePoint(x + w, y + h), wholePoint(x + w / 2, y + h), radius);
    appendArcFromPoint(path, wholePoint(x, y + h), wholePoint(x, y + h / 2), radius);
    appendArcFromPoint(path, wholePoint(x, y), wholePoint(x + w / 2, y), radius);
    path.closeSubpath();
    return path;
}

void RoundedView::drawPanel(QPainter &painter, const QRectF &rect)
{
    painter.save();
    QColor fill(Qt::black);
    fill.setAlphaF(FillAlpha);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawPath(panelPath(rect));
    painter.restore();
}

void RoundedView::drawRect(QPainter &painter, const QRectF &dirtyRect)
{
    // The panel always follows the view's bounds; a partial redraw only repaints
    // the part of it that lies in the dirty rectangle.
    painter.save();
    const QRectF bounds(0, 0, width(), height());
    platform::YUpPainter yUp(painter, height());
    painter.setClipRect(dirtyRect.intersected(bounds), Qt::IntersectClip);
    drawPanel(painter, bounds);
    painter.restore();
}

void RoundedView::paintEvent(QPaintEvent *event)
try {
    QPainter painter(this);
    // the dirty rectangle arrives in Qt's y-down space; the view's own space is y-up
    drawRect(painter, platform::YUpPainter::rectFromView(QRectF(event->rect()), height()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}
