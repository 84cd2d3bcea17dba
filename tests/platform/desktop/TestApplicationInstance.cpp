// The running instance's requests from other programs, on a private bus: names of
// megabytes are cut as the request arrives, to the longest name a file can have,
// so that the request is answered and every name that reaches the application still
// names no file, failing as the whole name would; names a file can have pass whole.
// A request naming more files than the bound is refused whole, with an error; a
// launch hands more files than that in parts, and is told when the instance that
// runs does not answer within the hand-over's bound. Without a bus, the socket is
// used only in a folder of this user's alone, and only when it is this user's own.
#include "platform/desktop/ApplicationInstance.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/TestSupport.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Identifier = QStringLiteral("org.chronark.TestApplicationInstance");

// What the system answers when asked to open the path.
QString openingError(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return QString();
    return file.errorString();
}

} // namespace

TEST(ApplicationInstance, ANameIsCutOnlyPastTheLongestNameOfAFileAndNeverInsideAnEscape)
{
    constexpr qsizetype bound = platform::ApplicationInstance::MaximumUriLength;
    // The longest path, every byte percent-encoded, is a name a request may carry.
    QString longest = QStringLiteral("file:///");
    while (QUrl(longest + QStringLiteral("%41")).toLocalFile().toUtf8().size() <= 4095)
        longest += QStringLiteral("%41");
    EXPECT_EQ(QUrl(longest).toLocalFile().toUtf8().size(), 4095);
    EXPECT_LE(longest.size(), bound);
    EXPECT_EQ(platform::ApplicationInstance::boundedUri(longest), longest);
    const QString atTheBound = QStringLiteral("file:///") + QString(bound - 8, QLatin1Char('a'));
    EXPECT_EQ(platform::ApplicationInstance::boundedUri(atTheBound), atTheBound);

    // Past the bound: a prefix, whole escapes only, whole surrogate pairs only.
    for (int shift = 0; shift < 3; ++shift) {
        SCOPED_TRACE(shift);
        const QString name = QStringLiteral("file:///") + QString(shift, QLatin1Char('b'))
                             + QStringLiteral("%41").repeated(bound);
        const QString cut = platform::ApplicationInstance::boundedUri(name);
        EXPECT_LE(cut.size(), bound);
        EXPECT_GE(cut.size(), bound - 2);
        EXPECT_TRUE(name.startsWith(cut));
        EXPECT_EQ(cut.mid(8 + shift).size() % 3, 0) << "an escape was cut";
    }
    for (int shift = 0; shift < 2; ++shift) {
        SCOPED_TRACE(shift);
        const QString name = QStringLiteral("file:///") + QString(shift, QLatin1Char('c'))
                             + QStringLiteral("\U0001F600").repeated(bound);
        const QString cut = platform::ApplicationInstance::boundedUri(name);
        EXPECT_TRUE(name.startsWith(cut));
        EXPECT_FALSE(cut.back().isHighSurrogate());
    }
}

TEST(ApplicationInstance, RequestsWithNamesOfMegabytesAreAnsweredAndReachTheApplicationCut)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    platform::ApplicationInstance instance(Identifier, bus.connection());
    ASSERT_EQ(instance.claim({}), platform::ApplicationInstance::Role::Primary);
    QSignalSpy requests(&instance, &platform::ApplicationInstance::openRequested);
    const QString callerName = QStringLiteral("application-instance-caller");
    {
        QDBusConnection caller = QDBusConnection::connectToBus(bus.address(), callerName);
        ASSERT_TRUE(caller.isConnected());
        const QString folder = QStringLiteral("/tmp/chronark-no-such-folder/");
        const struct
        {
            const char *what;
            int count;
            qsizetype length;
        } cases[] = {{"one name of 16 MiB", 1, qsizetype(16) << 20}, {"64 names of 256 KiB", 64, qsizetype(256) << 10},
                     {"names a file can have", 3, 200}};
        for (const auto &c : cases) {
            SCOPED_TRACE(c.what);
            QStringList uris;
            QStringList whole;
            for (int i = 0; i < c.count; ++i) {
                const QString path = folder + QString::number(i) + QString(c.length, QLatin1Char('x'));
                whole << path;
                uris << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
            }
            QDBusMessage call = QDBusMessage::createMethodCall(Identifier, platform::ApplicationInstance::objectPath(Identifier),
                                                               QString::fromLatin1(platform::ApplicationInstance::Interface),
                                                               QStringLiteral("Open"));
            call << uris << QVariantMap();
            requests.clear();
            const QDBusPendingCall pending = caller.asyncCall(call, 60000);
            ASSERT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 60000));
            EXPECT_FALSE(pending.isError()) << qPrintable(pending.error().message());
            ASSERT_EQ(requests.size(), 1);
            const QStringList paths = requests.constFirst().constFirst().toStringList();
            ASSERT_EQ(paths.size(), c.count);
            for (int i = 0; i < c.count; ++i) {
                EXPECT_LE(paths.at(i).size(), platform::ApplicationInstance::MaximumUriLength);
                EXPECT_TRUE(whole.at(i).startsWith(paths.at(i)));
                if (whole.at(i).size() <= platform::ApplicationInstance::MaximumUriLength - 8) {
                    EXPECT_EQ(paths.at(i), whole.at(i));
                } else {
                    // Still no file's name, refused as the whole one is.
                    EXPECT_FALSE(openingError(paths.at(i)).isEmpty());
                    EXPECT_EQ(openingError(paths.at(i)), openingError(whole.at(i)));
                }
            }
        }
    }
    QDBusConnection::disconnectFromBus(callerName);
}

// More files than one request may name: refused whole before any name is looked at,
// and the caller is told why; as many as it may name are all passed on.
TEST(ApplicationInstance, ARequestOfMoreNamesThanTheBoundIsRefusedWholeAndTheCallerIsTold)
{
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    platform::ApplicationInstance instance(Identifier, bus.connection());
    ASSERT_EQ(instance.claim({}), platform::ApplicationInstance::Role::Primary);
    QSignalSpy requests(&instance, &platform::ApplicationInstance::openRequested);
    const QString callerName = QStringLiteral("application-instance-many");
    {
        QDBusConnection caller = QDBusConnection::connectToBus(bus.address(), callerName);
        ASSERT_TRUE(caller.isConnected());
        for (const qsizetype count : {platform::ApplicationInstance::MaximumRequestNames,
                                      platform::ApplicationInstance::MaximumRequestNames + 1}) {
            SCOPED_TRACE(count);
            QStringList uris;
            for (qsizetype i = 0; i < count; ++i)
                uris << QUrl::fromLocalFile(QStringLiteral("/tmp/chronark-no-such-folder/%1.chronark").arg(i)).toString();
            QDBusMessage call = QDBusMessage::createMethodCall(Identifier, platform::ApplicationInstance::objectPath(Identifier),
                                                               QString::fromLatin1(platform::ApplicationInstance::Interface),
                                                               QStringLiteral("Open"));
            call << uris << QVariantMap();
            requests.clear();
            const QDBusPendingCall pending = caller.asyncCall(call, 60000);
            ASSERT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 60000));
            if (count <= platform::ApplicationInstance::MaximumRequestNames) {
                EXPECT_FALSE(pending.isError()) << qPrintable(pending.error().message());
                ASSERT_EQ(requests.size(), 1);
                EXPECT_EQ(requests.constFirst().constFirst().toStringList().size(), count);
            } else {
                ASSERT_TRUE(pending.isError());
                EXPECT_EQ(pending.error().type(), QDBusError::LimitsExceeded);
                EXPECT_FALSE(pending.error().message().isEmpty());
                EXPECT_TRUE(requests.isEmpty());
            }
        }
    }
    QDBusConnection::disconnectFromBus(callerName);
}

// A running instance in a process of its own, on the private bus or (without one) the
// local socket: a later launch hands it 3,000 files in parts, all of them in their
// order; with the instance stopped (SIGSTOP) the launch is told that it does not
// answer, instead of running on its own with the same files, and the instance,
// once it goes on, opens the file it was handed.
TEST(ApplicationInstance, ManyFilesGoInPartsAndAStoppedInstanceIsToldAsNotAnswering)
{
    using Role = platform::ApplicationInstance::Role;
    const QByteArray childMode = qgetenv("CHRONARK_TEST_INSTANCE_CHILD");
    if (!childMode.isEmpty()) {
        const QDBusConnection bus = childMode == "socket"
            ? QDBusConnection(QStringLiteral("no bus"))
            : QDBusConnection::connectToBus(QString::fromLocal8Bit(childMode), QStringLiteral("instance-child"));
        platform::ApplicationInstance instance(Identifier, bus);
        QObject::connect(&instance, &platform::ApplicationInstance::openRequested, [](const QStringList &paths) {
            std::printf("child: opened %lld %s\n", qlonglong(paths.size()), qPrintable(paths.constFirst()));
            std::fflush(stdout);
        });
        if (instance.claim({}) != Role::Primary)
            return;
        std::printf("child: ready\n");
        std::fflush(stdout);
        QCoreApplication::exec();
        return;
    }

    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QTemporaryDir runtime;
    testsupport::ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QStringList files;
    for (int i = 0; i < 3000; ++i)
        files << QStringLiteral("/tmp/chronark-no-such-folder/%1.chronark").arg(i, 4, 10, QLatin1Char('0'));
    for (const bool onBus : {true, false}) {
        SCOPED_TRACE(onBus ? "bus" : "socket");
        QProcessEnvironment environment = testsupport::childEnvironment();
        environment.insert(QStringLiteral("CHRONARK_TEST_INSTANCE_CHILD"), onBus ? bus.address() : QStringLiteral("socket"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ApplicationInstance.ManyFilesGoInPartsAndAStoppedInstanceIsToldAsNotAnswering")});
        ASSERT_TRUE(child.waitForStarted(60000));
        // Stopped or not, the child goes when the case ends.
        const std::unique_ptr<QProcess, void (*)(QProcess *)> ending(&child, [](QProcess *process) {
            ::kill(pid_t(process->processId()), SIGCONT);
            process->kill();
            process->waitForFinished(60000);
        });
        // What the child says (its lines among Google Test's).
        QList<QByteArray> said;
        QByteArray output;
        const auto waitForLines = [&](int count) {
            return QTest::qWaitFor([&] {
                output += child.readAllStandardOutput();
                said.clear();
                for (const QByteArray &line : output.split('\n'))
                    if (line.startsWith("child: "))
                        said << line.mid(7);
                return said.size() >= count;
            }, 60000);
        };
        ASSERT_TRUE(waitForLines(1));
        ASSERT_EQ(said.constFirst(), "ready");

        const QDBusConnection launchBus = onBus ? bus.connection() : QDBusConnection(QStringLiteral("no bus"));
        {
            platform::ApplicationInstance launch(Identifier, launchBus);
            EXPECT_EQ(launch.claim(files), Role::HandedOver);
        }
        ASSERT_TRUE(waitForLines(4));
        EXPECT_EQ(said.mid(1, 3),
                  QList<QByteArray>({"opened 1024 " + files.at(0).toUtf8(), "opened 1024 " + files.at(1024).toUtf8(),
                                     "opened 952 " + files.at(2048).toUtf8()}));

        ASSERT_EQ(::kill(pid_t(child.processId()), SIGSTOP), 0);
        {
            platform::ApplicationInstance launch(Identifier, launchBus);
            EXPECT_EQ(launch.claim({files.at(7)}), Role::NotAnswering);
        }
        ASSERT_EQ(::kill(pid_t(child.processId()), SIGCONT), 0);
        ASSERT_TRUE(waitForLines(5));
        EXPECT_EQ(said.value(4), "opened 1 " + files.at(7).toUtf8());
    }
}

namespace {

// The folder of the socket without a session bus and without $XDG_RUNTIME_DIR.
QString fallbackFolder(const QTemporaryDir &temp)
{
    return temp.path() + QStringLiteral("/runtime-") + QString::number(::geteuid());
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A folder of temporary files with a short path: a socket's address holds at most 107
// bytes, and the test run's own temporary folder is already deep.
class ShortTemporaryDir : public QTemporaryDir
{
public:
    ShortTemporaryDir() : QTemporaryDir(QStringLiteral("/tmp/ai-XXXXXX")) {}
};

// A claim without a bus: its role, and the lines it logged about refusing the socket.
std::pair<platform::ApplicationInstance::Role, int> claimOnSocket(const QStringList &files = {})
{
    testsupport::CapturedLog log;
    platform::ApplicationInstance launch(Identifier, QDBusConnection(QStringLiteral("no bus")));
    const platform::ApplicationInstance::Role role = launch.claim(files);
    return {role, int(log.linesContaining(QStringLiteral("Not using the socket for one running instance")).size())};
}

} // namespace

// Without a session bus and $XDG_RUNTIME_DIR the socket goes into a folder of the
// temporary files named by the user's id, made for this user alone; one of this
// user's that others may enter is closed first. A link in the folder's or the
// socket's place is never followed: the launch says so once and runs on its own.
TEST(ApplicationInstance, TheSocketsFolderIsThisUsersAloneAndNoLinkIsFollowed)
{
    using Role = platform::ApplicationInstance::Role;
    ShortTemporaryDir temp;
    testsupport::ScopedEnv tempFolder("TMPDIR", QFile::encodeName(temp.path()));
    testsupport::ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", QByteArray());
    const QString folder = fallbackFolder(temp);
    const QString socket = folder + QLatin1Char('/') + Identifier + QStringLiteral(".instance");
    {
        platform::ApplicationInstance first(Identifier, QDBusConnection(QStringLiteral("no bus")));
        EXPECT_EQ(first.socketPath(), socket);
        EXPECT_EQ(first.claim({}), Role::Primary);
        EXPECT_EQ(modeOf(folder), 0700);
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(socket).constData(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
    }
    // Opened to everyone: closed, then used.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    EXPECT_EQ(claimOnSocket(), std::make_pair(Role::Primary, 0));
    EXPECT_EQ(modeOf(folder), 0700);

    // A link to a private folder of this user's in the folder's place.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir().rename(folder, temp.path() + QStringLiteral("/moved")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder));
    EXPECT_EQ(claimOnSocket(), std::make_pair(Role::Standalone, 1));
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot));
    ASSERT_TRUE(QFile::remove(folder));

    // A link to a listening socket of this user's in the socket's place.
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(elsewhere.filePath(QStringLiteral("listening"))));
    ASSERT_TRUE(QFile::link(listener.fullServerName(), socket));
    EXPECT_EQ(claimOnSocket({QStringLiteral("/tmp/b.chronark")}), std::make_pair(Role::Standalone, 1));
    QCoreApplication::processEvents();
    EXPECT_FALSE(listener.hasPendingConnections());
    EXPECT_TRUE(QFileInfo(socket).isSymLink()) << "the link was removed";
}

// Made by another user (here uid 65534, by the test as the super-user): neither a
// folder of theirs, open to everyone, with their listening socket, nor their socket
// in this user's folder is used; the launch says so once and runs on its own, and
// nothing reaches their socket.
TEST(ApplicationInstance, AFolderOrSocketOfAnotherUserIsNeverUsed)
{
    using Role = platform::ApplicationInstance::Role;
    if (::geteuid() != 0)
        GTEST_SKIP() << "making files of another user needs the super-user";
    constexpr uid_t other = 65534;
    ShortTemporaryDir temp;
    testsupport::ScopedEnv tempFolder("TMPDIR", QFile::encodeName(temp.path()));
    testsupport::ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", QByteArray());
    const QString folder = fallbackFolder(temp);
    const QString socket = folder + QLatin1Char('/') + Identifier + QStringLiteral(".instance");
    for (const bool theirFolder : {true, false}) {
        SCOPED_TRACE(theirFolder ? "their folder" : "their socket in ours");
        ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
        QLocalServer theirs;
        theirs.setSocketOptions(QLocalServer::WorldAccessOption);
        ASSERT_TRUE(theirs.listen(socket));
        ASSERT_EQ(::chown(QFile::encodeName(socket).constData(), other, other), 0);
        if (theirFolder) {
            ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), other, other), 0);
            ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
        }
        EXPECT_EQ(claimOnSocket({QStringLiteral("/tmp/c.chronark")}), std::make_pair(Role::Standalone, 1));
        QCoreApplication::processEvents();
        EXPECT_FALSE(theirs.hasPendingConnections()) << "their socket was handed the request";
        EXPECT_EQ(modeOf(folder), theirFolder ? 0777 : 0700);
        EXPECT_TRUE(QFileInfo::exists(socket)) << "their socket was removed";
        theirs.close();
        ASSERT_TRUE(QDir(folder).removeRecursively());
    }
}
