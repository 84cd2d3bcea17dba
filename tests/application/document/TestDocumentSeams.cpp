// Where the parts of the document meet: undo of removed days, the running counter
// against deletion and reverting.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "application/base/DefaultsKeys.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UndoManager.h"

using namespace mydoctest;

class DocumentSeamsTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        platform::Clock::setNow(at(4, 9));
        defaults->setBool(true, AllwaysMutelyKey);
        defaults->setBool(false, StopTimerWhenInactiveKey);
        services->soundPlayer = [](const QString &) {};
        services->notificationPoster = [this](const QString &message, const QString &) { notes << message; };
    }

    void TearDown() override
    {
        MyDocumentFixture::TearDown();
        services->soundPlayer = {};
        services->notificationPoster = {};
        platform::Clock::useSystemClock();
    }

    static void endStep(platform::UndoManager *undo)
    {
        ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    }

    QStringList notes;
};

TEST_F(DocumentSeamsTest, UndoingTheRemovalOfADayRestoresTheSumsOfItsJobAndGroups)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("A"), 60, {{8, 30}, {10, 15}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    group->addChild(job);
    group->recalcTotalWorkTime();
    fill(document, {group});
    ASSERT_EQ(job->minutes(), 45);
    const NodePtr day = job->childAtIndex(0);
    platform::UndoManager *undo = document->undoManager();

    document->edits().deleteNode(day, job);
    EXPECT_EQ(job->minutes(), 0);
    EXPECT_EQ(group->minutes(), 0);
    endStep(undo);

    undo->undo();
    EXPECT_EQ(job->childrenCount(), 1);
    EXPECT_EQ(job->minutes(), 45);
    EXPECT_FLOAT_EQ(job->turnover(), 45.0f);
    EXPECT_EQ(group->minutes(), 45);
    EXPECT_FLOAT_EQ(group->turnover(), 45.0f);
}

TEST_F(DocumentSeamsTest, StoppingAfterTheRunningJobWasDeletedNamesTheJob)
{
    ProbeDocument *document = newDocument();
    {
        NodePtr job = makeJob(QStringLiteral("A job whose name is long enough to live on the heap"), 60, {});
        fill(document, {job});
        document->setActiveJob(job);
        document->startTimerForJob(nullptr);
        ASSERT_TRUE(document->timerIsRunning());
        platform::Clock::advance(60 * 1000);
        document->doTimer();
        notes.clear();
        // The user deletes the job the counter runs on: only the undo step holds it,
        // and the counter stops.
        document->edits().deleteNode(job, document->jobList());
    }
    EXPECT_FALSE(document->timerIsRunning());
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes.first().contains(QStringLiteral("A job whose name is long enough to live on the heap")))
        << notes.first().toStdString();
}

TEST_F(DocumentSeamsTest, RevertingWhileTheCounterRunsStopsIt)
{
    const QString file = path(QStringLiteral("revert.chronark"));
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("A"), 60, {{8, 30}});
    fill(document, {job});
    document->setActiveJob(job);
    ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));

    document->startTimerForJob(nullptr);
    ASSERT_TRUE(document->timerIsRunning());
    const NodePtr entry = document->timerNode();
    job.reset();
    ASSERT_TRUE(document->revertToSaved());

    // The running entry belonged to the tree that went away: the counter stopped.
    EXPECT_FALSE(document->timerIsRunning());
    EXPECT_EQ(document->timerNode(), nullptr);
    EXPECT_EQ(document->counter().timer(), nullptr);
    EXPECT_FALSE(entry->active());
    EXPECT_EQ(services->runningCounters, 0);
    // A later tick touches nothing of the old tree.
    platform::Clock::advance(60 * 1000);
    document->doTimer();
    EXPECT_EQ(document->getJobArray().size(), 1);
}
