// The counter's idle stop on real Wayland compositors: GNOME's Mutter answers on
// its IdleMonitor bus interface, KDE's KWin through the ext_idle_notifier_v1
// protocol; keys injected into the compositor reset the idle time.
#include "tests/application/controller/wayland/WaylandTestSupport.h"

#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentCounter.h"
#include "platform/desktop/IdleMonitor.h"
#include "platform/desktop/WaylandIdleNotifier.h"
#include "platform/foundation/Clock.h"

#include <QSignalSpy>
#include <QTimer>
#include <QTest>

using namespace waylandtest;
using platform::Clock;
using platform::IdleMonitor;

namespace {

const QDateTime Start(QDate(2026, 3, 2), QTime(9, 0), Qt::OffsetFromUTC, 3600);

IdleMonitor::Source settledSource(IdleMonitor &monitor)
{
    (void)QTest::qWaitFor([&] { return monitor.source() != IdleMonitor::Source::Probing; }, Patience);
    return monitor.source();
}

} // namespace

TEST_F(MutterSession, IdleTimeGrowsAKeyResetsItAndTheCounterStopsPastTheLimit)
{
    IdleMonitor monitor;
    ASSERT_EQ(settledSource(monitor), IdleMonitor::Source::MutterIdleMonitor);
    double grown = 0.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (grown = monitor.idleSeconds()) > 1.0; }, Patience));

    std::unique_ptr<KeyInjector> keys = makeKeyInjector();
    ASSERT_TRUE(keys->isReady()) << keys->lastError().toStdString();
    ASSERT_TRUE(keys->tap({KeyLeftShift})) << keys->lastError().toStdString();
    // The bus source answers one call late.
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.idleSeconds() < qMin(grown, 1.0); }, Patience));

    // The counter, with a limit of 1.5 seconds, on a set clock.
    defaults().setBool(true, StopTimerWhenInactiveKey);
    defaults().setFloat(0.025f, StopTimerWhenInactiveTimeKey);
    controller = appcontrollertest::makeController();
    Clock::setNow(Start);
    MyDocument *document = documentWithJob();
    ASSERT_NE(document, nullptr);
    DocumentServices &services = *appcontrollertest::testDocumentServices();
    ASSERT_TRUE(keys->tap({KeyLeftShift}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.userIdleSeconds() < 1.0; }, Patience));
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(document->timerIsRunning());
    document->counter().timer()->stop(); // ticks by hand
    Clock::advance(500);
    document->doTimer();
    EXPECT_TRUE(document->timerIsRunning());

    ASSERT_TRUE(QTest::qWaitFor([&] { return services.userIdleSeconds() > 1.6; }, Patience));
    Clock::advance(1500);
    document->doTimer();
    EXPECT_FALSE(document->timerIsRunning());
    const NodePtr entry = newestEntry(document->getActiveJob());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->lDate(), Start.addSecs(2));
}

TEST_F(KWinSession, IdleNotificationsComeAndGoWithInputAndStopTheCounter)
{
    platform::WaylandIdleNotifier notifier(QString(), 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notifier.isConnecting(); }, Patience));
    ASSERT_TRUE(notifier.isAvailable()) << notifier.lastError().toStdString();
    QSignalSpy idled(&notifier, &platform::WaylandIdleNotifier::idled);
    QSignalSpy resumed(&notifier, &platform::WaylandIdleNotifier::resumed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return idled.count() == 1; }, Patience));
    EXPECT_GE(notifier.idleSeconds(), 0.5);

    std::unique_ptr<KeyInjector> keys = makeKeyInjector();
    ASSERT_TRUE(keys->isReady()) << keys->lastError().toStdString();
    ASSERT_TRUE(keys->tap({KeyLeftShift}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return resumed.count() == 1; }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return idled.count() == 2; }, Patience));

    // Mutter's bus source is missing here: the idle monitor takes the compositor's.
    IdleMonitor monitor;
    EXPECT_EQ(settledSource(monitor), IdleMonitor::Source::WaylandIdleNotifier);

    // The counter with the default limit of 5 minutes, on a set clock: the idle
    // time is the notification's timeout plus the time since it came.
    defaults().setBool(true, StopTimerWhenInactiveKey);
    controller = appcontrollertest::makeController();
    Clock::setNow(Start);
    MyDocument *document = documentWithJob();
    ASSERT_NE(document, nullptr);
    DocumentServices &services = *appcontrollertest::testDocumentServices();
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.userIdleSeconds() > 0.0; }, Patience));
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(document->timerIsRunning());
    document->counter().timer()->stop(); // ticks by hand
    Clock::advance(60 * 1000);
    document->doTimer();
    EXPECT_TRUE(document->timerIsRunning());

    Clock::advance(5 * 60 * 1000);
    document->doTimer();
    EXPECT_FALSE(document->timerIsRunning());
    const NodePtr entry = newestEntry(document->getActiveJob());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->lDate(), Start.addSecs(6 * 60));
}
