// One running Chronark per session, tried with real processes: a later launch hands
// its files to the running one over a private session bus (or, without a bus, over
// the local socket in the runtime folder) and exits, and the file opens in the
// first process's window.
#include "application/base/BuildInfo.h"
#include "platform/desktop/ApplicationInstance.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <csignal>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString Identifier = QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER);

QByteArray document(const char *job)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\"><document><jobEntry itemName=\"")
           + job + "\"/></document></Chronark>\n";
}

// A top-level window whose title holds the text (the X server's view).
bool windowTitled(const QString &name)
{
    QByteArray out;
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--name"), QRegularExpression::escape(name)},
                                   &out) == 0
           && !out.trimmed().isEmpty();
}

// Runs a later launch to its end; answers its exit code.
int launchAgain(const QProcessEnvironment &environment, const QStringList &arguments, const QString &folder)
{
    QProcess later;
    later.setProcessEnvironment(environment);
    later.setWorkingDirectory(folder);
    later.setProcessChannelMode(QProcess::ForwardedChannels);
    later.start(QStringLiteral(CHRONARK_EXECUTABLE), arguments);
    if (!later.waitForStarted(5000) || !later.waitForFinished(30000)) {
        later.kill();
        later.waitForFinished(5000);
        return -1;
    }
    return later.exitStatus() == QProcess::NormalExit ? later.exitCode() : -1;
}

class OneRunningInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files.isValid());
        ASSERT_TRUE(testsupport::writeFile(files.filePath(QStringLiteral("first.chronark")), document("First")));
        ASSERT_TRUE(testsupport::writeFile(files.filePath(QStringLiteral("second.chronark")), document("Second")));
        runtime = files.filePath(QStringLiteral("runtime"));
        ASSERT_TRUE(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }

    // The second launch hands its file over and exits; the first opens it; a launch
    // without files only asks the running one to come forward.
    void expectHandOver(const std::function<bool()> &firstIsReady)
    {
        desktoptest::ScopedProcess first(QStringLiteral(CHRONARK_EXECUTABLE),
                                         {files.filePath(QStringLiteral("first.chronark"))}, environment);
        ASSERT_TRUE(first.isRunning());
        ASSERT_TRUE(QTest::qWaitFor(firstIsReady, 30000));
        ASSERT_TRUE(QTest::qWaitFor([] { return windowTitled(QStringLiteral("first.chronark")); }, 30000));
        EXPECT_FALSE(windowTitled(QStringLiteral("second.chronark")));

        // A relative path, resolved in the later launch's working folder.
        EXPECT_EQ(launchAgain(environment, {QStringLiteral("second.chronark")}, files.path()), 0);
        EXPECT_TRUE(QTest::qWaitFor([] { return windowTitled(QStringLiteral("second.chronark")); }, 30000));
        EXPECT_EQ(launchAgain(environment, {}, QDir::tempPath()), 0);
        EXPECT_EQ(launchAgain(environment, {files.filePath(QStringLiteral("first.chronark"))}, QDir::tempPath()), 0);
        EXPECT_TRUE(first.isRunning());
    }

    testsupport::ScopedXdgHome home;
    QTemporaryDir files;
    QString runtime;
    QProcessEnvironment environment;
};

} // namespace

TEST_F(OneRunningInstanceTest, ALaterLaunchHandsItsFilesOverTheSessionBus)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    QDBusConnection watcher = bus.connection();
    expectHandOver([&] { return watcher.interface()->isServiceRegistered(Identifier).value(); });
    // The running instance answers the standard interface at its object path.
    EXPECT_EQ(platform::ApplicationInstance::objectPath(Identifier), QStringLiteral("/org/chronark/Chronark"));
}

TEST_F(OneRunningInstanceTest, WithoutASessionBusTheRuntimeFolderSocketDoesTheSame)
{
    // A bus whose socket is gone. (Without the variable, libdbus would try to start a
    // bus by forking dbus-launch; under the address sanitizer that child can hang on
    // the allocator's lock, held by another thread of the process at the fork.)
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + runtime + QStringLiteral("/no-bus"));
    const QString socket = runtime + QLatin1Char('/') + Identifier + QStringLiteral(".instance");
    expectHandOver([&] { return QFileInfo::exists(socket); });
}

// A running instance that is stopped (SIGSTOP) does not answer: a later launch gives
// up within the hand-over's bound (two seconds; Qt's own wait for a bus call is 25),
// says so in a message box, and ends with its own exit code, 3. The running instance
// opens the file when it goes on.
TEST_F(OneRunningInstanceTest, ALaunchBesideAStoppedInstanceSaysSoWithinTheBoundAndEndsWithCodeThree)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    QDBusConnection watcher = bus.connection();
    desktoptest::ScopedProcess first(QStringLiteral(CHRONARK_EXECUTABLE), {files.filePath(QStringLiteral("first.chronark"))},
                                     environment);
    ASSERT_TRUE(first.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.interface()->isServiceRegistered(Identifier).value(); }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([] { return windowTitled(QStringLiteral("first.chronark")); }, 30000));
    ASSERT_EQ(::kill(pid_t(first.processId()), SIGSTOP), 0);
    const auto goOn = qScopeGuard([&] { ::kill(pid_t(first.processId()), SIGCONT); });

    QProcess later;
    later.setProcessEnvironment(environment);
    later.setWorkingDirectory(files.path());
    later.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer waited;
    waited.start();
    later.start(QStringLiteral(CHRONARK_EXECUTABLE), {QStringLiteral("second.chronark")});
    ASSERT_TRUE(later.waitForStarted(5000));
    // The launch's message box, a window of its own process.
    QByteArray box;
    const QString pid = QString::number(later.processId());
    const bool shown = QTest::qWaitFor(
        [&] {
            box.clear();
            return desktoptest::runProgram(QStringLiteral("xdotool"),
                                           {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid},
                                           &box) == 0
                   && !box.trimmed().isEmpty();
        },
        30000);
    const qint64 untilTold = waited.elapsed();
    ASSERT_TRUE(shown) << later.readAllStandardError().toStdString();
    // The bound with room for a slow start; a launch that waits Qt's 25 s fails here.
    EXPECT_LT(untilTold, 20000);
    const QString window = QString::fromLatin1(box.trimmed().split('\n').constLast());
    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"),
                                      {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window,
                                       QStringLiteral("key"), QStringLiteral("Return")}),
              0);
    ASSERT_TRUE(later.waitForFinished(30000));
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), 3);
    EXPECT_TRUE(later.readAllStandardError().contains("is already running but does not answer."));

    ASSERT_EQ(::kill(pid_t(first.processId()), SIGCONT), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return windowTitled(QStringLiteral("second.chronark")); }, 30000));
    EXPECT_TRUE(first.isRunning());
}
