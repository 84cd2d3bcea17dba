#pragma once
// The arc forms of bezier paths that QPainterPath lacks, with the platform's
// meaning. Angles are in degrees; an angle a lies at centre + r·(cos a, sin a) in the
// path's own numbers, whichever way the y axis of the space points: in a y-up space
// angles run counter-clockwise on screen, in a y-down space clockwise, and a
// "clockwise" arc is clockwise as seen in a y-up space (mirrored on screen in a
// y-down space, as in a flipped view).
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace platform::BezierPathHelpers {

enum class ArcDirection { CounterClockwise, Clockwise };

// A line from the current point towards `corner`, rounded by an arc of the radius
// that touches the lines current point → corner and corner → `towards`; the path
// ends where the arc touches the second line. When the three points lie on one line,
// or a length or the radius is zero, the path simply goes on to the corner. An empty
// path starts at the corner.
void appendArcFromPoint(QPainterPath &path, const QPointF &corner, const QPointF &towards, qreal radius);

// An arc of a circle from the start angle to the end angle in the direction given.
// A path with a current point draws a line to the arc's start; an empty path moves
// there. Angles that differ by a whole turn or more (but are not equal) give a full
// circle; equal angles give just the start point.
void appendArcWithCenter(QPainterPath &path, const QPointF &center, qreal radius, qreal startAngle,
                         qreal endAngle, ArcDirection direction = ArcDirection::CounterClockwise);

// A closed rectangle with rounded corners built corner by corner: it starts at the
// middle of the edge at maximum y (x + w/2, y + h) and rounds the corners (x, y + h),
// (x, y), (x + w, y), (x + w, y + h) in turn with appendArcFromPoint. The radius is
// kept between 0 and half the shorter side, so the corners never overlap.
void appendRoundedRect(QPainterPath &path, const QRectF &rect, qreal radius);

// The radius as the rounded rectangles use it: between 0 and half the shorter side.
qreal clampedCornerRadius(const QRectF &rect, qreal radius);

} // namespace platform::BezierPathHelpers
