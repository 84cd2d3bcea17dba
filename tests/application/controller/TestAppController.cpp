// The application controller offscreen: defaults, the one instance, launch, autosave,
// the tray icon's menu, the hot key's action with its status window, sleep and
// quitting. The hot-key service only records (the X server is tested on the desktop).
#include "TestAppControllerSupport.h"
#include "application/document/DocumentToolbar.h"
#include "tests/application/document/TestMyDocumentSupport.h"

#include <tuple>
#include <QSignalSpy>

#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "NTXAppKit/reporting/NTXModalRunner.h"
#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/preferences/TimeRegistrationPrefPanel.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/StandardMenus.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/desktop/ApplicationInstance.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/FileEvents.h"
#include "tests/support/HeldPool.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/SystemCallFilter.h"
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFileDialog>
#include <QLineEdit>
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDialog>
#include <QMainWindow>
#include <QProgressDialog>
#include <QSemaphore>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QToolBar>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>

#include <QDeadlineTimer>
#include <QProcess>

#include <algorithm>
#include <functional>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace appcontrollertest;
using mydoctest::drainEvents;
using mydoctest::waitForMessageBox;
using platform::localized;

namespace {

constexpr quint32 Control = 0x40000, Option = 0x80000, Shift = 0x20000;

// What each document window holds the moment it is first shown: its title, the
// outline's top-level rows, and what the test counted by then.
class FirstShowWatcher : public QObject
{
public:
    struct Shown
    {
        QString title;
        int rows = -1;
        int counted = 0;
    };
    explicit FirstShowWatcher(std::function<int()> count = {}) : m_count(std::move(count))
    {
        qApp->installEventFilter(this);
    }
    ~FirstShowWatcher() override { qApp->removeEventFilter(this); }
    QList<Shown> shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *window = qobject_cast<DocumentWindow *>(watched)) {
                QAbstractItemModel *model = window->outlineView()->model();
                shown.append({window->windowTitle(), model ? model->rowCount() : -1, m_count ? m_count() : 0});
            }
        }
        return false;
    }

private:
    std::function<int()> m_count;
};

// The document windows there are, shown or not.
int documentWindowCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<DocumentWindow *>(widget) ? 1 : 0;
    return count;
}

// The alert showing now (the alerts of failed opens have no parent), else null.
QMessageBox *visibleAlert()
{
    QMessageBox *found = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            found = box;
    }
    return found;
}

QMessageBox *waitForAlert()
{
    QMessageBox *found = nullptr;
    (void)QTest::qWaitFor([&] { return (found = visibleAlert()) != nullptr; }, 10000);
    return found;
}

// Counts the openings of a file for reading or writing (inotify's IN_OPEN; a handle
// that opens nothing, as a look at a file's kind takes, does not count).
class OpenCounter : public testsupport::FileEvents
{
public:
    // Closings too: two like events in a row would be told as one.
    explicit OpenCounter(const QString &path) : FileEvents(path, IN_OPEN | IN_CLOSE) {}
    // The openings since the last call.
    int openings() { return take(IN_OPEN); }
};

class AppControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetProgramDefaults();
        ASSERT_EQ(AppController::existingSharedAppController(), nullptr);
        HKHotKeyCenter::setHotKeyGrabber(&grabber);
        testDocumentServices()->soundPlayer = [this](const QString &name) { sounds.append(name); };
        testDocumentServices()->idleSecondsSource = [] { return 0.0; };
        ASSERT_TRUE(files.isValid());
    }

    void TearDown() override
    {
        destroyController(controller);
        controller = nullptr;
        EXPECT_EQ(AppController::existingSharedAppController(), nullptr);
        EXPECT_EQ(testDocumentServices()->runningCounters, 0);
        HKHotKeyCenter::setHotKeyGrabber(nullptr);
        testDocumentServices()->soundPlayer = {};
        testDocumentServices()->idleSecondsSource = {};
    }

    platform::UserDefaults &defaults() { return programDefaults(); }

    AppController *start()
    {
        controller = makeController();
        return controller;
    }

    MyDocument *newDocument(bool display = false)
    {
        return qobject_cast<MyDocument *>(controller->openUntitledDocument(display));
    }

    // A document with a file: saved once under the name.
    MyDocument *savedDocument(const QString &name)
    {
        MyDocument *document = newDocument();
        addJob(document, QStringLiteral("Filed"));
        document->setFilePath(files.filePath(name));
        bool saved = false;
        document->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return saved; }, 5000));
        return document;
    }

    void postPrefsChanged() { platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification); }

    // The controller over services of its own, which have set no application icon yet;
    // no window icon and no untitled document at launch.
    void createWithoutIcon()
    {
        QGuiApplication::setWindowIcon(QIcon());
        defaults().setBool(false, OpenEmptyDocumentKey);
        AppController::Services services;
        services.defaults = &programDefaults();
        services.notifier = new platform::DesktopNotifier(unreachableBus());
        services.sleepMonitor = new platform::SleepMonitor(unreachableBus());
        services.logoutInhibitor = new platform::LogoutInhibitor(unreachableBus());
        services.documentServices = std::make_shared<DocumentServices>();
        services.documentServices->soundPlayer = [](const QString &) {};
        controller = AppController::create(services);
    }

    static QString startTitle(const QString &path) { return QStringLiteral("  ") + localized("LSstart") + QStringLiteral(": ") + path; }
    static QString stopTitle(const QString &path) { return QStringLiteral("  ") + localized("LSstop") + QStringLiteral(": ") + path; }

    testsupport::ScopedXdgHome home;
    QTemporaryDir files;
    RecordingGrabber grabber;
    AppController *controller = nullptr;
    QStringList sounds;
};

// ---- Defaults and the one instance ----

TEST_F(AppControllerTest, RegistersTheThirtyDefaultsWithTheirValues)
{
    start();
    const auto table = DefaultsKeys::registeredDefaultsTable(QString());
    ASSERT_EQ(table.size(), 30);
    for (const auto &[key, value] : table)
        EXPECT_TRUE(defaults().objectForKey(key).isValid()) << key.toStdString();
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("OpenEmptyDocument")));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("OpenLastEditedDoc")));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("AutoSaveTimer")), 0);
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("ShowChronarkMenu")));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("RUZStopTimerWhenSleep")));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ChronarkKeyCode")), -1);
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("AcceptHotKey")));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("AllwaysMutely")));
    EXPECT_DOUBLE_EQ(defaults().doubleForKey(QStringLiteral("RUZStopTimerWhenInactiveTime")), 5.0);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("UpdateStatus")), QStringLiteral("LSUPStatus1"));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("UpdateDate")), QStringLiteral("-"));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("RUZExportEncodingNew")), 4);
}

TEST_F(AppControllerTest, OneControllerPerProcessIsTheSharedDocumentController)
{
    start();
    EXPECT_EQ(AppController::getSharedAppController(), controller);
    EXPECT_EQ(platform::DocumentController::sharedDocumentController(), controller);

    // A second construction answers the first and drops what it was handed.
    AppController::Services services;
    QPointer<platform::DesktopNotifier> notifier = new platform::DesktopNotifier(unreachableBus());
    services.notifier = notifier;
    EXPECT_EQ(AppController::create(services), controller);
    EXPECT_TRUE(notifier.isNull());
    EXPECT_EQ(controller->notifier()->applicationName(), QStringLiteral("Chronark"));

    // The document type is registered: new documents are the application's.
    EXPECT_NE(newDocument(), nullptr);
}

// ---- Hot key at launch ----

TEST_F(AppControllerTest, NoHotKeyForANegativeOrUnusableStoredKeyCode)
{
    start();
    EXPECT_FALSE(controller->hotKeyRegisteredAtLaunch());
    destroyController(controller);
    controller = nullptr;

    for (const QVariant &stored : {QVariant(300), QVariant(65536 + 96), QVariant(QStringLiteral("F5")),
                                   QVariant(QVariantList{1, 2})}) {
        defaults().setObject(stored, ChronarkKeyCodeKey);
        start();
        EXPECT_FALSE(controller->hotKeyRegisteredAtLaunch()) << stored.toString().toStdString();
        destroyController(controller);
        controller = nullptr;
    }
    // Nothing ever reached the desktop.
    EXPECT_TRUE(grabber.grabs.isEmpty());
}

TEST_F(AppControllerTest, StoredHotKeyIsRegisteredForTheControllerAndGivenBackWithIt)
{
    defaults().setInteger(96, ChronarkKeyCodeKey);
    defaults().setInteger(Control | Option | Shift, ChronarkKeyModifierKey);
    start();
    EXPECT_TRUE(controller->hotKeyRegisteredAtLaunch());
    ASSERT_EQ(grabber.grabs.size(), 1);
    EXPECT_EQ(grabber.grabs.first().first, 96);
    EXPECT_EQ(grabber.grabs.first().second, Control | Option | Shift);
    const HKHotKeyCenter::HotKeys hotKeys = controller->hotKeyCenter().registeredHotKeys();
    ASSERT_EQ(hotKeys.size(), 1);
    EXPECT_EQ(hotKeys.first()->target(), controller);
    EXPECT_EQ(hotKeys.first()->action(), QByteArray("chronarkHotKeyDown:"));

    destroyController(controller);
    controller = nullptr;
    EXPECT_EQ(grabber.ungrabs, QList<quint16>({96}));
    EXPECT_TRUE(HKHotKeyCenter().registeredHotKeys().isEmpty());
}

// ---- Launch ----

TEST_F(AppControllerTest, LaunchOpensAnUntitledDocumentOnlyWhenAsked)
{
    start();
    controller->launch({});
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_TRUE(controller->documents().first()->filePath().isEmpty());
    destroyController(controller);

    defaults().setBool(false, OpenEmptyDocumentKey);
    start();
    controller->launch({});
    EXPECT_TRUE(controller->documents().isEmpty());
}

TEST_F(AppControllerTest, LaunchOffersANewCrashReportAndTheMenuSendsFeedback)
{
    QTemporaryDir state;
    NTXCrashReporter::setFolders(state.filePath(QStringLiteral("CrashReporter")), state.filePath(QStringLiteral("console.log")));
    NTXCrashReporter::setUserDefaults(&defaults());
    ASSERT_TRUE(testsupport::writeFile(state.filePath(QStringLiteral("CrashReporter/chronark_1_1.crash")), "Signal: 11 (SIGSEGV)\n"));
    int offered = 0;
    QStringList windows;
    NTXModalRunner::setAlertRunner([&](QMessageBox &) { ++offered; return 1; });
    NTXModalRunner::setDialogRunner([&](QDialog &window) { windows.append(window.objectName()); window.reject(); });
    start();
    controller->launch({});
    EXPECT_EQ(offered, 1);

    QMenuBar bar;
    controller->installApplicationMenu(&bar);
    QAction *feedback = nullptr;
    for (QAction *item : bar.actions().first()->menu()->actions()) {
        if (item->text().remove(QLatin1Char('&')) == QStringLiteral("Send Feedback…"))
            feedback = item;
    }
    ASSERT_NE(feedback, nullptr);
    feedback->trigger();
    EXPECT_EQ(windows, QStringList{QStringLiteral("feedbackWindow")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    NTXModalRunner::setAlertRunner(nullptr);
    NTXModalRunner::setDialogRunner(nullptr);
    NTXCrashReporter::setUserDefaults(nullptr);
    NTXCrashReporter::setFolders(QString(), QString());
}

TEST_F(AppControllerTest, LaunchReopensTheLastEditedDocumentInsteadOfAnUntitledOne)
{
    start();
    const QString path = savedDocument(QStringLiteral("last.chronark"))->filePath();
    destroyController(controller);

    defaults().setBool(true, OpenLastEditedDocKey);
    defaults().setString(path, LestEditedFileNameKey);
    start();
    controller->launch({});
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_EQ(controller->documents().first()->filePath(), path);
    destroyController(controller);

    // Set, but with no file name: an untitled document as usual.
    defaults().setString(QString(), LestEditedFileNameKey);
    start();
    controller->launch({});
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_TRUE(controller->documents().first()->filePath().isEmpty());
}

TEST_F(AppControllerTest, LaunchOpensTheFilesGivenAndAnUnreadableLastFileDoesNotStopIt)
{
    start();
    const QString path = savedDocument(QStringLiteral("given.chronark"))->filePath();
    destroyController(controller);

    defaults().setBool(true, OpenLastEditedDocKey);
    defaults().setString(files.filePath(QStringLiteral("gone.chronark")), LestEditedFileNameKey);
    defaults().setBool(true, UpdateAutoSearchKey);
    start();
    QList<bool> checks;
    controller->setUpdateChecker([&](bool silent) { checks.append(silent); });
    controller->launch({path});
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_EQ(controller->documents().first()->filePath(), path);
    // The silent check runs once the event loop turns.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !checks.isEmpty(); }, 5000));
    EXPECT_EQ(checks, QList<bool>({true}));
    EXPECT_NE(controller->preferenceController(), nullptr);
}

// The application's own launch reads its files on a pool thread: the window shows
// once the file is read, with the file's content from its first showing; the
// update check and the preferences window controller come after.
TEST_F(AppControllerTest, ALaunchReadingAheadShowsTheWindowWithTheFilesContentFromTheStart)
{
    start();
    const QString path = savedDocument(QStringLiteral("ahead.chronark"))->filePath();
    destroyController(controller);
    ASSERT_EQ(documentWindowCount(), 0);

    defaults().setBool(true, UpdateAutoSearchKey);
    start();
    QList<bool> checks;
    controller->setUpdateChecker([&](bool silent) { checks.append(silent); });
    FirstShowWatcher watcher([&] { return int(checks.size()); });
    DocumentReadAhead ahead;
    controller->launch({path}, &ahead);
    // Opened in the pass in which the read ends.
    EXPECT_TRUE(controller->documents().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->documents().isEmpty(); }, 30000));
    ASSERT_EQ(controller->documents().size(), 1);
    auto *document = qobject_cast<MyDocument *>(controller->documents().first());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->filePath(), path);
    EXPECT_FALSE(document->isDocumentEdited());
    ASSERT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_EQ(document->jobList()->childAtIndex(0)->itemName(), QStringLiteral("Filed"));
    EXPECT_TRUE(document->mainWindow()->isVisible());
    // One window, shown once, already with the job and the file's name.
    ASSERT_EQ(watcher.shown.size(), 1);
    EXPECT_TRUE(watcher.shown.first().title.startsWith(QStringLiteral("\u2068ahead.chronark\u2069")))
        << qPrintable(watcher.shown.first().title);
    EXPECT_EQ(watcher.shown.first().rows, 1);
    EXPECT_EQ(watcher.shown.first().counted, 0);
    EXPECT_EQ(documentWindowCount(), 1);

    EXPECT_TRUE(QTest::qWaitFor([&] { return !checks.isEmpty() && controller->preferenceController(); }, 10000));
    EXPECT_EQ(checks, QList<bool>({true}));
    EXPECT_EQ(controller->recentDocumentPaths().value(0), path);

    // The tree read ahead is handed over once: a revert reads the file as it is now.
    {
        NodePtr root = Node::create(Node::Root);
        NodePtr job = Node::create(Node::Job);
        job->setItemName(QStringLiteral("Changed on disk"));
        root->addChild(job);
        ASSERT_TRUE(DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *root, DocumentValuesStore()));
    }
    ASSERT_TRUE(document->revertToSaved());
    ASSERT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_EQ(document->jobList()->childAtIndex(0)->itemName(), QStringLiteral("Changed on disk"));
}

// The launch's later work goes on when a part of it fails (memory ran out): an update
// check that throws is logged at its own entry and leaves the preferences window
// controller to be made.
TEST_F(AppControllerTest, AnUpdateCheckFailingAtTheLaunchLeavesThePreferencesToBeMade)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    start();
    const QString path = savedDocument(QStringLiteral("later.chronark"))->filePath();
    destroyController(controller);

    defaults().setBool(true, UpdateAutoSearchKey);
    start();
    int checks = 0;
    controller->setUpdateChecker([&](bool) {
        ++checks;
        throw std::bad_alloc();
    });
    testsupport::CapturedLog log("chronark.exceptions");
    DocumentReadAhead ahead;
    controller->launch({path}, &ahead);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->preferenceController() != nullptr; }, 30000));
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(log.linesContaining(QStringLiteral("the launch's update check")).size(), 1);
}

// A file that cannot be read gives the alert a launch without reading ahead gives,
// and the untitled document opens as it would; the window made meanwhile is the
// untitled document's, or goes when none opens.
TEST_F(AppControllerTest, ALaunchReadingAheadReportsAFileThatCannotBeReadAsBefore)
{
    const QString broken = files.filePath(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document>"));
    struct Outcome
    {
        QString text;
        QString reason;
        int documents = -1;
        bool untitled = false;
        int windows = -1;
        int openings = -1;
    };
    auto launchWith = [&](bool readingAhead, bool untitled) {
        defaults().setBool(untitled, OpenEmptyDocumentKey);
        start();
        OpenCounter counter(broken);
        EXPECT_TRUE(counter.isWatching());
        DocumentReadAhead ahead;
        controller->launch({broken}, readingAhead ? &ahead : nullptr);
        Outcome outcome;
        if (QMessageBox *box = waitForAlert()) {
            outcome.text = box->text();
            outcome.reason = box->informativeText();
            box->accept();
        }
        testsupport::settleEvents();
        // Read once either way: the refusal of the read ahead stands.
        outcome.openings = counter.openings();
        outcome.documents = int(controller->documents().size());
        outcome.untitled = outcome.documents == 1 && controller->documents().first()->filePath().isEmpty();
        outcome.windows = documentWindowCount();
        destroyController(controller);
        controller = nullptr;
        return outcome;
    };
    for (bool untitled : {true, false}) {
        SCOPED_TRACE(untitled);
        const Outcome before = launchWith(false, untitled);
        const Outcome now = launchWith(true, untitled);
        EXPECT_TRUE(before.text.contains(QStringLiteral("“\u2068broken.chronark\u2069”"))) << qPrintable(before.text);
        EXPECT_FALSE(before.reason.isEmpty());
        EXPECT_EQ(now.text, before.text);
        EXPECT_EQ(now.reason, before.reason);
        EXPECT_EQ(now.documents, untitled ? 1 : 0);
        EXPECT_EQ(now.untitled, untitled);
        EXPECT_EQ(now.windows, untitled ? 1 : 0);
        EXPECT_EQ(before.openings, 1);
        EXPECT_EQ(now.openings, 1);
    }
}

// The application's icon is set by the launch itself, before anything shows: an
// alert about a file at launch carries it as a first window would.
TEST_F(AppControllerTest, ALaunchReadingAheadSetsTheApplicationIconBeforeAnythingShows)
{
    const QString broken = files.filePath(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document>"));
    const QImage application = ApplicationImages::iconNamed(QStringLiteral("application.icns")).pixmap(32).toImage();
    ASSERT_FALSE(application.isNull());
    auto shownIcon = [] { return QGuiApplication::windowIcon().pixmap(32).toImage(); };
    createWithoutIcon();
    DocumentReadAhead ahead;
    controller->launch({broken}, &ahead);
    EXPECT_EQ(shownIcon(), application);
    QMessageBox *box = waitForAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(shownIcon(), application);
    box->accept();
    testsupport::settleEvents();
}

TEST_F(AppControllerTest, ALaunchWithoutReadAheadSetsTheApplicationIconToo)
{
    const QImage application = ApplicationImages::iconNamed(QStringLiteral("application.icns")).pixmap(32).toImage();
    ASSERT_FALSE(application.isNull());
    createWithoutIcon();
    controller->launch({});
    EXPECT_EQ(QGuiApplication::windowIcon().pixmap(32).toImage(), application);
}

// The launch has Qt's MIME database read off the GUI thread, before a file dialog needs
// it: run again as a child whose test main leaves the database unread, with a MIME
// folder of its own, the launch has that folder's package read while the GUI thread
// waits here, in no event loop.
TEST_F(AppControllerTest, TheLaunchHasTheMimeDatabaseReadOffTheGuiThread)
{
    const QString probeName = QStringLiteral("chronark-probe.xml");
    if (const QByteArray probe = qgetenv("CHRONARK_TEST_MIME_PACKAGES"); !probe.isEmpty()) {
        const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, probe.constData(), IN_OPEN), 0);
        start();
        controller->launch({});
        bool read = false;
        const QDeadlineTimer deadline(60000);
        while (!read && !deadline.hasExpired()) {
            pollfd ready{watch, POLLIN, 0};
            if (::poll(&ready, 1, int(std::max<qint64>(1, deadline.remainingTime()))) <= 0)
                continue;
            alignas(inotify_event) char events[4096];
            const ssize_t got = ::read(watch, events, sizeof events);
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(events + at);
                read = read || (event->len > 0 && QString::fromLocal8Bit(event->name) == probeName);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        ::close(watch);
        EXPECT_TRUE(read) << "the launch left Qt's MIME database unread";
        return;
    }
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    const QString packages = data.filePath(QStringLiteral("mime/packages"));
    ASSERT_TRUE(testsupport::writeFile(
        packages + QLatin1Char('/') + probeName,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-chronark-probe\">\n    <comment>Probe</comment>\n"
        "    <glob pattern=\"*.chronark-probe\"/>\n  </mime-type>\n</mime-info>\n"));
    QProcessEnvironment environment = testsupport::childEnvironment();
    environment.insert(QStringLiteral("CHRONARK_TEST_MIME_PACKAGES"), packages);
    environment.insert(QStringLiteral("CHRONARK_TEST_POOL_UNPREPARED"), QStringLiteral("1"));
    const QString system = environment.value(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), data.path() + QLatin1Char(':') + system);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=AppControllerTest.TheLaunchHasTheMimeDatabaseReadOffTheGuiThread")});
    ASSERT_TRUE(child.waitForStarted(60000));
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << qPrintable(output);
    EXPECT_EQ(child.exitCode(), 0) << qPrintable(output);
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << qPrintable(output);
}

// A quit while the files are read ends the launch there: nothing opens or shows
// afterwards, and the window made meanwhile goes.
TEST_F(AppControllerTest, AQuitWhileTheLaunchsFilesAreReadOpensNothing)
{
    start();
    const QString path = savedDocument(QStringLiteral("quit.chronark"))->filePath();
    destroyController(controller);

    start();
    QList<bool> checks;
    controller->setUpdateChecker([&](bool silent) { checks.append(silent); });
    defaults().setBool(true, UpdateAutoSearchKey);
    FirstShowWatcher watcher;
    QSignalSpy terminating(controller, &platform::DocumentController::willTerminate);
    DocumentReadAhead ahead;
    controller->launch({path}, &ahead);
    controller->terminate(nullptr);
    EXPECT_EQ(terminating.count(), 1);
    QThreadPool::globalInstance()->waitForDone();
    testsupport::settleEvents();
    EXPECT_TRUE(controller->documents().isEmpty());
    EXPECT_TRUE(watcher.shown.isEmpty());
    EXPECT_EQ(documentWindowCount(), 0);
    EXPECT_TRUE(checks.isEmpty());
    EXPECT_EQ(visibleAlert(), nullptr);
}

// A controller that goes while the files are read takes what the launch prepared
// with it: no window is left behind for the documents of a later controller.
TEST_F(AppControllerTest, AControllerGoneWhileTheLaunchsFilesAreReadLeavesNothingBehind)
{
    start();
    const QString path = savedDocument(QStringLiteral("gone.chronark"))->filePath();
    destroyController(controller);

    start();
    DocumentReadAhead ahead;
    controller->launch({path}, &ahead);
    // Gone before any event pass: the read's answer has not come back.
    delete controller;
    controller = nullptr;
    destroyController(nullptr);
    QThreadPool::globalInstance()->waitForDone();
    testsupport::settleEvents();
    EXPECT_EQ(documentWindowCount(), 0);

    start();
    FirstShowWatcher watcher;
    controller->launch({});
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_TRUE(controller->documents().first()->filePath().isEmpty());
    ASSERT_EQ(watcher.shown.size(), 1);
    EXPECT_EQ(watcher.shown.first().rows, 0);
    EXPECT_EQ(documentWindowCount(), 1);
}

// The last edited document is read ahead with the files named.
TEST_F(AppControllerTest, ALaunchReadingAheadReopensTheLastEditedDocument)
{
    start();
    const QString named = savedDocument(QStringLiteral("named.chronark"))->filePath();
    const QString last = savedDocument(QStringLiteral("last.chronark"))->filePath();
    destroyController(controller);

    defaults().setBool(true, OpenLastEditedDocKey);
    defaults().setString(last, LestEditedFileNameKey);
    start();
    FirstShowWatcher watcher;
    DocumentReadAhead ahead;
    controller->launch({named}, &ahead);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().size() == 2; }, 30000));
    EXPECT_EQ(controller->documents().at(0)->filePath(), named);
    EXPECT_EQ(controller->documents().at(1)->filePath(), last);
    ASSERT_EQ(watcher.shown.size(), 2);
    for (const FirstShowWatcher::Shown &shown : watcher.shown)
        EXPECT_EQ(shown.rows, 1) << qPrintable(shown.title);
    // Both trees were taken: nothing is left to offer.
    EXPECT_TRUE(ahead.take(named).isEmpty());
    EXPECT_TRUE(ahead.take(last).isEmpty());
}

TEST_F(AppControllerTest, PreferencesWindowHasTheFourPanesAndTheHotKeyTarget)
{
    start();
    QList<bool> checks;
    controller->setUpdateChecker([&](bool silent) { checks.append(silent); });
    controller->launch({});
    NTXPreferenceWindowController *preferences = controller->preferenceController();
    ASSERT_NE(preferences, nullptr);
    for (const QString &identifier : AppController::preferencePaneIdentifiers())
        EXPECT_NE(preferences->prefPaneWithIdentifier(identifier), nullptr) << identifier.toStdString();
    EXPECT_EQ(AppController::preferencePaneIdentifiers(),
              QStringList({"GeneralPrefPanel", "TimeRegistrationPrefPanel", "SoundPrefPanel", "UpdatePreferencePanel"}));
    EXPECT_FALSE(preferences->usesConfigurationPane());
    EXPECT_FALSE(preferences->sortByCategory());
    auto *timePane = qobject_cast<TimeRegistrationPrefPanel *>(
        preferences->prefPaneWithIdentifier(QStringLiteral("TimeRegistrationPrefPanel")));
    ASSERT_NE(timePane, nullptr);
    EXPECT_EQ(timePane->hotKeyTarget(), controller);
    EXPECT_EQ(timePane->hotKeyAction(), QByteArray("chronarkHotKeyDown:"));

    controller->showPreferences(nullptr);
    ASSERT_NE(preferences->existingWindow(), nullptr);
    EXPECT_TRUE(preferences->existingWindow()->isVisible());
    EXPECT_EQ(preferences->activePane(), preferences->prefPaneWithIdentifier(QStringLiteral("GeneralPrefPanel")));
    preferences->close();

    // The menu command checks loudly; no check at launch without "UpdateAutoSearch".
    controller->checkForUpdates(nullptr);
    EXPECT_EQ(checks, QList<bool>({false}));
}

// Every pane, the narrow "Update" one too, shows the whole toolbar of panes: no
// item goes behind the overflow button.
TEST_F(AppControllerTest, ThePreferencesWindowIsNeverNarrowerThanItsToolbar)
{
    start();
    controller->launch({});
    NTXPreferenceWindowController *preferences = controller->preferenceController();
    ASSERT_NE(preferences, nullptr);
    controller->showPreferences(nullptr);
    NTXWindow *window = preferences->existingWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto *toolbar = window->findChild<QToolBar *>();
    ASSERT_NE(toolbar, nullptr);
    for (const QString &identifier : AppController::preferencePaneIdentifiers()) {
        SCOPED_TRACE(identifier.toStdString());
        ASSERT_TRUE(preferences->selectPaneWithIdentifier(identifier));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isAnimatingFrame(); }, 5000));
        QCoreApplication::processEvents();
        EXPECT_GE(window->width(), toolbar->sizeHint().width());
        EXPECT_GE(toolbar->width(), toolbar->sizeHint().width());
        for (QAction *item : toolbar->actions()) {
            QWidget *button = toolbar->widgetForAction(item);
            ASSERT_NE(button, nullptr);
            EXPECT_TRUE(button->isVisible()) << item->text().toStdString();
        }
    }
    preferences->selectPaneWithIdentifier(AppController::preferencePaneIdentifiers().first());
    preferences->close();
}

// ---- Autosave ----

TEST_F(AppControllerTest, AutosaveTimerFollowsThePreferenceAndSavesOnlyEditedFiledDocuments)
{
    start();
    EXPECT_EQ(controller->autoSaveTimer(), nullptr);

    defaults().setInteger(5, AutoSaveTimerKey);
    postPrefsChanged();
    ASSERT_NE(controller->autoSaveTimer(), nullptr);
    EXPECT_TRUE(controller->autoSaveTimer()->isActive());
    EXPECT_FALSE(controller->autoSaveTimer()->isSingleShot());
    EXPECT_EQ(controller->autoSaveTimer()->interval(), 5 * 60 * 1000);

    MyDocument *filed = savedDocument(QStringLiteral("auto.chronark"));
    MyDocument *untitled = newDocument();
    addJob(filed, QStringLiteral("Added later"));
    filed->updateChangeCount(platform::Document::ChangeType::Done);
    untitled->updateChangeCount(platform::Document::ChangeType::Done);
    ASSERT_TRUE(filed->isDocumentEdited());

    // A clean document is not rewritten: what the reader skips in its file stays.
    MyDocument *clean = savedDocument(QStringLiteral("clean.chronark"));
    QByteArray cleanBytes = testsupport::readFile(clean->filePath());
    cleanBytes.replace("</Chronark>", "<kept note=\"the reader skips this\"/></Chronark>");
    ASSERT_TRUE(testsupport::writeFile(clean->filePath(), cleanBytes));
    ASSERT_TRUE(clean->revertToSaved());
    ASSERT_FALSE(clean->isDocumentEdited());

    controller->doTimer(controller->autoSaveTimer());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !filed->isDocumentEdited(); }, 5000));
    EXPECT_EQ(testsupport::readFile(clean->filePath()), cleanBytes);
    EXPECT_TRUE(untitled->isDocumentEdited());
    EXPECT_TRUE(untitled->filePath().isEmpty());
    QFile file(filed->filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Added later"));

    defaults().setInteger(0, AutoSaveTimerKey);
    postPrefsChanged();
    EXPECT_EQ(controller->autoSaveTimer(), nullptr);
}

// The autosave tick passes over a document whose file another program changed, and
// tells the person once per change, with the choices of a save by hand; after Cancel
// the window's title says that the document is not autosaved, until it is saved.
TEST_F(AppControllerTest, AutosaveOverAFileChangedElsewhereAsksThePersonOncePerChange)
{
    defaults().setInteger(5, AutoSaveTimerKey);
    start();
    ASSERT_NE(controller->autoSaveTimer(), nullptr);
    MyDocument *document = savedDocument(QStringLiteral("shared.chronark"));
    document->showWindows();
    QByteArray theirs = changeHereAndElsewhere(document);

    controller->doTimer(controller->autoSaveTimer());
    QMessageBox *box = waitForAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The file has been changed by another application since you opened or saved it."));
    EXPECT_TRUE(box->informativeText().contains(QFileInfo(document->filePath()).fileName())) << qPrintable(box->informativeText());
    ASSERT_NE(box->button(QMessageBox::Save), nullptr);
    EXPECT_EQ(box->button(QMessageBox::Save)->text(), QStringLiteral("&Save Anyway"));
    ASSERT_NE(box->button(QMessageBox::Cancel), nullptr);
    EXPECT_EQ(box->parentWidget(), document->mainWindow());
    const QString title = document->mainWindow()->windowTitle();
    EXPECT_FALSE(title.contains(QStringLiteral("not autosaved"))) << "not while the person is asked";
    QPointer<QMessageBox> first(box);
    box->button(QMessageBox::Cancel)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first || !first->isVisible(); }));
    // Until the person saves, the window says that the document is not autosaved.
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->mainWindow()->windowTitle() != title; }));
    EXPECT_TRUE(document->mainWindow()->windowTitle().contains(QStringLiteral("shared.chronark")));
    EXPECT_TRUE(document->mainWindow()->windowTitle().contains(
        QStringLiteral("not autosaved: the file was changed by another application")))
        << qPrintable(document->mainWindow()->windowTitle());

    // The next tick: the same change, nothing asked, nothing written.
    controller->doTimer(controller->autoSaveTimer());
    drainEvents();
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(testsupport::readFile(document->filePath()), theirs);
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_NE(document->mainWindow()->windowTitle(), title);

    // Changed once more: asked again; Save Anyway writes the document's own.
    theirs.replace("Their job", "Their other job");
    ASSERT_TRUE(testsupport::writeFile(document->filePath(), theirs));
    controller->doTimer(controller->autoSaveTimer());
    box = waitForAlert();
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Save)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, 20000));
    EXPECT_TRUE(testsupport::readFile(document->filePath()).contains("Mine"));
    EXPECT_EQ(document->mainWindow()->windowTitle(), title) << "saved: autosaved again";
}

TEST_F(AppControllerTest, OddAutosaveValuesNeverMakeABrokenTimer)
{
    defaults().setInteger(-3, AutoSaveTimerKey);
    start();
    EXPECT_EQ(controller->autoSaveTimer(), nullptr);
    defaults().setInteger(qint64(1) << 40, AutoSaveTimerKey);
    postPrefsChanged();
    ASSERT_NE(controller->autoSaveTimer(), nullptr);
    EXPECT_GT(controller->autoSaveTimer()->interval(), 0);
    defaults().setString(QStringLiteral("soon"), AutoSaveTimerKey);
    postPrefsChanged();
    EXPECT_EQ(controller->autoSaveTimer(), nullptr);
}

// ---- Tray icon and its menu ----

TEST_F(AppControllerTest, TrayIconExistsExactlyWhileTheMenuIsShown)
{
    start();
    EXPECT_EQ(controller->appsStatusItem(), nullptr);
    EXPECT_TRUE(qApp->quitOnLastWindowClosed());

    // Made once the desktop's tray has answered (at once when it has before).
    defaults().setBool(true, ShowChronarkMenuKey);
    postPrefsChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->appsStatusItem() != nullptr; }, 10000));
    QPointer<QSystemTrayIcon> first = controller->appsStatusItem();
    EXPECT_EQ(first->contextMenu(), controller->appDockMenu());
    EXPECT_EQ(controller->statusItemImageName(), QStringLiteral("entry_time2.tif"));
    EXPECT_FALSE(first->icon().isNull());
    // Closing the last window quits only when there is no tray to reach us through.
    EXPECT_EQ(qApp->quitOnLastWindowClosed(), !QSystemTrayIcon::isSystemTrayAvailable());
    postPrefsChanged();
    EXPECT_EQ(controller->appsStatusItem(), first.data());

    defaults().setBool(false, ShowChronarkMenuKey);
    postPrefsChanged();
    EXPECT_EQ(controller->appsStatusItem(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 2000));

    // On again: a new one showing whether a counter runs.
    MyDocument *document = newDocument();
    document->setActiveJob(addJob(document, QStringLiteral("Acme")));
    document->startTimerForJob(nullptr);
    defaults().setBool(true, ShowChronarkMenuKey);
    postPrefsChanged();
    ASSERT_NE(controller->appsStatusItem(), nullptr);
    EXPECT_EQ(controller->statusItemImageName(), QStringLiteral("entry_timeRun.png"));
    document->stopTimer(controller);
    EXPECT_EQ(controller->statusItemImageName(), QStringLiteral("entry_time2.tif"));
}

TEST_F(AppControllerTest, MenuListsTheJobsOfEachDocumentWithTheActiveOneFirst)
{
    start();
    MyDocument *first = newDocument();
    const NodePtr clients = addGroup(first, QStringLiteral("Clients"));
    const NodePtr acme = addJob(first, QStringLiteral("Acme"), clients);
    const NodePtr intern = addJob(first, QStringLiteral("Intern"));
    const NodePtr done = addJob(first, QStringLiteral("Done"));
    done->setExecuted(true);
    first->setActiveJob(acme);
    MyDocument *empty = newDocument();
    (void)empty;
    MyDocument *second = newDocument();
    const NodePtr website = addJob(second, QStringLiteral("Website"));

    QMenu *menu = controller->applicationDockMenu();
    EXPECT_EQ(menu->title(), QStringLiteral("DockMenu"));
    EXPECT_EQ(jobMenuTitles(menu),
              QStringList({first->displayName(), startTitle("Clients/Acme"), "-", startTitle("Intern"),
                           startTitle("Done"), second->displayName(), startTitle("Website")}));
    QAction *header = menuItemTitled(menu, first->displayName());
    ASSERT_NE(header, nullptr);
    EXPECT_FALSE(header->isEnabled());
    QAction *activeItem = menuItemTitled(menu, startTitle("Clients/Acme"));
    ASSERT_NE(activeItem, nullptr);
    EXPECT_TRUE(activeItem->isEnabled());
    EXPECT_EQ(platform::MenuItemValidation::action(activeItem), QByteArray("menuToggleSelected:"));
    EXPECT_EQ(platform::MenuItemValidation::representedObject(activeItem).value<NodePtr>(), acme);
    EXPECT_EQ(platform::MenuItemValidation::target(activeItem), controller);
    EXPECT_TRUE(activeItem->shortcut().isEmpty());
    EXPECT_EQ(platform::MenuItemValidation::action(menuItemTitled(menu, startTitle("Website"))),
              QByteArray("menuSelected:"));

    // Done jobs hidden, but the active job always shows.
    defaults().setBool(true, ChronarkMenuHideDoneJobsKey);
    acme->setExecuted(true);
    controller->buildMenu();
    EXPECT_EQ(jobMenuTitles(menu), QStringList({first->displayName(), startTitle("Clients/Acme"), "-",
                                                startTitle("Intern"), second->displayName(), startTitle("Website")}));
    (void)website;
    (void)intern;
}

// Hosts that show the exported menu never click: the menu follows without a request.
TEST_F(AppControllerTest, MenuFollowsDocumentsAsTheyOpenAreRenamedAndClose)
{
    start();
    MyDocument *document = savedDocument(QStringLiteral("Plans.chronark"));
    QMenu *menu = controller->appDockMenu();
    EXPECT_EQ(jobMenuTitles(menu), QStringList({document->displayName(), startTitle("Filed")}));
    document->setFilePath(files.filePath(QStringLiteral("Renamed.chronark")));
    EXPECT_EQ(jobMenuTitles(menu), QStringList({document->displayName(), startTitle("Filed")}));
    EXPECT_TRUE(document->displayName().contains(QStringLiteral("Renamed")));
    document->close();
    EXPECT_TRUE(jobMenuTitles(menu).isEmpty());
}

TEST_F(AppControllerTest, MenuShowsNamesAsWrittenWithoutMnemonicsOrLineBreaks)
{
    start();
    MyDocument *document = newDocument();
    const NodePtr clients = addGroup(document, QStringLiteral("Clients & <Co>"));
    addJob(document, QStringLiteral("R&D"), clients);
    addJob(document, QStringLiteral("Tab\there"));
    addJob(document, QStringLiteral("Two\r\nlines\nhere"));
    document->setFilePath(files.filePath(QStringLiteral("Q&A.chronark")));

    QMenu *menu = controller->applicationDockMenu();
    // '&' doubled is one literal '&' on screen; tabs and breaks are blanks.
    EXPECT_EQ(jobMenuTitles(menu),
              QStringList({QString(document->displayName()).replace(QStringLiteral("&"), QStringLiteral("&&")),
                           startTitle("Clients && <Co>/R&&D"), startTitle("Tab here"), startTitle("Two lines here")}));
    EXPECT_TRUE(document->displayName().contains(QStringLiteral("Q&A")));
    EXPECT_NE(menuItemTitled(menu, startTitle("Clients && <Co>/R&&D")), nullptr);
}

TEST_F(AppControllerTest, RunningCounterShowsAMarkedStopItemAndTheMenuFollowsStartsAndStops)
{
    start();
    MyDocument *document = newDocument();
    const NodePtr clients = addGroup(document, QStringLiteral("Clients"));
    const NodePtr acme = addJob(document, QStringLiteral("Acme"), clients);
    addJob(document, QStringLiteral("Intern"));
    document->setActiveJob(acme);
    QSignalSpy rebuilt(controller, &AppController::menuRebuilt);

    document->startTimerForJob(nullptr); // the toolbar's start
    EXPECT_GE(rebuilt.count(), 1);
    QMenu *menu = controller->appDockMenu();
    EXPECT_EQ(jobMenuTitles(menu), QStringList({document->displayName(), stopTitle("Clients/Acme"), "-", startTitle("Intern")}));
    QAction *stop = menuItemTitled(menu, stopTitle("Clients/Acme"));
    ASSERT_NE(stop, nullptr);
    EXPECT_TRUE(stop->isCheckable());
    EXPECT_TRUE(stop->isChecked());

    // Choosing the stop item stops silently.
    defaults().setBool(false, AllwaysMutelyKey);
    postPrefsChanged();
    sounds.clear();
    platform::MenuItemValidation::sendItemAction(stop);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_TRUE(sounds.isEmpty()) << sounds.join(',').toStdString();
    EXPECT_EQ(jobMenuTitles(menu), QStringList({document->displayName(), startTitle("Clients/Acme"), "-", startTitle("Intern")}));
    drainEvents(); // the chosen item went with the old menu
}

TEST_F(AppControllerTest, ChoosingAnotherJobWhileCountingLeavesTwoEntries)
{
    start();
    defaults().setBool(false, AllwaysMutelyKey);
    defaults().setString(QStringLiteral("StartTune"), StartSoundKey);
    defaults().setString(QStringLiteral("StopTune"), StopSoundKey);
    MyDocument *document = newDocument();
    const NodePtr acme = addJob(document, QStringLiteral("Acme"));
    const NodePtr intern = addJob(document, QStringLiteral("Intern"));
    document->setActiveJob(acme);
    document->startTimerForJob(nullptr);
    sounds.clear();

    QAction *other = menuItemTitled(controller->appDockMenu(), startTitle("Intern"));
    ASSERT_NE(other, nullptr);
    platform::MenuItemValidation::sendItemAction(other);
    EXPECT_TRUE(document->timerIsRunning());
    EXPECT_EQ(document->getActiveJob(), intern);
    EXPECT_EQ(sounds, QStringList({"StartTune"})); // the stop was silent, the start was not
    ASSERT_NE(acme->getDayNode(), nullptr);
    ASSERT_NE(intern->getDayNode(), nullptr);
    EXPECT_EQ(acme->getDayNode()->childrenCount(), 1);
    EXPECT_EQ(intern->getDayNode()->childrenCount(), 1);
    EXPECT_EQ(testDocumentServices()->runningCounters, 1);
    drainEvents();
}

TEST_F(AppControllerTest, MenuItemsOfJobsThatLeftDoNothing)
{
    start();
    MyDocument *document = newDocument();
    const NodePtr acme = addJob(document, QStringLiteral("Acme"));
    QAction *item = controller->constructMenuItem(QStringLiteral("x"), "menuSelected:", acme);
    EXPECT_TRUE(item->isEnabled());
    document->jobList()->delChild(acme);
    controller->menuSelected(item);
    controller->menuToggleSelected(item);
    controller->menuAction(item);
    EXPECT_FALSE(document->timerIsRunning());
    // Neither a foreign sender nor an item without a job does anything.
    controller->menuSelected(controller);
    QAction *none = controller->constructMenuItem(QStringLiteral("y"), "menuSelected:", nullptr);
    EXPECT_FALSE(none->isEnabled());
    controller->menuSelected(none);
    delete item;
    delete none;
}

TEST_F(AppControllerTest, MenuActionOnlyStarts)
{
    start();
    MyDocument *document = newDocument();
    const NodePtr acme = addJob(document, QStringLiteral("Acme"));
    document->setActiveJob(acme);
    std::unique_ptr<QAction> item(controller->constructMenuItem(QStringLiteral("x"), "menuAction:", acme));
    controller->menuAction(item.get());
    EXPECT_TRUE(document->timerIsRunning());
    controller->menuAction(item.get());
    EXPECT_TRUE(document->timerIsRunning());
}

// ---- Sleep and quitting ----

TEST_F(AppControllerTest, SleepStopsRunningCountersOnlyWhenSet)
{
    start();
    defaults().setBool(false, AllwaysMutelyKey);
    MyDocument *document = newDocument();
    document->setActiveJob(addJob(document, QStringLiteral("Acme")));
    document->startTimerForJob(nullptr);
    sounds.clear();

    // The lock that delays sleep is wanted while counting, as long as sleep stops.
    EXPECT_TRUE(controller->sleepMonitor()->wantsInhibitor());
    defaults().setBool(false, StopTimerWhenSleepKey);
    postPrefsChanged();
    EXPECT_FALSE(controller->sleepMonitor()->wantsInhibitor());
    controller->receiveSleepNote(nullptr);
    EXPECT_TRUE(document->timerIsRunning());

    defaults().setBool(true, StopTimerWhenSleepKey);
    postPrefsChanged();
    EXPECT_TRUE(controller->sleepMonitor()->wantsInhibitor());
    controller->receiveSleepNote(nullptr);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_TRUE(sounds.isEmpty());
    EXPECT_FALSE(controller->sleepMonitor()->wantsInhibitor());
}

TEST_F(AppControllerTest, CancelInTheReviewAtQuitLeavesEveryCounterRunning)
{
    start();
    defaults().setBool(false, AllwaysMutelyKey);
    MyDocument *one = newDocument(true);
    MyDocument *two = newDocument(true);
    one->setActiveJob(addJob(one, QStringLiteral("One")));
    two->setActiveJob(addJob(two, QStringLiteral("Two")));
    one->startTimerForJob(nullptr);
    two->startTimerForJob(nullptr);
    ASSERT_EQ(testDocumentServices()->runningCounters, 2);
    const NodePtr entry = one->timerNode();
    sounds.clear();

    QSignalSpy terminating(controller, &platform::DocumentController::willTerminate);
    controller->terminate(nullptr);
    // Both are edited: the review asks about one of them while both still count.
    QMessageBox *box = waitForMessageBox(one->mainWindow());
    if (!box)
        box = waitForMessageBox(two->mainWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(one->timerIsRunning() && two->timerIsRunning());
    box->button(QMessageBox::Cancel)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isVisible(); }, 5000));
    QCoreApplication::processEvents();

    // Nothing changed: both count on, with the same entries.
    EXPECT_EQ(terminating.count(), 0);
    EXPECT_EQ(controller->documents().size(), 2);
    EXPECT_TRUE(one->timerIsRunning() && two->timerIsRunning());
    EXPECT_EQ(one->timerNode(), entry);
    EXPECT_TRUE(entry->active());
    EXPECT_EQ(testDocumentServices()->runningCounters, 2);
    EXPECT_TRUE(sounds.isEmpty()) << sounds.join(',').toStdString();
}

// Time counted after a save is a change: the review at quit offers to save it, and
// the saved file holds the last tick.
TEST_F(AppControllerTest, TimeCountedAfterTheSaveIsReviewedAtQuitAndSaved)
{
    platform::Clock::setNow(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC));
    start();
    MyDocument *document = savedDocument(QStringLiteral("counted.chronark"));
    document->setActiveJob(document->jobList()->childAtIndex(0));
    document->startTimerForJob(nullptr);
    document->counter().timer()->stop(); // ticks are made by hand here
    bool saved = false;
    document->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved; }, 5000));
    ASSERT_FALSE(document->isDocumentEdited());

    platform::Clock::advance(10 * 60 * 1000);
    document->doTimer();
    EXPECT_TRUE(document->isDocumentEdited());
    // Once: the next tick adds no change to take back.
    platform::Clock::advance(60 * 1000);
    document->doTimer();
    const QDateTime lastTick = document->timerNode()->lDate();
    EXPECT_TRUE(document->undoManager()->undoActionName().isEmpty());
    EXPECT_FALSE(document->undoManager()->canUndo());

    QSignalSpy terminating(controller, &platform::DocumentController::willTerminate);
    QStringList posted;
    QList<bool> editedWhenPosted;
    auto poster = testDocumentServices()->notificationPoster;
    testDocumentServices()->notificationPoster = [&](const QString &message, const QString &title) {
        // The stop is told before the file is written (the save makes it clean).
        posted.append(title);
        editedWhenPosted.append(document->isDocumentEdited());
        if (poster)
            poster(message, title);
    };
    controller->terminate(nullptr);
    QMessageBox *box = waitForMessageBox(document->mainWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(document->timerIsRunning()) << "the counter stops once the quit goes ahead";
    const QString path = document->filePath();
    box->button(QMessageBox::Save)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminating.count() == 1; }, 5000));
    testDocumentServices()->notificationPoster = poster;
    EXPECT_EQ(posted, QStringList{localized(QStringLiteral("LSGrowlTimerStoppedTitle"))});
    EXPECT_EQ(editedWhenPosted, QList<bool>{true});

    DocumentFileFormat::ReadResult result;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(path, MyDocument::TypeName, result));
    const NodePtr entry = result.root->childAtIndex(0)->childAtIndex(0)->childAtIndex(0);
    EXPECT_EQ(entry->lDate().toSecsSinceEpoch(), lastTick.toSecsSinceEpoch());
    EXPECT_EQ(entry->minutes(), 11);
    platform::Clock::useSystemClock();
}

// A stop after a save while counting is a change too.
TEST_F(AppControllerTest, AStopAfterASaveWhileCountingMarksTheDocumentEdited)
{
    start();
    MyDocument *document = savedDocument(QStringLiteral("stopped.chronark"));
    document->setActiveJob(document->jobList()->childAtIndex(0));
    document->startTimerForJob(nullptr);
    document->counter().timer()->stop();
    bool saved = false;
    document->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved; }, 5000));
    ASSERT_FALSE(document->isDocumentEdited());
    document->stopTimer(nullptr);
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

// ---- Hot key action and the status window ----

TEST_F(AppControllerTest, HotKeyTogglesTheFrontDocumentAndFadesTheStatusWindow)
{
    start();
    MyDocument *document = newDocument(true);
    const NodePtr acme = addJob(document, QStringLiteral("Acme"));
    document->setActiveJob(acme);

    // Not accepted: nothing.
    controller->chronarkHotKeyDown(nullptr);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(controller->chronarkStatusWindow(), nullptr);

    defaults().setBool(true, AcceptHotKeyKey);
    controller->chronarkHotKeyDown(nullptr);
    EXPECT_TRUE(document->timerIsRunning());
    TransparentWindow *window = controller->chronarkStatusWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(controller->chronarkStatusTextField()->text(), localized("LSstarted"));
    const QColor started = controller->chronarkStatusTextField()->palette().color(QPalette::WindowText);
    EXPECT_GT(started.blue(), started.red());
    EXPECT_EQ(controller->chronarkStatusJobNameTextField()->text(), QStringLiteral("Acme"));
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(qAbs(window->geometry().center().x() - screen.center().x()), 1);

    QPointer<QVariantAnimation> fade = controller->chronarkStatusWindowAnimation();
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->state(), QAbstractAnimation::Running);
    EXPECT_EQ(fade->duration(), 3500);
    EXPECT_EQ(fade->easingCurve().type(), QEasingCurve::InQuad);
    fade->setCurrentTime(1750);
    EXPECT_GT(controller->statusWindowOpacity(), 0.5); // ease-in: slow at first
    EXPECT_LT(controller->statusWindowOpacity(), 1.0);

    // Again at once: the first fade is dropped, the window says "stopped" in red.
    // The new fade starts at full opacity; it runs on while the old one goes, so the
    // opacity is read before any event is handled.
    controller->chronarkHotKeyDown(nullptr);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_DOUBLE_EQ(controller->statusWindowOpacity(), 1.0);
    EXPECT_EQ(controller->chronarkStatusTextField()->text(), localized("LSstopped"));
    const QColor stopped = controller->chronarkStatusTextField()->palette().color(QPalette::WindowText);
    EXPECT_GT(stopped.red(), stopped.blue());
    EXPECT_TRUE(QTest::qWaitFor([&] { return fade.isNull(); }, 2000));
    QPointer<QVariantAnimation> second = controller->chronarkStatusWindowAnimation();
    ASSERT_NE(second, nullptr);

    // Faded out: the window goes.
    second->setCurrentTime(3500);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(controller->chronarkStatusWindowAnimation(), nullptr);
}

TEST_F(AppControllerTest, HotKeyWithoutADocumentWindowOrActiveJobDoesNothing)
{
    start();
    defaults().setBool(true, AcceptHotKeyKey);
    MyDocument *hidden = newDocument(false);
    hidden->setActiveJob(addJob(hidden, QStringLiteral("Hidden")));
    controller->chronarkHotKeyDown(nullptr);
    EXPECT_FALSE(hidden->timerIsRunning());

    MyDocument *shown = newDocument(true);
    addJob(shown, QStringLiteral("Not active"));
    shown->setActiveJob(nullptr);
    controller->chronarkHotKeyDown(nullptr);
    EXPECT_FALSE(shown->timerIsRunning());
    EXPECT_EQ(controller->chronarkStatusWindow(), nullptr);
}

TEST_F(AppControllerTest, FrontDocumentIsTheOneWhoseWindowWasActiveLast)
{
    start();
    defaults().setBool(true, AcceptHotKeyKey);
    MyDocument *one = newDocument(true);
    MyDocument *two = newDocument(true);
    one->setActiveJob(addJob(one, QStringLiteral("One")));
    two->setActiveJob(addJob(two, QStringLiteral("Two")));

    two->mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(two->mainWindow()));
    one->mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(one->mainWindow()));
    EXPECT_EQ(controller->frontmostDocument(), one);
    // Another application in front: the order of our windows still counts.
    two->mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(two->mainWindow()));
    EXPECT_EQ(controller->frontmostDocument(), two);
    controller->chronarkHotKeyDown(nullptr);
    EXPECT_TRUE(two->timerIsRunning());
    EXPECT_FALSE(one->timerIsRunning());

    // The active document window got the application menu, first in its bar.
    auto *mainWindow = qobject_cast<QMainWindow *>(two->mainWindow());
    ASSERT_NE(mainWindow, nullptr);
    QList<QAction *> menus = mainWindow->menuBar()->actions();
    ASSERT_FALSE(menus.isEmpty());
    ASSERT_NE(menus.first()->menu(), nullptr);
    EXPECT_EQ(menus.first()->menu()->objectName(), QStringLiteral("applicationMenu"));
    controller->installApplicationMenu(mainWindow->menuBar());
    EXPECT_EQ(mainWindow->menuBar()->findChildren<QMenu *>(QStringLiteral("applicationMenu"), Qt::FindDirectChildrenOnly).size(), 1);
}

// A window made while an alert of the launch holds the focus (it never becomes the
// active window before the alert goes) has the application menu from the start.
TEST_F(AppControllerTest, AWindowMadeWhileAnAlertIsUpHasTheApplicationMenu)
{
    start();
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Launch"), QStringLiteral("An alert of the launch"));
    alert.setWindowModality(Qt::ApplicationModal);
    alert.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&alert));
    for (MyDocument *document : {newDocument(false), newDocument(true)}) {
        auto *mainWindow = qobject_cast<QMainWindow *>(document->mainWindow());
        ASSERT_NE(mainWindow, nullptr);
        const QList<QAction *> menus = mainWindow->menuBar()->actions();
        ASSERT_FALSE(menus.isEmpty());
        ASSERT_NE(menus.first()->menu(), nullptr);
        EXPECT_EQ(menus.first()->menu()->objectName(), QStringLiteral("applicationMenu"));
        EXPECT_EQ(mainWindow->menuBar()->findChildren<QMenu *>(QStringLiteral("applicationMenu"), Qt::FindDirectChildrenOnly).size(), 1);
    }
    alert.hide();
}

// Every menu title and command of a document window's menu bar can be reached from
// the keyboard: each has a mnemonic ("&" before a letter, not "&&"), the standard
// commands have their standard keys. The start/stop item keeps the counter's own
// title; the Open Recent entries are file names.
TEST_F(AppControllerTest, EveryMenuOfTheDocumentWindowHasMnemonics)
{
    start();
    MyDocument *document = newDocument();
    auto *mainWindow = qobject_cast<QMainWindow *>(document->mainWindow());
    ASSERT_NE(mainWindow, nullptr);
    controller->installApplicationMenu(mainWindow->menuBar());
    const QRegularExpression mnemonic(QStringLiteral("(^|[^&])&[^&]"));
    int checked = 0;
    for (QAction *title : mainWindow->menuBar()->actions()) {
        ASSERT_NE(title->menu(), nullptr);
        EXPECT_TRUE(title->text().contains(mnemonic)) << title->text().toStdString();
        Q_EMIT title->menu()->aboutToShow();
        for (QAction *item : title->menu()->actions()) {
            if (item->isSeparator() || platform::MenuItemValidation::action(item) == "toggleTimer:")
                continue;
            EXPECT_TRUE(item->text().contains(mnemonic)) << item->text().toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 20);
    platform::StandardMenus *standard = document->documentWindow()->standardMenus();
    ASSERT_NE(standard, nullptr);
    for (const auto &[action, key] : {std::pair{"performClose:", QKeySequence::Close},
                                      std::pair{"terminate:", QKeySequence::Quit},
                                      std::pair{"undo:", QKeySequence::Undo}, std::pair{"redo:", QKeySequence::Redo}})
        EXPECT_EQ(standard->itemWithAction(action)->shortcut(), QKeySequence(key)) << action;
    // Save As and Preferences have keys under every desktop: Ctrl+Shift+S and Ctrl+,
    // where the platform binds none to them.
    QAction *preferences = nullptr;
    for (QAction *item : mainWindow->menuBar()->actions().first()->menu()->actions()) {
        if (platform::MenuItemValidation::action(item) == "showPreferences:")
            preferences = item;
    }
    ASSERT_NE(preferences, nullptr);
    for (const auto &[item, key, own] :
         {std::tuple{standard->itemWithAction("saveDocumentAs:"), QKeySequence::SaveAs, QStringLiteral("Ctrl+Shift+S")},
          std::tuple{preferences, QKeySequence::Preferences, QStringLiteral("Ctrl+,")}}) {
        const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
        EXPECT_EQ(item->shortcuts(), bindings.isEmpty() ? QList<QKeySequence>{QKeySequence(own)} : bindings)
            << item->text().toStdString();
    }
}

// Menu, toolbar and context-menu items are wired by action names; a name that no
// object answers is a dead item. Every item of the document window's menu bar (with
// the application menu and the dock menu), of its toolbar (with the menus of its
// items) and of the outline's context menu reaches an object with a method of that
// name: its own target, or a responder of the chain with the window active.
TEST_F(AppControllerTest, EveryMenuToolbarAndContextMenuItemReachesAResponder)
{
    start();
    MyDocument *document = newDocument(true);
    addJob(document, QStringLiteral("Wired"));
    auto *mainWindow = qobject_cast<QMainWindow *>(document->mainWindow());
    ASSERT_NE(mainWindow, nullptr);
    controller->installApplicationMenu(mainWindow->menuBar());
    mainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow));

    // The objects an action can reach: the chain as it stands, and every widget of
    // the window with the responder that follows it (the focus may be on any of them
    // when the item is used).
    QList<QObject *> responders = platform::responderChain();
    for (QWidget *widget : mainWindow->findChildren<QWidget *>()) {
        responders.append(widget);
        if (QObject *next = platform::nextResponder(widget)) // a view's controller after it
            responders.append(next);
    }
    ASSERT_TRUE(responders.contains(document));
    ASSERT_TRUE(responders.contains(controller));

    int checked = 0;
    auto check = [&](const QByteArray &action, QObject *target, const QString &where) {
        if (action.isEmpty())
            return;
        ++checked;
        if (target) {
            EXPECT_TRUE(platform::respondsTo(target, action.constData()))
                << where.toStdString() << ": " << action.constData() << " is not answered by its target";
            return;
        }
        const bool answered = std::any_of(responders.begin(), responders.end(), [&](QObject *responder) {
            return platform::respondsTo(responder, action.constData());
        });
        EXPECT_TRUE(answered) << where.toStdString() << ": no responder answers " << action.constData();
    };
    std::function<void(QMenu *, const QString &)> walk = [&](QMenu *menu, const QString &where) {
        Q_EMIT menu->aboutToShow(); // menus that fill themselves when they open
        for (QAction *item : menu->actions()) {
            if (item->isSeparator())
                continue;
            const QString path = where + QStringLiteral(" > ") + item->text();
            check(platform::MenuItemValidation::action(item), platform::MenuItemValidation::target(item), path);
            if (item->menu())
                walk(item->menu(), path);
        }
    };

    for (QAction *title : mainWindow->menuBar()->actions()) {
        ASSERT_NE(title->menu(), nullptr);
        walk(title->menu(), title->text());
    }
    if (QMenu *dock = controller->applicationDockMenu())
        walk(dock, QStringLiteral("tray"));
    ASSERT_NE(document->windowController().outlineMenu(), nullptr);
    walk(document->windowController().outlineMenu(), QStringLiteral("outline context menu"));
    QToolBar *toolbar = document->documentToolbar().toolbar();
    ASSERT_NE(toolbar, nullptr);
    for (QAction *item : toolbar->actions()) {
        const QString path = QStringLiteral("toolbar > ") + item->objectName();
        if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item)) {
            check(contextItem->action(), contextItem->target(), path);
            if (QMenu *menu = contextItem->menu())
                walk(menu, path);
        } else {
            check(platform::MenuItemValidation::action(item), platform::MenuItemValidation::target(item), path);
        }
    }
    EXPECT_GT(checked, 40);
}

// ---- Notifications and small actions ----

TEST_F(AppControllerTest, CounterPostsThroughTheControllerAndAMissingServerIsQuiet)
{
    start();
    QSignalSpy failed(controller->notifier(), &platform::DesktopNotifier::failed);
    MyDocument *document = newDocument();
    document->setActiveJob(addJob(document, QStringLiteral("Acme")));
    document->startTimerForJob(nullptr);
    EXPECT_GE(controller->notifier()->pendingCount() + failed.count(), 1);
    document->stopTimer(controller);

    const QVariantMap registration = controller->registrationDictionaryForGrowl();
    EXPECT_EQ(registration.value("AllNotifications").toStringList(), QStringList({"GeneralNotifications"}));
    EXPECT_EQ(registration.value("DefaultNotifications").toStringList(), QStringList({"GeneralNotifications"}));
    EXPECT_EQ(registration.value("HumanReadableNames").toMap().value("GeneralNotifications").toString(),
              localized("LSGrowlGeneralNotifications"));
}

TEST_F(AppControllerTest, AboutBoxIsMadeOnceAndWebAddressesOpen)
{
    start();
    controller->showAboutBox(nullptr);
    QPointer<AboutBox> about = controller->aboutBoxWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    controller->showAboutBox(nullptr);
    EXPECT_EQ(controller->aboutBoxWindow(), about.data());
    about->close();

    QList<QUrl> opened;
    controller->setURLOpener([&](const QUrl &url) {
        opened.append(url);
        return true;
    });
    controller->visitURL(nullptr);
    controller->visitHistoryURL(nullptr);
    EXPECT_EQ(opened, QList<QUrl>({QUrl(localized("LSXQLink")), QUrl(localized("LSXQHistoryLink"))}));
}

TEST_F(AppControllerTest, ReopenShowsTheDocumentsOrMakesAnUntitledOne)
{
    start();
    controller->applicationShouldHandleReopen();
    ASSERT_EQ(controller->documents().size(), 1);
    QWidget *window = controller->documents().first()->mainWindow();
    ASSERT_NE(window, nullptr);
    window->hide();
    controller->showDocumentWindows(nullptr);
    EXPECT_EQ(controller->documents().size(), 1);
    EXPECT_TRUE(window->isVisible());
}

} // namespace

// ---- Opening files after the launch ----

namespace {

using testsupport::HeldPool;

// A document of `entries` time entries below one job of that name.
void writeLargeDocument(const QString &path, const QString &job, int entries)
{
    NodePtr root = Node::create(Node::Root);
    NodePtr jobNode = Node::create(Node::Job);
    jobNode->setItemName(job);
    root->addChild(jobNode);
    NodePtr day = Node::create(Node::Day);
    jobNode->addChild(day);
    for (int i = 0; i < entries; ++i) {
        NodePtr entry = Node::create(Node::TimeEntry);
        entry->setMinutes(i % 60);
        day->addChild(entry);
    }
    root->recalcWorkTimeForTree();
    ASSERT_TRUE(DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *root, DocumentValuesStore()));
}

// Whether the reason of a failed open says that the memory ran out, and that the
// file is as it was.
bool saysNotEnoughMemory(const QString &reason)
{
    return reason.contains(QStringLiteral("not enough memory")) && reason.contains(QStringLiteral("not been changed"));
}

} // namespace

// A request of another program over the bus and a recent file are read on a pool
// thread: the window goes on handling events, a progress window shows once the read
// takes longer than half a second and goes with it, and the document opens when its
// file is read.
TEST_F(AppControllerTest, FilesOpenedLaterAreReadOffTheGuiThreadWithAProgressWindow)
{
    // No window shows but the progress window while the pool is held.
    start();
    const QString path = files.filePath(QStringLiteral("large.chronark"));
    writeLargeDocument(path, QStringLiteral("Large"), 2000);
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();

    for (const bool recent : {false, true}) {
        SCOPED_TRACE(recent ? "a recent file" : "a request over the bus");
        HeldPool held;
        ticks = 0;
        if (recent) {
            QAction item;
            platform::MenuItemValidation::setRepresentedObject(&item, path);
            controller->openRecentDocument(&item);
        } else {
            controller->openDocumentsWhenRead({path}, true);
        }
        // Nothing was read yet; the window keeps turning while the read waits.
        auto documentOpen = [&] { return controller->documentForFile(path) != nullptr; };
        EXPECT_FALSE(documentOpen());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return controller->openingProgressWindow() && controller->openingProgressWindow()->isVisible(); },
            10000));
        EXPECT_FALSE(documentOpen());
        EXPECT_GT(ticks, 0);
        auto *progress = qobject_cast<QProgressDialog *>(controller->openingProgressWindow());
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->labelText().contains(QStringLiteral("“\u2068large.chronark\u2069”"))) << qPrintable(progress->labelText());
        // Told apart from the alerts, which carry the application's name as title.
        EXPECT_EQ(progress->windowTitle(), progress->labelText());

        held.release();
        ASSERT_TRUE(QTest::qWaitFor(documentOpen, 30000));
        EXPECT_EQ(controller->openingProgressWindow(), nullptr);
        auto *document = qobject_cast<MyDocument *>(controller->documentForFile(path));
        ASSERT_NE(document, nullptr);
        ASSERT_EQ(document->jobList()->childrenCount(), 1);
        EXPECT_EQ(document->jobList()->childAtIndex(0)->itemName(), QStringLiteral("Large"));
        EXPECT_EQ(document->jobList()->childAtIndex(0)->childAtIndex(0)->childrenCount(), 2000);
        EXPECT_TRUE(document->mainWindow()->isVisible());
        document->close();
        testsupport::settleEvents();
    }
    // A file open already comes to the front without being read again.
    MyDocument *open = savedDocument(QStringLiteral("open.chronark"));
    OpenCounter counter(open->filePath());
    ASSERT_TRUE(counter.isWatching());
    controller->openDocumentsWhenRead({open->filePath()}, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return open->mainWindow()->isVisible(); }, 10000));
    EXPECT_EQ(controller->openingProgressWindow(), nullptr);
    EXPECT_EQ(counter.openings(), 0);
    EXPECT_EQ(controller->documents().size(), 1);
}

// The launch's own read shows the progress window File › Open shows, with the file's
// name, once it takes longer than File › Open waits, and it goes when the read ends.
TEST_F(AppControllerTest, ALaunchWhoseReadTakesLongShowsTheOpeningProgressWindow)
{
    const QString path = files.filePath(QStringLiteral("launched.chronark"));
    writeLargeDocument(path, QStringLiteral("Launched"), 200);
    start();
    auto documentOpen = [&] { return controller->documentForFile(path) != nullptr; };
    {
        HeldPool held;
        DocumentReadAhead ahead;
        controller->launch({path}, &ahead);
        // Not at once: after File › Open's wait.
        EXPECT_EQ(controller->openingProgressWindow(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return controller->openingProgressWindow() && controller->openingProgressWindow()->isVisible(); },
            10000));
        EXPECT_FALSE(documentOpen());
        auto *progress = qobject_cast<QProgressDialog *>(controller->openingProgressWindow());
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->labelText().contains(QStringLiteral("“\u2068launched.chronark\u2069”"))) << qPrintable(progress->labelText());
        EXPECT_EQ(progress->windowTitle(), progress->labelText());
        held.release();
        ASSERT_TRUE(QTest::qWaitFor(documentOpen, 30000));
        EXPECT_EQ(controller->openingProgressWindow(), nullptr);
        EXPECT_TRUE(controller->documentForFile(path)->mainWindow()->isVisible());
    }
}

// A file that cannot be read gives the alert it gave when files were read on the GUI
// thread, and it is opened for reading once: the refusal of its read stands.
TEST_F(AppControllerTest, AFileRefusedWhenOpenedLaterGivesTheSameAlertAndIsReadOnce)
{
    start();
    controller->launch({});
    const QString broken = files.filePath(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document>"));
    const QString text = files.filePath(QStringLiteral("text.chronark"));
    ASSERT_TRUE(testsupport::writeFile(text, "no document at all"));
    for (const QString &file : {broken, text}) {
        SCOPED_TRACE(qPrintable(file));
        // As before: read on the GUI thread.
        controller->openDocumentsWithContentsOfFiles({file}, true);
        QMessageBox *box = waitForAlert();
        ASSERT_NE(box, nullptr);
        const QString beforeText = box->text();
        const QString beforeReason = box->informativeText();
        box->accept();
        testsupport::settleEvents();

        OpenCounter counter(file);
        ASSERT_TRUE(counter.isWatching());
        controller->openDocumentsWhenRead({file}, true);
        box = waitForAlert();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), beforeText);
        EXPECT_EQ(box->informativeText(), beforeReason);
        EXPECT_FALSE(beforeReason.isEmpty());
        box->accept();
        testsupport::settleEvents();
        EXPECT_EQ(counter.openings(), 1);
        EXPECT_EQ(controller->documentForFile(file), nullptr);
    }
}

// A read that fails on its pool thread (the tree outgrew the memory) is told as a
// refusal is, with its own reason: the memory ran out and the file is unchanged (not
// damaged); the "Opening…" window goes, and the next open of the file works. At the
// launch, through File › Open and for another program's request over a private bus.
TEST_F(AppControllerTest, AReadThatFailsGivesTheRefusalsAlertAndTheNextOpenWorks)
{
    const QString path = files.filePath(QStringLiteral("large.chronark"));
    writeLargeDocument(path, QStringLiteral("Large"), 50);
    const DocumentReadAhead::Reader refusing = [](QFile &, DocumentFileFormat::ReadResult &) { return false; };
    const DocumentReadAhead::Reader throwing = [](QFile &, DocumentFileFormat::ReadResult &) -> bool {
        throw std::bad_alloc();
    };
    struct Alert
    {
        QString text;
        QString reason;
    };
    // Waits for the alert, answers it and tells what it said.
    auto answerAlert = [&]() -> Alert {
        QMessageBox *box = waitForAlert();
        if (!box)
            return {};
        const Alert alert{box->text(), box->informativeText()};
        box->accept();
        testsupport::settleEvents();
        return alert;
    };
    auto documentOpen = [&] { return controller->documentForFile(path) != nullptr; };
    auto closeIt = [&] {
        controller->documentForFile(path)->close();
        testsupport::settleEvents();
    };
    defaults().setBool(false, OpenEmptyDocumentKey);

    // At the launch: refused, then failed, then read.
    Alert refused, failed;
    for (const DocumentReadAhead::Reader &reader : {refusing, throwing}) {
        start();
        DocumentReadAhead ahead;
        ahead.setReader(reader);
        controller->launch({path}, &ahead);
        const Alert alert = answerAlert();
        EXPECT_TRUE(alert.text.contains(QStringLiteral("“\u2068large.chronark\u2069”"))) << qPrintable(alert.text);
        EXPECT_FALSE(alert.reason.isEmpty());
        if (refused.text.isEmpty()) {
            refused = alert;
        } else {
            failed = alert;
            EXPECT_EQ(alert.text, refused.text);
            EXPECT_NE(alert.reason, refused.reason);
            EXPECT_TRUE(saysNotEnoughMemory(alert.reason)) << qPrintable(alert.reason);
        }
        EXPECT_FALSE(documentOpen());
        EXPECT_TRUE(controller->documents().isEmpty());
        destroyController(controller);
        controller = nullptr;
    }
    {
        start();
        DocumentReadAhead ahead;
        controller->launch({path}, &ahead);
        ASSERT_TRUE(QTest::qWaitFor(documentOpen, 30000));
        closeIt();
    }

    // File › Open, with the controller's own reader failing, then working again.
    auto openThroughTheDialog = [&] {
        controller->openDocument(nullptr);
        QFileDialog *dialog = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *found = qobject_cast<QFileDialog *>(widget); found && found->isVisible())
                    dialog = found;
            }
            return dialog != nullptr;
        }, 10000);
        ASSERT_NE(dialog, nullptr);
        auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nameField, nullptr);
        nameField->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    };
    ASSERT_TRUE(controller->documentServices().readAhead);
    // Twice a read that throws, each answered as the refusal is; then the file reads.
    const auto failTwiceThenRead = [&](const std::function<void()> &open) {
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            controller->documentServices().readAhead->setReader(throwing);
            open();
            const Alert alert = answerAlert();
            EXPECT_EQ(alert.text, failed.text);
            EXPECT_EQ(alert.reason, failed.reason);
            EXPECT_EQ(controller->openingProgressWindow(), nullptr);
            EXPECT_FALSE(documentOpen());
        }
        controller->documentServices().readAhead->setReader({});
        open();
        ASSERT_TRUE(QTest::qWaitFor(documentOpen, 30000));
    };
    failTwiceThenRead(openThroughTheDialog);
    ASSERT_TRUE(documentOpen());
    EXPECT_EQ(qobject_cast<MyDocument *>(controller->documentForFile(path))->jobList()->childAtIndex(0)->itemName(),
              QStringLiteral("Large"));
    closeIt();

    // Another program's request over the bus, as the running instance answers it.
    desktoptest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QString identifier = QStringLiteral("org.chronark.TestFailedReads");
    platform::ApplicationInstance instance(identifier, bus.connection());
    ASSERT_EQ(instance.claim({}), platform::ApplicationInstance::Role::Primary);
    QObject::connect(&instance, &platform::ApplicationInstance::openRequested, controller,
                     [this](const QStringList &paths) { controller->openDocumentsWhenRead(paths, true); });
    const QString callerName = QStringLiteral("failed-reads-caller");
    {
        QDBusConnection caller = QDBusConnection::connectToBus(bus.address(), callerName);
        ASSERT_TRUE(caller.isConnected());
        auto request = [&] {
            QDBusMessage call = QDBusMessage::createMethodCall(identifier, platform::ApplicationInstance::objectPath(identifier),
                                                               QString::fromLatin1(platform::ApplicationInstance::Interface),
                                                               QStringLiteral("Open"));
            call << QStringList{QUrl::fromLocalFile(path).toString()} << QVariantMap();
            const QDBusPendingCall pending = caller.asyncCall(call);
            EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000));
            EXPECT_FALSE(pending.isError());
        };
        failTwiceThenRead(request);
    }
    QDBusConnection::disconnectFromBus(callerName);
}

// Not under the address sanitizer: its allocator reports running out of memory itself
// and ends the process, where the C library's fails the allocation.
#if !defined(__SANITIZE_ADDRESS__)
namespace {

// Opens the large document, read ahead on a pool thread and then on the GUI thread,
// with the address space limited a little above what the process takes; then the
// small one. Answers the number of failures (0: none). For a child process.
int openUnderALimitOfMemory(AppController *controller, const QString &large, const QString &small)
{
    int failures = 0;
    const auto expect = [&failures](bool ok, const QString &what) {
        if (!ok) {
            std::fprintf(stderr, "%s\n", qPrintable(what));
            ++failures;
        }
    };
    // Every thread of the pool is made first: under the limit no thread can be made,
    // and work handed to the pool (Qt's own drawing among it) would wait for good.
    HeldPool().release();
    const auto inUse = rlim_t(testsupport::statusMiB("VmSize") * 1024 * 1024);
    const struct rlimit limit {inUse + (rlim_t(32) << 20), RLIM_INFINITY};
    if (inUse == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
        return 100;
    for (const bool ahead : {true, false}) {
        if (ahead)
            controller->openDocumentsWhenRead({large}, true);
        else
            controller->openDocumentsWithContentsOfFiles({large}, true);
        QMessageBox *box = waitForAlert();
        expect(box && saysNotEnoughMemory(box->informativeText()),
               box ? box->informativeText() : QStringLiteral("no alert"));
        if (box)
            box->accept();
        testsupport::settleEvents();
        expect(controller->documentForFile(large) == nullptr, QStringLiteral("the large document opened"));
    }
    controller->openDocumentsWhenRead({small}, true);
    expect(QTest::qWaitFor([&] { return controller->documentForFile(small) != nullptr; }, 30000),
           QStringLiteral("the small document did not open after"));
    return failures;
}

} // namespace

// A document whose tree takes more memory than is left: the alert says that there
// was not enough memory to open it and that the file is unchanged (not that it is
// damaged), whether the file is read ahead on a pool thread (as the application reads
// what it opens) or on the GUI thread; the application goes on (a small document
// opens after), and the file is as it was. In a child process whose address space is
// limited (setrlimit) a little above what it takes.
TEST_F(AppControllerTest, ADocumentLargerThanTheMemoryLeftIsSaidToBeSoAndTheFileIsUnchanged)
{
    // Written once, by the test's own process: the child finds them in its environment.
    QString large = qEnvironmentVariable("CHRONARK_TEST_LARGE_DOCUMENT");
    QString small = qEnvironmentVariable("CHRONARK_TEST_SMALL_DOCUMENT");
    if (large.isEmpty() || small.isEmpty()) {
        large = files.filePath(QStringLiteral("large.chronark"));
        small = files.filePath(QStringLiteral("small.chronark"));
        writeLargeDocument(large, QStringLiteral("Large"), 300'000);
        writeLargeDocument(small, QStringLiteral("Small"), 10);
    }
    const auto digest = [](const QString &path) {
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
    };
    const QByteArray before = digest(large);
    ASSERT_FALSE(before.isEmpty());
    start();
    controller->launch({});
    qputenv("CHRONARK_TEST_LARGE_DOCUMENT", QFile::encodeName(large));
    qputenv("CHRONARK_TEST_SMALL_DOCUMENT", QFile::encodeName(small));
    // One heap for every thread in the child: the room the C library maps ahead for
    // the heap of each thread (64 MiB) would otherwise stretch the limit by as much.
    const QByteArray tunables = qgetenv("GLIBC_TUNABLES");
    qputenv("GLIBC_TUNABLES", "glibc.malloc.arena_max=1");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(openUnderALimitOfMemory(controller, large, small)), testing::ExitedWithCode(0), "");
    if (tunables.isNull())
        qunsetenv("GLIBC_TUNABLES");
    else
        qputenv("GLIBC_TUNABLES", tunables);
    qunsetenv("CHRONARK_TEST_LARGE_DOCUMENT");
    qunsetenv("CHRONARK_TEST_SMALL_DOCUMENT");
    EXPECT_EQ(digest(large), before);
}
#endif

namespace {

// Launches with the first file, then opens the others (another program's request, a
// recent file), paints, edits and saves, with thread creation refused from the start
// (a system-call filter). Answers the number of failures. For a child process.
int workWithThreadsRefused(AppController *controller, const QString &first, const QString &requested,
                           const QString &recent)
{
    int failures = 0;
    const auto expect = [&failures](bool ok, const char *what) {
        if (!ok) {
            std::fprintf(stderr, "%s\n", what);
            ++failures;
        }
    };
    // A dead window or a read that never answers ends the child here.
    alarm(120);
    // The standard user defaults, whose writer has a thread of its own, are made at
    // the launch's start, as the program's controller makes them.
    platform::UserDefaults::standardUserDefaults();
    if (!testsupport::filterSystemCalls(testsupport::threadCreationRefused()))
        return 100;
    const auto shown = [controller](const QString &path) {
        return QTest::qWaitFor([&] {
            platform::Document *document = controller->documentForFile(path);
            return document && document->mainWindow() && document->mainWindow()->isVisible();
        }, 30000);
    };
    DocumentReadAhead ahead;
    controller->launch({first}, &ahead);
    expect(shown(first), "the launch's document was not shown");
    controller->openDocumentsWhenRead({requested}, true);
    expect(shown(requested), "the requested document was not shown");
    QAction item;
    platform::MenuItemValidation::setRepresentedObject(&item, recent);
    controller->openRecentDocument(&item);
    expect(shown(recent), "the recent document was not shown");
    // Qt's painting hands the bands of large fills to the pool and waits for them.
    for (const QString &path : {first, requested, recent}) {
        platform::Document *document = controller->documentForFile(path);
        if (!document)
            continue;
        QWidget *window = document->mainWindow();
        window->resize(1200, 900);
        expect(!window->grab().isNull(), "a window was not painted");
    }
    QImage image(1600, 1600, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        for (int y = 0; y < 1600; y += 7)
            painter.drawLine(0, y, 1599, 1599 - y);
    }
    expect(image.pixel(0, 798) == qRgb(0, 0, 0) && image.pixel(0, 800) == qRgb(255, 255, 255), "the image was not painted");
    expect(!image.scaled(900, 900, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).isNull(), "the image was not scaled");
    // An edit is saved, in the background, and the document is no longer edited.
    auto *document = qobject_cast<MyDocument *>(controller->documentForFile(first));
    expect(document != nullptr, "the launch's document is gone");
    if (!document)
        return failures;
    NodePtr job = Node::create(Node::Job);
    job->setItemName(QStringLiteral("Added"));
    document->edits().addNewJob(job, document->jobList());
    expect(document->isDocumentEdited(), "the edit did not mark the document");
    int calls = 0;
    bool saved = false;
    document->saveDocumentWithCompletion([&](bool ok) {
        saved = ok;
        ++calls;
    });
    expect(QTest::qWaitFor([&] { return calls > 0; }, 30000) && calls == 1 && saved, "the save did not answer that it saved");
    expect(!document->isDocumentEdited() && !document->isSaving(), "the saved document is still edited or saving");
    DocumentFileFormat::ReadResult read;
    expect(DocumentFileFormat::readFromFile(first, DocumentFileFormat::TypeName, read) && read.root
               && read.root->childrenCount() == 2,
           "the file does not hold the edit");
    return failures;
}

} // namespace

// The threads the pool needs are made at launch and kept: once the system refuses to
// make threads, the launch's read, another program's request, a recent file, Qt's
// painting of large windows and images, and a save in the background all still work
// and answer. In a child process whose thread creation a system-call filter refuses
// after its pool was made, as the program makes it at its start.
TEST_F(AppControllerTest, ThreadsRefusedAfterThePoolWasMadeLeaveReadsOpensPaintingAndSavesWorking)
{
    QStringList paths;
    for (const QString &name : {QStringLiteral("first"), QStringLiteral("requested"), QStringLiteral("recent")}) {
        paths << files.filePath(name + QStringLiteral(".chronark"));
        writeLargeDocument(paths.constLast(), name, 500);
    }
    defaults().setBool(false, OpenEmptyDocumentKey);
    start();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(workWithThreadsRefused(controller, paths[0], paths[1], paths[2])), testing::ExitedWithCode(0), "");
}

// Zeros after a sound opening, in the writer's form (the direct reader) and in another
// (the library's reader), in a small file and in one large enough to have its tags
// counted first: each refused with the alert of any refused file, whether read on the
// GUI thread or ahead on a pool thread.
TEST_F(AppControllerTest, ZerosAfterASoundOpeningGiveTheAlertOfARefusedFileOnEveryReadersPath)
{
    start();
    controller->launch({});
    const QString broken = files.filePath(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "<?xml version=\"1.0\"?><Chronark version=\"2.0\"><document>"));
    controller->openDocumentsWithContentsOfFiles({broken}, true);
    QMessageBox *box = waitForAlert();
    ASSERT_NE(box, nullptr);
    const QString refusal = box->informativeText();
    box->accept();
    testsupport::settleEvents();

    const QByteArray written = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n"
                               "<document itemName=\"Root\">\n<jobEntry itemName=\"Job\"/>\n";
    const QByteArray other = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a note -->\n<Chronark version='2.0'>\n";
    constexpr qint64 large = 4 * (DocumentFileFormat::MaximumElementCount + 2) + (qint64(1) << 20);
    for (const QByteArray &opening : {written, other}) {
        for (const qint64 size : {qint64(1) << 16, large}) {
            for (const bool ahead : {false, true}) {
                SCOPED_TRACE(QStringLiteral("%1 bytes, %2, %3")
                                 .arg(size)
                                 .arg(opening == written ? QStringLiteral("writer's form") : QStringLiteral("another form"),
                                      ahead ? QStringLiteral("read ahead") : QStringLiteral("on the GUI thread"))
                                 .toStdString());
                const QString path = files.filePath(QStringLiteral("zeros.chronark"));
                {
                    QFile file(path);
                    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                    ASSERT_EQ(file.write(opening), opening.size());
                    ASSERT_TRUE(file.resize(size));
                }
                if (ahead)
                    controller->openDocumentsWhenRead({path}, true);
                else
                    controller->openDocumentsWithContentsOfFiles({path}, true);
                box = waitForAlert();
                ASSERT_NE(box, nullptr);
                EXPECT_TRUE(box->text().contains(QStringLiteral("“\u2068zeros.chronark\u2069”"))) << qPrintable(box->text());
                EXPECT_EQ(box->informativeText(), refusal);
                box->accept();
                testsupport::settleEvents();
                EXPECT_EQ(controller->documentForFile(path), nullptr);
            }
        }
    }
}
