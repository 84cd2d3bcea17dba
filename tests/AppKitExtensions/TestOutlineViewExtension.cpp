// The outline-view rules for every QTreeView of the process: selection helpers, the
// context menu, delete and arrow keys, Return at the end of editing, drag ends.
#include "AppKitExtensions/NTXOutlineItemMapping.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

namespace ext = NTXOutlineViewExtension;

namespace {

// A model that maps its rows to objects of its own: here the texts of column 0.
class NamedModel : public QStandardItemModel, public NTXOutlineItemMapping
{
public:
    using QStandardItemModel::QStandardItemModel;

    QVariant itemForIndex(const QModelIndex &index) const override
    {
        return index.siblingAtColumn(0).data(Qt::DisplayRole);
    }
    QModelIndex indexForItem(const QVariant &item) const override
    {
        const QList<QStandardItem *> found =
            findItems(item.toString(), Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? QModelIndex() : found.first()->index();
    }

    // drops of plain text are accepted anywhere
    QStringList mimeTypes() const override { return {QStringLiteral("text/plain")}; }
    bool canDropMimeData(const QMimeData *data, Qt::DropAction, int, int, const QModelIndex &) const override
    {
        return data->hasText();
    }
    bool dropMimeData(const QMimeData *data, Qt::DropAction, int, int, const QModelIndex &) override
    {
        dropped = data->text();
        return true;
    }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::MoveAction; }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return QStandardItemModel::flags(index) | Qt::ItemIsDropEnabled;
    }

    QString dropped;
};

class OutlineDelegate : public QObject
{
    Q_OBJECT
public:
    QMenu menu;
    int menuCalls = 0;
    int column = -2;
    QVariant item;
    int deletes = 0;
    int key = 0;
    int exits = 0;
    int concludes = 0;

    Q_INVOKABLE QMenu *outlineViewMenuForTableColumnItem(QTreeView *, int tableColumn, const QVariant &clicked)
    {
        ++menuCalls;
        column = tableColumn;
        item = clicked;
        return &menu;
    }
    Q_INVOKABLE void outlineViewDidReceiveDelete(QTreeView *, QKeyEvent *event)
    {
        ++deletes;
        key = event->key();
    }
    Q_INVOKABLE void outlineViewDraggingExited(QTreeView *, QDragLeaveEvent *) { ++exits; }
    Q_INVOKABLE void outlineViewConcludeDragOperation(QTreeView *, QDropEvent *) { ++concludes; }
};

// A delegate with none of the operations.
class QuietDelegate : public QObject
{
    Q_OBJECT
};

// An outline view that is its own delegate and declares nothing.
class SelfDelegatingTree : public QTreeView
{
    Q_OBJECT
public:
    int keysSeen = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        ++keysSeen;
        QTreeView::keyPressEvent(event);
    }
};

// A tree view whose editing state a test can read.
class ProbeTree : public QTreeView
{
public:
    bool isEditing() const { return state() == EditingState; }
};

// Groups "A" (children "A1", "A2") and "B" (child "B1"), leaf "C"; two columns.
struct Outline
{
    NamedModel model;
    ProbeTree view;
    OutlineDelegate delegate;

    explicit Outline(bool show = true)
    {
        ext::install();
        model.setColumnCount(2);
        auto *a = new QStandardItem(QStringLiteral("A"));
        a->appendRow({new QStandardItem(QStringLiteral("A1")), new QStandardItem(QStringLiteral("1"))});
        a->appendRow({new QStandardItem(QStringLiteral("A2")), new QStandardItem(QStringLiteral("2"))});
        auto *b = new QStandardItem(QStringLiteral("B"));
        b->appendRow({new QStandardItem(QStringLiteral("B1")), new QStandardItem(QStringLiteral("3"))});
        model.appendRow({a, new QStandardItem(QStringLiteral("x"))});
        model.appendRow({b, new QStandardItem(QStringLiteral("y"))});
        model.appendRow({new QStandardItem(QStringLiteral("C")), new QStandardItem(QStringLiteral("z"))});
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.header()->resizeSection(0, 120);
        view.header()->resizeSection(1, 80);
        view.header()->setStretchLastSection(false);
        view.resize(400, 300);
        ext::setDelegate(&view, &delegate);
        if (show) {
            view.show();
            QApplication::setActiveWindow(&view);
            (void)QTest::qWaitForWindowActive(&view);
            view.setFocus();
        }
    }

    QModelIndex at(const QString &name) const { return ext::indexForItem(&view, name); }
    void select(const QStringList &names) { ext::selectItems(&view, {names.begin(), names.end()}, false); }
    QStringList selectedNames() const
    {
        QStringList names;
        for (const QVariant &v : ext::allSelectedItems(&view))
            names.append(v.toString());
        return names;
    }
    QPoint centreOf(const QString &name, int column = 0) const
    {
        return view.visualRect(at(name).siblingAtColumn(column)).center();
    }
};

void rightClick(QTreeView &view, const QPoint &pos)
{
    QTest::mousePress(view.viewport(), Qt::RightButton, Qt::NoModifier, pos);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view.viewport(), &event);
    QTest::mouseRelease(view.viewport(), Qt::RightButton, Qt::NoModifier, pos);
}

} // namespace

// ---- Selection helpers ----

TEST(OutlineViewSelection, EmptySelectionAnswersNoneAndAnEmptyList)
{
    Outline o(false);
    EXPECT_FALSE(ext::selectedItem(&o.view).isValid());
    EXPECT_TRUE(ext::allSelectedItems(&o.view).isEmpty());
}

TEST(OutlineViewSelection, ItemsComeInRowOrderAndHiddenOnesAreSkipped)
{
    Outline o(false);
    o.view.expandAll();
    o.select({QStringLiteral("C"), QStringLiteral("A1"), QStringLiteral("A")});
    EXPECT_EQ(o.selectedNames(), (QStringList{"A", "A1", "C"}));

    // collapsed away: B1 cannot be selected
    o.view.collapse(o.at(QStringLiteral("B")));
    o.select({QStringLiteral("B1"), QStringLiteral("B")});
    EXPECT_EQ(o.selectedNames(), (QStringList{"B"}));
    EXPECT_EQ(ext::selectedItem(&o.view).toString(), QStringLiteral("B"));

    // not in the outline at all
    o.select({QStringLiteral("nowhere")});
    EXPECT_TRUE(o.selectedNames().isEmpty());
}

TEST(OutlineViewSelection, ExtendingAddsAndAnEmptyListClearsOnlyWithoutExtending)
{
    Outline o(false);
    o.select({QStringLiteral("A")});
    ext::selectItems(&o.view, {QStringLiteral("C")}, true);
    EXPECT_EQ(o.selectedNames(), (QStringList{"A", "C"}));
    ext::selectItems(&o.view, {}, true);
    EXPECT_EQ(o.selectedNames(), (QStringList{"A", "C"}));
    ext::selectItems(&o.view, {}, false);
    EXPECT_TRUE(o.selectedNames().isEmpty());
}

TEST(OutlineViewSelection, SelectedItemIsTheCurrentSelectedRow)
{
    Outline o(false);
    o.view.expandAll();
    o.select({QStringLiteral("A"), QStringLiteral("C")});
    EXPECT_EQ(ext::selectedItem(&o.view).toString(), QStringLiteral("C")) << "the last selected row";
    o.view.selectionModel()->setCurrentIndex(o.at(QStringLiteral("A")), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(ext::selectedItem(&o.view).toString(), QStringLiteral("A"));
}

TEST(OutlineViewSelection, WithoutAMappingItemsAreIndexes)
{
    ext::install();
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("one")));
    model.appendRow(new QStandardItem(QStringLiteral("two")));
    QTreeView view;
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    ext::selectItems(&view, {QVariant::fromValue(model.index(1, 0))}, false);
    const QList<QVariant> items = ext::allSelectedItems(&view);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first().value<QModelIndex>(), model.index(1, 0));
    EXPECT_FALSE(ext::indexForItem(&view, QStringLiteral("two")).isValid());
}

// A model whose items are its rows' indexes, and which may say that every row can be
// selected (then it makes none that cannot).
class RowsModel : public QStandardItemModel, public NTXOutlineItemMapping
{
public:
    QVariant itemForIndex(const QModelIndex &index) const override
    {
        return QVariant::fromValue(QPersistentModelIndex(index.siblingAtColumn(0)));
    }
    QModelIndex indexForItem(const QVariant &item) const override { return item.value<QPersistentModelIndex>(); }
    bool everyRowSelectable() const override { return allSelectable; }

    bool allSelectable = false;
};

// The selected rows the helpers read are those of the plain walk down the outline: every
// shown row, in the order shown, with a selected cell that is enabled and can be selected.
// On seeded random trees with rows opened, closed and hidden, random cells and ranges
// selected and deselected in any order (rows below closed rows too), an empty selection,
// and models that do or do not say that every row can be selected.
TEST(OutlineViewSelection, SelectedShownRowsAreThoseOfTheWalkDownTheOutline)
{
    const quint32 seed = 20261210;
    QRandomGenerator random(seed);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
        RowsModel model;
        model.allSelectable = random.bounded(2) == 0;
        model.setColumnCount(3);
        QList<QStandardItem *> parents{model.invisibleRootItem()};
        const int count = 1 + int(random.bounded(80));
        for (int i = 0; i < count; ++i) {
            QStandardItem *parent = parents.at(random.bounded(int(parents.size())));
            QList<QStandardItem *> row;
            for (int c = 0; c < 3; ++c) {
                row << new QStandardItem(QStringLiteral("%1.%2").arg(i).arg(c));
                if (!model.allSelectable && random.bounded(6) == 0)
                    row.last()->setFlags(random.bounded(2) == 0 ? Qt::ItemIsEnabled : Qt::ItemIsSelectable);
            }
            parent->appendRow(row);
            parents << row.first();
        }
        QTreeView view;
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (QStandardItem *item : parents.mid(1)) {
            const QModelIndex index = item->index();
            view.setExpanded(index, random.bounded(3) != 0);
            if (random.bounded(10) == 0)
                view.setRowHidden(index.row(), index.parent(), true);
        }
        const auto plainWalk = [&]() {
            QList<QModelIndex> rows;
            const std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
                for (int r = 0; r < model.rowCount(parent); ++r) {
                    if (view.isRowHidden(r, parent))
                        continue;
                    bool selected = false;
                    for (int c = 0; c < model.columnCount(parent) && !selected; ++c) {
                        const QModelIndex cell = model.index(r, c, parent);
                        selected = view.selectionModel()->isSelected(cell) && cell.flags().testFlag(Qt::ItemIsEnabled)
                                   && cell.flags().testFlag(Qt::ItemIsSelectable);
                    }
                    const QModelIndex row = model.index(r, 0, parent);
                    if (selected)
                        rows << row;
                    if (view.isExpanded(row))
                        walk(row);
                }
            };
            walk(view.rootIndex());
            return rows;
        };
        for (int step = 0; step < 6; ++step) {
            const int kind = int(random.bounded(4));
            if (kind == 0) {
                view.clearSelection();
            } else if (kind == 1) {
                NTXOutlineViewExtension::selectAllShownRows(&view);
            } else {
                // Ranges of cells or whole rows, anywhere, one after the other.
                const int ranges = 1 + int(random.bounded(6));
                for (int i = 0; i < ranges; ++i) {
                    const QModelIndex at = parents.at(1 + random.bounded(int(parents.size()) - 1))->index();
                    const int rows = model.rowCount(at.parent());
                    const int bottom = std::min(rows - 1, at.row() + int(random.bounded(4)));
                    const int left = int(random.bounded(3));
                    const int right = kind == 2 ? 2 : left + int(random.bounded(3 - left));
                    const QItemSelection range(model.index(at.row(), kind == 2 ? 0 : left, at.parent()),
                                               model.index(bottom, right, at.parent()));
                    const QItemSelectionModel::SelectionFlags command = random.bounded(4) == 0 ? QItemSelectionModel::Deselect
                                                                        : random.bounded(3) == 0 ? QItemSelectionModel::Toggle
                                                                                                 : QItemSelectionModel::Select;
                    view.selectionModel()->select(range, command);
                }
            }
            const QList<QModelIndex> expected = plainWalk();
            ASSERT_EQ(NTXOutlineViewExtension::selectedShownRowIndexes(&view), expected) << "step " << step << " kind " << kind;
            QList<QVariant> items;
            for (const QModelIndex &row : expected)
                items << NTXOutlineViewExtension::itemAtIndex(&view, row);
            ASSERT_EQ(NTXOutlineViewExtension::allSelectedItems(&view), items);
            ASSERT_EQ(NTXOutlineViewExtension::selectedItemCount(&view, 1000), expected.size());
        }
    }
}

// ---- Context menu ----

// Select All in one step selects the rows the item view's own select-all selects, and
// the selection helpers read them as the selection model lists them: on seeded random
// trees with rows opened, closed and hidden at random.
TEST(OutlineViewSelection, SelectAllInOneStepMatchesTheItemViewsOwn)
{
    const quint32 seed = 20261209;
    QRandomGenerator random(seed);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
        QStandardItemModel model;
        model.setColumnCount(3);
        QList<QStandardItem *> parents{model.invisibleRootItem()};
        const int count = 1 + int(random.bounded(60));
        for (int i = 0; i < count; ++i) {
            QStandardItem *parent = parents.at(random.bounded(int(parents.size())));
            QList<QStandardItem *> row;
            for (int c = 0; c < 3; ++c)
                row << new QStandardItem(QStringLiteral("%1.%2").arg(i).arg(c));
            parent->appendRow(row);
            parents << row.first();
        }
        QTreeView view;
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        for (QStandardItem *item : parents.mid(1)) {
            const QModelIndex index = item->index();
            view.setExpanded(index, random.bounded(3) != 0);
            if (random.bounded(8) == 0)
                view.setRowHidden(index.row(), index.parent(), true);
        }

        view.selectAll();
        QModelIndexList expected = view.selectionModel()->selectedRows();
        view.clearSelection();
        NTXOutlineViewExtension::selectAllShownRows(&view);
        QModelIndexList selected = view.selectionModel()->selectedRows();
        const auto byPosition = [](const QModelIndex &a, const QModelIndex &b) {
            return std::pair(a.internalPointer(), a.row()) < std::pair(b.internalPointer(), b.row());
        };
        std::sort(expected.begin(), expected.end(), byPosition);
        std::sort(selected.begin(), selected.end(), byPosition);
        ASSERT_EQ(selected, expected);
        // The ranges come with their parents in the order shown (the view's painting
        // looks for a cell's range from the first on).
        const auto parentsInShownOrder = [](const QItemSelection &ranges) {
            QList<int> last;
            for (const QItemSelectionRange &range : ranges) {
                QList<int> path;
                for (QModelIndex i = range.parent(); i.isValid(); i = i.parent())
                    path.prepend(i.row());
                if (path < last)
                    return false;
                last = path;
            }
            return true;
        };
        EXPECT_TRUE(parentsInShownOrder(view.selectionModel()->selection()));

        // The helpers: every shown selected row once, in the order shown.
        const auto isVisible = [&view](const QModelIndex &index) {
            bool visible = !view.isRowHidden(index.row(), index.parent());
            for (QModelIndex above = index.parent(); above.isValid() && visible; above = above.parent())
                visible = view.isExpanded(above) && !view.isRowHidden(above.row(), above.parent());
            return visible;
        };
        QList<QVariant> shown;
        for (const QModelIndex &index : expected) {
            if (isVisible(index))
                shown << NTXOutlineViewExtension::itemAtIndex(&view, index);
        }
        const QList<QVariant> items = NTXOutlineViewExtension::allSelectedItems(&view);
        ASSERT_EQ(items.size(), shown.size());
        for (const QVariant &item : shown)
            ASSERT_TRUE(items.contains(item));
        for (qsizetype i = 1; i < items.size(); ++i) {
            const QModelIndex before = NTXOutlineViewExtension::indexForItem(&view, items.at(i - 1));
            const QModelIndex after = NTXOutlineViewExtension::indexForItem(&view, items.at(i));
            ASSERT_LT(view.visualRect(before).top(), view.visualRect(after).top());
        }
        EXPECT_EQ(NTXOutlineViewExtension::selectedItemCount(&view, 2), std::min<qsizetype>(2, shown.size()));

        // Selecting some of the items (one twice, some not shown), afresh or by
        // extending, selects the cells the selection model selects for them row by row.
        QList<QVariant> part;
        for (QStandardItem *item : parents.mid(1)) {
            if (random.bounded(2) == 0)
                part << NTXOutlineViewExtension::itemAtIndex(&view, item->index());
        }
        if (!part.isEmpty())
            part << part.first();
        const bool extending = random.bounded(2) == 0;
        QItemSelectionModel rowByRow(&model);
        if (extending)
            rowByRow.select(view.selectionModel()->selection(), QItemSelectionModel::Select);
        for (const QVariant &item : part) {
            const QModelIndex index = NTXOutlineViewExtension::indexForItem(&view, item);
            if (isVisible(index))
                rowByRow.select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        NTXOutlineViewExtension::selectItems(&view, part, extending);
        if (!extending) {
            EXPECT_TRUE(parentsInShownOrder(view.selectionModel()->selection()));
        }
        QModelIndexList cells = view.selectionModel()->selectedIndexes();
        QModelIndexList expectedCells = rowByRow.selectedIndexes();
        const auto byCell = [](const QModelIndex &a, const QModelIndex &b) {
            return std::tuple(a.internalPointer(), a.row(), a.column()) < std::tuple(b.internalPointer(), b.row(), b.column());
        };
        std::sort(cells.begin(), cells.end(), byCell);
        std::sort(expectedCells.begin(), expectedCells.end(), byCell);
        ASSERT_EQ(cells, expectedCells) << (extending ? "extending" : "afresh");
    }
}

TEST(OutlineViewMenu, RightClickOnAnUnselectedRowAsksWithThatRowAndKeepsTheSelection)
{
    Outline o;
    o.select({QStringLiteral("C")});
    rightClick(o.view, o.centreOf(QStringLiteral("B"), 1));
    EXPECT_EQ(o.delegate.menuCalls, 1);
    EXPECT_EQ(o.delegate.item.toString(), QStringLiteral("B"));
    EXPECT_EQ(o.delegate.column, 1);
    EXPECT_TRUE(o.delegate.menu.isVisible()) << "the delegate's menu is shown";
    o.delegate.menu.hide();
    EXPECT_EQ(o.selectedNames(), (QStringList{"C"})) << "the right-clicked row is not selected";
}

// The context-menu key (sent by the platform to the focused view) asks for the
// selected row's menu wherever the pointer is; without a selection there is none.
TEST(OutlineViewMenu, TheContextMenuKeyShowsTheSelectedRowsMenu)
{
    Outline o;
    const auto pressMenuKey = [&o] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1), o.view.mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(&o.view, &event);
    };
    pressMenuKey();
    EXPECT_EQ(o.delegate.menuCalls, 0);
    o.select({QStringLiteral("B"), QStringLiteral("C")});
    // current but not selected
    o.view.selectionModel()->setCurrentIndex(o.at(QStringLiteral("A")), QItemSelectionModel::NoUpdate);
    pressMenuKey();
    ASSERT_EQ(o.delegate.menuCalls, 1);
    EXPECT_EQ(o.delegate.item.toString(), QStringLiteral("B"));
    EXPECT_EQ(o.delegate.column, 0);
    EXPECT_TRUE(o.delegate.menu.isVisible());
    o.delegate.menu.hide();
    EXPECT_EQ(o.selectedNames(), (QStringList{"B", "C"}));
}

TEST(OutlineViewMenu, NoMenuBelowTheLastRowOrBesideTheLastColumn)
{
    Outline o;
    const QPoint belowRows(20, o.view.visualRect(o.at(QStringLiteral("C"))).bottom() + 30);
    const QPoint besideColumns(o.view.header()->length() + 20, o.centreOf(QStringLiteral("A")).y());
    EXPECT_EQ(ext::menuForEvent(&o.view, belowRows), nullptr);
    EXPECT_EQ(ext::menuForEvent(&o.view, besideColumns), nullptr);
    rightClick(o.view, belowRows);
    rightClick(o.view, besideColumns);
    EXPECT_EQ(o.delegate.menuCalls, 0);
    EXPECT_EQ(ext::menuForEvent(&o.view, o.centreOf(QStringLiteral("A"))), &o.delegate.menu);
}

TEST(OutlineViewMenu, AttachedMenusAreNeverShownAndQuietDelegatesGiveNone)
{
    Outline o;
    QuietDelegate quiet;
    ext::setDelegate(&o.view, &quiet);
    o.view.setContextMenuPolicy(Qt::CustomContextMenu);
    int requests = 0;
    QObject::connect(&o.view, &QWidget::customContextMenuRequested, [&requests]() { ++requests; });
    EXPECT_EQ(ext::menuForEvent(&o.view, o.centreOf(QStringLiteral("A"))), nullptr);
    rightClick(o.view, o.centreOf(QStringLiteral("A")));
    EXPECT_EQ(requests, 0);
    ext::setDelegate(&o.view, nullptr);
    EXPECT_EQ(ext::menuForEvent(&o.view, o.centreOf(QStringLiteral("A"))), nullptr);
}

// ---- Keys ----

TEST(OutlineViewKeys, BothDeleteKeysReachTheDelegate)
{
    Outline o;
    o.select({QStringLiteral("C")});
    QTest::keyClick(&o.view, Qt::Key_Backspace);
    QTest::keyClick(&o.view, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(o.delegate.deletes, 2);
    EXPECT_EQ(o.delegate.key, Qt::Key_Delete);
}

TEST(OutlineViewKeys, DeleteWithoutTheOperationGoesToTheView)
{
    Outline o;
    SelfDelegatingTree tree;
    tree.setModel(&o.model);
    QuietDelegate quiet;
    ext::setDelegate(&tree, &quiet);
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_EQ(tree.keysSeen, 1) << "passed on to the item view's handling";
    // an outline that is its own delegate stops the delete keys
    ext::setDelegate(&tree, &tree);
    QTest::keyClick(&tree, Qt::Key_Backspace);
    EXPECT_EQ(tree.keysSeen, 1);
    QTest::keyClick(&tree, Qt::Key_Down);
    EXPECT_EQ(tree.keysSeen, 2) << "other keys still reach the view";
}

TEST(OutlineViewKeys, RightArrowExpandsTheSingleSelectedGroup)
{
    Outline o;
    o.select({QStringLiteral("A")});
    QTest::keyClick(&o.view, Qt::Key_Right);
    EXPECT_TRUE(o.view.isExpanded(o.at(QStringLiteral("A"))));
    // again: nothing more, the selection stays (no move into the children)
    QTest::keyClick(&o.view, Qt::Key_Right);
    EXPECT_EQ(o.selectedNames(), (QStringList{"A"}));
    // on a leaf nothing happens
    o.select({QStringLiteral("C")});
    QTest::keyClick(&o.view, Qt::Key_Right);
    EXPECT_EQ(o.selectedNames(), (QStringList{"C"}));
}

TEST(OutlineViewKeys, LeftArrowCollapsesOnlyAnExpandedGroupAndNeverMovesUp)
{
    Outline o;
    o.view.expand(o.at(QStringLiteral("A")));
    o.select({QStringLiteral("A")});
    QTest::keyClick(&o.view, Qt::Key_Left);
    EXPECT_FALSE(o.view.isExpanded(o.at(QStringLiteral("A"))));
    // a collapsed group: nothing
    QTest::keyClick(&o.view, Qt::Key_Left);
    EXPECT_EQ(o.selectedNames(), (QStringList{"A"}));
    // a child: the selection does not move to the parent
    o.view.expand(o.at(QStringLiteral("A")));
    o.select({QStringLiteral("A2")});
    o.view.selectionModel()->setCurrentIndex(o.at(QStringLiteral("A2")), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&o.view, Qt::Key_Left);
    EXPECT_EQ(o.selectedNames(), (QStringList{"A2"}));
    EXPECT_TRUE(o.view.isExpanded(o.at(QStringLiteral("A"))));
}

TEST(OutlineViewKeys, ArrowsDoNothingWithTwoRowsSelected)
{
    Outline o;
    o.select({QStringLiteral("A"), QStringLiteral("B")});
    QTest::keyClick(&o.view, Qt::Key_Right);
    EXPECT_FALSE(o.view.isExpanded(o.at(QStringLiteral("A"))));
    EXPECT_FALSE(o.view.isExpanded(o.at(QStringLiteral("B"))));
    o.view.expandAll();
    QTest::keyClick(&o.view, Qt::Key_Left);
    EXPECT_TRUE(o.view.isExpanded(o.at(QStringLiteral("A"))));
    EXPECT_EQ(o.selectedNames(), (QStringList{"A", "B"}));
}

TEST(OutlineViewKeys, OtherKeysBehaveAsInAPlainItemView)
{
    Outline o;
    o.select({QStringLiteral("A")});
    o.view.selectionModel()->setCurrentIndex(o.at(QStringLiteral("A")), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&o.view, Qt::Key_Down);
    EXPECT_EQ(o.view.currentIndex(), o.at(QStringLiteral("B")));
    // typing selects by keyboard search
    QTest::keyClick(&o.view, Qt::Key_C);
    EXPECT_EQ(o.view.currentIndex(), o.at(QStringLiteral("C")));
    // "+" and "*" do not expand as a tree would
    o.view.setCurrentIndex(o.at(QStringLiteral("B")));
    QTest::keyClick(&o.view, Qt::Key_Plus);
    QTest::keyClick(&o.view, Qt::Key_Asterisk);
    EXPECT_FALSE(o.view.isExpanded(o.at(QStringLiteral("B"))));
    EXPECT_TRUE(o.view.itemsExpandable()) << "the setting is restored";
    // "-" does not collapse
    o.view.expand(o.at(QStringLiteral("B")));
    QTest::keyClick(&o.view, Qt::Key_Minus);
    EXPECT_TRUE(o.view.isExpanded(o.at(QStringLiteral("B"))));
}

// ---- End of editing ----

TEST(OutlineViewEditing, ReturnEndsEditingInPlaceAndKeepsTheFocus)
{
    Outline o;
    const QModelIndex a = o.at(QStringLiteral("A"));
    o.select({QStringLiteral("A")});
    o.view.setCurrentIndex(a);
    o.view.edit(a);
    auto *editor = o.view.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Renamed"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(o.model.item(0, 0)->text(), QStringLiteral("Renamed"));
    EXPECT_EQ(o.view.currentIndex(), o.model.index(0, 0));
    EXPECT_TRUE(QTest::qWaitFor([&o]() { return o.view.hasFocus(); }));
    EXPECT_FALSE(o.view.isEditing()) << "no editor opens on the next row";
    EXPECT_TRUE(QTest::qWaitFor([&o]() { return o.view.viewport()->findChildren<QLineEdit *>().isEmpty(); }));
}

TEST(OutlineViewEditing, TabIsPassedOnAndMovesToTheNextCell)
{
    Outline o;
    const QModelIndex a = o.at(QStringLiteral("A"));
    o.view.setCurrentIndex(a);
    o.view.edit(a);
    auto *editor = o.view.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(o.view.currentIndex(), o.at(QStringLiteral("B"))) << "editing moves on as the item view does";
    EXPECT_TRUE(o.view.isEditing());
}

// ---- Drag ends ----

TEST(OutlineViewDrag, DragExitAndConcludeReachTheDelegateAfterTheView)
{
    Outline o;
    o.view.setDragDropMode(QAbstractItemView::DropOnly);
    o.view.setAcceptDrops(true);
    QMimeData data;
    data.setText(QStringLiteral("dropped text"));
    const QPoint pos = o.centreOf(QStringLiteral("B"));

    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(o.view.viewport(), &enter);
    QDragLeaveEvent leave;
    QApplication::sendEvent(o.view.viewport(), &leave);
    EXPECT_EQ(o.delegate.exits, 1);

    QApplication::sendEvent(o.view.viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(o.view.viewport(), &move);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(o.view.viewport(), &drop);
    EXPECT_EQ(o.model.dropped, QStringLiteral("dropped text")) << "the view handled the drop first";
    EXPECT_EQ(o.delegate.concludes, 1);
    EXPECT_EQ(o.delegate.exits, 1);
}

TEST(OutlineViewDrag, RefusedDropsConcludeNothing)
{
    Outline o;
    o.view.setDragDropMode(QAbstractItemView::DropOnly);
    QMimeData data;
    data.setData(QStringLiteral("application/x-other"), "x");
    const QPoint pos = o.centreOf(QStringLiteral("B"));
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(o.view.viewport(), &drop);
    EXPECT_EQ(o.delegate.concludes, 0);
}

// An outline class that looks at keys and menus first and leaves the rest to the outline.
class SourceListTree : public QTreeView
{
public:
    QMenu ownMenu;
    int ownKeys = 0;
    QMenu *shown = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Space) {
            ++ownKeys;
            return;
        }
        if (!NTXOutlineViewExtension::keyDown(this, event))
            QTreeView::keyPressEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        shown = indexAt(event->pos()).row() == 0 ? &ownMenu : NTXOutlineViewExtension::menuForEvent(this, event->pos());
    }
};

TEST(OutlineViewExtension, ViewsThatHandleEventsThemselvesComeFirst)
{
    Outline o(false);
    SourceListTree tree;
    tree.setModel(&o.model);
    tree.resize(300, 200);
    ext::setDelegate(&tree, &o.delegate);
    ext::setHandlesEventsItself(&tree, true);
    EXPECT_TRUE(ext::handlesEventsItself(&tree));
    QTest::keyClick(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.ownKeys, 1);
    // the rest goes through the outline rules: delete to the delegate, right arrow expands
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_EQ(o.delegate.deletes, 1);
    tree.selectionModel()->select(o.model.index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(&tree, Qt::Key_Right);
    EXPECT_TRUE(tree.isExpanded(o.model.index(1, 0)));
    // its own menu first, the delegate's for the other rows
    const QPoint firstPos = tree.visualRect(o.model.index(0, 0)).center();
    QContextMenuEvent first(QContextMenuEvent::Mouse, firstPos, tree.viewport()->mapToGlobal(firstPos));
    QApplication::sendEvent(tree.viewport(), &first);
    EXPECT_EQ(tree.shown, &tree.ownMenu);
    const QPoint secondPos = tree.visualRect(o.model.index(1, 0)).center();
    QContextMenuEvent second(QContextMenuEvent::Mouse, secondPos, tree.viewport()->mapToGlobal(secondPos));
    QApplication::sendEvent(tree.viewport(), &second);
    EXPECT_EQ(tree.shown, &o.delegate.menu);
    EXPECT_EQ(o.delegate.item.toString(), QStringLiteral("B"));
}

TEST(OutlineViewExtension, InstallIsOnce)
{
    ext::install();
    ext::install();
    EXPECT_TRUE(ext::isInstalled());
    QTreeView a;
    EXPECT_EQ(ext::delegate(&a), nullptr);
    EXPECT_EQ(ext::delegate(nullptr), nullptr);
    ext::setDelegate(nullptr, nullptr);
    {
        OutlineDelegate gone;
        ext::setDelegate(&a, &gone);
        EXPECT_EQ(ext::delegate(&a), &gone);
    }
    EXPECT_EQ(ext::delegate(&a), nullptr) << "the delegate is held weakly";
}

#include "TestOutlineViewExtension.moc"
