// Gradients: repeated stops keep hard steps, components are clamped, angles and radii.
#include "platform/drawing/Gradient.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using platform::Gradient;

namespace {

QImage draw(const Gradient &gradient, qreal angle, int w = 100, int h = 20)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    gradient.drawInRect(painter, QRectF(0, 0, w, h), angle);
    return image;
}

} // namespace

TEST(Gradient, RepeatedStopsMakeAHardStep)
{
    // y-down image, angle 0 runs left to right
    const Gradient twoTone({{0.0, Qt::red}, {0.5, Qt::red}, {0.5, Qt::blue}, {1.0, Qt::blue}});
    const QGradientStops stops = twoTone.qtStops();
    ASSERT_EQ(stops.size(), 4) << "no stop is lost";
    EXPECT_GT(stops.at(2).first, stops.at(1).first);
    EXPECT_LT(stops.at(2).first - 0.5, 1e-12);

    const QImage image = draw(twoTone, 0);
    EXPECT_EQ(image.pixel(48, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(52, 10), qRgb(0, 0, 255));

    // QLinearGradient alone loses the step: only the last stop at 0.5 survives
    QLinearGradient plain(0, 0, 100, 0);
    for (const Gradient::Stop &stop : twoTone.stops())
        plain.setColorAt(stop.first, stop.second);
    EXPECT_EQ(plain.stops().size(), 3);
}

TEST(Gradient, StopsAtOneAreNudgedBackward)
{
    const Gradient end({{0.0, Qt::white}, {1.0, Qt::red}, {1.0, Qt::green}});
    const QGradientStops stops = end.qtStops();
    ASSERT_EQ(stops.size(), 3);
    EXPECT_EQ(stops.at(2).first, 1.0);
    EXPECT_LT(stops.at(1).first, 1.0);
    EXPECT_GT(stops.at(1).first, stops.at(0).first);
    EXPECT_EQ(stops.at(2).second, QColor(Qt::green));
}

TEST(Gradient, ComponentsAndLocationsAreClamped)
{
    const QColor over = Gradient::clampedWhite(0.7, 5.0);
    EXPECT_TRUE(over.isValid());
    EXPECT_EQ(over.alphaF(), 1.0f);
    EXPECT_EQ(Gradient::clampedColor(-1, 2, 0.5).redF(), 0.0f);
    EXPECT_EQ(Gradient::clampedColor(-1, 2, 0.5).greenF(), 1.0f);
    const Gradient outOfRange({{-3.0, Qt::black}, {7.0, Qt::white}});
    EXPECT_EQ(outOfRange.stops().first().first, 0.0);
    EXPECT_EQ(outOfRange.stops().last().first, 1.0);
}

TEST(Gradient, AngleChoosesTheDirectionInTheSpacesOwnNumbers)
{
    const Gradient blackToWhite(Qt::black, Qt::white);
    // angle 90 in a y-down image runs from the top row (black) to the bottom (white)
    const QImage vertical = draw(blackToWhite, 90, 20, 100);
    EXPECT_LT(qRed(vertical.pixel(10, 1)), 10);
    EXPECT_GT(qRed(vertical.pixel(10, 98)), 245);
    // angle 180 runs right to left
    const QImage reversed = draw(blackToWhite, 180);
    EXPECT_GT(qRed(reversed.pixel(1, 10)), 245);
    EXPECT_LT(qRed(reversed.pixel(98, 10)), 10);
    // 45 degrees covers the rectangle: the corners are the ends
    const QLinearGradient diagonal = blackToWhite.linearGradient(QRectF(0, 0, 100, 100), 45);
    EXPECT_NEAR(diagonal.start().x(), 0, 1e-9);
    EXPECT_NEAR(diagonal.finalStop().y(), 100, 1e-9);
}

TEST(Gradient, InterpolatedColorMatchesTheStops)
{
    const Gradient g({{0.0, QColor(0, 0, 0)}, {0.5, QColor(200, 0, 0)}, {0.5, QColor(0, 0, 200)}, {1.0, QColor(0, 0, 0)}});
    EXPECT_EQ(g.interpolatedColorAtLocation(0.25).red(), 100);
    EXPECT_EQ(g.interpolatedColorAtLocation(0.5), QColor(0, 0, 200)) << "the last stop of a location wins";
    EXPECT_EQ(g.interpolatedColorAtLocation(-4), QColor(0, 0, 0));
    EXPECT_FALSE(Gradient().interpolatedColorAtLocation(0.5).alpha());
}

TEST(Gradient, RadialFromARelativeCentre)
{
    const Gradient whiteToBlack(Qt::white, Qt::black);
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        whiteToBlack.drawInRectRelativeCenterPosition(painter, QRectF(0, 0, 100, 100), QPointF(0, 0));
    }
    EXPECT_GT(qRed(image.pixel(50, 50)), 245) << "white in the middle";
    EXPECT_LT(qRed(image.pixel(0, 0)), 10) << "black in the corners";
    const QRadialGradient moved = whiteToBlack.radialGradient(QRectF(0, 0, 100, 100), QPointF(1, -1));
    EXPECT_EQ(moved.center(), QPointF(100, 0));
    EXPECT_NEAR(moved.radius(), std::hypot(100.0, 100.0), 1e-9);
}

TEST(Gradient, EmptyGradientsDrawNothing)
{
    const QImage image = draw(Gradient(), 0);
    EXPECT_EQ(image.pixel(50, 10), qRgba(0, 0, 0, 0));
    EXPECT_EQ(Gradient::withColors({Qt::red, Qt::green, Qt::blue}).stops().at(1).first, 0.5);
}
