// Table column fitting, the table's delete keys, and tree navigation in item models.
#include "AppKitExtensions/NTXNSTreeController.h"
#include "AppKitExtensions/NTXNSTreeNode_Extensions.h"
#include "AppKitExtensions/NTXOutlineItemMapping.h"
#include "AppKitExtensions/NTXTableViewExtension.h"
#include "AppKitExtensions/NTXTableViewExtensionCat.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// Every cell of column 0 asks for its row number × 40 + 40 points.
class FixedWidthDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        return QSize(index.column() == 0 ? 40 + 40 * index.row() : 30, 18);
    }
};

class DeleteDelegate : public QObject
{
    Q_OBJECT
public:
    int deletes = 0;
    Q_INVOKABLE void tableViewDidReceiveDeleteEvent(QTableView *, QKeyEvent *) { ++deletes; }
};

// Items are the names of the rows.
class NamedTree : public QStandardItemModel, public NTXOutlineItemMapping
{
public:
    QVariant itemForIndex(const QModelIndex &index) const override { return index.siblingAtColumn(0).data(); }
    QModelIndex indexForItem(const QVariant &item) const override
    {
        const auto found = findItems(item.toString(), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.first()->index();
    }
};

// Roots "G" (children "G1", group "G2" with "G21") and leaf "L".
struct Tree
{
    NamedTree model;
    QItemSelectionModel selection{&model};

    Tree()
    {
        auto *g = new QStandardItem(QStringLiteral("G"));
        g->appendRow(new QStandardItem(QStringLiteral("G1")));
        auto *g2 = new QStandardItem(QStringLiteral("G2"));
        g2->appendRow(new QStandardItem(QStringLiteral("G21")));
        g->appendRow(g2);
        model.appendRow(g);
        model.appendRow(new QStandardItem(QStringLiteral("L")));
    }
    QModelIndex at(const QString &name) const { return model.indexForItem(name); }
    void select(const QStringList &names)
    {
        selection.clearSelection();
        for (const QString &name : names)
            selection.select(at(name), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

QStringList namesOf(const QList<QModelIndex> &nodes)
{
    QStringList names;
    for (const QModelIndex &node : nodes)
        names.append(node.data().toString());
    return names;
}

using Path = NTXNSTreeController::IndexPath;

} // namespace

TEST(TableViewExtensionCat, ColumnTakesItsWidestCellEvenWhenNarrower)
{
    QStandardItemModel model(3, 2);
    QTableView table;
    table.setModel(&model);
    table.setItemDelegate(new FixedWidthDelegate(&table));
    table.setColumnWidth(0, 300);
    NTXTableViewExtensionCat::adjustWidthForTableColumns(&table, {0});
    EXPECT_EQ(table.columnWidth(0), 120);
    NTXTableViewExtensionCat::adjustWidthForTableColumns(&table, {1, 7, -1});
    EXPECT_EQ(table.columnWidth(1), std::max(30, table.horizontalHeader()->minimumSectionSize()));

    QStandardItemModel empty(0, 1);
    table.setModel(&empty);
    table.setColumnWidth(0, 300);
    NTXTableViewExtensionCat::adjustWidthForTableColumns(&table, {0});
    EXPECT_EQ(table.columnWidth(0), table.horizontalHeader()->minimumSectionSize()) << "raised to the minimum";

    QTreeView outline;
    outline.setModel(&model);
    outline.setItemDelegate(new FixedWidthDelegate(&outline));
    NTXTableViewExtensionCat::adjustWidthForTableColumns(&outline, {0});
    EXPECT_EQ(outline.columnWidth(0), 120);
}

TEST(TableViewExtension, DeleteKeysGoToTheDelegateWhenItAnswers)
{
    QStandardItemModel model(3, 1);
    NTXTableViewExtension table;
    table.setModel(&model);
    DeleteDelegate delegate;
    table.setDelegate(&delegate);
    QTest::keyClick(&table, Qt::Key_Backspace);
    QTest::keyClick(&table, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(delegate.deletes, 2);

    // other keys reach the table
    table.setCurrentIndex(model.index(0, 0));
    QTest::keyClick(&table, Qt::Key_Down);
    EXPECT_EQ(table.currentIndex(), model.index(1, 0));
    EXPECT_EQ(delegate.deletes, 2);

    // a delegate without the operation: the table handles the key
    QObject quiet;
    table.setDelegate(&quiet);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    press.setAccepted(false);
    QApplication::sendEvent(&table, &press);
    EXPECT_EQ(delegate.deletes, 2);
}

TEST(TreeNodeExtensions, WalksAndRelations)
{
    Tree t;
    using namespace NTXNSTreeNode_Extensions;
    const QModelIndex g = t.at(QStringLiteral("G"));
    EXPECT_EQ(namesOf(descendants(g)), (QStringList{"G1", "G2", "G21"}));
    EXPECT_EQ(namesOf(groupDescendants(g)), (QStringList{"G2"}));
    EXPECT_EQ(namesOf(leafDescendants(g)), (QStringList{"G1", "G21"}));
    EXPECT_EQ(namesOf(siblings(t.at(QStringLiteral("G1")))), (QStringList{"G1", "G2"}));
    EXPECT_TRUE(isDescendantOfNode(t.at(QStringLiteral("G21")), g));
    EXPECT_FALSE(isDescendantOfNode(g, g));
    EXPECT_TRUE(isSiblingOfNode(g, g));
    EXPECT_TRUE(isSiblingOfNode(g, t.at(QStringLiteral("L"))));
    EXPECT_TRUE(isSiblingOfOrDescendantOfNode(t.at(QStringLiteral("G21")), g));
    EXPECT_FALSE(isSiblingOfOrDescendantOfNode(t.at(QStringLiteral("L")), t.at(QStringLiteral("G2"))));
    EXPECT_EQ(indexPath(t.at(QStringLiteral("G21"))), (Path{0, 1, 0}));
    EXPECT_EQ(adjacentIndexPath(t.at(QStringLiteral("G1"))), (Path{0, 1}));
    EXPECT_EQ(nextSiblingIndexPath(t.at(QStringLiteral("G1"))), (Path{0, 2}));
    EXPECT_EQ(nextSiblingIndexPath(t.at(QStringLiteral("L"))), (Path{2}));
    EXPECT_EQ(nextChildIndexPath(t.at(QStringLiteral("G2"))), (Path{0, 1, 1}));
    EXPECT_EQ(nextChildIndexPath(t.at(QStringLiteral("L"))), (Path{2}));
    EXPECT_TRUE(descendants(QModelIndex()).isEmpty());
}

TEST(TreeController, FlattenedAndLookups)
{
    Tree t;
    using namespace NTXNSTreeController;
    EXPECT_EQ(namesOf(rootNodes(&t.model)), (QStringList{"G", "L"}));
    EXPECT_EQ(namesOf(flattenedNodes(&t.model)), (QStringList{"G", "G1", "G2", "G21", "L"}));
    EXPECT_EQ(flattenedContent(&t.model),
              (QVariantList{QStringLiteral("G"), QStringLiteral("G1"), QStringLiteral("G2"), QStringLiteral("G21"),
                            QStringLiteral("L")}));
    EXPECT_EQ(nodeAtIndexPath(&t.model, Path{0, 1, 0}), t.at(QStringLiteral("G21")));
    EXPECT_FALSE(nodeAtIndexPath(&t.model, Path{0, 5}).isValid());
    EXPECT_EQ(treeNodeForObject(&t.model, QStringLiteral("G2")), t.at(QStringLiteral("G2")));
    EXPECT_EQ(indexPathToObject(&t.model, QStringLiteral("G1")), (Path{0, 0}));
    EXPECT_TRUE(indexPathToObject(&t.model, QStringLiteral("foreign")).isEmpty());
    EXPECT_EQ(indexPathsToObjects(&t.model, {QStringLiteral("L"), QStringLiteral("foreign"), QStringLiteral("G21")}),
              (QList<Path>{{1}, {0, 1, 0}}));
    EXPECT_EQ(nextSiblingOfNode(t.at(QStringLiteral("G1"))), t.at(QStringLiteral("G2")));
    EXPECT_FALSE(nextSiblingOfNode(t.at(QStringLiteral("G2"))).isValid());
    EXPECT_EQ(nextSiblingOfNodeAtIndexPath(&t.model, Path{0}), t.at(QStringLiteral("L")));
}

TEST(TreeController, SelectionAndInsertionPlace)
{
    Tree t;
    using namespace NTXNSTreeController;
    EXPECT_EQ(indexPathForInsertion(&t.selection), (Path{2})) << "no selection: after the last root";
    t.select({QStringLiteral("G2")});
    EXPECT_EQ(indexPathForInsertion(&t.selection), (Path{0, 1, 0})) << "a group: its first child place";
    t.select({QStringLiteral("G1")});
    EXPECT_EQ(indexPathForInsertion(&t.selection), (Path{0, 1})) << "a leaf: right after it";
    t.select({QStringLiteral("L")});
    EXPECT_EQ(indexPathForInsertion(&t.selection), (Path{2})) << "a root leaf: after the last root";
    t.select({QStringLiteral("G21"), QStringLiteral("G1")});
    EXPECT_EQ(indexPathForInsertion(&t.selection), (Path{0, 1, 1})) << "several: after the last selected";

    t.select({QStringLiteral("G21"), QStringLiteral("L")});
    selectParentFromSelection(&t.selection);
    EXPECT_EQ(namesOf(selectedNodes(&t.selection)), (QStringList{"G2"}));
    t.select({QStringLiteral("G")});
    selectParentFromSelection(&t.selection);
    EXPECT_TRUE(selectedNodes(&t.selection).isEmpty()) << "a root has no parent: nothing selected";
    selectParentFromSelection(&t.selection);
    EXPECT_TRUE(selectedNodes(&t.selection).isEmpty());
    t.select({QStringLiteral("G")});
    selectNone(&t.selection);
    EXPECT_FALSE(t.selection.hasSelection());
}

#include "TestTableTreeExtensions.moc"
