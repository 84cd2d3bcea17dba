// The y-up painter transform and the upright text and image helpers. Each test says
// which space its numbers are in.
#include "platform/drawing/YUpPainter.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

using platform::YUpPainter;

namespace {

QImage blank(int w = 100, int h = 60)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// The bounding box of the pixels that are not white.
QRect inkBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

// An image whose top half is red and bottom half blue.
QImage redOverBlue()
{
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    QPainter p(&image);
    p.fillRect(0, 0, 10, 5, Qt::red);
    return image;
}

} // namespace

TEST(YUpPainter, RectanglesMeasureFromTheBottom)
{
    // y-up: (10, 0, 20, 10) sits on the bottom edge of a 60-high view
    QImage image = blank();
    {
        QPainter painter(&image);
        YUpPainter yUp(painter, 60);
        painter.fillRect(QRectF(10, 0, 20, 10), Qt::black);
        EXPECT_TRUE(YUpPainter::isYUp(painter));
    }
    EXPECT_EQ(inkBox(image), QRect(10, 50, 20, 10));
}

TEST(YUpPainter, DestructorRestoresThePainter)
{
    QImage image = blank();
    QPainter painter(&image);
    {
        YUpPainter yUp(painter, 60);
    }
    EXPECT_TRUE(painter.transform().isIdentity());
    EXPECT_FALSE(YUpPainter::isYUp(painter));
}

TEST(YUpPainter, ImagesStayUpright)
{
    // y-up: the image's rectangle (20, 5, 10, 10) is at view rows 45..54
    QImage image = blank();
    {
        QPainter painter(&image);
        YUpPainter yUp(painter, 60);
        YUpPainter::drawImageUpright(painter, QRectF(20, 5, 10, 10), redOverBlue());
    }
    EXPECT_EQ(inkBox(image), QRect(20, 45, 10, 10));
    EXPECT_EQ(image.pixel(25, 46), qRgb(255, 0, 0)) << "red stays on top";
    EXPECT_EQ(image.pixel(25, 53), qRgb(0, 0, 255));

    // y-up, natural size at a point: the point is the bottom-left corner
    QImage atPoint = blank();
    {
        QPainter painter(&atPoint);
        YUpPainter yUp(painter, 60);
        YUpPainter::drawImageUpright(painter, QPointF(0, 0), redOverBlue());
    }
    EXPECT_EQ(inkBox(atPoint), QRect(0, 50, 10, 10));
    EXPECT_EQ(atPoint.pixel(5, 51), qRgb(255, 0, 0));

    // y-down: the same call draws at the top-left corner, upright
    QImage down = blank();
    {
        QPainter painter(&down);
        YUpPainter::drawImageUpright(painter, QPointF(0, 0), redOverBlue());
    }
    EXPECT_EQ(inkBox(down), QRect(0, 0, 10, 10));
    EXPECT_EQ(down.pixel(5, 1), qRgb(255, 0, 0));
}

TEST(YUpPainter, TextLooksTheSameAsInAYDownView)
{
    QFont font;
    font.setPixelSize(14);
    QImage reference = blank(120, 40);
    {
        QPainter painter(&reference);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, 120, 40), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Upright"));
    }
    QImage flipped = blank(120, 40);
    {
        QPainter painter(&flipped);
        painter.setFont(font);
        YUpPainter yUp(painter, 40);
        // y-up: the same rectangle is (0, 0, 120, 40)
        YUpPainter::drawTextUpright(painter, QRectF(0, 0, 120, 40), Qt::AlignLeft | Qt::AlignTop,
                                    QStringLiteral("Upright"));
    }
    ASSERT_FALSE(inkBox(reference).isEmpty());
    EXPECT_EQ(inkBox(flipped), inkBox(reference));
    EXPECT_EQ(flipped, reference);

    // a baseline point in y-up space: text sits above y = 10, i.e. above view row 30
    QImage baseline = blank(120, 40);
    {
        QPainter painter(&baseline);
        painter.setFont(font);
        YUpPainter yUp(painter, 40);
        YUpPainter::drawTextUpright(painter, QPointF(2, 10), QStringLiteral("Ab"));
    }
    const QRect box = inkBox(baseline);
    EXPECT_LE(box.bottom(), 30);
    EXPECT_GE(box.top(), 10);
}

TEST(YUpPainter, EventPositionsConvertOnceAtTheEdge)
{
    QWidget view;
    view.resize(200, 80);
    // view (Qt) point (5, 70) is y-up (5, 10)
    EXPECT_EQ(YUpPainter::pointFromView(QPointF(5, 70), &view), QPointF(5, 10));
    EXPECT_EQ(YUpPainter::pointToView(QPointF(5, 10), 80), QPointF(5, 70));
    EXPECT_EQ(YUpPainter::pointFromView(QPointF(5, 70), nullptr), QPointF(5, -70));
    // y-up rect (0, 0, 10, 20) is the view rect at the bottom
    EXPECT_EQ(YUpPainter::rectToView(QRectF(0, 0, 10, 20), 80), QRectF(0, 60, 10, 20));
    EXPECT_EQ(YUpPainter::rectFromView(QRectF(0, 60, 10, 20), 80), QRectF(0, 0, 10, 20));
}
