// The tab bar over a tab view: widths and the overflow menu, tab state masks,
// selection, closing, hiding, archives and bindings.
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarController.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/KZTabStyleRegistry.h"
#include "components/tabbarview/styles/KZMetalTabStyle.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/TabView.h"
#include "tests/support/QtWarningCheck.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {

using platform::TabView;
using platform::TabViewItem;

// The built-in metrics and drawing.
class PlainStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("Plain"); }
};

class VerticalOnlyStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("VerticalOnly"); }
    std::optional<bool> supportsOrientation(unsigned orientation, KZTabBarView *) override { return orientation == 1; }
};

class CountingBar : public KZTabBarView
{
public:
    using KZTabBarView::KZTabBarView;
    int beeps = 0;

protected:
    void beep() override { ++beeps; }
};

class RecordingDelegate : public KZTabBarViewDelegate
{
public:
    QStringList calls;
    void tabViewDidChangeNumberOfTabViewItems(TabView *) override { calls << QStringLiteral("count"); }
    void tabViewWillCloseTabViewItem(TabView *, TabViewItem *) override { calls << QStringLiteral("willClose"); }
    void tabViewDidCloseTabViewItem(TabView *, TabViewItem *) override { calls << QStringLiteral("didClose"); }
    void tabViewTabBarViewDidHide(TabView *, KZTabBarView *) override { calls << QStringLiteral("hide"); }
    void tabViewTabBarViewDidUnhide(TabView *, KZTabBarView *) override { calls << QStringLiteral("unhide"); }
};

// An archivable delegate.
class ArchivedDelegate : public KZTabBarViewDelegate, public platform::Coding, public std::enable_shared_from_this<ArchivedDelegate>
{
public:
    QString classNameForCoder() const override { return QStringLiteral("TestTabBarDelegate"); }
    void encodeWithCoder(platform::Coder &) const override {}
    bool initWithCoder(platform::Coder &) override { return true; }
    platform::CodingPtr codingForArchive() const override
    {
        return std::const_pointer_cast<ArchivedDelegate>(shared_from_this());
    }
};
const bool delegateRegistered =
    platform::CodingRegistry::registerClass<ArchivedDelegate>(QStringLiteral("TestTabBarDelegate"));

void deliver()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

struct Fixture
{
    explicit Fixture(int tabs, int width = 512, std::shared_ptr<KZTabStyle> style = std::make_shared<PlainStyle>())
    {
        bar.setStyle(std::move(style));
        bar.setTabView(&tabView);
        tabView.setDelegate(&bar);
        for (int i = 0; i < tabs; ++i) {
            auto item = TabViewItem::create();
            item->setLabel(QStringLiteral("Tab %1").arg(i + 1));
            tabView.addTabViewItem(item);
        }
        bar.resize(width, 22);
        bar.updateTabBar(false);
    }
    std::vector<int> widths() const
    {
        std::vector<int> result;
        for (KZAttachedTabBarButton *button : bar.orderedAttachedButtons())
            result.push_back(button->width());
        return result;
    }
    QStringList menuTitles() const
    {
        QStringList titles;
        if (QMenu *menu = bar.controller()->overflowMenu())
            for (QAction *action : menu->actions())
                titles << action->text();
        return titles;
    }
    TabView tabView;
    CountingBar bar;
};

} // namespace

TEST(TabBarView, WidthsAndOverflowFollowTheAvailableRoom)
{
    struct Case
    {
        int tabs;
        bool overflow;
        std::vector<int> widths;
        QStringList menu;
    };
    const std::vector<Case> cases = {
        {3, true, {130, 130, 130}, {}},
        {4, true, {125, 125, 125, 125}, {}},
        {5, true, {100, 100, 100, 100, 100}, {}},
        {6, true, {119, 119, 119, 119}, {QString(), QStringLiteral("Tab 4"), QStringLiteral("Tab 5"), QStringLiteral("Tab 6")}},
        {6, false, {83, 83, 83, 83, 83, 83}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tabs);
        Fixture f(c.tabs);
        f.bar.setUseOverflowMenu(c.overflow);
        f.bar.updateTabBar(false);
        EXPECT_EQ(f.bar.availableWidthForButtons(), 500);
        EXPECT_EQ(f.widths(), c.widths);
        EXPECT_EQ(f.menuTitles(), c.menu);
        EXPECT_EQ(f.bar.isOverflowButtonVisible(), !c.menu.isEmpty());
        if (!c.menu.isEmpty()) {
            EXPECT_TRUE(f.bar.lastAttachedButton()->isOverflowButton());
            EXPECT_EQ(f.bar.overflowPopUpButton()->geometry().x(), 6 + 4 * 119);
        }
    }

    // When only one button would show, two do.
    Fixture two(2, 12 + 150);
    ASSERT_EQ(two.widths().size(), 2u);
    EXPECT_LE(two.widths()[0] + two.widths()[1], 128 + 1);

    // Shrinking runs whole passes.
    std::vector<double> widths = {130, 130, 130};
    EXPECT_EQ(KZTabBarController::shrinkWidths(widths, 129, 389), 3);
    EXPECT_EQ(widths, (std::vector<double>{129, 129, 129}));
    widths = {130, 130, 130};
    EXPECT_EQ(KZTabBarController::shrinkWidths(widths, 129, 385), 3);
    EXPECT_EQ(widths[0] + widths[1] + widths[2], 387);

    // A vertical bar stacks 22-point buttons below its top margin, full width.
    Fixture vertical(8);
    vertical.bar.setOrientation(KZTabBarView::Vertical);
    vertical.bar.resize(150, 3 + 5 * 22 + 3 + 18 + 10);
    vertical.bar.updateTabBar(false);
    const auto buttons = vertical.bar.orderedAttachedButtons();
    ASSERT_EQ(buttons.size(), 5u);
    EXPECT_EQ(buttons[1]->geometry(), QRect(0, 25, 150, 22));
}

// A pass notes which tabs overflow but builds no menu: the pull-down's menu is built
// when it opens, once per layout, with the tabs' titles of that moment; choosing an
// item selects its tab.
TEST(TabBarView, OverflowMenuIsBuiltWhenThePullDownOpens)
{
    Fixture f(8);
    deliver();
    KZTabBarController *controller = f.bar.controller();
    const int builds = controller->overflowMenuBuilds();
    for (int i = 0; i < 3; ++i)
        f.bar.updateTabBar(false);
    EXPECT_EQ(controller->overflowMenuBuilds(), builds);
    ASSERT_TRUE(f.bar.isOverflowButtonVisible());

    f.tabView.tabViewItemAtIndex(6)->setLabel(QStringLiteral("Renamed"));
    f.bar.show();
    KZOverflowPopUpButton *pullDown = f.bar.overflowPopUpButton();
    pullDown->popUpMenu();
    ASSERT_TRUE(pullDown->isMenuOpen());
    EXPECT_EQ(controller->overflowMenuBuilds(), builds + 1);
    QStringList shown;
    for (QAction *action : pullDown->menu()->actions())
        if (action->isVisible())
            shown << action->text();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Tab 4"), QStringLiteral("Tab 5"), QStringLiteral("Tab 6"),
                                  QStringLiteral("Renamed"), QStringLiteral("Tab 8")}));
    pullDown->menu()->hide();
    pullDown->popUpMenu(); // no layout since: the same menu
    EXPECT_EQ(controller->overflowMenuBuilds(), builds + 1);
    QAction *sixth = nullptr;
    for (QAction *action : pullDown->menu()->actions())
        if (action->text() == QStringLiteral("Tab 6"))
            sixth = action;
    ASSERT_TRUE(sixth);
    EXPECT_TRUE(sixth->isEnabled());
    sixth->trigger();
    pullDown->menu()->hide();
    EXPECT_EQ(f.tabView.selectedTabViewItem()->label(), QStringLiteral("Tab 6"));
    EXPECT_EQ(f.bar.selectedAttachedButton()->title(), QStringLiteral("Tab 6"));
}

// Each pass tells the delegate where every tab stands: the laid-out ones are not in
// the menu, the overflow button's item is first put in it, and the others follow in
// order. The item whose button is out of the bar during a drag is in neither.
TEST(TabBarView, DelegateHearsWhichTabsAreInTheMenu)
{
    class MenuDelegate : public KZTabBarViewDelegate
    {
    public:
        QStringList calls;
        void tabViewTabViewItemIsInOverflowMenu(TabView *, TabViewItem *item, bool in) override
        {
            calls << (in ? QStringLiteral("+") : QStringLiteral("-")) + item->label();
        }
    } delegate;
    Fixture f(8);
    deliver();
    f.bar.setDelegate(&delegate);
    f.bar.updateTabBar(false);
    EXPECT_EQ(delegate.calls.join(u' '), QStringLiteral("-Tab 1 -Tab 2 -Tab 3 +Tab 4 -Tab 4 +Tab 5 +Tab 6 +Tab 7 +Tab 8"));

    delegate.calls.clear();
    f.bar.setDetachedTabViewItem(f.tabView.tabViewItemAtIndex(5).get());
    f.bar.updateTabBar(false);
    EXPECT_EQ(delegate.calls.join(u' '), QStringLiteral("-Tab 1 -Tab 2 -Tab 3 +Tab 4 -Tab 4 +Tab 5 +Tab 7 +Tab 8"));
    EXPECT_EQ(f.menuTitles(), (QStringList{QString(), QStringLiteral("Tab 4"), QStringLiteral("Tab 5"),
                                           QStringLiteral("Tab 7"), QStringLiteral("Tab 8")}));
    f.bar.setDetachedTabViewItem(nullptr);
    f.bar.setDelegate(nullptr);
}

TEST(TabBarView, TabStateMasksAndSelection)
{
    Fixture one(1);
    EXPECT_EQ(one.bar.lastAttachedButton()->tabState() & 0xF00u, 0xD00u);

    Fixture f(3);
    auto buttons = f.bar.orderedAttachedButtons();
    buttons[2]->setTabState(buttons[2]->tabState() | 0x10000); // the button's own bit
    f.tabView.selectTabViewItemAtIndex(1);
    f.bar.updateTabStateMaskOfAttachedButtons();
    EXPECT_EQ(buttons[0]->tabState() & 0xF0Cu, 0x100u | 0x8u);
    EXPECT_EQ(buttons[1]->tabState() & 0xF0Cu, 0x200u);
    EXPECT_EQ(buttons[2]->tabState() & 0xF0Cu, 0x400u | 0x4u);
    EXPECT_TRUE(buttons[2]->tabState() & 0x10000);
    EXPECT_EQ(f.bar.selectedAttachedButton(), buttons[1]);

    // Selecting a tab in the overflow menu shows it on the overflow button.
    Fixture six(6);
    six.tabView.selectTabViewItemAtIndex(5);
    KZAttachedTabBarButton *last = six.bar.lastAttachedButton();
    EXPECT_EQ(last->tabViewItem(), six.tabView.tabViewItemAtIndex(5));
    EXPECT_EQ(last->title(), QStringLiteral("Tab 6"));
    EXPECT_EQ(six.bar.selectedAttachedButton(), last);
    EXPECT_EQ(six.bar.tabViewItemPinnedToOverflowButton(), six.tabView.tabViewItemAtIndex(5));
}

TEST(TabBarView, ClosingAndMoving)
{
    RecordingDelegate delegate;
    Fixture f(1);
    f.bar.setDelegate(&delegate);
    KZAttachedTabBarButton *only = f.bar.lastAttachedButton();
    f.bar._didClickCloseButton(only->closeButton());
    EXPECT_EQ(f.bar.beeps, 1);
    EXPECT_EQ(f.tabView.numberOfTabViewItems(), 1);

    // The option set while two tabs exist is kept for the lone tab.
    f.tabView.addTabViewItem(TabViewItem::create());
    deliver();
    f.bar.setCanCloseOnlyTab(true);
    f.tabView.removeTabViewItem(f.tabView.tabViewItemAtIndex(1).get());
    deliver();
    ASSERT_EQ(f.bar.numberOfAttachedButtons(), 1);
    delegate.calls.clear();
    f.bar._didClickCloseButton(f.bar.lastAttachedButton()->closeButton());
    EXPECT_EQ(f.bar.beeps, 1);
    EXPECT_EQ(f.tabView.numberOfTabViewItems(), 0);
    EXPECT_EQ(delegate.calls, (QStringList{QStringLiteral("willClose"), QStringLiteral("count"), QStringLiteral("didClose")}));

    // A move inside the tab view reports no count change and asks for no pass.
    Fixture three(3);
    three.bar.setDelegate(&delegate);
    deliver();
    delegate.calls.clear();
    three.bar.moveTabViewItem(three.tabView.tabViewItemAtIndex(0), 2);
    EXPECT_TRUE(delegate.calls.isEmpty());
    EXPECT_FALSE(three.bar.needsUpdate());
    EXPECT_EQ(three.tabView.tabViewItemAtIndex(2)->label(), QStringLiteral("Tab 1"));
}

// Without background closing the selected tab alone shows its close button, and a
// click on it closes the tab; with it every tab shows one.
TEST(TabBarView, WithoutBackgroundClosingOnlyTheSelectedTabShowsItsCloseButton)
{
    Fixture f(3);
    for (const auto &item : f.tabView.tabViewItems())
        item->setValueForKey(true, KZTabBarItem::HasCloseButtonKey);
    f.bar.show();
    f.tabView.selectTabViewItemAtIndex(1);
    f.bar.setAllowsBackgroundTabClosing(false);
    deliver();
    std::vector<KZAttachedTabBarButton *> buttons = f.bar.orderedAttachedButtons();
    ASSERT_EQ(buttons.size(), 3u);
    for (size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i]->closeButton()->isVisible(), i == 1) << i;
    QTest::mouseClick(buttons[1]->closeButton(), Qt::LeftButton);
    deliver();
    ASSERT_EQ(f.tabView.numberOfTabViewItems(), 2);
    EXPECT_EQ(f.tabView.tabViewItemAtIndex(0)->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(f.tabView.tabViewItemAtIndex(1)->label(), QStringLiteral("Tab 3"));
    // The close button goes with the selection.
    for (const int selected : {0, 1}) {
        f.tabView.selectTabViewItemAtIndex(selected);
        deliver();
        buttons = f.bar.orderedAttachedButtons();
        ASSERT_EQ(buttons.size(), 2u);
        for (size_t i = 0; i < buttons.size(); ++i)
            EXPECT_EQ(buttons[i]->closeButton()->isVisible(), int(i) == selected) << selected << " " << i;
    }

    f.bar.setAllowsBackgroundTabClosing(true);
    deliver();
    for (KZAttachedTabBarButton *button : f.bar.orderedAttachedButtons())
        EXPECT_TRUE(button->closeButton()->isVisible());
}

TEST(TabBarView, StylesRegistryAndOrientation)
{
    KZTabBarView bar;
    EXPECT_EQ(bar.styleName(), QStringLiteral("Metal"));
    EXPECT_TRUE(KZTabStyleRegistry::registeredTabStyleNames().contains(QStringLiteral("Metal")));
    bar.setStyleNamed(QStringLiteral("NoSuchStyle"));
    EXPECT_EQ(bar.styleName(), QStringLiteral("Metal"));
    bar.setStyle(std::make_shared<VerticalOnlyStyle>());
    EXPECT_EQ(bar.orientation(), KZTabBarView::Vertical);
    EXPECT_EQ(bar.tabBarWidth(), 0);
    bar.setStyleNamed(QStringLiteral("Metal"));
    EXPECT_EQ(bar.orientation(), KZTabBarView::Vertical);
}

TEST(TabBarView, SizedToFitWithTheSelectedTabInTheMenuSettles)
{
    Fixture f(20);
    f.bar.setSizeButtonsToFit(true);
    f.tabView.selectTabViewItemAtIndex(19);
    deliver();
    const int passes = f.bar.updateCount();
    deliver();
    EXPECT_FALSE(f.bar.needsUpdate());
    EXPECT_EQ(f.bar.updateCount(), passes);
    EXPECT_EQ(f.bar.lastAttachedButton()->title(), QStringLiteral("Tab 20"));
    EXPECT_TRUE(f.bar.lastAttachedButton()->isOverflowButton());
    // A model change asks for one pass again.
    f.tabView.tabViewItemAtIndex(0)->setLabel(QStringLiteral("Renamed"));
    EXPECT_TRUE(f.bar.needsUpdate());
    deliver();
    EXPECT_EQ(f.bar.updateCount(), passes + 1);
}

TEST(TabBarView, HidingGivesTheRoomToThePartnerOrTheWindow)
{
    RecordingDelegate delegate;
    QWidget window;
    window.resize(600, 400);
    auto *bar = new KZTabBarView(&window);
    auto *partner = new QWidget(&window);
    bar->setDelegate(&delegate);
    bar->setOrientation(KZTabBarView::Vertical);
    bar->setGeometry(0, 0, 150, 400);
    partner->setGeometry(150, 0, 450, 400);
    bar->setPartnerView(partner);
    bar->hideTabBar(true, false);
    EXPECT_EQ(partner->geometry(), QRect(0, 0, 600, 400));
    EXPECT_TRUE(bar->isHidden());
    bar->hideTabBar(false, false);
    EXPECT_EQ(partner->geometry(), QRect(150, 0, 450, 400));
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(delegate.calls, (QStringList{QStringLiteral("hide"), QStringLiteral("unhide")}));

    // A horizontal bar over its partner: the partner grows upward by 22.
    bar->setOrientation(KZTabBarView::Horizontal);
    bar->setGeometry(0, 0, 600, 30);
    partner->setGeometry(0, 30, 600, 370);
    bar->hideTabBar(true, false);
    EXPECT_EQ(partner->geometry(), QRect(0, 8, 600, 392));
    bar->hideTabBar(false, false);
    EXPECT_EQ(partner->geometry(), QRect(0, 30, 600, 370));

    // Without a partner the window gives up 22 points at its bottom.
    bar->setPartnerView(nullptr);
    window.move(100, 100);
    const QRect before = window.geometry();
    bar->hideTabBar(true, true);
    EXPECT_EQ(window.geometry(), QRect(before.x(), before.y(), before.width(), before.height() - 22));
    delegate.calls.clear();
    bar->hideTabBar(false, true);
    EXPECT_EQ(window.geometry(), before);
    EXPECT_EQ(delegate.calls, QStringList{QStringLiteral("unhide")});
    EXPECT_FALSE(bar->isHidden());
}

TEST(TabBarView, ArchiveKeepsTheSettingsAndSharedViews)
{
    ASSERT_TRUE(delegateRegistered);
    QWidget window;
    auto *tabView = new TabView(&window);
    tabView->addTabViewItem(TabViewItem::create());
    tabView->tabViewItemAtIndex(0)->setLabel(QStringLiteral("Kept"));
    auto *bar = new KZTabBarView(&window);
    auto delegate = std::make_shared<ArchivedDelegate>();
    bar->setTabView(tabView);
    bar->setPartnerView(tabView);
    bar->setDelegate(delegate.get());
    bar->setOrientation(1);
    bar->setOnlyShowCloseOnHover(true);
    bar->setCanCloseOnlyTab(true);
    bar->setDisableTabClose(true);
    bar->setHideForSingleTab(true);
    bar->setAllowsBackgroundTabClosing(false);
    bar->setAllowsResizing(false);
    bar->setSelectsTabsOnMouseDown(false);
    bar->setShowAddTabButton(true);
    bar->setSizeButtonsToFit(true);
    bar->setButtonMinWidth(90);
    bar->setButtonMaxWidth(300);
    bar->setButtonOptimumWidth(140);
    bar->setUseOverflowMenu(false);
    bar->setAutomaticallyAnimates(true);
    bar->setAlwaysShowActiveTab(true);
    bar->setAllowsScrubbing(true);
    bar->setTearOffStyle(1);

    platform::KeyedArchiver archiver;
    bar->encodeWithCoder(archiver);
    const std::optional<QByteArray> data = archiver.finishEncoding();
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<KZTabBarView> back(KZTabBarView::fromCoder(unarchiver));
    ASSERT_TRUE(back) << unarchiver.error().toStdString();
    EXPECT_EQ(back->orientation(), 1u);
    EXPECT_TRUE(back->onlyShowCloseOnHover() && back->canCloseOnlyTab() && back->disableTabClose());
    EXPECT_TRUE(back->hideForSingleTab() && back->showAddTabButton() && back->sizeButtonsToFit());
    EXPECT_FALSE(back->allowsBackgroundTabClosing() || back->allowsResizing() || back->selectsTabsOnMouseDown());
    EXPECT_EQ(back->buttonMinWidth(), 90);
    EXPECT_EQ(back->buttonMaxWidth(), 300);
    EXPECT_EQ(back->buttonOptimumWidth(), 140);
    EXPECT_FALSE(back->useOverflowMenu());
    EXPECT_TRUE(back->automaticallyAnimates() && back->alwaysShowActiveTab());
    EXPECT_FALSE(back->isTabBarHidden());
    EXPECT_EQ(back->styleName(), QStringLiteral("Metal"));
    EXPECT_FALSE(back->allowsScrubbing());
    EXPECT_EQ(back->tearOffStyle(), 0u);
    EXPECT_EQ(back->tabBarWidth(), 0);
    ASSERT_TRUE(back->tabView());
    EXPECT_EQ(back->partnerView(), back->tabView());
    EXPECT_EQ(back->tabView()->tabViewItemAtIndex(0)->label(), QStringLiteral("Kept"));
    EXPECT_TRUE(dynamic_cast<ArchivedDelegate *>(back->delegate()));

    // A delegate that cannot be archived is left out; a wrong kind fails the read.
    RecordingDelegate plain;
    bar->setDelegate(&plain);
    platform::KeyedArchiver second;
    bar->encodeWithCoder(second);
    second.encodeObject(QStringLiteral("not a view"), QStringLiteral("KZtabView"));
    platform::KeyedUnarchiver wrong(*second.finishEncoding());
    EXPECT_EQ(KZTabBarView::fromCoder(wrong), nullptr);
    EXPECT_TRUE(wrong.failed());
}

TEST(TabBarView, TitlesFollowTheLabelOrTheIdentifier)
{
    Fixture f(1);
    const platform::TabViewItemPtr item = f.tabView.tabViewItemAtIndex(0);
    KZAttachedTabBarButton *button = f.bar.lastAttachedButton();
    item->setLabel(QStringLiteral("Relabelled"));
    EXPECT_EQ(button->title(), QStringLiteral("Relabelled"));

    tabbartest::TabModel model;
    model.setValueForKey(QStringLiteral("From the model"), KZTabBarItem::TitleKey);
    model.setValueForKey(QVariant::fromValue(tabbartest::squareIcon(16, Qt::red)), KZTabBarItem::IconKey);
    item->setIdentifier(platform::KeyValueObservable::fromObservable(&model));
    EXPECT_EQ(button->title(), QStringLiteral("From the model"));
    EXPECT_FALSE(button->icon().isNull());
    model.setValueForKey(QStringLiteral("Changed"), KZTabBarItem::TitleKey);
    EXPECT_EQ(button->title(), QStringLiteral("Changed"));
    item->setIdentifier(QVariant());
}

// The same seeded random inserts, removals, moves (the bar's own and the tab view's
// remove-and-insert) and selections as the tab bar control's test: after every step
// and the pass it asks for, the buttons stand in the tab view's order and exactly one
// button, the selected item's, is drawn selected. A narrow bar overflows: its shown
// buttons are the first items, the last of them possibly the overflow button showing
// an item pinned to it from further on.
TEST(TabBarView, RandomEditsKeepTheTabViewOrderAndOneSelectedButton)
{
    for (const int width : {2600, 560}) {
        SCOPED_TRACE(width);
        Fixture f(4, width);
        std::mt19937 random(53);
        int made = 4;
        const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
        for (int step = 0; step < 3000; ++step) {
            const int count = f.tabView.numberOfTabViewItems();
            const int op = pick(5);
            if ((op == 0 && count < 18) || count < 2) {
                auto item = TabViewItem::create();
                item->setLabel(QStringLiteral("Tab %1").arg(made++));
                f.tabView.insertTabViewItem(item, pick(count + 1));
            } else if (op == 1) {
                f.tabView.removeTabViewItem(f.tabView.tabViewItemAtIndex(pick(count)).get());
            } else if (op == 2) {
                // The bar's own move asks for no pass: its callers lay the bar out.
                f.bar.moveTabViewItem(f.tabView.tabViewItemAtIndex(pick(count)), pick(count));
                f.bar.setNeedsUpdate(true);
            } else if (op == 3) {
                const auto item = f.tabView.tabViewItemAtIndex(pick(count));
                f.tabView.removeTabViewItem(item.get());
                f.tabView.insertTabViewItem(item, pick(count));
            } else {
                f.tabView.selectTabViewItemAtIndex(pick(count));
            }
            deliver();

            const auto &items = f.tabView.tabViewItems();
            const auto selected = f.tabView.selectedTabViewItem();
            const std::vector<KZAttachedTabBarButton *> buttons = f.bar.orderedAttachedButtons();
            QStringList shownLabels, itemLabels;
            for (KZAttachedTabBarButton *button : buttons)
                shownLabels << button->tabViewItem()->label() + (button->isOverflowButton() ? QStringLiteral("*") : QString());
            for (const auto &item : items)
                itemLabels << item->label() + (item == selected ? QStringLiteral("*") : QString());
            SCOPED_TRACE(QStringLiteral("op %1; buttons %2; items %3").arg(op).arg(shownLabels.join(u' '), itemLabels.join(u' ')).toStdString());
            ASSERT_FALSE(buttons.empty()) << "step " << step;
            ASSERT_LE(buttons.size(), items.size()) << "step " << step;
            if (width > 2000) {
                ASSERT_EQ(buttons.size(), items.size()) << "step " << step;
            }
            int on = 0;
            for (size_t i = 0; i < buttons.size(); ++i) {
                KZAttachedTabBarButton *button = buttons[i];
                // The overflow button shows an item pinned to it (the selected one when
                // that has no button; a selection elsewhere leaves it until the next pass).
                const bool pinned = i + 1 == buttons.size() && button->isOverflowButton()
                    && f.tabView.indexOfTabViewItem(button->tabViewItem().get()) >= int(i);
                if (!pinned) {
                    ASSERT_EQ(button->tabViewItem(), items[i]) << "step " << step << " button " << i;
                }
                const bool isSelected = button->tabViewItem() == selected;
                EXPECT_EQ(button->state() == platform::Cell::State::On, isSelected) << "step " << step << " button " << i;
                on += button->state() == platform::Cell::State::On ? 1 : 0;
            }
            ASSERT_EQ(on, 1) << "step " << step;
        }
    }
}

// The bar is a grouping of its tab buttons for assistive technology: each a page tab
// named by its title, selected with its tab, pressed to select it; a hit test answers
// the tab being pressed, else the bar.
TEST(TabBarView, AccessibleAsAGroupOfPageTabs)
{
    Fixture f(3);
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(&f.bar);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->role(), QAccessible::Grouping);
    ASSERT_EQ(bar->childCount(), 3);
    const std::vector<KZAttachedTabBarButton *> buttons = f.bar.orderedAttachedButtons();
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface *tab = bar->child(i);
        ASSERT_TRUE(tab);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Tab %1").arg(i + 1));
        EXPECT_EQ(tab->state().selected, i == 0);
        EXPECT_EQ(tab->parent(), bar);
        EXPECT_EQ(bar->indexOfChild(tab), i);
    }
    QAccessibleInterface *third = bar->child(2);
    third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(f.tabView.selectedTabViewItem()->label(), QStringLiteral("Tab 3"));
    EXPECT_TRUE(third->state().selected);
    EXPECT_FALSE(bar->child(0)->state().selected);

    const QPoint inSecond = f.bar.mapToGlobal(buttons[1]->geometry().center());
    EXPECT_EQ(bar->childAt(inSecond.x(), inSecond.y()), nullptr); // nothing pressed: the bar
    buttons[1]->cell()->setHighlighted(true);
    EXPECT_EQ(bar->childAt(inSecond.x(), inSecond.y()), bar->child(1));
    buttons[1]->cell()->setHighlighted(false);

    // Tabs that overflow are not among the children.
    f.bar.resize(200, 22);
    f.bar.updateTabBar(false);
    EXPECT_EQ(bar->childCount(), int(f.bar.orderedAttachedButtons().size()));
    EXPECT_LT(bar->childCount(), 3);
}

// The pass gives the row and the menu the width computation gives with a button for
// every tab (the buttons a bar without overflow handling would make), for seeded
// random tab counts, widths and sizing, but makes buttons only for the tabs it shows:
// a pass over hundreds of overflowing tabs holds a handful of buttons.
TEST(TabBarView, PassShowsTheComputedRowWithoutButtonsForOverflowingTabs)
{
    std::mt19937 random(104);
    for (int round = 0; round < 40; ++round) {
        const int tabs = std::uniform_int_distribution<int>(1, 400)(random);
        const int width = std::uniform_int_distribution<int>(60, 1600)(random);
        const bool fit = round % 2 == 1;
        SCOPED_TRACE(QStringLiteral("%1 tabs, %2 wide, %3").arg(tabs).arg(width).arg(fit ? "fit" : "fixed").toStdString());
        Fixture f(0, width);
        f.bar.setSizeButtonsToFit(fit);
        for (int i = 0; i < tabs; ++i) {
            auto item = TabViewItem::create();
            item->setLabel(QStringLiteral("Tab %1%2").arg(i + 1).arg(QString(i % 7, QLatin1Char('x'))));
            f.tabView.addTabViewItem(item);
        }
        f.bar.updateTabBar(false);
        f.bar.updateTabBar(false); // a second pass over a row that stands

        // The reference: a bound button for every tab (held by a twin bar without a tab
        // view, so that they measure as tabs of a bar), laid out in one computation.
        KZTabBarView twin;
        twin.setStyle(f.bar.style());
        twin.setSizeButtonsToFit(fit);
        twin.resize(width, 22);
        std::vector<std::unique_ptr<KZAttachedTabBarButton>> all;
        std::vector<KZAttachedTabBarButton *> reference;
        for (const auto &item : f.tabView.tabViewItems()) {
            all.push_back(std::make_unique<KZAttachedTabBarButton>(QRect(0, 0, 30, 22), item, &twin));
            all.back()->setStyle(f.bar.style());
            all.back()->bindToTabViewItem();
            all.back()->setState(item == f.tabView.selectedTabViewItem() ? platform::Cell::State::On
                                                                          : platform::Cell::State::Off);
            reference.push_back(all.back().get());
        }
        const std::vector<double> expected = f.bar.controller()->generateWidthsFromAttachedButtons(reference);
        const std::vector<KZAttachedTabBarButton *> shown = f.bar.orderedAttachedButtons();
        ASSERT_EQ(shown.size(), std::min(expected.size(), reference.size()));
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i]->stackingFrame().width(), expected[i]) << i;
            if (i + 1 < shown.size() || !shown[i]->isOverflowButton()) {
                EXPECT_EQ(shown[i]->tabViewItem(), f.tabView.tabViewItemAtIndex(int(i))) << i;
            }
        }
        QStringList menu;
        if (shown.size() < size_t(tabs)) {
            menu << QString();
            for (int i = int(shown.size()) - 1; i < tabs; ++i)
                menu << f.tabView.tabViewItemAtIndex(i)->label();
        }
        EXPECT_EQ(f.menuTitles(), menu);
        EXPECT_EQ(f.bar.isOverflowButtonVisible(), !menu.isEmpty());
        // Buttons alive (shown, and retired ones waiting for the event loop): the shown
        // ones and at most two the computation looked at past them, per pass.
        EXPECT_LE(f.bar.findChildren<KZAttachedTabBarButton *>().size(), qsizetype(shown.size()) + 4);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(f.bar.findChildren<KZAttachedTabBarButton *>().size(), qsizetype(shown.size()));
    }
}

// A delegate that answers the hide a pass reports by asking for the bar again: the
// request made during the pass is not lost; one more pass shows the bar, and then no
// pass is pending. The bar starts quiet (the passes its tabs asked for are run first),
// so the hiding pass is the only queued one and its flag is still set when the
// delegate asks.
TEST(TabBarView, RequestDuringAPassQueuesOneMore)
{
    class Reshowing : public KZTabBarViewDelegate
    {
    public:
        KZTabBarView *bar = nullptr;
        int hides = 0;
        void tabViewTabBarViewDidHide(TabView *, KZTabBarView *) override
        {
            ++hides;
            bar->setHideForSingleTab(false);
        }
    } delegate;
    Fixture f(1);
    deliver();
    ASSERT_FALSE(f.bar.needsUpdate());
    const int before = f.bar.updateCount();
    deliver();
    ASSERT_EQ(f.bar.updateCount(), before); // nothing left queued
    delegate.bar = &f.bar;
    f.bar.setDelegate(&delegate);
    f.bar.setHideForSingleTab(true);
    ASSERT_TRUE(f.bar.needsUpdate());
    deliver();
    EXPECT_EQ(f.bar.updateCount(), before + 2); // the hiding pass and the one asked for during it
    EXPECT_EQ(delegate.hides, 1);
    EXPECT_FALSE(f.bar.hideForSingleTab());
    EXPECT_FALSE(f.bar.isTabBarHidden());
    EXPECT_FALSE(f.bar.isHidden());
    EXPECT_FALSE(f.bar.needsUpdate());
    const int passes = f.bar.updateCount();
    deliver();
    EXPECT_EQ(f.bar.updateCount(), passes); // settled: nothing more queued
    f.bar.setDelegate(nullptr);
}

// An archive without a style gives a bar without one, which lays out and draws with
// the built-ins; the archive's other values are read as usual.
TEST(TabBarView, ArchiveWithoutAStyleGivesABarWithoutOne)
{
    platform::KeyedArchiver archiver;
    archiver.encodeInt32(1, QStringLiteral("KZorientation"));
    archiver.encodeInt32(90, QStringLiteral("KZbuttonMinWidth"));
    platform::KeyedUnarchiver unarchiver(*archiver.finishEncoding());
    std::unique_ptr<KZTabBarView> bar(KZTabBarView::fromCoder(unarchiver));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->style(), nullptr);
    EXPECT_EQ(bar->styleName(), QString());
    EXPECT_EQ(bar->orientation(), 1u);
    EXPECT_EQ(bar->buttonMinWidth(), 90);
    TabView tabView;
    bar->setTabView(&tabView);
    tabView.setDelegate(bar.get());
    for (int i = 0; i < 3; ++i) {
        auto item = TabViewItem::create();
        item->setLabel(QStringLiteral("Tab %1").arg(i + 1));
        tabView.addTabViewItem(item);
    }
    bar->resize(120, 200);
    bar->updateTabBar(false);
    ASSERT_EQ(bar->numberOfAttachedButtons(), 3);
    EXPECT_EQ(bar->orderedAttachedButtons()[1]->stackingFrame(), QRectF(0, 3 + 22, 120, 22)); // built-in metrics
    EXPECT_FALSE(bar->grab().isNull());
    tabView.setDelegate(nullptr);
}

// A maximum or optimum width of 0 or less would draw every tab 0 points wide: the bar
// refuses it with a line in the log and keeps drawing as before; an archive without
// the widths (or with such a width) leaves the bar its own.
TEST(TabBarView, WidthsOfZeroOrLessAreRefused)
{
    Fixture f(3, 512);
    f.bar.show();
    ASSERT_EQ(f.widths(), (std::vector<int>{130, 130, 130}));
    testsupport::CapturedLog log;
    for (const int width : {0, -1, -130}) {
        f.bar.setButtonOptimumWidth(width);
        f.bar.setButtonMaxWidth(width);
        const QStringList lines = log.take();
        ASSERT_EQ(lines.size(), 2) << width;
        EXPECT_TRUE(lines[0].contains(QStringLiteral("optimum")) && lines[0].contains(QStringLiteral("refused")));
        EXPECT_TRUE(lines[1].contains(QStringLiteral("maximum")) && lines[1].contains(QStringLiteral("refused")));
    }
    EXPECT_EQ(f.bar.buttonOptimumWidth(), 130);
    EXPECT_EQ(f.bar.buttonMaxWidth(), 280);
    f.bar.setSizeButtonsToFit(true);
    f.bar.setButtonMaxWidth(-5);
    deliver();
    f.bar.updateTabBar(false);
    for (const int width : f.widths())
        EXPECT_GT(width, 0);
    f.bar.setSizeButtonsToFit(false);
    f.bar.setButtonOptimumWidth(120);
    f.bar.updateTabBar(false);
    EXPECT_EQ(f.widths(), (std::vector<int>{120, 120, 120}));
    log.take();

    platform::KeyedArchiver archiver;
    archiver.encodeInt32(0, QStringLiteral("KZbuttonMaxWidth"));
    platform::KeyedUnarchiver unarchiver(*archiver.finishEncoding());
    std::unique_ptr<KZTabBarView> back(KZTabBarView::fromCoder(unarchiver));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->buttonMaxWidth(), 280);
    EXPECT_EQ(back->buttonOptimumWidth(), 130);
    EXPECT_EQ(log.take().filter(QStringLiteral("refused")).size(), 2);
}

// Tabs sized to fit shrink one point per tab per pass until they fit the room: when
// a pass makes them fit exactly, no further pass takes another point. Three tabs of
// 150 in 399 points: 17 passes give 133 each (the separators make the row count as
// 401, which the bar reports as a failure and keeps).
TEST(TabBarView, TabsThatFitTheRoomExactlyKeepTheirLastPoint)
{
    Fixture f(0, 400);
    f.bar.show();
    f.bar.resize(400 + 399 - int(f.bar.availableWidthForButtons()), 22);
    ASSERT_EQ(f.bar.availableWidthForButtons(), 399);
    f.bar.setSizeButtonsToFit(true);
    f.bar.setButtonMaxWidth(150);
    for (int i = 0; i < 3; ++i) {
        auto item = TabViewItem::create();
        item->setLabel(QStringLiteral("A tab whose title is wider than the widest tab %1").arg(i));
        f.tabView.addTabViewItem(item);
    }
    deliver();
    f.bar.updateTabBar(false);
    for (KZAttachedTabBarButton *button : f.bar.orderedAttachedButtons())
        ASSERT_GE(button->desiredWidth(), 150);
    EXPECT_EQ(f.widths(), (std::vector<int>{133, 133, 133}));
    // Two tabs of 150 in 260 points: 20 passes, 130 each, exactly the room.
    f.tabView.removeTabViewItem(f.tabView.tabViewItemAtIndex(2).get());
    f.bar.resize(f.bar.width() - 139, 22);
    ASSERT_EQ(f.bar.availableWidthForButtons(), 260);
    f.bar.updateTabBar(false);
    EXPECT_EQ(f.widths(), (std::vector<int>{130, 130}));
}
