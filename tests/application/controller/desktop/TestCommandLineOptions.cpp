// The chronark command as a Linux program: --help and --version print and exit
// without a display or a window, an unknown option is refused with a message and a
// non-zero exit status.
#include "application/base/BuildInfo.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs chronark to its end with the arguments, in folders of its own.
Outcome run(const QStringList &arguments, bool withDisplay)
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
    return outcome;
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
