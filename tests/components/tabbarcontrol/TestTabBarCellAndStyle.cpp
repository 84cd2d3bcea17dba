// Tab cells and the Metal style: steps, placeholders, the overflow flag, the drag
// image's progress mark, the archive, accessibility, the widths of the style and the
// selection change when no tab is selected.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QAccessible>
#include <QApplication>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

TEST(TabBarCell, StepsPlaceholdersAndOverflowFlag)
{
    Bar bar(534, 2);
    VTTabBarCell *cell = bar.cell(0);
    cell->setCurrentStep(-3);
    EXPECT_EQ(cell->currentStep(), 0);
    cell->setCurrentStep(12);
    EXPECT_EQ(cell->currentStep(), 7);

    RecordingDelegate delegate;
    bar.control->setDelegate(&delegate);
    cell->setIsInOverflowMenu(false); // already so
    EXPECT_TRUE(delegate.events.isEmpty());
    cell->setIsInOverflowMenu(true);
    EXPECT_EQ(delegate.events, QStringList{QStringLiteral("overflow Tab 0 1")});
    bar.control->setDelegate(nullptr);

    const QRectF frame(40, 0, 120, 22);
    auto collapsed = VTTabBarCell::placeholder(frame, false, bar.control.get());
    EXPECT_EQ(collapsed->frame(), QRectF(40, 0, 0, 22));
    EXPECT_EQ(collapsed->currentStep(), 0);
    EXPECT_TRUE(collapsed->isPlaceholder());
    EXPECT_EQ(VTTabBarCell::placeholder(frame, true, bar.control.get())->currentStep(), 7);
    bar.control->setOrientation(1);
    EXPECT_EQ(VTTabBarCell::placeholder(frame, false, bar.control.get())->frame(), QRectF(40, 0, 120, 0));
}

TEST(TabBarCell, DragImageMarksTheIndicator)
{
    Bar bar(534, 2);
    VTTabBarCell *cell = bar.cell(1);
    bar.tabView.tabViewItemAtIndex(1)->setLabel(QString()); // no title to move aside
    const QImage plain = cell->dragImage();
    cell->indicator()->setHidden(false);
    const QImage marked = cell->dragImage();
    ASSERT_EQ(plain.size(), marked.size());
    QRect changed;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != marked.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    ASSERT_FALSE(changed.isEmpty());
    const int w = int(cell->frame().width()), h = marked.height();
    EXPECT_TRUE(QRect(w - 22, h - 19, 16, 16).adjusted(-1, -1, 1, 1).contains(changed)) << changed.x() << "," << changed.y();
}

TEST(TabBarCell, ArchiveRoundTripOfSeventeenValues)
{
    Bar bar(534, 1);
    auto cell = bar.control->cells().front();
    cell->setFrame(QRectF(10, 0, 131.5, 22));
    cell->setCurrentStep(5);
    cell->setIsPlaceholder(true);
    cell->setTabState(0x12);
    cell->setCloseButtonTrackingTag(7);
    cell->setCellTrackingTag(8);
    cell->setCloseButtonOver(true);
    cell->setCloseButtonPressed(true);
    cell->indicator()->setHidden(false);
    cell->setIsInOverflowMenu(true);
    cell->setHasCloseButton(false);
    cell->setCloseButtonSuppressed(true);
    cell->setHasIcon(true);
    cell->setHasLargeImage(true);
    cell->setCount(9);
    cell->setCountColor(Qt::red);
    cell->setIsEdited(true);

    const auto data = platform::KeyedArchiver::archivedData(cell);
    ASSERT_TRUE(data.has_value());
    QString error;
    const auto copy = platform::KeyedUnarchiver::unarchivedObject<VTTabBarCell>(*data, &error);
    ASSERT_TRUE(copy) << error.toStdString();
    EXPECT_EQ(copy->frame(), cell->frame());
    EXPECT_EQ(copy->stringSize(), cell->stringSize());
    EXPECT_EQ(copy->currentStep(), 5);
    EXPECT_TRUE(copy->isPlaceholder());
    EXPECT_EQ(copy->tabState(), 0x12);
    EXPECT_EQ(copy->closeButtonTrackingTag(), 7);
    EXPECT_EQ(copy->cellTrackingTag(), 8);
    copy->setTabState(2); // closeButtonOver() answers for the selected tab
    EXPECT_TRUE(copy->closeButtonOver());
    EXPECT_TRUE(copy->closeButtonPressed());
    ASSERT_TRUE(copy->indicator());
    EXPECT_FALSE(copy->indicator()->isHidden());
    EXPECT_TRUE(copy->isInOverflowMenu());
    EXPECT_FALSE(copy->hasCloseButton());
    EXPECT_TRUE(copy->isCloseButtonSuppressed());
    EXPECT_TRUE(copy->hasIcon());
    EXPECT_TRUE(copy->hasLargeImage());
    EXPECT_EQ(copy->count(), 9);
    EXPECT_TRUE(copy->isEdited());
    EXPECT_FALSE(copy->countColor().isValid());

    // A step out of range and a non-finite frame are cut; a wrong kind fails.
    EXPECT_FALSE(platform::KeyedUnarchiver::unarchivedObject<VTTabBarCell>(QByteArray("not an archive")));
}

TEST(TabBarCell, AccessibilityFocusOnlyAtStateTwo)
{
    Bar bar(534, 3);
    RecordingDelegate delegate;
    bar.control->setDelegate(&delegate);
    QAccessibleInterface *control = QAccessible::queryAccessibleInterface(bar.control.get());
    ASSERT_TRUE(control);
    EXPECT_EQ(control->role(), QAccessible::Grouping);
    ASSERT_EQ(control->childCount(), 3);
    QAccessibleInterface *second = control->child(1);
    EXPECT_EQ(second->role(), QAccessible::Button);
    EXPECT_EQ(second->text(QAccessible::Help), QStringLiteral("Tab 1, 0 messages"));
    bar.cell(1)->setTabState(2);
    EXPECT_TRUE(second->state().focused);
    bar.cell(1)->setTabState(2 | 0x40);
    EXPECT_FALSE(second->state().focused);
    second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(bar.tabView.selectedTabViewItem().get(), bar.cell(1)->representedObject().get());
    bar.control->setDelegate(nullptr);
}

TEST(MetalTabStyle, Widths)
{
    Bar bar(534, 1);
    VTTabBarCell *cell = bar.cell(0);
    const VTTabStyle *style = bar.control->style().get();
    cell->setHasCloseButton(false);
    EXPECT_EQ(style->minimumWidthOfTabCell(cell), 42);

    cell->setHasCloseButton(true);
    cell->setCloseButtonSuppressed(false);
    cell->setHasIcon(true);
    cell->indicator()->setHidden(false);
    cell->setCount(7);
    // The bare 42, then the close button (its image is 12 wide) and 4, the icon's 20,
    // the counter of one digit at its least width 20 and 4, the indicator's 20.
    ASSERT_EQ(VTTabBarArtwork::sizeOf(VTTabBarArtwork::imageNamed(QStringLiteral("TabClose_Front"))).width(), 12);
    EXPECT_EQ(style->objectCounterRectForTabCell(cell).width(), 20);
    EXPECT_EQ(style->minimumWidthOfTabCell(cell), 42 + 16 + 20 + 24 + 20);

    // A suppressed close button takes no room but keeps its rectangle.
    cell->setCloseButtonSuppressed(true);
    EXPECT_EQ(style->minimumWidthOfTabCell(cell), 42 + 20 + 24 + 20);
    EXPECT_FALSE(cell->closeButtonRectForFrame(cell->frame()).isEmpty());
    EXPECT_EQ(style->iconRectForTabCell(cell).x(), cell->frame().x() + 6);
    cell->setCount(1);
    EXPECT_EQ(style->objectCounterRectForTabCell(cell).width(), 20);
    cell->setCount(0);
    EXPECT_TRUE(style->objectCounterRectForTabCell(cell).isNull());
}

TEST(TabBarController, SelectingWithoutASelectedCell)
{
    // A tab chosen from the overflow menu has state 0 after the layout: the next
    // selection finds no selected cell and must only mark the new one.
    Bar bar(534, 4);
    for (const auto &cell : bar.control->cells()) {
        cell->setState(platform::Cell::State::Off);
        cell->setTabState(0);
    }
    bar.control->controller()->setSelectedCell(bar.cell(2));
    EXPECT_EQ(bar.cell(2)->state(), platform::Cell::State::On);
    EXPECT_EQ(bar.cell(2)->tabState(), 2);
    EXPECT_EQ(bar.cell(1)->tabState(), 8);
    EXPECT_EQ(bar.cell(3)->tabState(), 4);
    EXPECT_EQ(bar.cell(0)->tabState(), 0);

    // With a selected cell the marks move: the old one is 0x20, its neighbours flip.
    bar.control->controller()->setSelectedCell(bar.cell(0));
    EXPECT_EQ(bar.cell(2)->tabState(), 0x20);
    EXPECT_EQ(bar.cell(0)->tabState(), 2);
    EXPECT_EQ(bar.cell(1)->tabState() & 4, 4);
}
