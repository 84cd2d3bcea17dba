// A list field under a long seeded run of changes of its controller's array
// (insertions, removals of one or several elements, replacements, new arrays): after
// every change a row stands for each element in order, the rows left for default
// labels follow unbound, the delegate heard of every row that came and went, and an
// inspector showing the list shows every row, in order.
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldDelegate.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/foundation/ArrayController.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <algorithm>
#include <deque>
#include <random>

using platform::KeyValueObservable;
using Label = NTXTextViewInspectorFieldLabel;
using ListField = NTXTextViewInspectorListField;
using TextField = NTXTextViewInspectorTextField;

namespace {

class Element : public KeyValueObservable
{
public:
    explicit Element(QString text) : name(std::move(text)) {}
    QString name;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("name"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const Element &>(o).name); }, {}}},
        };
        return table;
    }
};

// A row with a control of its own: the inspector puts such rows in place as they come.
class EditRow : public NTXTextViewInspectorViewField
{
public:
    EditRow() : NTXTextViewInspectorViewField(QStringLiteral("row"), new QLineEdit, QString(), nullptr) {}
    std::shared_ptr<NTXTextViewInspectorField> copy() const override { return std::make_shared<EditRow>(); }
};

// Keeps a list of the rows as the delegate hears of them.
class MirrorDelegate : public QObject, public NTXTextViewInspectorFieldDelegate
{
public:
    std::deque<const NTXTextViewInspectorField *> rows;
    bool outOfRange = false;

    void listFieldDidInsertRow(NTXTextViewInspectorListField *, const NTXTextViewInspectorFieldPtr &row,
                               qsizetype index) override
    {
        if (index < 0 || index > qsizetype(rows.size())) {
            outOfRange = true;
            return;
        }
        rows.insert(rows.begin() + index, row.get());
    }
    void listFieldDidRemoveRow(NTXTextViewInspectorListField *, const NTXTextViewInspectorFieldPtr &row,
                               qsizetype index) override
    {
        if (index < 0 || index >= qsizetype(rows.size()) || rows[size_t(index)] != row.get()) {
            outOfRange = true;
            return;
        }
        rows.erase(rows.begin() + index);
    }
};

struct ListRun
{
    std::vector<std::unique_ptr<Element>> pool;
    platform::ArrayController controller;
    MirrorDelegate delegate;
    std::shared_ptr<ListField> list = std::make_shared<ListField>(QStringLiteral("list"), QString(), nullptr);
    std::mt19937 random;
    // Rows without element that the last new array left (for the default labels).
    int unbound = 0;

    explicit ListRun(unsigned seed, bool controlRows = false) : random(seed)
    {
        for (int i = 0; i < 12; ++i)
            pool.push_back(std::make_unique<Element>(QStringLiteral("element%1").arg(i)));
        auto row = NTXTextViewInspectorField::fieldWithIdentifier<TextField>(QStringLiteral("row"), QStringLiteral("None"),
                                                                             nullptr);
        if (controlRows)
            list->setEntryFieldTemplate(std::make_shared<EditRow>());
        else
            list->setEntryFieldTemplate(row);
        list->setDefaultLabels({Label::fieldLabelWithString(QStringLiteral("first")),
                                Label::fieldLabelWithString(QStringLiteral("second"))});
        list->setDelegate(&delegate);
        controller.setContentArray({});
        list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("self"), QString());
        resync();
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    QVariant anyElement() { return KeyValueObservable::fromObservable(pool[size_t(pick(int(pool.size())))].get()); }

    // The delegate was not told of the rows the binding made at once.
    void resync()
    {
        delegate.rows.clear();
        for (const auto &row : list->allRows())
            delegate.rows.push_back(row.get());
    }

    void step()
    {
        const int count = int(controller.arrangedObjects().size());
        const int kind = pick(10);
        if (kind < 4) {
            controller.insertObjectAtArrangedObjectIndex(anyElement(), pick(count + 1));
        } else if (kind < 6 && count > 0) {
            QList<qsizetype> indexes;
            for (int i = 0, n = 1 + pick(std::min(count, 3)); i < n; ++i)
                indexes.append(pick(count));
            std::sort(indexes.begin(), indexes.end());
            indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
            controller.removeObjectsAtArrangedObjectIndexes(indexes);
        } else if (kind < 8 && count > 0) {
            controller.replaceObjectAtArrangedObjectIndex(pick(count), anyElement());
        } else if (kind == 8) {
            QVariantList content;
            for (int i = 0, n = pick(6); i < n; ++i)
                content.append(anyElement());
            controller.setContentArray(content);
            unbound = 2; // the two default labels
            resync();
        }
    }

    void expectRowsMatch() const
    {
        const QVariantList elements = controller.arrangedObjects();
        const auto rows = list->allRows();
        ASSERT_EQ(rows.size(), elements.size() + unbound);
        for (qsizetype i = 0; i < elements.size(); ++i)
            ASSERT_EQ(KeyValueObservable::toObservable(rows.at(i)->value()), KeyValueObservable::toObservable(elements.at(i)))
                << i;
        for (qsizetype i = elements.size(); i < rows.size(); ++i)
            ASSERT_FALSE(rows.at(i)->value().isValid()) << i;
        ASSERT_FALSE(delegate.outOfRange);
        ASSERT_EQ(delegate.rows.size(), size_t(rows.size()));
        for (qsizetype i = 0; i < rows.size(); ++i)
            ASSERT_EQ(delegate.rows[size_t(i)], rows.at(i).get()) << i;
    }
};

} // namespace

TEST(InspectorListFieldEdits, RandomInsertionsAndRemovals)
{
    ListRun run(5641);
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        run.step();
        run.expectRowsMatch();
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(InspectorListFieldEdits, AnInspectorShowsTheRowsInOrder)
{
    ListRun run(5642, true);
    run.list->setEditable(true);
    NTXTextViewInspector inspector;
    inspector.resize(400, 300);
    inspector.show();
    inspector.beginFieldEditing();
    inspector.addFieldsArray({run.list});
    inspector.endFieldEditing();
    inspector.setEditableState(true);
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        run.step();
        run.delegate.rows.clear(); // the inspector is the list's delegate now
        run.delegate.outOfRange = false;
        const auto rows = run.list->allRows();
        for (const auto &row : rows)
            run.delegate.rows.push_back(row.get());
        run.expectRowsMatch();
        // Every row is shown, in the list's order, one after the other.
        ASSERT_EQ(inspector.visibleFieldsArray(), rows);
        qsizetype previous = -1;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const auto range = inspector.charRangeOfField(rows.at(i).get());
            ASSERT_FALSE(range.isNotFound()) << i;
            ASSERT_GT(range.location, previous) << i;
            previous = range.location;
        }
        if (::testing::Test::HasFailure())
            return;
    }
}

namespace {

// A control seen in the viewport stands where the inspector says it does (one out of
// view may still owe a move).
void expectPlacedInView(const NTXTextViewInspector &inspector, const QWidget *control)
{
    if (control->geometry().intersects(inspector.viewport()->rect()) ||
        inspector.subviewFrame(control).intersects(inspector.viewport()->rect())) {
        EXPECT_EQ(control->geometry(), inspector.subviewFrame(control));
    }
}

} // namespace

// With an event pass after each change (as when each comes from its own action),
// the pass lays out only what the change can move: every row's control still stands
// where a full layout puts it, shown.
TEST(InspectorListFieldEdits, ControlsStandInPlaceAfterAPassPerChange)
{
    ListRun run(5643, true);
    run.list->setEditable(true);
    NTXTextViewInspector inspector;
    inspector.resize(400, 300);
    inspector.show();
    inspector.beginFieldEditing();
    inspector.addField(NTXTextViewInspectorField::fieldWithIdentifier<TextField>(QStringLiteral("head"),
                                                                                 QStringLiteral("None"), nullptr));
    inspector.addField(run.list);
    inspector.addField(NTXTextViewInspectorField::fieldWithIdentifier<TextField>(QStringLiteral("tail"),
                                                                                 QStringLiteral("None"), nullptr));
    inspector.endFieldEditing();
    inspector.setEditableState(true);
    QCoreApplication::processEvents();
    int checkedControls = 0;
    for (int step = 0; step < 250; ++step) {
        SCOPED_TRACE(step);
        run.step();
        QCoreApplication::processEvents();
        const auto rows = run.list->allRows();
        // The controls of the rows (and the label pop-ups), and those of the fields around.
        const QList<QWidget *> controls =
            inspector.viewsInCharacterRange(platform::Range(0, inspector.document()->characterCount()));
        ASSERT_GE(controls.size(), rows.size());
        QList<QRect> placed;
        for (QWidget *control : std::as_const(controls)) {
            placed.append(inspector.subviewFrame(control));
            EXPECT_TRUE(control->isVisible());
            expectPlacedInView(inspector, control);
        }
        inspector.layoutAttachments();
        for (qsizetype i = 0; i < controls.size(); ++i)
            ASSERT_EQ(placed.at(i), controls.at(i)->geometry()) << "row " << i << " of " << controls.size();
        checkedControls += int(controls.size());
    }
    EXPECT_GT(checkedControls, 500);
}

namespace {

// A row with a control, and the line rules the run gives it.
class RuledRow : public NTXTextViewInspectorViewField
{
public:
    RuledRow(qreal minimumHeight, qreal inset)
        : NTXTextViewInspectorViewField(QStringLiteral("row"), new QLineEdit, QString(),
                                        Label::fieldLabelWithString(QStringLiteral("Row")))
        , m_minimumHeight(minimumHeight)
        , m_inset(inset)
    {
        setMinimumHeight(minimumHeight);
        setInsetValue(inset);
    }
    std::shared_ptr<NTXTextViewInspectorField> copy() const override
    {
        return std::make_shared<RuledRow>(m_minimumHeight, m_inset);
    }

private:
    qreal m_minimumHeight;
    qreal m_inset;
};

// An inspector of a text field, a list of ruled rows bound to the controller and a
// text field, shown.
struct RuledInspector
{
    RuledInspector(platform::ArrayController &controller, bool editableList, qreal minimumHeight, qreal inset)
    {
        list->setEntryFieldTemplate(std::make_shared<RuledRow>(minimumHeight, inset));
        list->setEditable(editableList);
        list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("name"), QString());
        auto head = NTXTextViewInspectorField::fieldWithIdentifier<TextField>(QStringLiteral("head"),
                                                                              QStringLiteral("None"), nullptr);
        head->setMinimumHeight(37.25);
        inspector.resize(400, 300);
        inspector.show();
        inspector.beginFieldEditing();
        inspector.addField(head);
        inspector.addField(list);
        inspector.addField(NTXTextViewInspectorField::fieldWithIdentifier<TextField>(QStringLiteral("tail"),
                                                                                     QStringLiteral("None"), nullptr));
        inspector.endFieldEditing();
        inspector.setEditableState(true);
        QCoreApplication::processEvents();
    }
    ~RuledInspector() { list->unbindController(); }

    std::shared_ptr<ListField> list = std::make_shared<ListField>(QStringLiteral("list"), QString(), nullptr);
    NTXTextViewInspector inspector;
};

} // namespace

// Rows inserted and removed anywhere, with an event pass after each change, are shown
// as a freshly built inspector of the same fields shows them: the same controls at the
// same places, and the same line rectangles for every field. Now and then the edited
// inspector scrolls to its bottom or back to its top, and the fresh one is shown
// scrolled as far.
TEST(InspectorListFieldEdits, RowsChangedInPlaceStandAsInAFreshInspector)
{
    struct Case
    {
        const char *name;
        bool editableList; // with add and remove buttons: changes from the second row on
        qreal minimumHeight;
        qreal inset;
    };
    const Case cases[] = {{"plain rows", false, 0, 0},
                          {"rows with buttons", true, 0, 0},
                          {"rows with a minimum height and an inset", false, 40, 12}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<Element>> pool;
        for (int i = 0; i < 8; ++i)
            pool.push_back(std::make_unique<Element>(QStringLiteral("element %1").arg(i)));
        platform::ArrayController controller;
        controller.setContentArray({KeyValueObservable::fromObservable(pool[0].get()),
                                    KeyValueObservable::fromObservable(pool[1].get())});
        RuledInspector edited(controller, c.editableList, c.minimumHeight, c.inset);
        std::mt19937 random(9001);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        const int first = c.editableList ? 1 : 0;
        for (int step = 0; step < 90; ++step) {
            SCOPED_TRACE(step);
            const int count = int(controller.arrangedObjects().size());
            if (count <= first + 1 || (pick(5) < 3 && count < 30))
                controller.insertObjectAtArrangedObjectIndex(
                    KeyValueObservable::fromObservable(pool[size_t(pick(int(pool.size())))].get()),
                    first + pick(count - first + 1));
            else
                controller.removeObjectAtArrangedObjectIndex(first + pick(count - first));
            QCoreApplication::processEvents();
            QScrollBar *scroll = edited.inspector.verticalScrollBar();
            if (step % 9 == 8) {
                scroll->setValue(step % 18 == 8 ? scroll->maximum() : 0);
                QCoreApplication::processEvents();
            }

            RuledInspector fresh(controller, c.editableList, c.minimumHeight, c.inset);
            fresh.inspector.verticalScrollBar()->setValue(scroll->value());
            ASSERT_EQ(fresh.inspector.verticalScrollBar()->value(), scroll->value());
            QCoreApplication::processEvents();
            const auto shown = edited.inspector.visibleFieldsArray();
            const auto expected = fresh.inspector.visibleFieldsArray();
            ASSERT_EQ(shown.size(), expected.size());
            for (qsizetype i = 0; i < shown.size(); ++i)
                ASSERT_EQ(shown.at(i)->lineFragmentRect(), expected.at(i)->lineFragmentRect()) << "field " << i;
            const platform::Range all(0, edited.inspector.document()->characterCount());
            const QList<QWidget *> controls = edited.inspector.viewsInCharacterRange(all);
            const QList<QWidget *> freshControls =
                fresh.inspector.viewsInCharacterRange(platform::Range(0, fresh.inspector.document()->characterCount()));
            ASSERT_EQ(controls.size(), freshControls.size());
            ASSERT_FALSE(controls.isEmpty());
            for (qsizetype i = 0; i < controls.size(); ++i) {
                ASSERT_EQ(edited.inspector.subviewFrame(controls.at(i)), freshControls.at(i)->geometry()) << "control " << i;
                expectPlacedInView(edited.inspector, controls.at(i));
                ASSERT_EQ(controls.at(i)->isVisible(), freshControls.at(i)->isVisible()) << "control " << i;
            }
            ASSERT_EQ(edited.inspector.document()->toRawText(), fresh.inspector.document()->toRawText());
        }
    }
}

// An edit in a row's control ends before the rows change: whichever row's control has
// the keyboard when the controller's array changes (an insertion or a removal
// anywhere), it has lost it after the change; the keyboard elsewhere in the window
// stays where it is.
TEST(InspectorListFieldEdits, AnEditInARowEndsBeforeTheRowsChange)
{
    std::vector<std::unique_ptr<Element>> pool;
    for (int i = 0; i < 6; ++i)
        pool.push_back(std::make_unique<Element>(QStringLiteral("element %1").arg(i)));
    platform::ArrayController controller;
    for (int i = 0; i < 4; ++i)
        controller.addObject(KeyValueObservable::fromObservable(pool[size_t(i)].get()));
    QWidget window;
    auto *outside = new QLineEdit(&window);
    auto *inspector = new NTXTextViewInspector(&window);
    inspector->setGeometry(0, 30, 400, 300);
    auto list = std::make_shared<ListField>(QStringLiteral("list"), QString(), nullptr);
    list->setEntryFieldTemplate(std::make_shared<EditRow>());
    list->setEditable(true);
    list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("name"), QString());
    inspector->beginFieldEditing();
    inspector->addField(list);
    inspector->endFieldEditing();
    inspector->setEditableState(true);
    window.resize(400, 330);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    std::mt19937 random(4242);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    int rowEditsEnded = 0;
    for (int step = 0; step < 40; ++step) {
        SCOPED_TRACE(step);
        QCoreApplication::processEvents();
        const auto rows = list->allRows();
        ASSERT_FALSE(rows.isEmpty());
        const bool inARow = pick(3) != 0;
        QWidget *focused = inARow ? static_cast<NTXTextViewInspectorViewField *>(rows.at(pick(int(rows.size()))).get())->view()
                                  : static_cast<QWidget *>(outside);
        focused->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), focused);
        const int count = int(controller.arrangedObjects().size());
        if (count <= 2 || (count < 8 && pick(2) == 0))
            controller.insertObjectAtArrangedObjectIndex(
                KeyValueObservable::fromObservable(pool[size_t(pick(int(pool.size())))].get()), pick(count + 1));
        else
            controller.removeObjectAtArrangedObjectIndex(pick(count));
        if (inARow) {
            EXPECT_NE(QApplication::focusWidget(), focused);
            ++rowEditsEnded;
        } else {
            EXPECT_EQ(QApplication::focusWidget(), outside);
        }
    }
    EXPECT_GT(rowEditsEnded, 15);
    list->unbindController();
}

// The add and remove buttons of a removed row leave the inspector with the next event
// pass (the inspector deletes them, they are its own), while the buttons of the rows
// left stay in place, shown; the row's own control is given back.
TEST(InspectorListFieldEdits, ARemovedRowsButtonsGoWithTheNextPass)
{
    std::vector<std::unique_ptr<Element>> pool;
    platform::ArrayController controller;
    for (int i = 0; i < 9; ++i) {
        pool.push_back(std::make_unique<Element>(QStringLiteral("element %1").arg(i)));
        controller.addObject(KeyValueObservable::fromObservable(pool.back().get()));
    }
    RuledInspector shown(controller, true, 0, 0);
    std::mt19937 random(777);
    const auto buttonsOf = [&](const NTXTextViewInspectorFieldPtr &row) {
        QList<QPointer<QWidget>> buttons;
        for (QWidget *view : shown.inspector.viewsInCharacterRange(shown.inspector.charRangeOfField(row.get())))
            if (view->objectName() == QLatin1String("NSAddTemplate") || view->objectName() == QLatin1String("NSRemoveTemplate"))
                buttons.append(view);
        return buttons;
    };
    while (controller.arrangedObjects().size() > 2) {
        const auto rows = shown.list->allRows();
        const int index = 1 + std::uniform_int_distribution<int>(0, int(rows.size()) - 2)(random);
        SCOPED_TRACE(index);
        const QList<QPointer<QWidget>> gone = buttonsOf(rows.at(index));
        ASSERT_FALSE(gone.isEmpty());
        QPointer<QWidget> control = static_cast<NTXTextViewInspectorViewField *>(rows.at(index).get())->view();
        controller.removeObjectAtArrangedObjectIndex(index);
        QCoreApplication::processEvents();
        for (const QPointer<QWidget> &button : gone)
            EXPECT_TRUE(button.isNull());
        ASSERT_FALSE(control.isNull()); // its row still holds it
        EXPECT_NE(control->parentWidget(), shown.inspector.viewport());
        int kept = 0;
        for (const auto &row : shown.list->allRows())
            for (const QPointer<QWidget> &button : buttonsOf(row)) {
                EXPECT_EQ(button->parentWidget(), shown.inspector.viewport());
                EXPECT_TRUE(button->isVisible());
                ++kept;
            }
        EXPECT_GT(kept, 0);
    }
}
