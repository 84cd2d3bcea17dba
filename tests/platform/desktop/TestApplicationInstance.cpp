// The running instance's requests from other programs, on a private bus: names of
// megabytes are cut as the request arrives, to the longest name a file can have,
// so that the request is answered and every name that reaches the application still
// names no file, failing as the whole name would; names a file can have pass whole.
// A request naming more files than the bound is refused whole, with an error.
#include "platform/desktop/ApplicationInstance.h"
#include "tests/support/DesktopTestSupport.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

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
