#include "platform/layers/ConstraintLayoutManager.h"
#include "platform/layers/Layer.h"
#include "platform/layers/ScrollLayer.h"
#include "platform/layers/TextLayer.h"
#include "platform/layers/Transform3D.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using platform::ConstraintLayoutManager;
using platform::Layer;
using platform::LayerPtr;
using platform::LayoutConstraint;
using platform::Transform3D;
using Attribute = LayoutConstraint::Attribute;

namespace {

void expectPointNear(const QPointF &a, const QPointF &b, qreal tolerance = 1e-3)
{
    EXPECT_NEAR(a.x(), b.x(), tolerance);
    EXPECT_NEAR(a.y(), b.y(), tolerance);
}

void expectRectNear(const QRectF &a, const QRectF &b, qreal tolerance = 1e-3)
{
    EXPECT_NEAR(a.x(), b.x(), tolerance);
    EXPECT_NEAR(a.y(), b.y(), tolerance);
    EXPECT_NEAR(a.width(), b.width(), tolerance);
    EXPECT_NEAR(a.height(), b.height(), tolerance);
}

TEST(LayerGeometry, FrameFollowsPositionAnchorAndTransform)
{
    const LayerPtr layer = layertest::layerWithFrame(QRectF(10, 20, 100, 50));
    EXPECT_EQ(layer->position(), QPointF(60, 45));
    EXPECT_EQ(layer->bounds(), QRectF(0, 0, 100, 50));
    layer->setAnchorPoint(QPointF(0, 0));
    EXPECT_EQ(layer->frame(), QRectF(60, 45, 100, 50));
    layer->setTransform(Transform3D::rotation(M_PI / 2, 0, 0, 1));
    expectRectNear(layer->frame(), QRectF(10, 45, 50, 100)); // turned about its bottom left corner
}

TEST(LayerGeometry, StackedItemTurnsAboutItsLeftEdge)
{
    // A row's scroll layer with the 1/1500 perspective; an item left of the selection
    // has its anchor at its bottom left and turns 70° about y.
    const LayerPtr scroll = layertest::layerWithFrame(QRectF(0, 0, 800, 300));
    scroll->setSublayerTransform(Transform3D::perspective(1500));
    const LayerPtr item = layertest::layerWithFrame(QRectF(100, 50, 200, 200));
    scroll->addSublayer(item);
    const LayerPtr content = Layer::create();
    content->setAnchorPoint(QPointF(0, 0));
    content->setFrame(QRectF(0, 0, 200, 200));
    content->setTransform(Transform3D::rotation(70 * M_PI / 180, 0, 1, 0));
    item->addSublayer(content);

    for (qreal y : {0.0, 100.0, 200.0})
        expectPointNear(content->convertPointToLayer(QPointF(0, y), item.get()), QPointF(0, y), 1e-2);
    const QPointF rightEdge = content->convertPointToLayer(QPointF(200, 100), item.get());
    EXPECT_GT(rightEdge.x(), 0);
    EXPECT_LT(rightEdge.x(), 100); // foreshortened
    // And back again.
    expectPointNear(content->convertPointFromLayer(rightEdge, item.get()), QPointF(200, 100), 1e-2);
}

TEST(LayerGeometry, HitTestsThroughPerspective)
{
    const LayerPtr root = layertest::layerWithFrame(QRectF(0, 0, 400, 400));
    root->setSublayerTransform(Transform3D::perspective(500));
    const LayerPtr near = layertest::layerWithFrame(QRectF(150, 150, 100, 100));
    near->setZPosition(200); // scaled by 500 / 300 about the centre
    near->setName(QStringLiteral("near"));
    root->addSublayer(near);
    const LayerPtr inner = layertest::layerWithFrame(QRectF(0, 0, 10, 10));
    near->addSublayer(inner);

    EXPECT_EQ(root->hitTest(QPointF(200, 200)), near);
    EXPECT_EQ(root->hitTest(QPointF(120, 200)), near); // outside its bounds, inside its enlarged image
    EXPECT_EQ(root->hitTest(QPointF(110, 200)), root);
    EXPECT_EQ(root->hitTest(QPointF(120, 120)), inner);
    EXPECT_EQ(root->hitTest(QPointF(500, 200)), nullptr);

    // Turned edge on: nothing of it is hit; a single-sided back face neither.
    near->setTransform(Transform3D::rotation(M_PI / 2, 0, 1, 0));
    EXPECT_EQ(root->hitTest(QPointF(230, 200)), root);
    near->setTransform(Transform3D::rotation(M_PI, 0, 1, 0));
    EXPECT_EQ(root->hitTest(QPointF(200, 200)), near);
    near->setDoubleSided(false);
    EXPECT_EQ(root->hitTest(QPointF(200, 200)), root);
    // Hidden layers are not hit; masks cut the sublayers off.
    near->setDoubleSided(true);
    near->setHidden(true);
    EXPECT_EQ(root->hitTest(QPointF(200, 200)), root);
}

TEST(LayerGeometry, ConstraintsOfTheFlowViewTree)
{
    const LayerPtr root = layertest::layerWithFrame(QRectF(0, 0, 600, 400));
    root->setLayoutManager(ConstraintLayoutManager::shared());
    const LayerPtr container = Layer::create();
    container->setConstraints({
        LayoutConstraint::superlayer(Attribute::MidX, Attribute::MidX),
        LayoutConstraint::superlayer(Attribute::MaxY, Attribute::MaxY),
        LayoutConstraint::superlayer(Attribute::Width, Attribute::Width),
        LayoutConstraint(Attribute::MinY, QStringLiteral("title"), Attribute::MaxY),
    });
    const LayerPtr scrollBar = layertest::layerWithFrame(QRectF(0, 0, 20, 20));
    scrollBar->setConstraints({
        LayoutConstraint::superlayer(Attribute::MidX, Attribute::MidX),
        LayoutConstraint::superlayer(Attribute::MinY, Attribute::MinY, 1, 10),
        LayoutConstraint::superlayer(Attribute::Width, Attribute::Width, 0.75),
    });
    const auto title = platform::TextLayer::create();
    title->setName(QStringLiteral("title"));
    title->setBounds(QRectF(0, 0, 200, 30));
    title->setConstraints({
        LayoutConstraint::superlayer(Attribute::MinY, Attribute::MinY, 1, 50),
        LayoutConstraint::superlayer(Attribute::MidX, Attribute::MidX),
    });
    // The container names the title, which comes later among the sublayers.
    root->addSublayer(container);
    root->addSublayer(scrollBar);
    root->addSublayer(title);
    root->layoutIfNeeded();
    EXPECT_EQ(title->frame(), QRectF(200, 50, 200, 30));
    EXPECT_EQ(container->frame(), QRectF(0, 80, 600, 320));
    EXPECT_EQ(scrollBar->frame(), QRectF(75, 10, 450, 20));

    root->setBounds(QRectF(0, 0, 800, 500));
    root->layoutIfNeeded();
    EXPECT_EQ(scrollBar->frame(), QRectF(100, 10, 600, 20));
    EXPECT_EQ(container->frame(), QRectF(0, 80, 800, 420));

    // A name that matches no sibling is left out; the rest still applies.
    scrollBar->addConstraint(LayoutConstraint(Attribute::Height, QStringLiteral("nobody"), Attribute::Height));
    root->layoutIfNeeded();
    EXPECT_EQ(scrollBar->frame(), QRectF(100, 10, 600, 20));
}

TEST(LayerGeometry, AutoresizingFollowsTheSuperlayer)
{
    const LayerPtr root = layertest::layerWithFrame(QRectF(0, 0, 100, 100));
    const LayerPtr sized = layertest::layerWithFrame(QRectF(10, 10, 80, 80));
    sized->setAutoresizingMask(Layer::WidthSizable | Layer::HeightSizable);
    const LayerPtr pinned = layertest::layerWithFrame(QRectF(10, 10, 20, 20));
    pinned->setAutoresizingMask(Layer::MinXMargin | Layer::MinYMargin); // stays at the top right
    const LayerPtr fixed = layertest::layerWithFrame(QRectF(5, 5, 5, 5));
    for (const LayerPtr &l : {sized, pinned, fixed})
        root->addSublayer(l);
    root->setBounds(QRectF(0, 0, 200, 150));
    EXPECT_EQ(sized->frame(), QRectF(10, 10, 180, 130));
    EXPECT_EQ(pinned->frame(), QRectF(110, 60, 20, 20));
    EXPECT_EQ(fixed->frame(), QRectF(5, 5, 5, 5));
}

TEST(LayerGeometry, VisibleRectWithinTheScrollLayer)
{
    const auto scroll = platform::ScrollLayer::create();
    scroll->setFrame(QRectF(0, 0, 100, 100));
    scroll->setScrollMode(platform::ScrollLayer::ScrollMode::Horizontally);
    const LayerPtr item = layertest::layerWithFrame(QRectF(50, 0, 100, 100));
    const LayerPtr far = layertest::layerWithFrame(QRectF(300, 0, 100, 100));
    scroll->addSublayer(item);
    scroll->addSublayer(far);
    expectRectNear(item->visibleRect(), QRectF(0, 0, 50, 100));
    EXPECT_TRUE(far->visibleRect().isEmpty());
    scroll->layoutIfNeeded();
    scroll->scrollToPoint(QPointF(50, 40)); // vertical part ignored
    EXPECT_EQ(scroll->bounds(), QRectF(50, 0, 100, 100));
    EXPECT_TRUE(scroll->needsLayout());
    expectRectNear(item->visibleRect(), QRectF(0, 0, 100, 100));
    scroll->scrollToRect(QRectF(300, 0, 100, 100));
    EXPECT_EQ(scroll->bounds().topLeft(), QPointF(300, 0));
    expectRectNear(far->visibleRect(), QRectF(0, 0, 100, 100));
    // Without a scroll layer above, the whole bounds.
    EXPECT_EQ(scroll->visibleRect(), scroll->bounds());
}

TEST(LayerGeometry, KeepsUnknownKeysAndTellsObservers)
{
    const LayerPtr layer = Layer::create();
    int told = 0;
    layer->addObserver(QStringLiteral("index"), [&told](auto &, const QString &, bool prior) { told += prior ? 0 : 1; });
    layer->setValueForKey(7, QStringLiteral("index"));
    layer->setValueForKey(7, QStringLiteral("index")); // no change, no news
    EXPECT_EQ(layer->valueForKey(QStringLiteral("index")).toInt(), 7);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(layer->valueForKey(QStringLiteral("hasImage")).isValid());
    EXPECT_EQ(layer->presentationLayer()->valueForKey(QStringLiteral("index")).toInt(), 7);
    layer->setValueForKey(QRectF(0, 0, 5, 5), QStringLiteral("bounds"));
    EXPECT_EQ(layer->bounds(), QRectF(0, 0, 5, 5));
}

TEST(LayerGeometry, TreeRefusesCirclesAndMovesLayers)
{
    const LayerPtr a = Layer::create();
    const LayerPtr b = Layer::create();
    const LayerPtr c = Layer::create();
    a->addSublayer(b);
    b->addSublayer(c);
    c->addSublayer(a); // would close a circle
    EXPECT_EQ(a->superlayer(), nullptr);
    EXPECT_TRUE(c->sublayers().isEmpty());
    a->addSublayer(c); // moves
    EXPECT_EQ(c->superlayer(), a.get());
    EXPECT_TRUE(b->sublayers().isEmpty());
    a->insertSublayerBelow(c, b.get());
    EXPECT_EQ(a->sublayers(), (QList<LayerPtr>{c, b}));
    c->setName(QStringLiteral("c"));
    EXPECT_EQ(a->sublayerNamed(QStringLiteral("c")), c);
    c->removeFromSuperlayer();
    EXPECT_EQ(a->sublayers(), (QList<LayerPtr>{b}));
}

// setSublayers with random lists drawn from layers of two parents: the parent then
// holds exactly the list, in its order; layers it had and the list lacks have no
// superlayer; layers taken from the other parent left it, the rest keep their order.
TEST(LayerGeometry, SetSublayersKeepsMovesAndDropsLayers)
{
    std::mt19937 random(54);
    std::vector<LayerPtr> pool;
    for (int i = 0; i < 24; ++i)
        pool.push_back(Layer::create());
    const LayerPtr parents[2] = {Layer::create(), Layer::create()};
    for (int step = 0; step < 500; ++step) {
        SCOPED_TRACE(step);
        const int p = int(random() % 2);
        std::vector<LayerPtr> shuffled = pool;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        const QList<LayerPtr> wanted(shuffled.begin(), shuffled.begin() + qsizetype(random() % 12));
        const QList<LayerPtr> before = parents[p]->sublayers();
        QList<LayerPtr> other = parents[1 - p]->sublayers();
        other.removeIf([&wanted](const LayerPtr &layer) { return wanted.contains(layer); });
        parents[p]->setSublayers(wanted);
        ASSERT_EQ(parents[p]->sublayers(), wanted);
        ASSERT_EQ(parents[1 - p]->sublayers(), other);
        for (const LayerPtr &layer : wanted)
            ASSERT_EQ(layer->superlayer(), parents[p].get());
        for (const LayerPtr &layer : other)
            ASSERT_EQ(layer->superlayer(), parents[1 - p].get());
        for (const LayerPtr &layer : before) {
            if (!wanted.contains(layer)) {
                ASSERT_EQ(layer->superlayer(), nullptr);
            }
        }
    }
}

} // namespace
