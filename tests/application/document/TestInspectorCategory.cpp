// The document's inspector: its fields follow the outline selection, edits reach
// every selected node as one undo step, and the picker sits in the first field.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLayoutManager.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "platform/foundation/UndoManager.h"

#include <QApplication>
#include <QDockWidget>
#include <QLocale>
#include <QTest>

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
    EXPECT_EQ(shown(inspector, QStringLiteral("workTimeField")), document->selectedNodeWorkTime());
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
    EXPECT_EQ(shown(inspector, QStringLiteral("workTimeField")), document->selectedNodeWorkTime());
    EXPECT_EQ(shown(inspector, QStringLiteral("wageField")), document->selectedNodeWage());
    EXPECT_EQ(picker->parentWidget(), inspector->viewport());
    EXPECT_NE(inspector->layoutManager()->cell(pickerCell), nullptr);
}
