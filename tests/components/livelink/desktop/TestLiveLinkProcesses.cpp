// Live links between two real processes on a private bus under Xvfb: the test is
// the client, tests/components/livelink/programs/LiveLinkTestEditor the server
// application (its item comes through the X clipboard).
#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkBus.h"
#include "components/livelink/LiveLinkConnectionName.h"
#include "components/livelink/LiveLinkData.h"
#include "components/livelink/LiveLinkItemKey.h"
#include "components/livelink/LiveLinkServer.h"
#include "components/livelink/LiveLinkServerDelegate.h"
#include "components/livelink/LiveLinkServerLookup.h"
#include "components/livelink/LiveLinkUserInterface.h"
#include "platform/foundation/Bundle.h"
#include "tests/support/DesktopTestSupport.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <map>
#include <random>
#include <set>
#include <gtest/gtest.h>

namespace {

const QString EditorBundleId = QStringLiteral("org.chronark.tests.LiveLinkEditor");
const QString ClientBundleId = QStringLiteral("org.chronark.tests.LiveLinkClient");

class RecordingDelegate : public LiveLinkServerDelegate
{
public:
    void liveLinkClientDidRequestEdit(LiveLink *link) override { requests.append(link); }
    void liveLinkServerDidSendEdit(LiveLink *link) override
    {
        ++edits;
        lastAppData = LiveLinkData::liveLinkAppData(LiveLinkData::fromMimeData(link->pasteboard()).value_or(QVariantMap()));
    }
    void liveLinkDidClose(LiveLink *link) override { closed.append(link->itemKey()); }

    QList<LiveLink *> requests;
    int edits = 0;
    QVariant lastAppData;
    QStringList closed;
};

class RecordingUserInterface : public LiveLinkUserInterface
{
public:
    void showServerNotFoundAlert(const QString &title, const QString &, const QString &, const QString &,
                                 const QUrl &url) override
    {
        alerts.append({title, url});
    }
    void presentError(const QString &text, const QString &) override { errors.append(text); }
    void openUrl(const QUrl &) override {}

    QList<QPair<QString, QUrl>> alerts;
    QStringList errors;
};

QString serverBusName()
{
    return LiveLinkServerConnectionName(EditorBundleId, QStringLiteral("Editor"));
}

// Publishes a server of this process and answers what the bus said.
bool publish(const QString &name, LiveLinkServerDelegate *delegate)
{
    std::optional<bool> published;
    LiveLink::publishServerWithName(name, delegate, [&published](bool answer) { published = answer; });
    EXPECT_FALSE(published.has_value()); // answered later, never inside the call
    EXPECT_TRUE(QTest::qWaitFor([&] { return published.has_value(); }, 10000));
    return published.value_or(false);
}

// A desktop entry of an application that serves the servers, in a folder of
// applications of its own (XDG_DATA_HOME for the length of the object).
class ApplicationEntry
{
public:
    ApplicationEntry(const QString &bundleIdentifier, const QString &servers, const QString &exec)
    {
        const QString folder = m_home.filePath(QStringLiteral("data/applications"));
        QDir().mkpath(folder);
        QFile entry(folder + QStringLiteral("/entry.desktop"));
        if (entry.open(QIODevice::WriteOnly))
            entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Entry\nExec=%1\n"
                                       "X-LiveLink-BundleId=%2\nX-LiveLink-Server=%3\n")
                            .arg(exec, bundleIdentifier, servers)
                            .toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_DATA_DIRS", m_home.filePath(QStringLiteral("none")).toUtf8());
    }
    ~ApplicationEntry()
    {
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
    }

private:
    QTemporaryDir m_home;
};

class LiveLinkProcesses : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_bus.isRunning());
        LiveLinkBus::setAddress(m_bus.address());
        m_info = platform::Bundle::mainBundle().infoDictionary();
        platform::Bundle::mainBundle().setInfoDictionary({{QStringLiteral("CFBundleIdentifier"), ClientBundleId}});
        LiveLinkUserInterface::setCurrent(&m_userInterface);
    }
    void TearDown() override
    {
        m_editor.reset();
        LiveLinkUserInterface::setCurrent(nullptr);
        platform::Bundle::mainBundle().setInfoDictionary(m_info);
        LiveLinkBus::setAddress(QString());
    }

    // Publishes the server "Editor" in this process, as the editor application would.
    static bool publishAsEditor(LiveLinkServerDelegate *delegate)
    {
        platform::Bundle::mainBundle().setInfoDictionary({{QStringLiteral("CFBundleIdentifier"), EditorBundleId}});
        return publish(QStringLiteral("Editor"), delegate);
    }

    QProcessEnvironment editorEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return environment;
    }

    void startEditor()
    {
        m_editor = std::make_unique<desktoptest::ScopedProcess>(QStringLiteral(LIVELINK_TEST_EDITOR), QStringList(),
                                                                editorEnvironment());
        ASSERT_FALSE(waitForLine(QStringLiteral("copied")).isEmpty());
    }

    // Waits for a line of the editor's that starts with the prefix; answers it.
    QString waitForLine(const QString &prefix, int ceilingMs = 15000)
    {
        QString found;
        (void)QTest::qWaitFor([&] {
            m_output += QString::fromUtf8(m_editor->process().readAllStandardOutput());
            for (const QString &line : m_output.split(u'\n')) {
                if (line.startsWith(prefix)) {
                    found = line;
                    m_output.remove(0, m_output.indexOf(line) + line.size());
                    return true;
                }
            }
            return m_editor->process().state() != QProcess::Running;
        }, ceilingMs);
        return found;
    }

    void tellEditor(const QByteArray &command)
    {
        m_editor->process().write(command + '\n');
        m_editor->process().waitForBytesWritten(5000);
    }

    // The editor's item, pasted from the clipboard.
    QVariantMap pastedData()
    {
        std::optional<QVariantMap> data;
        (void)QTest::qWaitFor([&] {
            data = LiveLinkData::fromMimeData(QGuiApplication::clipboard()->mimeData());
            return data.has_value();
        }, 10000);
        EXPECT_TRUE(data);
        return data.value_or(QVariantMap());
    }

    desktoptest::PrivateBus m_bus;
    std::unique_ptr<desktoptest::ScopedProcess> m_editor;
    QString m_output;
    RecordingDelegate m_delegate;
    RecordingUserInterface m_userInterface;
    QVariantMap m_info;
};

} // namespace

TEST_F(LiveLinkProcesses, PasteEditAndRefreshOverOneLink)
{
    startEditor();
    const QVariantMap data = pastedData();
    EXPECT_EQ(LiveLinkData::liveLinkSourceApplicationName(data), QFileInfo(QStringLiteral(LIVELINK_TEST_EDITOR)).fileName());
    const QString key = LiveLinkCreateItemKey();

    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("My Document"), &m_delegate, key);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), link);
    const QString firstEdit = waitForLine(QStringLiteral("edited ") + key);
    ASSERT_FALSE(firstEdit.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1; }, 10000));
    EXPECT_EQ(m_delegate.lastAppData.toString(), QStringLiteral("v1+edited"));

    // Edit again: the same link, the same server end (no second InitiateLink).
    QVariantMap again = data;
    again.insert(LiveLinkData::AppDataKey, m_delegate.lastAppData);
    EXPECT_EQ(LiveLink::editLiveLinkData(again, QStringLiteral("My Document"), &m_delegate, key), link);
    EXPECT_EQ(waitForLine(QStringLiteral("edited ") + key), firstEdit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 2; }, 10000));
    EXPECT_EQ(m_delegate.lastAppData.toString(), QStringLiteral("v1+edited+edited"));
    link->closeLink();
}

TEST_F(LiveLinkProcesses, ClosingTellsOnlyTheOtherEndAndStrangersAreRefused)
{
    startEditor();
    const QVariantMap data = pastedData();

    // The client closes: the editor hears it, the client's delegate does not.
    const QString first = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, first);
    ASSERT_NE(link, nullptr);
    ASSERT_FALSE(waitForLine(QStringLiteral("edited ") + first).isEmpty());
    link->closeLink();
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(first), nullptr);
    EXPECT_EQ(waitForLine(QStringLiteral("closed ")), QStringLiteral("closed ") + first);

    // A stranger's RemoteCloseLink at the editor's end is refused; the link goes on.
    const QString second = LiveLinkCreateItemKey();
    ASSERT_NE(LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, second), nullptr);
    const QString serverEnd = waitForLine(QStringLiteral("edited ") + second).section(u' ', 2);
    ASSERT_TRUE(serverEnd.startsWith(QStringLiteral("/LiveLink/")));
    QProcess stranger;
    stranger.start(QStringLiteral("dbus-send"),
                   {QStringLiteral("--bus=") + m_bus.address(), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=") + serverBusName(), serverEnd,
                    QStringLiteral("org.chronark.LiveLink.RemoteCloseLink")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return stranger.state() == QProcess::NotRunning; }, 15000));
    EXPECT_NE(stranger.exitCode(), 0);
    EXPECT_TRUE(stranger.readAllStandardError().contains("NotPeer"));
    const int editsBefore = m_delegate.edits;
    ASSERT_NE(LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, second), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits > editsBefore; }, 10000));

    // The editor closes: the client hears it, the editor's own delegate does not.
    tellEditor("close");
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.closed == QStringList{second}; }, 10000));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(second), nullptr);
    tellEditor("quit");
    ASSERT_TRUE(m_editor->process().waitForFinished(10000));
    EXPECT_FALSE(m_output.contains(QStringLiteral("closed")) || m_editor->process().readAllStandardOutput().contains("closed"));
}

TEST_F(LiveLinkProcesses, AKilledServerClosesTheLink)
{
    startEditor();
    const QString key = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(pastedData(), QStringLiteral("doc"), &m_delegate, key);
    ASSERT_NE(link, nullptr);
    ASSERT_FALSE(waitForLine(QStringLiteral("edited ") + key).isEmpty());

    ::kill(pid_t(m_editor->processId()), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.closed == QStringList{key}; }, 10000));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), nullptr);
}

TEST_F(LiveLinkProcesses, PublishingTakenNamesAndMissingServers)
{
    RecordingDelegate serverDelegate;
    EXPECT_TRUE(publish(QStringLiteral("Spare"), &serverDelegate));
    EXPECT_FALSE(publish(QStringLiteral("Spare"), &serverDelegate));
    LiveLink::retractServerWithName(QStringLiteral("Spare"));
    LiveLink::retractServerWithName(QStringLiteral("Spare")); // nothing published: nothing happens
    EXPECT_TRUE(publish(QStringLiteral("Spare"), &serverDelegate));
    LiveLink::retractServerWithName(QStringLiteral("Spare"));

    // A server made directly is retracted by name but stays its maker's to free.
    {
        LiveLinkServer own(QStringLiteral("Own"), &serverDelegate);
        std::optional<bool> published;
        own.publish([&published](bool answer) { published = answer; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return published.has_value(); }, 10000));
        EXPECT_TRUE(*published);
        EXPECT_EQ(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Own")), &own);
        LiveLink::retractServerWithName(QStringLiteral("Own"));
        EXPECT_FALSE(own.isPublished());
        EXPECT_EQ(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Own")), nullptr);
    }

    // Another process holds the name: the bus refuses it.
    desktoptest::FakeDBusService holder(LiveLinkServerConnectionName(ClientBundleId, QStringLiteral("Held")),
                                       QStringLiteral("/Held"), [](const QDBusMessage &call) { return call.createReply(); },
                                       m_bus.address());
    ASSERT_TRUE(holder.isRegistered());
    EXPECT_FALSE(publish(QStringLiteral("Held"), &serverDelegate));
    EXPECT_EQ(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Held")), nullptr);

    // No server and no application: the alert (only an http(s) address is offered),
    // no link. A search folder that does not exist is no error.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_DATA_DIRS", home.filePath(QStringLiteral("missing")).toUtf8());
    QVariantMap missing{{QStringLiteral("bundleId"), QStringLiteral("org.example.Missing")},
                        {QStringLiteral("serverName"), QStringLiteral("Nope")},
                        {QStringLiteral("serverAppName"), QStringLiteral("missing-app")},
                        {QStringLiteral("ApplicationURL"), QStringLiteral("https://example.org/get")}};
    // The link is answered at once and closes when the bus has said that nobody serves it.
    const QString first = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(missing, QStringLiteral("doc"), &m_delegate, first);
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->isConnecting());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(first), link);
    missing.insert(QStringLiteral("ApplicationURL"), QStringLiteral("file:///etc/passwd"));
    const QString second = LiveLinkCreateItemKey();
    ASSERT_NE(LiveLink::editLiveLinkData(missing, QStringLiteral("doc"), &m_delegate, second), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.closed.size() == 2; }, 10000));
    EXPECT_EQ(m_delegate.closed, (QStringList{first, second}));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(first), nullptr);
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(second), nullptr);
    ASSERT_EQ(m_userInterface.alerts.size(), 2);
    EXPECT_TRUE(m_userInterface.alerts[0].first.contains(QStringLiteral("missing-app")));
    EXPECT_EQ(m_userInterface.alerts[0].second, QUrl(QStringLiteral("https://example.org/get")));
    EXPECT_TRUE(m_userInterface.alerts[1].second.isEmpty());
    EXPECT_TRUE(m_userInterface.errors.isEmpty());
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

TEST_F(LiveLinkProcesses, TheServerApplicationIsLaunchedByNameFromPath)
{
    // Its entry lies three folders deep; the program is found on PATH.
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("data/applications/a/b/c"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile entry(folder + QStringLiteral("/editor.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Editor\nExec=livelink-test-editor\n"
                "X-LiveLink-BundleId=org.chronark.tests.LiveLinkEditor\nX-LiveLink-Server=Viewer;Editor\n");
    entry.close();
    const QByteArray savedPath = qgetenv("PATH");
    const QByteArray savedBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_DATA_DIRS", home.filePath(QStringLiteral("none")).toUtf8());
    qputenv("PATH", QFileInfo(QStringLiteral(LIVELINK_TEST_EDITOR)).absolutePath().toUtf8() + ':' + savedPath);
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());

    const QVariantMap data{{QStringLiteral("bundleId"), EditorBundleId},
                           {QStringLiteral("serverName"), QStringLiteral("Editor")},
                           {QStringLiteral("serverAppName"), QStringLiteral("livelink-test-editor")},
                           {QStringLiteral("appData"), QStringLiteral("w")}};
    const QString key = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key);
    ASSERT_NE(link, nullptr);
    // The editor is started once the bus has said that nobody serves the name, and the
    // link opens when the started editor takes it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1 || !m_delegate.closed.isEmpty(); }, 20000));

    qputenv("PATH", savedPath);
    qputenv("DBUS_SESSION_BUS_ADDRESS", savedBus);
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
    // Stop the launched editor by its process id, which the bus knows.
    const QDBusReply<uint> pid = m_bus.connection().interface()->servicePid(serverBusName());

    EXPECT_EQ(m_delegate.edits, 1);
    EXPECT_EQ(m_delegate.lastAppData.toString(), QStringLiteral("w+edited"));
    EXPECT_TRUE(m_userInterface.alerts.isEmpty());
    ASSERT_TRUE(pid.isValid());
    ::kill(pid_t(pid.value()), SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_delegate.closed == QStringList{key}; }, 10000));
}

TEST_F(LiveLinkProcesses, AnApplicationServingItsOwnItemKeepsTheClientsEntry)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publish(QStringLiteral("Self"), &serverDelegate));
    const QString key = LiveLinkCreateItemKey();
    LiveLink *client = LiveLink::editLiveLinkData(
        LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Self"), QStringLiteral("x")), QStringLiteral("doc"),
        &m_delegate, key);
    ASSERT_NE(client, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 1; }, 10000));
    LiveLink *serverEnd = serverDelegate.requests.first();
    ASSERT_NE(serverEnd, client);
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), client);

    // The server's end closes: the client's entry stays until the client hears of it.
    serverEnd->closeLink();
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), client);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.closed == QStringList{key}; }, 10000));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), nullptr);
    EXPECT_TRUE(serverDelegate.closed.isEmpty());
    LiveLink::retractServerWithName(QStringLiteral("Self"));
}

TEST_F(LiveLinkProcesses, CrossingEditsBetweenTwoProcessesAllArriveAndNoLinkCloses)
{
    startEditor();
    const QVariantMap data = pastedData();
    const QString key = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key);
    ASSERT_NE(link, nullptr);
    ASSERT_FALSE(waitForLine(QStringLiteral("edited ") + key).isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1; }, 10000));

    // Both sides send at once, ten calls per event-loop pass each: the editor its
    // edits, this process its edit requests, so calls in both directions are under
    // way together over and over.
    constexpr int Count = 1000;
    tellEditor("storm " + QByteArray::number(Count));
    ASSERT_FALSE(waitForLine(QStringLiteral("storm-started")).isEmpty());
    int sent = 0;
    QTimer sender;
    QObject::connect(&sender, &QTimer::timeout, [&] {
        for (int i = 0; i < 10 && sent < Count; ++i, ++sent) {
            QVariantMap request = data;
            request.insert(LiveLinkData::AppDataKey, QStringLiteral("c-%1").arg(sent));
            LiveLink::editLiveLinkData(request, QStringLiteral("doc"), &m_delegate, key);
        }
        if (sent == Count)
            sender.stop();
    });
    sender.start(0);

    EXPECT_EQ(waitForLine(QStringLiteral("storm-received"), 60000).section(u' ', 0, 1).toStdString(),
              QStringLiteral("storm-received %1").arg(Count).toStdString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1 + Count || !m_delegate.closed.isEmpty(); }, 60000));
    EXPECT_EQ(sent, Count);
    EXPECT_EQ(m_delegate.edits, 1 + Count);
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    EXPECT_TRUE(link->isOpen());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), link);

    // The link is whole afterwards: a request is answered with its own data edited.
    QVariantMap last = data;
    last.insert(LiveLinkData::AppDataKey, QStringLiteral("last"));
    EXPECT_EQ(LiveLink::editLiveLinkData(last, QStringLiteral("doc"), &m_delegate, key), link);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 2 + Count; }, 10000));
    EXPECT_EQ(m_delegate.lastAppData.toString(), QStringLiteral("last+edited"));
    tellEditor("quit");
    ASSERT_TRUE(m_editor->process().waitForFinished(10000));
    m_output += QString::fromUtf8(m_editor->process().readAllStandardOutput());
    EXPECT_FALSE(m_output.contains(QStringLiteral("closed")));
}

TEST_F(LiveLinkProcesses, RetractingReleasesTheNameWhileItsLinksStayOpen)
{
    startEditor();
    const QVariantMap data = pastedData();
    const QString first = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, first);
    ASSERT_NE(link, nullptr);
    const QString firstEnd = waitForLine(QStringLiteral("edited ") + first).section(u' ', 2);
    ASSERT_FALSE(firstEnd.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1; }, 10000));

    tellEditor("retract");
    ASSERT_FALSE(waitForLine(QStringLiteral("retracted")).isEmpty());
    QDBusConnectionInterface *bus = m_bus.connection().interface();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bus->isServiceRegistered(serverBusName()).value(); }, 10000));

    // The open link goes on working.
    QVariantMap again = data;
    again.insert(LiveLinkData::AppDataKey, m_delegate.lastAppData);
    EXPECT_EQ(LiveLink::editLiveLinkData(again, QStringLiteral("doc"), &m_delegate, first), link);
    EXPECT_EQ(waitForLine(QStringLiteral("edited ") + first).section(u' ', 2), firstEnd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 2; }, 10000));
    EXPECT_EQ(m_delegate.lastAppData.toString(), QStringLiteral("v1+edited+edited"));

    // The name can be published again at once; a new client reaches the new server.
    tellEditor("publish");
    EXPECT_EQ(waitForLine(QStringLiteral("publish")), QStringLiteral("published"));
    const QString second = LiveLinkCreateItemKey();
    ASSERT_NE(LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, second), nullptr);
    const QString secondEnd = waitForLine(QStringLiteral("edited ") + second).section(u' ', 2);
    EXPECT_FALSE(secondEnd.isEmpty());
    EXPECT_NE(secondEnd, firstEnd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 3; }, 10000));
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    EXPECT_TRUE(m_userInterface.alerts.isEmpty());

    // Both links close when the editor closes them.
    tellEditor("close");
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.closed.size() == 2; }, 10000));
    EXPECT_EQ(QSet<QString>(m_delegate.closed.cbegin(), m_delegate.closed.cend()), (QSet<QString>{first, second}));
}

TEST_F(LiveLinkProcesses, RetractingInThisProcessFreesTheNameAndKeepsTheOpenEnd)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publish(QStringLiteral("Self"), &serverDelegate));
    const QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Self"), QStringLiteral("x"));
    const QString key = LiveLinkCreateItemKey();
    LiveLink *client = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key);
    ASSERT_NE(client, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 1; }, 10000));
    const std::shared_ptr<LiveLink> serverEnd = serverDelegate.requests.first()->sharedLink();

    LiveLink::retractServerWithName(QStringLiteral("Self"));
    EXPECT_EQ(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Self")), nullptr);
    RecordingDelegate secondDelegate;
    ASSERT_TRUE(publish(QStringLiteral("Self"), &secondDelegate));

    // The first server's end and the client still talk both ways.
    serverEnd->sendEdit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1; }, 10000));
    EXPECT_EQ(LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key), client);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 2; }, 10000));
    EXPECT_EQ(serverDelegate.requests.last(), serverEnd.get());

    // A new client reaches the new server.
    const QString other = LiveLinkCreateItemKey();
    LiveLink *otherClient = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, other);
    ASSERT_TRUE(QTest::qWaitFor([&] { return secondDelegate.requests.size() == 1; }, 10000));
    EXPECT_EQ(secondDelegate.requests.first()->itemKey(), other);

    client->closeLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed == QStringList{key}; }, 10000));
    EXPECT_FALSE(serverEnd->isOpen());
    otherClient->closeLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return secondDelegate.closed == QStringList{other}; }, 10000));
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    LiveLink::retractServerWithName(QStringLiteral("Self"));
}

TEST_F(LiveLinkProcesses, AServerPublishedWhileTheClientWaitsIsFound)
{
    // The application is known (so nothing is launched by name) but not running.
    ApplicationEntry entry(ClientBundleId, QStringLiteral("Later"), QStringLiteral("true"));
    QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Later"), QStringLiteral("x"));
    data.remove(LiveLinkData::ServerAppNameKey);
    const QString key = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key);
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->isConnecting());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), link);

    // This thread goes on serving its events while the client waits for the server.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 5; }, 10000));
    EXPECT_TRUE(link->isConnecting());

    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publish(QStringLiteral("Later"), &serverDelegate));
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 1; }, 10000));
    EXPECT_TRUE(link->isOpen());
    EXPECT_EQ(serverDelegate.requests.first()->itemKey(), key);
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    EXPECT_TRUE(m_userInterface.alerts.isEmpty());
    link->closeLink();
    LiveLink::retractServerWithName(QStringLiteral("Later"));
}

TEST_F(LiveLinkProcesses, AServerThatNeverComesClosesTheLinkAfterTheTimeLimit)
{
    ApplicationEntry entry(ClientBundleId, QStringLiteral("Never"), QStringLiteral("true"));
    QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Never"), QStringLiteral("x"));
    data.remove(LiveLinkData::ServerAppNameKey);
    const QString key = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key);
    ASSERT_NE(link, nullptr);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_delegate.closed.isEmpty(); }, 3 * LiveLinkServerLookup::WaitForServerMs));
    EXPECT_EQ(m_delegate.closed, QStringList{key});
    EXPECT_GT(ticks, 1);
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), nullptr);
    EXPECT_TRUE(m_userInterface.alerts.isEmpty());
}

TEST_F(LiveLinkProcesses, ClosingAConnectingLinkSendsNothingAndTellsNobody)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publish(QStringLiteral("Self"), &serverDelegate));
    const QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Self"), QStringLiteral("x"));
    const QString closed = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, closed);
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(link->isConnecting());
    link->closeLink();
    EXPECT_FALSE(link->isConnecting());
    EXPECT_FALSE(link->isOpen());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(closed), nullptr);

    // A later link of the same server goes through; the closed one never reached it.
    const QString open = LiveLinkCreateItemKey();
    LiveLink *next = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, open);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 1; }, 10000));
    serverDelegate.requests.first()->sendEdit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1; }, 10000));
    EXPECT_EQ(serverDelegate.requests.first()->itemKey(), open);
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    EXPECT_TRUE(serverDelegate.closed.isEmpty());
    next->closeLink();
    LiveLink::retractServerWithName(QStringLiteral("Self"));
}

TEST_F(LiveLinkProcesses, ClosingsThatCrossOnTheBusTellNeitherEnd)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publish(QStringLiteral("Self"), &serverDelegate));
    const QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Self"), QStringLiteral("x"));
    const QString key = LiveLinkCreateItemKey();
    const std::shared_ptr<LiveLink> client =
        LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, key)->sharedLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 1; }, 10000));
    const std::shared_ptr<LiveLink> serverEnd = serverDelegate.requests.first()->sharedLink();
    ASSERT_TRUE(client->isOpen());

    // The server's end closes, and the client closes while that closing is on its
    // way: each closing reaches an end that is closed already.
    serverEnd->closeLink();
    client->closeLink();
    EXPECT_FALSE(serverEnd->isOpen());
    EXPECT_FALSE(client->isOpen());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), nullptr);

    // A later link between the same two connections: its request and its edit travel
    // behind the two closings, so once both have arrived the closings were handled.
    const QString later = LiveLinkCreateItemKey();
    LiveLink *next = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &m_delegate, later);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.requests.size() == 2; }, 10000));
    EXPECT_EQ(serverDelegate.requests.last()->itemKey(), later);
    serverDelegate.requests.last()->sendEdit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_delegate.edits == 1; }, 10000));
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    EXPECT_TRUE(serverDelegate.closed.isEmpty());

    // The later link's closing is told to the other end only.
    next->closeLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed == QStringList{later}; }, 10000));
    EXPECT_TRUE(m_delegate.closed.isEmpty());
    LiveLink::retractServerWithName(QStringLiteral("Self"));
}

namespace {

// Keeps every link it hears of (so no address is reused) and counts per item key.
class TrackingDelegate : public LiveLinkServerDelegate
{
public:
    void liveLinkClientDidRequestEdit(LiveLink *link) override
    {
        ends.insert(link->sharedLink());
        ++requests[link->itemKey()];
    }
    void liveLinkServerDidSendEdit(LiveLink *link) override { ++edits[link->itemKey()]; }
    void liveLinkDidClose(LiveLink *link) override
    {
        kept.insert(link->sharedLink());
        ++closings[link];
    }

    std::set<std::shared_ptr<LiveLink>> ends;
    std::set<std::shared_ptr<LiveLink>> kept;
    QHash<QString, int> requests;
    QHash<QString, int> edits;
    QHash<const LiveLink *, int> closings;
};

} // namespace

TEST_F(LiveLinkProcesses, RandomEditsAndClosingsKeepBothEndsInAgreement)
{
    TrackingDelegate server;
    TrackingDelegate client;
    ASSERT_TRUE(publish(QStringLiteral("Random"), &server));
    const QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Random"), QStringLiteral("x"));
    QStringList keys;
    for (int i = 0; i < 4; ++i)
        keys.append(LiveLinkCreateItemKey());
    std::vector<std::shared_ptr<LiveLink>> clients;
    std::set<const LiveLink *> closedHere;
    const auto openEnds = [&] {
        std::vector<std::shared_ptr<LiveLink>> open;
        for (const std::shared_ptr<LiveLink> &end : server.ends) {
            if (end->isOpen())
                open.push_back(end);
        }
        return open;
    };

    std::mt19937 random(54);
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        const QString key = keys.at(int(random() % keys.size()));
        LiveLink *held = LiveLink::activeLiveLinkForItemKey(key);
        switch (random() % 5) {
        case 0:
        case 1: {
            QVariantMap request = data;
            request.insert(LiveLinkData::AppDataKey, QStringLiteral("%1-%2").arg(key).arg(step));
            LiveLink *link = LiveLink::editLiveLinkData(request, QStringLiteral("doc"), &client, key);
            ASSERT_NE(link, nullptr);
            EXPECT_FALSE(link->isServer());
            if (link != held)
                clients.push_back(link->sharedLink());
            break;
        }
        case 2:
            if (held) {
                clients.push_back(held->sharedLink()); // kept, so its address names it alone
                closedHere.insert(held);
                held->closeLink();
            }
            break;
        case 3: {
            const std::vector<std::shared_ptr<LiveLink>> open = openEnds();
            if (!open.empty()) {
                LiveLink *end = open.at(random() % open.size()).get();
                if (random() % 2) {
                    closedHere.insert(end);
                    end->closeLink();
                } else {
                    end->sendEdit();
                }
            }
            break;
        }
        default:
            for (int pass = int(random() % 4); pass > 0; --pass)
                QCoreApplication::processEvents();
        }
        // Only a link connecting or open holds a key; no end hears of its own closing,
        // and none of a closing twice.
        for (const QString &each : std::as_const(keys)) {
            if (const LiveLink *link = LiveLink::activeLiveLinkForItemKey(each)) {
                EXPECT_TRUE(link->isOpen() || link->isConnecting());
            }
        }
        for (const TrackingDelegate *delegate : {&server, &client}) {
            for (auto it = delegate->closings.cbegin(); it != delegate->closings.cend(); ++it) {
                EXPECT_EQ(it.value(), 1);
                EXPECT_EQ(closedHere.count(it.key()), 0u);
            }
        }
    }

    // Once quiet, an open client's link has an open end at the server, and no other
    // end is open.
    const auto agree = [&] {
        QSet<QString> openClients;
        for (const std::shared_ptr<LiveLink> &link : clients) {
            if (link->isConnecting())
                return false;
            if (link->isOpen())
                openClients.insert(link->itemKey());
        }
        QSet<QString> openServerEnds;
        for (const std::shared_ptr<LiveLink> &end : openEnds())
            openServerEnds.insert(end->itemKey());
        return openClients == openServerEnds;
    };
    ASSERT_TRUE(QTest::qWaitFor(agree, 20000));

    // Every open link still carries a request, and every closing reaches the other end.
    QHash<QString, int> before = server.requests;
    int open = 0;
    for (const std::shared_ptr<LiveLink> &link : clients) {
        if (!link->isOpen())
            continue;
        ++open;
        EXPECT_EQ(LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &client, link->itemKey()), link.get());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (const std::shared_ptr<LiveLink> &link : clients) {
            if (link->isOpen() && server.requests.value(link->itemKey()) == before.value(link->itemKey()))
                return false;
        }
        return true;
    }, 10000));
    const int serverClosings = int(server.closings.size());
    for (const std::shared_ptr<LiveLink> &link : clients)
        link->closeLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return int(server.closings.size()) == serverClosings + open; }, 10000));
    EXPECT_TRUE(openEnds().empty());
    LiveLink::retractServerWithName(QStringLiteral("Random"));
}

TEST_F(LiveLinkProcesses, ALinkWhoseDelegateIsGoneTellsNobody)
{
    auto serverDelegate = std::make_unique<RecordingDelegate>();
    ASSERT_TRUE(publish(QStringLiteral("Self"), serverDelegate.get()));
    const QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Self"), QStringLiteral("x"));

    // The client's delegate goes while an edit and then the closing are on their way to it.
    auto clientDelegate = std::make_unique<RecordingDelegate>();
    const QString first = LiveLinkCreateItemKey();
    const std::shared_ptr<LiveLink> client =
        LiveLink::editLiveLinkData(data, QStringLiteral("doc"), clientDelegate.get(), first)->sharedLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate->requests.size() == 1; }, 10000));
    const std::shared_ptr<LiveLink> firstEnd = serverDelegate->requests.first()->sharedLink();
    firstEnd->sendEdit();
    firstEnd->closeLink();
    EXPECT_EQ(client->delegate(), clientDelegate.get());
    clientDelegate.reset();
    EXPECT_EQ(client->delegate(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !client->isOpen(); }, 10000));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(first), nullptr);

    // The server's delegate goes while the server stays published: a request and a
    // closing that reach its end later are told to nobody, and an end opened
    // afterwards has no delegate.
    RecordingDelegate otherClient;
    const QString second = LiveLinkCreateItemKey();
    LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &otherClient, second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate->requests.size() == 2; }, 10000));
    const std::shared_ptr<LiveLink> secondEnd = serverDelegate->requests.last()->sharedLink();
    EXPECT_EQ(secondEnd->delegate(), serverDelegate.get());
    serverDelegate.reset();
    EXPECT_EQ(secondEnd->delegate(), nullptr);
    EXPECT_EQ(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Self"))->delegate(), nullptr);
    EXPECT_EQ(LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &otherClient, second), link);
    link->closeLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !secondEnd->isOpen(); }, 10000));

    const QString third = LiveLinkCreateItemKey();
    const std::shared_ptr<LiveLink> late =
        LiveLink::editLiveLinkData(data, QStringLiteral("doc"), &otherClient, third)->sharedLink();
    ASSERT_TRUE(QTest::qWaitFor([&] { return late->isOpen(); }, 10000));
    late->sendEdit(); // answered by an end that tells nobody: the link stays open
    late->closeLink();
    EXPECT_TRUE(otherClient.closed.isEmpty());
    EXPECT_EQ(otherClient.edits, 0);
    LiveLink::retractServerWithName(QStringLiteral("Self"));
}

namespace {

// A delegate of the random test: counts what it hears, keeps every link it hears
// of (so no address is reused), and knows its serial number.
class NumberedDelegate : public LiveLinkServerDelegate
{
public:
    explicit NumberedDelegate(int number) : serial(number) {}
    void liveLinkClientDidRequestEdit(LiveLink *link) override { heard(link); }
    void liveLinkServerDidSendEdit(LiveLink *link) override { heard(link); }
    void liveLinkDidClose(LiveLink *link) override
    {
        heard(link);
        ++closings[link];
    }

    const int serial;
    std::vector<std::shared_ptr<LiveLink>> links;
    QHash<const LiveLink *, int> closings;

private:
    void heard(LiveLink *link)
    {
        EXPECT_EQ(link->delegate(), this);
        links.push_back(link->sharedLink());
    }
};

} // namespace

TEST_F(LiveLinkProcesses, RandomOpeningsClosingsAndGoneDelegatesNeverReachAGoneDelegate)
{
    const QVariantMap data = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Gone"), QStringLiteral("x"));
    int nextSerial = 0;
    std::map<int, std::unique_ptr<NumberedDelegate>> alive; // serial → delegate
    std::set<int> gone;
    const auto make = [&] {
        const int serial = nextSerial++;
        return alive.emplace(serial, std::make_unique<NumberedDelegate>(serial)).first->second.get();
    };
    NumberedDelegate *server = make();
    ASSERT_TRUE(publish(QStringLiteral("Gone"), server));
    std::vector<NumberedDelegate *> clients{make(), make(), make()};

    QStringList keys;
    for (int i = 0; i < 4; ++i)
        keys.append(LiveLinkCreateItemKey());
    // Every link met, in the order met, with its delegate's serial.
    std::vector<std::pair<std::shared_ptr<LiveLink>, int>> links;
    std::set<const LiveLink *> known;
    const auto remember = [&](LiveLink *link, int serial) {
        if (known.insert(link).second)
            links.emplace_back(link->sharedLink(), serial);
    };
    // Links closed here, by address: each is kept (in links), so its address names it
    // alone. A server's end may hold a key before any delegate has met it.
    std::set<const LiveLink *> closedHere;
    const auto closeHere = [&](LiveLink *link) {
        const auto *delegate = dynamic_cast<const NumberedDelegate *>(link->delegate());
        remember(link, delegate ? delegate->serial : -1);
        closedHere.insert(link);
        link->closeLink();
    };
    const auto learnEnds = [&] {
        for (const auto &[serial, delegate] : alive) {
            for (const std::shared_ptr<LiveLink> &link : delegate->links)
                remember(link.get(), serial);
        }
    };
    const auto destroy = [&](NumberedDelegate *delegate) {
        learnEnds();
        const int serial = delegate->serial;
        gone.insert(serial);
        alive.erase(serial);
    };

    std::mt19937 random(56);
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        const QString key = keys.at(int(random() % keys.size()));
        LiveLink *held = LiveLink::activeLiveLinkForItemKey(key);
        switch (random() % 8) {
        case 0:
        case 1: {
            NumberedDelegate *delegate = clients.at(random() % clients.size());
            LiveLink *link = LiveLink::editLiveLinkData(data, QStringLiteral("doc"), delegate, key);
            ASSERT_NE(link, nullptr);
            if (link != held)
                remember(link, delegate->serial);
            break;
        }
        case 2:
            if (held)
                closeHere(held);
            break;
        case 3: {
            learnEnds();
            std::vector<std::shared_ptr<LiveLink>> open;
            for (const auto &[link, serial] : links) {
                if (link->isServer() && link->isOpen())
                    open.push_back(link);
            }
            if (!open.empty()) {
                LiveLink *end = open.at(random() % open.size()).get();
                if (random() % 2)
                    closeHere(end);
                else
                    end->sendEdit();
            }
            break;
        }
        case 4: {
            // A client's delegate goes (its document closed); another takes its place.
            const size_t which = random() % clients.size();
            destroy(clients[which]);
            clients[which] = make();
            break;
        }
        case 5:
            // The server's delegate goes; now and then the server is published anew
            // with another one (until then its new ends have none).
            if (server && random() % 2) {
                destroy(server);
                server = nullptr;
            } else if (!server || random() % 2) {
                LiveLink::retractServerWithName(QStringLiteral("Gone"));
                if (server)
                    destroy(server);
                server = make();
                ASSERT_TRUE(publish(QStringLiteral("Gone"), server));
            }
            break;
        default:
            for (int pass = int(random() % 4); pass > 0; --pass)
                QCoreApplication::processEvents();
        }
        // A link answers its delegate while that lives, none once it is gone; only a
        // connecting or open link holds a key; no end hears of its own closing, and
        // none of a closing twice.
        learnEnds();
        for (const auto &[link, serial] : links) {
            const auto it = alive.find(serial);
            EXPECT_EQ(link->delegate(), it == alive.end() ? nullptr : it->second.get());
        }
        for (const QString &each : std::as_const(keys)) {
            if (const LiveLink *link = LiveLink::activeLiveLinkForItemKey(each)) {
                EXPECT_TRUE(link->isOpen() || link->isConnecting());
            }
        }
        for (const auto &[serial, delegate] : alive) {
            for (auto it = delegate->closings.cbegin(); it != delegate->closings.cend(); ++it) {
                EXPECT_EQ(it.value(), 1);
                EXPECT_EQ(closedHere.count(it.key()), 0u);
            }
        }
    }
    EXPECT_FALSE(gone.empty());

    // Every client's link closes, and with it every end that was opened for one.
    for (const auto &[link, serial] : links) {
        if (!link->isServer())
            link->closeLink();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] {
        learnEnds();
        for (const auto &[link, serial] : links) {
            if (link->isOpen() || link->isConnecting())
                return false;
        }
        return true;
    }, 20000));
    for (const QString &each : std::as_const(keys))
        EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(each), nullptr);
    LiveLink::retractServerWithName(QStringLiteral("Gone"));
}

namespace {

// A client of its own connection that asks a server for links directly, a few calls
// at a time (the bus bounds the answers one connection may await).
struct RawClient
{
    explicit RawClient(const QString &address)
        : name(QStringLiteral("raw-client-") + QString::number(++count))
        , connection(QDBusConnection::connectToBus(address, name))
    {
    }
    // Its connection closes once the last copy of it goes.
    ~RawClient() { QDBusConnection::disconnectFromBus(name); }

    // The answers to InitiateLink for the item keys first..first+n-1, in order.
    QList<QDBusMessage> initiate(int first, int n)
    {
        QList<QDBusMessage> answers;
        for (int start = first; start < first + n; start += 8) {
            QList<QDBusPendingCall> calls;
            for (int i = start; i < std::min(first + n, start + 8); ++i) {
                QDBusMessage call = QDBusMessage::createMethodCall(serverBusName(), LiveLinkBus::ServerPath,
                                                                   LiveLinkBus::ServerInterface,
                                                                   QStringLiteral("InitiateLink"));
                call << QVariant::fromValue(QDBusObjectPath(LiveLinkBus::LinkPathPrefix + QString::number(i)))
                     << QStringLiteral("doc") << QStringLiteral("raw") << QStringLiteral("item-%1-%2").arg(name).arg(i);
                calls.append(connection.asyncCall(call, 10000));
            }
            // The server answers on this thread: wait by serving its event loop.
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return std::all_of(calls.cbegin(), calls.cend(), [](const QDBusPendingCall &c) { return c.isFinished(); });
            }, 20000));
            for (const QDBusPendingCall &call : calls)
                answers.append(call.reply());
        }
        return answers;
    }

    static inline int count = 0;
    QString name;
    QDBusConnection connection;
};

} // namespace

TEST_F(LiveLinkProcesses, OneClientsLinksAreBoundedAndCloseTogetherWhenItLeaves)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publishAsEditor(&serverDelegate));
    constexpr int Most = LiveLinkServer::MaxLinksPerClient;

    auto first = std::make_unique<RawClient>(m_bus.address());
    ASSERT_TRUE(first->connection.isConnected());
    const QList<QDBusMessage> opened = first->initiate(0, Most);
    QSet<QString> serverEnds;
    for (const QDBusMessage &answer : opened) {
        ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
        serverEnds.insert(answer.arguments().constFirst().value<QDBusObjectPath>().path());
    }
    EXPECT_EQ(serverEnds.size(), Most) << "each link has an end of its own";

    // One more is refused, clearly, and opens nothing.
    const QDBusMessage refused = first->initiate(Most, 1).constFirst();
    EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(refused.errorName(), LiveLinkBus::TooManyLinksError);
    EXPECT_TRUE(refused.errorMessage().contains(QString::number(Most))) << refused.errorMessage().toStdString();
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(QStringLiteral("item-%1-%2").arg(first->name).arg(Most)), nullptr);

    // The bound counts open links: one closed makes room for one more.
    QDBusMessage close = QDBusMessage::createMethodCall(serverBusName(), *serverEnds.constBegin(),
                                                        LiveLinkBus::LinkInterface, QStringLiteral("RemoteCloseLink"));
    QDBusPendingCall closing = first->connection.asyncCall(close, 10000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isFinished(); }, 10000));
    ASSERT_EQ(closing.reply().type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.size() == 1; }, 10000));
    EXPECT_EQ(first->initiate(Most + 1, 1).constFirst().type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(first->initiate(Most + 2, 1).constFirst().errorName(), LiveLinkBus::TooManyLinksError);

    // Another client has a bound of its own.
    auto second = std::make_unique<RawClient>(m_bus.address());
    const QDBusMessage other = second->initiate(0, 1).constFirst();
    ASSERT_EQ(other.type(), QDBusMessage::ReplyMessage);
    const QString otherKey = QStringLiteral("item-%1-0").arg(second->name);

    // The first client leaves: every one of its links closes, and only those.
    first.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.size() == Most + 1; }, 30000));
    EXPECT_EQ(QSet<QString>(serverDelegate.closed.cbegin(), serverDelegate.closed.cend()).size(), Most + 1);
    EXPECT_FALSE(serverDelegate.closed.contains(otherKey));
    LiveLink *remaining = LiveLink::activeLiveLinkForItemKey(otherKey);
    ASSERT_NE(remaining, nullptr);
    EXPECT_TRUE(remaining->isOpen());

    // The second client's leaving closes its link too, after the first's watch went.
    second.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.contains(otherKey); }, 10000));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(otherKey), nullptr);
    LiveLink::retractServerWithName(QStringLiteral("Editor"));
}

TEST_F(LiveLinkProcesses, ManyClientsLeavingAtOnceCloseEveryLinkOnceAndTheirEndsGoFromTheBus)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publishAsEditor(&serverDelegate));
    constexpr int Leaving = 6;
    constexpr int LinksEach = 40;

    std::vector<std::unique_ptr<RawClient>> clients;
    QStringList leavingEnds;
    for (int c = 0; c < Leaving; ++c) {
        clients.push_back(std::make_unique<RawClient>(m_bus.address()));
        for (const QDBusMessage &answer : clients.back()->initiate(0, LinksEach)) {
            ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
            leavingEnds.append(answer.arguments().constFirst().value<QDBusObjectPath>().path());
        }
    }
    auto staying = std::make_unique<RawClient>(m_bus.address());
    const QDBusMessage stayingAnswer = staying->initiate(0, 1).constFirst();
    ASSERT_EQ(stayingAnswer.type(), QDBusMessage::ReplyMessage);
    const QString stayingEnd = stayingAnswer.arguments().constFirst().value<QDBusObjectPath>().path();
    const QString stayingKey = QStringLiteral("item-%1-0").arg(staying->name);
    std::vector<std::weak_ptr<LiveLink>> leavingLinks;
    for (const auto &client : clients) {
        for (int i = 0; i < LinksEach; ++i) {
            LiveLink *link = LiveLink::activeLiveLinkForItemKey(QStringLiteral("item-%1-%2").arg(client->name).arg(i));
            ASSERT_NE(link, nullptr);
            leavingLinks.push_back(link->sharedLink());
        }
    }

    // All leave at once: each of their links closes and is told once; the other stays open.
    clients.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.size() == Leaving * LinksEach; }, 30000));
    EXPECT_EQ(QSet<QString>(serverDelegate.closed.cbegin(), serverDelegate.closed.cend()).size(), Leaving * LinksEach);
    EXPECT_FALSE(serverDelegate.closed.contains(stayingKey));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::all_of(leavingLinks.cbegin(), leavingLinks.cend(), [](const auto &link) { return link.expired(); });
    }, 10000)) << "closed links are freed";
    LiveLink *remaining = LiveLink::activeLiveLinkForItemKey(stayingKey);
    ASSERT_NE(remaining, nullptr);
    EXPECT_TRUE(remaining->isOpen());

    // A closed end is gone from the bus; the open one still answers its peer.
    const auto call = [&](const QString &path) {
        QDBusMessage close = QDBusMessage::createMethodCall(serverBusName(), path, LiveLinkBus::LinkInterface,
                                                            QStringLiteral("RemoteCloseLink"));
        QDBusPendingCall pending = staying->connection.asyncCall(close, 10000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000));
        return pending.reply();
    };
    const QDBusMessage gone = call(leavingEnds.constFirst());
    EXPECT_EQ(gone.type(), QDBusMessage::ErrorMessage);
    EXPECT_NE(gone.errorName(), LiveLinkBus::NotPeerError) << "no end answers there any more";
    EXPECT_EQ(call(stayingEnd).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.contains(stayingKey); }, 10000));
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(stayingKey), nullptr);
    staying.reset();
    LiveLink::retractServerWithName(QStringLiteral("Editor"));
}

namespace {

// One run of tests/components/livelink/programs/LiveLinkTestCaller: a client process
// that asks the test's server for `count` links and ends without closing them once
// `leaveAfter` are answered (0: as soon as the bus has its calls).
struct Caller
{
    QString prefix;
    int count = 0;
    int leaveAfter = 0;
    std::unique_ptr<QProcess> process;

    QStringList keys() const
    {
        QStringList all;
        for (int i = 0; i < count; ++i)
            all << QStringLiteral("%1-%2").arg(prefix).arg(i);
        return all;
    }
};

} // namespace

// Clients that end without closing (a crash, a kill), before the server has answered
// their calls (the bus told of their leaving before any link was made), while it
// answers them, or after: every link made for them closes, and is told once, and the
// links of a client that stays stay open.
TEST_F(LiveLinkProcesses, ClientsLeavingBeforeDuringOrAfterTheAnswersLeaveNoLinkOpen)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publishAsEditor(&serverDelegate));
    auto staying = std::make_unique<RawClient>(m_bus.address());
    ASSERT_EQ(staying->initiate(0, 1).constFirst().type(), QDBusMessage::ReplyMessage);
    const QString stayingKey = QStringLiteral("item-%1-0").arg(staying->name);

    const unsigned seed = 7401;
    std::mt19937 random(seed);
    const auto upTo = [&random](int most) { return int(std::uniform_int_distribution<int>(0, most)(random)); };
    QStringList gone;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        // Before: the server's thread does not run until the callers have ended.
        const bool before = round % 3 == 0;
        std::vector<Caller> callers(1 + upTo(3));
        for (std::size_t c = 0; c < callers.size(); ++c) {
            Caller &caller = callers[c];
            caller.prefix = QStringLiteral("r%1c%2").arg(round).arg(c);
            caller.count = 1 + upTo(39);
            caller.leaveAfter = before ? 0 : upTo(caller.count);
            caller.process = std::make_unique<QProcess>();
            caller.process->setProcessEnvironment(editorEnvironment());
            caller.process->start(QStringLiteral(LIVELINK_TEST_CALLER),
                                  {serverBusName(), caller.prefix, QString::number(caller.count),
                                   QString::number(caller.leaveAfter)});
        }
        for (Caller &caller : callers) {
            if (before)
                ASSERT_TRUE(caller.process->waitForFinished(20000));
            else
                ASSERT_TRUE(QTest::qWaitFor([&] { return caller.process->state() == QProcess::NotRunning; }, 20000));
            ASSERT_EQ(caller.process->exitCode(), 0) << caller.leaveAfter << " of " << caller.count;
            gone << caller.keys();
        }
        // Every link made for a client that left closes; the one that stays is open.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return std::all_of(gone.cbegin(), gone.cend(), [&](const QString &key) {
                return serverDelegate.closed.contains(key) && !LiveLink::activeLiveLinkForItemKey(key);
            });
        }, 20000)) << serverDelegate.closed.size() << " of " << gone.size() << " closed; not: " << [&] {
            std::string open;
            for (const QString &key : std::as_const(gone)) {
                if (serverDelegate.closed.contains(key))
                    continue;
                LiveLink *link = LiveLink::activeLiveLinkForItemKey(key);
                open += key.toStdString() + (link ? (link->isOpen() ? " (open)" : " (held, not open)") : " (no link)") + " ";
            }
            return open;
        }();
        EXPECT_EQ(serverDelegate.closed.size(), gone.size()) << "each told once";
        LiveLink *remaining = LiveLink::activeLiveLinkForItemKey(stayingKey);
        ASSERT_NE(remaining, nullptr);
        EXPECT_TRUE(remaining->isOpen());
    }
    staying.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.contains(stayingKey); }, 10000));
    LiveLink::retractServerWithName(QStringLiteral("Editor"));
}

// Each connection to the bus is a client of its own: the server's links are bounded
// together too, and a link that closes makes room for another.
TEST_F(LiveLinkProcesses, AServersLinksAreBoundedWhateverTheNumberOfClients)
{
    RecordingDelegate serverDelegate;
    ASSERT_TRUE(publishAsEditor(&serverDelegate));
    constexpr int PerClient = LiveLinkServer::MaxLinksPerClient;
    constexpr int Clients = LiveLinkServer::MaxLinks / PerClient;
    static_assert(Clients * PerClient == LiveLinkServer::MaxLinks);

    std::vector<std::unique_ptr<RawClient>> clients;
    for (int c = 0; c < Clients; ++c) {
        clients.push_back(std::make_unique<RawClient>(m_bus.address()));
        for (const QDBusMessage &answer : clients.back()->initiate(0, PerClient))
            ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    }
    auto late = std::make_unique<RawClient>(m_bus.address());
    const QDBusMessage refused = late->initiate(0, 1).constFirst();
    EXPECT_EQ(refused.errorName(), LiveLinkBus::TooManyLinksError);
    EXPECT_TRUE(refused.errorMessage().contains(QString::number(LiveLinkServer::MaxLinks)))
        << refused.errorMessage().toStdString();
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(QStringLiteral("item-%1-0").arg(late->name)), nullptr);

    // One client leaves: its links close, and the late one is served.
    clients.pop_back();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.size() == PerClient; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QDBusMessage answer = late->initiate(1, 1).constFirst();
        return answer.type() == QDBusMessage::ReplyMessage;
    }, 10000));
    clients.clear();
    late.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverDelegate.closed.size() == LiveLinkServer::MaxLinks + 1; }, 30000));
    LiveLink::retractServerWithName(QStringLiteral("Editor"));
}
