#pragma once
// A text field for whole numbers, through one integer formatter shared by all
// integer fields: pattern "#0" in the user's locale (as it was when the first
// integer field was made), integers only (read leniently when strictly they are not).
// Ownership and threads: as NTXTextViewInspectorTextField.
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"

class NTXTextViewInspectorIntegerField : public NTXTextViewInspectorTextField
{
    Q_OBJECT
public:
    NTXTextViewInspectorIntegerField(const QString &identifier, const QString &placeholder,
                                     const NTXTextViewInspectorFieldLabelPtr &label);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    // Made on first use and kept.
    static std::shared_ptr<const platform::Formatter> sharedIntegerFormatter();
};
