#pragma once
// The attachment cell of a view field's control: it keeps the field alive while the
// text holds it and takes the field's view and placement flag.
// Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewTextAttachmentCell.h"

#include <memory>

class NTXTextViewInspectorViewField;

class NTXTextViewInspectorFieldTextAttachmentCell : public NTXTextViewInspectorViewTextAttachmentCell
{
public:
    NTXTextViewInspectorFieldTextAttachmentCell() = default;
    ~NTXTextViewInspectorFieldTextAttachmentCell() override;

    const std::shared_ptr<NTXTextViewInspectorViewField> &field() const { return m_field; }
    // The cell's view and placement flag become the field's (none without a field).
    void setField(const std::shared_ptr<NTXTextViewInspectorViewField> &field);

private:
    std::shared_ptr<NTXTextViewInspectorViewField> m_field;
};
