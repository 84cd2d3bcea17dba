#pragma once
// Rectangles and points for editors that move and resize a rectangle by nine
// handles. Values are kept in QRectF/QPointF; the arithmetic is done in 32-bit
// floats, the precision the stored rectangles have.
//
// Handles: 0 middle of the min-y edge, 1 middle of the min-x edge, 2 middle of the
// max-y edge, 3 middle of the max-x edge, 4 corner (x, y), 5 corner (x + w, y),
// 6 corner (x + w, y + h), 7 corner (x, y + h), 8 centre.
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QVariant>

// The rectangle spanned by two points (min x, min y, |dx|, |dy|).
QRectF NTXRectFromPoints(QPointF a, QPointF b);
// A rectangle of size 0 at the point.
QRectF NTXRectAtPoint(QPointF point);
// The rectangle of that size centred on (0, 0).
QRectF NTXRectAroundOrigin(qreal width, qreal height);
// The handle's position; any number other than 0…8 gives the corner (x, y).
QPointF NTXHandlePoint(const QRectF &rect, int handle);
bool NTXIsCornerHandle(int handle);
// The first handle whose position equals the point exactly; -1 when none does.
int NTXHandleAtPoint(const QRectF &rect, QPointF point);
// Moves the edges the handle stands for to the point (8 moves the whole rectangle),
// normalizes a negative width or height and answers the handle that is under the
// point afterwards (mirrored on each axis that flipped). A handle above 8 changes
// nothing and is answered as it stands; a negative handle changes nothing either.
int NTXResizeRectByHandle(QRectF &rect, int handle, QPointF point);
// The rectangle moved so that its centre is the point.
QRectF NTXCenterRectOnPoint(const QRectF &rect, QPointF point);
QRectF NTXRectCenteredAtPoint(const QRectF &rect, QPointF point);
// 0↔2, 1↔3, 4↔6, 5↔7, 8↔8; any other number -1.
int NTXOppositeHandle(int handle);
QPointF NTXOppositeHandlePoint(const QRectF &rect, int handle);
// The centre of the circle through three points (double precision); NaN
// coordinates when the points are collinear (or two of them coincide).
QPointF NTXCircumcenter(QPointF p1, QPointF p2, QPointF p3);
// The rectangle grown just enough to contain the point.
QRectF NTXRectIncludingPoint(const QRectF &rect, QPointF point);
// Whether the point lies inside one of the rectangles (min edges inside, max
// edges outside); a value that holds no rectangle counts as an empty rectangle.
bool NTXPointInAnyRect(QPointF point, const QList<QVariant> &rects);
// Without centreOnly, whether a and b overlap (an area in common); with it, whether
// the centre of a lies inside b.
bool NTXRectHits(const QRectF &a, const QRectF &b, bool centreOnly);
// x and width times xFactor, y and height times yFactor.
QRectF NTXScaleRect(const QRectF &rect, qreal xFactor, qreal yFactor);
// The smallest rectangle containing both, also when one is empty or has a
// negative size (its corners count as they stand).
QRectF NTXBoundingRect(const QRectF &a, const QRectF &b);
