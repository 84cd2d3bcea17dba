// Where the parts of the document meet: undo of removed days, the running counter
// against deletion and reverting, what still holds the old tree after a revert.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "application/base/DefaultsKeys.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UndoManager.h"

#include <algorithm>
#include <vector>

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

namespace {

std::vector<std::weak_ptr<Node>> subtreeOf(const NodePtr &node, std::vector<std::weak_ptr<Node>> into = {})
{
    into.push_back(node);
    for (const NodePtr &child : node->childEnumerator())
        into = subtreeOf(child, std::move(into));
    return into;
}

bool allGone(const std::vector<std::weak_ptr<Node>> &nodes)
{
    return std::all_of(nodes.cbegin(), nodes.cend(), [](const std::weak_ptr<Node> &n) { return n.expired(); });
}

// The Move to Group menu's items that offer a group of the tree (the others say so).
QStringList groupItems(QMenu *menu, const NodePtr &root)
{
    QStringList titles;
    for (QAction *item : menu->actions())
        if (const QVariant object = platform::MenuItemValidation::representedObject(item); object.isValid())
            titles << item->text().remove(QLatin1Char('&'))
                          + (object.value<NodePtr>()->documentRoot() == root.get() ? "" : " (elsewhere)");
    return titles;
}

} // namespace

// After a revert nothing holds on to the old tree: not the Move to Group menu filled
// before, nor the undo step of a group deleted before (all of it is gone once the
// event loop has run, none of it in the revert's own turn); the menu opened again
// offers the groups of the tree read.
TEST_F(DocumentSeamsTest, RevertingLeavesNothingOfTheOldTreeInTheMoveToGroupMenuOrTheUndoSteps)
{
    const QString file = path(QStringLiteral("revert-groups.chronark"));
    ProbeDocument *document = newDocument(true);
    QMenu *menu = document->mainWindow()->findChild<QMenu *>(QStringLiteral("moveToGroupMenu"));
    ASSERT_NE(menu, nullptr);
    NodePtr outer = makeNode(Node::Group, QStringLiteral("Outer"));
    outer->addChild(makeNode(Node::Group, QStringLiteral("Inner")));
    outer->childAtIndex(0)->addChild(makeJob(QStringLiteral("A"), 60, {{8, 30}, {10, 15}}));
    NodePtr doomed = makeNode(Node::Group, QStringLiteral("Doomed"));
    doomed->addChild(makeJob(QStringLiteral("B"), 60, {{9, 0}}));
    fill(document, {outer, doomed});
    ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
    document->edits().addNode(makeNode(Node::Group, QStringLiteral("Unsaved")), document->jobList(), 0);
    document->edits().deleteNode(doomed, document->jobList());
    endStep(document->undoManager());
    const std::vector<std::weak_ptr<Node>> old = subtreeOf(doomed, subtreeOf(document->jobList()));
    menu->aboutToShow();
    EXPECT_EQ(groupItems(menu, document->jobList()), (QStringList{"Unsaved", "Outer", "    Inner"}));
    outer.reset();
    doomed.reset();

    ASSERT_TRUE(document->revertToSaved());
    EXPECT_EQ(groupItems(menu, document->jobList()), QStringList());
    EXPECT_FALSE(allGone(old));
    EXPECT_TRUE(QTest::qWaitFor([&old] { return allGone(old); }));
    menu->aboutToShow();
    EXPECT_EQ(groupItems(menu, document->jobList()), (QStringList{"Outer", "    Inner", "Doomed"}));
}
