// The group sheet: new groups at the end of the top level, renaming, undo, and
// sheets open in two documents at once.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/NodeNameSheets.h"

#include "application/sheets/GroupNameSheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/UndoManager.h"
#include "platform/drawing/Sheet.h"

#include <QDialogButtonBox>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

GroupNameSheet *waitForSheet(MyDocument *document)
{
    GroupNameSheet *sheet = nullptr;
    (void)QTest::qWaitFor([&] {
        sheet = document->nameSheets().groupNameWindow();
        return sheet && sheet->isVisible();
    });
    return sheet;
}

void answer(GroupNameSheet *sheet, const QString &name, bool ok = true)
{
    ASSERT_NE(sheet, nullptr);
    sheet->groupName->setText(name);
    QPointer<GroupNameSheet> guard(sheet);
    QTest::mouseClick(ok ? sheet->groupOkButton : sheet->groupCancelButton, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
}

void waitForUndoStep(MyDocument *document)
{
    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
}

} // namespace

class GroupSheetTest : public MyDocumentFixture
{
};

TEST_F(GroupSheetTest, ANewGroupLandsAtTheEndAndUndoRedoKeepsItsPlace)
{
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {});
    group->addChild(job);
    fill(document, {group, makeJob(QStringLiteral("Top"), 1.0f, {})});
    select(document, {job});

    document->nameSheets().newGroupEntry(nullptr);
    GroupNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(platform::Sheet::activeSheet(), sheet);
    EXPECT_EQ(sheet->parentWidget(), document->documentWindow());
    EXPECT_EQ(sheet->groupTitle->text(), text("LSnewGroup"));
    EXPECT_EQ(sheet->groupName->text(), text("LSaddGroup"));
    answer(sheet, QStringLiteral("Clients"));

    ASSERT_EQ(document->jobList()->childrenCount(), 3);
    NodePtr added = document->jobList()->childAtIndex(2);
    EXPECT_EQ(added->itemName(), QStringLiteral("Clients"));
    EXPECT_EQ(added->type(), Node::Group);
    EXPECT_FALSE(added->active());
    EXPECT_EQ(added->parent(), document->jobList().get());
    EXPECT_EQ(group->childrenCount(), 1);

    waitForUndoStep(document);
    platform::UndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), text("LSUDaddGroup"));
    undo->undo();
    EXPECT_EQ(document->jobList()->childrenCount(), 2);
    EXPECT_EQ(undo->redoActionName(), text("LSUDaddGroup"));
    undo->redo();
    EXPECT_EQ(document->jobList()->childAtIndex(2), added);
}

TEST_F(GroupSheetTest, RenamingUndoesAndRedoes)
{
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("Old"));
    fill(document, {group});
    document->nameSheets().funcGroupName(group, 1);
    GroupNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->groupTitle->text(), text("LSeditGroup"));
    EXPECT_EQ(sheet->groupName->text(), QStringLiteral("Old"));
    answer(sheet, QStringLiteral("New"));
    EXPECT_EQ(group->itemName(), QStringLiteral("New"));
    waitForUndoStep(document);
    platform::UndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), text("LSUDGroupEdit"));
    undo->undo();
    EXPECT_EQ(group->itemName(), QStringLiteral("Old"));
    EXPECT_EQ(undo->redoActionName(), text("LSUDGroupEdit"));
    undo->redo();
    EXPECT_EQ(group->itemName(), QStringLiteral("New"));
    EXPECT_EQ(undo->undoActionName(), text("LSUDGroupEdit"));
}

// A name too long for the field is shown cut; OK without touching it keeps the whole
// name, a name typed over it replaces it.
TEST_F(GroupSheetTest, ALongNameShownCutStaysWholeUnlessTyped)
{
    ProbeDocument *document = newDocument(true);
    const QString longName = QStringLiteral("G\n") + QString(1 << 20, QLatin1Char('g'));
    NodePtr group = makeNode(Node::Group, longName);
    fill(document, {group});
    document->nameSheets().funcGroupName(group, 1);
    GroupNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->groupName->text().size(), 1001);
    QPointer<GroupNameSheet> guard(sheet);
    QTest::mouseClick(sheet->groupOkButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    EXPECT_EQ(group->itemName(), longName);

    document->nameSheets().funcGroupName(group, 1);
    answer(waitForSheet(document), QStringLiteral("Short"));
    EXPECT_EQ(group->itemName(), QStringLiteral("Short"));
}

// A group's name too long for one line is edited whole: a key typed in the field
// goes to the whole name where the caret stood, and OK stores it whole; a shorter
// name that comes back from the dialog is edited in the field again.
TEST_F(GroupSheetTest, ALongNameIsEditedWholeNeverCut)
{
    ProbeDocument *document = newDocument(true);
    const QString longName = QStringLiteral("G\n") + QString(1500, QLatin1Char('g'));
    NodePtr group = makeNode(Node::Group, longName);
    fill(document, {group});
    document->nameSheets().funcGroupName(group, 1);
    GroupNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    platform::WholeTextLineEdit *field = sheet->groupName;
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    platform::WholeTextDialog *whole = field->wholeTextDialog();
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->text(), longName.mid(1));
    // The whole name shortened below the field's length: the field edits it again.
    whole->editor()->selectAll();
    QTest::keyClicks(whole->editor(), QStringLiteral("Short"));
    QPointer<platform::WholeTextDialog> wholeGuard(whole);
    whole->buttons()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wholeGuard; }));
    EXPECT_FALSE(field->isShownCut());
    EXPECT_FALSE(field->isReadOnly());
    EXPECT_EQ(field->text(), QStringLiteral("Short"));
    QTest::keyClicks(field, QStringLiteral("er"));
    QPointer<GroupNameSheet> guard(sheet);
    QTest::mouseClick(sheet->groupOkButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    EXPECT_EQ(group->itemName(), QStringLiteral("Shorter"));
    document->undoManager()->undo();
    EXPECT_EQ(group->itemName(), longName);
}

TEST_F(GroupSheetTest, AnEmptyNameIsTaken)
{
    ProbeDocument *document = newDocument(true);
    document->nameSheets().newGroupEntry(nullptr);
    answer(waitForSheet(document), QString());
    ASSERT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_EQ(document->jobList()->childAtIndex(0)->itemName(), QString());
}

// One sheet context used to serve the whole process, so the sheets of two
// documents overwrote each other's node and function.
TEST_F(GroupSheetTest, SheetsOfTwoDocumentsKeepTheirOwnNodes)
{
    ProbeDocument *first = newDocument(true);
    ProbeDocument *second = newDocument(true);
    NodePtr existing = makeNode(Node::Group, QStringLiteral("Existing"));
    fill(second, {existing});

    first->nameSheets().newGroupEntry(nullptr);
    GroupNameSheet *firstSheet = waitForSheet(first);
    second->nameSheets().funcGroupName(existing, 1);
    GroupNameSheet *secondSheet = waitForSheet(second);
    ASSERT_NE(firstSheet, nullptr);
    ASSERT_NE(secondSheet, nullptr);
    ASSERT_NE(firstSheet, secondSheet);

    answer(firstSheet, QStringLiteral("Added"));
    answer(secondSheet, QStringLiteral("Renamed"));
    ASSERT_EQ(first->jobList()->childrenCount(), 1);
    EXPECT_EQ(first->jobList()->childAtIndex(0)->itemName(), QStringLiteral("Added"));
    EXPECT_EQ(second->jobList()->children(), QList<NodePtr>{existing});
    EXPECT_EQ(existing->itemName(), QStringLiteral("Renamed"));
}

// A cancelled sheet used to mark the document as changed all the same.
TEST_F(GroupSheetTest, CancellingLeavesTheDocumentUnchanged)
{
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    fill(document, {group});
    document->nameSheets().newGroupEntry(nullptr);
    answer(waitForSheet(document), QStringLiteral("Never"), false);
    document->nameSheets().funcGroupName(group, 1);
    answer(waitForSheet(document), QStringLiteral("Never"), false);
    EXPECT_EQ(document->jobList()->children(), QList<NodePtr>{group});
    EXPECT_EQ(group->itemName(), QStringLiteral("G"));
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
}
