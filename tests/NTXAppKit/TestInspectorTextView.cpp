// The inspector text view: its text and paragraph layout, attachments and the line
// rules, editing by mouse and keys with the commit rules, list rows in place, and
// the lifetime of controls.
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/NTXPopUpButton/NTXPopUpButton.h"
#include "NTXAppKit/TDSmallDateControl/TDSmallDateControl.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLayoutManager.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorRatingField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewController.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/drawing/TokenField.h"
#include "platform/foundation/ArrayController.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <cmath>
#include <random>
#include <gtest/gtest.h>

using platform::KeyValueObservable;
using platform::Range;
using Inspector = NTXTextViewInspector;
using Label = NTXTextViewInspectorFieldLabel;
using TextField = NTXTextViewInspectorTextField;
using ViewField = NTXTextViewInspectorViewField;
namespace Text = NTXTextViewInspectorText;

namespace {

class Item : public KeyValueObservable
{
public:
    explicit Item(QString text = {}) : descript(std::move(text)) {}
    QString descript;
    int writes = 0;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("descript"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).descript); },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &item = static_cast<Item &>(o);
                  item.willChangeValueForKey(QStringLiteral("descript"));
                  item.descript = v.toString();
                  ++item.writes;
                  item.didChangeValueForKey(QStringLiteral("descript"));
              }}},
        };
        return table;
    }
};

// A view field whose rows come with their own control.
class EditRow : public ViewField
{
public:
    EditRow() : ViewField(QStringLiteral("row"), new QLineEdit, QString(), Label::fieldLabelWithString(QStringLiteral("Row"))) {}
    std::shared_ptr<NTXTextViewInspectorField> copy() const override { return std::make_shared<EditRow>(); }
};

std::shared_ptr<TextField> textField(const QString &identifier, const QString &label, const QString &placeholder)
{
    return std::make_shared<TextField>(identifier, placeholder, Label::fieldLabelWithString(label));
}

struct Shown
{
    Shown()
    {
        inspector.resize(320, 260);
        inspector.show();
        QApplication::processEvents();
    }
    void build(const QList<Inspector::FieldPtr> &fields, bool editable = true)
    {
        inspector.beginFieldEditing();
        inspector.addFieldsArray(fields);
        inspector.endFieldEditing();
        inspector.setEditableState(editable);
        inspector.layoutAttachments();
    }
    Range valueOf(const NTXTextViewInspectorField *field) const
    {
        return NTXNSTextStorageExtensions::rangeForAttribute(*inspector.document(), Text::PlaceholderProperty,
                                                             inspector.charRangeOfField(field));
    }
    QPoint pointOf(qsizetype index) const
    {
        QTextCursor cursor(inspector.document());
        cursor.setPosition(int(index));
        const QRect rect = inspector.cursorRect(cursor);
        return QPoint(rect.left() + 2, rect.center().y());
    }
    void click(qsizetype index) { QTest::mouseClick(inspector.viewport(), Qt::LeftButton, {}, pointOf(index)); }
    QString valueText(const NTXTextViewInspectorField *field) const
    {
        return Text::text(*inspector.document(), valueOf(field));
    }
    QColor colorAt(qsizetype index) const
    {
        return Text::formatAt(*inspector.document(), index).foreground().color();
    }
    Inspector inspector;
};

qreal xOf(const QTextDocument &document, qsizetype index)
{
    const QTextBlock block = document.findBlock(int(index));
    document.documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineForTextPosition(int(index - block.position()));
    return block.layout()->position().x() + line.cursorToX(int(index - block.position()));
}

} // namespace

TEST(InspectorTextView, LabelColumnAndParagraphLayout)
{
    Shown empty;
    EXPECT_EQ(empty.inspector.string(), QStringLiteral("\n"));
    EXPECT_EQ(empty.inspector.maxLabelWidth(), 10);

    const QString longValue = QStringLiteral("a value long enough to wrap onto a second line of the inspector text");
    const auto build = [&](Shown &shown, const QStringList &labels) {
        QList<Inspector::FieldPtr> fields;
        for (const QString &label : labels) {
            auto field = textField(label.toLower(), label, QStringLiteral("Say more"));
            field->setValue(longValue);
            fields.append(field);
        }
        shown.build(fields);
        return fields.last();
    };
    // Where the value of a field starts, where its label ends (at the right tab) and
    // where its value's second line starts, from the left of the text.
    struct Columns
    {
        qreal value, labelEnd, secondLine;
    };
    const auto columnsOf = [](Shown &shown, const Inspector::FieldPtr &field) {
        const QTextDocument &doc = *shown.inspector.document();
        const Range value = shown.valueOf(field.get());
        const QTextBlock block = doc.findBlock(int(value.location));
        EXPECT_GT(block.layout()->lineCount(), 1);
        const qreal margin = doc.documentMargin();
        return Columns{xOf(doc, value.location) - margin, xOf(doc, value.location - 1) - margin,
                       block.layout()->position().x() + block.layout()->lineAt(1).x() - margin};
    };

    {
        // A class-wide minimum wider than every label is the column: the labels end
        // at its right tab 10 points short of it, the values and their wrapped lines
        // start at it.
        struct MinimumWidth
        {
            qreal old = Inspector::minFieldLabelWidth();
            MinimumWidth() { Inspector::setMinFieldLabelWidth(150); }
            ~MinimumWidth() { Inspector::setMinFieldLabelWidth(old); }
        } minimum;
        Shown shown;
        const auto last = build(shown, {QStringLiteral("Name"), QStringLiteral("Description")});
        EXPECT_EQ(shown.inspector.maxLabelWidth(), 150);
        const Columns columns = columnsOf(shown, last);
        EXPECT_NEAR(columns.value, 150, 0.5);
        EXPECT_NEAR(columns.labelEnd, 140, 0.5);
        EXPECT_NEAR(columns.secondLine, 150, 0.5);
    }

    // Measured labels: the widest decides a whole-point column, in which it starts 10
    // points in (less what rounding the column down takes, under a point) and ends 10
    // points short of the values.
    Shown nameOnly;
    build(nameOnly, {QStringLiteral("Name")});
    Shown descriptionOnly;
    build(descriptionOnly, {QStringLiteral("Description")});
    Shown shown;
    const auto descr = build(shown, {QStringLiteral("Name"), QStringLiteral("Description")});
    const qreal w = shown.inspector.maxLabelWidth();
    EXPECT_EQ(w, std::trunc(w));
    EXPECT_EQ(w, descriptionOnly.inspector.maxLabelWidth());
    EXPECT_LT(nameOnly.inspector.maxLabelWidth(), w);
    EXPECT_EQ(shown.inspector.string(),
              QStringLiteral("\n\tName\t%1\n\tDescription\t%1\n").arg(longValue));
    const Columns columns = columnsOf(shown, descr);
    EXPECT_NEAR(columns.value, w, 0.5);
    EXPECT_NEAR(columns.labelEnd, w - 10, 0.5);
    EXPECT_NEAR(columns.secondLine, w, 0.5);
    const QTextDocument &doc = *shown.inspector.document();
    const Range value = shown.valueOf(descr.get());
    const qreal labelStart = xOf(doc, value.location - 1 - QStringLiteral("Description").size()) - doc.documentMargin();
    EXPECT_GT(labelStart, 9 - 0.5);
    EXPECT_LE(labelStart, 10 + 0.5);
    // Every character a field contributes carries it; the line end does not.
    const Range run = shown.inspector.charRangeOfField(descr.get());
    EXPECT_EQ(run.max(), value.max());
    EXPECT_EQ(Text::valueAt(doc, Text::FieldProperty, run.max()), QVariant());
    EXPECT_EQ(shown.inspector.fieldAtIndex(run.location), descr.get());
}

TEST(InspectorTextView, ValueTextsAndLabels)
{
    Shown shown;
    auto plain = textField(QStringLiteral("plain"), QStringLiteral("Plain"), QString());
    auto several = textField(QStringLiteral("several"), QStringLiteral("Several"), QStringLiteral("ph"));
    several->setValue(QVariantList{QStringLiteral("a"), QStringLiteral("b")});
    auto none = textField(QStringLiteral("none"), QStringLiteral("None"), QStringLiteral("ph"));
    none->setValue(QVariantList{});
    auto *edit = new QLineEdit;
    auto control = ViewField::viewFieldWithIdentifier(QStringLiteral("control"), edit, Label::fieldLabelWithString(QStringLiteral("Edit")));
    auto colon = ViewField::viewFieldWithIdentifier(QStringLiteral("colon"), new QLineEdit, Label::fieldLabelWithString(QStringLiteral("Done:")));
    shown.build({plain, several, none, control, colon});
    const QString text = shown.inspector.string();
    EXPECT_TRUE(text.contains(QStringLiteral("\tPlain\tmissing placeholder\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\tSeveral\tMultiple Values\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\tNone\tNo Selection\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\tEdit:\t\uFFFC\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\tDone:\t\uFFFC\n"))) << text.toStdString();
    EXPECT_TRUE(shown.valueOf(plain.get()).isNotFound()); // no placeholder: nothing to edit
    EXPECT_EQ(shown.colorAt(shown.valueOf(several.get()).location), QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    // The control stands on its attachment, visible, inside the inspector.
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->parentWidget(), shown.inspector.viewport());
    const QRectF frame = shown.inspector.layoutManager()->frameOfAttachment(
        *shown.inspector.document(), int(shown.inspector.charRangeOfField(control.get()).max() - 1));
    EXPECT_EQ(edit->pos(), frame.topLeft().toPoint());

    // Read-only: the replacement text instead of the control, which goes hidden.
    control->setNotEditableReplacementString(QStringLiteral("-"));
    shown.inspector.setEditableState(false);
    EXPECT_TRUE(shown.inspector.string().contains(QStringLiteral("\tEdit:\t-\n")));
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(edit->parentWidget(), nullptr);
}

TEST(InspectorTextView, CellFrameOfControls)
{
    // On one line, a bordered pop-up sits 1 above an unbordered one; a small date
    // control 4 above a plain view; a control shown elsewhere goes to the padding.
    NTXPopUpButton bordered(QRect(0, 0, 80, 18));
    NTXPopUpButton unbordered(QRect(0, 0, 80, 18));
    unbordered.popUpCell()->setBordered(false);
    bordered.popUpCell()->setBordered(true);
    QWidget plain;
    plain.resize(80, 18);
    auto frameOf = [](QWidget *view, bool elsewhere) {
        NTXTextViewInspectorViewTextAttachmentCell cell;
        cell.setView(view);
        cell.setLabelFont(Inspector::labelAttributes().font());
        cell.setViewShouldNotShowAtAttachmentPosition(elsewhere);
        cell.setOverrideCellSize(QSizeF(1, 6));
        return cell.cellFrame(QRectF(5, 100, 300, 22), 117, 60, 5);
    };
    EXPECT_EQ(frameOf(&bordered, false).y() + 1, frameOf(&unbordered, false).y());
    EXPECT_EQ(frameOf(&unbordered, false).y() + 1, frameOf(&plain, false).y());
    EXPECT_EQ(frameOf(&plain, false).x(), 60);
    EXPECT_EQ(frameOf(&plain, false).width(), 80);
    const QRectF elsewhere = frameOf(&plain, true);
    EXPECT_EQ(elsewhere.x(), 5);
    EXPECT_EQ(elsewhere.y(), std::floor(117 - 6 - Inspector::labelAttributes().font().pointSizeF()));
}

// Kinds are told by class: an unbordered token field (the token list's rows) sits 2
// above a plain view, a bordered one level with it; a small date control 4 above, a
// date editor 2 above.
TEST(InspectorTextView, CellFrameOfTokenAndDateControls)
{
    auto yOf = [](QWidget *view) {
        view->resize(80, 18);
        NTXTextViewInspectorViewTextAttachmentCell cell;
        cell.setView(view);
        cell.setLabelFont(Inspector::labelAttributes().font());
        return cell.cellFrame(QRectF(5, 100, 300, 22), 117, 60, 5).y();
    };
    QWidget plain;
    platform::TokenField unbordered;
    unbordered.setFrame(false);
    platform::TokenField bordered;
    bordered.setFrame(true);
    TDSmallDateControl smallDate;
    QDateEdit dateEdit;
    const qreal level = yOf(&plain);
    EXPECT_EQ(yOf(&unbordered), level - 2);
    EXPECT_EQ(yOf(&bordered), level);
    EXPECT_EQ(yOf(&smallDate), level - 4);
    EXPECT_EQ(yOf(&dateEdit), level - 2);
}

TEST(InspectorTextView, MinimumHeightAndInsetBecomeMargins)
{
    for (const bool suppressed : {false, true}) {
        Shown shown;
        auto first = textField(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("one"));
        auto second = textField(QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("two"));
        auto third = textField(QStringLiteral("c"), QStringLiteral("C"), QStringLiteral("three"));
        first->setMinimumHeight(40);
        second->setSuppressMinimumHeight(suppressed);
        third->setInsetValue(12);
        shown.build({first, second, third});
        const qreal top = first->lineFragmentRect().y();
        if (suppressed)
            EXPECT_LT(second->lineFragmentRect().y(), top + 40);
        else
            EXPECT_EQ(second->lineFragmentRect().y(), top + 40);
        EXPECT_EQ(third->lineFragmentRect().x(), second->lineFragmentRect().x() + 12);
    }
}

TEST(InspectorTextView, PlaceholderEditing)
{
    Shown shown;
    auto item = std::make_shared<Item>();
    auto descr = textField(QStringLiteral("descr"), QStringLiteral("Description"), QStringLiteral("Say more"));
    descr->bind(QStringLiteral("value"), item.get(), QStringLiteral("descript"));
    auto other = textField(QStringLiteral("other"), QStringLiteral("Other"), QStringLiteral("Else"));
    shown.build({descr, other});
    Inspector &inspector = shown.inspector;

    // A click selects the whole placeholder; typing turns it black.
    const Range placeholder = shown.valueOf(descr.get());
    shown.click(placeholder.location + 1);
    EXPECT_TRUE(inspector.isEditing());
    EXPECT_EQ(inspector.selectedRange(), placeholder);
    QTest::keyClick(&inspector, Qt::Key_X);
    EXPECT_EQ(shown.valueText(descr.get()), QStringLiteral("x"));
    EXPECT_EQ(shown.colorAt(placeholder.location), QColor(Qt::black));
    EXPECT_EQ(Text::valueAt(*inspector.document(), Text::PlaceholderProperty, placeholder.location).toString(),
              QStringLiteral("Say more"));
    // Deleting everything brings the gray placeholder back.
    QTest::keyClick(&inspector, Qt::Key_Backspace);
    EXPECT_EQ(shown.valueText(descr.get()), QStringLiteral("Say more"));
    EXPECT_EQ(shown.colorAt(placeholder.location), QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    QTest::keyClicks(&inspector, QStringLiteral("ab"));
    // The caret stands at the end; one further ends the edit, which hands the text
    // over as Tab does: the field never shows text its value lacks.
    EXPECT_EQ(inspector.selectedRange(), Range(placeholder.location + 2, 0));
    QTest::keyClick(&inspector, Qt::Key_Right);
    EXPECT_FALSE(inspector.isEditing());
    EXPECT_EQ(inspector.selectedRange(), Range(0, 0));
    EXPECT_EQ(item->descript, QStringLiteral("ab"));
    EXPECT_EQ(item->writes, 1);
    // Keys never leave the value: Backspace at its start changes nothing.
    shown.click(shown.valueOf(descr.get()).location);
    QTest::keyClick(&inspector, Qt::Key_Left);
    EXPECT_TRUE(inspector.isEditing());
    QTest::keyClick(&inspector, Qt::Key_Backspace);
    EXPECT_TRUE(inspector.string().contains(QStringLiteral("\tDescription\tab\n")));
    // Tab commits and moves on.
    QTest::keyClick(&inspector, Qt::Key_End);
    QTest::keyClick(&inspector, Qt::Key_C);
    QTest::keyClick(&inspector, Qt::Key_Tab);
    EXPECT_EQ(item->descript, QStringLiteral("abc"));
    EXPECT_EQ(item->writes, 2);
    EXPECT_EQ(inspector.currentEditedStartLocation(), shown.valueOf(other.get()).location);
    QTest::keyClick(&inspector, Qt::Key_Backtab);
    EXPECT_EQ(inspector.currentEditedStartLocation(), shown.valueOf(descr.get()).location);
    // Clicking a label ends the edit and leaves no field edited.
    shown.click(inspector.charRangeOfField(other.get()).location + 2);
    EXPECT_FALSE(inspector.isEditing());
    EXPECT_EQ(item->writes, 2);

    // A click on the row to the right of a short value edits that value (selected
    // whole, as a click into it selects it): the keys typed next go into it.
    const Range value = shown.valueOf(descr.get());
    QTest::mouseClick(inspector.viewport(), Qt::LeftButton, {}, shown.pointOf(value.max()) + QPoint(60, 0));
    ASSERT_TRUE(inspector.isEditing());
    EXPECT_EQ(inspector.activeField(), descr.get());
    EXPECT_EQ(inspector.selectedRange(), value);
    QTest::keyClick(&inspector, Qt::Key_End);
    QTest::keyClicks(&inspector, QStringLiteral(" d"));
    // Beside the value being edited, the caret goes to its end again.
    QTest::mouseClick(inspector.viewport(), Qt::LeftButton, {}, shown.pointOf(value.max() + 2) + QPoint(60, 0));
    EXPECT_EQ(inspector.activeField(), descr.get());
    EXPECT_EQ(inspector.selectedRange(), Range(value.max() + 2, 0));
    QTest::keyClick(&inspector, Qt::Key_Tab);
    EXPECT_EQ(item->descript, QStringLiteral("abc d"));

    // Text typed that reads as the field's placeholder, or as the multiple-values or
    // no-selection text (any case), is stored as typed; only the gray placeholder
    // itself stands for no value.
    for (const QString &typed : {QStringLiteral("say MORE"), QStringLiteral("Say more"), QStringLiteral("multiple values"),
                                 QStringLiteral("No Selection")}) {
        shown.click(shown.valueOf(descr.get()).location + 1);
        QTest::keyClick(&inspector, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&inspector, typed);
        QTest::keyClick(&inspector, Qt::Key_Tab);
        EXPECT_EQ(item->descript, typed);
        EXPECT_EQ(shown.valueText(descr.get()), typed);
        EXPECT_EQ(shown.colorAt(shown.valueOf(descr.get()).location), QColor(Qt::black));
    }
    shown.click(shown.valueOf(descr.get()).location + 1);
    QTest::keyClick(&inspector, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&inspector, Qt::Key_Backspace);
    QTest::keyClick(&inspector, Qt::Key_Tab);
    EXPECT_EQ(item->descript, QString());
    EXPECT_EQ(shown.valueText(descr.get()), QStringLiteral("Say more"));
}

// Edits in a seeded random order, each ended by one of every way an edit ends: the
// arrow and page keys, Home and End, Tab, Shift-Tab and Return, a click on another
// value, beside one, on a label or below the fields, a rebuild, the document's
// hand-over, or a change of the editable state. After each step every field not being
// edited shows what its object holds (the placeholder, gray, when it holds nothing),
// and an edit ended by a key or a click has handed its text over.
TEST(InspectorTextView, EveryWayAnEditEndsLeavesTheShownTextStored)
{
    Shown shown;
    Inspector &inspector = shown.inspector;
    auto first = std::make_shared<Item>(QStringLiteral("first"));
    auto second = std::make_shared<Item>();
    auto third = std::make_shared<Item>(QStringLiteral("third value"));
    auto descr = textField(QStringLiteral("descr"), QStringLiteral("Description"), QStringLiteral("Say more"));
    descr->setSupportNewLine(true);
    auto line = textField(QStringLiteral("line"), QStringLiteral("Line"), QStringLiteral("No note"));
    auto name = textField(QStringLiteral("name"), QStringLiteral("Name"), QStringLiteral("Unnamed"));
    descr->bind(QStringLiteral("value"), first.get(), QStringLiteral("descript"));
    line->bind(QStringLiteral("value"), second.get(), QStringLiteral("descript"));
    name->bind(QStringLiteral("value"), third.get(), QStringLiteral("descript"));
    shown.build({descr, line, ViewField::separatorField(), name});
    const QList<std::pair<std::shared_ptr<TextField>, std::shared_ptr<Item>>> fields{
        {descr, first}, {line, second}, {name, third}};

    const auto holdsWhatItShows = [&](const char *after) {
        for (const auto &[field, item] : fields) {
            if (inspector.activeField() == field.get())
                continue;
            const Range value = shown.valueOf(field.get());
            const bool gray = Text::valueAt(*inspector.document(), Text::PlaceholderShownProperty, value.location).toBool();
            EXPECT_EQ(gray, item->descript.isEmpty()) << after << ": " << qPrintable(field->identifier());
            EXPECT_EQ(shown.valueText(field.get()), item->descript.isEmpty() ? field->placeholder() : item->descript)
                << after << ": " << qPrintable(field->identifier());
        }
    };
    enum End { Up, Down, Left, Right, Home, EndKey, PageUp, PageDown, DocumentStart, DocumentEnd, Tab, Backtab, Return,
               ClickValue, ClickBeside, ClickLabel, ClickBelow, Rebuild, HandOver, Editable, EndCount };
    const char *names[] = {"Up", "Down", "Left", "Right", "Home", "End", "PageUp", "PageDown", "Ctrl+Home", "Ctrl+End",
                           "Tab", "Shift+Tab", "Return", "click on a value", "click beside a value", "click on a label",
                           "click below", "rebuild", "hand-over", "editable state"};
    std::mt19937 random(4242);
    const auto below = [&](int n) { return int(random() % unsigned(n)); };
    int ended = 0;
    int handedOver = 0;
    for (int step = 0; step < 400; ++step) {
        const auto &[field, item] = fields.at(below(int(fields.size())));
        const Range value = shown.valueOf(field.get());
        if (below(2) == 0)
            shown.click(value.location + below(int(value.length)));
        else
            QTest::mouseClick(inspector.viewport(), Qt::LeftButton, {}, shown.pointOf(value.max()) + QPoint(40, 0));
        ASSERT_EQ(inspector.activeField(), field.get()) << step;
        QTest::keyClick(&inspector, Qt::Key_A, Qt::ControlModifier);
        QString typed;
        switch (below(5)) {
        case 0: typed = field->placeholder().toUpper(); break;
        case 1: typed = QString(); break;
        case 2: typed = QStringLiteral("No Selection"); break;
        default: typed = QStringLiteral("typed %1").arg(step); break;
        }
        if (typed.isEmpty())
            QTest::keyClick(&inspector, Qt::Key_Backspace);
        else
            QTest::keyClicks(&inspector, typed);
        // Somewhere inside the typed text, or at its end.
        if (below(2) == 0 && !typed.isEmpty())
            QTest::keyClick(&inspector, Qt::Key_Left);
        End end = End(below(EndCount));
        // Return in a field of several lines is typing.
        if (end == Return && field->supportNewLine())
            end = Tab;
        SCOPED_TRACE(std::string("step ") + std::to_string(step) + ", " + qPrintable(field->identifier()) + " ended by "
                     + names[end]);
        const auto other = fields.at(below(int(fields.size()))).first;
        switch (end) {
        case Up: QTest::keyClick(&inspector, Qt::Key_Up); break;
        case Down: QTest::keyClick(&inspector, Qt::Key_Down); break;
        case Left: for (int i = 0; i < 1 + below(30); ++i) QTest::keyClick(&inspector, Qt::Key_Left); break;
        case Right: for (int i = 0; i < 1 + below(30); ++i) QTest::keyClick(&inspector, Qt::Key_Right); break;
        case Home: QTest::keyClick(&inspector, Qt::Key_Home); break;
        case EndKey: QTest::keyClick(&inspector, Qt::Key_End); break;
        case PageUp: QTest::keyClick(&inspector, Qt::Key_PageUp); break;
        case PageDown: QTest::keyClick(&inspector, Qt::Key_PageDown); break;
        case DocumentStart: QTest::keyClick(&inspector, Qt::Key_Home, Qt::ControlModifier); break;
        case DocumentEnd: QTest::keyClick(&inspector, Qt::Key_End, Qt::ControlModifier); break;
        case Tab: QTest::keyClick(&inspector, Qt::Key_Tab); break;
        case Backtab: QTest::keyClick(&inspector, Qt::Key_Backtab, Qt::ShiftModifier); break;
        case Return: QTest::keyClick(&inspector, Qt::Key_Return); break;
        case ClickValue: shown.click(shown.valueOf(other.get()).location + 1); break;
        case ClickBeside:
            QTest::mouseClick(inspector.viewport(), Qt::LeftButton, {}, shown.pointOf(shown.valueOf(other.get()).max()) + QPoint(40, 0));
            break;
        case ClickLabel: shown.click(inspector.charRangeOfField(other.get()).location + 2); break;
        case ClickBelow:
            QTest::mouseClick(inspector.viewport(), Qt::LeftButton, {}, QPoint(4, inspector.viewport()->height() - 3));
            break;
        case Rebuild: inspector.recreateFieldTextStorage(); break;
        case HandOver: {
            QString refusal;
            EXPECT_TRUE(inspector.commitEdit(&refusal)) << qPrintable(refusal);
            break;
        }
        case Editable: inspector.setEditableState(true); break;
        case EndCount: break;
        }
        const bool stillEditing = inspector.activeField() == field.get();
        // A rebuild shows the stored value again; every other end hands the text over,
        // and so does the document's hand-over, which leaves the edit open.
        if (end != Rebuild && (!stillEditing || end == HandOver)) {
            EXPECT_EQ(item->descript, typed);
            handedOver += end != HandOver;
        }
        ended += !stillEditing;
        holdsWhatItShows(names[end]);
        if (inspector.isEditing())
            inspector.endEditing();
        holdsWhatItShows("the end of the step");
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_GT(ended, 200);
    EXPECT_GT(handedOver, 150);
}

TEST(InspectorTextView, UntouchedValuesWriteNothing)
{
    // Tab through "Multiple Values" and "No Selection" clears nothing.
    Shown shown;
    Item a(QStringLiteral("one")), b(QStringLiteral("two"));
    platform::ArrayController controller;
    controller.setContentArray({KeyValueObservable::fromObservable(&a), KeyValueObservable::fromObservable(&b)});
    controller.setSelectionIndexes({0, 1});
    auto descr = textField(QStringLiteral("descr"), QStringLiteral("Description"), QStringLiteral("Say more"));
    descr->bind(QStringLiteral("value"), &controller, QStringLiteral("selectedObjects.descript"));
    auto none = textField(QStringLiteral("none"), QStringLiteral("None"), QStringLiteral("ph"));
    none->setValue(QVariantList{});
    shown.build({descr, none});
    EXPECT_EQ(shown.valueText(descr.get()), QStringLiteral("Multiple Values"));
    shown.click(shown.valueOf(descr.get()).location + 1);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&shown.inspector, Qt::Key_Tab);
    shown.inspector.endEditing();
    EXPECT_EQ(a.descript, QStringLiteral("one"));
    EXPECT_EQ(b.descript, QStringLiteral("two"));
    EXPECT_EQ(a.writes + b.writes, 0);
    EXPECT_TRUE(platform::isListValue(none->value()));
    // Typing over it sets both.
    shown.click(shown.valueOf(descr.get()).location + 1);
    QTest::keyClicks(&shown.inspector, QStringLiteral("same"));
    QTest::keyClick(&shown.inspector, Qt::Key_Return);
    EXPECT_EQ(a.descript, QStringLiteral("same"));
    EXPECT_EQ(b.descript, QStringLiteral("same"));
}

TEST(InspectorTextView, TabEndsWhenNothingIsEditable)
{
    Shown shown;
    auto fixed = textField(QStringLiteral("fixed"), QStringLiteral("Fixed"), QStringLiteral("ph"));
    fixed->setEditable(false);
    shown.build({fixed, ViewField::separatorField()});
    for (const auto key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        QTest::keyClick(&shown.inspector, key);
        EXPECT_FALSE(shown.inspector.isEditing());
    }
    Shown empty;
    empty.inspector.setEditableState(true);
    QTest::keyClick(&empty.inspector, Qt::Key_Tab);
    EXPECT_FALSE(empty.inspector.isEditing());
    EXPECT_EQ(empty.inspector.nextEditableRange(0, true), Range(0, 1));
}

// The separator between two fields is a visible one-pixel line: every pixel of its
// row shows the palette's mid colour, which stands out from the inspector's
// background.
TEST(InspectorTextView, TheSeparatorIsAVisibleOnePixelLine)
{
    Shown shown;
    auto above = textField(QStringLiteral("above"), QStringLiteral("Above"), QStringLiteral("ph"));
    auto separator = ViewField::separatorField();
    auto below = textField(QStringLiteral("below"), QStringLiteral("Below"), QStringLiteral("ph"));
    shown.build({above, separator, below});
    QWidget *line = separator->view();
    ASSERT_NE(line, nullptr);
    QTRY_VERIFY(line->isVisible());
    EXPECT_EQ(line->height(), 1);
    ASSERT_GT(line->width(), 20);
    const QImage image = shown.inspector.viewport()->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    const QPoint origin = line->mapTo(shown.inspector.viewport(), QPoint(0, 0));
    const QColor mid = line->palette().color(QPalette::Mid);
    const QColor background = shown.inspector.viewport()->palette().color(shown.inspector.viewport()->backgroundRole());
    auto distance = [](const QColor &a, const QColor &b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    ASSERT_GT(distance(mid, background), 60);
    for (int x = 2; x < line->width() - 2; x += 7) {
        const QColor pixel = image.pixelColor(int((origin.x() + x) * scale), int(origin.y() * scale));
        EXPECT_LT(distance(pixel, mid), 12) << "x " << x;
    }
}

TEST(InspectorTextView, DelegateIsKeptWeakly)
{
    struct Delegate : QObject, NTXTextViewInspectorDelegate
    {
        int changes = 0;
        void textViewInspectorDidChangedValueOfField(NTXTextViewInspector *, NTXTextViewInspectorField *) override
        {
            ++changes;
        }
    };
    Shown shown;
    auto descr = textField(QStringLiteral("descr"), QStringLiteral("Description"), QStringLiteral("Say more"));
    shown.build({descr});
    auto delegate = std::make_unique<Delegate>();
    shown.inspector.setInspectorDelegate(delegate.get());
    EXPECT_EQ(shown.inspector.inspectorDelegate(), delegate.get());
    shown.click(shown.valueOf(descr.get()).location);
    QTest::keyClicks(&shown.inspector, QStringLiteral("x"));
    shown.inspector.endEditing();
    EXPECT_EQ(delegate->changes, 1);
    delegate.reset();
    EXPECT_EQ(shown.inspector.inspectorDelegate(), nullptr);
    shown.click(shown.valueOf(descr.get()).location);
    ASSERT_TRUE(shown.inspector.isEditing());
    QTest::keyClicks(&shown.inspector, QStringLiteral("y"));
    shown.inspector.endEditing();
    EXPECT_EQ(descr->value().toString(), QStringLiteral("y"));
}

TEST(InspectorTextView, PastedAndComposedTextIsCleaned)
{
    struct Case
    {
        bool newLines;
        QString input;
        QString value;
    };
    const QList<Case> cases{
        {true, QStringLiteral("a\r\nb\tc\nd"), QStringLiteral("a\u2028b c\u2028d")},
        {false, QStringLiteral("a\r\nb\tc\u2029d\uFFFC"), QStringLiteral("a b c d")},
    };
    for (const Case &c : cases) {
        Shown shown;
        auto descr = textField(QStringLiteral("descr"), QStringLiteral("Description"), QStringLiteral("Say more"));
        descr->setSupportNewLine(c.newLines);
        shown.build({descr});
        shown.click(shown.valueOf(descr.get()).location + 1);
        QMimeData data;
        data.setText(c.input);
        QApplication::clipboard()->setMimeData(new QMimeData);
        shown.inspector.insertFromMimeData(&data);
        EXPECT_EQ(shown.valueText(descr.get()), c.value);
        QInputMethodEvent composed(QString(), {});
        composed.setCommitString(QStringLiteral("\n"));
        QApplication::sendEvent(&shown.inspector, &composed);
        EXPECT_EQ(shown.valueText(descr.get()), c.value + (c.newLines ? QStringLiteral("\u2028") : QStringLiteral(" ")));
    }
}

TEST(InspectorTextView, SelectionIsPaintedOnlyInsideTheEditor)
{
    Shown shown;
    auto descr = textField(QStringLiteral("descr"), QStringLiteral("Description"), QStringLiteral("Say more"));
    auto other = textField(QStringLiteral("other"), QStringLiteral("Other"), QStringLiteral("Else"));
    shown.build({descr, other});
    shown.inspector.setFocus();
    shown.click(shown.valueOf(descr.get()).location + 1);
    QTest::keyClicks(&shown.inspector, QStringLiteral("selected text"));
    QTest::keyClick(&shown.inspector, Qt::Key_A, Qt::ControlModifier);
    ASSERT_GT(shown.inspector.selectedRange().length, 0);
    const QImage image = shown.inspector.viewport()->grab().toImage();
    const QRectF editor = shown.inspector.selectedRect();
    const QColor highlight = shown.inspector.palette().color(QPalette::Highlight);
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == highlight)
                ++(editor.contains(QPointF(x + 0.5, y + 0.5)) ? inside : outside);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

TEST(InspectorTextView, ListRowsChangeInPlace)
{
    Shown shown;
    Item a(QStringLiteral("first")), b(QStringLiteral("second"));
    platform::ArrayController controller;
    auto list = std::make_shared<NTXTextViewInspectorListField>(QStringLiteral("list"), QString(),
                                                                Label::fieldLabelWithString(QStringLiteral("Rows")));
    auto row = std::make_shared<EditRow>();
    list->setEntryFieldTemplate(row);
    list->setEditable(true);
    auto head = textField(QStringLiteral("head"), QStringLiteral("Head"), QStringLiteral("ph"));
    shown.build({head, list});
    list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("descript"), QString());
    const qsizetype before = shown.inspector.visibleFieldsArray().size();
    controller.addObject(KeyValueObservable::fromObservable(&a));
    ASSERT_EQ(shown.inspector.visibleFieldsArray().size(), before + 1);
    EXPECT_EQ(shown.inspector.visibleFieldsArray().at(1), list->rowAtIndex(0));
    controller.insertObjectAtArrangedObjectIndex(KeyValueObservable::fromObservable(&b), 0);
    ASSERT_EQ(shown.inspector.visibleFieldsArray().size(), before + 2);
    EXPECT_EQ(shown.inspector.visibleFieldsArray().at(1), list->rowAtIndex(0));
    EXPECT_TRUE(shown.inspector.string().startsWith(QStringLiteral("\n\tHead\tph\n")));
    EXPECT_LT(shown.inspector.charRangeOfField(list->rowAtIndex(0).get()).location,
              shown.inspector.charRangeOfField(list->rowAtIndex(1).get()).location);
    QPointer<QWidget> removed = dynamic_cast<ViewField *>(list->rowAtIndex(0).get())->view();
    controller.removeObjectAtArrangedObjectIndex(0);
    EXPECT_EQ(shown.inspector.visibleFieldsArray().size(), before + 1);
    EXPECT_EQ(list->allFields().size(), 1);
    // The remove button of a row removes its element, and with it the row, once.
    controller.addObject(KeyValueObservable::fromObservable(&b));
    ASSERT_EQ(list->allFields().size(), 2);
    const QList<QWidget *> views =
        shown.inspector.viewsInCharacterRange(shown.inspector.charRangeOfField(list->rowAtIndex(1).get()));
    ASSERT_EQ(views.size(), 3); // add, remove, the row's control
    shown.inspector.removeListRow(views.at(1));
    EXPECT_EQ(controller.arrangedObjects().size(), 1);
    EXPECT_EQ(list->allFields().size(), 1);
    EXPECT_TRUE(removed.isNull() || !removed->parentWidget()); // given back, gone with its row
    EXPECT_TRUE(shown.inspector.string().startsWith(QStringLiteral("\n")));
}

// A row that keeps the next row at least 30 below the top of its line.
// A removed row's control goes with its row at once when nothing else holds the row;
// a row still held gets its control back without a parent after the next event pass,
// or at once when the inspector dies first.
TEST(InspectorTextView, ARemovedRowTakesItsControlAlongOrHasItBack)
{
    Item a(QStringLiteral("first")), b(QStringLiteral("second"));
    platform::ArrayController controller;
    auto list = std::make_shared<NTXTextViewInspectorListField>(QStringLiteral("list"), QString(),
                                                                Label::fieldLabelWithString(QStringLiteral("Rows")));
    list->setEntryFieldTemplate(std::make_shared<EditRow>());
    list->setEditable(true);
    const auto viewOf = [&list](qsizetype i) {
        return QPointer<QWidget>(dynamic_cast<ViewField *>(list->rowAtIndex(i).get())->view());
    };
    Inspector::FieldPtr held;
    QPointer<QWidget> heldView;
    {
        Shown shown;
        shown.build({textField(QStringLiteral("head"), QStringLiteral("Head"), QStringLiteral("ph")), list});
        list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("descript"), QString());
        controller.addObject(KeyValueObservable::fromObservable(&a));
        controller.addObject(KeyValueObservable::fromObservable(&b));
        ASSERT_EQ(list->allFields().size(), 2);
        const QPointer<QWidget> gone = viewOf(1);
        ASSERT_EQ(gone->parentWidget(), shown.inspector.viewport());
        controller.removeObjectAtArrangedObjectIndex(1);
        EXPECT_TRUE(gone.isNull()) << "deleted with its row";

        held = list->rowAtIndex(0);
        heldView = viewOf(0);
        controller.removeObjectAtArrangedObjectIndex(0);
        ASSERT_TRUE(heldView);
        EXPECT_TRUE(heldView->isHidden());
        QCoreApplication::processEvents();
        ASSERT_TRUE(heldView);
        EXPECT_EQ(heldView->parentWidget(), nullptr) << "given back to its row";

        // A held row shown again (a field of the inspector's own) before the pass keeps
        // its control: the pass gives back only what is still released.
        controller.addObject(KeyValueObservable::fromObservable(&a));
        const Inspector::FieldPtr again = list->rowAtIndex(0);
        const QPointer<QWidget> againView = viewOf(0);
        controller.removeObjectAtArrangedObjectIndex(0);
        shown.build({again});
        QCoreApplication::processEvents();
        ASSERT_TRUE(againView);
        EXPECT_EQ(againView->parentWidget(), shown.inspector.viewport()) << "shown again: the inspector's";

        // A held row removed just before the inspector goes; the other row stays shown.
        controller.addObject(KeyValueObservable::fromObservable(&a));
        controller.addObject(KeyValueObservable::fromObservable(&b));
        const QPointer<QWidget> staying = viewOf(0);
        held = list->rowAtIndex(1);
        heldView = viewOf(1);
        controller.removeObjectAtArrangedObjectIndex(1);
        EXPECT_EQ(staying->parentWidget(), shown.inspector.viewport());
        list->unbindController();
    }
    // The inspector died before the pass: it gave the control back as it went.
    ASSERT_TRUE(heldView);
    EXPECT_EQ(heldView->parentWidget(), nullptr);
    held.reset();
    EXPECT_TRUE(heldView.isNull());
}

class TallRow : public ViewField
{
public:
    TallRow() : ViewField(QStringLiteral("row"), new QLineEdit, QString(), Label::fieldLabelWithString(QStringLiteral("Row")))
    {
        setMinimumHeight(30);
    }
    std::shared_ptr<NTXTextViewInspectorField> copy() const override { return std::make_shared<TallRow>(); }
};

// Elements inserted into and removed from the controller at random places: after
// every step the visible fields follow the rows, every field's text is found where
// it is (the same run a search of the whole text finds), the new row's control
// stands on its line at once, and, once the event loop ran, every row's control
// stands below the one before and the line rule holds between rows.
TEST(InspectorTextView, RandomRowChangesKeepFieldsTextAndControlsInStep)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        Shown shown;
        shown.inspector.resize(320, 900);
        platform::ArrayController controller;
        auto list = std::make_shared<NTXTextViewInspectorListField>(QStringLiteral("list"), QString(),
                                                                    Label::fieldLabelWithString(QStringLiteral("Rows")));
        list->setEntryFieldTemplate(std::make_shared<TallRow>());
        list->setEditable(true);
        auto head = textField(QStringLiteral("head"), QStringLiteral("Head"), QStringLiteral("ph"));
        auto tail = textField(QStringLiteral("tail"), QStringLiteral("Tail"), QStringLiteral("end"));
        shown.build({head, list, tail});
        list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("descript"), QString());
        std::vector<std::unique_ptr<Item>> items;
        const QTextDocument &document = *shown.inspector.document();
        for (int step = 0; step < 80; ++step) {
            SCOPED_TRACE(step);
            const qsizetype count = controller.arrangedObjects().size();
            const bool insert = count == 0 || random() % 3 != 0;
            if (insert) {
                items.push_back(std::make_unique<Item>(QStringLiteral("row %1").arg(step)));
                const qsizetype at = qsizetype(random() % unsigned(count + 1));
                controller.insertObjectAtArrangedObjectIndex(KeyValueObservable::fromObservable(items.back().get()), at);
                // The new row's control stands on its line before the event loop runs.
                const auto *row = dynamic_cast<ViewField *>(list->rowAtIndex(at).get());
                ASSERT_TRUE(row);
                const QRectF line = document.documentLayout()->blockBoundingRect(
                    document.findBlock(int(shown.inspector.charRangeOfField(row).location)));
                const int y = row->view()->y() + shown.inspector.verticalScrollBar()->value();
                EXPECT_TRUE(row->view()->isVisibleTo(shown.inspector.viewport()));
                EXPECT_GE(y, line.top() - 4);
                EXPECT_LE(y + row->view()->height(), line.bottom() + 4);
            } else {
                controller.removeObjectAtArrangedObjectIndex(qsizetype(random() % unsigned(count)));
            }
            QList<Inspector::FieldPtr> expected{head};
            expected += list->allRows();
            expected.append(tail);
            ASSERT_EQ(shown.inspector.visibleFieldsArray(), expected);
            qsizetype previousEnd = 0;
            for (const Inspector::FieldPtr &field : expected) {
                const Range found = shown.inspector.charRangeOfField(field.get());
                EXPECT_EQ(found, NTXNSTextStorageExtensions::longestRangeForAttribute(
                                     document, Text::FieldProperty, Text::fieldValue(field.get()), 0));
                ASSERT_FALSE(found.isNotFound());
                EXPECT_GE(found.location, previousEnd);
                previousEnd = found.max();
            }
            if (random() % 4 == 0 || step == 79) {
                QApplication::processEvents();
                const QList<Inspector::FieldPtr> rows = list->allRows();
                for (qsizetype i = 1; i < rows.size(); ++i) {
                    const QWidget *above = dynamic_cast<ViewField *>(rows.at(i - 1).get())->view();
                    const QWidget *below = dynamic_cast<ViewField *>(rows.at(i).get())->view();
                    EXPECT_GT(shown.inspector.subviewFrame(below).y(), shown.inspector.subviewFrame(above).y()) << i;
                    EXPECT_GE(rows.at(i)->lineFragmentRect().y(), rows.at(i - 1)->lineFragmentRect().y() + 30 - 0.5) << i;
                }
            }
        }
    }
}

TEST(InspectorTextView, AListBoundToAFilledArrayShowsItsRows)
{
    Item a(QStringLiteral("first")), b(QStringLiteral("second"));
    platform::ArrayController controller;
    controller.setContentArray({KeyValueObservable::fromObservable(&a), KeyValueObservable::fromObservable(&b)});
    auto list = std::make_shared<NTXTextViewInspectorListField>(QStringLiteral("list"), QString(),
                                                                Label::fieldLabelWithString(QStringLiteral("Rows")));
    list->setEntryFieldTemplate(std::make_shared<EditRow>());
    list->setEditable(true);
    list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("descript"), QString());
    Shown shown;
    shown.build({list});
    ASSERT_EQ(list->allRows().size(), 2);
    EXPECT_EQ(shown.inspector.visibleFieldsArray(), list->allRows());
    EXPECT_EQ(list->rowAtIndex(1)->value(), KeyValueObservable::fromObservable(&b)); // bound to its element
    controller.removeObjectAtArrangedObjectIndex(0);
    EXPECT_EQ(shown.inspector.visibleFieldsArray(), list->allRows());
    EXPECT_EQ(list->allRows().size(), 1);
}

TEST(InspectorTextView, AControlTakesClicksOnlyInAnEditableInspector)
{
    // A read-only rating refuses clicks too, in an editable inspector.
    const std::pair<bool, bool> cases[] = {{false, true}, {true, true}, {true, false}};
    for (const auto &[inspectorEditable, fieldEditable] : cases) {
        const bool editable = inspectorEditable && fieldEditable;
        Shown shown;
        auto rating = std::make_shared<NTXTextViewInspectorRatingField>(QStringLiteral("rating"), QString(),
                                                                        Label::fieldLabelWithString(QStringLiteral("Rating")));
        rating->setValue(1);
        rating->setEditable(fieldEditable);
        shown.build({rating}, inspectorEditable);
        QWidget *stars = rating->view();
        ASSERT_TRUE(stars->isVisible()) << editable;
        // As a user's click: through the window, to whatever widget is under the mouse.
        const QPoint fifthStar = stars->mapTo(&shown.inspector, QPoint(stars->width() - 2, stars->height() / 2));
        QTest::mouseClick(shown.inspector.windowHandle(), Qt::LeftButton, {}, fifthStar);
        QTest::mouseClick(stars, Qt::LeftButton, {}, QPoint(stars->width() - 2, stars->height() / 2));
        EXPECT_EQ(rating->value(), QVariant(editable ? 5 : 1)) << editable;
    }
}

TEST(InspectorTextView, EitherTheInspectorOrItsFieldsMayDieFirst)
{
    QPointer<QLineEdit> edit = new QLineEdit;
    auto field = ViewField::viewFieldWithIdentifier(QStringLiteral("edit"), edit, Label::fieldLabelWithString(QStringLiteral("Edit")));
    {
        Shown shown;
        shown.build({field});
        EXPECT_EQ(edit->parentWidget(), shown.inspector.viewport());
    }
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->parentWidget(), nullptr);
    EXPECT_EQ(field->textViewInspector(), nullptr);
    field.reset();
    EXPECT_FALSE(edit);
}

// The no-selection view is one for all inspectors: it stands in the inspector that
// entered the mode last, and leaving the mode never takes it from another inspector
// that still shows it.
TEST(InspectorTextView, InspectorsInADisplayModeShareItsViewWithoutBlanking)
{
    QWidget *none = NTXTextViewInspectorViewController::noSelectionView();
    ASSERT_TRUE(none);
    auto showsNone = [none](Inspector &inspector) {
        return none->parentWidget() == inspector.viewport() && none->isVisibleTo(&inspector);
    };
    for (const bool laterLeavesFirst : {false, true}) {
        SCOPED_TRACE(laterLeavesFirst);
        Shown first, second;
        first.inspector.setDisplaymode(Inspector::NoSelectionMode);
        EXPECT_TRUE(showsNone(first.inspector));
        second.inspector.setDisplaymode(Inspector::NoSelectionMode);
        EXPECT_TRUE(showsNone(second.inspector));
        Inspector &leaving = laterLeavesFirst ? second.inspector : first.inspector;
        Inspector &staying = laterLeavesFirst ? first.inspector : second.inspector;
        leaving.setDisplaymode(Inspector::FieldsMode);
        EXPECT_EQ(staying.displayMode(), Inspector::NoSelectionMode);
        EXPECT_TRUE(showsNone(staying)) << "the inspector still in the mode shows the view";
        EXPECT_NE(none->parentWidget(), leaving.viewport());
        staying.setDisplaymode(Inspector::MultipleSelectionMode);
        EXPECT_NE(none->parentWidget(), staying.viewport());
        EXPECT_FALSE(none->isVisible()) << "given back to its owner";
        staying.setDisplaymode(Inspector::FieldsMode);
    }
    // An inspector that dies in the mode gives the view on, too.
    Shown survivor;
    survivor.inspector.setDisplaymode(Inspector::NoSelectionMode);
    {
        Shown brief;
        brief.inspector.setDisplaymode(Inspector::NoSelectionMode);
        EXPECT_TRUE(showsNone(brief.inspector));
    }
    EXPECT_TRUE(showsNone(survivor.inspector));
    survivor.inspector.setDisplaymode(Inspector::FieldsMode);
    EXPECT_FALSE(none->isVisible());
}
