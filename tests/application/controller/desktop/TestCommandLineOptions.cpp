// The chronark command as a Linux program: --help and --version print and exit
// without a display or a window, an unknown option is refused with a message and a
// non-zero exit status, with a display or without; without a display (a start from
// an ssh shell) chronark says it cannot open one and exits, without a crash report;
// a platform named explicitly is honoured.
#include "application/base/BuildInfo.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
Outcome run(const QStringList &arguments, bool withDisplay, const QList<std::pair<QString, QString>> &changes = {})
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

// Started from an ssh shell or a console: no display. Chronark says so and exits
// with a non-zero status; it does not crash and leaves no crash report (which the
// next launch would offer).
TEST(CommandLineOptions, WithoutADisplayItSaysSoAndExits)
{
    struct Case
    {
        const char *what;
        QStringList arguments;
        QList<std::pair<QString, QString>> changes;
    };
    const QString unreachable = QStringLiteral(":%1").arg(QCoreApplication::applicationPid() % 1000 + 5000);
    const Case cases[] = {
        {"no DISPLAY, no WAYLAND_DISPLAY", {}, {}},
        {"a document named", {QStringLiteral("some.chronark")}, {}},
        {"DISPLAY set to nothing", {}, {{QStringLiteral("DISPLAY"), QString()}}},
        // Named explicitly, the X platform is tried, and cannot open its display.
        {"QT_QPA_PLATFORM=xcb", {}, {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}}},
        {"-platform xcb", {QStringLiteral("-platform"), QStringLiteral("xcb")}, {}},
        {"a display that does not answer", {}, {{QStringLiteral("DISPLAY"), unreachable}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = run(c.arguments, false, c.changes);
        EXPECT_FALSE(outcome.crashed) << outcome.err.toStdString();
        EXPECT_NE(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_NE(outcome.exitCode, -1) << "ended by a signal: " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains("chronark: cannot open a display")) << outcome.err.toStdString();
        EXPECT_TRUE(noCrashReport(outcome)) << outcome.leftInState.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
}

// A platform named explicitly is honoured without a display: the offscreen platform
// starts and the application runs (it claims its one instance in the runtime folder).
TEST(CommandLineOptions, AnExplicitPlatformIsHonouredWithoutADisplay)
{
    QTemporaryDir home;
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), home.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // No session bus: the instance is claimed on a socket in the runtime folder.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + runtime + QStringLiteral("/no-bus"));
    const QString socket = runtime + QLatin1Char('/') + QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER) + QStringLiteral(".instance");
    for (const bool byVariable : {true, false}) {
        SCOPED_TRACE(byVariable ? "QT_QPA_PLATFORM=offscreen" : "-platform offscreen");
        QProcessEnvironment env = environment;
        QStringList arguments;
        if (byVariable)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else {
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            arguments << QStringLiteral("-platform") << QStringLiteral("offscreen");
        }
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(CHRONARK_EXECUTABLE), arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket) || process.state() != QProcess::Running; }, 30000));
        EXPECT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().toStdString();
        process.kill();
        process.waitForFinished(10000);
        QFile::remove(socket);
    }
}
