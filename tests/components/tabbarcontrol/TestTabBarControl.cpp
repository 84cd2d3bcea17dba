// The tab bar control: new tabs, synchronising with the tab view, always showing the
// active tab, the orientation's width rule, rebinding and deferred updates; the
// overflow button's pulse, the add-tab button's rollover under a still pointer; the
// shading fills.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/VTShading.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "platform/foundation/Clock.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QCursor>
#include <QPainter>
#include <gtest/gtest.h>
#include <random>

using namespace tabbarcontroltest;

TEST(TabBarControl, NewTabStartsThirtyWideRightOfTheLast)
{
    Bar bar(534, 2);
    bar.control->setAutomaticallyAnimates(true);
    const QRectF last = bar.cell(1)->frame();
    bar.add(QStringLiteral("Third"));
    EXPECT_TRUE(bar.control->isAnimating());
    EXPECT_EQ(bar.cell(2)->frame(), QRectF(last.x() + last.width(), 0, 30, 22));
    bar.control->updateTabBar(false);
    EXPECT_FALSE(bar.control->isAnimating());
    EXPECT_EQ(bar.cell(2)->frame().width(), 130);
}

TEST(TabBarControl, ClosingTellsTheDelegateBeforeTheCellGoes)
{
    Bar bar(534, 3);
    RecordingDelegate delegate;
    delegate.control = bar.control.get();
    bar.control->setDelegate(&delegate);
    bar.tabView.removeTabViewItem(bar.tabView.tabViewItemAtIndex(1).get());
    EXPECT_EQ(delegate.events, (QStringList{QStringLiteral("close Tab 1 cells=3"), QStringLiteral("number")}));
    EXPECT_EQ(bar.control->cells().size(), 2u);
    bar.control->setDelegate(nullptr);
}

namespace {
// What the delegate heard of selections.
QStringList selections(const RecordingDelegate &delegate)
{
    QStringList heard = delegate.events;
    heard.removeIf([](const QString &event) {
        return !event.startsWith(u"should ") && !event.startsWith(u"will ") && !event.startsWith(u"did ");
    });
    return heard;
}
} // namespace

TEST(TabBarControl, AlwaysShowActiveTabMovesItToTheFront)
{
    Bar bar(534, 7);
    RecordingDelegate delegate;
    bar.control->setDelegate(&delegate);
    bar.control->setAlwaysShowActiveTab(true);
    ASSERT_TRUE(bar.cell(6)->isInOverflowMenu());
    const auto chosen = bar.tabView.tabViewItemAtIndex(6);
    delegate.events.clear();
    bar.control->overflowMenuAction(chosen.get());
    EXPECT_EQ(bar.tabView.tabViewItemAtIndex(0), chosen);
    EXPECT_EQ(bar.cell(0)->representedObject(), chosen);
    EXPECT_FALSE(bar.cell(0)->isInOverflowMenu());
    EXPECT_EQ(bar.tabView.selectedTabViewItem(), chosen);
    EXPECT_FALSE(delegate.events.contains(QStringLiteral("number")));
    EXPECT_EQ(bar.cell(0)->tabState() & 2, 2);
    EXPECT_EQ(selections(delegate), (QStringList{QStringLiteral("should Tab 6"), QStringLiteral("will Tab 6"),
                                                 QStringLiteral("did Tab 6")}))
        << "the delegate hears of one change once";
    bar.control->setDelegate(nullptr);
}

// Seeded choices from the bar and the overflow menu: each change of selection reaches
// the delegate once, the selected tab is the tab view's and shows in the bar.
TEST(TabBarControl, EachSelectionReachesTheDelegateOnce)
{
    for (unsigned seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        Bar bar(534, 9);
        RecordingDelegate delegate;
        bar.control->setDelegate(&delegate);
        bar.control->setAlwaysShowActiveTab(seed % 2 == 1);
        for (int step = 0; step < 30; ++step) {
            const auto chosen = bar.tabView.tabViewItemAtIndex(int(random() % 9));
            const bool changes = bar.tabView.selectedTabViewItem() != chosen;
            const qsizetype i = qsizetype(bar.tabView.indexOfTabViewItem(chosen.get()));
            const bool fromMenu = bar.cell(int(i))->isInOverflowMenu();
            delegate.events.clear();
            if (fromMenu)
                bar.control->overflowMenuAction(chosen.get());
            else
                bar.control->tabClick(bar.cell(int(i)));
            const QString label = chosen->label();
            const QStringList heard = changes ? QStringList{u"should "_qs + label, u"will "_qs + label, u"did "_qs + label}
                                              : QStringList();
            EXPECT_EQ(selections(delegate), heard) << "step " << step;
            ASSERT_EQ(bar.tabView.selectedTabViewItem(), chosen);
            const qsizetype shown = qsizetype(bar.tabView.indexOfTabViewItem(chosen.get()));
            EXPECT_EQ(bar.cell(int(shown))->representedObject(), chosen);
            EXPECT_EQ(bar.cell(int(shown))->tabState() & 2, 2);
            if (bar.control->alwaysShowActiveTab()) {
                EXPECT_FALSE(bar.cell(int(shown))->isInOverflowMenu());
            }
        }
        bar.control->setDelegate(nullptr);
    }
}

// A tab whose model can show progress has its indicator from the start; the others
// get theirs when it is first asked for, and closing a tab that never had one makes
// none.
TEST(TabBarControl, ProgressIndicatorsAreMadeForTabsThatCanShowProgress)
{
    Bar bar(700, 2);
    TabModel model;
    bar.add(QStringLiteral("busy"), &model);
    bar.control->updateTabBar(false);
    EXPECT_EQ(bar.cell(0)->indicatorIfMade(), nullptr);
    ASSERT_NE(bar.cell(2)->indicatorIfMade(), nullptr);
    EXPECT_TRUE(bar.cell(2)->indicatorIfMade()->isHidden());
    model.setValueForKey(true, QStringLiteral("isProcessing"));
    EXPECT_FALSE(bar.cell(2)->indicator()->isHidden());
    QCoreApplication::processEvents(); // the change's layout shows it in the bar
    EXPECT_EQ(bar.cell(2)->indicator()->parentWidget(), bar.control.get());

    VTProgressIndicator *asked = bar.cell(1)->indicator();
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(bar.cell(1)->indicator(), asked);
    EXPECT_TRUE(asked->isHidden());
    EXPECT_EQ(asked->parentWidget(), nullptr);

    bar.tabView.removeTabViewItem(bar.tabView.tabViewItemAtIndex(0).get());
    ASSERT_EQ(bar.control->cells().size(), 2u);
    EXPECT_EQ(bar.cell(0)->indicator(), asked);
    QCoreApplication::processEvents();
}

TEST(TabBarControl, OrientationWidthAndStyleFallback)
{
    Bar bar(300);
    EXPECT_EQ(bar.control->tabBarWidth(), 0);
    bar.control->setOrientation(0);
    EXPECT_EQ(bar.control->tabBarWidth(), 120);
    bar.control->setStyleNamed(QStringLiteral("Nonexistent"));
    EXPECT_EQ(bar.control->styleName(), QStringLiteral("Metal"));
    bar.control->hideTabBar(true, false); // a bar never awakened stays as it is
    EXPECT_FALSE(bar.control->isTabBarHidden());
}

TEST(TabBarControl, IdentifierChangeRebindsAndChangesFoldIntoOneUpdate)
{
    Bar bar(534);
    TabModel first, second;
    first.objectCount = 3;
    second.objectCount = 5;
    second.isEdited = true;
    const auto item = bar.add(QStringLiteral("Model"), &first);
    EXPECT_EQ(bar.cell(0)->count(), 3);
    item->setIdentifier(platform::KeyValueObservable::fromObservable(&second));
    EXPECT_EQ(bar.cell(0)->count(), 5);
    EXPECT_TRUE(bar.cell(0)->isEdited());

    first.setValueForKey(9, QStringLiteral("objectCount")); // no longer bound
    EXPECT_FALSE(bar.control->hasScheduledUpdate());
    second.setValueForKey(6, QStringLiteral("objectCount"));
    second.setValueForKey(7, QStringLiteral("objectCount"));
    EXPECT_TRUE(bar.control->hasScheduledUpdate());
    EXPECT_EQ(bar.cell(0)->count(), 7);
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar.control->hasScheduledUpdate());

    second.setValueForKey(true, QStringLiteral("isProcessing"));
    EXPECT_FALSE(bar.cell(0)->indicator()->isHidden());
    EXPECT_TRUE(bar.cell(0)->indicator()->isAnimating());
    QCoreApplication::processEvents();
}

TEST(OverflowPopUpButton, PulseWrapsStopsAndRestarts)
{
    QWidget parent;
    auto *button = new VTOverflowPopUpButton(QRect(0, 0, 24, 22), true, &parent);
    button->setAnimatingAlternateImage(true);
    EXPECT_TRUE(button->isPulsing());
    EXPECT_DOUBLE_EQ(button->animationValue(), VTOverflowPopUpButton::PulseStep);
    for (int i = 0; i < 29; ++i)
        button->animateStep();
    EXPECT_GT(button->animationValue(), 0.95);
    button->animateStep();
    EXPECT_DOUBLE_EQ(button->animationValue(), VTOverflowPopUpButton::PulseStep);

    button->animateStep();
    button->setVisible(false);
    EXPECT_FALSE(button->isPulsing());
    button->setVisible(true);
    EXPECT_TRUE(button->isPulsing());
    EXPECT_DOUBLE_EQ(button->animationValue(), VTOverflowPopUpButton::PulseStep);
}

TEST(RolloverButton, MovingUnderAStillPointerShowsTheRolloverImage)
{
    QWidget window;
    window.resize(200, 100);
    auto *button = new VTRolloverButton(&window);
    button->setUsualImage(VTTabBarArtwork::imageNamed(QStringLiteral("TabNewMetal")));
    button->setRolloverImage(VTTabBarArtwork::imageNamed(QStringLiteral("TabNewMetalRollover")));
    button->setGeometry(0, 0, 16, 16);
    window.show();
    QCursor::setPos(window.mapToGlobal(QPoint(108, 8)));
    button->move(10, 0);
    EXPECT_EQ(button->shownImage().cacheKey(), button->usualImage().cacheKey());
    button->move(100, 0);
    EXPECT_EQ(button->shownImage().cacheKey(), button->rolloverImage().cacheKey());
    button->move(150, 0);
    EXPECT_EQ(button->shownImage().cacheKey(), button->usualImage().cacheKey());
}

TEST(Shading, ThreeFillsByPixel)
{
    QImage image(20, 41, QImage::Format_ARGB32);
    QPainterPath path;
    path.addRect(0, 0, 20, 41);
    const auto fill = [&](auto &&draw) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        draw(painter);
    };
    const auto near = [](QRgb pixel, QColor expected) {
        return std::abs(qRed(pixel) - expected.red()) <= 14 && std::abs(qGreen(pixel) - expected.green()) <= 14
            && std::abs(qBlue(pixel) - expected.blue()) <= 14;
    };
    fill([&](QPainter &p) { VTShading::linearGradientFill(p, path, Qt::white, Qt::black); });
    EXPECT_TRUE(near(image.pixel(10, 0), Qt::white));
    EXPECT_TRUE(near(image.pixel(10, 40), Qt::black));
    fill([&](QPainter &p) { VTShading::linearVerticalGradientFill(p, path, Qt::white, Qt::black); });
    EXPECT_TRUE(near(image.pixel(0, 20), Qt::white));
    EXPECT_TRUE(near(image.pixel(19, 20), Qt::black));
    fill([&](QPainter &p) { VTShading::bilinearGradientFill(p, path, Qt::red, Qt::blue); });
    EXPECT_TRUE(near(image.pixel(10, 0), Qt::blue));
    EXPECT_TRUE(near(image.pixel(10, 20), Qt::red));
    EXPECT_TRUE(near(image.pixel(10, 40), Qt::blue));

    // A colour in another space is converted; a custom function is sampled.
    const QColor grey = QColor::fromRgbF(0.5f, 0.5f, 0.5f);
    VTShading::ColorFunction half{VTShading::ColorFunction::Kind::Custom, [](const VTShading::ColorInfo &info, float t, float out[4]) {
        for (int k = 0; k < 4; ++k)
            out[k] = info.first[k] + info.difference[k] * (t < 0.5f ? 0.0f : 1.0f);
    }};
    EXPECT_EQ(VTShading::colorAt(half, grey.toHsv(), Qt::black, 0.25f).rgb(), grey.rgb());
    EXPECT_EQ(VTShading::colorAt(half, grey, Qt::black, 0.75f).rgb(), QColor(Qt::black).rgb());
}

// Inserts anywhere, removals, moves (out and back in elsewhere) and selections, in a
// seeded random order: after every step the cells stand in the tab view's order and
// exactly one cell, the selected item's, is drawn selected, and the last visible tab
// is the one before the first tab of the menu. A wide bar shows every tab; a narrow
// one overflows, where a selected cell stays the selected item's.
TEST(TabBarControl, RandomEditsKeepTheTabViewOrderAndOneSelectedCell)
{
    for (const int width : {2600, 560}) {
        SCOPED_TRACE(width);
        Bar bar(width, 4);
        std::mt19937 random(53);
        int made = 4;
        const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
        for (int step = 0; step < 3000; ++step) {
            const int count = bar.tabView.numberOfTabViewItems();
            const int op = pick(4);
            if ((op == 0 && count < 18) || count < 2) {
                auto item = platform::TabViewItem::create();
                item->setLabel(QStringLiteral("Tab %1").arg(made++));
                bar.tabView.insertTabViewItem(item, pick(count + 1));
            } else if (op == 1) {
                bar.tabView.removeTabViewItem(bar.tabView.tabViewItemAtIndex(pick(count)).get());
            } else if (op == 2) {
                const auto item = bar.tabView.tabViewItemAtIndex(pick(count));
                const bool selected = bar.tabView.selectedTabViewItem() == item;
                bar.tabView.removeTabViewItem(item.get());
                bar.tabView.insertTabViewItem(item, pick(count));
                if (selected)
                    bar.tabView.selectTabViewItem(item.get());
            } else {
                bar.tabView.selectTabViewItemAtIndex(pick(count));
            }

            const auto &items = bar.tabView.tabViewItems();
            ASSERT_EQ(bar.control->cells().size(), items.size()) << "step " << step;
            int on = 0;
            for (size_t i = 0; i < items.size(); ++i) {
                VTTabBarCell *cell = bar.cell(int(i));
                ASSERT_EQ(cell->representedObject(), items[i]) << "step " << step << " cell " << i;
                if (cell->state() == platform::Cell::State::On) {
                    ++on;
                    EXPECT_EQ(cell->representedObject(), bar.tabView.selectedTabViewItem()) << "step " << step;
                } else if (!cell->isInOverflowMenu()) {
                    EXPECT_NE(cell->representedObject(), bar.tabView.selectedTabViewItem()) << "step " << step;
                }
            }
            ASSERT_LE(on, 1) << "step " << step;
            // The last visible tab is the one just before the first tab of the menu
            // (the last tab when none overflows), never a tab of the menu.
            VTTabBarCell *last = bar.control->lastVisibleTab();
            ASSERT_NE(last, nullptr) << "step " << step;
            EXPECT_FALSE(last->isInOverflowMenu()) << "step " << step;
            qsizetype firstInMenu = qsizetype(items.size());
            for (size_t i = 0; i < items.size(); ++i)
                if (bar.cell(int(i))->isInOverflowMenu()) {
                    firstInMenu = qsizetype(i);
                    break;
                }
            ASSERT_GT(firstInMenu, 0) << "step " << step;
            EXPECT_EQ(last, bar.cell(int(firstInMenu - 1))) << "step " << step;
            if (width > 2000) {
                ASSERT_EQ(on, 1) << "step " << step;
            }
        }
    }
}

// A layout visits the shown tabs and what changed since the one before, not the tabs
// that stay in the menu: after every step of a seeded run of inserts, removals, moves,
// selections, resizes and switches, the bar in its window draws what a bar laid out
// from scratch over the same tabs draws (each tab's place in the row or the menu,
// frame, selection and tab state, the menu's titles, the tracking rectangles and tool
// tips of the shown tabs).
TEST(TabBarControl, EachLayoutMatchesOneFromScratch)
{
    QWidget window;
    window.resize(900, 60);
    Bar bar(700, 3);
    bar.control->setParent(&window);
    window.show();
    std::mt19937 random(9151);
    const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    int made = 3;
    const auto describe = [](VTTabBarControl &control) {
        QStringList out;
        const auto &cells = control.cells();
        for (size_t i = 0; i < cells.size(); ++i) {
            const VTTabBarCell *cell = cells[i].get();
            const QRectF frame = control.controller()->cellFrameAtIndex(qsizetype(i));
            out << QStringLiteral("%1%2%3 %4+%5 state %6")
                       .arg(cell->representedObject()->label(), cell->isInOverflowMenu() ? QStringLiteral(" (menu)") : QString(),
                            cell->state() == platform::Cell::State::On ? QStringLiteral("*") : QString())
                       .arg(frame.x())
                       .arg(frame.width())
                       .arg(cell->isInOverflowMenu() ? 0 : cell->tabState());
            if (!cell->isInOverflowMenu())
                out.last() += QStringLiteral(" drawn %1+%2").arg(cell->frame().x()).arg(cell->frame().width());
        }
        if (QMenu *menu = control.controller()->overflowMenu())
            for (QAction *action : menu->actions())
                out << QStringLiteral("menu ") + action->text();
        return out.join(u'\n').toStdString();
    };
    // The shown tabs' tracking rectangles (the tab's, its close button's) and tool tips
    // lie over their places, in the tabs' order (the order in which they hear of the
    // pointer, and the tool tip that wins on a shared edge).
    const auto tracking = [](VTTabBarControl &control) {
        platform::TrackingAreas &areas = *control.trackingAreas();
        const auto ok = [](bool right) { return right ? QStringLiteral("ok") : QStringLiteral("WRONG"); };
        QStringList out;
        QList<QRectF> toolTips;
        int lastTag = 0;
        const auto &cells = control.cells();
        for (size_t i = 0; i < cells.size() && !cells[i]->isInOverflowMenu(); ++i) {
            const VTTabBarCell *cell = cells[i].get();
            const bool close = cell->hasCloseButton() && !cell->isCloseButtonSuppressed();
            out << QStringLiteral("%1 tab %2 %3 close %4 %5")
                       .arg(cell->representedObject()->label())
                       .arg(ok(areas.trackingRect(cell->cellTrackingTag()) == control.controller()->cellTrackingRectAtIndex(qsizetype(i))),
                            ok(cell->cellTrackingTag() > lastTag),
                            ok(!close || areas.trackingRect(cell->closeButtonTrackingTag())
                                             == control.controller()->closeButtonTrackingRectAtIndex(qsizetype(i))),
                            ok(!close || cell->closeButtonTrackingTag() > cell->cellTrackingTag()));
            lastTag = close ? cell->closeButtonTrackingTag() : cell->cellTrackingTag();
            toolTips << cell->frame();
        }
        if (areas.toolTipRects() != toolTips)
            out << QStringLiteral("tool tips differ from the shown tabs");
        return out.join(u'\n').toStdString();
    };
    // What a person sees of the bar: each tab's title, where it is drawn (or that it is
    // in the menu) and whether it is drawn selected.
    const auto drawn = [](VTTabBarControl &control) {
        QStringList out;
        for (const auto &cell : control.cells())
            out << QStringLiteral("%1 %2%3")
                       .arg(cell->stringValue(),
                            cell->isInOverflowMenu() ? QStringLiteral("menu")
                                                     : QStringLiteral("%1+%2").arg(cell->frame().x()).arg(cell->frame().width()),
                            cell->state() == platform::Cell::State::On ? QStringLiteral(" selected") : QString());
        return out.join(u'\n').toStdString();
    };
    int roundTrips = 0;
    for (int step = 0; step < 1500; ++step) {
        const int count = bar.tabView.numberOfTabViewItems();
        switch (pick(8)) {
        case 0:
        case 1:
            if (count < 40) {
                auto item = platform::TabViewItem::create();
                item->setLabel(QStringLiteral("Tab %1").arg(made++));
                bar.tabView.insertTabViewItem(item, pick(3) == 0 ? pick(count + 1) : count);
            }
            break;
        case 2:
            if (count > 1)
                bar.tabView.removeTabViewItem(bar.tabView.tabViewItemAtIndex(pick(3) == 0 ? 0 : pick(count)).get());
            break;
        case 3: {
            const auto item = bar.tabView.tabViewItemAtIndex(pick(count));
            bar.tabView.removeTabViewItem(item.get());
            bar.tabView.insertTabViewItem(item, pick(count));
            break;
        }
        case 4:
            bar.tabView.selectTabViewItemAtIndex(pick(count));
            break;
        case 5:
            bar.control->resize(150 + pick(900), 22);
            break;
        case 6:
            bar.control->setSizeCellsToFit(pick(2) == 0);
            break;
        default:
            bar.control->setCellMinWidth(60 + pick(80));
            break;
        }
        Bar fresh(bar.control->width());
        fresh.control->setSizeCellsToFit(bar.control->sizeCellsToFit());
        fresh.control->setCellMinWidth(bar.control->cellMinWidth());
        for (const auto &item : bar.tabView.tabViewItems())
            fresh.add(item->label());
        fresh.tabView.selectTabViewItemAtIndex(bar.tabView.indexOfTabViewItem(bar.tabView.selectedTabViewItem().get()));
        fresh.control->updateTabBar(false);
        bar.control->updateTabBar(false);
        ASSERT_EQ(describe(*bar.control), describe(*fresh.control)) << "step " << step;
        const std::string rects = tracking(*bar.control);
        ASSERT_EQ(rects, tracking(*fresh.control)) << "step " << step;
        ASSERT_EQ(rects.find("WRONG"), std::string::npos) << "step " << step << "\n" << rects;
        ASSERT_EQ(rects.find("differ"), std::string::npos) << "step " << step << "\n" << rects;

        // A copy through the keyed archive draws what the bar draws (the tabs' titles,
        // places and selection), at once and after its own layout; and a copy of it is
        // written as the same bytes as it.
        if (step % 5 == 0) {
            const std::string original = drawn(*bar.control);
            std::shared_ptr<VTArchivedView> decoded;
            std::unique_ptr<VTTabBarControl> copy = unarchived(archived(*bar.control), &decoded);
            ASSERT_TRUE(copy) << "step " << step;
            ASSERT_EQ(drawn(*copy), original) << "step " << step << ", the copy as read";
            // Woken as its owner wakes it, and laid out.
            copy->awakeFromNib();
            copy->updateTabBar(false);
            ASSERT_EQ(drawn(*copy), original) << "step " << step << ", the copy woken and laid out";
            const QByteArray once = archived(*copy);
            std::shared_ptr<VTArchivedView> decodedAgain;
            std::unique_ptr<VTTabBarControl> again = unarchived(once, &decodedAgain);
            ASSERT_TRUE(again) << "step " << step;
            again->awakeFromNib();
            again->updateTabBar(false);
            ASSERT_EQ(archived(*again), once) << "step " << step << ", a round trip of a round trip";
            ASSERT_EQ(drawn(*again), original) << "step " << step << ", the copy of the copy";
            ++roundTrips;
        }
    }
    EXPECT_GT(roundTrips, 250);
}
