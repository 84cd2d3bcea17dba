#include "platform/foundation/GeometryText.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(GeometryTextWrite, NumbersLikePercentG)
{
    EXPECT_EQ(GeometryText::stringFromRect(QRectF(12, 30, 600, 400)),
              QStringLiteral("{{12, 30}, {600, 400}}"));
    EXPECT_EQ(GeometryText::stringFromRect(QRectF(12.5, -3.25, 0, 1e7)),
              QStringLiteral("{{12.5, -3.25}, {0, 1e+07}}"));
    // A 32-bit float value widened to double still prints short.
    EXPECT_EQ(GeometryText::stringFromPoint(QPointF(double(0.1f), 2)), QStringLiteral("{0.1, 2}"));
    EXPECT_EQ(GeometryText::stringFromSize(QSizeF(600, 400.75)), QStringLiteral("{600, 400.75}"));
}

TEST(GeometryTextRead, RoundTripAndLenientForms)
{
    const QRectF r(12, 30, 600, 400.5);
    EXPECT_EQ(GeometryText::rectFromString(GeometryText::stringFromRect(r)), r);
    EXPECT_EQ(GeometryText::rectFromString(u"{{-1.5e2, +3}, {.5, 7.}}"), QRectF(-150, 3, 0.5, 7));
    EXPECT_EQ(GeometryText::rectFromString(u"x=1 y=2 w=3 h=4 extra 5"), QRectF(1, 2, 3, 4));
    EXPECT_EQ(GeometryText::rectFromString(u"{{1, 2}"), QRectF(1, 2, 0, 0));
    EXPECT_EQ(GeometryText::rectFromString(u""), QRectF());
    EXPECT_EQ(GeometryText::rectFromString(u"-- + . e {}"), QRectF());
    EXPECT_EQ(GeometryText::rectFromString(u"1e 2"), QRectF(1, 2, 0, 0));
    EXPECT_EQ(GeometryText::pointFromString(u"{3, -4}"), QPointF(3, -4));
    EXPECT_EQ(GeometryText::sizeFromString(u"{3,4}"), QSizeF(3, 4));
}

TEST(GeometryTextRead, OverflowingNumbersReadAsZero)
{
    EXPECT_EQ(GeometryText::rectFromString(u"{{1e999, 2}, {3, -1e400}}"), QRectF(0, 2, 3, 0));
    const QString longDigits = QString(100000, QLatin1Char('9'));
    const QString text = QStringLiteral("{{1, ") + longDigits + QStringLiteral("}, {2, 3}}");
    const QRectF r = GeometryText::rectFromString(text);
    EXPECT_EQ(r, QRectF(1, 0, 2, 3));
    // A long run of digits that fits a double is read in full.
    EXPECT_DOUBLE_EQ(GeometryText::pointFromString(QString(100, QLatin1Char('1'))).x(), 1.1111111111111111e99);
}
