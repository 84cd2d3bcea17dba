#include "NTXAppKit/inspector/NTXTextViewInspectorDelegate.h"

NTXTextViewInspectorDelegate::~NTXTextViewInspectorDelegate() = default;

bool NTXTextViewInspectorDelegate::delegateShouldChangeEditStateForTextViewInspector(NTXTextViewInspector *)
{
    return false;
}

void NTXTextViewInspectorDelegate::textViewInspectorDidChangedValueOfField(NTXTextViewInspector *,
                                                                           NTXTextViewInspectorField *)
{
}
