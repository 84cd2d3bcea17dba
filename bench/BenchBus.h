#pragma once
// What the benchmarks that talk over D-Bus share: serving the event loop until a
// condition holds, a dbus-daemon of the benchmark's own (session limits) that lives
// as long as the object, and a connection to no bus at all for the services that
// must not reach the session's. Benchmark programs only: they may wait.
#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QString>

namespace benchbus {

// Serves the event loop until the condition holds (true) or the time is up (false).
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

// A connection that reaches no bus: what the application's services are given so that
// nothing of the benchmark's talks to the session bus.
inline QDBusConnection noBus()
{
    static const QDBusConnection bus = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/chronark-bench-bus"), QStringLiteral("chronark-bench-no-bus"));
    return bus;
}

// A dbus-daemon of the benchmark's own; `address` is empty when it did not start.
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
    Bus(const Bus &) = delete;
    Bus &operator=(const Bus &) = delete;
    QString address;

private:
    QProcess m_process;
};

} // namespace benchbus
