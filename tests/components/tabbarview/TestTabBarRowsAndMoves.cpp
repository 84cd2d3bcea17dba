// The tab bar's widths at the edges of a row, with tabs of chosen desired widths
// and widths worked out by hand from the layout rules; and the selection a bar
// draws after tabs are moved in its tab view, one move at a time and in a long
// seeded run of moves, selections and update passes.
#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarController.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/drawing/TabView.h"

#include <QMenu>

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using platform::TabView;
using platform::TabViewItem;

// The built-in look, with a tab's desired width read from its title ("60" is 60 wide).
class TitledWidthStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("TitledWidth"); }
    std::optional<qreal> desiredWidthOfTabCell(const KZTabBarButtonCell &cell) override
    {
        return cell.title().toDouble();
    }
};

struct Bar
{
    TabView tabView;
    KZTabBarView bar;

    Bar(const QStringList &titles, int width, int height = 22)
    {
        bar.setStyle(std::make_shared<TitledWidthStyle>());
        bar.setTabView(&tabView);
        tabView.setDelegate(&bar);
        for (const QString &title : titles) {
            auto item = TabViewItem::create();
            item->setLabel(title);
            tabView.addTabViewItem(item);
        }
        bar.resize(width, height);
    }
    ~Bar() { tabView.setDelegate(nullptr); }

    std::vector<int> widths() const
    {
        std::vector<int> result;
        for (KZAttachedTabBarButton *button : bar.orderedAttachedButtons())
            result.push_back(button->width());
        return result;
    }
};

// What a bar must show of its tab view's selection: exactly one button on, the
// selected item's (or the overflow button standing in for it), its neighbours marked
// as beside the selection and no other button so marked.
void expectSelectionDrawn(const Bar &b)
{
    const auto buttons = b.bar.orderedAttachedButtons();
    const platform::TabViewItemPtr selected = b.tabView.selectedTabViewItem();
    int on = 0;
    int at = -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->state() == platform::Cell::State::On) {
            ++on;
            at = int(i);
        }
    }
    ASSERT_EQ(on, 1);
    ASSERT_EQ(buttons[size_t(at)]->tabViewItem(), selected);
    EXPECT_EQ(b.bar.selectedAttachedButton(), buttons[size_t(at)]);
    for (size_t i = 0; i < buttons.size(); ++i) {
        const unsigned state = buttons[i]->tabState();
        EXPECT_EQ(bool(state & KZTabBarView::KZTabStateRightNeighbourSelected), int(i) + 1 == at) << i;
        EXPECT_EQ(bool(state & KZTabBarView::KZTabStateLeftNeighbourSelected), int(i) - 1 == at) << i;
    }
}

// After an update pass: the buttons stand left to right in the tab view's order,
// within the bar; the overflow button (when something overflows) is the last, and
// the menu lists it and every item without a button.
void expectRowMatchesTabView(const Bar &b)
{
    const auto buttons = b.bar.orderedAttachedButtons();
    ASSERT_FALSE(buttons.empty());
    int previousIndex = -1;
    int left = 6; // the left margin
    for (KZAttachedTabBarButton *button : buttons) {
        const int index = b.tabView.indexOfTabViewItem(button->tabViewItem().get());
        ASSERT_GE(index, 0);
        EXPECT_GT(index, previousIndex);
        previousIndex = index;
        EXPECT_EQ(button->geometry().x(), left);
        EXPECT_GT(button->width(), 0);
        left += button->width();
    }
    const int right = left;
    EXPECT_LE(right, b.bar.width());
    const int hidden = int(b.tabView.tabViewItems().size()) - int(buttons.size());
    EXPECT_EQ(buttons.back()->isOverflowButton(), hidden > 0);
    if (hidden > 0) {
        QMenu *menu = b.bar.controller()->overflowMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(int(menu->actions().size()), 1 + hidden + 1); // title line, the hidden, the overflow button's
    }
}

} // namespace

TEST(TabBarViewWidthRows, EdgesOfTheRow)
{
    struct Row
    {
        const char *name;
        int available; // the bar keeps 6 + 6 of its width
        bool sizeToFit;
        int minimum;
        QStringList desired;
        std::vector<int> widths;
    };
    const Row rows[] = {
        // Two tabs of 130 in 150: one would show, and after the room for the overflow
        // button (14 + 4 + 4) is taken, 128 is shared by the two-tab rule.
        {"two wide tabs share what the overflow button leaves", 150, false, 100, {"200", "200"}, {64, 64}},
        {"two narrow tabs widen the first", 150, false, 100, {"60", "60"}, {68, 60}},
        {"a narrow first leaves the rest to the second", 150, false, 100, {"50", "200"}, {50, 78}},
        // 40 + 60 + 50 is exactly 150: a tab fits only below the room, so the third is
        // shrunk toward the average 50 (the 60 gives one point) and, counted with
        // the gaps between the tabs, nothing is left over to hand out.
        {"three tabs that fill the row exactly", 150, true, 20, {"40", "60", "50"}, {40, 59, 50}},
        {"the same three with a point to spare", 151, true, 20, {"40", "60", "50"}, {40, 60, 50}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bar b(row.desired, row.available + 12);
        b.bar.setSizeButtonsToFit(row.sizeToFit);
        b.bar.setButtonMinWidth(row.minimum);
        b.bar.updateTabBar(false);
        ASSERT_EQ(b.bar.availableWidthForButtons(), row.available);
        EXPECT_EQ(b.widths(), row.widths);
        EXPECT_FALSE(b.bar.isOverflowButtonVisible());
    }
}

TEST(TabBarViewWidthRows, VerticalButtonsFitUpToTheLastPoint)
{
    // 22-point buttons from the top margin 3 down; the room is the height less the
    // margins 3 and 3. Five buttons end at 3 + 5 × 22 = 113.
    const struct
    {
        int height;
        size_t buttons;
    } rows[] = {{113 + 6, 5}, {112 + 6, 4}, {135 + 6, 6}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.height);
        Bar b({"a", "b", "c", "d", "e", "f", "g", "h"}, 150, row.height);
        b.bar.setUseOverflowMenu(false);
        b.bar.setOrientation(KZTabBarView::Vertical);
        b.bar.updateTabBar(false);
        ASSERT_EQ(b.bar.availableHeightForButtons(), row.height - 6);
        const auto buttons = b.bar.orderedAttachedButtons();
        ASSERT_EQ(buttons.size(), row.buttons);
        EXPECT_EQ(buttons.back()->geometry(), QRect(0, 3 + 22 * int(row.buttons - 1), 150, 22));
    }
}

TEST(TabBarViewMoves, SelectionAfterAMove)
{
    Bar b({"0", "1", "2", "3"}, 512);
    b.bar.updateTabBar(false);
    const auto items = b.tabView.tabViewItems();
    b.tabView.selectTabViewItem(items[1].get());

    // The moved tab is selected where it now stands.
    b.bar.moveTabViewItem(items[0], 3);
    ASSERT_EQ(b.tabView.tabViewItems()[3], items[0]);
    EXPECT_EQ(b.tabView.selectedTabViewItem(), items[0]);
    expectSelectionDrawn(b);
    EXPECT_EQ(b.bar.selectedAttachedButton(), b.bar.orderedAttachedButtons()[3]);

    // Selecting the tab that took the first place draws it, not the one whose
    // place that used to be.
    b.tabView.selectTabViewItem(items[1].get());
    expectSelectionDrawn(b);
    EXPECT_EQ(b.bar.selectedAttachedButton(), b.bar.orderedAttachedButtons()[0]);
    EXPECT_EQ(b.bar.selectedAttachedButton()->tabViewItem(), items[1]);

    b.bar.updateTabBar(false);
    expectRowMatchesTabView(b);
    expectSelectionDrawn(b);
}

namespace {

// A seeded run of moves, selections and update passes over eight tabs in a bar that
// shows four and the overflow button; the selection is checked after every step,
// the row after every pass. With passAfterMove a move is followed by a pass, as the
// end of a tab drag does.
void runMovesAndSelections(unsigned seed, bool passAfterMove)
{
    QStringList titles;
    for (int i = 0; i < 8; ++i)
        titles << QString::number(i);
    Bar b(titles, 512);
    b.bar.updateTabBar(false);
    std::mt19937 random(seed);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    for (int step = 0; step < 2000; ++step) {
        SCOPED_TRACE(step);
        const int count = int(b.tabView.tabViewItems().size());
        const int kind = pick(10);
        if (kind < 3) {
            const platform::TabViewItemPtr item = b.tabView.tabViewItems()[size_t(pick(count))];
            const int to = pick(count);
            b.bar.moveTabViewItem(item, to);
            ASSERT_EQ(b.tabView.tabViewItems()[size_t(to)], item);
            ASSERT_EQ(b.tabView.selectedTabViewItem(), item);
            if (passAfterMove) {
                b.bar.updateTabBar(false);
                expectRowMatchesTabView(b);
            }
        } else if (kind < 9) {
            b.tabView.selectTabViewItemAtIndex(pick(count));
        } else {
            b.bar.updateTabBar(false);
            expectRowMatchesTabView(b);
        }
        ASSERT_EQ(b.tabView.tabViewItems().size(), 8u);
        expectSelectionDrawn(b);
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace

TEST(TabBarViewMoves, RandomMovesEachFollowedByAPass)
{
    runMovesAndSelections(5601, true);
}

// A move asks for no update pass, so until the next pass the moved tab's button keeps
// its place in the row while the item order puts it where its item went, past the
// overflow button as often as not (seed 5601 does so at step 8).
TEST(TabBarViewMoves, RandomMovesWithoutAPassKeepTheSelectionDrawn)
{
    for (unsigned seed : {5601u, 5602u, 5603u})
        runMovesAndSelections(seed, false);
}

namespace {

// The titles of the overflow menu as the pull-down shows it when it opens.
QStringList openedMenu(Bar &b)
{
    KZOverflowPopUpButton *pullDown = b.bar.overflowPopUpButton();
    Q_EMIT pullDown->menuWillPopUp();
    QStringList titles;
    for (const QAction *action : pullDown->menu()->actions())
        titles << action->text();
    return titles;
}

// The menu lists, after its title line, the tab the last pass gave the overflow
// button and then every other tab without a button of its own (the overflow button
// may show the selected one meanwhile), those in the tab view's order as it is now.
void expectMenuInTheOrderNow(const Bar &b, const QStringList &menu, const std::string &where)
{
    std::vector<const KZAttachedTabBarButton *> buttons;
    for (const KZAttachedTabBarButton *button : b.bar.orderedAttachedButtons())
        if (!button->isOverflowButton())
            buttons.push_back(button);
    QStringList hidden;
    for (const platform::TabViewItemPtr &item : b.tabView.tabViewItems()) {
        if (std::none_of(buttons.begin(), buttons.end(), [&item](auto *button) { return button->tabViewItem() == item; }))
            hidden << item->label();
    }
    ASSERT_EQ(menu.size(), hidden.size() + 1) << where;
    EXPECT_EQ(menu.first(), QString()) << where;
    hidden.removeOne(menu.value(1));
    EXPECT_EQ(menu.mid(2), hidden) << where;
}

} // namespace

// The overflow menu opened right after one of the bar's own moves, or after a tab's
// label changed, with no pass between, lists the tabs in their order and with their
// labels now, also when it had been opened (and so built) before; seeded runs of
// moves, new labels, openings and passes.
TEST(TabBarViewMoves, TheOverflowMenuListsTheOrderAfterAMove)
{
    int openings = 0, relabels = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        QStringList titles;
        for (int i = 0; i < 8; ++i)
            titles << QString::number(60 + i);
        Bar b(titles, 340);
        b.bar.updateTabBar(false);
        ASSERT_NE(b.bar.overflowAttachedButton(), nullptr);
        std::mt19937 random(seed);
        const auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        for (int step = 0; step < 30; ++step) {
            const int kind = pick(7);
            if (kind == 6) {
                // A new label, unique in the bar.
                b.tabView.tabViewItems()[size_t(pick(8))]->setLabel(QString::number(100 + relabels++));
            } else if (kind < 3) {
                b.bar.moveTabViewItem(b.tabView.tabViewItems()[size_t(pick(8))], pick(8));
            } else if (kind < 5) {
                ++openings;
                expectMenuInTheOrderNow(b, openedMenu(b), "seed " + std::to_string(seed) + " step " + std::to_string(step));
            } else {
                b.bar.updateTabBar(false);
            }
        }
    }
    EXPECT_GT(openings, 300);
    EXPECT_GT(relabels, 100);
}
