// A bar that animates its passes, shown in a window, under edits made while its tabs
// slide: seeded random inserts, removals, moves (the bar's own and the tab view's),
// selections, resizes and drags of a tab along the row (with such edits between its
// moves, ended by a drop or a lost grab), with the media clock moved on by random
// amounts between them (so that many land in the middle of a slide). Whenever the bar has come to
// rest (nothing animates, no pass pending) it must draw what a pass without
// animation draws: the buttons in the tab view's order, side by side at their
// frames, the overflow button right of the last one, every item with a button or in
// the menu, and no button marked as sliding; after a drop the tab view holds the
// order the user dropped. The menu, whenever it opens, lists exactly what the bar
// hides.
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarController.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabDragAssistant.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QMenu>
#include <gtest/gtest.h>
#include <functional>
#include <random>
#include <set>

namespace {

using platform::TabView;
using platform::TabViewItem;

void deliver()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void advance(int msecs)
{
    platform::Clock::advance(msecs);
    platform::AnimationDriver::instance()->tick();
    deliver();
}

// What the bar shows: per button its item, frame, overflow mark and selection; the
// overflow pull-down's frame when visible; the menu's titles.
struct Drawn
{
    std::vector<QString> items;
    std::vector<QRect> frames;
    std::vector<bool> overflow;
    std::vector<bool> on;
    QRect pullDown;
    QStringList menu;
    bool operator==(const Drawn &) const = default;
};

Drawn drawn(const KZTabBarView &bar)
{
    Drawn d;
    for (KZAttachedTabBarButton *button : bar.orderedAttachedButtons()) {
        d.items.push_back(button->tabViewItem() ? button->tabViewItem()->label() : QStringLiteral("(none)"));
        d.frames.push_back(button->geometry());
        d.overflow.push_back(button->isOverflowButton());
        d.on.push_back(button->state() == platform::Cell::State::On);
    }
    if (bar.isOverflowButtonVisible())
        d.pullDown = bar.overflowPopUpButton()->geometry();
    if (QMenu *menu = bar.controller()->overflowMenu())
        for (QAction *action : menu->actions())
            d.menu << action->text();
    return d;
}

// The overflow button's item is left out unless asked for: which item is pinned to it
// may change with the next pass.
QString describe(const Drawn &d, bool withPinnedItem = true)
{
    QStringList parts;
    for (size_t i = 0; i < d.items.size(); ++i)
        parts << QStringLiteral("%1%2%3@%4+%5")
                     .arg(d.overflow[i] && !withPinnedItem ? QString() : d.items[i],
                          d.overflow[i] ? QStringLiteral("^") : QString(), d.on[i] ? QStringLiteral("*") : QString())
                     .arg(d.frames[i].x())
                     .arg(d.frames[i].width());
    return parts.join(u' ') + QStringLiteral(" | pull-down x %1 w %2 | menu %3")
                                  .arg(d.pullDown.x())
                                  .arg(d.pullDown.width())
                                  .arg(d.menu.join(u','));
}

struct Window
{
    TabView tabView;
    KZTabBarView bar;
    int made = 0;

    Window(int tabs, int width, bool alwaysShowActiveTab)
    {
        bar.setStyle(std::make_shared<tabbartest::BuiltInStyle>());
        bar.setTabView(&tabView);
        tabView.setDelegate(&bar);
        bar.setAlwaysShowActiveTab(alwaysShowActiveTab);
        for (int i = 0; i < tabs; ++i)
            addTab(i);
        bar.resize(width, 22);
        bar.setAutomaticallyAnimates(true);
        bar.show();
        settle();
    }
    ~Window() { tabView.setDelegate(nullptr); }

    void addTab(int index)
    {
        auto item = TabViewItem::create();
        item->setLabel(QStringLiteral("T%1").arg(made++));
        tabView.insertTabViewItem(item, index);
    }

    // The bar's own slide, and the one a drag runs (a tab sliding home after a drop).
    bool atRest() const
    {
        return !bar.isAnimating() && !bar.needsUpdate() && !KZTabDragAssistant::sharedDragAssistant()->slideAnimation();
    }

    // Moves the media clock on until the bar is at rest.
    void settle()
    {
        for (int round = 0; round < 400 && !atRest(); ++round)
            advance(40);
        ASSERT_TRUE(atRest());
    }
};

// The bar at rest, checked from what it draws.
void expectRestingRow(const Window &w, const std::string &where)
{
    SCOPED_TRACE(where);
    const KZTabBarView &bar = w.bar;
    const auto &items = w.tabView.tabViewItems();
    const auto selected = w.tabView.selectedTabViewItem();
    const std::vector<KZAttachedTabBarButton *> buttons = bar.orderedAttachedButtons();
    const Drawn d = drawn(bar);
    SCOPED_TRACE(describe(d).toStdString());
    ASSERT_FALSE(buttons.empty());
    ASSERT_LE(buttons.size(), items.size());
    int left = 6; // the built-in left margin
    int on = 0;
    for (size_t i = 0; i < buttons.size(); ++i) {
        KZAttachedTabBarButton *button = buttons[i];
        ASSERT_TRUE(button->tabViewItem()) << i;
        const bool last = i + 1 == buttons.size();
        // The first items have their buttons in order; the last button may be the
        // overflow button showing an item from further on pinned to it (the selected
        // one, or one selected earlier: a selection elsewhere leaves it until a pass).
        if (!(last && button->isOverflowButton() && w.tabView.indexOfTabViewItem(button->tabViewItem().get()) > int(i))) {
            EXPECT_EQ(button->tabViewItem(), items[i]) << "button " << i;
        }
        EXPECT_FALSE(button->isSliding()) << i;
        EXPECT_EQ(button->tabState() & 0x30u, 0u) << "no neighbour slides, button " << i;
        EXPECT_EQ(button->geometry(), button->stackingFrame().toRect()) << i;
        EXPECT_EQ(button->geometry().x(), left) << i;
        EXPECT_GT(button->width(), 0) << i;
        left += button->width();
        EXPECT_EQ(button->isOverflowButton(), last && buttons.size() < items.size()) << i;
        on += button->state() == platform::Cell::State::On ? 1 : 0;
        EXPECT_EQ(button->state() == platform::Cell::State::On, button->tabViewItem() == selected) << i;
    }
    EXPECT_EQ(on, 1);
    EXPECT_LE(left, bar.width());
    // Every item has a button or stands in the menu (with the overflow button's).
    const bool overflows = buttons.size() < items.size();
    EXPECT_EQ(bar.isOverflowButtonVisible(), overflows);
    if (overflows) {
        EXPECT_GE(bar.overflowPopUpButton()->geometry().x(), left) << "the pull-down stands right of the last tab";
        std::set<QString> listed(d.menu.begin(), d.menu.end());
        for (size_t i = buttons.size() - 1; i < items.size(); ++i)
            EXPECT_TRUE(listed.count(items[i]->label())) << items[i]->label().toStdString() << " is in the menu";
        EXPECT_EQ(d.menu.size(), qsizetype(items.size() - buttons.size()) + 2); // title line, overflow button's item
    }
}

// The menu, when it opens, lists exactly what the bar hides: the overflow button's
// item and every item without a button, each once.
void expectMenuListsTheHiddenItems(Window &w, const std::string &where)
{
    SCOPED_TRACE(where);
    QStringList hidden;
    std::set<const TabViewItem *> withButtons;
    KZAttachedTabBarButton *overflowButton = nullptr;
    for (KZAttachedTabBarButton *button : w.bar.orderedAttachedButtons()) {
        if (button->isOverflowButton())
            overflowButton = button;
        else if (button->tabViewItem())
            withButtons.insert(button->tabViewItem().get());
    }
    if (overflowButton && overflowButton->tabViewItem())
        hidden << overflowButton->tabViewItem()->label();
    for (const auto &item : w.tabView.tabViewItems())
        if (!withButtons.count(item.get()) && (!overflowButton || overflowButton->tabViewItem() != item))
            hidden << item->label();
    QStringList listed;
    if (QMenu *menu = w.bar.controller()->overflowMenu())
        for (QAction *action : menu->actions().mid(1))
            listed << action->text();
    hidden.sort();
    listed.sort();
    EXPECT_EQ(listed.join(u',').toStdString(), hidden.join(u',').toStdString()) << describe(drawn(w.bar)).toStdString();
}

void sendMouse(KZAttachedTabBarButton *button, QEvent::Type type, QPoint inBar, KZTabBarView &bar)
{
    const QPointF local = button->mapFrom(&bar, inBar);
    QMouseEvent event(type, local, button->mapToGlobal(local), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &event);
}

QStringList labelsOf(const TabView &tabView, const QStringList &among)
{
    QStringList out;
    for (const auto &item : tabView.tabViewItems())
        if (among.contains(item->label()))
            out << item->label();
    return out;
}

// A tab pressed, dragged along the row to random places with edits of the tab view
// and of the bar's width between the moves, then dropped or its grab lost. Answers
// what to expect once the bar rests: the row's order at the drop (every tab of it
// that is still there stands in the tab view in that order) or, after a lost grab,
// the order the tab view had (the drag moved nothing).
QStringList dragWithEdits(Window &w, int width, const std::function<int(int)> &pick, QStringList &done)
{
    const std::vector<KZAttachedTabBarButton *> buttons = w.bar.orderedAttachedButtons();
    QPointer<KZAttachedTabBarButton> button = buttons[size_t(pick(int(buttons.size())))];
    const QString dragged = button->tabViewItem()->label();
    QStringList before;
    for (const auto &item : w.tabView.tabViewItems())
        before << item->label();
    QPoint at = button->geometry().center();
    sendMouse(button, QEvent::MouseButtonPress, at, w.bar);
    at += QPoint(pick(2) ? 8 : -8, 0);
    sendMouse(button, QEvent::MouseMove, at, w.bar);
    done << QStringLiteral("drag %1").arg(dragged);
    const int moves = 1 + pick(6);
    for (int m = 0; m < moves && button && button->isInDraggedSlide(); ++m) {
        at.setX(pick(w.bar.width() + 40) - 20);
        sendMouse(button, QEvent::MouseMove, at, w.bar);
        const int count = w.tabView.numberOfTabViewItems();
        switch (pick(7)) {
        case 0:
            if (count >= 16)
                break;
            w.addTab(0);
            done << QStringLiteral("insert at the front");
            break;
        case 1:
            if (count >= 16)
                break;
            w.addTab(count);
            done << QStringLiteral("append");
            break;
        case 2:
            if (count >= 16)
                break;
            w.addTab(pick(count + 1));
            done << QStringLiteral("insert");
            break;
        case 3:
            if (count > 2) {
                const auto item = w.tabView.tabViewItemAtIndex(pick(count));
                done << QStringLiteral("remove %1").arg(item->label());
                w.tabView.removeTabViewItem(item.get());
            }
            break;
        case 4:
            w.bar.resize(width - 200 + pick(400), 22);
            done << QStringLiteral("resize");
            break;
        case 5:
            w.tabView.selectTabViewItemAtIndex(pick(count));
            done << QStringLiteral("select");
            break;
        default:
            break;
        }
        deliver();
        // While the tab is held, tabs added meanwhile wait in the menu: the pull-down
        // shows whenever some tab has no button, and lists exactly those.
        if (button && button->isInDraggedSlide()) {
            std::set<const TabViewItem *> withButtons;
            for (KZAttachedTabBarButton *each : w.bar.orderedAttachedButtons())
                if (!each->isOverflowButton())
                    withButtons.insert(each->tabViewItem().get());
            const bool someHidden = std::any_of(w.tabView.tabViewItems().begin(), w.tabView.tabViewItems().end(),
                                                [&](const auto &item) { return !withButtons.count(item.get()); });
            EXPECT_EQ(w.bar.isOverflowButtonVisible(), someHidden) << done.join(u',').toStdString();
            expectMenuListsTheHiddenItems(w, done.join(u',').toStdString());
        }
        advance(pick(4) * 60);
    }
    if (!button || !button->isInDraggedSlide())
        return {}; // the dragged tab's item went: the slide ended with it
    QStringList row;
    // The overflow button shows a tab of the menu (the selected one, pinned to it):
    // not one whose place the drop decides.
    for (KZAttachedTabBarButton *each : w.bar.orderedAttachedButtons())
        if (each->tabViewItem() && each->tabViewItem()->tabView() == &w.tabView
            && (!each->isOverflowButton() || each == button))
            row << each->tabViewItem()->label();
    if (pick(4) == 0) {
        QEvent ungrab(QEvent::UngrabMouse);
        QApplication::sendEvent(button, &ungrab);
        done << QStringLiteral("grab lost");
        QStringList kept;
        for (const QString &label : before)
            if (std::any_of(w.tabView.tabViewItems().begin(), w.tabView.tabViewItems().end(),
                            [&label](const auto &item) { return item->label() == label; }))
                kept << label;
        return kept;
    }
    sendMouse(button, QEvent::MouseButtonRelease, at, w.bar);
    done << QStringLiteral("drop");
    return row;
}

void runSlidingEdits(unsigned seed, int width, bool alwaysShowActiveTab)
{
    SCOPED_TRACE(QStringLiteral("seed %1, %2 wide%3")
                     .arg(seed)
                     .arg(width)
                     .arg(alwaysShowActiveTab ? QStringLiteral(", always showing the active tab") : QString())
                     .toStdString());
    Window w(4, width, alwaysShowActiveTab);
    std::mt19937 random(seed);
    const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    for (int step = 0; step < 400; ++step) {
        // A few edits, each given a random part of a slide (or none) before the next.
        const int edits = 1 + pick(3);
        QStringList done;
        for (int e = 0; e < edits; ++e) {
            const int count = w.tabView.numberOfTabViewItems();
            const int op = pick(8);
            if (op >= 6 && count >= 2) {
                w.settle();
                const QStringList expected = dragWithEdits(w, width, pick, done);
                w.settle();
                if (!expected.isEmpty()) {
                    EXPECT_EQ(labelsOf(w.tabView, expected).join(u',').toStdString(), expected.join(u',').toStdString())
                        << "the tab view holds the order of the drop, step " << step << ": "
                        << done.join(u',').toStdString();
                }
                continue;
            }
            if ((op == 0 && count < 14) || count < 2) {
                w.addTab(pick(count + 1));
                done << QStringLiteral("insert");
            } else if (op == 1) {
                w.tabView.removeTabViewItem(w.tabView.tabViewItemAtIndex(pick(count)).get());
                done << QStringLiteral("remove");
            } else if (op == 2) {
                // The bar's own move asks for no pass: its callers lay the bar out.
                w.bar.moveTabViewItem(w.tabView.tabViewItemAtIndex(pick(count)), pick(count));
                expectMenuListsTheHiddenItems(w, QStringLiteral("step %1, after the bar's move").arg(step).toStdString());
                w.bar.setNeedsUpdate(true);
                done << QStringLiteral("bar move");
            } else if (op == 3) {
                const auto item = w.tabView.tabViewItemAtIndex(pick(count));
                w.tabView.removeTabViewItem(item.get());
                w.tabView.insertTabViewItem(item, pick(count));
                done << QStringLiteral("tab view move");
            } else if (op == 4) {
                w.bar.resize(width - 200 + pick(400), 22);
                done << QStringLiteral("resize");
            } else {
                w.tabView.selectTabViewItemAtIndex(pick(count));
                done << QStringLiteral("select");
            }
            deliver();
            advance(pick(4) * 60);
        }
        w.settle();
        const std::string where = QStringLiteral("step %1: %2").arg(step).arg(done.join(u',')).toStdString();
        expectRestingRow(w, where);
        // A pass without animation changes nothing of what the bar draws (but the item
        // pinned to the overflow button when the selected one has a button of its own).
        const Drawn rested = drawn(w.bar);
        w.bar.updateTabBar(false);
        deliver();
        ASSERT_EQ(describe(drawn(w.bar), false).toStdString(), describe(rested, false).toStdString()) << where;
        if (::testing::Test::HasFailure())
            return;
    }
}

// Animations follow the media clock, frozen here: they move only when a step moves it.
class TabBarSlides : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::AnimationDriver::instance();
        platform::Clock::setNow(QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC));
    }
    void TearDown() override { platform::Clock::useSystemClock(); }
};

} // namespace

TEST_F(TabBarSlides, EditsDuringSlidesSettleInTheTabViewOrder)
{
    for (const unsigned seed : {71u, 72u})
        for (const int width : {2200, 560})
            runSlidingEdits(seed, width, false);
}

TEST_F(TabBarSlides, EditsDuringSlidesSettleInTheTabViewOrderAlwaysShowingTheActiveTab)
{
    for (const unsigned seed : {73u, 74u})
        for (const int width : {2200, 560})
            runSlidingEdits(seed, width, true);
}
