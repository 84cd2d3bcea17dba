// Moving jobs and groups by drag and drop: the outline model's drag data and drop
// checks, the drop itself (also through the view's drop event), and drops from
// another document's window.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/OutlineDataSource.h"

#include "platform/foundation/UndoManager.h"

#include <QDropEvent>
#include <QMimeData>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

QStringList names(const NodePtr &parent)
{
    QStringList list;
    for (const NodePtr &child : parent->childEnumerator())
        list << child->itemName();
    return list;
}

// The drag data of the nodes, as the view asks the model for it.
std::unique_ptr<QMimeData> dragOf(MyDocument *document, const QList<NodePtr> &nodes)
{
    QModelIndexList indexes;
    for (const NodePtr &node : nodes) {
        const QModelIndex index = document->outlineModel()->indexForNode(node.get());
        // every column of the row, as a row selection gives them
        for (int column = 0; column < document->outlineModel()->columnCount(); ++column)
            indexes << index.siblingAtColumn(column);
    }
    return std::unique_ptr<QMimeData>(document->outlineModel()->mimeData(indexes));
}

QModelIndex indexOfNode(MyDocument *document, const NodePtr &node)
{
    return node ? document->outlineModel()->indexForNode(node.get()) : QModelIndex();
}

bool canDrop(MyDocument *document, const QMimeData *data, const NodePtr &parent, int row)
{
    return document->outlineModel()->canDropMimeData(data, Qt::MoveAction, row, 0, indexOfNode(document, parent));
}

bool drop(MyDocument *document, const QMimeData *data, const NodePtr &parent, int row)
{
    return document->outlineModel()->dropMimeData(data, Qt::MoveAction, row, 0, indexOfNode(document, parent));
}

void waitForUndoStep(MyDocument *document)
{
    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
}

} // namespace

class DragAndDropTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        // The outline's drag ends reach the document through the application's filter.
        NTXOutlineViewExtension::install();
    }

    // Top level: jobs A, B, C, D.
    ProbeDocument *documentWithFourJobs()
    {
        ProbeDocument *document = newDocument();
        for (const char *name : {"A", "B", "C", "D"})
            jobs << makeJob(QString::fromLatin1(name), 10.0f, {{9, 30}});
        fill(document, jobs);
        return document;
    }

    QList<NodePtr> jobs;
};

TEST_F(DragAndDropTest, TheDragCarriesThePrivateTypeOnly)
{
    ProbeDocument *document = documentWithFourJobs();
    EXPECT_EQ(document->outlineModel()->mimeTypes(),
              QStringList{QStringLiteral("application/x-ChronarkOutlineViewPboardType")});
    auto data = dragOf(document, {jobs[0]});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("application/x-ChronarkOutlineViewPboardType")});
    EXPECT_TRUE(document->outlineSource().dragSessionInProgress());
    EXPECT_EQ(document->outlineSource().draggedNodes(), QList<NodePtr>{jobs[0]});
    // The drag's data goes when the drag ends.
    data.reset();
    EXPECT_FALSE(document->outlineSource().dragSessionInProgress());
    // Nothing of it is held on.
    EXPECT_TRUE(document->outlineSource().draggedNodes().isEmpty());
}

TEST_F(DragAndDropTest, ADropBelowItsOwnPositionIsCorrectedByOneAndUndoesInOneStep)
{
    ProbeDocument *document = documentWithFourJobs();
    auto data = dragOf(document, {jobs[0]});
    // Between C and D.
    ASSERT_TRUE(canDrop(document, data.get(), nullptr, 3));
    ASSERT_TRUE(drop(document, data.get(), nullptr, 3));
    EXPECT_EQ(names(document->jobList()), (QStringList{"B", "C", "A", "D"}));
    EXPECT_EQ(jobs[0]->parent(), document->jobList().get());
    waitForUndoStep(document);
    platform::UndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), text("LSUDDragAndDrop"));
    undo->undo();
    EXPECT_EQ(names(document->jobList()), (QStringList{"A", "B", "C", "D"}));
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(undo->redoActionName(), text("LSUDDragAndDrop"));
    undo->redo();
    EXPECT_EQ(names(document->jobList()), (QStringList{"B", "C", "A", "D"}));
}

TEST_F(DragAndDropTest, ADropAboveItsOwnPositionNeedsNoCorrection)
{
    ProbeDocument *document = documentWithFourJobs();
    auto data = dragOf(document, {jobs[3], jobs[2]});
    ASSERT_TRUE(drop(document, data.get(), nullptr, 0));
    // The order of the tree, not of the selection.
    EXPECT_EQ(names(document->jobList()), (QStringList{"C", "D", "A", "B"}));
}

TEST_F(DragAndDropTest, AGroupCannotGoOntoOrIntoItselfOrItsDescendants)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr sub = makeNode(Node::Group, QStringLiteral("S"));
    NodePtr subsub = makeNode(Node::Group, QStringLiteral("SS"));
    NodePtr other = makeNode(Node::Group, QStringLiteral("O"));
    group->addChild(sub);
    sub->addChild(subsub);
    fill(document, {group, other});
    auto data = dragOf(document, {group});
    ASSERT_TRUE(data);
    EXPECT_FALSE(canDrop(document, data.get(), sub, -1));
    EXPECT_FALSE(canDrop(document, data.get(), subsub, -1));
    EXPECT_FALSE(canDrop(document, data.get(), sub, 0));
    EXPECT_FALSE(canDrop(document, data.get(), group, -1));
    EXPECT_FALSE(drop(document, data.get(), sub, -1));
    EXPECT_EQ(group->parent(), document->jobList().get());
    // Elsewhere it may go.
    EXPECT_TRUE(canDrop(document, data.get(), other, -1));
    EXPECT_TRUE(canDrop(document, data.get(), nullptr, 2));
}

TEST_F(DragAndDropTest, ADropOntoAGroupGoesToItsFirstPlace)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr x = makeJob(QStringLiteral("X"), 10.0f, {});
    NodePtr y = makeJob(QStringLiteral("Y"), 10.0f, {});
    group->addChild(x);
    group->addChild(y);
    NodePtr job = makeJob(QStringLiteral("J"), 20.0f, {{9, 60}});
    fill(document, {group, job});
    auto data = dragOf(document, {job});
    ASSERT_TRUE(drop(document, data.get(), group, -1));
    EXPECT_EQ(names(group), (QStringList{"J", "X", "Y"}));
    EXPECT_EQ(job->parent(), group.get());
    // The group counts the job's time now.
    EXPECT_EQ(group->hours(), 1);
    EXPECT_EQ(names(document->jobList()), QStringList{"G"});
}

TEST_F(DragAndDropTest, JobsAndGroupsNeverGoIntoJobsDaysOrOntoNothing)
{
    ProbeDocument *document = newDocument();
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {{9, 30}});
    fill(document, {a, b});
    auto data = dragOf(document, {a});
    NodePtr day = b->childAtIndex(0);
    EXPECT_FALSE(canDrop(document, data.get(), b, -1));
    EXPECT_FALSE(canDrop(document, data.get(), b, 0));
    EXPECT_FALSE(canDrop(document, data.get(), day, -1));
    EXPECT_FALSE(canDrop(document, data.get(), day, 0));
    EXPECT_FALSE(canDrop(document, data.get(), nullptr, -1));
    EXPECT_FALSE(drop(document, data.get(), b, 0));
    EXPECT_EQ(names(document->jobList()), (QStringList{"A", "B"}));
}

TEST_F(DragAndDropTest, AJobDraggedWithItsGroupMovesOnlyTheGroup)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr inner = makeJob(QStringLiteral("J"), 10.0f, {{9, 30}});
    group->addChild(inner);
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {});
    fill(document, {group, a, b});
    auto data = dragOf(document, {inner, group});
    ASSERT_TRUE(drop(document, data.get(), nullptr, 3));
    EXPECT_EQ(names(document->jobList()), (QStringList{"A", "B", "G"}));
    EXPECT_EQ(names(group), QStringList{"J"});
    EXPECT_EQ(inner->parent(), group.get());
}

// The drop used to look at the first dragged item only, so days and time entries
// dragged along landed at the top level or inside groups.
TEST_F(DragAndDropTest, DaysAndTimeEntriesNeverMove)
{
    ProbeDocument *document = newDocument();
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {{9, 30}, {11, 15}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    fill(document, {a, b, group});
    NodePtr dayOfB = b->childAtIndex(0);
    NodePtr entryOfB = dayOfB->childAtIndex(1);
    // Only days and entries: no drag at all.
    EXPECT_FALSE(dragOf(document, {dayOfB, entryOfB}));
    EXPECT_FALSE(document->outlineSource().dragSessionInProgress());
    // A job first, then a day and an entry of another job: only the job moves.
    auto data = dragOf(document, {a, dayOfB, entryOfB});
    ASSERT_TRUE(data);
    EXPECT_EQ(document->outlineSource().draggedNodes(), QList<NodePtr>{a});
    ASSERT_TRUE(drop(document, data.get(), group, -1));
    EXPECT_EQ(names(group), QStringList{"A"});
    EXPECT_EQ(dayOfB->parent(), b.get());
    EXPECT_EQ(b->childrenCount(), 1);
    EXPECT_EQ(dayOfB->childrenCount(), 2);
    EXPECT_EQ(names(document->jobList()), (QStringList{"B", "G"}));
    // A day first, then a job: the job moves all the same.
    auto second = dragOf(document, {dayOfB, b});
    ASSERT_TRUE(second);
    ASSERT_TRUE(drop(document, second.get(), group, 1));
    EXPECT_EQ(names(group), (QStringList{"A", "B"}));
    EXPECT_EQ(dayOfB->parent(), b.get());
}

TEST_F(DragAndDropTest, DataFromOutsideOrFromAnEndedDragMovesNothing)
{
    ProbeDocument *document = documentWithFourJobs();
    const QString type = QStringLiteral("application/x-ChronarkOutlineViewPboardType");
    const QList<QByteArray> garbage{QByteArray(), QByteArray("chronark-drag"), QByteArray("chronark-drag 1 2 3"),
                                    QByteArray("chronark-drag x y z"), QByteArray(100000, 'a'),
                                    QByteArray("chronark-drag ") + QByteArray::number(QCoreApplication::applicationPid())
                                        + " 99999 1"};
    for (const QByteArray &bytes : garbage) {
        QMimeData data;
        data.setData(type, bytes);
        EXPECT_FALSE(canDrop(document, &data, nullptr, 0));
        EXPECT_FALSE(drop(document, &data, nullptr, 0));
    }
    QMimeData plain;
    plain.setText(QStringLiteral("A"));
    EXPECT_FALSE(drop(document, &plain, nullptr, 0));
    EXPECT_FALSE(document->outlineModel()->dropMimeData(nullptr, Qt::MoveAction, 0, 0, QModelIndex()));
    // The data of an earlier drag names nodes no more once another drag started.
    auto first = dragOf(document, {jobs[0]});
    auto second = dragOf(document, {jobs[1]});
    EXPECT_FALSE(drop(document, first.get(), nullptr, 4));
    EXPECT_EQ(names(document->jobList()), (QStringList{"A", "B", "C", "D"}));
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(DragAndDropTest, TheViewsDropEventMovesAndAnswersMove)
{
    ProbeDocument *document = documentWithFourJobs();
    QTreeView *view = outline(document);
    document->documentWindow()->resize(800, 600);
    document->documentWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->documentWindow()));
    select(document, {jobs[0]});
    auto data = dragOf(document, {jobs[0]});
    // Just above the row of D: between C and D.
    const QRect rowOfD = view->visualRect(indexOfNode(document, jobs[3]));
    const QPointF position(rowOfD.center().x(), rowOfD.top() + 1);

    // The drag enters the outline first: the application then sends it the moves.
    QDragEnterEvent enter(position.toPoint(), Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    enter.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(position.toPoint(), Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(view->viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(move.dropAction(), Qt::MoveAction);

    QDropEvent dropEvent(position, Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    dropEvent.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(view->viewport(), &dropEvent);
    EXPECT_TRUE(dropEvent.isAccepted());
    EXPECT_EQ(dropEvent.dropAction(), Qt::MoveAction);
    EXPECT_EQ(names(document->jobList()), (QStringList{"B", "C", "A", "D"}));
    // The moved job stays selected; the drag is over for the outline.
    EXPECT_EQ(NTXOutlineViewExtension::selectedItem(view).value<NodePtr>(), jobs[0]);
    EXPECT_FALSE(document->outlineSource().dragSessionInProgress());
}

TEST_F(DragAndDropTest, TheViewRefusesADragOverAJob)
{
    ProbeDocument *document = documentWithFourJobs();
    QTreeView *view = outline(document);
    document->documentWindow()->resize(800, 600);
    document->documentWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->documentWindow()));
    auto data = dragOf(document, {jobs[0]});
    // The middle of B's row is onto B, a job: no drop there.
    const QRect rowOfB = view->visualRect(indexOfNode(document, jobs[1]));
    QDragEnterEvent enter(rowOfB.center(), Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    enter.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(rowOfB.center(), Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(view->viewport(), &move);
    // Qt turns the middle of a row that takes no drops into above or below: allowed
    // between rows, never onto the job.
    QDropEvent dropEvent(rowOfB.center(), Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton,
                         Qt::NoModifier);
    dropEvent.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(view->viewport(), &dropEvent);
    EXPECT_EQ(jobs[0]->parent(), document->jobList().get());
    EXPECT_EQ(jobs[1]->childrenCount(), 1);
}

// A drop from another document's window used to be a move whose undo was
// registered in the target only; the source's undo could then put one node into two
// trees.
TEST_F(DragAndDropTest, ADropFromAnotherDocumentCopiesTheNodes)
{
    ProbeDocument *source = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr job = makeJob(QStringLiteral("J"), 30.0f, {{9, 60}});
    group->addChild(job);
    group->recalcTotalWorkTime();
    fill(source, {group});
    source->setActiveJob(job);
    ProbeDocument *target = newDocument();
    NodePtr existing = makeJob(QStringLiteral("T"), 10.0f, {});
    fill(target, {existing});

    auto data = dragOf(source, {group});
    EXPECT_EQ(target->outlineSource().outlineViewValidateDrop(data.get(), nullptr, 1), Qt::CopyAction);
    EXPECT_EQ(source->outlineSource().outlineViewValidateDrop(data.get(), nullptr, 1), Qt::MoveAction);
    ASSERT_TRUE(drop(target, data.get(), nullptr, 1));

    // The source keeps its tree; the target has a deep copy.
    EXPECT_EQ(names(source->jobList()), QStringList{"G"});
    EXPECT_EQ(group->parent(), source->jobList().get());
    ASSERT_EQ(names(target->jobList()), (QStringList{"T", "G"}));
    NodePtr copy = target->jobList()->childAtIndex(1);
    EXPECT_NE(copy, group);
    ASSERT_EQ(copy->childrenCount(), 1);
    NodePtr copiedJob = copy->childAtIndex(0);
    EXPECT_NE(copiedJob, job);
    EXPECT_EQ(copiedJob->parent(), copy.get());
    EXPECT_EQ(copiedJob->childAtIndex(0)->childrenCount(), 1);
    EXPECT_EQ(copy->hours(), 1);
    // The target's active job is not taken over.
    EXPECT_FALSE(copiedJob->active());
    EXPECT_EQ(source->getActiveJob(), job);
    EXPECT_EQ(target->getActiveJob(), nullptr);

    waitForUndoStep(target);
    EXPECT_FALSE(source->undoManager()->canUndo());
    EXPECT_EQ(target->undoManager()->undoActionName(), text("LSUDDragAndDrop"));
    target->undoManager()->undo();
    EXPECT_EQ(names(target->jobList()), QStringList{"T"});
    EXPECT_EQ(names(source->jobList()), QStringList{"G"});
}

TEST_F(DragAndDropTest, OnlyGroupsOpenWhileADragRuns)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr inner = makeJob(QStringLiteral("I"), 10.0f, {});
    group->addChild(inner);
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {{9, 30}});
    fill(document, {group, job});
    QTreeView *view = outline(document);
    auto data = dragOf(document, {inner});
    view->expand(indexOfNode(document, job));
    EXPECT_FALSE(view->isExpanded(indexOfNode(document, job)));
    view->expand(indexOfNode(document, group));
    EXPECT_TRUE(view->isExpanded(indexOfNode(document, group)));
    data.reset();
    view->expand(indexOfNode(document, job));
    EXPECT_TRUE(view->isExpanded(indexOfNode(document, job)));
}
