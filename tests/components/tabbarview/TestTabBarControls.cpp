// The overflow button's pulse and image placement, the tab indicator's stop, the
// attached button's sliding frame, slide animations and the drag image.
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZProgressIndicator.h"
#include "components/tabbarview/KZSlideButtonsAnimation.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarView.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <gtest/gtest.h>

using tabbartest::squareIcon;

namespace {

void deliver()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

TEST(TabBarControls, PulseRunsOnlyWhileVisibleWithASecondImage)
{
    QWidget bar;
    auto *button = new KZOverflowPopUpButton(&bar);
    button->setFrame(QRect(0, 0, 14, 22));
    EXPECT_FALSE(button->isAnimating()); // no second image yet
    button->setSecondImage(squareIcon(8, Qt::red));
    EXPECT_TRUE(button->isAnimating());
    button->hide();
    EXPECT_FALSE(button->isAnimating());
    button->show();
    EXPECT_TRUE(button->isAnimating());
    button->setFrame(QRect());
    EXPECT_FALSE(button->isAnimating());
    button->setFrame(QRect(0, 0, 14, 22));
    EXPECT_TRUE(button->isAnimating());
    button->setSecondImage(QIcon());
    EXPECT_FALSE(button->isAnimating());

    KZOverflowPopUpButton loose; // in no view tree
    loose.setSecondImage(squareIcon(8, Qt::red));
    EXPECT_FALSE(loose.isAnimating());
}

TEST(TabBarControls, OverflowImageStandsAtTheRightEndCentredVertically)
{
    KZOverflowPopUpButton button;
    KZOverflowPopUpButtonCell *cell = button.overflowCell();
    EXPECT_EQ(cell->_imageRectForBounds(QRectF(0, 0, 30, 18), QSizeF(10, 12)), QRectF(20, 3, 10, 12));
    // Too tall: scaled down to the height.
    EXPECT_EQ(cell->_imageRectForBounds(QRectF(0, 0, 30, 18), QSizeF(10, 36)).size(), QSizeF(5, 18));
    EXPECT_FALSE(KZTabBarArtwork::overflowImage().isNull());

    // Pull-down: the first item is the title line and is not shown while open.
    QAction *titleLine = button.menu()->addAction(QStringLiteral("title"));
    button.menu()->addAction(QStringLiteral("Hidden tab"));
    button.popUpMenu();
    EXPECT_TRUE(button.cell()->isHighlighted());
    EXPECT_FALSE(titleLine->isVisible());
    button.menu()->hide();
    EXPECT_FALSE(button.cell()->isHighlighted());
    EXPECT_TRUE(titleLine->isVisible());
}

TEST(TabBarControls, StopBeforeADelayedStartLeavesTheIndicatorStopped)
{
    KZProgressIndicator tab;
    tab.startAnimationLater();
    tab.stopAnimation();
    platform::ProgressIndicator plain;
    plain.startAnimationLater();
    plain.stopAnimation();
    deliver();
    EXPECT_FALSE(tab.isAnimating());
    EXPECT_TRUE(plain.isAnimating()); // the platform's stop leaves the start pending

    tab.startAnimationLater();
    deliver();
    EXPECT_TRUE(tab.isAnimating());
}

TEST(TabBarControls, SlidingKeepsTheRowAndSlideAnimationsListEveryButton)
{
    KZTabBarView bar;
    std::vector<KZAttachedTabBarButton *> buttons;
    for (int i = 0; i < 3; ++i) {
        auto *button = new KZAttachedTabBarButton(QRect(i * 50, 2, 50, 22), platform::TabViewItem::create(), &bar);
        button->setStackingFrame(QRectF(i * 60, 2, 60, 22));
        buttons.push_back(button);
    }
    buttons[0]->setSlidingFrame(QRect(7, 40, 30, 20));
    EXPECT_EQ(buttons[0]->geometry(), QRect(7, 2, 30, 20));
    EXPECT_FALSE(buttons[0]->isSliding());
    buttons[0]->setIsInDraggedSlide(true);
    EXPECT_TRUE(buttons[0]->isSliding());
    EXPECT_TRUE(buttons[0]->shouldDisplayLeftDivider());

    KZSlideButtonsAnimation slide(buttons);
    EXPECT_DOUBLE_EQ(slide.duration(), 0.3);
    ASSERT_EQ(slide.viewAnimations().size(), 3u);
    EXPECT_EQ(slide.viewAnimations()[1].startFrame, QRectF(50, 2, 50, 22));
    EXPECT_EQ(slide.viewAnimations()[1].endFrame, QRectF(60, 2, 60, 22));
    slide.addAnimationDictionary({&bar, QRectF(), QRectF(), {}});
    EXPECT_EQ(slide.viewAnimations().size(), 4u);
    slide.setViewAnimations({slide.viewAnimations().begin(), slide.viewAnimations().begin() + 3});
    slide.setCurrentProgress(1.0);
    EXPECT_EQ(buttons[2]->geometry(), QRect(120, 2, 60, 22));
}

TEST(TabBarControls, SelectionFollowsTheBarsMouseRule)
{
    KZTabBarView bar;
    bar.setStyle(std::make_shared<tabbartest::BuiltInStyle>());
    bar.setSelectsTabsOnMouseDown(false);
    auto *first = new KZAttachedTabBarButton(QRect(0, 0, 50, 22), platform::TabViewItem::create(), &bar);
    auto *second = new KZAttachedTabBarButton(QRect(50, 0, 50, 22), platform::TabViewItem::create(), &bar);
    first->setState(platform::Cell::State::On);
    EXPECT_EQ(bar.selectedAttachedButton(), first);
    second->setTitle(QStringLiteral("Renamed"));
    EXPECT_EQ(second->tabViewItem()->label(), QStringLiteral("Renamed"));

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(55, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(55, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(second, &press);
    EXPECT_EQ(bar.selectedAttachedButton(), first); // selection on release
    QCoreApplication::sendEvent(second, &release);
    EXPECT_EQ(bar.selectedAttachedButton(), second);
    EXPECT_EQ(first->state(), platform::Cell::State::Off);

    bar.setSelectsTabsOnMouseDown(true);
    QCoreApplication::sendEvent(first, &press);
    EXPECT_EQ(bar.selectedAttachedButton(), first);
}

TEST(TabBarControls, DragImageCarriesTheProgressMarkOfAProcessingTab)
{
    KZTabBarView bar;
    bar.setStyle(std::make_shared<tabbartest::BuiltInStyle>());
    bar.resize(200, 22);
    auto *button = new KZAttachedTabBarButton(QRect(0, 0, 100, 22), platform::TabViewItem::create(), &bar);
    button->setStackingFrame(QRectF(10, 0, 100, 22));
    const QImage plain = button->dragImage();
    EXPECT_EQ(button->geometry(), QRect(10, 0, 100, 22));
    EXPECT_EQ(plain.size(), QSize(100, 22));

    EXPECT_EQ(KZAttachedTabBarButton::progressMarkPosition(QSize(100, 22), 100), QPoint(78, 3));
    button->setIsProcessing(true);
    const QImage marked = button->dragImage();
    int painted = 0;
    for (int y = 3; y < 19; ++y)
        for (int x = 78; x < 94; ++x)
            painted += marked.pixelColor(x, y) != plain.pixelColor(x, y);
    EXPECT_GT(painted, 10);
}
