// The counter's idle stop against a real X server: the idle time the counter reads
// grows while nobody touches the pointer, an XTEST pointer move starts it again, and
// the counter stops at the first tick that sees more than the limit.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "application/base/DefaultsKeys.h"
#include "platform/foundation/Clock.h"

#include <QProcess>
#include <QTimer>

using namespace mydoctest;

namespace {

// Moves the pointer through XTEST.
bool movePointer(int x, int y)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

class CounterIdle : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no X display";
        defaults->setBool(true, AllwaysMutelyKey);
        defaults->setBool(true, StopTimerWhenInactiveKey);
        // 1.5 seconds.
        defaults->setFloat(0.025f, StopTimerWhenInactiveTimeKey);
        services->idleSecondsSource = {};
    }
};

TEST_F(CounterIdle, IdleTimeGrowsAPointerMoveResetsItAndTheCounterStopsPastTheLimit)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("Away"), 10, {});
    fill(document, {job});
    document->setActiveJob(job);

    ASSERT_TRUE(movePointer(10, 10));
    // The X source answers at once; the bus sources answer one call late.
    ASSERT_TRUE(QTest::qWaitFor([this] { return services->userIdleSeconds() < 1.0; }, 5000));
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(document->timerIsRunning());
    ASSERT_NEAR(document->counter().inactivityInterval(), 1.5, 1e-6);
    document->counter().timer()->stop(); // ticks are made by hand here
    document->doTimer();
    EXPECT_TRUE(document->timerIsRunning());

    // Idle time grows while nobody moves.
    double grown = 0.0;
    ASSERT_TRUE(QTest::qWaitFor([&, this] { return (grown = services->userIdleSeconds()) > 1.0; }, 10000));

    // A pointer move starts it again, and the counter goes on.
    ASSERT_TRUE(movePointer(300, 200));
    double afterMove = grown;
    ASSERT_TRUE(QTest::qWaitFor([&, this] { return (afterMove = services->userIdleSeconds()) < grown; }, 5000));
    EXPECT_LT(afterMove, 1.0);
    document->doTimer();
    EXPECT_TRUE(document->timerIsRunning());

    // Past the limit, the next tick stops it.
    ASSERT_TRUE(QTest::qWaitFor([this] { return services->userIdleSeconds() > 1.6; }, 10000));
    document->doTimer();
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(services->runningCounters, 0);
}

// The document class of the shared test support lives in a header of the offscreen
// tests; its meta-object is built into this program here.
#include "tests/application/document/moc_TestMyDocumentSupport.cpp"
