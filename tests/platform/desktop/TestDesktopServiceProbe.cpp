// The probes of the desktop's services against fakes on a private bus: a service
// that is not there, one that answers (also with an error of its own), and one that
// holds its answers until the test sends them, or past the probe's time-out.
#include "platform/desktop/DesktopServiceProbe.h"

#include "tests/support/DesktopTestSupport.h"

#include <QDBusMessage>
#include <QTest>

#include <optional>

#include <gtest/gtest.h>

using platform::DesktopServiceProbe;
using Service = DesktopServiceProbe::Service;
using State = DesktopServiceProbe::State;

namespace {

struct Where
{
    Service service;
    const char *name;
    const char *path;
};

const Where Services[] = {
    {Service::StatusNotifierWatcher, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher"},
    {Service::MenuRegistrar, "com.canonical.AppMenu.Registrar", "/com/canonical/AppMenu/Registrar"},
    {Service::Accessibility, "org.a11y.Bus", "/org/a11y/bus"},
};

enum class Behaviour { NotThere, Replies, RefusesTheQuestion, HoldsThenReplies, HoldsForGood };

} // namespace

TEST(DesktopServiceProbe, EachServiceIsKnownAsItAnswersAndWhatWaitsForItHearsOnce)
{
    for (const Where &where : Services) {
        for (const Behaviour behaviour : {Behaviour::NotThere, Behaviour::Replies, Behaviour::RefusesTheQuestion,
                                          Behaviour::HoldsThenReplies, Behaviour::HoldsForGood}) {
            // Holding past the time-out is tried where the time-out is short.
            if (behaviour == Behaviour::HoldsForGood && DesktopServiceProbe::timeoutFor(where.service) > 1000)
                continue;
            SCOPED_TRACE(testing::Message() << where.name << ", behaviour " << int(behaviour));
            desktoptest::PrivateBus bus;
            ASSERT_TRUE(bus.isRunning());
            const bool holds = behaviour == Behaviour::HoldsThenReplies || behaviour == Behaviour::HoldsForGood;
            std::optional<desktoptest::FakeDBusService> service;
            if (behaviour != Behaviour::NotThere) {
                service.emplace(QString::fromLatin1(where.name), QString::fromLatin1(where.path),
                                [behaviour, holds](const QDBusMessage &call) {
                                    if (holds)
                                        return QDBusMessage();
                                    if (behaviour == Behaviour::RefusesTheQuestion)
                                        return call.createErrorReply(QStringLiteral("org.example.Error.NotNow"),
                                                                     QStringLiteral("not now"));
                                    return call.createReply(QString());
                                },
                                bus.address());
                ASSERT_TRUE(service->isRegistered());
            }

            DesktopServiceProbe probe(where.service, bus.connection());
            QList<State> heard;
            probe.whenKnown(&probe, [&heard](State state) { heard << state; });
            if (holds) {
                ASSERT_TRUE(QTest::qWaitFor([&] { return service->calls().size() == 1; }, 10000));
                EXPECT_EQ(probe.state(), State::Asking);
                EXPECT_TRUE(heard.isEmpty());
                if (behaviour == Behaviour::HoldsThenReplies)
                    service->connection().send(service->calls().constFirst().createReply(QString()));
            }
            ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.isEmpty(); }, 10000));
            const State expected = behaviour == Behaviour::NotThere  ? State::Absent
                                   : behaviour == Behaviour::HoldsForGood ? State::Silent
                                                                          : State::Answers;
            EXPECT_EQ(heard, QList<State>{expected});
            EXPECT_EQ(probe.state(), expected);
            // Known now: a later wait hears at once.
            probe.whenKnown(&probe, [&heard](State state) { heard << state; });
            EXPECT_EQ(heard.size(), 2);
        }
    }
    // Without a bus nothing is asked, and nothing waits.
    DesktopServiceProbe unconnected(Service::Accessibility, QDBusConnection(QStringLiteral("no such connection")));
    EXPECT_EQ(unconnected.state(), State::Absent);
}
