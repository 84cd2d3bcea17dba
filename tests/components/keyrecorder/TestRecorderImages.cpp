// The recorder's symbols drawn in code: shared icons, the shades of the remove
// button, scaling and device pixel ratios, the snapback arrow with its shadow.
#include "tests/support/TestSupport.h"
#include "components/keyrecorder/KRSharedImageProvider.h"

#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

int alphaAt(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

// The longest run of white, mostly opaque pixels on a row.
int whiteRun(const QImage &image, int y)
{
    int best = 0, run = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        const bool white = qAlpha(p) > 200 && qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
        run = white ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

TEST(RecorderImages, SharedByNameAndNullForUnknownNames)
{
    const QIcon first = KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRSnapback"));
    const QIcon second = KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRSnapback"));
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(first.cacheKey(), second.cacheKey());
    EXPECT_NE(first.cacheKey(),
              KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRRemoveShortcut")).cacheKey());
    EXPECT_TRUE(KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRNothing")).isNull());
    EXPECT_EQ(KRSharedImageProvider::sizeOfImage(QStringLiteral("KRRemoveShortcutPressed")), QSizeF(14, 14));
    EXPECT_TRUE(KRSharedImageProvider::renderedImage(QStringLiteral("KRSnapback"), QSizeF(-3, 1e9)).isNull());
    EXPECT_TRUE(KRSharedImageProvider::renderedImage(QStringLiteral("KRSnapback"), QSizeF(14, 14), 1e7).isNull());
}

TEST(RecorderImages, RemoveButtonShadesDarkenWithRolloverAndPress)
{
    const QImage normal = KRSharedImageProvider::renderedImage(QStringLiteral("KRRemoveShortcut"), QSizeF(14, 14));
    const QImage rollover =
        KRSharedImageProvider::renderedImage(QStringLiteral("KRRemoveShortcutRollover"), QSizeF(14, 14));
    const QImage pressed =
        KRSharedImageProvider::renderedImage(QStringLiteral("KRRemoveShortcutPressed"), QSizeF(14, 14));
    ASSERT_EQ(normal.size(), QSize(14, 14));
    // Inside the disc, away from the cross: black at alpha 0.25, 0.35 and 0.45.
    EXPECT_NEAR(alphaAt(normal, 7, 1), 64, 3);
    EXPECT_NEAR(alphaAt(rollover, 7, 1), 89, 3);
    EXPECT_NEAR(alphaAt(pressed, 7, 1), 115, 3);
    EXPECT_EQ(qRed(pressed.pixel(7, 1)), 0);
    // Outside the disc nothing is drawn; the cross is white.
    EXPECT_EQ(alphaAt(normal, 0, 0), 0);
    const QRgb centre = normal.pixel(7, 7);
    EXPECT_GT(qAlpha(centre), 245);
    EXPECT_GT(qRed(centre), 245);
}

TEST(RecorderImages, ScaledCrossKeepsItsProportions)
{
    const QImage small = KRSharedImageProvider::renderedImage(QStringLiteral("KRRemoveShortcut"), QSizeF(14, 14));
    const QImage large = KRSharedImageProvider::renderedImage(QStringLiteral("KRRemoveShortcut"), QSizeF(28, 28));
    const QImage retina =
        KRSharedImageProvider::renderedImage(QStringLiteral("KRRemoveShortcut"), QSizeF(14, 14), 2.0);
    ASSERT_EQ(large.size(), QSize(28, 28));
    ASSERT_EQ(retina.size(), QSize(28, 28));
    EXPECT_DOUBLE_EQ(retina.devicePixelRatio(), 2.0);
    // The same pixels at ratio 2 as at twice the size.
    EXPECT_EQ(retina.convertToFormat(QImage::Format_ARGB32), large.convertToFormat(QImage::Format_ARGB32));
    // Across the middle row the cross is a short white run; twice as long when scaled.
    const int smallRun = whiteRun(small, 7);
    const int largeRun = whiteRun(large, 14);
    EXPECT_GE(smallRun, 1);
    EXPECT_NEAR(largeRun, 2 * smallRun, 1);

    large.save(testsupport::screenshotPath(QStringLiteral("KRRemoveShortcut@2x.png")));
}

TEST(RecorderImages, SnapbackArrowIsWhiteWithAShadowBelow)
{
    const QImage arrow = KRSharedImageProvider::renderedImage(QStringLiteral("KRSnapback"), QSizeF(14, 14), 4.0);
    ASSERT_EQ(arrow.size(), QSize(56, 56));
    arrow.save(testsupport::screenshotPath(QStringLiteral("KRSnapback@4x.png")));
    // The arrow's head points left: its tip lies near the left edge, a little above
    // the middle; the shaft is white.
    int whiteLeft = 56;
    for (int y = 0; y < 56; ++y)
        for (int x = 0; x < 56; ++x) {
            const QRgb p = arrow.pixel(x, y);
            if (qAlpha(p) > 200 && qRed(p) > 240)
                whiteLeft = std::min(whiteLeft, x);
        }
    EXPECT_LT(whiteLeft, 12);
    // Below the arrow's lowest white pixel in a column lies dark, half-transparent shadow.
    const int x = 32;
    int lowestWhite = -1;
    for (int y = 0; y < 56; ++y) {
        const QRgb p = arrow.pixel(x, y);
        if (qAlpha(p) > 200 && qRed(p) > 240)
            lowestWhite = y;
    }
    ASSERT_GE(lowestWhite, 0);
    ASSERT_LT(lowestWhite + 2, 56);
    const QRgb below = arrow.pixel(x, lowestWhite + 2);
    EXPECT_GT(qAlpha(below), 20);
    EXPECT_LT(qAlpha(below), 200);
    EXPECT_LT(qRed(below), 40);
    // Corners stay transparent.
    EXPECT_EQ(alphaAt(arrow, 55, 0), 0);
    EXPECT_EQ(alphaAt(arrow, 0, 55), 0);
}

TEST(RecorderImages, IconDrawsAtTheRequestedRatio)
{
    const QIcon icon = KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRRemoveShortcutPressed"));
    const QPixmap pixmap = icon.pixmap(QSize(14, 14), 2.0);
    EXPECT_EQ(pixmap.size(), QSize(28, 28));
    EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), 2.0);
    const QImage image = pixmap.toImage();
    EXPECT_NEAR(qAlpha(image.pixel(14, 3)), 115, 3);
}

} // namespace
