// Crash reports and feedback: the posts as a loopback server receives them, the
// answers the feedback form reacts to, the crash-log and console-log reading, the
// launch check's offer (a crashing child process writes the report), and
// httpIsValid against the same server.
#include "FoundationExtensions/NTXNSURLExtension.h"
#include "NTXAppKit/reporting/NTXConsoleLog.h"
#include "NTXAppKit/reporting/NTXCrashHandler.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "NTXAppKit/reporting/NTXFeedbackProvider.h"
#include "NTXAppKit/reporting/NTXModalRunner.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/drawing/ProgressIndicator.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/PipeOpener.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include <sys/stat.h>

namespace {

QByteArray bodyOf(const QByteArray &request) { return request.mid(request.indexOf("\r\n\r\n") + 4); }
QByteArray header(const QByteArray &request, const QByteArray &name)
{
    for (const QByteArray &line : request.left(request.indexOf("\r\n\r\n")).split('\n')) {
        if (line.toLower().startsWith(QByteArray(name.toLower() + ':')))
            return line.mid(name.size() + 1).trimmed();
    }
    return QByteArray();
}

void setFileTime(const QString &path, const QDateTime &time)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

void writeText(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

class Reporting : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_defaults = std::make_unique<platform::UserDefaults>(m_dir.filePath(QStringLiteral("defaults.conf")));
        NTXCrashReporter::setUserDefaults(m_defaults.get());
        NTXFeedbackProvider::setUserDefaults(m_defaults.get());
        NTXCrashReporter::setFolders(m_dir.filePath(QStringLiteral("CrashReporter")), m_dir.filePath(QStringLiteral("console.log")));
        m_info = platform::Bundle::mainBundle().infoDictionary();
        platform::Bundle::mainBundle().setInfoDictionary({
            {QStringLiteral("CFBundleExecutable"), QStringLiteral("chronark")},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
            {QStringLiteral("NTXCrashReporterCGIURL"), m_server.url().toString()},
            {QStringLiteral("NTXFeedbackProviderCGIURL"), m_server.url().toString()},
            {QStringLiteral("NTXFeedbackSubjectPrefix"), QStringLiteral("Chronark: ")},
        });
        NTXModalRunner::setAlertRunner([this](QMessageBox &alert) {
            m_alerts.append(alert.text());
            return m_alertAnswer;
        });
        NTXModalRunner::setDialogRunner([](QDialog &) {});
    }
    void TearDown() override
    {
        NTXModalRunner::setAlertRunner(nullptr);
        NTXModalRunner::setDialogRunner(nullptr);
        NTXCrashReporter::setUserDefaults(nullptr);
        NTXFeedbackProvider::setUserDefaults(nullptr);
        NTXCrashReporter::setFolders(QString(), QString());
        NTXFeedbackProvider::setTimeLimit(platform::HttpRequest::DefaultTimeLimitMs);
        platform::Bundle::mainBundle().setInfoDictionary(m_info);
        platform::Clock::useSystemClock();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString crashFolder() const { return m_dir.filePath(QStringLiteral("CrashReporter")); }

    QTemporaryDir m_dir;
    testsupport::LoopbackHttpServer m_server;
    std::unique_ptr<platform::UserDefaults> m_defaults;
    QVariantMap m_info;
    QStringList m_alerts;
    int m_alertAnswer = 1; // "Don't Send"
};

} // namespace

TEST_F(Reporting, CrashReportPostIsByteExactAndOnlyTheSendButtonSends)
{
    auto *reporter = new NTXCrashReporter;
    reporter->reportTextView()->setPlainText(QString::fromUtf8("Signal: 11 (SIGSEGV)\nÄ"));
    reporter->describeTextView()->setPlainText(QStringLiteral("I clicked"));
    QPointer<QDialog> sending = reporter->reporterWindow();
    reporter->sendActionAbort(reporter->sendButton());
    // Posted without waiting; the window closes once the answer is in.
    EXPECT_TRUE(reporter->isSending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sending.isNull(); }));
    ASSERT_EQ(m_server.requests.size(), 1);
    const QByteArray request = m_server.requests.first();
    EXPECT_TRUE(request.startsWith("POST /cgi HTTP/1.1\r\n"));
    EXPECT_EQ(header(request, "User-Agent"), "NTXCrashReporter");
    EXPECT_EQ(header(request, "Content-Type"), "multipart/form-data; boundary=0xKhTmLbOuNdArY");
    EXPECT_EQ(bodyOf(request),
              "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"crashlog\"\r\n\r\n"
              "Signal: 11 (SIGSEGV)\n\xC3\x84"
              "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"description\"\r\n\r\nI clicked"
              "\r\n--0xKhTmLbOuNdArY--\r\n");

    auto *quiet = new NTXCrashReporter;
    QPointer<QDialog> window = quiet->reporterWindow();
    quiet->sendActionAbort(quiet->dontSendButton());
    EXPECT_EQ(m_server.requests.size(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()); // the reporter let itself go with its window
}

TEST_F(Reporting, FeedbackSucceedsOnlyWith2xxAndStoresDefaultsOnlyWhenSent)
{
    {
        auto *provider = new NTXFeedbackProvider;
        provider->showDialog();
        provider->emailAdress()->setText(QStringLiteral("me@example.org"));
        provider->closeFeedbackWindow(); // cancelled: nothing stored, nothing sent
    }
    EXPECT_FALSE(m_defaults->persistentValues().contains(NTXFeedbackProvider::EmailAddressKey));
    EXPECT_TRUE(m_server.requests.isEmpty());

    const struct { int status; bool refuse; bool success; } cases[] = {
        {200, false, true}, {500, false, false}, {0, false, false}, {200, true, false}};
    for (const auto &c : cases) {
        m_server.mode = c.status == 0 ? testsupport::LoopbackHttpServer::Mode::Stall
                                      : testsupport::LoopbackHttpServer::Mode::Answer;
        m_server.status = c.status;
        m_alerts.clear();
        // Only the stalled server is waited for to the end of the limit.
        NTXFeedbackProvider::setTimeLimit(c.status == 0 ? 1500 : 30000);
        if (c.refuse)
            platform::Bundle::mainBundle().setInfoDictionary(
                {{NTXFeedbackProvider::CGIURLKey, testsupport::LoopbackHttpServer::refusedUrl().toString()}, {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")}});
        auto *provider = new NTXFeedbackProvider;
        provider->showDialog();
        provider->subjectField()->setCurrentText(QStringLiteral("Question"));
        provider->emailAdress()->setText(QStringLiteral("me@example.org"));
        provider->messageText()->setPlainText(QStringLiteral("Hello"));
        provider->sendMeACopyButton()->setChecked(false);
        provider->sendFeedbackButtonAction();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_alerts.isEmpty(); }, 40000));
        ASSERT_EQ(m_alerts.size(), 1);
        EXPECT_EQ(m_alerts.first().contains(QStringLiteral("Thank you")), c.success) << c.status;
    }
    EXPECT_EQ(m_defaults->stringForKey(NTXFeedbackProvider::EmailAddressKey), QStringLiteral("me@example.org"));
    EXPECT_FALSE(m_defaults->boolForKey(NTXFeedbackProvider::SendMeACopyKey));

    ASSERT_GE(m_server.requests.size(), 1);
    const QByteArray request = m_server.requests.first();
    EXPECT_EQ(header(request, "User-Agent"), "NTXFeedbackProvider");
    EXPECT_EQ(bodyOf(request),
              "Content-Type: multipart/form-data; boundary=0xKhTmLbOuNdArY\r\n\r\n"
              "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"subject\"\r\n\r\nChronark: Question"
              "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"from\"\r\n\r\nme@example.org"
              "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"message\"\r\n\r\nHello"
              "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"sendmeacopy\"\r\n\r\nNO"
              "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"appversion\"\r\n\r\n2.1"
              "\r\n--0xKhTmLbOuNdArY--\r\n");
}

TEST_F(Reporting, HttpIsValid)
{
    QObject context;
    auto ask = [&](const QUrl &url) {
        std::optional<bool> verdict;
        NTXNSURLExtension::httpIsValid(url, &context, [&](bool valid) { verdict = valid; });
        EXPECT_FALSE(verdict.has_value()); // never during the call
        EXPECT_TRUE(QTest::qWaitFor([&] { return verdict.has_value(); }));
        return verdict.value_or(false);
    };
    for (const auto &[status, valid] : {std::pair{200, true}, {405, true}, {404, false}}) {
        m_server.status = status;
        EXPECT_EQ(ask(m_server.url()), valid) << status;
    }
    EXPECT_TRUE(m_server.requests.last().startsWith("HEAD /cgi"));
    EXPECT_FALSE(ask(testsupport::LoopbackHttpServer::refusedUrl()));
}

// While a report or the feedback is on its way to a server that stalls or trickles,
// its window shows the progress indicator and answers clicks; closing it cancels the
// post (the connection goes, no alert follows).
TEST_F(Reporting, SendingWindowsStayResponsiveAndClosingCancels)
{
    testsupport::LoopbackHttpServer server;
    platform::Bundle::mainBundle().setInfoDictionary({
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
        {QStringLiteral("NTXCrashReporterCGIURL"), server.url().toString()},
        {QStringLiteral("NTXFeedbackProviderCGIURL"), server.url().toString()},
    });
    int closed = 0;
    for (auto mode : {testsupport::LoopbackHttpServer::Mode::Stall, testsupport::LoopbackHttpServer::Mode::Trickle}) {
        server.mode = mode;
        m_alerts.clear();

        auto *provider = new NTXFeedbackProvider;
        provider->showDialog();
        provider->feedbackWindow()->show();
        provider->sendMeACopyButton()->setChecked(false);
        QPointer<QDialog> window = provider->feedbackWindow();
        provider->sendFeedbackButtonAction();
        const qsizetype asked = server.requests.size();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == asked + 1; }));
        const qsizetype trickled = server.trickled;
        if (mode == testsupport::LoopbackHttpServer::Mode::Trickle) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return server.trickled > trickled; })); // bytes are coming
        }
        EXPECT_TRUE(provider->isSending());
        EXPECT_TRUE(provider->progressIndicator()->isAnimating());
        EXPECT_FALSE(provider->sendButton()->isEnabled());
        // A click is answered while the post waits (the window is not held).
        QCheckBox *box = provider->sendMeACopyButton();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); // on its indicator
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->isChecked(); }));
        EXPECT_TRUE(provider->isSending());
        provider->closeFeedbackWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == closed + 1; }));
        ++closed;
        EXPECT_TRUE(m_alerts.isEmpty());

        auto *reporter = new NTXCrashReporter;
        reporter->reporterWindow()->show();
        QPointer<QDialog> reporterWindow = reporter->reporterWindow();
        reporter->sendActionAbort(reporter->sendButton());
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == asked + 2; }));
        EXPECT_TRUE(reporter->isSending());
        EXPECT_TRUE(reporter->progressIndicator()->isAnimating());
        EXPECT_TRUE(reporterWindow->isVisible());
        QTest::keyClicks(reporter->describeTextView(), QStringLiteral("typed"));
        reporter->sendActionAbort(reporter->sendButton()); // a second Send does not post twice
        QPushButton *dontSend = reporter->dontSendButton();
        QTest::mouseClick(dontSend, Qt::LeftButton, {}, dontSend->rect().center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return reporterWindow.isNull(); }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == closed + 1; }));
        ++closed;
        EXPECT_EQ(server.requests.size(), asked + 2);
    }
    EXPECT_GT(server.trickled, 0);

    // Run into the time limit, the feedback shows its error alert.
    NTXFeedbackProvider::setTimeLimit(500);
    m_alerts.clear();
    auto *provider = new NTXFeedbackProvider;
    provider->showDialog();
    provider->sendFeedbackButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_alerts.isEmpty(); }));
    EXPECT_FALSE(m_alerts.first().contains(QStringLiteral("Thank you")));
}

TEST_F(Reporting, CrashAndConsoleLogsAreReadAsTheyLie)
{
    EXPECT_TRUE(NTXCrashReporter::lastCrashReport().isEmpty());
    const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-60);
    writeText(crashFolder() + QStringLiteral("/other_1_1.crash"), "not ours");
    writeText(crashFolder() + QStringLiteral("/chronark_1_1.crash.txt"), "not a crash log");
    writeText(crashFolder() + QStringLiteral("/chronark_2_2.crash"), "same date, first name");
    writeText(crashFolder() + QStringLiteral("/chronark_3_3.crash"), "same date, later name");
    writeText(crashFolder() + QStringLiteral("/chronark_sub/4.crash"), "older\n\n**********\n\nlast report");
    setFileTime(crashFolder() + QStringLiteral("/chronark_2_2.crash"), when);
    setFileTime(crashFolder() + QStringLiteral("/chronark_3_3.crash"), when);
    setFileTime(crashFolder() + QStringLiteral("/chronark_sub/4.crash"), when.addSecs(-5));
    // Of equal dates the first in name order stays.
    EXPECT_EQ(NTXCrashReporter::pathAndNameOfCrashReportFile(), crashFolder() + QStringLiteral("/chronark_2_2.crash"));
    setFileTime(crashFolder() + QStringLiteral("/chronark_sub/4.crash"), when.addSecs(5));
    EXPECT_EQ(NTXCrashReporter::lastCrashReport(), QStringLiteral("last report"));

    writeText(m_dir.filePath(QStringLiteral("console.log")),
              "other[1]: before\nx chronark[42]: started\ny other[2]: later\n\xff\xfe broken");
    EXPECT_EQ(NTXCrashReporter::consoleLog(),
              QStringLiteral("x chronark[42]: started\ny other[2]: later\n") + QString::fromUtf8("\xff\xfe broken"));
}

// The child: dies of a null dereference with the handler installed.
__attribute__((no_sanitize("undefined"), noinline)) static void crashNow(int *where)
{
    volatile int *target = where;
    *target = 42;
}

TEST_F(Reporting, ACrashedRunIsOfferedOnceAndALaterCrashAgain)
{
    if (const QByteArray folder = qgetenv("CHRONARK_TEST_CRASH_FOLDER"); !folder.isEmpty()) {
        NTXCrashHandler::install(QString::fromLocal8Bit(folder), QStringLiteral("chronark"), QStringLiteral("2.1"));
        crashNow(nullptr);
        return;
    }
    QProcess child;
    QProcessEnvironment environment = testsupport::childEnvironment();
    environment.insert(QStringLiteral("CHRONARK_TEST_CRASH_FOLDER"), crashFolder());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=Reporting.ACrashedRunIsOfferedOnceAndALaterCrashAgain")});
    ASSERT_TRUE(child.waitForStarted(60000));
    const qint64 pid = child.processId();
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    const QString report = NTXCrashReporter::pathAndNameOfCrashReportFile();
    ASSERT_FALSE(report.isEmpty());
    EXPECT_TRUE(QFileInfo(report).fileName().endsWith(QStringLiteral("_%1.crash").arg(pid)));
    const QString text = NTXCrashReporter::lastCrashReport();
    EXPECT_TRUE(text.contains(QStringLiteral("Signal: 11 (SIGSEGV)"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("\nAddress: 0x0\n"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("Version: 2.1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Backtrace:")));

    // First launch: offered; second: not.
    const QDateTime crashed = QFileInfo(report).lastModified().toUTC();
    platform::Clock::setNow(crashed.addSecs(1));
    NTXCrashReporter::checkForCrash();
    NTXCrashReporter::checkForCrash();
    EXPECT_EQ(m_alerts.size(), 1);
    EXPECT_EQ(NTXCrashReporter::lastCheckDate(), crashed.addSecs(1));

    // A crash 10 s after that check is new (a float date would round it away).
    const QString later = crashFolder() + QStringLiteral("/chronark_9_9.crash");
    writeText(later, "later");
    setFileTime(later, crashed.addSecs(11));
    NTXCrashReporter::checkForCrash();
    EXPECT_EQ(m_alerts.size(), 2);

    // A date stored as a float by an older version still reads.
    m_defaults->setFloat(1.5e9f, NTXCrashReporter::LastCrashReportDateKey);
    EXPECT_EQ(NTXCrashReporter::lastCheckDate().toSecsSinceEpoch(), qint64(1.5e9f));
}

// A crash signal that a process sent has no faulting address: the report says who
// sent it. The child aborts (it sends itself SIGABRT), or waits until this process
// sends it SIGSEGV.
TEST_F(Reporting, ASignalSentByAProcessIsReportedWithTheSenderInsteadOfAnAddress)
{
    const QByteArray kind = qgetenv("CHRONARK_TEST_SENT_SIGNAL");
    if (const QByteArray folder = qgetenv("CHRONARK_TEST_CRASH_FOLDER"); !folder.isEmpty() && !kind.isEmpty()) {
        NTXCrashHandler::install(QString::fromLocal8Bit(folder), QStringLiteral("chronark"), QStringLiteral("2.1"));
        if (kind == "abort")
            std::abort();
        // Ready; then blocked until the parent's signal ends the process.
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        char line[8];
        while (std::fgets(line, sizeof line, stdin)) {
        }
        return;
    }
    for (const char *mode : {"abort", "kill"}) {
        QDir(crashFolder()).removeRecursively();
        QProcess child;
        QProcessEnvironment environment = testsupport::childEnvironment();
        environment.insert(QStringLiteral("CHRONARK_TEST_CRASH_FOLDER"), crashFolder());
        environment.insert(QStringLiteral("CHRONARK_TEST_SENT_SIGNAL"), QString::fromLatin1(mode));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=Reporting.ASignalSentByAProcessIsReportedWithTheSenderInsteadOfAnAddress")});
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        ASSERT_TRUE(child.waitForStarted(60000));
        const qint64 pid = child.processId();
        qint64 sender = pid;
        if (qstrcmp(mode, "kill") == 0) {
            while (!child.readAllStandardOutput().contains("ready"))
                ASSERT_TRUE(child.waitForReadyRead(60000));
            ASSERT_EQ(::kill(pid_t(pid), SIGSEGV), 0);
            sender = QCoreApplication::applicationPid();
        }
        ASSERT_TRUE(child.waitForFinished(60000));
        const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << mode;
        const QString text = NTXCrashReporter::lastCrashReport();
        const bool killed = qstrcmp(mode, "kill") == 0;
        const QString signal = killed ? QStringLiteral("Signal: 11 (SIGSEGV)") : QStringLiteral("Signal: 6 (SIGABRT)");
        EXPECT_TRUE(text.contains(signal)) << mode << qPrintable(text);
        const QString address = killed ? QStringLiteral("\nAddress: none, the signal was sent by process %1\n").arg(sender)
                                       : QStringLiteral("\nAddress: none, the program stopped itself with SIGABRT\n");
        EXPECT_TRUE(text.contains(address)) << mode << qPrintable(text);
        EXPECT_FALSE(text.contains(QStringLiteral("Address: 0x"))) << mode;
        EXPECT_FALSE(text.contains(QStringLiteral("process %1").arg(pid))) << "never names itself as the sender";

        // The file holds the time in UTC; the report read shows it as a local date
        // and time, between the child's start and its end.
        QFile file(NTXCrashReporter::pathAndNameOfCrashReportFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString raw = QString::fromUtf8(file.readAll());
        const QRegularExpressionMatch utc =
            QRegularExpression(QStringLiteral("\nTime: (\\S+)\n")).match(raw);
        ASSERT_TRUE(utc.hasMatch()) << qPrintable(raw);
        const QDateTime written = QDateTime::fromString(utc.captured(1), Qt::ISODate);
        ASSERT_TRUE(written.isValid()) << qPrintable(utc.captured(1));
        EXPECT_EQ(written.timeSpec(), Qt::UTC) << qPrintable(utc.captured(1));
        EXPECT_GE(written, before);
        EXPECT_LE(written, after);
        const QRegularExpressionMatch local = QRegularExpression(
            QStringLiteral("\nTime: (\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d)( \\S+)?\n")).match(text);
        ASSERT_TRUE(local.hasMatch()) << qPrintable(text);
        EXPECT_EQ(QDateTime::fromString(local.captured(1), QStringLiteral("dd.MM.yyyy HH:mm:ss")).toUTC(), written);
    }
}

// A report's time, as the handler writes it (UTC) or as earlier versions did
// (seconds since 1970), reads as the local date and time of that moment; other
// lines, and a line that only looks like a time, stay as they are.
TEST_F(Reporting, TheReportsTimeReadsAsALocalDateAndTime)
{
    const auto localInstant = [](const QString &text) {
        const QRegularExpressionMatch m = QRegularExpression(
            QStringLiteral("^Time: (\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d)( \\S+)?$"),
            QRegularExpression::MultilineOption).match(text);
        return m.hasMatch() ? QDateTime::fromString(m.captured(1), QStringLiteral("dd.MM.yyyy HH:mm:ss")).toUTC()
                            : QDateTime();
    };
    // 2000-02-29 12:34:56 UTC, a leap day; 2026-12-08 17:06:57 UTC; 2100-03-01 00:00:01 UTC.
    const QList<std::pair<QString, QDateTime>> cases{
        {QStringLiteral("2000-02-29T12:34:56Z"), QDateTime(QDate(2000, 2, 29), QTime(12, 34, 56), Qt::UTC)},
        {QStringLiteral("1796749617"), QDateTime(QDate(2026, 12, 8), QTime(17, 6, 57), Qt::UTC)},
        {QStringLiteral("2100-03-01T00:00:01Z"), QDateTime(QDate(2100, 3, 1), QTime(0, 0, 1), Qt::UTC)},
    };
    for (const auto &[written, instant] : cases) {
        SCOPED_TRACE(written.toStdString());
        const QString report = QStringLiteral("Process: chronark [7]\nTime: %1\n\nBacktrace:\nTime: x\n").arg(written);
        const QString shown = NTXCrashHandler::localTimeLines(report);
        EXPECT_EQ(localInstant(shown), instant) << qPrintable(shown);
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Process: chronark [7]\nTime: "))) << qPrintable(shown);
        EXPECT_TRUE(shown.endsWith(QStringLiteral("\n\nBacktrace:\nTime: x\n"))) << qPrintable(shown);
        EXPECT_FALSE(shown.contains(written));
    }
    EXPECT_EQ(NTXCrashHandler::localTimeLines(QStringLiteral("no time here")), QStringLiteral("no time here"));
}

// The offer names the application as the user knows it and is as wide as its title
// and text need: the title fits a title bar beside its buttons, the text wraps at
// a readable measure.
TEST_F(Reporting, TheCrashOfferNamesTheApplicationAndFitsItsTitle)
{
    QVariantMap info = platform::Bundle::mainBundle().infoDictionary();
    info.insert(QStringLiteral("CFBundleName"), QStringLiteral("Chronark"));
    platform::Bundle::mainBundle().setInfoDictionary(info);
    EXPECT_EQ(NTXCrashReporter::displayName(), QStringLiteral("Chronark"));
    EXPECT_EQ(NTXCrashReporter::applicationName(), QStringLiteral("chronark"));

    std::unique_ptr<QMessageBox> alert = NTXCrashReporter::makeCrashAlert();
    EXPECT_TRUE(alert->informativeText().startsWith(QStringLiteral("Chronark "))) << qPrintable(alert->informativeText());
    EXPECT_FALSE(alert->informativeText().contains(QStringLiteral("chronark")));
    alert->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(alert.get()));
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int titleBar = alert->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, alert.get());
    // The title and the bar's icon and buttons (four bar heights at least).
    EXPECT_GE(alert->width(), QFontMetrics(titleFont).horizontalAdvance(alert->windowTitle()) + 4 * titleBar);
    // About 50 characters a line: the message takes at most a few lines.
    const QFontMetrics text(alert->font());
    EXPECT_GE(alert->width(), text.averageCharWidth() * 50);
    EXPECT_GE(alert->width(), NTXModalRunner::minimumAlertWidth(*alert));
    alert->hide();

    // Without a bundle name the application's display name serves.
    info.remove(QStringLiteral("CFBundleName"));
    platform::Bundle::mainBundle().setInfoDictionary(info);
    EXPECT_EQ(NTXCrashReporter::displayName(), QGuiApplication::applicationDisplayName());
}

// Pipes in the places of the console log and of a crash report are never opened: a
// reader or writer waiting at their other ends stays waiting, and nothing waits here.
TEST_F(Reporting, PipesInThePlacesOfTheLogsAreNeitherOpenedNorWaitedFor)
{
    const QString log = m_dir.filePath(QStringLiteral("state/Chronark/console.log"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(log).absolutePath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    NTXCrashReporter::setFolders(crashFolder(), log);
    {
        testsupport::PipeOpener reader(log, O_RDONLY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reader.isWaitingInOpen(); }, 10000));
        NTXConsoleLog::install(log, QStringLiteral("chronark"));
        NTXConsoleLog::append(QStringLiteral("a line for nobody"));
        NTXConsoleLog::uninstall();
        EXPECT_TRUE(reader.isWaitingInOpen());
    }
    {
        testsupport::PipeOpener writer(log, O_WRONLY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
        EXPECT_TRUE(NTXCrashReporter::consoleLog().isEmpty());
        EXPECT_TRUE(writer.isWaitingInOpen());
    }
    const QString report = crashFolder() + QStringLiteral("/chronark_5_5.crash");
    ASSERT_TRUE(QDir().mkpath(crashFolder()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(report).constData(), 0600), 0);
    {
        testsupport::PipeOpener writer(report, O_WRONLY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
        EXPECT_TRUE(NTXCrashReporter::lastCrashReport().isEmpty());
        EXPECT_TRUE(writer.isWaitingInOpen());
    }
    // A regular log in its place is written as ever.
    ASSERT_TRUE(QFile::remove(log));
    NTXConsoleLog::install(log, QStringLiteral("chronark"));
    NTXConsoleLog::append(QStringLiteral("written"));
    NTXConsoleLog::uninstall();
    EXPECT_TRUE(NTXCrashReporter::consoleLog().endsWith(QStringLiteral("written\n"))) << qPrintable(NTXCrashReporter::consoleLog());
}

// Links in the places of the console log and of a crash report are never written
// through: the files they name stay as they were. The child waits, links are put at
// every name its report could take, and then it is sent SIGSEGV.
TEST_F(Reporting, LinksInThePlacesOfTheLogsAreNeverWrittenThrough)
{
    const QString victim = m_dir.filePath(QStringLiteral("victim"));
    writeText(victim, "untouched");
    const QString log = m_dir.filePath(QStringLiteral("state/Chronark/console.log"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(log).absolutePath()));
    ASSERT_TRUE(QFile::link(victim, log));
    NTXConsoleLog::install(log, QStringLiteral("chronark"));
    NTXConsoleLog::append(QStringLiteral("a line for nobody"));
    NTXConsoleLog::uninstall();
    EXPECT_TRUE(QFileInfo(log).isSymLink());
    EXPECT_EQ(testsupport::readFile(victim), "untouched");

    ASSERT_TRUE(QDir().mkpath(crashFolder()));
    QProcess child;
    QProcessEnvironment environment = testsupport::childEnvironment();
    environment.insert(QStringLiteral("CHRONARK_TEST_CRASH_FOLDER"), crashFolder());
    environment.insert(QStringLiteral("CHRONARK_TEST_SENT_SIGNAL"), QStringLiteral("kill"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=Reporting.ASignalSentByAProcessIsReportedWithTheSenderInsteadOfAnAddress")});
    ASSERT_TRUE(child.waitForStarted(60000));
    while (!child.readAllStandardOutput().contains("ready"))
        ASSERT_TRUE(child.waitForReadyRead(60000));
    const qint64 pid = child.processId();
    // The report is named after the moment of the crash: links for the next minute.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (qint64 second = now - 1; second < now + 60; ++second)
        ASSERT_TRUE(QFile::link(victim, crashFolder() + QStringLiteral("/chronark_%1_%2.crash").arg(second).arg(pid)));
    ASSERT_EQ(::kill(pid_t(pid), SIGSEGV), 0);
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(testsupport::readFile(victim), "untouched");
    for (const QFileInfo &entry : QDir(crashFolder()).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        EXPECT_TRUE(entry.isSymLink()) << qPrintable(entry.fileName());
}
