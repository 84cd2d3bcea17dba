// The application controller on a real desktop (the private Xvfb and session bus of
// run-in-desktop.sh): the global hot key through XTEST, a notification server and a
// logind on private buses, and the tray icon inside a running `trayer`. Screenshots
// of the status window and of the tray menu go next to the test program.
#include "tests/application/controller/TestAppControllerSupport.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include "application/base/DefaultsKeys.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/desktop/X11KeyGrabber.h"

#include <QDBusArgument>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace appcontrollertest;
using desktoptest::FakeDBusService;
using platform::localized;

namespace {

constexpr quint32 Control = 0x40000, Option = 0x80000, Shift = 0x20000;
constexpr quint16 F5 = 96, F6 = 97;
constexpr int Patience = 10000; // ms to wait for the X server or a bus

// Receives a second hot key: X delivers in order, so once it has fired, an earlier
// release has been handled too.
class Marker : public QObject
{
    Q_OBJECT
public:
    int fired = 0;
    Q_INVOKABLE void chronarkHotKeyDown(QObject *) { ++fired; }
};

bool xdotool(const QStringList &arguments)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"), arguments) == 0;
}

// A logind that answers Inhibit with the write end of a new pipe and keeps the read
// end, so the test sees when the lock has been let go.
class FakeLogind
{
public:
    explicit FakeLogind(const QString &address)
        : m_service(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    [this](const QDBusMessage &call) { return answer(call); }, address)
    {
    }
    ~FakeLogind()
    {
        for (int fd : m_readEnds)
            ::close(fd);
    }
    bool isRegistered() const { return m_service.isRegistered(); }
    int locksHandedOut() const { return int(m_readEnds.size()); }
    bool lockClosed(int n) const
    {
        pollfd p{m_readEnds.at(n), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return false;
        char byte;
        return (p.revents & POLLHUP) || ::read(m_readEnds.at(n), &byte, 1) == 0;
    }
    bool prepareForSleep(bool start)
    {
        return m_service.emitSignal(QStringLiteral("org.freedesktop.login1.Manager"),
                                    QStringLiteral("PrepareForSleep"), {start});
    }

private:
    QDBusMessage answer(const QDBusMessage &call)
    {
        if (call.member() != QStringLiteral("Inhibit"))
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"), QStringLiteral("pipe"));
        m_readEnds.append(fds[0]);
        QDBusMessage reply = call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fds[1])));
        ::close(fds[1]);
        return reply;
    }

    FakeDBusService m_service;
    QList<int> m_readEnds;
};

class AppControllerDesktop : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run with QT_QPA_PLATFORM=xcb on an X server";
        resetProgramDefaults();
        HKHotKeyCenter::setHotKeyGrabber(nullptr);
        testDocumentServices()->soundPlayer = [](const QString &) {};
        testDocumentServices()->idleSecondsSource = [] { return 0.0; };
    }
    void TearDown() override
    {
        destroyController(controller);
        controller = nullptr;
        testDocumentServices()->soundPlayer = {};
        testDocumentServices()->idleSecondsSource = {};
    }

    platform::UserDefaults &defaults() { return programDefaults(); }

    // A shown document with the job Acme (in Clients) active and Intern besides.
    MyDocument *documentWithJobs()
    {
        auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
        const NodePtr clients = addGroup(document, QStringLiteral("Clients"));
        document->setActiveJob(addJob(document, QStringLiteral("Acme"), clients));
        addJob(document, QStringLiteral("Intern"));
        return document;
    }

    testsupport::ScopedXdgHome home;
    AppController *controller = nullptr;
};

TEST_F(AppControllerDesktop, HotKeyReleaseOnTheXServerTogglesTheCounterAndFlashesTheStatusWindow)
{
    auto *grabber = qobject_cast<platform::X11KeyGrabber *>(HKHotKeyCenter::hotKeyGrabber());
    ASSERT_NE(grabber, nullptr);
    ASSERT_TRUE(grabber->isAvailable());

    // Code −1: nothing registered.
    controller = makeController();
    EXPECT_FALSE(controller->hotKeyRegisteredAtLaunch());
    EXPECT_TRUE(HKHotKeyCenter().registeredHotKeys().isEmpty());
    destroyController(controller);

    // Control+Option+Fn alone switches virtual terminals on X: shift makes it free.
    defaults().setInteger(F5, ChronarkKeyCodeKey);
    defaults().setInteger(Control | Option | Shift, ChronarkKeyModifierKey);
    defaults().setBool(true, AcceptHotKeyKey);
    controller = makeController();
    ASSERT_TRUE(controller->hotKeyRegisteredAtLaunch());
    MyDocument *document = documentWithJobs();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));

    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->timerIsRunning(); }, Patience));
    TransparentWindow *window = controller->chronarkStatusWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(controller->chronarkStatusTextField()->text(), localized(QStringLiteral("LSstarted")));
    EXPECT_EQ(controller->chronarkStatusJobNameTextField()->text(), QStringLiteral("Acme"));
    ASSERT_NE(controller->chronarkStatusWindowAnimation(), nullptr);
    controller->chronarkStatusWindowAnimation()->pause();
    controller->chronarkStatusWindowAnimation()->setCurrentTime(0);
    QCoreApplication::processEvents();
    const QPixmap shot = window->screen()->grabWindow(0, window->x() - 40, window->y() - 40, window->width() + 80,
                                                     window->height() + 80);
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(testsupport::screenshotPath(QStringLiteral("status-window.png"))));
    controller->chronarkStatusWindowAnimation()->resume();

    // Released again: stopped, and the window says so.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->timerIsRunning(); }, Patience));
    EXPECT_EQ(controller->chronarkStatusTextField()->text(), localized(QStringLiteral("LSstopped")));

    // "AcceptHotKey" off: the key is still held, but toggles nothing.
    defaults().setBool(false, AcceptHotKeyKey);
    QSignalSpy rebuilt(controller, &AppController::menuRebuilt);
    Marker marker;
    ASSERT_TRUE(HKHotKeyCenter().registerHotKeyWithKeyCode(F6, Control | Option | Shift, &marker, "chronarkHotKeyDown:"));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F6")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return marker.fired == 1; }, Patience));
    HKHotKeyCenter().unregisterHotKeysWithTarget(&marker);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(rebuilt.count(), 0);
}

TEST_F(AppControllerDesktop, StartingTheCounterPostsANotificationToTheServer)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDBusService server(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                           [](const QDBusMessage &call) {
                               if (call.member() == QStringLiteral("GetCapabilities"))
                                   return call.createReply(QVariant(QStringList{QStringLiteral("body-markup")}));
                               return call.createReply(QVariant::fromValue<uint>(7));
                           },
                           bus.address());
    ASSERT_TRUE(server.isRegistered());
    controller = makeController(bus.connection());
    const auto notifyCalls = [&] {
        QList<QDBusMessage> calls;
        for (const QDBusMessage &call : server.calls()) {
            if (call.member() == QStringLiteral("Notify"))
                calls.append(call);
        }
        return calls;
    };
    MyDocument *document = documentWithJobs();
    document->getActiveJob()->setItemName(QStringLiteral("Acme \"A&B\" <v2>"));
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifyCalls().size() >= 1; }, Patience));

    const QDBusMessage call = notifyCalls().first();
    EXPECT_EQ(call.member(), QStringLiteral("Notify"));
    const QList<QVariant> args = call.arguments();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args.at(0).toString(), QStringLiteral("Chronark"));
    EXPECT_EQ(args.at(3).toString(), localized(QStringLiteral("LSGrowlTimerStartedTitle")));
    // The server reads markup: the job's name arrives escaped, so it shows as written.
    EXPECT_TRUE(args.at(4).toString().contains(QStringLiteral("Acme &quot;A&amp;B&quot; &lt;v2&gt;")))
        << args.at(4).toString().toStdString();
    QVariantMap hints;
    args.at(6).value<QDBusArgument>() >> hints;
    EXPECT_EQ(hints.value(QStringLiteral("category")).toString(), QStringLiteral("GeneralNotifications"));

    document->stopTimer(controller);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifyCalls().size() >= 2; }, Patience));
    EXPECT_EQ(notifyCalls().at(1).arguments().at(3).toString(), localized(QStringLiteral("LSGrowlTimerStoppedTitle")));
}

TEST_F(AppControllerDesktop, GoingToSleepStopsTheCounterAndTheLockIsHeldOnlyWhileCounting)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    controller = makeController(unreachableBus(), bus.connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->isActive(); }, Patience));
    MyDocument *document = documentWithJobs();
    EXPECT_EQ(logind.locksHandedOut(), 0);

    document->startTimerForJob(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->hasInhibitor(); }, Patience));
    EXPECT_EQ(logind.locksHandedOut(), 1);
    EXPECT_FALSE(logind.lockClosed(0));

    ASSERT_TRUE(logind.prepareForSleep(true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->timerIsRunning(); }, Patience));
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(0); }, Patience));
    EXPECT_FALSE(controller->sleepMonitor()->wantsInhibitor());

    // Awake and counting again: the lock is taken anew, and let go at the stop.
    ASSERT_TRUE(logind.prepareForSleep(false));
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->hasInhibitor(); }, Patience));
    EXPECT_EQ(logind.locksHandedOut(), 2);
    document->stopTimer(document);
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(1); }, Patience));
}

TEST_F(AppControllerDesktop, TrayIconShowsInTheTrayWithTheJobMenu)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    desktoptest::ScopedProcess trayer(QStringLiteral("trayer"),
                                      {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                       QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                       QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                                       QStringLiteral("24")},
                                      environment);
    ASSERT_TRUE(trayer.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, Patience));

    defaults().setBool(true, ShowChronarkMenuKey);
    controller = makeController();
    // Made once the desktop's tray (none here but trayer's) has answered the probe.
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->appsStatusItem() != nullptr; }, Patience));
    QSystemTrayIcon *icon = controller->appsStatusItem();
    EXPECT_TRUE(icon->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !icon->geometry().isEmpty(); }, Patience));

    MyDocument *document = documentWithJobs();
    document->startTimerForJob(nullptr);
    EXPECT_EQ(controller->statusItemImageName(), QStringLiteral("entry_timeRun.png"));

    QMenu *menu = icon->contextMenu();
    ASSERT_EQ(menu, controller->appDockMenu());
    const QString stop = QStringLiteral("  ") + localized(QStringLiteral("LSstop")) + QStringLiteral(": Clients/Acme");
    const QString start = QStringLiteral("  ") + localized(QStringLiteral("LSstart")) + QStringLiteral(": Intern");
    EXPECT_EQ(jobMenuTitles(menu), QStringList({document->displayName(), stop, QStringLiteral("-"), start}));
    QAction *running = menuItemTitled(menu, stop);
    ASSERT_NE(running, nullptr);
    EXPECT_TRUE(running->isChecked());

    // What a click on the icon shows, below the tray at the screen's top right (the
    // icon's own frame is reported relative to its tray slot under XEmbed).
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // A pop-up closes at once when the X server refuses its pointer grab, which it
    // does while the tray still holds one of its own: show it again then.
    bool exposed = false;
    for (int attempt = 0; attempt < 5 && !exposed; ++attempt) {
        menu->popup(QPoint(screen.right() - menu->sizeHint().width() - 4, 26));
        exposed = QTest::qWaitForWindowExposed(menu, Patience / 5);
    }
    ASSERT_TRUE(exposed);
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(menu));
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.copy(QRect(shot.width() - 520, 0, 520, 260)).save(testsupport::screenshotPath(QStringLiteral("tray-menu.png"))));

    // Choosing the other job from the menu switches the counter.
    menu->hide();
    platform::MenuItemValidation::sendItemAction(menuItemTitled(menu, start));
    EXPECT_TRUE(document->timerIsRunning());
    EXPECT_EQ(document->getActiveJob()->itemName(), QStringLiteral("Intern"));
}

} // namespace

#include "TestAppControllerDesktop.moc"
