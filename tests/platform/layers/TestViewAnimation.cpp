// View animations on the frozen clock: frames along the ease-in-ease-out curve, the
// end and the stop.
#include "tests/platform/layers/LayerTestSupport.h"

#include "platform/layers/ViewAnimation.h"

#include <QSignalSpy>
#include <QWidget>

using namespace platform;

class ViewAnimationTest : public layertest::FrozenClockTest
{
};

TEST_F(ViewAnimationTest, MovesTargetsAlongTheCurveAndEnds)
{
    QWidget parent;
    auto *moved = new QWidget(&parent);
    moved->setGeometry(0, 0, 10, 10);
    ViewAnimation animation({{moved, QRectF(0, 0, 10, 10), QRectF(100, 0, 30, 10), {{QStringLiteral("effect"), 1}}}});
    animation.setDuration(0.4);
    QSignalSpy ended(&animation, &TimedAnimation::didEnd);
    QSignalSpy stopped(&animation, &TimedAnimation::didStop);

    animation.setCurrentProgress(0.5); // settable at any time: the curve's middle is the middle
    EXPECT_EQ(moved->geometry(), QRect(50, 0, 20, 10));
    EXPECT_EQ(animation.viewAnimations()[0].extraValues.value(QStringLiteral("effect")).toInt(), 1);

    animation.start();
    EXPECT_EQ(moved->geometry(), QRect(0, 0, 10, 10));
    deliver(); // Qt starts its animation timer from the event loop
    advance(100);
    EXPECT_GT(moved->x(), 0);
    EXPECT_LT(moved->x(), 25); // ease in: slower than linear at first
    advance(400);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(moved->geometry(), QRect(100, 0, 30, 10));
    EXPECT_FALSE(animation.isAnimating());

    animation.start();
    deliver();
    advance(100);
    animation.stop();
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(ended.count(), 1);
    delete moved; // a target gone is skipped
    animation.setCurrentProgress(1.0);
}
