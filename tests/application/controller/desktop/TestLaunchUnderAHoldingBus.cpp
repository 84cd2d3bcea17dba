// The application launched as a person launches it, on a session bus whose desktop
// services take every question and answer none: the accessibility bus, the global
// menu's registrar, the tray, the notifications server, the portal, the idle monitors
// and logind (the sleep bus is the same bus). Qt asks the first three synchronously,
// each question waiting up to the bus library's 25 s; the application must not let it.
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The first top-level window whose title holds the text (the X server's view).
bool windowTitled(const QString &name)
{
    QByteArray out;
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                    name},
                                   &out) == 0
           && !out.trimmed().isEmpty();
}

// A desktop service that holds every question until the test lets it answer; from
// then on it answers each at once, with an empty reply.
class HoldingService
{
public:
    HoldingService(const QString &name, const QString &path, const QString &address)
        : m_service(name, path, [this](const QDBusMessage &call) {
              return m_answering ? call.createReply() : QDBusMessage();
          }, address)
    {
    }
    bool isRegistered() const { return m_service.isRegistered(); }
    // The members asked, in order.
    QStringList asked() const
    {
        QStringList members;
        for (const QDBusMessage &call : m_service.calls())
            members << call.member();
        return members;
    }
    // Answers the questions held and every later one.
    void answer()
    {
        m_answering = true;
        for (const QDBusMessage &call : m_service.calls())
            m_service.connection().send(call.createReply());
    }

private:
    bool m_answering = false;
    desktoptest::FakeDBusService m_service;
};

} // namespace

TEST(LaunchUnderAHoldingBus, TheFirstWindowShowsWhileEveryQuestionIsHeldAndTheTrayIconComesWithItsAnswer)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QList<QPair<QString, QString>> names = {
        {QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus")},
        {QStringLiteral("com.canonical.AppMenu.Registrar"), QStringLiteral("/com/canonical/AppMenu/Registrar")},
        {QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher")},
        {QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications")},
        {QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop")},
        {QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core")},
        {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver")},
        {QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1")},
    };
    std::vector<std::unique_ptr<HoldingService>> services;
    for (const auto &[name, path] : names) {
        services.push_back(std::make_unique<HoldingService>(name, path, bus.address()));
        ASSERT_TRUE(services.back()->isRegistered()) << name.toStdString();
    }
    HoldingService &accessibility = *services.at(0);
    HoldingService &registrar = *services.at(1);
    HoldingService &tray = *services.at(2);

    testsupport::ScopedXdgHome home;
    // The tray icon is wanted.
    ASSERT_TRUE(testsupport::writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Chronark/Chronark.conf"),
                                       "[General]\nShowChronarkMenu=true\n"));
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("CHRONARK_SLEEP_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    desktoptest::ScopedProcess application(QStringLiteral(CHRONARK_EXECUTABLE), {}, environment);
    ASSERT_TRUE(application.isRunning());

    // The window shows while the services hold what they were asked: before the bus
    // library's time-out (25 s) could have ended any question that was waited for.
    constexpr int WellBeforeTheBusTimeOut = 15000;
    ASSERT_TRUE(QTest::qWaitFor([] { return windowTitled(QStringLiteral("Untitled")); }, WellBeforeTheBusTimeOut));
    // Asked once by the probe; Qt's bridge then asks only for the bus's address.
    EXPECT_EQ(accessibility.asked().value(0), QStringLiteral("Get"));
    EXPECT_EQ(accessibility.asked().count(QStringLiteral("Get")), 1);
    EXPECT_EQ(registrar.asked(), QStringList{QStringLiteral("Introspect")});
    EXPECT_EQ(tray.asked(), QStringList{QStringLiteral("Introspect")});
    EXPECT_TRUE(application.isRunning());

    // The tray's answer, when it comes, brings the tray icon: Qt asks the tray its own
    // questions then. The registrar stays unused: the window keeps its menu bar.
    tray.answer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.asked().size() > 1; }, 10000))
        << tray.asked().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(registrar.asked(), QStringList{QStringLiteral("Introspect")});
    EXPECT_TRUE(application.isRunning());
}
