// The button and movie overlay layers on the test clock.
#include "tests/support/TestSupport.h"
#include "components/flowview/KZButtonLayer.h"
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/layers/Transaction.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <gtest/gtest.h>

namespace {

class VideoOverlay : public layertest::FrozenClockTest
{
protected:
    // A movie layer with its overlay, shown in a committed tree.
    void SetUp() override
    {
        FrozenClockTest::SetUp();
        root = layertest::layerWithFrame(QRectF(0, 0, 200, 200));
        movieLayer = view.createMovieLayerWithMovie(movie, 0);
        movieLayer->setFrame(QRectF(0, 0, 200, 200));
        root->addSublayer(movieLayer);
        overlay = std::dynamic_pointer_cast<KZVideoOverlayLayer>(movieLayer->sublayers().first());
        deliver();
        platform::Transaction::flush();
    }

    KZFlowView view;
    std::shared_ptr<flowtest::FakeMovie> movie = std::make_shared<flowtest::FakeMovie>();
    platform::LayerPtr root;
    std::shared_ptr<platform::MovieLayer> movieLayer;
    std::shared_ptr<KZVideoOverlayLayer> overlay;
};

qreal shownScale(const KZVideoOverlayLayer &overlay)
{
    return overlay.presentationLayer()->valueForKey(QStringLiteral("indicatorScale")).toDouble();
}

TEST_F(VideoOverlay, PauseShrinksTheRingOverAHundredAndFiftyMilliseconds)
{
    ASSERT_TRUE(overlay);
    EXPECT_TRUE(overlay->isHidden());
    overlay->setHidden(false);
    overlay->buttonLayer()->performClick();
    EXPECT_EQ(movie->rate(), 1.0);
    EXPECT_EQ(overlay->buttonLayer()->state(), 1);
    EXPECT_EQ(overlay->indicatorScale(), 1.0);
    advance(200);
    EXPECT_DOUBLE_EQ(shownScale(*overlay), 1.0);

    overlay->buttonLayer()->setHighlighted(true);
    overlay->buttonLayer()->performClick();
    EXPECT_FALSE(overlay->buttonLayer()->isHighlighted());
    EXPECT_EQ(movie->stops, 1);
    EXPECT_EQ(overlay->buttonLayer()->state(), 0);
    EXPECT_EQ(overlay->movieUpdateTimer(), nullptr);
    EXPECT_DOUBLE_EQ(shownScale(*overlay), 1.0);
    advance(75);
    EXPECT_NEAR(shownScale(*overlay), 0.5, 0.05);
    advance(80);
    EXPECT_DOUBLE_EQ(shownScale(*overlay), 0.0);
    EXPECT_TRUE(overlay->animationKeys().isEmpty());
}

TEST_F(VideoOverlay, HidingStopsTheTimerAndShowingStartsIt)
{
    overlay->setHidden(false);
    overlay->expand();
    ASSERT_NE(overlay->movieUpdateTimer(), nullptr);
    EXPECT_EQ(overlay->movieUpdateTimer()->interval(), 100);
    overlay->setHidden(true);
    EXPECT_EQ(overlay->movieUpdateTimer(), nullptr);
    overlay->setHidden(false);
    ASSERT_NE(overlay->movieUpdateTimer(), nullptr);
    EXPECT_TRUE(overlay->movieUpdateTimer()->isActive());
}

TEST_F(VideoOverlay, ProgressFollowsTheMovieAndAnUnknownLengthChangesNothing)
{
    overlay->setHidden(false);
    overlay->expand();
    advance(2500);
    overlay->updateMovieOverlay(); // what a tick does
    EXPECT_NEAR(overlay->indicatorValue(), 0.25, 1e-9);

    // The movie layer shows each new picture of its movie.
    const QImage still = layertest::solidImage(QSize(8, 6), Qt::red);
    movie->showFrame(still);
    EXPECT_EQ(movieLayer->contents().cacheKey(), still.cacheKey());

    // A movie still loading: no length yet, no division by it.
    auto loading = std::make_shared<flowtest::FakeMovie>(0);
    movieLayer->setMovie(loading);
    movie->showFrame(layertest::solidImage(QSize(8, 6), Qt::blue)); // no longer shown here
    EXPECT_EQ(movieLayer->contents().cacheKey(), loading->frame.cacheKey());
    loading->autoplay();
    overlay->updateMovieOverlay();
    EXPECT_NEAR(overlay->indicatorValue(), 0.25, 1e-9);
    EXPECT_EQ(overlay->buttonLayer()->state(), 1);
    EXPECT_FALSE(platform::Movie::seconds({5, 0}));
    EXPECT_FALSE(platform::Movie::seconds({5, 600, true}));

    // The movie ended by itself: the next tick collapses the overlay.
    loading->stop();
    overlay->updateMovieOverlay();
    EXPECT_EQ(overlay->buttonLayer()->state(), 0);
}

TEST_F(VideoOverlay, AQuarterPaintsTheRingFromTheTopToTheRight)
{
    auto lone = KZVideoOverlayLayer::create();
    lone->setBounds(QRectF(0, 0, 60, 60));
    lone->setIndicatorScale(1);
    lone->setIndicatorValue(0.25);
    lone->display(1);
    const QImage image = lone->backingImage();
    image.save(testsupport::screenshotPath(QStringLiteral("flowview-overlay-quarter.png")));
    // The ring's middle runs 24 from the centre (30, 30); y up.
    auto at = [&](qreal degrees) {
        const qreal a = degrees * M_PI / 180;
        return layertest::pixelAt(image, 30 + 24 * std::cos(a), 30 + 24 * std::sin(a));
    };
    for (qreal degrees : {80.0, 45.0, 10.0})
        EXPECT_GT(qGray(at(degrees).rgb()), 150) << degrees;
    for (qreal degrees : {135.0, 225.0, 315.0})
        EXPECT_LT(qGray(at(degrees).rgb()), 60) << degrees;
    EXPECT_GT(at(135).alpha(), 150); // the dark disc
}

TEST_F(VideoOverlay, AHighlightedButtonShowsItsPictureAtThreeQuarters)
{
    auto button = KZButtonLayer::create();
    button->setBounds(QRectF(0, 0, 40, 40));
    button->setImage(layertest::solidImage(QSize(40, 40), QColor(200, 120, 40)));
    button->setAlternateImage(layertest::solidImage(QSize(40, 40), QColor(40, 200, 120)));
    button->display(1);
    EXPECT_EQ(button->backingImage().pixelColor(20, 20), QColor(200, 120, 40));
    button->setHighlighted(true);
    EXPECT_TRUE(button->needsDisplay());
    button->display(1);
    const QColor dark = button->backingImage().pixelColor(20, 20);
    EXPECT_NEAR(dark.red(), 150, 1);
    EXPECT_NEAR(dark.green(), 90, 1);
    EXPECT_NEAR(dark.blue(), 30, 1);
    button->setState(1);
    button->setHighlighted(false);
    button->display(1);
    EXPECT_EQ(button->backingImage().pixelColor(20, 20), QColor(40, 200, 120));
    EXPECT_EQ(KZVideoOverlayLayer::playImage().cacheKey(), KZVideoOverlayLayer::playImage().cacheKey());
}

TEST_F(VideoOverlay, TheSelectedLookIsOneFilterBuiltOnceThatDarkensByHalf)
{
    const auto &filters = KZButtonLayer::selectedFilters();
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(&filters, &KZButtonLayer::selectedFilters());
    EXPECT_EQ(filters.front().brightness(), -0.5);
    EXPECT_EQ(filters.front().contrast(), platform::ColorControlsFilter::DefaultContrast);
    EXPECT_EQ(filters.front().saturation(), platform::ColorControlsFilter::DefaultSaturation);
    const QImage dark = filters.front().apply(layertest::solidImage(QSize(4, 4), QColor(255, 255, 255)));
    EXPECT_NEAR(dark.pixelColor(2, 2).red(), 128, 1);
}

} // namespace
