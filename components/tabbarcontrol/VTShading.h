#pragma once
// Shading fills of a path: a smooth gradient along an axis across the path's bounds,
// clipped to the path. A colour function maps t in [0, 1] to a colour from two
// colours (both converted to device RGB first); the linear function runs from the
// first colour to the second, the bilinear one has the first colour at both ends and
// the second in the middle (stops 0, 0.5, 1). Any other function is sampled into
// SampleCount + 1 evenly spaced stops. The fills draw through platform::Gradient.
//
// The horizontal fills run t from the bounds' minimum y (0) to their maximum y (1),
// so the colour bands lie horizontally; the vertical ones from the minimum x to the
// maximum x. Stateless; GUI thread (painting) or any thread on an image painter.
#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <array>
#include <functional>

class QPainter;

namespace VTShading {

// The colours handed to a function: first, second and their difference (second −
// first), each as red, green, blue and alpha.
struct ColorInfo
{
    std::array<float, 4> first{};
    std::array<float, 4> second{};
    std::array<float, 4> difference{};
};

struct ColorFunction
{
    enum class Kind { Linear, Bilinear, Custom };
    Kind kind = Kind::Custom;
    // For a custom function: writes red, green, blue, alpha (0..1) for t.
    std::function<void(const ColorInfo &info, float t, float out[4])> evaluate;
};

inline constexpr int SampleCount = 64;

ColorFunction linearFunction();
ColorFunction bilinearFunction();
// The colour a function gives at t (what the fill shows there).
QColor colorAt(const ColorFunction &function, const QColor &first, const QColor &second, float t);

void linearGradientFill(QPainter &painter, const QPainterPath &path, const QColor &start, const QColor &end);
void linearVerticalGradientFill(QPainter &painter, const QPainterPath &path, const QColor &start, const QColor &end);
void bilinearGradientFill(QPainter &painter, const QPainterPath &path, const QColor &outer, const QColor &inner);
void customHorizontalFill(QPainter &painter, const QPainterPath &path, const ColorFunction &function,
                          const QColor &first, const QColor &second);
void customVerticalFill(QPainter &painter, const QPainterPath &path, const ColorFunction &function,
                        const QColor &first, const QColor &second);
void customFill(QPainter &painter, const QPainterPath &path, const ColorFunction &function, const QColor &first,
                const QColor &second, const QPointF &startPoint, const QPointF &endPoint);

} // namespace VTShading
