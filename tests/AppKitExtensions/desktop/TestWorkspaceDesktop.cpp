// The desktop helpers against the real tools: xdg-email with a recording MAILER,
// autostart entries checked by desktop-file-validate and started by gio launch, and
// the relaunch as the application quits.
#include "AppKitExtensions/NTXNSFileManagerExtension.h"
#include "AppKitExtensions/NTXNSWorkspaceExtension.h"
#include "platform/foundation/DesktopEntry.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <optional>

namespace {

// A shell script that appends its arguments, each ended by a NUL, and then "end" to a file.
QString writeRecorder(const QString &folder, const QString &name, const QString &record)
{
    const QString path = QDir(folder).filePath(name);
    const QByteArray script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> '" + record.toUtf8()
                              + "'\nprintf 'end\\0' >> '" + record.toUtf8() + "'\n";
    EXPECT_TRUE(testsupport::writeFile(path, script));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

QList<QByteArray> recorded(const QString &record)
{
    QList<QByteArray> parts = testsupport::readFile(record).split('\0');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    return parts;
}

} // namespace

// Sends and waits (the test only) for the answer, which never comes inside the call.
static bool sendMail(const QString &recipient, const QString &subject, const QString &body, const QStringList &attachments)
{
    QObject context;
    std::optional<bool> sent;
    int answers = 0;
    NTXNSWorkspaceExtension::emailTo(recipient, subject, body, attachments, &context, [&](bool answer) {
        sent = answer;
        ++answers;
    });
    EXPECT_FALSE(sent.has_value()) << "answered in a later pass";
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent.has_value(); }, 20000));
    QTest::qWait(0);
    EXPECT_EQ(answers, 1);
    return sent.value_or(false);
}

TEST(WorkspaceMail, XdgEmailReceivesTheAddressUnchanged)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record"));
    testsupport::ScopedEnv mailer("MAILER", writeRecorder(dir.path(), QStringLiteral("mailer"), record).toUtf8());
    const QString attachment = dir.filePath(QStringLiteral("my file \"1\".txt"));
    ASSERT_TRUE(testsupport::writeFile(attachment, "x"));
    const QString subject = QStringLiteral("It's \"done\" & ready? yes");
    const QString body = QStringLiteral("Line 1\nLine 2 \\n back\\slash; caf\u00e9 $(id) `id`");
    ASSERT_TRUE(sendMail(QStringLiteral("o'brien+x@example.org"), subject, body,
                                                 {attachment, attachment}));
    QList<QByteArray> parts = recorded(record);
    ASSERT_EQ(parts.size(), 2) << "one argument";
    const QUrl url(QString::fromUtf8(parts.first()), QUrl::StrictMode);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(QUrl::FullyDecoded), QStringLiteral("o'brien+x@example.org"));
    const QUrlQuery query(url.query(QUrl::FullyEncoded));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), subject);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), body);
    EXPECT_EQ(query.allQueryItemValues(QStringLiteral("attach"), QUrl::FullyDecoded),
              QStringList({attachment, attachment}));

    QFile::remove(record);
    ASSERT_TRUE(sendMail(QString(), QStringLiteral("s"), QString(), {}));
    parts = recorded(record);
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts.first(), QByteArray("mailto:?subject=s")) << "no recipient, no body: no such parameter";

    QFile::remove(record);
    EXPECT_FALSE(sendMail(QString(), QString(), QString(), {dir.filePath(QStringLiteral("gone"))}));
    EXPECT_FALSE(QFile::exists(record)) << "a missing attachment answers false before anything runs";

    testsupport::ScopedEnv failing("MAILER", "false");
    EXPECT_FALSE(sendMail(QStringLiteral("a@b.c"), QString(), QString(), {}));
}

TEST(WorkspaceLoginItem, AutostartEntryIsValidAndLaunches)
{
    testsupport::ScopedXdgHome home;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("odd dir 'q' $HOME `x`"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString record = dir.filePath(QStringLiteral("record"));
    const QString stub = writeRecorder(folder, QStringLiteral("stub"), record);

    EXPECT_FALSE(NTXNSWorkspaceExtension::isRegisteredAsLoginItem(stub));
    ASSERT_TRUE(NTXNSWorkspaceExtension::addLoginItem(stub, QStringLiteral("Stub"), QStringLiteral("stub.desktop")));
    EXPECT_TRUE(NTXNSWorkspaceExtension::isRegisteredAsLoginItem(stub));
    const QString entryPath = QDir(NTXNSWorkspaceExtension::autostartFolder()).filePath(QStringLiteral("stub.desktop"));
    EXPECT_TRUE(entryPath.startsWith(home.path()));

    QByteArray output;
    EXPECT_EQ(desktoptest::runProgram(QStringLiteral("desktop-file-validate"), {entryPath}, &output), 0) << output.toStdString();
    EXPECT_EQ(desktoptest::runProgram(QStringLiteral("gio"), {QStringLiteral("launch"), entryPath}, &output), 0)
        << output.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded(record).contains("end"); }, 10000));
    EXPECT_EQ(recorded(record), QList<QByteArray>({"end"})) << "started with no arguments";

    // A second entry for the same program, and a hidden one.
    ASSERT_TRUE(NTXNSWorkspaceExtension::addLoginItem(stub, QStringLiteral("Again"), QStringLiteral("again.desktop")));
    platform::DesktopEntry hidden;
    hidden.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    hidden.setValue(QStringLiteral("Name"), QStringLiteral("Hidden"));
    hidden.setValue(QStringLiteral("Exec"), platform::DesktopEntry::execLine({stub}));
    hidden.setValue(QStringLiteral("Hidden"), QStringLiteral("true"));
    const QString autostart = NTXNSWorkspaceExtension::autostartFolder();
    NTXNSWorkspaceExtension::removeLoginItems(stub);
    EXPECT_TRUE(QDir(autostart).entryList({QStringLiteral("*.desktop")}).isEmpty()) << "both entries go";
    ASSERT_TRUE(testsupport::writeFile(QDir(autostart).filePath(QStringLiteral("hidden.desktop")), hidden.toBytes()));
    ASSERT_TRUE(testsupport::writeFile(QDir(autostart).filePath(QStringLiteral("junk.desktop")), "\xff\xfe junk"));
    EXPECT_FALSE(NTXNSWorkspaceExtension::isRegisteredAsLoginItem(stub)) << "a hidden entry does not count";

    // "%" in a path goes through our own reader.
    const QString percent = dir.filePath(QStringLiteral("100% stub"));
    ASSERT_TRUE(NTXNSWorkspaceExtension::addLoginItem(percent, QStringLiteral("P"), QStringLiteral("p.desktop")));
    ASSERT_TRUE(testsupport::writeFile(percent, "#!/bin/sh\n"));
    EXPECT_TRUE(NTXNSWorkspaceExtension::isRegisteredAsLoginItem(percent));
}

// A link in the place of the autostart entry is replaced by the entry itself: the
// file it names is never written.
TEST(WorkspaceLoginItem, ALinkAtTheEntryIsReplacedNotWrittenThrough)
{
    testsupport::ScopedXdgHome home;
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim.desktop"));
    ASSERT_TRUE(testsupport::writeFile(victim, "untouched"));
    const QString autostart = NTXNSWorkspaceExtension::autostartFolder();
    ASSERT_TRUE(QDir().mkpath(autostart));
    const QString entryPath = QDir(autostart).filePath(QStringLiteral("linked.desktop"));
    ASSERT_TRUE(QFile::link(victim, entryPath));
    const QString program = dir.filePath(QStringLiteral("program"));
    ASSERT_TRUE(testsupport::writeFile(program, "#!/bin/sh\n"));
    ASSERT_TRUE(NTXNSWorkspaceExtension::addLoginItem(program, QStringLiteral("Linked"), QStringLiteral("linked.desktop")));
    EXPECT_FALSE(QFileInfo(entryPath).isSymLink());
    EXPECT_EQ(testsupport::readFile(victim), "untouched");
    EXPECT_TRUE(NTXNSWorkspaceExtension::isRegisteredAsLoginItem(program));
}

TEST(WorkspaceFolders, AbsolutePathsWithoutTilde)
{
    testsupport::ScopedXdgHome home;
    for (const QString &path : {NTXNSFileManagerExtension::documentsDirectory(), NTXNSFileManagerExtension::preferencesDirectory(),
                                NTXNSFileManagerExtension::applicationSupportDirectory(), NTXNSFileManagerExtension::temporaryFolder()}) {
        EXPECT_TRUE(QDir::isAbsolutePath(path)) << path.toStdString();
        EXPECT_FALSE(path.contains(QLatin1Char('~')));
    }
    EXPECT_TRUE(NTXNSFileManagerExtension::preferencesDirectory().startsWith(home.path()));
    EXPECT_EQ(NTXNSFileManagerExtension::usersDirectory(), QFileInfo(QDir::homePath()).absolutePath());
}

TEST(WorkspaceRelaunch, StartsOnlyWhenTheApplicationQuits)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record"));
    const QString stub = writeRecorder(dir.path(), QStringLiteral("it's $(x) `y`"), record);
    const QStringList arguments = {QStringLiteral("a b"), QStringLiteral("'; touch /tmp/x #"), QString(), QStringLiteral("\"q\"")};
    NTXNSWorkspaceExtension::relaunchWhenQuitting(stub, arguments);
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(record)) << "nothing starts before the application quits";
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded(record).contains("end"); }, 10000));
    QList<QByteArray> expected;
    for (const QString &argument : arguments)
        expected.append(argument.toUtf8());
    expected.append("end");
    EXPECT_EQ(recorded(record), expected) << "arguments arrive unchanged";
}
