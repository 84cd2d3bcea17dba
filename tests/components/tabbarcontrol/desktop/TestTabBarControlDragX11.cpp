// Tab drags of the tab bar control on a real X server, with XTEST pointer events from
// xdotool over two windows of this process.
#include "tests/support/TestSupport.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/VTTabDragAssistant.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/NotificationCenter.h"
#include "tests/support/DesktopTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <memory>

namespace {

using platform::TabView;
using platform::TabViewItem;

class Delegate : public VTTabBarControlDelegate
{
public:
    std::function<VTTabBarControl *()> makeBar;
    QStringList calls;
    std::optional<bool> tabViewShouldDragTabViewItemFromTabBar(TabView *, TabViewItem *, VTTabBarControl *) override { return true; }
    std::optional<bool> tabViewShouldDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *bar) override
    {
        return bar || makeBar;
    }
    bool canMakeNewTabBarForDraggedTabViewItem() const override { return bool(makeBar); }
    std::optional<VTTabBarControl *> tabViewNewTabBarForDraggedTabViewItemAtPoint(TabView *, TabViewItem *, const QPointF &) override
    {
        if (!makeBar)
            return {};
        calls << QStringLiteral("newBar");
        return makeBar();
    }
    void tabViewDidDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *) override { calls << QStringLiteral("didDrop"); }
    void tabViewCloseWindowForLastTabViewItem(TabView *, TabViewItem *) override { calls << QStringLiteral("close"); }
};

struct TabWindow
{
    TabWindow(const QStringList &labels, QPoint at)
    {
        window.setGeometry(QRect(at, QSize(440, 160)));
        bar = new VTTabBarControl(&window);
        tabView = new TabView(&window);
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        bar->setDelegate(&delegate);
        bar->setGeometry(0, 0, 440, 22);
        tabView->setGeometry(0, 22, 440, 138);
        for (const QString &label : labels) {
            auto item = TabViewItem::create();
            item->setLabel(label);
            tabView->addTabViewItem(item);
        }
        bar->updateTabBar(false);
        window.show();
    }
    ~TabWindow() { tabView->setDelegate(nullptr); }
    QStringList labels() const
    {
        QStringList result;
        for (const auto &item : tabView->tabViewItems())
            result << item->label();
        return result;
    }
    QStringList cellLabels() const
    {
        QStringList result;
        for (const auto &cell : bar->cells())
            result << (cell->representedObject() ? cell->representedObject()->label() : QStringLiteral("-"));
        return result;
    }
    QPoint global(QPoint inBar) const { return bar->mapToGlobal(inBar); }
    QWidget window;
    VTTabBarControl *bar;
    TabView *tabView;
    Delegate delegate;
};

class TabBarControlDragX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed for the pointer events";
        auto &center = platform::NotificationCenter::defaultCenter();
        center.addObserver(&owner, VTTabDragAssistant::DidBeginNotification, nullptr, [this](auto &) { ++begun; });
        center.addObserver(&owner, VTTabDragAssistant::DidEndNotification, nullptr, [this](auto &) { ++ended; });
    }
    void TearDown() override { platform::NotificationCenter::defaultCenter().removeObserver(&owner); }
    // Press at from, move in steps to to, release there; waits until the drag is over.
    void drag(QPoint from, QPoint to)
    {
        QProcess pointer;
        pointer.start(xdotool, desktoptest::pointerDragArguments(from, {to}, 12, 0.08, 0.4));
        ASSERT_TRUE(pointer.waitForStarted());
        EXPECT_TRUE(QTest::qWaitFor([&] { return pointer.state() == QProcess::NotRunning; }, 20000));
        EXPECT_EQ(pointer.exitCode(), 0) << pointer.readAllStandardError().toStdString();
        VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !assistant->isDragging(); }, 5000));
        testsupport::settleEvents();
    }
    QString xdotool;
    QObject owner;
    int begun = 0;
    int ended = 0;
};

} // namespace

TEST_F(TabBarControlDragX11, ReordersWithinABarAndMovesToTheOtherWindow)
{
    TabWindow a({"A1", "A2", "A3"}, QPoint(40, 40));
    TabWindow b({"B1", "B2"}, QPoint(40, 320));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&a.window));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&b.window));

    drag(a.global(QPoint(40, 11)), a.global(QPoint(420, 11)));
    EXPECT_EQ(a.labels(), QStringList({"A2", "A3", "A1"}));
    EXPECT_EQ(a.cellLabels(), a.labels());
    EXPECT_EQ(begun, 1);
    EXPECT_EQ(ended, 1);

    a.delegate.calls.clear();
    drag(a.global(QPoint(40, 11)), b.global(QPoint(400, 11)));
    EXPECT_EQ(a.labels(), QStringList({"A3", "A1"}));
    EXPECT_EQ(b.labels(), QStringList({"B1", "B2", "A2"}));
    EXPECT_EQ(b.cellLabels(), b.labels());
    EXPECT_EQ(b.bar->cells().back()->controlView(), b.bar);
    EXPECT_EQ(b.tabView->selectedTabViewItem()->label(), QStringLiteral("A2"));
    EXPECT_EQ(a.delegate.calls, QStringList({"didDrop"}));
    EXPECT_EQ(begun, 2);
    EXPECT_EQ(ended, 2);
}

TEST_F(TabBarControlDragX11, TearsOffIntoANewWindowAndMovesTheLastTabAway)
{
    TabWindow a({"A1", "A2"}, QPoint(40, 40));
    TabWindow b({"B1"}, QPoint(40, 320));
    std::unique_ptr<TabWindow> made;
    a.delegate.makeBar = [&] {
        made = std::make_unique<TabWindow>(QStringList(), QPoint(600, 300));
        made->window.hide();
        return made->bar;
    };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&a.window));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&b.window));

    drag(a.global(QPoint(40, 11)), QPoint(760, 620));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->labels(), QStringList({"A1"}));
    EXPECT_EQ(made->cellLabels(), made->labels());
    EXPECT_EQ(a.labels(), QStringList({"A2"}));
    EXPECT_TRUE(made->window.isVisible());
    EXPECT_EQ(ended, 1);

    a.delegate.calls.clear();
    drag(a.global(QPoint(40, 11)), b.global(QPoint(400, 11)));
    EXPECT_EQ(b.labels(), QStringList({"B1", "A2"}));
    EXPECT_TRUE(a.labels().isEmpty());
    EXPECT_EQ(a.delegate.calls, QStringList({"didDrop", "close"}));
}
