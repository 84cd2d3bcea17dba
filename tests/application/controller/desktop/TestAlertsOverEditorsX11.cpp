// The alerts the program begins by itself while an editor holds the document window,
// on a real X desktop (openbox manages the windows; keys travel through the X server
// from xdotool). Each editor (the whole description's dialog, the job-name sheet, the
// time entry sheet, the whole name's dialog over the group-name sheet) with each such
// alert (a failed save, a failed autosave, the file changed elsewhere, Start Counter
// with no active job, a failed export, the counter's idle stop, the update notice): an
// alert on the window waits until the editor ended, the application's own shows above
// it; whatever stands on top has the keyboard, takes a key, and its default button
// ends it, until nothing holds the window. A seeded run interleaves editors, alerts and
// answers, and checks the same after every step, with an accessibility press of a
// menu item of the held window, which does nothing.
#include "tests/application/document/desktop/DesktopDocumentTest.h"

#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentCounter.h"
#include "application/document/DocumentServices.h"
#include "application/document/DocumentWindow.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/TimeEntrySheets.h"
#include "application/export/ExportJob.h"
#include "application/sheets/GroupNameSheet.h"
#include "application/sheets/JobNameSheet.h"
#include "application/update/NTXCheckUpdate.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "platform/document/DocumentAlert.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/UserDefaults.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <random>

namespace {

enum class Editor { WholeDescription, JobNameSheet, TimeEntrySheet, WholeNameOverASheet };
enum class Alert { FailedSave, FailedAutosave, ChangedElsewhere, NoActiveJob, FailedExport, IdleStop, UpdateNotice };

const char *nameOf(Editor editor)
{
    switch (editor) {
    case Editor::WholeDescription: return "the whole description";
    case Editor::JobNameSheet: return "the job-name sheet";
    case Editor::TimeEntrySheet: return "the time entry sheet";
    case Editor::WholeNameOverASheet: return "the whole name over the group-name sheet";
    }
    return "";
}

// Answers every request with a newer version than the one installed.
class NewerVersionServer : public QTcpServer
{
public:
    NewerVersionServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n9.0");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
};

class AlertsOverEditorsX11 : public mydoctest::DesktopDocumentTest
{
protected:
    void SetUp() override
    {
        mydoctest::DesktopDocumentTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(folder.isValid());
        document->userDefaults().setBool(true, AllwaysMutelyKey);
        document->userDefaults().setBool(true, StopTimerWhenInactiveKey);
        document->services().idleSecondsSource = [this] { return idleSeconds; };
        job = mydoctest::makeJob(QStringLiteral("Described"), 60, {{9, 45}});
        job->setDescript(QString(12000, QLatin1Char('d')));
        group = mydoctest::makeNode(Node::Group, QString(1500, QLatin1Char('g')));
        for (const NodePtr &node : {job, group})
            document->jobList()->addChild(node);
        document->reloadOutline();
        document->updateUI();
        window->resize(720, 460);
        if (!document->textViewInspector() || !document->textViewInspector()->isVisible())
            document->toggleDrawer(nullptr);
        ASSERT_TRUE(QTest::qWaitFor([this] { return document->textViewInspector()->isVisible(); }, Patience));
        checker.setServerURL(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort())));
        checker.setProduct(QStringLiteral("chronark-test"));
        checker.setInstalledVersion(QStringLiteral("2.5"));
        checker.setUserDefaults(&document->userDefaults());
        checker.setURLOpener([this](const QUrl &) { ++pagesOpened; });
        checker.setReachabilityCheck([](const QString &, QObject *context, std::function<void(bool)> answer) {
            QMetaObject::invokeMethod(context, [answer] { answer(true); }, Qt::QueuedConnection);
            return 0;
        });
    }

    void TearDown() override
    {
        if (document) {
            document->stopTimer(nullptr);
            document->services().idleSecondsSource = {};
        }
        mydoctest::DesktopDocumentTest::TearDown();
    }

    // Whatever holds input now: the sheet (or dialog, or alert) shown last.
    static QWidget *topmost() { return platform::Sheet::activeSheet(); }

    static QList<QMessageBox *> runningAlerts()
    {
        QList<QMessageBox *> alerts;
        for (QWidget *widget : QApplication::allWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && platform::Sheet::isRunning(box))
                alerts.append(box);
        }
        return alerts;
    }

    // Something holds the window or waits to: an editor or an alert, shown or in line.
    bool anythingRunning() const { return platform::Sheet::sheetOfWindow(window) || !runningAlerts().isEmpty(); }

    // The document saved into a folder of its own, which may then be taken away.
    bool saveIntoOwnFolder(QString *path)
    {
        const QString sub = folder.filePath(QString::number(++folders));
        if (!QDir().mkpath(sub))
            return false;
        *path = sub + QStringLiteral("/alerts.chronark");
        document->setFilePath(*path);
        int saved = -1;
        document->saveDocumentWithCompletion([&saved](bool done) { saved = done ? 1 : 0; });
        return QTest::qWaitFor([&saved] { return saved >= 0; }, Patience) && saved == 1;
    }

    void changeTheDocument()
    {
        document->updateChangeCount(platform::Document::ChangeType::Done);
    }

    // Opens the editor as a person does, and answers the window that takes its keys.
    QWidget *openEditor(Editor editor)
    {
        switch (editor) {
        case Editor::WholeDescription:
            NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(job)}, false);
            document->editWholeDescription(nullptr);
            return window->findChild<platform::WholeTextDialog *>();
        case Editor::JobNameSheet:
            document->nameSheets().funcJobName(job, 1);
            return document->nameSheets().jobNameWindow();
        case Editor::TimeEntrySheet:
            document->timeEntrySheets().doJobTimeSheet(job->childAtIndex(0)->childAtIndex(0));
            // In the window's line: shown once the handler of the sheet before it ran.
            (void)QTest::qWaitFor([this] { return platform::Sheet::sheetOfWindow(window) != nullptr; }, Patience);
            return platform::Sheet::sheetOfWindow(window);
        case Editor::WholeNameOverASheet: {
            document->nameSheets().funcGroupName(group, 1);
            GroupNameSheet *sheet = document->nameSheets().groupNameWindow();
            if (!sheet || !QTest::qWaitFor([sheet] { return sheet->isVisible(); }, Patience)) {
                ADD_FAILURE() << "the group-name sheet " << (sheet ? "did not show" : "did not begin");
                return nullptr;
            }
            return sheet->groupName->openWholeText();
        }
        }
        return nullptr;
    }

    // Begins the alert as the program does by itself; answers once it was begun
    // (or, for the idle stop, once the counter stopped).
    bool beginAlert(Alert alert)
    {
        const qsizetype before = runningAlerts().size();
        const auto begun = [&] { return QTest::qWaitFor([&] { return runningAlerts().size() > before; }, Patience); };
        switch (alert) {
        case Alert::FailedSave:
        case Alert::FailedAutosave:
            changeTheDocument();
            QDir(QFileInfo(document->filePath()).absolutePath()).removeRecursively();
            if (alert == Alert::FailedSave)
                document->saveDocumentWithCompletion({});
            else
                document->autosaveDocument();
            return begun();
        case Alert::ChangedElsewhere: {
            QFile file(document->filePath());
            if (!file.open(QIODevice::Append))
                return false;
            file.write("changed by another program");
            file.close();
            changeTheDocument();
            document->autosaveDocument();
            return begun();
        }
        case Alert::NoActiveJob:
            document->setActiveJob(nullptr);
            document->toggleTimer(nullptr);
            return begun();
        case Alert::FailedExport: {
            const QString path = folder.filePath(QStringLiteral("gone/export.txt"));
            ExportJob *export_ = ExportJob::start(window, path, [](QIODevice &device, QString *, const auto &) {
                return device.write("text") == 4;
            });
            QObject::connect(export_, &ExportJob::finished, window, [this, path](ExportJob::Outcome outcome, const QString &reason) {
                if (outcome == ExportJob::Failed)
                    platform::DocumentAlert::openError(window, QStringLiteral("The export to %1 failed.").arg(path), reason);
            });
            return begun();
        }
        case Alert::IdleStop:
            idleSeconds = 1e6;
            document->doTimer();
            return QTest::qWaitFor([this] { return !document->timerIsRunning(); }, Patience);
        case Alert::UpdateNotice:
            return checker.check(false) && begun();
        }
        return false;
    }

    // Before the editor opens: what the alert needs.
    bool prepare(Alert alert)
    {
        QString path;
        switch (alert) {
        case Alert::FailedSave:
        case Alert::FailedAutosave:
        case Alert::ChangedElsewhere:
            return saveIntoOwnFolder(&path);
        case Alert::IdleStop:
            idleSeconds = 0;
            document->setActiveJob(job);
            document->toggleTimer(nullptr);
            return document->timerIsRunning();
        default:
            return true;
        }
    }

    // The window is active and a key typed through the X server reaches it.
    bool takesAKey(QWidget *top)
    {
        const QPointer<QWidget> guard(top);
        const std::string name = top->metaObject()->className();
        if (!QTest::qWaitFor([guard] { return guard && QApplication::activeWindow() == guard; }, Patience)) {
            ADD_FAILURE() << "the topmost " << name << (guard ? "" : " (gone)") << " does not have the keyboard (active: "
                          << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none")
                          << ")";
            return false;
        }
        int keys = 0;
        KeyCounter counter(top, &keys);
        if (!desktoptest::sendKeys({QStringLiteral("shift")}, 0))
            return false;
        const bool reached = QTest::qWaitFor([&keys] { return keys > 0; }, Patience);
        EXPECT_TRUE(reached) << "a key typed did not reach the topmost " << name;
        return reached;
    }

    // Its default button, pressed from the keyboard, ends it.
    bool endsByDefault(QWidget *top)
    {
        QPointer<QWidget> guard(top);
        const std::string name = top->metaObject()->className();
        auto *whole = qobject_cast<platform::WholeTextDialog *>(top);
        const QString key = whole && !whole->isOneLine() ? QStringLiteral("ctrl+Return") : QStringLiteral("Return");
        if (!desktoptest::sendKeys({key}, 0))
            return false;
        const bool ended = QTest::qWaitFor([&] { return !guard || !platform::Sheet::isRunning(guard); }, Patience);
        EXPECT_TRUE(ended) << key.toStdString() << " did not end the topmost " << name;
        return ended;
    }

    // Whatever stands on top once it settled (the next in line shows after the handler
    // of the one before ran; one that ends with the one over it, as the group-name
    // sheet with the whole name's Return, is passed over); null when nothing holds.
    QWidget *settledTopmost()
    {
        for (int round = 0; round < 8; ++round) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return topmost() != nullptr || !anythingRunning(); }, Patience));
            const QPointer<QWidget> top = topmost();
            if (!top)
                return nullptr;
            (void)QTest::qWaitFor([top] { return !top || !platform::Sheet::isRunning(top) || top->isActiveWindow(); }, Patience);
            // A sheet that ends with the one over it may still be active for the passes
            // its end takes; a key sent to it then reaches the next in line instead.
            testsupport::settleEvents();
            if (top && platform::Sheet::isRunning(top))
                return top;
        }
        return topmost();
    }

    // Answers what stands, topmost first, until nothing holds; the classes answered.
    QStringList answerAll()
    {
        QStringList answered;
        for (int round = 0; round < 8; ++round) {
            QWidget *top = settledTopmost();
            if (!top)
                break;
            answered.append(QString::fromLatin1(top->metaObject()->className()));
            if (!takesAKey(top) || !endsByDefault(top))
                break;
        }
        return answered;
    }

    // Counts the key presses that reach a window.
    class KeyCounter : public QObject
    {
    public:
        KeyCounter(QWidget *window, int *count) : m_window(window), m_count(count) { qApp->installEventFilter(this); }
        ~KeyCounter() override { qApp->removeEventFilter(this); }

    protected:
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::KeyPress && watched->isWidgetType()
                && static_cast<QWidget *>(watched)->window() == m_window)
                ++*m_count;
            return false;
        }

    private:
        QWidget *m_window;
        int *m_count;
    };

    // Document › New Job… pressed by an assistive program.
    void pressNewJobByAccessibility()
    {
        QMenu *menu = static_cast<DocumentWindow *>(window)->documentMenu();
        QAccessibleInterface *items = QAccessible::queryAccessibleInterface(menu);
        ASSERT_NE(items, nullptr);
        for (int i = 0; i < items->childCount(); ++i) {
            QAccessibleInterface *item = items->child(i);
            auto *action = qobject_cast<QAction *>(item ? item->object() : nullptr);
            if (action && platform::MenuItemValidation::action(action) == "newJobEntry:" && item->actionInterface()) {
                item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                return;
            }
        }
        ADD_FAILURE() << "no New Job item";
    }

    QTemporaryDir folder;
    int folders = 0;
    NodePtr job;
    NodePtr group;
    double idleSeconds = 0;
    NewerVersionServer server;
    NTXCheckUpdate checker;
    int pagesOpened = 0;
};

class AlertOverEachEditor : public AlertsOverEditorsX11, public testing::WithParamInterface<Alert>
{
};

} // namespace

TEST_P(AlertOverEachEditor, WaitsOrShowsAboveAndEveryHoldIsAnswered)
{
    const Alert alert = GetParam();
    for (Editor editor : {Editor::WholeDescription, Editor::JobNameSheet, Editor::TimeEntrySheet, Editor::WholeNameOverASheet}) {
        SCOPED_TRACE(nameOf(editor));
        ASSERT_TRUE(prepare(alert));
        QWidget *opened = openEditor(editor);
        ASSERT_NE(opened, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([opened] { return topmost() == opened && opened->isActiveWindow(); }, Patience));
        ASSERT_TRUE(beginAlert(alert));
        if (alert == Alert::UpdateNotice) {
            // The application's own: above the editor, at once.
            ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<QMessageBox *>(topmost()); }, Patience));
        } else {
            // The window's: in line behind the editor, which keeps the keyboard.
            testsupport::settleEvents();
            EXPECT_EQ(topmost(), opened);
            for (QMessageBox *box : runningAlerts())
                EXPECT_FALSE(box->isVisible()) << "an alert stands over the editor";
        }
        const QStringList answered = answerAll();
        EXPECT_EQ(topmost(), nullptr) << "still held after " << answered.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(runningAlerts().isEmpty());
        EXPECT_EQ(platform::Sheet::sheetOfWindow(window), nullptr);
        EXPECT_EQ(answered.contains(QStringLiteral("QMessageBox")), alert != Alert::IdleStop)
            << answered.join(QLatin1Char(' ')).toStdString();
        if (alert == Alert::UpdateNotice) {
            EXPECT_EQ(answered.value(0), QStringLiteral("QMessageBox")) << "the notice first";
        } else if (alert != Alert::IdleStop) {
            EXPECT_EQ(answered.value(answered.size() - 1), QStringLiteral("QMessageBox")) << "the alert after the editor";
        }
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience));
        testsupport::settleEvents();
    }
}

std::string alertName(const testing::TestParamInfo<Alert> &param)
{
    static const char *const alertNames[] = {"FailedSave",   "FailedAutosave", "ChangedElsewhere", "NoActiveJob",
                                             "FailedExport", "IdleStop",       "UpdateNotice"};
    return alertNames[int(param.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryAlert, AlertOverEachEditor,
                         testing::Values(Alert::FailedSave, Alert::FailedAutosave, Alert::ChangedElsewhere,
                                         Alert::NoActiveJob, Alert::FailedExport, Alert::IdleStop, Alert::UpdateNotice),
                         alertName);

// Seeded: editors opened while the window is free, alerts begun at any time, the
// topmost answered; after every step whatever stands on top has the keyboard and takes
// a key, an accessibility press of a menu item of the held window does nothing, and at
// the end each holder's default button ended it.
TEST_F(AlertsOverEditorsX11, SeededEditorsAndAlertsNeverBlockEachOther)
{
    std::mt19937 random(9202);
    QString path;
    ASSERT_TRUE(saveIntoOwnFolder(&path));
    const QList<Editor> editors{Editor::WholeDescription, Editor::JobNameSheet, Editor::TimeEntrySheet,
                                Editor::WholeNameOverASheet};
    int opened = 0, begun = 0, answered = 0;
    for (int step = 0; step < 60; ++step) {
        SCOPED_TRACE(step);
        const unsigned choice = random() % 3;
        if (choice == 0 && !topmost() && !anythingRunning()) {
            const Editor editor = editors.at(int(random() % editors.size()));
            SCOPED_TRACE(nameOf(editor));
            // Opened from the window the person works in.
            ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience))
                << "active: " << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none");
            QWidget *editorWindow = openEditor(editor);
            ASSERT_NE(editorWindow, nullptr);
            ++opened;
        } else if (choice == 1) {
            switch (random() % 3) {
            case 0:
                ASSERT_TRUE(beginAlert(Alert::NoActiveJob));
                break;
            case 1:
                if (!checker.isChecking()) {
                    ASSERT_TRUE(beginAlert(Alert::UpdateNotice));
                }
                break;
            default:
                // Saved again first: a file to fail on.
                if (!platform::Sheet::sheetOfWindow(window)) {
                    ASSERT_TRUE(saveIntoOwnFolder(&path));
                }
                ASSERT_TRUE(beginAlert(Alert::FailedSave));
                break;
            }
            ++begun;
        } else if (QWidget *top = settledTopmost()) {
            ASSERT_TRUE(takesAKey(top));
            ASSERT_TRUE(endsByDefault(top));
            ++answered;
        }
        if (QWidget *top = settledTopmost()) {
            ASSERT_TRUE(takesAKey(top));
        }
        if (platform::Sheet::sheetOfWindow(window)) {
            const int jobs = document->jobList()->childrenCount();
            QWidget *before = platform::Sheet::sheetOfWindow(window);
            pressNewJobByAccessibility();
            testsupport::settleEvents();
            EXPECT_EQ(document->jobList()->childrenCount(), jobs);
            EXPECT_EQ(platform::Sheet::sheetOfWindow(window), before);
            EXPECT_EQ(document->nameSheets().jobNameWindow() && document->nameSheets().jobNameWindow()->isVisible()
                          && before != document->nameSheets().jobNameWindow(),
                      false)
                << "New Job began under the hold";
        }
    }
    answerAll();
    EXPECT_EQ(topmost(), nullptr);
    EXPECT_TRUE(runningAlerts().isEmpty());
    EXPECT_GT(opened, 3);
    EXPECT_GT(begun, 3);
    EXPECT_GT(answered, 3);
}
