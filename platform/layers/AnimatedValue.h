#pragma once
// Blending of animated property values held in QVariants: numbers, points, sizes,
// rectangles, colours (each component, alpha included), 3-D transforms (decomposed,
// see Transform3D) and lists of these element by element. Values of other types, or
// of two different types, or lists of different lengths, do not blend: the start
// value holds until half way, then the end value. Stateless; thread-safe.
#include <QVariant>

namespace platform {

class AnimatedValue
{
public:
    static QVariant interpolate(const QVariant &from, const QVariant &to, qreal progress);
    // from + by for the types above (a transform is concatenated: from · by).
    static QVariant add(const QVariant &from, const QVariant &by);
    // from - by, the inverse of add (a transform: from · by⁻¹).
    static QVariant subtract(const QVariant &from, const QVariant &by);
};

} // namespace platform
