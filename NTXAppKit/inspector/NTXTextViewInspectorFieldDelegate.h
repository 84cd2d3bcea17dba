#pragma once
// What a field tells its delegate (a QObject that also derives from this class; a
// delegate that does not is sent nothing). Every call does nothing by default.
// Threads: GUI thread.
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldLabel.h"

#include <memory>

class NTXTextViewInspectorField;
class NTXTextViewInspectorListField;

class NTXTextViewInspectorFieldDelegate
{
public:
    virtual ~NTXTextViewInspectorFieldDelegate();

    // The user chose another label of the field.
    virtual void inspectorFieldDidChangeLabelSelection(NTXTextViewInspectorField *field,
                                                       const NTXTextViewInspectorFieldLabelPtr &label);
    // A list field inserted a row, or removed one (still alive during the call).
    virtual void listFieldDidInsertRow(NTXTextViewInspectorListField *listField,
                                       const std::shared_ptr<NTXTextViewInspectorField> &row, qsizetype index);
    virtual void listFieldDidRemoveRow(NTXTextViewInspectorListField *listField,
                                       const std::shared_ptr<NTXTextViewInspectorField> &row, qsizetype index);
};
