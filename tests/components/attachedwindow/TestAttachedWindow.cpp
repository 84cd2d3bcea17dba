#include "components/attachedwindow/FXAttachedWindow.h"
#include "platform/drawing/ScreenCoordinates.h"
#include "tests/support/QtWarningCheck.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <QLoggingCategory>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>

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
    callout->setViewMargin(0);
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

namespace {

// The log lines of the callout while it lives.
class LogLines : public testsupport::CapturedLog
{
public:
    LogLines() : testsupport::CapturedLog("chronark.attachedwindow") {}
};

} // namespace

// A length or flag that is not a number, and an arrow length below zero, is refused
// with a line in the log that names it, and leaves the callout as it was.
TEST_F(AttachedWindowTest, ValuesThatAreNoNumbersAreRefused)
{
    const auto callout = attach(QPointF(500, 400), nullptr, FXAttachedWindow::Below);
    const QRectF frame = callout->screenFrame();
    const QPainterPath path = callout->backgroundPath();
    const struct
    {
        const char *name;
        bool refusesBelowZero;
        std::function<void(FXAttachedWindow &, qreal)> set;
    } setters[] = {
        {"border width", false, [](FXAttachedWindow &w, qreal v) { w.setBorderWidth(v); }},
        {"view margin", false, [](FXAttachedWindow &w, qreal v) { w.setViewMargin(v); }},
        {"arrow base width", true, [](FXAttachedWindow &w, qreal v) { w.setArrowBaseWidth(v); }},
        {"arrow height", true, [](FXAttachedWindow &w, qreal v) { w.setArrowHeight(v); }},
        {"corner radius", false, [](FXAttachedWindow &w, qreal v) { w.setCornerRadius(v); }},
        {"has-arrow flag", false, [](FXAttachedWindow &w, qreal v) { w.setHasArrow(v); }},
        {"round-corner flag", false, [](FXAttachedWindow &w, qreal v) { w.setDrawsRoundCornerBesideArrow(v); }},
    };
    const QImage picture = callout->grab().toImage();
    const QRect viewPlace = callout->findChild<QWidget *>()->geometry();
    LogLines log;
    for (const auto &setter : setters) {
        for (const qreal value : {qQNaN(), qInf(), -qInf(), -1e6, -50.0, -0.5}) {
            if (!setter.refusesBelowZero && std::isfinite(value))
                continue; // a flag takes any number, and these lengths have a floor
            setter.set(*callout, value);
            const QStringList lines = log.take();
            ASSERT_EQ(lines.size(), 1) << setter.name << " " << value;
            EXPECT_TRUE(lines.first().contains(QLatin1String(setter.name))) << lines.first().toStdString();
            EXPECT_TRUE(lines.first().contains(QLatin1String("refused"))) << lines.first().toStdString();
            EXPECT_EQ(callout->borderWidth(), 2.0);
            EXPECT_EQ(callout->viewMargin(), 2.0);
            EXPECT_EQ(callout->arrowBaseWidth(), 20.0);
            EXPECT_EQ(callout->arrowHeight(), 16.0);
            EXPECT_EQ(callout->cornerRadius(), 8.0);
            EXPECT_TRUE(callout->hasArrow());
            EXPECT_TRUE(callout->drawsRoundCornerBesideArrow());
            EXPECT_EQ(callout->screenFrame(), frame) << setter.name;
            EXPECT_EQ(callout->backgroundPath(), path) << setter.name;
            EXPECT_EQ(callout->findChild<QWidget *>()->geometry(), viewPlace) << setter.name;
        }
    }
    EXPECT_EQ(callout->grab().toImage(), picture);

    // A point or distance that is not a number makes no callout; the view stays the caller's.
    for (const QPointF &point : {QPointF(qQNaN(), 10), QPointF(10, qInf())}) {
        QWidget view;
        EXPECT_EQ(FXAttachedWindow::attach(&view, point), nullptr);
        EXPECT_EQ(view.parentWidget(), nullptr);
        EXPECT_EQ(log.take().size(), 1);
    }
    QWidget view;
    EXPECT_EQ(FXAttachedWindow::attach(&view, QPointF(10, 10), nullptr, FXAttachedWindow::Below, qQNaN()), nullptr);
    EXPECT_EQ(log.take().size(), 1);
}

// Lengths past what a screen shows are cut to it: the window stays within a few
// screens whatever the caller gives, and is drawn.
TEST_F(AttachedWindowTest, GeometryStaysWithinWhatAScreenShows)
{
    const qreal screenSide = 1000; // the larger side of the test's screen
    const auto within = [&](const FXAttachedWindow &callout, const char *what) {
        const QRectF frame = callout.screenFrame();
        EXPECT_TRUE(std::isfinite(frame.x()) && std::isfinite(frame.y())) << what;
        EXPECT_LE(frame.width(), 4 * screenSide) << what;
        EXPECT_LE(frame.height(), 4 * screenSide) << what;
        EXPECT_EQ(callout.geometry().size(), frame.size().toSize()) << what;
    };
    LogLines log;
    const auto callout = attach(QPointF(500, 400), nullptr, FXAttachedWindow::Below);
    callout->setArrowHeight(1e5);
    EXPECT_EQ(callout->arrowHeight(), screenSide);
    within(*callout, "arrow height");
    EXPECT_EQ(callout->screenFrame().height(), 50 + 2 * 2 + screenSide);
    callout->setArrowHeight(16);
    callout->setViewMargin(1e9);
    EXPECT_EQ(callout->viewMargin(), screenSide);
    within(*callout, "margin");
    callout->setViewMargin(2);
    callout->setArrowBaseWidth(1e300);
    EXPECT_LE(callout->arrowBaseWidth(), screenSide);
    callout->setCornerRadius(1e300);
    EXPECT_LE(callout->cornerRadius(), screenSide);
    within(*callout, "arrow base and corner");
    EXPECT_FALSE(callout->grab().isNull());

    // A view larger than the screen, far away and at a far distance.
    const auto large = attach(QPointF(1e300, -1e300), nullptr, FXAttachedWindow::Automatic, viewOfSize(100000, 60000));
    ASSERT_TRUE(large);
    within(*large, "large view");
    EXPECT_LE(large->viewFrame().width(), screenSide);
    std::unique_ptr<FXAttachedWindow> far(FXAttachedWindow::attach(viewOfSize(40, 30), QPointF(500, 400), nullptr,
                                                                   FXAttachedWindow::Below, 1e12));
    ASSERT_TRUE(far);
    EXPECT_EQ(far->screenFrame().top(), 400 - screenSide - far->screenFrame().height());
    EXPECT_TRUE(log.take().isEmpty()) << "lengths are cut, not refused";
}

// A margin or corner radius below zero is none at all, a border width of zero or less
// draws no border: taken without a word in the log, and the limits that follow from
// the margin are applied again.
TEST_F(AttachedWindowTest, LengthsBelowZeroThatHaveAFloorAreTakenAsZero)
{
    const auto callout = attach(QPointF(500, 400), nullptr, FXAttachedWindow::Below);
    const auto flat = attach(QPointF(500, 400), nullptr, FXAttachedWindow::Below);
    LogLines log;
    flat->setViewMargin(0);
    flat->setCornerRadius(0);
    flat->setBorderWidth(0);

    callout->setViewMargin(-1);
    EXPECT_EQ(callout->viewMargin(), 0);
    EXPECT_EQ(callout->screenFrame().size(), QSizeF(100, 66)); // the view and the arrow alone
    EXPECT_EQ(callout->viewFrame(), QRectF(0, 0, 100, 50));
    // The corner radius follows the margin's limit: (2 × 0 + 50 − 20) / 2.
    callout->setCornerRadius(40);
    EXPECT_EQ(callout->cornerRadius(), 15);
    callout->setCornerRadius(-3);
    EXPECT_EQ(callout->cornerRadius(), 0);
    EXPECT_EQ(callout->arrowBaseWidth(), 20);
    callout->setBorderWidth(-1);
    EXPECT_LE(callout->borderWidth(), 0);
    EXPECT_EQ(callout->backgroundPath(), flat->backgroundPath());
    EXPECT_EQ(callout->grab().toImage(), flat->grab().toImage());
    EXPECT_TRUE(log.take().isEmpty());
}
