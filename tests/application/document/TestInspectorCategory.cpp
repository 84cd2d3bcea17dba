// The document's inspector: its fields follow the outline selection, edits reach
// every selected node as one undo step, and the picker sits in the first field.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentTotals.h"
#include "application/document/DocumentWindowController.h"
#include "application/sheets/DeleteAssistantSheet.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLayoutManager.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldLabel.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorIntegerField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "platform/document/StandardMenus.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/UndoManager.h"
#include "tests/support/MouseButtonsCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLocale>
#include <QTest>
#include <QTextBlock>
#include <functional>

using namespace mydoctest;
namespace Text = NTXTextViewInspectorText;

namespace {

class InspectorCategoryTest : public MyDocumentFixture
{
protected:
    NTXTextViewInspector *shownInspector(ProbeDocument *document)
    {
        document->toggleDrawer(nullptr);
        document->documentWindow()->show();
        QApplication::processEvents();
        NTXTextViewInspector *inspector = document->textViewInspector();
        inspector->layoutAttachments();
        return inspector;
    }
    static platform::Range valueOf(NTXTextViewInspector *inspector, const QString &identifier)
    {
        return NTXNSTextStorageExtensions::rangeForAttribute(
            *inspector->document(), Text::PlaceholderProperty,
            inspector->charRangeOfField(inspector->fieldWithIdentifier(identifier).get()));
    }
    static QString shown(NTXTextViewInspector *inspector, const QString &identifier)
    {
        return Text::text(*inspector->document(), valueOf(inspector, identifier));
    }
};

} // namespace

TEST_F(InspectorCategoryTest, ShowsTheSelectionAndEditsEverySelectedNode)
{
    ProbeDocument *document = newDocument(true);
    NodePtr a = makeJob(QStringLiteral("A"), 60, {{8, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 60, {{9, 45}});
    a->setColorLabel(2);
    b->setColorLabel(2);
    a->setDescript(QStringLiteral("first"));
    b->setDescript(QStringLiteral("second"));
    fill(document, {a, b});
    NTXTextViewInspector *inspector = shownInspector(document);
    ASSERT_NE(inspector, nullptr);
    QStringList identifiers;
    for (const auto &field : inspector->fieldsArray())
        identifiers.append(field->identifier());
    EXPECT_EQ(identifiers.mid(0, 2), (QStringList{QStringLiteral("colorLabelField"), QStringLiteral("descrField")}));
    EXPECT_EQ(identifiers.mid(3), (QStringList{QStringLiteral("workTimeField"), QStringLiteral("wageField")}));
    NTXColorLabelWidget *picker = document->documentWindow()->colorLabelControl();
    EXPECT_EQ(picker->parentWidget(), inspector->viewport());
    EXPECT_TRUE(picker->isVisible());

    select(document, {a, b});
    EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), QStringLiteral("Multiple Values"));
    EXPECT_EQ(shown(inspector, QStringLiteral("workTimeField")), document->totals().selectedNodeWorkTime());
    EXPECT_EQ(picker->colorLabelType(), 2);

    // Typing and Tab set both; one undo restores both, and the inspector shows it.
    const QTextDocument *text = inspector->document();
    inspector->setFocus();
    inspector->setSelectedRange(valueOf(inspector, QStringLiteral("descrField")));
    ASSERT_TRUE(inspector->isEditing());
    QTest::keyClicks(inspector, QStringLiteral("Both"));
    QTest::keyClick(inspector, Qt::Key_Tab);
    EXPECT_EQ(a->descript(), QStringLiteral("Both"));
    EXPECT_EQ(b->descript(), QStringLiteral("Both"));
    QApplication::processEvents(); // the undo group closes with the pass
    document->undoManager()->undo();
    EXPECT_EQ(a->descript(), QStringLiteral("first"));
    EXPECT_EQ(b->descript(), QStringLiteral("second"));
    EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), QStringLiteral("Multiple Values"));

    // A new selection replaces the values in place: the controls are not rebuilt.
    const platform::Range pickerRun = inspector->charRangeOfField(inspector->fieldWithIdentifier(QStringLiteral("colorLabelField")).get());
    const int pickerCell = Text::formatAt(*text, pickerRun.max() - 1).intProperty(Text::CellProperty);
    ASSERT_NE(inspector->layoutManager()->cell(pickerCell), nullptr);
    select(document, {b});
    EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), QStringLiteral("second"));
    EXPECT_EQ(shown(inspector, QStringLiteral("workTimeField")), document->totals().selectedNodeWorkTime());
    EXPECT_EQ(shown(inspector, QStringLiteral("wageField")), document->totals().selectedNodeWage());
    EXPECT_EQ(picker->parentWidget(), inspector->viewport());
    EXPECT_NE(inspector->layoutManager()->cell(pickerCell), nullptr);
}

// Values as long as the reader takes: the window shows them cut and one line high, the
// inspector shows a description cut and takes no edit of it, and every stored value
// stays whole through the edits of other values, a save and a reading back.
TEST_F(InspectorCategoryTest, LongValuesAreShownCutAndStayWholeThroughEditsAndSaves)
{
    const QString ellipsis(QChar(0x2026));
    const QString longName = QStringLiteral("Long\nname ") + QString(10 << 20, QLatin1Char('n'));
    const QString longDescription = QString(2'000'000, QLatin1Char('w'));
    ProbeDocument *document = newDocument(true);
    NodePtr named = makeJob(QStringLiteral("A"), 60, {{8, 30}});
    named->setItemName(longName);
    NodePtr described = makeJob(QStringLiteral("B"), 60, {{9, 45}});
    described->setDescript(longDescription);
    NodePtr plain = makeJob(QStringLiteral("C"), 60, {{10, 15}});
    fill(document, {named, described, plain});
    NTXTextViewInspector *inspector = shownInspector(document);
    ASSERT_NE(inspector, nullptr);

    // The row: one line, cut.
    const QModelIndex index = indexOf(document, named);
    QString row;
    for (int column = 0; column < document->outlineModel()->columnCount(index.parent()); ++column) {
        const QModelIndex cell = index.siblingAtColumn(column);
        if (document->outlineModel()->data(cell, Qt::EditRole).toString() == longName)
            row = document->outlineModel()->data(cell, Qt::DisplayRole).toString();
    }
    EXPECT_EQ(row, QStringLiteral("Long name ") + QString(1000 - 10, QLatin1Char('n')) + ellipsis);

    // The inspector: the description cut; neither a click nor a selection starts an edit.
    select(document, {described});
    const QString shownText = shown(inspector, QStringLiteral("descrField"));
    EXPECT_EQ(shownText, QString(10000, QLatin1Char('w')) + ellipsis);
    inspector->setFocus();
    inspector->setSelectedRange(valueOf(inspector, QStringLiteral("descrField")));
    EXPECT_FALSE(inspector->isEditing());
    QTest::keyClicks(inspector, QStringLiteral("typed"));
    QTest::keyClick(inspector, Qt::Key_Tab);
    QTextCursor atValue(inspector->document());
    atValue.setPosition(int(valueOf(inspector, QStringLiteral("descrField")).location) + 5);
    const QRect field = inspector->cursorRect(atValue);
    QTest::mouseClick(inspector->viewport(), Qt::LeftButton, {}, field.center());
    EXPECT_FALSE(inspector->isEditing());
    EXPECT_EQ(described->descript(), longDescription);

    // A double click opens the whole value: Cancel and an untouched OK store nothing,
    // an edit there is stored whole and undone as one step.
    for (const auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
        testsupport::doubleClick(inspector->viewport(), field.center());
        auto *dialog = inspector->window()->findChild<platform::WholeTextDialog *>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->text(), longDescription);
        EXPECT_FALSE(dialog->editor()->isReadOnly());
        // The title names whose description it is.
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Description of “\u2068B\u2069”"));
        QPointer<platform::WholeTextDialog> guard(dialog);
        dialog->buttons()->button(button)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
        EXPECT_EQ(described->descript(), longDescription);
    }
    EXPECT_EQ(inspector->openWholeValueOfField(nullptr), nullptr);
    platform::WholeTextDialog *whole = inspector->openWholeValueOfField(
        qobject_cast<NTXTextViewInspectorTextField *>(inspector->fieldWithIdentifier(QStringLiteral("descrField")).get()));
    ASSERT_NE(whole, nullptr);
    whole->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(whole->editor(), QStringLiteral(" end"));
    QPointer<platform::WholeTextDialog> guard(whole);
    whole->buttons()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    EXPECT_EQ(described->descript(), longDescription + QStringLiteral(" end"));
    QApplication::processEvents(); // the undo group closes with the pass
    // Edit > Undo is offered at once, the focus still in the inspector, and undoes
    // the edit as one step.
    document->mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
    inspector->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return inspector->hasFocus(); }));
    QAction *undo = document->documentWindow()->standardMenus()->undoItem();
    Q_EMIT document->documentWindow()->standardMenus()->editMenu()->aboutToShow();
    EXPECT_TRUE(undo->isEnabled());
    undo->trigger();
    EXPECT_EQ(described->descript(), longDescription);
    // Its key too, typed in the inspector.
    Q_EMIT document->documentWindow()->standardMenus()->editMenu()->aboutToShow();
    ASSERT_TRUE(document->documentWindow()->standardMenus()->redoItem()->isEnabled());
    QTest::keyClick(inspector, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(described->descript(), longDescription + QStringLiteral(" end")) << "redone by its key";
    QTest::keyClick(inspector, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(described->descript(), longDescription) << "undone by its key";

    // The keyboard's way to the whole description: Document > Edit Whole Description
    // (Ctrl+Shift+D), offered while the inspector shows it cut, does what the double
    // click does. With the keyboard in the outline, neither a double click on the
    // value nor the dialog takes it from there: Edit > Delete is offered after OK.
    QTreeView *outline = document->outlineView();
    outline->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outline->hasFocus(); }));
    QMenu *documentMenu = document->documentWindow()->documentMenu();
    QAction *editWhole = nullptr;
    for (QAction *item : documentMenu->actions())
        if (platform::MenuItemValidation::action(item) == "editWholeDescription:")
            editWhole = item;
    ASSERT_NE(editWhole, nullptr);
    EXPECT_EQ(editWhole->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    Q_EMIT documentMenu->aboutToShow();
    ASSERT_TRUE(editWhole->isEnabled());
    for (const bool byMenu : {true, false}) {
        SCOPED_TRACE(byMenu ? "the menu" : "a double click");
        if (byMenu)
            platform::MenuItemValidation::sendItemAction(editWhole);
        else
            testsupport::doubleClick(inspector->viewport(), field.center());
        auto *dialog = inspector->window()->findChild<platform::WholeTextDialog *>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->text(), longDescription);
        QPointer<platform::WholeTextDialog> opened(dialog);
        dialog->buttons()->button(QDialogButtonBox::Ok)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !opened; }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return outline->hasFocus(); })) << "the keyboard is back in the outline";
        QAction *deleteItem = nullptr;
        for (QAction *item : document->documentWindow()->standardMenus()->editMenu()->actions())
            if (platform::MenuItemValidation::action(item) == "deleteSelection:")
                deleteItem = item;
        ASSERT_NE(deleteItem, nullptr);
        Q_EMIT document->documentWindow()->standardMenus()->editMenu()->aboutToShow();
        EXPECT_TRUE(deleteItem->isEnabled());
    }
    select(document, {plain});
    Q_EMIT documentMenu->aboutToShow();
    EXPECT_FALSE(editWhole->isEnabled()) << "a description shown whole is edited in place";

    // A short description is edited as before, beside the long values.
    select(document, {plain});
    inspector->setSelectedRange(valueOf(inspector, QStringLiteral("descrField")));
    ASSERT_TRUE(inspector->isEditing());
    QTest::keyClicks(inspector, QStringLiteral("Short"));
    QTest::keyClick(inspector, Qt::Key_Tab);
    EXPECT_EQ(plain->descript(), QStringLiteral("Short"));

    // Saved and read back whole.
    const QString file = path(QStringLiteral("long.chronark"));
    QString reason;
    ASSERT_TRUE(document->saveToFile(file, document->fileType(), platform::Document::SaveOperation::SaveAs, &reason))
        << reason.toStdString();
    document->close();
    drainEvents();
    ProbeDocument *again = openDocument(file, true);
    ASSERT_NE(again, nullptr);
    const NodePtr first = again->jobList()->childAtIndex(0);
    const NodePtr second = again->jobList()->childAtIndex(1);
    const NodePtr third = again->jobList()->childAtIndex(2);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->itemName(), longName);
    EXPECT_EQ(second->descript(), longDescription);
    EXPECT_EQ(third->descript(), QStringLiteral("Short"));
}

// Paste into the field being edited (its key, and the Edit menu's Paste sent to the
// inspector) goes in as typed text does, in the pass after the clipboard was read;
// the field's value ends as the pasted text, and Tab sets it.
TEST_F(InspectorCategoryTest, PasteGoesIntoTheFieldBeingEdited)
{
    ProbeDocument *document = newDocument(true);
    NodePtr a = makeJob(QStringLiteral("A"), 60, {{8, 30}});
    a->setDescript(QStringLiteral("first"));
    fill(document, {a});
    NTXTextViewInspector *inspector = shownInspector(document);
    ASSERT_NE(inspector, nullptr);
    select(document, {a});
    inspector->setFocus();
    inspector->setSelectedRange(valueOf(inspector, QStringLiteral("descrField")));
    ASSERT_TRUE(inspector->isEditing());
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClick(inspector, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(inspector, QStringLiteral("descrField")) == QStringLiteral("pasted"); }, 10000))
        << shown(inspector, QStringLiteral("descrField")).toStdString();
    // The menu's Paste reaches the inspector the same way: at the caret, after the text.
    QAction *paste = document->documentWindow()->standardMenus()->pasteItem();
    ASSERT_TRUE(platform::MenuItemValidation::validateItem(paste));
    paste->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(inspector, QStringLiteral("descrField")) == QStringLiteral("pastedpasted"); }, 10000))
        << shown(inspector, QStringLiteral("descrField")).toStdString();
    QTest::keyClick(inspector, Qt::Key_Tab);
    EXPECT_EQ(a->descript(), QStringLiteral("pastedpasted"));
    QApplication::clipboard()->clear();
}

// Text typed into the description and left open (no Return, Tab or click elsewhere)
// reaches the nodes it was typed for before any command reads or changes them: an
// arrow key that leaves the field, Delete (the question, or its answer alone) and the
// delete assistant (the typed text an undo step of its own: Undo brings the nodes
// back with it, and the document stays edited), Save As, export, Undo and a change
// of the selection (after which the inspector shows and edits the new nodes). A value
// the field refuses is not answered as taken (Delete says so instead of asking). Nodes with one description show it, an
// empty one as the placeholder; a node that left the tree takes no typed value.
TEST_F(InspectorCategoryTest, TextLeftOpenReachesItsNodesBeforeEveryCommand)
{
    ProbeDocument *document = newDocument(true);
    NodePtr j1 = makeJob(QStringLiteral("J1"), 60, {{8, 30}});
    NodePtr j2 = makeJob(QStringLiteral("J2"), 60, {{9, 45}});
    fill(document, {j1, j2});
    NTXTextViewInspector *inspector = shownInspector(document);
    ASSERT_NE(inspector, nullptr);
    const QString placeholder = inspector->fieldWithIdentifier(QStringLiteral("descrField"))->placeholder();
    const auto inTree = [&](const NodePtr &node) { return node->documentRoot() == document->jobList().get(); };
    // A click into the description of the node (the whole value selected) and keys.
    const auto typeOpen = [&](const NodePtr &node, const QString &typed) {
        if (document->windowController().selectedNodes() != QList<NodePtr>{node})
            select(document, {node});
        inspector->setFocus();
        inspector->setSelectedRange(valueOf(inspector, QStringLiteral("descrField")));
        ASSERT_TRUE(inspector->isEditing());
        QTest::keyClicks(inspector, typed);
        ASSERT_TRUE(inspector->hasChangedEdit());
        ASSERT_TRUE(document->isDocumentEdited());
        ASSERT_NE(node->descript(), typed);
    };
    const auto closeSheet = [&] {
        QWidget *sheet = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (sheet = platform::Sheet::sheetOfWindow(document->mainWindow())); }));
        if (auto *dialog = qobject_cast<QDialog *>(sheet))
            dialog->reject();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !platform::Sheet::sheetOfWindow(document->mainWindow()); }));
        drainEvents();
    };

    for (const auto key : {Qt::Key_Up, Qt::Key_Down}) {
        SCOPED_TRACE(key == Qt::Key_Up ? "Up" : "Down");
        const QString typed = key == Qt::Key_Up ? QStringLiteral("typed up") : QStringLiteral("typed down");
        typeOpen(j1, typed);
        QTest::keyClick(inspector, key);
        EXPECT_EQ(j1->descript(), typed);
        EXPECT_FALSE(inspector->hasChangedEdit());
        EXPECT_TRUE(document->isDocumentEdited());
        select(document, {j2});
        select(document, {j1});
        EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), typed);
    }

    // Delete, by its question and by its answer alone; the delete assistant.
    const QList<std::pair<const char *, std::function<void()>>> deletions{
        {"delete", [&] {
             document->deleteEntry(nullptr);
             clickButton(waitForMessageBox(document->mainWindow()), platform::localized(QStringLiteral("LSyes")));
         }},
        {"delete answered", [&] { document->edits().deleteSheetDidEnd({j2}, NTXNSAlertExtensions::AlertFirstButtonReturn); }},
        {"delete assistant", [&] {
             document->deleteAssistantSheet().deleteAssistant(nullptr);
             DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
             ASSERT_NE(sheet, nullptr);
             sheet->selectKindTag(2);
             sheet->selectConditionTag(0);
             sheet->deleteOnlyExecutedEntys->setChecked(false);
             QPointer<DeleteAssistantSheet> guard(sheet);
             QTest::mouseClick(sheet->deleteOkButton, Qt::LeftButton);
             EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
         }},
    };
    int run = 0;
    for (const auto &[name, deletion] : deletions) {
        SCOPED_TRACE(name);
        const QString before = j2->descript();
        const QString typed = QStringLiteral("typedbykeys %1").arg(++run);
        typeOpen(j2, typed);
        deletion();
        drainEvents();
        ASSERT_FALSE(inTree(j2));
        EXPECT_EQ(j2->descript(), typed);
        document->undo(nullptr);
        drainEvents();
        ASSERT_TRUE(inTree(j2));
        EXPECT_EQ(j2->descript(), typed);
        EXPECT_TRUE(document->isDocumentEdited());
        // The typed text was a step of its own, before the deletion.
        document->undo(nullptr);
        drainEvents();
        EXPECT_EQ(j2->descript(), before);
        document->redo(nullptr);
        drainEvents();
        EXPECT_EQ(j2->descript(), typed);
    }

    // Save As and export take the text before their panels; Undo takes it, then takes
    // it back (Redo brings it again).
    typeOpen(j1, QStringLiteral("typed before save as"));
    document->saveDocumentAs(nullptr);
    EXPECT_EQ(j1->descript(), QStringLiteral("typed before save as"));
    closeSheet();
    typeOpen(j1, QStringLiteral("typed before export"));
    document->saveAsRTFFile(nullptr);
    EXPECT_EQ(j1->descript(), QStringLiteral("typed before export"));
    closeSheet();
    typeOpen(j1, QStringLiteral("typed before undo"));
    document->undo(nullptr);
    EXPECT_FALSE(inspector->hasChangedEdit());
    EXPECT_EQ(j1->descript(), QStringLiteral("typed before export"));
    EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), QStringLiteral("typed before export"));
    document->redo(nullptr);
    EXPECT_EQ(j1->descript(), QStringLiteral("typed before undo"));

    // A new selection: the text to the nodes it was typed for, and the inspector shows
    // and edits the new ones.
    j2->setDescript(QStringLiteral("second"));
    typeOpen(j1, QStringLiteral("typed before selection"));
    select(document, {j2});
    EXPECT_EQ(j1->descript(), QStringLiteral("typed before selection"));
    EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), QStringLiteral("second"));
    typeOpen(j2, QStringLiteral("for J2"));
    QTest::keyClick(inspector, Qt::Key_Tab);
    EXPECT_EQ(j2->descript(), QStringLiteral("for J2"));
    EXPECT_EQ(j1->descript(), QStringLiteral("typed before selection"));

    // Nodes that share their description show it; an empty one shows the placeholder.
    for (const QString &same : {QString(), QStringLiteral("same")}) {
        j1->setDescript(same);
        j2->setDescript(same);
        select(document, {j1, j2});
        EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), same.isEmpty() ? placeholder : same);
    }
    j2->setDescript(QStringLiteral("other"));
    EXPECT_EQ(shown(inspector, QStringLiteral("descrField")), NTXTextViewInspectorTextField::multipleValuesText());

    // A number the field refuses is not taken: the hand-over says why, the node keeps
    // its label and the field the text.
    auto number = std::make_shared<NTXTextViewInspectorIntegerField>(
        QStringLiteral("labelField"), QStringLiteral("Label"), NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Label")));
    number->bind(QStringLiteral("value"), document->inspectedObjectsController(), QStringLiteral("selectedObjects.colorLabel"), {});
    inspector->addField(number);
    select(document, {j1});
    j1->setColorLabel(3);
    inspector->setFocus();
    inspector->setSelectedRange(valueOf(inspector, QStringLiteral("labelField")));
    ASSERT_TRUE(inspector->isEditing());
    QTest::keyClick(inspector, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(inspector, QStringLiteral("ten"));
    QString refusal;
    EXPECT_FALSE(document->commitEditing(&refusal));
    EXPECT_TRUE(refusal.contains(QStringLiteral("ten"))) << refusal.toStdString();
    EXPECT_EQ(j1->colorLabel(), 3);
    EXPECT_TRUE(inspector->hasChangedEdit());
    EXPECT_EQ(shown(inspector, QStringLiteral("labelField")), QStringLiteral("ten"));
    // Delete says so instead of asking, and deletes nothing.
    document->deleteEntry(nullptr);
    QMessageBox *told = waitForMessageBox(document->mainWindow());
    ASSERT_NE(told, nullptr);
    EXPECT_TRUE(told->informativeText().contains(QStringLiteral("ten"))) << told->informativeText().toStdString();
    EXPECT_NE(told->text(), platform::localized(QStringLiteral("LSAdeleteTitle")));
    told->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform::Sheet::sheetOfWindow(document->mainWindow()); }));
    drainEvents();
    EXPECT_TRUE(inTree(j1));
    inspector->setFocus();
    inspector->setSelectedRange(valueOf(inspector, QStringLiteral("labelField")));
    ASSERT_TRUE(inspector->isEditing());
    QTest::keyClick(inspector, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(inspector, QStringLiteral("5"));
    EXPECT_TRUE(document->commitEditing(&refusal));
    EXPECT_EQ(j1->colorLabel(), 5);
    inspector->endEditing();

    // A node that left the tree while the inspector still showed it (inside a batch of
    // edits, which holds the inspector's update to its end) takes no typed value.
    {
        const DocumentOutlineModel::EditBatch batch(document->outlineModel());
        document->edits().deleteNode(j1, document->jobList());
        inspector->setFocus();
        inspector->setSelectedRange(valueOf(inspector, QStringLiteral("descrField")));
        if (inspector->isEditing()) {
            QTest::keyClicks(inspector, QStringLiteral("late"));
            inspector->endEditing();
        }
    }
    drainEvents();
    EXPECT_FALSE(inTree(j1));
    EXPECT_EQ(j1->descript(), QStringLiteral("same"));
}
