// Colour helpers: the disabled colour, one-device-pixel lines, swatches.
#include "AppKitExtensions/NTXNSColorExtension.h"
#include "platform/drawing/YUpPainter.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

using namespace NTXNSColorExtension;

namespace {

QImage whiteImage(int w, int h, qreal ratio)
{
    QImage image(int(w * ratio), int(h * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

// The device pixels that are black.
QList<QPoint> blackPixels(const QImage &image)
{
    QList<QPoint> points;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0))
                points.append(QPoint(x, y));
            else
                EXPECT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << "no blended pixel at " << x << "," << y;
    return points;
}

QRect boundsOf(const QList<QPoint> &points)
{
    QRect r;
    for (const QPoint &p : points)
        r = r.united(QRect(p, QSize(1, 1)));
    return r;
}

} // namespace

TEST(ColorExtension, DisabledColorUsesTheWholeNumberPartOfAlpha)
{
    EXPECT_NEAR(disabledColor(QColor(10, 20, 30)).alphaF(), 0.5, 1e-4);
    EXPECT_EQ(disabledColor(QColor::fromRgbF(0.1f, 0.2f, 0.3f, 0.8f)).alpha(), 0);
    EXPECT_EQ(disabledColor(QColor(10, 20, 30)).red(), 10);
}

TEST(ColorExtension, TransparencyAndRgb)
{
    EXPECT_TRUE(isTransparent(QColor(0, 0, 0, 0)));
    EXPECT_FALSE(isTransparent(QColor(0, 0, 0, 1)));
    EXPECT_EQ(CGColor(QColor::fromHsv(0, 255, 255)).spec(), QColor::Rgb);
    EXPECT_EQ(CGColor(QColor::fromHsv(0, 255, 255)).red(), 255);
}

TEST(ColorExtension, PixelLineAtRatiosOneAndTwoInAYDownView)
{
    QWidget view;
    for (qreal ratio : {1.0, 2.0}) {
        // y-down: rect (10, 10, 40, 20); a horizontal line 2 pixels below its top,
        // inset 3 pixels at each end
        QImage image = whiteImage(60, 40, ratio);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, true);
            bwDrawPixelThickLineAtPosition(Qt::black, painter, 2, 3, QRectF(10, 10, 40, 20), &view, true, false);
        }
        const int r = int(ratio);
        const QRect expected(10 * r + 3, 10 * r + 2, 40 * r - 6, 1);
        EXPECT_EQ(boundsOf(blackPixels(image)), expected) << "ratio " << ratio;

        // flipped: counted from the other (bottom) edge
        QImage flipped = whiteImage(60, 40, ratio);
        {
            QPainter painter(&flipped);
            bwDrawPixelThickLineAtPosition(Qt::black, painter, 0, 0, QRectF(10, 10, 40, 20), &view, true, true);
        }
        EXPECT_EQ(boundsOf(blackPixels(flipped)), QRect(10 * r, 30 * r - 1, 40 * r, 1)) << "ratio " << ratio;

        // vertical: 1 pixel from the left edge; with flip from the right edge
        QImage vertical = whiteImage(60, 40, ratio);
        {
            QPainter painter(&vertical);
            bwDrawPixelThickLineAtPosition(Qt::black, painter, 1, 2, QRectF(10, 10, 40, 20), &view, false, false);
            bwDrawPixelThickLineAtPosition(Qt::black, painter, 0, 0, QRectF(10, 10, 40, 20), &view, false, true);
        }
        const QList<QPoint> points = blackPixels(vertical);
        EXPECT_EQ(boundsOf(points), QRect(10 * r + 1, 10 * r, 40 * r - 1, 20 * r)) << "ratio " << ratio;
        EXPECT_FALSE(points.contains(QPoint(10 * r + 1, 10 * r + 1))) << "inset at the ends";
        EXPECT_TRUE(points.contains(QPoint(10 * r + 1, 10 * r + 2)));
    }
}

TEST(ColorExtension, PixelLineInAYUpViewCountsFromTheBottom)
{
    // y-up: rect (0, 0, 30, 10) is the bottom strip of a 40-high view
    for (qreal ratio : {1.0, 2.0}) {
        QImage image = whiteImage(30, 40, ratio);
        {
            QPainter painter(&image);
            platform::YUpPainter yUp(painter, 40);
            bwDrawPixelThickLineAtPosition(Qt::black, painter, 0, 0, QRectF(0, 0, 30, 10), nullptr, true, false);
        }
        const int r = int(ratio);
        EXPECT_EQ(boundsOf(blackPixels(image)), QRect(0, 40 * r - 1, 30 * r, 1)) << "ratio " << ratio;
    }
}

namespace {

// A view that draws a line 1 pixel from the top of its bounds, inset 2, in its paint event.
class LinedView : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        bwDrawPixelThickLineAtPosition(Qt::black, painter, 1, 2, QRectF(rect()), this, true, false);
    }
};

} // namespace

TEST(ColorExtension, PixelLineInAChildViewLandsInsideTheChild)
{
    QWidget window;
    window.resize(60, 40);
    window.setStyleSheet(QStringLiteral("background: white"));
    window.setAutoFillBackground(true);
    auto *child = new LinedView;
    child->setParent(&window);
    child->setGeometry(7, 5, 30, 20);
    window.show();
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal r = image.devicePixelRatio();
    QRect black;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0))
                black = black.united(QRect(x, y, 1, 1));
    EXPECT_EQ(black, QRect(int(7 * r) + 2, int(5 * r) + 1, int(30 * r) - 4, 1));
}

TEST(ColorExtension, FractionalRectanglesWidenToWholePixels)
{
    QImage image = whiteImage(20, 20, 1.0);
    {
        QPainter painter(&image);
        bwDrawPixelThickLineAtPosition(Qt::black, painter, 0, 0, QRectF(2.4, 3.6, 10.2, 5), nullptr, true, false);
    }
    EXPECT_EQ(boundsOf(blackPixels(image)), QRect(2, 3, 11, 1));
    // insets larger than the rectangle draw nothing
    QImage none = whiteImage(20, 20, 1.0);
    {
        QPainter painter(&none);
        bwDrawPixelThickLineAtPosition(Qt::black, painter, 0, 30, QRectF(0, 0, 20, 20), nullptr, true, false);
    }
    EXPECT_TRUE(blackPixels(none).isEmpty());
}

TEST(ColorExtension, SwatchOfAColourAndOfTheClearColour)
{
    const QImage red = colorImageWithSize(Qt::red, QSizeF(12, 8));
    ASSERT_EQ(red.size(), QSize(12, 8));
    EXPECT_EQ(red.pixel(5, 4), qRgb(255, 0, 0));
    EXPECT_EQ(red.pixel(0, 0), qRgb(0, 0, 0)) << "black frame";
    EXPECT_EQ(red.pixel(11, 7), qRgb(0, 0, 0));
    EXPECT_EQ(red.pixel(5, 7), qRgb(0, 0, 0));

    const QImage clear = colorImageWithSize(Qt::transparent, QSizeF(20, 20));
    EXPECT_EQ(qAlpha(clear.pixel(3, 10)), 0) << "transparent ground";
    EXPECT_GT(qAlpha(clear.pixel(10, 10)), 100) << "the diagonal cross";
    EXPECT_EQ(qRed(clear.pixel(10, 10)), 0);
    EXPECT_EQ(clear.pixel(0, 10), qRgb(0, 0, 0));
    EXPECT_TRUE(colorImageWithSize(Qt::red, QSizeF(0, 5)).isNull());
}
