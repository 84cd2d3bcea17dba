#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

NTXTextViewInspectorCompoundField::NTXTextViewInspectorCompoundField(const QString &identifier, const QString &placeholder,
                                                                     const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorField(identifier, placeholder, label)
{
}

NTXTextViewInspectorCompoundField::~NTXTextViewInspectorCompoundField()
{
    for (const NTXTextViewInspectorFieldPtr &field : std::as_const(m_fields))
        field->setCompoundField(nullptr);
}

std::shared_ptr<NTXTextViewInspectorCompoundField>
NTXTextViewInspectorCompoundField::fieldWithPropertyMapping(const QVariantMap &mapping, const platform::DataEntity &)
{
    auto field = std::make_shared<NTXTextViewInspectorCompoundField>(QString(), QString(), nullptr);
    field->setPropertyMapping(mapping);
    return field;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorCompoundField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorCompoundField>(identifier(), placeholder(), copiedLabel());
    copyBaseStateTo(*copied);
    return copied;
}

void NTXTextViewInspectorCompoundField::addField(const NTXTextViewInspectorFieldPtr &field)
{
    insertField(field, m_fields.size());
}

void NTXTextViewInspectorCompoundField::insertField(const NTXTextViewInspectorFieldPtr &field, qsizetype index)
{
    if (!field)
        return;
    m_fields.insert(std::clamp<qsizetype>(index, 0, m_fields.size()), field);
    field->setCompoundField(this);
}

void NTXTextViewInspectorCompoundField::removeFieldAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_fields.size())
        return;
    const NTXTextViewInspectorFieldPtr field = m_fields.takeAt(index);
    field->setCompoundField(nullptr);
}

void NTXTextViewInspectorCompoundField::removeAllFields()
{
    const QList<NTXTextViewInspectorFieldPtr> removed = std::exchange(m_fields, {});
    for (const NTXTextViewInspectorFieldPtr &field : removed)
        field->setCompoundField(nullptr);
}

NTXTextViewInspectorFieldPtr NTXTextViewInspectorCompoundField::fieldAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_fields.size() ? m_fields.at(index) : nullptr;
}

qsizetype NTXTextViewInspectorCompoundField::indexOfField(const NTXTextViewInspectorField *field) const
{
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).get() == field)
            return i;
    return -1;
}

NTXTextViewInspectorFieldPtr NTXTextViewInspectorCompoundField::fieldWithIdentifier(const QString &identifier) const
{
    for (const NTXTextViewInspectorFieldPtr &field : m_fields)
        if (field->identifier() == identifier)
            return field;
    return nullptr;
}

qsizetype NTXTextViewInspectorCompoundField::indexOfFieldWithView(const QWidget *view) const
{
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (const auto *viewField = dynamic_cast<const NTXTextViewInspectorViewField *>(m_fields.at(i).get()))
            if (viewField->view() == view)
                return i;
    return -1;
}

NTXTextViewInspectorFieldPtr NTXTextViewInspectorCompoundField::fieldWithView(const QWidget *view) const
{
    return fieldAtIndex(indexOfFieldWithView(view));
}

void NTXTextViewInspectorCompoundField::setValueOfFieldWithIdentifier(const QVariant &value, const QString &identifier)
{
    if (const NTXTextViewInspectorFieldPtr field = fieldWithIdentifier(identifier))
        field->setValue(value);
}
