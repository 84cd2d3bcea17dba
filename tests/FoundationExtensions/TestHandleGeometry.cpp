#include "FoundationExtensions/NTXHandleGeometry.h"
#include "FoundationExtensions/NTXStringHash.h"

#include <gtest/gtest.h>

#include <cmath>

// Rectangles here are plain numbers (x, y, w, h); "min y" is the smaller y.

TEST(HandleGeometry, HandlePointsAndHits)
{
    const QRectF r(10, 20, 30, 40);
    EXPECT_EQ(NTXHandlePoint(r, 0), QPointF(25, 20));
    EXPECT_EQ(NTXHandlePoint(r, 3), QPointF(40, 40));
    EXPECT_EQ(NTXHandlePoint(r, 6), QPointF(40, 60));
    EXPECT_EQ(NTXHandlePoint(r, 8), QPointF(25, 40));
    EXPECT_EQ(NTXHandlePoint(r, 42), QPointF(10, 20));
    EXPECT_EQ(NTXHandlePoint(r, -1), QPointF(10, 20));
    EXPECT_EQ(NTXHandleAtPoint(r, QPointF(25, 40)), 8);
    EXPECT_EQ(NTXHandleAtPoint(r, QPointF(40, 60)), 6);
    EXPECT_EQ(NTXHandleAtPoint(r, QPointF(25.01, 40)), -1);
    EXPECT_TRUE(NTXIsCornerHandle(4));
    EXPECT_TRUE(NTXIsCornerHandle(7));
    EXPECT_FALSE(NTXIsCornerHandle(8));
    EXPECT_FALSE(NTXIsCornerHandle(3));
    EXPECT_EQ(NTXOppositeHandle(0), 2);
    EXPECT_EQ(NTXOppositeHandle(5), 7);
    EXPECT_EQ(NTXOppositeHandle(8), 8);
    EXPECT_EQ(NTXOppositeHandle(9), -1);
    EXPECT_EQ(NTXOppositeHandlePoint(r, 4), QPointF(40, 60));
}

TEST(HandleGeometry, ResizingMirrorsTheHandle)
{
    QRectF r(0, 0, 10, 10);
    EXPECT_EQ(NTXResizeRectByHandle(r, 3, QPointF(-5, 2)), 1);
    EXPECT_EQ(r, QRectF(-5, 0, 5, 10));

    r = QRectF(0, 0, 10, 10);
    EXPECT_EQ(NTXResizeRectByHandle(r, 6, QPointF(-2, -3)), 4);
    EXPECT_EQ(r, QRectF(-2, -3, 2, 3));

    r = QRectF(0, 0, 10, 10);
    EXPECT_EQ(NTXResizeRectByHandle(r, 0, QPointF(4, 15)), 2);
    EXPECT_EQ(r, QRectF(0, 10, 10, 5));

    r = QRectF(0, 0, 10, 10);
    EXPECT_EQ(NTXResizeRectByHandle(r, 4, QPointF(2, 3)), 4);
    EXPECT_EQ(r, QRectF(2, 3, 8, 7));

    r = QRectF(0, 0, 10, 10);
    EXPECT_EQ(NTXResizeRectByHandle(r, 8, QPointF(0, 0)), 8);
    EXPECT_EQ(r, QRectF(-5, -5, 10, 10));

    r = QRectF(0, 0, 10, 10);
    EXPECT_EQ(NTXResizeRectByHandle(r, 9, QPointF(50, 50)), 9);
    EXPECT_EQ(NTXResizeRectByHandle(r, -3, QPointF(50, 50)), -3);
    EXPECT_EQ(r, QRectF(0, 0, 10, 10));
}

TEST(HandleGeometry, RectangleHelpers)
{
    EXPECT_EQ(NTXRectFromPoints(QPointF(5, 1), QPointF(2, 7)), QRectF(2, 1, 3, 6));
    EXPECT_EQ(NTXRectAtPoint(QPointF(3, 4)), QRectF(3, 4, 0, 0));
    EXPECT_EQ(NTXRectAroundOrigin(4, 6), QRectF(-2, -3, 4, 6));
    EXPECT_EQ(NTXCenterRectOnPoint(QRectF(0, 0, 4, 6), QPointF(10, 10)), QRectF(8, 7, 4, 6));
    EXPECT_EQ(NTXRectCenteredAtPoint(QRectF(0, 0, 4, 6), QPointF(10, 10)), QRectF(8, 7, 4, 6));
    EXPECT_EQ(NTXRectIncludingPoint(QRectF(0, 0, 4, 4), QPointF(-2, 9)), QRectF(-2, 0, 6, 9));
    EXPECT_EQ(NTXRectIncludingPoint(QRectF(0, 0, 4, 4), QPointF(2, 2)), QRectF(0, 0, 4, 4));
    EXPECT_EQ(NTXScaleRect(QRectF(1, 2, 3, 4), 2, 0.5), QRectF(2, 1, 6, 2));
    EXPECT_EQ(NTXBoundingRect(QRectF(0, 0, 2, 2), QRectF(5, 5, 0, 0)), QRectF(0, 0, 5, 5));
    EXPECT_EQ(NTXBoundingRect(QRectF(0, 0, -2, 2), QRectF(1, 1, 1, 1)), QRectF(-2, 0, 4, 2));
    // Arithmetic in 32-bit floats: 0.1 is rounded to the float nearest to it.
    EXPECT_EQ(NTXRectAtPoint(QPointF(0.1, 0)).x(), double(0.1f)) << NTXRectAtPoint(QPointF(0.1, 0)).x() - 0.1;
}

TEST(HandleGeometry, HitTests)
{
    const QList<QVariant> rects{QVariant(), QVariant(QRectF(0, 0, 10, 10)), QVariant(QStringLiteral("x"))};
    EXPECT_TRUE(NTXPointInAnyRect(QPointF(0, 0), rects));
    EXPECT_FALSE(NTXPointInAnyRect(QPointF(10, 5), rects)); // max edge is outside
    EXPECT_FALSE(NTXPointInAnyRect(QPointF(5, 5), {}));
    EXPECT_FALSE(NTXPointInAnyRect(QPointF(0, 0), {QVariant()}));

    EXPECT_TRUE(NTXRectHits(QRectF(0, 0, 10, 10), QRectF(9, 9, 5, 5), false));
    EXPECT_FALSE(NTXRectHits(QRectF(0, 0, 10, 10), QRectF(10, 0, 5, 5), false)); // touching
    EXPECT_FALSE(NTXRectHits(QRectF(0, 0, 10, 10), QRectF(9, 9, 5, 5), true));
    EXPECT_TRUE(NTXRectHits(QRectF(0, 0, 10, 10), QRectF(4, 4, 2, 2), true));
    EXPECT_FALSE(NTXRectHits(QRectF(0, 0, 0, 10), QRectF(-5, -5, 20, 20), false));
}

TEST(HandleGeometry, Circumcenter)
{
    const QPointF c = NTXCircumcenter(QPointF(0, 0), QPointF(4, 0), QPointF(0, 2));
    EXPECT_DOUBLE_EQ(c.x(), 2);
    EXPECT_DOUBLE_EQ(c.y(), 1);
    const QPointF collinear = NTXCircumcenter(QPointF(0, 0), QPointF(1, 1), QPointF(2, 2));
    EXPECT_TRUE(std::isnan(collinear.x()));
    EXPECT_TRUE(std::isnan(collinear.y()));
}

TEST(StringHash, KnownValues)
{
    EXPECT_EQ(NTXStringHash(nullptr, 0), 0u);
    EXPECT_EQ(NTXStringHash(QByteArray()), 0u);
    EXPECT_EQ(NTXStringHash(QByteArray("A")), 0x41u);
    EXPECT_EQ(NTXStringHash(QByteArray("AB")), 0x452u);
    // Bytes above 0x7F count unsigned.
    EXPECT_EQ(NTXStringHash(QByteArray("\xff")), 0xFFu);
    // Values computed independently.
    EXPECT_EQ(NTXStringHash(QByteArray("ABCDEFGH")), 0x56789ee8u);
    EXPECT_EQ(NTXStringHash(QByteArray("Chronark time tracker")), 0x554b7792u);
    EXPECT_EQ(NTXStringHash(QByteArray("\xff\xff\xff\xff\xff\xff\xff\xff")), 0x10efu);
}
