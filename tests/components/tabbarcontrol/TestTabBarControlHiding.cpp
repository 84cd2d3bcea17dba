// Show and hide of the tab bar: the frames of bar, partner and window after a change,
// refused calls, the first window update and a bar that changes window mid-change.
#include "TabBarControlTestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

struct HideDelegate : VTTabBarControlDelegate
{
    QStringList events;
    std::optional<qreal> width;
    std::optional<qreal> desiredWidthForVerticalTabBar(VTTabBarControl *) override { return width; }
    void tabViewTabBarDidHide(TabView *, VTTabBarControl *) override { events << QStringLiteral("hide"); }
    void tabViewTabBarDidUnhide(TabView *, VTTabBarControl *) override { events << QStringLiteral("unhide"); }
};

// A 400 × 300 window holding a bar and, optionally, a partner view. A bar of several
// tabs shows itself again at its next layout pass, so only the single-tab bar keeps
// its tab view here; the others are laid out by nobody.
struct Scene
{
    QWidget window;
    QWidget *partner = nullptr;
    Bar bar{400, 3};
    HideDelegate delegate;

    Scene(int orientation, QRect barFrame, QRect partnerFrame, int items = 3)
    {
        window.setGeometry(100, 100, 400, 300);
        while (int(bar.control->cells().size()) > items)
            bar.tabView.removeTabViewItem(bar.tabView.tabViewItemAtIndex(0).get());
        if (items != 1)
            bar.control->setTabView(nullptr);
        bar.control->setOrientation(orientation);
        bar.control->setParent(&window);
        bar.control->setGeometry(barFrame);
        bar.control->setDelegate(&delegate);
        if (!partnerFrame.isNull()) {
            partner = new QWidget(&window);
            partner->setGeometry(partnerFrame);
            bar.control->setPartnerView(partner);
        }
    }
    ~Scene()
    {
        bar.control->setDelegate(nullptr);
        bar.control->setParent(nullptr);
    }
    bool showAndWake()
    {
        window.show();
        return QTest::qWaitFor([this] { return bar.control->isAwake(); });
    }
    bool change(bool hide, bool animate = true)
    {
        bar.control->hideTabBar(hide, animate);
        return QTest::qWaitFor([this] { return !bar.control->isShowHideRunning(); });
    }
};

} // namespace

TEST(TabBarControlHiding, FramesOfBarPartnerAndWindow)
{
    struct Row
    {
        const char *name;
        int orientation;
        QRect bar, partner, hiddenBar, hiddenPartner, shownBar, shownPartner;
    };
    const QRect none;
    const Row rows[] = {
        {"horizontal above", 0, {0, 0, 400, 22}, {0, 22, 400, 278}, {0, 0, 400, 1}, {0, 1, 400, 299}, {0, 0, 400, 22}, {0, 22, 400, 278}},
        {"horizontal below", 0, {0, 278, 400, 22}, {0, 0, 400, 278}, {0, 299, 400, 1}, {0, 0, 400, 299}, {0, 278, 400, 22}, {0, 0, 400, 278}},
        // The strip keeps 1 point; showing widens it by the kept width.
        {"vertical left", 1, {0, 0, 120, 300}, {120, 0, 280, 300}, {0, 0, 1, 300}, {1, 0, 399, 300}, {0, 0, 121, 300}, {121, 0, 279, 300}},
        {"vertical right", 1, {280, 0, 120, 300}, {0, 0, 280, 300}, {400, 0, 1, 300}, {0, 0, 400, 300}, {280, 0, 121, 300}, {0, 0, 280, 300}},
        {"horizontal window", 0, {0, 0, 400, 22}, none, {0, 0, 400, 1}, {100, 100, 400, 279}, {0, 0, 400, 22}, {100, 100, 400, 300}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(row.orientation, row.bar, row.partner);
        ASSERT_TRUE(scene.showAndWake());
        QWidget *neighbour = scene.partner ? scene.partner : &scene.window;
        ASSERT_TRUE(scene.change(true));
        ASSERT_TRUE(QTest::qWaitFor([&] { return neighbour->geometry() == row.hiddenPartner; }));
        EXPECT_EQ(scene.bar.control->geometry(), row.hiddenBar);
        EXPECT_TRUE(scene.bar.control->isTabBarHidden());
        if (row.orientation == 1) {
            EXPECT_EQ(scene.bar.control->tabBarWidth(), 120);
        }
        ASSERT_TRUE(scene.change(false));
        ASSERT_TRUE(QTest::qWaitFor([&] { return neighbour->geometry() == row.shownPartner; }));
        EXPECT_EQ(scene.bar.control->geometry(), row.shownBar);
        EXPECT_EQ(scene.delegate.events, QStringList({QStringLiteral("hide"), QStringLiteral("unhide")}));
    }
}

TEST(TabBarControlHiding, DelegateWidthRefusedCallsAndWindowChange)
{
    Scene scene(1, {0, 0, 120, 300}, {120, 0, 280, 300});
    ASSERT_TRUE(scene.showAndWake());
    ASSERT_TRUE(scene.change(true, false));
    scene.delegate.width = 150;
    // A second call while the show runs is ignored.
    scene.bar.control->hideTabBar(false, true);
    EXPECT_EQ(scene.bar.control->currentShowHideStep(), 0);
    scene.bar.control->hideTabBar(true, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scene.bar.control->isShowHideRunning(); }));
    EXPECT_FALSE(scene.bar.control->isTabBarHidden());
    EXPECT_EQ(scene.bar.control->geometry(), QRect(0, 0, 150, 300));
    EXPECT_EQ(scene.partner->geometry(), QRect(121, 0, 279, 300));

    // Moving to another window mid-change finishes the change at once.
    scene.bar.control->hideTabBar(true, true);
    QWidget other;
    scene.bar.control->setParent(&other);
    EXPECT_FALSE(scene.bar.control->isShowHideRunning());
    EXPECT_TRUE(scene.bar.control->isTabBarHidden());
    EXPECT_EQ(scene.bar.control->geometry(), QRect(0, 0, 1, 300));
    EXPECT_EQ(scene.delegate.events, QStringList({QStringLiteral("hide"), QStringLiteral("unhide"), QStringLiteral("hide")}));
    scene.bar.control->hideTabBar(false, false);
    EXPECT_TRUE(scene.bar.control->isShowHideRunning());
    scene.bar.control->setParent(&scene.window);
}

TEST(TabBarControlHiding, SingleTabCollapsesAtFirstWindowUpdate)
{
    Scene scene(0, {0, 0, 400, 22}, {0, 22, 400, 278}, 1);
    scene.bar.control->setHideForSingleTab(true);
    scene.bar.control->hideTabBar(true, false); // not awake yet: refused
    EXPECT_FALSE(scene.bar.control->isTabBarHidden());
    ASSERT_TRUE(scene.showAndWake());
    EXPECT_TRUE(scene.bar.control->isTabBarHidden());
    EXPECT_EQ(scene.bar.control->geometry(), QRect(0, 0, 400, 1));
    EXPECT_EQ(scene.partner->geometry(), QRect(0, 1, 400, 299));
    scene.bar.control->updateTabBar(false);
    EXPECT_FALSE(scene.bar.control->isShowHideRunning());
    EXPECT_EQ(scene.delegate.events, QStringList({QStringLiteral("hide")}));
}
