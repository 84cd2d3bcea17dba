// Shadows: drawn offscreen, blurred, and placed at the offset (negative y is down).
#include "platform/drawing/Shadow.h"
#include "platform/drawing/YUpPainter.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

using platform::Shadow;

namespace {

// The centre of mass of the non-transparent pixels.
QPointF inkCentre(const QImage &image)
{
    double sx = 0, sy = 0, total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double a = qAlpha(image.pixel(x, y));
            sx += a * x;
            sy += a * y;
            total += a;
        }
    return total > 0 ? QPointF(sx / total, sy / total) : QPointF(-1, -1);
}

QImage shadowOnly(const Shadow &shadow, bool yUp, qreal ratio = 1.0)
{
    QImage image(int(100 * ratio), int(100 * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (yUp)
        platform::YUpPainter::apply(painter, 100);
    const QRectF square(40, 40, 20, 20); // symmetric: the same in both spaces
    shadow.drawShadow(painter, square, [square](QPainter &p) { p.fillRect(square, Qt::black); });
    return image;
}

} // namespace

TEST(Shadow, NegativeYOffsetIsDownInBothSpaces)
{
    const Shadow shadow(QSizeF(0, -10), 0, Qt::black);
    // device (y-down) centre of the square is (49.5, 49.5); down by 10 pixels
    for (bool yUp : {false, true}) {
        const QPointF centre = inkCentre(shadowOnly(shadow, yUp));
        EXPECT_NEAR(centre.x(), 49.5, 0.01) << (yUp ? "y-up" : "y-down");
        EXPECT_NEAR(centre.y(), 59.5, 0.01) << (yUp ? "y-up" : "y-down");
    }
    const Shadow right(QSizeF(6, 0), 0, Qt::black);
    EXPECT_NEAR(inkCentre(shadowOnly(right, true)).x(), 55.5, 0.01);
}

TEST(Shadow, OffsetFollowsTheDevicePixelRatio)
{
    const Shadow shadow(QSizeF(0, -10), 0, Qt::black);
    // 200 × 200 device pixels: the square's centre at 99.5, moved 20 device pixels down
    const QPointF centre = inkCentre(shadowOnly(shadow, false, 2.0));
    EXPECT_NEAR(centre.y(), 119.5, 0.01);
}

namespace {

// A view that draws a black square with a red shadow 6 below it.
class ShadowedView : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const Shadow shadow(QSizeF(0, -6), 0, Qt::red);
        const QRectF square(4, 4, 10, 10);
        shadow.drawWithShadow(painter, square, [square](QPainter &p) { p.fillRect(square, Qt::black); });
    }
};

} // namespace

TEST(Shadow, InAChildViewTheShadowStaysWithTheView)
{
    QWidget window;
    window.resize(60, 60);
    window.setStyleSheet(QStringLiteral("background: white"));
    auto *child = new ShadowedView;
    child->setParent(&window);
    child->setGeometry(20, 10, 30, 30);
    window.show();
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect red;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 0))
                red = red.united(QRect(x, y, 1, 1));
    // the square covers window (24, 14)-(33, 23); the shadow shows below it
    EXPECT_EQ(red, QRect(24, 24, 10, 6));
}

TEST(Shadow, BlurSpreadsButKeepsTheCentre)
{
    const Shadow sharp(QSizeF(0, -5), 0, Qt::black);
    const Shadow soft(QSizeF(0, -5), 8, Qt::black);
    const QImage a = shadowOnly(sharp, true);
    const QImage b = shadowOnly(soft, true);
    // outside the square the sharp shadow is empty, the soft one is not
    EXPECT_EQ(qAlpha(a.pixel(50, 70)), 0);
    EXPECT_GT(qAlpha(b.pixel(50, 70)), 0);
    EXPECT_LT(qAlpha(b.pixel(50, 70)), 255);
    EXPECT_NEAR(inkCentre(b).y(), inkCentre(a).y(), 0.6);
    EXPECT_NEAR(inkCentre(b).x(), inkCentre(a).x(), 0.6);
}

TEST(Shadow, ColourAndShapeAreDrawnOnTop)
{
    Shadow shadow(QSizeF(10, -10), 0, QColor(255, 0, 0));
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        const QRectF square(20, 20, 20, 20);
        shadow.drawWithShadow(painter, square, [square](QPainter &p) { p.fillRect(square, Qt::black); });
    }
    EXPECT_EQ(image.pixel(30, 30), qRgb(0, 0, 0)) << "the shape covers its shadow";
    EXPECT_EQ(image.pixel(45, 45), qRgb(255, 0, 0)) << "the shadow shows right of and below it";
    EXPECT_EQ(image.pixel(15, 15), qRgb(255, 255, 255));
}

TEST(Shadow, NothingToDrawIsHarmless)
{
    Shadow shadow(QSizeF(0, -3), -4, QColor(0, 0, 0, 0));
    EXPECT_EQ(shadow.shadowBlurRadius(), 0);
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    shadow.drawShadow(painter, QRectF(0, 0, 5, 5), [](QPainter &p) { p.fillRect(0, 0, 5, 5, Qt::black); });
    shadow.setShadowColor(Qt::black);
    shadow.drawShadow(painter, QRectF(0, 0, 1e9, 1e9), [](QPainter &) {});
    shadow.drawShadow(painter, QRectF(0, 0, 5, 5), nullptr);
    painter.end();
    EXPECT_EQ(image.pixel(2, 2), qRgba(0, 0, 0, 0));
}
