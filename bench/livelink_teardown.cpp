// What clients that leave cost a live-link server's thread: `clients` connections to a
// private bus each open LiveLinkServer::MaxLinksPerClient links (the most one may), then
// all leave at once; the time is the server's, from the leaving until every link has
// closed and its delegate heard of it. Counters: links (open before the leaving).
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
#include <QProcess>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class CountingDelegate : public LiveLinkServerDelegate
{
public:
    void liveLinkClientDidRequestEdit(LiveLink *) override {}
    void liveLinkServerDidSendEdit(LiveLink *) override {}
    void liveLinkDidClose(LiveLink *) override { ++closed; }
    int closed = 0;
};

// Serves the event loop until the condition holds or the time is up.
template <typename Condition>
bool serveUntil(Condition condition, int ms = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A dbus-daemon of the benchmark's own.
class Bus
{
public:
    Bus()
    {
        m_process.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                        QStringLiteral("--print-address=1")});
        QByteArray line;
        serveUntil([&] {
            line += m_process.readAllStandardOutput();
            return line.contains('\n') || m_process.state() == QProcess::NotRunning;
        }, 10000);
        address = QString::fromUtf8(line.left(line.indexOf('\n')).trimmed());
    }
    ~Bus()
    {
        m_process.terminate();
        serveUntil([&] { return m_process.state() == QProcess::NotRunning; }, 5000);
    }
    QString address;

private:
    QProcess m_process;
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
    for (auto _ : state) {
        state.PauseTiming();
        delegate.closed = 0;
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
        for (const QString &name : names)
            QDBusConnection::disconnectFromBus(name);
        held.clear();
        if (!serveUntil([&] { return delegate.closed == links; }))
            state.SkipWithError("not every link closed");
    }
    state.counters["links"] = links;
    LiveLink::retractServerWithName(QStringLiteral("Bench"));
    LiveLinkBus::setAddress(QString());
}

} // namespace

BENCHMARK(BM_ClientsLeave)->Arg(1)->Arg(8)->Arg(32)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
