// The arc forms: tangent arcs between two lines and arcs about a centre.
#include "platform/drawing/BezierPathHelpers.h"

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QtMath>
#include <gtest/gtest.h>

using namespace platform::BezierPathHelpers;

namespace {

QPointF endPoint(const QPainterPath &path)
{
    return path.currentPosition();
}

double distance(const QPointF &a, const QPointF &b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

} // namespace

TEST(BezierPathHelpers, TangentArcTouchesBothLines)
{
    // a right angle at (10, 0): from (0, 0) along x, then up towards (10, 10)
    QPainterPath path;
    path.moveTo(0, 0);
    appendArcFromPoint(path, QPointF(10, 0), QPointF(10, 10), 4);
    // the straight part ends where the arc begins, 4 before the corner
    EXPECT_NEAR(path.elementAt(1).x, 6, 1e-9);
    EXPECT_NEAR(path.elementAt(1).y, 0, 1e-9);
    EXPECT_NEAR(endPoint(path).x(), 10, 1e-9);
    EXPECT_NEAR(endPoint(path).y(), 4, 1e-9);
    // the arc keeps radius 4 about (6, 4)
    for (qreal t = 0.1; t < 1.0; t += 0.2) {
        const QPointF p = path.pointAtPercent(0.6 + 0.4 * t);
        EXPECT_NEAR(distance(p, QPointF(6, 4)), 4, 0.02);
    }
}

TEST(BezierPathHelpers, DegenerateTangentArcsGoToTheCorner)
{
    QPainterPath straight;
    straight.moveTo(0, 0);
    appendArcFromPoint(straight, QPointF(5, 0), QPointF(10, 0), 3);
    EXPECT_EQ(endPoint(straight), QPointF(5, 0));

    QPainterPath noRadius;
    noRadius.moveTo(0, 0);
    appendArcFromPoint(noRadius, QPointF(5, 0), QPointF(5, 5), 0);
    EXPECT_EQ(endPoint(noRadius), QPointF(5, 0));

    QPainterPath empty;
    appendArcFromPoint(empty, QPointF(3, 3), QPointF(5, 5), 2);
    EXPECT_EQ(endPoint(empty), QPointF(3, 3));
}

TEST(BezierPathHelpers, ArcWithCenterRunsCounterClockwiseInItsOwnNumbers)
{
    // the numbers: from angle 0 to 90, counter-clockwise, ends at centre + (0, r)
    QPainterPath path;
    appendArcWithCenter(path, QPointF(50, 50), 20, 0, 90);
    EXPECT_EQ(path.elementAt(0).x, 70);
    EXPECT_NEAR(endPoint(path).x(), 50, 1e-9);
    EXPECT_NEAR(endPoint(path).y(), 70, 1e-9);
    // the midpoint lies at 45 degrees
    const QPointF middle = path.pointAtPercent(0.5);
    EXPECT_NEAR(middle.x(), 50 + 20 * std::cos(M_PI / 4), 0.05);
    EXPECT_NEAR(middle.y(), 50 + 20 * std::sin(M_PI / 4), 0.05);

    // clockwise from 0 to 90 goes the long way round, through 270 (y = 30)
    QPainterPath clockwise;
    appendArcWithCenter(clockwise, QPointF(50, 50), 20, 0, 90, ArcDirection::Clockwise);
    EXPECT_NEAR(clockwise.pointAtPercent(1.0 / 3.0).y(), 30, 0.1);
    EXPECT_EQ(clockwise.elementCount(), 1 + 3 * 3) << "three quarter-turn segments";
}

TEST(BezierPathHelpers, ArcOnScreenDependsOnTheSpace)
{
    // 0 → 90 counter-clockwise about the centre of a 100 × 100 image, filled as a pie
    QPainterPath pie;
    pie.moveTo(50, 50);
    appendArcWithCenter(pie, QPointF(50, 50), 40, 0, 90);
    pie.closeSubpath();
    // y-down space: the quarter lies right and below the centre
    QImage down(100, 100, QImage::Format_ARGB32_Premultiplied);
    down.fill(Qt::white);
    {
        QPainter p(&down);
        p.fillPath(pie, Qt::black);
    }
    EXPECT_EQ(down.pixel(65, 65), qRgb(0, 0, 0));
    EXPECT_EQ(down.pixel(65, 35), qRgb(255, 255, 255));
    // y-up space (drawn through the y-up transform): right and above on screen
    QImage up(100, 100, QImage::Format_ARGB32_Premultiplied);
    up.fill(Qt::white);
    {
        QPainter p(&up);
        p.translate(0, 100);
        p.scale(1, -1);
        p.fillPath(pie, Qt::black);
    }
    EXPECT_EQ(up.pixel(65, 35), qRgb(0, 0, 0));
    EXPECT_EQ(up.pixel(65, 65), qRgb(255, 255, 255));
}

TEST(BezierPathHelpers, FullCirclesAndEqualAngles)
{
    // lengths compared with Qt's own circle (QPainterPath::length() approximates)
    QPainterPath reference;
    reference.addEllipse(QPointF(0, 0), 10, 10);
    QPainterPath circle;
    appendArcWithCenter(circle, QPointF(0, 0), 10, 30, 390);
    EXPECT_NEAR(circle.length(), reference.length(), 0.05);
    EXPECT_NEAR(QLineF(QPointF(0, 0), circle.pointAtPercent(0.5)).length(), 10, 0.01);
    QPainterPath minusTurn;
    appendArcWithCenter(minusTurn, QPointF(0, 0), 10, 0, -360);
    EXPECT_NEAR(minusTurn.length(), reference.length(), 0.05);
    QPainterPath point;
    appendArcWithCenter(point, QPointF(0, 0), 10, 45, 45);
    EXPECT_EQ(point.elementCount(), 1);
    QPainterPath invalid;
    appendArcWithCenter(invalid, QPointF(0, 0), 10, qQNaN(), 45);
    EXPECT_TRUE(invalid.isEmpty());
}

TEST(BezierPathHelpers, ArcContinuesAPathWithALine)
{
    QPainterPath path;
    path.moveTo(0, 0);
    appendArcWithCenter(path, QPointF(50, 0), 10, 180, 0, ArcDirection::Clockwise);
    EXPECT_TRUE(path.elementAt(1).isLineTo());
    EXPECT_EQ(QPointF(path.elementAt(1).x, path.elementAt(1).y), QPointF(40, 0));
    // clockwise from 180 to 0 passes 90: the first quarter ends at (50, 10)
    ASSERT_EQ(path.elementCount(), 8);
    EXPECT_NEAR(path.elementAt(4).x, 50, 1e-9);
    EXPECT_NEAR(path.elementAt(4).y, 10, 1e-9);
}

TEST(BezierPathHelpers, RoundedRectStartsAtTheMaximumYEdgeAndStaysInside)
{
    QPainterPath path;
    appendRoundedRect(path, QRectF(10, 20, 100, 40), 8);
    EXPECT_EQ(QPointF(path.elementAt(0).x, path.elementAt(0).y), QPointF(60, 60));
    EXPECT_EQ(path.boundingRect(), QRectF(10, 20, 100, 40));
    EXPECT_FALSE(path.contains(QPointF(10.5, 20.5))) << "corners are cut";
    EXPECT_TRUE(path.contains(QPointF(60, 40)));
    // an over-large radius is kept to half the shorter side: a stadium, no loops
    QPainterPath stadium;
    appendRoundedRect(stadium, QRectF(0, 0, 100, 20), 500);
    EXPECT_EQ(stadium.boundingRect(), QRectF(0, 0, 100, 20));
    EXPECT_TRUE(stadium.contains(QPointF(50, 10)));
    EXPECT_EQ(clampedCornerRadius(QRectF(0, 0, 100, 20), 500), 10);
    EXPECT_EQ(clampedCornerRadius(QRectF(0, 0, 100, 20), -5), 0);
}
