#include "NTXAppKit/inspector/NTXTextViewInspectorFieldLabel.h"

NTXTextViewInspectorFieldLabel::NTXTextViewInspectorFieldLabel(const QString &label, const QVariant &representedObject)
    : m_label(label)
    , m_representedObject(representedObject)
{
}

std::shared_ptr<NTXTextViewInspectorFieldLabel>
NTXTextViewInspectorFieldLabel::fieldLabelWithString(const QString &label, const QVariant &representedObject)
{
    return std::make_shared<NTXTextViewInspectorFieldLabel>(label, representedObject);
}

std::shared_ptr<NTXTextViewInspectorFieldLabel> NTXTextViewInspectorFieldLabel::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorFieldLabel>(m_label, m_representedObject);
    copied->m_labelDependentPlaceholder = m_labelDependentPlaceholder;
    return copied;
}
