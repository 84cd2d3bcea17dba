// Path helpers: rounded rectangles, marks, crosses, angles and pixel-aligned help paths.
#include "AppKitExtensions/NTXNSBezierPathExtension.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace NTXNSBezierPathExtension;

namespace {

QList<QPointF> pointsOf(const QPainterPath &path)
{
    QList<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i)
        points.append(QPointF(path.elementAt(i).x, path.elementAt(i).y));
    return points;
}

QImage whiteImage(int w, int h, qreal ratio = 1.0)
{
    QImage image(int(w * ratio), int(h * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

QList<int> blackRows(const QImage &image, int column)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(column, y) == qRgb(0, 0, 0))
            rows.append(y);
    return rows;
}

} // namespace

TEST(BezierPathExtension, LineAndCrosses)
{
    EXPECT_EQ(pointsOf(bezierPathWithLineFrom(QPointF(1, 2), QPointF(3, 4))),
              (QList<QPointF>{{1, 2}, {3, 4}}));
    EXPECT_EQ(pointsOf(bezierPathWithCrossInRect(QRectF(0, 0, 10, 20))),
              (QList<QPointF>{{5, 0}, {5, 20}, {0, 10}, {10, 10}}));
    EXPECT_EQ(pointsOf(bezierPathWith45CrossInRect(QRectF(0, 0, 10, 20))),
              (QList<QPointF>{{0, 0}, {10, 20}, {0, 20}, {10, 0}}));
}

TEST(BezierPathExtension, BleedMarksRunFromTheirCorner)
{
    const QRectF r(0, 0, 10, 20);
    EXPECT_EQ(pointsOf(bezierPathWithBleedMarkInRect(r, 4)), (QList<QPointF>{{0, 0}, {0, 20}, {0, 0}, {10, 0}}));
    EXPECT_EQ(pointsOf(bezierPathWithBleedMarkInRect(r, 5)), (QList<QPointF>{{10, 0}, {0, 0}, {10, 0}, {10, 20}}));
    EXPECT_EQ(pointsOf(bezierPathWithBleedMarkInRect(r, 6)), (QList<QPointF>{{10, 20}, {10, 0}, {10, 20}, {0, 20}}));
    EXPECT_EQ(pointsOf(bezierPathWithBleedMarkInRect(r, 7)), (QList<QPointF>{{0, 20}, {0, 0}, {0, 20}, {10, 20}}));
    EXPECT_TRUE(bezierPathWithBleedMarkInRect(r, 3).isEmpty());
    EXPECT_TRUE(bezierPathWithBleedMarkInRect(r, 8).isEmpty());
}

TEST(BezierPathExtension, CropMarkHasOvalsCrossAndTicks)
{
    const QPainterPath mark = bezierPathWithCropMarkInRect(QRectF(0, 0, 120, 120));
    EXPECT_EQ(mark.boundingRect(), QRectF(0, 0, 120, 120));
    // ticks end at the outer oval's rectangle (inset 30)
    const QList<QPointF> points = pointsOf(mark);
    EXPECT_TRUE(points.contains(QPointF(60, 0)));
    EXPECT_TRUE(points.contains(QPointF(60, 30)));
    EXPECT_TRUE(points.contains(QPointF(120, 60)));
    EXPECT_TRUE(points.contains(QPointF(90, 60)));
    // the inner cross spans the inner rectangle (inset 40)
    EXPECT_TRUE(points.contains(QPointF(40, 60)));
    EXPECT_TRUE(points.contains(QPointF(80, 60)));
}

TEST(BezierPathExtension, RoundedRectanglesAndHalves)
{
    const QRectF r(0, 0, 100, 40);
    const QPainterPath all = bezierPathWithRoundedRectangle(r, 10);
    const QPointF start(all.elementAt(0).x, all.elementAt(0).y);
    EXPECT_EQ(start, QPointF(50, 40));
    EXPECT_FALSE(all.contains(QPointF(1, 1)));
    EXPECT_FALSE(all.contains(QPointF(99, 39)));

    QPainterPath left;
    appendBezierPathWithLeftRoundedRectangle(left, r, 10);
    EXPECT_FALSE(left.contains(QPointF(1, 1)));
    EXPECT_FALSE(left.contains(QPointF(1, 39)));
    EXPECT_TRUE(left.contains(QPointF(99, 1))) << "the right corners stay square";
    EXPECT_TRUE(left.contains(QPointF(99, 39)));

    QPainterPath right;
    appendBezierPathWithRightRoundedRectangle(right, r, 10);
    EXPECT_EQ(QPointF(right.elementAt(0).x, right.elementAt(0).y), QPointF(50, 0));
    EXPECT_TRUE(right.contains(QPointF(1, 1)));
    EXPECT_FALSE(right.contains(QPointF(99, 1)));
    EXPECT_FALSE(right.contains(QPointF(99, 39)));

    // appending keeps what the path had
    QPainterPath two = all;
    appendBezierPathWithRoundedRectangle(two, QRectF(200, 0, 20, 20), 4);
    EXPECT_EQ(two.boundingRect(), QRectF(0, 0, 220, 40));
}

TEST(BezierPathExtension, StartAndEndAngles)
{
    const QPainterPath up = bezierPathWithLineFrom(QPointF(0, 0), QPointF(0, 10));
    EXPECT_DOUBLE_EQ(startAngle(up), 90);
    EXPECT_DOUBLE_EQ(endAngle(up), -90);
    QPainterPath curve;
    curve.moveTo(0, 0);
    curve.cubicTo(QPointF(-10, 0), QPointF(10, 10), QPointF(20, 10));
    EXPECT_DOUBLE_EQ(startAngle(curve), 180) << "the tangent at the start: the first control point";
    EXPECT_DOUBLE_EQ(endAngle(curve), 180);
    EXPECT_EQ(startAngle(QPainterPath()), 0);
    EXPECT_EQ(firstPoint(QPainterPath()), QPointF());
    EXPECT_EQ(firstPoint(up), QPointF(0, 0));
}

TEST(BezierPathExtension, HelpPathLandsOnPixelCentres)
{
    const QPainterPath device = helpPathInDeviceSpace(bezierPathWithLineFrom(QPointF(1.2, 3.7), QPointF(8.5, 3.7)),
                                                      QTransform());
    EXPECT_EQ(pointsOf(device), (QList<QPointF>{{1.5, 4.5}, {9.5, 4.5}}));
}

TEST(BezierPathExtension, StrokeAsHelpPathIsOneSharpDevicePixel)
{
    for (qreal ratio : {1.0, 2.0}) {
        QImage image = whiteImage(20, 20, ratio);
        {
            QPainter painter(&image);
            painter.setPen(Qt::black);
            painter.setRenderHint(QPainter::Antialiasing, true);
            // a line between pixel rows in user space: y = 10
            strokeAsHelpPath(bezierPathWithLineFrom(QPointF(2, 10), QPointF(18, 10)), painter);
        }
        const int column = int(10 * ratio);
        EXPECT_EQ(blackRows(image, column), QList<int>{int(10 * ratio)}) << "ratio " << ratio;
        // nothing grey: anti-aliasing is off
        for (int y = 0; y < image.height(); ++y) {
            const QRgb p = image.pixel(column, y);
            EXPECT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255));
        }
        // fill: the rectangle's corners land on pixel centres
        QImage filled = whiteImage(20, 20, ratio);
        {
            QPainter painter(&filled);
            painter.setBrush(Qt::black);
            QPainterPath square;
            square.addRect(QRectF(4.2, 4.2, 6, 6));
            fillAsHelpPath(square, painter);
        }
        EXPECT_EQ(filled.pixel(int(7 * ratio), int(7 * ratio)), qRgb(0, 0, 0));
    }
}
