// The selection the tab bar control draws after tabs are moved by dragging them
// within the bar: a seeded run of drags to random places and of selections, with
// the cells checked against the tab view after every step.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabDragAssistant.h"
#include "platform/layers/DragSession.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <random>

using namespace tabbarcontroltest;

namespace {

class ReorderDelegate : public RecordingDelegate
{
public:
    std::optional<bool> tabViewShouldDragTabViewItemFromTabBar(TabView *, TabViewItem *, VTTabBarControl *) override
    {
        return true;
    }
    std::optional<bool> tabViewShouldDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *bar) override
    {
        return bar != nullptr;
    }
    std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBar(TabView *, TabViewItem *, VTTabBarControl *) override
    {
        return false;
    }
};

struct ShownBar : Bar
{
    QWidget window;
    ReorderDelegate delegate;
    explicit ShownBar(int items) : Bar(600, items)
    {
        window.resize(600, 100);
        control->setParent(&window);
        delegate.control = control.get();
        control->setDelegate(&delegate);
        window.show();
        control->updateTabBar(false);
    }
    ~ShownBar() { control->setParent(nullptr); }
};

// Lets the drag session go (it deletes itself from the event loop otherwise).
void endSession()
{
    for (QObject *child : qApp->children())
        if (auto *session = qobject_cast<platform::DragSession *>(child)) {
            if (session->isActive())
                session->cancel();
            delete session;
        }
}

// The cells stand in the tab view's order and exactly one is drawn selected, the
// cell of the selected item. After a layout its neighbours carry the
// beside-the-selection bits and no other cell does (a selection alone moves those
// bits by the control's own rules, which the next layout sets right).
void expectCellsMatchTabView(const ShownBar &bar, bool laidOut)
{
    const auto &cells = bar.control->cells();
    const auto &items = bar.tabView.tabViewItems();
    ASSERT_EQ(cells.size(), items.size());
    const platform::TabViewItemPtr selected = bar.tabView.selectedTabViewItem();
    int drawn = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const VTTabBarCell &cell = *cells[i];
        EXPECT_FALSE(cell.isPlaceholder());
        EXPECT_EQ(cell.representedObject(), items[i]) << i;
        const bool isSelected = items[i] == selected;
        EXPECT_EQ(cell.state() == platform::Cell::State::On, isSelected) << i;
        EXPECT_EQ(bool(cell.tabState() & VTTabBarCell::SelectedTab), isSelected) << i;
        drawn += cell.state() == platform::Cell::State::On;
        if (!laidOut)
            continue;
        const bool rightOfSelected = i > 0 && items[i - 1] == selected;
        const bool leftOfSelected = i + 1 < items.size() && items[i + 1] == selected;
        EXPECT_EQ(bool(cell.tabState() & VTTabBarCell::LeftIsSelected), rightOfSelected) << i;
        EXPECT_EQ(bool(cell.tabState() & VTTabBarCell::RightIsSelected), leftOfSelected) << i;
    }
    EXPECT_EQ(drawn, 1);
}

} // namespace

TEST(TabBarControlMoves, RandomDragsAndSelections)
{
    ShownBar bar(5);
    VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();
    std::mt19937 random(5611);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    int reorders = 0;
    for (int step = 0; step < 1000; ++step) {
        SCOPED_TRACE(step);
        const int kind = pick(5);
        if (kind < 2) {
            VTTabBarCell *cell = bar.cell(pick(5));
            const QPointF press = cell->frame().center();
            QMouseEvent event(QEvent::MouseButtonPress, press, bar.control->mapToGlobal(press), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            assistant->startDraggingCell(cell, bar.control.get(), &event);
            ASSERT_TRUE(assistant->isDragging());
            const qreal x = std::uniform_real_distribution<qreal>(0, bar.control->width())(random);
            assistant->draggingUpdatedInTabBar(bar.control.get(), QPointF(x, press.y()));
            assistant->animateDrag();
            const platform::TabView::Items before = bar.tabView.tabViewItems();
            assistant->performDragOperation();
            reorders += bar.tabView.tabViewItems() != before;
            endSession();
            ASSERT_FALSE(assistant->isDragging());
        } else if (kind < 4) {
            bar.tabView.selectTabViewItemAtIndex(pick(5));
        } else {
            bar.control->updateTabBar(false);
        }
        expectCellsMatchTabView(bar, kind == 4);
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_GT(reorders, 200); // most drags moved their tab
}
