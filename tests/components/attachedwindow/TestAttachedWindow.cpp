#include "components/attachedwindow/FXAttachedWindow.h"
#include "platform/drawing/ScreenCoordinates.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using platform::ScreenCoordinates;

namespace {

// One screen of 1000 × 800 with a parent window of 400 × 300 whose bottom-left
// corner stands at (300, 300) in y-up screen coordinates.
class AttachedWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ScreenCoordinates::setScreens(QList<ScreenCoordinates::Screen>{{QRect(0, 0, 1000, 800), QRect(0, 0, 1000, 800)}});
        parent.setGeometry(300, 200, 400, 300);
    }
    void TearDown() override { ScreenCoordinates::setScreens(std::nullopt); }

    static QWidget *viewOfSize(int width, int height)
    {
        auto *view = new QWidget;
        view->resize(width, height);
        return view;
    }
    std::unique_ptr<FXAttachedWindow> attach(const QPointF &point, QWidget *window, qint32 side = FXAttachedWindow::Automatic,
                                             QWidget *view = viewOfSize(100, 50))
    {
        FXAttachedWindow *callout = FXAttachedWindow::attach(view, point, window, side, 0);
        if (callout)
            callout->setParent(nullptr); // the test owns it
        return std::unique_ptr<FXAttachedWindow>(callout);
    }

    QWidget parent;
};

} // namespace

TEST_F(AttachedWindowTest, NoViewNoWindow)
{
    EXPECT_EQ(FXAttachedWindow::attach(nullptr, QPointF(10, 10)), nullptr);
}

TEST_F(AttachedWindowTest, AutomaticSidePrefersBelowAndKeepsInsideTheParent)
{
    const struct
    {
        QPointF point;
        qint32 side;
    } cases[] = {
        {{200, 150}, FXAttachedWindow::Below},
        {{10, 150}, FXAttachedWindow::BelowExtendingRight}, // the centred window would cross the left edge
        {{390, 150}, FXAttachedWindow::BelowExtendingLeft},
    };
    for (const auto &c : cases)
        EXPECT_EQ(attach(c.point, &parent)->side(), c.side) << c.point.x();

    // Too big for any side of the screen: below all the same.
    ScreenCoordinates::setScreens(QList<ScreenCoordinates::Screen>{{QRect(0, 0, 200, 200), QRect(0, 0, 200, 200)}});
    EXPECT_EQ(attach(QPointF(100, 100), nullptr, FXAttachedWindow::Automatic, viewOfSize(300, 300))->side(),
              FXAttachedWindow::Below);
}

TEST_F(AttachedWindowTest, PlacementOnTheScreenFollowsThePoint)
{
    const auto callout = attach(QPointF(200, 150), &parent, FXAttachedWindow::Below);
    // 100 × 50 view, margin 2, arrow 16: 104 × 70, centred below the point (500, 450).
    EXPECT_EQ(callout->screenFrame(), QRectF(448, 380, 104, 70));
    EXPECT_EQ(callout->geometry(), QRect(448, 350, 104, 70));
    EXPECT_EQ(callout->viewFrame(), QRectF(2, 2, 100, 50));

    // Closing the callout closes the window it is attached to.
    parent.show();
    callout->performClose();
    EXPECT_FALSE(parent.isVisible());
}

TEST_F(AttachedWindowTest, SideFourPutsTheTipAboveTheBottomByTheInset)
{
    const auto callout = attach(QPointF(500, 400), nullptr, FXAttachedWindow::LeftExtendingUp);
    const QRectF frame = callout->screenFrame();
    EXPECT_EQ(frame.right(), 500);
    EXPECT_EQ(400 - frame.top(), 18); // y-up: top() is the bottom edge
    const QPainterPath path = callout->backgroundPath();
    EXPECT_TRUE(path.contains(QPointF(frame.width() - 1, 18)));
    EXPECT_FALSE(path.contains(QPointF(frame.width() - 1, 30)));

    callout->setDrawsRoundCornerBesideArrow(0);
    EXPECT_EQ(400 - callout->screenFrame().top(), 10);
    EXPECT_TRUE(callout->backgroundPath().contains(QPointF(callout->screenFrame().width() - 1, 10)));
}

TEST_F(AttachedWindowTest, SettersKeepTheirLimits)
{
    const auto callout = attach(QPointF(500, 400), nullptr, FXAttachedWindow::Below);
    callout->setBorderWidth(5);
    EXPECT_EQ(callout->borderWidth(), callout->viewMargin());
    callout->setViewMargin(-3);
    EXPECT_EQ(callout->viewMargin(), 0);
    EXPECT_LE(callout->cornerRadius(), (callout->viewFrame().height() - callout->arrowBaseWidth()) / 2);

    const QRectF frame = callout->screenFrame();
    const QRectF viewFrame = callout->viewFrame();
    const QRectF withArrow = callout->backgroundPath().boundingRect();
    callout->setHasArrow(0.5);
    EXPECT_FALSE(callout->hasArrow());
    EXPECT_EQ(callout->screenFrame(), frame);
    EXPECT_EQ(callout->viewFrame(), viewFrame);
    EXPECT_LT(callout->backgroundPath().boundingRect().height(), withArrow.height());
}
