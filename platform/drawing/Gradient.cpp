#include "platform/drawing/Gradient.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {

qreal clamp01(qreal value)
{
    if (!std::isfinite(value))
        return 0;
    return std::clamp(value, 0.0, 1.0);
}

QColor clampColor(const QColor &color)
{
    if (!color.isValid())
        return QColor(0, 0, 0, 0);
    return color.toRgb();
}

} // namespace

Gradient::Gradient(const QList<Stop> &stops)
{
    m_stops.reserve(stops.size());
    for (const Stop &stop : stops)
        m_stops.append(Stop(clamp01(stop.first), clampColor(stop.second)));
    std::stable_sort(m_stops.begin(), m_stops.end(),
                     [](const Stop &a, const Stop &b) { return a.first < b.first; });
}

Gradient::Gradient(const QColor &start, const QColor &end)
    : Gradient(QList<Stop>{Stop(0.0, start), Stop(1.0, end)})
{
}

Gradient Gradient::withColors(const QList<QColor> &colors)
{
    QList<Stop> stops;
    const qsizetype n = colors.size();
    for (qsizetype i = 0; i < n; ++i)
        stops.append(Stop(n == 1 ? 0.0 : qreal(i) / qreal(n - 1), colors.at(i)));
    return Gradient(stops);
}

QColor Gradient::clampedColor(qreal red, qreal green, qreal blue, qreal alpha)
{
    return QColor::fromRgbF(float(clamp01(red)), float(clamp01(green)), float(clamp01(blue)), float(clamp01(alpha)));
}

QColor Gradient::clampedWhite(qreal white, qreal alpha)
{
    return clampedColor(white, white, white, alpha);
}

QGradientStops Gradient::qtStops() const
{
    QGradientStops result;
    result.reserve(m_stops.size());
    for (const Stop &stop : m_stops)
        result.append(QGradientStop(stop.first, stop.second));
    // forward: every stop strictly after the one before
    for (qsizetype i = 1; i < result.size(); ++i) {
        if (result[i].first <= result[i - 1].first)
            result[i].first = std::nextafter(result[i - 1].first, std::numeric_limits<qreal>::infinity());
    }
    // backward: pull stops pushed beyond 1 back below their successors
    if (!result.isEmpty() && result.last().first > 1.0) {
        result.last().first = 1.0;
        for (qsizetype i = result.size() - 2; i >= 0; --i) {
            if (result[i].first >= result[i + 1].first)
                result[i].first = std::nextafter(result[i + 1].first, -std::numeric_limits<qreal>::infinity());
        }
    }
    return result;
}

QColor Gradient::interpolatedColorAtLocation(qreal location) const
{
    if (m_stops.isEmpty())
        return QColor(0, 0, 0, 0);
    location = clamp01(location);
    if (location <= m_stops.first().first)
        return m_stops.first().second;
    if (location >= m_stops.last().first)
        return m_stops.last().second;
    for (qsizetype i = 1; i < m_stops.size(); ++i) {
        const Stop &a = m_stops.at(i - 1);
        const Stop &b = m_stops.at(i);
        if (location > b.first)
            continue;
        if (location == b.first) {
            // the last stop of a location wins
            qsizetype j = i;
            while (j + 1 < m_stops.size() && m_stops.at(j + 1).first == location)
                ++j;
            return m_stops.at(j).second;
        }
        const qreal span = b.first - a.first;
        const qreal t = span > 0 ? (location - a.first) / span : 1.0;
        return QColor::fromRgbF(float(a.second.redF() + (b.second.redF() - a.second.redF()) * t),
                                float(a.second.greenF() + (b.second.greenF() - a.second.greenF()) * t),
                                float(a.second.blueF() + (b.second.blueF() - a.second.blueF()) * t),
                                float(a.second.alphaF() + (b.second.alphaF() - a.second.alphaF()) * t));
    }
    return m_stops.last().second;
}

QLinearGradient Gradient::linearGradient(const QRectF &rect, qreal angle) const
{
    const QRectF r = rect.normalized();
    const qreal radians = qDegreesToRadians(std::isfinite(angle) ? angle : 0.0);
    const QPointF direction(std::cos(radians), std::sin(radians));
    const qreal half = std::fabs(r.width() / 2 * direction.x()) + std::fabs(r.height() / 2 * direction.y());
    const QPointF centre = r.center();
    QLinearGradient gradient(centre - direction * half, centre + direction * half);
    gradient.setStops(qtStops());
    gradient.setSpread(QGradient::PadSpread);
    return gradient;
}

QRadialGradient Gradient::radialGradient(const QRectF &rect, const QPointF &relativeCenterPosition) const
{
    const QRectF r = rect.normalized();
    const qreal rx = std::isfinite(relativeCenterPosition.x()) ? std::clamp(relativeCenterPosition.x(), -1.0, 1.0) : 0.0;
    const qreal ry = std::isfinite(relativeCenterPosition.y()) ? std::clamp(relativeCenterPosition.y(), -1.0, 1.0) : 0.0;
    const QPointF centre = r.center() + QPointF(rx * r.width() / 2, ry * r.height() / 2);
    qreal radius = 0;
    for (const QPointF &corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        radius = std::max(radius, std::hypot(corner.x() - centre.x(), corner.y() - centre.y()));
    QRadialGradient gradient(centre, radius);
    gradient.setStops(qtStops());
    return gradient;
}

void Gradient::drawInRect(QPainter &painter, const QRectF &rect, qreal angle) const
{
    if (m_stops.isEmpty() || rect.isEmpty())
        return;
    painter.fillRect(rect.normalized(), QBrush(linearGradient(rect, angle)));
}

void Gradient::drawInBezierPath(QPainter &painter, const QPainterPath &path, qreal angle) const
{
    if (m_stops.isEmpty() || path.isEmpty())
        return;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(linearGradient(path.boundingRect(), angle)));
    painter.drawPath(path);
    painter.restore();
}

void Gradient::drawInRectRelativeCenterPosition(QPainter &painter, const QRectF &rect,
                                                const QPointF &relativeCenterPosition) const
{
    if (m_stops.isEmpty() || rect.isEmpty())
        return;
    painter.fillRect(rect.normalized(), QBrush(radialGradient(rect, relativeCenterPosition)));
}

} // namespace platform
