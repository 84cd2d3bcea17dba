#pragma once
// Paths for controls and print marks: rounded and half-rounded rectangles, bleed and
// crop marks, crosses, the direction of a path at its ends, and "help path" drawing
// aligned to device pixels. Rectangles are x, y, width and height in the space the
// path is drawn in; "top" means maximum y (the top in a y-up space).
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace NTXNSBezierPathExtension {

QPainterPath bezierPathWithLineFrom(const QPointF &from, const QPointF &to);

// Rounded rectangles, built corner by corner (the radius is kept between 0 and half
// the shorter side). All four corners; only those at minimum x; only those at maximum x.
QPainterPath bezierPathWithRoundedRectangle(const QRectF &rect, qreal radius);
void appendBezierPathWithRoundedRectangle(QPainterPath &path, const QRectF &rect, qreal radius);
void appendBezierPathWithLeftRoundedRectangle(QPainterPath &path, const QRectF &rect, qreal radius);
void appendBezierPathWithRightRoundedRectangle(QPainterPath &path, const QRectF &rect, qreal radius);

// An L-shaped mark at one corner: index 4 (x, y), 5 (x + w, y), 6 (x + w, y + h),
// 7 (x, y + h); any other index gives an empty path.
QPainterPath bezierPathWithBleedMarkInRect(const QRectF &rect, int originPointIndex);
// A registration mark: two ovals, a cross in the inner one and four ticks from the edges.
QPainterPath bezierPathWithCropMarkInRect(const QRectF &rect);
QPainterPath bezierPathWithCrossInRect(const QRectF &rect);
QPainterPath bezierPathWith45CrossInRect(const QRectF &rect);

// The point of the first element; the zero point for an empty path.
QPointF firstPoint(const QPainterPath &path);
// The direction at the start in degrees (-180 to 180): from the first point to the
// second one, or to the first control point of a curve that comes first. 0 for a
// path with fewer than two points.
qreal startAngle(const QPainterPath &path);
// The direction from the end back into the path.
qreal endAngle(const QPainterPath &path);

// Strokes (with the painter's pen colour) or fills (with its brush) a copy of the path
// moved onto device pixel centres, drawn in device pixels. Width 0 draws the thinnest
// line the device shows (one device pixel).
void strokeAsHelpPath(const QPainterPath &path, QPainter &painter);
void fillAsHelpPath(const QPainterPath &path, QPainter &painter);
void strokeAsHelpPathWithLineWidth(const QPainterPath &path, QPainter &painter, qreal lineWidth, bool antiAliasing);
void fillAsHelpPathWithAntiAliasing(const QPainterPath &path, QPainter &painter, bool antiAliasing);

// The path in device space with every point on a pixel centre (whole number + 0.5).
QPainterPath helpPathInDeviceSpace(const QPainterPath &path, const QTransform &deviceTransform);

} // namespace NTXNSBezierPathExtension
