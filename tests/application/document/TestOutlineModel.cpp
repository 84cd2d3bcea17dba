// The outline model follows the tree edit by edit: no reset, rows that the edit did
// not touch keep their expansion and selection, a moved group stays open, and undo
// and redo of each edit show the tree as it is. A model tester checks every signal.
#include "tests/support/QtWarningCheck.h"
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/OutlineDataSource.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UndoManager.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTreeView>
#include <functional>
#include <set>
#include <tuple>

using namespace mydoctest;

namespace {

// The rows the model shows below the index, against the node's children.
void expectRowsMatchTree(DocumentOutlineModel *model, const Node *node, const QModelIndex &index)
{
    ASSERT_EQ(model->rowCount(index), int(node->childrenCount())) << node->itemName().toStdString();
    for (int row = 0; row < model->rowCount(index); ++row) {
        const QModelIndex child = model->index(row, 0, index);
        ASSERT_EQ(model->nodeForIndex(child), node->childAtIndex(row).get());
        ASSERT_EQ(child.parent(), index);
        expectRowsMatchTree(model, node->childAtIndex(row).get(), child);
    }
}

} // namespace

class OutlineModelTest : public MyDocumentFixture
{
};

TEST_F(OutlineModelTest, EditsUndoAndRedoShowWithoutAReset)
{
    struct Case
    {
        const char *name;
        std::function<void(MyDocument *)> edit;
    };
    NodePtr kept, group, other, moved, entry, added;
    const std::vector<Case> cases{
        {"new job", [&](MyDocument *d) { d->edits().addNewJob(added = makeJob(QStringLiteral("N"), 5.0f, {}), d->jobList()); }},
        {"entry deleted", [&](MyDocument *d) { d->edits().deleteNode(entry, entry->parent()->weak_from_this().lock()); }},
        {"renamed", [&](MyDocument *d) { d->edits().setNameForNode(QStringLiteral("K2"), kept); }},
        {"group dropped into a group",
         [&](MyDocument *d) {
             OutlineDataSource &source = d->outlineSource();
             std::unique_ptr<QMimeData> data(source.outlineViewWriteItems({moved}));
             ASSERT_TRUE(source.outlineViewAcceptDrop(data.get(), other.get(), 0));
         }},
        {"delete assistant", [&](MyDocument *d) {
             const DocumentOutlineModel::EditBatch batch(d->outlineModel());
             DeleteAssistant::Settings settings;
             settings.kind = 3;
             d->deleteAssistantSheet().deleteAssistantActionForNode(d->jobList(), settings);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProbeDocument *document = newDocument(true);
        kept = makeJob(QStringLiteral("K"), 10.0f, {{9, 30}, {11, 15}});
        group = makeNode(Node::Group, QStringLiteral("G"));
        moved = makeNode(Node::Group, QStringLiteral("M"));
        other = makeNode(Node::Group, QStringLiteral("O"));
        group->addChild(moved);
        moved->addChild(makeJob(QStringLiteral("J"), 20.0f, {{10, 45}}));
        fill(document, {kept, group, other});
        entry = kept->childAtIndex(0)->childAtIndex(1);
        DocumentOutlineModel *model = document->outlineModel();
        QTreeView *view = outline(document);
        view->expandAll();
        select(document, {kept});
        drainEvents();

        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Warning);
        QSignalSpy resets(model, &QAbstractItemModel::modelAboutToBeReset);
        auto check = [&](const char *when) {
            SCOPED_TRACE(when);
            drainEvents();
            expectRowsMatchTree(model, document->jobList().get(), QModelIndex());
            EXPECT_EQ(resets.count(), 0);
            EXPECT_TRUE(view->isExpanded(indexOf(document, kept)));
            EXPECT_TRUE(view->isExpanded(indexOf(document, moved)));
            EXPECT_TRUE(view->selectionModel()->isRowSelected(indexOf(document, kept).row(), QModelIndex()));
            EXPECT_EQ(model->data(indexOf(document, kept).siblingAtColumn(1)).toString(), kept->itemName());
        };
        const QString before = kept->workTimeAsString();
        c.edit(document);
        check("edit");
        ASSERT_TRUE(QTest::qWaitFor([document] { return document->undoManager()->groupingLevel() == 0; }));
        document->undoManager()->undo();
        check("undo");
        EXPECT_EQ(kept->workTimeAsString(), before);
        EXPECT_EQ(model->data(indexOf(document, kept).siblingAtColumn(2)).toString(), before);
        document->undoManager()->redo();
        check("redo");
        document->close();
        drainEvents();
    }
}

TEST_F(OutlineModelTest, ANewTreeResetsTheOutline)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("A"), 1.0f, {{9, 30}})});
    ASSERT_TRUE(document->saveToFile(path(QStringLiteral("a.chronark")), MyDocument::TypeName,
                                     platform::Document::SaveOperation::SaveAs));
    QSignalSpy resets(document->outlineModel(), &QAbstractItemModel::modelReset);
    document->jobList()->addChild(makeJob(QStringLiteral("B"), 1.0f, {}));
    EXPECT_EQ(resets.count(), 0);
    ASSERT_TRUE(document->revertToSaved());
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(document->outlineModel()->rowCount(), 1);
}

namespace {

// A source over one root whose child lookup goes through the tree's index check, and
// whose editing raises the way an argument check of ours does.
class RaisingSource : public DocumentOutlineDataSource
{
public:
    NodePtr root = Node::create(Node::Root);
    qsizetype claimedChildren = 0; // more than the root has: the tree's check raises

    Node *outlineRootItem() const override { return root.get(); }
    // A null item is the root.
    NodePtr outlineViewChildOfItem(qsizetype index, Node *item) const override
    {
        return (item ? item : root.get())->childAtIndex(index);
    }
    bool outlineViewIsItemExpandable(Node *) const override { return false; }
    qsizetype outlineViewNumberOfChildrenOfItem(Node *item) const override { return item ? 0 : claimedChildren; }
    QVariant outlineViewObjectValueForTableColumnByItem(const QString &, Node *item) const override
    {
        return item->itemName();
    }
    QFont outlineViewFontForItem(Node *) const override { return QFont(); }
    QIcon outlineViewImageForItem(Node *) const override { return QIcon(); }
    QString outlineViewTitleForTableColumn(const QString &identifier) const override { return identifier; }
    bool outlineViewIsItemEditable(const QString &, Node *) const override { return true; }
    bool outlineViewSetObjectValue(const QVariant &, const QString &, Node *) override
    {
        throw platform::Exception(platform::Exception::InvalidArgumentException, QStringLiteral("no such name"));
    }
};

} // namespace

// Qt's views ask the model; what our tree raises on the way stops at the model's
// entry, which answers as for nothing there, and the model goes on answering.

// A change that may alter a row's whole look (a colour label, the active job, what
// an edit batch gathered) is announced for every column of the row, the figures at
// its end included.
TEST_F(OutlineModelTest, AWholeRowChangeReachesEveryColumn)
{
    ProbeDocument *document = newDocument(true);
    const NodePtr first = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}});
    const NodePtr second = makeJob(QStringLiteral("B"), 20.0f, {{10, 15}});
    const NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    const NodePtr inner = makeJob(QStringLiteral("C"), 5.0f, {{8, 0}});
    group->addChild(inner);
    fill(document, {first, second, group});
    DocumentOutlineModel *model = document->outlineModel();
    outline(document)->expandAll();
    drainEvents();
    const int columns = model->columnCount();
    ASSERT_EQ(columns, 4);
    ASSERT_GE(model->columnForIdentifier(QStringLiteral("outlineTurnover")), 0);

    QSignalSpy changes(model, &QAbstractItemModel::dataChanged);
    // The columns of the node's row that the changes since the last look announced.
    const auto announced = [&](const NodePtr &node) {
        std::set<int> seen;
        const QModelIndex row = indexOf(document, node);
        for (const QList<QVariant> &change : std::as_const(changes)) {
            const auto from = change.at(0).value<QModelIndex>();
            const auto to = change.at(1).value<QModelIndex>();
            if (from.parent() != row.parent() || from.row() > row.row() || to.row() < row.row())
                continue;
            for (int column = from.column(); column <= to.column(); ++column)
                seen.insert(column);
        }
        return seen;
    };
    std::set<int> every;
    for (int column = 0; column < columns; ++column)
        every.insert(column);

    document->edits().setColorLabelType(3, second);
    EXPECT_EQ(announced(second), every) << "a colour label";
    changes.clear();

    select(document, {inner});
    document->activedSelectedJob(nullptr);
    ASSERT_EQ(document->getActiveJob(), inner);
    EXPECT_EQ(announced(inner), every) << "the job made active";
    EXPECT_EQ(announced(group), every) << "the group around the active job";
    changes.clear();

    {
        const DocumentOutlineModel::EditBatch batch(model);
        document->edits().setColorLabelType(2, first);
        document->edits().setColorLabelType(5, inner);
        EXPECT_EQ(changes.count(), 0) << "nothing before the batch ends";
    }
    EXPECT_EQ(announced(first), every) << "an edit batch";
    EXPECT_EQ(announced(inner), every) << "an edit batch";
    document->close();
    drainEvents();
}

// An edit batch that changes many rows, in any order and some twice, announces at its
// end every changed row for every column, each announcement within one parent, and no
// row it did not change: on seeded random trees, with rows open and closed.
TEST_F(OutlineModelTest, AnEditBatchAnnouncesExactlyTheRowsItChanged)
{
    const quint32 seed = 20261209;
    QRandomGenerator random(seed);
    ProbeDocument *document = newDocument(true);
    QList<NodePtr> topLevel;
    QList<NodePtr> every;
    for (int g = 0; g < 4; ++g) {
        const NodePtr group = makeNode(Node::Group, QStringLiteral("G%1").arg(g));
        for (int j = 0; j < 3; ++j) {
            QList<std::pair<int, int>> entries;
            for (int e = 0; e < 1 + int(random.bounded(4)); ++e)
                entries.append({8 + e, 15 * e});
            const NodePtr job = makeJob(QStringLiteral("J%1.%2").arg(g).arg(j), 10.0f, entries);
            group->addChild(job);
        }
        topLevel.append(group);
    }
    fill(document, topLevel);
    DocumentOutlineModel *model = document->outlineModel();
    QTreeView *view = outline(document);
    const std::function<void(const NodePtr &)> gather = [&](const NodePtr &node) {
        every.append(node);
        for (qsizetype i = 0; i < node->childrenCount(); ++i)
            gather(node->childAtIndex(i));
    };
    for (const NodePtr &node : topLevel)
        gather(node);
    const int columns = model->columnCount();
    ASSERT_GT(columns, 0);

    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
        for (const NodePtr &node : every) {
            const QModelIndex index = indexOf(document, node);
            if (node->childrenCount() > 0)
                view->setExpanded(index, random.bounded(3) != 0);
        }
        QList<NodePtr> changed;
        const int count = int(random.bounded(int(every.size()) + 1));
        for (int i = 0; i < count; ++i)
            changed.append(every.at(random.bounded(int(every.size()))));
        QSignalSpy changes(model, &QAbstractItemModel::dataChanged);
        {
            const DocumentOutlineModel::EditBatch batch(model);
            for (const NodePtr &node : changed)
                document->edits().setColorLabelType((node->colorLabel() + 1) % 8, node);
            ASSERT_EQ(changes.count(), 0) << "nothing before the batch ends";
        }
        // Every (parent, row, column) announced.
        std::set<std::tuple<const void *, int, int>> announced;
        for (const QList<QVariant> &change : std::as_const(changes)) {
            const auto from = change.at(0).value<QModelIndex>();
            const auto to = change.at(1).value<QModelIndex>();
            ASSERT_TRUE(from.isValid() && to.isValid());
            ASSERT_EQ(from.parent(), to.parent());
            ASSERT_LE(from.row(), to.row());
            ASSERT_LE(from.column(), to.column());
            for (int row = from.row(); row <= to.row(); ++row)
                for (int column = from.column(); column <= to.column(); ++column)
                    announced.insert({model->nodeForIndex(from.parent()), row, column});
        }
        std::set<std::tuple<const void *, int, int>> expected;
        for (const NodePtr &node : changed) {
            const QModelIndex index = indexOf(document, node);
            for (int column = 0; column < columns; ++column)
                expected.insert({model->nodeForIndex(index.parent()), index.row(), column});
        }
        ASSERT_EQ(announced, expected);
    }
    document->close();
    drainEvents();
}

TEST(OutlineModelBoundary, WhatTheTreeRaisesStopsAtTheModel)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    RaisingSource source;
    source.root->addChild(makeJob(QStringLiteral("A"), 1, {}));
    source.claimedChildren = 2;
    DocumentOutlineModel model(&source);
    const int before = platform::ExceptionBoundary::caughtCount();
    EXPECT_FALSE(model.index(1, 0).isValid()); // the tree's index check raised
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 1);

    const QModelIndex first = model.index(0, 1); // the name column
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(model.data(first, Qt::DisplayRole).toString(), QStringLiteral("A"));
    EXPECT_FALSE(model.setData(first, QStringLiteral("B"), Qt::EditRole)); // the source raised
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 2);
    EXPECT_EQ(model.data(first, Qt::DisplayRole).toString(), QStringLiteral("A"));
}
