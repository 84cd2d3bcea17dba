// Image helpers: tints, darkened copies, bitmap copies and drawing at a point.
#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "platform/drawing/YUpPainter.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace NTXNSImage_Extension;

namespace {

// A 10 × 10 image: a black opaque disc-free square in the middle, transparent around.
QImage icon()
{
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(2, 2, 6, 6, QColor(40, 40, 40));
    p.fillRect(0, 0, 10, 2, QColor(0, 0, 0, 128)); // half-transparent band at the top
    return image;
}

} // namespace

TEST(ImageExtension, TintColoursOnlyThePaintedPixels)
{
    const QImage tinted = bwTintedImageWithColor(icon(), Qt::red);
    EXPECT_EQ(tinted.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(tinted.pixel(9, 9)), 0) << "transparent stays transparent";
    EXPECT_EQ(qAlpha(tinted.pixel(5, 0)), 128) << "alpha is kept";
    EXPECT_EQ(qRed(tinted.pixelColor(5, 0).rgb()), 255);
    EXPECT_TRUE(bwTintedImageWithColor(QImage(), Qt::red).isNull());
}

TEST(ImageExtension, DarkenedWithWhiteTakesOneOffEveryChannel)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0, 1, 200));
    image.setPixel(1, 0, qRgb(255, 128, 2));
    const QImage white = darkenedImageWithColor(image, Qt::white);
    EXPECT_FALSE(white.hasAlphaChannel()) << "three samples for an opaque source";
    EXPECT_EQ(white.pixel(0, 0), qRgb(0, 0, 199));
    EXPECT_EQ(white.pixel(1, 0), qRgb(254, 127, 1));
    const QImage black = darkenedImageWithColor(image, Qt::black);
    EXPECT_EQ(black.pixel(1, 0), qRgb(0, 0, 0));
    // a component of 0.5 darkens by 128
    const QImage half = darkenedImageWithColor(image, QColor::fromRgbF(0.5f, 1.0f, 1.0f));
    EXPECT_EQ(qRed(half.pixel(1, 0)), 255 - 128);
}

TEST(ImageExtension, DarkenedKeepsAlpha)
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(100, 100, 100, 77));
    const QImage black = darkenedImageWithColor(image, Qt::black);
    EXPECT_TRUE(black.hasAlphaChannel());
    EXPECT_EQ(black.pixel(0, 0), qRgba(0, 0, 0, 77));
    EXPECT_TRUE(darkenedImageWithColor(QImage(), Qt::black).isNull());
}

TEST(ImageExtension, ImageRefCopyIsPremultipliedArgbOfTheWholePointSize)
{
    QImage source(7, 5, QImage::Format_RGB888);
    source.fill(QColor(10, 20, 30));
    const QImage copy = imageRefCopy(source);
    EXPECT_EQ(copy.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(copy.size(), QSize(7, 5));
    EXPECT_EQ(copy.pixel(6, 4), qRgb(10, 20, 30));
    // a high-resolution image gives one pixel per point
    QImage retina(20, 10, QImage::Format_ARGB32_Premultiplied);
    retina.fill(Qt::green);
    retina.setDevicePixelRatio(2.0);
    EXPECT_EQ(imageRefCopy(retina).size(), QSize(10, 5));
    EXPECT_EQ(imageRefCopy(retina).devicePixelRatio(), 1.0);
    // zero sizes give no image
    EXPECT_TRUE(imageRefCopy(QImage()).isNull());
    QImage thin(1, 5, QImage::Format_ARGB32);
    thin.setDevicePixelRatio(2.0); // half a point wide
    EXPECT_TRUE(imageRefCopy(thin).isNull());
}

TEST(ImageExtension, NormalizeSizeMakesOnePointPerPixel)
{
    QImage image(20, 10, QImage::Format_ARGB32);
    image.setDevicePixelRatio(2.0);
    EXPECT_EQ(normalizeSize(image).deviceIndependentSize(), QSizeF(20, 10));
}

TEST(ImageExtension, DrawAtPointWithOperationAndFraction)
{
    QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QImage square(4, 4, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::black);
    {
        QPainter painter(&canvas);
        drawAtPoint(square, painter, QPointF(2, 2), QPainter::CompositionMode_SourceOver);
        drawAtPoint(square, painter, QPointF(10, 2), QPainter::CompositionMode_SourceOver, 0.5);
        drawAtPoint(QImage(), painter, QPointF(0, 0), QPainter::CompositionMode_SourceOver);
        EXPECT_EQ(painter.opacity(), 1.0) << "the painter is restored";
    }
    EXPECT_EQ(canvas.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_NEAR(qRed(canvas.pixel(11, 3)), 128, 2);

    // y-up: the point is the image's bottom-left corner
    QImage up(20, 20, QImage::Format_ARGB32_Premultiplied);
    up.fill(Qt::white);
    {
        QPainter painter(&up);
        platform::YUpPainter yUp(painter, 20);
        drawAtPoint(square, painter, QPointF(0, 0), QPainter::CompositionMode_Source);
    }
    EXPECT_EQ(up.pixel(1, 18), qRgb(0, 0, 0));
    EXPECT_EQ(up.pixel(1, 15), qRgb(255, 255, 255));
}
