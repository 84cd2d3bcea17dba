// Requests of other programs over the bus (org.freedesktop.Application.Open) with
// names of megabytes: the time from the call to the alert that names no file can be
// opened, and the peak memory the request takes in the running instance (the peak
// resident size's growth over the resident size before the call; it counts what the
// bus library and QtDBus hold of the message too). The goal is at most 0.2 s and
// 100 MiB for each. A request that is refused whole has no alert: its time is to the
// caller's error reply.
//
// The running instance is this process: a platform::ApplicationInstance on a
// dbus-daemon of the benchmark's own, its requests wired to an application
// controller as main() wires them. The caller is this program again, started with
// "--send ADDRESS COUNT BYTES": it makes its COUNT names of BYTES bytes each, says
// "ready", and calls Open when told "go"; so the making of the names and the
// caller's own memory are outside what is measured.
//
// Cases (COUNT, BYTES): one name of 4 MiB, one of 16 MiB, 64 names of 256 KiB, as
// many names as a request may carry (ApplicationInstance::MaximumRequestNames) of the
// longest length a name keeps, and 100,000 short names (refused whole: the time is to
// the caller's being told).
// Counters: peak_MiB, arrival_ms (the mean time from the call to the request's
// reaching the controller: what the bus, libdbus and QtDBus take before any code of
// ours runs), request_MiB (the names' bytes).
#include "bench/BenchBus.h"
#include "bench/BenchMain.h"
#include "tests/support/ProcessMemory.h"

#include "application/controller/AppController.h"
#include "platform/desktop/ApplicationInstance.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QThreadPool>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

using benchbus::noBus;

using benchbus::Bus;
using benchbus::serveUntil;

using SteadyClock = std::chrono::steady_clock;
const QString Identifier = QStringLiteral("org.chronark.BenchBusRequests");
constexpr int CeilingMilliseconds = 120000;


QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

platform::UserDefaults &benchDefaults()
{
    static platform::UserDefaults defaults(folder().filePath(QStringLiteral("defaults.conf")));
    return defaults;
}

QMessageBox *visibleAlert()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

void settle()
{
    QThreadPool::globalInstance()->waitForDone();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_OpenOverTheBus(benchmark::State &state)
{
    const qint64 count = state.range(0);
    const qint64 bytes = state.range(1);
    Bus bus;
    if (bus.address.isEmpty()) {
        state.SkipWithError("no dbus-daemon");
        return;
    }
    const QString connectionName = QStringLiteral("bench-instance");
    {
        QDBusConnection connection = QDBusConnection::connectToBus(bus.address, connectionName);
        AppController::Services services;
        services.defaults = &benchDefaults();
        services.notifier = new platform::DesktopNotifier(noBus());
        services.sleepMonitor = new platform::SleepMonitor(noBus());
        AppController *controller = AppController::create(services);
        benchDefaults().setBool(false, QStringLiteral("OpenEmptyDocument"));
        platform::ApplicationInstance instance(Identifier, connection);
        if (instance.claim({}) != platform::ApplicationInstance::Role::Primary) {
            state.SkipWithError("the instance did not get its name");
            delete controller;
            return;
        }
        // As main() wires them; the moment the request reached the controller is kept.
        SteadyClock::time_point arrived;
        QObject::connect(&instance, &platform::ApplicationInstance::openRequested, controller,
                         [controller, &arrived](const QStringList &paths) {
                             arrived = SteadyClock::now();
                             controller->openDocumentsWhenRead(paths, true);
                         });

        double peak = 0;
        double arrival = 0;
        bool alerted = true;
        for (auto _ : state) {
            QProcess caller;
            caller.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            caller.start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--send"), bus.address, QString::number(count), QString::number(bytes)});
            QByteArray said;
            serveUntil([&] {
                said += caller.readAllStandardOutput();
                return said.contains("ready\n") || caller.state() == QProcess::NotRunning;
            }, CeilingMilliseconds);
            if (!said.contains("ready\n")) {
                state.SkipWithError("the caller did not start");
                break;
            }
            settle();
            testsupport::resetPeakMemory();
            const double before = testsupport::residentMiB();
            const SteadyClock::time_point start = SteadyClock::now();
            caller.write("go\n");
            // The alert, or the caller's being told that the request was refused.
            said.clear();
            const bool shown = serveUntil([&] {
                said += caller.readAllStandardOutput();
                return visibleAlert() != nullptr || said.contains("refused\n");
            }, CeilingMilliseconds);
            state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - start).count());
            peak = std::max(peak, testsupport::peakResidentMiB() - before);
            // A request refused whole never reaches the controller.
            if (arrived > start)
                arrival += std::chrono::duration<double, std::milli>(arrived - start).count() / double(state.max_iterations);
            alerted = alerted && shown;
            if (QMessageBox *box = visibleAlert()) {
                box->accept();
                box->deleteLater();
            }
            serveUntil([&] { return caller.state() == QProcess::NotRunning; }, CeilingMilliseconds);
            settle();
        }
        state.counters["peak_MiB"] = peak;
        state.counters["arrival_ms"] = arrival;
        state.counters["request_MiB"] = double(count * bytes) / double(1 << 20);
        if (!alerted)
            state.SkipWithError("no alert");
        delete controller;
        settle();
    }
    QDBusConnection::disconnectFromBus(connectionName);
}

BENCHMARK(BM_OpenOverTheBus)
    ->Args({1, qint64(4) << 20})
    ->Args({1, qint64(16) << 20})
    ->Args({64, qint64(256) << 10})
    ->Args({1024, 12000})
    ->Args({100000, 100})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The caller: makes the names, says "ready", calls Open on "go" and waits for the answer.
int send(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 5)
        return 2;
    const QString address = QString::fromLocal8Bit(argv[2]);
    const qint64 count = QByteArray(argv[3]).toLongLong();
    const qint64 bytes = QByteArray(argv[4]).toLongLong();
    QStringList uris;
    for (qint64 i = 0; i < count; ++i) {
        QString uri = QStringLiteral("file:///tmp/") + QString::number(i) + QLatin1Char('-');
        uri += QString(qsizetype(std::max<qint64>(0, bytes - uri.size())), QLatin1Char('a'));
        uris << uri;
    }
    QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("bench-caller"));
    if (!connection.isConnected())
        return 3;
    QDBusMessage call = QDBusMessage::createMethodCall(Identifier, QStringLiteral("/org/chronark/BenchBusRequests"),
                                                       QStringLiteral("org.freedesktop.Application"), QStringLiteral("Open"));
    call << uris << QVariantMap();
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line))
        return 4;
    const QDBusMessage reply = connection.call(call, QDBus::Block, CeilingMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded")) {
        std::fputs("refused\n", stdout);
        std::fflush(stdout);
        return 0;
    }
    return reply.type() == QDBusMessage::ReplyMessage ? 0 : 5;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--send") == 0)
        return send(argc, argv);
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
