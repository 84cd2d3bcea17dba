#include "AppKitExtensions/NTXNSBezierPathExtension.h"

#include "platform/drawing/BezierPathHelpers.h"

#include "platform/drawing/DevicePixels.h"

#include <QPainter>
#include <QtMath>
#include <cmath>

namespace NTXNSBezierPathExtension {

using platform::BezierPathHelpers::appendArcFromPoint;
using platform::BezierPathHelpers::clampedCornerRadius;

QPainterPath bezierPathWithLineFrom(const QPointF &from, const QPointF &to)
{
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

QPainterPath bezierPathWithRoundedRectangle(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    appendBezierPathWithRoundedRectangle(path, rect, radius);
    return path;
}

void appendBezierPathWithRoundedRectangle(QPainterPath &path, const QRectF &rect, qreal radius)
{
    platform::BezierPathHelpers::appendRoundedRect(path, rect, radius);
}

void appendBezierPathWithLeftRoundedRectangle(QPainterPath &path, const QRectF &rect, qreal radius)
{
    const QRectF r = rect.normalized();
    const qreal x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const qreal radiusUsed = clampedCornerRadius(r, radius);
    path.moveTo(x + w / 2, y + h);
    appendArcFromPoint(path, QPointF(x, y + h), QPointF(x, y), radiusUsed);
    appendArcFromPoint(path, QPointF(x, y), QPointF(x + w, y), radiusUsed);
    path.lineTo(x + w, y);
    path.lineTo(x + w, y + h);
    path.closeSubpath();
}

void appendBezierPathWithRightRoundedRectangle(QPainterPath &path, const QRectF &rect, qreal radius)
{
    const QRectF r = rect.normalized();
    const qreal x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const qreal radiusUsed = clampedCornerRadius(r, radius);
    path.moveTo(x + w / 2, y);
    appendArcFromPoint(path, QPointF(x + w, y), QPointF(x + w, y + h), radiusUsed);
    appendArcFromPoint(path, QPointF(x + w, y + h), QPointF(x, y + h), radiusUsed);
    path.lineTo(x, y + h);
    path.lineTo(x, y);
    path.closeSubpath();
}

QPainterPath bezierPathWithBleedMarkInRect(const QRectF &rect, int originPointIndex)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPointF corner, first, second;
    switch (originPointIndex) {
    case 4:
        corner = {x, y};
        first = {x, y + h};
        second = {x + w, y};
        break;
    case 5:
        corner = {x + w, y};
        first = {x, y};
        second = {x + w, y + h};
        break;
    case 6:
        corner = {x + w, y + h};
        first = {x + w, y};
        second = {x, y + h};
        break;
    case 7:
        corner = {x, y + h};
        first = {x, y};
        second = {x + w, y + h};
        break;
    default:
        return QPainterPath();
    }
    QPainterPath path;
    path.moveTo(corner);
    path.lineTo(first);
    path.moveTo(corner);
    path.lineTo(second);
    return path;
}

QPainterPath bezierPathWithCropMarkInRect(const QRectF &rect)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const qreal cx = x + w / 2, cy = y + h / 2;
    const QRectF outer = rect.adjusted(w / 4, h / 4, -w / 4, -h / 4);
    const QRectF inner = rect.adjusted(w / 3, h / 3, -w / 3, -h / 3);
    QPainterPath path;
    path.addEllipse(outer);
    path.addEllipse(inner);
    path.moveTo(cx, inner.top());
    path.lineTo(cx, inner.bottom());
    path.moveTo(inner.left(), cy);
    path.lineTo(inner.right(), cy);
    // ticks from each edge to the outer oval's rectangle
    path.moveTo(cx, y);
    path.lineTo(cx, outer.top());
    path.moveTo(cx, y + h);
    path.lineTo(cx, outer.bottom());
    path.moveTo(x, cy);
    path.lineTo(outer.left(), cy);
    path.moveTo(x + w, cy);
    path.lineTo(outer.right(), cy);
    return path;
}

QPainterPath bezierPathWithCrossInRect(const QRectF &rect)
{
    const qreal cx = rect.x() + rect.width() / 2, cy = rect.y() + rect.height() / 2;
    QPainterPath path;
    path.moveTo(cx, rect.y());
    path.lineTo(cx, rect.y() + rect.height());
    path.moveTo(rect.x(), cy);
    path.lineTo(rect.x() + rect.width(), cy);
    return path;
}

QPainterPath bezierPathWith45CrossInRect(const QRectF &rect)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w, y + h);
    path.moveTo(x, y + h);
    path.lineTo(x + w, y);
    return path;
}

QPointF firstPoint(const QPainterPath &path)
{
    if (path.elementCount() == 0)
        return QPointF();
    const QPainterPath::Element e = path.elementAt(0);
    return QPointF(e.x, e.y);
}

qreal startAngle(const QPainterPath &path)
{
    // QPainterPath has no close element (closing adds a line), and the element after
    // a move or line is either the next point or a curve's first control point
    if (path.elementCount() < 2)
        return 0;
    const QPainterPath::Element start = path.elementAt(0);
    const QPainterPath::Element second = path.elementAt(1);
    return qRadiansToDegrees(std::atan2(second.y - start.y, second.x - start.x));
}

qreal endAngle(const QPainterPath &path)
{
    return startAngle(path.toReversed());
}

QPainterPath helpPathInDeviceSpace(const QPainterPath &path, const QTransform &deviceTransform)
{
    QPainterPath device = deviceTransform.map(path);
    for (int i = 0; i < device.elementCount(); ++i) {
        const QPainterPath::Element e = device.elementAt(i);
        device.setElementPositionAt(i, std::round(e.x) + 0.5, std::round(e.y) + 0.5);
    }
    return device;
}

namespace {

void drawHelpPath(const QPainterPath &path, QPainter &painter, bool stroke, qreal lineWidth, bool antiAliasing)
{
    if (path.isEmpty())
        return;
    const QPainterPath device = helpPathInDeviceSpace(path, painter.deviceTransform());
    painter.save();
    // device pixels: undo the world transform, the device pixel ratio and the offset
    // of a widget in its window
    painter.setWorldTransform(platform::DevicePixels::worldTransformForDeviceSpace(painter));
    painter.setRenderHint(QPainter::Antialiasing, antiAliasing);
    if (stroke) {
        QPen pen = painter.pen();
        // width 0 is Qt's cosmetic one-pixel pen as well
        pen.setWidthF(std::isfinite(lineWidth) && lineWidth > 0 ? lineWidth : 0);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.drawPath(device);
    painter.restore();
}

} // namespace

void strokeAsHelpPath(const QPainterPath &path, QPainter &painter)
{
    strokeAsHelpPathWithLineWidth(path, painter, 0, false);
}

void fillAsHelpPath(const QPainterPath &path, QPainter &painter)
{
    fillAsHelpPathWithAntiAliasing(path, painter, false);
}

void strokeAsHelpPathWithLineWidth(const QPainterPath &path, QPainter &painter, qreal lineWidth, bool antiAliasing)
{
    drawHelpPath(path, painter, true, lineWidth, antiAliasing);
}

void fillAsHelpPathWithAntiAliasing(const QPainterPath &path, QPainter &painter, bool antiAliasing)
{
    drawHelpPath(path, painter, false, 0, antiAliasing);
}

} // namespace NTXNSBezierPathExtension
