#pragma once
// A gradient of colour stops, drawn in a rectangle or path along an angle, or
// radially. Stops keep their order even at one location, so two stops at 0.5 make a
// hard step: Qt keeps only the last stop of a location, so the later ones are
// nudged forward by the smallest representable amount (std::nextafter). Colour
// components are clamped to [0, 1].
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QColor>
#include <QGradient>
#include <QList>
#include <QPainterPath>
#include <QPair>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace platform {

class Gradient
{
public:
    using Stop = QPair<qreal, QColor>;

    Gradient() = default;
    // Stops in the order given; locations are clamped to [0, 1].
    explicit Gradient(const QList<Stop> &stops);
    // Evenly spaced colours from 0 to 1 (one colour sits at 0).
    static Gradient withColors(const QList<QColor> &colors);
    // From a start colour at 0 to an end colour at 1.
    Gradient(const QColor &start, const QColor &end);

    // A colour with every component (red, green, blue, alpha) clamped to [0, 1].
    static QColor clampedColor(qreal red, qreal green, qreal blue, qreal alpha = 1.0);
    static QColor clampedWhite(qreal white, qreal alpha = 1.0);

    QList<Stop> stops() const { return m_stops; }
    int numberOfColorStops() const { return static_cast<int>(m_stops.size()); }
    bool isEmpty() const { return m_stops.isEmpty(); }

    // The stops as Qt gradients take them: ascending, no two at one location.
    QGradientStops qtStops() const;
    // The colour at a location, as the drawn gradient shows it.
    QColor interpolatedColorAtLocation(qreal location) const;

    // A linear gradient along the angle (degrees, counter-clockwise from the x axis
    // in the space's own numbers) that just covers the rectangle: location 0 at the
    // corner furthest back, 1 at the corner furthest ahead.
    QLinearGradient linearGradient(const QRectF &rect, qreal angle) const;
    // A radial gradient centred at the rectangle's centre moved by the relative
    // position (-1..1 of half the width and height), reaching the furthest corner.
    QRadialGradient radialGradient(const QRectF &rect, const QPointF &relativeCenterPosition) const;

    void drawInRect(QPainter &painter, const QRectF &rect, qreal angle) const;
    void drawInBezierPath(QPainter &painter, const QPainterPath &path, qreal angle) const;
    void drawInRectRelativeCenterPosition(QPainter &painter, const QRectF &rect,
                                          const QPointF &relativeCenterPosition) const;

private:
    QList<Stop> m_stops;
};

} // namespace platform
