#include "components/tabbarcontrol/VTShading.h"

#include "platform/drawing/Gradient.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace VTShading {

namespace {

ColorInfo infoFor(const QColor &first, const QColor &second)
{
    ColorInfo info;
    const QColor a = first.toRgb();
    const QColor b = second.toRgb();
    info.first = {float(a.redF()), float(a.greenF()), float(a.blueF()), float(a.alphaF())};
    info.second = {float(b.redF()), float(b.greenF()), float(b.blueF()), float(b.alphaF())};
    for (int k = 0; k < 4; ++k)
        info.difference[k] = info.second[k] - info.first[k];
    return info;
}

void evaluate(const ColorFunction &function, const ColorInfo &info, float t, float out[4])
{
    switch (function.kind) {
    case ColorFunction::Kind::Linear:
        for (int k = 0; k < 4; ++k)
            out[k] = t * info.difference[k] + info.first[k];
        return;
    case ColorFunction::Kind::Bilinear: {
        const float u = t > 0.5f ? 2.0f - 2.0f * t : 2.0f * t;
        for (int k = 0; k < 4; ++k)
            out[k] = u * info.difference[k] + info.first[k];
        return;
    }
    case ColorFunction::Kind::Custom:
        for (int k = 0; k < 4; ++k)
            out[k] = 0;
        if (function.evaluate)
            function.evaluate(info, t, out);
        return;
    }
}

QColor toColor(const float out[4])
{
    return platform::Gradient::clampedColor(out[0], out[1], out[2], out[3]);
}

platform::Gradient gradientFor(const ColorFunction &function, const ColorInfo &info)
{
    QList<float> locations;
    switch (function.kind) {
    case ColorFunction::Kind::Linear:
        locations = {0.0f, 1.0f};
        break;
    case ColorFunction::Kind::Bilinear:
        locations = {0.0f, 0.5f, 1.0f};
        break;
    case ColorFunction::Kind::Custom:
        for (int i = 0; i <= SampleCount; ++i)
            locations.append(float(i) / SampleCount);
        break;
    }
    QList<platform::Gradient::Stop> stops;
    for (float t : locations) {
        float out[4];
        evaluate(function, info, t, out);
        stops.append({t, toColor(out)});
    }
    return platform::Gradient(stops);
}

} // namespace

ColorFunction linearFunction()
{
    return ColorFunction{ColorFunction::Kind::Linear, {}};
}

ColorFunction bilinearFunction()
{
    return ColorFunction{ColorFunction::Kind::Bilinear, {}};
}

QColor colorAt(const ColorFunction &function, const QColor &first, const QColor &second, float t)
{
    float out[4];
    evaluate(function, infoFor(first, second), t, out);
    return toColor(out);
}

void customFill(QPainter &painter, const QPainterPath &path, const ColorFunction &function, const QColor &first,
                const QColor &second, const QPointF &startPoint, const QPointF &endPoint)
{
    if (path.isEmpty())
        return;
    QLinearGradient axis(startPoint, endPoint);
    axis.setStops(gradientFor(function, infoFor(first, second)).qtStops());
    painter.save();
    painter.setClipPath(path, Qt::IntersectClip);
    painter.fillPath(path, axis);
    painter.restore();
}

void customHorizontalFill(QPainter &painter, const QPainterPath &path, const ColorFunction &function,
                          const QColor &first, const QColor &second)
{
    const QRectF bounds = path.boundingRect();
    customFill(painter, path, function, first, second, QPointF(0, bounds.top()), QPointF(0, bounds.bottom()));
}

void customVerticalFill(QPainter &painter, const QPainterPath &path, const ColorFunction &function,
                        const QColor &first, const QColor &second)
{
    const QRectF bounds = path.boundingRect();
    customFill(painter, path, function, first, second, QPointF(bounds.left(), 0), QPointF(bounds.right(), 0));
}

void linearGradientFill(QPainter &painter, const QPainterPath &path, const QColor &start, const QColor &end)
{
    customHorizontalFill(painter, path, linearFunction(), start, end);
}

void linearVerticalGradientFill(QPainter &painter, const QPainterPath &path, const QColor &start, const QColor &end)
{
    customVerticalFill(painter, path, linearFunction(), start, end);
}

void bilinearGradientFill(QPainter &painter, const QPainterPath &path, const QColor &outer, const QColor &inner)
{
    customHorizontalFill(painter, path, bilinearFunction(), inner, outer);
}

} // namespace VTShading
