#include "NTXAppKit/inspector/NTXTextViewInspectorFieldDelegate.h"

NTXTextViewInspectorFieldDelegate::~NTXTextViewInspectorFieldDelegate() = default;
void NTXTextViewInspectorFieldDelegate::inspectorFieldDidChangeLabelSelection(NTXTextViewInspectorField *,
                                                                              const NTXTextViewInspectorFieldLabelPtr &)
{
}
void NTXTextViewInspectorFieldDelegate::listFieldDidInsertRow(NTXTextViewInspectorListField *,
                                                              const std::shared_ptr<NTXTextViewInspectorField> &, qsizetype)
{
}
void NTXTextViewInspectorFieldDelegate::listFieldDidRemoveRow(NTXTextViewInspectorListField *,
                                                              const std::shared_ptr<NTXTextViewInspectorField> &, qsizetype)
{
}
