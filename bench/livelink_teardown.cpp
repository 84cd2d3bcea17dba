// What clients that leave cost a live-link server's thread: `clients` connections to a
// private bus each open LiveLinkServer::MaxLinksPerClient links (the most one may), then
// all leave at once; the time is the server's, from the leaving until every link has
// closed, its delegate heard of it and the link is freed. Counters: links (open before the leaving) and
// longest_pass_ms, the longest the server's thread went without serving a timer of
// 1 ms while the links closed (the longest pass of its event loop, as a user feels it).
// Printed after the run: the growth of the time for four times the links (8 → 32 and
// 16 → 64 clients; 4 is linear).
#include "bench/BenchBus.h"
#include "bench/BenchMain.h"
#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkApplication.h"
#include "components/livelink/LiveLinkBus.h"
#include "components/livelink/LiveLinkConnectionName.h"
#include "components/livelink/LiveLinkServer.h"
#include "components/livelink/LiveLinkServerDelegate.h"
#include "platform/foundation/Bundle.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

using benchbus::Bus;
using benchbus::serveUntil;

std::map<int, double> g_seconds;  // clients → teardown seconds
std::map<int, double> g_longestPass; // clients → longest pass, seconds

// The longest gap between two ticks of a 1 ms timer while it runs.
class PassWatch
{
public:
    PassWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double stop()
    {
        tick();
        m_timer.stop();
        return double(m_longest) / 1e9;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

class CountingDelegate : public LiveLinkServerDelegate
{
public:
    void liveLinkClientDidRequestEdit(LiveLink *) override {}
    void liveLinkServerDidSendEdit(LiveLink *) override {}
    void liveLinkDidClose(LiveLink *link) override
    {
        ++closed;
        closedLinks.push_back(link->sharedLink());
    }
    bool allFreed() const
    {
        return std::all_of(closedLinks.begin(), closedLinks.end(), [](const auto &link) { return link.expired(); });
    }
    int closed = 0;
    std::vector<std::weak_ptr<LiveLink>> closedLinks;
};


void BM_ClientsLeave(benchmark::State &state)
{
    const int clients = int(state.range(0));
    Bus bus;
    if (bus.address.isEmpty()) {
        state.SkipWithError("no dbus-daemon");
        return;
    }
    LiveLinkBus::setAddress(bus.address);
    platform::Bundle::mainBundle().setInfoDictionary({{QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.chronark.bench")}});
    CountingDelegate delegate;
    bool published = false;
    LiveLink::publishServerWithName(QStringLiteral("Bench"), &delegate, [&](bool ok) { published = ok; });
    serveUntil([&] { return published; }, 10000);
    const QString server = LiveLinkServerConnectionName(LiveLinkApplication::bundleIdentifier(), QStringLiteral("Bench"));
    int links = 0;
    PassWatch watch;
    double seconds = 0;
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        delegate.closed = 0;
        delegate.closedLinks.clear();
        std::vector<QString> names;
        // Held until after disconnectFromBus(): a connection whose last copy goes inside
        // it may be freed on the bus thread before Qt closes it (libdbus then aborts).
        std::vector<QDBusConnection> held;
        for (int c = 0; c < clients; ++c) {
            const QString name = QStringLiteral("bench-client-%1").arg(c);
            QDBusConnection connection = QDBusConnection::connectToBus(bus.address, name);
            names.push_back(name);
            held.push_back(connection);
            for (int start = 0; start < LiveLinkServer::MaxLinksPerClient; start += 8) {
                std::vector<QDBusPendingCall> calls;
                for (int i = start; i < start + 8; ++i) {
                    QDBusMessage call = QDBusMessage::createMethodCall(server, LiveLinkBus::ServerPath,
                                                                       LiveLinkBus::ServerInterface,
                                                                       QStringLiteral("InitiateLink"));
                    call << QVariant::fromValue(QDBusObjectPath(LiveLinkBus::LinkPathPrefix + QString::number(i)))
                         << QStringLiteral("doc") << QStringLiteral("bench") << QStringLiteral("%1-%2").arg(c).arg(i);
                    calls.push_back(connection.asyncCall(call));
                }
                serveUntil([&] {
                    return std::all_of(calls.begin(), calls.end(), [](const QDBusPendingCall &p) { return p.isFinished(); });
                });
            }
        }
        links = clients * LiveLinkServer::MaxLinksPerClient;
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        watch.start();
        for (const QString &name : names)
            QDBusConnection::disconnectFromBus(name);
        held.clear();
        if (!serveUntil([&] { return delegate.closed == links && delegate.allFreed(); }))
            state.SkipWithError("not every link closed");
        seconds = double(timer.nsecsElapsed()) / 1e9;
        longest = watch.stop();
    }
    g_seconds[clients] = seconds;
    g_longestPass[clients] = longest;
    state.counters["links"] = links;
    state.counters["longest_pass_ms"] = longest * 1000;
    LiveLink::retractServerWithName(QStringLiteral("Bench"));
    LiveLinkBus::setAddress(QString());
}

} // namespace

BENCHMARK(BM_ClientsLeave)->Arg(1)->Arg(8)->Arg(16)->Arg(32)->Arg(64)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    for (const auto &[from, to] : {std::pair{8, 32}, std::pair{16, 64}}) {
        if (g_seconds.count(from) && g_seconds.count(to) && g_seconds[from] > 0)
            std::printf("%d -> %d clients (%d -> %d links): %.1f ms -> %.1f ms, growth ratio %.2f (4 is linear); "
                        "longest pass %.1f ms\n",
                        from, to, from * LiveLinkServer::MaxLinksPerClient, to * LiveLinkServer::MaxLinksPerClient,
                        g_seconds[from] * 1000, g_seconds[to] * 1000, g_seconds[to] / g_seconds[from],
                        g_longestPass[to] * 1000);
    }
    return 0;
}
