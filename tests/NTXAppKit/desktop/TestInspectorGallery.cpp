// The inspector text view on a real X server, in one picture for a person to look at
// (inspector-gallery.png in the build folder): a description being edited in the
// raised editor, label pop-ups, list rows with their buttons, the read-only state and
// the no-selection and multiple-selection views.
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/NTXPopUpButton/NTXPopUpButton.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/foundation/ArrayController.h"

#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>

using platform::KeyValueObservable;
using Label = NTXTextViewInspectorFieldLabel;
using TextField = NTXTextViewInspectorTextField;
using ViewField = NTXTextViewInspectorViewField;

namespace {

class Entry : public KeyValueObservable
{
public:
    explicit Entry(QString text) : m_text(std::move(text)) {}

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("text"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const Entry &>(o).m_text); }, {}}}};
        return table;
    }

private:
    QString m_text;
};

class EditRow : public ViewField
{
public:
    EditRow() : ViewField(QStringLiteral("row"), new QLineEdit, QString(), Label::fieldLabelWithString(QStringLiteral("Phone"))) {}
    std::shared_ptr<NTXTextViewInspectorField> copy() const override
    {
        auto row = std::make_shared<EditRow>();
        row->setViewWidthShouldBeAdjusted(true);
        return row;
    }
};

NTXTextViewInspectorFieldLabelPtr label(const char *text)
{
    return Label::fieldLabelWithString(QString::fromLatin1(text));
}

std::shared_ptr<TextField> textField(const char *name, const char *placeholder, const QVariant &value = {})
{
    auto field = std::make_shared<TextField>(QString::fromLatin1(name), QString::fromLatin1(placeholder), label(name));
    if (value.isValid())
        field->setValue(value);
    return field;
}

// The document's fields: colour label, description, separator, duration, turnover.
QList<NTXTextViewInspector::FieldPtr> documentFields(const QString &description)
{
    auto color = ViewField::viewFieldWithIdentifier(QStringLiteral("colorLabelField"), new NTXColorLabelWidget, label("Color Label"));
    color->setNotEditableReplacementString(QStringLiteral("Orange"));
    auto descr = textField("Description", "No description", description.isEmpty() ? QVariant() : QVariant(description));
    descr->setSupportNewLine(true);
    auto duration = textField("Duration", "No Selection", QStringLiteral("2:15"));
    duration->setEditable(false);
    auto turnover = textField("Turnover", "No Selection", QStringLiteral("135.00 EUR"));
    turnover->setEditable(false);
    return {color, descr, ViewField::separatorField(), duration, turnover};
}

NTXTextViewInspector *inspectorWith(QGridLayout *grid, int row, int column, const char *caption,
                                    const QList<NTXTextViewInspector::FieldPtr> &fields, bool editable)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(new QLabel(QString::fromLatin1(caption)));
    auto *inspector = new NTXTextViewInspector;
    inspector->setFixedSize(280, 190);
    layout->addWidget(inspector);
    grid->addWidget(box, row, column);
    inspector->beginFieldEditing();
    inspector->addFieldsArray(fields);
    inspector->endFieldEditing();
    inspector->setEditableState(editable);
    return inspector;
}

} // namespace

TEST(InspectorGallery, ShowsWhatTheApplicationLeavesUnused)
{
    QWidget window;
    auto *grid = new QGridLayout(&window);

    NTXTextViewInspector *editing = inspectorWith(grid, 0, 0, "A description being edited",
                                                  documentFields(QStringLiteral("Design review")), true);

    auto phone = textField("Phone", "Number", QStringLiteral("+41 44 000 00 00"));
    phone->setLabelArray({phone->label(), label("Mobile"), label("Fax")});
    auto kind = ViewField::viewFieldWithIdentifier(QStringLiteral("kind"), new QLineEdit(QStringLiteral("private")), label("Kind"));
    kind->setLabelArray({kind->label(), label("Category")});
    // The pop-ups are wider than the label texts: the column makes room for them.
    NTXTextViewInspector::setMinFieldLabelWidth(100);
    NTXTextViewInspector *popups = inspectorWith(grid, 0, 1, "Label pop-ups", {phone, kind, textField("Note", "None")}, true);
    NTXTextViewInspector::setMinFieldLabelWidth(0);

    platform::ArrayController controller;
    Entry a(QStringLiteral("one")), b(QStringLiteral("two")), c(QStringLiteral("three"));
    auto list = std::make_shared<NTXTextViewInspectorListField>(QStringLiteral("phones"), QString(), label("Phones"));
    list->setEntryFieldTemplate(std::make_shared<EditRow>());
    list->setEditable(true);
    NTXTextViewInspector *rows = inspectorWith(grid, 0, 2, "List rows", {textField("Name", "No name", QStringLiteral("Ada")), list}, true);
    list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("text"), QString());
    for (Entry *entry : {&a, &b, &c})
        controller.addObject(KeyValueObservable::fromObservable(entry));

    NTXTextViewInspector *readOnly = inspectorWith(grid, 1, 0, "Read-only", documentFields(QStringLiteral("Design review")), false);
    NTXTextViewInspector *none = inspectorWith(grid, 1, 1, "Display mode 1", documentFields(QString()), true);
    none->setDisplaymode(NTXTextViewInspector::NoSelectionMode);
    NTXTextViewInspector *several = inspectorWith(grid, 1, 2, "Display mode 2", documentFields(QString()), true);
    several->setDisplaymode(NTXTextViewInspector::MultipleSelectionMode);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QCoreApplication::processEvents();
    editing->setFocus();
    const auto description = editing->fieldWithIdentifier(QStringLiteral("Description"));
    editing->jumpToField(description.get());
    ASSERT_TRUE(editing->isEditing());
    QTest::keyClick(editing, Qt::Key_Right);
    QTest::keyClicks(editing, QStringLiteral(" with the client"));
    QTest::keyClick(editing, Qt::Key_Return);
    QTest::keyClicks(editing, QStringLiteral("on Tuesday"));
    for (NTXTextViewInspector *inspector : {editing, popups, rows, readOnly, none, several})
        inspector->layoutAttachments();
    QCoreApplication::processEvents();

    EXPECT_TRUE(phone->labelSelectionPopup()->isVisible());
    EXPECT_TRUE(kind->labelSelectionPopup()->isVisible());
    EXPECT_EQ(list->allFields().size(), 3);
    EXPECT_EQ(rows->visibleFieldsArray().size(), 4);
    EXPECT_TRUE(readOnly->string().contains(QStringLiteral("Color Label:\tOrange")));
    EXPECT_FALSE(none->findChildren<QLabel *>().isEmpty());
    EXPECT_FALSE(editing->selectedRect().isNull());

    const QImage picture = window.grab().toImage();
    const QString file = testsupport::screenshotPath(QStringLiteral("inspector-gallery.png"));
    ASSERT_TRUE(picture.save(file));
    std::cout << "gallery: " << file.toStdString() << std::endl;
}
