// Undoable edits of the node tree: each edit and its opposite, the sums after adding
// and removing, and the name of the step through undo and redo.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "platform/foundation/UndoManager.h"

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

} // namespace

class DocumentUndoTest : public MyDocumentFixture
{
protected:
    // Ends the step the last event built (the undo manager groups by event).
    static void endStep(platform::UndoManager *undo)
    {
        ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    }

    static QList<NodePtr> childrenOf(const NodePtr &node) { return node->childEnumerator(); }
};

// ---------------------------------------------------------------------------
// Adding and removing

TEST_F(DocumentUndoTest, AMoveWithinItsParentUndoesToItsFormerIndex)
{
    ProbeDocument *document = newDocument();
    NodePtr a = makeJob(QStringLiteral("A"), 1, {});
    NodePtr b = makeJob(QStringLiteral("B"), 1, {});
    NodePtr c = makeJob(QStringLiteral("C"), 1, {});
    fill(document, {a, b, c});
    const NodePtr root = document->jobList();
    platform::UndoManager *undo = document->undoManager();

    // A to the end, as the outline moves nodes: out, then in.
    document->edits().deleteNode(a, root);
    document->edits().addNode(a, root, 2);
    undo->setActionName(text("LSUDDragAndDrop"));
    EXPECT_EQ(childrenOf(root), (QList<NodePtr>{b, c, a}));
    EXPECT_EQ(a->parent(), root.get());
    endStep(undo);

    undo->undo();
    EXPECT_EQ(childrenOf(root), (QList<NodePtr>{a, b, c}));
    EXPECT_EQ(undo->redoActionName(), text("LSUDDragAndDrop"));
    undo->redo();
    EXPECT_EQ(childrenOf(root), (QList<NodePtr>{b, c, a}));
    EXPECT_EQ(undo->undoActionName(), text("LSUDDragAndDrop"));
}

TEST_F(DocumentUndoTest, MovingAnEntryToAnotherJobRecomputesBothJobsAndTheirGroups)
{
    ProbeDocument *document = newDocument();
    NodePtr from = makeJob(QStringLiteral("From"), 60, {{8, 30}, {10, 15}});
    NodePtr to = makeJob(QStringLiteral("To"), 120, {{9, 10}});
    NodePtr groupFrom = makeNode(Node::Group, QStringLiteral("GF"));
    NodePtr groupTo = makeNode(Node::Group, QStringLiteral("GT"));
    groupFrom->addChild(from);
    groupTo->addChild(to);
    groupFrom->recalcTotalWorkTime();
    groupTo->recalcTotalWorkTime();
    fill(document, {groupFrom, groupTo});
    const NodePtr fromDay = from->childAtIndex(0);
    const NodePtr toDay = to->childAtIndex(0);
    const NodePtr moved = fromDay->childAtIndex(0);
    platform::UndoManager *undo = document->undoManager();

    document->edits().deleteNode(moved, fromDay);
    // Right after the removal the sums above the old place no longer count it.
    EXPECT_EQ(fromDay->minutes(), 15);
    EXPECT_EQ(from->minutes(), 15);
    EXPECT_FLOAT_EQ(from->turnover(), 15.0f);
    EXPECT_EQ(groupFrom->minutes(), 15);
    document->edits().addNode(moved, toDay, toDay->insertIndexForChild(*moved));
    EXPECT_EQ(toDay->minutes(), 40);
    EXPECT_EQ(to->minutes(), 40);
    EXPECT_FLOAT_EQ(to->turnover(), 80.0f);
    EXPECT_EQ(groupTo->minutes(), 40);
    endStep(undo);

    undo->undo();
    EXPECT_EQ(moved->parent(), fromDay.get());
    EXPECT_EQ(fromDay->indexOfChild(moved.get()), 0);
    EXPECT_EQ(from->minutes(), 45);
    EXPECT_EQ(groupFrom->minutes(), 45);
    EXPECT_EQ(to->minutes(), 10);
    EXPECT_EQ(groupTo->minutes(), 10);
    EXPECT_FLOAT_EQ(to->turnover(), 20.0f);
}

TEST_F(DocumentUndoTest, InsertingThreeNodesKeepsTheirOrderAndUndoesAtOnce)
{
    ProbeDocument *document = newDocument();
    QList<NodePtr> existing;
    for (const char *name : {"A", "B", "C"})
        existing << makeJob(QString::fromLatin1(name), 1, {});
    fill(document, existing);
    const NodePtr root = document->jobList();
    const QList<NodePtr> added{makeJob(QStringLiteral("X"), 1, {}), makeJob(QStringLiteral("Y"), 1, {}),
                               makeJob(QStringLiteral("Z"), 1, {})};
    platform::UndoManager *undo = document->undoManager();
    document->edits().insertNodes(added, root, 2);
    EXPECT_EQ(childrenOf(root), (QList<NodePtr>{existing[0], existing[1], added[0], added[1], added[2], existing[2]}));
    endStep(undo);
    undo->undo();
    EXPECT_EQ(childrenOf(root), existing);
    EXPECT_FALSE(undo->canUndo());
    undo->redo();
    EXPECT_EQ(root->indexOfChild(added[0].get()), 2);
    EXPECT_EQ(root->indexOfChild(added[2].get()), 4);
}

TEST_F(DocumentUndoTest, AddingAJobToAGroupRecomputesTheGroup)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    fill(document, {group});
    NodePtr job = makeJob(QStringLiteral("J"), 60, {{8, 50}});
    document->edits().addNode(job, group, 0);
    EXPECT_EQ(group->minutes(), 50);
    EXPECT_FLOAT_EQ(group->turnover(), 50.0f);
    document->edits().deleteNode(job, group);
    EXPECT_EQ(group->minutes(), 0);
    EXPECT_FLOAT_EQ(group->turnover(), 0.0f);
}

TEST_F(DocumentUndoTest, ANewJobBecomesActiveAndUndoingGivesTheOldOneBack)
{
    ProbeDocument *document = newDocument();
    NodePtr old = makeJob(QStringLiteral("Old"), 1, {});
    fill(document, {old});
    document->setActiveJob(old);
    int rebuilds = 0;
    services->menuRebuilder = [&rebuilds] { ++rebuilds; };
    const NodePtr root = document->jobList();
    platform::UndoManager *undo = document->undoManager();

    NodePtr fresh = makeJob(QStringLiteral("Fresh"), 1, {});
    document->edits().addNewJob(fresh, root);
    undo->setActionName(text("LSUDaddEntry"));
    EXPECT_EQ(root->childrenCount(), 2);
    EXPECT_EQ(root->childAtIndex(1), fresh);
    EXPECT_TRUE(fresh->active());
    EXPECT_FALSE(old->active());
    EXPECT_EQ(document->getActiveJob(), fresh);
    EXPECT_GE(rebuilds, 1);
    endStep(undo);

    undo->undo();
    EXPECT_EQ(root->childrenCount(), 1);
    EXPECT_EQ(document->getActiveJob(), old);
    EXPECT_FALSE(fresh->active());
    EXPECT_EQ(undo->redoActionName(), text("LSUDaddEntry"));
    undo->redo();
    EXPECT_EQ(document->getActiveJob(), fresh);
    EXPECT_FALSE(old->active());
    EXPECT_EQ(undo->undoActionName(), text("LSUDaddEntry"));
    undo->undo();
    EXPECT_EQ(document->getActiveJob(), old);
}

TEST_F(DocumentUndoTest, ANewJobInADocumentWithoutActiveJobLeavesNoneOnUndo)
{
    ProbeDocument *document = newDocument();
    const NodePtr root = document->jobList();
    NodePtr fresh = makeJob(QStringLiteral("First"), 1, {});
    document->edits().addNewJob(fresh, root);
    endStep(document->undoManager());
    document->undoManager()->undo();
    EXPECT_EQ(root->childrenCount(), 0);
    EXPECT_EQ(document->getActiveJob(), nullptr);
}

// ---------------------------------------------------------------------------
// Values

TEST_F(DocumentUndoTest, TickingAGroupTicksItsOwnChildrenAndUndoRestoresEveryFlag)
{
    ProbeDocument *document = newDocument();
    NodePtr outer = makeNode(Node::Group, QStringLiteral("Outer"));
    NodePtr inner = makeNode(Node::Group, QStringLiteral("Inner"));
    NodePtr a = makeJob(QStringLiteral("A"), 1, {});
    NodePtr b = makeJob(QStringLiteral("B"), 1, {});
    outer->addChild(a);
    outer->addChild(inner);
    inner->addChild(b);
    fill(document, {outer});
    platform::UndoManager *undo = document->undoManager();

    document->edits().setExecutedForNodeTree(true, outer);
    undo->setActionName(text("LSUDExecuted"));
    EXPECT_TRUE(outer->executed());
    EXPECT_TRUE(a->executed());
    EXPECT_TRUE(inner->executed());
    // Nested groups keep their children's flags.
    EXPECT_FALSE(b->executed());
    endStep(undo);

    document->edits().setExecutedForNodeTree(false, a);
    undo->setActionName(text("LSUDExecuted"));
    EXPECT_FALSE(a->executed());
    EXPECT_FALSE(outer->executed());
    EXPECT_TRUE(inner->executed());
    endStep(undo);

    undo->undo();
    EXPECT_TRUE(a->executed());
    EXPECT_TRUE(outer->executed());
    EXPECT_EQ(undo->undoActionName(), text("LSUDExecuted"));
    undo->undo();
    EXPECT_FALSE(outer->executed());
    EXPECT_FALSE(a->executed());
    EXPECT_FALSE(inner->executed());
    EXPECT_FALSE(undo->canUndo());
    undo->redo();
    EXPECT_TRUE(outer->executed());
    EXPECT_TRUE(a->executed());
    EXPECT_TRUE(inner->executed());
    EXPECT_EQ(undo->undoActionName(), text("LSUDExecuted"));
}

// A node outside the tree (the top of its own) has no groups above it to untick.
TEST_F(DocumentUndoTest, UntickingANodeOutsideTheTreeTouchesItAlone)
{
    ProbeDocument *document = newDocument();
    NodePtr loose = makeJob(QStringLiteral("Loose"), 1, {});
    loose->setExecuted(true);
    document->edits().setExecutedForNodeTree(false, loose);
    EXPECT_FALSE(loose->executed());
    EXPECT_EQ(loose->parent(), nullptr);
}

TEST_F(DocumentUndoTest, UntickingANestedJobUnticksEveryGroupAboveIt)
{
    ProbeDocument *document = newDocument();
    NodePtr outer = makeNode(Node::Group, QStringLiteral("Outer"));
    NodePtr inner = makeNode(Node::Group, QStringLiteral("Inner"));
    NodePtr job = makeJob(QStringLiteral("J"), 1, {});
    outer->addChild(inner);
    inner->addChild(job);
    for (const NodePtr &n : {outer, inner, job})
        n->setExecuted(true);
    fill(document, {outer});
    document->edits().setExecutedForNodeTree(false, job);
    EXPECT_FALSE(job->executed());
    EXPECT_FALSE(inner->executed());
    EXPECT_FALSE(outer->executed());
    // A job ticked changes nothing above it.
    document->edits().setExecutedForNodeTree(true, job);
    EXPECT_FALSE(inner->executed());
}

TEST_F(DocumentUndoTest, UndoingAWageChangeRestoresTheSubtreeAndItsTurnovers)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("J"), 60, {{8, 30}, {9, 90}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    group->addChild(job);
    group->recalcTotalWorkTime();
    fill(document, {group});
    const NodePtr day = job->childAtIndex(0);
    const NodePtr entry = day->childAtIndex(1);
    // A day with a wage of its own.
    day->setWage(45.0f);
    ASSERT_FLOAT_EQ(job->turnover(), 120.0f);
    platform::UndoManager *undo = document->undoManager();

    document->edits().setWageForNode(30.0f, job);
    undo->setActionName(text("LSUDJobEdit"));
    EXPECT_FLOAT_EQ(job->wage(), 30.0f);
    EXPECT_FLOAT_EQ(day->wage(), 30.0f);
    EXPECT_FLOAT_EQ(entry->wage(), 30.0f);
    EXPECT_FLOAT_EQ(entry->turnover(), 45.0f);
    EXPECT_FLOAT_EQ(job->turnover(), 60.0f);
    EXPECT_FLOAT_EQ(group->turnover(), 60.0f);
    endStep(undo);

    undo->undo();
    EXPECT_FLOAT_EQ(job->wage(), 60.0f);
    EXPECT_FLOAT_EQ(day->wage(), 45.0f) << "every node gets its own wage back";
    EXPECT_FLOAT_EQ(entry->wage(), 60.0f);
    EXPECT_FLOAT_EQ(entry->turnover(), 90.0f);
    EXPECT_FLOAT_EQ(job->turnover(), 120.0f);
    EXPECT_FLOAT_EQ(group->turnover(), 120.0f);
    EXPECT_EQ(undo->redoActionName(), text("LSUDJobEdit"));
    undo->redo();
    EXPECT_FLOAT_EQ(day->wage(), 30.0f);
    EXPECT_FLOAT_EQ(entry->turnover(), 45.0f);
    EXPECT_FLOAT_EQ(group->turnover(), 60.0f);
}

TEST_F(DocumentUndoTest, RenamingUndoesAndRedoesUnderOneName)
{
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("Before"));
    fill(document, {group});
    platform::UndoManager *undo = document->undoManager();
    document->edits().setNameForNode(QStringLiteral("After"), group);
    undo->setActionName(text("LSUDGroupEdit"));
    EXPECT_EQ(group->itemName(), QStringLiteral("After"));
    const int nameColumn = document->outlineModel()->columnForIdentifier(QStringLiteral("outlineName"));
    EXPECT_EQ(indexOf(document, group).siblingAtColumn(nameColumn).data().toString(), QStringLiteral("After"));
    endStep(undo);
    for (int round = 0; round < 2; ++round) {
        undo->undo();
        EXPECT_EQ(group->itemName(), QStringLiteral("Before"));
        EXPECT_EQ(undo->redoActionName(), text("LSUDGroupEdit"));
        undo->redo();
        EXPECT_EQ(group->itemName(), QStringLiteral("After"));
        EXPECT_EQ(undo->undoActionName(), text("LSUDGroupEdit"));
    }
}

TEST_F(DocumentUndoTest, RestoringASnapshotUndoesATimeEditUnderItsNameEachTime)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("J"), 60, {{8, 30}});
    fill(document, {job});
    const NodePtr day = job->childAtIndex(0);
    const NodePtr entry = day->childAtIndex(0);
    platform::UndoManager *undo = document->undoManager();
    document->updateChangeCount(platform::Document::ChangeType::Cleared);

    // A time-entry sheet's edit: snapshot, change, then the restore of the snapshot
    // as the way back.
    const NodePtr before = entry->clone();
    const NodePtr edited = entry->clone();
    edited->setlDate(at(4, 10));
    edited->setDescript(QStringLiteral("long"));
    document->edits().restoreNodeData(edited, entry);
    undo->setActionName(text("LSUDTimeEdit"));
    EXPECT_EQ(entry->hours(), 2);
    EXPECT_EQ(entry->minutes(), 0);
    EXPECT_EQ(entry->descript(), QStringLiteral("long"));
    EXPECT_EQ(job->hours(), 2);
    EXPECT_FLOAT_EQ(job->turnover(), 120.0f);
    EXPECT_TRUE(document->isDocumentEdited());
    endStep(undo);

    undo->undo();
    EXPECT_EQ(entry->lDate(), before->lDate());
    EXPECT_EQ(entry->minutes(), 30);
    EXPECT_TRUE(entry->descript().isEmpty());
    EXPECT_EQ(job->hours(), 0);
    EXPECT_EQ(job->minutes(), 30);
    EXPECT_EQ(undo->redoActionName(), text("LSUDTimeEdit"));
    undo->redo();
    EXPECT_EQ(entry->hours(), 2);
    EXPECT_EQ(undo->undoActionName(), text("LSUDTimeEdit"));
    undo->undo();
    EXPECT_EQ(entry->minutes(), 30);
    EXPECT_EQ(undo->redoActionName(), text("LSUDTimeEdit"));
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(DocumentUndoTest, RestoringAJobSnapshotBringsBackItsOwnWageAndTheSubtree)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("J"), 60, {{8, 30}});
    fill(document, {job});
    const NodePtr snapshot = job->clone();
    document->edits().setWageForNode(10.0f, job);
    document->edits().setNameForNode(QStringLiteral("Other"), job);
    document->edits().restoreNodeData(snapshot, job);
    EXPECT_FLOAT_EQ(job->wage(), 60.0f);
    EXPECT_EQ(job->itemName(), QStringLiteral("J"));
    EXPECT_FLOAT_EQ(job->turnover(), 30.0f);
    // A snapshot of another kind of node changes nothing.
    document->edits().restoreNodeData(makeNode(Node::Group, QStringLiteral("G")), job);
    EXPECT_EQ(job->itemName(), QStringLiteral("J"));
}

TEST_F(DocumentUndoTest, MissingNodesChangeNothing)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("J"), 1, {});
    fill(document, {job});
    const NodePtr root = document->jobList();
    document->edits().addNode(nullptr, root, 0);
    document->edits().addNode(job, nullptr, 0);
    document->edits().deleteNode(makeJob(QStringLiteral("Stranger"), 1, {}), root);
    document->edits().insertNodes({}, root, 7);
    document->edits().addNewJob(nullptr, root);
    document->edits().deleteNewJob(job, nullptr, nullptr);
    document->edits().setExecutedForNodeTree(true, nullptr);
    document->edits().setNameForNode(QStringLiteral("x"), nullptr);
    document->edits().setWageForNode(3.0f, nullptr);
    document->edits().restoreNodeData(nullptr, job);
    EXPECT_EQ(root->childrenCount(), 1);
    EXPECT_EQ(job->itemName(), QStringLiteral("J"));
    // An index beyond the end appends.
    NodePtr late = makeJob(QStringLiteral("Late"), 1, {});
    document->edits().addNode(late, root, 99);
    EXPECT_EQ(root->childAtIndex(1), late);
}

// ---------------------------------------------------------------------------
// Snapshots

TEST(NodeClone, ACloneIsADeepCopyLinkedWithinItself)
{
    NodePtr job = makeJob(QStringLiteral("J"), 60, {{8, 30}, {9, 15}});
    job->setColorLabel(3);
    job->setExecuted(true);
    job->setDescript(QStringLiteral("notes"));
    NodePtr root = Node::create(Node::Root);
    root->addChild(job);

    const NodePtr copy = job->clone();
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_EQ(copy->itemName(), QStringLiteral("J"));
    EXPECT_EQ(copy->colorLabel(), 3);
    EXPECT_TRUE(copy->executed());
    EXPECT_EQ(copy->descript(), QStringLiteral("notes"));
    EXPECT_FLOAT_EQ(copy->wage(), 60.0f);
    EXPECT_EQ(copy->minutes(), 45);
    EXPECT_EQ(copy->cDate(), job->cDate());
    ASSERT_EQ(copy->childrenCount(), 1);
    const NodePtr copiedDay = copy->childAtIndex(0);
    EXPECT_NE(copiedDay, job->childAtIndex(0));
    EXPECT_EQ(copiedDay->parent(), copy.get());
    ASSERT_EQ(copiedDay->childrenCount(), 2);
    EXPECT_EQ(copiedDay->childAtIndex(1)->parent(), copiedDay.get());
    EXPECT_EQ(copiedDay->childAtIndex(1)->lDate(), job->childAtIndex(0)->childAtIndex(1)->lDate());

    // Changing the original leaves the copy as it was.
    job->childAtIndex(0)->childAtIndex(0)->setItemName(QStringLiteral("changed"));
    EXPECT_NE(copiedDay->childAtIndex(0)->itemName(), QStringLiteral("changed"));
}
