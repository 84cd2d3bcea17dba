// The running counter: entries under today's day of the active job, ticks on a set
// clock, the reminder, the idle stop, the sounds of start and stop, the process-wide
// running count and the undo stack around start and stop.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DocumentTotals.h"

#include "NTXAppKit/sounds/NTXSoundManager.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DeleteAssistant.h"
#include "application/sheets/DeleteAssistantSheet.h"
#include "application/tree/DocumentFileFormat.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"

#include <QAbstractScrollArea>
#include <QPaintEvent>
#include <QPushButton>
#include <QTest>
#include <QSignalSpy>
#include <QTimer>

#include <functional>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// The controller's stand-in: stops it sends are silent.
QObject &applicationControllerStandIn()
{
    static QObject controller;
    return controller;
}

} // namespace

class RunningCounterTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        platform::Clock::setNow(at(4, 9));
        defaults->setBool(false, AllwaysMutelyKey);
        defaults->setFloat(2.0f, SoundRepeatKey);
        defaults->setBool(false, StopTimerWhenInactiveKey);
        defaults->setFloat(5.0f, StopTimerWhenInactiveTimeKey);
        defaults->setString(QStringLiteral("Basso"), StartSoundKey);
        defaults->setString(QStringLiteral("Glass"), StopSoundKey);
        defaults->setString(QStringLiteral("Tink"), TimerSoundKey);
        services->soundPlayer = [this](const QString &name) { played << name; };
        services->idleSecondsSource = [this] { return idle; };
        services->notificationPoster = [this](const QString &message, const QString &title) { notes << title + QStringLiteral("|") + message; };
        services->applicationController = &applicationControllerStandIn();
        services->menuRebuilder = [this] { ++menuRebuilds; };
        services->reminderTickCount = 0;
    }

    void TearDown() override
    {
        MyDocumentFixture::TearDown();
        services->soundPlayer = {};
        services->soundCatalogue = nullptr;
        services->idleSecondsSource = {};
        services->notificationPoster = {};
        services->applicationController = nullptr;
        services->reminderTickCount = 0;
        platform::Clock::useSystemClock();
    }

    // A document with one job (wage 60) that is the active job.
    ProbeDocument *documentWithActiveJob(NodePtr *jobOut, bool display = false,
                                         const QList<std::pair<int, int>> &entries = {})
    {
        ProbeDocument *document = newDocument(display);
        NodePtr job = makeJob(QStringLiteral("Writing"), 60, entries);
        fill(document, {job});
        document->setActiveJob(job);
        *jobOut = job;
        return document;
    }

    // One tick, the given time after the clock's moment.
    static void tickAfter(MyDocument *document, qint64 msecs)
    {
        platform::Clock::advance(msecs);
        document->doTimer();
    }

    QStringList played;
    QStringList notes;
    double idle = 0.0;
    int menuRebuilds = 0;
};

// ---------------------------------------------------------------------------
// Start, tick, stop

TEST_F(RunningCounterTest, StartAddsTodaysDayAndARunningEntryAndSchedulesTheTick)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    ASSERT_EQ(job->childrenCount(), 0);
    menuRebuilds = 0;
    document->startTimerForJob(nullptr);

    ASSERT_TRUE(document->timerIsRunning());
    EXPECT_EQ(services->runningCounters, 1);
    ASSERT_EQ(job->childrenCount(), 1);
    const NodePtr day = job->childAtIndex(0);
    EXPECT_EQ(day->type(), Node::Day);
    EXPECT_EQ(day->parent(), job.get());
    EXPECT_EQ(day->cDate(), at(4, 9));
    EXPECT_EQ(day->itemName(), text("LSMonday") + QStringLiteral(" 04.03.2024"));
    EXPECT_FLOAT_EQ(day->wage(), 60.0f);
    ASSERT_EQ(day->childrenCount(), 1);
    const NodePtr entry = day->childAtIndex(0);
    EXPECT_EQ(document->timerNode(), entry);
    EXPECT_EQ(entry->type(), Node::TimeEntry);
    EXPECT_TRUE(entry->active());
    EXPECT_FLOAT_EQ(entry->wage(), 60.0f);
    EXPECT_EQ(entry->itemName(), QStringLiteral("09:00:00 ... 09:00:00"));

    ASSERT_NE(document->counter().timer(), nullptr);
    EXPECT_TRUE(document->counter().timer()->isActive());
    EXPECT_EQ(document->counter().timer()->interval(), 500);
    EXPECT_EQ(played, QStringList{QStringLiteral("Basso")});
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes.at(0), text("LSGrowlTimerStartedTitle") + QStringLiteral("|")
                               + text("LSGrowlTimerStartedMessage").replace(QStringLiteral("%@"), QStringLiteral("\u2068Writing\u2069")));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_GE(menuRebuilds, 1);
    // The new rows are in the outline.
    EXPECT_TRUE(indexOf(document, entry).isValid());

    tickAfter(document, 90 * 60 * 1000 + 59 * 1000);
    EXPECT_EQ(entry->hours(), 1);
    EXPECT_EQ(entry->minutes(), 30);
    EXPECT_FLOAT_EQ(entry->turnover(), 90.0f);
    EXPECT_EQ(entry->itemName(), QStringLiteral("09:00:00 ... 10:30:59"));
    EXPECT_EQ(day->minutes(), 30);
    EXPECT_EQ(job->hours(), 1);
    EXPECT_FLOAT_EQ(job->turnover(), 90.0f);

    menuRebuilds = 0;
    notes.clear();
    document->stopTimer(nullptr);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(document->counter().timer(), nullptr);
    EXPECT_EQ(document->timerNode(), nullptr);
    EXPECT_FALSE(entry->active());
    EXPECT_EQ(services->runningCounters, 0);
    EXPECT_EQ(played, (QStringList{QStringLiteral("Basso"), QStringLiteral("Glass")}));
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes.at(0), text("LSGrowlTimerStoppedTitle") + QStringLiteral("|")
                               + text("LSGrowlTimerStoppedMessage").replace(QStringLiteral("%@"), QStringLiteral("\u2068Writing\u2069")));
    EXPECT_GE(menuRebuilds, 1);
}

TEST_F(RunningCounterTest, TheTimerTicksOnItsOwn)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    platform::Clock::advance(20 * 60 * 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry->minutes() == 20; }, 5000));
    document->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, TwoStartsOnOneDayMakeTwoOrderedEntriesUnderOneDay)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->toggleTimer(nullptr);
    tickAfter(document, 30 * 60 * 1000);
    document->toggleTimer(nullptr);
    platform::Clock::setNow(at(4, 11));
    document->toggleTimer(nullptr);
    tickAfter(document, 15 * 60 * 1000);
    document->toggleTimer(nullptr);

    ASSERT_EQ(job->childrenCount(), 1);
    const NodePtr day = job->childAtIndex(0);
    ASSERT_EQ(day->childrenCount(), 2);
    EXPECT_EQ(day->childAtIndex(0)->cDate(), at(4, 9));
    EXPECT_EQ(day->childAtIndex(1)->cDate(), at(4, 11));
    EXPECT_EQ(day->minutes(), 45);
    EXPECT_EQ(job->minutes(), 45);
    EXPECT_FLOAT_EQ(job->turnover(), 45.0f);
}

TEST_F(RunningCounterTest, StartingWhileRunningAddsNoSecondEntry)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    document->startTimerForJob(nullptr);
    EXPECT_EQ(document->timerNode(), entry);
    EXPECT_EQ(job->childAtIndex(0)->childrenCount(), 1);
    EXPECT_EQ(services->runningCounters, 1);
    document->stopTimer(nullptr);
    // A second stop changes nothing.
    document->stopTimer(nullptr);
    EXPECT_EQ(services->runningCounters, 0);
}

TEST_F(RunningCounterTest, ARunAcrossMidnightStaysUnderTheDayItStartedOn)
{
    platform::Clock::setNow(at(4, 23, 50));
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    tickAfter(document, 30 * 60 * 1000);
    document->stopTimer(nullptr);

    ASSERT_EQ(job->childrenCount(), 1);
    const NodePtr day = job->childAtIndex(0);
    EXPECT_EQ(day->cDate().date(), QDate(2024, 3, 4));
    ASSERT_EQ(day->childrenCount(), 1);
    const NodePtr entry = day->childAtIndex(0);
    EXPECT_EQ(entry->hours(), 0);
    EXPECT_EQ(entry->minutes(), 30);
    EXPECT_EQ(entry->itemName(), QStringLiteral("23:50:00 ... 00:20:00"));
    EXPECT_EQ(job->minutes(), 30);
}

TEST_F(RunningCounterTest, ANewDayFollowsYesterdaysDay)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job, false, {{8, 30}});
    platform::Clock::setNow(at(5, 10));
    document->startTimerForJob(nullptr);
    document->stopTimer(nullptr);
    ASSERT_EQ(job->childrenCount(), 2);
    EXPECT_EQ(job->childAtIndex(0)->cDate().date(), QDate(2024, 3, 4));
    EXPECT_EQ(job->childAtIndex(1)->cDate().date(), QDate(2024, 3, 5));
    EXPECT_EQ(job->childAtIndex(1)->childrenCount(), 1);
    EXPECT_EQ(job->minutes(), 30);
}

TEST_F(RunningCounterTest, StoppingKeepsTheEndOfTheLastTick)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    tickAfter(document, 10 * 60 * 1000);
    const QDateTime lastTick = entry->lDate();
    platform::Clock::advance(5 * 60 * 1000);
    document->stopTimer(nullptr);
    EXPECT_EQ(entry->lDate(), lastTick);
    EXPECT_EQ(entry->minutes(), 10);
}

TEST_F(RunningCounterTest, WithoutAnActiveJobAnAlertSaysSoAndNothingStarts)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("Idle"), 10, {})});
    document->startTimerForJob(nullptr);
    QMessageBox *box = waitForMessageBox(document->mainWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), text("LSAnoActiveTitle"));
    EXPECT_EQ(box->informativeText(), text("LSAnoActive"));
    clickButton(box, text("LSok"));
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(services->runningCounters, 0);
    EXPECT_TRUE(played.isEmpty());
    EXPECT_TRUE(notes.isEmpty());
}

// Counted time is the time that passed: the wall clock set back (also to before the
// entry's start) or forward between ticks takes nothing back and adds nothing, and
// what the file holds follows.
TEST_F(RunningCounterTest, AStepOfTheWallClockNeitherTakesBackNorAddsCountedTime)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job, false, {{8, 20}});
    platform::Clock::setNow(at(4, 10));
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    const auto counted = [&] { return entry->cDate().msecsTo(entry->lDate()); };

    tickAfter(document, 30 * 60 * 1000);
    EXPECT_EQ(entry->minutes(), 30);
    struct Step
    {
        qint64 wallMinutes;  // the time is set by this much
        qint64 passedMsecs;  // then this much passes before the tick
        qint64 countedMsecs; // counted since the start
    };
    const QList<Step> steps{
        {-20, 0, 30 * 60 * 1000},          {-20, 500, 30 * 60 * 1000 + 500},
        {-120, 60 * 1000, 31 * 60 * 1000 + 500}, // before the entry's start
        {-3 * 24 * 60, 500, 31 * 60 * 1000 + 1000},
        {3 * 24 * 60 + 180, 0, 31 * 60 * 1000 + 1000}, // ahead of the time that passed
        {60, 9 * 60 * 1000, 40 * 60 * 1000 + 1000},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.wallMinutes);
        platform::Clock::stepWallClock(step.wallMinutes * 60 * 1000);
        tickAfter(document, step.passedMsecs);
        EXPECT_EQ(counted(), step.countedMsecs);
        EXPECT_EQ(entry->minutes(), int(step.countedMsecs / 60000));
        EXPECT_EQ(entry->itemName(), entry->cDate().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" ... ")
                                         + entry->lDate().toString(QStringLiteral("HH:mm:ss")));
        EXPECT_EQ(job->hours() * 60 + job->minutes(), 20 + int(step.countedMsecs / 60000));
        EXPECT_FLOAT_EQ(job->turnover(), float(20 + step.countedMsecs / 60000));
    }
    EXPECT_EQ(entry->cDate(), at(4, 10));
    document->stopTimer(nullptr);
    EXPECT_EQ(counted(), 40 * 60 * 1000 + 1000);

    // A second run after the clock went back starts at the wall clock's time.
    platform::Clock::setNow(at(4, 9));
    document->startTimerForJob(nullptr);
    tickAfter(document, 5 * 60 * 1000);
    platform::Clock::stepWallClock(-60 * 60 * 1000);
    tickAfter(document, 500);
    document->stopTimer(nullptr);
    EXPECT_EQ(job->hours() * 60 + job->minutes(), 20 + 40 + 5);

    const QString file = path(QStringLiteral("stepped.chronark"));
    ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
    DocumentFileFormat::ReadResult read;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read));
    const NodePtr saved = read.root->childAtIndex(0);
    EXPECT_EQ(saved->hours() * 60 + saved->minutes(), 65);
    EXPECT_FLOAT_EQ(saved->turnover(), 65.0f);
}

// Across a change of the local time zone's offset (summer time beginning and
// ending), the running entry's end is shown and saved in the offset of its own
// moment, as the clock then shows it; the time counted is the steady time that
// passed, 30 minutes both times. A start in another offset than the zone's keeps it.
TEST_F(RunningCounterTest, TheEndShowsTheOffsetOfItsMomentAcrossBothChangesOfTheYear)
{
    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    const struct
    {
        const char *what;
        QDateTime start;
        QTime shownEnd;
        int endOffset;
    } cases[] = {
        {"spring", QDateTime(QDate(2026, 3, 29), QTime(1, 45), Qt::OffsetFromUTC, 3600), QTime(3, 15), 7200},
        {"autumn", QDateTime(QDate(2026, 10, 25), QTime(2, 45), Qt::OffsetFromUTC, 7200), QTime(2, 15), 3600},
        {"another offset", QDateTime(QDate(2026, 3, 29), QTime(1, 45), Qt::OffsetFromUTC, 5 * 3600), QTime(2, 15),
         5 * 3600},
    };
    int number = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        NodePtr job;
        ProbeDocument *document = documentWithActiveJob(&job);
        platform::Clock::setNow(c.start);
        document->startTimerForJob(nullptr);
        const NodePtr entry = document->timerNode();
        ASSERT_NE(entry, nullptr);
        // Before the change, and across it.
        tickAfter(document, 10 * 60 * 1000);
        EXPECT_EQ(entry->lDate().offsetFromUtc(), c.start.offsetFromUtc());
        tickAfter(document, 20 * 60 * 1000);
        document->stopTimer(nullptr);

        const QDateTime end = entry->lDate();
        EXPECT_EQ(end, c.start.addSecs(30 * 60)) << "the moment";
        EXPECT_EQ(end.offsetFromUtc(), c.endOffset);
        EXPECT_EQ(end.time(), c.shownEnd);
        EXPECT_EQ(entry->cDate().offsetFromUtc(), c.start.offsetFromUtc());
        EXPECT_EQ(entry->hours() * 60 + entry->minutes(), 30);
        EXPECT_EQ(entry->itemName(), c.start.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" ... ")
                                         + c.shownEnd.toString(QStringLiteral("HH:mm:ss")));

        const QString file = path(QStringLiteral("offset-%1.chronark").arg(++number));
        ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
        DocumentFileFormat::ReadResult read;
        ASSERT_TRUE(DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read));
        const NodePtr saved = read.root->childAtIndex(0)->childAtIndex(0)->childAtIndex(0);
        ASSERT_EQ(saved->type(), Node::TimeEntry);
        EXPECT_EQ(saved->lDate(), end);
        EXPECT_EQ(saved->lDate().offsetFromUtc(), c.endOffset);
        EXPECT_EQ(saved->lDate().time(), c.shownEnd);
        EXPECT_EQ(saved->hours() * 60 + saved->minutes(), 30);
        document->close();
        drainEvents();
    }
}

// A file may hold an entry that ends before it starts (written before the counter
// followed the steady clock): it is read as it is, and counting leaves it so.
TEST_F(RunningCounterTest, AnEntryEndingBeforeItStartsIsReadAsItIs)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job, false, {{8, 20}});
    job->setWage(50);
    const NodePtr day = job->childAtIndex(0);
    const NodePtr backwards = makeNode(Node::TimeEntry, QString(), at(4, 10));
    backwards->setlDate(at(4, 9, 40));
    backwards->setWage(50);
    day->addChild(backwards);
    backwards->refreshWorkTime();
    backwards->recalcTotalWorkTime();
    const QString file = path(QStringLiteral("backwards.chronark"));
    ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));

    ProbeDocument *opened = openDocument(file);
    ASSERT_NE(opened, nullptr);
    const NodePtr readJob = opened->jobList()->childAtIndex(0);
    const NodePtr readEntry = readJob->childAtIndex(0)->childAtIndex(1);
    EXPECT_EQ(readEntry->cDate(), at(4, 10));
    EXPECT_EQ(readEntry->lDate(), at(4, 9, 40));
    EXPECT_EQ(readEntry->hours() * 60 + readEntry->minutes(), -20);
    EXPECT_NEAR(readEntry->turnover(), -16.67f, 0.01f);
    EXPECT_EQ(readJob->hours() * 60 + readJob->minutes(), 0);

    opened->setActiveJob(readJob);
    platform::Clock::setNow(at(4, 11));
    opened->startTimerForJob(nullptr);
    tickAfter(opened, 30 * 60 * 1000);
    opened->stopTimer(nullptr);
    EXPECT_EQ(readEntry->lDate(), at(4, 9, 40));
    EXPECT_EQ(readEntry->hours() * 60 + readEntry->minutes(), -20);
    EXPECT_EQ(readJob->hours() * 60 + readJob->minutes(), 30);
}

// An edit that takes the running entry out of the tree (the entry, its day, its job
// or its group) stops the counter in that edit's undo step: the time counted until
// the edit stays with the entry, nothing counts after it, and the undo brings the
// entry back stopped with that time; the steps made before go, as at every stop.
TEST_F(RunningCounterTest, AnEditThatRemovesTheRunningEntryStopsTheCounterInItsStep)
{
    struct Removal
    {
        const char *name;
        std::function<void(ProbeDocument *, const NodePtr &group, const NodePtr &job)> make;
    };
    const auto byAssistant = [](int kind) {
        return [kind](ProbeDocument *document, const NodePtr &, const NodePtr &) {
            document->deleteAssistantSheet().deleteAssistant(nullptr);
            DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
            ASSERT_NE(sheet, nullptr);
            sheet->selectKindTag(kind);
            sheet->selectConditionTag(0);
            QPointer<DeleteAssistantSheet> guard(sheet);
            QTest::mouseClick(sheet->deleteOkButton, Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
        };
    };
    // Document › Delete Entry… on the selected row, answered yes.
    const auto byMenu = [](bool group) {
        return [group](ProbeDocument *document, const NodePtr &groupNode, const NodePtr &job) {
            select(document, {group ? groupNode : job});
            outline(document)->setFocus();
            QAction *item = nullptr;
            for (QAction *candidate : document->documentWindow()->documentMenu()->actions())
                if (platform::MenuItemValidation::action(candidate) == "deleteEntry:")
                    item = candidate;
            ASSERT_NE(item, nullptr);
            ASSERT_TRUE(platform::MenuItemValidation::validateItem(item));
            ASSERT_TRUE(platform::MenuItemValidation::sendItemAction(item));
            clickButton(waitForMessageBox(document->mainWindow()), text("LSyes"));
        };
    };
    const QList<Removal> removals{
        {"time entries, by the delete assistant", byAssistant(3)},
        {"jobs, by the delete assistant", byAssistant(2)},
        {"its job, by Delete Entry", byMenu(false)},
        {"its group, by Delete Entry", byMenu(true)},
        {"its day", [](ProbeDocument *document, const NodePtr &, const NodePtr &job) {
             document->edits().deleteNode(job->childAtIndex(0), job);
         }},
    };
    for (const Removal &removal : removals) {
        SCOPED_TRACE(removal.name);
        ProbeDocument *document = newDocument(true);
        ASSERT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
        const NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
        const NodePtr job = makeJob(QStringLiteral("Writing"), 60, {});
        const NodePtr other = makeJob(QStringLiteral("Reading"), 60, {{8, 20}});
        group->addChild(job);
        fill(document, {group, other});
        document->setActiveJob(job);
        document->startTimerForJob(nullptr);
        const NodePtr entry = document->timerNode();
        // A step made while counting, before the removal.
        document->edits().setNameForNode(QStringLiteral("Renamed"), other);
        drainEvents();
        tickAfter(document, 10 * 60 * 1000);
        platform::Clock::advance(2 * 60 * 1000);
        played.clear();
        notes.clear();

        removal.make(document, group, job);
        drainEvents();
        EXPECT_FALSE(document->timerIsRunning());
        EXPECT_EQ(document->timerNode(), nullptr);
        EXPECT_EQ(services->runningCounters, 0);
        EXPECT_FALSE(entry->active());
        EXPECT_NE(entry->documentRoot(), document->jobList().get());
        EXPECT_EQ(entry->minutes(), 12) << "the time up to the removal counts";
        EXPECT_EQ(played, QStringList{QStringLiteral("Glass")});
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes.at(0).contains(QStringLiteral("Writing")));
        // Nothing counts after it.
        tickAfter(document, 5 * 60 * 1000);
        EXPECT_EQ(entry->minutes(), 12);

        platform::UndoManager *undo = document->undoManager();
        ASSERT_TRUE(undo->canUndo());
        document->undo(nullptr);
        drainEvents();
        EXPECT_EQ(entry->documentRoot(), document->jobList().get()) << "the undo brings the entry back";
        EXPECT_FALSE(entry->active());
        EXPECT_FALSE(document->timerIsRunning());
        EXPECT_EQ(entry->minutes(), 12);
        EXPECT_EQ(job->minutes(), 12);
        EXPECT_FLOAT_EQ(job->turnover(), 12.0f);
        EXPECT_EQ(group->minutes(), 12);
        EXPECT_FLOAT_EQ(group->turnover(), 12.0f);
        EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:32"));
        EXPECT_FALSE(undo->canUndo()) << "the steps before the stop went with it";
        EXPECT_EQ(other->itemName(), QStringLiteral("Renamed"));
        document->redo(nullptr);
        drainEvents();
        EXPECT_NE(entry->documentRoot(), document->jobList().get());
        EXPECT_FALSE(document->timerIsRunning());
        document->undo(nullptr);
        drainEvents();
        EXPECT_EQ(entry->minutes(), 12);
        document->close();
        drainEvents();
    }
}

// A drag takes the moved job out and puts it back in one step: the counter on it,
// or on a job in the moved group, goes on, also through the move's undo and redo.
TEST_F(RunningCounterTest, MovingTheRunningJobOrItsGroupByDragKeepsCounting)
{
    ProbeDocument *document = newDocument(true);
    const NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
    const NodePtr job = makeJob(QStringLiteral("Writing"), 60, {});
    const NodePtr other = makeJob(QStringLiteral("Reading"), 60, {{8, 20}});
    const NodePtr target = makeNode(Node::Group, QStringLiteral("Archive"));
    group->addChild(job);
    fill(document, {group, other, target});
    document->setActiveJob(job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    int minutes = 0;
    const auto countOn = [&] {
        tickAfter(document, 60 * 1000);
        ++minutes;
        ASSERT_TRUE(document->timerIsRunning());
        EXPECT_EQ(document->timerNode(), entry);
        EXPECT_EQ(entry->documentRoot(), document->jobList().get());
        EXPECT_EQ(entry->minutes(), minutes);
    };
    // Each drop a step of its own.
    const auto drag = [&](const NodePtr &node, const NodePtr &into) {
        const QModelIndex parent = into == document->jobList() ? QModelIndex() : indexOf(document, into);
        EXPECT_TRUE(dropAt(document, node, parent, 0));
        drainEvents();
    };
    drag(job, document->jobList());
    EXPECT_EQ(job->parent(), document->jobList().get());
    countOn();
    drag(group, target);
    drag(job, group);
    EXPECT_EQ(job->parent(), group.get());
    EXPECT_EQ(target->minutes(), 1);
    countOn();
    for (int i = 0; i < 3; ++i) {
        document->undo(nullptr);
        drainEvents();
        countOn();
    }
    EXPECT_EQ(job->parent(), group.get());
    EXPECT_EQ(group->parent(), document->jobList().get());
    document->redo(nullptr);
    drainEvents();
    countOn();
    EXPECT_EQ(target->minutes(), 0);
    document->stopTimer(nullptr);
    EXPECT_EQ(job->minutes(), minutes);
}

// ---------------------------------------------------------------------------
// Process-wide count, closing

TEST_F(RunningCounterTest, TheRunningCountSpansDocumentsAndClosingAWindowStops)
{
    NodePtr first;
    NodePtr second;
    ProbeDocument *one = documentWithActiveJob(&first, true);
    ProbeDocument *two = documentWithActiveJob(&second, true);
    one->startTimerForJob(nullptr);
    two->startTimerForJob(nullptr);
    EXPECT_EQ(services->runningCounters, 2);
    const NodePtr entry = two->timerNode();
    played.clear();

    QPointer<ProbeDocument> guard(two);
    two->close();
    EXPECT_EQ(services->runningCounters, 1);
    EXPECT_FALSE(entry->active());
    // The document itself stopped it: the stop sound plays.
    EXPECT_EQ(played, QStringList{QStringLiteral("Glass")});
    drainEvents();
    EXPECT_TRUE(guard.isNull());
    one->stopTimer(nullptr);
    EXPECT_EQ(services->runningCounters, 0);
}

TEST_F(RunningCounterTest, ADocumentDeletedWhileCountingLeavesTheCount)
{
    auto *document = new ProbeDocument(nullptr, services);
    NodePtr j = makeJob(QStringLiteral("Loose"), 1, {});
    document->jobList()->addChild(j);
    document->setActiveJob(j);
    document->startTimerForJob(nullptr);
    EXPECT_EQ(services->runningCounters, 1);
    const NodePtr entry = document->timerNode();
    delete document;
    EXPECT_EQ(services->runningCounters, 0);
    EXPECT_FALSE(entry->active());
}

// ---------------------------------------------------------------------------
// Sounds

TEST_F(RunningCounterTest, StopsFromTheApplicationControllerAreSilentOthersSound)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    QObject toolbarItem;

    document->startTimerForJob(&toolbarItem);
    played.clear();
    document->stopTimer(&applicationControllerStandIn());
    EXPECT_TRUE(played.isEmpty());

    document->toggleTimer(&applicationControllerStandIn());
    played.clear();
    document->toggleTimer(&toolbarItem);
    EXPECT_EQ(played, QStringList{QStringLiteral("Glass")});

    // Muted: nothing sounds, whoever stops.
    defaults->setBool(true, AllwaysMutelyKey);
    played.clear();
    document->toggleTimer(&toolbarItem);
    document->toggleTimer(&toolbarItem);
    EXPECT_TRUE(played.isEmpty());
}

TEST_F(RunningCounterTest, SoundNamesAreReadWhenTheyPlay)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    defaults->setString(QStringLiteral("Submarine"), StopSoundKey);
    document->stopTimer(nullptr);
    EXPECT_EQ(played.last(), QStringLiteral("Submarine"));
}

TEST_F(RunningCounterTest, SoundRepeatCountsMinutesAtStartAndOnAPreferenceChange)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    defaults->setFloat(2.0f, SoundRepeatKey);
    document->startTimerForJob(nullptr);
    EXPECT_EQ(document->counter().reminderInterval(), 240);
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
    EXPECT_EQ(document->counter().reminderInterval(), 240);
    defaults->setFloat(0.5f, SoundRepeatKey);
    defaults->setBool(true, StopTimerWhenInactiveKey);
    defaults->setFloat(7.0f, StopTimerWhenInactiveTimeKey);
    defaults->setBool(true, AllwaysMutelyKey);
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
    EXPECT_EQ(document->counter().reminderInterval(), 60);
    EXPECT_TRUE(document->counter().checksInactivity());
    EXPECT_DOUBLE_EQ(document->counter().inactivityInterval(), 420.0);
    EXPECT_TRUE(document->counter().isMute());
    // Nonsense stands for "never".
    defaults->setFloat(-3.0f, SoundRepeatKey);
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
    EXPECT_EQ(document->counter().reminderInterval(), 0);
    document->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, TheReminderPlaysAtItsIntervalAndRestartsTheSharedCount)
{
    defaults->setFloat(0.025f, SoundRepeatKey); // 3 ticks
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    ASSERT_EQ(document->counter().reminderInterval(), 3);
    played.clear();
    tickAfter(document, 500);
    tickAfter(document, 500);
    EXPECT_TRUE(played.isEmpty());
    EXPECT_EQ(services->reminderTickCount, 2);
    tickAfter(document, 500);
    EXPECT_EQ(played, QStringList{QStringLiteral("Tink")});
    EXPECT_EQ(services->reminderTickCount, 0);
    document->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, LoweringTheIntervalBelowTheCountStillReminds)
{
    defaults->setFloat(2.0f, SoundRepeatKey);
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    for (int i = 0; i < 10; ++i)
        tickAfter(document, 500);
    played.clear();
    defaults->setFloat(0.025f, SoundRepeatKey); // 3 ticks, count already at 10
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
    tickAfter(document, 500);
    EXPECT_EQ(played, QStringList{QStringLiteral("Tink")});
    document->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, AnIntervalOfZeroNeverReminds)
{
    defaults->setFloat(0.0f, SoundRepeatKey);
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    played.clear();
    for (int i = 0; i < 500; ++i)
        tickAfter(document, 500);
    EXPECT_TRUE(played.isEmpty());
    document->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, TwoRunningDocumentsShareOneReminderCount)
{
    defaults->setFloat(0.05f, SoundRepeatKey); // 6 ticks
    NodePtr first;
    NodePtr second;
    ProbeDocument *one = documentWithActiveJob(&first);
    ProbeDocument *two = documentWithActiveJob(&second);
    one->startTimerForJob(nullptr);
    two->startTimerForJob(nullptr);
    played.clear();
    for (int i = 0; i < 3; ++i) {
        one->doTimer();
        two->doTimer();
    }
    EXPECT_EQ(played, QStringList{QStringLiteral("Tink")});
    EXPECT_EQ(services->reminderTickCount, 0);
    one->stopTimer(nullptr);
    two->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, AnEmptySoundCatalogueStartsTicksAndStops)
{
    NTXSoundManager empty(QStringList{dir.path() + QStringLiteral("/no-sounds")});
    ASSERT_EQ(empty.count(), 0u);
    // The defaults as the application registers them for an empty catalogue.
    auto emptyDefaults = std::make_unique<platform::UserDefaults>(dir.path() + QStringLiteral("/empty.conf"));
    emptyDefaults->registerDefaults(DefaultsKeys::registeredDefaults(&empty));
    controller->setUserDefaults(emptyDefaults.get());
    EXPECT_TRUE(emptyDefaults->stringForKey(StartSoundKey).isEmpty());
    services->soundPlayer = {};
    services->soundCatalogue = &empty;

    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    ASSERT_TRUE(document->timerIsRunning());
    services->reminderTickCount = 1000000;
    tickAfter(document, 60 * 1000);
    document->stopTimer(nullptr);
    EXPECT_TRUE(empty.soundPath().isEmpty());
    EXPECT_EQ(job->minutes(), 1);
    controller->setUserDefaults(defaults.get());
}

// ---------------------------------------------------------------------------
// Idle stop

TEST_F(RunningCounterTest, IdleExactlyAtTheLimitGoesOnMoreStopsAtThatTick)
{
    defaults->setBool(true, StopTimerWhenInactiveKey);
    defaults->setFloat(5.0f, StopTimerWhenInactiveTimeKey);
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    played.clear();

    idle = 300.0;
    tickAfter(document, 6 * 60 * 1000);
    EXPECT_TRUE(document->timerIsRunning());
    EXPECT_TRUE(played.isEmpty());

    idle = 300.5;
    tickAfter(document, 60 * 1000);
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(services->runningCounters, 0);
    EXPECT_EQ(entry->lDate(), platform::Clock::now());
    EXPECT_EQ(entry->minutes(), 7);
    // The idle test stops with the document as sender: the stop sound plays.
    EXPECT_EQ(played, QStringList{QStringLiteral("Glass")});
}

TEST_F(RunningCounterTest, IdleTimeIsIgnoredWhenTheIdleStopIsOff)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    document->startTimerForJob(nullptr);
    idle = 1.0e9;
    tickAfter(document, 500);
    EXPECT_TRUE(document->timerIsRunning());
    document->stopTimer(nullptr);
}

// ---------------------------------------------------------------------------
// Undo stack

TEST_F(RunningCounterTest, StartAndStopEmptyTheUndoStack)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job);
    platform::UndoManager *undo = document->undoManager();
    document->edits().setNameForNode(QStringLiteral("Renamed"), job);
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    ASSERT_TRUE(undo->canUndo());
    document->startTimerForJob(nullptr);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(undo->canRedo());

    document->edits().setNameForNode(QStringLiteral("Again"), job);
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    ASSERT_TRUE(undo->canUndo());
    document->stopTimer(nullptr);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(undo->canRedo());
}

// ---------------------------------------------------------------------------
// Redraw

TEST_F(RunningCounterTest, ATickRedrawsTheChangedRowsWithoutResettingTheOutline)
{
    NodePtr job = makeJob(QStringLiteral("Writing"), 60, {});
    NodePtr other = makeJob(QStringLiteral("Other"), 60, {{8, 30}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    group->addChild(job);
    ProbeDocument *document = newDocument(true);
    fill(document, {group, other});
    document->setActiveJob(job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    const NodePtr day = job->childAtIndex(0);
    const NodePtr otherEntry = other->childAtIndex(0)->childAtIndex(0);
    select(document, {entry, otherEntry});
    QTreeView *view = outline(document);
    ASSERT_TRUE(view->isExpanded(indexOf(document, day)));
    ASSERT_TRUE(view->isExpanded(indexOf(document, other->childAtIndex(0))));

    DocumentOutlineModel *model = document->outlineModel();
    QSignalSpy resets(model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy layouts(model, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy changes(model, &QAbstractItemModel::dataChanged);
    tickAfter(document, 45 * 60 * 1000);

    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 0);
    // Each change names the cells of one row whose text changed: the entry's name
    // (its end), and the time and turnover of the entry and of every row above it.
    QMap<const Node *, QSet<QString>> changed;
    for (const QList<QVariant> &arguments : changes) {
        const QModelIndex first = arguments.at(0).toModelIndex();
        const QModelIndex last = arguments.at(1).toModelIndex();
        EXPECT_EQ(first.row(), last.row());
        EXPECT_EQ(first.parent(), last.parent());
        for (int column = first.column(); column <= last.column(); ++column)
            changed[model->nodeForIndex(first)].insert(model->identifierForColumn(column));
    }
    const QSet<QString> sums{QStringLiteral("outlineTime"), QStringLiteral("outlineTurnover")};
    EXPECT_EQ(changed.value(entry.get()), sums + QSet<QString>{QStringLiteral("outlineName")});
    EXPECT_EQ(changed.value(day.get()), sums);
    EXPECT_EQ(changed.value(job.get()), sums);
    EXPECT_EQ(changed.value(group.get()), sums);
    EXPECT_EQ(changed.size(), 4);
    EXPECT_EQ(indexOf(document, entry).siblingAtColumn(model->columnForIdentifier(QStringLiteral("outlineTime")))
                  .data()
                  .toString()
                  .trimmed(),
              QStringLiteral("0:45"));
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:15"));
    EXPECT_TRUE(view->isExpanded(indexOf(document, day)));
    EXPECT_TRUE(view->isExpanded(indexOf(document, other->childAtIndex(0))));
    QList<NodePtr> selected;
    for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(view))
        selected << item.value<NodePtr>();
    EXPECT_EQ(selected.size(), 2);
    EXPECT_TRUE(selected.contains(entry));
    EXPECT_TRUE(selected.contains(otherEntry));
    document->stopTimer(nullptr);
}

// What a tick repaints: nothing when no text changed; otherwise only inside the
// changed cells and the totals row, the rest of the window as drawn.
TEST_F(RunningCounterTest, ATickRepaintsOnlyTheCellsWhoseTextChanged)
{
    NodePtr job = makeJob(QStringLiteral("Writing"), 60, {});
    NodePtr other = makeJob(QStringLiteral("Other"), 60, {{8, 30}});
    ProbeDocument *document = newDocument(true);
    fill(document, {job, other});
    document->setActiveJob(job);
    document->startTimerForJob(nullptr);
    const NodePtr entry = document->timerNode();
    select(document, {entry});
    QTreeView *view = outline(document);
    QWidget *totals = document->totals().tableHeaderView();
    ASSERT_NE(totals, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));

    // The paint events of the outline's and the totals' viewports, and of the window.
    struct PaintSpy : QObject
    {
        QMap<QObject *, QRegion> painted;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted[watched] += static_cast<QPaintEvent *>(event)->region();
            return false;
        }
    } spy;
    auto *totalsView = qobject_cast<QAbstractScrollArea *>(totals);
    ASSERT_NE(totalsView, nullptr);
    for (QWidget *watched : {view->viewport(), totalsView->viewport(), view->window()})
        watched->installEventFilter(&spy);
    const auto repaintsDone = [] {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    };
    repaintsDone();
    spy.painted.clear();

    // The clock stands still: nothing changed, nothing is drawn.
    tickAfter(document, 0);
    repaintsDone();
    EXPECT_TRUE(spy.painted.isEmpty()) << spy.painted.size();

    // Ten minutes on: the entry's name, time and turnover, the time and turnover of
    // its day and job, and both totals change; the job's name and the other job stay.
    tickAfter(document, 10 * 60 * 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.painted.contains(view->viewport()); }, 5000));
    repaintsDone();
    DocumentOutlineModel *model = document->outlineModel();
    QRegion changedCells;
    for (const QString &identifier : {QStringLiteral("outlineName"), QStringLiteral("outlineTime"),
                                      QStringLiteral("outlineTurnover")})
        changedCells += view->visualRect(indexOf(document, entry).siblingAtColumn(model->columnForIdentifier(identifier)));
    for (const NodePtr &row : {job, job->childAtIndex(0)})
        for (const QString &identifier : {QStringLiteral("outlineTime"), QStringLiteral("outlineTurnover")})
            changedCells += view->visualRect(indexOf(document, row).siblingAtColumn(model->columnForIdentifier(identifier)));
    const QRegion outlinePainted = spy.painted.value(view->viewport());
    EXPECT_TRUE((outlinePainted - changedCells).isEmpty());
    EXPECT_TRUE(outlinePainted.intersects(changedCells));
    EXPECT_FALSE(outlinePainted.intersects(view->visualRect(indexOf(document, other))));
    EXPECT_FALSE(outlinePainted.intersects(
        view->visualRect(indexOf(document, job).siblingAtColumn(model->columnForIdentifier(QStringLiteral("outlineName"))))));
    EXPECT_TRUE(spy.painted.contains(totalsView->viewport()));
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:40"));
    document->stopTimer(nullptr);
}

TEST_F(RunningCounterTest, TheStartStopButtonAndTheMenuItemToggle)
{
    NodePtr job;
    ProbeDocument *document = documentWithActiveJob(&job, true);
    QPushButton *button = document->documentWindow()->startStopButton();
    ASSERT_TRUE(button->isEnabled());
    const QString startText = button->text();
    button->click();
    EXPECT_TRUE(document->timerIsRunning());
    EXPECT_NE(button->text(), startText) << "the button says that a click stops";
    button->click();
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(button->text(), startText);
    // The button is not the application controller: its stop sounds.
    EXPECT_EQ(played, (QStringList{QStringLiteral("Basso"), QStringLiteral("Glass")}));
}
