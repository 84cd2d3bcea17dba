// Layout with the exact measurer: collapsing, peeling, squeezing.
#include "ScopeBarTestSupport.h"

#include <QAction>
#include <QPointer>
#include <QMenu>
#include <cmath>
#include <gtest/gtest.h>

using namespace scopebartest;

namespace {

// Nine-character titles: 70 pixels, the default minimum button width, so an
// expanded group of three is 220 wide (plus 11 with a separator) and cannot shrink;
// collapsed it takes 70 (plus 11).
const QList<QStringList> ThreeGroups = {
    {"alpha0001", "alpha0002", "alpha0003"},
    {"betaa0001", "betaa0002", "betaa0003"},
    {"gamma0001", "gamma0002", "gamma0003"},
};

// The bar width that leaves the given width for the groups.
int widthFor(int available)
{
    return available + 4 * SRScopeBar::margin();
}

QStringList menuTitles(const SRScopeBar &bar)
{
    QStringList titles;
    for (QAction *action : bar.overflowPullDownCell()->menu()->actions())
        titles << (action->isSeparator() ? QStringLiteral("--") : action->text());
    return titles;
}

QList<bool> collapsed(const SRScopeBar &bar)
{
    QList<bool> flags;
    for (const auto &group : bar.groups())
        flags << group->isCollapsed();
    return flags;
}

} // namespace

TEST(ScopeBarLayout, RightMostGroupsCollapseFirstAndRefusingOnesAreSkipped)
{
    ExactMeasurer measurer;
    ListDataSource source;
    SRScopeBar bar;
    fill(bar, source, ThreeGroups, widthFor(600));
    EXPECT_EQ(bar.helperAtIndex(0)->maximumWidth(), 220u);
    EXPECT_EQ(bar.helperAtIndex(1)->minimumWidth(), 231u);
    EXPECT_EQ(collapsed(bar), (QList<bool>{false, false, true}));
    EXPECT_EQ(bar.overflowPullDownCell()->numberOfItems(), 1); // collapsing was enough

    RecordingDelegate delegate;
    delegate.refusesCollapse = {bar.groupAtIndex(2).get()};
    bar.setDelegate(&delegate);
    bar.calcSize();
    EXPECT_EQ(collapsed(bar), (QList<bool>{false, true, false}));
    // Groups at their maximum widths, S apart.
    const int s = SRScopeBar::margin();
    EXPECT_EQ(bar.helperAtIndex(1)->frame(), QRectF(s + 220 + s, 0, 70 + 11 + 12, 25));
}

TEST(ScopeBarLayout, OverflowMenuReadsImageItemThenPeeledItemsLeftToRight)
{
    ExactMeasurer measurer;
    ListDataSource source;
    SRScopeBar bar;
    fill(bar, source, ThreeGroups, widthFor(300));
    EXPECT_EQ(collapsed(bar), (QList<bool>{true, true, true}));
    EXPECT_EQ(bar.overflowPullDownCell()->numberOfItems(), 1);

    bar.resize(widthFor(100), 25);
    bar.calcSize();
    EXPECT_EQ(menuTitles(bar), (QStringList{"", "betaa0001", "betaa0002", "betaa0003", "--", "gamma0001",
                                            "gamma0002", "gamma0003"}));
    EXPECT_TRUE(bar.helperAtIndex(1)->isPeeled());
    EXPECT_FALSE(bar.helperAtIndex(0)->isPeeled());
    EXPECT_EQ(bar.overflowPullDownRect_().width(), 14 + 12);
    // The next layout starts again from the image item alone.
    bar.resize(widthFor(600), 25);
    bar.calcSize();
    EXPECT_EQ(menuTitles(bar), QStringList{""});
}

TEST(ScopeBarLayout, PeelingThreeObjectsGivesTwoOneZeroThenNothing)
{
    ExactMeasurer measurer;
    ListDataSource source;
    SRScopeBar bar;
    fill(bar, source, {{"a", "b", "c"}}, 400);
    SRScopeBarGroupHelper *helper = bar.helperAtIndex(0);
    QStringList peeled;
    while (auto items = helper->peelOffNextItem()) {
        ASSERT_EQ(items->size(), 1);
        peeled << items->first().representedObject.toString();
    }
    EXPECT_EQ(peeled, (QStringList{"c", "b", "a"}));
    EXPECT_EQ(helper->maximumWidth(), 0u);
    EXPECT_EQ(helper->minimumWidth(), 0u);
}

TEST(ScopeBarLayout, SqueezedGroupsEndExactlyAtTheAvailableWidth)
{
    ExactMeasurer measurer;
    ListDataSource source;
    const QList<QStringList> lists = {{"one", "alpha0002", "x"}, {"betaa0001", "b2"}, {"gamma0001", "gamma002"}};
    for (int available : {190, 201, 257, 299}) {
        SCOPED_TRACE(available);
        SRScopeBar each;
        each.setMinimumButtonWidth(20);
        fill(each, source, lists, widthFor(available));
        ASSERT_EQ(collapsed(each), (QList<bool>{false, false, false}));
        EXPECT_EQ(each.helperAtIndex(2)->frame().right(), widthFor(available) - SRScopeBar::margin());
        for (qsizetype g = 0; g < 3; ++g) {
            const SRScopeBarGroupHelper *helper = each.helperAtIndex(g);
            EXPECT_DOUBLE_EQ(helper->buttonRects().last().right(), helper->buttonRect().right());
        }
    }
}

TEST(ScopeBarLayout, NegativeAvailableWidthKeepsMaximumWidths)
{
    ExactMeasurer measurer;
    ListDataSource source;
    SRScopeBar bar;
    fill(bar, source, {{"a", "b"}, {"c"}}, 3);
    for (qsizetype g = 0; g < bar.numberOfGroups(); ++g)
        EXPECT_EQ(bar.helperAtIndex(g)->frame().width(), bar.helperAtIndex(g)->maximumWidth());
}

TEST(ScopeBarLayout, ButtonsThatCannotShrinkKeepTheirWidthsAndTheLastTakesTheExcess)
{
    ExactMeasurer measurer;
    ListDataSource source;
    SRScopeBar bar;
    fill(bar, source, {{"abc", "defgh", "ij"}}, 600); // widths 34, 46, 28; all under 70
    SRScopeBarGroupHelper *helper = bar.helperAtIndex(0);
    ASSERT_EQ(helper->maximumWidth(), helper->minimumWidth()); // Range 0
    helper->setFrame(QRectF(10, 0, helper->maximumWidth() - 7, 25));
    QList<qreal> widths;
    for (const QRectF &rect : helper->buttonRects())
        widths << rect.width();
    EXPECT_EQ(widths, (QList<qreal>{34, 46, 21}));
    helper->setFrame(QRectF(10, 0, 20, 25));
    for (const QRectF &rect : helper->buttonRects()) {
        EXPECT_TRUE(std::isfinite(rect.x()) && std::isfinite(rect.width()));
        EXPECT_GE(rect.width(), 0);
    }
    EXPECT_EQ(helper->buttonRects().last().width(), 0);
}

TEST(ScopeBarLayout, AReplacedAccessoryViewGoesBackToItsOwner)
{
    SRScopeBar bar;
    bar.resize(400, 25);
    bar.show();
    auto search = std::make_unique<QWidget>();
    search->resize(80, 20);
    auto other = std::make_unique<QWidget>();
    other->resize(50, 20);

    bar.setAccessoryView(search.get());
    EXPECT_EQ(search->parentWidget(), &bar);
    EXPECT_TRUE(search->isVisible());
    bar.setAccessoryView(other.get());
    // The first one is out of the bar, hidden, and still the owner's.
    EXPECT_EQ(search->parentWidget(), nullptr);
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(other->parentWidget(), &bar);
    EXPECT_EQ(bar.findChildren<QWidget *>(Qt::FindDirectChildrenOnly), QList<QWidget *>{other.get()});

    // Swapped back, it is laid out at the right end again.
    bar.setAccessoryView(search.get());
    bar.calcSize();
    EXPECT_EQ(bar.accessoryView(), search.get());
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->geometry().right() + 1, 400 - SRScopeBar::margin());
    EXPECT_EQ(other->parentWidget(), nullptr);
    bar.setAccessoryView(nullptr);
    EXPECT_EQ(bar.accessoryView(), nullptr);
    EXPECT_EQ(search->parentWidget(), nullptr);
}
