#include "platform/foundation/NotificationCenter.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "tests/support/ExceptionLog.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

using platform::Notification;
using platform::NotificationCenter;

namespace {

TEST(NotificationCenter, DeliversInRegistrationOrderFilteredByNameAndObject)
{
    NotificationCenter center;
    QObject observer, sender, otherSender;
    QStringList log;

    center.addObserver(&observer, QStringLiteral("A"), nullptr, [&](const Notification &n) {
        log << QStringLiteral("A-any:") + n.userInfo.value(QStringLiteral("k")).toString();
    });
    center.addObserver(&observer, QString(), nullptr, [&](const Notification &n) { log << QStringLiteral("all:") + n.name; });
    center.addObserver(&observer, QStringLiteral("A"), &sender, [&](const Notification &n) {
        EXPECT_EQ(n.object, &sender);
        log << QStringLiteral("A-sender");
    });

    center.post(QStringLiteral("A"), &sender, {{QStringLiteral("k"), QStringLiteral("v")}});
    EXPECT_EQ(log, QStringList({"A-any:v", "all:A", "A-sender"}));

    log.clear();
    center.post(QStringLiteral("A"), &otherSender);
    center.post(QStringLiteral("B"));
    EXPECT_EQ(log, QStringList({"A-any:", "all:A", "all:B"}));
}

TEST(NotificationCenter, RegistrationsEndWithObserverOrWatchedObject)
{
    NotificationCenter center;
    int calls = 0;
    auto observer = std::make_unique<QObject>();
    auto sender = std::make_unique<QObject>();
    QObject keeper;
    center.addObserver(observer.get(), QStringLiteral("N"), nullptr, [&](const Notification &) { ++calls; });
    center.addObserver(&keeper, QStringLiteral("N"), sender.get(), [&](const Notification &) { ++calls; });
    EXPECT_EQ(center.observerCount(), 2);

    observer.reset();
    EXPECT_EQ(center.observerCount(), 1);
    QObject *rawSender = sender.get();
    center.post(QStringLiteral("N"), rawSender);
    EXPECT_EQ(calls, 1);

    sender.reset();
    EXPECT_EQ(center.observerCount(), 0);
    // Another object at the same address must not inherit the old registration.
    center.post(QStringLiteral("N"), rawSender);
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, RemovesByTokenObserverAndName)
{
    NotificationCenter center;
    QObject a, b;
    QStringList log;
    const auto t1 = center.addObserver(nullptr, QStringLiteral("X"), nullptr, [&](const Notification &) { log << "t1"; });
    center.addObserver(&a, QStringLiteral("X"), nullptr, [&](const Notification &) { log << "aX"; });
    center.addObserver(&a, QStringLiteral("Y"), nullptr, [&](const Notification &) { log << "aY"; });
    center.addObserver(&b, QStringLiteral("X"), nullptr, [&](const Notification &) { log << "bX"; });
    EXPECT_TRUE(t1.isValid());

    center.removeObserver(t1);
    center.removeObserver(&a, QStringLiteral("X"));
    center.post(QStringLiteral("X"));
    center.post(QStringLiteral("Y"));
    EXPECT_EQ(log, QStringList({"bX", "aY"}));

    center.removeObserver(&a);
    center.removeObserver(&b);
    EXPECT_EQ(center.observerCount(), 0);
    center.removeObserver(NotificationCenter::Token{}); // harmless
}

TEST(NotificationCenter, HandlersMayChangeRegistrationsDuringDelivery)
{
    NotificationCenter center;
    QStringList log;
    auto selfDestroying = std::make_unique<QObject>();
    QObject later, stable;
    NotificationCenter::Token laterToken;

    center.addObserver(selfDestroying.get(), QStringLiteral("N"), nullptr, [&](const Notification &) {
        log << "self";
        selfDestroying.reset(); // destroys this handler's observer mid-delivery
    });
    center.addObserver(&stable, QStringLiteral("N"), nullptr, [&](const Notification &) {
        log << "stable";
        center.removeObserver(laterToken);
        center.addObserver(&stable, QStringLiteral("N"), nullptr, [&](const Notification &) { log << "added"; });
    });
    laterToken = center.addObserver(&later, QStringLiteral("N"), nullptr, [&](const Notification &) { log << "later"; });

    center.post(QStringLiteral("N"));
    EXPECT_EQ(log, QStringList({"self", "stable"}));

    log.clear();
    center.removeObserver(&stable, QStringLiteral("N"));
    center.addObserver(&stable, QStringLiteral("N"), nullptr, [&](const Notification &n) {
        log << "outer";
        if (n.userInfo.isEmpty())
            center.post(QStringLiteral("N"), nullptr, {{QStringLiteral("nested"), true}});
    });
    center.post(QStringLiteral("N"));
    EXPECT_EQ(log, QStringList({"outer", "outer"}));
}

TEST(NotificationCenter, PostFromWorkerThreadIsDeliveredOnMainThread)
{
    NotificationCenter center;
    QObject observer;
    QThread *deliveredOn = nullptr;
    center.addObserver(&observer, QStringLiteral("W"), nullptr,
                       [&](const Notification &) { deliveredOn = QThread::currentThread(); });

    std::unique_ptr<QThread> worker(QThread::create([&] { center.post(QStringLiteral("W")); }));
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliveredOn != nullptr; }, 10000));
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
}

// An observer that raises stops at its own delivery, posted on the main thread or from
// another thread: the poster goes on, the observers after it still hear, and the report
// names the observer. One that destroys itself before it raises is reported without it.
TEST(NotificationCenter, AnObserverThatRaisesStopsAtItsDelivery)
{
    testsupport::ExceptionLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    NotificationCenter center;
    QObject raising;
    raising.setObjectName(QStringLiteral("raising"));
    auto *going = new QObject;
    QObject after;
    int deliveries = 0;
    center.addObserver(&raising, QStringLiteral("W"), nullptr, [&](const Notification &n) {
        if (n.userInfo.value(QStringLiteral("fail")).toBool())
            throw platform::Exception(platform::Exception::RangeException, QStringLiteral("index 2 beyond bounds"));
    });
    center.addObserver(going, QStringLiteral("G"), nullptr, [&](const Notification &) {
        delete going;
        throw platform::Exception(platform::Exception::RangeException, QStringLiteral("gone"));
    });
    center.addObserver(&after, QString(), nullptr, [&](const Notification &) { ++deliveries; });

    EXPECT_NO_THROW(center.post(QStringLiteral("W"), nullptr, {{QStringLiteral("fail"), true}}));
    EXPECT_NO_THROW(center.post(QStringLiteral("G")));
    std::unique_ptr<QThread> worker(QThread::create([&] {
        center.post(QStringLiteral("W"), nullptr, {{QStringLiteral("fail"), true}});
        center.post(QStringLiteral("W"));
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliveries == 4; }, 10000));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 3);
    ASSERT_EQ(log.messages().size(), 3);
    EXPECT_TRUE(log.messages().at(0).contains(QLatin1String("a notification of QObject \"raising\"")));
    EXPECT_TRUE(log.messages().at(1).contains(QLatin1String("a notification of nothing")));
    EXPECT_TRUE(log.messages().at(2).contains(QLatin1String("a notification of QObject \"raising\"")));
}

} // namespace
