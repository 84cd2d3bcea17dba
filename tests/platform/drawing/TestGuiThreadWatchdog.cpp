// The watchdog every test program runs over its GUI thread: a delivery that holds the
// thread past the limit fails the test, whether the loop or the test sent it, and so
// does the rest of a delivery after a nested loop, the slots of a click or a trigger
// the test makes itself, and a delivery whose loop passes leave out the person's
// input; shorter ones, the test's own code, a wait on a thread of the program that the
// machine keeps waiting for a processor,
// the nested loop's wait and a hold inside a call the test names as known (however
// many old return addresses lie above that call's frame; the call must be live, not
// one that returned and left its words behind) do not. A
// sleep is not cut short by the watchdog's look at the stack.
#include "tests/support/GuiThreadWatchdog.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <atomic>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <vector>
#include <functional>
#include <thread>
#include <unistd.h>

// The ThreadSanitizer run has no watchdog (tools/dev).
#if !defined(__SANITIZE_THREAD__)

using testsupport::GuiThreadWatchdog::limitMs;
using testsupport::GuiThreadWatchdog::longestLimitMs;

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

// A call of a library the test knows holds the thread, by name on the stack.
[[gnu::noinline]] void knownLibrarySetUp(int ms)
{
    sleepMs(ms);
    asm volatile("" ::: "memory"); // not a tail call: this frame stays on the stack
}

// A return address inside this file: the word a call leaves on the stack.
[[gnu::noinline]] quintptr returnAddressOfTheCaller()
{
    return quintptr(__builtin_return_address(0));
}

// A hold in a frame whose buffer still holds words left by calls that returned (a text
// encoder's buffer does): many more return addresses than a report shows lie between
// the held instruction and the caller's frame.
[[gnu::noinline]] void holdUnderOldReturnAddresses(int ms)
{
    volatile quintptr words[4096];
    const quintptr left = returnAddressOfTheCaller();
    for (volatile quintptr &word : words)
        word = left;
    sleepMs(ms);
    asm volatile("" ::: "memory");
}

// A library call the test knows holds the thread, with such a buffer under it.
[[gnu::noinline]] void knownLibraryEncoding(int ms)
{
    holdUnderOldReturnAddresses(ms);
    asm volatile("" ::: "memory");
}

// Fills room below the caller's frame with a word, as a call's own frames leave words
// when it returns.
[[gnu::noinline]] void fillRoomBelow(quintptr word)
{
    volatile quintptr words[4096];
    for (volatile quintptr &w : words)
        w = word;
    asm volatile("" ::: "memory");
}

// A library call the test knows holds the thread, which returns at once: return
// addresses into it stay in the room below its caller's frame.
[[gnu::noinline]] void knownLibraryReturned()
{
    fillRoomBelow(returnAddressOfTheCaller());
    asm volatile("" ::: "memory");
}

// A hold in a frame whose room was never written (the words a returned call left there
// stay), sleeping or working.
[[gnu::noinline]] void holdInUnwrittenRoom(int ms, bool working)
{
    volatile quintptr room[8192];
    room[0] = 0;
    if (!working) {
        sleepMs(ms);
    } else {
        // That much of the thread's own processor time, however long a loaded machine
        // makes it wait for a processor.
        const auto used = [] {
            timespec now{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        };
        for (const qint64 start = used(); used() - start < ms;)
            room[0] = room[0] + 1;
    }
    asm volatile("" ::: "memory");
}

// A hold below many frames of its own.
[[gnu::noinline]] int holdDeepDown(int frames, int ms)
{
    if (frames == 0) {
        sleepMs(ms);
        return 0;
    }
    const int below = holdDeepDown(frames - 1, ms);
    asm volatile("" ::: "memory");
    return below + 1;
}

} // namespace

TEST(GuiThreadWatchdog, AHoldOfTheLoopFailsTheTestWithItsLengthAndStack)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    // Past the limit however far the machine's pace stretches it.
    const int hold = longestLimitMs() + 150;
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(hold); }), "held");
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(hold); }), "AHoldOfTheLoopFailsTheTestWithItsLengthAndStack");
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(hold); }), "TestGuiThreadWatchdog.cpp");
    // The report tells how far the machine's pace stretched the limit.
    EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(hold); }), "the machine's pace then");
    // A timer's delivery, and a posted event's.
    EXPECT_NONFATAL_FAILURE(
        {
            bool fired = false;
            QTimer::singleShot(0, qApp, [&] {
                sleepMs(hold);
                fired = true;
            });
            ASSERT_TRUE(QTest::qWaitFor([&] { return fired; }, 60000));
        },
        "held");
    Sleeper sleeper;
    sleeper.ms = hold;
    EXPECT_NONFATAL_FAILURE(
        {
            QCoreApplication::postEvent(&sleeper, new QEvent(QEvent::User));
            ASSERT_TRUE(QTest::qWaitFor([&] { return sleeper.slept; }, 60000));
        },
        "held");
}

TEST(GuiThreadWatchdog, EventsTheTestSendsTheRestOfADeliveryAfterANestedLoopAndDeepStacksAreMeasured)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    // Past the limit however far the machine's pace stretches it.
    const int hold = longestLimitMs() + 150;
    // An event the test sends itself, and a click QTest makes on a button whose slot holds.
    Sleeper sleeper;
    sleeper.ms = hold;
    EXPECT_NONFATAL_FAILURE(
        {
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(&sleeper, &event);
        },
        "held");
    QPushButton button(QStringLiteral("Hold"));
    QObject::connect(&button, &QPushButton::clicked, [&] { sleepMs(hold); });
    EXPECT_NONFATAL_FAILURE(QTest::mouseClick(&button, Qt::LeftButton), "held");
    // A delivery that runs a short nested loop and then holds the thread.
    EXPECT_NONFATAL_FAILURE(queued([&] {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
        sleepMs(hold);
    }),
                            "held");
    // The slots of a click and of a trigger that the test makes itself, and a delivery
    // whose passes of a loop leave out the person's input.
    QPushButton clicked(QStringLiteral("Hold"));
    QObject::connect(&clicked, &QPushButton::clicked, [&] { sleepMs(hold); });
    EXPECT_NONFATAL_FAILURE(clicked.click(), "held");
    QAction action(QStringLiteral("Hold"));
    QObject::connect(&action, &QAction::triggered, [&] { sleepMs(hold); });
    EXPECT_NONFATAL_FAILURE(action.trigger(), "held");
    EXPECT_NONFATAL_FAILURE(queued([&] {
        for (int pass = 0; pass < 4; ++pass) {
            sleepMs(hold / 3);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }),
                            "held");
    // A hold below a hundred frames is named by its line all the same.
    EXPECT_NONFATAL_FAILURE(queued([&] { holdDeepDown(100, hold); }), "TestGuiThreadWatchdog.cpp");
}

TEST(GuiThreadWatchdog, ShortDeliveriesTheTestsOwnCodeNestedLoopsAndKnownCallsAreNoHolds)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    // Past the limit however far the machine's pace stretches it.
    const int hold = longestLimitMs() + 150;
    queued([&] { sleepMs(limit / 5); });
    sleepMs(limit + 50); // the test's own code between passes
    // A hold the test knows of, inside the library call it names, is told and not a
    // failure; a hold elsewhere while it is known still fails.
    {
        const testsupport::KnownGuiThreadHold known("knownLibrarySetUp", "a library's own set-up");
        queued([&] { knownLibrarySetUp(hold); });
        EXPECT_NONFATAL_FAILURE(queued([&] { sleepMs(hold); }), "held");
    }
    // The known call is found also under a buffer of more old return addresses than a
    // report shows.
    {
        const testsupport::KnownGuiThreadHold known("knownLibraryEncoding", "a library's encoder");
        queued([&] { knownLibraryEncoding(hold); });
    }
    // A known call that returned before the hold does not excuse it, though the words it
    // left lie in the room of the frames that hold, sleeping or working.
    {
        const testsupport::KnownGuiThreadHold known("knownLibraryReturned", "a library's call that returned");
#if defined(__SANITIZE_ADDRESS__)
        // The address sanitizer makes the sleep's system call from an interceptor of its
        // own, whose frame the walk of the stack cannot go through: only the working hold.
        for (const bool working : {true}) {
#else
        for (const bool working : {false, true}) {
#endif
            SCOPED_TRACE(working);
            EXPECT_NONFATAL_FAILURE(queued([&] {
                knownLibraryReturned();
                holdInUnwrittenRoom(hold, working);
            }),
                                    "held");
        }
    }
    // A click whose slots are short, and a delivery whose passes answer the person.
    QPushButton button(QStringLiteral("Short"));
    QObject::connect(&button, &QPushButton::clicked, [&] { sleepMs(limit / 5); });
    button.click();
    button.click();
    queued([&] {
        for (int pass = 0; pass < 4; ++pass) {
            sleepMs(limit / 3 + 50);
            QCoreApplication::processEvents();
        }
    });
    // A delivery that runs a nested loop (a modal dialog's) for longer than the limit
    // gives the thread back while it waits.
    queued([&] {
        QEventLoop loop;
        QTimer::singleShot(limit + 200, &loop, &QEventLoop::quit);
        loop.exec();
    });
}

namespace {

// Keeps the calling thread on one processor.
void pinTo(int processor)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor, &one);
    ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof one, &one), 0);
}

// Works on a processor until the calling thread has had `ms` of it.
void workMs(int ms)
{
    const auto used = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    };
    volatile qint64 sum = 0;
    for (const qint64 start = used(); used() - start < ms;)
        sum = sum + 1;
}

} // namespace

// A delivery that waits on a thread of the program that the machine keeps waiting for
// a processor (here: one processor shared with busy threads) is not held by that wait:
// the machine took that time. One that waits on a thread's own work is held.
TEST(GuiThreadWatchdog, AWaitOnAThreadOfTheProgramThatWaitsForAProcessorIsTheMachines)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    int processor = 0;
    while (processor < CPU_SETSIZE && !CPU_ISSET(processor, &allowed))
        ++processor;
    ASSERT_LT(processor, CPU_SETSIZE);
    {
        std::atomic<bool> stop{false};
        std::vector<std::thread> busy;
        for (int i = 0; i < 4; ++i) {
            busy.emplace_back([&] {
                pinTo(processor);
                while (!stop.load(std::memory_order_relaxed)) {
                }
            });
        }
        // The worker's own work is as long as the limit; its waits for the processor make
        // it last several times longer, past the most the machine's pace stretches the limit.
        queued([&] {
            std::thread worker([&] {
                pinTo(processor);
                workMs(limit);
            });
            worker.join();
        });
        stop = true;
        for (std::thread &thread : busy)
            thread.join();
    }
    const int hold = longestLimitMs() + 150;
    EXPECT_NONFATAL_FAILURE(queued([&] {
        std::thread worker([&] { workMs(hold); });
        worker.join();
    }),
                            "held");
}

TEST(GuiThreadWatchdog, ASleepOfTheHeldThreadIsNotCutShort)
{
    const int limit = limitMs();
    ASSERT_GT(limit, 0);
    // Past the limit however far the machine's pace stretches it.
    const int hold = longestLimitMs() + 150;
    qint64 slept = 0;
    EXPECT_NONFATAL_FAILURE(queued([&] {
        const auto start = std::chrono::steady_clock::now();
        ::usleep(useconds_t(hold + 150) * 1000);
        slept = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    }),
                            "held");
    EXPECT_GE(slept, hold + 150);
}

#endif
