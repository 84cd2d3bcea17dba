// The application controller on a real desktop (the private Xvfb and session bus of
// run-in-desktop.sh): the global hot key through XTEST, a notification server, a
// desktop portal and a logind on private buses, the tray icon inside a running
// `trayer`, and the end of the session: termination signals to this process and to
// the real application, and the recovery copies they leave. Screenshots of the status
// window, of the tray menu and of the recovery offer go next to the test program.
#include "tests/application/controller/TestAppControllerSupport.h"
#include "tests/application/controller/desktop/TestSessionManager.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include "application/base/DefaultsKeys.h"
#include "application/controller/RecoveryCopies.h"
#include "application/tree/DocumentFileFormat.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/desktop/X11KeyGrabber.h"
#include "platform/foundation/TerminationSignals.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
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
    // What each lock holds back ("sleep", "shutdown"), in the order handed out.
    QStringList what;
    bool lockClosed(int n) const
    {
        pollfd p{m_readEnds.at(n), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return false;
        char byte;
        return (p.revents & POLLHUP) || ::read(m_readEnds.at(n), &byte, 1) == 0;
    }
    bool prepareForShutdown(bool start)
    {
        return m_service.emitSignal(QStringLiteral("org.freedesktop.login1.Manager"),
                                    QStringLiteral("PrepareForShutdown"), {start});
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
        what.append(call.arguments().value(0).toString());
        QDBusMessage reply = call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fds[1])));
        ::close(fds[1]);
        return reply;
    }

    FakeDBusService m_service;
    QList<int> m_readEnds;
};

// A desktop portal: Inhibit answers the path of a new request, whose Close (a call on
// that path) lets the hold go. Counts the holds handed out and not yet closed.
class FakePortal
{
public:
    explicit FakePortal(const QString &address)
        : m_service(QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
                    [this](const QDBusMessage &call) { return answer(call); }, address,
                    FakeDBusService::Reach::AndBelow)
    {
    }
    bool isRegistered() const { return m_service.isRegistered(); }
    int holds() const { return int(m_open.size()); }
    QList<QDBusMessage> inhibitCalls;
    int strayCloses = 0;

private:
    QDBusMessage answer(const QDBusMessage &call)
    {
        if (call.interface() == QStringLiteral("org.freedesktop.portal.Inhibit") && call.member() == QStringLiteral("Inhibit")) {
            inhibitCalls.append(call);
            const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t%1").arg(++m_made);
            m_open.insert(path);
            return call.createReply(QVariant::fromValue(QDBusObjectPath(path)));
        }
        if (call.interface() == QStringLiteral("org.freedesktop.portal.Request") && call.member() == QStringLiteral("Close")) {
            if (!m_open.remove(call.path()))
                ++strayCloses;
            return call.createReply();
        }
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
    }

    FakeDBusService m_service;
    QSet<QString> m_open;
    int m_made = 0;
};

// The visible alert (or sheet) whose text holds the words; null when none.
QMessageBox *alertSaying(const QString &words)
{
    for (QWidget *widget : QApplication::allWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible() && box->text().contains(words))
            return box;
    }
    return nullptr;
}

void clickButtonOfRole(QMessageBox *box, QMessageBox::ButtonRole role)
{
    for (QAbstractButton *button : box->buttons()) {
        if (box->buttonRole(button) == role) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button of role " << int(role) << " in " << box->text().toStdString();
}

// The document file's tree as its writer writes it, without the window's values.
QByteArray treeForm(const Node &root)
{
    return DocumentFileFormat::toXmlData(root, DocumentValuesStore());
}

QByteArray treeFormOfFile(const QString &path)
{
    DocumentFileFormat::ReadResult result;
    if (!DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, result) || !result.root)
        return QByteArray();
    return treeForm(*result.root);
}

int timeEntriesIn(const Node &node)
{
    int count = node.type() == Node::TimeEntry ? 1 : 0;
    for (const NodePtr &child : node.children())
        count += timeEntriesIn(*child);
    return count;
}

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
    const auto sleepLocks = [&] { return logind.what.count(QStringLiteral("sleep")); };
    // The n-th sleep lock handed out (the counting document holds a shutdown lock too).
    const auto sleepLock = [&](int n) {
        for (int i = 0, seen = 0; i < logind.what.size(); ++i) {
            if (logind.what.at(i) == QStringLiteral("sleep") && seen++ == n)
                return i;
        }
        return -1;
    };
    EXPECT_EQ(logind.locksHandedOut(), 0);

    document->startTimerForJob(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->hasInhibitor(); }, Patience));
    EXPECT_EQ(sleepLocks(), 1);
    EXPECT_FALSE(logind.lockClosed(sleepLock(0)));

    ASSERT_TRUE(logind.prepareForSleep(true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->timerIsRunning(); }, Patience));
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(sleepLock(0)); }, Patience));
    EXPECT_FALSE(controller->sleepMonitor()->wantsInhibitor());

    // Awake and counting again: the lock is taken anew, and let go at the stop.
    ASSERT_TRUE(logind.prepareForSleep(false));
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->hasInhibitor(); }, Patience));
    EXPECT_EQ(sleepLocks(), 2);
    document->stopTimer(document);
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(sleepLock(1)); }, Patience));
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

TEST_F(AppControllerDesktop, TheLogoutIsHeldThroughThePortalExactlyWhileADocumentIsUnsavedOrACounterRuns)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakePortal portal(bus.address());
    ASSERT_TRUE(portal.isRegistered());
    controller = makeController(bus.connection());
    QTemporaryDir files;
    QList<MyDocument *> documents;
    for (const char *name : {"one.chronark", "two.chronark"}) {
        MyDocument *document = documentWithJobs();
        ASSERT_TRUE(document->saveToFile(files.filePath(QString::fromLatin1(name)), MyDocument::TypeName,
                                         platform::Document::SaveOperation::SaveAs));
        documents.append(document);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal.inhibitCalls.isEmpty() && !controller->logoutInhibitor()->isHeld(); }, Patience));

    // Edits, saves, starts and stops in a random order: after each, once the bus has
    // carried the calls, one hold is in force exactly while there is something a logout
    // would lose, and every hold let go was one handed out.
    QRandomGenerator random(20261210);
    for (int step = 0; step < 40; ++step) {
        MyDocument *document = documents.at(random.bounded(int(documents.size())));
        const int operation = random.bounded(3);
        SCOPED_TRACE("step " + std::to_string(step) + ", operation " + std::to_string(operation));
        if (operation == 0) {
            addJob(document, QStringLiteral("Job %1").arg(step));
            document->updateChangeCount(platform::Document::ChangeType::Done);
        } else if (operation == 1) {
            ASSERT_TRUE(document->saveToFile(document->filePath(), MyDocument::TypeName,
                                             platform::Document::SaveOperation::Save));
        } else if (document->timerIsRunning()) {
            document->stopTimer(document);
        } else {
            document->startTimerForJob(nullptr);
        }
        bool keep = false;
        for (MyDocument *each : documents)
            keep = keep || each->isDocumentEdited() || each->timerIsRunning();
        ASSERT_TRUE(QTest::qWaitFor([&] { return portal.holds() == (keep ? 1 : 0) && controller->logoutInhibitor()->isHeld() == keep; },
                                    Patience))
            << "holds " << portal.holds() << ", work to keep " << keep;
        EXPECT_EQ(portal.strayCloses, 0);
    }
    ASSERT_FALSE(portal.inhibitCalls.isEmpty());
    for (const QDBusMessage &call : portal.inhibitCalls) {
        const QList<QVariant> arguments = call.arguments();
        ASSERT_EQ(arguments.size(), 3);
        EXPECT_EQ(arguments.at(1).toUInt(), 1u) << "the logout flag";
        QVariantMap options;
        arguments.at(2).value<QDBusArgument>() >> options;
        EXPECT_EQ(options.value(QStringLiteral("reason")).toString(), localized(QStringLiteral("LSLogoutInhibitorReason")));
    }
}

// A real SIGTERM to this process: the quit without questions stops the counter and keeps
// every unsaved document in a copy that reads back as the window showed it, leaves the
// person's files as they were, and the next launch offers each copy (Open, Discard).
// A copy opened goes once its document is saved, or at a clean quit.
TEST_F(AppControllerDesktop, ATerminationSignalKeepsEveryUnsavedDocumentAndTheNextLaunchOffersEach)
{
    platform::TerminationSignals *signals = platform::TerminationSignals::install(QCoreApplication::instance());
    ASSERT_NE(signals, nullptr);
    const auto uninstall = qScopeGuard([signals] { delete signals; });
    QTemporaryDir files;
    const QString filedPath = files.filePath(QStringLiteral("filed.chronark"));
    const QString cleanPath = files.filePath(QStringLiteral("clean.chronark"));
    controller = makeController();

    MyDocument *filed = documentWithJobs();
    ASSERT_TRUE(filed->saveToFile(filedPath, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
    const QByteArray filedOnDisk = testsupport::readFile(filedPath);
    addJob(filed, QStringLiteral("Not saved"));
    filed->updateChangeCount(platform::Document::ChangeType::Done);
    MyDocument *counting = documentWithJobs();
    counting->startTimerForJob(nullptr);
    const QString countingName = counting->displayName();
    MyDocument *clean = documentWithJobs();
    ASSERT_TRUE(clean->saveToFile(cleanPath, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
    const QByteArray cleanOnDisk = testsupport::readFile(cleanPath);

    // What the windows show as the application ends, by the name each copy notes.
    QHash<QString, QByteArray> shown;
    QObject::connect(controller, &platform::DocumentController::willTerminate, controller, [&] {
        for (platform::Document *document : controller->documents()) {
            if (document->isDocumentEdited())
                shown.insert(document->displayName(), treeForm(*qobject_cast<MyDocument *>(document)->jobList()));
        }
    });
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().isEmpty(); }, Patience));
    EXPECT_EQ(testDocumentServices()->runningCounters, 0);
    EXPECT_EQ(shown.size(), 2);

    QList<RecoveryCopies::Copy> copies = controller->recoveryCopies().copies();
    ASSERT_EQ(copies.size(), 2);
    for (const RecoveryCopies::Copy &copy : copies) {
        SCOPED_TRACE(copy.name.toStdString());
        EXPECT_TRUE(copy.copyPath.startsWith(RecoveryCopies::defaultFolder() + QLatin1Char('/')));
        EXPECT_EQ(copy.originalPath, copy.name == countingName ? QString() : filedPath);
        ASSERT_TRUE(shown.contains(copy.name));
        EXPECT_EQ(treeFormOfFile(copy.copyPath), shown.value(copy.name));
    }
    // The counter's time is kept: its entry is in the copy, closed.
    const auto countingCopy = std::find_if(copies.cbegin(), copies.cend(), [&](const auto &c) { return c.name == countingName; });
    ASSERT_NE(countingCopy, copies.cend());
    DocumentFileFormat::ReadResult counted;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(countingCopy->copyPath, DocumentFileFormat::TypeName, counted));
    EXPECT_EQ(timeEntriesIn(*counted.root), 1);
    EXPECT_EQ(testsupport::readFile(filedPath), filedOnDisk);
    EXPECT_EQ(testsupport::readFile(cleanPath), cleanOnDisk);

    // The next launch: the filed document's changes are opened (in place of the empty
    // window), the untitled one's discarded.
    destroyController(controller);
    controller = makeController();
    controller->launch({});
    QPointer<QMessageBox> offer;
    for (int answered = 0; answered < 2; ++answered) {
        ASSERT_TRUE(QTest::qWaitFor([&] {
            offer = alertSaying(QStringLiteral("filed.chronark"));
            if (!offer)
                offer = alertSaying(countingName);
            return !offer.isNull();
        }, Patience));
        if (offer->text().contains(QStringLiteral("filed.chronark"))) {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(offer));
            EXPECT_TRUE(offer->grab().save(testsupport::screenshotPath(QStringLiteral("recovery-offer.png"))));
            clickButtonOfRole(offer, QMessageBox::AcceptRole);
        } else {
            clickButtonOfRole(offer, QMessageBox::DestructiveRole);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !offer || !offer->isVisible(); }, Patience));
    }
    MyDocument *recovered = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        recovered = qobject_cast<MyDocument *>(controller->documentForFile(filedPath));
        return recovered && controller->documents().size() == 1;
    }, Patience));
    EXPECT_TRUE(recovered->isDocumentEdited());
    EXPECT_EQ(recovered->displayName(), QStringLiteral("filed.chronark"));
    EXPECT_EQ(treeForm(*recovered->jobList()), shown.value(QStringLiteral("filed.chronark")));
    // Each answer is taken in the pass after its alert.
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->recoveryCopies().copies().size() == 1; }, Patience));
    copies = controller->recoveryCopies().copies();
    EXPECT_EQ(copies.first().originalPath, filedPath);

    // Saved to the person's file, without a question: the copy goes.
    bool saved = false;
    recovered->saveDocumentWithCompletion([&](bool done) { saved = done; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved; }, Patience));
    EXPECT_TRUE(controller->recoveryCopies().copies().isEmpty());
    EXPECT_EQ(treeFormOfFile(filedPath), shown.value(QStringLiteral("filed.chronark")));

    // Once more, with a clean quit after the opening: the person's answer (Don't Save)
    // is final, and no copy is left.
    addJob(recovered, QStringLiteral("Again"));
    recovered->updateChangeCount(platform::Document::ChangeType::Done);
    ASSERT_EQ(::kill(::getpid(), SIGHUP), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().isEmpty(); }, Patience));
    ASSERT_EQ(controller->recoveryCopies().copies().size(), 1);
    destroyController(controller);
    controller = makeController();
    controller->launch({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(offer = alertSaying(QStringLiteral("filed.chronark"))).isNull(); }, Patience));
    clickButtonOfRole(offer, QMessageBox::AcceptRole);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documentForFile(filedPath) != nullptr; }, Patience));
    controller->terminate(nullptr);
    QPointer<QMessageBox> question;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (QWidget *widget : QApplication::allWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                question = box;
        }
        return !question.isNull();
    }, Patience));
    clickButtonOfRole(question, QMessageBox::DestructiveRole);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().isEmpty(); }, Patience));
    EXPECT_TRUE(controller->recoveryCopies().copies().isEmpty());
    EXPECT_EQ(treeFormOfFile(filedPath), shown.value(QStringLiteral("filed.chronark")));
}

// logind's PrepareForShutdown: a delay lock is held while there is something to keep,
// and the shutdown ends the application as a signal does, the lock going with the process.
TEST_F(AppControllerDesktop, TheSystemsShutdownIsDelayedUntilTheUnsavedDocumentIsKept)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.address());
    ASSERT_TRUE(logind.isRegistered());
    controller = makeController(unreachableBus(), bus.connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->isActive(); }, Patience));
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("work.chronark"));
    MyDocument *document = documentWithJobs();
    ASSERT_TRUE(document->saveToFile(path, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
    const QByteArray onDisk = testsupport::readFile(path);
    EXPECT_FALSE(controller->sleepMonitor()->wantsShutdownInhibitor());

    addJob(document, QStringLiteral("Not saved"));
    document->updateChangeCount(platform::Document::ChangeType::Done);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->hasShutdownInhibitor(); }, Patience));
    ASSERT_EQ(logind.what, QStringList{QStringLiteral("shutdown")});
    // Saved: nothing to keep, the lock goes.
    ASSERT_TRUE(document->saveToFile(path, MyDocument::TypeName, platform::Document::SaveOperation::Save));
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.lockClosed(0); }, Patience));

    addJob(document, QStringLiteral("Not saved either"));
    document->updateChangeCount(platform::Document::ChangeType::Done);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->sleepMonitor()->hasShutdownInhibitor(); }, Patience));
    const QByteArray shown = treeForm(*document->jobList());
    ASSERT_EQ(logind.locksHandedOut(), 2);
    const QByteArray saved = testsupport::readFile(path);
    ASSERT_TRUE(logind.prepareForShutdown(true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().isEmpty(); }, Patience));
    const QList<RecoveryCopies::Copy> copies = controller->recoveryCopies().copies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies.first().originalPath, path);
    EXPECT_EQ(treeFormOfFile(copies.first().copyPath), shown);
    EXPECT_EQ(testsupport::readFile(path), saved);
    EXPECT_NE(saved, onDisk);
    EXPECT_FALSE(logind.lockClosed(1));
}

// The real application, ended by real signals while a counter runs: the quit keeps the
// counter's time and the unsaved document in a copy, never in the person's file, and
// further signals sent while the copy is written cut nothing (the process ends
// normally, the copy whole). The next launch offers the copy; opened, counted on and
// ended again, it leaves one copy with both counters' time.
TEST_F(AppControllerDesktop, RealSignalsEndTheRealApplicationThroughItsQuitAndFurtherSignalsCutNoWrite)
{
    constexpr int Entries = 100000;
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("work.chronark"));
    {
        NodePtr root = Node::create(Node::Root);
        NodePtr job = Node::create(Node::Job);
        job->setItemName(QStringLiteral("Acme"));
        job->setActive(true);
        root->addChild(job);
        NodePtr day = Node::create(Node::Day);
        job->addChild(day);
        for (int i = 0; i < Entries; ++i) {
            NodePtr entry = Node::create(Node::TimeEntry);
            entry->setMinutes(i % 60);
            day->addChild(entry);
        }
        root->recalcWorkTimeForTree();
        ASSERT_TRUE(DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *root, DocumentValuesStore()));
    }
    const QByteArray onDisk = testsupport::readFile(path);
    // Control+Option+Shift+F7 toggles the counter of the front document.
    ASSERT_TRUE(testsupport::writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Chronark/Chronark.conf"),
                                       "[General]\nChronarkKeyCode=98\nChronarkKeyModifier=917504\nAcceptHotKey=true\n"
                                       "OpenEmptyDocument=false\n"));
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("CHRONARK_SLEEP_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QDir folder(RecoveryCopies::defaultFolder());
    // A window of the process with that name (xdotool matches either unless told --all),
    // or any window of it.
    const auto windowOf = [](qint64 pid, const QString &name) {
        QStringList arguments{QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), QString::number(pid)};
        if (!name.isEmpty())
            arguments << QStringLiteral("--name") << name;
        QByteArray out;
        desktoptest::runProgram(QStringLiteral("xdotool"), arguments, &out);
        return QString::fromLatin1(out.trimmed().split('\n').constFirst());
    };

    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGHUP");
        const bool first = signal == SIGTERM;
        desktoptest::ScopedProcess application(QStringLiteral(CHRONARK_EXECUTABLE), first ? QStringList{path} : QStringList{},
                                               environment);
        ASSERT_TRUE(application.isRunning());
        const qint64 pid = application.processId();
        if (!first) {
            // The offer of the first run's copy: Return opens it.
            // (Until it has the keyboard, a key may go nowhere: pressed again then.)
            ASSERT_TRUE(QTest::qWaitFor([&] {
                const QString alert = windowOf(pid, QString());
                return !alert.isEmpty()
                       && xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), alert, QStringLiteral("key"), QStringLiteral("Return")})
                       && QTest::qWaitFor([&] { return !windowOf(pid, QStringLiteral("^[^ ]*work\\.chronark")).isEmpty(); }, 2000);
            }, 30000));
        }
        // The document's window: its title begins with the name (the one shown while the
        // file is read, "Opening “work.chronark”…", is not it).
        QString window;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !(window = windowOf(pid, QStringLiteral("^[^ ]*work\\.chronark"))).isEmpty(); }, 30000));
        ASSERT_TRUE(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            // The title shows the edited mark once the counter runs.
            return xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F7")})
                   && QTest::qWaitFor([&] { return !windowOf(pid, QStringLiteral("^[^ ]*work\\.chronark[^ ]*\\*")).isEmpty(); }, 2000);
        }, 20000));

        ASSERT_EQ(::kill(pid_t(pid), signal), 0);
        int sent = 1;
        while (application.isRunning() && sent < 1000) {
            ::kill(pid_t(pid), sent % 2 ? SIGHUP : SIGTERM);
            ++sent;
            application.process().waitForFinished(5);
        }
        ASSERT_TRUE(!application.isRunning() || application.process().waitForFinished(30000));
        EXPECT_GT(sent, 1) << "a second signal came while the application ended";
        EXPECT_EQ(application.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(application.process().exitCode(), 0);

        const QStringList copies = folder.entryList({QStringLiteral("*.chronark")}, QDir::Files);
        ASSERT_EQ(copies.size(), 1);
        DocumentFileFormat::ReadResult read;
        ASSERT_TRUE(DocumentFileFormat::readFromFile(folder.filePath(copies.first()), DocumentFileFormat::TypeName, read));
        // Every entry of the file, and one for each counter run.
        EXPECT_EQ(timeEntriesIn(*read.root), Entries + (first ? 1 : 2));
        EXPECT_EQ(testsupport::readFile(path), onDisk);
    }
    // Left as the next launch would find it: gone with the test's home.
}

// Under an X11 session manager: its request to save before a logout reviews the
// unsaved document (the counter runs). Cancel cancels the logout and leaves the counter
// running; Save then stops it, saves the time in the person's file, and the application
// ends, leaving no recovery copy. A logout that allows no questions ends in a recovery
// copy, the person's file as it was.
TEST_F(AppControllerDesktop, TheSessionManagersSaveRequestAsksAndCancelCancelsTheLogout)
{
    auto manager = std::make_unique<TestSessionManager>();
    ASSERT_FALSE(manager->address().isEmpty());
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("work.chronark"));
    ASSERT_TRUE(testsupport::writeFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\"><document>"
                                             "<jobEntry itemName=\"Acme\" active=\"yes\"/></document></Chronark>\n"));
    ASSERT_TRUE(testsupport::writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Chronark/Chronark.conf"),
                                       "[General]\nChronarkKeyCode=98\nChronarkKeyModifier=917504\nAcceptHotKey=true\n"));
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("CHRONARK_SLEEP_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("SESSION_MANAGER"), manager->address());
    auto application = std::make_unique<desktoptest::ScopedProcess>(QStringLiteral(CHRONARK_EXECUTABLE), QStringList{path},
                                                                    environment);
    ASSERT_TRUE(application->isRunning());
    qint64 pid = application->processId();
    // The windows of the process with that name (xdotool matches either unless told --all).
    const auto windows = [&pid](const QString &name) {
        QByteArray out;
        desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                                            QStringLiteral("--pid"), QString::number(pid),
                                                            QStringLiteral("--name"), name},
                                &out);
        const QString text = QString::fromLatin1(out.trimmed());
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    };
    QString window;
    // The session manager has the application as its client, which counts in its window.
    const auto counting = [&](TestSessionManager &client) {
        return QTest::qWaitFor([&] { return client.hasClient() && !(window = windows(QStringLiteral("^[^ ]*work\\.chronark")).value(0)).isEmpty(); }, 30000)
               && xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window})
               && QTest::qWaitFor([&] {
                      return xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F7")})
                             && QTest::qWaitFor([&] { return !windows(QStringLiteral("^[^ ]*work\\.chronark[^ ]*\\*")).isEmpty(); }, 2000);
                  }, 20000);
    };
    ASSERT_TRUE(counting(*manager));
    // The question about the unsaved document, answered with a key (pressed again until
    // the question has the keyboard).
    const auto answer = [&](const QString &key) {
        return QTest::qWaitFor([&] {
            for (const QString &each : windows(QStringLiteral(".*"))) {
                if (each != window)
                    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), each, QStringLiteral("key"), key});
            }
            return QTest::qWaitFor([&] { return manager->interactDone(); }, 1000);
        }, 30000);
    };

    manager->askToSaveForLogout();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->interactionAsked(); }, Patience));
    ASSERT_TRUE(answer(QStringLiteral("Escape")));
    EXPECT_TRUE(manager->logoutCancelled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->saveDone(); }, Patience));
    manager->cancelShutdown();
    EXPECT_TRUE(application->isRunning());
    EXPECT_FALSE(windows(QStringLiteral("^[^ ]*work\\.chronark[^ ]*\\*")).isEmpty()) << "still counting, still unsaved";

    manager->askToSaveForLogout();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->interactionAsked(); }, Patience));
    ASSERT_TRUE(answer(QStringLiteral("Return")));
    EXPECT_FALSE(manager->logoutCancelled());
    ASSERT_TRUE(!application->isRunning() || application->process().waitForFinished(30000));
    EXPECT_EQ(application->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(application->process().exitCode(), 0);
    DocumentFileFormat::ReadResult read;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, read));
    EXPECT_EQ(timeEntriesIn(*read.root), 1);
    const QDir folder(RecoveryCopies::defaultFolder());
    EXPECT_TRUE(folder.entryList(QDir::Files).isEmpty());

    // A logout that allows no questions, then the session's end (Die): nothing is asked,
    // the counter's time and the unsaved document are kept in a recovery copy.
    const QByteArray saved = testsupport::readFile(path);
    // (A process listens as one session manager at a time.)
    manager.reset();
    TestSessionManager next;
    ASSERT_FALSE(next.address().isEmpty());
    environment.insert(QStringLiteral("SESSION_MANAGER"), next.address());
    application = std::make_unique<desktoptest::ScopedProcess>(QStringLiteral(CHRONARK_EXECUTABLE), QStringList{path},
                                                               environment);
    ASSERT_TRUE(application->isRunning());
    pid = application->processId();
    ASSERT_TRUE(counting(next));
    next.askToSaveForLogout(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return next.saveDone(); }, Patience));
    EXPECT_FALSE(next.interactionAsked());
    next.die();
    ASSERT_TRUE(!application->isRunning() || application->process().waitForFinished(30000));
    EXPECT_EQ(application->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(application->process().exitCode(), 0);
    EXPECT_EQ(testsupport::readFile(path), saved);
    const QStringList copies = folder.entryList({QStringLiteral("*.chronark")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    ASSERT_TRUE(DocumentFileFormat::readFromFile(folder.filePath(copies.first()), DocumentFileFormat::TypeName, read));
    EXPECT_EQ(timeEntriesIn(*read.root), 2);
}

} // namespace

#include "TestAppControllerDesktop.moc"
