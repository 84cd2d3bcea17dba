// The inspector's field model: value states, visibility, labels, copies, text and
// list fields, binding to a selection, the replacement views and the label pop-up.
#include "NTXAppKit/NTXPopUpButton/NTXPopUpButton.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldDelegate.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewController.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/drawing/InterfaceFiles.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/DataModel.h"
#include "platform/foundation/Exception.h"

#include <cstdlib>
#include <cstdio>
#include <QLineEdit>
#include <QMenu>
#include <gtest/gtest.h>

using platform::KeyValueObservable;
using Label = NTXTextViewInspectorFieldLabel;
using TextField = NTXTextViewInspectorTextField;
using ViewField = NTXTextViewInspectorViewField;
using ListField = NTXTextViewInspectorListField;

namespace {

class Node : public KeyValueObservable
{
public:
    explicit Node(QString text = {}) : descript(std::move(text)) {}
    QString descript;
    QVariant kind;
    int writes = 0;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("descript"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Node &>(o).descript); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Node &>(o).descript = v.toString(); }}},
            {QStringLiteral("kind"),
             {[](const KeyValueObservable &o) { return static_cast<const Node &>(o).kind; },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &node = static_cast<Node &>(o);
                  node.kind = v;
                  ++node.writes;
              }}},
        };
        return table;
    }
};

QVariant ref(KeyValueObservable &object)
{
    return KeyValueObservable::fromObservable(&object);
}

class UpperFormatter : public platform::Formatter
{
public:
    std::unique_ptr<Formatter> clone() const override { return std::make_unique<UpperFormatter>(); }
    QString stringForObjectValue(const QVariant &value) const override { return value.toString().toUpper(); }
    bool getObjectValue(QVariant &value, const QString &text, QString *) const override
    {
        value = text.toLower();
        return true;
    }
};

class RowDelegate : public QObject, public NTXTextViewInspectorFieldDelegate
{
public:
    QStringList calls;
    void listFieldDidRemoveRow(NTXTextViewInspectorListField *list, const NTXTextViewInspectorFieldPtr &row,
                               qsizetype index) override
    {
        // The row is no longer a sub-field but still alive.
        calls << QStringLiteral("removed %1 %2").arg(index).arg(list->indexOfField(row.get()));
    }
    void listFieldDidInsertRow(NTXTextViewInspectorListField *, const NTXTextViewInspectorFieldPtr &, qsizetype index) override
    {
        calls << QStringLiteral("inserted %1").arg(index);
    }
};

std::shared_ptr<TextField> textField(const QString &identifier = QStringLiteral("field"))
{
    return NTXTextViewInspectorField::fieldWithIdentifier<TextField>(identifier, QStringLiteral("None"), nullptr);
}

KeyValueObservable *rowModel(const NTXTextViewInspectorFieldPtr &row)
{
    return KeyValueObservable::toObservable(row->value());
}

} // namespace

TEST(InspectorFields, ValueStatesCountElements)
{
    const QVariant null = platform::nullValue();
    const QVariant two = QVariantList{QStringLiteral("a"), QStringLiteral("a")};
    const struct
    {
        QVariant value;
        bool multipleValues;
        int state;
    } cases[] = {
        {QVariantList{}, false, 2},       {QVariantList{null}, false, 3}, {QVariant(), false, 3}, {null, false, 3},
        {two, false, 1},                  {two, true, 0},                 {QStringLiteral("a"), false, 0},
        {QVariantList{QStringLiteral("a")}, false, 0},
    };
    for (const auto &c : cases) {
        auto field = textField();
        field->setSupportMultipleValues(c.multipleValues);
        field->setValue(c.value);
        EXPECT_EQ(field->valueState(), c.state) << qPrintable(field->displayStringForValue());
    }
}

TEST(InspectorFields, VisibilityAsksTheCompoundAndTheFlags)
{
    auto compound = std::make_shared<NTXTextViewInspectorCompoundField>(QStringLiteral("c"), QString(), nullptr);
    auto field = textField();
    compound->addField(field);
    field->setValue(QStringLiteral("x"));
    EXPECT_TRUE(field->shouldBeVisibleWithEditableState(true));
    compound->setHidden(true);
    EXPECT_FALSE(field->shouldBeVisibleWithEditableState(true));
    compound->setHidden(false);
    field->setSuppressFieldIfNotEditable(true);
    EXPECT_FALSE(field->shouldBeVisibleWithEditableState(false));
    field->setSuppressFieldIfNotEditable(false);
    field->setConditionallySetsHidden(true);
    EXPECT_TRUE(field->shouldBeVisibleWithEditableState(true));
    field->setValue(QVariant());
    EXPECT_FALSE(field->shouldBeVisibleWithEditableState(true));
    EXPECT_TRUE(field->isSubFieldOf(compound.get()));

    EXPECT_TRUE(ViewField::separatorField()->shouldBeVisibleWithEditableState(false));
    EXPECT_FALSE(std::make_shared<ViewField>(QStringLiteral("v"), QString(), nullptr)->shouldBeVisibleWithEditableState(false));
    compound->removeAllFields();
    EXPECT_EQ(field->compoundField(), nullptr);
}

TEST(InspectorFields, LabelMenusAndChoices)
{
    auto field = textField();
    const auto work = Label::fieldLabelWithString(QStringLiteral("work"), QStringLiteral("W"));
    const auto home = Label::fieldLabelWithString(QStringLiteral("Home"), QStringLiteral("H"));
    home->setLabelDependentPlaceholder(QStringLiteral("street"));
    field->setLabelArray({work});
    EXPECT_EQ(field->labelMenu(), nullptr);
    EXPECT_FALSE(field->shouldDisplayLabelMenu());

    field->setLabelArray({work, home});
    const std::unique_ptr<QMenu> menu = field->labelMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Home"));
    EXPECT_TRUE(field->shouldDisplayLabelMenu());
    field->setEditable(false);
    EXPECT_FALSE(field->shouldDisplayLabelMenu());

    Node model;
    field->bind(QStringLiteral("selectedRepresentedObjectOfLabel"), &model, QStringLiteral("kind"));
    model.setValueForKey(QStringLiteral("W"), QStringLiteral("kind"));
    EXPECT_EQ(field->label(), work);
    const int writes = model.writes;

    menu->actions().at(0)->trigger(); // "Home"
    EXPECT_EQ(model.kind, QVariant(QStringLiteral("H")));
    EXPECT_EQ(field->placeholder(), QStringLiteral("street"));
    EXPECT_EQ(model.writes, writes + 1);
    field->chooseLabel(home); // the current label again
    EXPECT_EQ(model.writes, writes + 1);
    field->chooseLabel(work);
    EXPECT_EQ(field->placeholder(), QStringLiteral("None"));

    NTXPopUpButton *popup = field->labelSelectionPopup();
    EXPECT_EQ(popup, field->labelSelectionPopup());
    EXPECT_EQ(popup->selectedItem()->text(), QStringLiteral("work"));
    EXPECT_FALSE(popup->popUpCell()->isBordered());
}

TEST(InspectorFields, CopiesKeepFlagsAndLabelsButNotValueOrCompound)
{
    auto compound = std::make_shared<NTXTextViewInspectorCompoundField>(QStringLiteral("c"), QString(), nullptr);
    auto field = std::make_shared<TextField>(QStringLiteral("t"), QStringLiteral("p"), Label::fieldLabelWithString(QStringLiteral("L")));
    compound->addField(field);
    field->setLabelArray({field->label(), Label::fieldLabelWithString(QStringLiteral("M"))});
    field->setHidden(true);
    field->setMinimumHeight(12);
    field->setValue(QStringLiteral("v"));
    field->setFormatter(std::make_shared<UpperFormatter>());
    field->setSupportNewLine(true);
    field->setValidationMethod(TextField::URLValidation);

    const auto copied = std::dynamic_pointer_cast<TextField>(field->copy());
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->isHidden());
    EXPECT_EQ(copied->minimumHeight(), 12);
    EXPECT_EQ(copied->labelArray(), field->labelArray());
    EXPECT_EQ(copied->label()->label(), QStringLiteral("L"));
    EXPECT_NE(copied->label(), field->label());
    EXPECT_FALSE(copied->value().isValid());
    EXPECT_EQ(copied->compoundField(), nullptr);
    EXPECT_EQ(copied->formatter(), field->formatter());
    EXPECT_EQ(copied->validationMethod(), TextField::URLValidation);
    EXPECT_FALSE(copied->supportNewLine());
    EXPECT_EQ(copied->defaultPlaceholder(), QStringLiteral("p"));
    EXPECT_NE(std::dynamic_pointer_cast<ListField>(std::make_shared<ListField>(QString(), QString(), nullptr)->copy()), nullptr);
}

TEST(InspectorFields, TextFieldsDisplayAndReadText)
{
    auto field = textField();
    const struct
    {
        QVariant value;
        QString shown;
    } cases[] = {
        {QStringLiteral("a\n\nb"), QStringLiteral("a\u2028b")},
        {QStringLiteral("one line"), QStringLiteral("one line")},
        {42, QString()},
        {QVariantList{QStringLiteral("s"), QStringLiteral("s"), QStringLiteral("s")}, QStringLiteral("s")},
        {QVariantList{QStringLiteral("s"), QStringLiteral("t")}, QString()},
    };
    for (const auto &c : cases) {
        field->setValue(c.value);
        EXPECT_EQ(field->displayStringForValue(), c.shown);
    }
    EXPECT_FALSE(field->valueObjectForString(QStringLiteral("NONE")).isValid());
    EXPECT_FALSE(field->valueObjectForString(QStringLiteral("multiple values")).isValid());
    EXPECT_EQ(field->valueObjectForString(QStringLiteral("Text")), QVariant(QStringLiteral("Text")));
    field->setFormatter(std::make_shared<UpperFormatter>());
    field->setValue(QStringLiteral("abc"));
    EXPECT_EQ(field->displayStringForValue(), QStringLiteral("ABC"));
    EXPECT_EQ(field->valueObjectForString(QStringLiteral("XY")), QVariant(QStringLiteral("xy")));
    field->setValue(QStringLiteral("  "));
    EXPECT_TRUE(field->isValueEmpty());
}

TEST(InspectorFields, AnInvalidAddressDisablesWhatIsBoundToItsValidity)
{
    auto address = textField(QStringLiteral("mail"));
    address->setValidationMethod(TextField::EMailValidation);
    auto *edit = new QLineEdit;
    auto button = ViewField::viewFieldWithIdentifier(QStringLiteral("button"), edit, nullptr);
    EXPECT_TRUE(button->isEditable());
    button->bind(QStringLiteral("isEnabled"), address.get(), QStringLiteral("isValid"));

    address->setValue(QStringLiteral("someone@example.org"));
    EXPECT_TRUE(button->isEnabled());
    address->setValue(QStringLiteral("not an address"));
    EXPECT_FALSE(address->isValid());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(edit->isEnabled());
}

TEST(InspectorFields, ListFieldsFollowTheirController)
{
    Node a(QStringLiteral("a")), b(QStringLiteral("b")), c(QStringLiteral("c")), d(QStringLiteral("d"));
    platform::ArrayController controller;
    RowDelegate delegate;
    ListField list(QStringLiteral("list"), QString(), nullptr);
    list.setEntryFieldTemplate(textField(QStringLiteral("row")));
    list.setDefaultLabels({Label::fieldLabelWithString(QStringLiteral("first")), Label::fieldLabelWithString(QStringLiteral("second"))});
    list.setDelegate(&delegate);
    controller.setContentArray({ref(a), ref(b), ref(c)});
    list.bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("self"), QString());

    controller.setContentArray({});
    ASSERT_EQ(list.allRows().size(), 2);
    EXPECT_EQ(list.rowAtIndex(1)->label()->label(), QStringLiteral("second"));
    EXPECT_FALSE(list.rowAtIndex(0)->value().isValid());

    controller.setContentArray({ref(a), ref(b), ref(c)});
    ASSERT_EQ(list.allRows().size(), 5); // three elements and the two default labels
    delegate.calls.clear();
    controller.removeObjectsAtArrangedObjectIndexes({1, 2});
    EXPECT_EQ(delegate.calls, (QStringList{QStringLiteral("removed 2 -1"), QStringLiteral("removed 1 -1")}));
    EXPECT_EQ(rowModel(list.rowAtIndex(0)), &a);

    controller.insertObjectAtArrangedObjectIndex(ref(d), 0);
    EXPECT_EQ(rowModel(list.rowAtIndex(0)), &d);
    EXPECT_EQ(rowModel(list.rowAtIndex(1)), &a);
    controller.replaceObjectAtArrangedObjectIndex(1, ref(b));
    EXPECT_EQ(rowModel(list.rowAtIndex(1)), &b);

    controller.setEditable(false);
    EXPECT_FALSE(list.isEnabled());
    list.unbindController();
    EXPECT_TRUE(list.isEnabled());

    list.setValue(QVariantList{QVariantList{1, 2}, QVariantList{2, 3}});
    EXPECT_EQ(list.allRows().size(), 3);
    list.setValue(QStringLiteral("ignored"));
    EXPECT_EQ(list.allRows().size(), 3);
}

TEST(InspectorFields, AFieldBoundToSeveralSelectedObjectsShowsAndWritesThemAll)
{
    Node first(QStringLiteral("same")), second(QStringLiteral("same"));
    platform::ArrayController controller;
    controller.setContentArray({ref(first), ref(second)});
    controller.setSelectionIndexes({0, 1});
    auto field = textField();
    field->bind(QStringLiteral("value"), &controller, QStringLiteral("selectedObjects.descript"));
    EXPECT_EQ(field->valueState(), 1);
    EXPECT_EQ(field->displayStringForValue(), QStringLiteral("same"));

    second.setValueForKey(QStringLiteral("other"), QStringLiteral("descript"));
    EXPECT_EQ(field->value(), QVariant(QVariantList{QStringLiteral("same"), QStringLiteral("other")}));

    field->propagate(QStringLiteral("both"), QStringLiteral("value"));
    EXPECT_EQ(first.descript, QStringLiteral("both"));
    EXPECT_EQ(second.descript, QStringLiteral("both"));
}

TEST(InspectorFields, FieldsMadeFromAPropertyTakeTheModelTexts)
{
    const auto model = platform::DataModel::create({{QStringLiteral("Property/wage"), QStringLiteral("Wage")}});
    const platform::DataEntity entity = model->addEntity(QStringLiteral("Task"), {QStringLiteral("wage")});
    const auto field = NTXTextViewInspectorField::fieldWithPropertyName<TextField>(QStringLiteral("wage"), entity);
    EXPECT_EQ(field->identifier(), QStringLiteral("wage"));
    EXPECT_EQ(field->label()->label(), QStringLiteral("Wage:"));
    EXPECT_EQ(field->placeholder(), QStringLiteral("Wage"));
    EXPECT_TRUE(field->isEditable());
}

// The shared views are made once per process, on first use: the test runs in a
// process of its own, so that an earlier test cannot have made them already.
static int replacementViewsInAFreshProcess()
{
    int failures = 0;
    auto expect = [&failures](bool ok, const char *what) {
        if (!ok) {
            std::fprintf(stderr, "failed: %s\n", what);
            ++failures;
        }
    };
    const QString name = NTXTextViewInspectorViewController::InterfaceFileName;
    platform::InterfaceFiles::registerInterfaceFile(name, [](QObject *) { return nullptr; });
    try {
        NTXTextViewInspectorViewController::noSelectionView();
        expect(false, "no exception");
    } catch (const platform::Exception &e) {
        expect(e.name() == QStringLiteral("View initialization failed"), "the exception's name");
        expect(e.reason() == QStringLiteral("NTXTextViewInspectorViewController: Could not load views resources!"),
               "the exception's reason");
    }
    int builds = 0;
    platform::InterfaceFiles::registerInterfaceFile(name, [&builds](QObject *owner) {
        ++builds;
        return NTXTextViewInspectorViewController::buildViews(owner);
    });
    QWidget *none = NTXTextViewInspectorViewController::noSelectionView();
    expect(none != nullptr, "a no-selection view");
    expect(NTXTextViewInspectorViewController::noSelectionView() == none, "the same view again");
    expect(NTXTextViewInspectorViewController::multipleSelectionView() != nullptr, "a multiple-selection view");
    expect(builds == 1, "one build");
    platform::InterfaceFiles::registerInterfaceFile(name, &NTXTextViewInspectorViewController::buildViews);
    return failures;
}

TEST(InspectorFields, ReplacementViewsAreBuiltOnceAndAMissingFileRaises)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(replacementViewsInAFreshProcess() == 0 ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(InspectorFields, TheLabelPopUpCellWidensItsTitle)
{
    platform::PopUpButtonCell base;
    NTXPopUpButtonCell cell;
    base.setBordered(false);
    cell.setBordered(false);
    const QRectF bounds(0, 0, 80, 20);
    const QRectF plain = base.titleRectForBounds(bounds);
    const QRectF widened = cell.titleRectForBounds(bounds);
    EXPECT_DOUBLE_EQ(widened.left(), plain.left() - 2);
    EXPECT_DOUBLE_EQ(widened.width(), plain.width() + 10);
    NTXPopUpButton button(QRect(0, 0, 80, 14));
    EXPECT_NE(button.ntxCell(), nullptr);
    EXPECT_EQ(button.geometry(), QRect(0, 0, 80, 14));
}

// The label pop-up is borderless: no panel and no frame around its title, only the
// arrow beside it; with a border the style's panel is drawn.
TEST(InspectorFields, TheLabelPopUpIsDrawnWithoutABorder)
{
    auto field = textField();
    field->setLabelArray({Label::fieldLabelWithString(QStringLiteral("work"), QStringLiteral("W")),
                          Label::fieldLabelWithString(QStringLiteral("Home"), QStringLiteral("H"))});
    NTXPopUpButton *popup = field->labelSelectionPopup();
    ASSERT_EQ(popup->size(), QSize(80, 14));
    auto rimIsBackground = [popup] {
        const QImage shot = popup->grab().toImage();
        const QColor background = popup->palette().color(QPalette::Window);
        bool plain = true;
        for (int x = 0; x < shot.width(); ++x)
            plain = plain && shot.pixelColor(x, 0) == background && shot.pixelColor(x, shot.height() - 1) == background;
        for (int y = 0; y < shot.height(); ++y)
            plain = plain && shot.pixelColor(0, y) == background && shot.pixelColor(shot.width() - 1, y) == background;
        int inked = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                inked += background.lightness() - shot.pixelColor(x, y).lightness() > 60;
        return std::make_pair(plain, inked);
    };
    const auto [plain, inked] = rimIsBackground();
    EXPECT_TRUE(plain) << "no panel, no frame";
    EXPECT_GT(inked, 8) << "the title and the arrow are drawn";
    popup->popUpCell()->setBordered(true);
    EXPECT_FALSE(rimIsBackground().first) << "a bordered pop-up has its panel";
    popup->popUpCell()->setBordered(false);
}
