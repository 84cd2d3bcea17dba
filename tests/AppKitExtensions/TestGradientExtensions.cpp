// The framework's shared gradients and their type codes.
#include "AppKitExtensions/NTXNSGradientExtensions.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace NTXNSGradientExtensions;

TEST(GradientExtensions, TypeCodes)
{
    EXPECT_EQ(gradientByType(0), grayBarGradient());
    EXPECT_EQ(gradientByType(1), blueBarGradient());
    EXPECT_EQ(gradientByType(2), glassBarGradient());
    EXPECT_EQ(gradientByType(3), controlWindowBarGradient());
    EXPECT_EQ(gradientByType(100), lightGrayBarGradient());
    EXPECT_EQ(gradientByType(200), highlightedButtonGradient());
    EXPECT_EQ(gradientByType(201), selectedButtonGradient());
    EXPECT_EQ(gradientByType(4), nullptr);
    EXPECT_EQ(inactiveGradientByType(4), nullptr);
    EXPECT_EQ(inactiveGradientByType(0), lightGrayBarGradient());
    EXPECT_NE(gradientByType(0), inactiveGradientByType(0));
    EXPECT_EQ(inactiveGradientByType(2), glassBarGradient());
    EXPECT_NE(highlightedButtonGradient(), selectedButtonGradient()) << "separate shared objects";
}

TEST(GradientExtensions, StopsAsDescribed)
{
    const auto gray = grayBarGradient()->stops();
    ASSERT_EQ(gray.size(), 2);
    EXPECT_NEAR(gray.at(0).second.redF(), 0.678, 1e-3);
    EXPECT_NEAR(gray.at(1).second.redF(), 0.821, 1e-3);
    EXPECT_EQ(controlWindowBarGradient()->numberOfColorStops(), 5);
    const auto button = highlightedButtonGradient()->stops();
    ASSERT_EQ(button.size(), 3);
    EXPECT_EQ(button.at(1).second.alphaF(), 1.0f) << "alpha 5 counts as 1";
    EXPECT_EQ(button.at(0).second.alpha(), 0);
}

TEST(GradientExtensions, GlassBarKeepsItsHardStep)
{
    QImage image(10, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        // y-down image, angle 90: location 0 at the top row
        glassBarGradient()->drawInRect(painter, QRectF(0, 0, 10, 100), 90);
    }
    const int above = qRed(image.pixel(5, 48));
    const int below = qRed(image.pixel(5, 51));
    EXPECT_NEAR(above, 225, 1); // white 0.882
    EXPECT_NEAR(below, 241, 1); // white 0.945, no blend across the step
    EXPECT_NEAR(qRed(image.pixel(5, 0)), 225, 1);
}

TEST(GradientExtensions, BlueBarHasTwoHalves)
{
    const platform::Gradient *blue = blueBarGradient();
    EXPECT_EQ(blue->numberOfColorStops(), 4);
    EXPECT_EQ(blue->qtStops().size(), 4);
    EXPECT_NEAR(blue->interpolatedColorAtLocation(0.25).blueF(), (0.976 + 0.929) / 2, 2e-3);
}
