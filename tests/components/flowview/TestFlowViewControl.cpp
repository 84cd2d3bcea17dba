// Properties, selection and the keyed archive of the flow view.
#include "components/flowview/KZFlowView.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/layers/Transform3D.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"
#include "tests/support/NonKeyedCoder.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class FlowViewControl : public layertest::FrozenClockTest
{
};

struct CountingDelegate : KZFlowViewDelegate
{
    int changes = 0;
    void flowViewSelectionDidChange(KZFlowView &) override { ++changes; }
};

TEST_F(FlowViewControl, SettersClampTheirValues)
{
    KZFlowView view;
    view.setStackedAngle(120);
    EXPECT_EQ(view.stackedAngle(), 90);
    EXPECT_TRUE(qFuzzyCompare(view.leftTransform(), platform::Transform3D::rotation(M_PI / 2, 0, 1, 0)));
    view.setStackedAngle(-5);
    EXPECT_EQ(view.stackedAngle(), 0);
    EXPECT_TRUE(view.leftTransform().isIdentity());
    view.setItemScale(0.05f);
    EXPECT_FLOAT_EQ(view.itemScale(), 0.1f);
    view.setPreviewScale(2);
    EXPECT_EQ(view.previewScale(), 1.0f);
    view.setReflectionOffset(0.5f);
    EXPECT_EQ(view.reflectionOffset(), 0.0f);
    view.setSpacing(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(view.spacing(), 50.0f);
}

TEST_F(FlowViewControl, RefusedSelectionsChangeNothingAndCallNoDelegate)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::Source source(5);
    flowtest::fill(view, source, 0);
    CountingDelegate delegate;
    view.setDelegate(&delegate);
    view.moveLeft(); // wraps to the largest index and is refused
    for (quint32 index : {0u, 5u, KZFlowView::NotFound})
        view.setSelectedIndex(index);
    EXPECT_EQ(view.selectedIndex(), 0u);
    EXPECT_EQ(delegate.changes, 0);
    view.moveRight();
    EXPECT_EQ(view.selectedIndex(), 1u);
    EXPECT_EQ(delegate.changes, 1);
    EXPECT_EQ(view.title(), QStringLiteral("Picture 2"));
    view.setDelegate(nullptr);
}

TEST_F(FlowViewControl, SpacingAnimatesOverAQuarterSecondOnTheTestClock)
{
    KZFlowView view;
    view.animateToValue(150, QStringLiteral("spacing"));
    ASSERT_NE(view.runningAnimationForKey(QStringLiteral("spacing")), nullptr);
    EXPECT_EQ(view.runningAnimationForKey(QStringLiteral("spacing"))->duration(), 250);
    advance(0); // Qt's animations start on the next tick
    advance(125);
    EXPECT_GT(view.spacing(), 50);
    EXPECT_LT(view.spacing(), 150);
    advance(200);
    EXPECT_EQ(view.spacing(), 150);
    EXPECT_EQ(view.runningAnimationForKey(QStringLiteral("spacing")), nullptr);
    EXPECT_EQ(KZFlowView::defaultAnimationForKey(QStringLiteral("itemScale")), nullptr);
}

TEST_F(FlowViewControl, AResizeOfTheShownViewIsALiveResizeUntilAPause)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    EXPECT_FALSE(view.inLiveResize());
    QSignalSpy ended(&view, &KZFlowView::imagesNeedUpdate);
    view.resize(820, 400);
    EXPECT_TRUE(view.inLiveResize());
    // The scroll layer moves at once while the view is resized.
    const auto action = view.actionForLayer(*view.scrollLayer(), QStringLiteral("bounds"));
    ASSERT_TRUE(action.has_value());
    EXPECT_EQ(*action, nullptr);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_FALSE(view.inLiveResize());
    EXPECT_FALSE(view.actionForLayer(*view.scrollLayer(), QStringLiteral("bounds")).has_value());
}

std::optional<QByteArray> archive(const KZFlowView &view)
{
    platform::KeyedArchiver archiver;
    view.encodeWithCoder(archiver);
    return archiver.finishEncoding();
}

TEST_F(FlowViewControl, ArchiveRoundTripKeepsTheTenValues)
{
    KZFlowView original;
    original.setStackedAngle(45);
    original.setSpacing(30);
    original.setSelectedScale(150);
    original.setStackedScale(-100);
    original.setReflectionOffset(-0.7f);
    original.setShowsReflection(false);
    QMatrix4x4 perspective = platform::Transform3D::perspective(900);
    original.setPerspective(perspective);
    original.setScrollDuration(0.8);
    original.setItemScale(0.6f);
    original.setPreviewScale(0.5f);
    const auto data = archive(original);
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<KZFlowView> copy(KZFlowView::fromCoder(unarchiver));
    EXPECT_FALSE(unarchiver.failed());
    EXPECT_EQ(copy->stackedAngle(), 45);
    EXPECT_EQ(copy->spacing(), 30);
    EXPECT_EQ(copy->selectedScale(), 150);
    EXPECT_EQ(copy->stackedScale(), -100);
    EXPECT_FLOAT_EQ(copy->reflectionOffset(), -0.7f);
    EXPECT_FALSE(copy->showsReflection());
    EXPECT_TRUE(qFuzzyCompare(copy->perspective(), perspective));
    EXPECT_EQ(copy->scrollDuration(), 0.8);
    EXPECT_FLOAT_EQ(copy->itemScale(), 0.6f);
    EXPECT_FLOAT_EQ(copy->previewScale(), 0.5f);
    EXPECT_EQ(copy->selectedIndex(), KZFlowView::NotFound);
    EXPECT_EQ(copy->title(), QString());
    EXPECT_TRUE(qFuzzyCompare(copy->scrollLayer()->sublayerTransform(), perspective));
}

TEST_F(FlowViewControl, MissingOrNonFiniteArchivedValuesKeepTheirDefaults)
{
    // No "perspective" and a spacing that is no number: an all-zero transform would
    // collapse every item.
    platform::KeyedArchiver archiver;
    archiver.encodeDouble(std::numeric_limits<double>::infinity(), QStringLiteral("spacing"));
    archiver.encodeDouble(0.0, QStringLiteral("showsReflection"));
    const auto data = archiver.finishEncoding();
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<KZFlowView> view(KZFlowView::fromCoder(unarchiver));
    EXPECT_TRUE(qFuzzyCompare(view->perspective(), platform::Transform3D::perspective(1500)));
    EXPECT_EQ(view->spacing(), 50);
    EXPECT_FALSE(view->showsReflection());
    EXPECT_EQ(view->stackedAngle(), 70);

    testsupport::NonKeyedCoder coder;
    std::unique_ptr<KZFlowView> defaults(KZFlowView::fromCoder(coder));
    EXPECT_EQ(defaults->itemScale(), 1.0f);
    try {
        defaults->encodeWithCoder(coder);
        ADD_FAILURE() << "a non-keyed coder was accepted";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSInvalidArchiveOperationException"));
        EXPECT_EQ(e.reason(), QStringLiteral("Only supports NSKeyedArchiver coders"));
    }
}

// The notification's name is defined with the control, which never posts it: the
// delegate hears of the change.
TEST_F(FlowViewControl, TheSelectionNotificationIsNamedButNotPosted)
{
    EXPECT_EQ(KZFlowView::SelectionDidChangeNotification, QStringLiteral("KZFlowViewSelectionDidChangeNotification"));
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    flowtest::Source source(3);
    flowtest::fill(view, source, 0);
    CountingDelegate delegate;
    view.setDelegate(&delegate);
    int posted = 0;
    auto &center = platform::NotificationCenter::defaultCenter();
    const auto token = center.addObserver(nullptr, KZFlowView::SelectionDidChangeNotification, nullptr,
                                          [&posted](const platform::Notification &) { ++posted; });
    view.setSelectedIndex(2);
    view.moveLeft();
    center.removeObserver(token);
    EXPECT_EQ(delegate.changes, 2);
    EXPECT_EQ(posted, 0);
}

// A view made in code registers for dropped URLs; one read from an archive, keyed or
// not, registers no drag types.
TEST_F(FlowViewControl, OnlyAViewMadeInCodeTakesDrops)
{
    KZFlowView made;
    EXPECT_TRUE(made.acceptDrops());
    const auto data = archive(made);
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<KZFlowView> decoded(KZFlowView::fromCoder(unarchiver));
    EXPECT_FALSE(decoded->acceptDrops());
    testsupport::NonKeyedCoder coder;
    std::unique_ptr<KZFlowView> defaults(KZFlowView::fromCoder(coder));
    EXPECT_FALSE(defaults->acceptDrops());
}

} // namespace
