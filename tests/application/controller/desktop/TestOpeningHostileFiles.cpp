// The built application meets what no document is: a named pipe handed over on the
// command line and by another program through org.freedesktop.Application.Open on
// a private session bus, a file of a gigabyte of comment, one of a 200 MB attribute,
// one request with hundreds of names that cannot be opened, and twenty refused files
// asked for in a row. Each is answered (the bus call returns, the application still
// answers Activate) with one alert.
// The measured times go to the test's output; nothing here asserts a time.
#include "application/base/BuildInfo.h"
#include "application/tree/DocumentFileFormat.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/PipeOpener.h"
#include "tests/support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace {

const QString Identifier = QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER);
const QString Interface = QStringLiteral("org.freedesktop.Application");
// A generous ceiling for anything to happen; the opens themselves take far less.
constexpr int Ceiling = 30000;

struct Window
{
    QString id;
    QString name;
};

// The visible top-level windows of a process, with their titles (the X server's view).
QList<Window> visibleWindows(qint64 pid)
{
    QByteArray out;
    desktoptest::runProgram(QStringLiteral("xdotool"),
                            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                             QString::number(pid)},
                            &out);
    QList<Window> windows;
    for (const QByteArray &id : out.split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        QByteArray name;
        desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::fromLatin1(id)},
                                &name);
        windows.append({QString::fromLatin1(id.trimmed()), QString::fromUtf8(name.trimmed())});
    }
    return windows;
}

// The document-opening alerts: message boxes carry the application's name as title.
int alertCount(qint64 pid)
{
    int count = 0;
    for (const Window &w : visibleWindows(pid))
        count += w.name == QStringLiteral(CHRONARK_BUNDLE_NAME);
    return count;
}

class OpeningHostileFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files.isValid());
        ASSERT_TRUE(bus.isRunning());
        const QString runtime = files.filePath(QStringLiteral("runtime"));
        ASSERT_TRUE(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        connection = bus.connection();
    }

    QString fifo(const QString &name)
    {
        const QString path = files.filePath(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return path;
    }

    bool instanceIsRunning() { return connection.interface()->isServiceRegistered(Identifier).value(); }

    // Calls a method of the running instance; answers whether it replied, and how
    // long the reply took in *milliseconds.
    bool call(const QString &method, const QList<QVariant> &arguments, qint64 *milliseconds = nullptr)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(Identifier, QStringLiteral("/org/chronark/Chronark"),
                                                              Interface, method);
        message.setArguments(arguments);
        QElapsedTimer timer;
        timer.start();
        const QDBusMessage reply = connection.call(message, QDBus::Block, Ceiling);
        if (milliseconds)
            *milliseconds = timer.elapsed();
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    bool open(const QStringList &paths, qint64 *milliseconds)
    {
        QStringList uris;
        for (const QString &path : paths)
            uris << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        return call(QStringLiteral("Open"), {uris, QVariantMap()}, milliseconds);
    }

    bool activate() { return call(QStringLiteral("Activate"), {QVariantMap()}); }

    // Waits for exactly one alert, closes it with Return and waits until it is gone.
    void expectOneAlertAndDismissIt(qint64 pid)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return alertCount(pid) >= 1; }, Ceiling));
        // Give a second alert, if one were queued, the time to show.
        ASSERT_TRUE(activate());
        EXPECT_EQ(alertCount(pid), 1);
        // Return, as a user answers it (the private X server has no window manager:
        // the alert gets the input focus directly).
        for (const Window &w : visibleWindows(pid)) {
            if (w.name != QStringLiteral(CHRONARK_BUNDLE_NAME))
                continue;
            desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), w.id});
            desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return alertCount(pid) == 0; }, Ceiling));
    }

    static void report(const char *what, qint64 milliseconds)
    {
        std::printf("[ measured ] %s: %lld ms\n", what, static_cast<long long>(milliseconds));
        std::fflush(stdout);
    }

    testsupport::ScopedXdgHome home;
    QTemporaryDir files;
    desktoptest::PrivateBus bus;
    QDBusConnection connection{QString()};
    QProcessEnvironment environment;
};

} // namespace

TEST_F(OpeningHostileFilesTest, ANamedPipeIsRefusedOnTheCommandLineAndOverTheBus)
{
    const QString pipe = fifo(QStringLiteral("f.xml"));
    // A program about to write into the pipe waits for a reader: it is never let through.
    testsupport::PipeOpener writer(pipe, O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, Ceiling));
    QElapsedTimer started;
    started.start();
    desktoptest::ScopedProcess chronark(QStringLiteral(CHRONARK_EXECUTABLE), {pipe}, environment);
    ASSERT_TRUE(chronark.isRunning());
    const qint64 pid = chronark.processId();
    // The launch refuses the pipe instead of waiting in it for a writer.
    ASSERT_TRUE(QTest::qWaitFor([&] { return instanceIsRunning(); }, Ceiling));
    ASSERT_TRUE(QTest::qWaitFor([&] { return alertCount(pid) >= 1; }, Ceiling));
    report("launch with a named pipe, to its alert (start-up included)", started.elapsed());
    EXPECT_TRUE(writer.isWaitingInOpen());
    expectOneAlertAndDismissIt(pid);

    // Another program hands the same pipe over: the call returns, the instance lives.
    qint64 took = 0;
    ASSERT_TRUE(open({pipe}, &took)) << "Open did not answer";
    report("Open of a named pipe over the bus", took);
    expectOneAlertAndDismissIt(pid);
    EXPECT_TRUE(activate());
    EXPECT_TRUE(chronark.isRunning());
    EXPECT_TRUE(writer.isWaitingInOpen());
}

// A pipe where the console log belongs (in the state folder) neither holds the launch
// nor is opened: the window shows, and a reader waiting at the pipe stays waiting.
TEST_F(OpeningHostileFilesTest, APipeInThePlaceOfTheConsoleLogDoesNotHoldTheLaunch)
{
    const QString state = environment.value(QStringLiteral("XDG_STATE_HOME"));
    ASSERT_FALSE(state.isEmpty());
    const QString log = state + QStringLiteral("/Chronark/console.log");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(log).absolutePath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    testsupport::PipeOpener reader(log, O_RDONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.isWaitingInOpen(); }, Ceiling));

    desktoptest::ScopedProcess chronark(QStringLiteral(CHRONARK_EXECUTABLE), {}, environment);
    ASSERT_TRUE(chronark.isRunning());
    const qint64 pid = chronark.processId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return instanceIsRunning() && !visibleWindows(pid).isEmpty(); }, Ceiling));
    EXPECT_TRUE(activate());
    EXPECT_TRUE(reader.isWaitingInOpen());
    EXPECT_TRUE(chronark.isRunning());
}

TEST_F(OpeningHostileFilesTest, AGigabyteCommentAndA200MegabyteAttributeAreRefusedAtOnce)
{
    // Written on the fly; the temporary folder goes with the test.
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">";
    const auto writeDocument = [&](const QString &name, const QByteArray &open, char fill, qint64 size,
                                   const QByteArray &close) {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(head + open);
        const QByteArray block(1 << 20, fill);
        for (qint64 written = 0; written < size; written += block.size())
            if (file.write(block) != block.size()) {
                ADD_FAILURE() << "the disk took only part of " << qPrintable(name);
            }
        file.write(close + "</Chronark>\n");
        return path;
    };
    const QString comment = writeDocument(QStringLiteral("comment.chronark"), "<!--", 'c', 1000LL << 20, "--><document/>");
    ASSERT_GT(QFileInfo(comment).size(), 1000LL << 20);
    ASSERT_LE(QFileInfo(comment).size(), DocumentFileFormat::MaximumFileSize) << "refused for its size alone";
    const QString attribute = writeDocument(QStringLiteral("attribute.chronark"), "<document itemName=\"", 'n',
                                            200LL << 20, "\"/>");

    desktoptest::ScopedProcess chronark(QStringLiteral(CHRONARK_EXECUTABLE), {}, environment);
    ASSERT_TRUE(chronark.isRunning());
    const qint64 pid = chronark.processId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return instanceIsRunning(); }, Ceiling));
    ASSERT_TRUE(activate());

    for (const QString &path : {comment, attribute}) {
        SCOPED_TRACE(qPrintable(path));
        qint64 took = 0;
        ASSERT_TRUE(open({path}, &took));
        report(qPrintable(QStringLiteral("Open of %1 (%2 MB)").arg(QFileInfo(path).fileName()).arg(QFileInfo(path).size() >> 20)),
               took);
        expectOneAlertAndDismissIt(pid);
    }
    EXPECT_TRUE(QFile::remove(comment));
    EXPECT_TRUE(QFile::remove(attribute));

    // The same through the command line of a later launch, handed to this one.
    const QString again = writeDocument(QStringLiteral("again.chronark"), "<!--", 'c', 1000LL << 20, "-->");
    QElapsedTimer timer;
    timer.start();
    QProcess later;
    later.setProcessEnvironment(environment);
    later.start(QStringLiteral(CHRONARK_EXECUTABLE), {again});
    ASSERT_TRUE(later.waitForFinished(Ceiling));
    EXPECT_EQ(later.exitCode(), 0);
    report("later launch with the 1 GB comment, handed over and answered", timer.elapsed());
    expectOneAlertAndDismissIt(pid);
    EXPECT_TRUE(QFile::remove(again));
    EXPECT_TRUE(activate());
}

TEST_F(OpeningHostileFilesTest, ManyNamesThatCannotBeOpenedGiveOneAlert)
{
    desktoptest::ScopedProcess chronark(QStringLiteral(CHRONARK_EXECUTABLE), {}, environment);
    ASSERT_TRUE(chronark.isRunning());
    const qint64 pid = chronark.processId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return instanceIsRunning(); }, Ceiling));
    ASSERT_TRUE(activate());

    QStringList paths;
    for (int i = 0; i < 300; ++i)
        paths << files.filePath(QStringLiteral("missing-%1.chronark").arg(i));
    paths << fifo(QStringLiteral("pipe.chronark")) << files.path();
    qint64 took = 0;
    ASSERT_TRUE(open(paths, &took));
    report("Open of 302 names that cannot be opened", took);
    expectOneAlertAndDismissIt(pid);
    EXPECT_TRUE(chronark.isRunning());
}

// Refused files asked for over the bus, twenty in a row, each alert answered by a key
// as a user answers it: one after the other, the next request sent as soon as the key
// is pressed (the alert before may still be closing), and all at once. Each request
// is told with an alert of its own, one alert shows at a time, and the alert that
// shows gets the keyboard (the private X server has no window manager: the alert
// takes the input focus itself), so that the key answers it.
TEST_F(OpeningHostileFilesTest, EveryRefusedFileAskedForOverTheBusIsToldInTurn)
{
    desktoptest::ScopedProcess chronark(QStringLiteral(CHRONARK_EXECUTABLE), {}, environment);
    ASSERT_TRUE(chronark.isRunning());
    const qint64 pid = chronark.processId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return instanceIsRunning(); }, Ceiling));
    ASSERT_TRUE(activate());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !visibleWindows(pid).isEmpty(); }, Ceiling));
    const QByteArray broken = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n<document ";
    constexpr int requests = 20;
    auto refusedFile = [&](const QString &kind, int i) {
        const QString path = files.filePath(QStringLiteral("refused-%1-%2.chronark").arg(kind).arg(i));
        EXPECT_TRUE(testsupport::writeFile(path, broken));
        return path;
    };
    // As a user does: the key once an alert has the keyboard. Answers that alert's
    // window.
    auto pressKey = [&](const char *key) {
        QString alert;
        const bool focused = QTest::qWaitFor([&] {
            QByteArray focus;
            desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, &focus);
            for (const Window &w : visibleWindows(pid)) {
                if (w.id == QString::fromLatin1(focus.trimmed()) && w.name == QStringLiteral(CHRONARK_BUNDLE_NAME))
                    alert = w.id;
            }
            return !alert.isEmpty();
        }, 3000);
        EXPECT_TRUE(focused) << "the alert shown did not get the keyboard";
        desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(key)});
        return alert;
    };
    auto isVisible = [&](const QString &id) {
        const QList<Window> windows = visibleWindows(pid);
        return std::any_of(windows.begin(), windows.end(), [&](const Window &w) { return w.id == id; });
    };
    // Answers the alerts as they show, one key each, until none shows for a while;
    // answers how many, and the most that stood at once.
    auto answerAlerts = [&](int *most) {
        int answered = 0;
        while (QTest::qWaitFor([&] { return alertCount(pid) >= 1; }, 3000)) {
            *most = std::max(*most, alertCount(pid));
            const QString alert = pressKey(answered % 2 ? "Escape" : "Return");
            ++answered;
            if (!QTest::qWaitFor([&] { return !isVisible(alert); }, 3000))
                break; // the key did not reach the alert
        }
        return answered;
    };

    // One after the other, without waiting for an answered alert to go: each request
    // gets an alert of its own (a window not seen before), and the key answers it.
    auto alertIds = [&] {
        QStringList ids;
        for (const Window &w : visibleWindows(pid)) {
            if (w.name == QStringLiteral(CHRONARK_BUNDLE_NAME))
                ids << w.id;
        }
        return ids;
    };
    QStringList seen;
    int most = 0;
    int told = 0;
    for (int i = 0; i < requests; ++i) {
        ASSERT_TRUE(open({refusedFile(QStringLiteral("row"), i)}, nullptr));
        QString fresh;
        if (!QTest::qWaitFor([&] {
                const QStringList ids = alertIds();
                most = std::max(most, int(ids.size()));
                for (const QString &id : ids) {
                    if (!seen.contains(id))
                        fresh = id;
                }
                return !fresh.isEmpty();
            }, 5000)) {
            ADD_FAILURE() << "request " << i << " was not told";
            continue;
        }
        seen << fresh;
        ++told;
        EXPECT_EQ(pressKey(i % 2 ? "Escape" : "Return"), fresh) << "the key went to another alert";
    }
    EXPECT_EQ(told, requests);
    EXPECT_EQ(answerAlerts(&most), 0);
    EXPECT_EQ(most, 1);

    // All at once.
    for (int i = 0; i < requests; ++i) {
        QDBusMessage message = QDBusMessage::createMethodCall(Identifier, QStringLiteral("/org/chronark/Chronark"),
                                                              Interface, QStringLiteral("Open"));
        message.setArguments({QStringList{QUrl::fromLocalFile(refusedFile(QStringLiteral("burst"), i)).toString()},
                              QVariantMap()});
        connection.asyncCall(message);
    }
    most = 0;
    EXPECT_EQ(answerAlerts(&most), requests);
    EXPECT_EQ(most, 1);
    EXPECT_EQ(alertCount(pid), 0);
    EXPECT_TRUE(activate());
    EXPECT_TRUE(chronark.isRunning());
}
