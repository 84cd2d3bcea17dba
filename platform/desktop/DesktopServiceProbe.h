#pragma once
// Whether a service of the desktop on the session bus answers, asked once per process
// and without waiting, before the application lets Qt talk to it. Qt asks these
// services synchronously, each question waiting up to the bus library's default
// time-out (25 s) on the GUI thread: the tray's StatusNotifierWatcher when a tray
// icon is made (what it offers, whether a tray shows icons), the global menu's
// registrar when a menu bar is made (registering its window), and the accessibility
// bus when the event loop starts (whether accessibility is on). A service that holds
// its answers would hold the launch that long. The probe asks the same service the
// same kind of question without waiting, and a service that does not answer within
// the probe's time-out is not handed to Qt at all. The tray icon can come later, so
// what makes it waits for the answer (whenKnown()), and the tray is given as long as
// Qt would give it (DefaultTimeoutMs). The first window's menu bar and the event loop
// cannot wait: main() waits for those two answers before the launch, each given
// LaunchTimeoutMs (both asked at once, so the launch waits that long at most).
//
// The question never starts a service that is not running (auto-start is off): Qt
// asks only services that are on the bus, save the tray's, which a desktop starts
// with its panel.
//
// Ownership: shared() makes one probe per service on first use, a child of the
// application (none without one: it answers Absent then). GUI thread only.
// Failures: no session bus, and a service that is not on the bus, are Absent; an
// answer of any kind within the time-out (also an error of the service's own) is
// Answers; no answer within it, or a lost connection, is Silent.
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>

#include <functional>

namespace platform {

class DesktopServiceProbe : public QObject
{
    Q_OBJECT
public:
    enum class Service {
        StatusNotifierWatcher, // the tray of the desktop's panel
        MenuRegistrar,         // the global menu's registrar
        Accessibility          // the accessibility bus's launcher
    };
    enum class State { Asking, Answers, Absent, Silent };
    // The bus library's default time-out, which Qt's questions have.
    static constexpr int DefaultTimeoutMs = 25000;
    static constexpr int LaunchTimeoutMs = 250;
    static int timeoutFor(Service service)
    {
        return service == Service::StatusNotifierWatcher ? DefaultTimeoutMs : LaunchTimeoutMs;
    }

    // The probe of the service on the session bus; it asks when first made.
    static DesktopServiceProbe &shared(Service service);
    // A probe of its own on the given bus (tests).
    DesktopServiceProbe(Service service, const QDBusConnection &bus, QObject *parent = nullptr);
    ~DesktopServiceProbe() override;

    Service service() const { return m_service; }
    // What is known now: also an answer that came since the last event-loop pass.
    State state() const;
    // Calls the handler with the state once it is known: at once when it is, else when
    // the answer comes (or the time-out passes), while the context lives.
    void whenKnown(QObject *context, std::function<void(State state)> handler);
    // Waits until the state is known: at most timeoutFor(service()). For main() alone,
    // before the launch (the registrar's and the accessibility bus's answers decide
    // whether Qt may ask them).
    void waitUntilKnown() const;

Q_SIGNALS:
    void known(platform::DesktopServiceProbe::State state);

private:
    Service m_service;
    QDBusPendingCall m_call;
    bool m_connected = false;
};

} // namespace platform
