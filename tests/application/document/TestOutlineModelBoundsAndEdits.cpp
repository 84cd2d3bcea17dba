// The outline model from its callers' side: the indexes it answers at the edges of
// its rows and columns, and a long seeded run of edits (new jobs and groups,
// deletions of one node and of many, the Delete Assistant, renames, labels, done
// flags, wages, moves by drop, batches, undo and redo) with the rows, every node's
// index, the indexes the views keep, the sums against a fresh count and the tree each
// undo and redo brings back checked after each step; the menu's move to a group
// against the drop.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/OutlineDataSource.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/UndoManager.h"

#include <QMenu>
#include <QTreeView>
#include <functional>

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QStandardItemModel>
#include <random>

using namespace mydoctest;

namespace {

// The rows the model shows below the index, against the node's children; every
// node's own index leads back to it.
void expectRowsMatchTree(DocumentOutlineModel *model, const Node *node, const QModelIndex &index)
{
    ASSERT_EQ(model->rowCount(index), int(node->childrenCount()));
    for (int row = 0; row < model->rowCount(index); ++row) {
        const Node *child = node->childAtIndex(row).get();
        const QModelIndex childIndex = model->index(row, 0, index);
        ASSERT_EQ(model->nodeForIndex(childIndex), child);
        ASSERT_EQ(childIndex.parent(), index);
        ASSERT_EQ(model->indexForNode(child), childIndex);
        ASSERT_EQ(model->index(row, model->columnCount() - 1, index).siblingAtColumn(0), childIndex);
        expectRowsMatchTree(model, child, childIndex);
    }
    ASSERT_FALSE(model->index(model->rowCount(index), 0, index).isValid());
}

void collect(const NodePtr &node, std::vector<NodePtr> &out)
{
    for (qsizetype i = 0; i < node->childrenCount(); ++i) {
        out.push_back(node->childAtIndex(i));
        collect(node->childAtIndex(i), out);
    }
}

// The places for jobs and groups: the root and every group of its tree.
std::vector<NodePtr> placesOf(const NodePtr &root)
{
    std::vector<NodePtr> all;
    collect(root, all);
    std::vector<NodePtr> places{root};
    for (const NodePtr &node : all)
        if (node->type() == Node::Group)
            places.push_back(node);
    return places;
}

// A job of one to three days in March 2024, each of one to three entries at hours of
// its own.
NodePtr jobOfDays(const QString &name, float wage, const std::function<int(int)> &pick)
{
    NodePtr job = makeJob(name, wage, {});
    for (int d = 0, days = pick(4); d < days; ++d) {
        const int date = 1 + d * 2 + pick(2);
        NodePtr day = makeNode(Node::Day, QString(), at(date, 0));
        day->setItemNameByType();
        job->addChild(day);
        for (int e = 0, entries = 1 + pick(3); e < entries; ++e) {
            const int hour = 7 + e * 3 + pick(3);
            NodePtr entry = makeNode(Node::TimeEntry, QString(), at(date, hour));
            entry->setlDate(at(date, hour, 10 + pick(50)));
            entry->setWage(wage);
            day->addChild(entry);
            entry->refreshWorkTime();
            entry->setItemNameByType();
        }
    }
    job->recalcTotalWorkTime();
    return job;
}

// The values a person sees of a node: its kind, name, label, done flag, wage and sums.
QString values(const Node &node)
{
    return QStringLiteral("%1:%2:%3:%4:%5:%6:%7:%8")
        .arg(node.type())
        .arg(node.itemName())
        .arg(node.colorLabel())
        .arg(int(node.executed()))
        .arg(double(node.wage()))
        .arg(node.hours())
        .arg(node.minutes())
        .arg(double(node.turnover()), 0, 'g', 9);
}

// Every such value of the tree, in tree order.
std::vector<std::string> state(const Node &node)
{
    std::vector<std::string> lines;
    const std::function<void(const Node &, const QString &)> add = [&](const Node &n, const QString &indent) {
        lines.push_back(QString(indent + values(n)).toStdString());
        for (const NodePtr &child : n.childEnumerator())
            add(*child, indent + QLatin1Char(' '));
    };
    add(node, QString());
    return lines;
}

// The first line where two states part, for the message of a failure.
std::string firstDifference(const std::vector<std::string> &now, const std::vector<std::string> &expected)
{
    for (size_t i = 0; i < std::max(now.size(), expected.size()); ++i) {
        const std::string a = i < now.size() ? now[i] : "(none)";
        const std::string b = i < expected.size() ? expected[i] : "(none)";
        if (a != b)
            return "line " + std::to_string(i) + ": " + a + " instead of " + b;
    }
    return {};
}

// The sums of every day, job and group are those a fresh count of the whole tree gives.
void expectSumsCountedAfresh(const NodePtr &root)
{
    const NodePtr fresh = root->clone();
    fresh->recalcWorkTimeForTree();
    const std::string difference = firstDifference(state(*root), state(*fresh));
    ASSERT_TRUE(difference.empty()) << difference;
}

bool inTree(const Node *node, const Node *root)
{
    for (const Node *n = node; n; n = n->parent())
        if (n == root)
            return true;
    return false;
}

} // namespace

class OutlineModelBoundsTest : public MyDocumentFixture
{
};

TEST_F(OutlineModelBoundsTest, IndexesAtTheEdgesOfRowsAndColumns)
{
    ProbeDocument *document = newDocument(false);
    NodePtr first = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}, {11, 15}});
    NodePtr second = makeJob(QStringLiteral("B"), 10.0f, {});
    fill(document, {first, second});
    DocumentOutlineModel *model = document->outlineModel();
    ASSERT_EQ(model->columnCount(), 4); // status, name, time, turnover

    // Top level: rows 0 and 1, columns 0 to 3.
    const QModelIndex root;
    const struct
    {
        int row, column;
        bool valid;
    } top[] = {{0, 0, true}, {1, 0, true}, {1, 3, true},  {2, 0, false},  {-1, 0, false},
               {0, -1, false}, {0, 4, false}, {2, 3, false}, {-1, -1, false}};
    for (const auto &c : top) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        const QModelIndex index = model->index(c.row, c.column, root);
        EXPECT_EQ(index.isValid(), c.valid);
        EXPECT_EQ(model->data(index, Qt::EditRole).isValid(), c.valid);
        if (c.valid) {
            EXPECT_EQ(model->nodeForIndex(index), (c.row == 0 ? first : second).get());
        }
    }

    // Below the first job: its one day; below the day its two entries.
    const QModelIndex job = model->index(0, 0);
    EXPECT_EQ(model->rowCount(job), 1);
    EXPECT_TRUE(model->index(0, 0, job).isValid());
    EXPECT_FALSE(model->index(1, 0, job).isValid());
    const QModelIndex day = model->index(0, 0, job);
    EXPECT_EQ(model->rowCount(day), 2);
    EXPECT_TRUE(model->index(1, 3, day).isValid());
    EXPECT_FALSE(model->index(2, 0, day).isValid());
    EXPECT_EQ(model->nodeForIndex(model->index(1, 0, day)), first->childAtIndex(0)->childAtIndex(1).get());

    // Rows hang below the first column only: a parent in another column has none.
    const QModelIndex jobName = job.siblingAtColumn(1);
    EXPECT_EQ(model->rowCount(jobName), 0);
    EXPECT_FALSE(model->hasChildren(jobName));
    EXPECT_FALSE(model->index(0, 0, jobName).isValid());

    // A parent of another model is nobody's parent here.
    QStandardItemModel other(3, 3);
    EXPECT_FALSE(model->index(0, 0, other.index(0, 0)).isValid());
    EXPECT_EQ(model->rowCount(other.index(0, 0)), 0);

    // Indexes of nodes: the last column is there, the next is not; the root, no
    // node and a node outside the tree have none.
    EXPECT_EQ(model->indexForNode(second.get(), 3), model->index(1, 3));
    EXPECT_FALSE(model->indexForNode(second.get(), 4).isValid());
    EXPECT_FALSE(model->indexForNode(second.get(), -1).isValid());
    EXPECT_FALSE(model->indexForNode(document->jobList().get()).isValid());
    EXPECT_FALSE(model->indexForNode(nullptr).isValid());
    const NodePtr loose = makeJob(QStringLiteral("C"), 1.0f, {});
    EXPECT_FALSE(model->indexForNode(loose.get()).isValid());
    EXPECT_EQ(model->nodeForIndex(QModelIndex()), nullptr);
    document->close();
    drainEvents();
}

TEST_F(OutlineModelBoundsTest, RandomEdits)
{
    ProbeDocument *document = newDocument(false);
    DocumentOutlineModel *model = document->outlineModel();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Warning);
    platform::UndoManager *undo = document->undoManager();
    undo->setGroupsByEvent(false);
    const NodePtr root = document->jobList();
    OutlineDataSource &source = document->outlineSource();
    std::mt19937 random(5631);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    int made = 0;

    // A node of the tree, a group or the root (a place for jobs and groups).
    auto anyNode = [&]() -> NodePtr {
        std::vector<NodePtr> all;
        collect(root, all);
        return all.empty() ? nullptr : all[size_t(pick(int(all.size())))];
    };
    auto anyPlace = [&]() -> NodePtr {
        const std::vector<NodePtr> places = placesOf(root);
        return places[size_t(pick(int(places.size())))];
    };
    auto edit = [&](int kind) {
        switch (kind) {
        case 0: {
            const NodePtr place = anyPlace();
            document->edits().addNewJob(jobOfDays(QStringLiteral("J%1").arg(++made), float(1 + pick(9)), pick), place);
            break;
        }
        case 1: {
            const NodePtr place = anyPlace();
            document->edits().addNode(makeNode(Node::Group, QStringLiteral("G%1").arg(++made)), place,
                                      pick(int(place->childrenCount()) + 1));
            break;
        }
        case 2:
            if (const NodePtr node = anyNode())
                document->edits().deleteNode(node, node->parent()->weak_from_this().lock());
            break;
        case 3:
            if (const NodePtr node = anyNode())
                document->edits().setNameForNode(QStringLiteral("N%1").arg(++made), node);
            break;
        case 5: {
            // The Delete Assistant: any kind, any date condition, done jobs only or all.
            DeleteAssistant::Settings settings;
            settings.kind = pick(5) == 0 ? 0 : 1 + pick(3);
            settings.condition = pick(3);
            settings.onlyExecuted = pick(3) == 0;
            settings.date = at(1 + pick(7), 6 + pick(12));
            document->deleteAssistantSheet().deleteAssistantActionForNode(root, settings);
            break;
        }
        case 6:
            if (const NodePtr node = anyNode())
                document->edits().setColorLabelType(pick(8), node);
            break;
        case 7:
            if (const NodePtr node = anyNode())
                document->edits().setExecutedForNodeTree(pick(2) == 0, node);
            break;
        case 8:
            // The job sheet's wage (the only one a person sets).
            if (const NodePtr node = anyNode(); node && node->type() == Node::Job)
                document->edits().setWageForNode(float(1 + pick(20)), node);
            break;
        case 9: {
            // Several children of one node at once (the delete command's and the
            // assistant's removal), or entries put into a day together.
            const NodePtr node = anyNode();
            if (!node)
                break;
            if (node->type() == Node::Day && pick(2) == 0) {
                QList<NodePtr> entries;
                for (int e = 0, n = 1 + pick(3); e < n; ++e) {
                    NodePtr entry = makeNode(Node::TimeEntry, QString(), node->cDate().addSecs(3600 * (1 + pick(12))));
                    entry->setlDate(entry->cDate().addSecs(60 * (1 + pick(90))));
                    entry->setItemNameByType();
                    entries.append(entry);
                }
                document->edits().insertNodes(entries, node, pick(int(node->childrenCount()) + 1));
            } else if (node->childrenCount() > 0) {
                QList<qsizetype> indexes;
                for (qsizetype i = 0; i < node->childrenCount(); ++i)
                    if (pick(2) == 0)
                        indexes.append(i);
                if (!indexes.isEmpty())
                    document->edits().deleteChildren(node, indexes);
            }
            break;
        }
        default:
            if (const NodePtr node = anyNode()) {
                const NodePtr place = anyPlace();
                std::unique_ptr<QMimeData> data(source.outlineViewWriteItems({node}));
                const qsizetype at = pick(int(place->childrenCount()) + 2) - 1; // -1: onto the place
                Node *target = place == root ? nullptr : place.get();
                if (data && source.outlineViewValidateDrop(data.get(), target, at) != Qt::IgnoreAction)
                    source.outlineViewAcceptDrop(data.get(), target, at);
            }
            break;
        }
    };

    // Rows the views keep (expanded, selected): each follows its node or goes with it.
    std::vector<std::pair<QPersistentModelIndex, std::weak_ptr<Node>>> kept;
    // The tree before each step on the undo stack and after each on the redo stack: an
    // undo or redo of any edit brings back exactly the tree it stood for.
    std::vector<std::vector<std::string>> undone;
    std::vector<std::vector<std::string>> redone;
    size_t largest = 0;
    const int edits = 11;
    for (int step = 0; step < 3000; ++step) {
        const int kind = pick(16);
        SCOPED_TRACE(testing::Message() << "step " << step << " kind " << kind);
        const std::vector<std::string> before = state(*root);
        if (kind < 12) {
            undo->beginUndoGrouping();
            // The drop twice as often as each other edit.
            edit(kind < edits ? kind : 4);
            if (undo->hasOpenChanges()) {
                undone.push_back(before);
                redone.clear();
            }
            undo->endUndoGrouping();
        } else if (kind == 12) {
            undo->beginUndoGrouping();
            {
                const DocumentOutlineModel::EditBatch batch(model);
                for (int i = 0, n = 2 + pick(3); i < n; ++i)
                    edit(pick(edits));
            }
            if (undo->hasOpenChanges()) {
                undone.push_back(before);
                redone.clear();
            }
            undo->endUndoGrouping();
        } else if (kind == 13 && undo->canUndo()) {
            undo->undo();
            ASSERT_FALSE(undone.empty());
            EXPECT_EQ(firstDifference(state(*root), undone.back()), "") << "an undo";
            undone.pop_back();
            redone.push_back(before);
        } else if (kind == 14 && undo->canRedo()) {
            undo->redo();
            ASSERT_FALSE(redone.empty());
            EXPECT_EQ(firstDifference(state(*root), redone.back()), "") << "a redo";
            redone.pop_back();
            undone.push_back(before);
        } else if (const NodePtr node = anyNode()) {
            kept.emplace_back(QPersistentModelIndex(model->indexForNode(node.get(), pick(4))), node);
        }

        expectRowsMatchTree(model, root.get(), QModelIndex());
        expectSumsCountedAfresh(root);
        for (auto it = kept.begin(); it != kept.end();) {
            const NodePtr node = it->second.lock();
            if (!node || !inTree(node.get(), root.get())) {
                EXPECT_FALSE(it->first.isValid());
                it = kept.erase(it);
                continue;
            }
            ASSERT_TRUE(it->first.isValid());
            EXPECT_EQ(model->nodeForIndex(it->first), node.get());
            EXPECT_EQ(QModelIndex(it->first).siblingAtColumn(0), model->indexForNode(node.get()));
            ++it;
        }
        if (::testing::Test::HasFailure())
            break;
        std::vector<NodePtr> all;
        collect(root, all);
        largest = std::max(largest, all.size());
        if (kind == 13 && !undo->canRedo())
            ADD_FAILURE() << "an undo left nothing to redo";
    }
    EXPECT_GE(largest, size_t(30)); // the tree grew
    document->close();
    drainEvents();
}

namespace {

// The tree as text: every node's name with its children, in order.
QString shape(const Node &node)
{
    QString text = node.itemName();
    if (node.childrenCount() > 0) {
        text += QLatin1Char('(');
        for (const NodePtr &child : node.childEnumerator())
            text += shape(*child) + QLatin1Char(' ');
        text += QLatin1Char(')');
    }
    return text;
}

} // namespace

// The Document menu's Move to Group does what a drop of the selection onto the group
// (or after the top level's rows) does: the same tree, one undo step of the same
// name that brings the tree back, offered exactly where the drop is accepted.
TEST_F(OutlineModelBoundsTest, MovingToAGroupFromTheMenuIsTheDrop)
{
    ProbeDocument *document = newDocument(true);
    QTreeView *outline = document->outlineView();
    QMenu *menu = document->mainWindow()->findChild<QMenu *>(QStringLiteral("moveToGroupMenu"));
    ASSERT_NE(menu, nullptr);
    platform::UndoManager *undo = document->undoManager();
    undo->setGroupsByEvent(false);
    // Each edit one step, as an event's edits are.
    auto asStep = [undo](const std::function<void()> &edit) {
        undo->beginUndoGrouping();
        edit();
        undo->endUndoGrouping();
    };
    const NodePtr root = document->jobList();
    OutlineDataSource &source = document->outlineSource();
    std::mt19937 random(907);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    int made = 0;
    int moved = 0;
    for (int step = 0; step < 150; ++step) {
        SCOPED_TRACE(step);
        std::vector<NodePtr> all;
        collect(root, all);
        const std::vector<NodePtr> places = placesOf(root);
        if (all.size() < 12 || pick(4) == 0) {
            const NodePtr place = places[size_t(pick(int(places.size())))];
            NodePtr node = pick(2) ? makeJob(QStringLiteral("J%1").arg(++made), 2.0f, {{9, 15}})
                                   : makeNode(Node::Group, QStringLiteral("G%1").arg(++made));
            const int index = pick(int(place->childrenCount()) + 1);
            asStep([&] { document->edits().addNode(node, place, index); });
            continue;
        }
        // A selection of one to three rows (days and entries too), and a place.
        QList<QVariant> selection;
        QList<NodePtr> selected;
        for (int i = 0, n = 1 + pick(3); i < n; ++i) {
            const NodePtr node = all[size_t(pick(int(all.size())))];
            if (!selected.contains(node)) {
                selected << node;
                selection << QVariant::fromValue(node);
            }
        }
        const NodePtr place = places[size_t(pick(int(places.size())))];
        // Every row can be selected.
        outline->expandAll();
        NTXOutlineViewExtension::selectItems(outline, selection, false);
        ASSERT_EQ(document->windowController().selectedNodes().size(), selected.size());
        const QString before = shape(*root);
        QStringList names;
        for (const NodePtr &node : selected)
            names << node->itemName();
        SCOPED_TRACE(testing::Message() << "moving " << names.join(QLatin1Char(',')).toStdString() << " to "
                                        << place->itemName().toStdString());

        // By the drop of the selected rows: onto the group, or after the last top-level
        // row.
        std::unique_ptr<QMimeData> data(source.outlineViewWriteItems(document->windowController().selectedNodes()));
        Node *target = place == root ? nullptr : place.get();
        const qsizetype at = place == root ? root->childrenCount() : -1;
        const bool dropped = data && source.outlineViewValidateDrop(data.get(), target, at) != Qt::IgnoreAction;
        if (dropped)
            asStep([&] { source.outlineViewAcceptDrop(data.get(), target, at); });
        const QString afterDrop = shape(*root);
        const bool dropStep = afterDrop != before;
        const QString dropName = dropStep ? undo->undoActionName() : QString();
        if (dropStep)
            undo->undo();
        ASSERT_EQ(shape(*root).toStdString(), before.toStdString());

        // By the menu, with the same selection, the place closed where that hides no
        // selected row.
        outline->expandAll();
        NTXOutlineViewExtension::selectItems(outline, selection, false);
        const bool holdsSelected = std::any_of(selected.cbegin(), selected.cend(), [&place](const NodePtr &node) {
            return node->isDescendantOfNodeInArray({place});
        });
        if (place != root && !holdsSelected && pick(2) == 0)
            outline->collapse(document->outlineModel()->indexForNode(place.get()));
        // The jobs and groups that move: those selected without a selected one above.
        QList<NodePtr> moving;
        for (const NodePtr &node : selected) {
            const bool under = std::any_of(selected.cbegin(), selected.cend(), [&node](const NodePtr &other) {
                return other != node && node->isDescendantOfNodeInArray({other});
            });
            if ((node->type() == Node::Job || node->type() == Node::Group) && !under)
                moving << node;
        }
        const bool allThere = !moving.isEmpty() && std::all_of(moving.cbegin(), moving.cend(), [&place](const NodePtr &node) {
            return node->parent() == place.get();
        });
        menu->aboutToShow();
        QAction *item = nullptr;
        for (QAction *candidate : menu->actions()) {
            if (!candidate->isSeparator()
                && platform::MenuItemValidation::representedObject(candidate).value<NodePtr>() == (place == root ? NodePtr() : place))
                item = candidate;
        }
        ASSERT_NE(item, nullptr);
        // Offered where the drop is accepted, but for the group they are all in already.
        EXPECT_EQ(item->isEnabled(), dropped && !allThere);
        if (!item->isEnabled())
            continue;
        asStep([&] { platform::MenuItemValidation::sendItemAction(item); });
        ASSERT_EQ(shape(*root).toStdString(), afterDrop.toStdString());
        if (dropStep) {
            ++moved;
            // The moved rows show and stay selected, and the inspector shows them.
            const QList<NodePtr> nowSelected = document->windowController().selectedNodes();
            for (const NodePtr &node : moving)
                EXPECT_TRUE(nowSelected.contains(node)) << node->itemName().toStdString();
            EXPECT_FALSE(document->totals().selectedNodeWorkTime().isNull());
            EXPECT_TRUE(document->property("inspectedObjectsNotEmpty").toBool());
            EXPECT_EQ(document->inspectedObjectsController()->selectedObjects().size(), nowSelected.size());
            EXPECT_EQ(undo->undoActionName(), dropName);
            undo->undo();
            ASSERT_EQ(shape(*root).toStdString(), before.toStdString());
            undo->redo();
            ASSERT_EQ(shape(*root).toStdString(), afterDrop.toStdString());
        }
    }
    EXPECT_GT(moved, 20);
}
