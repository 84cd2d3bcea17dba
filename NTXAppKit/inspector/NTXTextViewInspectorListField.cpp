#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorFieldDelegate.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/foundation/ObjectController.h"

#include <QAbstractScrollArea>
#include <QApplication>

namespace {

const QString ValueBinding = QStringLiteral("value");
const QString SelfKeyPath = QStringLiteral("self");

bool standsInAViewport(const QWidget *widget)
{
    const QWidget *parent = widget->parentWidget();
    const auto *area = parent ? qobject_cast<const QAbstractScrollArea *>(parent->parentWidget()) : nullptr;
    return area && area->viewport() == parent;
}

} // namespace

NTXTextViewInspectorListField::NTXTextViewInspectorListField(const QString &identifier, const QString &placeholder,
                                                             const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorCompoundField(identifier, placeholder, label)
{
}

NTXTextViewInspectorListField::~NTXTextViewInspectorListField()
{
    if (m_controller)
        unbindController();
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorListField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorListField>(identifier(), placeholder(), copiedLabel());
    copyBaseStateTo(*copied);
    return copied;
}

platform::KeyValueObservable *NTXTextViewInspectorListField::observableController() const
{
    return m_controllerLifetime.expired() ? nullptr : m_controller;
}

void NTXTextViewInspectorListField::bindToObject(platform::KeyValueObservable *controller, const QString &controllerKey,
                                                 const QString &modelKeyPathForValue, const QString &modelKeyPathForLabel)
{
    if (m_controller)
        unbindController();
    if (!controller)
        return;
    m_controller = controller;
    m_controllerLifetime = controller->lifetime();
    m_controllerKey = controllerKey;
    m_modelKeyPathForValue = modelKeyPathForValue;
    m_modelKeyPathForLabel = modelKeyPathForLabel;
    if (const auto *objectController = dynamic_cast<const platform::ObjectController *>(controller))
        if (objectController->managedObjectContext().isValid())
            setManagedObjectContext(objectController->managedObjectContext());
    m_observation = controller->addObserver(
        controllerKey,
        [this](platform::KeyValueObservable &, const QString &, bool prior) {
            if (!prior)
                controllerChanged();
        },
        true);
    // The elements the array holds already get their rows as if it had just been set.
    const QVariantList array = controllerArray();
    if (!array.isEmpty())
        setRows(array);
}

void NTXTextViewInspectorListField::unbindController()
{
    if (platform::KeyValueObservable *controller = observableController())
        controller->removeObserver(m_observation);
    m_controller = nullptr;
    m_controllerLifetime.reset();
    m_observation = 0;
    m_controllerKey.clear();
    m_modelKeyPathForValue.clear();
    m_modelKeyPathForLabel.clear();
}

void NTXTextViewInspectorListField::setEntryFieldTemplate(const NTXTextViewInspectorFieldPtr &field)
{
    m_entryFieldTemplate = field ? field->copy() : nullptr;
}

// ---- Rows ----

NTXTextViewInspectorFieldPtr NTXTextViewInspectorListField::insertRow(qsizetype index,
                                                                      const NTXTextViewInspectorFieldLabelPtr &label, bool tell)
{
    if (!m_entryFieldTemplate)
        return nullptr;
    const NTXTextViewInspectorFieldPtr row = m_entryFieldTemplate->copy();
    index = std::clamp<qsizetype>(index, 0, allFields().size());
    insertField(row, index);
    row->setLabel(label);
    if (tell)
        if (NTXTextViewInspectorFieldDelegate *delegate = fieldDelegate())
            delegate->listFieldDidInsertRow(this, row, index);
    return row;
}

NTXTextViewInspectorFieldPtr NTXTextViewInspectorListField::insertRowAtIndex(qsizetype index,
                                                                             const NTXTextViewInspectorFieldLabelPtr &label)
{
    return insertRow(index, label, true);
}

NTXTextViewInspectorFieldPtr NTXTextViewInspectorListField::addRow()
{
    return insertRowAtIndex(allFields().size());
}

void NTXTextViewInspectorListField::removeRowAtIndex(qsizetype index)
{
    const NTXTextViewInspectorFieldPtr row = fieldAtIndex(index); // alive until the delegate has seen it
    if (!row)
        return;
    removeFieldAtIndex(index);
    if (NTXTextViewInspectorFieldDelegate *delegate = fieldDelegate())
        delegate->listFieldDidRemoveRow(this, row, index);
}

void NTXTextViewInspectorListField::removeRow(const NTXTextViewInspectorField *row)
{
    const qsizetype index = indexOfField(row);
    if (index >= 0)
        removeRowAtIndex(index);
}

void NTXTextViewInspectorListField::removeAllRows()
{
    while (!allFields().isEmpty())
        removeRowAtIndex(allFields().size() - 1);
}

bool NTXTextViewInspectorListField::canAdd() const
{
    const platform::KeyValueObservable *controller = observableController();
    return controller && controller->valueForKey(QStringLiteral("canAdd")).toBool();
}

bool NTXTextViewInspectorListField::canRemove() const
{
    const platform::KeyValueObservable *controller = observableController();
    return controller && controller->valueForKey(QStringLiteral("canRemove")).toBool();
}

void NTXTextViewInspectorListField::setValue(const QVariant &value)
{
    if (!platform::isListValue(value))
        return;
    removeAllRows();
    const QVariantList elements = value.toList();
    if (!elements.isEmpty()) {
        bool nested = true;
        for (const QVariant &element : elements)
            nested = nested && platform::isListValue(element);
        qsizetype count = elements.size();
        if (nested) {
            QVariantList united;
            for (const QVariant &inner : elements)
                for (const QVariant &element : inner.toList())
                    if (!united.contains(element))
                        united.append(element);
            count = united.size();
        }
        for (qsizetype i = 0; i < count; ++i)
            insertRow(allFields().size(), nullptr, false);
    }
    NTXTextViewInspectorField::setValue(value);
}

bool NTXTextViewInspectorListField::isEnabled() const
{
    const auto *controller = dynamic_cast<const platform::ObjectController *>(observableController());
    if (controller && !controllerArray().isEmpty() && !(controller->canAdd() && controller->canRemove()))
        return false;
    return NTXTextViewInspectorCompoundField::isEnabled();
}

// ---- Following the controller ----

QVariantList NTXTextViewInspectorListField::controllerArray() const
{
    const platform::KeyValueObservable *controller = observableController();
    return controller ? controller->valueForKey(m_controllerKey).toList() : QVariantList();
}

NTXTextViewInspectorFieldPtr NTXTextViewInspectorListField::insertBoundRow(qsizetype index, const QVariant &element)
{
    const NTXTextViewInspectorFieldPtr row = insertRowAtIndex(index);
    if (!row)
        return nullptr;
    row->setEditable(isEditable());
    row->setEnabled(isEnabled());
    if (platform::KeyValueObservable *object = platform::KeyValueObservable::toObservable(element))
        row->bind(ValueBinding, object, SelfKeyPath);
    else
        row->setValue(element); // a plain value has nothing to follow
    return row;
}

void NTXTextViewInspectorListField::unbindAndRemoveRow(qsizetype index)
{
    if (const NTXTextViewInspectorFieldPtr row = fieldAtIndex(index)) {
        row->unbind(ValueBinding);
        removeRowAtIndex(index);
    }
}

void NTXTextViewInspectorListField::setRows(const QVariantList &array)
{
    for (const NTXTextViewInspectorFieldPtr &row : allFields())
        row->unbind(ValueBinding);
    removeAllRows();
    if (array.isEmpty()) {
        if (m_defaultLabels.isEmpty()) {
            if (const NTXTextViewInspectorFieldPtr row = insertRowAtIndex(0)) {
                row->setEditable(isEditable());
                row->setEnabled(isEnabled());
            }
        }
        for (const NTXTextViewInspectorFieldLabelPtr &label : std::as_const(m_defaultLabels))
            if (const NTXTextViewInspectorFieldPtr row = insertRowAtIndex(allFields().size(), label)) {
                row->setEditable(isEditable());
                row->setEnabled(isEnabled());
            }
        return;
    }
    QList<NTXTextViewInspectorFieldLabelPtr> unused = m_defaultLabels;
    for (const QVariant &element : array)
        if (const NTXTextViewInspectorFieldPtr row = insertBoundRow(allFields().size(), element))
            unused.removeAll(row->label());
    for (const NTXTextViewInspectorFieldLabelPtr &label : std::as_const(unused))
        if (const NTXTextViewInspectorFieldPtr row = insertRowAtIndex(allFields().size(), label)) {
            row->setEditable(isEditable());
            row->setEnabled(isEnabled());
        }
}

void NTXTextViewInspectorListField::controllerChanged()
{
    platform::KeyValueObservable *controller = observableController();
    if (!controller)
        return;
    // An edit in a row ends before the rows change. A row's control that has the
    // keyboard stands in an inspector, a child of its viewport: the rows are looked
    // through only then.
    if (QWidget *focus = QApplication::focusWidget(); focus && standsInAViewport(focus))
        for (const NTXTextViewInspectorFieldPtr &row : allFields())
            if (const auto *viewRow = dynamic_cast<const NTXTextViewInspectorViewField *>(row.get()))
                if (viewRow->view() == focus)
                    focus->clearFocus();

    const platform::KeyValueChange *change = controller->changeForKey(m_controllerKey);
    const platform::KeyValueChangeKind kind = change ? change->kind : platform::KeyValueChangeKind::Setting;
    const QList<qsizetype> indexes = change ? change->indexes : QList<qsizetype>();
    // Removals need no elements: the array is read only for the other changes.
    const QVariantList array = kind == platform::KeyValueChangeKind::Removal ? QVariantList() : controllerArray();

    switch (kind) {
    case platform::KeyValueChangeKind::Setting:
        setRows(array);
        break;
    case platform::KeyValueChangeKind::Insertion:
        for (const qsizetype index : indexes)
            if (index < array.size())
                insertBoundRow(index, array.at(index));
        break;
    case platform::KeyValueChangeKind::Removal:
        for (auto it = indexes.crbegin(); it != indexes.crend(); ++it)
            unbindAndRemoveRow(*it);
        break;
    case platform::KeyValueChangeKind::Replacement:
        for (const qsizetype index : indexes) {
            unbindAndRemoveRow(index);
            if (index < array.size())
                insertBoundRow(index, array.at(index));
        }
        break;
    }
}
