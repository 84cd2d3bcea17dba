#pragma once
// Helpers for the tests that talk to D-Bus services: a fake service answering on a
// connection of its own, and a private bus with no activatable services.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

class QWidget;

#include <functional>
#include <memory>
#include <optional>

namespace desktoptest {

// A service on its own connection to a bus (so calls from the code under test
// really travel through the bus daemon). Every method call to the object path (with
// Reach::AndBelow, also to the paths below it) is recorded and handed to the answer
// function, which replies through message.createReply(...) or createErrorReply(...),
// or answers nothing (QDBusMessage()) when the test is to reply later, through
// connection().send(call.createReply(...)).
class FakeDBusService
{
public:
    using Answer = std::function<QDBusMessage(const QDBusMessage &call)>;
    enum class Reach { Object, AndBelow };

    // address empty: the session bus of the environment.
    FakeDBusService(const QString &serviceName, const QString &objectPath, Answer answer,
                    const QString &address = QString(), Reach reach = Reach::Object);
    ~FakeDBusService();

    // The name was taken and the object registered.
    bool isRegistered() const { return m_registered; }
    QDBusConnection connection() const;
    const QList<QDBusMessage> &calls() const;
    // Sends a signal from the service's object, or from another path of the service.
    bool emitSignal(const QString &interface, const QString &name, const QList<QVariant> &arguments);
    bool emitSignalFrom(const QString &path, const QString &interface, const QString &name,
                        const QList<QVariant> &arguments);

private:
    class Object;
    QString m_connectionName;
    QString m_serviceName;
    QString m_path;
    std::unique_ptr<Object> m_object;
    bool m_registered = false;
};

// A dbus-daemon of our own with no service folders (nothing can be activated),
// stopped by process id when the object goes. Tests that own well-known names use
// one each, so test programs running side by side never meet on a bus.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // A connection of the test to this bus (the code under test uses it).
    QDBusConnection connection();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_address;
    QString m_connectionName;
};

// A program run for the length of a test and stopped by process id.
class ScopedProcess
{
public:
    ScopedProcess(const QString &program, const QStringList &arguments,
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    ~ScopedProcess();
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 processId() const { return m_process.processId(); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
};

// PulseAudio with one null sink ("nullsink"), in folders of its own, for the rest of
// the test program. The first call to shared() starts it and points this process (and
// the programs it starts) at it through PULSE_SERVER and XDG_RUNTIME_DIR; after the
// program's last test it stops, and both variables get their former values back.
// One for the program, not one per test: Qt's audio back end keeps to the server the
// process used first and, once that is gone, tries it again every few seconds and
// warns, which would reach whichever test runs then.
class PrivateAudioServer
{
public:
    static PrivateAudioServer &shared();
    ~PrivateAudioServer();
    PrivateAudioServer(const PrivateAudioServer &) = delete;
    PrivateAudioServer &operator=(const PrivateAudioServer &) = delete;

    // Started and answering.
    bool isReady() const { return m_ready; }
    QString address() const;
    // The environment of the server's programs (pactl, parecord …).
    const QProcessEnvironment &environment() const { return m_environment; }
    // Runs a program against the server to its end; answers its exit code (-1 when
    // it could not run).
    int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr) const;

private:
    PrivateAudioServer();

    QTemporaryDir m_runtime;
    QTemporaryDir m_config;
    std::optional<testsupport::ScopedEnv> m_runtimeFolder;
    std::optional<testsupport::ScopedEnv> m_pulseServer;
    QProcessEnvironment m_environment;
    std::unique_ptr<ScopedProcess> m_server;
    bool m_ready = false;
};

// A window manager (openbox, in its shipped configuration) on the test's X server for
// the length of a test, stopped by process id. Windows shown while it runs are
// framed, placed, stacked and focused by it, as on a user's desktop. Tests that need
// one skip when openbox is not installed.
class WindowManager
{
public:
    WindowManager();
    ~WindowManager();
    // Started, and it announced itself on the root window.
    bool isRunning() const { return m_running; }
    static bool isInstalled();
    // The X ids of the managed client windows, bottom of the stack first.
    static QList<quint64> stackingOrder();
    // The X id of the client window the window manager gave the keyboard (0: none).
    static quint64 activeWindow();

private:
    std::unique_ptr<ScopedProcess> m_process;
    QTemporaryDir m_home;
    bool m_running = false;
};

// xdotool's arguments for a drag with the left button: to `from` and a rest of 0.2 s,
// press, then to each point of `path` in turn in `steps` even moves (each followed by
// stepPause seconds), resting legPause seconds at each point; release.
QStringList pointerDragArguments(QPoint from, const QList<QPoint> &path, int steps, double stepPause, double legPause);

// Waits until the X server shows the widget as it paints itself now (the screen's
// picture of the widget's place in its window equals the widget's own rendering), so
// that a screenshot taken from the screen holds the latest paint; answers whether it
// did within the time. Call it after the change that should show; a widget that
// animates never settles, so name one that does not (a window's still part).
bool waitUntilShownOnScreen(QWidget *widget, int timeoutMs = 10000);
// For a widget whose own rendering differs from what the screen shows (one drawn
// over what lies behind it): waits until what the screen shows of it stays the same
// over four looks, each after the queued events were delivered and the X server
// answered a round trip.
bool waitUntilScreenSettles(QWidget *widget, int timeoutMs = 10000);

// Takes the X input focus away from every window while it lives, so that no window
// of the application is active and the application turns inactive; gives the focus
// back to the pointer's window at the end (the X server is shared by the desktop
// tests, and with no focus window no key grab fires). Does nothing off X.
class NoInputFocus
{
public:
    NoInputFocus();
    ~NoInputFocus();
    NoInputFocus(const NoInputFocus &) = delete;
    NoInputFocus &operator=(const NoInputFocus &) = delete;
    // Waits until the application is no longer the active one.
    bool applicationInactive() const;
};

// Runs a program to its end; answers its exit code (-1 when it could not run).
int runProgram(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

// Types the key combinations ("alt+d", "Return") through the X server with xdotool,
// delayMs apart (0: without a pause, as a quick typist); answers whether it did.
bool sendKeys(const QStringList &combinations, int delayMs = 60);

} // namespace desktoptest
