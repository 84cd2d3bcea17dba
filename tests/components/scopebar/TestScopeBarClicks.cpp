// Clicks, hover and menus on a shown bar (offscreen).
#include "tests/support/QtWarningCheck.h"
#include "ScopeBarTestSupport.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace scopebartest;
using IndexSet = SRScopeBarGroup::IndexSet;

namespace {

struct ShownBar
{
    ExactMeasurer measurer;
    ListDataSource source;
    RecordingDelegate delegate;
    SRScopeBar bar;

    explicit ShownBar(int width)
    {
        bar.setDelegate(&delegate);
        fill(bar, source, {{"alpha0001", "alpha0002", "alpha0003"}, {"betaa0001", "betaa0002", "betaa0003"}},
             width);
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
        bar.repaint(); // layout and tracking areas
    }

    QPoint buttonCenter(qsizetype group, qsizetype index) const
    {
        return bar.helperAtIndex(group)->buttonRects().at(index).center().toPoint();
    }

    void hover(const QPoint &point) { movePointerTo(bar, point); }
};

} // namespace

TEST(ScopeBarClicks, ClickSelectsAndHoverShowsTheCell)
{
    ShownBar shown(800);
    const QPoint target = shown.buttonCenter(0, 1);
    shown.hover(target);
    const SRScopeBarGroupHelper *helper = shown.bar.helperAtIndex(0);
    ASSERT_NE(helper->trackingCell(), nullptr);
    EXPECT_EQ(helper->trackingIndex(), 1);
    EXPECT_TRUE(static_cast<const SRButtonCell *>(helper->trackingCell())->isMouseOver());
    QTest::mouseClick(&shown.bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(shown.bar.groupAtIndex(0)->selectionIndexes(), IndexSet{1});
    EXPECT_EQ(helper->trackingCell()->state(), platform::Cell::State::On);
}

TEST(ScopeBarClicks, ReleaseOutsideChangesNothing)
{
    ShownBar shown(800);
    const QPoint target = shown.buttonCenter(0, 2);
    shown.hover(target);
    QTest::mousePress(&shown.bar, Qt::LeftButton, {}, target);
    EXPECT_TRUE(shown.bar.helperAtIndex(0)->trackingCell()->isHighlighted());
    const QPoint outside(target.x(), shown.bar.height() - 1);
    QTest::mouseMove(&shown.bar, outside);
    EXPECT_FALSE(shown.bar.helperAtIndex(0)->trackingCell()->isHighlighted());
    QTest::mouseRelease(&shown.bar, Qt::LeftButton, {}, outside);
    EXPECT_EQ(shown.bar.groupAtIndex(0)->selectionIndexes(), IndexSet{0});
    QCoreApplication::processEvents(); // the areas re-check after the release
    EXPECT_EQ(shown.bar.helperAtIndex(0)->trackingCell(), nullptr);
}

TEST(ScopeBarClicks, VetoKeepsSelectionAndHighlight)
{
    ShownBar shown(800);
    shown.delegate.selects = false;
    const QPoint target = shown.buttonCenter(1, 2);
    shown.hover(target);
    QTest::mousePress(&shown.bar, Qt::LeftButton, {}, target);
    EXPECT_FALSE(shown.bar.helperAtIndex(1)->trackingCell()->isHighlighted());
    QTest::mouseRelease(&shown.bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(shown.bar.groupAtIndex(1)->selectionIndexes(), IndexSet{0});
}

TEST(ScopeBarClicks, ChoiceInCollapsedPopUpOrOverflowSelects)
{
    // Room for the first group and the second collapsed.
    ShownBar shown(220 + 81 + 5 * SRScopeBar::margin());
    ASSERT_TRUE(shown.bar.groupAtIndex(1)->isCollapsed());
    SRScopeBarGroupHelper *helper = shown.bar.helperAtIndex(1);
    shown.hover(helper->buttonRect().center().toPoint());
    QTest::mousePress(&shown.bar, Qt::LeftButton, {}, helper->buttonRect().center().toPoint());
    ASSERT_NE(helper->popUpMenu(), nullptr);
    EXPECT_TRUE(helper->popUpMenu()->isVisible());
    helper->popUpMenu()->actions().at(2)->trigger();
    helper->popUpMenu()->hide();
    EXPECT_EQ(shown.bar.groupAtIndex(1)->selectionIndexes(), IndexSet{2});
    QTest::mouseRelease(&shown.bar, Qt::LeftButton, {}, helper->buttonRect().center().toPoint());

    // Narrower: the second group goes to the overflow menu.
    shown.bar.resize(150, 25);
    shown.bar.repaint();
    QMenu *menu = shown.bar.overflowPullDownCell()->menu();
    QAction *chosen = nullptr;
    for (QAction *action : menu->actions())
        if (action->data() == QVariant("betaa0002"))
            chosen = action;
    ASSERT_NE(chosen, nullptr);
    chosen->trigger();
    EXPECT_EQ(shown.bar.groupAtIndex(1)->selectionIndexes(), IndexSet{1});
    // A veto leaves the overflow choice without effect.
    shown.delegate.selects = false;
    menu->actions().last()->trigger();
    EXPECT_EQ(shown.bar.groupAtIndex(1)->selectionIndexes(), IndexSet{1});
}

// A click whose handling raises (here the delegate's index check) is stopped at the
// bar's own event handler, reported, and the bar goes on answering clicks.
TEST(ScopeBarClicks, AnExceptionInAClickStopsAtTheBarsHandler)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    ShownBar shown(800);
    shown.delegate.raises = true;
    const int before = platform::ExceptionBoundary::caughtCount();
    const QPoint target = shown.buttonCenter(0, 2);
    shown.hover(target);
    QTest::mouseClick(&shown.bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 1);
    EXPECT_FALSE(shown.delegate.heard.isEmpty());

    shown.delegate.raises = false;
    const QPoint other = shown.buttonCenter(1, 1);
    shown.hover(other);
    QTest::mouseClick(&shown.bar, Qt::LeftButton, {}, other);
    EXPECT_EQ(shown.bar.groupAtIndex(1)->selectionIndexes(), IndexSet{1});
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 1);
}
