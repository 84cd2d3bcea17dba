// The outline worked from the keyboard alone: it has the focus and a selected current
// row when its window opens and when Tab brings it there; the moving keys move the
// current row and select it (Shift extends), Left and Right close and open, Space
// ticks the current row's Done box; rows made with the sheets are selected and
// current; when the selected rows go, the current row is selected.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "application/document/DocumentWindowController.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/TimeEntrySheets.h"
#include "application/sheets/GroupNameSheet.h"
#include "application/sheets/JobNameSheet.h"
#include "application/sheets/TimeEntrySheet.h"
#include "platform/drawing/Sheet.h"

#include <QPushButton>

#include <random>

using namespace mydoctest;

namespace {

class OutlineKeyboardTest : public MyDocumentFixture
{
protected:
    // The outline rules of the application (Left and Right, the delete keys).
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        NTXOutlineViewExtension::install();
    }

    // A document window shown and active, the outline holding the keyboard.
    ProbeDocument *shownDocument(const QList<NodePtr> &topLevel)
    {
        ProbeDocument *document = newDocument(true);
        fill(document, topLevel);
        EXPECT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
        drainEvents();
        return document;
    }

    // The names of the selected rows, top to bottom, one text.
    static std::string selectedNames(MyDocument *document)
    {
        QStringList names;
        for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline(document)))
            names << item.value<NodePtr>()->itemName();
        return names.join(u'|').toStdString();
    }

    static NodePtr currentNode(MyDocument *document)
    {
        return document->outlineModel()->itemForIndex(outline(document)->currentIndex()).value<NodePtr>();
    }
};

} // namespace

// A document opened from its file: the outline has the keyboard, its first row is
// current and selected, and the focus frame spans the row; so does Tab bring it back.
TEST_F(OutlineKeyboardTest, TheOutlineHasTheKeyboardWhenItsWindowOpens)
{
    const QString file = path(QStringLiteral("two.chronark"));
    {
        ProbeDocument *document = newDocument(false);
        fill(document, {makeJob(QStringLiteral("A"), 1, {}), makeJob(QStringLiteral("B"), 1, {})});
        QString reason;
        ASSERT_TRUE(document->saveToFile(file, document->fileType(), platform::Document::SaveOperation::SaveAs, &reason))
            << reason.toStdString();
        document->close();
        drainEvents();
    }
    ProbeDocument *document = openDocument(file, true);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
    QTreeView *view = outline(document);
    EXPECT_TRUE(QTest::qWaitFor([view] { return view->hasFocus(); }));
    EXPECT_EQ(selectedNames(document), "A");
    EXPECT_EQ(currentNode(document)->itemName(), QStringLiteral("A"));
    EXPECT_TRUE(view->allColumnsShowFocus());
    EXPECT_EQ(view->currentIndex().column(), document->outlineModel()->columnForIdentifier(QStringLiteral("outlineName")));
    // F2 acts on it at once.
    QTest::keyClick(view, Qt::Key_F2);
    EXPECT_EQ(document->calls, QStringList{QStringLiteral("job 1")});

    document->documentWindow()->drawerStateButton()->setFocus(Qt::OtherFocusReason);
    view->selectionModel()->clear();
    for (int i = 0; i < 10 && !view->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(view->hasFocus());
    EXPECT_EQ(selectedNames(document), "A");
}

// Random moving keys over a tree with open and closed groups: after every key the
// current row is selected; a key without Shift leaves it the only selected row, a
// key with Shift keeps the rows between the anchor and it selected; Left and Right
// close and open the current group; Space ticks the current job or group and selects
// it alone.
TEST_F(OutlineKeyboardTest, MovingKeysMoveTheCurrentRowAndSelectIt)
{
    NodePtr groupA = makeNode(Node::Group, QStringLiteral("Group A"));
    NodePtr groupB = makeNode(Node::Group, QStringLiteral("Group B"));
    for (int i = 0; i < 4; ++i) {
        groupA->addChild(makeJob(QStringLiteral("A%1").arg(i), 1, {{8, 30}}));
        groupB->addChild(makeJob(QStringLiteral("B%1").arg(i), 1, {}));
    }
    QList<NodePtr> topLevel{groupA};
    for (int i = 0; i < 30; ++i)
        topLevel << makeJob(QStringLiteral("J%1").arg(i), 1, {{9, 10}});
    topLevel << groupB;
    ProbeDocument *document = shownDocument(topLevel);
    QTreeView *view = outline(document);
    view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->hasFocus(); }));
    // Nothing selected: the first moving key selects a row, even one that cannot move.
    view->selectionModel()->clearSelection();
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(selectedNames(document), "Group A");

    std::mt19937 random(75);
    const Qt::Key moves[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown};
    QModelIndex anchor = view->currentIndex();
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        const int kind = int(random() % 10);
        const NodePtr before = currentNode(document);
        ASSERT_TRUE(before);
        if (kind < 6) {
            const bool shift = random() % 3 == 0;
            QTest::keyClick(view, moves[random() % std::size(moves)], shift ? Qt::ShiftModifier : Qt::NoModifier);
            const QModelIndex current = view->currentIndex();
            ASSERT_TRUE(current.isValid());
            EXPECT_TRUE(view->selectionModel()->isRowSelected(current.row(), current.parent()));
            if (!shift) {
                EXPECT_EQ(selectedNames(document), currentNode(document)->itemName().toStdString());
                anchor = current;
            } else {
                // From the anchor to the current row, as shown.
                const int from = std::min(view->visualRect(anchor).top(), view->visualRect(current).top());
                const int to = std::max(view->visualRect(anchor).top(), view->visualRect(current).top());
                const int rows = (to - from) / view->visualRect(current).height() + 1;
                EXPECT_EQ(NTXOutlineViewExtension::allSelectedItems(view).size(), rows) << selectedNames(document);
            }
        } else if (kind < 8) {
            // Left closes, Right opens the one selected row.
            document->windowController().selectNode(currentNode(document));
            anchor = view->currentIndex();
            const QModelIndex current = view->currentIndex();
            const bool right = kind == 7;
            const bool wasOpen = view->isExpanded(current);
            QTest::keyClick(view, right ? Qt::Key_Right : Qt::Key_Left);
            if (document->outlineModel()->hasChildren(current))
                EXPECT_EQ(view->isExpanded(current), right);
            else
                EXPECT_EQ(view->isExpanded(current), wasOpen);
            EXPECT_EQ(currentNode(document), before) << "the current row stays";
        } else {
            const bool executed = before->executed();
            const bool box = before->type() == Node::Job || before->type() == Node::Group;
            QTest::keyClick(view, Qt::Key_Space);
            EXPECT_EQ(before->executed(), box ? !executed : executed) << before->itemName().toStdString();
            EXPECT_EQ(currentNode(document), before);
            EXPECT_TRUE(view->selectionModel()->isRowSelected(view->currentIndex().row(), view->currentIndex().parent()));
        }
        if (::testing::Test::HasFailure())
            break;
    }
}

// A job, a group and a time entry made with their sheets are the selected, current
// row; deleting the selected row leaves the one before it selected and current.
TEST_F(OutlineKeyboardTest, NewRowsAreSelectedAndCurrent)
{
    NodePtr a = makeJob(QStringLiteral("A"), 1, {});
    ProbeDocument *document = shownDocument({a});
    auto endSheet = [&](QPushButton *ok) {
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !platform::Sheet::sheetOfWindow(document->mainWindow()); }));
        drainEvents();
    };
    document->nameSheets().newJobEntry(nullptr);
    endSheet(document->nameSheets().jobNameWindow()->jobOkButton);
    document->nameSheets().newGroupEntry(nullptr);
    endSheet(document->nameSheets().groupNameWindow()->groupOkButton);
    const NodePtr group = document->jobList()->childAtIndex(2);
    ASSERT_EQ(group->type(), Node::Group);
    EXPECT_EQ(currentNode(document), group);
    EXPECT_EQ(selectedNames(document), group->itemName().toStdString());

    select(document, {a});
    document->timeEntrySheets().newTimeEntry(nullptr);
    endSheet(document->timeEntrySheets().jobNewTimeWindow()->findChild<QPushButton *>(QStringLiteral("okButton")));
    ASSERT_EQ(a->childrenCount(), 1);
    const NodePtr entry = a->childAtIndex(0)->childAtIndex(0);
    EXPECT_EQ(currentNode(document), entry);
    EXPECT_EQ(selectedNames(document), entry->itemName().toStdString());

    // The selected group goes: the row before it (the job made first) is selected.
    document->windowController().selectNode(group);
    document->edits().deleteNode(group, document->jobList());
    drainEvents();
    EXPECT_EQ(selectedNames(document), document->jobList()->childAtIndex(1)->itemName().toStdString());
    EXPECT_EQ(currentNode(document), document->jobList()->childAtIndex(1));
}
