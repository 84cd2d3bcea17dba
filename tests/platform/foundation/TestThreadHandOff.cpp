// A call handed to another thread through Qt: it is called whole, with its arguments,
// on the receiving thread, and what it holds (plain data, no atomics, no locks of ours)
// is read there as it was written on the sending thread, whether the call runs or is
// dropped unrun. Under ThreadSanitizer (tools/dev tsan) these are the tests of the
// hand-off being told: without it, every case below is reported as a data race.
#include "platform/foundation/ThreadHandOff.h"
#include "platform/foundation/GuiThread.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

// Plain data that the receiving thread reads when it is destroyed, as a result
// dropped with its call is.
struct Payload
{
    std::vector<int> values;
    std::string text;
    int *sumOnDestruction = nullptr;

    Payload(std::vector<int> v, std::string t, int *sum) : values(std::move(v)), text(std::move(t)), sumOnDestruction(sum) {}
    Payload(const Payload &) = delete;
    ~Payload()
    {
        if (sumOnDestruction) {
            for (const int value : values)
                *sumOnDestruction += value;
        }
    }
};

} // namespace

TEST(ThreadHandOff, CallsItsCallWithItsArgumentsAndCopiesOnlyWhatCanBeCopied)
{
    int calls = 0;
    platform::ThreadHandOff add([&calls](int a, int b) {
        ++calls;
        return a + b;
    });
    EXPECT_EQ(add(2, 3), 5);
    platform::ThreadHandOff copy(add);
    platform::ThreadHandOff moved(std::move(copy));
    EXPECT_EQ(moved(4, 5), 9);
    EXPECT_EQ(calls, 2);

    auto owned = std::make_unique<int>(7);
    platform::ThreadHandOff take([owned = std::move(owned)] { return *owned; });
    EXPECT_EQ(take(), 7);
    static_assert(std::is_copy_constructible_v<decltype(add)>);
    static_assert(!std::is_copy_constructible_v<decltype(take)>);
    static_assert(std::is_nothrow_move_constructible_v<decltype(take)>);
}

TEST(ThreadHandOff, PlainDataGoesToAPoolThreadAndItsAnswerComesBack)
{
    // Out through the pool, back as a queued call, many times over; the data travels
    // inside the calls only.
    constexpr int Rounds = 40;
    std::vector<std::string> answers(Rounds);
    std::vector<bool> answeredOnGuiThread(Rounds, false);
    int answered = 0;
    QObject receiver;
    for (int round = 0; round < Rounds; ++round) {
        std::vector<int> numbers(std::size_t(round) + 1, round);
        QThreadPool::globalInstance()->start(platform::ThreadHandOff([&, round, numbers, text = std::to_string(round)] {
            long sum = 0;
            for (const int n : numbers)
                sum += n;
            std::string answer = text + ":" + std::to_string(sum);
            QMetaObject::invokeMethod(
                &receiver,
                platform::ThreadHandOff([&, round, answer = std::move(answer)]() noexcept { // cannot throw: assigns
                    answers[std::size_t(round)] = answer;
                    answeredOnGuiThread[std::size_t(round)] = platform::GuiThread::isCurrent();
                    ++answered;
                }),
                Qt::QueuedConnection);
        }));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered == Rounds; }, 10000)) << answered;
    for (int round = 0; round < Rounds; ++round) {
        EXPECT_EQ(answers[std::size_t(round)], std::to_string(round) + ":" + std::to_string(round * (round + 1)));
        EXPECT_TRUE(answeredOnGuiThread[std::size_t(round)]);
    }
}

TEST(ThreadHandOff, ACallDroppedUnrunIsDestroyedOnTheReceivingThreadWithWhatItHolds)
{
    // The receiver goes before its queued calls are delivered: Qt destroys them on the
    // GUI thread, and their payloads are read there as they were made on the pool's.
    // Nothing but Qt's queue stands between the two threads: the GUI thread runs no
    // event loop meanwhile and waits on a relaxed count, which orders nothing.
    int sum = 0;
    int ran = 0;
    std::atomic<int> posted{0};
    auto receiver = std::make_unique<QObject>();
    QObject *target = receiver.get();
    constexpr int Calls = 20;
    for (int i = 0; i < Calls; ++i) {
        QThreadPool::globalInstance()->start(platform::ThreadHandOff([target, i, &sum, &ran, &posted] {
            auto payload = std::make_unique<Payload>(std::vector<int>{i, 1}, "call " + std::to_string(i), &sum);
            QMetaObject::invokeMethod(
                target, platform::ThreadHandOff([payload = std::move(payload), &ran]() noexcept { ++ran; }), // cannot throw: counts
                Qt::QueuedConnection);
            posted.fetch_add(1, std::memory_order_relaxed);
        }));
    }
    while (posted.load(std::memory_order_relaxed) < Calls)
        std::this_thread::yield();
    receiver.reset();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(sum, Calls * (Calls - 1) / 2 + Calls);
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
}
