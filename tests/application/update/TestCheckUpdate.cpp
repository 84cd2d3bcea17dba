// The version check against a loopback HTTP server the test starts itself: the
// request, the outcomes and their alerts, the stored status and date, and the
// limits on time and size.
#include "tests/application/update/TestUpdateSupport.h"

#include "application/base/BuildInfo.h"
#include "application/base/DefaultsKeys.h"
#include "application/update/NTXCheckUpdate.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <new>
#include <optional>

using namespace updatetest;

namespace {

const QDateTime Moment(QDate(2024, 5, 3), QTime(14, 22, 10), Qt::OffsetFromUTC, 7200);

class CheckUpdateTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(server.isListening());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.conf")));
        defaults->registerDefaults(DefaultsKeys::registeredDefaults(nullptr));
        checker.setUserDefaults(defaults.get());
        checker.setServerURL(server.url());
        checker.setProduct(QStringLiteral("chronark-test"));
        checker.setInstalledVersion(QStringLiteral("2.5"));
        checker.setTimeLimit(5000);
        checker.setURLOpener([this](const QUrl &url) { opened.append(url); });
        platform::Clock::setNow(Moment);
    }
    void TearDown() override { platform::Clock::useSystemClock(); }

    // A check to its end, then the passes its alert needs to be answered, handled and gone.
    NTXCheckUpdate::Outcome check(bool silent)
    {
        std::optional<NTXCheckUpdate::Outcome> outcome;
        EXPECT_TRUE(checker.check(silent, [&](NTXCheckUpdate::Outcome o) { outcome = o; }));
        EXPECT_TRUE(checker.isChecking());
        EXPECT_FALSE(outcome.has_value()); // never before check() returned
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 40000));
        EXPECT_FALSE(checker.isChecking());
        EXPECT_TRUE(QTest::qWaitFor([] {
            const QList<QWidget *> windows = QApplication::topLevelWidgets();
            return std::none_of(windows.begin(), windows.end(),
                                [](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; });
        }));
        return outcome.value_or(NTXCheckUpdate::Outcome::Failed);
    }
    QString status() const { return defaults->stringForKey(UpdateStatusKey); }
    QString date() const { return defaults->stringForKey(UpdateDateKey); }

    QTemporaryDir dir;
    UpdateServer server;
    std::unique_ptr<platform::UserDefaults> defaults;
    NTXCheckUpdate checker;
    QList<QUrl> opened;
};

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// ---- Request ----

TEST_F(CheckUpdateTest, AsksForVphpWithTheProduct)
{
    server.body = "2.5";
    AlertAnswerer answerer;
    check(true);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests.first(), QByteArray("GET /v.php?prod=chronark-test HTTP/1.1"));

    // Below a path of the server address, and with a product that needs escaping.
    checker.setServerURL(server.url(QStringLiteral("/updates/")));
    checker.setProduct(QStringLiteral("chronark 2&x"));
    EXPECT_EQ(checker.requestURL().path(), QStringLiteral("/updates/v.php"));
    check(true);
    ASSERT_EQ(server.requests.size(), 2);
    EXPECT_EQ(server.requests.last(), QByteArray("GET /updates/v.php?prod=chronark%202%26x HTTP/1.1"));
}

TEST_F(CheckUpdateTest, ServerAndProductComeFromTheBuildOrTheEnvironment)
{
    const QByteArray oldUrl = qgetenv("CHRONARK_UPDATE_URL");
    const QByteArray oldProduct = qgetenv("CHRONARK_UPDATE_PRODUCT");
    qunsetenv("CHRONARK_UPDATE_URL");
    qunsetenv("CHRONARK_UPDATE_PRODUCT");
    EXPECT_EQ(NTXCheckUpdate::defaultServerURL().scheme(), QStringLiteral("https"));
    EXPECT_FALSE(NTXCheckUpdate::defaultServerURL().host().isEmpty());
    EXPECT_FALSE(NTXCheckUpdate::defaultProduct().isEmpty());

    qputenv("CHRONARK_UPDATE_URL", server.url().toString().toUtf8());
    qputenv("CHRONARK_UPDATE_PRODUCT", "from-env");
    EXPECT_EQ(NTXCheckUpdate::defaultServerURL(), server.url());
    NTXCheckUpdate fromEnvironment;
    EXPECT_EQ(fromEnvironment.requestURL(), QUrl(server.url().toString() + QStringLiteral("/v.php?prod=from-env")));
    EXPECT_EQ(fromEnvironment.installedVersion(), QStringLiteral(CHRONARK_VERSION_STRING));

    if (oldUrl.isNull()) qunsetenv("CHRONARK_UPDATE_URL"); else qputenv("CHRONARK_UPDATE_URL", oldUrl);
    if (oldProduct.isNull()) qunsetenv("CHRONARK_UPDATE_PRODUCT"); else qputenv("CHRONARK_UPDATE_PRODUCT", oldProduct);
}

// ---- Outcomes ----

TEST_F(CheckUpdateTest, NewerMajorVersionOffersThePurchasePage)
{
    server.body = "3.0\n";
    AlertAnswerer answerer(text("LSANVWebsite"));
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Newer);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus4"));
    EXPECT_EQ(date(), platform::CalendarDate::description(Moment));
    ASSERT_EQ(answerer.alerts.size(), 1);
    EXPECT_EQ(answerer.alerts.first().text, text("LSANVTitle"));
    EXPECT_EQ(answerer.alerts.first().informativeText, text("LSANVText"));
    EXPECT_EQ(answerer.alerts.first().buttons, QStringList({text("LSANVWebsite"), text("LScancle")}));
    EXPECT_EQ(answerer.alerts.first().icon, QMessageBox::Information);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(text("LSXQPurchaseLink")));
}

TEST_F(CheckUpdateTest, NewerMinorVersionOffersTheDownloadPageEvenWhenSilent)
{
    server.body = "2.6";
    AlertAnswerer answerer(text("LSANVWebsite"));
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Newer);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus4"));
    EXPECT_EQ(answerer.alerts.size(), 1);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(text("LSXQDownloadLink")));
}

TEST_F(CheckUpdateTest, CancelOpensNoPage)
{
    server.body = "4.0";
    AlertAnswerer answerer(text("LScancle"));
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Newer);
    EXPECT_EQ(answerer.alerts.size(), 1);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus4"));
}

TEST_F(CheckUpdateTest, EqualVersionInASilentCheckShowsNothing)
{
    server.body = "2.5";
    AlertAnswerer answerer;
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Current);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus3"));
    EXPECT_EQ(date(), QStringLiteral("2024-05-03 14:22:10 +0200"));
    EXPECT_TRUE(answerer.alerts.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(CheckUpdateTest, EqualOrOlderVersionSaysSoWhenAsked)
{
    AlertAnswerer answerer(text("LSok"));
    for (const QByteArray &reply : {QByteArray("2.5"), QByteArray("2.4.9"), QByteArray("1")}) {
        server.body = reply;
        EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Current) << reply.constData();
        EXPECT_EQ(status(), QStringLiteral("LSUPStatus3"));
    }
    ASSERT_EQ(answerer.alerts.size(), 3);
    EXPECT_EQ(answerer.alerts.first().informativeText, text("LSUPStatus3"));
    EXPECT_EQ(answerer.alerts.first().buttons, QStringList({text("LSok")}));
    EXPECT_EQ(answerer.alerts.first().text, QStringLiteral("Chronark"));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(CheckUpdateTest, VersionsCompareNumberByNumber)
{
    // "2.10" is newer than "2.9" (read as floats it was 2.1 and older).
    checker.setInstalledVersion(QStringLiteral("2.9"));
    server.body = "2.10";
    {
        AlertAnswerer answerer(text("LSANVWebsite"));
        EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Newer);
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.first(), QUrl(text("LSXQDownloadLink")));
    }
    checker.setInstalledVersion(QStringLiteral("2.10"));
    server.body = "2.9";
    AlertAnswerer answerer;
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Current);
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

TEST_F(CheckUpdateTest, TextWithoutANumberReadsAsVersionZero)
{
    server.body = "<html>maintenance</html>";
    AlertAnswerer answerer;
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Current);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus3"));
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

// ---- Failures: status "LSUPStatus2", date written, no message even when asked ----

TEST_F(CheckUpdateTest, EmptyOrNonAsciiReplyFails)
{
    AlertAnswerer answerer;
    for (const QByteArray &reply : {QByteArray(), QByteArray("\xff\xfe" "3.0"), QByteArray("3.0\0", 4)}) {
        defaults->removeObjectForKey(UpdateStatusKey);
        defaults->removeObjectForKey(UpdateDateKey);
        server.body = reply;
        EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed) << reply.toHex().constData();
        EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
        EXPECT_EQ(date(), platform::CalendarDate::description(Moment));
    }
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

TEST_F(CheckUpdateTest, HttpErrorFails)
{
    server.status = 404;
    server.body = "9.9";
    AlertAnswerer answerer;
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

TEST_F(CheckUpdateTest, UnreachableHostFailsWithoutARequest)
{
    checker.setServerURL(QUrl(QStringLiteral("http://update.chronark.invalid")));
    AlertAnswerer answerer;
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    EXPECT_EQ(date(), platform::CalendarDate::description(Moment));
    EXPECT_TRUE(server.requests.isEmpty());
    EXPECT_TRUE(answerer.alerts.isEmpty());

    checker.setServerURL(QUrl(QStringLiteral("ftp://127.0.0.1/")));
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
}

TEST_F(CheckUpdateTest, StalledServerRunsIntoTheTimeLimit)
{
    server.mode = UpdateServer::Mode::Stall;
    // Long enough for the request to reach the server on a loaded machine.
    checker.setTimeLimit(1500);
    AlertAnswerer answerer;
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    EXPECT_TRUE(answerer.alerts.isEmpty());
    EXPECT_EQ(NTXCheckUpdate().timeLimit(), NTXCheckUpdate::DefaultTimeLimitMsecs);

    // An answer that trickles in (a byte every 20 ms) is ended by the same limit.
    server.mode = UpdateServer::Mode::Trickle;
    server.requests.clear();
    defaults->removeObjectForKey(UpdateStatusKey);
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_GT(server.trickled, 0);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    EXPECT_EQ(date(), platform::CalendarDate::description(Moment));
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

// The check never holds the window: against a server that stalls or trickles,
// check() returns at once, a click is answered while the check still runs, and
// the check ends as it would have (status and date stored, no alert for a failure).
TEST_F(CheckUpdateTest, TheWindowAnswersClicksDuringTheCheck)
{
    checker.setTimeLimit(20000);
    AlertAnswerer answerer;
    for (UpdateServer::Mode mode : {UpdateServer::Mode::Stall, UpdateServer::Mode::Trickle}) {
        server.mode = mode;
        server.requests.clear();
        defaults->removeObjectForKey(UpdateStatusKey);
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("Press"), &window);
        int clicks = 0;
        bool checkingAtClick = false;
        QObject::connect(button, &QPushButton::clicked, [&] {
            ++clicks;
            checkingAtClick = checker.isChecking();
        });
        window.show();
        std::optional<NTXCheckUpdate::Outcome> outcome;
        ASSERT_TRUE(checker.check(false, [&](NTXCheckUpdate::Outcome o) { outcome = o; }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }));
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return clicks == 1; }));
        EXPECT_TRUE(checkingAtClick) << "the click was answered during the check";
        EXPECT_FALSE(outcome.has_value());
        // A second check asked for meanwhile does nothing.
        bool secondCompleted = false;
        EXPECT_FALSE(checker.check(true, [&](NTXCheckUpdate::Outcome) { secondCompleted = true; }));
        // Cut short (the stalled server would take the whole 20 s): the same end as
        // the time limit, with a short limit on the next round.
        checker.cancel();
        EXPECT_FALSE(checker.isChecking());
        checker.setTimeLimit(400);
        EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
        EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
        EXPECT_FALSE(outcome.has_value()); // the cancelled check never completes
        EXPECT_FALSE(secondCompleted);
        checker.setTimeLimit(20000);
    }
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

// A checker destroyed while it checks leaves nothing behind: no outcome, no alert,
// no stored status.
TEST_F(CheckUpdateTest, ACheckerGoneDuringTheCheckStoresNothing)
{
    server.mode = UpdateServer::Mode::Stall;
    AlertAnswerer answerer;
    bool completed = false;
    {
        NTXCheckUpdate doomed;
        doomed.setUserDefaults(defaults.get());
        doomed.setServerURL(server.url());
        ASSERT_TRUE(doomed.check(false, [&](NTXCheckUpdate::Outcome) { completed = true; }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }));
    }
    testsupport::settleEvents();
    EXPECT_FALSE(completed);
    EXPECT_FALSE(defaults->persistentValues().contains(UpdateStatusKey));
    EXPECT_TRUE(answerer.alerts.isEmpty());
}

// The name lookup is part of the bounded check: a resolver that never answers runs
// into the time limit like a stalled server, and the thread keeps serving its event
// loop meanwhile; a late answer is dropped.
TEST_F(CheckUpdateTest, HangingNameLookupRunsIntoTheTimeLimit)
{
    checker.setTimeLimit(300);
    int lookups = 0;
    QPointer<QObject> lookupContext;
    checker.setReachabilityCheck([&](const QString &host, QObject *context, std::function<void(bool)>) {
        ++lookups;
        lookupContext = context;
        EXPECT_EQ(host, server.url().host());
        return -1; // never answers
    });
    bool eventLoopRan = false;
    QTimer::singleShot(0, [&] { eventLoopRan = true; });
    AlertAnswerer answerer;
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
    EXPECT_EQ(lookups, 1);
    EXPECT_TRUE(eventLoopRan);
    EXPECT_TRUE(QTest::qWaitFor([&] { return lookupContext.isNull(); })); // nothing is left waiting for the answer
    EXPECT_TRUE(server.requests.isEmpty());
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    EXPECT_TRUE(answerer.alerts.isEmpty());

    // An answer given later, still within the limit, goes on with the request. The
    // limit is generous here: a loaded machine must not turn this into the case above.
    checker.setTimeLimit(10000);
    checker.setReachabilityCheck([&](const QString &, QObject *context, std::function<void(bool)> answer) {
        QTimer::singleShot(20, context, [answer] { answer(true); });
        return -1;
    });
    server.body = "2.5";
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Current);
    EXPECT_EQ(server.requests.size(), 1);
    checker.setReachabilityCheck({});
}

// A check whose request cannot be made (memory ran out) fails as one without an
// answer: status and date stored, no message, and the next check runs.
TEST_F(CheckUpdateTest, ACheckThatCannotBeMadeFailsAndTheNextOneRuns)
{
    checker.setReachabilityCheck([](const QString &, QObject *, std::function<void(bool)>) -> int {
        throw std::bad_alloc();
    });
    AlertAnswerer answerer;
    EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    EXPECT_EQ(date(), platform::CalendarDate::description(Moment));
    EXPECT_TRUE(answerer.alerts.isEmpty());
    EXPECT_TRUE(server.requests.isEmpty());

    checker.setReachabilityCheck({});
    server.body = "2.5";
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Current);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus3"));
}

TEST_F(CheckUpdateTest, OversizedReplyFails)
{
    AlertAnswerer answerer;
    QByteArray big = "3.0";
    big.append(NTXCheckUpdate::DefaultMaxReplyBytes, ' ');
    // announced by its length, and streamed without one
    for (UpdateServer::Mode mode : {UpdateServer::Mode::Answer, UpdateServer::Mode::AnswerNoLength}) {
        server.mode = mode;
        server.body = big;
        EXPECT_EQ(check(false), NTXCheckUpdate::Outcome::Failed);
        EXPECT_EQ(status(), QStringLiteral("LSUPStatus2"));
    }
    EXPECT_TRUE(answerer.alerts.isEmpty());

    // A reply of exactly the limit is read.
    server.mode = UpdateServer::Mode::AnswerNoLength;
    server.body = big.left(NTXCheckUpdate::DefaultMaxReplyBytes);
    AlertAnswerer cancel(text("LScancle"));
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Newer);
}

TEST_F(CheckUpdateTest, ACheckAskedForDuringACheckDoesNothing)
{
    server.body = "2.5";
    bool nested = true;
    server.onRequest = [&]() {
        EXPECT_TRUE(checker.isChecking());
        nested = checker.check(true, [](NTXCheckUpdate::Outcome) { ADD_FAILURE() << "a refused check completed"; });
    };
    AlertAnswerer answerer;
    EXPECT_EQ(check(true), NTXCheckUpdate::Outcome::Current);
    EXPECT_FALSE(nested);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus3"));
    EXPECT_FALSE(checker.isChecking());
}

TEST_F(CheckUpdateTest, TheApplicationsCheckUsesTheSharedChecker)
{
    NTXCheckUpdate &shared = NTXCheckUpdate::sharedChecker();
    const QUrl oldServer = shared.serverURL();
    shared.setServerURL(server.url());
    shared.setUserDefaults(defaults.get());
    shared.setInstalledVersion(QStringLiteral("2.5"));
    server.body = "2.5";
    AlertAnswerer answerer;
    NTXCheckUpdate::checkForUpdate(true);
    EXPECT_TRUE(shared.isChecking());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shared.isChecking(); }));
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(status(), QStringLiteral("LSUPStatus3"));
    shared.setServerURL(oldServer);
    shared.setUserDefaults(nullptr);
    shared.setInstalledVersion(QStringLiteral(CHRONARK_VERSION_STRING));
}

// ---- Reading versions ----

TEST(CheckUpdateVersions, LeadingNumbersOfAText)
{
    using L = QList<quint32>;
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"2.5"), L({2, 5}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"  2.10.1 beta"), L({2, 10, 1}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"+3\n"), L({3}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u".5"), L({0, 5}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"2."), L({2}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"2..3"), L({2}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"v2.0"), L());
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"-1"), L());
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u""), L());
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"99999999999999999999.1"), L({999999999, 1}));
    EXPECT_EQ(NTXCheckUpdate::versionNumbers(u"1.2.3.4.5.6.7.8.9.10").size(), NTXCheckUpdate::MaxVersionNumbers);
}

TEST(CheckUpdateVersions, Comparison)
{
    EXPECT_GT(NTXCheckUpdate::compareVersions(u"2.10", u"2.9"), 0);
    EXPECT_LT(NTXCheckUpdate::compareVersions(u"2.9", u"2.10"), 0);
    EXPECT_GT(NTXCheckUpdate::compareVersions(u"2.6", u"2.5"), 0);   // as before
    EXPECT_GT(NTXCheckUpdate::compareVersions(u"3.0", u"2.5"), 0);
    EXPECT_EQ(NTXCheckUpdate::compareVersions(u"3", u"3.0.0"), 0);
    EXPECT_EQ(NTXCheckUpdate::compareVersions(u"2.5\r\n", u"2.5"), 0);
    EXPECT_LT(NTXCheckUpdate::compareVersions(u"garbage", u"0.1"), 0);
    EXPECT_EQ(NTXCheckUpdate::compareVersions(u"garbage", u"0"), 0);
    EXPECT_GT(NTXCheckUpdate::compareVersions(u"2.0.1", u"2.0.0"), 0);

    EXPECT_TRUE(NTXCheckUpdate::isNewMajorVersion(u"3.0", u"2.5"));
    EXPECT_FALSE(NTXCheckUpdate::isNewMajorVersion(u"2.10", u"2.9"));
    EXPECT_FALSE(NTXCheckUpdate::isNewMajorVersion(u"garbage", u"2.9"));
}

TEST(CheckUpdateVersions, RepliesAndTheirOutcomes)
{
    using O = NTXCheckUpdate::Outcome;
    EXPECT_EQ(NTXCheckUpdate::outcomeForReply("2.6", u"2.5"), O::Newer);
    EXPECT_EQ(NTXCheckUpdate::outcomeForReply("2.5", u"2.5"), O::Current);
    EXPECT_EQ(NTXCheckUpdate::outcomeForReply("hello", u"2.5"), O::Current);
    EXPECT_EQ(NTXCheckUpdate::outcomeForReply("", u"2.5"), O::Failed);
    EXPECT_EQ(NTXCheckUpdate::outcomeForReply("2.\xc3\xa9", u"2.5"), O::Failed);
    EXPECT_EQ(NTXCheckUpdate::statusKey(O::Failed), QStringLiteral("LSUPStatus2"));
    EXPECT_EQ(NTXCheckUpdate::statusKey(O::Current), QStringLiteral("LSUPStatus3"));
    EXPECT_EQ(NTXCheckUpdate::statusKey(O::Newer), QStringLiteral("LSUPStatus4"));
    EXPECT_EQ(NTXCheckUpdate::versionFromReply("2.5\n"), QStringLiteral("2.5\n"));
    EXPECT_FALSE(NTXCheckUpdate::versionFromReply(QByteArray()).has_value());
}

} // namespace
