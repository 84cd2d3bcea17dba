#include "platform/foundation/Clock.h"
#include "platform/layers/BasicAnimation.h"
#include "platform/layers/Layer.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/ReplicatorLayer.h"
#include "platform/layers/TextLayer.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"
#include "platform/layers/Transition.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

using layertest::pixelAt;
using layertest::renderTree;
using layertest::solidImage;
using platform::Layer;
using platform::LayerPtr;
using platform::Transform3D;

namespace {

class LayerRendering : public layertest::FrozenClockTest
{
};

LayerPtr rootOfSize(const QSize &size)
{
    return layertest::layerWithFrame(QRectF(QPointF(0, 0), QSizeF(size)));
}

bool near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

int countOf(const QImage &image, const QColor &color, int tolerance = 3)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += near(image.pixelColor(x, y), color, tolerance) ? 1 : 0;
    return count;
}

TEST_F(LayerRendering, ContentsStandUprightWithTheirGravity)
{
    const LayerPtr root = rootOfSize(QSize(100, 100));
    QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    for (int x = 0; x < 20; ++x)
        image.setPixelColor(x, 0, Qt::red); // the image's top row
    const LayerPtr layer = layertest::layerWithFrame(QRectF(10, 10, 80, 80));
    layer->setContents(image);
    layer->setContentsGravity(Layer::ContentsGravity::Center);
    root->addSublayer(layer);
    const QImage shot = renderTree(*root, QSize(100, 100));
    // Centred at its own size: (40, 40)–(60, 60) in y-up, red along its top.
    EXPECT_TRUE(near(pixelAt(shot, 50, 59.5), Qt::red));
    EXPECT_TRUE(near(pixelAt(shot, 50, 41), Qt::blue));
    EXPECT_TRUE(near(pixelAt(shot, 50, 65), Qt::white));

    EXPECT_EQ(platform::LayerRenderer::contentsRect(QRectF(0, 0, 100, 50), QSizeF(20, 20),
                                                    Layer::ContentsGravity::ResizeAspect),
              QRectF(25, 0, 50, 50));
    EXPECT_EQ(platform::LayerRenderer::contentsRect(QRectF(0, 0, 100, 50), QSizeF(20, 10),
                                                    Layer::ContentsGravity::TopLeft),
              QRectF(0, 40, 20, 10));
}

TEST_F(LayerRendering, ReflectionBelowItsItemDarkenedToSixTenths)
{
    // An item as a two-instance replicator: the second instance is the mirror image
    // directly below, each colour × (1 - 0.4).
    const LayerPtr root = rootOfSize(QSize(200, 300));
    const auto item = platform::ReplicatorLayer::create();
    item->setFrame(QRectF(50, 150, 100, 100));
    item->setInstanceCount(2);
    item->setInstanceTransform(Transform3D::translation(0, -100) * Transform3D::scale(1, -1, 1));
    item->setInstanceRedOffset(-0.4);
    item->setInstanceGreenOffset(-0.4);
    item->setInstanceBlueOffset(-0.4);
    item->setPreservesDepth(true);
    const LayerPtr content = Layer::create();
    content->setAnchorPoint(QPointF(0.5, 0));
    content->setFrame(QRectF(0, 0, 100, 60));
    content->setContents(solidImage(QSize(10, 10), QColor(200, 100, 250)));
    item->addSublayer(content);
    root->addSublayer(item);
    const QImage shot = renderTree(*root, QSize(200, 300));
    EXPECT_TRUE(near(pixelAt(shot, 100, 180), QColor(200, 100, 250)));
    EXPECT_TRUE(near(pixelAt(shot, 100, 120), QColor(120, 60, 150)));
    EXPECT_TRUE(near(pixelAt(shot, 100, 95), QColor(120, 60, 150)));
    EXPECT_TRUE(near(pixelAt(shot, 100, 85), Qt::white)); // 60 high: the mirror ends 60 below
    EXPECT_TRUE(near(pixelAt(shot, 100, 225), Qt::white));
}

TEST_F(LayerRendering, DepthPreservingInstancesPaintBackToFront)
{
    const LayerPtr root = rootOfSize(QSize(200, 100));
    const auto replicator = platform::ReplicatorLayer::create();
    replicator->setFrame(QRectF(0, 0, 200, 100));
    replicator->setInstanceCount(2);
    replicator->setInstanceTransform(Transform3D::translation(30, 0, -50)); // next one further back
    replicator->setInstanceRedOffset(-1);                                 // and black
    const LayerPtr square = layertest::layerWithFrame(QRectF(40, 20, 60, 60));
    square->setBackgroundColor(Qt::red);
    replicator->addSublayer(square);
    root->addSublayer(replicator);
    EXPECT_TRUE(near(pixelAt(renderTree(*root, QSize(200, 100)), 85, 50), Qt::black));
    replicator->setPreservesDepth(true);
    EXPECT_TRUE(near(pixelAt(renderTree(*root, QSize(200, 100)), 85, 50), Qt::red));
}

TEST_F(LayerRendering, ShadowFallsBelowByItsOffset)
{
    const LayerPtr root = rootOfSize(QSize(200, 200));
    const LayerPtr card = layertest::layerWithFrame(QRectF(50, 80, 100, 80));
    card->setContents(solidImage(QSize(4, 4), QColor(0, 160, 0)));
    card->setShadowOpacity(1);
    card->setShadowRadius(0);
    card->setShadowOffset(QSizeF(0, -22.5));
    root->addSublayer(card);
    QImage shot = renderTree(*root, QSize(200, 200));
    EXPECT_TRUE(near(pixelAt(shot, 100, 70), Qt::black));  // under the card's bottom edge
    EXPECT_TRUE(near(pixelAt(shot, 100, 56), Qt::white));  // 22.5 below it ends
    EXPECT_TRUE(near(pixelAt(shot, 100, 165), Qt::white)); // nothing above
    EXPECT_TRUE(near(pixelAt(shot, 100, 120), QColor(0, 160, 0)));

    // The flip's soft shadow: radius 14, opacity 0.4, darker below than above.
    card->setShadowRadius(14);
    card->setShadowOpacity(0.4);
    shot = renderTree(*root, QSize(200, 200));
    EXPECT_LT(pixelAt(shot, 100, 70).red(), 200);
    EXPECT_GT(pixelAt(shot, 100, 70).red(), 100);
    EXPECT_GT(pixelAt(shot, 100, 170).red(), pixelAt(shot, 100, 70).red());
}

TEST_F(LayerRendering, TextStandsUpright)
{
    const LayerPtr root = rootOfSize(QSize(120, 120));
    const auto text = platform::TextLayer::create();
    text->setFrame(QRectF(10, 10, 100, 100));
    text->setString(QStringLiteral("T"));
    text->setFontSize(80);
    text->setForegroundColor(Qt::black);
    text->setAlignmentMode(platform::TextLayer::Alignment::Center);
    root->addSublayer(text);
    const QImage shot = renderTree(*root, QSize(120, 120));
    // The ink of a "T": its bar is its widest row, and the bar is on top.
    int top = -1, bottom = -1, widestRow = -1, widest = 0;
    for (int y = 0; y < shot.height(); ++y) {
        int ink = 0;
        for (int x = 0; x < shot.width(); ++x)
            ink += shot.pixelColor(x, y).red() < 128 ? 1 : 0;
        if (ink > 0) {
            if (top < 0)
                top = y;
            bottom = y;
        }
        if (ink > widest) {
            widest = ink;
            widestRow = y;
        }
    }
    ASSERT_GE(top, 0);
    EXPECT_LT(widestRow - top, (bottom - top) / 4);
    EXPECT_LT(top, 50); // drawn from the top of the layer (image rows grow downward)
}

TEST_F(LayerRendering, FlipDestinationHidesUntilPastAQuarterTurn)
{
    const LayerPtr root = rootOfSize(QSize(200, 200));
    const LayerPtr card = layertest::layerWithFrame(QRectF(50, 50, 100, 100));
    card->setContents(solidImage(QSize(8, 8), Qt::red));
    card->setDoubleSided(false);
    card->setTransform(Transform3D::perspective(850));
    root->addSublayer(card);
    auto turn = platform::BasicAnimation::withKeyPath(QStringLiteral("transform.rotation.y"));
    turn->setFromValue(M_PI);
    turn->setToValue(2 * M_PI);
    turn->setDuration(1);
    turn->setTimingFunction(platform::MediaTimingFunction());
    turn->setRemovedOnCompletion(false);
    card->addAnimation(turn, QStringLiteral("transform"));
    int now = 0;
    for (int ms : {0, 200, 450}) { // up to 0.45 of the way: its back faces the eye
        SCOPED_TRACE(ms);
        advance(ms - now);
        now = ms;
        EXPECT_EQ(countOf(renderTree(*root, QSize(200, 200)), Qt::red), 0);
    }
    advance(550 - now); // past a quarter turn: beyond 3π/2 its face shows
    EXPECT_GT(countOf(renderTree(*root, QSize(200, 200)), Qt::red), 0);
    advance(1000);
    EXPECT_EQ(countOf(renderTree(*root, QSize(200, 200)), Qt::red), 100 * 100);
}

TEST_F(LayerRendering, CornersBehindTheEyeAreNeverMirrored)
{
    const LayerPtr root = rootOfSize(QSize(200, 200));
    root->setSublayerTransform(Transform3D::perspective(60));
    const LayerPtr wall = layertest::layerWithFrame(QRectF(0, 50, 200, 100));
    wall->setBackgroundColor(Qt::blue);
    wall->setTransform(Transform3D::rotation(M_PI / 3, 0, 1, 0)); // its near edge passes the eye
    root->addSublayer(wall);
    const QImage shot = renderTree(*root, QSize(200, 200));
    // Skipped whole rather than drawn through a negative w.
    EXPECT_EQ(countOf(shot, Qt::blue), 0);
    EXPECT_EQ(countOf(shot, Qt::white), 200 * 200);
}

TEST_F(LayerRendering, TransitionsComeIn)
{
    const LayerPtr root = rootOfSize(QSize(100, 100));
    platform::Transaction::flush();
    const LayerPtr layer = layertest::layerWithFrame(QRectF(0, 0, 100, 100));
    layer->setBackgroundColor(Qt::black);
    layer->setActions({{QStringLiteral("onOrderIn"),
                        platform::Transition::make(platform::Transition::Type::Reveal, 0.5)}});
    platform::Transaction::flush();
    root->addSublayer(layer);
    ASSERT_TRUE(layer->animationForKey(QStringLiteral("transition")));
    advance(250); // half revealed from the left
    QImage shot = renderTree(*root, QSize(100, 100));
    EXPECT_TRUE(near(pixelAt(shot, 20, 50), Qt::black));
    EXPECT_TRUE(near(pixelAt(shot, 80, 50), Qt::white));
    advance(300);
    EXPECT_TRUE(near(pixelAt(renderTree(*root, QSize(100, 100)), 80, 50), Qt::black));

    layer->addAnimation(platform::Transition::make(platform::Transition::Type::Fade, 1), QStringLiteral("transition"));
    advance(500);
    EXPECT_TRUE(near(pixelAt(renderTree(*root, QSize(100, 100)), 50, 50), QColor(128, 128, 128), 4));
}

TEST_F(LayerRendering, SiblingsPaintAndHitInZOrder)
{
    const LayerPtr root = rootOfSize(QSize(100, 100));
    const LayerPtr front = layertest::layerWithFrame(QRectF(10, 10, 60, 60));
    front->setBackgroundColor(Qt::red);
    front->setZPosition(1);
    const LayerPtr back = layertest::layerWithFrame(QRectF(30, 30, 60, 60));
    back->setBackgroundColor(Qt::blue);
    const LayerPtr alsoBack = layertest::layerWithFrame(QRectF(40, 40, 10, 10));
    alsoBack->setBackgroundColor(Qt::green); // same depth as `back`, added later: above it
    root->addSublayer(front);
    root->addSublayer(back);
    root->addSublayer(alsoBack);
    const QImage shot = renderTree(*root, QSize(100, 100));
    EXPECT_EQ(pixelAt(shot, 60, 60), QColor(Qt::red));
    EXPECT_EQ(pixelAt(shot, 80, 80), QColor(Qt::blue));
    EXPECT_EQ(root->hitTest(QPointF(60, 60)), front);
    EXPECT_EQ(root->hitTest(QPointF(80, 80)), back);
    front->setZPosition(-1);
    EXPECT_EQ(pixelAt(renderTree(*root, QSize(100, 100)), 60, 60), QColor(Qt::blue));
    EXPECT_EQ(pixelAt(renderTree(*root, QSize(100, 100)), 45, 45), QColor(Qt::green));
    EXPECT_EQ(root->hitTest(QPointF(45, 45)), alsoBack);
}

} // namespace

// Presentation depths follow the running clock. Layers whose depths keep crossing
// while they are put in paint order still come back each exactly once: the order
// reads each depth once (a sort that asked again could get answers that disagree
// and read outside its list).
TEST(LayerPaintOrder, LayersWhoseDepthsCrossWhileSortedComeBackEachOnce)
{
    platform::Clock::useSystemClock();
    const LayerPtr parent = Layer::create();
    std::mt19937 random(9041);
    std::uniform_real_distribution<double> depth(-1.0, 1.0);
    constexpr size_t Count = 300;
    for (size_t i = 0; i < Count; ++i) {
        const LayerPtr sublayer = Layer::create();
        auto swing = platform::BasicAnimation::withKeyPath(QStringLiteral("zPosition"));
        swing->setFromValue(depth(random));
        swing->setToValue(depth(random));
        swing->setDuration(0.0005);
        swing->setAutoreverses(true);
        swing->setRepeatCount(1e9);
        sublayer->addAnimation(swing, QStringLiteral("swing"));
        parent->addSublayer(sublayer);
    }
    platform::Transaction::flush();
    for (int round = 0; round < 100; ++round) {
        const std::vector<Layer *> order = platform::LayerRenderer::paintOrder(*parent, Layer::Tree::Presentation);
        ASSERT_EQ(order.size(), Count);
        const std::set<Layer *> seen(order.begin(), order.end());
        ASSERT_EQ(seen.size(), Count);
        for (const LayerPtr &sublayer : parent->sublayers())
            ASSERT_EQ(seen.count(sublayer.get()), 1u);
    }
}
