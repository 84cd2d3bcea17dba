#include "tests/support/DesktopTestSupport.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QCoreApplication>
#include <QWidget>
#include <QScreen>
#include <QImage>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <sys/types.h>

#include <gtest/gtest.h>

namespace desktoptest {

class FakeDBusService::Object : public QDBusVirtualObject
{
public:
    explicit Object(Answer answer) : m_answer(std::move(answer)) {}

    QString introspect(const QString &) const override { return QString(); }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        calls.append(message);
        QDBusMessage reply = m_answer(message);
        if (reply.type() != QDBusMessage::InvalidMessage)
            QDBusConnection(connection).send(reply);
        return true;
    }

    QList<QDBusMessage> calls;

private:
    Answer m_answer;
};

FakeDBusService::FakeDBusService(const QString &serviceName, const QString &objectPath, Answer answer,
                                 const QString &address, Reach reach)
    : m_connectionName(QStringLiteral("fake-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_serviceName(serviceName), m_path(objectPath), m_object(std::make_unique<Object>(std::move(answer)))
{
    QDBusConnection bus = address.isEmpty()
        ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)
        : QDBusConnection::connectToBus(address, m_connectionName);
    if (!bus.isConnected())
        return;
    m_registered = bus.registerVirtualObject(m_path, m_object.get(),
                                             reach == Reach::AndBelow ? QDBusConnection::SubPath
                                                                      : QDBusConnection::SingleNode)
        && bus.registerService(m_serviceName);
}

FakeDBusService::~FakeDBusService()
{
    QDBusConnection bus = connection();
    if (bus.isConnected()) {
        bus.unregisterService(m_serviceName);
        bus.unregisterObject(m_path);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QDBusConnection FakeDBusService::connection() const
{
    return QDBusConnection(m_connectionName);
}

const QList<QDBusMessage> &FakeDBusService::calls() const
{
    return m_object->calls;
}

bool FakeDBusService::emitSignal(const QString &interface, const QString &name, const QList<QVariant> &arguments)
{
    return emitSignalFrom(m_path, interface, name, arguments);
}

bool FakeDBusService::emitSignalFrom(const QString &path, const QString &interface, const QString &name,
                                     const QList<QVariant> &arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    return connection().send(signal);
}

PrivateBus::PrivateBus()
{
    if (!m_dir.isValid())
        return;
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QByteArrayLiteral(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>session</type>\n"
        "  <listen>unix:dir=")
        + m_dir.path().toUtf8()
        + QByteArrayLiteral("</listen>\n"
                            "  <auth>EXTERNAL</auth>\n"
                            "  <policy context=\"default\">\n"
                            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                            "    <allow eavesdrop=\"true\"/>\n"
                            "    <allow own=\"*\"/>\n"
                            "  </policy>\n"
                            "</busconfig>\n"));
    file.close();
    m_process.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
    if (!m_process.waitForStarted(5000))
        return;
    QByteArray line;
    (void)QTest::qWaitFor([&] {
        line += m_process.readAllStandardOutput();
        return line.contains('\n') || m_process.state() != QProcess::Running;
    }, 10000);
    m_address = QString::fromUtf8(line.left(line.indexOf('\n')).trimmed());
}

QDBusConnection PrivateBus::connection()
{
    if (m_connectionName.isEmpty()) {
        m_connectionName = QStringLiteral("private-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        return QDBusConnection::connectToBus(m_address, m_connectionName);
    }
    return QDBusConnection(m_connectionName);
}

PrivateBus::~PrivateBus()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    if (m_process.state() == QProcess::Running) {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(5000))
            ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
}

ScopedProcess::ScopedProcess(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, arguments);
    m_process.waitForStarted(5000);
}

ScopedProcess::~ScopedProcess()
{
    if (m_process.state() == QProcess::Running) {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(5000))
            ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
}

namespace {

std::unique_ptr<PrivateAudioServer> &audioServer()
{
    static std::unique_ptr<PrivateAudioServer> server;
    return server;
}

// Stops the audio server after the program's last test, while the application
// object still lives.
class StopsTheAudioServer : public ::testing::Environment
{
public:
    void TearDown() override { audioServer().reset(); }
};

} // namespace

PrivateAudioServer &PrivateAudioServer::shared()
{
    static const bool stopsAtTheEnd = [] {
        ::testing::AddGlobalTestEnvironment(new StopsTheAudioServer);
        return true;
    }();
    (void)stopsAtTheEnd;
    if (!audioServer())
        audioServer().reset(new PrivateAudioServer);
    return *audioServer();
}

PrivateAudioServer::PrivateAudioServer()
{
    if (!m_runtime.isValid() || !m_config.isValid())
        return;
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    // What the server makes of its own (a runtime folder it would put in the temporary
    // folder) stays in its folder, which goes with it.
    m_environment.insert(QStringLiteral("TMPDIR"), m_runtime.path());
    m_environment.insert(QStringLiteral("PULSE_SERVER"), address());
    // The server keeps off every bus and display: test programs running side by side
    // would otherwise contend for its bus name.
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    m_environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    m_environment.remove(QStringLiteral("DISPLAY"));
    // Set before the multimedia back end first asks for audio devices.
    m_runtimeFolder.emplace("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    m_pulseServer.emplace("PULSE_SERVER", address().toLocal8Bit());
    m_server = std::make_unique<ScopedProcess>(
        QStringLiteral("pulseaudio"),
        QStringList{QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--load=module-null-sink sink_name=nullsink"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1")},
        m_environment);
    m_ready = m_server->isRunning() && QTest::qWaitFor([&] {
        return m_server->isRunning() && run(QStringLiteral("pactl"), {QStringLiteral("info")}) == 0;
    }, 20000);
}

// The server stops first; the variables get their values back after it.
PrivateAudioServer::~PrivateAudioServer() { m_server.reset(); }

QString PrivateAudioServer::address() const
{
    return QStringLiteral("unix:") + m_runtime.path() + QStringLiteral("/pulse/native");
}

int PrivateAudioServer::run(const QString &program, const QStringList &arguments, QByteArray *output) const
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(program, arguments);
    if (!process.waitForStarted(5000) || !process.waitForFinished(10000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

namespace {

// The window a property of the root window names ("... window id # 0x400001"), or 0.
quint64 rootWindowProperty(const char *name)
{
    QByteArray output;
    if (runProgram(QStringLiteral("xprop"), {QStringLiteral("-root"), QString::fromLatin1(name)}, &output) != 0)
        return 0;
    const qsizetype at = output.indexOf("# ");
    if (at < 0)
        return 0;
    bool ok = false;
    const quint64 id = output.mid(at + 2).trimmed().split(',').value(0).trimmed().toULongLong(&ok, 16);
    return ok ? id : 0;
}

} // namespace

WindowManager::WindowManager()
{
    if (!isInstalled() || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Its configuration is the shipped one, not the user's; its folders are its own
    // (it may outlive the folders of the test that started it).
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), m_home.filePath(QStringLiteral("state")));
    // A stopped openbox may have left its check window named there.
    runProgram(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-remove"),
                                         QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    m_process = std::make_unique<ScopedProcess>(QStringLiteral("openbox"),
                                                QStringList{QStringLiteral("--sm-disable")}, environment);
    if (!m_process->isRunning())
        return;
    // It names its check window on the root early in its start; it is ready once it
    // frames a window. A probe is shown until it is framed (shown again when the
    // first showing came before openbox took the maps over).
    if (!QTest::qWaitFor(
            [&] { return m_process->isRunning() && rootWindowProperty("_NET_SUPPORTING_WM_CHECK") != 0; }, 10000))
        return;
    QWidget probe;
    probe.setWindowTitle(QStringLiteral("window manager probe"));
    probe.resize(64, 64);
    for (int attempt = 0; attempt < 5 && !m_running; ++attempt) {
        probe.show();
        m_running = QTest::qWaitFor([&] { return probe.frameGeometry() != probe.geometry(); }, 2000);
        probe.hide();
    }
}

WindowManager::~WindowManager() = default;

bool WindowManager::isInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty();
}

QList<quint64> WindowManager::stackingOrder()
{
    QList<quint64> order;
    QByteArray output;
    if (runProgram(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")},
                   &output)
        != 0)
        return order;
    const qsizetype at = output.indexOf("# ");
    if (at < 0)
        return order;
    for (const QByteArray &part : output.mid(at + 2).trimmed().split(',')) {
        bool ok = false;
        const quint64 id = part.trimmed().toULongLong(&ok, 16);
        if (ok)
            order.append(id);
    }
    return order;
}

quint64 WindowManager::activeWindow()
{
    return rootWindowProperty("_NET_ACTIVE_WINDOW");
}

QStringList pointerDragArguments(QPoint from, const QList<QPoint> &path, int steps, double stepPause, double legPause)
{
    const auto number = [](double value) { return QString::number(value); };
    QStringList arguments{QStringLiteral("mousemove"), number(from.x()), number(from.y()), QStringLiteral("sleep"),
                          QStringLiteral("0.2"), QStringLiteral("mousedown"), QStringLiteral("1")};
    QPoint at = from;
    for (const QPoint &target : path) {
        for (int step = 1; step <= steps; ++step) {
            const QPoint p = at + (target - at) * step / steps;
            arguments << QStringLiteral("mousemove") << number(p.x()) << number(p.y()) << QStringLiteral("sleep")
                      << number(stepPause);
        }
        arguments << QStringLiteral("sleep") << number(legPause);
        at = target;
    }
    arguments << QStringLiteral("mouseup") << QStringLiteral("1");
    return arguments;
}

int runProgram(const QString &program, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000) || !process.waitForFinished(15000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool sendKeys(const QStringList &combinations, int delayMs)
{
    return runProgram(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                                                             QString::number(delayMs), QStringLiteral("--clearmodifiers")}
                                                     + combinations)
           == 0;
}

namespace {

QImage shownOnScreen(QWidget *widget)
{
    QWidget *window = widget->window();
    const QPoint at = widget->mapTo(window, QPoint(0, 0));
    return window->screen()
        ->grabWindow(window->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

bool waitUntilShownOnScreen(QWidget *widget, int timeoutMs)
{
    if (!widget || !widget->isVisible())
        return false;
    return QTest::qWaitFor(
        [widget] {
            QCoreApplication::sendPostedEvents();
            const QImage shown = shownOnScreen(widget);
            return !shown.isNull() && shown == widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        },
        timeoutMs);
}

bool waitUntilScreenSettles(QWidget *widget, int timeoutMs)
{
    if (!widget || !widget->isVisible())
        return false;
    QImage previous;
    int unchanged = 0;
    return QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents();
            QGuiApplication::sync();
            const QImage now = shownOnScreen(widget);
            unchanged = (!now.isNull() && now == previous) ? unchanged + 1 : 0;
            previous = now;
            return unchanged >= 3;
        },
        timeoutMs);
}

namespace {

void setInputFocus(bool none)
{
    // Only on X: the offscreen platform answers the X11 interface too, without a
    // connection behind it.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_POINTER_ROOT,
                            none ? xcb_window_t(XCB_INPUT_FOCUS_NONE) : xcb_window_t(XCB_INPUT_FOCUS_POINTER_ROOT),
                            XCB_CURRENT_TIME);
        xcb_flush(x11->connection());
    }
}

} // namespace

NoInputFocus::NoInputFocus()
{
    setInputFocus(true);
}

NoInputFocus::~NoInputFocus()
{
    setInputFocus(false);
}

bool NoInputFocus::applicationInactive() const
{
    return QTest::qWaitFor([] { return QGuiApplication::applicationState() != Qt::ApplicationActive; });
}

} // namespace desktoptest
