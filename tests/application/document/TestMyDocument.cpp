// The document window's state, totals, menus and actions.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentToolbar.h"
#include "application/document/DocumentTotals.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/TimeEntrySheets.h"
#include "application/document/OutlineDataSource.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "application/base/ApplicationImages.h"
#include "platform/foundation/ArrayController.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/StandardMenus.h"
#include "platform/drawing/CellItemDelegate.h"
#include "application/document/DocumentWindow.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "tests/support/MouseButtonsCheck.h"

#include <QAction>
#include <QToolBar>
#include <QTreeView>
#include <QStyleOptionViewItem>
#include <QMessageBox>
#include <QMenu>
#include <QDockWidget>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <algorithm>
#include <functional>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// A menu item of the given action, validated by the document.
bool validate(MyDocument *document, const QByteArray &action, QString *title = nullptr)
{
    QAction item;
    platform::MenuItemValidation::setAction(&item, action);
    const bool enabled = document->validateMenuItem(&item);
    if (title)
        *title = item.text();
    return enabled;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class MyDocumentTest : public MyDocumentFixture
{
};

TEST_F(MyDocumentTest, EmptyDocumentDisablesStartStopAndShowsZeroTotals)
{
    ProbeDocument *document = newDocument();
    ASSERT_NE(document, nullptr);
    ASSERT_NE(document->documentWindow(), nullptr);
    EXPECT_EQ(document->jobList()->type(), Node::Root);
    EXPECT_FALSE(document->documentWindow()->startStopButton()->isEnabled());
    QString title;
    EXPECT_FALSE(validate(document, "toggleTimer:", &title));
    EXPECT_EQ(title, text("LSMenuStartCounter"));
    EXPECT_FALSE(validate(document, "newTimeEntry:"));
    EXPECT_TRUE(validate(document, "newJobEntry:"));
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:00"));
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTurnover")), QLocale().toCurrencyString(0.0));
    EXPECT_EQ(document->documentWindow()->activedJob()->text(), QStringLiteral("-"));
    EXPECT_EQ(outline(document)->model()->rowCount(), 0);
}

TEST_F(MyDocumentTest, TotalsCountTheRootsChildrenOnce)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
    NodePtr inner = makeJob(QStringLiteral("Website"), 60.0f, {{9, 90}, {13, 45}}); // 2:15, 135.00
    group->addChild(inner);
    group->recalcTotalWorkTime();
    inner->recalcTotalWorkTime();
    NodePtr top = makeJob(QStringLiteral("Accounts"), 40.0f, {{8, 50}}); // 0:50, 33.33
    fill(document, {group, top});
    ASSERT_EQ(group->hours(), 2);
    ASSERT_EQ(group->minutes(), 15);
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("3:05"));
    const float sum = group->turnover() + top->turnover();
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTurnover")), QLocale().toCurrencyString(double(sum)));
    EXPECT_TRUE(document->documentWindow()->startStopButton()->isEnabled());
    EXPECT_TRUE(validate(document, "toggleTimer:"));
    EXPECT_TRUE(validate(document, "newTimeEntry:"));
}

TEST_F(MyDocumentTest, MinutesCarryIntoHoursInTheTotals)
{
    ProbeDocument *document = newDocument();
    fill(document, {makeJob(QStringLiteral("A"), 0, {{8, 40}}), makeJob(QStringLiteral("B"), 0, {{8, 35}})});
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:15"));
}

TEST_F(MyDocumentTest, RunningCounterTitlesAndDisablesTheMenuItems)
{
    ProbeDocument *document = newDocument();
    const NodePtr job = makeJob(QStringLiteral("A"), 10, {{8, 30}});
    fill(document, {job});
    select(document, {job});
    document->setTimerRunning(true);
    QString title;
    EXPECT_TRUE(validate(document, "toggleTimer:", &title));
    EXPECT_EQ(title, text("LSMenuStopCounter"));
    EXPECT_FALSE(validate(document, "newTimeEntry:"));
    EXPECT_FALSE(validate(document, "newJobEntry:"));
    EXPECT_TRUE(validate(document, "deleteEntry:"));
    document->setTimerRunning(false);
    EXPECT_TRUE(validate(document, "toggleTimer:", &title));
    EXPECT_EQ(title, text("LSMenuStartCounter"));
}

TEST_F(MyDocumentTest, ActivateSelectedJobNeedsASelectedJob)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("A"), 10, {{8, 30}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    fill(document, {job, group});
    EXPECT_FALSE(validate(document, "activedSelectedJob:"));
    select(document, {group});
    EXPECT_FALSE(validate(document, "activedSelectedJob:"));
    select(document, {job->childAtIndex(0)});
    EXPECT_FALSE(validate(document, "activedSelectedJob:"));
    select(document, {job});
    EXPECT_TRUE(validate(document, "activedSelectedJob:"));
}

TEST_F(MyDocumentTest, ActivatingTheJobOfASelectedDayIsOneUndoableStep)
{
    ProbeDocument *document = newDocument();
    NodePtr first = makeJob(QStringLiteral("First"), 10, {{8, 30}});
    NodePtr second = makeJob(QStringLiteral("Second"), 10, {{9, 30}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    group->addChild(second);
    fill(document, {first, group});
    document->setActiveJob(first);
    EXPECT_EQ(document->documentWindow()->activedJob()->text(), text("LSactiveJob") + QStringLiteral(": First"));

    select(document, {second->childAtIndex(0)});
    document->activedSelectedJob(nullptr);
    EXPECT_TRUE(second->active());
    EXPECT_FALSE(first->active());
    EXPECT_EQ(document->getActiveJob(), second);
    EXPECT_EQ(document->documentWindow()->activedJob()->text(), text("LSactiveJob") + QStringLiteral(": G/Second"));
    // The active job's row is bold.
    EXPECT_TRUE(indexOf(document, second).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(indexOf(document, first).data(Qt::FontRole).value<QFont>().bold());

    platform::UndoManager *undo = document->undoManager();
    EXPECT_TRUE(QTest::qWaitFor([undo] { return undo->canUndo() && undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDActiveJob"));
    undo->undo();
    EXPECT_TRUE(first->active());
    EXPECT_FALSE(second->active());
    EXPECT_EQ(undo->redoActionName(), text("LSUDActiveJob"));
    undo->redo();
    EXPECT_TRUE(second->active());
    EXPECT_EQ(undo->undoActionName(), text("LSUDActiveJob"));
}

TEST_F(MyDocumentTest, ActivatingRemembersTheFileAsLastEdited)
{
    const QString file = path(QStringLiteral("remember.chronark"));
    {
        ProbeDocument *document = newDocument();
        fill(document, {makeJob(QStringLiteral("A"), 1, {{8, 30}})});
        ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
        select(document, {document->jobList()->childAtIndex(0)});
        document->activedSelectedJob(nullptr);
    }
    EXPECT_EQ(defaults->stringForKey(QStringLiteral("LestEditedFileName")), QFileInfo(file).absoluteFilePath());
}

TEST_F(MyDocumentTest, SelectionTotalsCountAJobAndItsEntryOnce)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("A"), 30, {{8, 45}, {10, 30}}); // 1:15
    NodePtr other = makeJob(QStringLiteral("B"), 30, {{8, 20}});
    fill(document, {job, other});
    EXPECT_TRUE(document->totals().selectedNodeWorkTime().isNull());
    EXPECT_TRUE(document->totals().selectedNodeWage().isNull());
    EXPECT_FALSE(document->property("inspectedObjectsNotEmpty").toBool());

    const NodePtr entry = job->childAtIndex(0)->childAtIndex(1);
    select(document, {job, entry});
    EXPECT_EQ(document->totals().selectedNodeWorkTime(), QStringLiteral("1:15"));
    EXPECT_EQ(document->totals().selectedNodeWage(), QLocale().toCurrencyString(double(job->turnover())));
    EXPECT_TRUE(document->property("inspectedObjectsNotEmpty").toBool());
    EXPECT_EQ(document->inspectedObjectsController()->contentArray().size(), 2);
    EXPECT_EQ(document->inspectedObjectsController()->selectedObjects().size(), 2);

    select(document, {entry, other});
    EXPECT_EQ(document->totals().selectedNodeWorkTime(), QStringLiteral("0:50"));

    select(document, {});
    EXPECT_TRUE(document->totals().selectedNodeWorkTime().isNull());
    EXPECT_FALSE(document->property("inspectedObjectsNotEmpty").toBool());
    EXPECT_TRUE(document->inspectedObjectsController()->contentArray().isEmpty());
}

// The selection's totals, kept between updates, stay those of the rows selected and
// shown at every step of a seeded run of selections (Select All among them), rows
// closed and opened, deletions, undos and times changed in place. The turnovers (of
// the selection and of the totals row) keep their cents at wages of a million an hour.
TEST_F(MyDocumentTest, SelectionTotalsFollowEverySelectionOpeningAndEdit)
{
    ProbeDocument *document = newDocument();
    QList<NodePtr> jobs;
    for (int j = 0; j < 4; ++j)
        jobs << makeJob(QStringLiteral("Job %1").arg(j), 1000003.0f + 7919.0f * float(j), {{8, 10 + j}, {9, 25}, {11, 5 * j}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("Group"));
    group->addChild(makeJob(QStringLiteral("Inner"), 2000017.0f, {{13, 40}}));
    group->recalcWorkTimeForTree();
    jobs << group;
    fill(document, jobs);
    QTreeView *view = outline(document);
    view->expandAll();
    platform::UndoManager *undo = document->undoManager();

    const auto allNodes = [&] {
        QList<NodePtr> nodes;
        QList<NodePtr> open = document->jobList()->children();
        while (!open.isEmpty()) {
            const NodePtr node = open.takeFirst();
            nodes << node;
            open << node->children();
        }
        return nodes;
    };
    // Shown: every row above it open. Counted: selected and shown, with no counted row above it.
    const auto shownAndSelected = [&](const Node *node) {
        const QModelIndex index = document->outlineModel()->indexForNode(node);
        for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
            if (!view->isExpanded(above))
                return false;
        }
        // A row with a selected cell is selected.
        bool selected = false;
        for (int c = 0; index.isValid() && c < document->outlineModel()->columnCount(index.parent()) && !selected; ++c)
            selected = view->selectionModel()->isSelected(index.siblingAtColumn(c));
        return selected;
    };
    const auto expectedTime = [&]() -> QString {
        int minutes = 0;
        bool any = false;
        for (const NodePtr &node : allNodes()) {
            if (!shownAndSelected(node.get()))
                continue;
            any = true;
            bool under = false;
            for (Node *above = node->parent(); above; above = above->parent())
                under = under || shownAndSelected(above);
            if (!under)
                minutes += node->hours() * 60 + node->minutes();
        }
        return any ? QString::asprintf("%d:%02d", minutes / 60, minutes % 60) : QString();
    };
    // A node's turnover times 60 (the wages are whole): a group's is its children's, a
    // day's its minutes at its job's wage, a job's or time entry's its minutes at its own.
    const std::function<qint64(const Node &)> wageMinutes = [&](const Node &node) -> qint64 {
        if (node.type() == Node::Group || node.type() == Node::Root) {
            qint64 sum = 0;
            for (const NodePtr &child : node.children())
                sum += wageMinutes(*child);
            return sum;
        }
        const Node *wageOf = node.type() == Node::Day && node.parent() ? node.parent() : &node;
        return (qint64(node.hours()) * 60 + node.minutes()) * qint64(wageOf->wage());
    };
    const auto expectedTurnover = [&]() -> QString {
        qint64 sum = 0;
        bool any = false;
        for (const NodePtr &node : allNodes()) {
            if (!shownAndSelected(node.get()))
                continue;
            any = true;
            bool under = false;
            for (Node *above = node->parent(); above; above = above->parent())
                under = under || shownAndSelected(above);
            if (!under)
                sum += wageMinutes(*node);
        }
        return any ? QLocale().toCurrencyString(double(sum) / 60.0) : QString();
    };

    const quint32 seed = 20261209;
    QRandomGenerator random(seed);
    for (int step = 0; step < 300; ++step) {
        const QList<NodePtr> nodes = allNodes();
        const int operation = int(random.bounded(9));
        SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step << " operation " << operation);
        if (operation == 0 && !nodes.isEmpty()) {
            QList<NodePtr> chosen;
            for (const NodePtr &node : nodes) {
                if (random.bounded(4) == 0)
                    chosen << node;
            }
            select(document, chosen);
        } else if (operation == 1) {
            view->selectAll();
        } else if (operation == 2 && !nodes.isEmpty()) {
            const NodePtr node = nodes.at(random.bounded(int(nodes.size())));
            const QModelIndex index = document->outlineModel()->indexForNode(node.get());
            view->setExpanded(index, !view->isExpanded(index));
        } else if (operation == 3 && nodes.size() > 3) {
            const NodePtr node = nodes.at(random.bounded(int(nodes.size())));
            document->edits().deleteNode(node, Node::shared(node->parent()));
        } else if (operation == 4 && undo->canUndo()) {
            undo->undo();
        } else if (operation == 5) {
            for (const NodePtr &node : nodes) {
                if (node->type() == Node::TimeEntry && random.bounded(3) == 0) {
                    node->setlDate(node->lDate().addSecs(60 * int(random.bounded(30))));
                    node->refreshWorkTime();
                }
            }
            document->jobList()->recalcWorkTimeForTree();
        } else if (operation == 6 && !nodes.isEmpty()) {
            // A row comes in (unselected) beside or inside the selection.
            const NodePtr place = nodes.at(random.bounded(int(nodes.size())));
            const NodePtr parent = place->type() == Node::TimeEntry ? Node::shared(place->parent()) : place;
            const QString name = QStringLiteral("Added %1").arg(step);
            NodePtr added = parent->type() == Node::Day   ? makeNode(Node::TimeEntry, name)
                            : parent->type() == Node::Job ? makeNode(Node::Day, name)
                                                          : makeJob(name, 7.0f, {{10, 20}});
            document->edits().addNode(added, parent, random.bounded(int(parent->childrenCount()) + 1));
        } else if (operation == 7 && !nodes.isEmpty()) {
            // Cells of a few rows, added to the selection or taken out of it.
            const QModelIndex at = document->outlineModel()->indexForNode(nodes.at(random.bounded(int(nodes.size()))).get());
            const int columns = document->outlineModel()->columnCount(at.parent());
            const int left = int(random.bounded(columns));
            const int bottom = std::min(document->outlineModel()->rowCount(at.parent()) - 1, at.row() + int(random.bounded(3)));
            const int right = left + int(random.bounded(columns - left));
            const QItemSelection cells(at.siblingAtColumn(left), document->outlineModel()->index(bottom, right, at.parent()));
            view->selectionModel()->select(cells, random.bounded(3) == 0 ? QItemSelectionModel::Deselect : QItemSelectionModel::Select);
        } else {
            select(document, {});
        }
        document->totals().updateTotalTime();
        // The selected nodes the window keeps are those of the rows selected and shown,
        // in the order the outline shows them (a walk down the tree), and the helpers'
        // items are the same.
        QList<NodePtr> shownSelected;
        const std::function<void(const NodePtr &)> walkShown = [&](const NodePtr &node) {
            for (const NodePtr &child : node->children()) {
                if (shownAndSelected(child.get()))
                    shownSelected << child;
                walkShown(child);
            }
        };
        walkShown(document->jobList());
        ASSERT_EQ(document->windowController().selectedNodes(), shownSelected);
        QList<NodePtr> items;
        for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(view))
            items << item.value<NodePtr>();
        ASSERT_EQ(items, shownSelected);
        ASSERT_EQ(document->totals().selectedNodeWorkTime(), expectedTime());
        ASSERT_EQ(document->totals().selectedNodeWage(), expectedTurnover());
        ASSERT_EQ(totalText(document, QStringLiteral("outlineTurnover")),
                  QLocale().toCurrencyString(double(wageMinutes(*document->jobList())) / 60.0));
    }
}

TEST_F(MyDocumentTest, DoubleClickOpensTheSheetOfTheRowsKindOnly)
{
    ProbeDocument *document = newDocument(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));
    NodePtr job = makeJob(QStringLiteral("A"), 30, {{8, 45}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    fill(document, {job, group});
    const NodePtr day = job->childAtIndex(0);
    const NodePtr entry = day->childAtIndex(0);
    outline(document)->expandAll();

    auto doubleClick = [&](const NodePtr &node) {
        document->calls.clear();
        QTreeView *view = outline(document);
        const QModelIndex index = document->outlineModel()->indexForNode(
            node.get(), document->outlineModel()->columnForIdentifier(QStringLiteral("outlineTime")));
        const QRect rect = view->visualRect(index);
        EXPECT_TRUE(rect.isValid());
        // A real double click: the first click, then the second one as a double click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        testsupport::doubleClick(view->viewport(), rect.center());
        return document->calls;
    };
    EXPECT_EQ(doubleClick(job), QStringList{QStringLiteral("job 1")});
    EXPECT_EQ(doubleClick(group), QStringList{QStringLiteral("group 1")});
    EXPECT_EQ(doubleClick(entry), QStringList{QStringLiteral("time")});
    EXPECT_EQ(doubleClick(day), QStringList());
    EXPECT_TRUE(outline(document)->isExpanded(indexOf(document, day))) << "a double click never collapses";

    document->setTimerRunning(true);
    EXPECT_EQ(doubleClick(job), QStringList());
    EXPECT_EQ(doubleClick(entry), QStringList());
    document->setTimerRunning(false);

    // Below the last row nothing is clicked.
    document->calls.clear();
    QTreeView *view = outline(document);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, view->viewport()->height() - 3));
    testsupport::doubleClick(view->viewport(), QPoint(20, view->viewport()->height() - 3));
    EXPECT_TRUE(document->calls.isEmpty());
}

// F2 (rename) and Return (open) act on the selected row as a double click on it
// does: the sheet of the row's kind, nothing for a day or while counting, nothing
// without a selection or with a modifier held.
TEST_F(MyDocumentTest, F2AndReturnOpenTheSheetOfTheSelectedRow)
{
    ProbeDocument *document = newDocument(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));
    NodePtr job = makeJob(QStringLiteral("A"), 30, {{8, 45}});
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    fill(document, {job, group});
    const NodePtr day = job->childAtIndex(0);
    const NodePtr entry = day->childAtIndex(0);
    QTreeView *view = outline(document);
    view->expandAll();
    view->setFocus();

    auto press = [&](const NodePtr &node, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        document->calls.clear();
        if (node)
            select(document, {node});
        else
            view->selectionModel()->clearSelection();
        QTest::keyClick(view, key, modifiers);
        return document->calls;
    };
    for (Qt::Key key : {Qt::Key_F2, Qt::Key_Return, Qt::Key_Enter}) {
        EXPECT_EQ(press(job, key), QStringList{QStringLiteral("job 1")}) << key;
        EXPECT_EQ(press(group, key), QStringList{QStringLiteral("group 1")}) << key;
        EXPECT_EQ(press(entry, key), QStringList{QStringLiteral("time")}) << key;
        EXPECT_EQ(press(day, key), QStringList()) << key;
        EXPECT_EQ(press(nullptr, key), QStringList()) << key;
    }
    EXPECT_EQ(press(job, Qt::Key_Enter, Qt::KeypadModifier), QStringList{QStringLiteral("job 1")});
    EXPECT_EQ(press(job, Qt::Key_Return, Qt::ControlModifier), QStringList());
    EXPECT_TRUE(view->isExpanded(indexOf(document, day))) << "Return never collapses";

    // The selected row counts, not the row clicked last.
    const QRect groupRow = view->visualRect(indexOf(document, group));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, groupRow.center());
    EXPECT_EQ(press(entry, Qt::Key_F2), QStringList{QStringLiteral("time")});

    document->setTimerRunning(true);
    EXPECT_EQ(press(job, Qt::Key_F2), QStringList());
    EXPECT_EQ(press(group, Qt::Key_Return), QStringList());
    document->setTimerRunning(false);
}

// Edit > Delete is enabled exactly when the Delete key would delete: the outline has
// the focus and a selected row, and no counter runs; it then asks, as the key does.
TEST_F(MyDocumentTest, EditDeleteIsValidatedAsTheDeleteKey)
{
    ProbeDocument *document = newDocument(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
    NodePtr a = makeJob(QStringLiteral("A"), 1, {{8, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 1, {});
    fill(document, {a, b});
    QTreeView *view = outline(document);
    view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->hasFocus(); }));
    QAction *item = document->documentWindow()->standardMenus()->deleteItem();
    QMenu *edit = document->documentWindow()->standardMenus()->editMenu();
    auto enabled = [&] {
        Q_EMIT edit->aboutToShow();
        return item->isEnabled();
    };
    view->selectionModel()->clearSelection();
    EXPECT_FALSE(enabled()) << "nothing selected";
    select(document, {a});
    EXPECT_TRUE(enabled());
    document->setTimerRunning(true);
    EXPECT_FALSE(enabled()) << "counting";
    document->setTimerRunning(false);
    EXPECT_TRUE(enabled());
    // Another widget has the focus: the item is not the outline's.
    document->documentWindow()->startStopButton()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->documentWindow()->startStopButton()->hasFocus(); }));
    EXPECT_FALSE(enabled());

    view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->hasFocus(); }));
    ASSERT_TRUE(enabled());
    item->trigger();
    QMessageBox *box = waitForMessageBox(document->documentWindow());
    ASSERT_NE(box, nullptr);
    clickButton(box, text("LSyes"));
    EXPECT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_EQ(document->jobList()->childAtIndex(0), b);
}

// A name holding line breaks shows on one line where there is room for one: its row
// in the outline and the active-job line above it.
TEST_F(MyDocumentTest, LineBreaksInNamesShowAsBlanksInRowsAndLabels)
{
    ProbeDocument *document = newDocument(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));
    NodePtr plain = makeJob(QStringLiteral("Plain"), 1, {});
    NodePtr broken = makeJob(QStringLiteral("Two\nlines\r\nthree"), 1, {});
    NodePtr group = makeNode(Node::Group, QStringLiteral("Clients\u2028East"));
    group->addChild(broken);
    fill(document, {plain, group});
    QLabel *label = document->documentWindow()->activedJob();
    document->setActiveJob(plain);
    const int oneLine = label->sizeHint().height();
    document->setActiveJob(broken);
    EXPECT_EQ(label->text(), text("LSactiveJob") + QStringLiteral(": Clients East/Two lines three"));
    EXPECT_EQ(label->sizeHint().height(), oneLine);
    EXPECT_EQ(broken->itemName(), QStringLiteral("Two\nlines\r\nthree")) << "the name itself keeps its breaks";

    QTreeView *view = outline(document);
    view->expandAll();
    const int name = document->outlineModel()->columnForIdentifier(QStringLiteral("outlineName"));
    const QModelIndex row = indexOf(document, broken).siblingAtColumn(name);
    EXPECT_EQ(row.data(Qt::DisplayRole).toString(), QStringLiteral("Two lines three"));
    auto *cells = qobject_cast<platform::CellItemDelegate *>(view->itemDelegate());
    ASSERT_NE(cells, nullptr);
    QStyleOptionViewItem option;
    option.initFrom(view);
    const std::unique_ptr<platform::Cell> cell = cells->preparedCell(option, row);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->stringValue(), QStringLiteral("Two lines three"));
    EXPECT_EQ(view->visualRect(row).height(), view->visualRect(indexOf(document, plain).siblingAtColumn(name)).height());
}

TEST_F(MyDocumentTest, ApplicationIconShowsRunningCounters)
{
    ProbeDocument *document = newDocument();
    const QImage idle = iconImage(ApplicationImages::iconNamed(QStringLiteral("application.icns")));
    const QImage running = iconImage(ApplicationImages::iconNamed(QStringLiteral("application_plus.icns")));
    ASSERT_FALSE(idle.isNull());
    ASSERT_NE(idle, running);
    document->updateUI();
    EXPECT_EQ(iconImage(QGuiApplication::windowIcon()), idle);
    services->runningCounters = 1;
    document->updateUI();
    EXPECT_EQ(iconImage(QGuiApplication::windowIcon()), running);
    services->runningCounters = 0;
    document->updateUI();
    EXPECT_EQ(iconImage(QGuiApplication::windowIcon()), idle);
}

TEST_F(MyDocumentTest, MenusAreRebuiltAtLoadAndAfterDeleting)
{
    int rebuilds = 0;
    services->menuRebuilder = [&rebuilds] { ++rebuilds; };
    ProbeDocument *document = newDocument(true);
    EXPECT_EQ(rebuilds, 1);
    NodePtr job = makeJob(QStringLiteral("A"), 10, {{8, 30}});
    fill(document, {job});
    select(document, {job});
    document->deleteEntry(nullptr);
    clickButton(waitForMessageBox(document->mainWindow()), text("LSyes"));
    EXPECT_EQ(rebuilds, 2);
}

TEST_F(MyDocumentTest, DeleteAsksFirstAndNoKeepsEverything)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Website"), 10, {{8, 30}});
    fill(document, {job});
    select(document, {job});
    document->deleteEntry(nullptr);
    QMessageBox *box = waitForMessageBox(document->mainWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), text("LSAdeleteTitle"));
    EXPECT_EQ(box->informativeText(), text("LSAdeleteEntry").replace(QStringLiteral("%@"), QStringLiteral("\u2068Website\u2069")));
    EXPECT_EQ(box->defaultButton()->text(), text("LSyes"));
    clickButton(box, text("LSno"));
    drainEvents();
    EXPECT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(MyDocumentTest, DeletingEntriesRecomputesTheirJobAndUndoesAsOneNamedStep)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("A"), 60, {{8, 30}, {9, 45}, {11, 15}}); // 1:30
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    group->addChild(job);
    group->recalcTotalWorkTime();
    fill(document, {group});
    ASSERT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:30"));
    const NodePtr day = job->childAtIndex(0);
    const NodePtr first = day->childAtIndex(0);
    const NodePtr third = day->childAtIndex(2);

    select(document, {first, third});
    document->deleteEntry(nullptr);
    QMessageBox *box = waitForMessageBox(document->mainWindow());
    ASSERT_NE(box, nullptr);
    // Two nodes go: the question counts them.
    EXPECT_EQ(box->informativeText(),
              QStringLiteral("Do you really want to delete these 2 items with everything they contain?"));
    clickButton(box, text("LSyes"));
    ASSERT_EQ(day->childrenCount(), 1);
    EXPECT_EQ(day->minutes(), 45);
    EXPECT_EQ(job->minutes(), 45);
    EXPECT_EQ(group->minutes(), 45);
    EXPECT_FLOAT_EQ(job->turnover(), 45.0f);
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:45"));
    for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline(document))) {
        EXPECT_NE(item.value<NodePtr>(), first);
        EXPECT_NE(item.value<NodePtr>(), third);
    }

    platform::UndoManager *undo = document->undoManager();
    EXPECT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDdeleteEntry"));
    undo->undo();
    ASSERT_EQ(day->childrenCount(), 3);
    EXPECT_EQ(day->childAtIndex(0), first);
    EXPECT_EQ(day->childAtIndex(2), third);
    EXPECT_EQ(job->hours(), 1);
    EXPECT_EQ(job->minutes(), 30);
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:30"));
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(undo->redoActionName(), text("LSUDdeleteEntry"));
    undo->redo();
    EXPECT_EQ(day->childrenCount(), 1);
    EXPECT_EQ(undo->undoActionName(), text("LSUDdeleteEntry"));
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:45"));
}

TEST_F(MyDocumentTest, DeletingAJobWithItsOwnEntryDeletesTheJobOnce)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("A"), 60, {{8, 30}});
    NodePtr other = makeJob(QStringLiteral("B"), 60, {{8, 10}});
    fill(document, {job, other});
    select(document, {job, job->childAtIndex(0)->childAtIndex(0)});
    document->deleteEntry(nullptr);
    clickButton(waitForMessageBox(document->mainWindow()), text("LSyes"));
    ASSERT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_EQ(document->jobList()->childAtIndex(0), other);
    EXPECT_EQ(job->childAtIndex(0)->childrenCount(), 1) << "the entry went with its job";
    document->undoManager()->undo();
    EXPECT_EQ(document->jobList()->childAtIndex(0), job);
}

// Delete Entry… is offered exactly while rows are selected; without one it asks
// nothing.
TEST_F(MyDocumentTest, DeleteWithoutSelectionDoesNothing)
{
    ProbeDocument *document = newDocument(true);
    const NodePtr job = makeJob(QStringLiteral("A"), 60, {{8, 30}});
    fill(document, {job});
    drainEvents();
    outline(document)->selectionModel()->clearSelection();
    EXPECT_FALSE(validate(document, "deleteEntry:"));
    document->deleteEntry(nullptr);
    drainEvents();
    EXPECT_TRUE(document->mainWindow()->findChildren<QMessageBox *>().isEmpty());
    select(document, {job->childAtIndex(0)});
    EXPECT_TRUE(validate(document, "deleteEntry:"));
}

TEST_F(MyDocumentTest, ColorLabelsFromMenuAndPickerUndoAsOneNamedStep)
{
    ProbeDocument *document = newDocument(true);
    NodePtr a = makeJob(QStringLiteral("A"), 1, {{8, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 1, {{9, 30}});
    b->setColorLabel(5);
    fill(document, {a, b});
    select(document, {a, b});

    QAction red;
    platform::MenuItemValidation::setAction(&red, "colorLabelAction:");
    platform::MenuItemValidation::setTag(&red, 1);
    document->colorLabelAction(&red);
    EXPECT_EQ(a->colorLabel(), 1);
    EXPECT_EQ(b->colorLabel(), 1);
    EXPECT_TRUE(document->isDocumentEdited());
    // The labelled rows stay selected and inspected, and the inspector's picker shows
    // their label, through undo and redo too.
    EXPECT_EQ(NTXOutlineViewExtension::allSelectedItems(outline(document)).size(), 2);
    EXPECT_EQ(document->inspectedObjectsController()->contentArray().size(), 2);
    EXPECT_EQ(document->inspectedObjectsController()->selectionIndexes(), (QList<qsizetype>{0, 1}));
    NTXColorLabelWidget *shownLabel = document->documentWindow()->colorLabelControl();
    EXPECT_EQ(shownLabel->colorLabelType(), 1);

    platform::UndoManager *undo = document->undoManager();
    EXPECT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSSetColorLabel"));
    undo->undo();
    EXPECT_EQ(a->colorLabel(), 0);
    EXPECT_EQ(b->colorLabel(), 5);
    EXPECT_EQ(shownLabel->colorLabelType(), -1) << "two labels: no single value";
    EXPECT_FALSE(undo->canUndo()) << "one step, not one per node and per node's own registration";
    EXPECT_EQ(undo->redoActionName(), text("LSSetColorLabel"));
    undo->redo();
    EXPECT_EQ(a->colorLabel(), 1);
    EXPECT_EQ(b->colorLabel(), 1);
    EXPECT_EQ(shownLabel->colorLabelType(), 1);
    EXPECT_EQ(undo->undoActionName(), text("LSSetColorLabel"));

    // The picker of the window sends its value.
    NTXColorLabelWidget *picker = document->documentWindow()->colorLabelControl();
    picker->setColorLabelType(4);
    EXPECT_TRUE(picker->sendAction(picker->action(), picker->target()));
    EXPECT_EQ(a->colorLabel(), 4);
    EXPECT_EQ(b->colorLabel(), 4);

    // "No single value" names no label.
    picker->setColorLabelType(-1);
    document->colorLabelAction(picker);
    EXPECT_EQ(a->colorLabel(), 4);
}

TEST_F(MyDocumentTest, ToggleDrawerShowsAndHidesTheInspector)
{
    ProbeDocument *document = newDocument(true);
    QDockWidget *drawer = document->documentWindow()->windowDrawer();
    ASSERT_TRUE(drawer->isHidden());
    QString title;
    EXPECT_TRUE(validate(document, "toggleDrawer:", &title));
    EXPECT_EQ(title, text("LSMenuShowInspector"));
    QTest::mouseClick(document->documentWindow()->drawerStateButton(), Qt::LeftButton);
    EXPECT_FALSE(drawer->isHidden());
    validate(document, "toggleDrawer:", &title);
    EXPECT_EQ(title, text("LSMenuHideInspector"));
    document->toggleDrawer(nullptr);
    EXPECT_TRUE(drawer->isHidden());
}

TEST_F(MyDocumentTest, DocumentMenuItemsReachTheDocumentThroughTheResponderChain)
{
    ProbeDocument *document = newDocument(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
    NodePtr job = makeJob(QStringLiteral("A"), 1, {{8, 30}});
    fill(document, {job});
    select(document, {job});
    outline(document)->setFocus();
    QMenu *menu = document->documentWindow()->documentMenu();
    QAction *activate = nullptr;
    for (QAction *item : menu->actions()) {
        if (platform::MenuItemValidation::action(item) == "activedSelectedJob:")
            activate = item;
    }
    ASSERT_NE(activate, nullptr);
    EXPECT_TRUE(platform::MenuItemValidation::validateItem(activate));
    EXPECT_TRUE(platform::MenuItemValidation::sendItemAction(activate));
    EXPECT_TRUE(job->active());
}

TEST_F(MyDocumentTest, OutlineShowsColumnsImagesAndExecutedFlags)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("A"), 10, {{8, 30}});
    job->setExecuted(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr active = makeJob(QStringLiteral("Inner"), 10, {});
    group->addChild(active);
    fill(document, {job, group});
    document->setActiveJob(active);
    document->reloadOutline();
    DocumentOutlineModel *model = document->outlineModel();
    const int status = model->columnForIdentifier(QStringLiteral("outlineStatus"));
    const int name = model->columnForIdentifier(QStringLiteral("outlineName"));
    const int time = model->columnForIdentifier(QStringLiteral("outlineTime"));
    const int turnover = model->columnForIdentifier(QStringLiteral("outlineTurnover"));
    const QModelIndex row = indexOf(document, job);
    EXPECT_EQ(row.siblingAtColumn(name).data().toString(), QStringLiteral("A"));
    EXPECT_EQ(row.siblingAtColumn(time).data().toString(), job->workTimeAsString());
    EXPECT_EQ(row.siblingAtColumn(turnover).data().toString(), QLocale().toCurrencyString(5.0));
    EXPECT_TRUE(row.siblingAtColumn(status).data(Qt::EditRole).toBool());
    EXPECT_FALSE(row.siblingAtColumn(status).data(Qt::DisplayRole).isValid());
    EXPECT_TRUE(row.siblingAtColumn(status).flags() & Qt::ItemIsEditable) << "a job's done flag is edited in place";
    EXPECT_FALSE(row.siblingAtColumn(name).flags() & Qt::ItemIsEditable) << "names are edited in the sheets";

    auto image = [&](const NodePtr &node) {
        return iconImage(indexOf(document, node).siblingAtColumn(name).data(Qt::DecorationRole).value<QIcon>());
    };
    EXPECT_EQ(image(job), iconImage(document->outlineSource().jobImage()));
    EXPECT_EQ(image(group), iconImage(document->outlineSource().activeGroupImage()));
    EXPECT_EQ(image(active), iconImage(document->outlineSource().activeJobImage()));
    EXPECT_NE(iconImage(document->outlineSource().activeJobImage()), iconImage(document->outlineSource().jobImage()));
    EXPECT_EQ(image(job->childAtIndex(0)), iconImage(document->outlineSource().dayImage()));
    EXPECT_EQ(image(job->childAtIndex(0)->childAtIndex(0)), iconImage(document->outlineSource().timeImage()));

    QHeaderView *header = outline(document)->header();
    EXPECT_EQ(header->visualIndex(status), 0);
    EXPECT_EQ(outline(document)->treePosition(), name);
    EXPECT_EQ(model->headerData(turnover, Qt::Horizontal).toString(),
              text("LSturnover") + QLatin1Char(' ') + QLocale().currencySymbol());
}

TEST_F(MyDocumentTest, ReloadKeepsExpandedRowsAndSelectionOfNodesStillThere)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("A"), 10, {{8, 30}});
    NodePtr other = makeJob(QStringLiteral("B"), 10, {{9, 30}});
    fill(document, {job, other});
    outline(document)->expand(indexOf(document, job));
    select(document, {job->childAtIndex(0), other});
    document->jobList()->delChild(other);
    document->reloadOutline();
    EXPECT_TRUE(outline(document)->isExpanded(indexOf(document, job)));
    const QList<QVariant> selected = NTXOutlineViewExtension::allSelectedItems(outline(document));
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.constFirst().value<NodePtr>(), job->childAtIndex(0));
    EXPECT_FALSE(indexOf(document, other).isValid()) << "a removed node has no row, though it keeps its parent link";
}

// Closing or deleting a document tears its window down once: nothing of the window
// reaches the document after that, whatever is up (the inspector, a running
// counter, a sheet).
TEST_F(MyDocumentTest, TeardownWithInspectorCounterOrSheetLeavesNothingBehind)
{
    defaults->setBool(true, QStringLiteral("AllwaysMutely"));
    enum Up { Inspector, Counting, Sheet };
    for (const Up up : {Inspector, Counting, Sheet}) {
        for (const bool byClose : {true, false}) {
            SCOPED_TRACE(testing::Message() << "case " << int(up) << (byClose ? " close" : " delete"));
            ProbeDocument *document = newDocument(true);
            NodePtr job = makeJob(QStringLiteral("Work"), 10, {{9, 30}});
            fill(document, {job});
            document->setActiveJob(job);
            QPointer<QWidget> window = document->mainWindow();
            QPointer<QDockWidget> drawer = document->documentWindow()->windowDrawer();
            if (up == Inspector)
                document->toggleDrawer(nullptr);
            if (up == Counting)
                document->startTimerForJob(nullptr);
            if (up == Sheet)
                document->nameSheets().newGroupEntry(nullptr);
            QPointer<ProbeDocument> guard(document);
            if (byClose) {
                document->close();
                EXPECT_TRUE(window && window->isHidden());
                EXPECT_EQ(services->runningCounters, 0);
                // The hidden window's signals reach nothing of the document.
                if (drawer)
                    drawer->show();
                drainEvents();
            } else {
                delete document;
            }
            EXPECT_TRUE(guard.isNull());
            EXPECT_TRUE(window.isNull());
            EXPECT_EQ(services->runningCounters, 0);
        }
    }
}

// ---- Undo refreshes and teardown ----

// An undo or redo refreshes the window of its own document only: another open
// document's window is left as it is.
TEST_F(MyDocumentTest, OnlyTheDocumentsOwnUndoRefreshesItsWindow)
{
    ProbeDocument *first = newDocument();
    ProbeDocument *second = newDocument();
    ASSERT_NE(first->documentWindow(), nullptr);
    ASSERT_NE(second->documentWindow(), nullptr);
    platform::UndoManager *undo = first->undoManager();
    first->edits().addNode(makeJob(QStringLiteral("A"), 1, {}), first->jobList(), 0);
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    second->edits().addNode(makeJob(QStringLiteral("B"), 1, {}), second->jobList(), 0);
    ASSERT_TRUE(QTest::qWaitFor([second] { return second->undoManager()->groupingLevel() == 0; }));

    QPushButton *firstButton = first->documentWindow()->startStopButton();
    QPushButton *secondButton = second->documentWindow()->startStopButton();
    firstButton->setText(QStringLiteral("untouched"));
    secondButton->setText(QStringLiteral("untouched"));
    undo->undo(); // the first document is empty again
    drainEvents();
    EXPECT_EQ(firstButton->text(), text("LSstart2"));
    EXPECT_FALSE(firstButton->isEnabled());
    EXPECT_EQ(secondButton->text(), QStringLiteral("untouched"));

    firstButton->setText(QStringLiteral("untouched"));
    undo->redo();
    drainEvents();
    EXPECT_EQ(firstButton->text(), text("LSstart2"));
    EXPECT_TRUE(firstButton->isEnabled());
    EXPECT_EQ(secondButton->text(), QStringLiteral("untouched"));

    second->undoManager()->undo();
    drainEvents();
    EXPECT_EQ(secondButton->text(), text("LSstart2"));
    EXPECT_FALSE(secondButton->isEnabled());
}

// A document deleted in full swing (window up, a sheet showing, the inspector open
// and bound, a counter running) takes its collaborators down in the order its
// header writes, before what they refer to: the counter's destructor, which reaches
// into the document's services and tree, leaves the running count and the entry as
// they should be. Run under the sanitizers, any collaborator outliving the
// document's members shows up as a use after free.
TEST_F(MyDocumentTest, ADocumentDeletedWhileEverythingRunsTearsDownInOrder)
{
    QStringList sounds;
    services->soundPlayer = [&sounds](const QString &name) { sounds.append(name); };
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ProbeDocument *document = newDocument(true);
        NodePtr job = makeJob(QStringLiteral("Writing"), 60, {});
        fill(document, {job});
        document->setActiveJob(job);
        select(document, {job});
        document->startTimerForJob(nullptr);
        ASSERT_TRUE(document->timerIsRunning());
        const NodePtr entry = document->timerNode();
        ASSERT_TRUE(entry && entry->active());
        EXPECT_EQ(services->runningCounters, 1);
        if (round >= 1) {
            // The inspector open on the selected job.
            if (document->documentWindow()->windowDrawer()->isHidden())
                document->toggleDrawer(nullptr);
            ASSERT_FALSE(document->documentWindow()->windowDrawer()->isHidden());
            ASSERT_NE(document->textViewInspector(), nullptr);
            EXPECT_TRUE(document->property("inspectedObjectsNotEmpty").toBool());
        }
        if (round == 2)
            document->timeEntrySheets().newTimeEntry(nullptr); // a sheet on the window
        drainEvents();

        QPointer<QWidget> window = document->documentWindow();
        // The collaborators' order of going, as the header gives it.
        QList<std::pair<QObject *, QString>> collaborators;
        const auto add = [&collaborators](QObject *object, const char *name) {
            collaborators.append({object, QString::fromLatin1(name)});
        };
        add(&document->nameSheets(), "NodeNameSheets");
        add(&document->deleteAssistantSheet(), "DeleteAssistant");
        add(&document->timeEntrySheets(), "TimeEntrySheets");
        add(&document->documentToolbar(), "DocumentToolbar");
        add(&document->counter(), "DocumentCounter");
        add(&document->totals(), "DocumentTotals");
        add(&document->windowController(), "DocumentWindowController");
        add(document->outlineModel(), "DocumentOutlineModel");
        add(&document->outlineSource(), "OutlineDataSource");
        QStringList gone;
        QStringList expected;
        for (const auto &[object, name] : collaborators) {
            expected << name;
            QObject::connect(object, &QObject::destroyed, [&gone, name = name] { gone << name; });
        }
        // The window goes before every collaborator.
        QObject::connect(window.data(), &QObject::destroyed, [&gone] { gone << QStringLiteral("window"); });
        delete document; // not closed: no questions, no save
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(gone, QStringList{QStringLiteral("window")} + expected);
        EXPECT_EQ(services->runningCounters, 0);
        EXPECT_FALSE(entry->active());
        drainEvents();
    }
    services->soundPlayer = {};
}

// Tab goes round the window's controls that show the keyboard's place: the outline,
// the start button and the inspector button, never a toolbar button.
TEST_F(MyDocumentTest, TheTabCycleStopsOnlyWhereTheKeyboardShows)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("Report"), 10.0f, {{9, 30}})});
    QWidget *window = document->mainWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTreeView *outline = document->outlineView();
    outline->setFocus();
    QStringList stops;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (focus == outline)
            break;
        for (QWidget *w = focus; w; w = w->parentWidget())
            EXPECT_EQ(qobject_cast<QToolBar *>(w), nullptr) << "a stop in the toolbar: " << focus->metaObject()->className();
        stops << focus->objectName();
    }
    EXPECT_EQ(QApplication::focusWidget(), outline) << "round to the outline";
    EXPECT_TRUE(stops.contains(QStringLiteral("startStopButton"))) << stops.join(u' ').toStdString();
    EXPECT_TRUE(stops.contains(QStringLiteral("drawerStateButton"))) << stops.join(u' ').toStdString();
    EXPECT_EQ(stops.size(), 2) << stops.join(u' ').toStdString();
}
