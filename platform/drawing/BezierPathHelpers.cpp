#include "platform/drawing/BezierPathHelpers.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace platform::BezierPathHelpers {

namespace {

qreal length(const QPointF &v)
{
    return std::hypot(v.x(), v.y());
}

// One arc segment of at most a quarter turn as a cubic curve (angles in radians).
void appendSegment(QPainterPath &path, const QPointF &c, qreal r, qreal a0, qreal a1)
{
    const qreal k = 4.0 / 3.0 * std::tan((a1 - a0) / 4.0) * r;
    const QPointF p0 = c + QPointF(r * std::cos(a0), r * std::sin(a0));
    const QPointF p3 = c + QPointF(r * std::cos(a1), r * std::sin(a1));
    const QPointF t0(-std::sin(a0), std::cos(a0));
    const QPointF t1(-std::sin(a1), std::cos(a1));
    path.cubicTo(p0 + t0 * k, p3 - t1 * k, p3);
}

} // namespace

qreal clampedCornerRadius(const QRectF &rect, qreal radius)
{
    if (!std::isfinite(radius) || radius <= 0)
        return 0;
    const QRectF r = rect.normalized();
    return std::min(radius, std::min(r.width(), r.height()) / 2.0);
}

void appendArcFromPoint(QPainterPath &path, const QPointF &corner, const QPointF &towards, qreal radius)
{
    if (path.elementCount() == 0) {
        path.moveTo(corner);
        return;
    }
    const QPointF start = path.currentPosition();
    const QPointF toStart = start - corner;
    const QPointF toNext = towards - corner;
    const qreal lengthStart = length(toStart);
    const qreal lengthNext = length(toNext);
    if (!std::isfinite(radius) || radius <= 0 || lengthStart <= 0 || lengthNext <= 0) {
        path.lineTo(corner);
        return;
    }
    const QPointF u = toStart / lengthStart;
    const QPointF v = toNext / lengthNext;
    const qreal cosine = std::clamp(u.x() * v.x() + u.y() * v.y(), -1.0, 1.0);
    const qreal angle = std::acos(cosine); // between the two lines at the corner
    if (angle < 1e-9 || M_PI - angle < 1e-9) {
        path.lineTo(corner);
        return;
    }
    const qreal tangentDistance = radius / std::tan(angle / 2.0);
    const QPointF t1 = corner + u * tangentDistance;
    const QPointF t2 = corner + v * tangentDistance;
    // the arc turns by π - angle; its control points lie along the two lines
    const qreal sweep = M_PI - angle;
    const qreal k = 4.0 / 3.0 * std::tan(sweep / 4.0) * radius;
    path.lineTo(t1);
    path.cubicTo(t1 - u * k, t2 - v * k, t2);
}

void appendArcWithCenter(QPainterPath &path, const QPointF &center, qreal radius, qreal startAngle,
                         qreal endAngle, ArcDirection direction)
{
    if (!std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle)
        || !std::isfinite(center.x()) || !std::isfinite(center.y()))
        return;
    radius = std::fabs(radius);
    qreal sweep = endAngle - startAngle; // degrees, positive counter-clockwise
    if (direction == ArcDirection::CounterClockwise) {
        if (sweep < 0 || sweep > 360) {
            const qreal wrapped = std::fmod(sweep, 360.0);
            sweep = wrapped < 0 ? wrapped + 360.0 : wrapped;
            if (sweep == 0)
                sweep = 360;
        }
    } else {
        if (sweep > 0 || sweep < -360) {
            const qreal wrapped = std::fmod(sweep, 360.0);
            sweep = wrapped > 0 ? wrapped - 360.0 : wrapped;
            if (sweep == 0)
                sweep = -360;
        }
    }
    const qreal a0 = qDegreesToRadians(startAngle);
    const QPointF first = center + QPointF(radius * std::cos(a0), radius * std::sin(a0));
    if (path.elementCount() == 0)
        path.moveTo(first);
    else
        path.lineTo(first);
    if (sweep == 0 || radius == 0)
        return;
    const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 90.0 - 1e-9)));
    const qreal step = qDegreesToRadians(sweep) / segments;
    for (int i = 0; i < segments; ++i)
        appendSegment(path, center, radius, a0 + step * i, a0 + step * (i + 1));
}

void appendRoundedRect(QPainterPath &path, const QRectF &rect, qreal radius)
{
    const QRectF r = rect.normalized();
    const qreal x = r.x();
    const qreal y = r.y();
    const qreal w = r.width();
    const qreal h = r.height();
    const qreal radiusUsed = clampedCornerRadius(r, radius);
    path.moveTo(x + w / 2, y + h);
    appendArcFromPoint(path, QPointF(x, y + h), QPointF(x, y), radiusUsed);
    appendArcFromPoint(path, QPointF(x, y), QPointF(x + w, y), radiusUsed);
    appendArcFromPoint(path, QPointF(x + w, y), QPointF(x + w, y + h), radiusUsed);
    appendArcFromPoint(path, QPointF(x + w, y + h), QPointF(x, y + h), radiusUsed);
    path.closeSubpath();
}

} // namespace platform::BezierPathHelpers
