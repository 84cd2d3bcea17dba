// Tab drags on a real X server with XTEST pointer events from xdotool, two windows of
// this process: a reorder within a bar, a tab moved to the other window's bar, a tab
// torn off into a new window at the pointer, and the last tab of a window moved away.
#include "tests/support/TestSupport.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabDragAssistant.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/NotificationCenter.h"
#include "tests/support/DesktopTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

namespace {

using platform::TabView;
using platform::TabViewItem;

class PlainStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("Plain"); }
};

struct TabWindow;

class Delegate : public KZTabBarViewDelegate
{
public:
    std::function<KZTabBarView *(QPoint)> makeBar;
    QStringList calls;
    std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBarView(TabView *, TabViewItem *, KZTabBarView *) override
    {
        return true;
    }
    void tabViewDidDropTabViewItem(TabView *, TabViewItem *, KZTabBarView *) override { calls << QStringLiteral("didDrop"); }
    bool implementsNewTabBarViewForDraggedTabViewItem() const override { return bool(makeBar); }
    std::optional<KZTabBarView *> tabViewNewTabBarViewForDraggedTabViewItem(TabView *, TabViewItem *, QPoint p) override
    {
        if (!makeBar)
            return {};
        calls << QStringLiteral("newBar");
        return makeBar(p);
    }
    void tabViewCloseWindowForLastTabViewItem(TabView *, TabViewItem *) override { calls << QStringLiteral("close"); }
};

struct TabWindow
{
    TabWindow(const QStringList &labels, QPoint at)
    {
        window.setGeometry(QRect(at, QSize(420, 160)));
        bar = new KZTabBarView(&window);
        tabView = new TabView(&window);
        bar->setStyle(std::make_shared<PlainStyle>());
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        bar->setDelegate(&delegate);
        bar->setGeometry(0, 0, 420, 22);
        tabView->setGeometry(0, 22, 420, 138);
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
    QPoint global(QPoint inBar) const { return bar->mapToGlobal(inBar); }
    QWidget window;
    KZTabBarView *bar;
    TabView *tabView;
    Delegate delegate;
};

class TabDragX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed for the pointer events";
        auto &center = platform::NotificationCenter::defaultCenter();
        center.addObserver(&owner, KZTabDragAssistant::DidBeginNotification, nullptr, [this](auto &) { ++begun; });
        center.addObserver(&owner, KZTabDragAssistant::DidEndNotification, nullptr, [this](auto &) { ++ended; });
    }
    void TearDown() override { platform::NotificationCenter::defaultCenter().removeObserver(&owner); }
    void shown(QWidget &window)
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Press at from, move in steps through to, release there; waits until xdotool and the
    // drag are done.
    void drag(QPoint from, QPoint to)
    {
        QProcess pointer;
        pointer.start(xdotool, desktoptest::pointerDragArguments(from, {to}, 12, 0.08, 0.3));
        ASSERT_TRUE(pointer.waitForStarted());
        EXPECT_TRUE(QTest::qWaitFor([&] { return pointer.state() == QProcess::NotRunning; }, 20000));
        EXPECT_EQ(pointer.exitCode(), 0) << pointer.readAllStandardError().toStdString();
        KZTabDragAssistant *assistant = KZTabDragAssistant::sharedDragAssistant();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !assistant->isDragging() && !assistant->isSliding(); }, 5000));
        testsupport::settleEvents();
    }
    QString xdotool;
    QObject owner;
    int begun = 0;
    int ended = 0;
};

} // namespace

TEST_F(TabDragX11, ReordersWithinABarAndMovesToTheOtherWindow)
{
    TabWindow a({"A1", "A2", "A3"}, QPoint(40, 40));
    TabWindow b({"B1", "B2"}, QPoint(40, 320));
    shown(a.window);
    shown(b.window);

    drag(a.global(QPoint(40, 11)), a.global(QPoint(300, 11)));
    EXPECT_EQ(a.labels(), QStringList({"A2", "A3", "A1"}));
    EXPECT_EQ(begun, 1);

    drag(a.global(QPoint(40, 11)), b.global(QPoint(360, 11)));
    EXPECT_EQ(a.labels(), QStringList({"A3", "A1"}));
    EXPECT_EQ(b.labels(), QStringList({"B1", "B2", "A2"}));
    EXPECT_EQ(b.tabView->selectedTabViewItem()->label(), QStringLiteral("A2"));
    EXPECT_EQ(a.delegate.calls, QStringList({"didDrop"}));
    EXPECT_EQ(begun, 2);
    EXPECT_EQ(ended, 1);
}

TEST_F(TabDragX11, TearsOffIntoANewWindowAndMovesTheLastTabAway)
{
    TabWindow a({"A1", "A2"}, QPoint(40, 40));
    TabWindow b({"B1"}, QPoint(40, 320));
    std::unique_ptr<TabWindow> made;
    a.bar->setTearOffStyle(1); // the miniature style: the new window opens centred on the pointer
    a.delegate.makeBar = [&](QPoint) {
        made = std::make_unique<TabWindow>(QStringList(), QPoint(600, 300));
        return made->bar;
    };
    shown(a.window);
    shown(b.window);

    const QPoint outside(700, 600);
    drag(a.global(QPoint(40, 11)), outside);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->labels(), QStringList({"A1"}));
    EXPECT_EQ(a.labels(), QStringList({"A2"}));
    EXPECT_TRUE(made->window.isVisible());
    EXPECT_TRUE(made->window.geometry().contains(outside)) << "the new window is centred on the pointer";
    EXPECT_EQ(ended, 1);

    drag(a.global(QPoint(40, 11)), b.global(QPoint(300, 11)));
    EXPECT_EQ(b.labels(), QStringList({"B1", "A2"}));
    EXPECT_TRUE(a.labels().isEmpty());
    EXPECT_TRUE(a.delegate.calls.contains(QStringLiteral("close")));
}
