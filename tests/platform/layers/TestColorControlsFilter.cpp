// The colour-controls filter of layer pictures, from its documented rules.
#include "tests/support/TestSupport.h"
#include "platform/layers/ColorControlsFilter.h"

#include <QImage>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

QImage twoPixels(QColor first, QColor second)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixelColor(0, 0, first);
    image.setPixelColor(1, 0, second);
    return image;
}

QColor straight(const QImage &image, int x)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixelColor(x, 0);
}

TEST(ColorControlsFilter, DefaultsLeaveAPictureAsItIs)
{
    const QImage picture = twoPixels(QColor(200, 120, 40), QColor(10, 250, 90, 128));
    const QImage out = platform::ColorControlsFilter().apply(picture);
    EXPECT_EQ(straight(out, 0), QColor(200, 120, 40));
    // A translucent pixel may move by a step through premultiplication, no more.
    const QColor translucent = straight(out, 1);
    EXPECT_EQ(translucent.alpha(), 128);
    EXPECT_NEAR(translucent.red(), 10, 1);
    EXPECT_NEAR(translucent.green(), 250, 1);
    EXPECT_NEAR(translucent.blue(), 90, 1);
    EXPECT_TRUE(platform::ColorControlsFilter().apply(QImage()).isNull());
}

TEST(ColorControlsFilter, BrightnessMinusAHalfTakesHalfOfFullFromEveryChannel)
{
    platform::ColorControlsFilter darker;
    darker.setBrightness(-0.5);
    // White becomes middle grey; each channel loses 127.5 of 255 and stops at black;
    // alpha is kept.
    const QImage out = darker.apply(twoPixels(Qt::white, QColor(204, 153, 51, 255)));
    const QColor grey = straight(out, 0);
    EXPECT_NEAR(grey.red(), 128, 1);
    EXPECT_NEAR(grey.green(), 128, 1);
    EXPECT_NEAR(grey.blue(), 128, 1);
    const QColor warm = straight(out, 1);
    EXPECT_NEAR(warm.red(), 77, 1);
    EXPECT_NEAR(warm.green(), 26, 1);
    EXPECT_EQ(warm.blue(), 0);
    EXPECT_EQ(warm.alpha(), 255);

    QImage halfWhite(1, 1, QImage::Format_ARGB32);
    halfWhite.setPixelColor(0, 0, QColor(255, 255, 255, 100));
    const QColor translucent = straight(darker.apply(halfWhite), 0);
    EXPECT_EQ(translucent.alpha(), 100);
    EXPECT_NEAR(translucent.red(), 128, 2);
}

TEST(ColorControlsFilter, SaturationAndContrastFollowTheirRules)
{
    platform::ColorControlsFilter grey;
    grey.setSaturation(0);
    // Pure green is 0.7154 of white in luma.
    const QColor g = straight(grey.apply(twoPixels(QColor(0, 255, 0), Qt::black)), 0);
    EXPECT_NEAR(g.red(), 182, 1);
    EXPECT_EQ(g.red(), g.green());
    EXPECT_EQ(g.green(), g.blue());

    platform::ColorControlsFilter flat;
    flat.setContrast(0);
    EXPECT_NEAR(straight(flat.apply(twoPixels(Qt::black, Qt::white)), 0).red(), 128, 1);
    EXPECT_NEAR(straight(flat.apply(twoPixels(Qt::black, Qt::white)), 1).red(), 128, 1);
}

TEST(ColorControlsFilter, ANonFiniteInputIsRefusedAndChangesNothing)
{
    platform::ColorControlsFilter filter;
    filter.setBrightness(-0.25);
    filter.setBrightness(std::numeric_limits<double>::quiet_NaN());
    filter.setContrast(std::numeric_limits<double>::infinity());
    filter.setSaturation(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(filter.brightness(), -0.25);
    EXPECT_EQ(filter.contrast(), platform::ColorControlsFilter::DefaultContrast);
    EXPECT_EQ(filter.saturation(), platform::ColorControlsFilter::DefaultSaturation);
}

} // namespace
