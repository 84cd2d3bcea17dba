#include "platform/layers/AnimatedValue.h"
#include "platform/layers/MediaTimingFunction.h"
#include "platform/layers/Transform3D.h"

#include <QColor>
#include <gtest/gtest.h>

#include <cmath>

using platform::AnimatedValue;
using platform::MediaTimingFunction;
using platform::Transform3D;

namespace {

void expectNear(const QMatrix4x4 &a, const QMatrix4x4 &b, float tolerance = 1e-4f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(a(r, c), b(r, c), tolerance) << "element (" << r << ", " << c << ")";
}

TEST(Transform3D, PerspectiveEnlargesWhatComesNearer)
{
    // z = +200 under m34 = -1/1500: w = 1 - 200/1500, a scale of 1/w.
    const QMatrix4x4 m = Transform3D::perspective(1500) * Transform3D::translation(0, 0, 200);
    EXPECT_FLOAT_EQ(m(3, 2), -1.0f / 1500);
    const auto corners = Transform3D::mapCorners(m, QRectF(0, 0, 100, 100));
    EXPECT_NEAR(corners[2].point.x() / 100, 1.1538, 1e-4);
    EXPECT_NEAR(corners[2].point.y() / 100, 1.1538, 1e-4);
    const QTransform projected = Transform3D::project(m);
    EXPECT_NEAR(projected.map(QPointF(100, 0)).x(), 115.38, 0.01);
}

TEST(Transform3D, DecomposesAndComposesBack)
{
    const QMatrix4x4 samples[] = {
        QMatrix4x4(),
        Transform3D::rotation(M_PI, 0, 1, 0),
        Transform3D::translation(10, -20, 30) * Transform3D::rotation(0.7, 0.3, 1, 0.2) * Transform3D::scale(2, 3, 0.5),
        Transform3D::perspective(850) * Transform3D::rotation(1.2, 0, 1, 0),
        Transform3D::scale(1, -1, 1) * Transform3D::translation(0, -100, 0),
    };
    for (const QMatrix4x4 &m : samples) {
        const auto parts = Transform3D::decompose(m);
        ASSERT_TRUE(parts.has_value());
        expectNear(Transform3D::compose(*parts), m);
    }
    EXPECT_FALSE(Transform3D::decompose(Transform3D::scale(0, 1, 1)).has_value());
}

TEST(Transform3D, InterpolatesTurnsNotElements)
{
    // Half way between no turn and a quarter turn is an eighth turn (element by
    // element it would shrink the layer).
    const QMatrix4x4 half = Transform3D::interpolate(QMatrix4x4(), Transform3D::rotation(M_PI / 2, 0, 0, 1), 0.5);
    expectNear(half, Transform3D::rotation(M_PI / 4, 0, 0, 1));
    const QMatrix4x4 flip = Transform3D::interpolate(QMatrix4x4(), Transform3D::rotation(M_PI * 0.9, 0, 1, 0), 0.5);
    expectNear(flip, Transform3D::rotation(M_PI * 0.45, 0, 1, 0));
    // A singular end jumps half way; the ends are exact.
    const QMatrix4x4 flat = Transform3D::scale(0, 1, 1);
    expectNear(Transform3D::interpolate(QMatrix4x4(), flat, 0.4), QMatrix4x4());
    expectNear(Transform3D::interpolate(QMatrix4x4(), flat, 0.6), flat);
    EXPECT_EQ(AnimatedValue::interpolate(QVariant::fromValue(QMatrix4x4()), QVariant::fromValue(flat), 1)
                  .value<QMatrix4x4>(),
              flat);
}

TEST(AnimatedValue, BlendsEachKindOfValue)
{
    EXPECT_DOUBLE_EQ(AnimatedValue::interpolate(0.0, 10.0, 0.25).toDouble(), 2.5);
    EXPECT_EQ(AnimatedValue::interpolate(QPointF(0, 0), QPointF(10, -10), 0.5).toPointF(), QPointF(5, -5));
    EXPECT_EQ(AnimatedValue::interpolate(QRectF(0, 0, 10, 10), QRectF(10, 10, 30, 10), 0.5).toRectF(),
              QRectF(5, 5, 20, 10));
    const QColor mid = AnimatedValue::interpolate(QColor(0, 0, 0, 0), QColor(255, 255, 255, 255), 0.5).value<QColor>();
    EXPECT_NEAR(mid.alphaF(), 0.5, 0.01);
    EXPECT_NEAR(mid.redF(), 0.5, 0.01);
    EXPECT_EQ(AnimatedValue::interpolate(QStringLiteral("a"), QStringLiteral("b"), 0.4).toString(), QStringLiteral("a"));
    EXPECT_EQ(AnimatedValue::interpolate(QStringLiteral("a"), QStringLiteral("b"), 0.6).toString(), QStringLiteral("b"));
    EXPECT_EQ(AnimatedValue::add(QPointF(1, 2), QPointF(3, 4)).toPointF(), QPointF(4, 6));
    EXPECT_EQ(AnimatedValue::subtract(QSizeF(5, 5), QSizeF(1, 2)).toSizeF(), QSizeF(4, 3));
}

TEST(MediaTimingFunction, StandardCurves)
{
    using Name = MediaTimingFunction::Name;
    const MediaTimingFunction easeInOut = MediaTimingFunction::named(Name::EaseInEaseOut);
    EXPECT_EQ(easeInOut, MediaTimingFunction(0.42, 0, 0.58, 1));
    EXPECT_NEAR(easeInOut.valueAt(0.5), 0.5, 1e-6);
    EXPECT_LT(easeInOut.valueAt(0.2), 0.2);
    EXPECT_GT(easeInOut.valueAt(0.8), 0.8);
    EXPECT_NEAR(MediaTimingFunction::named(Name::Linear).valueAt(0.3), 0.3, 1e-6);
    EXPECT_LT(MediaTimingFunction::named(Name::EaseIn).valueAt(0.5), 0.5);
    EXPECT_GT(MediaTimingFunction::named(Name::EaseOut).valueAt(0.5), 0.5);
    EXPECT_EQ(MediaTimingFunction::named(Name::Default), MediaTimingFunction(0.25, 0.1, 0.25, 1));
    for (const Name name : {Name::Linear, Name::EaseIn, Name::EaseOut, Name::EaseInEaseOut, Name::Default}) {
        const MediaTimingFunction f = MediaTimingFunction::named(name);
        const QEasingCurve curve = f.toEasingCurve();
        for (qreal x : {0.0, 0.1, 0.35, 0.5, 0.8, 1.0})
            EXPECT_NEAR(curve.valueForProgress(x), f.valueAt(x), 2e-3) << static_cast<int>(name) << " at " << x;
    }
    // Out of range and non-finite input stays in bounds.
    EXPECT_EQ(easeInOut.valueAt(-1), 0);
    EXPECT_EQ(easeInOut.valueAt(2), 1);
    EXPECT_EQ(easeInOut.valueAt(std::nan("")), 0);
    EXPECT_EQ(MediaTimingFunction(std::nan(""), 0, 5, 1).controlPoint2().x(), 1);
}

} // namespace
