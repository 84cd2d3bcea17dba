#include "NTXAppKit/inspector/NTXTextViewInspectorFieldTextAttachmentCell.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

NTXTextViewInspectorFieldTextAttachmentCell::~NTXTextViewInspectorFieldTextAttachmentCell() = default;

void NTXTextViewInspectorFieldTextAttachmentCell::setField(const std::shared_ptr<NTXTextViewInspectorViewField> &field)
{
    if (field == m_field)
        return;
    m_field = field;
    setView(m_field ? m_field->view() : nullptr);
    setViewShouldNotShowAtAttachmentPosition(m_field && m_field->viewShouldNotShowAtAttachmentPosition());
}
