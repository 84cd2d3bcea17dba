#include "platform/layers/MediaTimingFunction.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

qreal bezier(qreal t, qreal p1, qreal p2)
{
    const qreal u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

qreal bezierSlope(qreal t, qreal p1, qreal p2)
{
    const qreal u = 1 - t;
    return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

qreal finiteOr(qreal value, qreal fallback)
{
    return std::isfinite(value) ? value : fallback;
}

} // namespace

MediaTimingFunction::MediaTimingFunction()
    : m_c1(0, 0)
    , m_c2(1, 1)
{
}

MediaTimingFunction::MediaTimingFunction(qreal c1x, qreal c1y, qreal c2x, qreal c2y)
    : m_c1(std::clamp(finiteOr(c1x, 0), 0.0, 1.0), finiteOr(c1y, 0))
    , m_c2(std::clamp(finiteOr(c2x, 1), 0.0, 1.0), finiteOr(c2y, 1))
{
}

MediaTimingFunction MediaTimingFunction::named(Name name)
{
    switch (name) {
    case Name::Linear:
        return MediaTimingFunction();
    case Name::EaseIn:
        return MediaTimingFunction(0.42, 0, 1, 1);
    case Name::EaseOut:
        return MediaTimingFunction(0, 0, 0.58, 1);
    case Name::EaseInEaseOut:
        return MediaTimingFunction(0.42, 0, 0.58, 1);
    case Name::Default:
        return MediaTimingFunction(0.25, 0.1, 0.25, 1);
    }
    return MediaTimingFunction();
}

qreal MediaTimingFunction::valueAt(qreal x) const
{
    x = std::isfinite(x) ? std::clamp(x, 0.0, 1.0) : 0.0;
    if (x == 0 || x == 1)
        return x;
    // Solve bezier_x(t) = x: Newton steps, then bisection where the slope is flat.
    qreal t = x;
    for (int i = 0; i < 8; ++i) {
        const qreal error = bezier(t, m_c1.x(), m_c2.x()) - x;
        if (std::abs(error) < 1e-7)
            return bezier(t, m_c1.y(), m_c2.y());
        const qreal slope = bezierSlope(t, m_c1.x(), m_c2.x());
        if (std::abs(slope) < 1e-6)
            break;
        t -= error / slope;
    }
    qreal low = 0, high = 1;
    t = x;
    for (int i = 0; i < 60; ++i) {
        const qreal value = bezier(t, m_c1.x(), m_c2.x());
        if (std::abs(value - x) < 1e-7)
            break;
        if (value < x)
            low = t;
        else
            high = t;
        t = (low + high) / 2;
    }
    return bezier(t, m_c1.y(), m_c2.y());
}

QEasingCurve MediaTimingFunction::toEasingCurve() const
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(m_c1, m_c2, QPointF(1, 1));
    return curve;
}

} // namespace platform
