// The chronark command as a Linux program: --help and --version print and exit
// without a display or a window, an unknown option is refused with a message and a
// non-zero exit status, with a display or without; without a display (a start from
// an ssh shell) chronark says it cannot open one and exits, without a crash report;
// a platform named explicitly is honoured; a system that refuses threads is told.
#include "application/base/BuildInfo.h"
#include "application/controller/AppController.h"
#include "tests/support/SystemCallFilter.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
    QStringList leftInState; // the files left in XDG_STATE_HOME (crash reports go there)
};

// Runs chronark to its end with the arguments, in folders of its own; `changes`
// sets (or, with an empty value, removes) variables of the environment.
// `inChild` runs in the child before chronark is started there.
Outcome run(const QStringList &arguments, bool withDisplay, const QList<std::pair<QString, QString>> &changes = {},
            const std::function<void()> &inChild = {})
{
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), home.path());
    if (!withDisplay) {
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    } else {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    for (const auto &[name, value] : changes) {
        if (value.isEmpty())
            environment.remove(name);
        else
            environment.insert(name, value);
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(QStringLiteral(CHRONARK_EXECUTABLE), arguments);
    Outcome outcome;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return outcome;
    }
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        outcome.exitCode = process.exitCode();
    outcome.crashed = process.exitStatus() == QProcess::CrashExit;
    QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        outcome.leftInState << QDir(home.path()).relativeFilePath(files.next());
    return outcome;
}

// No crash report among the files left.
bool noCrashReport(const Outcome &outcome)
{
    for (const QString &file : outcome.leftInState)
        if (file.endsWith(QStringLiteral(".crash")))
            return false;
    return true;
}

} // namespace

TEST(CommandLineOptions, HelpAndVersionPrintAndExitWithoutADisplay)
{
    const Outcome help = run({QStringLiteral("--help")}, false);
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Usage: chronark [OPTION]... [FILE]...")) << help.out.toStdString();
    EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();

    const Outcome shortHelp = run({QStringLiteral("some.chronark"), QStringLiteral("-h")}, false);
    EXPECT_EQ(shortHelp.exitCode, 0);
    EXPECT_EQ(shortHelp.out, help.out);

    const Outcome version = run({QStringLiteral("--version")}, false);
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, QByteArray(CHRONARK_BUNDLE_NAME " " CHRONARK_VERSION_STRING "\n"));
}

TEST(CommandLineOptions, AnUnknownOptionIsRefusedClearlyButQtsOwnAreTaken)
{
    const Outcome refused = run({QStringLiteral("--bogus"), QStringLiteral("a.chronark")}, true);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
    EXPECT_TRUE(refused.err.contains("unknown option \xE2\x80\x9C--bogus\xE2\x80\x9D")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("chronark --help")) << refused.err.toStdString();

    // Qt's own option goes to Qt; the unknown one after it is still named.
    const Outcome afterQts =
        run({QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--nope")}, true);
    EXPECT_EQ(afterQts.exitCode, 2);
    EXPECT_TRUE(afterQts.err.contains("\xE2\x80\x9C--nope\xE2\x80\x9D")) << afterQts.err.toStdString();
}

TEST(CommandLineOptions, OptionsAreDecidedWithoutADisplay)
{
    const Outcome refused = run({QStringLiteral("--bogus")}, false);
    EXPECT_EQ(refused.exitCode, 2) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("unknown option \xE2\x80\x9C--bogus\xE2\x80\x9D")) << refused.err.toStdString();
    EXPECT_TRUE(noCrashReport(refused));

    // Qt's own options with their values are passed over; the unknown one is named.
    const Outcome afterQts = run({QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("--nope")}, false);
    EXPECT_EQ(afterQts.exitCode, 2);
    EXPECT_TRUE(afterQts.err.contains("\xE2\x80\x9C--nope\xE2\x80\x9D")) << afterQts.err.toStdString();
}

// Started from an ssh shell or a console, or with a display that does not answer:
// Chronark says so in one line, naming the display, and exits with a non-zero
// status; it does not crash and leaves no crash report (which the next launch would
// offer).
TEST(CommandLineOptions, WithoutADisplayItSaysSoAndExits)
{
    struct Case
    {
        const char *what;
        QStringList arguments;
        QList<std::pair<QString, QString>> changes;
        QByteArray said; // the one line on standard error
    };
    const QString unreachable = QStringLiteral(":%1").arg(QCoreApplication::applicationPid() % 1000 + 5000);
    const QByteArray unanswered = "chronark: cannot open display \"" + unreachable.toUtf8() + "\"\n";
    const QByteArray unset = "chronark: cannot open a display: DISPLAY is not set\n";
    const Case cases[] = {
        {"no DISPLAY, no WAYLAND_DISPLAY", {}, {}, "chronark: cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set\n"},
        {"a document named", {QStringLiteral("some.chronark")}, {}, "chronark: cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set\n"},
        {"DISPLAY set to nothing", {}, {{QStringLiteral("DISPLAY"), QString()}}, "chronark: cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set\n"},
        // Named explicitly, the X platform is tried, and cannot open its display.
        {"QT_QPA_PLATFORM=xcb", {}, {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}}, unset},
        {"-platform xcb", {QStringLiteral("-platform"), QStringLiteral("xcb")}, {}, unset},
        {"a display that does not answer", {}, {{QStringLiteral("DISPLAY"), unreachable}}, unanswered},
        {"xcb and a display that does not answer", {}, {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}, {QStringLiteral("DISPLAY"), unreachable}}, unanswered},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = run(c.arguments, false, c.changes);
        EXPECT_FALSE(outcome.crashed) << outcome.err.toStdString();
        EXPECT_NE(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_NE(outcome.exitCode, -1) << "ended by a signal: " << outcome.err.toStdString();
        // One line, naming the display; none of Qt's before it.
        EXPECT_EQ(outcome.err.toStdString(), c.said.toStdString());
        EXPECT_TRUE(noCrashReport(outcome)) << outcome.leftInState.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
}

// Runs chronark in folders of its own, without a session bus, until it claimed its
// one instance (a socket in the runtime folder): answers what it said on standard
// error when it ended before that, empty when it ran. `display` empty: none.
std::string runsWithDisplay(const QString &display, const QStringList &arguments, const QString &platform)
{
    QTemporaryDir home;
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(runtime))
        return "no runtime folder";
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), home.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);
    if (!platform.isEmpty())
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // No session bus: the instance is claimed on a socket in the runtime folder.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + runtime + QStringLiteral("/no-bus"));
    const QString socket = runtime + QLatin1Char('/') + QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER) + QStringLiteral(".instance");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CHRONARK_EXECUTABLE), arguments);
    if (!process.waitForStarted(10000))
        return "not started";
    (void)QTest::qWaitFor([&] { return QFileInfo::exists(socket) || process.state() != QProcess::Running; }, 30000);
    const bool ran = process.state() == QProcess::Running && QFileInfo::exists(socket);
    process.kill();
    process.waitForFinished(10000);
    return ran ? std::string() : "ended: " + process.readAllStandardError().toStdString();
}

// A platform named explicitly is honoured without a display: the offscreen platform
// starts and the application runs (it claims its one instance in the runtime folder).
TEST(CommandLineOptions, AnExplicitPlatformIsHonouredWithoutADisplay)
{
    EXPECT_EQ(runsWithDisplay(QString(), {}, QStringLiteral("offscreen")), "") << "QT_QPA_PLATFORM=offscreen";
    EXPECT_EQ(runsWithDisplay(QString(), {QStringLiteral("-platform"), QStringLiteral("offscreen")}, QString()), "")
        << "-platform offscreen";
}

// The display of the run (the private X server) answers: nothing is said, and the
// application runs on it with Qt's own choice of platform.
TEST(CommandLineOptions, ADisplayThatAnswersIsUsed)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run inside run-in-desktop.sh";
    EXPECT_EQ(runsWithDisplay(qEnvironmentVariable("DISPLAY"), {}, QString()), "");
}

// A system that refuses every thread from the start (a limit of processes reached):
// Chronark says in one line that it cannot start and exits with its own status,
// without a crash report and without a window that would wait for good.
TEST(CommandLineOptions, WithoutThreadsItSaysSoAndExits)
{
    const Outcome outcome = run({}, true, {}, [] {
        if (!testsupport::filterSystemCalls(testsupport::threadCreationRefused()))
            _exit(120);
    });
    EXPECT_FALSE(outcome.crashed) << outcome.err.toStdString();
    EXPECT_EQ(outcome.exitCode, AppController::NoThreadsExitCode) << outcome.err.toStdString();
    EXPECT_EQ(outcome.err.toStdString(), "chronark: cannot start: the system refuses to make threads\n");
    EXPECT_TRUE(noCrashReport(outcome)) << outcome.leftInState.join(QLatin1Char(' ')).toStdString();
}
