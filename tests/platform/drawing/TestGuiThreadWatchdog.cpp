// The watchdog every test program runs over its GUI thread: a delivery of the event
// loop that holds the thread past the limit fails the test; shorter ones, the test's
// own code and a delivery that runs a nested loop do not.
#include "tests/support/GuiThreadWatchdog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

// The ThreadSanitizer run has no watchdog (tools/dev).
#if !defined(__SANITIZE_THREAD__)

using testsupport::GuiThreadWatchdog::limitMs;

namespace {

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Runs `work` as a queued call and waits, in the event loop, until it ran.
void queued(const std::function<void()> &work)
{
    bool ran = false;
    QMetaObject::invokeMethod(qApp, [&] {
        work();
        ran = true;
    }, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, 60000));
}

class Sleeper : public QObject
{
public:
    int ms = 0;
    bool slept = false;
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        sleepMs(ms);
        slept = true;
        return true;
    }
};

} // namespace

TEST(GuiThreadWatchdog, AHoldOfTheLoopFailsTheTestWithItsLengthAndStack)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(limit + 150); }), "held");
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(limit + 150); }), "AHoldOfTheLoopFailsTheTestWithItsLengthAndStack");
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(limit + 150); }), "TestGuiThreadWatchdog.cpp");
    // A timer's delivery, and a posted event's.
    EXPECT_NONFATAL_FAILURE(
        {
            bool fired = false;
            QTimer::singleShot(0, qApp, [&] {
                sleepMs(limit + 150);
                fired = true;
            });
            ASSERT_TRUE(QTest::qWaitFor([&] { return fired; }, 60000));
        },
        "held");
    Sleeper sleeper;
    sleeper.ms = limit + 150;
    EXPECT_NONFATAL_FAILURE(
        {
            QCoreApplication::postEvent(&sleeper, new QEvent(QEvent::User));
            ASSERT_TRUE(QTest::qWaitFor([&] { return sleeper.slept; }, 60000));
        },
        "held");
}

TEST(GuiThreadWatchdog, ShortDeliveriesTheTestsOwnCodeAndNestedLoopsAreNoHolds)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    queued([&] { sleepMs(limit / 5); });
    // An event the test sends itself, outside a loop pass: the test's own time.
    Sleeper sleeper;
    sleeper.ms = limit + 150;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&sleeper, &event);
    sleepMs(limit + 50); // and its own code between passes
    // A hold the test knows of, inside a library, is told and not a failure.
    {
        const testsupport::KnownGuiThreadHold known("a library's own set-up");
        queued([&] { sleepMs(limit + 150); });
    }
    // A delivery that runs a nested loop (a modal dialog's) for longer than the limit
    // gives the thread back while it waits.
    queued([&] {
        QEventLoop loop;
        QTimer::singleShot(limit + 200, &loop, &QEventLoop::quit);
        loop.exec();
    });
}

#endif
