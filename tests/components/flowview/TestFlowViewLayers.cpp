// The flow view's layer tree: structure, names, actions and hit tests.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transition.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <gtest/gtest.h>

using platform::Layer;
using platform::LayerPtr;

namespace {

class FlowViewLayers : public layertest::FrozenClockTest
{
};

TEST_F(FlowViewLayers, RootHoldsContainerScrollBarAndTitle)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    ASSERT_EQ(view.rootLayer(), view.backgroundLayer());
    const QList<LayerPtr> &sublayers = view.rootLayer()->sublayers();
    ASSERT_EQ(sublayers.size(), 3);
    EXPECT_EQ(sublayers.at(0)->name(), KZFlowView::ContainerLayerName);
    EXPECT_EQ(sublayers.at(1)->name(), KZFlowView::ScrollBarLayerName);
    EXPECT_EQ(sublayers.at(2)->name(), KZFlowView::TitleLayerName);
    view.rootLayer()->layoutIfNeeded();
    const QRectF bar = view.scrollBarLayer()->frame();
    EXPECT_EQ(bar, QRectF(100, 10, 600, 20));
    EXPECT_EQ(view.scrollBarLayer()->sublayers().first()->name(), KZFlowView::ScrollKnobLayerName);
    // The container stands on the title; the scroll layer fills the container.
    EXPECT_DOUBLE_EQ(view.containerLayer()->frame().y(), view.titleLayer()->frame().bottom());
    EXPECT_EQ(view.scrollLayer()->bounds().size(), view.containerLayer()->bounds().size());
}

TEST_F(FlowViewLayers, AMovieContentLayerIsFoundByItsPrefix)
{
    KZFlowView view;
    flowtest::show(view, QSize(900, 420));
    flowtest::Source source(5);
    flowtest::fill(view, source, 2);
    view.rootLayer()->layoutIfNeeded();
    advance(1000);
    const LayerPtr content = view.imageLayerAtIndex(2);
    content->setName(KZFlowView::ContentLayerName + KZFlowView::MovieKind);
    const QPointF centre = view.rectInViewForLayer(content.get()).center();
    EXPECT_EQ(view.indexOfItemAtPoint(centre), 2u);

    // The live movie over it answers the same, its hidden overlay is not hit.
    auto movie = std::make_shared<flowtest::FakeMovie>();
    const auto movieLayer = view.createMovieLayerWithMovie(movie, 2);
    view.setAttributesForItemContentLayer(*movieLayer, 2);
    content->addSublayer(movieLayer);
    view.rootLayer()->layoutIfNeeded();
    EXPECT_EQ(view.movieLayerAtIndex(2), movieLayer);
    EXPECT_EQ(view.overlayLayerAtIndex(2)->name(), KZFlowView::OverlayLayerName);
    EXPECT_EQ(view.hitLayerAtPoint(centre), movieLayer);
    EXPECT_EQ(view.indexOfItemAtPoint(centre), 2u);
    // The title and the empty background are no items.
    EXPECT_EQ(view.indexOfItemAtPoint(view.titleLayer()->frame().center()), KZFlowView::NotFound);
    EXPECT_EQ(view.indexOfItemAtPoint(QPointF(2, 400)), KZFlowView::NotFound);
}

TEST_F(FlowViewLayers, ContentRevealsOnOrderInAndShowsNewContentsAtOnce)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::Source source(1);
    view.setDataSource(&source);
    view.setNumberOfItems(1);
    deliver();
    platform::Transaction::flush();
    const auto item = view.createItemLayerWithIndex(0);
    deliver();
    platform::Transaction::flush();
    view.scrollLayer()->addSublayer(item);
    const LayerPtr content = item->sublayers().first();
    // Ordered in as part of its item: the item's own order-in has no action, the
    // content's reveals when it enters a tree on its own.
    content->removeFromSuperlayer();
    item->addSublayer(content);
    const auto transition = std::dynamic_pointer_cast<platform::Transition>(content->animationForKey(QStringLiteral("transition")));
    ASSERT_TRUE(transition);
    EXPECT_EQ(transition->type(), platform::Transition::Type::Reveal);
    EXPECT_DOUBLE_EQ(transition->duration(), 0.5);
    content->setContents(flowtest::picture(0));
    content->setBounds(QRectF(0, 0, 50, 50));
    EXPECT_EQ(content->animationKeys(), QStringList{QStringLiteral("transition")});
    content->removeFromSuperlayer();
}

TEST_F(FlowViewLayers, SelectionMovesOnlyTheItemsNearTheVisibleRow)
{
    KZFlowView view;
    flowtest::show(view, QSize(900, 420));
    flowtest::Source source(200);
    flowtest::fill(view, source, 100);
    view.rootLayer()->layoutIfNeeded();
    advance(1000);
    view.moveRight();
    view.rootLayer()->layoutIfNeeded();
    ASSERT_FALSE(view.inLiveResize());
    int animating = 0;
    int shown = 0;
    for (const LayerPtr &item : view.scrollLayer()->sublayers()) {
        const bool moves = !item->animationKeys().isEmpty() || !item->sublayers().first()->animationKeys().isEmpty();
        animating += moves;
        shown += !item->isHidden();
        EXPECT_FALSE(moves && item->isHidden());
    }
    EXPECT_GE(animating, 2);
    EXPECT_LT(shown, 40);
    const platform::Range visible = view.visibleItemIndexes();
    EXPECT_LE(visible.location, 101);
    EXPECT_GE(visible.max(), 102);
    for (qsizetype i = visible.location; i < visible.max(); ++i)
        EXPECT_FALSE(view.itemLayerAtIndex(quint32(i))->isHidden()) << i;
}

} // namespace
