// The width layout of the tab bar control: widths, overflow, the two-tab and
// vertical rules, the overflow menu's titles, leftovers and bad indexes.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/AITruncation.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

QList<qreal> visibleWidths(const Bar &bar)
{
    QList<qreal> widths;
    for (const auto &cell : bar.control->cells())
        if (!cell->isInOverflowMenu())
            widths.append(bar.control->orientation() == 0 ? cell->frame().width() : cell->frame().y());
    return widths;
}

QStringList menuTitles(const Bar &bar)
{
    QStringList titles;
    if (QMenu *menu = bar.control->controller()->overflowMenu())
        for (QAction *action : menu->actions().mid(1))
            titles << action->text();
    return titles;
}

} // namespace

TEST(TabBarWidthLayout, Table)
{
    struct Case
    {
        const char *name;
        int width;   // the control's; a horizontal bar has width − 34 for its tabs
        int height;
        int tabs;
        int orientation;
        bool useOverflowMenu;
        QList<qreal> widths; // widths (horizontal) or y origins (vertical) of the visible tabs
        int overflowed;
    };
    const Case cases[] = {
        {"three fit", 534, 22, 3, 0, true, {130, 130, 130}, 0},
        {"fourth shares", 534, 22, 4, 0, true, {125, 125, 125, 125}, 0},
        {"fifth at the minimum", 534, 22, 5, 0, true, {100, 100, 100, 100, 100}, 0},
        {"sixth overflows", 534, 22, 6, 0, true, {100, 100, 100, 100, 100}, 1},
        {"no overflow menu", 534, 22, 6, 0, false, {83, 83, 83, 83, 83, 83}, 0},
        {"vertical under 17 left", 120, 80, 4, 1, true, {10, 32}, 2},
        {"vertical 17 left", 120, 93, 4, 1, true, {10, 32, 54}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bar bar(c.width, 0, c.height);
        bar.control->setUseOverflowMenu(c.useOverflowMenu);
        bar.control->setOrientation(c.orientation);
        for (int i = 0; i < c.tabs; ++i)
            bar.add(QStringLiteral("Tab %1").arg(i));
        EXPECT_EQ(visibleWidths(bar), c.widths);
        EXPECT_EQ(menuTitles(bar).size(), c.overflowed);
        EXPECT_EQ(bar.control->overflowPopUpButton()->isHidden(), c.overflowed == 0);
        EXPECT_EQ(bar.control->numberOfVisibleTabs(), c.tabs - c.overflowed);
    }
}

TEST(TabBarWidthLayout, OverflowMenuTitles)
{
    Bar bar(534, 5);
    TabModel counted;
    counted.objectCount = 3;
    bar.add(QStringLiteral("Title"), &counted);
    bar.add(QString(70, QLatin1Char('x')));
    bar.add(QString(60, QLatin1Char('y')));
    EXPECT_EQ(menuTitles(bar), (QStringList{QStringLiteral("Title (3)"),
                                            QString(59, QLatin1Char('x')) + QString(QChar(0x2026)),
                                            QString(60, QLatin1Char('y'))}));

    // A cut never splits a surrogate pair.
    const QString emoji = QString(58, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("bc");
    const QString cut = AITruncation::stringWithEllipsisByTruncatingToLength(emoji, 60);
    EXPECT_EQ(cut, QString(58, QLatin1Char('a')) + AITruncation::ellipsis());
}

TEST(TabBarWidthLayout, LeftoverAndShrinking)
{
    QList<qreal> widths = {100, 100, 100};
    EXPECT_EQ(VTTabBarController::distributeLeftover(widths, 3, 5), 5);
    EXPECT_EQ(widths, (QList<qreal>{102, 102, 101}));

    // One pixel per entry per pass from the right; a pass is always finished.
    widths = {120, 110, 100};
    EXPECT_EQ(VTTabBarController::shrinkWidths(widths, 100, 325.0), 6);
    EXPECT_EQ(widths, (QList<qreal>{117, 107, 100}));
}

TEST(TabBarWidthLayout, InvalidIndexAnswersZero)
{
    Bar bar(534, 6);
    EXPECT_EQ(bar.control->controller()->cellFrameAtIndex(-1), QRectF());
    EXPECT_EQ(bar.control->controller()->cellTrackingRectAtIndex(5), QRectF()); // the overflowed tab
    EXPECT_EQ(bar.control->controller()->closeButtonTrackingRectAtIndex(99), QRectF());
    EXPECT_FALSE(bar.control->controller()->cellFrameAtIndex(5).isNull());
}

// A layout notes the tabs that overflow but builds no menu: pressing the pull-down
// builds it, once per layout, with the tabs' titles of that moment, and hands it over.
TEST(TabBarWidthLayout, OverflowMenuIsBuiltWhenThePullDownIsPressed)
{
    Bar bar(534, 8);
    bar.control->show();
    VTTabBarController *controller = bar.control->controller();
    const int builds = controller->overflowMenuBuilds();
    for (int i = 0; i < 3; ++i)
        bar.control->updateTabBar(false);
    EXPECT_EQ(controller->overflowMenuBuilds(), builds);
    VTOverflowPopUpButton *pullDown = bar.control->overflowPopUpButton();
    ASSERT_FALSE(pullDown->isHidden());
    EXPECT_EQ(pullDown->overflowMenu(), nullptr);

    bar.tabView.tabViewItemAtIndex(6)->setLabel(QStringLiteral("Renamed"));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), pullDown->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pullDown, &press);
    QMenu *menu = pullDown->overflowMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(controller->overflowMenuBuilds(), builds + 1);
    QStringList shown;
    for (QAction *action : menu->actions())
        if (action->isVisible())
            shown << action->text();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Tab 5"), QStringLiteral("Renamed"), QStringLiteral("Tab 7")}));
    EXPECT_EQ(menuTitles(bar), shown); // the controller's menu, the same one
    EXPECT_EQ(controller->overflowMenuBuilds(), builds + 1);
    menu->hide();
}
