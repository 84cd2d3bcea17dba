// Mouse input, foreign drops and spring-loading of the tab bar control.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/VTTabDragAssistant.h"
#include "platform/desktop/KeyState.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/layers/DragSession.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

#include <random>

using namespace tabbarcontroltest;

namespace {

class InputDelegate : public RecordingDelegate
{
public:
    bool allowDrag = true;
    QStringList accepted;
    std::optional<bool> tabViewShouldDragTabViewItemFromTabBar(TabView *, TabViewItem *, VTTabBarControl *) override
    {
        return allowDrag;
    }
    void tabViewAcceptedDraggingInfoOnTabViewItem(TabView *, const QMimeData *, TabViewItem *item) override
    {
        accepted << (item ? item->label() : QStringLiteral("none"));
    }
};

struct InputBar : Bar
{
    InputDelegate delegate;
    explicit InputBar(int items) : Bar(600, items)
    {
        delegate.control = control.get();
        control->setDelegate(&delegate);
        control->show();
        control->updateTabBar(false);
    }
    void send(QEvent::Type type, QPointF point, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, control->mapToGlobal(point), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(control.get(), &event);
    }
    QPointF closeCentre(int i) const
    {
        return cell(i)->closeButtonRectForFrame(cell(i)->frame()).center();
    }
    QString selected() const { return tabView.selectedTabViewItem() ? tabView.selectedTabViewItem()->label() : QString(); }
    QStringList labels() const
    {
        QStringList out;
        for (const auto &item : tabView.tabViewItems())
            out << item->label();
        return out;
    }
};

} // namespace

TEST(TabBarControlInput, BackgroundCloseSelectsUnlessCommandArmsIt)
{
    InputBar bar(3);
    bar.control->setAllowsBackgroundTabClosing(false);
    bar.send(QEvent::MouseButtonPress, bar.closeCentre(1));
    EXPECT_FALSE(bar.control->isClosePressed());
    bar.send(QEvent::MouseButtonRelease, bar.closeCentre(1));
    EXPECT_EQ(bar.selected(), QStringLiteral("Tab 1"));
    EXPECT_EQ(bar.labels().size(), 3);

    bar.send(QEvent::MouseButtonPress, bar.closeCentre(2), Qt::ControlModifier);
    EXPECT_TRUE(bar.control->isClosePressed());
    EXPECT_TRUE(bar.cell(2)->closeButtonPressed());
}

// Without background closing only the background tabs lose their close buttons: the
// selected tab still closes by its own, clicked at once or pressed, dragged off and
// back and released on it.
TEST(TabBarControlInput, SelectedTabClosesByItsCloseButtonWithoutBackgroundClosing)
{
    InputBar bar(3);
    bar.control->setAllowsBackgroundTabClosing(false);
    bar.tabView.selectTabViewItemAtIndex(1);
    ASSERT_EQ(bar.selected(), QStringLiteral("Tab 1"));
    bar.send(QEvent::MouseButtonPress, bar.closeCentre(1));
    EXPECT_TRUE(bar.control->isClosePressed());
    EXPECT_TRUE(bar.cell(1)->closeButtonPressed());
    bar.send(QEvent::MouseButtonRelease, bar.closeCentre(1));
    EXPECT_EQ(bar.labels(), (QStringList{QStringLiteral("Tab 0"), QStringLiteral("Tab 2")}));

    bar.tabView.selectTabViewItemAtIndex(0);
    bar.control->updateTabBar(false);
    const QPointF close = bar.closeCentre(0);
    const QPointF elsewhere = bar.cell(0)->frame().center() + QPointF(20, 0);
    bar.send(QEvent::MouseButtonPress, close);
    bar.send(QEvent::MouseMove, elsewhere);
    EXPECT_FALSE(bar.cell(0)->closeButtonPressed());
    bar.send(QEvent::MouseMove, close);
    EXPECT_TRUE(bar.cell(0)->closeButtonPressed());
    bar.send(QEvent::MouseButtonRelease, close);
    EXPECT_EQ(bar.labels(), QStringList{QStringLiteral("Tab 2")});
}

TEST(TabBarControlInput, CloseButtonClosesOnlyWhenReleasedOnIt)
{
    InputBar bar(3);
    const QPointF close = bar.closeCentre(0);
    const QPointF elsewhere = bar.cell(0)->frame().center() + QPointF(20, 0);
    bar.send(QEvent::MouseButtonPress, close);
    bar.send(QEvent::MouseMove, elsewhere);
    EXPECT_FALSE(bar.cell(0)->closeButtonPressed());
    bar.send(QEvent::MouseButtonRelease, elsewhere);
    EXPECT_EQ(bar.labels().size(), 3);

    bar.send(QEvent::MouseButtonPress, close);
    bar.send(QEvent::MouseMove, elsewhere);
    bar.send(QEvent::MouseMove, close);
    bar.send(QEvent::MouseButtonRelease, close);
    EXPECT_EQ(bar.labels(), (QStringList{QStringLiteral("Tab 1"), QStringLiteral("Tab 2")}));

    // Option on release closes every other tab.
    bar.add(QStringLiteral("Tab 3"));
    bar.control->updateTabBar(false);
    bar.send(QEvent::MouseButtonPress, bar.closeCentre(1));
    bar.send(QEvent::MouseButtonRelease, bar.closeCentre(1), Qt::AltModifier);
    EXPECT_EQ(bar.labels(), QStringList{QStringLiteral("Tab 2")});
}

TEST(TabBarControlInput, ADragStartsAfterTenPointsOncePerClick)
{
    InputBar bar(3);
    VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();
    const QPointF start = bar.cell(1)->frame().center() - QPointF(20, 0);
    bar.send(QEvent::MouseButtonPress, start);
    bar.send(QEvent::MouseMove, start + QPointF(6, 7)); // 9.2 points
    EXPECT_FALSE(assistant->isDragging());
    bar.send(QEvent::MouseMove, start + QPointF(10, 0));
    ASSERT_TRUE(assistant->isDragging());
    EXPECT_TRUE(bar.control->didDrag());
    VTTabBarCell *dragged = assistant->draggedCell();
    bar.send(QEvent::MouseMove, start + QPointF(30, 0));
    EXPECT_EQ(assistant->draggedCell(), dragged);
    ASSERT_NE(platform::DragSession::current(), nullptr);
    platform::DragSession::current()->cancel();
    for (QObject *child : qApp->children()) // a sliding-back picture would outlive the test
        delete qobject_cast<platform::DragSession *>(child);
    EXPECT_FALSE(assistant->isDragging());
    EXPECT_EQ(bar.labels().size(), 3);
    EXPECT_EQ(bar.control->cells().size(), 3u);
}

TEST(TabBarControlInput, ResizingStopsShortOfTheLimitsAndMovesThePartner)
{
    QWidget window;
    window.resize(600, 300);
    Bar bar(120, 2, 300);
    bar.control->setParent(&window);
    bar.control->setOrientation(1);
    bar.control->setGeometry(0, 0, 120, 300);
    QWidget partner(&window);
    partner.setGeometry(120, 0, 480, 300);
    bar.control->setPartnerView(&partner);
    bar.control->setAllowsResizing(true);
    bar.control->setCellMinWidth(100);
    bar.control->setCellMaxWidth(140);
    window.show();

    auto send = [&](QEvent::Type type, QPointF point) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, bar.control->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(bar.control.get(), &event);
    };
    send(QEvent::MouseButtonPress, QPointF(118.5, 150));
    ASSERT_TRUE(bar.control->isResizing());
    send(QEvent::MouseMove, QPointF(128.5, 150));
    EXPECT_EQ(bar.control->width(), 130);
    EXPECT_EQ(partner.geometry(), QRect(130, 0, 470, 300));
    send(QEvent::MouseMove, QPointF(140.5, 150)); // 140 is not below the maximum
    EXPECT_EQ(bar.control->width(), 130);
    send(QEvent::MouseMove, QPointF(118.5, 150));
    EXPECT_EQ(bar.control->width(), 108);
    EXPECT_EQ(partner.geometry(), QRect(108, 0, 492, 300));
    send(QEvent::MouseMove, QPointF(110.5, 150)); // 100 is not above the minimum
    EXPECT_EQ(bar.control->width(), 108);
    send(QEvent::MouseButtonRelease, QPointF(110.5, 150));
    EXPECT_FALSE(bar.control->isResizing());
}

TEST(TabBarControlInput, SpringLoadingOfForeignDrags)
{
    platform::UserDefaults::standardUserDefaults().removeObjectForKey(VTTabBarControl::SpringingDelayKey);
    InputBar bar(3);
    QMimeData data;
    // Another program's drag that carries the tab type is still foreign.
    data.setData(platform::DragInfo::formatForPasteboardType(VTTabBarControl::DraggedType), "0");
    auto over = [&](QPointF point) {
        return platform::DragInfo(&data, bar.control->mapToGlobal(point.toPoint()), Qt::CopyAction);
    };
    const QPointF onOne = bar.cell(1)->frame().center();
    const QPointF onTwo = bar.cell(2)->frame().center();
    EXPECT_EQ(bar.control->dragEntered(over(onOne)), Qt::IgnoreAction);
    EXPECT_EQ(bar.control->dragUpdated(over(onOne)), Qt::CopyAction);
    QTimer *first = bar.control->springTimer();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->interval(), 668);
    bar.control->dragUpdated(over(onOne + QPointF(3, 0)));
    EXPECT_EQ(bar.control->springTimer(), first);
    bool firstGone = false;
    QObject::connect(first, &QObject::destroyed, [&firstGone] { firstGone = true; });
    bar.control->dragUpdated(over(onTwo));
    ASSERT_NE(bar.control->springTimer(), nullptr);
    EXPECT_TRUE(firstGone); // another tab restarts the delay
    EXPECT_TRUE(bar.control->springTimer()->isActive());
    bar.control->fireSpring(bar.control->springTimer());
    EXPECT_EQ(bar.selected(), QStringLiteral("Tab 2"));

    {
        platform::KeyState::Fake space(Qt::NoModifier, {platform::KeyState::SpaceVirtualKey});
        bar.control->dragUpdated(over(onOne));
        EXPECT_EQ(bar.selected(), QStringLiteral("Tab 1"));
    }

    // The spring fires where the drag is by then: over no tab it selects nothing.
    bar.control->dragUpdated(over(bar.cell(2)->frame().center()));
    bar.control->dragUpdated(over(QPointF(590, 10)));
    bar.control->fireSpring(bar.control->springTimer());
    EXPECT_EQ(bar.selected(), QStringLiteral("Tab 1"));

    EXPECT_TRUE(bar.control->performDrop(over(onTwo)));
    EXPECT_EQ(bar.delegate.accepted, QStringList{QStringLiteral("Tab 2")});
    EXPECT_EQ(bar.labels().size(), 3);
}

// The space bar over a tab selects it at once, whether a spring count is running for
// it (the count ends at the next pass of the event loop) or not (a drag that arrives
// with the space bar already down: none is started, the tab is selected there and
// then); a modifier held with it leaves the ordinary delay.
TEST(TabBarControlInput, SpaceSelectsAtOnceWithOrWithoutASpringCount)
{
    platform::UserDefaults::standardUserDefaults().removeObjectForKey(VTTabBarControl::SpringingDelayKey);
    InputBar bar(3);
    QMimeData data;
    data.setText(QStringLiteral("a note"));
    auto over = [&](QPointF point) {
        return platform::DragInfo(&data, bar.control->mapToGlobal(point.toPoint()), Qt::CopyAction);
    };
    ASSERT_EQ(bar.selected(), QStringLiteral("Tab 0"));
    {
        platform::KeyState::Fake space(Qt::NoModifier, {platform::KeyState::SpaceVirtualKey});
        EXPECT_EQ(bar.control->dragUpdated(over(bar.cell(2)->frame().center())), Qt::CopyAction);
        EXPECT_EQ(bar.selected(), QStringLiteral("Tab 2"));
        EXPECT_EQ(bar.control->springTimer(), nullptr);
    }
    // A count running for the tab: the space bar ends it now.
    bar.control->dragUpdated(over(bar.cell(1)->frame().center()));
    ASSERT_NE(bar.control->springTimer(), nullptr);
    {
        platform::KeyState::Fake space(Qt::NoModifier, {platform::KeyState::SpaceVirtualKey});
        bar.control->dragUpdated(over(bar.cell(1)->frame().center()));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.selected() == QStringLiteral("Tab 1"); }, 5000));
    EXPECT_EQ(bar.control->springTimer(), nullptr);
    // With Shift the space bar is not the spring key: the delay counts as usual.
    {
        platform::KeyState::Fake shiftSpace(Qt::ShiftModifier, {platform::KeyState::SpaceVirtualKey});
        bar.control->dragUpdated(over(bar.cell(0)->frame().center()));
    }
    EXPECT_EQ(bar.selected(), QStringLiteral("Tab 1"));
    ASSERT_NE(bar.control->springTimer(), nullptr);
    EXPECT_TRUE(bar.control->springTimer()->isActive());
    bar.control->dragExited(over(QPointF(590, 10)));
    EXPECT_EQ(bar.control->springTimer(), nullptr);
}

namespace {

// A delegate that vetoes closing the tabs whose labels it holds.
class VetoingDelegate : public InputDelegate
{
public:
    QSet<QString> vetoed;
    std::optional<bool> tabViewDisableTabCloseForTabViewItem(TabView *, TabViewItem *item) override
    {
        return vetoed.contains(item->label());
    }
};

} // namespace

// Whatever rule shows a tab (the row, equal shares without a menu, or the two-tab
// rule of a bar too narrow for one), its close button follows the veto: a seeded run
// of widths, tab counts, vetoes and the control's own switches, after each of which
// every shown close button is clicked; a vetoed or disabled one closes nothing.
TEST(TabBarControlInput, ACloseVetoHoldsForEveryShownTab)
{
    InputBar bar(0);
    VetoingDelegate delegate;
    delegate.control = bar.control.get();
    bar.control->setDelegate(&delegate);
    std::mt19937 random(3307);
    const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    int made = 0;
    const int widths[] = {60, 100, 180, 260, 400, 700};
    for (int k = 0; k < 3; ++k)
        bar.add(QStringLiteral("Tab %1").arg(made++));
    int clicked = 0, closed = 0;
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        const int count = bar.tabView.numberOfTabViewItems();
        switch (pick(7)) {
        case 0:
            bar.control->resize(widths[pick(6)], 22);
            break;
        case 1:
            if (count < 9)
                bar.add(QStringLiteral("Tab %1").arg(made++));
            break;
        case 2:
            if (count > 1)
                bar.tabView.removeTabViewItem(bar.tabView.tabViewItemAtIndex(pick(count)).get());
            break;
        case 3: {
            // Most steps veto every tab, as the delegate of a bar of pinned tabs does.
            delegate.vetoed.clear();
            for (const auto &item : bar.tabView.tabViewItems())
                if (pick(4) != 0)
                    delegate.vetoed.insert(item->label());
            bar.control->updateTabBar(false);
            break;
        }
        case 4:
            bar.control->setDisableTabClose(pick(3) == 0);
            break;
        case 5:
            bar.control->setCanCloseOnlyTab(pick(2) == 0);
            break;
        default:
            bar.control->setUseOverflowMenu(pick(4) != 0);
            break;
        }
        if (bar.tabView.numberOfTabViewItems() < 2)
            bar.add(QStringLiteral("Tab %1").arg(made++));
        bar.control->updateTabBar(false);

        const int n = int(bar.control->cells().size());
        QStringList shown;
        for (int i = 0; i < n; ++i) {
            VTTabBarCell *cell = bar.cell(i);
            if (cell->isInOverflowMenu())
                continue;
            const QString label = cell->representedObject()->label();
            shown << label;
            const bool closable = !bar.control->disableTabClose() && !delegate.vetoed.contains(label)
                && (n > 1 || bar.control->canCloseOnlyTab());
            ASSERT_EQ(cell->isCloseButtonSuppressed(), !closable) << label.toStdString() << " of " << n;
        }
        // Click every shown close button whose tab may not close; then, now and
        // then, one whose tab may.
        for (const QString &label : shown) {
            const QStringList before = bar.labels();
            const int i = int(before.indexOf(label));
            if (i < 0 || bar.cell(i)->isInOverflowMenu())
                continue;
            const bool closable = !bar.control->disableTabClose() && !delegate.vetoed.contains(label)
                && (before.size() > 1 || bar.control->canCloseOnlyTab());
            if (closable && pick(3) != 0)
                continue;
            bar.send(QEvent::MouseButtonPress, bar.closeCentre(i));
            bar.send(QEvent::MouseButtonRelease, bar.closeCentre(i));
            ++clicked;
            if (closable) {
                if (bar.labels().contains(label))
                    continue; // a sliver of a tab: the point missed its close button
                ++closed;
                break; // the row has changed
            }
            ASSERT_EQ(bar.labels(), before) << "a click closed " << label.toStdString();
        }
    }
    EXPECT_GT(clicked, 400);
    EXPECT_GT(closed, 10);
}
