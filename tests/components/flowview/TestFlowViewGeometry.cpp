// Geometry of the row, in the scroll layer's space (y up).
#include "tests/support/TestSupport.h"
#include "components/flowview/KZFlowView.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using platform::Layer;

namespace {

class FlowViewGeometry : public layertest::FrozenClockTest
{
};

TEST_F(FlowViewGeometry, ItemSideFollowsHeightAndScaleAndNeverGoesNegative)
{
    KZFlowView view;
    struct Case { qreal height; float scale; qreal side; };
    for (const Case &c : {Case{250, 1.0f, 200}, Case{250, 0.5f, 100}, Case{40, 1.0f, 0}, Case{0, 1.0f, 0}}) {
        view.setItemScale(c.scale);
        EXPECT_DOUBLE_EQ(view.itemSizeForRect(QRectF(0, 0, 600, c.height)).width(), c.side) << c.height;
    }
}

TEST_F(FlowViewGeometry, HorizontalOffsets)
{
    struct Case { quint32 index, selected; qreal x; };
    for (const Case &c : {Case{2, 3, 188.89}, Case{3, 3, 383.33}, Case{4, 3, 577.78}, Case{0, 0, 0}, Case{1, 0, 194.44}})
        EXPECT_NEAR(KZFlowView::horizontalOffsetForItem(c.index, 200, 70, 50, c.selected), c.x, 0.01)
            << c.index << " with " << c.selected << " selected";
}

TEST_F(FlowViewGeometry, ContentBoundsKeepTheAspectRatio)
{
    const QRectF item(0, 0, 200, 200);
    EXPECT_EQ(KZFlowView::boundsFromContentWithAspectRatio(2, item), QRectF(0, 0, 200, 100));
    EXPECT_EQ(KZFlowView::boundsFromContentWithAspectRatio(0.5, item), QRectF(0, 0, 100, 200));

    // A content layer without a stored ratio fills the square.
    KZFlowView view;
    view.scrollLayer()->setBounds(QRectF(0, 0, 800, 250));
    flowtest::Source source(1);
    view.setDataSource(&source);
    view.setNumberOfItems(1);
    auto item1 = view.createItemLayerWithIndex(0);
    view.setFrameForLayer(*item1, 0, QSizeF(200, 200));
    EXPECT_EQ(item1->sublayers().first()->bounds().size(), QSizeF(200, 200));
    item1->sublayers().first()->setValueForKey(2.0, QStringLiteral("aspectRatioKey"));
    view.setFrameForLayer(*item1, 0, QSizeF(200, 200));
    EXPECT_EQ(item1->sublayers().first()->bounds().size(), QSizeF(200, 100));
}

TEST_F(FlowViewGeometry, EachSideHasItsAnchorTransformAndDepth)
{
    KZFlowView view;
    view.scrollLayer()->setBounds(QRectF(0, 0, 800, 250));
    flowtest::Source source(6);
    flowtest::fill(view, source, 3);
    struct Case { quint32 index; QPointF anchor; QMatrix4x4 transform; qreal contentZ, itemZ; };
    const QList<Case> cases = {
        {1, QPointF(0, 0), view.leftTransform(), -200, -201},
        {2, QPointF(0, 0), view.leftTransform(), -200, -200.5},
        {3, QPointF(0.5, 0), QMatrix4x4(), 200, -200},
        {5, QPointF(1, 0), view.rightTransform(), -200, -201},
    };
    for (const Case &c : cases) {
        const auto item = view.itemLayerAtIndex(c.index);
        view.setFrameForLayer(*item, c.index, QSizeF(200, 200));
        const Layer &content = *item->sublayers().first();
        EXPECT_EQ(content.anchorPoint(), c.anchor) << c.index;
        EXPECT_TRUE(qFuzzyCompare(content.transform(), c.transform)) << c.index;
        EXPECT_DOUBLE_EQ(content.zPosition(), c.contentZ) << c.index;
        EXPECT_DOUBLE_EQ(item->zPosition(), c.itemZ) << c.index;
    }
    EXPECT_TRUE(qFuzzyCompare(view.leftTransform(), platform::Transform3D::rotation(70 * M_PI / 180, 0, 1, 0)));
    // The reflection: the mirror image directly below the item.
    const auto item3 = std::dynamic_pointer_cast<platform::ReplicatorLayer>(view.itemLayerAtIndex(3));
    EXPECT_EQ(item3->instanceCount(), 2);
    const QMatrix4x4 mirror = item3->instanceTransform();
    EXPECT_NEAR(mirror.map(QVector3D(0, 100, 0)).y(), -300, 1e-4); // about the centre (100, 100)
}

TEST_F(FlowViewGeometry, KnobHiddenForOneItemAndAtTheRightEndForTheLastOfTwo)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::Source one(1);
    flowtest::fill(view, one, 0);
    EXPECT_TRUE(view.scrollBarLayer()->isHidden());

    KZFlowView two;
    flowtest::show(two, QSize(800, 400));
    flowtest::Source source(2);
    flowtest::fill(two, source, 1);
    two.rootLayer()->layoutIfNeeded();
    two.updateScrollKnob();
    const qreal b = two.scrollBarLayer()->bounds().width();
    EXPECT_DOUBLE_EQ(b, 600);
    const QRectF knob = two.scrollBarLayer()->sublayers().first()->frame();
    EXPECT_FALSE(two.scrollBarLayer()->isHidden());
    EXPECT_DOUBLE_EQ(knob.x(), b - 10 - knob.width() + 5);

    // With many items the knob is shorter than its track: it runs from the track's
    // start at the first item to its end at the last, further for each item on.
    KZFlowView many;
    flowtest::show(many, QSize(800, 400));
    flowtest::Source forty(40);
    flowtest::fill(many, forty, 0);
    many.rootLayer()->layoutIfNeeded();
    qreal previous = -1;
    for (const quint32 selected : {0u, 1u, 20u, 38u, 39u}) {
        many.setSelectedIndex(selected);
        many.updateScrollKnob();
        const qreal track = many.scrollBarLayer()->bounds().width();
        const QRectF at = many.scrollBarLayer()->sublayers().first()->frame();
        ASSERT_LT(at.width(), track - 10);
        EXPECT_GT(at.x(), previous) << selected;
        previous = at.x();
        if (selected == 0) {
            EXPECT_DOUBLE_EQ(at.left(), 5);
        }
        if (selected == 39) {
            EXPECT_DOUBLE_EQ(at.right(), track - 5);
        }
    }
}

// The longest runs of bright pixels along a row of the picture, left to right.
QList<int> brightRuns(const QImage &image, int row)
{
    QList<int> runs;
    int run = 0;
    for (int x = 0; x <= image.width(); ++x) {
        const bool bright = x < image.width() && qGray(image.pixel(x, row)) > 90;
        if (bright) {
            ++run;
        } else if (run > 0) {
            if (run > 20)
                runs.append(run);
            run = 0;
        }
    }
    return runs;
}

TEST_F(FlowViewGeometry, FaceOnNeighboursShrinkByTheirDepth)
{
    KZFlowView view;
    flowtest::show(view, QSize(1200, 420));
    flowtest::Source source(3);
    flowtest::fill(view, source, 1);
    view.setStackedAngle(0);
    view.rootLayer()->layoutIfNeeded();
    advance(1000);
    const qreal side = view.itemSizeForRect(view.scrollLayer()->bounds()).width();
    const QImage image = view.renderToImage(1);
    image.save(testsupport::screenshotPath(QStringLiteral("flowview-face-on.png")));
    // A row through the upper part of the pictures (above their numbers).
    const QRectF selected = view.itemFrameAtIndex(1);
    const int row = image.height() - 1 - int(selected.y() + selected.height() * 0.85);
    const QList<int> runs = brightRuns(image, row);
    ASSERT_EQ(runs.size(), 3);
    const qreal neighbour = side / (1 + 400.5 / 1500);
    EXPECT_NEAR(runs.at(1), side, 2);
    EXPECT_NEAR(runs.at(0), neighbour, 2);
    EXPECT_NEAR(runs.at(2), neighbour, 2);
}

} // namespace
