#pragma once
// The pacing of an animation: a cubic Bézier from (0, 0) to (1, 1) whose two control
// points shape it, with the platform's named curves. A value type; thread-safe to
// read. Control points outside [0, 1] in x are clamped there (the curve must stay a
// function of time); non-finite coordinates become the linear curve's.
#include <QEasingCurve>
#include <QPointF>

namespace platform {

class MediaTimingFunction
{
public:
    enum class Name { Linear, EaseIn, EaseOut, EaseInEaseOut, Default };

    MediaTimingFunction(); // linear
    MediaTimingFunction(qreal c1x, qreal c1y, qreal c2x, qreal c2y);
    static MediaTimingFunction named(Name name);

    QPointF controlPoint1() const { return m_c1; }
    QPointF controlPoint2() const { return m_c2; }

    // The curve's y at time x in [0, 1] (x outside is clamped).
    qreal valueAt(qreal x) const;
    // The same curve for Qt's animations.
    QEasingCurve toEasingCurve() const;

    bool operator==(const MediaTimingFunction &other) const { return m_c1 == other.m_c1 && m_c2 == other.m_c2; }

private:
    QPointF m_c1;
    QPointF m_c2;
};

} // namespace platform
